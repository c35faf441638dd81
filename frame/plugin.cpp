#include "frame/plugin.h"

#include <array>
#include <exception>
#include <utility>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/rules.h"

namespace qor {

namespace {

// The handler of each host event, as the classes name it.
constexpr std::array<std::pair<Ev, const char*>, static_cast<size_t>(Ev::Count_)> kHandlers{{
    {Ev::AddNewRow, "m_BillInterface_AddNewRow"},
    {Ev::AfterCopyBill, "m_BillInterface_AfterCopyBill"},
    {Ev::AfterDeleteRow, "m_BillInterface_AfterDeleteRow"},
    {Ev::AfterDoAction2, "m_BillInterface_AfterDoAction2"},
    {Ev::AfterFillRow, "m_BillInterface_AfterFillRow"},
    {Ev::AfterLoadBill, "m_BillInterface_AfterLoadBill"},
    {Ev::AfterNewBill, "m_BillInterface_AfterNewBill"},
    {Ev::AfterSave, "m_BillInterface_AfterSave"},
    {Ev::AfterSelBill, "m_BillInterface_AfterSelBill"},
    {Ev::AfterSelBillBeforeFillData, "m_BillInterface_AfterSelBillBeforeFillData"},
    {Ev::BeforeDeleteRow, "m_BillInterface_BeforeDeleteRow"},
    {Ev::BeforeDoAction, "m_BillInterface_BeforeDoAction"},
    {Ev::BeforeDoAction2, "m_BillInterface_BeforeDoAction2"},
    {Ev::BeforeSave, "m_BillInterface_BeforeSave"},
    {Ev::BeforeSelBills, "m_BillInterface_BeforeSelBills"},
    {Ev::BeforLoadBillFillData, "m_BillInterface_BeforLoadBillFillData"},
    {Ev::BeginEdit, "m_BillInterface_BeginEdit"},
    {Ev::BusinessCheck, "m_BillInterface_BusinessCheck"},
    {Ev::Change, "m_BillInterface_Change"},
    {Ev::EntryGridRow, "m_BillInterface_EntryGridRow"},
    {Ev::LostFocus, "m_BillInterface_LostFocus"},
    {Ev::MenuBarClick, "m_BillInterface_MenuBarClick"},
    {Ev::MenuBarInitialize, "m_BillInterface_MenuBarInitialize"},
    {Ev::SaveBillSuccess, "m_BillInterface_SaveBillSuccess"},
    {Ev::UnBusinessCheck, "m_BillInterface_UnBusinessCheck"},
    {Ev::ControlClick, "m_BillInterface_ControlClick"},
    {Ev::ControlPaint, "m_BillInterface_ControlPaint"},
    {Ev::ControlKeyPress, "m_BillInterface_ControlKeyPress"},
    {Ev::ListAfterMergeCopyBill, "m_ListInterFace_AfterMergeCopyBill"},
    {Ev::ListAfterCopyBillCreateData, "m_ListInterface_AfterCopyBillCreateData"},
    {Ev::ListBusinessCheck, "m_ListInterface_BusinessCheck"},
    {Ev::ListMenuBarClick, "m_ListInterface_MenuBarClick"},
    {Ev::ListMenuBarInitialize, "m_ListInterface_MenuBarInitialize"},
    {Ev::ListUnBusinessCheck, "m_ListInterface_UnBusinessCheck"},
}};

std::string ArgText(const Args& args, size_t i) {
    return i < args.size() ? args[i].ToString() : std::string();
}

}  // namespace

const char* HandlerName(Ev e) {
    return kHandlers.at(static_cast<size_t>(e)).second;
}

EventSet EventsOf(std::initializer_list<Ev> events) {
    EventSet set;
    for (Ev e : events) set.set(static_cast<size_t>(e));
    return set;
}

// ---- The list's event sink ---------------------------------------------------------------------

// The list's events share names with the form's; this adapter routes them to the list handlers.
struct PlugInBase::ListSink : IBillListEvents {
    explicit ListSink(PlugInBase& owner) : self(owner) {}
    PlugInBase& self;
    void AfterMergeCopyBill(const Value& mergedBill) override {
        self.Run(Ev::ListAfterMergeCopyBill,
                 [&] { self.m_ListInterFace_AfterMergeCopyBill(mergedBill); });
    }
    void AfterCopyBillCreateData(const Value& obj) override {
        self.Run(Ev::ListAfterCopyBillCreateData,
                 [&] { self.m_ListInterface_AfterCopyBillCreateData(obj); });
    }
    void BusinessCheck(bool& cancel) override {
        self.Run(Ev::ListBusinessCheck, [&] { self.m_ListInterface_BusinessCheck(cancel); });
    }
    void MenuBarClick(const MenuToolPtr& tool, bool& cancel) override {
        self.Run(Ev::ListMenuBarClick, [&] { self.m_ListInterface_MenuBarClick(tool, cancel); });
    }
    void MenuBarInitialize(const MenuBarPtr& menuBar) override {
        self.Run(Ev::ListMenuBarInitialize,
                 [&] { self.m_ListInterface_MenuBarInitialize(menuBar); });
    }
    void UnBusinessCheck(bool& cancel) override {
        self.Run(Ev::ListUnBusinessCheck, [&] { self.m_ListInterface_UnBusinessCheck(cancel); });
    }
};

// ---- Binding and lifetime ----------------------------------------------------------------------

PlugInBase::PlugInBase(const ClassFacts& facts)
    : listSink_(std::make_unique<ListSink>(*this)), facts_(facts) {}

PlugInBase::~PlugInBase() {
    // Releasing the object releases its references too; the event sinks must not outlive it.
    SetBillInterface(nullptr);
    SetListInterface(nullptr);
}

std::string PlugInBase::ProgId() const {
    return facts_.ProgId();
}

void PlugInBase::Show(const ObjectPtr& obj) {
    if (!obj) return;
    if (Upper(obj->TypeName()) == "BILLEVENT") {
        SetBillInterface(std::dynamic_pointer_cast<IBillForm>(obj));
    } else {
        SetListInterface(std::dynamic_pointer_cast<IBillList>(obj));
    }
}

void PlugInBase::Terminate() {
    SetBillInterface(nullptr);
    SetListInterface(nullptr);
}

void PlugInBase::RefreshTools() {
    if (auto* book = Book(); book && bill_) book->RefreshTools(*this, *bill_);
}

void PlugInBase::SetBillInterface(BillFormPtr bill) {
    if (bill_) bill_->Unadvise(this);
    bill_ = std::move(bill);
    if (bill_) bill_->Advise(this);
}

void PlugInBase::SetListInterface(BillListPtr list) {
    if (list_) list_->Unadvise(listSink_.get());
    list_ = std::move(list);
    if (list_) list_->Advise(listSink_.get());
}

template <class F>
void PlugInBase::Run(Ev e, F&& handler) {
    if (!Handles(e)) return;
    EventScope scope(HandlerName(e));
    // An error ends the handler; it is kept and goes to the diagnostics like a trapped one.
    std::string error;
    try {
        handler();
        return;
    } catch (const std::exception& ex) {
        error = ex.what();
    } catch (...) {
        error = "unknown error";
    }
    lastError_ = std::string(HandlerName(e)) + ": " + error;
    DataGateway::Instance().RecordTrapped(HandlerName(e), error);
}

// ---- Public operations -------------------------------------------------------------------------

std::string ReadUserProfile(const std::string& section, const std::string& key) {
    auto profile = CreateHostObject<IComponent>("QORMProfile.ClassUserProfileInfo");
    return profile->Call("GetUserProfile", {GetPropsString(), section, key}).ToString();
}

void WriteUserProfile(const std::string& section, const std::string& key,
                      const std::string& value) {
    auto profile = CreateHostObject<IComponent>("QORMProfile.ClassUserProfileUpdate");
    profile->Call("SaveUserProfile", {GetPropsString(), section, key, value});
}

std::string PlugInBase::GetUserProfile(const std::string& section, const std::string& key) {
    return ReadUserProfile(section, key);
}

void PlugInBase::SaveUserProfileItem(const std::string& section, const std::string& key,
                                     const std::string& value) {
    WriteUserProfile(section, key, value);
}

bool PlugInBase::InvokeOwn(const std::string&, Args&, Value&) {
    return false;
}

Value PlugInBase::Invoke(const std::string& method, Args& args) {
    if (facts_.offersUserProfile) {
        if (IEquals(method, "GetUserProfile"))
            return GetUserProfile(ArgText(args, 0), ArgText(args, 1));
        if (IEquals(method, "SaveUserProfileItem")) {
            SaveUserProfileItem(ArgText(args, 0), ArgText(args, 1), ArgText(args, 2));
            return Value();
        }
    }
    Value result;
    if (InvokeOwn(method, args, result)) return result;
    throw HostError(ProgId(), "object does not offer the operation " + method);
}

// ---- Form events: trap, scope, then the class's handler ----------------------------------------

void PlugInBase::AddNewRow(int page, int row) {
    Run(Ev::AddNewRow, [&] { m_BillInterface_AddNewRow(page, row); });
}
void PlugInBase::AfterCopyBill() {
    Run(Ev::AfterCopyBill, [&] { m_BillInterface_AfterCopyBill(); });
}
void PlugInBase::AfterDeleteRow(int page, int row) {
    Run(Ev::AfterDeleteRow, [&] { m_BillInterface_AfterDeleteRow(page, row); });
}
void PlugInBase::AfterDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                const Value& third, const std::string& kind,
                                const std::string& type, const std::string& expression) {
    Run(Ev::AfterDoAction2, [&] {
        m_BillInterface_AfterDoAction2(fieldDesc, itemProps, third, kind, type, expression);
    });
}
void PlugInBase::AfterFillRow(const Value& a, const Value& b, const Value& c, const Value& d) {
    Run(Ev::AfterFillRow, [&] { m_BillInterface_AfterFillRow(a, b, c, d); });
}
void PlugInBase::AfterLoadBill() {
    Run(Ev::AfterLoadBill, [&] { m_BillInterface_AfterLoadBill(); });
}
void PlugInBase::AfterNewBill() {
    Run(Ev::AfterNewBill, [&] { m_BillInterface_AfterNewBill(); });
}
void PlugInBase::AfterSave(const Value& hostValue) {
    Run(Ev::AfterSave, [&] { m_BillInterface_AfterSave(hostValue); });
}
void PlugInBase::AfterSelBill(const Value& selection) {
    Run(Ev::AfterSelBill, [&] { m_BillInterface_AfterSelBill(selection); });
}
void PlugInBase::AfterSelBillBeforeFillData(const Value& selection) {
    Run(Ev::AfterSelBillBeforeFillData,
        [&] { m_BillInterface_AfterSelBillBeforeFillData(selection); });
}
void PlugInBase::BeforeDeleteRow(int page, int row, bool& cancel) {
    Run(Ev::BeforeDeleteRow, [&] { m_BillInterface_BeforeDeleteRow(page, row, cancel); });
}
void PlugInBase::BeforeDoAction(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                const Value& third, const std::string& kind,
                                const std::string& type, const std::string& expression,
                                bool& cancel) {
    Run(Ev::BeforeDoAction, [&] {
        m_BillInterface_BeforeDoAction(fieldDesc, itemProps, third, kind, type, expression, cancel);
    });
}
void PlugInBase::BeforeDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                 const Value& third, const std::string& kind,
                                 const std::string& type, const std::string& expression) {
    Run(Ev::BeforeDoAction2, [&] {
        m_BillInterface_BeforeDoAction2(fieldDesc, itemProps, third, kind, type, expression);
    });
}
void PlugInBase::BeforeSave(bool& cancel) {
    Run(Ev::BeforeSave, [&] { m_BillInterface_BeforeSave(cancel); });
}
void PlugInBase::BeforeSelBills(const Value& a, const Value& b, const Value& c,
                                std::string& condition, const Value& e) {
    Run(Ev::BeforeSelBills, [&] { m_BillInterface_BeforeSelBills(a, b, c, condition, e); });
}
void PlugInBase::BeforLoadBillFillData() {
    Run(Ev::BeforLoadBillFillData, [&] { m_BillInterface_BeforLoadBillFillData(); });
}
void PlugInBase::BeginEdit(const Value& obj, const Value& a, const Value& b) {
    Run(Ev::BeginEdit, [&] { m_BillInterface_BeginEdit(obj, a, b); });
}
void PlugInBase::BusinessCheck(bool& cancel) {
    Run(Ev::BusinessCheck, [&] { m_BillInterface_BusinessCheck(cancel); });
}
void PlugInBase::Change(const CollectionPtr& fieldDesc, const Value& second, int column, int row,
                        bool& cancel) {
    Run(Ev::Change, [&] { m_BillInterface_Change(fieldDesc, second, column, row, cancel); });
}
void PlugInBase::EntryGridRow(const std::vector<Value>& values) {
    Run(Ev::EntryGridRow, [&] { m_BillInterface_EntryGridRow(values); });
}
void PlugInBase::LostFocus(const std::string& text, const Value& obj,
                           const std::vector<Value>& values) {
    Run(Ev::LostFocus, [&] { m_BillInterface_LostFocus(text, obj, values); });
}
void PlugInBase::MenuBarClick(const MenuToolPtr& tool, bool& cancel) {
    Run(Ev::MenuBarClick, [&] { m_BillInterface_MenuBarClick(tool, cancel); });
}
void PlugInBase::MenuBarInitialize(const MenuBarPtr& menuBar) {
    Run(Ev::MenuBarInitialize, [&] { m_BillInterface_MenuBarInitialize(menuBar); });
}
void PlugInBase::SaveBillSuccess(const Value& obj) {
    Run(Ev::SaveBillSuccess, [&] { m_BillInterface_SaveBillSuccess(obj); });
}
void PlugInBase::UnBusinessCheck(bool& cancel) {
    Run(Ev::UnBusinessCheck, [&] { m_BillInterface_UnBusinessCheck(cancel); });
}
void PlugInBase::ControlClick(const std::string& name) {
    Run(Ev::ControlClick, [&] { m_BillInterface_ControlClick(name); });
}
void PlugInBase::ControlPaint(const std::string& name) {
    Run(Ev::ControlPaint, [&] { m_BillInterface_ControlPaint(name); });
}
void PlugInBase::ControlKeyPress(const std::string& name, int& keyAscii) {
    Run(Ev::ControlKeyPress, [&] { m_BillInterface_ControlKeyPress(name, keyAscii); });
}

// ---- Default handlers: nothing to do -----------------------------------------------------------

void PlugInBase::m_BillInterface_AddNewRow(int, int) {}
void PlugInBase::m_BillInterface_AfterCopyBill() {}
void PlugInBase::m_BillInterface_AfterDeleteRow(int, int) {}
void PlugInBase::m_BillInterface_AfterDoAction2(const CollectionPtr&, const CollectionPtr&,
                                                const Value&, const std::string&,
                                                const std::string&, const std::string&) {}
void PlugInBase::m_BillInterface_AfterFillRow(const Value&, const Value&, const Value&,
                                              const Value&) {}
void PlugInBase::m_BillInterface_AfterLoadBill() {}
void PlugInBase::m_BillInterface_AfterNewBill() {}
void PlugInBase::m_BillInterface_AfterSave(const Value&) {}
void PlugInBase::m_BillInterface_AfterSelBill(const Value&) {}
void PlugInBase::m_BillInterface_AfterSelBillBeforeFillData(const Value&) {}
void PlugInBase::m_BillInterface_BeforeDeleteRow(int, int, bool&) {}
void PlugInBase::m_BillInterface_BeforeDoAction(const CollectionPtr&, const CollectionPtr&,
                                                const Value&, const std::string&,
                                                const std::string&, const std::string&, bool&) {}
void PlugInBase::m_BillInterface_BeforeDoAction2(const CollectionPtr&, const CollectionPtr&,
                                                 const Value&, const std::string&,
                                                 const std::string&, const std::string&) {}
void PlugInBase::m_BillInterface_BeforeSave(bool& cancel) {
    if (auto* book = Book(); book && bill_)
        cancel = book->Refuses(Stage::Save, *this, bill_.get(), nullptr) || cancel;
}
void PlugInBase::m_BillInterface_BeforeSelBills(const Value&, const Value&, const Value&,
                                                std::string&, const Value&) {}
void PlugInBase::m_BillInterface_BeforLoadBillFillData() {}
void PlugInBase::m_BillInterface_BeginEdit(const Value&, const Value&, const Value&) {}
void PlugInBase::m_BillInterface_BusinessCheck(bool& cancel) {
    if (auto* book = Book(); book && bill_)
        cancel = book->Refuses(Stage::Check, *this, bill_.get(), nullptr) || cancel;
}
void PlugInBase::m_BillInterface_Change(const CollectionPtr& fieldDesc, const Value&, int column,
                                        int row, bool& cancel) {
    if (auto* book = Book(); book && bill_)
        book->RunChange(*this, *bill_, fieldDesc, row, column != 0, cancel);
}
void PlugInBase::m_BillInterface_EntryGridRow(const std::vector<Value>&) {}
void PlugInBase::m_BillInterface_LostFocus(const std::string&, const Value&,
                                           const std::vector<Value>&) {}
void PlugInBase::m_BillInterface_MenuBarClick(const MenuToolPtr& tool, bool& cancel) {
    if (auto* book = Book()) cancel = book->Click(*this, tool, bill_.get(), nullptr) || cancel;
}
void PlugInBase::m_BillInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    if (auto* book = Book()) book->AddTools(*this, menuBar, bill_.get(), nullptr);
}
void PlugInBase::m_BillInterface_SaveBillSuccess(const Value&) {}
void PlugInBase::m_BillInterface_UnBusinessCheck(bool& cancel) {
    if (auto* book = Book(); book && bill_)
        cancel = book->Refuses(Stage::Uncheck, *this, bill_.get(), nullptr) || cancel;
}
void PlugInBase::m_BillInterface_ControlClick(const std::string&) {}
void PlugInBase::m_BillInterface_ControlPaint(const std::string&) {}
void PlugInBase::m_BillInterface_ControlKeyPress(const std::string&, int&) {}
void PlugInBase::m_ListInterFace_AfterMergeCopyBill(const Value&) {}
void PlugInBase::m_ListInterface_AfterCopyBillCreateData(const Value&) {}
void PlugInBase::m_ListInterface_BusinessCheck(bool& cancel) {
    if (auto* book = Book(); book && list_)
        cancel = book->Refuses(Stage::ListCheck, *this, nullptr, list_.get()) || cancel;
}
void PlugInBase::m_ListInterface_MenuBarClick(const MenuToolPtr& tool, bool& cancel) {
    if (auto* book = Book(); book && list_)
        cancel = book->Click(*this, tool, nullptr, list_.get()) || cancel;
}
void PlugInBase::m_ListInterface_MenuBarInitialize(const MenuBarPtr& menuBar) {
    if (auto* book = Book(); book && list_) book->AddTools(*this, menuBar, nullptr, list_.get());
}
void PlugInBase::m_ListInterface_UnBusinessCheck(bool& cancel) {
    if (auto* book = Book(); book && list_)
        cancel = book->Refuses(Stage::ListUncheck, *this, nullptr, list_.get()) || cancel;
}

// ---- Messages ----------------------------------------------------------------------------------

std::string GetMsgCaption(const std::string& caption) {
    return caption;
}

int ShowMessage(const std::string& prompt, int buttons, const std::string& caption) {
    return Platform().MsgBox(prompt, buttons, GetMsgCaption(caption));
}

}  // namespace qor
