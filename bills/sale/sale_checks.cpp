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

// A bill not yet checked keeps its fax as stored and passes the validation; a checked bill
// saved again is not validated again.
Verdict ValidatedUnlessChecked(CheckRun& run) {
    IBillForm& bill = *run.bill;
    if (SafeId(bill.GetFieldValue("FStatus")) != 0) return Verdict::Pass();
    bill.SetFieldValue("FFax", bill.GetFieldValue("FFax"));
    return ValidateSaleBill(run);
}

// Saved with the save tool and with the account's option on, the rows are checked against the
// stock; a shortage the component only warns of is asked.
Verdict StockSuffices(CheckRun& run) {
    if (run.Owner<BillEvent_Sale>().Action() != "SAVE" ||
        Val(GetSystemProfileValue("UnderStockBeforeSave", "IC", "0")) != 1)
        return Verdict::Pass();
    return CheckStockBeforeSave(*run.bill, ct::kSalesBill, StockWarning::Ask);
}

}  // namespace

Verdict CheckSerialNumbersOfBill(IBillForm& bill) {
    return CheckStoredBillSerialNumbers(bill.FID(), SafeId(bill.GetFieldValue("FBillTypeID")),
                                        bill.CurBillID());
}

bool InvokeBillChecks(const std::string& method, Args& args, Value& result,
                      const char* entryTable) {
    const bool known = IEquals(method, "checkBillSNErr") || IEquals(method, "checkXSDBillSNErr") ||
                       IEquals(method, "checkXSDBillBatchNoErr");
    if (!known) return false;
    auto bill = args.empty() ? nullptr : args[0].As<IBillForm>();
    if (!bill) throw HostError(method, "a bill form is expected");
    if (IEquals(method, "checkBillSNErr")) {
        result = checkBillSNErr(*bill);
    } else if (IEquals(method, "checkXSDBillSNErr")) {
        result = Report(CheckSerialNumbersOfBill(*bill));
    } else {
        result = Report(CheckStoredBillBatches(bill->CurBillID(), entryTable));
    }
    return true;
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
               [](CheckRun& run) { return LookupTextsRefreshed(*run.bill); });
    AddLastSaveChecks(b, "FTranspotationCharges", &StockSuffices);
    b.Check(Stage::Check, "the serial numbers of the bill are complete", [](CheckRun& run) {
         return CheckSerialNumbersOfBill(*run.bill);
     }).Check(Stage::Check, "rule C allows the check", [](CheckRun& run) {
        return CheckBillForAudit(BillAsSelection(*run.bill), false);
    });
    b.Check(Stage::Uncheck, "rule C allows the uncheck",
            [](CheckRun& run) { return CheckBillForAudit(BillAsSelection(*run.bill), true); });
}

}  // namespace qor
