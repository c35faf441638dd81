#include "services/batch_shelflife.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

namespace {

// The identifier as SQL text: always an integer, 0 for anything that is no identifier.
std::string IdText(const Value& v) {
    return std::to_string(SafeId(v));
}

std::string Text(const Value& v) {
    return Trim(v.ToString());
}

// Shelf-life days as whole days; nullopt when the value cannot take part in date arithmetic.
std::optional<long> ShelfLifeDays(const Value& v) {
    double d = v.ToNumber();
    if (!std::isfinite(d) || std::fabs(d) > 3'700'000.0) return std::nullopt;
    return std::lround(d);
}

// The period sits in a numeric field: write whole days as an integer.
Value DaysValue(long days) {
    return Value(static_cast<long long>(days));
}

}  // namespace

// ---- Item flags -----------------------------------------------------------------------------

bool IsBatchManagerItem(const Value& itemID) {
    return ReadItemColumn("Select FISBatchManager From t_ICItem Where FItemID=", itemID).ToBool();
}

bool IsKFPeriodItem(const Value& itemID) {
    return ReadItemColumn("Select FISKFPeriod From t_ICItem Where FItemID=", itemID).ToBool();
}

bool IsAuxItem(const Value& itemID) {
    return ReadItemColumn("Select FISAuxi From t_ICItem Where FItemID=", itemID).ToBool();
}

bool GetItemTrack(const Value& itemID) {
    Value v = ReadItemColumn("Select FTrack From t_ICItem Where FItemID=", itemID);
    return !v.IsBlank() && v.ToNumber() == 80;
}

bool IsBatchManagedByItemInfo(const Value& itemID) {
    return Trapped("IsBatchManagedByItemInfo", false, [&] {
        int32_t id = SafeId(itemID);
        if (id == 0) return false;
        auto info = CreateHostObject<IComponent>("QOREBSGLItem.ItemInfo");
        return info->Call("isBatchManager", {GetPropsString(), id}).ToBool();
    });
}

// ---- Dates --------------------------------------------------------------------------------------

std::optional<Date> ReadKFDate(const Value& v) {
    if (v.IsBlank() || v.IsObject()) return std::nullopt;
    std::string text = Trim(v.ToString());
    // Style 102 of the database: "yyyy.mm.dd".
    if (text.size() >= 10 && text[4] == '.' && text[7] == '.') {
        text[4] = '-';
        text[7] = '-';
    }
    auto d = ParseDate(text);
    if (!d) return std::nullopt;
    if (d->year == 1900 && d->month == 1 && d->day == 1) return std::nullopt;
    return d;
}

std::string FormatKFDate(const Value& v) {
    auto d = ReadKFDate(v);
    return d ? FormatDate(*d) : std::string();
}

// ---- Field sets ---------------------------------------------------------------------------------

KFFieldSet KFFieldSet::Of(const FieldSet& set, bool productionSet) {
    KFFieldSet s;
    s.childRows = &set == &FieldSet::Child();
    s.productionSet = productionSet && !s.childRows;
    s.item = set["FItemID"];
    s.kfDate = set[s.productionSet ? "FProDate" : "FKFDate"];
    s.kfPeriod = set["FKFPeriod"];
    s.periodDate = set[s.productionSet ? "FExpDate" : "FPeriodDate"];
    return s;
}

BatchRowKeys BatchRowKeys::Of(const FieldSet& set) {
    BatchRowKeys k;
    const KFFieldSet kf = KFFieldSet::Of(set);
    k.item = kf.item;
    k.kfDate = kf.kfDate;
    k.kfPeriod = kf.kfPeriod;
    k.periodDate = kf.periodDate;
    k.batch = set["FBatchNo"];
    k.aux = set["FAuxPropID"];
    k.stock = set["FSCStockID"];
    k.qty = set["FShowQty"];
    k.batchIndex = set["FBatchNoIndex"];
    k.coefficient = set["FCoefficient"];
    k.page = EntryPageOf(set);
    k.childRows = kf.childRows;
    return k;
}

// ---- Date follow-up -------------------------------------------------------------------------

bool IsAdjustPeriodOn(IBillForm& bill) {
    return Trapped("IsAdjustPeriodOn", false, [&] {
        ParsePropsString(GetPropsString());
        int16_t user = GetPropsUserID();
        auto rs = GetRecordset("select FValue from ICClassUserProfile where FSection = 'BillSet" +
                               std::to_string(bill.FID()) +
                               "' and FKey = 'AdjustPeriod' and FUserID = " + std::to_string(user));
        if (!rs || rs->IsEOF() || rs->RecordCount() != 1) return false;
        return Val(Trim(rs->Field(0).ToString())) == 1;
    });
}

void CalcKFDatesOn(IBillForm& bill, const KFFieldSet& keys, const std::string& changedKey,
                   int row) {
    if (row < 1) return;
    std::string key = UpperTrim(changedKey);
    if (key == Upper(keys.periodDate)) {
        // A date out of range: the step is skipped.
        Trapped("CalcKFDates", [&] {
            auto expiry = ReadKFDate(bill.GetFieldValue(keys.periodDate, row));
            auto production = ReadKFDate(bill.GetFieldValue(keys.kfDate, row));
            if (!expiry || !production) return;
            if (IsAdjustPeriodOn(bill)) {
                bill.SetFieldValue(keys.kfPeriod, DaysValue(DaysBetween(*production, *expiry)),
                                   row);
            } else {
                auto days = ShelfLifeDays(bill.GetFieldValue(keys.kfPeriod, row));
                if (!days) return;
                bill.SetFieldValue(keys.kfDate, FormatDate(AddDays(*expiry, -*days)), row);
            }
        });
    } else if (key == Upper(keys.kfDate) || key == Upper(keys.kfPeriod)) {
        Trapped("CalcKFDates", [&] {
            auto production = ReadKFDate(bill.GetFieldValue(keys.kfDate, row));
            auto days = ShelfLifeDays(bill.GetFieldValue(keys.kfPeriod, row));
            if (!production || !days) return;
            bill.SetFieldValue(keys.periodDate, FormatDate(AddDays(*production, *days)), row);
        });
    }
}

static std::string ChangedKey(const CollectionPtr& fieldDesc) {
    return fieldDesc ? fieldDesc->Get("FKey").ToString() : std::string();
}

void CalcKFDates(IBillForm& bill, const CollectionPtr& fieldDesc, int row, const FieldSet& set,
                 bool productionSet) {
    CalcKFDatesOn(bill, KFFieldSet::Of(set, productionSet), ChangedKey(fieldDesc), row);
}

// ---- Completeness -------------------------------------------------------------------------

namespace {

// The four checks in order: the row text and the assembly-item text of each.
struct KFCheckText {
    const char* rowText;
    const char* assemblyText;
};
constexpr KFCheckText kKFNoProductionDate{"行商品未输入生产日期！", "组装件商品未输入生产日期！"};
constexpr KFCheckText kKFNegativePeriod{"行商品的保质期必须大于等于0！",
                                        "组装件商品的保质期必须大于等于0！"};
constexpr KFCheckText kKFNoExpiryDate{"行商品未输入有效期至！", "组装件商品未输入有效期至！"};
constexpr KFCheckText kKFInconsistent{"行商品不符合生产日期加保质期等于有效期至！",
                                      "组装件商品不符合生产日期加保质期等于有效期至！"};

// A date field counts as blank when it holds nothing, only blanks or the missing-date mark.
bool DateFieldBlank(const Value& v) {
    std::string t = Text(v);
    if (t.empty()) return true;
    auto d = ParseDate(t);
    return d && d->year == 1900 && d->month == 1 && d->day == 1;
}

}  // namespace

Verdict CheckKFFieldsFilled(IBillForm& bill, int row, const FieldSet& set, bool productionSet,
                            bool rowMessage) {
    if (row < 1) return Verdict::Pass();
    const KFFieldSet keys = KFFieldSet::Of(set, productionSet);
    auto fail = [&](const KFCheckText& text, const std::string& cursorKey) {
        std::string message;
        if (keys.productionSet && !rowMessage) {
            message = text.assemblyText;
        } else {
            message =
                std::string(keys.childRows ? "子件第" : "第") + std::to_string(row) + text.rowText;
        }
        Verdict v = Verdict::Refuse(std::move(message), kMsgInformation, kMsgCaption);
        if (!cursorKey.empty()) v.At(cursorKey, row);
        return v;
    };
    return Trapped("CheckKFFieldsFilled", Verdict::Silent(), [&] {
        Value production = bill.GetFieldValue(keys.kfDate, row);
        if (DateFieldBlank(production)) return fail(kKFNoProductionDate, keys.kfDate);
        double period = bill.GetFieldValue(keys.kfPeriod, row).ToNumber();
        if (period < 0) return fail(kKFNegativePeriod, keys.kfPeriod);
        Value expiry = bill.GetFieldValue(keys.periodDate, row);
        if (DateFieldBlank(expiry)) return fail(kKFNoExpiryDate, keys.periodDate);
        auto p = ReadKFDate(production);
        auto e = ReadKFDate(expiry);
        // A date that cannot be read cannot be shown to agree with the shelf life.
        if (!p || !e || static_cast<double>(DaysBetween(*p, *e)) != period) {
            return fail(kKFInconsistent, "");
        }
        return Verdict::Pass();
    });
}

// ---- Recorded dates of a batch --------------------------------------------------------------

namespace {

// The one bill type of the purchase side's third stock bill whose batch dates count.
constexpr int kCountedPurchaseBill3Type = 2042;

// Stock counts never count; the purchase side's third stock bill only with its counted type.
// prefix names the bill table ("t." or "").
std::string CountedBillsFilter(const std::string& prefix) {
    return " And " + prefix + "FClassTypeID<>" + std::to_string(ct::kStockCount) + " And (" +
           prefix + "FClassTypeID<>" + std::to_string(ct::kPurchaseBill3) + " Or " + prefix +
           "FBillTypeID=" + std::to_string(kCountedPurchaseBill3Type) + ")";
}

// The restriction every part of the union shares: the item and batch, not the current bill,
// the counted bills.
std::string BatchBillFilter(const std::string& item, const std::string& batch,
                            const std::string& exclude) {
    return " Where FItemID=" + item + " And FBatchNo=" + batch + " And FID<>" + exclude +
           CountedBillsFilter("");
}

const char* kBatchColumns = "FItemID,FStockID,FBatchNo,FKFDate,FKFPeriod,FPeriodDate,FAuxPropID";

std::string BatchKFSql(const std::string& item, const std::string& batch, const std::string& stock,
                       const std::string& exclude, BatchKFSource source) {
    std::string inner;
    std::string itemBatch = " Where FItemID=" + item + " And FBatchNo=" + batch;
    std::string initial =
        "Select FItemID,FStockID,FBatchNo,FKFDate,FKFPeriod,FdestDate As FPeriodDate,"
        "FAuxPropID From ICInvInitial" +
        itemBatch;
    if (source == BatchKFSource::EnteredRows) {
        std::string stockOf = "Case When e.FDCStockID>0 Then e.FDCStockID Else e.FSCStockID End";
        inner = initial + kCrLf + " Union " + kCrLf + "Select e.FItemID," + stockOf +
                ",e.FBatchNo,e.FKFDate,e.FKFPeriod,e.FPeriodDate,e.FAuxPropID"
                " From T_CC_stockbillentry e Inner Join t_CC_StockBill t On t.FID=e.FID"
                " Where e.FItemID=" +
                item + " And e.FBatchNo=" + batch + " And e.FID<>" + exclude +
                CountedBillsFilter("t.") + kCrLf;
        for (const char* table : {"t_CC_ZZCX_ENTRY", "t_CC_ZZCX_ENTRY2"}) {
            inner += std::string(" Union ") + kCrLf + "Select e.FItemID," + stockOf +
                     ",e.FBatchNo,e.FProDate,e.FKFPeriod,e.FExpDate,e.FAuxPropID From " + table +
                     " e Where e.FItemID=" + item + " And e.FBatchNo=" + batch + " And e.FID<>" +
                     exclude + kCrLf;
        }
    } else if (IsInitClosed()) {
        inner = std::string("Select ") + kBatchColumns + " From T_CC_Stock_BatchNo" + itemBatch +
                kCrLf + " Union " + kCrLf + "Select " + kBatchColumns + " From vw_cc_Receive" +
                BatchBillFilter(item, batch, exclude) + kCrLf + " Union " + kCrLf + "Select " +
                kBatchColumns + " From vw_cc_Send" + BatchBillFilter(item, batch, exclude);
    } else {
        inner = initial + kCrLf + " Union " + kCrLf + "Select " + kBatchColumns +
                " From vw_cc_Receive_Audit" + BatchBillFilter(item, batch, exclude) +
                " And IsNull(FStatus,0)>-1" + kCrLf + " Union " + kCrLf + "Select " +
                kBatchColumns + " From vw_cc_Send_Audit" + BatchBillFilter(item, batch, exclude) +
                " And IsNull(FStatus,0)>-1";
    }
    std::string sql =
        "Select s.FBatchNo As FBatchNO,s.FAuxPropID,IsNull(a.FName,'') As FAuxProp,"
        "Convert(varchar(10),s.FKFDate,102) As FKFDate,s.FKFPeriod,"
        "Convert(varchar(10),s.FPeriodDate,102) As FPeriodDate,IsNull(a.FNumber,'') As FNumber,"
        "s.FStockID" +
        std::string(kCrLf) + "From (" + kCrLf + inner + kCrLf + ") s" + kCrLf +
        "Left Join t_AuxItem a On a.FItemID=s.FAuxPropID" + kCrLf + "Where 1=1";
    if (stock != "0") sql += " and s.FstockID=" + stock;
    sql += std::string(kCrLf) +
           "Group By s.FItemID,s.FStockID,s.FBatchNo,s.FKFDate,s.FKFPeriod,s.FPeriodDate,"
           "s.FAuxPropID,a.FName,a.FNumber";
    return sql;
}

}  // namespace

std::vector<BatchKFRecord> GetBatchKFInfo(const Value& itemID, const std::string& batchNo,
                                          const Value& stockID, const Value& excludeBillID,
                                          BatchKFSource source) {
    using Records = std::vector<BatchKFRecord>;
    return Trapped("GetBatchKFInfo", Records(), [&] {
        Records out;
        std::string item = IdText(itemID);
        if (item == "0" || Trim(batchNo).empty()) return out;
        std::string sql =
            BatchKFSql(item, SqlValue(batchNo), IdText(stockID), IdText(excludeBillID), source);
        auto rs = GetRecordset(sql);
        for (; rs && !rs->IsEOF(); rs->MoveNext()) {
            BatchKFRecord r;
            r.batchNo = rs->Field("FBatchNO").ToString();
            r.auxPropID = SafeId(rs->Field("FAuxPropID"));
            r.auxProp = rs->Field("FAuxProp").ToString();
            r.auxNumber = rs->Field("FNumber").ToString();
            r.stockID = SafeId(rs->Field("FStockID"));
            r.kfDate = FormatKFDate(rs->Field("FKFDate"));
            r.kfPeriod = rs->Field("FKFPeriod").ToNumber();
            r.periodDate = FormatKFDate(rs->Field("FPeriodDate"));
            out.push_back(std::move(r));
        }
        return out;
    });
}

std::vector<BatchKFRecord> GetBatchKFInfo(IBillForm& bill, const Value& itemID,
                                          const std::string& batchNo, const Value& stockID,
                                          BatchKFSource source) {
    const auto billID = Trapped("GetBatchKFInfo", std::optional<int32_t>(),
                                [&] { return std::optional(bill.CurBillID()); });
    if (!billID) return {};
    return GetBatchKFInfo(itemID, batchNo, stockID, Value(*billID), source);
}

int GetStockBatchKFInfo(const Value& itemID, const Value& stockID, const std::string& batchNo,
                        BatchKFRecord* first, const Value& excludeBillID) {
    if (IdText(stockID) == "0") return 0;
    auto records = GetBatchKFInfo(itemID, batchNo, stockID, excludeBillID);
    if (first && !records.empty()) *first = records.front();
    return static_cast<int>(records.size());
}

BatchCompareResult CompareBatchRow(const std::vector<BatchKFRecord>& records,
                                   const BatchRowData& row) {
    BatchCompareResult result;
    if (records.empty()) return result;
    std::string rowKF = FormatKFDate(row.kfDate);
    std::string rowPeriodDate = FormatKFDate(row.periodDate);
    const BatchKFRecord* auxMatch = nullptr;
    for (const auto& r : records) {
        bool auxOk = !row.compareAux || r.auxPropID == row.auxPropID;
        if (!auxOk) continue;
        if (!auxMatch) auxMatch = &r;
        bool same = (!row.compareKFDate || r.kfDate == rowKF) &&
                    (!row.comparePeriodDate || r.periodDate == rowPeriodDate) &&
                    (!row.compareKFPeriod || std::fabs(r.kfPeriod - row.kfPeriod) < 1e-9);
        if (same) {
            result.match = BatchMatch::Same;
            result.recorded = r;
            return result;
        }
    }
    result.match = auxMatch ? BatchMatch::DatesDiffer : BatchMatch::AuxDiffers;
    result.recorded = auxMatch ? *auxMatch : records.front();
    return result;
}

BatchCompareResult CompareRowWithStock(IBillForm& bill, int row, const BatchRowKeys& keys,
                                       bool compareAux) {
    return Trapped("CompareRowWithStock", BatchCompareResult(), [&]() -> BatchCompareResult {
        if (row < 1) return {};
        Value item = bill.GetFieldValue(keys.item, row);
        std::string batch = Text(bill.GetFieldValue(keys.batch, row));
        if (SafeId(item) == 0 || batch.empty()) return {};
        auto records = GetBatchKFInfo(bill, item, batch, bill.GetFieldValue(keys.stock, row));
        BatchRowData data;
        data.auxPropID = SafeId(bill.GetFieldValue(keys.aux, row));
        data.kfDate = bill.GetFieldValue(keys.kfDate, row).ToString();
        data.kfPeriod = bill.GetFieldValue(keys.kfPeriod, row).ToNumber();
        data.periodDate = bill.GetFieldValue(keys.periodDate, row).ToString();
        data.compareAux = compareAux && !IsFieldLocked(bill, keys.aux, row);
        data.compareKFDate = !IsFieldLocked(bill, keys.kfDate, row);
        data.compareKFPeriod = !IsFieldLocked(bill, keys.kfPeriod, row);
        data.comparePeriodDate = !IsFieldLocked(bill, keys.periodDate, row);
        return CompareBatchRow(records, data);
    });
}

// ---- Row services ---------------------------------------------------------------------------

namespace {

struct InventoryBatch {
    Value kfDate, kfPeriod, periodDate;
};

// The stock record of an item's batch, one in the given stock first; with aux set only records
// of that auxiliary property.
std::optional<InventoryBatch> ReadInventoryBatch(const std::string& item, const std::string& batch,
                                                 const std::string& stock,
                                                 const std::optional<std::string>& aux) {
    std::string sql =
        "select top 1 FKFDate,FKFPeriod,FPeriodDate from T_CC_Inventory where "
        "FItemID=" +
        item + " and FBatchNo = " + SqlValue(batch);
    if (aux) sql += " and FAuxPropID=" + *aux;
    if (stock != "0") sql += " order by case when FStockID=" + stock + " then 0 else 1 end";
    auto rs = GetRecordset(sql);
    if (!rs || rs->IsEOF()) return std::nullopt;
    return InventoryBatch{rs->Field("FKFDate"), rs->Field("FKFPeriod"), rs->Field("FPeriodDate")};
}

// Shelf-life days as a whole number for a numeric field (an absurd value is held in range).
Value WholeDays(const Value& v) {
    return Value(static_cast<long long>(std::llround(std::clamp(v.ToNumber(), -1e9, 1e9))));
}

void WriteInventoryDates(IBillForm& bill, int row, const BatchRowKeys& keys,
                         const InventoryBatch& inv) {
    bill.SetFieldValue(keys.kfDate, FormatKFDate(inv.kfDate), row);
    bill.SetFieldValue(keys.kfPeriod, WholeDays(inv.kfPeriod), row);
    bill.SetFieldValue(keys.periodDate, FormatKFDate(inv.periodDate), row);
}

// The row's item and batch when it has both.
struct RowBatch {
    std::string item, batch, stock;
};
std::optional<RowBatch> ReadRowBatch(IBillForm& bill, int row, const BatchRowKeys& keys) {
    RowBatch b{IdText(bill.GetFieldValue(keys.item, row)),
               Text(bill.GetFieldValue(keys.batch, row)),
               keys.stock.empty() ? "0" : IdText(bill.GetFieldValue(keys.stock, row))};
    if (b.item == "0" || b.batch.empty()) return std::nullopt;
    return b;
}

}  // namespace

void FillRowBatchInfo(IBillForm& bill, int row, const BatchRowKeys& keys) {
    if (row < 1) return;
    Trapped("FillRowBatchInfo", [&] {
        auto b = ReadRowBatch(bill, row, keys);
        if (!b) return;
        // The dates a batch was recorded with; the shelf life is the item's.
        auto inv = ReadInventoryBatch(b->item, b->batch, b->stock, std::nullopt);
        bill.SetFieldValue(keys.kfDate, inv ? FormatKFDate(inv->kfDate) : "", row);
        bill.SetFieldValue(keys.periodDate, inv ? FormatKFDate(inv->periodDate) : "", row);
        Value period = ReadItemColumn("select FKFPeriod from t_ICItem where FItemID=",
                                      bill.GetFieldValue(keys.item, row));
        if (!period.IsBlank()) bill.SetFieldValue(keys.kfPeriod, WholeDays(period), row);
    });
}

namespace {

// The form's answer by main-set key, and the row key it is written to.
struct StockNumberItem {
    const char* answerKey;
    std::string BatchRowKeys::*rowKey;
    bool date;
};
constexpr StockNumberItem kStockNumberItems[] = {
    {"FBatchNo", &BatchRowKeys::batch, false},
    {"FKFDate", &BatchRowKeys::kfDate, true},
    {"FKFPeriod", &BatchRowKeys::kfPeriod, false},
    {"FPeriodDate", &BatchRowKeys::periodDate, true},
    {"FQty", &BatchRowKeys::qty, false},
    {"FBatchNoIndex", &BatchRowKeys::batchIndex, false},
    {"FCoefficient", &BatchRowKeys::coefficient, false},
};

}  // namespace

void FillRowStockNumber(IBillForm& bill, int row, const BatchRowKeys& keys) {
    if (row < 1) return;
    Trapped("FillRowStockNumber", [&] {
        auto b = ReadRowBatch(bill, row, keys);
        if (!b) return;
        const Value aux = bill.GetFieldValue(keys.aux, row);
        if (ControlPtr service = bill.Control("StockNumber")) {
            std::vector<Value> args = {row, SafeId(bill.GetFieldValue(keys.item, row)),
                                       SafeId(Value(b->stock)), SafeId(aux), b->batch};
            auto answer = service->Call("StockNumber", args).As<Collection>();
            if (!answer) return;
            for (const auto& item : kStockNumberItems) {
                const std::string& key = keys.*(item.rowKey);
                if (key.empty() || !answer->Exists(item.answerKey)) continue;
                const Value v = answer->Get(item.answerKey);
                // The dates, the child rows' expiry date among them, are written as dates.
                bill.SetFieldValue(key, item.date ? Value(FormatKFDate(v)) : v, row);
            }
            return;
        }
        if (auto inv = ReadInventoryBatch(b->item, b->batch, b->stock, IdText(aux))) {
            WriteInventoryDates(bill, row, keys, *inv);
        }
    });
}

namespace {

// The serial part of a batch number made by the rule: the digits after the prefix; nullopt when
// the number does not start with the prefix or has anything but digits after it.
std::optional<unsigned long long> SerialAfterPrefix(const std::string& batch,
                                                    const std::string& prefix) {
    if (batch.size() <= prefix.size() || batch.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    std::string digits = batch.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 18) return std::nullopt;  // beyond any serial a rule gives
    return digits.empty() ? 0ULL : std::stoull(digits);
}

}  // namespace

void AutoGenBatchNo(IBillForm& bill, int row, const FieldSet& set) {
    if (row < 1) return;
    const BatchRowKeys keys = BatchRowKeys::Of(set);
    Trapped("AutoGenBatchNo", [&] {
        if (IsFieldLocked(bill, keys.batch, row)) return;
        Value dateValue = bill.GetFieldValue("FDate");
        std::string date = FormatKFDate(dateValue);
        if (date.empty()) date = Text(dateValue);
        Value itemValue = bill.GetFieldValue(keys.item, row);
        int32_t item = SafeId(itemValue);
        if (item == 0) return;
        if (!ReadItemColumn("Select FAutoGenBatchNo From t_ICItem Where FItemID = ", itemValue)
                 .ToBool())
            return;

        auto rule = CreateHostObject<IComponent>("QORMBatchNoRule.clsBatchNoRule");
        Value answer = rule->Call("GetBatchNo", {GetPropsString(), date, item});
        auto info = answer.As<Collection>();
        if (!info) return;
        std::string prefix = info->Get("Prefix").ToString();
        double cur = info->Get("CurSerial").ToNumber();
        double len = info->Get("SerialLen").ToNumber();

        // The rule's serial counts saved bills only: numbers already given on this bill's
        // other rows of the item are stepped over.
        unsigned long long next = (std::isfinite(cur) && cur >= 1 && cur < 1e18)
                                      ? static_cast<unsigned long long>(cur)
                                      : 1ULL;
        int rows = bill.GridMaxDataRowNum(keys.page);
        for (int r = 1; r <= rows; ++r) {
            if (r == row || SafeId(bill.GetFieldValue(keys.item, r)) != item) continue;
            auto used = SerialAfterPrefix(Text(bill.GetFieldValue(keys.batch, r)), prefix);
            if (used && *used >= next) next = *used + 1;
        }
        std::string serial = std::to_string(next);
        size_t width = (std::isfinite(len) && len > 0 && len < 64) ? static_cast<size_t>(len) : 0;
        if (serial.size() < width) serial.insert(0, width - serial.size(), '0');
        bill.SetFieldValue(keys.batch, prefix + serial, row);
    });
}

std::vector<CollectionPtr> GatherBatchRows(IBillForm& bill, const BatchRowKeys& keys) {
    using Rows = std::vector<CollectionPtr>;
    return Trapped("GatherBatchRows", Rows(), [&] {
        Rows rows;
        int n = bill.GridMaxDataRowNum(keys.page);
        for (int r = 1; r <= n; ++r) {
            Value item = bill.GetFieldValue(keys.item, r);
            if (SafeId(item) == 0) continue;
            rows.push_back(Collection::Make({
                {"FItemID", item},
                {"FBatchNo", bill.GetFieldValue(keys.batch, r)},
                {"FKFDate", bill.GetFieldValue(keys.kfDate, r)},
                {"FKFPeriod", bill.GetFieldValue(keys.kfPeriod, r)},
                {"FPeriodDate", bill.GetFieldValue(keys.periodDate, r)},
                {"FAuxPropID", bill.GetFieldValue(keys.aux, r)},
                {"FRow", r},
            }));
        }
        return rows;
    });
}

namespace {

// A date of a batch row for comparison: its "YYYY-MM-DD" form, or the trimmed text when it is
// no date (two equal broken texts agree, a broken text never equals a date).
std::string ComparableDate(const Value& v) {
    auto d = ReadKFDate(v);
    if (d) return FormatDate(*d);
    std::string t = Text(v);
    if (DateFieldBlank(v)) return "";
    return "?" + t;
}

}  // namespace

bool FindBatchRowConflict(const std::vector<CollectionPtr>& rows, bool withAux) {
    if (rows.size() < 2) return false;
    return Trapped("FindBatchRowConflict", false, [&] {
        std::map<std::pair<int32_t, std::string>, CollectionPtr> firstOfBatch;
        std::map<int32_t, bool> trackOf;  // costing method by batch, read once per item
        for (const auto& rec : rows) {
            if (!rec) continue;
            int32_t item = SafeId(rec->Get("FItemID"));
            std::string batch = UpperTrim(rec->Get("FBatchNo").ToString());
            if (item == 0 || batch.empty()) continue;
            auto [it, inserted] = firstOfBatch.try_emplace({item, batch}, rec);
            if (inserted) continue;
            const CollectionPtr& first = it->second;
            if (ComparableDate(first->Get("FKFDate")) != ComparableDate(rec->Get("FKFDate")) ||
                ComparableDate(first->Get("FPeriodDate")) !=
                    ComparableDate(rec->Get("FPeriodDate")) ||
                first->Get("FKFPeriod").ToNumber() != rec->Get("FKFPeriod").ToNumber()) {
                return true;
            }
            if (withAux) {
                auto t = trackOf.find(item);
                if (t == trackOf.end()) t = trackOf.emplace(item, GetItemTrack(item)).first;
                if (t->second &&
                    first->Get("FAuxPropID").ToNumber() != rec->Get("FAuxPropID").ToNumber()) {
                    return true;
                }
            }
        }
        return false;
    });
}

void LockRowsBySource(IBillForm& bill, int row, const std::string& itemKey,
                      const std::string& batchKey, bool lockUntracked, bool keepSourceRows) {
    Trapped("LockRowsBySource", [&] {
        Value typeValue = bill.GetFieldValue("FBillTypeID");
        long billType = typeValue.IsBlank() ? -1 : std::lround(typeValue.ToNumber());
        int first = row >= 1 ? row : 1;
        int last = row >= 1 ? row : bill.GridMaxDataRowNum();
        std::map<int32_t, bool> answerOf;  // per item: track (type 0) or batch managed
        for (int r = first; r <= last; ++r) {
            Value itemValue = bill.GetFieldValue(itemKey, r);
            int32_t item = SafeId(itemValue);
            if (item == 0) continue;
            if (billType == 0 && lockUntracked) {
                auto a = answerOf.find(item);
                if (a == answerOf.end()) a = answerOf.emplace(item, GetItemTrack(item)).first;
                if (!a->second) LockEntryCell(bill, batchKey, true, false, 0, r);
                continue;
            }
            // Every other bill type: a copied row keeps what its source gave it; a row the
            // user entered gets an editable batch cell for a batch-managed item.
            Value source = bill.GetFieldValue("FID_SRC", r);
            bool fromSource = !source.IsBlank() && source.ToNumber() != 0;
            if (fromSource && keepSourceRows) continue;
            auto a = answerOf.find(item);
            if (a == answerOf.end()) {
                a = answerOf.emplace(item, IsBatchManagedByItemInfo(item)).first;
            }
            if (a->second) LockEntryCell(bill, batchKey, false, false, 0, r);
        }
    });
}

}  // namespace qor
