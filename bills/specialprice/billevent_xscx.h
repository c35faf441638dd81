// The special-price bill plug-in: special sales prices of items and units for all customers or
// a chosen list of them, within a date and time window and with optional quantity limits. The
// plug-in keeps the customer list (header box "FCUSTOMER" with its selection button), keeps each
// row's original price, special price, difference and discount rate consistent, validates the
// bill, writes the customer list after a save, and adds the check (with confirmation) and
// invalidate commands.
#pragma once

#include <string>
#include <vector>

#include "frame/plugin.h"
#include "frame/verdict.h"

namespace qor {

class RuleBook;

class BillEvent_XSCX : public PlugInBase {
public:
    BillEvent_XSCX();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_XSCX() override;

    // The customer list: customer identifiers joined by ","; empty means every customer.
    const std::string& CustomerList() const { return customers_; }

    // ---- What the rule tables call ----
    // Reads the bill's customers from T_LS_CX_Customer into the list, the box and FCUSTOMER.
    void LoadCustomerList();
    // Shows the selection button and the price tip with the customer field, as the form's field
    // information says.
    void ShowCustomerControls();
    // The host's multiple selection of customers, preselecting the list; the choice becomes the
    // list and every row's original price is fetched again.
    void SelectCustomers();
    // Check shown for an unchecked bill, invalidate available for a checked one; the tools this
    // bill has no use for are taken away.
    void RefreshSpecialPriceMenus();
    // Asks before a check (from the form or the list) and checks through the host's component.
    Verdict ConfirmAndCheck(bool checking, bool fromList);
    // Asks, then takes a checked bill's prices out of force.
    Verdict ConfirmAndInvalidate();
    // The lines of the price tip the picture box shows.
    static const std::vector<std::string>& PriceTipLines();

protected:
    const RuleBook* Book() const override;
    void m_BillInterface_AfterNewBill() override;
    void m_BillInterface_AfterLoadBill() override;
    void m_BillInterface_AfterCopyBill() override;
    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    void m_BillInterface_SaveBillSuccess(const Value& obj) override;
    void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    // The button "..." opens the customer selection.
    void m_BillInterface_ControlClick(const std::string& name) override;
    // The picture box shows the price tip.
    void m_BillInterface_ControlPaint(const std::string& name) override;
    // Typing into the customer box is ignored: the list changes only through the selection.
    void m_BillInterface_ControlKeyPress(const std::string& name, int& keyAscii) override;
    bool InvokeOwn(const std::string& method, Args& args, Value& result) override;

private:
    // Adds the selection button "..." and the price tip's picture box beside the customer box,
    // shown with the customer field.
    void AddCustomerControls();
    // Puts the list in the class, the box's Tag and FCUSTOMER's cell data; the box shows names
    // (or "全部客户" when the list is empty).
    void SetCustomerList(const std::string& list, const std::string& names, bool markModified);
    // Writes the customer list of the saved bill to T_LS_CX_Customer.
    void WriteCustomerList();

    std::string customers_;
};

}  // namespace qor
