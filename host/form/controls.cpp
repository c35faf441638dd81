#include "host/form/controls.h"

#include "frame/errors.h"
#include "host/form/bill_form.h"

namespace qor::host::form {

namespace {

std::string KeyOf(const CollectionPtr& def) {
    return def ? def->Get("FKey").ToString() : "";
}

}  // namespace

void GridController::LockCell(const CollectionPtr& fieldDef, int row, bool lock) {
    if (auto f = form_.lock()) f->LockCell(KeyOf(fieldDef), row, lock);
}

void GridController::DoAction(const CollectionPtr& fieldDef, const CollectionPtr& cellData,
                              int row) {
    if (auto f = form_.lock()) f->RunFieldActions(KeyOf(fieldDef), row, cellData, "FAction");
}

bool GridController::IsFieldLockRunTime(const CollectionPtr& fieldDef, int row) {
    auto f = form_.lock();
    return f && f->IsCellLocked(KeyOf(fieldDef), row);
}

bool FormObject::SaveBill() {
    auto f = form_.lock();
    if (!f) return false;
    return f->SaveFromFormObject().done;
}

bool FormObject::AmountCalcPrice() const {
    auto f = form_.lock();
    if (!f) return false;
    auto tool = f->Menus().Tool("mnuOptionAmountCalcPrice");
    return tool && tool->Checked();
}

bool FormObject::IsDataChanged() const {
    auto f = form_.lock();
    return f && f->IsDataChanged();
}

std::string FormObject::Caption() const {
    auto f = form_.lock();
    return f ? f->Caption() : "";
}

void FormObject::SetCaption(const std::string& caption) {
    if (auto f = form_.lock()) f->SetCaption(caption);
}

Value GridControl::GetProperty(const std::string& name) const {
    auto f = form_.lock();
    if (!f) return Value();
    auto fields = f->Template().PageFields(2);
    auto colField = [&](int col) -> const FieldTemplate* {
        return col >= 1 && static_cast<size_t>(col) <= fields.size() ? fields[col - 1] : nullptr;
    };
    std::string n = Upper(name);
    if (n == "MAXCOLS") return Value(static_cast<int>(fields.size()));
    if (n == "MAXROWS") return Value(f->GridMaxDataRowNum());
    if (n == "COL") return Value(col_);
    if (n == "ROW") return Value(row_);
    if (n == "ACTIVEROW") return Value(f->ActiveRow());
    if (n == "ACTIVECOL") {
        for (size_t i = 0; i < fields.size(); ++i)
            if (IEquals(fields[i]->key, f->ActiveKey())) return Value(static_cast<int>(i + 1));
        return Value(0);
    }
    if (n == "IMPORTDATAFLAG") return Value(importFlag_);
    if (n == "FOCUSED") return Value(focused_);
    const FieldTemplate* field = colField(col_);
    if (n == "COLKEY") return Value(field ? field->key : std::string());
    if (n == "COLHIDDEN") return Value(field ? !f->IsFieldVisible(field->key, 2) : true);
    if (n == "LOCK") return Value(field ? f->IsCellLocked(field->key, row_) : true);
    if (n == "TEXT") {
        auto cell = field ? f->GetDataFldbyKey(field->key, row_) : nullptr;
        return Value(cell ? cell->Get("FDSP").ToString() : std::string());
    }
    throw HostError("grid", "the grid has no property " + name);
}

void GridControl::SetProperty(const std::string& name, const Value& value) {
    std::string n = Upper(name);
    if (n == "COL")
        col_ = static_cast<int>(value.ToNumber());
    else if (n == "ROW")
        row_ = static_cast<int>(value.ToNumber());
    else if (n == "IMPORTDATAFLAG")
        importFlag_ = value.ToBool();
    else
        throw HostError("grid", "the grid property " + name + " cannot be written");
}

Value GridControl::Call(const std::string& method, std::vector<Value>& args) {
    auto f = form_.lock();
    if (!f) return Value();
    std::string m = Upper(method);
    auto fields = f->Template().PageFields(2);
    if (m == "SETIMPORTDATAFLAG") {
        importFlag_ = args.empty() ? true : args[0].ToBool();
        return Value();
    }
    if (m == "SETFOCUS") {
        focused_ = true;
        return Value();
    }
    if (m == "SETACTIVECELL") {
        if (args.size() < 2) throw HostError("grid", "SetActiveCell takes a column and a row");
        int col = static_cast<int>(args[0].ToNumber());
        int row = static_cast<int>(args[1].ToNumber());
        if (col >= 1 && static_cast<size_t>(col) <= fields.size())
            f->SetActiveCell(fields[col - 1]->key, row);
        return Value();
    }
    if (m == "COLOFKEY") {
        std::string key = args.empty() ? "" : args[0].ToString();
        for (size_t i = 0; i < fields.size(); ++i)
            if (IEquals(fields[i]->key, key)) return Value(static_cast<int>(i + 1));
        return Value(0);
    }
    throw HostError("grid", "the grid has no method " + method);
}

Value EditPlusControl::GetProperty(const std::string& name) const {
    auto f = form_.lock();
    if (!f) return Value();
    std::string n = Upper(name);
    auto cell = f->GetDataFldbyKey(key_, -1);
    if (n == "TEXT") return cell ? cell->Get("FDSP") : Value("");
    if (n == "ITEMID") {
        if (cell && cell->Exists("ItemID")) return cell->Get("ItemID");
        return cell ? cell->Get("FFLD") : Value();
    }
    if (n == "TAG") return tag_;
    if (n == "VISIBLE") return Value(visible_ && f->IsFieldVisible(key_, 1));
    if (n == "ENABLED") return Value(!f->IsCellLocked(key_, -1));
    if (n == "LOCKED") return Value(f->IsCellLocked(key_, -1));
    if (n == "KEY" || n == "NAME") return Value(key_);
    throw HostError(key_, "the box has no property " + name);
}

void EditPlusControl::SetProperty(const std::string& name, const Value& value) {
    auto f = form_.lock();
    if (!f) return;
    std::string n = Upper(name);
    auto cell = f->GetDataFldbyKey(key_, -1);
    if (n == "TEXT") {
        if (cell) cell->Set("FDSP", Value(value.ToString()));
    } else if (n == "ITEMID") {
        if (cell) cell->Set("ItemID", value);
    } else if (n == "TAG") {
        tag_ = value;
    } else if (n == "VISIBLE") {
        visible_ = value.ToBool();
    } else if (n == "ENABLED" || n == "LOCKED") {
        bool locked = n == "ENABLED" ? !value.ToBool() : value.ToBool();
        f->LockCell(key_, -1, locked);
    } else {
        throw HostError(key_, "the box property " + name + " cannot be written");
    }
}

Value EditPlusControl::Call(const std::string& method, std::vector<Value>&) {
    if (IEquals(method, "SetFocus")) {
        if (auto f = form_.lock()) f->SetActiveCell(key_, -1);
        return Value();
    }
    throw HostError(key_, "the box has no method " + method);
}

bool PlugInControl::IsPicture() const {
    return IEquals(type_, "PictureBox");
}

std::string PlugInControl::Printed() const {
    std::string text;
    for (const auto& line : lines_) text += (text.empty() ? "" : "\n") + line;
    return text;
}

Value PlugInControl::GetProperty(const std::string& name) const {
    std::string n = Upper(name);
    if (n == "NAME") return Value(name_);
    if (n == "TYPE") return Value(type_);
    if (n == "BESIDE") return Value(beside_);
    if (n == "TEXT" && IsPicture()) return Value(Printed());
    auto it = props_.find(n);
    if (it != props_.end()) return it->second;
    if (n == "VISIBLE" || n == "ENABLED") return Value(true);
    return Value();
}

void PlugInControl::SetProperty(const std::string& name, const Value& value) {
    std::string n = Upper(name);
    if (n == "NAME" || n == "TYPE" || n == "BESIDE" || (n == "TEXT" && IsPicture()))
        throw HostError(name_, "the property " + name + " cannot be written");
    props_[n] = value;
}

Value PlugInControl::Call(const std::string& method, std::vector<Value>& args) {
    std::string m = Upper(method);
    if (IsPicture() && m == "PRINT") {
        std::string line;
        for (const auto& a : args) line += a.ToString();
        lines_.push_back(line);
        return Value();
    }
    if (IsPicture() && m == "CLS") {
        lines_.clear();
        return Value();
    }
    if (m == "REFRESH") {
        if (auto f = form_.lock()) f->PaintControl(name_);
        return Value();
    }
    if (m == "SETFOCUS") return Value();
    throw HostError(name_, "the control has no method " + method);
}

}  // namespace qor::host::form
