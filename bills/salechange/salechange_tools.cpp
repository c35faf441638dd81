// The exchange bill's tools: the sales bill's related-record queries, logistics and invoice
// tools on the exchange bill's own tables, the reject command, and the host's check, uncheck
// and delete tools guarded by the period and the rejection, the settlement of the whole total
// (F9), the receipt push, the advance-receipt offset, waybill printing, freight sharing and
// printing after a save; in the list the logistics tools and the guard of deleting. The
// exchange bill has no per-user option tools and no invoice of the list's selection.
#include "bills/common/list_selection.h"
#include "bills/common/sales_checks.h"
#include "bills/common/sales_tools.h"
#include "bills/order/frm_reject_note.h"
#include "bills/sale/sale_rules.h"
#include "bills/salechange/salechange_rules.h"
#include "frame/class_types.h"
#include "frame/plugin.h"

namespace qor {

namespace {

// A rejected bill (on the form or as stored) is not deleted.
Verdict DeletableBill(ToolRun& run) {
    IBillForm& bill = *run.bill;
    if (bill.GetFieldValue("FRejected").ToNumber() == 1 || IsStoredChangeRejected(bill.CurBillID()))
        return Verdict::Refuse("不能删除驳回状态的单据！");
    return BillPeriodOpen(run);
}

// The reject command (驳回): in an open period, with the reason the user gives, saved.
Verdict RejectChange(ToolRun& run) {
    if (Verdict v = BillPeriodOpen(run); v.Refused()) return v;
    IBillForm& bill = *run.bill;
    if (!RejectBillWithNote(bill)) return Verdict::Pass();
    for (const char* key : {"MNUEDITFILESAVE", "MNUFILEEXIT", "mnuEditCheck", "mnuDataPre2",
                            "mnuDataNext2", "mnuEditFileNew"})
        bill.SetBarStatus(key, "Enabled", true);
    return Verdict::Pass();
}

// A selection holding a rejected exchange bill is not deleted; every bill's period must be open.
Verdict SelectionDeletable(ToolRun& run) {
    for (const Value& rejected :
         SelectedBillsColumn(*run.list, "t_cc_Change", ct::kSaleChange, "FRejected")) {
        if (Val(rejected.ToString()) == 1)
            return Verdict::Refuse("你选择的单据包含驳回状态的订单，不允许删除，请重新选择。");
    }
    return SelectionPeriodsOpen(*run.list, "t_cc_Change", ct::kSaleChange);
}

Verdict SavedBeforeChangePrint(ToolRun& run) {
    return SavedBeforePrinting(*run.bill);
}

}  // namespace

// The exchange bill has no layout by bill type to refresh after a follow-on document.
const SalesBillTables kSaleChangeTables{"t_cc_Change", "t_cc_ChangeEntry", ct::kSaleChange,
                                        kSaleChangeProgId, nullptr};

void AddExchangeTools(RuleBook& b) {
    AddRelatedRecordTools(b, kSaleChangeTables);
    AddInvoiceTool(b, kSaleChangeTables, "mnuRelate_1030002");
    b.Tool({.band = "mnuEdit",
            .key = "mnuReject",
            .caption = "驳回",
            .beforeKey = "mnuEditCheck",
            .onClick = &RejectChange});
    b.OnClick("mnuEditCheck", &BillPeriodOpen)
        .OnClick("mnuEditUnCheck", &BillPeriodOpen)
        .OnClick("mnuEditFileDelete", &DeletableBill)
        .OnClick("mnuEditAutoSumAmt", &SettleFromTotal)
        .OnClick("mnuRelatePushBill_1050001", &NotTransferred)
        .OnClick("mnuEditCheckInfo", OffsetAdvanceReceipts(kSaleChangeProgId))
        .OnClick("mnuKddPrint", &MayPrintWaybill)
        .OnClick("mnuShareByQty", &ShareFreightByQty)
        .OnClick("mnuShareByAmt", &ShareFreightByAmt)
        .OnClick("mnuFilePrint", &SavedBeforeChangePrint)
        .OnClick("mnuFilePreview", &SavedBeforeChangePrint);
    AddListLogisticsTools(b, kSaleChangeTables);
    b.OnListClick("mnuEditDelete", &SelectionDeletable)
        .OnListClick("mnuKddPrint", &MayPrintWaybill);
}

}  // namespace qor
