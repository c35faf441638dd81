// The save validation of the sales-side stock bills, step by step. Per-row reads of an item's
// flags come from the event's cache; the checks over all rows (purchase sources, source
// quantities) are one statement per 100 rows, not one per row.
#include "bills/common/sales_checks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "bills/common/entry_rows.h"
#include "bills/common/list_selection.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/related_bills.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

std::optional<Date> HeaderDate(IBillForm& bill, const char* key) {
    return ReadKFDate(bill.GetFieldValue(key));
}

double Header(IBillForm& bill, const char* key) {
    return bill.GetFieldValue(key).ToNumber();
}

double Total(IBillForm& bill, const std::string& key) {
    return RoundToDigits(bill.ColumnTotal(bill.GetFieldInfoByKey(key)), 2);
}

bool HasItem(IBillForm& bill, int row, const FieldSet& fs) {
    return SafeId(bill.GetFieldValue(fs["FItemID"], row)) > 0;
}

ComponentPtr StockComponent() {
    return CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
}

}  // namespace

// ---- Dates
// ---------------------------------------------------------------------------------------

Verdict DatedFromStartPeriod(IBillForm& bill, bool cursor) {
    const auto date = HeaderDate(bill, "FDate");
    if (!date || FormatDate(*date) >= FormatDate(GetInitStartDate())) return Verdict::Pass();
    Verdict refusal = Verdict::Refuse("单据日期不能小于账套启用期间的第一天。");
    if (cursor) refusal.At("FDate");
    return refusal;
}

Verdict DatedInCurrentPeriod(IBillForm& bill) {
    auto rs = OpenRecordset(JoinLines({
        "SELECT FStartDate FROM t_PeriodDate WHERE  FYear =(SELECT CONVERT(INT, FValue) FROM "
        "t_SystemProfile WHERE FCategory = 'IC' AND FKey = 'CurrentYear' ) AND ",
        " FPeriod =(SELECT CONVERT(INT, FValue) FROM t_SystemProfile WHERE FCategory = 'IC' AND "
        "FKey = 'CurrentPeriod') ",
    }));
    if (!rs || rs->IsEOF()) return Verdict::Pass();
    const auto start = ReadKFDate(rs->Field("FStartDate"));
    const auto date = HeaderDate(bill, "FDate");
    if (!start || !date || FormatDate(*date) >= FormatDate(*start)) return Verdict::Pass();
    return Verdict::Refuse("不能录入以前期间的单据");
}

// ---- Rows
// ----------------------------------------------------------------------------------------

bool AllowsRateOver100() {
    return Trim(GetSystemProfileValue("AllowDiscountRateOver100", "IC", "0")) != "0";
}

Verdict DiscountRateAllowed(IBillForm& bill, int row, bool over100, const DiscountRateTexts& texts,
                            const FieldSet& fs) {
    const double rate = bill.GetFieldValue(fs["FDiscountRate"], row).ToNumber();
    if (rate > 0 && (over100 || rate <= 100)) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + (over100 ? texts.positive : texts.inRange))
        .At(fs["FDiscountRate"], row);
}

Verdict AuxPropEntered(IBillForm& bill, int row, const FieldSet& fs) {
    if (IsFieldLocked(bill, fs["FAuxPropID"], row) ||
        SafeId(bill.GetFieldValue(fs["FAuxPropID"], row)) != 0 ||
        !IsAuxItem(bill.GetFieldValue(fs["FItemID"], row)))
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品需要录入辅助属性").At(fs["FAuxPropID"], row);
}

Verdict ShelfLifeComplete(IBillForm& bill, int row, const FieldSet& fs) {
    if (!IsKFPeriodItem(bill.GetFieldValue(fs["FItemID"], row))) return Verdict::Pass();
    return CheckKFFieldsFilled(bill, row, fs);
}

const std::vector<BatchKFRecord>& BatchStockCache::Of(const Value& item, const std::string& batch,
                                                      const Value& stock) {
    const auto key = std::make_tuple(SafeId(item), Upper(batch), SafeId(stock));
    auto it = read_.find(key);
    if (it == read_.end()) it = read_.emplace(key, GetBatchKFInfo(bill_, item, batch, stock)).first;
    return it->second;
}

// ---- Freight, printing
// -----------------------------------------------------------------------------

Verdict FreightAddsUp(IBillForm& bill, const char* appType1Key) {
    if (!IsIndustryMode()) return Verdict::Pass();
    const double rows = bill.ColumnTotal(bill.GetFieldInfoByKey("FTranspotationCharges"));
    const double header = bill.GetFieldValue("FTranspotationCosts").ToNumber();
    if (RoundDecimal(rows - header, 4) == 0) return Verdict::Pass();
    if (GetAppType() != 1) return Verdict::Refuse("表头我方支付运杂费数据与表体运杂费合计不等于！");
    bill.SetFieldValue(appType1Key, rows);
    return Verdict::Pass();
}

void AddLastSaveChecks(RuleBook& b, const char* freightTotalKey, CheckRule stockSuffices) {
    b.Check(Stage::Save, "the rows' freight adds up to the header's",
            [freightTotalKey](CheckRun& run) { return FreightAddsUp(*run.bill, freightTotalKey); })
        .Check(Stage::Save, "every calculation-type row has its type",
               [](CheckRun& run) {
                   return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
               })
        .Check(Stage::Save, "the stock suffices", std::move(stockSuffices))
        .Check(Stage::Save, "serial numbers as many as the quantities",
               [](CheckRun& run) { return CheckBillSerialNumCount(*run.bill); });
}

Verdict SavedBeforePrinting(IBillForm& bill) {
    const std::string option = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory='IC' And FKey='SaveBeforePrint'");
    if (Val(option) != 1) return Verdict::Pass();
    auto form = bill.BillForm();
    if (!form || !form->SaveBill()) return Verdict::Silent();
    return Verdict::Pass();
}

// ---- The host's stock component
// --------------------------------------------------------------------

CollectionPtr StockRequest(IBillForm& bill, int32_t classType, bool withAmount, bool withRows) {
    auto request = Collection::Make({{"ClassTypeID", classType},
                                     {"BillInterID", bill.CurBillID()},
                                     {"HeadTableName", "t_CC_StockBill"},
                                     {"BillNo", bill.GetFieldValue("FBillNo")},
                                     {"CustOrSupplyID", bill.GetFieldValue("FCustID")},
                                     {"BillType", bill.GetFieldValue("FBillTypeID")}});
    if (withAmount) request->Set("AllAmount", bill.GetFieldValue("FAllAmount"));
    if (!withRows) return request;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r, FieldSet::Main())) continue;
        auto line = Collection::Make();
        for (const char* key : {"FItemID", "FBatchNo", "FAuxPropID", "FSCStockID", "FKFPeriod",
                                "FKFDate", "FPeriodDate", "FQty", "FSecQty", "FSecPrice", "FPrice",
                                "FCoefficient", "FBatchNoIndex"})
            line->Set(key, bill.GetFieldValue(key, r));
        line->Set("ClassTypeID", classType);
        line->Set("FIndex", r);
        request->Set("Row" + std::to_string(r), Value(line));
    }
    return request;
}

Verdict CheckStockBeforeSave(IBillForm& bill, int32_t classType, StockWarning warning) {
    ComponentPtr stock;
    try {
        stock = StockComponent();
    } catch (const std::exception&) {
        // Not checked is not enough stock: a bill whose stock could not be asked is not saved.
        return Verdict::Refuse("库存检查组件不可用，不能保存。");
    }
    Args args{Value(GetPropsString()), Value("SAVE"),
              Value(StockRequest(bill, classType, false, true)), Value("")};
    const int result = SafeId(stock->Call("CheckItemStockNum", args));
    const std::string message = Trim(args.back().ToString());
    if (result == -1) {
        if (message.empty()) return Verdict::Pass();
        if (warning == StockWarning::Inform) {
            ShowMessage(message, kMsgInformation, kMsgCaption);
            return Verdict::Pass();
        }
        return ShowMessage(message, kMsgYesNo + kMsgInformation, kMsgCaption) == kAnswerYes
                   ? Verdict::Pass()
                   : Verdict::Silent();
    }
    if (result != 3) return Verdict::Pass();
    return message.empty() ? Verdict::Silent() : Verdict::Refuse(message);
}

// ---- Header
// --------------------------------------------------------------------------------------

Verdict SettleDateNotBeforeBillDate(IBillForm& bill) {
    const auto settle = HeaderDate(bill, "FSettleLimitDate");
    const auto date = HeaderDate(bill, "FDate");
    if (!settle || !date || FormatDate(*settle) >= FormatDate(*date)) return Verdict::Pass();
    return Verdict::Refuse("收款日期不能小于单据日期").At("FSettleLimitDate");
}

Verdict SettleAccountGiven(IBillForm& bill) {
    if (Header(bill, "FCurPayAmount") == 0 || SafeId(bill.GetFieldValue("FAcctNo")) != 0 ||
        bill.GetFieldValue("FMultiAccount").ToNumber() != 0)
        return Verdict::Pass();
    return Verdict::Refuse("结算账户不能为空").At("FAcctNo");
}

// ---- Every goods row
// -----------------------------------------------------------------------------

namespace {

// What a purchase source entry leaves to deliver and what other sales bills took of it.
struct PurchaseSource {
    double delivered = 0;  // base units, by other sales bills' rows
    double open = 0;       // base units still open on the purchase entry
};

// One statement per 100 rows drawn from purchase bills: per row, what the other sales bills
// delivered of its source entry and what the entry leaves open.
std::map<int, PurchaseSource> ReadPurchaseSources(IBillForm& bill, const FieldSet& fs) {
    std::vector<int> rows;
    const int count = GetEntryRowCount(bill);
    for (int r = 1; r <= count; ++r) {
        if (HasItem(bill, r, fs) &&
            SafeId(bill.GetFieldValue(fs["FClassID_SRC"], r)) == ct::kPurchaseBill &&
            SafeId(bill.GetFieldValue(fs["FID_SRC"], r)) > 0)
            rows.push_back(r);
    }
    std::map<int, PurchaseSource> found;
    InChunks(rows, [&](const std::vector<int>& chunk) {
        std::string sql;
        for (int r : chunk) {
            const std::string id = SqlId(bill.GetFieldValue(fs["FID_SRC"], r));
            const std::string entry = SqlId(bill.GetFieldValue(fs["FEntryID_SRC"], r));
            if (!sql.empty()) sql += std::string(kCrLf) + " Union All ";
            sql += "Select " + std::to_string(r) +
                   " as FRow,(select isnull(sum(FQty),0) from t_cc_stockbill a inner join "
                   "t_cc_stockbillentry b on a.fid=b.fid" +
                   kCrLf +
                   "where a.FClassTypeID=1030002 And (a.FBillTypeID=3001 OR a.FBillTypeID=3003) "
                   "and b.FID_SRC= " +
                   id + kCrLf + "and b.FClassID_SRC=1020002 and b.FEntryID_SRC=" + entry +
                   " AND b.FEntryID <> " + SqlId(bill.GetFieldValue(fs["FEntryID"], r)) +
                   ") as FDone,(select isnull((max(u1.FUnRejectQty*u1.FQty/u1.FShowQty) ), 0) " +
                   kCrLf +
                   "from t_CC_StockBill v1 Inner Join t_CC_StockBillEntry u1 On v1.FID=u1.FID " +
                   kCrLf + "where v1.FClassTypeID=1020002 and v1.FID=" + id + kCrLf +
                   "and u1.FEntryID=" + entry + ") as FOpen";
        }
        auto rs = OpenRecordset(sql);
        // A read that failed leaves nothing open: the rows are refused rather than passed.
        for (; rs && !rs->IsEOF(); rs->MoveNext())
            found[SafeId(rs->Field("FRow"))] = {rs->Field("FDone").ToNumber(),
                                                rs->Field("FOpen").ToNumber()};
        return true;
    });
    for (int r : rows) found.try_emplace(r);
    return found;
}

// What the row checks share.
struct SaleRowChecking {
    IBillForm& bill;
    const FieldSet& fs;
    SaleRowSteps steps;
    bool over100 = false;
    bool expiredNotSold = false;
    std::optional<Date> billDate;
    std::map<int, PurchaseSource> purchases;
    BatchStockCache batches{bill};

    Value Get(const char* key, int row) const { return bill.GetFieldValue(fs[key], row); }
};

Verdict RateOfRow(SaleRowChecking& c, int row) {
    return DiscountRateAllowed(c.bill, row, c.over100, kValidationRateTexts, c.fs);
}

Verdict ShelfLifeOfRow(SaleRowChecking& c, int row) {
    return ShelfLifeComplete(c.bill, row, c.fs);
}

Verdict AuxPropOfRow(SaleRowChecking& c, int row) {
    return AuxPropEntered(c.bill, row, c.fs);
}

Verdict BatchOfRow(SaleRowChecking& c, int row) {
    if (!Trim(c.Get("FBatchNo", row).ToString()).empty() ||
        !IsBatchManagerItem(c.Get("FItemID", row)))
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品需要录入批号").At(c.fs["FBatchNo"], row);
}

// A batch stock knows carries the same data on the row: the cells the user cannot change take
// stock's data again, the others must agree with it.
Verdict BatchAgreesWithStock(SaleRowChecking& c, int row) {
    IBillForm& bill = c.bill;
    const FieldSet& fs = c.fs;
    const Value item = c.Get("FItemID", row);
    const std::string batch = Trim(c.Get("FBatchNo", row).ToString());
    if (batch.empty() || !IsBatchManagerItem(item)) return Verdict::Pass();
    const auto& records = c.batches.Of(item, batch, c.Get("FSCStockID", row));
    if (records.empty()) return Verdict::Pass();
    const BatchRowData data = RowBatchData(bill, row, IsAuxItem(item), fs);
    const BatchCompareResult result = CompareBatchRow(records, data);
    const BatchKFRecord& stock = result.recorded;
    if (result.match != BatchMatch::NotFound) {
        if (!data.compareKFDate) bill.SetFieldValue(fs["FKFDate"], stock.kfDate, row);
        if (!data.compareKFPeriod) bill.SetFieldValue(fs["FKFPeriod"], stock.kfPeriod, row);
        if (!data.comparePeriodDate) bill.SetFieldValue(fs["FPeriodDate"], stock.periodDate, row);
    }
    if (result.match == BatchMatch::Same || result.match == BatchMatch::NotFound)
        return Verdict::Pass();
    return Verdict::Refuse("批号为" + batch + "的" + RowText(row) + "行商品," +
                           (result.match == BatchMatch::AuxDiffers
                                ? "与库存中同批号商品的辅助属性、生产日期、保质期或有效期至不同。"
                                : "与库存中同批号商品的生产日期、保质期或有效期至不同。"))
        .At(fs["FBatchNo"], row);
}

Verdict NotExpired(SaleRowChecking& c, int row) {
    if (!c.expiredNotSold || !c.billDate) return Verdict::Pass();
    const auto expiry = ReadKFDate(c.Get("FPeriodDate", row));
    if (!expiry || FormatDate(*expiry) >= FormatDate(*c.billDate)) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行有效期至已经超过期限，不能销售。")
        .At(c.fs["FPeriodDate"], row);
}

// A saved row is open for returns in full.
Verdict OpenForReturns(SaleRowChecking& c, int row) {
    c.bill.SetFieldValue(c.fs["FUnRejectQty"], c.Get("FShowQty", row), row);
    c.bill.SetFieldValue(c.fs["FUnRejectAuxQty"], c.Get("FSecQty", row), row);
    DoFieldAction(c.bill, c.fs["FUnRejectQty"], row);
    return Verdict::Pass();
}

Verdict WithinPurchaseSource(SaleRowChecking& c, int row) {
    auto it = c.purchases.find(row);
    if (it == c.purchases.end()) return Verdict::Pass();
    const double qty = c.Get("FQty", row).ToNumber();
    if (std::isfinite(qty) && it->second.delivered + qty <= it->second.open + 0.000001)
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行数量已经超过源单未下推基本单位总数量【" +
                           NumberToText(it->second.open) + "】，不能销售。")
        .At(c.fs["FShowQty"], row);
}

struct SaleRowCheck {
    const char* name;
    Verdict (*rule)(SaleRowChecking&, int row);
};

// Every goods row, in this order.
constexpr SaleRowCheck kSaleRowChecks[] = {
    {"the discount rate is allowed", &RateOfRow},
    {"the shelf life is complete", &ShelfLifeOfRow},
    {"the auxiliary property is entered", &AuxPropOfRow},
    {"the batch is entered", &BatchOfRow},
    {"the batch agrees with stock", &BatchAgreesWithStock},
    {"the goods are not past their expiry date", &NotExpired},
    {"the row is open for returns", &OpenForReturns},
    {"within the open quantity of the purchase source", &WithinPurchaseSource},
};

}  // namespace

Verdict EverySaleRowValid(IBillForm& bill, const FieldSet& fs, const SaleRowSteps& steps) {
    SaleRowChecking c{bill, fs, steps, false, false, std::nullopt, {}};
    c.over100 = steps.rateOver100Option && AllowsRateOver100();
    c.expiredNotSold =
        steps.expiry && Val(GetSystemProfileValue("IsPeriodDateExpireNotSale", "IC", "0")) != 0;
    c.billDate = HeaderDate(bill, "FDate");
    if (steps.purchaseSources) c.purchases = ReadPurchaseSources(bill, fs);
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (!HasItem(bill, row, fs)) continue;
        for (const SaleRowCheck& check : kSaleRowChecks) {
            if (Verdict v = check.rule(c, row); v.Refused()) return v;
        }
    }
    return Verdict::Pass();
}

Verdict SameBatchSameData(IBillForm& bill, const FieldSet& fs) {
    if (!FindBatchRowConflict(GatherBatchRows(bill, BatchRowKeys::Of(fs)), false))
        return Verdict::Pass();
    return Verdict::Refuse(GetAppType() == 1
                               ? "同一批号商品的生产日期、保质期、有效期至必须完全一致。"
                               : "同一批号商品的生产日期、保质期、有效期至必须完全一致");
}

// ---- Source quantities
// ---------------------------------------------------------------------------

namespace {

// The rows drawn from one source entry: their quantity in base units and the first of them.
struct SourceUse {
    int32_t sourceClass = 0;
    int32_t bill = 0;
    int32_t entry = 0;
    double qty = 0;
    int firstRow = 0;
};

bool FromOrder(const SourceUse& u) {
    return u.sourceClass == ct::kSalesOrder;
}

// Rows drawn from sales orders and from the sales-side stock bills (purchase sources are checked
// row by row against their base quantity).
std::vector<SourceUse> SourcesUsed(IBillForm& bill, const FieldSet& fs) {
    std::vector<SourceUse> used;
    std::map<std::tuple<int32_t, int32_t, int32_t>, size_t> index;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t source = SafeId(bill.GetFieldValue(fs["FID_SRC"], r));
        const int32_t sourceClass = SafeId(bill.GetFieldValue(fs["FClassID_SRC"], r));
        if (source <= 0 || !HasItem(bill, r, fs)) continue;
        if (sourceClass != ct::kSalesOrder && sourceClass != ct::kSalesBill &&
            sourceClass != ct::kConsignBill)
            continue;
        const int32_t entry = SafeId(bill.GetFieldValue(fs["FEntryID_SRC"], r));
        const double qty = bill.GetFieldValue(fs["FShowQty"], r).ToNumber() *
                           bill.GetFieldValue(fs["FCoefficient"], r).ToNumber();
        auto [it, added] = index.try_emplace({sourceClass, source, entry}, used.size());
        if (added) used.push_back({sourceClass, source, entry, 0, r});
        used[it->second].qty += qty;
    }
    return used;
}

// The part of one source entry: its row comes back when the rows draw more than it leaves open
// (ErrType 1) or it is dated after the bill (ErrType 2). What the entry leaves open is its stored
// open quantity, which checking a bill writes back, less what the other sales bills not yet
// checked draw from it; an entry deleted meanwhile leaves nothing open.
std::string SourcePart(const SourceUse& u, int32_t billID, const std::string& date) {
    // A consignment delivery is open for settlement by what is not yet settled.
    const std::string openColumn = FromOrder(u)                        ? "e.FUnSendQty"
                                   : u.sourceClass == ct::kConsignBill ? "e.FUnSettleQty"
                                                                       : "e.FUnRejectQty";
    const std::string head = FromOrder(u) ? "t_XS_Order" : "t_CC_StockBill";
    const std::string rows = FromOrder(u) ? "t_XS_OrderEntry" : "t_CC_StockBillEntry";
    const std::string coefficient = "isnull(nullif(e.FCoefficient,0),1)";
    const std::string drawn =
        "isnull((Select Sum(c.FShowQty*c.FCoefficient) From (Select FID,FEntryID_SRC,"
        "SUM(FShowQty) FShowQty,FCoefficient From t_CC_StockBillEntry Where FID_SRC=" +
        SqlId(u.bill) + " And FClassID_SRC=" + std::to_string(u.sourceClass) +
        " And FEntryID_SRC=" + SqlId(u.entry) +
        " Group By FID,FEntryID_SRC,FCoefficient) c Inner Join t_CC_StockBill a On a.FID=c.FID "
        "Where a.FClassTypeID=1030002 And a.FStatus=0 And a.FID<>" +
        SqlId(billID) + "),0)";
    const std::string open = "(isnull(" + openColumn + ",0)-" + drawn + "/" + coefficient + ")";
    const std::string qty = NumberToText(u.qty) + "/" + coefficient;
    return std::string(kCrLf) + " Union Select '" + std::to_string(u.firstRow) +
           "' as EntryID,it.FNumber,it.FQtyDecimal," + open + " as FSrcQty," + qty +
           " as FShowQty,Case When " + open + "+0.000001<" + qty +
           " Then 1 Else 2 End as ErrType,isnull(e.FEntryID,0) as FEntryID " + kCrLf +
           " From (Select " + SqlId(u.entry) + " As FKeyEntry) k Left Join " + rows +
           " e ON e.FID=" + SqlId(u.bill) + " And e.FEntryID=k.FKeyEntry Left Join " + head +
           " t ON t.FID=e.FID Left Join t_ICItem it On it.FItemID=e.FItemID" + kCrLf + " Where (" +
           open + "+0.000001<" + qty + " OR t.FDate>" + SqlValue(date) + ")";
}

struct SourceConflict {
    int row = 0;
    int kind = 0;  // 1 quantity, 2 date
    bool fromOrder = false;
    std::string line;
};

}  // namespace

Verdict WithinSaleSourceQuantities(IBillForm& bill, const FieldSet& fs) {
    const std::vector<SourceUse> used = SourcesUsed(bill, fs);
    if (used.empty()) return Verdict::Pass();
    const auto date = HeaderDate(bill, "FDate");
    const std::string day = date ? FormatDate(*date) : Trim(bill.GetFieldValue("FDate").ToString());
    std::vector<SourceConflict> conflicts;
    InChunks(used, [&](const std::vector<SourceUse>& chunk) {
        std::string sql =
            "Select ''EntryID,''FNumber,0 FQtyDecimal,0 FSrcQty,0 FShowQty,0 ErrType,0 FEntryID "
            "From t_CC_StockBillEntry Where 1=2 ";
        for (const auto& u : chunk) sql += SourcePart(u, bill.CurBillID(), day);
        for (auto rs = OpenRecordset(sql); rs && !rs->IsEOF(); rs->MoveNext()) {
            SourceConflict c;
            c.row = SafeId(Value(Val(rs->Field("EntryID").ToString())));
            c.kind = SafeId(rs->Field("ErrType"));
            for (const auto& u : chunk)
                if (u.firstRow == c.row) c.fromOrder = FromOrder(u);
            const int digits = SafeId(rs->Field("FQtyDecimal"));
            c.line =
                "行号[" + std::to_string(c.row) + "]商品" + rs->Field("FNumber").ToString() +
                "数量合计" + NumberToText(RoundToDigits(rs->Field("FShowQty").ToNumber(), digits)) +
                ",源单数量" + NumberToText(RoundToDigits(rs->Field("FSrcQty").ToNumber(), digits));
            conflicts.push_back(c);
        }
        return true;
    });
    // A quantity too large to be written is more than any source leaves open.
    for (const auto& u : used) {
        if (!std::isfinite(u.qty))
            conflicts.push_back({u.firstRow, 1, FromOrder(u),
                                 "行号[" + std::to_string(u.firstRow) + "]商品数量合计无效"});
    }
    if (conflicts.empty()) return Verdict::Pass();
    std::sort(conflicts.begin(), conflicts.end(),
              [](const auto& a, const auto& b) { return a.row < b.row; });
    for (const auto& c : conflicts) {
        if (c.kind == 2) return Verdict::Refuse("单据日期不能小于分录源单日期").At("FDate");
    }
    std::string lines;
    bool stockBills = false;
    for (const auto& c : conflicts) {
        lines += (lines.empty() ? "" : kCrLf) + c.line;
        stockBills = stockBills || !c.fromOrder;
    }
    const int first = conflicts.front().row;
    if (stockBills) {
        const bool settles = bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kConsignSettle;
        return Verdict::Refuse(lines + kCrLf + "存在数量大于源单未" + (settles ? "结算" : "退货") +
                               "数量的商品,不能保存")
            .At(fs["FShowQty"], first);
    }
    if (ShowMessage(lines + kCrLf + "存在出库数量超过订单未执行数量的商品" + kCrLf + "是否继续?",
                    kMsgYesNo + kMsgInformation, kMsgCaption) == kAnswerYes)
        return Verdict::Pass();
    return Verdict::Silent().At(fs["FShowQty"], first);
}

// ---- Money
// ---------------------------------------------------------------------------------------

Verdict PrepaidSourcesTold(IBillForm& bill) {
    if (bill.GetFieldValue("FBillTypeID").ToNumber() != bt::kReturn) return Verdict::Pass();
    std::string ids;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (SafeId(bill.GetFieldValue("FClassID_SRC", r)) != ct::kSalesBill) continue;
        const int32_t id = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (id > 0) ids += (ids.empty() ? "" : ",") + std::to_string(id);
    }
    if (ids.empty()) return Verdict::Pass();
    const Value offset = FirstField(OpenRecordset(
        "select count(*) from (select count(*) frowcount from t_CC_StockBill s inner join "
        "ICCheckInfo i on i.FClassTypeID=s.FClassTypeID and i.FInterID=s.FID where s.FID in (" +
        ids +
        ")) ttt, (select count(*) frowcount from ICCheckInfo i inner join t_RP_RBill r on "
        "r.FID=i.FRBillID where i.FClassTypeID=1030002 and i.FInterID in (" +
        ids + ")) sss where ttt.frowcount > 0 and sss.frowcount > 0"));
    if (offset.ToNumber() > 0)
        ShowMessage("退货单关联的源单有冲抵预收的情况，销售单上冲抵的预收金额将转为应收的负数。");
    return Verdict::Pass();
}

Verdict TotalNotBelowZero(IBillForm& bill, const FieldSet& fs) {
    if (Total(bill, fs["FInTaxAmount"]) >= 0) return Verdict::Pass();
    return Verdict::Refuse("总金额不能小于零,请修改");
}

// The bill's total is FAllAmount; what is settled now (FCurCheckAmount) lies between what is
// received and offset now (FCurPayAmount + FNeutralizeAmount) and the total, and becomes
// FCheckAmount; the rest of the total stays open (FUnCheckAmount).
Verdict SettledAmountsAddUp(IBillForm& bill, const FieldSet& fs) {
    const double total = Total(bill, fs["FInTaxAmount"]);
    const double settled = RoundToDigits(Header(bill, "FCurCheckAmount"), 2);
    const double paid = RoundToDigits(Header(bill, "FCurPayAmount"), 2);
    const double offset = RoundToDigits(Header(bill, "FNeutralizeAmount"), 2);
    bill.SetFieldValue("FAllAmount", total);
    const bool refund = bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kReturn;
    const char* inexact = refund ? "本次退款金额不准确，请修改" : "本次核销金额不准确，请修改";
    if (total == 0 && (paid != 0 || offset != 0))
        return Verdict::Refuse("整单为零的销售单，不允许收款。");
    const double tolerance = 0.005;
    if (!std::isfinite(settled) || settled < -tolerance || settled > total + tolerance ||
        settled + tolerance < paid + offset)
        return Verdict::Refuse(inexact).At("FCurCheckAmount");
    bill.SetFieldValue("FCheckAmount", settled);
    bill.SetFieldValue("FUnCheckAmount", RoundToDigits(total - settled, 2));
    return Verdict::Pass();
}

Verdict DiscountAccountGiven(IBillForm& bill) {
    if (Val(GetSystemProfileValue("GLAndJXCUnite", "General", "0")) == 0) return Verdict::Pass();
    const double settled = RoundToDigits(Header(bill, "FCurCheckAmount"), 2);
    const double received =
        RoundToDigits(Header(bill, "FCurPayAmount") + Header(bill, "FNeutralizeAmount"), 2);
    if (settled == received || SafeId(bill.GetFieldValue("FDiscountAcctID")) != 0)
        return Verdict::Pass();
    return Verdict::Refuse("请输入优惠科目").At("FDiscountAcctID");
}

Verdict RowPricesWithinLimits(IBillForm& bill, const FieldSet& fs) {
    const std::string limitType = Trim(GetSystemProfileValue("XSPriceLimitType", "IC", "0"));
    const std::string priceKey = fs[Val(limitType) == 1 ? "FPriceDiscount" : "FPrice"];
    auto stock = StockComponent();
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r, fs)) continue;
        auto line = Collection::Make({{"Price", bill.GetFieldValue(priceKey, r)},
                                      {"ItemID", bill.GetFieldValue(fs["FItemID"], r)},
                                      {"Index", r},
                                      {"UnitID", bill.GetFieldValue(fs["FShowUnitID"], r)},
                                      {"Coefficient", bill.GetFieldValue(fs["FCoefficient"], r)},
                                      {"StockID", bill.GetFieldValue(fs["FSCStockID"], r)}});
        Args args{Value(line), Value(GetPropsString()), Value(limitType), Value("")};
        if (!stock->Call("CheckLimitPrice", args).ToBool()) continue;
        const std::string message = Trim(args.back().ToString());
        return (message.empty() ? Verdict::Silent() : Verdict::Refuse(message)).At(priceKey, r);
    }
    return Verdict::Pass();
}

Verdict WithinPriceAndCreditLimits(IBillForm& bill, const FieldSet& fs) {
    if (GetControlPoint() != 0) return Verdict::Pass();
    if (Verdict v = RowPricesWithinLimits(bill, fs); v.Refused()) return v;
    auto stock = StockComponent();
    const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
    if (customer <= 0 || bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kReturn)
        return Verdict::Pass();
    auto request = StockRequest(bill, bill.FID(), true, false);
    request->Set("SettleLimitDate", bill.GetFieldValue("FSettleLimitDate"));
    request->Set("UncheckAmount", bill.GetFieldValue("FUnCheckAmount"));
    request->Set(
        "CreditAmount",
        FirstField(GetCachedRecordset("Select FCreditAmount,* From t_Organization Where FItemID=" +
                                      SqlId(customer))));
    if (!stock->Call("CreditSelectOK", {Value(request), Value(GetPropsString())}).ToBool())
        return Verdict::Silent();
    return Verdict::Pass();
}

Verdict WithinAdvanceReceipts(IBillForm& bill) {
    if (!IsInitClosed() || Header(bill, "FNeutralizeAmount") == 0) return Verdict::Pass();
    auto info = CreateHostObject<IComponent>("QORM_CC_PlugIns.PublicSysInfo");
    auto request = StockRequest(bill, bill.FID(), true, false);
    request->Set("FNeutralizeAmount", bill.GetFieldValue("FNeutralizeAmount"));
    Args args{Value(request), Value(GetPropsString()), Value("")};
    if (!info->Call("CheckPreReceiveAmount", args).ToBool()) return Verdict::Pass();
    const std::string message = Trim(args.back().ToString());
    return (message.empty() ? Verdict::Silent() : Verdict::Refuse(message)).At("FNeutralizeAmount");
}

Verdict ReceiptNotNegative(IBillForm& bill) {
    if (Header(bill, "FCurPayAmount") >= 0) return Verdict::Pass();
    return Verdict::Refuse(bill.GetFieldValue("FBillTypeID").ToNumber() == bt::kReturn
                               ? "本次退款金额不能小于零，请修改"
                               : "本次收款金额不能小于零，请修改")
        .At("FCurPayAmount");
}

// ---- The list
// ------------------------------------------------------------------------------------

const CheckList& SaleValidation() {
    static const CheckList checks{
        {"dated in the current period",
         [](CheckRun& run) { return DatedInCurrentPeriod(*run.bill); }},
        {"settled no earlier than dated",
         [](CheckRun& run) { return SettleDateNotBeforeBillDate(*run.bill); }},
        {"money received into an account",
         [](CheckRun& run) { return SettleAccountGiven(*run.bill); }},
        {"every goods row valid", [](CheckRun& run) { return EverySaleRowValid(*run.bill); }},
        {"rows of one batch carry the same data",
         [](CheckRun& run) { return SameBatchSameData(*run.bill); }},
        {"within the open quantities of the source bills",
         [](CheckRun& run) { return WithinSaleSourceQuantities(*run.bill); }},
        {"returns of prepaid sources told",
         [](CheckRun& run) { return PrepaidSourcesTold(*run.bill); }},
        {"the total is not below zero", [](CheckRun& run) { return TotalNotBelowZero(*run.bill); }},
        {"the settled amounts add up",
         [](CheckRun& run) { return SettledAmountsAddUp(*run.bill); }},
        {"a discount account for a settlement discount",
         [](CheckRun& run) { return DiscountAccountGiven(*run.bill); }},
        {"prices and credit within their limits",
         [](CheckRun& run) { return WithinPriceAndCreditLimits(*run.bill); }},
        {"offsets within the advance receipts",
         [](CheckRun& run) { return WithinAdvanceReceipts(*run.bill); }},
        {"the amount received is not negative",
         [](CheckRun& run) { return ReceiptNotNegative(*run.bill); }},
        {"dated from the first day of the start period",
         [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, false); }},
    };
    return checks;
}

Verdict ValidateSaleBill(CheckRun& run) {
    return RunChecks(SaleValidation(), run);
}

}  // namespace qor

namespace qor {

// ---- Checking and unchecking
// ---------------------------------------------------------------------

namespace {

bool ListHas(const char* list, int32_t id) {
    for (const std::string& part : SplitKeys(list))
        if (Val(part) == id) return true;
    return false;
}

}  // namespace

Verdict CheckStoredBillSerialNumbers(int32_t classType, int32_t billType, int32_t billID) {
    if (Val(GetSystemProfileValue("CKSerialNum", "IC", "0")) == 0) return Verdict::Pass();
    if (!ListHas("1020002,1020003,1030002,1030003,1030004,1030004,1040002,1040004", classType))
        return Verdict::Pass();
    if (ListHas("1020002,1020003,1030002,1030003", classType) &&
        !ListHas("2012,2013,2031,3001,3003,3010", billType))
        return Verdict::Pass();
    auto rs = OpenRecordset(JoinLines({
        "SELECT a.FIndex, b.FNumber, b.FName, b.FModel, d.FName AS FStockID, a.FBatchNo ",
        ",a.FItemID,b.FIsSerialNumMgr ",
        ",v.FStatus,v.FBillTypeID   ",
        ",a.FQty, isnull(c.FSerialNoSum,0) AS FSerialNoSum  ",
        "FROM T_CC_StockBillEntry a ",
        "LEFT JOIN t_ICItem b ON a.FItemID=b.FItemID ",
        "LEFT JOIN (SELECT FItemID,FBillID,FBillIndexID, count(FSerialNo) AS FSerialNoSum ",
        "from t_SerialNumList ",
        "GROUP BY FItemID,FBillID,FBillIndexID ",
        ") c ON a.FID=c.FBillID AND a.FIndex=c.FBillIndexID AND a.FItemID=c.FItemID ",
        "LEFT JOIN t_Stock d ON a.FSCStockID=d.FItemID ",
        "INNER JOIN T_CC_StockBill v ON v.FID=a.FID ",
        "WHERE a.FID=" + SqlId(billID) + " AND isnull(b.FIsSerialNumMgr,0)=1 ",
        "ORDER BY a.FIndex",
    }));
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        if (std::fabs(rs->Field("FQty").ToNumber() - rs->Field("FSerialNoSum").ToNumber()) < 1e-9)
            continue;
        std::string text = "第" + rs->Field("FIndex").ToString() + "行商品[" +
                           rs->Field("FNumber").ToString() + " " + rs->Field("FName").ToString() +
                           " " + rs->Field("FModel").ToString() + "]仓库[" +
                           rs->Field("FStockID").ToString() + "]";
        if (!Trim(rs->Field("FBatchNo").ToString()).empty())
            text += "批号[" + rs->Field("FBatchNo").ToString() + "]";
        return Verdict::Refuse(text + "的序列号个数与数量不符，请录入序列号。");
    }
    return Verdict::Pass();
}

Verdict CheckStoredBillBatches(int32_t billID, const char* entryTable) {
    auto rs = OpenRecordset(
        std::string("SELECT b.FisBatchManager,a.FBatchNo,a.FIndex, a.* FROM ") + entryTable +
        " a LEFT JOIN t_ICItem b ON a.FItemID=b.FItemID WHERE a.FID=" + SqlId(billID) +
        " AND b.FISBatchManager=1 AND isnull(a.FBatchNo,'')='' ORDER BY a.FIndex");
    if (!rs || rs->IsEOF()) return Verdict::Pass();
    return Verdict::Refuse("第" + rs->Field("FIndex").ToString() + "行商品需要录入批号");
}

Verdict CheckSerialNumbersOfBills(const CollectionPtr& billInfo) {
    if (!billInfo) return Verdict::Pass();
    for (const auto& [key, item] : *billInfo) {
        auto info = item.As<Collection>();
        if (!info) continue;
        if (Verdict v = CheckStoredBillSerialNumbers(SafeId(info->Get("ClassTypeID")),
                                                     SafeId(info->Get("BillType")),
                                                     SafeId(info->Get("BillInterID")));
            v.Refused())
            return v;
    }
    return Verdict::Pass();
}

Verdict CheckRebateBeforeUncheck(int32_t billID) {
    const std::string rebate = GetSQLValue(
        std::string(
            "if exists (select id from dbo.sysobjects where id = "
            "object_id(N'[dbo].[t_FL_SchemeLink]')and OBJECTPROPERTY(id, N'IsTable')= 1 )") +
        " Begin" + " select top 1 t.FBillNo from t_FL_SchemeLink tf " +
        " left join T_CC_StockBill t on tf.FFLInterID = t.FID " +
        " Where FFLSourceInterID = " + SqlId(billID) + " End");
    if (Trim(rebate).empty()) return Verdict::Pass();
    return Verdict::Refuse("销售单已经生成返利单" + Trim(rebate) + ",不允许反审核。");
}

Verdict CheckBillForAudit(const CollectionPtr& selection, bool uncheck, const AuditTable& t) {
    auto info = Collection::Make();
    // Bills that cannot be read are not checked blindly.
    if (!FillSelectedBillInfo(selection, *info))
        return Verdict::Refuse("读取单据信息失败，请重新选择。");
    const std::string closed = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
        "'AcctountingClosed'");
    for (const auto& [key, item] : *info) {
        auto bill = item.As<Collection>();
        if (!bill) continue;
        const int32_t id = SafeId(bill->Get("BillInterID"));
        auto rs = OpenRecordset("Select FRejected,FDate From " + std::string(t.headTable) +
                                " Where FClassTypeID=" + std::to_string(t.classType) +
                                " And FID=" + SqlId(id));
        if (!rs || rs->IsEOF()) return Verdict::Refuse("读取单据信息失败，请重新选择。");
        if (rs->Field("FRejected").ToNumber() == 1)
            return Verdict::Refuse(std::string("你选择的单据为驳回状态，不允许") +
                                   (uncheck ? "反" : "") + "审核，请重新选择。");
        if (Verdict v = CheckPeriodOpen(rs->Field("FDate"), Value(""), closed); v.Refused())
            return v;
        if (uncheck && t.rebates) {
            if (Verdict v = CheckRebateBeforeUncheck(id); v.Refused()) return v;
        }
    }
    return uncheck ? Verdict::Pass() : CheckSerialNumbersOfBills(info);
}

// ---- Small pieces ------------------------------------------------------------------------------

std::string RowText(int row) {
    return "第" + std::to_string(row);
}

bool HasItem(IBillForm& bill, int row) {
    return SafeId(bill.GetFieldValue("FItemID", row)) > 0;
}

std::optional<Date> BillDate(IBillForm& bill) {
    return ParseDate(Trim(bill.GetFieldValue("FDate").ToString()));
}

double ColumnTotalOf(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

Verdict DiscountRateInRange(IBillForm& bill, int row) {
    return DiscountRateAllowed(bill, row, false, kValidationRateTexts);
}

Verdict EveryRateInRange(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        if (Verdict v = DiscountRateInRange(bill, r); v.Refused()) return v;
    }
    return Verdict::Pass();
}

BatchRowData RowBatchData(IBillForm& bill, int row, bool withAux, const FieldSet& fs) {
    BatchRowData data;
    data.auxPropID = SafeId(bill.GetFieldValue(fs["FAuxPropID"], row));
    data.kfDate = FormatKFDate(bill.GetFieldValue(fs["FKFDate"], row));
    data.kfPeriod = bill.GetFieldValue(fs["FKFPeriod"], row).ToNumber();
    data.periodDate = FormatKFDate(bill.GetFieldValue(fs["FPeriodDate"], row));
    data.compareAux = withAux && !IsFieldLocked(bill, fs["FAuxPropID"], row);
    data.compareKFDate = !IsFieldLocked(bill, fs["FKFDate"], row);
    data.compareKFPeriod = !IsFieldLocked(bill, fs["FKFPeriod"], row);
    data.comparePeriodDate = !IsFieldLocked(bill, fs["FPeriodDate"], row);
    return data;
}

// ---- Before the save
// -----------------------------------------------------------------------------

Verdict ZeroPriceAccepted(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (bill.GetFieldValue("FPrice", r).ToNumber() != 0 ||
            bill.GetFieldValue("FAmount", r).ToNumber() == 0)
            continue;
        if (ShowMessage("存在数量为零金额不为零的记录，是否继续？", kMsgYesNo + kMsgInformation,
                        kTipCaption) == kAnswerYes)
            return Verdict::Pass();
        return Verdict::Silent();
    }
    return Verdict::Pass();
}

Verdict LookupTextsRefreshed(IBillForm& bill) {
    GetLookupData(bill, "FCustID", -1, "FFLD", "0");
    RefreshFieldLookupText(bill, "FCurPayID");
    return Verdict::Pass();
}

CollectionPtr BillAsSelection(IBillForm& bill) {
    auto row = Collection::Make({{"FClassTypeID", bill.FID()}, {"FID", bill.CurBillID()}});
    auto selection = Collection::Make();
    selection->Set("1", Value(row));
    return selection;
}

// ---- The list's selection -----------------------------------------------------------------------

Verdict SelectionPeriodsOpen(IBillList& list, const char* headTable, int32_t classType) {
    const std::vector<int32_t> ids = SelectedBillIDs(list);
    if (ids.empty()) return Verdict::Pass();
    const std::string closed = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
        "'AcctountingClosed'");
    // One statement for the whole selection: the dates of every selected bill.
    RecordsetPtr rs = GetRecordset(std::string("Select FDate From ") + headTable +
                                   " Where FClassTypeID=" + std::to_string(classType) +
                                   " And FID In(" + SqlIdList(ids) + ")");
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        if (Verdict v = CheckPeriodOpen(rs->Field(0), Value(""), closed); v.Refused()) return v;
    }
    return Verdict::Pass();
}

// ---- Rows against their source entries ---------------------------------------------------------

namespace {

// The clause of one source entry: a row comes back when the rows draw more than the entry leaves
// open (ErrType 1) or the source is dated after the bill (ErrType 2). A saved bill gives its own
// saved quantity back to the entry before comparing; the quantity is summed over its own
// entries only, so that a row it did not draw from the entry before is compared with the
// entry's open quantity alone.
std::string SourceClause(const SourceEntryUse& u, int32_t billID, const char* ownEntries,
                         const std::string& date) {
    const std::string openColumn = std::string("e.") + u.source->openColumn;
    const std::string open =
        billID > 0 ? openColumn + "+isnull(c.FShowQty*c.FCoefficient,0)/e.FCoefficient"
                   : openColumn;
    const std::string over = open + "<" + NumberToText(u.qty) + "/e.FCoefficient";
    std::string from = std::string(" From ") + u.source->head + " t Left Join " +
                       u.source->entries + " e ON e.FID=t.FID";
    if (billID > 0)
        from += std::string(" Left Join (Select FID,FEntryID_SRC,SUM(FShowQty) FShowQty,") +
                "FCoefficient From " + ownEntries + " Where FID=" + SqlId(billID) +
                " And FEntryID_SRC=" + SqlId(u.entry) +
                " Group By FID,FEntryID_SRC,FCoefficient) c On e.FEntryID=c.FEntryID_SRC";
    from += " Where e.FID=" + SqlId(u.bill) + " And e.FEntryID=" + SqlId(u.entry);
    return std::string(kCrLf) + " Union Select '" + std::to_string(u.firstRow) +
           "' as EntryID,Case When " + over + " Then 1 Else 2 End as ErrType,e.FEntryID " + kCrLf +
           from + kCrLf + " And (" + over + " OR t.FDate>" + SqlValue(date) + ")";
}

}  // namespace

std::pair<int, int> FirstSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                        const char* ownEntries, const std::string& date) {
    std::pair<int, int> conflict{0, 0};
    InChunks(used, [&](const std::vector<SourceEntryUse>& chunk) {
        std::string sql = "Select '',0,0 From t_CC_StockBillEntry Where 1=2 ";
        for (const auto& u : chunk) sql += SourceClause(u, billID, ownEntries, date);
        // A failing read counts as an empty result.
        auto rs = OpenRecordset(sql);
        if (!rs || rs->IsEOF()) return true;
        conflict = {SafeId(Value(Val(rs->Field(0).ToString()))), SafeId(rs->Field(1))};
        return false;
    });
    // A quantity too large to be written is more than any source leaves open.
    if (conflict.second != 0) return conflict;
    for (const auto& u : used) {
        if (!std::isfinite(u.qty)) return {u.firstRow, 1};
    }
    return conflict;
}

}  // namespace qor
