// The reference host's bill form: the whole bill-form contract of frame/host.h over a bill
// template, plus the host's own cycles (new, load, copy, user edit, rows, source selection,
// save, check, uncheck, delete, tool clicks) that raise the events into the bound plug-in.
//
// Data. BillData() is the bill itself: "Page1" holds the header cells by key, "Page2" one item
// per entry row (keyed "1", "2", ... and reachable by position) followed by "Size". A cell is a
// collection with "FFLD" (the stored value; for base data the identifier), "FFND" (the number of
// the base-data record), "FDSP" (the text shown), "FModify" (1 when the user changed it) and,
// once a cell lock was set, "FLocked". A plug-in may change the page collections directly (remove
// rows, write "FFLD"): the form watches its data and hears of every change as it is made. After
// an event in which the rows were moved the host reads them back in order and renumbers them
// ("Size" smaller than the rows present drops the rows past it).
//
// Field definitions (BillHeads/BillEntrys "BOSFields") are live: "Visible" and "FieldLock"
// written into them take effect at once. A cell is locked when its field is locked or the cell
// itself is (LockCell, LockField actions); a user cannot change a locked or hidden cell.
//
// Event cycles (each event goes to the advised sink; Cancel stops the host's action there):
//   new bill      (defaults filled), MenuBarInitialize (the form's first bill), AfterNewBill
//   load          BeforLoadBillFillData, (rows filled; FLoadAction actions of every filled row),
//                 MenuBarInitialize (the form's first bill: its data are in the form),
//                 AfterLoadBill; BillStatus is 0, or 2 for a bill opened for editing, before
//                 any of these
//   copy          MenuBarClick(mnuEditCopy)?, (the copy), AfterCopyBill (a list's merged copy
//                 opens in a new form: MenuBarInitialize, with the copy in the form, first)
//   user edit     BeginEdit, (value stored, the field's FAction actions: per action
//                 BeforeDoAction? then BeforeDoAction2, applied, AfterDoAction2), Change?;
//                 afterwards the cell's "FFLD" holds the value the edit ended with
//   cursor        EntryGridRow when the user's cursor enters another entry row (by a user
//                 edit of one of its cells, or by moving there); its eight values: the column
//                 and the row it enters, the column and the row it leaves (0 from the header),
//                 the page (2), the data rows, the key of the column it enters, 1 when the row
//                 is filled (else 0). A plug-in's SetActiveCell raises nothing.
//   add row       AddNewRow
//   delete row    BeforeDeleteRow?, (row removed), AfterDeleteRow
//   sources       BeforeSelBills (condition by reference), AfterSelBillBeforeFillData, per row
//                 (copied, FLoadAction actions, Change with the flag -1 for every field the
//                 host filled with a value) AfterFillRow, AfterSelBill
//   follow-on     MenuBarClick(mnuRelatePushBill_<class>)?, then (the open bill saved, the
//                 target kind drawing rows from this one) a new bill of that class is filled
//                 from it in a form of its own: AfterNewBill and the sources cycle there
//   print         MenuBarClick(mnuFilePrint / mnuFilePreview)? (the plug-in may save first
//                 through the form object's SaveBill), then the host prints the bill as shown
//   save          MenuBarClick(mnuEditFileSave)?, BeforeSave?, (stored with FID and FBillNo),
//                 AfterSave, SaveBillSuccess
//   check         MenuBarClick(mnuEditCheck)?, BusinessCheck?, (FStatus 1 stored), then the
//                 stored bill is shown again: BeforLoadBillFillData, AfterLoadBill (so the
//                 plug-in sets its tools for the new status as after any load)
//   uncheck       MenuBarClick(mnuEditUnCheck)?, UnBusinessCheck?, (FStatus 0 stored), shown
//                 again as after a check
//   delete bill   MenuBarClick(mnuEditFileDelete)?, (rows and header deleted)
//   controls      ControlClick when the user clicks a control a plug-in added; ControlPaint
//                 for each visible picture box a plug-in added, after the form shows a new,
//                 loaded or copied bill and when the box is refreshed; ControlKeyPress for each
//                 key typed into a header box (KeyAscii 0 swallows it), then the text that got
//                 through is entered as a user edit of the field
// (? = cancellable.) The form object's SaveBill runs the save cycle from its tool click on.
//
// The value before the edit: during the whole of one user edit (its field actions,
// AfterDoAction2 and Change) the edited cell's data keep the value from before the edit in
// "FFLD", even when a formula or a handler writes the cell meanwhile; GetFieldValue answers the
// edit's current value. When the edit ends the cell takes that value.
//
// Cancel in Change does not undo the edit: what the user typed and what the formulas and the
// handlers wrote stay (a handler that wants an old value back writes it itself). Cancel stops
// only the host's own remaining work on that edit: the event data (the chosen record's number,
// name and coefficient, the extras the user supplied) are not taken into the cell.
//
// The third argument of Change (the column, which the sales plug-ins read as a flag) is 0 for
// a user edit and for FireChange, and -1 (True) when the host raises Change for a value it
// filled itself (the fields of a row drawn from a source bill), so that the rules which would
// fetch that value again (item, quantity, price) skip themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "frame/host.h"
#include "host/form/bill_template.h"
#include "host/form/event_channel.h"
#include "host/form/form_database.h"
#include "host/form/menu.h"

namespace qor::host::form {

// What became of a host action.
struct ActionResult {
    bool done = false;        // the host carried the action out
    bool cancelled = false;   // a handler set Cancel
    std::string cancelledBy;  // the event whose Cancel stopped it
    std::string note;         // why the host did not do it (when neither done nor cancelled)
    static ActionResult Done() { return {true, false, "", ""}; }
    static ActionResult Cancelled(std::string by) { return {false, true, std::move(by), ""}; }
    static ActionResult Refused(std::string why) { return {false, false, "", std::move(why)}; }
};

// One field a step changed: "FAmount@1" (no "@" for the header), its value as text before and
// after ("(row gone)" when its row went away).
struct FieldChange {
    std::string cell;
    std::string before, after;
    friend bool operator==(const FieldChange&, const FieldChange&) = default;
};
// Field values as text by cell ("FKey" for the header, "FKey@row" for the entries).
using FieldTexts = std::map<std::string, std::string>;
// A value as the transcripts show it: numbers in their shortest form.
std::string CellText(const Value& v);
// The cells whose text differs (a blank that became 0 does not count), in cell order, then the
// cells of rows that went away.
std::vector<FieldChange> DiffTexts(const FieldTexts& before, const FieldTexts& after);

// Events that do nothing; tests and tools derive from it.
class NullBillFormEvents : public IBillFormEvents {
public:
    void AddNewRow(int, int) override {}
    void AfterCopyBill() override {}
    void AfterDeleteRow(int, int) override {}
    void AfterDoAction2(const CollectionPtr&, const CollectionPtr&, const Value&,
                        const std::string&, const std::string&, const std::string&) override {}
    void AfterFillRow(const Value&, const Value&, const Value&, const Value&) override {}
    void AfterLoadBill() override {}
    void AfterNewBill() override {}
    void AfterSave(const Value&) override {}
    void AfterSelBill(const Value&) override {}
    void AfterSelBillBeforeFillData(const Value&) override {}
    void BeforeDeleteRow(int, int, bool&) override {}
    void BeforeDoAction(const CollectionPtr&, const CollectionPtr&, const Value&,
                        const std::string&, const std::string&, const std::string&,
                        bool&) override {}
    void BeforeDoAction2(const CollectionPtr&, const CollectionPtr&, const Value&,
                         const std::string&, const std::string&, const std::string&) override {}
    void BeforeSave(bool&) override {}
    void BeforeSelBills(const Value&, const Value&, const Value&, std::string&,
                        const Value&) override {}
    void BeforLoadBillFillData() override {}
    void BeginEdit(const Value&, const Value&, const Value&) override {}
    void BusinessCheck(bool&) override {}
    void Change(const CollectionPtr&, const Value&, int, int, bool&) override {}
    void EntryGridRow(const std::vector<Value>&) override {}
    void LostFocus(const std::string&, const Value&, const std::vector<Value>&) override {}
    void MenuBarClick(const MenuToolPtr&, bool&) override {}
    void MenuBarInitialize(const MenuBarPtr&) override {}
    void SaveBillSuccess(const Value&) override {}
    void UnBusinessCheck(bool&) override {}
};

// A source entry chosen for selectSources.
struct SourceEntry {
    int32_t id = 0;       // the source bill's FID
    int32_t entryID = 0;  // its FEntryID; 0 = every entry of the bill
};

// A follow-on bill the user asked for with a push tool ("mnuRelatePushBill_<class>"): a new
// bill of the target class drawn from the open (or the list's selected) bills. The host opens
// it in a form of its own (NewFromSources on a form of the target kind).
struct FollowOn {
    int32_t targetClass = 0;
    int32_t sourceClass = 0;
    std::vector<SourceEntry> sources;
};

// A print or print preview the host made of the bill.
struct PrintRecord {
    bool preview = false;
    std::string billNo;
    int32_t billID = 0;
    bool savedFirst = false;  // a save completed during the click, before the print
    bool unsaved = false;     // the bill held changes not saved when it was printed
};

class HostBillForm : public IBillForm, public std::enable_shared_from_this<HostBillForm> {
public:
    // db may be null: no lookups, nothing stored or loaded.
    static std::shared_ptr<HostBillForm> Create(const BillTemplate& t, IFormDatabase* db);
    ~HostBillForm() override;

    const BillTemplate& Template() const { return t_; }
    void SetObserver(EventObserver observer) { events_.SetObserver(std::move(observer)); }
    // The login user stored as biller and checker.
    void SetUserID(int32_t id) { userID_ = id; }
    // The date "@today" defaults take (default: the system date).
    void SetToday(const std::string& date) { today_ = date; }

    // ---- The host's cycles ----
    // Raises MenuBarInitialize once (the form's first bill).
    void Open();
    ActionResult NewBill();
    // Opens a stored bill; forEdit opens it for editing (BillStatus 2 from the start, as the
    // modify command does), else for viewing (0).
    ActionResult LoadBill(int32_t id, bool forEdit = false);
    ActionResult CopyBill();
    // Opens bill data made elsewhere (a list's merged copy) as a new copied bill.
    ActionResult OpenCopy(const CollectionPtr& data);
    // A user edit of a cell; extras go into the event data (for example "MultiItem").
    ActionResult UserEdit(const std::string& key, int row, const Value& value,
                          const CollectionPtr& extras = nullptr);
    ActionResult AddRow();
    ActionResult DeleteRow(int row);
    ActionResult SelectSources(int32_t classType, const std::vector<SourceEntry>& entries);
    // A new bill filled from source bills, as a push makes it: AfterNewBill, then the source
    // cycle without the selection tool (BeforeSelBills, AfterSelBillBeforeFillData, rows,
    // AfterSelBill).
    ActionResult NewFromSources(int32_t classType, const std::vector<SourceEntry>& entries);
    // The follow-on bill the last push tool asked for (once).
    std::optional<FollowOn> TakeFollowOn();
    // The prints and previews made, in order.
    const std::vector<PrintRecord>& Prints() const { return prints_; }
    ActionResult Save();
    ActionResult Check();
    ActionResult Uncheck();
    ActionResult DeleteBill();
    // The user puts the grid cursor on a cell of an entry row (key "" keeps the column).
    ActionResult MoveCursor(const std::string& key, int row);
    // A click on a control a plug-in added (visible and enabled): ControlClick.
    ActionResult ClickControl(const std::string& name);
    // Keys typed into a header box: ControlKeyPress per character (a handler may swallow it);
    // what gets through is the user's text for the field, entered as a user edit.
    ActionResult PressKeys(const std::string& key, const std::string& text);
    // A shortcut key ("F9"): clicks the tool that has it.
    ActionResult PressShortcut(const std::string& shortcut);
    // Clears a plug-in's picture box and raises ControlPaint for it.
    void PaintControl(const std::string& name);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    // A click on a tool: MenuBarClick, then the host's own action of the tool when it has one.
    ActionResult ClickTool(const std::string& key);
    // The save the form object's SaveBill runs: the save cycle from the tool click on, whatever
    // the tool's state.
    ActionResult SaveFromFormObject() { return RunSave(false); }
    // True when a cell is marked changed ("FModify" not 0).
    bool IsDataChanged() const;

    // The filled rows (key field not 0).
    int FilledRows() const;
    bool IsCellLocked(const std::string& key, int row) const;
    bool IsFieldVisible(const std::string& key, int page = 0) const;
    // Header values then rows (key -> value) for transcripts and comparisons.
    std::map<std::string, Value> HeaderValues() const;
    std::vector<std::map<std::string, Value>> RowValues() const;

    // What one step changed, recorded as it happens: BeginChanges starts the record,
    // TakeChanges gives the cells whose value changed (as DiffTexts of the bill before and
    // after would) and ends it. Every write to the bill's cells is seen, whoever makes it; the
    // cost follows the cells written, not the bill's size, unless rows are moved or the data
    // are replaced (then the whole bill is compared once).
    void BeginChanges();
    std::vector<FieldChange> TakeChanges();
    // The bill's values as text now, and as they were when the record began.
    FieldTexts CurrentTexts() const;
    FieldTexts StartTexts() const;
    const std::map<int, std::string>& StatusTexts() const { return status_; }
    form::MenuBar& Menus() { return *menu_; }
    const std::string& ActiveKey() const { return activeKey_; }
    int ActiveRow() const { return activeRow_; }
    // Notes the host made while running formulas (skipped assignments).
    std::vector<std::string> TakeNotes();

    // ---- IBillForm ----
    void Advise(IBillFormEvents* sink) override { events_.Advise(sink); }
    void Unadvise(IBillFormEvents* sink) override { events_.Unadvise(sink); }
    Value GetFieldValue(const std::string& key, int row = -1, int page = 1) override;
    void SetFieldValue(const std::string& key, const Value& value, int row = -1,
                       int page = 1) override;
    CollectionPtr GetFieldInfoByKey(const std::string& key, const std::string& = "",
                                    int = 0) override;
    CollectionPtr GetDataFld(const CollectionPtr& fieldDef, int row = -1) override;
    CollectionPtr GetDataFldbyKey(const std::string& key, int row = -1) override;
    void SetText(const CollectionPtr& fieldDef, const std::string& text, int row = -1) override;
    CollectionPtr BillHeads() override { return heads_; }
    CollectionPtr BillEntrys() override { return entrys_; }
    CollectionPtr TableInfo() override { return tableInfo_; }
    CollectionPtr BillData() override { return data_; }
    int32_t FID() const override { return t_.classTypeID; }
    int32_t CurBillID() const override { return billID_; }
    int BillStatus() const override { return billStatus_; }
    void SetBillStatus(int status) override { billStatus_ = status; }
    int BillViewMode() const override { return viewMode_; }
    int GridMaxDataRowNum(int page = 2) const override;
    void SetActiveCell(const std::string& key, int row) override;
    void SetEntryCtlProperty(const std::string& property, const Value& value,
                             const Value& position) override;
    void FireChange(const std::string& key, int row, const Value& value) override;
    void SetBarStatus(const std::string& toolKey, const std::string& property, bool value) override;
    void SetStatusText(int panel, const std::string& text) override;
    std::string StatusText(int panel) const override;
    double ColumnTotal(const CollectionPtr& fieldDef) override;
    MenuBarPtr MenuBar() override { return menu_; }
    GridControllerPtr BillCtl() override;
    FormObjectPtr BillForm() override;
    ControlPtr Control(const std::string& name) override;
    std::vector<ControlPtr> Controls() override;
    ControlPtr AddControl(const std::string& type, const std::string& name,
                          const std::string& besideKey = "") override;

    // Used by the grid controller and the controls.
    void LockCell(const std::string& key, int row, bool lock);
    void RunFieldActions(const std::string& key, int row, const CollectionPtr& cellData,
                         const std::string& kind);
    const std::map<std::string, Value>& EntryCtlProperties() const { return entryCtl_; }

private:
    HostBillForm(const BillTemplate& t, IFormDatabase* db);
    struct Edit;
    // Tells the form of every change to the bill's data it watches.
    class DataWatcher : public CollectionWatcher {
    public:
        explicit DataWatcher(HostBillForm& form) : form_(form) {}
        void BeforeChange(const Collection& changed, const std::string& key) override {
            form_.BeforeDataChange(changed, key);
        }

    private:
        HostBillForm& form_;
    };
    // The record of one step's changes.
    struct ChangeLog {
        bool active = false;
        bool full = false;  // rows moved or data replaced: compare the whole bill at the end
        int startRows = 0;
        std::unordered_map<const Collection*, Value> touched;  // cell -> "FFLD" before
        FieldTexts before;                                     // when full
    };
    // While the host does its own bookkeeping of rows and cells, it tells the watcher nothing.
    struct Quiet {
        explicit Quiet(int& depth) : depth_(depth) { ++depth_; }
        ~Quiet() { --depth_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
        int& depth_;
    };

    const BillTemplate& t_;
    IFormDatabase* db_;
    EventChannel<IBillFormEvents> events_;
    bool opened_ = false;
    int32_t userID_ = 0;
    std::string today_;

    CollectionPtr data_, heads_, entrys_, tableInfo_;
    // The data's pages and rows as last counted, kept while the rows are not moved; the cells
    // and rows watched, with where they are.
    std::shared_ptr<DataWatcher> watcher_;
    mutable CollectionPtr page1_, page2_;
    mutable std::vector<CollectionPtr> rows_;
    mutable bool rowsDirty_ = true;         // rows moved: count them again
    mutable bool structureChanged_ = true;  // pages, rows or cells replaced: watch them again
    mutable std::unordered_map<const Collection*, const Collection*> cellHolder_;
    mutable std::unordered_map<const Collection*, int> holderRow_;  // -1 header
    mutable int quiet_ = 0;
    ChangeLog log_;
    std::shared_ptr<form::MenuBar> menu_;
    GridControllerPtr ctl_;
    FormObjectPtr formObject_;
    std::vector<ControlPtr> controls_;
    std::string caption_;
    std::map<int, std::string> status_;
    std::map<std::string, Value> entryCtl_;
    int32_t billID_ = 0;
    int billStatus_ = 0;
    int viewMode_ = 0;
    std::string activeKey_;
    int activeRow_ = -1;
    std::vector<std::string> notes_;
    std::vector<Edit> edits_;  // the user edits in progress (FireChange may nest them)
    bool saving_ = false;
    long saves_ = 0;  // saves completed
    std::optional<FollowOn> followOn_;
    std::vector<PrintRecord> prints_;

    // Events
    template <class F>
    void Raise(const char* name, const std::string& args, bool* cancel, F&& call);

    // Data
    const FieldTemplate* Field(const std::string& key) const { return t_.Field(key); }
    // The field a key names on a row: row -1 prefers the header's, a row the entries'.
    const FieldTemplate* FieldAt(const std::string& key, int row) const {
        return t_.Field(key, row >= 1 ? 2 : 1);
    }
    CollectionPtr Page(int page) const;
    CollectionPtr Row(int row) const;
    CollectionPtr Cell(const FieldTemplate& f, int row) const;
    void NormalizeRows();
    void WatchData();
    void WatchRow(const CollectionPtr& row, int number) const;
    void WatchCell(const CollectionPtr& cell, const Collection& holder) const;
    void BeforeDataChange(const Collection& changed, const std::string& key);
    CollectionPtr MakeRow();
    CollectionPtr MakeCell(const FieldTemplate& f, const Value& v);
    void ResetData();
    Value Normalize(const FieldTemplate& f, const Value& v) const;
    void StoreValue(const FieldTemplate& f, int row, const Value& v, bool lookup);
    void RefreshDisplay(const FieldTemplate& f, const CollectionPtr& cell, int row);
    Value DefaultValue(const FieldTemplate& f) const;
    CollectionPtr ItemProperties(const FieldTemplate& f, int row, const CollectionPtr& cell);
    CollectionPtr FieldDefinition(const FieldTemplate& f) const;
    bool FieldDefFlag(const FieldTemplate& f, const char* item, bool fallback) const;
    void ClearModify();
    void BuildDefinitions();
    void RunAction(const FieldTemplate& f, const FieldAction& a, int row,
                   const CollectionPtr& cellData);
    void RunLoadActions(int row);
    std::string NextBillNo();
    bool CheckStatusColumn(int status, ActionResult& result);
    ActionResult RunSave(bool checkTool);
    ActionResult ClickThen(const std::string& tool, bool checkTool,
                           const std::function<ActionResult()>& then);
    ActionResult Edit_(const std::string& key, int row, const Value& value,
                       const CollectionPtr& extras, bool byUser);
    void ReplaceData(const CollectionPtr& data);
    ActionResult ResetAsCopy();
    ActionResult ShowStored(int32_t id, int status);
    ActionResult FillFromSources(int32_t classType, const std::vector<SourceEntry>& chosen,
                                 const MenuToolPtr& tool);
    ActionResult CheckSourceClass(int32_t classType) const;
    ActionResult RequestFollowOn(int32_t targetClass);
    ActionResult Print(bool preview, bool savedFirst);
    std::pair<CollectionPtr, CollectionPtr> ChangeData(const FieldTemplate& f, int r,
                                                       const Value& newValue,
                                                       const CollectionPtr& extras);
    void RaiseFilledChange(const FieldTemplate& f, int row);
    // The cursor moves to the cell; entering another entry row raises EntryGridRow.
    void EnterCell(const std::string& key, int row);
    int EntryColumn(const std::string& key) const;
    // The plug-in's visible picture boxes are painted when the form shows a bill.
    void PaintPictures();
    // Persistence (bill_store.cpp)
    void StoreBill();
    void LoadFromDatabase(int32_t id);
    void StoreStatus(int status);
    void RequireStored(int32_t id);
    void DeleteFromDatabase();
    void SetSecondEntryID(int row, const Value& entryID);
    std::vector<std::string> Columns(const std::string& table);
    std::map<std::string, std::vector<std::string>> columnCache_;
    int AppendRow();
    std::optional<Value> LookupByNumber(const FieldTemplate& f, const Value& typed);
};

// After every event the host reads the rows back in order (see Data above).
template <class F>
inline void HostBillForm::Raise(const char* name, const std::string& args, bool* cancel, F&& call) {
    events_.Raise(name, args, cancel, std::forward<F>(call), [this] { NormalizeRows(); });
}

// The form's state texts: 0 view, 1 new, 2 edit.
const char* BillStatusName(int status);

}  // namespace qor::host::form
