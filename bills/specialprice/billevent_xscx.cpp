#include "bills/specialprice/billevent_xscx.h"

#include "bills/specialprice/xscx_commands.h"
#include "bills/specialprice/xscx_prices.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "services/clock.h"
#include "services/system_options.h"

namespace qor {

const ClassFacts& BillEvent_XSCX::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_XSCX",
        EventsOf({Ev::AfterCopyBill, Ev::AfterLoadBill, Ev::AfterNewBill, Ev::BeforeSave,
                  Ev::BusinessCheck, Ev::Change, Ev::MenuBarClick, Ev::MenuBarInitialize,
                  Ev::SaveBillSuccess, Ev::ControlClick, Ev::ControlPaint, Ev::ControlKeyPress,
                  Ev::ListBusinessCheck, Ev::ListMenuBarInitialize}),
        /*offersUserProfile=*/false,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_XSCX>()); }};
    return facts;
}

BillEvent_XSCX::BillEvent_XSCX() : PlugInBase(ClassInfo()) {}

// The special-price bill's class has no termination step of its own.
BillEvent_XSCX::~BillEvent_XSCX() = default;

const RuleBook* BillEvent_XSCX::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        xscx::AddSpecialPriceRules(b);
        xscx::AddSpecialPriceChecks(b);
        xscx::AddSpecialPriceTools(b);
        return b;
    }();
    return &book;
}

// ---- Lifecycle ---------------------------------------------------------------------------------

// A new bill is for every customer and runs from today 00:00 to today + 30 days 23:59.
void BillEvent_XSCX::m_BillInterface_AfterNewBill() {
    IBillForm& bill = *m_BillInterface();
    RefreshSpecialPriceMenus();
    const Date today = CurrentDateTime();
    bill.SetFieldValue("FBeginDate", FormatDate(today));
    bill.SetFieldValue("FEndDate", FormatDate(AddDays(today, 30)));
    bill.SetFieldValue("FBeginTime", "00:00");
    bill.SetFieldValue("FEndTime", "23:59");
    SetCustomerList("", "", false);
    ClearPageModifyFlags(bill);
}

void BillEvent_XSCX::m_BillInterface_AfterLoadBill() {
    ClearPageModifyFlags(*m_BillInterface());
    LoadCustomerList();
    ShowCustomerControls();
    RefreshSpecialPriceMenus();
}

// The copy is a new, unchecked bill: its original prices are fetched again and its total limits
// start empty. Application type 4 works with price type 3.
void BillEvent_XSCX::m_BillInterface_AfterCopyBill() {
    IBillForm& bill = *m_BillInterface();
    if (GetAppType() == 4) {
        bill.SetFieldValue("FPriceType", 3);
        if (auto def = bill.GetFieldInfoByKey("FPriceType")) def->Set("FieldLock", true);
    }
    xscx::RefreshAllRowPrices(bill, customers_);
    RefreshSpecialPriceMenus();
}

// The form opens: the bill's tools, and the customer box gets its selection button and tip.
void BillEvent_XSCX::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    if (!m_BillInterface()) return;
    AddCustomerControls();
    RefreshSpecialPriceMenus();
}

void BillEvent_XSCX::m_BillInterface_SaveBillSuccess(const Value&) {
    WriteCustomerList();
}

// The list checks and copies special-price bills.
void BillEvent_XSCX::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    if (!menuBar) return;
    for (const char* key : {"mnuEditCheck", "mnuEditCopy"})
        if (auto tool = menuBar->Tool(key)) tool->SetVisible(true);
}

void BillEvent_XSCX::RefreshSpecialPriceMenus() {
    IBillForm& bill = *m_BillInterface();
    const bool unchecked = bill.GetFieldValue("FStatus").ToNumber() == 0;
    bill.SetBarStatus("mnuEditCheck", "Visible", unchecked);
    bill.SetBarStatus("mnuEditCheck", "Enabled", unchecked);
    // A checked special price cannot be unchecked, only invalidated.
    bill.SetBarStatus("mnuEditUnCheck", "Visible", false);
    for (const char* key :
         {"mnuRelateViewVoucher", "mnuRelateViewList", "mnuOptionAmountCalcPrice", "mnuCopyRow"})
        bill.SetBarStatus(key, "Visible", false);
    RefreshTools();
}

// ---- Public operations -------------------------------------------------------------------------

// ChkPriceValidate(bill, row, priceType, ok): ok tells whether the row's unit may be used.
bool BillEvent_XSCX::InvokeOwn(const std::string& method, Args& args, Value& result) {
    if (!IEquals(method, "ChkPriceValidate")) return false;
    auto bill = args.size() > 0 ? args[0].As<IBillForm>() : nullptr;
    if (!bill) bill = m_BillInterface();
    const int row = args.size() > 1 ? static_cast<int>(args[1].ToNumber()) : 0;
    const Value priceType = args.size() > 2 ? args[2] : Value();
    const bool ok = bill && xscx::ChkPriceValidate(*bill, row, priceType);
    if (args.size() > 3) args[3] = ok;
    result = Value();
    return true;
}

const std::vector<std::string>& BillEvent_XSCX::PriceTipLines() {
    static const std::vector<std::string> lines{
        "提示：",
        "1、原价根据“价格管理-售价带出方案”中设置的规则带出。",
        "2、如果表头客户多于一个，原价则不带出以下相关价格：",
        "    （1）客户协议价格",
        "    （2）商品价格资料中的客户等级价格",
        "    （3）商品+客户最近销售价格",
        "3、本单中，原价不允许为零。"};
    return lines;
}

}  // namespace qor
