// The sales order plug-in: ordinary orders (3031) and orders taken in the web shop (3032). While
// an order is edited it keeps its rows' units, quantities, prices, discounts, taxes and amounts
// consistent, fetches the customer's prices and shows the stock of each row; it prepares new,
// loaded and copied orders (layout by order type, the customer's balance, the rejected state),
// validates an order before it is saved, checked or unchecked, rejects an order with a reason,
// closes and re-opens it, shows its execution, and after a save writes the purchase link and the
// order's contact back. The order list refuses to delete rejected orders and to copy web orders.
#pragma once

#include <string>

#include "frame/plugin.h"
#include "frame/verdict.h"

namespace qor {

class RuleBook;

class BillEvent_Order : public PlugInBase {
public:
    BillEvent_Order();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Order() override;

    // ---- What the rule tables call ----
    // The user's option "DoNotResetPrice" of the order's settings: a customer change keeps the
    // rows' prices.
    bool KeepsPricesOnCustomerChange();
    void SetKeepsPricesOnCustomerChange(bool keep);
    // The tools' state by the order's status and the form's state (asViewed: the state the form
    // shows the order in once the host is back in the view state, as after a save).
    void RefreshOrderMenus(bool asViewed = false);
    // Asks for the reason and rejects the order being edited: the marks are set and the order
    // saved. Nothing changes when the user cancels.
    Verdict RejectOrder();
    // Closes a checked order, or re-opens a closed one that still has goods to deliver.
    Verdict CloseOrder(bool reopen);
    // Checks or unchecks the order (fromList false) or the list's selection: a rejected order is
    // refused, then the host's stock component decides.
    Verdict CheckOrderAudit(bool checking, bool fromList);

protected:
    const RuleBook* Book() const override;
    void m_BillInterface_AfterNewBill() override;
    void m_BillInterface_AfterLoadBill() override;
    void m_BillInterface_AfterCopyBill() override;
    void m_BillInterface_AfterFillRow(const Value& a, const Value& b, const Value& c,
                                      const Value& d) override;
    void m_BillInterface_AfterSave(const Value& hostValue) override;
    void m_BillInterface_EntryGridRow(const std::vector<Value>& values) override;
    void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression, bool& cancel) override;
    void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression) override;
    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    void m_ListInterface_AfterCopyBillCreateData(const Value& data) override;
    void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
};

}  // namespace qor
