// What a sales bill must pass before the host saves, checks or unchecks it: the period, the rows'
// discount rates, the zero-price question, the validation of a bill not yet checked, the
// freight, the calculation types, the stock and the serial numbers; checking and unchecking go
// through rule C.
#include "bills/common/entry_rows.h"
#include "bills/common/sales_checks.h"
#include "bills/sale/billevent_sale.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/serial_numbers.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

bool HasItem(IBillForm& bill, int row) {
    return SafeId(bill.GetFieldValue("FItemID", row)) > 0;
}

Verdict EveryRateAllowed(IBillForm& bill) {
    const bool over100 = AllowsRateOver100();
    static constexpr DiscountRateTexts kTexts{"行折扣率必须大于0且小于等于100。",
                                              "行折扣率必须大于0。"};
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (!HasItem(bill, r)) continue;
        if (Verdict v = DiscountRateAllowed(bill, r, over100, kTexts); v.Refused()) return v;
    }
    return Verdict::Pass();
}

// A row without a price that still has an amount is saved only when the user goes on.
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

// A bill not yet checked keeps its fax as stored and passes the validation; a checked bill
// saved again is not validated again.
Verdict ValidatedUnlessChecked(CheckRun& run) {
    IBillForm& bill = *run.bill;
    if (SafeId(bill.GetFieldValue("FStatus")) != 0) return Verdict::Pass();
    bill.SetFieldValue("FFax", bill.GetFieldValue("FFax"));
    return ValidateSaleBill(run);
}

Verdict LookupTextsRefreshed(IBillForm& bill) {
    GetLookupData(bill, "FCustID", -1, "FFLD", "0");
    RefreshFieldLookupText(bill, "FCurPayID");
    return Verdict::Pass();
}

// Saved with the save tool and with the account's option on, the rows are checked against the
// stock; a shortage the component only warns of is asked.
Verdict StockSuffices(CheckRun& run) {
    if (run.Owner<BillEvent_Sale>().Action() != "SAVE" ||
        Val(GetSystemProfileValue("UnderStockBeforeSave", "IC", "0")) != 1)
        return Verdict::Pass();
    return CheckStockBeforeSave(*run.bill, ct::kSalesBill, StockWarning::Ask);
}

// The form's bill as rule C takes a selection.
CollectionPtr ThisBill(IBillForm& bill) {
    auto row = Collection::Make({{"FClassTypeID", bill.FID()}, {"FID", bill.CurBillID()}});
    auto selection = Collection::Make();
    selection->Set("1", Value(row));
    return selection;
}

}  // namespace

Verdict CheckSerialNumbersOfBill(IBillForm& bill) {
    return CheckStoredBillSerialNumbers(bill.FID(), SafeId(bill.GetFieldValue("FBillTypeID")),
                                        bill.CurBillID());
}

bool checkBillSNErr(IBillForm& bill) {
    if (bill.GetFieldValue("FExplanation").ToString().find("由网上订单") != std::string::npos)
        return true;
    return Report(CheckBillSerialNumCount(bill));
}

void AddSaleChecks(RuleBook& b) {
    b.Check(Stage::Save, "the period is open",
            [](CheckRun& run) { return CheckPeriodOpen(run.bill->GetFieldValue("FDate")); })
        .Check(Stage::Save, "every discount rate allowed",
               [](CheckRun& run) { return EveryRateAllowed(*run.bill); })
        .Check(Stage::Save, "a zero price with an amount accepted",
               [](CheckRun& run) { return ZeroPriceAccepted(*run.bill); })
        .Check(Stage::Save, "a bill not yet checked passes the validation", &ValidatedUnlessChecked)
        .Check(Stage::Save, "customer and payment texts refreshed",
               [](CheckRun& run) { return LookupTextsRefreshed(*run.bill); })
        .Check(Stage::Save, "the rows' freight adds up to the header's",
               [](CheckRun& run) { return FreightAddsUp(*run.bill, "FTranspotationCharges"); })
        .Check(Stage::Save, "every calculation-type row has its type",
               [](CheckRun& run) {
                   return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
               })
        .Check(Stage::Save, "the stock suffices", &StockSuffices)
        .Check(Stage::Save, "serial numbers as many as the quantities",
               [](CheckRun& run) { return CheckBillSerialNumCount(*run.bill); });
    b.Check(Stage::Check, "the serial numbers of the bill are complete", [](CheckRun& run) {
         return CheckSerialNumbersOfBill(*run.bill);
     }).Check(Stage::Check, "rule C allows the check", [](CheckRun& run) {
        return CheckBillForAudit(ThisBill(*run.bill), false);
    });
    b.Check(Stage::Uncheck, "rule C allows the uncheck",
            [](CheckRun& run) { return CheckBillForAudit(ThisBill(*run.bill), true); });
}

}  // namespace qor
