// The common frame of the two opening bills: the lifecycle both go through (a new bill dated
// before the start period, the tools refreshed after a new bill, a load or a copy, the header
// freight kept in step when a row goes, rows filled from a source bill) and the list's tools.
#pragma once

#include "bills/opening/opening_rules.h"
#include "frame/plugin.h"

namespace qor {

class OpeningBillBase : public PlugInBase {
public:
    using PlugInBase::PlugInBase;
    // The tools' state by the bill's state; each bill has its own table.
    virtual void RefreshOpeningMenus() = 0;

protected:
    // Check and uncheck, in the form and in the list, through the kind's component; after the
    // form's check or uncheck the bill shows its new state and tools.
    static void AddCheckStages(RuleBook& b, const opening::OpeningKind& kind);

    // A row just filled from a source bill, after the batch lock and the barcode: the bill's own
    // locks.
    virtual void AfterRowFilled(IBillForm&, int) {}

    void m_BillInterface_AfterNewBill() override;
    void m_BillInterface_AfterLoadBill() override;
    void m_BillInterface_AfterCopyBill() override;
    void m_BillInterface_AfterDeleteRow(int page, int row) override;
    void m_BillInterface_AfterFillRow(const Value& a, const Value& b, const Value& c,
                                      const Value& d) override;
    void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
};

}  // namespace qor
