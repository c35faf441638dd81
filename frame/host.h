// The host contract: what the plug-ins call on the host's bill form and bill list, and the
// events the host raises into them.
//
// Rows: -1 addresses a header field, entry rows are numbered from 1. Pages: 1 is the header
// and the default, 2 the (first) entry grid, 3 a second entry grid where the bill has one.
//
// A field definition is a keyed collection the host hands out and takes back (items such as
// "FKey", "FPage", "FFLD", "FCtlType", "FSourceType", "FSRCTableName", "FSRCFieldName",
// "Visible", "FieldLock"). A cell's data is a keyed collection with "FFLD" (stored value or
// internal identifier), "FFND" (number/code), "FDSP" (display text) and "FModify" (1 when
// changed).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/errors.h"
#include "frame/export.h"
#include "frame/value.h"

QOR_XS_CONTRACT_BEGIN
namespace qor {

// ---- Menus ---------------------------------------------------------------------------------

class IMenuTool : public IObject {
public:
    std::string TypeName() const override { return "Tool"; }
    virtual std::string Name() const = 0;  // the tool key, such as "mnuEditCheck"
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool) = 0;
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string&) = 0;
    virtual std::string Description() const = 0;
    virtual void SetDescription(const std::string&) = 0;
    virtual std::string ToolTipText() const = 0;
    virtual void SetToolTipText(const std::string&) = 0;
    // Sets the tool's picture (an object from IPlatform::LoadPicture) with its mask colour.
    virtual void SetPicture(const ObjectPtr& picture, uint32_t maskColor) = 0;
    // The key that clicks the tool ("F9"); "" for none.
    virtual std::string Shortcut() const { return ""; }
    virtual void SetShortcut(const std::string&) {}
};
using MenuToolPtr = std::shared_ptr<IMenuTool>;

// A band: a menu ("mnuFile", "mnuEdit", "mnuView", "mnuRelate", "mnuOption"), the toolbar
// ("BandToolBar") or the sub-items of a tool (a band keyed by the tool's key).
class IMenuBand : public IObject {
public:
    std::string TypeName() const override { return "Band"; }
    virtual std::string Key() const = 0;
    virtual std::vector<std::string> ToolKeys() const = 0;
    // Adds the tool before beforeKey when that names a tool of the band, else at the 1-based
    // position (0 or past the end: at the end). False when the tool is already in the band.
    virtual bool AddTool(const MenuToolPtr& tool, const std::string& beforeKey = "",
                         int position = 0) = 0;
    virtual bool RemoveTool(const std::string& key) = 0;
    // Adds a separator line before beforeKey (or at the 1-based position among the tools, or
    // at the end), as AddTool places a tool. False when the band cannot hold one.
    virtual bool AddSeparator(const std::string& /*beforeKey*/ = "", int /*position*/ = 0) {
        return false;
    }
};
using MenuBandPtr = std::shared_ptr<IMenuBand>;

class IMenuBar : public IObject {
public:
    std::string TypeName() const override { return "MenuBar"; }
    // The tool with that key, or null.
    virtual MenuToolPtr Tool(const std::string& key) const = 0;
    // Creates a tool (not yet in any band); the existing tool when the key is taken.
    virtual MenuToolPtr CreateTool(const std::string& key) = 0;
    // The band with that key, or null.
    virtual MenuBandPtr Band(const std::string& key) const = 0;
    // The band with that key, created empty when missing.
    virtual MenuBandPtr AddBand(const std::string& key) = 0;
};
using MenuBarPtr = std::shared_ptr<IMenuBar>;

// ---- Grid controller, form object, controls ---------------------------------------------------

class IGridController : public IObject {
public:
    std::string TypeName() const override { return "BillCtl"; }
    virtual void LockCell(const CollectionPtr& fieldDef, int row, bool lock) = 0;
    // Runs the field's host actions (formulas, lock conditions) for the cell, raising
    // BeforeDoAction, BeforeDoAction2 and AfterDoAction2 around them.
    virtual void DoAction(const CollectionPtr& fieldDef, const CollectionPtr& cellData,
                          int row) = 0;
    // True when the cell is locked now (field lock or cell lock).
    virtual bool IsFieldLockRunTime(const CollectionPtr& fieldDef, int row) = 0;
};
using GridControllerPtr = std::shared_ptr<IGridController>;

// The form window: saving, the amount option and the unsaved-changes query.
class IFormObject : public IObject {
public:
    std::string TypeName() const override { return "BillForm"; }
    // Saves the bill through the host's full save cycle; false when it was cancelled or failed.
    virtual bool SaveBill() = 0;
    // The option "amounts drive prices": editing an amount recomputes the price.
    virtual bool AmountCalcPrice() const = 0;
    // True when the bill holds changes not yet saved.
    virtual bool IsDataChanged() const = 0;
    // The window's caption ("销售订单[修改]").
    virtual std::string Caption() const { return ""; }
    virtual void SetCaption(const std::string&) {}
};
using FormObjectPtr = std::shared_ptr<IFormObject>;

// A control of the form ("grid", the "EditPlus" header boxes), reached late-bound.
class IControl : public IObject {
public:
    virtual std::string Name() const = 0;
    virtual Value GetProperty(const std::string& name) const = 0;
    virtual void SetProperty(const std::string& name, const Value& value) = 0;
    // Calls a method of the control; arguments may be changed by the callee.
    virtual Value Call(const std::string& method, std::vector<Value>& args) = 0;
};
using ControlPtr = std::shared_ptr<IControl>;

// ---- Events ----------------------------------------------------------------------------------

// The events a bill form raises. Cancel flags start false; setting one true vetoes the
// host's action.
class IBillFormEvents {
public:
    virtual ~IBillFormEvents() = default;
    virtual void AddNewRow(int page, int row) = 0;
    virtual void AfterCopyBill() = 0;
    virtual void AfterDeleteRow(int page, int row) = 0;
    virtual void AfterDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                const Value& third, const std::string& kind,
                                const std::string& type, const std::string& expression) = 0;
    virtual void AfterFillRow(const Value& a, const Value& b, const Value& c, const Value& d) = 0;
    virtual void AfterLoadBill() = 0;
    virtual void AfterNewBill() = 0;
    virtual void AfterSave(const Value& hostValue) = 0;
    virtual void AfterSelBill(const Value& selection) = 0;
    virtual void AfterSelBillBeforeFillData(const Value& selection) = 0;
    virtual void BeforeDeleteRow(int page, int row, bool& cancel) = 0;
    virtual void BeforeDoAction(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                const Value& third, const std::string& kind,
                                const std::string& type, const std::string& expression,
                                bool& cancel) = 0;
    virtual void BeforeDoAction2(const CollectionPtr& fieldDesc, const CollectionPtr& itemProps,
                                 const Value& third, const std::string& kind,
                                 const std::string& type, const std::string& expression) = 0;
    virtual void BeforeSave(bool& cancel) = 0;
    virtual void BeforeSelBills(const Value& a, const Value& b, const Value& c,
                                std::string& condition, const Value& e) = 0;
    virtual void BeforLoadBillFillData() = 0;
    virtual void BeginEdit(const Value& obj, const Value& a, const Value& b) = 0;
    virtual void BusinessCheck(bool& cancel) = 0;
    // fieldDesc's item "FKey" is the changed field's key.
    virtual void Change(const CollectionPtr& fieldDesc, const Value& second, int column, int row,
                        bool& cancel) = 0;
    // Eight grid values; the second is the row number.
    virtual void EntryGridRow(const std::vector<Value>& values) = 0;
    virtual void LostFocus(const std::string& text, const Value& obj,
                           const std::vector<Value>& values) = 0;
    virtual void MenuBarClick(const MenuToolPtr& tool, bool& cancel) = 0;
    virtual void MenuBarInitialize(const MenuBarPtr& menuBar) = 0;
    virtual void SaveBillSuccess(const Value& obj) = 0;
    virtual void UnBusinessCheck(bool& cancel) = 0;
    // The controls' events: a control a plug-in added (IBillForm::AddControl) was clicked, or
    // its picture box is to be painted; a key was pressed in a header box (named by its field
    // key; setting keyAscii to 0 swallows the key). They do nothing unless overridden.
    virtual void ControlClick(const std::string& /*name*/) {}
    virtual void ControlPaint(const std::string& /*name*/) {}
    virtual void ControlKeyPress(const std::string& /*name*/, int& /*keyAscii*/) {}
};

// The events a bill list raises. The list's BusinessCheck and UnBusinessCheck carry a Cancel
// for every class: a handler refuses the check of the selection (a rejected order, a check its
// component refused) by setting it, after its message; the host then stores no status. A
// message alone refuses nothing.
class IBillListEvents {
public:
    virtual ~IBillListEvents() = default;
    virtual void AfterMergeCopyBill(const Value& mergedBill) = 0;
    virtual void AfterCopyBillCreateData(const Value& obj) = 0;
    virtual void BusinessCheck(bool& cancel) = 0;
    virtual void MenuBarClick(const MenuToolPtr& tool, bool& cancel) = 0;
    virtual void MenuBarInitialize(const MenuBarPtr& menuBar) = 0;
    virtual void UnBusinessCheck(bool& cancel) = 0;
};

// ---- Bill form -------------------------------------------------------------------------------

class IBillForm : public IObject {
public:
    // The host's bill-form class name; plug-ins bind on it without regard to letter case.
    std::string TypeName() const override { return "BillEvent"; }

    // Connects the event sink (one at a time; a second Advise replaces the first).
    virtual void Advise(IBillFormEvents* sink) = 0;
    virtual void Unadvise(IBillFormEvents* sink) = 0;

    // The stored value; for a base-data field its internal identifier. Empty for an unknown
    // key or a row out of range.
    virtual Value GetFieldValue(const std::string& key, int row = -1, int page = 1) = 0;
    // Stores and shows the value. Does not raise Change.
    virtual void SetFieldValue(const std::string& key, const Value& value, int row = -1,
                               int page = 1) = 0;
    // The field's definition, or null for an unknown key.
    virtual CollectionPtr GetFieldInfoByKey(const std::string& key, const std::string& = "",
                                            int = 0) = 0;
    // The cell's data collection (changes to it are the cell's), or null.
    virtual CollectionPtr GetDataFld(const CollectionPtr& fieldDef, int row = -1) = 0;
    virtual CollectionPtr GetDataFldbyKey(const std::string& key, int row = -1) = 0;
    // The cell shows text (its "FDSP").
    virtual void SetText(const CollectionPtr& fieldDef, const std::string& text, int row = -1) = 0;

    // Field definitions: BillHeads() and BillEntrys() hold one item per page/grid (1-based
    // position), each a collection with "BOSFields" (the definitions by key) and, for entry
    // grids, "KeyField" (the key whose empty value marks an unfilled row).
    virtual CollectionPtr BillHeads() = 0;
    virtual CollectionPtr BillEntrys() = 0;
    // Table information; item "Map" indexes it by field key.
    virtual CollectionPtr TableInfo() = 0;
    // The bill's data ("Data"): "Page1" header cells by key, "Page2" (and "Page3") entry
    // pages with "Size" (the row count) and one item per row holding cells by key.
    virtual CollectionPtr BillData() = 0;

    // The bill's class type identifier (for example 1030002).
    virtual int32_t FID() const = 0;
    // The internal identifier of the bill being edited (0 for a new bill).
    virtual int32_t CurBillID() const = 0;
    // 0 view, 1 new, 2 edit.
    virtual int BillStatus() const = 0;
    virtual void SetBillStatus(int status) = 0;
    virtual int BillViewMode() const = 0;
    // The entry grid's row count (rows 1 to this number exist).
    virtual int GridMaxDataRowNum(int page = 2) const = 0;

    virtual void SetActiveCell(const std::string& key, int row) = 0;
    virtual void SetEntryCtlProperty(const std::string& property, const Value& value,
                                     const Value& position) = 0;
    // Stores the value as a user edit would and raises Change.
    virtual void FireChange(const std::string& key, int row, const Value& value) = 0;
    // property is "Visible" or "Enabled".
    virtual void SetBarStatus(const std::string& toolKey, const std::string& property,
                              bool value) = 0;
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    virtual std::string StatusText(int panel) const = 0;
    // The sum of the entry column over all rows.
    virtual double ColumnTotal(const CollectionPtr& fieldDef) = 0;

    virtual MenuBarPtr MenuBar() = 0;
    virtual GridControllerPtr BillCtl() = 0;
    virtual FormObjectPtr BillForm() = 0;
    // A control by name ("grid", "FCUSTOMER"), or null; Controls() lists them all.
    virtual ControlPtr Control(const std::string& name) = 0;
    virtual std::vector<ControlPtr> Controls() = 0;
    // Adds a control of the plug-in to the form beside the header box of besideKey: type
    // "CommandButton" (property "Caption"; its click raises ControlClick) or "PictureBox"
    // (methods "Print"(text) to write a line, "Cls" to clear it, "Refresh" to have it painted
    // again; painting raises ControlPaint); both have "Visible", "Enabled" and "Tag". The
    // control already named so when the name is taken; null when the host cannot add any.
    virtual ControlPtr AddControl(const std::string& /*type*/, const std::string& /*name*/,
                                  const std::string& /*besideKey*/ = "") {
        return nullptr;
    }
};
using BillFormPtr = std::shared_ptr<IBillForm>;

// ---- Bill list -------------------------------------------------------------------------------

class IBillList : public IObject {
public:
    std::string TypeName() const override { return "ListEvent"; }
    virtual void Advise(IBillListEvents* sink) = 0;
    virtual void Unadvise(IBillListEvents* sink) = 0;
    // The class type of the bills listed.
    virtual int32_t FID() const = 0;
    virtual CollectionPtr TableInfo() = 0;
    // The selected rows, in list order: each a collection with "FClassTypeID", "FID",
    // "FEntryID" and "FBillNo".
    virtual CollectionPtr Selection() = 0;
    virtual MenuBarPtr MenuBar() = 0;
};
using BillListPtr = std::shared_ptr<IBillList>;

}  // namespace qor
QOR_XS_CONTRACT_END
