// What must hold before an exchange bill is saved, checked or unchecked. Before a save: the
// discount rates, the zero-price question, and while the bill is not yet checked the exchange
// validation (the sales validation's steps on the main goods set, with the source check of a
// return from sales bills and without the rate option, the expiry, purchase-source,
// prepaid-source and advance-receipt checks); then the lookups, the freight and the calculation
// types. A rejected exchange bill (as stored in t_cc_Change) is neither checked nor unchecked,
// in the form or in the list.
#include <map>
#include <utility>
#include <vector>

#include "bills/common/entry_rows.h"
#include "bills/common/sales_checks.h"
#include "bills/salechange/salechange_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

// The goods taken back may not exceed what the sales bills they were drawn from leave open for
// returns, and no source may be dated after the bill. A saved exchange bill gives its own saved
// quantities back first, read from its own entries.
Verdict WithinReturnableQuantities(IBillForm& bill) {
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
    const auto date = BillDate(bill);
    const std::string day = date ? FormatDate(*date) : Trim(bill.GetFieldValue("FDate").ToString());
    const auto [row, kind] = FirstSourceConflict(used, bill.CurBillID(), "t_cc_ChangeEntry", day);
    if (kind == 0) return Verdict::Pass();
    if (kind == 2) return Verdict::Refuse("单据日期不能小于分录源单日期").At("FDate");
    return Verdict::Refuse("存在退货数量大于源单数量的商品,不能保存").At("FShowQty", row);
}

// Price limits while the account's control point is 0; the exchange bill asks no credit.
Verdict PricesWithinLimits(IBillForm& bill) {
    return GetControlPoint() == 0 ? RowPricesWithinLimits(bill) : Verdict::Pass();
}

template <Verdict (*Step)(IBillForm&)>
Verdict OnBill(CheckRun& run) {
    return Step(*run.bill);
}

// The exchange bill's rows: neither the option for rates above 100 nor the expiry and
// purchase-source steps of the sales bill.
constexpr SaleRowSteps kExchangeRowSteps{false, false, false};

// The validation of an exchange bill not yet checked, in order.
const CheckList& ExchangeValidation() {
    static const CheckList checks{
        {"dated in the current period", &OnBill<&DatedInCurrentPeriod>},
        {"settled no earlier than dated", &OnBill<&SettleDateNotBeforeBillDate>},
        {"money received into an account", &OnBill<&SettleAccountGiven>},
        {"every goods row valid",
         [](CheckRun& run) {
             return EverySaleRowValid(*run.bill, FieldSet::Main(), kExchangeRowSteps);
         }},
        {"rows of one batch carry the same data",
         [](CheckRun& run) { return SameBatchSameData(*run.bill); }},
        {"within what the source bills leave open for returns",
         &OnBill<&WithinReturnableQuantities>},
        {"the total is not below zero", [](CheckRun& run) { return TotalNotBelowZero(*run.bill); }},
        {"the settled amounts add up",
         [](CheckRun& run) { return SettledAmountsAddUp(*run.bill); }},
        {"a discount account for a settlement discount", &OnBill<&DiscountAccountGiven>},
        {"prices within their limits", &OnBill<&PricesWithinLimits>},
        {"the amount received is not negative", &OnBill<&ReceiptNotNegative>},
        {"dated from the first day of the start period",
         [](CheckRun& run) { return DatedFromStartPeriod(*run.bill, false); }},
    };
    return checks;
}

// Rejected exchange bills are read from t_cc_Change; no rebate bill is made from one.
constexpr AuditTable kExchangeAudit{ct::kSaleChange, "t_cc_Change", false};

Verdict AuditAllowed(CheckRun& run, bool uncheck) {
    if (run.bill) return CheckBillForAudit(BillAsSelection(*run.bill), uncheck, kExchangeAudit);
    return CheckBillForAudit(run.list->Selection(), uncheck, kExchangeAudit);
}

}  // namespace

bool IsStoredChangeRejected(int32_t billID) {
    if (billID <= 0) return false;
    return Val(GetSQLValue("Select FRejected From t_cc_Change Where FClassTypeID=1030005 And FID=" +
                           SqlId(billID))) == 1;
}

void AddExchangeChecks(RuleBook& b) {
    b.Check(Stage::Save, "every discount rate lies in (0, 100]", &OnBill<&EveryRateInRange>)
        .Check(Stage::Save, "a zero price with an amount accepted", &OnBill<&ZeroPriceAccepted>)
        .Check(Stage::Save, "a bill not yet checked passes the exchange validation",
               [](CheckRun& run) {
                   IBillForm& bill = *run.bill;
                   if (SafeId(bill.GetFieldValue("FStatus")) != 0) return Verdict::Pass();
                   bill.SetFieldValue("FFax", bill.GetFieldValue("FFax"));
                   return RunChecks(ExchangeValidation(), run);
               })
        .Check(Stage::Save, "customer and payment texts refreshed", &OnBill<&LookupTextsRefreshed>)
        .Check(Stage::Save, "the rows' freight adds up to the header's",
               [](CheckRun& run) { return FreightAddsUp(*run.bill, "FTranspotationCharges"); })
        .Check(Stage::Save, "every calculation-type row has its type", [](CheckRun& run) {
            // The account's stock option is read, but an exchange bill is saved without a
            // stock check.
            GetSystemProfileValue("UnderStockBeforeSave", "IC", "0");
            return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
        });
    b.Check(Stage::Check, "rule C allows the check",
            [](CheckRun& run) { return AuditAllowed(run, false); })
        .Check(Stage::Uncheck, "rule C allows the uncheck",
               [](CheckRun& run) { return AuditAllowed(run, true); })
        .Check(Stage::ListCheck, "rule C allows the check of the selection",
               [](CheckRun& run) { return AuditAllowed(run, false); })
        .Check(Stage::ListUncheck, "rule C allows the uncheck of the selection",
               [](CheckRun& run) { return AuditAllowed(run, true); });
}

}  // namespace qor
