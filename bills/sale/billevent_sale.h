// The sales bill (deliveries, returns and settlements of consigned goods) plug-in.
#pragma once

#include <string>
#include <vector>

#include "frame/plugin.h"

namespace qor {

class BillEvent_Sale : public PlugInBase {
public:
    BillEvent_Sale();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Sale() override;

    // The user right (15, 2010, 32) evaluated once when the object is created: the user may see
    // invoice amounts.
    bool HasRight2010() const { return right2010_; }

    // The host action under way as the save checks see it: "SAVE" once a save, a check, a
    // print or a reject started it, until the save checks ran.
    const std::string& Action() const { return action_; }
    void SetAction(const std::string& action) { action_ = action; }

protected:
    const RuleBook* Book() const override;

    void m_BillInterface_AddNewRow(int page, int row) override;
    void m_BillInterface_BeforeDeleteRow(int page, int row, bool& cancel) override;
    void m_BillInterface_AfterDeleteRow(int page, int row) override;
    void m_BillInterface_AfterNewBill() override;
    void m_BillInterface_AfterCopyBill() override;
    void m_BillInterface_AfterLoadBill() override;
    void m_BillInterface_BeforeSelBills(const Value& a, const Value& b, const Value& c,
                                        std::string& condition, const Value& e) override;
    void m_BillInterface_AfterSelBillBeforeFillData(const Value& selection) override;
    void m_BillInterface_AfterSelBill(const Value& selection) override;
    void m_BillInterface_AfterFillRow(const Value& row, const Value& page, const Value& sourceID,
                                      const Value& sourceEntryID) override;
    void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression) override;
    void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                        const CollectionPtr& itemProps, const Value& third,
                                        const std::string& kind, const std::string& type,
                                        const std::string& expression, bool& cancel) override;
    void m_BillInterface_EntryGridRow(const std::vector<Value>& values) override;
    void m_BillInterface_BeginEdit(const Value& obj, const Value& a, const Value& b) override;
    void m_BillInterface_AfterSave(const Value& hostValue) override;
    void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) override;
    void m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill) override;
    void m_BillInterface_BeforeSave(bool& cancel) override;
    // checkBillSNErr, checkXSDBillSNErr and checkXSDBillBatchNoErr, each with a bill form.
    bool InvokeOwn(const std::string& method, Args& args, Value& result) override;

private:
    bool right2010_ = false;
    // A deletion of several rows whose follow-up waits for the host's closing AfterDeleteRow
    // (row -1), so that it runs once per deletion. Without it every AfterDeleteRow runs it.
    bool rowDeletionPending_ = false;
    std::string action_;
};

}  // namespace qor
