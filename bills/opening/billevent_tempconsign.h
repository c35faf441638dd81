// The opening consignment bill plug-in: consignment deliveries from before the start period,
// entered once so that their open quantities and costs carry into the system. Dated before the
// start period; every row needs a cost unless its stock is virtual; its open quantities start
// equal to its quantities; checked and unchecked through the host's opening-bill component.
#pragma once

#include "bills/opening/opening_bill.h"

namespace qor {

class RuleBook;

class BillEvent_TempConsign : public OpeningBillBase {
public:
    BillEvent_TempConsign();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_TempConsign() override;

    // True when the stock is a virtual stock (public operation IsIsVirtualStock).
    static bool IsIsVirtualStock(const Value& stock);
    // The tools' state by the form's state and the bill's status.
    void RefreshOpeningMenus() override;

protected:
    const RuleBook* Book() const override;
    void AfterRowFilled(IBillForm& bill, int row) override;
    void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression) override;
    void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression, bool& cancel) override;
    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    bool InvokeOwn(const std::string& method, Args& args, Value& result) override;
};

}  // namespace qor
