// The opening provisional purchase bill plug-in: goods received from a supplier before the start
// period and not yet settled, entered once so that their open quantities carry into the system.
// Built like the opening consignment bill, with the supplier's purchase price, rows entering a
// stock, no cost fields, and a freight mismatch that refuses the save.
#pragma once

#include "bills/opening/opening_bill.h"

namespace qor {

class RuleBook;

class BillEvent_TempGJ : public OpeningBillBase {
public:
    BillEvent_TempGJ();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_TempGJ() override;

    // The supplier's price of the item in the unit: his latest price (with its discount rate)
    // when above 0, else the item's purchase price, else 0. discount is left as it is when the
    // supplier has no latest price.
    static double GetPurchasePrice(const Value& item, const Value& unit, const Value& supplier,
                                   double& discount);
    // The bill type, and the check tools by whether the bill is checked.
    void RefreshOpeningMenus() override;

protected:
    const RuleBook* Book() const override;
    void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression) override;
    void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression, bool& cancel) override;
};

}  // namespace qor
