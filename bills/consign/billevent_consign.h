// The consignment bill plug-in: deliveries to a consignee drawn from sales orders (3010) and
// the consignee's returns drawn from those deliveries (3011). Its rules keep the goods rows in
// step while the user edits, its checks guard the save (the source bills' open quantities among
// them), the check and the uncheck, and its tools query the related bills, select sources and
// follow the bill's state.
#pragma once

#include <string>
#include <vector>

#include "frame/plugin.h"

namespace qor {

class BillEvent_Consign : public PlugInBase {
public:
    BillEvent_Consign();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Consign() override;

    // The last command that leads to a save ("SAVE" from the save, exit and check tools, and
    // from printing when the bill is saved first). Only a save started so checks the stock.
    const std::string& Action() const { return action_; }
    void SetAction(const std::string& action) { action_ = action; }

protected:
    const RuleBook* Book() const override;

    void m_BillInterface_AddNewRow(int page, int row) override;
    void m_BillInterface_BeforeDeleteRow(int page, int row, bool& cancel) override;
    void m_BillInterface_AfterDeleteRow(int page, int row) override;
    void m_BillInterface_EntryGridRow(const std::vector<Value>& values) override;
    void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression, bool& cancel) override;
    void m_BillInterface_BeforeDoAction2(const CollectionPtr& fieldDesc,
                                         const CollectionPtr& itemProps, const Value& third,
                                         const std::string& kind, const std::string& type,
                                         const std::string& expression) override;
    void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression) override;

    void m_BillInterface_AfterNewBill() override;
    void m_BillInterface_AfterLoadBill() override;
    void m_BillInterface_AfterCopyBill() override;
    void m_BillInterface_BeginEdit(const Value& obj, const Value& a, const Value& b) override;
    void m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) override;
    void m_BillInterface_AfterFillRow(const Value& row, const Value& page, const Value& sourceID,
                                      const Value& sourceEntryID) override;
    void m_BillInterface_AfterSelBill(const Value& selection) override;
    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;

    void m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill) override;
    void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;

private:
    std::string action_;
};

}  // namespace qor
