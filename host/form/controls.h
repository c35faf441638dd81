// The bill form's helper objects: the grid controller (BillCtl), the form object (saving, the
// amount option, the unsaved-changes query) and the controls reached by name.
//
// "grid" (type "Grid"): the entry grid. Properties: "MaxCols", "MaxRows" (the data rows),
// "Col" and "Row" (the cell the next reads and writes address; columns are the entry fields in
// template order, 1-based), "ColHidden" (the column's field is hidden), "Lock" (the cell at
// Col/Row is locked), "Text" (its value as text), "ColKey" (the field key of Col), "ActiveCol",
// "ActiveRow", "ImportDataFlag". Methods: "SetImportDataFlag"([flag = true]), "SetFocus",
// "SetActiveCell"(col, row), "ColOfKey"(key).
//
// Header boxes (type "EditPlus"), one per header field, named by the field key: "Text" (the
// cell's display text; writing it changes only what is shown), "ItemID" (the cell's "ItemID"
// item when a choice of the box put one there, else its "FFLD"), "Tag" (free), "Visible",
// "Enabled" / "Locked" (the field's lock), "Key".
//
// Controls a plug-in adds (IBillForm::AddControl), typed "CommandButton", "PictureBox" or any
// other control type: properties are kept as written ("Caption", "Visible" and "Enabled" start
// true, "Tag", "Left", ...), "Name", "Type" and "Beside" (the header box it sits by) are read
// only. A picture box's "Text" is what was printed on it, line by line; "Print"(text...) writes
// a line, "Cls" clears it, "Refresh" has the form paint it again (ControlPaint).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/host.h"

namespace qor::host::form {

class HostBillForm;

class GridController : public IGridController {
public:
    explicit GridController(std::weak_ptr<HostBillForm> form) : form_(std::move(form)) {}
    void LockCell(const CollectionPtr& fieldDef, int row, bool lock) override;
    void DoAction(const CollectionPtr& fieldDef, const CollectionPtr& cellData, int row) override;
    bool IsFieldLockRunTime(const CollectionPtr& fieldDef, int row) override;

private:
    std::weak_ptr<HostBillForm> form_;
};

class FormObject : public IFormObject {
public:
    explicit FormObject(std::weak_ptr<HostBillForm> form) : form_(std::move(form)) {}
    bool SaveBill() override;
    bool AmountCalcPrice() const override;
    bool IsDataChanged() const override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;

private:
    std::weak_ptr<HostBillForm> form_;
};

class GridControl : public IControl {
public:
    explicit GridControl(std::weak_ptr<HostBillForm> form) : form_(std::move(form)) {}
    std::string TypeName() const override { return "Grid"; }
    std::string Name() const override { return "grid"; }
    Value GetProperty(const std::string& name) const override;
    void SetProperty(const std::string& name, const Value& value) override;
    Value Call(const std::string& method, std::vector<Value>& args) override;

private:
    std::weak_ptr<HostBillForm> form_;
    int col_ = 1, row_ = 1;
    bool importFlag_ = false;
    bool focused_ = false;
};

class EditPlusControl : public IControl {
public:
    EditPlusControl(std::weak_ptr<HostBillForm> form, std::string key)
        : form_(std::move(form)), key_(std::move(key)) {}
    std::string TypeName() const override { return "EditPlus"; }
    std::string Name() const override { return key_; }
    Value GetProperty(const std::string& name) const override;
    void SetProperty(const std::string& name, const Value& value) override;
    Value Call(const std::string& method, std::vector<Value>& args) override;

private:
    std::weak_ptr<HostBillForm> form_;
    std::string key_;
    Value tag_;
    bool visible_ = true;
};

class PlugInControl : public IControl {
public:
    PlugInControl(std::weak_ptr<HostBillForm> form, std::string type, std::string name,
                  std::string beside)
        : form_(std::move(form)),
          type_(std::move(type)),
          name_(std::move(name)),
          beside_(std::move(beside)) {}
    std::string TypeName() const override { return type_; }
    std::string Name() const override { return name_; }
    Value GetProperty(const std::string& name) const override;
    void SetProperty(const std::string& name, const Value& value) override;
    Value Call(const std::string& method, std::vector<Value>& args) override;

    bool IsPicture() const;
    bool Visible() const { return GetProperty("Visible").ToBool(); }
    bool Enabled() const { return GetProperty("Enabled").ToBool(); }
    const std::string& Beside() const { return beside_; }
    // What was printed on a picture box, its lines joined by line feeds.
    std::string Printed() const;
    void Clear() { lines_.clear(); }

private:
    std::weak_ptr<HostBillForm> form_;
    std::string type_, name_, beside_;
    std::map<std::string, Value> props_;  // upper-cased property name -> value
    std::vector<std::string> lines_;
};

}  // namespace qor::host::form
