#include "bills/common/sales_checks.h"

#include <cmath>

#include "bills/common/entry_rows.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

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

// ---- Dates --------------------------------------------------------------------------------------

Verdict DatedFromStartPeriod(IBillForm& bill, bool cursor) {
    const auto date = BillDate(bill);
    if (!date || FormatDate(*date) >= FormatDate(GetInitStartDate())) return Verdict::Pass();
    Verdict refusal = Verdict::Refuse("单据日期不能小于账套启用期间的第一天。");
    if (cursor) refusal.At("FDate");
    return refusal;
}

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

// ---- Rates, freight, prices ---------------------------------------------------------------------

Verdict DiscountRateInRange(IBillForm& bill, int row) {
    const double rate = bill.GetFieldValue("FDiscountRate", row).ToNumber();
    if (rate > 0 && rate <= 100) return Verdict::Pass();
    return Verdict::Refuse(RowText(row) + "行折扣率必须大于0小于等于100。")
        .At("FDiscountRate", row);
}

Verdict EveryRateInRange(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        if (Verdict v = DiscountRateInRange(bill, r); v.Refused()) return v;
    }
    return Verdict::Pass();
}

Verdict FreightAddsUp(IBillForm& bill, const char* appType1Total) {
    if (!IsIndustryMode()) return Verdict::Pass();
    const double rows = ColumnTotalOf(bill, "FTranspotationCharges");
    const double header = bill.GetFieldValue("FTranspotationCosts").ToNumber();
    if (RoundDecimal(rows - header, 4) == 0) return Verdict::Pass();
    if (GetAppType() != 1) return Verdict::Refuse("表头我方支付运杂费数据与表体运杂费合计不等于！");
    bill.SetFieldValue(appType1Total, rows);
    return Verdict::Pass();
}

Verdict RowPricesWithinLimits(IBillForm& bill) {
    if (GetControlPoint() != 0 || SafeId(bill.GetFieldValue("FCustID")) <= 0)
        return Verdict::Pass();
    const std::string limitType = Trim(GetSystemProfileValue("XSPriceLimitType", "IC", "0"));
    const char* priceKey = Val(limitType) == 1 ? "FPriceDiscount" : "FPrice";
    auto stock = CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
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

BatchRowData RowBatchData(IBillForm& bill, int row, bool withAux) {
    BatchRowData data;
    data.auxPropID = SafeId(bill.GetFieldValue("FAuxPropID", row));
    data.kfDate = FormatKFDate(bill.GetFieldValue("FKFDate", row));
    data.kfPeriod = bill.GetFieldValue("FKFPeriod", row).ToNumber();
    data.periodDate = FormatKFDate(bill.GetFieldValue("FPeriodDate", row));
    data.compareAux = withAux && !IsFieldLocked(bill, "FAuxPropID", row);
    data.compareKFDate = !IsFieldLocked(bill, "FKFDate", row);
    data.compareKFPeriod = !IsFieldLocked(bill, "FKFPeriod", row);
    data.comparePeriodDate = !IsFieldLocked(bill, "FPeriodDate", row);
    return data;
}

// ---- The list's selection -----------------------------------------------------------------------

std::vector<int32_t> SelectedBillIDs(IBillList& list) {
    std::vector<int32_t> ids;
    auto selection = list.Selection();
    if (!selection) return ids;
    for (const auto& [key, item] : *selection) {
        auto row = item.As<Collection>();
        const int32_t id = row ? SafeId(row->Get("FID")) : 0;
        if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

Verdict SelectionPeriodsOpen(IBillList& list, const char* headTable, int32_t classType) {
    const std::string closed = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
        "'AcctountingClosed'");
    for (int32_t id : SelectedBillIDs(list)) {
        const std::string date = GetSQLValue(std::string("Select FDate From ") + headTable +
                                             " Where FClassTypeID=" + std::to_string(classType) +
                                             " And FID=" + SqlId(id));
        if (Verdict v = CheckPeriodOpen(Value(date), Value(""), closed); v.Refused()) return v;
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
