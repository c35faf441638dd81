// What must hold before a consignment bill is saved, checked or unchecked: the dates against the
// start and the current period, every goods row complete and agreeing with stock, the rows'
// quantities within what their source bills still leave open, the total, prices, credit and
// freight; then the check and the uncheck through the host's stock component.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "bills/common/sales_rows.h"
#include "bills/consign/billevent_consign.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

std::string RowText(int row) {
    return "第" + std::to_string(row);
}

double Total(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

bool HasItem(IBillForm& bill, int row) {
    return SafeId(bill.GetFieldValue("FItemID", row)) > 0;
}

std::optional<Date> BillDate(IBillForm& bill) {
    return ParseDate(Trim(bill.GetFieldValue("FDate").ToString()));
}

// ---- The request records of the host's stock component ------------------------------------------

CollectionPtr StockRequest(IBillForm& bill, bool withAmount, bool withRows) {
    auto request = Collection::Make({{"ClassTypeID", ct::kConsignBill},
                                     {"BillInterID", bill.CurBillID()},
                                     {"HeadTableName", "t_CC_StockBill"},
                                     {"BillNo", bill.GetFieldValue("FBillNo")},
                                     {"CustOrSupplyID", bill.GetFieldValue("FCustID")},
                                     {"BillType", bill.GetFieldValue("FBillTypeID")}});
    if (withAmount) request->Set("AllAmount", bill.GetFieldValue("FAllAmount"));
    if (!withRows) return request;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        auto line = Collection::Make();
        for (const char* key :
             {"FItemID", "FBatchNo", "FAuxPropID", "FSCStockID", "FKFPeriod", "FKFDate",
              "FPeriodDate", "FQty", "FSecQty", "FPrice", "FCoefficient", "FBatchNoIndex"})
            line->Set(key, bill.GetFieldValue(key, r));
        line->Set("ClassTypeID", ct::kConsignBill);
        line->Set("FIndex", r);
        request->Set("Row" + std::to_string(r), Value(line));
    }
    return request;
}

ComponentPtr StockComponent() {
    return CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
}

// ---- Dates --------------------------------------------------------------------------------------

// A bill may not be dated before the first day of the start period (while the books of the
// start are open).
Verdict DatedFromStartPeriod(IBillForm& bill, bool cursor) {
    const auto date = BillDate(bill);
    if (!date || FormatDate(*date) >= FormatDate(GetInitStartDate())) return Verdict::Pass();
    Verdict refusal = Verdict::Refuse("单据日期不能小于账套启用期间的第一天。");
    if (cursor) refusal.At("FDate");
    return refusal;
}

// Nor before the current period.
Verdict DatedInCurrentPeriod(IBillForm& bill) {
    auto rs = OpenRecordset(JoinLines({
        " SELECT FStartDate FROM t_PeriodDate WHERE ",
        " FYear =(SELECT CONVERT(INT, FValue) FROM t_SystemProfile WHERE FCategory = 'IC' AND "
        "FKey = 'CurrentYear' ) AND ",
        " FPeriod =(SELECT CONVERT(INT, FValue) FROM t_SystemProfile WHERE FCategory = 'IC' AND "
        "FKey = 'CurrentPeriod') ",
    }));
    if (!rs || rs->IsEOF()) return Verdict::Pass();
    const auto start = ParseDate(rs->Field("FStartDate").ToString());
    const auto date = BillDate(bill);
    if (!start || !date || FormatDate(*date) >= FormatDate(*start)) return Verdict::Pass();
    return Verdict::Refuse("不能录入以前期间的单据");
}

// ---- One goods row ------------------------------------------------------------------------------

// What the row checks share: the bill's option and the batches already read from stock.
struct RowChecking {
    IBillForm& bill;
    bool expiredNotSold = false;
    std::map<std::tuple<int32_t, std::string, int32_t>, std::vector<BatchKFRecord>> batches;

    // What stock records for the item's batch in the stock (read once per validation).
    const std::vector<BatchKFRecord>& BatchInStock(const Value& item, const std::string& batch,
                                                   const Value& stock) {
        const auto key = std::make_tuple(SafeId(item), Upper(batch), SafeId(stock));
        auto it = batches.find(key);
        if (it == batches.end())
            it = batches.emplace(key, GetBatchKFInfo(bill, item, batch, stock)).first;
        return it->second;
    }
};

Verdict DiscountRateInRange(IBillForm& bill, int row) {
    const double rate = bill.GetFieldValue("FDiscountRate", row).ToNumber();
    if (rate > 0 && rate <= 100) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行折扣率必须大于0小于等于100。")
        .At("FDiscountRate", row);
}

// An item with auxiliary properties needs one where the user may enter it (an item without
// them never has one, whether the host has locked its cell or not).
Verdict AuxPropEntered(RowChecking& c, int row) {
    if (IsFieldLocked(c.bill, "FAuxPropID", row) ||
        SafeId(c.bill.GetFieldValue("FAuxPropID", row)) != 0 ||
        !IsAuxItem(c.bill.GetFieldValue("FItemID", row)))
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品需要录入辅助属性").At("FAuxPropID", row);
}

// The tax the row shows is the tax the host stores.
Verdict TaxShownIsStored(RowChecking& c, int row) {
    if (auto cell = c.bill.GetDataFldbyKey("FTaxAmount", row)) {
        cell->Set("FFLD", c.bill.GetFieldValue("FTaxAmount", row));
        cell->Set("FModify", 1);
    }
    return Verdict::Pass();
}

Verdict BatchEntered(RowChecking& c, int row) {
    if (IsFieldLocked(c.bill, "FBatchNo", row) ||
        !Trim(c.bill.GetFieldValue("FBatchNo", row).ToString()).empty())
        return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品需要录入批号").At("FBatchNo", row);
}

Verdict ShelfLifeComplete(RowChecking& c, int row) {
    if (!IsKFPeriodItem(c.bill.GetFieldValue("FItemID", row))) return Verdict::Pass();
    return CheckKFFieldsFilled(c.bill, row);
}

// A batch-managed item's batch must be in the row's stock with the row's data (the cells the
// user cannot change are not compared).
Verdict BatchAgreesWithStock(RowChecking& c, int row) {
    IBillForm& bill = c.bill;
    const Value item = bill.GetFieldValue("FItemID", row);
    const std::string batch = Trim(bill.GetFieldValue("FBatchNo", row).ToString());
    if (batch.empty() || !IsBatchManagerItem(item)) return Verdict::Pass();
    const auto& records = c.BatchInStock(item, batch, bill.GetFieldValue("FSCStockID", row));
    if (records.empty())
        return Verdict::Refuse(RowText(row) + "行商品的批号" + batch + "在系统中不存在，请重新输入")
            .At("FBatchNo", row);
    const bool withAux = IsAuxItem(item);
    BatchRowData data;
    data.auxPropID = SafeId(bill.GetFieldValue("FAuxPropID", row));
    data.kfDate = FormatKFDate(bill.GetFieldValue("FKFDate", row));
    data.kfPeriod = bill.GetFieldValue("FKFPeriod", row).ToNumber();
    data.periodDate = FormatKFDate(bill.GetFieldValue("FPeriodDate", row));
    data.compareAux = withAux && !IsFieldLocked(bill, "FAuxPropID", row);
    data.compareKFDate = !IsFieldLocked(bill, "FKFDate", row);
    data.compareKFPeriod = !IsFieldLocked(bill, "FKFPeriod", row);
    data.comparePeriodDate = !IsFieldLocked(bill, "FPeriodDate", row);
    if (CompareBatchRow(records, data).match == BatchMatch::Same) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行商品的批号" + batch +
                           (withAux
                                ? "与库存中同批号商品的辅助属性、生产日期、保质期或有效期至不同。"
                                : "与库存中同批号商品的生产日期、保质期或有效期至不同。"))
        .At("FBatchNo", row);
}

Verdict RateInRange(RowChecking& c, int row) {
    return DiscountRateInRange(c.bill, row);
}

// With the account's option, goods past their expiry date are not sold.
Verdict NotExpired(RowChecking& c, int row) {
    if (!c.expiredNotSold) return Verdict::Pass();
    const auto expiry = ReadKFDate(c.bill.GetFieldValue("FPeriodDate", row));
    const auto date = BillDate(c.bill);
    if (!expiry || !date || FormatDate(*expiry) >= FormatDate(*date)) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行有效期至已经超过期限，不能销售。")
        .At("FPeriodDate", row);
}

struct RowCheck {
    const char* name;
    Verdict (*rule)(RowChecking&, int row);
};

// Every goods row, in this order.
constexpr RowCheck kRowChecks[] = {
    {"the auxiliary property is entered", &AuxPropEntered},
    {"the tax shown is the tax stored", &TaxShownIsStored},
    {"the batch is entered", &BatchEntered},
    {"the shelf life is complete", &ShelfLifeComplete},
    {"the batch is in stock with the row's data", &BatchAgreesWithStock},
    {"the discount rate lies in (0, 100]", &RateInRange},
    {"the goods are not past their expiry date", &NotExpired},
};

Verdict EveryRowComplete(IBillForm& bill) {
    RowChecking c{bill, false, {}};
    c.expiredNotSold = Val(GetSystemProfileValue("IsPeriodDateExpireNotSale", "IC", "0")) == 1;
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (!HasItem(bill, row)) continue;
        for (const RowCheck& check : kRowChecks) {
            if (Verdict v = check.rule(c, row); v.Refused()) return v;
        }
    }
    return Verdict::Pass();
}

// Rows of one item and batch carry the same dates (and auxiliary property, where the bill shows
// one).
Verdict OneBatchOneData(IBillForm& bill) {
    auto aux = bill.GetFieldInfoByKey("FAuxPropID");
    const bool withAux = aux && aux->Get("Visible", Value(true)).ToBool();
    if (!FindBatchRowConflict(GatherBatchRows(bill), withAux)) return Verdict::Pass();
    return Verdict::Refuse(withAux
                               ? "同一批号商品的辅助属性、生产日期、保质期、有效期至必须完全一致。"
                               : "同一批号商品的生产日期、保质期、有效期至必须完全一致。");
}

// ---- Source bills -------------------------------------------------------------------------------

// The rows drawn from one source entry: their quantity in base units and the first of them.
struct SourceEntryUse {
    bool fromOrder = true;  // a sales order's entry, else a consignment delivery's
    int32_t bill = 0;
    int32_t entry = 0;
    double qty = 0;
    int firstRow = 0;
};

std::vector<SourceEntryUse> SourceEntriesUsed(IBillForm& bill) {
    std::vector<SourceEntryUse> used;
    std::map<std::tuple<bool, int32_t, int32_t>, size_t> index;
    const bool isReturn = IsConsignReturn(bill);
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t source = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (source <= 0 || !HasItem(bill, r)) continue;
        // The row's own source class says which bills it came from; the bill type otherwise.
        const int32_t sourceClass = SafeId(bill.GetFieldValue("FClassID_SRC", r));
        const bool fromOrder =
            sourceClass == ct::kSalesOrder || (sourceClass != ct::kConsignBill && !isReturn);
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID_SRC", r));
        const double qty = bill.GetFieldValue("FShowQty", r).ToNumber() *
                           bill.GetFieldValue("FCoefficient", r).ToNumber();
        auto [it, added] = index.try_emplace({fromOrder, source, entry}, used.size());
        if (added) used.push_back({fromOrder, source, entry, 0, r});
        used[it->second].qty += qty;
    }
    return used;
}

// Statements are kept to this many source entries each (a union of more is refused by some
// databases).
constexpr size_t kEntriesPerStatement = 100;

template <class F>
void InChunks(const std::vector<SourceEntryUse>& used, F&& each) {
    for (size_t from = 0; from < used.size(); from += kEntriesPerStatement) {
        const size_t to = std::min(used.size(), from + kEntriesPerStatement);
        if (!each(std::vector<SourceEntryUse>(used.begin() + static_cast<long>(from),
                                              used.begin() + static_cast<long>(to))))
            return;
    }
}

// Each source entry must still be on a source bill that is checked: a sales order (checked or
// since closed) for a delivery, a checked consignment delivery for a return. The first row drawn
// from one that was deleted or unchecked meanwhile, or 0.
int RowOfVanishedSource(const std::vector<SourceEntryUse>& used) {
    std::set<std::pair<int32_t, int32_t>> found;
    bool readFailed = false;
    for (const bool orders : {true, false}) {
        std::vector<SourceEntryUse> ofKind;
        for (const auto& u : used) {
            if (u.fromOrder == orders) ofKind.push_back(u);
        }
        InChunks(ofKind, [&](const std::vector<SourceEntryUse>& chunk) {
            std::string ids;
            for (const auto& u : chunk) ids += (ids.empty() ? "" : ",") + SqlId(u.entry);
            const std::string sql =
                orders ? "Select e.FID,e.FEntryID From t_XS_OrderEntry e Inner Join t_XS_Order t "
                         "On t.FID=e.FID Where t.FStatus>0 And e.FEntryID In (" +
                             ids + ")"
                       : "Select e.FID,e.FEntryID From t_CC_StockBillEntry e Inner Join "
                         "t_CC_StockBill t On t.FID=e.FID Where t.FClassTypeID=1030003 And "
                         "t.FBillTypeID=3010 And t.FStatus=1 And e.FEntryID In (" +
                             ids + ")";
            auto rs = OpenRecordset(sql);
            if (!rs) {
                readFailed = true;
                return false;
            }
            for (; !rs->IsEOF(); rs->MoveNext())
                found.insert({SafeId(rs->Field("FID")), SafeId(rs->Field("FEntryID"))});
            return true;
        });
    }
    // A read that fails tells nothing (the quantity check then decides alone).
    if (readFailed) return 0;
    for (const auto& u : used) {
        if (!found.count({u.bill, u.entry})) return u.firstRow;
    }
    return 0;
}

// The clause of one source entry: a row comes back when the rows draw more than the entry leaves
// open (ErrType 1) or the source is dated after the bill (ErrType 2). A saved bill gives its own
// saved quantity back to the entry before comparing.
std::string SourceClause(const SourceEntryUse& u, int32_t billID, const std::string& date) {
    const std::string openColumn = u.fromOrder ? "e.FUnSendQty" : "e.FUnRejectQty";
    const std::string tables =
        u.fromOrder ? " From t_XS_Order t Left Join t_XS_OrderEntry e ON e.FID=t.FID"
                    : " From t_CC_StockBill t Left Join t_CC_StockBillEntry e ON e.FID=t.FID";
    const std::string open =
        billID > 0 ? openColumn + "+c.FShowQty*c.FCoefficient/e.FCoefficient" : openColumn;
    const std::string over = open + "<" + NumberToText(u.qty) + "/e.FCoefficient";
    std::string from = tables;
    if (billID > 0)
        from +=
            " Left Join (Select FID,FEntryID_SRC,SUM(FShowQty) FShowQty,FCoefficient From "
            "t_CC_StockBillEntry Group By FID,FEntryID_SRC,FCoefficient) c On "
            "e.FEntryID=c.FEntryID_SRC";
    from += " Where e.FID=" + SqlId(u.bill) + " And e.FEntryID=" + SqlId(u.entry);
    if (billID > 0) from += " And c.FID=" + SqlId(billID);
    return std::string(kCrLf) + " Union Select '" + std::to_string(u.firstRow) +
           "' as EntryID,Case When " + over + " Then 1 Else 2 End as ErrType,e.FEntryID " + kCrLf +
           from + kCrLf + " And (" + over + " OR t.FDate>" + SqlValue(date) + ")";
}

// The first source conflict: the row and its kind (1 quantity, 2 date); row 0 when none.
std::pair<int, int> FirstSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                        const std::string& date) {
    std::pair<int, int> conflict{0, 0};
    InChunks(used, [&](const std::vector<SourceEntryUse>& chunk) {
        std::string sql = "Select '',0,0 From t_CC_StockBillEntry Where 1=2 ";
        for (const auto& u : chunk) sql += SourceClause(u, billID, date);
        // A failing read counts as an empty result.
        auto rs = OpenRecordset(sql);
        if (!rs || rs->IsEOF()) return true;
        conflict = {SafeId(Value(Val(rs->Field(0).ToString()))), SafeId(rs->Field(1))};
        return false;
    });
    return conflict;
}

// The rows may draw from each source entry no more than it leaves open (a delivery may exceed
// an order when the user confirms it; a return never exceeds its delivery), and no source may
// be dated after the bill.
Verdict WithinSourceQuantities(IBillForm& bill) {
    const std::vector<SourceEntryUse> used = SourceEntriesUsed(bill);
    if (used.empty()) return Verdict::Pass();
    const bool isReturn = IsConsignReturn(bill);
    static const char* kReturnTooLarge = "存在退货数量大于源单数量的商品,不能保存";
    if (int row = RowOfVanishedSource(used); row > 0) {
        return Verdict::Refuse(isReturn ? kReturnTooLarge : "存在出库数量超过订单未执行数量的商品")
            .At("FShowQty", row);
    }
    const auto date = BillDate(bill);
    const std::string day = date ? FormatDate(*date) : Trim(bill.GetFieldValue("FDate").ToString());
    auto [row, kind] = FirstSourceConflict(used, bill.CurBillID(), day);
    // A quantity too large to be written is more than any source leaves open.
    for (const auto& u : used) {
        if (kind != 0) break;
        if (!std::isfinite(u.qty)) {
            row = u.firstRow;
            kind = 1;
        }
    }
    if (kind == 0) return Verdict::Pass();
    if (kind == 2) return Verdict::Refuse("单据日期不能小于分录源单日期").At("FDate");
    if (isReturn) return Verdict::Refuse(kReturnTooLarge).At("FShowQty", row);
    if (ShowMessage("存在出库数量超过订单未执行数量的商品，是否继续?", kMsgYesNo + kMsgInformation,
                    kMsgCaption) == kAnswerYes)
        return Verdict::Pass();
    return Verdict::Silent().At("FShowQty", row);
}

// ---- Total, prices, credit ----------------------------------------------------------------------

Verdict TotalNotNegative(IBillForm& bill) {
    const double total = Total(bill, "FInTaxAmount");
    bill.SetFieldValue("FAllAmount", total);
    return total < 0 ? Verdict::Refuse("总金额不能小于零") : Verdict::Pass();
}

bool SellsOnCredit(IBillForm& bill) {
    return !IsConsignReturn(bill);
}

// Every row's price within its limits (the discounted price when the limit type is 1).
Verdict PricesWithinLimits(IBillForm& bill) {
    if (GetControlPoint() != 0 || !SellsOnCredit(bill) ||
        SafeId(bill.GetFieldValue("FCustID")) <= 0)
        return Verdict::Pass();
    const std::string limitType = Trim(GetSystemProfileValue("XSPriceLimitType", "IC", "0"));
    const char* priceKey = Val(limitType) == 1 ? "FPriceDiscount" : "FPrice";
    auto stock = StockComponent();
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        auto line = Collection::Make({{"Price", bill.GetFieldValue(priceKey, r)},
                                      {"ItemID", bill.GetFieldValue("FItemID", r)},
                                      {"Index", r},
                                      {"UnitID", bill.GetFieldValue("FShowUnitID", r)},
                                      {"Coefficient", bill.GetFieldValue("FCoefficient", r)},
                                      {"StockID", bill.GetFieldValue("FSCStockID", r)}});
        Args args{Value(line), Value(GetPropsString()), Value(limitType), Value("")};
        if (!stock->Call("CheckLimitPrice", args).ToBool()) continue;
        const std::string message = Trim(args.back().ToString());
        return (message.empty() ? Verdict::Silent() : Verdict::Refuse(message)).At(priceKey, r);
    }
    return Verdict::Pass();
}

// With the opening balances closed, a delivery beyond the customer's credit or with overdue
// amounts unpaid is saved only when the user accepts it.
Verdict CreditAccepted(IBillForm& bill) {
    if (!IsInitClosed() || !SellsOnCredit(bill)) return Verdict::Pass();
    auto info = CreateHostObject<IComponent>("QORM_CC_PlugIns.PublicSysInfo");
    const auto askBoth = [&](const char* check, const char* accepted) {
        const CollectionPtr request = StockRequest(bill, true, false);
        info->Call(check, {Value(request), Value(GetPropsString())});
        return info->Call(accepted, {Value(request), Value(GetPropsString())}).ToBool();
    };
    if (!askBoth("CheckCredit", "CreditSelectOK")) return Verdict::Silent();
    if (!askBoth("CheckUnCheckAmountOutOfDate", "UnCheckAmountOutOfDateSelectOK"))
        return Verdict::Silent();
    return Verdict::Pass();
}

// A saved consignment row starts wholly open for return and for settlement.
Verdict RowsOpenInFull(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        const Value shown = bill.GetFieldValue("FShowQty", r);
        const Value second = bill.GetFieldValue("FSecQty", r);
        for (const char* key : {"FUnRejectQty", "FUnSettleQty"}) {
            bill.SetFieldValue(key, shown, r);
            DoFieldAction(bill, key, r);
        }
        bill.SetFieldValue("FUnRejectAuxQty", second, r);
        bill.SetFieldValue("FUnSettleAuxQty", second, r);
    }
    return Verdict::Pass();
}

// The validation of a bill not yet checked, in order.
const CheckList& ConsignValidation() {
    static const CheckList checks{
        {"dated from the first day of the start period",
         [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, true); }},
        {"dated in the current period",
         [](CheckRun& run) { return DatedInCurrentPeriod(*run.bill); }},
        {"every goods row complete and agreeing with stock",
         [](CheckRun& run) { return EveryRowComplete(*run.bill); }},
        {"rows of one batch carry the same data",
         [](CheckRun& run) { return OneBatchOneData(*run.bill); }},
        {"within the open quantities of the source bills",
         [](CheckRun& run) { return WithinSourceQuantities(*run.bill); }},
        {"the total is not negative", [](CheckRun& run) { return TotalNotNegative(*run.bill); }},
        {"prices within their limits", [](CheckRun& run) { return PricesWithinLimits(*run.bill); }},
        {"credit and overdue amounts accepted",
         [](CheckRun& run) { return CreditAccepted(*run.bill); }},
        {"the rows start open for return and settlement",
         [](CheckRun& run) { return RowsOpenInFull(*run.bill); }},
    };
    return checks;
}

// ---- Before the save ----------------------------------------------------------------------------

Verdict EveryRateInRange(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        if (Verdict v = DiscountRateInRange(bill, r); v.Refused()) return v;
    }
    return Verdict::Pass();
}

// In the industry edition the rows' freight adds up to the header's; with application type 1
// the procurement freight takes the rows' total instead.
Verdict FreightAddsUp(IBillForm& bill) {
    if (!IsIndustryMode()) return Verdict::Pass();
    const double rows = Total(bill, "FTranspotationCharges");
    const double header = bill.GetFieldValue("FTranspotationCosts").ToNumber();
    if (RoundDecimal(rows - header, 4) == 0) return Verdict::Pass();
    if (GetAppType() != 1) return Verdict::Refuse("表头我方支付运杂费数据与表体运杂费合计不等于！");
    bill.SetFieldValue("FTotalProcurementCosts", rows);
    return Verdict::Pass();
}

// Started by the save tool and with the account's option on, a delivery is checked against the
// stock: a shortage the component only warns of is shown and the save goes on.
Verdict StockSuffices(CheckRun& run) {
    IBillForm& bill = *run.bill;
    if (run.Owner<BillEvent_Consign>().Action() != "SAVE" || IsConsignReturn(bill) ||
        Val(GetSystemProfileValue("UnderStockBeforeSave", "IC", "0")) != 1)
        return Verdict::Pass();
    Args args{Value(GetPropsString()), Value("SAVE"), Value(StockRequest(bill, false, true)),
              Value("")};
    const int result = SafeId(StockComponent()->Call("CheckItemStockNum", args));
    const std::string message = Trim(args.back().ToString());
    if (result == -1) {
        if (!message.empty()) ShowMessage(message, kMsgInformation, kMsgCaption);
        return Verdict::Pass();
    }
    if (result != 3) return Verdict::Pass();
    return message.empty() ? Verdict::Silent() : Verdict::Refuse(message);
}

bool Unchecked(IBillForm& bill) {
    return SafeId(bill.GetFieldValue("FStatus")) == 0;
}

// ---- Check and uncheck --------------------------------------------------------------------------

// The host's stock component checks (or unchecks) the bill; the form then shows its new state.
Verdict CheckConsignAudit(IBillForm& bill, bool checking) {
    Args args{Value(GetPropsString()), Value(checking ? -1 : 1),
              Value(StockRequest(bill, true, false)), Value("")};
    const int result = SafeId(StockComponent()->Call("CheckBill", args));
    const std::string message = Trim(args.back().ToString());
    if (result == 1 || result == 4) {
        bill.SetBillStatus(checking ? 2 : 0);
        RefreshConsignBillState(bill);
        return Verdict::Pass();
    }
    if ((result == 0 || result == 2 || result == -1) && !message.empty())
        return Verdict::Refuse(message);
    return Verdict::Silent();
}

}  // namespace

void AddConsignChecks(RuleBook& b) {
    b.Check(Stage::Save, "dated from the first day of the start period",
            [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, false); })
        .Check(Stage::Save, "the period is open",
               [](CheckRun& run) { return CheckPeriodOpen(run.bill->GetFieldValue("FDate")); })
        .Check(Stage::Save, "every discount rate lies in (0, 100]",
               [](CheckRun& run) { return EveryRateInRange(*run.bill); })
        .Check(Stage::Save, "a bill not yet checked passes the validation",
               [](CheckRun& run) {
                   return Unchecked(*run.bill) ? RunChecks(ConsignValidation(), run)
                                               : Verdict::Pass();
               })
        .Check(Stage::Save, "the rows' freight adds up to the header's",
               [](CheckRun& run) { return FreightAddsUp(*run.bill); })
        .Check(Stage::Save, "every calculation-type row has its type",
               [](CheckRun& run) {
                   return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
               })
        .Check(Stage::Save, "the stock suffices", &StockSuffices)
        .Check(Stage::Save, "serial numbers as many as the quantities",
               [](CheckRun& run) { return CheckBillSerialNumCount(*run.bill); });
    b.Check(Stage::Check, "the stock component checks the bill", [](CheckRun& run) {
         return CheckConsignAudit(*run.bill, true);
     }).Check(Stage::Uncheck, "the stock component unchecks the bill", [](CheckRun& run) {
        return CheckConsignAudit(*run.bill, false);
    });
}

}  // namespace qor
