// What the sales bill's form shows and lets the user edit by its bill type and the user's
// rights.
#include "bills/common/entry_rows.h"
#include "bills/common/sales_header.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/login.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

namespace {

constexpr const char* kStockKeys = "FItemID,FShowUnitID,FSCStockID,FBatchNo,FAuxPropID,FKFDate";
// The goods keys of a row drawn from a consignment bill, which a settlement must keep.
constexpr const char* kSourceRowKeys[] = {"FItemID",    "FClientItemID", "FSCStockID", "FBatchNo",
                                          "FAuxPropID", "FKFDate",       "FShowUnitID"};

bool IsSettlement(double type) {
    return type == bt::kConsignSettle || type == bt::kConsignSettleReturn;
}

bool IsReturn(double type) {
    return type == bt::kReturn || type == bt::kConsignSettleReturn;
}

// Returns are shown in red.
constexpr int kReturnTextColor = 255;

}  // namespace

void ApplySaleRights(IBillForm& bill) {
    ApplyCostAndInvoiceRights(bill, kSaleProgId);
}

void ApplyBillTypeLocks(IBillForm& bill, const Value& billTypeID) {
    const double type = billTypeID.ToNumber();
    if (type == bt::kDelivery || type == bt::kReturn) {
        SetEntryFieldsLock2(bill, kStockKeys);
    } else if (IsSettlement(type)) {
        SetEntryFieldsLock(bill, kStockKeys);
    }
}

namespace {

// The tools shown by bill type: a mark per type 3001, 3002, 3003, 3004 ('1' shown, '0' hidden).
struct TypeTools {
    const char* key;
    const char* shownFor;
};
constexpr TypeTools kTypeTools[] = {
    {"mnuQuerySaleReject", "1000"},
    {"mnuQuerySale", "0100"},
    {"mnuQueryConsign", "0010"},
    {"mnuQueryConsignBal", "0010"},
    {"mnuQueryConsignReject", "0001"},
    {"mnuQuerySaleOrder", "1000"},
    {"mnuQueryGH", "1000"},
    {"mnuEditCopy", "1010"},
    {"mnuRelatePushBill_1030002", "1010"},
    {"mnuRelatePushBill_2000001", "1010"},
    {"mnuQueryLogisticList", "1010"},
};

// What the tools allow by the bill's status: a bill not yet checked takes goods and settlements,
// a checked one is unchecked and followed by receipts, returns and invoices.
void ApplyStatusTools(IBillForm& bill) {
    const bool checked = bill.GetFieldValue("FStatus").ToNumber() != 0;
    const bool saved = SafeId(bill.GetFieldValue("FID")) > 0;
    const bool rejected = bill.GetFieldValue("FRejected").ToNumber() != 0;
    for (const char* key : {"mnuEditAddRow", "mnuCopyRow", "mnuImportGoods", "mnuBarCode",
                            "mnuSerialNum", "mnuEditAutoSumAmt", "mnuEditCheckInfo"})
        bill.SetBarStatus(key, "Enabled", !checked);
    bill.SetBarStatus("mnuEditFileSave", "Visible", true);
    bill.SetBarStatus("mnuEditClose", "Visible", false);
    bill.SetBarStatus("mnuEditUnClose", "Visible", false);
    bill.SetBarStatus("mnuEditCheck", "Enabled", !checked);
    bill.SetBarStatus("mnuEditUnCheck", "Enabled", checked);
    bill.SetBarStatus("mnuRelateViewVoucher", "Enabled", checked);
    bill.SetBarStatus("mnuReject", "Visible", saved && !checked && !rejected);
    for (const char* key : {"mnuRelatePushBill_1050001", "mnuRelatePushBill_1030002"})
        bill.SetBarStatus(key, "Enabled", checked);
    for (const char* key : {"mnuRelatePushBill_3000001", "mnuRelatePushBill_2000001"})
        bill.SetBarStatus(key, "Enabled", saved);
    if (rejected) {
        bill.SetBarStatus("mnuEditCheck", "Visible", false);
        bill.SetBarStatus("mnuEditFileDelete", "Visible", false);
        bill.SetBarStatus("mnuEditCopy", "Enabled", false);
    }
}

// The source-link quantity columns: what a delivery or settlement had returned and has open.
void ApplySourceColumns(IBillForm& bill, bool isReturn) {
    SetEntryFieldsVisible(bill, "FOrderQty,FRejectQty,FRejectAuxQty,FUnRejectQty,FUnRejectAuxQty",
                          !isReturn);
    if (IsIndustryMode())
        SetEntryFieldsVisible(bill, "FBaseOrderQty,FBaseRejectQty,FBaseUnRejectQty", !isReturn);
}

// The offset of advance receipts is shown as the form's table information configures it.
void ApplyNeutralizeVisibility(IBillForm& bill) {
    auto info = bill.TableInfo();
    auto map = info ? info->Sub("Map") : nullptr;
    auto field = map ? map->Sub("FNeutralizeAmount") : nullptr;
    if (field && field->Exists("FVisible"))
        SetHeadFieldsVisible(bill, "FNeutralizeAmount", field->Get("FVisible").ToBool());
}

}  // namespace

void RefreshBillTypeTools(IBillForm& bill) {
    auto bar = bill.MenuBar();
    if (!bar) return;
    const double type = bill.GetFieldValue("FBillTypeID").ToNumber();
    const int column = static_cast<int>(type) - bt::kDelivery;
    if (column >= 0 && column < 4) {
        for (const TypeTools& t : kTypeTools) {
            bool shown = t.shownFor[column] == '1';
            if (shown && GetAppType() == 1 &&
                (IEquals(t.key, "mnuRelatePushBill_2000001") ||
                 IEquals(t.key, "mnuQueryLogisticList")))
                shown = false;
            bill.SetBarStatus(t.key, "Visible", shown);
        }
    }
    if (auto tool = bar->Tool("mnuQueryPayIn"))
        tool->SetCaption(IsReturn(type) ? "查询退款记录" : "查询收款记录");
    if (auto tool = bar->Tool("mnuRelate_1030002"); tool && IsReturn(type))
        tool->SetToolTipText("选择销售发货单");
}

void ApplyBillTypeLayout(IBillForm& bill, const Value& billTypeID) {
    const double type = billTypeID.ToNumber();
    ApplyTaxColumns(bill, bill.GetFieldValue("FInvoiceType"));
    if (IsSettlement(type)) {
        const int rows = GetEntryRowCount(bill);
        for (int r = 1; r <= rows; ++r) {
            if (bill.GetFieldValue("FID_SRC", r).ToNumber() <= 0) continue;
            for (const char* key : kSourceRowKeys) LockEntryCell(bill, key, true, false, 0, r);
        }
    }
    ApplySourceColumns(bill, IsReturn(type));
    ApplyNeutralizeVisibility(bill);
    bill.SetEntryCtlProperty("TextColor", IsReturn(type) ? kReturnTextColor : 0, Value());
    RefreshBillTypeTools(bill);
    ApplyStatusTools(bill);
}

}  // namespace qor
