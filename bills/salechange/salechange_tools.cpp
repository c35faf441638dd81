// The exchange bill's tools: the host's check, uncheck and delete tools guarded by the period and
// the rejection, printing after a save when the account asks for it, freight sharing, the
// advance-receipt offset, and in the list the guard of deleting. The exchange bill has no per-user
// option tools.
#include <string>
#include <vector>

#include "bills/common/sales_checks.h"
#include "bills/salechange/salechange_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

namespace {

Verdict PeriodOpen(ToolRun& run) {
    return CheckPeriodOpen(run.bill->GetFieldValue("FDate"));
}

// A rejected bill (on the form or as stored) is not deleted.
Verdict DeletableBill(ToolRun& run) {
    IBillForm& bill = *run.bill;
    if (bill.GetFieldValue("FRejected").ToNumber() == 1 || IsStoredChangeRejected(bill.CurBillID()))
        return Verdict::Refuse("不能删除驳回状态的单据！");
    return PeriodOpen(run);
}

// With the account's option a bill is saved before it is printed; a refused save prints nothing.
Verdict SavedBeforePrint(ToolRun& run) {
    const std::string option = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory='IC' And FKey='SaveBeforePrint'");
    if (Val(option) != 1) return Verdict::Pass();
    auto form = run.bill->BillForm();
    if (form && !form->SaveBill()) return Verdict::Silent();
    return Verdict::Pass();
}

Verdict MayPrintWaybill(ToolRun&) {
    if (CheckAccessRight(GetPropsString(), 12, 200, 64, "QORMain.MDIMain")) return Verdict::Pass();
    return Verdict::Refuse("您没有打印权限。");
}

// The user enters the advance receipts to offset in FNeutralizeAmount, for a customer.
Verdict OffsetAdvanceReceipts(ToolRun& run) {
    const std::string props = GetPropsString();
    if (!CheckAccessRight(props, 14, 300, 2, kSaleChangeProgId) &&
        !CheckAccessRight(props, 14, 300, 4, kSaleChangeProgId))
        return Verdict::Refuse("您没有核销预收款的权限。");
    IBillForm& bill = *run.bill;
    if (SafeId(bill.GetFieldValue("FCustID")) <= 0)
        return Verdict::Refuse("请先输入客户。").At("FCustID");
    bill.SetActiveCell("FNeutralizeAmount", -1);
    return Verdict::Pass();
}

// A selection holding a rejected exchange bill is not deleted; every bill's period must be open.
Verdict SelectionDeletable(ToolRun& run) {
    for (int32_t id : SelectedBillIDs(*run.list)) {
        if (IsStoredChangeRejected(id))
            return Verdict::Refuse("你选择的单据包含驳回状态的订单，不允许删除，请重新选择。");
    }
    return SelectionPeriodsOpen(*run.list, "t_cc_Change", ct::kSaleChange);
}

}  // namespace

void AddExchangeTools(RuleBook& b) {
    b.OnClick("mnuEditCheck", &PeriodOpen)
        .OnClick("mnuEditUnCheck", &PeriodOpen)
        .OnClick("mnuEditFileDelete", &DeletableBill)
        .OnClick("mnuFilePrint", &SavedBeforePrint)
        .OnClick("mnuFilePreview", &SavedBeforePrint)
        .OnClick("mnuKddPrint", &MayPrintWaybill)
        .OnClick("mnuEditCheckInfo", &OffsetAdvanceReceipts)
        .OnClick("mnuShareByQty",
                 [](ToolRun& run) { return ShareTransportCosts(*run.bill, kShareByQty); })
        .OnClick("mnuShareByAmt",
                 [](ToolRun& run) { return ShareTransportCosts(*run.bill, kShareByAmt); });
    b.OnListClick("mnuEditDelete", &SelectionDeletable)
        .OnListClick("mnuKddPrint", &MayPrintWaybill);
}

}  // namespace qor
