// The plug-in classes' common frame: binding to a bill form and a bill list (Show), the events
// each class handles, the error trap around every handler, messages and per-user settings.
#pragma once

#include <bitset>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "frame/contract.h"
#include "frame/host.h"
#include "frame/platform.h"

namespace qor {

// Every event a plug-in can receive, bill-form events first, then list events.
enum class Ev {
    AddNewRow,
    AfterCopyBill,
    AfterDeleteRow,
    AfterDoAction2,
    AfterFillRow,
    AfterLoadBill,
    AfterNewBill,
    AfterSave,
    AfterSelBill,
    AfterSelBillBeforeFillData,
    BeforeDeleteRow,
    BeforeDoAction,
    BeforeDoAction2,
    BeforeSave,
    BeforeSelBills,
    BeforLoadBillFillData,
    BeginEdit,
    BusinessCheck,
    Change,
    EntryGridRow,
    LostFocus,
    MenuBarClick,
    MenuBarInitialize,
    SaveBillSuccess,
    UnBusinessCheck,
    ControlClick,
    ControlPaint,
    ControlKeyPress,
    ListAfterMergeCopyBill,
    ListAfterCopyBillCreateData,
    ListBusinessCheck,
    ListMenuBarClick,
    ListMenuBarInitialize,
    ListUnBusinessCheck,
    Count_
};
using EventSet = std::bitset<static_cast<size_t>(Ev::Count_)>;

// The handler's name as the class declares it ("m_BillInterface_Change").
const char* HandlerName(Ev e);
// The set of the events listed.
EventSet EventsOf(std::initializer_list<Ev> events);

inline constexpr const char* kProgIdPrefix = "QOR_XS_PlugIns.";

class IPlugIn;

// What the library knows of one plug-in class: its name (the programmatic identifier is the
// prefix and the name), the host events it has handlers for (it ignores the others), whether it
// offers the per-user settings publicly, and how an object is made. Each class states its facts
// next to its code in bills/.
struct ClassFacts {
    const char* name;  // "BillEvent_Sale"
    EventSet events;
    bool offersUserProfile;
    std::unique_ptr<IPlugIn> (*make)();

    std::string ProgId() const { return kProgIdPrefix + std::string(name); }
};

class RuleBook;

// The base of the seven classes. The host's events arrive through the two event interfaces;
// each is passed to the matching protected handler (m_BillInterface_X / m_ListInterface_X)
// only when the class handles it, inside an event scope and under the error trap: no error
// crosses into the host, and an unexpected error ends the handler leaving the fields written
// so far and Cancel as the handler left it.
class PlugInBase : public IPlugIn, private IBillFormEvents {
public:
    explicit PlugInBase(const ClassFacts& facts);
    ~PlugInBase() override;
    PlugInBase(const PlugInBase&) = delete;
    PlugInBase& operator=(const PlugInBase&) = delete;

    std::string ProgId() const override;
    const ClassFacts& Facts() const { return facts_; }
    void Show(const ObjectPtr& obj) override;
    Value Invoke(const std::string& method, Args& args) override;
    bool Handles(Ev e) const { return facts_.events.test(static_cast<size_t>(e)); }

    const BillFormPtr& m_BillInterface() const { return bill_; }
    const BillListPtr& m_ListInterface() const { return list_; }

    // The bill's rule tables (null for a class that declares none), for tests and tools.
    const RuleBook* Rules() const { return Book(); }

    // The last error the trap caught (empty when none), for diagnostics and tests.
    const std::string& LastTrappedError() const { return lastError_; }

protected:
    // Class termination: empties the bill and then the list reference, disconnecting both.
    void Terminate();

    // The bill's rule tables (frame/rules.h); null for a class that declares none. The default
    // handlers of Change, BeforeSave, BusinessCheck, UnBusinessCheck, MenuBarInitialize and
    // MenuBarClick (form and list) run through it; a class overrides a handler only where its
    // bill is irregular, and may call the default from its override.
    virtual const RuleBook* Book() const { return nullptr; }
    // Sets the form's tools shown and enabled as the book's rules say now (after a load, a check
    // or a change of bill type).
    void RefreshTools();

    // Per-user settings (Sale, SaleChange, Consign and Order offer them publicly).
    std::string GetUserProfile(const std::string& section, const std::string& key);
    void SaveUserProfileItem(const std::string& section, const std::string& key,
                             const std::string& value);

    // A class's own public operations beyond the per-user settings; return false for an
    // unknown name.
    virtual bool InvokeOwn(const std::string& method, Args& args, Value& result);

    // ---- Handlers: the default bodies do nothing. ----
    virtual void m_BillInterface_AddNewRow(int page, int row);
    virtual void m_BillInterface_AfterCopyBill();
    virtual void m_BillInterface_AfterDeleteRow(int page, int row);
    virtual void m_BillInterface_AfterDoAction2(const CollectionPtr& fieldDesc,
                                                const CollectionPtr& itemProps, const Value& third,
                                                const std::string& kind, const std::string& type,
                                                const std::string& expression);
    virtual void m_BillInterface_AfterFillRow(const Value& a, const Value& b, const Value& c,
                                              const Value& d);
    virtual void m_BillInterface_AfterLoadBill();
    virtual void m_BillInterface_AfterNewBill();
    virtual void m_BillInterface_AfterSave(const Value& hostValue);
    virtual void m_BillInterface_AfterSelBill(const Value& selection);
    virtual void m_BillInterface_AfterSelBillBeforeFillData(const Value& selection);
    virtual void m_BillInterface_BeforeDeleteRow(int page, int row, bool& cancel);
    virtual void m_BillInterface_BeforeDoAction(const CollectionPtr& fieldDesc,
                                                const CollectionPtr& itemProps, const Value& third,
                                                const std::string& kind, const std::string& type,
                                                const std::string& expression, bool& cancel);
    virtual void m_BillInterface_BeforeDoAction2(const CollectionPtr& fieldDesc,
                                                 const CollectionPtr& itemProps, const Value& third,
                                                 const std::string& kind, const std::string& type,
                                                 const std::string& expression);
    virtual void m_BillInterface_BeforeSave(bool& cancel);
    virtual void m_BillInterface_BeforeSelBills(const Value& a, const Value& b, const Value& c,
                                                std::string& condition, const Value& e);
    virtual void m_BillInterface_BeforLoadBillFillData();
    virtual void m_BillInterface_BeginEdit(const Value& obj, const Value& a, const Value& b);
    virtual void m_BillInterface_BusinessCheck(bool& cancel);
    virtual void m_BillInterface_Change(const CollectionPtr& fieldDesc, const Value& second,
                                        int column, int row, bool& cancel);
    virtual void m_BillInterface_EntryGridRow(const std::vector<Value>& values);
    virtual void m_BillInterface_LostFocus(const std::string& text, const Value& obj,
                                           const std::vector<Value>& values);
    virtual void m_BillInterface_MenuBarClick(const MenuToolPtr& tool, bool& cancel);
    virtual void m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar);
    virtual void m_BillInterface_SaveBillSuccess(const Value& obj);
    virtual void m_BillInterface_UnBusinessCheck(bool& cancel);
    virtual void m_BillInterface_ControlClick(const std::string& name);
    virtual void m_BillInterface_ControlPaint(const std::string& name);
    virtual void m_BillInterface_ControlKeyPress(const std::string& name, int& keyAscii);
    virtual void m_ListInterFace_AfterMergeCopyBill(const Value& mergedBill);
    virtual void m_ListInterface_AfterCopyBillCreateData(const Value& obj);
    virtual void m_ListInterface_BusinessCheck(bool& cancel);
    virtual void m_ListInterface_MenuBarClick(const MenuToolPtr& tool, bool& cancel);
    virtual void m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar);
    virtual void m_ListInterface_UnBusinessCheck(bool& cancel);

private:
    template <class F>
    void Run(Ev e, F&& handler);
    void SetBillInterface(BillFormPtr bill);
    void SetListInterface(BillListPtr list);

    // IBillFormEvents
    void AddNewRow(int page, int row) override;
    void AfterCopyBill() override;
    void AfterDeleteRow(int page, int row) override;
    void AfterDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                        const Value& third, const std::string& kind, const std::string& type,
                        const std::string& expression) override;
    void AfterFillRow(const Value& a, const Value& b, const Value& c, const Value& d) override;
    void AfterLoadBill() override;
    void AfterNewBill() override;
    void AfterSave(const Value& hostValue) override;
    void AfterSelBill(const Value& selection) override;
    void AfterSelBillBeforeFillData(const Value& selection) override;
    void BeforeDeleteRow(int page, int row, bool& cancel) override;
    void BeforeDoAction(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                        const Value& third, const std::string& kind, const std::string& type,
                        const std::string& expression, bool& cancel) override;
    void BeforeDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                         const Value& third, const std::string& kind, const std::string& type,
                         const std::string& expression) override;
    void BeforeSave(bool& cancel) override;
    void BeforeSelBills(const Value& a, const Value& b, const Value& c, std::string& condition,
                        const Value& e) override;
    void BeforLoadBillFillData() override;
    void BeginEdit(const Value& obj, const Value& a, const Value& b) override;
    void BusinessCheck(bool& cancel) override;
    void Change(const CollectionPtr& fieldDesc, const Value& second, int column, int row,
                bool& cancel) override;
    void EntryGridRow(const std::vector<Value>& values) override;
    void LostFocus(const std::string& text, const Value& obj,
                   const std::vector<Value>& values) override;
    void MenuBarClick(const MenuToolPtr& tool, bool& cancel) override;
    void MenuBarInitialize(const MenuBarPtr& menuBar) override;
    void SaveBillSuccess(const Value& obj) override;
    void UnBusinessCheck(bool& cancel) override;
    void ControlClick(const std::string& name) override;
    void ControlPaint(const std::string& name) override;
    void ControlKeyPress(const std::string& name, int& keyAscii) override;

    // IBillListEvents (names clash with the form's; the list's go through these adapters)
    struct ListSink;
    std::unique_ptr<ListSink> listSink_;

    const ClassFacts& facts_;
    BillFormPtr bill_;
    BillListPtr list_;
    std::string lastError_;
};

// Per-user settings of the logged-in user, by section and key: "QORMProfile.ClassUserProfileInfo"
// GetUserProfile ("" when unset) and "QORMProfile.ClassUserProfileUpdate" SaveUserProfile.
// Errors reach the caller.
std::string ReadUserProfile(const std::string& section, const std::string& key);
void WriteUserProfile(const std::string& section, const std::string& key, const std::string& value);

// Messages: a modal message box with the prompt, the button code and the caption (through
// GetMsgCaption); returns the button pressed.
int ShowMessage(const std::string& prompt, int buttons = kMsgInformation,
                const std::string& caption = "信息提示");
std::string GetMsgCaption(const std::string& caption);
inline constexpr const char* kMsgCaption = "信息提示";
inline constexpr const char* kTipCaption = "澄石提示";

// The library's plug-in classes (bills/registry.cpp).
const std::vector<const ClassFacts*>& PlugInClasses();
// Creates a plug-in object by programmatic identifier; null for any other identifier.
std::unique_ptr<IPlugIn> CreatePlugIn(const std::string& progId);

}  // namespace qor
