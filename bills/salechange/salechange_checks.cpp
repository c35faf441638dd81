// What must hold before an exchange bill is saved, checked or unchecked. Before a save: the
// discount rates, the zero-price question, and while the bill is not yet checked the exchange
// validation (the sales validation's steps on the main goods set, with the source check of a
// return from sales bills and without the expiry, prepaid-source and advance-receipt checks);
// then the lookups, the freight and the calculation types. A rejected exchange bill (as stored
// in t_cc_Change) is neither checked nor unchecked, in the form or in the list.
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "bills/common/entry_rows.h"
#include "bills/common/sales_checks.h"
#include "bills/salechange/salechange_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/related_bills.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

double Header(IBillForm& bill, const char* key) {
    return bill.GetFieldValue(key).ToNumber();
}

std::string Day(IBillForm& bill) {
    const auto date = BillDate(bill);
    return date ? FormatDate(*date) : Trim(bill.GetFieldValue("FDate").ToString());
}

// ---- Before the save ----------------------------------------------------------------------------

// A row whose price is 0 but whose amount is not asks once whether to go on.
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

bool Unchecked(IBillForm& bill) {
    return SafeId(bill.GetFieldValue("FStatus")) == 0;
}

// The customer's and the payment method's texts are read again from their records.
Verdict LookupsRefreshed(IBillForm& bill) {
    GetLookupData(bill, "FCustID", -1, "FFLD", "0");
    RefreshFieldLookupText(bill, "FCurPayID");
    return Verdict::Pass();
}

// ---- The exchange validation: the header -------------------------------------------------------

Verdict SettleDateFromBillDate(IBillForm& bill) {
    const auto settle = ParseDate(Trim(bill.GetFieldValue("FSettleLimitDate").ToString()));
    const auto date = BillDate(bill);
    if (!settle || !date || FormatDate(*settle) >= FormatDate(*date)) return Verdict::Pass();
    return Verdict::Refuse("收款日期不能小于单据日期").At("FSettleLimitDate");
}

// Money received now goes to a settlement account (or to several).
Verdict SettleAccountGiven(IBillForm& bill) {
    if (Header(bill, "FCurPayAmount") == 0 || Header(bill, "FMultiAccount") != 0 ||
        SafeId(bill.GetFieldValue("FAcctNo")) != 0)
        return Verdict::Pass();
    return Verdict::Refuse("结算账户不能为空").At("FAcctNo");
}

// ---- The exchange validation: every goods row of the main set -----------------------------------

struct RowChecking {
    IBillForm& bill;
    int row;
    Value item;
};

Verdict ShelfLifeComplete(RowChecking& c) {
    return IsKFPeriodItem(c.item) ? CheckKFFieldsFilled(c.bill, c.row) : Verdict::Pass();
}

Verdict AuxPropEntered(RowChecking& c) {
    if (IsFieldLocked(c.bill, "FAuxPropID", c.row) ||
        SafeId(c.bill.GetFieldValue("FAuxPropID", c.row)) != 0 || !IsAuxItem(c.item))
        return Verdict::Pass();
    return Verdict::Refuse(RowText(c.row) + "行商品需要录入辅助属性").At("FAuxPropID", c.row);
}

Verdict BatchEntered(RowChecking& c) {
    if (!IsBatchManagerItem(c.item) ||
        !Trim(c.bill.GetFieldValue("FBatchNo", c.row).ToString()).empty())
        return Verdict::Pass();
    return Verdict::Refuse(RowText(c.row) + "行商品需要录入批号").At("FBatchNo", c.row);
}

// A batch recorded in stock carries the row's dates (and auxiliary property); the cells the
// user cannot change take the recorded values.
Verdict BatchAgreesWithStock(RowChecking& c) {
    IBillForm& bill = c.bill;
    const int row = c.row;
    const std::string batch = Trim(bill.GetFieldValue("FBatchNo", row).ToString());
    if (batch.empty() || !IsBatchManagerItem(c.item)) return Verdict::Pass();
    const auto records = GetBatchKFInfo(bill, c.item, batch, bill.GetFieldValue("FSCStockID", row));
    const BatchRowData data = RowBatchData(bill, row, IsAuxItem(c.item));
    const BatchCompareResult found = CompareBatchRow(records, data);
    if (found.match == BatchMatch::NotFound) return Verdict::Pass();
    if (!data.compareKFDate) bill.SetFieldValue("FKFDate", found.recorded.kfDate, row);
    if (!data.compareKFPeriod) bill.SetFieldValue("FKFPeriod", found.recorded.kfPeriod, row);
    if (!data.comparePeriodDate) bill.SetFieldValue("FPeriodDate", found.recorded.periodDate, row);
    if (found.match == BatchMatch::Same) return Verdict::Pass();
    return Verdict::Refuse("批号为" + batch + "的第" + std::to_string(row) + "行商品," +
                           (found.match == BatchMatch::AuxDiffers
                                ? "与库存中同批号商品的辅助属性、生产日期、保质期或有效期至不同。"
                                : "与库存中同批号商品的生产日期、保质期或有效期至不同。"))
        .At("FBatchNo", row);
}

// A saved row starts wholly open for a later return.
Verdict RowOpenForReturn(RowChecking& c) {
    c.bill.SetFieldValue("FUnRejectQty", c.bill.GetFieldValue("FShowQty", c.row), c.row);
    c.bill.SetFieldValue("FUnRejectAuxQty", c.bill.GetFieldValue("FSecQty", c.row), c.row);
    DoFieldAction(c.bill, "FUnRejectQty", c.row);
    return Verdict::Pass();
}

Verdict RateInRange(RowChecking& c) {
    return DiscountRateInRange(c.bill, c.row);
}

struct RowCheck {
    const char* name;
    Verdict (*rule)(RowChecking&);
};

// Every goods row of the main set, in this order.
constexpr RowCheck kRowChecks[] = {
    {"the discount rate lies in (0, 100]", &RateInRange},
    {"the shelf life is complete", &ShelfLifeComplete},
    {"the auxiliary property is entered", &AuxPropEntered},
    {"the batch is entered", &BatchEntered},
    {"the batch agrees with stock", &BatchAgreesWithStock},
    {"the row starts open for a return", &RowOpenForReturn},
};

Verdict EveryRowComplete(IBillForm& bill) {
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        RowChecking c{bill, row, bill.GetFieldValue("FItemID", row)};
        if (SafeId(c.item) <= 0) continue;
        for (const RowCheck& check : kRowChecks) {
            if (Verdict v = check.rule(c); v.Refused()) return v;
        }
    }
    return Verdict::Pass();
}

Verdict OneBatchOneData(IBillForm& bill) {
    if (!FindBatchRowConflict(GatherBatchRows(bill), false)) return Verdict::Pass();
    return Verdict::Refuse(GetAppType() == 1
                               ? "同一批号商品的生产日期、保质期、有效期至必须完全一致。"
                               : "同一批号商品的生产日期、保质期、有效期至必须完全一致");
}

// ---- The exchange validation: source bills, amounts ---------------------------------------------

// The goods taken back may not exceed what the sales bills they were drawn from leave open for
// returns, and no source may be dated after the bill. A saved exchange bill gives its own saved
// quantities back first, read from its own entries.
Verdict WithinSourceQuantities(IBillForm& bill) {
    std::vector<SourceEntryUse> used;
    std::map<std::pair<int32_t, int32_t>, size_t> index;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t source = SafeId(bill.GetFieldValue("FID_SRC", r));
        if (source <= 0 || !HasItem(bill, r)) continue;
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID_SRC", r));
        auto [it, added] = index.try_emplace({source, entry}, used.size());
        if (added) used.push_back({&kStockBillSources, source, entry, 0, r});
        used[it->second].qty += bill.GetFieldValue("FShowQty", r).ToNumber() *
                                bill.GetFieldValue("FCoefficient", r).ToNumber();
    }
    if (used.empty()) return Verdict::Pass();
    const auto [row, kind] =
        FirstSourceConflict(used, bill.CurBillID(), "t_cc_ChangeEntry", Day(bill));
    if (kind == 0) return Verdict::Pass();
    if (kind == 2) return Verdict::Refuse("单据日期不能小于分录源单日期").At("FDate");
    return Verdict::Refuse("存在退货数量大于源单数量的商品,不能保存").At("FShowQty", row);
}

Verdict TotalNotNegative(IBillForm& bill) {
    return ColumnTotalOf(bill, "FInTaxAmount") < 0 ? Verdict::Refuse("总金额不能小于零,请修改")
                                                   : Verdict::Pass();
}

// The header's amounts follow the rows: the total, the amount settled and what stays open. The
// amount settled now lies between 0 and the total; a bill of 0 takes no money.
Verdict SettlementConsistent(IBillForm& bill) {
    const double total = RoundToDigits(ColumnTotalOf(bill, "FInTaxAmount"), 2);
    const double settled = RoundToDigits(Header(bill, "FCurCheckAmount"), 2);
    bill.SetFieldValue("FAllAmount", total);
    bill.SetFieldValue("FCheckAmount", settled);
    bill.SetFieldValue("FUnCheckAmount", RoundToDigits(total - settled, 2));
    if (settled * total < 0 || std::fabs(settled) > std::fabs(total) + 0.005)
        return Verdict::Refuse("本次核销金额不准确，请修改").At("FCurCheckAmount");
    if (total == 0 &&
        (Header(bill, "FCurPayAmount") != 0 || Header(bill, "FNeutralizeAmount") != 0))
        return Verdict::Refuse("整单为零的销售单，不允许收款。");
    return Verdict::Pass();
}

// With the ledger and the stock books joined, a settled amount other than the money received
// and neutralised goes to a discount account.
Verdict DiscountAccountGiven(IBillForm& bill) {
    if (Val(GetSystemProfileValue("GLAndJXCUnite", "General", "0")) == 0) return Verdict::Pass();
    const double money = Header(bill, "FCurPayAmount") + Header(bill, "FNeutralizeAmount");
    if (std::fabs(Header(bill, "FCurCheckAmount") - money) < 0.005 ||
        SafeId(bill.GetFieldValue("FDiscountAcctID")) != 0)
        return Verdict::Pass();
    return Verdict::Refuse("请输入优惠科目").At("FDiscountAcctID");
}

Verdict ReceiptNotNegative(IBillForm& bill) {
    return Header(bill, "FCurPayAmount") < 0
               ? Verdict::Refuse("本次收款金额不能小于零，请修改").At("FCurPayAmount")
               : Verdict::Pass();
}

template <Verdict (*Step)(IBillForm&)>
Verdict OnBill(CheckRun& run) {
    return Step(*run.bill);
}

// The validation of an exchange bill not yet checked, in order.
const CheckList& ExchangeValidation() {
    static const CheckList checks{
        {"dated in the current period", &OnBill<&DatedInCurrentPeriod>},
        {"settled no earlier than the bill date", &OnBill<&SettleDateFromBillDate>},
        {"money received goes to an account", &OnBill<&SettleAccountGiven>},
        {"every goods row complete and agreeing with stock", &OnBill<&EveryRowComplete>},
        {"rows of one batch carry the same data", &OnBill<&OneBatchOneData>},
        {"within the open quantities of the source bills", &OnBill<&WithinSourceQuantities>},
        {"the total is not negative", &OnBill<&TotalNotNegative>},
        {"the settlement agrees with the total", &OnBill<&SettlementConsistent>},
        {"a settled difference has its discount account", &OnBill<&DiscountAccountGiven>},
        {"prices within their limits", &OnBill<&RowPricesWithinLimits>},
        {"the money received is not negative", &OnBill<&ReceiptNotNegative>},
        {"dated from the first day of the start period",
         [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, false); }},
    };
    return checks;
}

// ---- Check and uncheck --------------------------------------------------------------------------

// The bills a check or uncheck concerns: the form's bill, or the list's selection.
std::vector<int32_t> BillsConcerned(CheckRun& run) {
    if (run.bill) return {run.bill->CurBillID()};
    return run.list ? SelectedBillIDs(*run.list) : std::vector<int32_t>{};
}

// No rejected exchange bill is checked or unchecked, and its date must lie in an open period.
Verdict AuditAllowed(CheckRun& run, bool checking) {
    for (int32_t id : BillsConcerned(run)) {
        if (IsStoredChangeRejected(id))
            return Verdict::Refuse(std::string("你选择的单据为驳回状态，不允许") +
                                   (checking ? "" : "反") + "审核，请重新选择。");
    }
    if (run.bill) return CheckPeriodOpen(run.bill->GetFieldValue("FDate"));
    return run.list ? SelectionPeriodsOpen(*run.list, "t_cc_Change", ct::kSaleChange)
                    : Verdict::Pass();
}

}  // namespace

bool IsStoredChangeRejected(int32_t billID) {
    if (billID <= 0) return false;
    return Val(GetSQLValue("Select FRejected From t_cc_Change Where FClassTypeID=1030005 And FID=" +
                           SqlId(billID))) == 1;
}

void AddExchangeChecks(RuleBook& b) {
    b.Check(Stage::Save, "every discount rate lies in (0, 100]", &OnBill<&EveryRateInRange>)
        .Check(Stage::Save, "a zero price with an amount is accepted", &OnBill<&ZeroPriceAccepted>)
        .Check(Stage::Save, "a bill not yet checked passes the exchange validation",
               [](CheckRun& run) {
                   IBillForm& bill = *run.bill;
                   if (!Unchecked(bill)) return Verdict::Pass();
                   bill.SetFieldValue("FFax", GetLookupData(bill, "FFax"));
                   return RunChecks(ExchangeValidation(), run);
               })
        .Check(Stage::Save, "the customer's and payment method's texts", &OnBill<&LookupsRefreshed>)
        .Check(Stage::Save, "the rows' freight adds up to the header's",
               [](CheckRun& run) { return FreightAddsUp(*run.bill, "FTranspotationCharges"); })
        .Check(Stage::Save, "every calculation-type row has its type", [](CheckRun& run) {
            // The account's stock option is read, but an exchange bill is saved without a
            // stock check.
            GetSystemProfileValue("UnderStockBeforeSave", "IC", "0");
            return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
        });
    const auto audit = [](bool checking) {
        return [checking](CheckRun& run) { return AuditAllowed(run, checking); };
    };
    b.Check(Stage::Check, "not rejected, in an open period", audit(true))
        .Check(Stage::Uncheck, "not rejected, in an open period", audit(false))
        .Check(Stage::ListCheck, "no rejected bill, each in an open period", audit(true))
        .Check(Stage::ListUncheck, "no rejected bill, each in an open period", audit(false));
}

}  // namespace qor
