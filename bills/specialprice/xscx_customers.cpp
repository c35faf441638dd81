// The customers a special-price bill is for: kept in the class while the form is open, in the
// customer box's Tag and in FCUSTOMER's cell data; stored in T_LS_CX_Customer after each save.
#include <string>

#include "bills/specialprice/billevent_xscx.h"
#include "bills/specialprice/xscx_prices.h"
#include "frame/data_access.h"
#include "frame/platform.h"
#include "services/common.h"

namespace qor {

namespace {

constexpr const char* kAllCustomers = "全部客户";
// The header's customer box and the controls the plug-in adds beside it.
constexpr const char* kCustomerBox = "FCUSTOMER";
constexpr const char* kSelectButton = "cmdSelCust";
constexpr const char* kPriceTip = "pic";

// The names of the customers of the list, joined by ",".
std::string CustomerNames(const std::string& list) {
    if (list.empty()) return "";
    std::string names;
    auto rs = OpenRecordset("Select FName From t_Item Where FItemID In (" + list + ")");
    for (; rs && !rs->IsEOF(); rs->MoveNext())
        names += (names.empty() ? "" : ",") + rs->Field("FName").ToString();
    return names;
}

}  // namespace

void BillEvent_XSCX::SetCustomerList(const std::string& list, const std::string& names,
                                     bool markModified) {
    IBillForm& bill = *m_BillInterface();
    customers_ = xscx::CustomerIdList(list);
    const std::string text =
        customers_.empty() ? kAllCustomers : (names.empty() ? customers_ : names);
    if (auto box = bill.Control(kCustomerBox)) {
        box->SetProperty("Tag", customers_);
        box->SetProperty("Text", text);
    }
    if (auto cell = bill.GetDataFldbyKey(kCustomerBox)) {
        cell->Set("FFLD", customers_);
        cell->Set("FDSP", text);
        if (markModified) cell->Set("FMODIFY", 1);
    }
}

void BillEvent_XSCX::LoadCustomerList() {
    IBillForm& bill = *m_BillInterface();
    std::string list;
    auto rs = GetRecordset("select FItemID from T_LS_CX_Customer where FBillID=" +
                           SqlId(bill.GetFieldValue("FID")));
    for (; rs && !rs->IsEOF(); rs->MoveNext())
        list += (list.empty() ? "" : ",") + rs->Field("FItemID").ToString();
    list = xscx::CustomerIdList(list);
    SetCustomerList(list, CustomerNames(list), false);
}

void BillEvent_XSCX::ShowCustomerControls() {
    IBillForm& bill = *m_BillInterface();
    auto def = bill.GetFieldInfoByKey(kCustomerBox);
    if (!def) return;
    const std::string shown =
        GetSQLValue("select FVisible from ICClassTableInfo where FID=" + SqlId(def->Get("FID")));
    // Without field information the field's own definition decides.
    const bool visible =
        Trim(shown).empty() ? def->Get("Visible", Value(true)).ToBool() : Val(shown) != 0;
    for (const char* name : {kSelectButton, kPriceTip})
        if (auto control = bill.Control(name)) control->SetProperty("Visible", visible);
}

void BillEvent_XSCX::AddCustomerControls() {
    IBillForm& bill = *m_BillInterface();
    if (auto button = bill.AddControl("CommandButton", kSelectButton, kCustomerBox))
        button->SetProperty("Caption", "...");
    bill.AddControl("PictureBox", kPriceTip, kCustomerBox);
    ShowCustomerControls();
}

void BillEvent_XSCX::m_BillInterface_ControlClick(const std::string& name) {
    if (IEquals(name, kSelectButton)) SelectCustomers();
}

void BillEvent_XSCX::m_BillInterface_ControlPaint(const std::string& name) {
    if (!IEquals(name, kPriceTip)) return;
    auto tip = m_BillInterface()->Control(kPriceTip);
    if (!tip) return;
    Args none;
    tip->Call("Cls", none);
    for (const std::string& line : PriceTipLines()) {
        Args text{Value(line)};
        tip->Call("Print", text);
    }
}

void BillEvent_XSCX::m_BillInterface_ControlKeyPress(const std::string& name, int& keyAscii) {
    if (IEquals(name, kCustomerBox)) keyAscii = 0;
}

void BillEvent_XSCX::SelectCustomers() {
    auto customers = GetRecordset(
        "Select a.FItemID,a.FNumber,a.FName,a.FParentID,a.FDetail,a.FDeleted,b.FIntent From "
        "t_Item a left join  t_Organization b on a.FItemID=b.FItemID WHERE a.FItemClassID=1 "
        "ORDER BY b.FIntent,a.FNumber ");
    auto view = CreateHostObject<IComponent>("QOREBCGLView.GLView");
    Args args{Value(customers), Value("特价单客户"), Value(true), Value(customers_)};
    auto chosen = view->Call("ItemSelect", args).As<Collection>();
    if (!chosen) return;  // the selection was closed without a choice
    SetCustomerList(chosen->Get("CheckPoints").ToString(), chosen->Get("ShowName").ToString(),
                    true);
    xscx::RecalcAllRowPrices(*m_BillInterface(), customers_);
}

void BillEvent_XSCX::WriteCustomerList() {
    IBillForm& bill = *m_BillInterface();
    const std::string billNo = bill.GetFieldValue("FBillNo").ToString();
    const std::string billID =
        SqlId(Value(GetSQLValue("select FID from T_LS_CX where FBillNo=" + SqlValue(billNo))));
    if (billID == "0") return;  // the bill was not stored
    UpdateBatch("delete T_LS_CX_Customer where FBillID=" + billID);
    if (customers_.empty()) return;
    UpdateBatch("insert into T_LS_CX_Customer select " + billID + "," + SqlValue(billNo) +
                ",FItemClassID,FItemID,FNumber,FNumber + '-' + FName as FShowName from "
                "dbo.t_Item where FItemID in (" +
                customers_ + ")");
}

}  // namespace qor
