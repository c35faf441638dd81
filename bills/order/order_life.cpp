// The sales order around its editing: the layouts of ordinary and web orders and of a rejected
// order, the rows' composite quantity texts, and what a save writes back (the quantities not yet
// linked to purchase orders, the order's contact to the customer).
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/sales_header.h"
#include "bills/order/order_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor::order {

namespace {

// The header fields only a web order has.
constexpr const char* kWebOrderFields =
    "FWebTradeID,FWebshopID,FMobilePhone,FWebBillAmount,FWebBillDiscountAmount,"
    "FWebBillTransAmount,FWebBillReceAmount,FReceiverCity";

// The header of a web order comes from the web shop and is not edited here.
constexpr const char* kWebOrderLockedFields[] = {"FFetchStyle",
                                                 "FAddress",
                                                 "FFetchDate",
                                                 "FFax",
                                                 "FXSDeposit",
                                                 "FCustID",
                                                 "FContact",
                                                 "FPhone",
                                                 "FDate",
                                                 "FUserDefine1",
                                                 "FUserDefine2",
                                                 "FUserDefine3",
                                                 "FUserDefine4",
                                                 "FUserDefine5",
                                                 "FUserDefine6",
                                                 "FWebTradeID",
                                                 "FWebshopID",
                                                 "FMobilePhone",
                                                 "FWebBillAmount",
                                                 "FWebBillDiscountAmount",
                                                 "FWebBillTransAmount",
                                                 "FWebBillReceAmount",
                                                 "FReceiverCity"};

// The tools an ordinary order offers and a web order does not.
void OfferOrdinaryTools(IBillForm& bill, bool offer) {
    for (const char* key : {"mnuImportGoods", "mnuEditCopy", "mnuBarCode"}) {
        bill.SetBarStatus(key, "Visible", offer);
        bill.SetBarStatus(key, "Enabled", offer);
    }
    bill.SetBarStatus("mnuEditFileNew", "Visible", offer);
}

void ShowOrderCaption(IBillForm& bill) {
    if (auto form = bill.BillForm()) form->SetCaption("销售订单" + GetFormStateCaption(bill));
}

bool IsWebOrder(IBillForm& bill) {
    const double type = bill.GetFieldValue("FBillTypeID").ToNumber();
    return type != bt::kOrder && type != 0;
}

}  // namespace

std::string GetFormStateCaption(IBillForm& bill) {
    switch (bill.BillStatus()) {
        case 2:
            return "[修改]";
        case 1:
            return "[新增]";
        default:
            return "[查看]";
    }
}

void ApplyOrderTypeLayout(IBillForm& bill) {
    if (IsWebOrder(bill)) {
        LockWebOrderFields(bill);
        return;
    }
    SetHeadFieldsVisible(bill, kWebOrderFields, false);
    ShowOrderCaption(bill);
    OfferOrdinaryTools(bill, true);
}

void LockWebOrderFields(IBillForm& bill) {
    for (const char* key : kWebOrderLockedFields) LockEntryCell(bill, key, true, false, 0, -1);
    SetHeadFieldsVisible(bill, kWebOrderFields, true);
    OfferOrdinaryTools(bill, false);
    ShowOrderCaption(bill);
}

void ApplyRejectedLayout(IBillForm& bill) {
    if (bill.GetFieldValue("FRejected").ToNumber() != 1) return;
    // The same tools stand in the menu and on the toolbar band.
    bill.SetBarStatus("mnuEditCheck", "Visible", false);
    bill.SetBarStatus("mnuEditFileDelete", "Visible", false);
    bill.SetBarStatus("mnuEditCopy", "Enabled", false);
}

void UpdateRowComplexQty(IBillForm& bill, int row) {
    Trapped("UpdateRowComplexQty", [&] {
        const std::string text = FillComplexQtyText(bill, row);
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID2", row));
        if (SafeId(bill.GetFieldValue("FItemID", row)) <= 0 || entry <= 0)
            return;  // a row not stored yet keeps its text until it is
        const bool orderRow = SafeId(bill.GetFieldValue("lClassTypeID", row)) == ct::kSalesOrder;
        UpdateBatch(std::string("UPDATE ") +
                    (orderRow ? "t_XS_OrderEntry" : "T_CC_StockBillEntry") +
                    " SET FComplexQtyDis = " + SqlValue(text) +
                    " WHERE lEntryID = " + std::to_string(entry));
    });
}

void UpdatePurchaseLink(IBillForm& bill) {
    // The purchase side's own update: a failure of it leaves the contact write-back to run.
    Trapped("UpdatePurchaseLink", [&] {
        const int32_t billID = SafeId(bill.GetFieldValue("FID"));
        if (billID <= 0) return;
        auto purchase = CreateHostObject<IComponent>("QOR_CG_PlugIns.BillEvent_Order");
        purchase->Call("updateXSOrderFUnLinkCGQty", {billID});
    });
}

void WriteBackOrderContact(IBillForm& bill) {
    // Nothing here may undo or disturb the save.
    Trapped("WriteBackOrderContact", [&] {
        const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
        const std::string contact = Trim(bill.GetFieldValue("FContact").ToString());
        bool several = false;
        auto found = FindContactToWriteBack(customer, contact, &several);
        if (several) {
            auto tip = CreateHostObject<IComponent>("QorHelpTip.HelpTip");
            tip->Call("ShowPopTip", {"保存成功！", kTipCaption});
        }
        if (!found) return;
        // The values go to the contact component as they are; it stores them itself.
        const std::string address = Trim(bill.GetFieldValue("FReceiveAddr").ToString());
        const std::string phone = Trim(bill.GetFieldValue("FPhone").ToString());
        auto record = Collection::Make();
        const bool isNew = found->Field("FIsNew").ToNumber() == 1;
        for (const char* key : {"FID", "FQQNum", "FPosition", "FPhoto", "FMobilePhone", "FFax",
                                "FEmail", "FDeptName"})
            record->Set(key, isNew ? Value("") : found->Field(key));
        record->Set("FIsFirst", isNew ? Value(found->Field("FWithFirst").ToNumber() == 0 ? 1 : 0)
                                      : found->Field("FIsFirst"));
        record->Set("FIsNew", isNew ? 1 : 0);
        record->Set("FContact", contact);
        record->Set("FAddress", address);
        record->Set("FPhone", phone);
        auto list = Collection::Make();
        list->Add("1", Value(record));
        auto contacts = CreateHostObject<IComponent>("QOREBSGLItem.clsBarCodeUpdate");
        contacts->Call("SaveContactData", {customer, list, GetPropsString()});
    });
}

}  // namespace qor::order
