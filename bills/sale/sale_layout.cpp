// What the sales bill's form shows and lets the user edit by its bill type and the user's
// rights.
#include "bills/common/sales_header.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
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

void RefreshBillTypeTools(IBillForm& bill) {
    auto bar = bill.MenuBar();
    if (!bar) return;
    const double type = bill.GetFieldValue("FBillTypeID").ToNumber();
    if (auto tool = bar->Tool("mnuRelate_1030002"); tool && IsReturn(type))
        tool->SetToolTipText("选择销售发货单");
}

void ApplyBillTypeLayout(IBillForm& bill, const Value& billTypeID) {
    ApplyTaxColumns(bill, bill.GetFieldValue("FInvoiceType"));
    if (IsSettlement(billTypeID.ToNumber())) {
        const int rows = GetEntryRowCount(bill);
        for (int r = 1; r <= rows; ++r) {
            if (bill.GetFieldValue("FID_SRC", r).ToNumber() <= 0) continue;
            for (const char* key : kSourceRowKeys) LockEntryCell(bill, key, true, false, 0, r);
        }
    }
    RefreshBillTypeTools(bill);
}

}  // namespace qor
