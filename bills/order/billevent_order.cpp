#include "bills/order/billevent_order.h"

#include "bills/common/entry_rows.h"
#include "bills/common/order_rows.h"
#include "bills/common/sales_header.h"
#include "bills/order/order_rules.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/rules.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"

namespace qor {

const ClassFacts& BillEvent_Order::ClassInfo() {
    static const ClassFacts facts{
        "BillEvent_Order",
        EventsOf({Ev::AfterCopyBill, Ev::AfterDoAction2, Ev::AfterFillRow, Ev::AfterLoadBill,
                  Ev::AfterNewBill, Ev::AfterSave, Ev::BeforeDoAction, Ev::BeforeSave,
                  Ev::BusinessCheck, Ev::Change, Ev::EntryGridRow, Ev::MenuBarClick,
                  Ev::MenuBarInitialize, Ev::UnBusinessCheck, Ev::ListAfterCopyBillCreateData,
                  Ev::ListBusinessCheck, Ev::ListMenuBarClick, Ev::ListMenuBarInitialize,
                  Ev::ListUnBusinessCheck}),
        /*offersUserProfile=*/true,
        [] { return std::unique_ptr<IPlugIn>(std::make_unique<BillEvent_Order>()); }};
    return facts;
}

BillEvent_Order::BillEvent_Order() : PlugInBase(ClassInfo()) {}

BillEvent_Order::~BillEvent_Order() {
    Terminate();
}

const RuleBook* BillEvent_Order::Book() const {
    static const RuleBook book = [] {
        RuleBook b;
        order::AddOrderChangeRules(b);
        order::AddOrderChecks(b);
        order::AddOrderTools(b);
        return b;
    }();
    return &book;
}

// ---- The user's price option -------------------------------------------------------------------

namespace {

// The order's per-user settings: the class type's number and "BillSet".
std::string OrderSettings(IBillForm* bill) {
    return std::to_string(bill ? bill->FID() : 1030001) + "BillSet";
}

}  // namespace

bool BillEvent_Order::KeepsPricesOnCustomerChange() {
    return Trapped("KeepsPricesOnCustomerChange", false, [&] {
        return Val(GetUserProfile(OrderSettings(m_BillInterface().get()), "DoNotResetPrice")) != 0;
    });
}

void BillEvent_Order::SetKeepsPricesOnCustomerChange(bool keep) {
    SaveUserProfileItem(OrderSettings(m_BillInterface().get()), "DoNotResetPrice",
                        keep ? "1" : "0");
}

// ---- Lifecycle ---------------------------------------------------------------------------------

namespace {

int RowOf(const Value& v) {
    return static_cast<int>(SafeId(v));
}

}  // namespace

void BillEvent_Order::m_BillInterface_AfterNewBill() {
    IBillForm& bill = *m_BillInterface();
    bill.SetStatusText(3, "");
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
    // A new order is offered the tools of a new order, whatever the form showed before.
    RefreshOrderMenus();
    order::ApplyOrderTypeLayout(bill);
}

void BillEvent_Order::m_BillInterface_AfterLoadBill() {
    IBillForm& bill = *m_BillInterface();
    ShowCustomerBalance(bill, order::kOrderProgId);
    RefreshOrderMenus();
    if (IsIndustryMode()) RecalcBillEntries(bill);
    ClearPageModifyFlags(bill);
    ApplyPriceAndTaxRights(bill);
    order::ApplyOrderTypeLayout(bill);
    order::ApplyRejectedLayout(bill);
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (Trim(bill.GetFieldValue("FComplexQtyDis", row).ToString()).empty())
            order::UpdateRowComplexQty(bill, row);
    }
}

void BillEvent_Order::m_BillInterface_AfterCopyBill() {
    IBillForm& bill = *m_BillInterface();
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (SafeId(bill.GetFieldValue("FItemID", row)) > 0) order::RefreshStockColumns(bill, row);
    }
    if (IsIndustryMode()) RecalcBillEntries(bill);
    ApplyPriceAndTaxRights(bill);
    bill.SetFieldValue("FXSDeposit", "");
    // The copy is a new order: it is not rejected, and it has the tools of a new order.
    bill.SetFieldValue("FRejected", "0");
    bill.SetFieldValue("FRejectedNote", "");
    bill.SetFieldValue("FRejectedTime", "");
    RefreshOrderMenus();
    order::ApplyOrderTypeLayout(bill);
}

void BillEvent_Order::m_BillInterface_AfterFillRow(const Value& rowValue, const Value&,
                                                   const Value&, const Value&) {
    IBillForm& bill = *m_BillInterface();
    const int row = RowOf(rowValue);
    if (row < 1) return;
    PrepareFilledRow(bill, row);
    FocusOpenColumn(bill, 0, false);
}

void BillEvent_Order::m_BillInterface_AfterSave(const Value&) {
    IBillForm& bill = *m_BillInterface();
    // The host shows the saved order in the view state: its tools follow.
    RefreshOrderMenus(true);
    order::ApplyRejectedLayout(bill);
    order::UpdatePurchaseLink(bill);
    order::WriteBackOrderContact(bill);
}

void BillEvent_Order::m_BillInterface_EntryGridRow(const std::vector<Value>& values) {
    if (values.size() > 1) order::ShowRowStockInfo(*m_BillInterface(), RowOf(values[1]));
}

// ---- The host's formulas -----------------------------------------------------------------------

void BillEvent_Order::m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                                     const CollectionPtr&, const Value&,
                                                     const std::string& kind, const std::string&,
                                                     const std::string& expression, bool& cancel) {
    if (SuppressesHostFormula(*m_BillInterface(), fieldDesc, kind, expression)) cancel = true;
}

void BillEvent_Order::m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                     const CollectionPtr&, const Value&,
                                                     const std::string& kind,
                                                     const std::string& type,
                                                     const std::string& expression) {
    IBillForm& bill = *m_BillInterface();
    FollowHostFormula(bill, fieldDesc, kind, type, expression);
    if (fieldDesc && IEquals(fieldDesc->Get("FKey").ToString(), "FShowQty"))
        FillComplexQtyText(bill, RowOf(fieldDesc->Get("FRow")));
}

// ---- Menus -------------------------------------------------------------------------------------

void BillEvent_Order::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_BillInterface_MenuBarInitialize(menuBar);
    if (!m_BillInterface()) return;
    order::DescribeOrderTools(*m_BillInterface(), menuBar, KeepsPricesOnCustomerChange());
    RefreshOrderMenus();
}

void BillEvent_Order::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    PlugInBase::m_ListInterface_MenuBarInitialize(menuBar);
    if (m_ListInterface()) order::ShowOrderListTools(*m_ListInterface(), menuBar);
}

// The copied rows show the stock of their items as it is now.
void BillEvent_Order::m_ListInterface_AfterCopyBillCreateData(const Value& data) {
    auto bill = data.As<Collection>();
    auto rows = bill ? bill->Sub("Page2") : nullptr;
    if (!rows) return;
    auto cellValue = [](const CollectionPtr& row, const char* key) {
        auto cell = row->Sub(key);
        return cell ? cell->Get("FFLD") : Value();
    };
    auto put = [](const CollectionPtr& row, const char* key, double value) {
        if (auto cell = row->Sub(key)) {
            cell->Set("FFLD", value);
            cell->Set("FDSP", NumberToText(value));
        }
    };
    for (const auto& [key, item] : *rows) {
        auto row = item.As<Collection>();
        if (!row || SafeId(cellValue(row, "FItemID")) <= 0) continue;
        const order::StockColumns c =
            order::ReadStockColumns(cellValue(row, "FItemID"), cellValue(row, "FAuxPropID"),
                                    cellValue(row, "FCoefficient").ToNumber());
        put(row, "FTotalQty", c.total);
        put(row, "FCgOrderQty", c.purchaseDue);
        put(row, "FXsOrderQty", c.salesOpen);
        put(row, "FInTotalQty", c.available);
    }
}

}  // namespace qor
