#include "bills/common/sales_tools.h"

#include <cmath>
#include <string>
#include <utility>

#include "frame/data_access.h"
#include "frame/login.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

Verdict BillPeriodOpen(ToolRun& run) {
    return CheckPeriodOpen(run.bill->GetFieldValue("FDate"));
}

Verdict SettleFromTotal(ToolRun& run) {
    IBillForm& bill = *run.bill;
    const double total = RoundToDigits(bill.ColumnTotal(bill.GetFieldInfoByKey("FInTaxAmount")), 2);
    bill.SetFieldValue("FCurCheckAmount", total);
    const double offset = bill.GetFieldValue("FNeutralizeAmount").ToNumber();
    const bool severalAccounts = bill.GetFieldValue("FMultiAccount").ToNumber() != 0;
    if (!severalAccounts) bill.SetFieldValue("FCurPayAmount", RoundToDigits(total - offset, 2));
    const double pay = bill.GetFieldValue("FCurPayAmount").ToNumber();
    const bool noAccount = severalAccounts || pay == 0;
    LockEntryCell(bill, "FBalanceStyle", noAccount);
    LockEntryCell(bill, "FAcctNo", noAccount);
    LockEntryCell(bill, "FDiscountAcctID", std::abs(total - (pay + offset)) < 0.005);
    return Verdict::Pass();
}

Verdict NotTransferred(ToolRun& run) {
    IBillForm& bill = *run.bill;
    const std::string found = GetSQLValue(
        "Select top 1 1 from t_RP_CheckBillEntry1 t1 inner join t_RP_CheckBill t2 on "
        "t1.FID=t2.FID where t1.FSourceInterID=" +
        SqlId(bill.GetFieldValue("FID")) + " And t1.FSourceClassTypeId=" + SqlId(bill.FID()) +
        " And t2.FBillTypeId in(5024,5025)");
    if (Val(found) == 1) return Verdict::Refuse("该单据已经发生转移，请到应收应付系统制作收付款单");
    return Verdict::Pass();
}

ToolRule OffsetAdvanceReceipts(const char* callerName) {
    return [callerName](ToolRun& run) {
        IBillForm& bill = *run.bill;
        const std::string props = GetPropsString();
        if (!CheckAccessRight(props, 14, 300, 2, callerName) &&
            !CheckAccessRight(props, 14, 300, 4, callerName))
            return Verdict::Refuse("您没有核销预收款的权限。");
        if (SafeId(bill.GetFieldValue("FCustID")) <= 0)
            return Verdict::Refuse("请先输入客户。").At("FCustID");
        bill.SetActiveCell("FNeutralizeAmount", -1);
        return Verdict::Pass();
    };
}

Verdict MayPrintWaybill(ToolRun&) {
    if (CheckAccessRight(GetPropsString(), 12, 200, 64, "QORMain.MDIMain")) return Verdict::Pass();
    return Verdict::Refuse("您没有打印权限。");
}

Verdict ShareFreightByQty(ToolRun& run) {
    return ShareTransportCosts(*run.bill, kShareByQty);
}

Verdict ShareFreightByAmt(ToolRun& run) {
    return ShareTransportCosts(*run.bill, kShareByAmt);
}

void DressSalesSideTools(const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    static constexpr std::pair<const char*, const char*> kSourceTools[] = {
        {"mnuRelate_1030001", "选择销售订单"},
        {"mnuRelate_1030002", "选择销售发货单"},
        {"mnuRelate_1030003", "选择委托代销单"}};
    for (const auto& [key, caption] : kSourceTools) {
        auto tool = menuBar->Tool(key);
        if (!tool) continue;
        tool->SetDescription("选源单");
        tool->SetToolTipText(caption);
    }
    if (auto tool = menuBar->Tool("mnuEditCheckInfo")) tool->SetCaption("冲预收款");
    if (auto tool = menuBar->Tool("mnuEditAutoSumAmt")) tool->SetShortcut("F9");
    if (auto bar = menuBar->AddBand("BandToolBar")) {
        for (const char* key : {"mnuKddPrint", "mnuEditUnCheck"}) {
            if (auto tool = menuBar->Tool(key)) bar->AddTool(tool);
        }
    }
}

}  // namespace qor
