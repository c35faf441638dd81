#include "host/form/bill_form.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "host/form/controls.h"
#include "host/form/expression.h"
#include "host/sql/literals.h"
#include "host/sql/sqlite_functions.h"

namespace qor::host::form {

const char* BillStatusName(int status) {
    switch (status) {
        case 0:
            return "view";
        case 1:
            return "new";
        case 2:
            return "edit";
        default:
            return "unknown";
    }
}

// A user edit in progress: the new value is stored for the host's formulas and GetFieldValue,
// while the cell data's "FFLD" still holds the old value until Change has returned.
struct HostBillForm::Edit {
    const FieldTemplate* field = nullptr;
    int row = -1;
    Value newValue;
};

namespace {

std::string Describe(const Value& v) {
    if (v.IsObject()) {
        if (auto c = v.As<Collection>()) {
            std::string s = "{";
            int n = 0;
            for (const auto& [k, item] : *c) {
                if (n++ == 6) {
                    s += ", ...";
                    break;
                }
                s += (n > 1 ? ", " : "") + k + "=" + (item.IsObject() ? "{...}" : item.ToString());
            }
            return s + "}";
        }
        return v.object()->TypeName();
    }
    if (v.IsText()) return "\"" + v.AsText() + "\"";
    return v.ToString();
}

bool IsBlankOrZero(const Value& v) {
    return v.IsBlank() || (v.ToNumber() == 0 && !v.IsText()) ||
           (v.IsText() && Trim(v.AsText()) == "0");
}

}  // namespace

std::shared_ptr<HostBillForm> HostBillForm::Create(const BillTemplate& t, IFormDatabase* db) {
    return std::shared_ptr<HostBillForm>(new HostBillForm(t, db));
}

HostBillForm::HostBillForm(const BillTemplate& t, IFormDatabase* db)
    : t_(t),
      db_(db),
      today_(sql::TodayText()),
      menu_(std::make_shared<form::MenuBar>(t)),
      caption_(t.title) {
    data_ = Collection::Make();
    BuildDefinitions();
    ResetData();
}

HostBillForm::~HostBillForm() = default;

// ---- Definitions -----------------------------------------------------------------------------

CollectionPtr HostBillForm::FieldDefinition(const FieldTemplate& f) const {
    auto def = Collection::Make();
    def->Set("FID", Value(f.id));
    def->Set("FKey", Value(f.key));
    def->Set("FFieldName", Value(f.column));
    def->Set("FFLD", Value(f.column));
    def->Set("FCaption", Value(f.caption));
    def->Set("FPage", Value(f.page));
    def->Set("FType", Value(FieldTypeName(f.type)));
    def->Set("FCtlType", Value(f.ctlType));
    def->Set("FSourceType", Value(f.source ? f.source->sourceType : 0));
    def->Set("FSRCTableName", Value(f.source ? f.source->table : std::string()));
    def->Set("FSRCFieldName", Value(f.source ? f.source->idColumn : std::string()));
    def->Set("FDefaultValue", f.defaultValue);
    def->Set("Visible", Value(f.visible));
    def->Set("FieldLock", Value(f.lock));
    return def;
}

void HostBillForm::BuildDefinitions() {
    heads_ = Collection::Make();
    entrys_ = Collection::Make();
    auto headFields = Collection::Make();
    auto entryFields = Collection::Make();
    auto map = Collection::Make();
    for (const auto& f : t_.fields) {
        auto def = FieldDefinition(f);
        (f.page == 1 ? headFields : entryFields)->Set(f.key, Value(def));
        auto info = Collection::Make();
        info->Set("FID", Value(f.id));
        info->Set("FKey", Value(f.key));
        info->Set("FFieldName", Value(f.column));
        info->Set("FCaption", Value(f.caption));
        info->Set("FPage", Value(f.page));
        info->Set("FVisible", Value(f.visible ? 1 : 0));
        info->Set("FLock", Value(f.lock ? 1 : 0));
        info->Set("FDefaultValue", f.defaultValue);
        info->Set("FTableName", Value(f.page == 1 ? t_.headerTable : t_.entryTable));
        info->Set("FCtlType", Value(f.ctlType));
        map->Set(f.key, Value(info));
    }
    auto head = Collection::Make();
    head->Set("BOSFields", Value(headFields));
    head->Set("TableName", Value(t_.headerTable));
    heads_->Set("Page1", Value(head));
    auto entry = Collection::Make();
    entry->Set("BOSFields", Value(entryFields));
    entry->Set("KeyField", Value(t_.keyField));
    entry->Set("TableName", Value(t_.entryTable));
    entrys_->Set("Page2", Value(entry));
    tableInfo_ = Collection::Make();
    tableInfo_->Set("Map", Value(map));
    tableInfo_->Set("ClassTypeID", Value(t_.classTypeID));
    tableInfo_->Set("HeadTable", Value(t_.headerTable));
    tableInfo_->Set("EntryTable", Value(t_.entryTable));
}

CollectionPtr HostBillForm::GetFieldInfoByKey(const std::string& key, const std::string&, int) {
    const FieldTemplate* f = Field(key);
    if (!f) return nullptr;
    auto page = (f->page == 1 ? heads_ : entrys_)->ItemAt(1).As<Collection>();
    return page ? page->Sub("BOSFields")->Sub(f->key) : nullptr;
}

bool HostBillForm::FieldDefFlag(const FieldTemplate& f, const char* item, bool fallback) const {
    auto page = (f.page == 1 ? heads_ : entrys_)->ItemAt(1).As<Collection>();
    if (!page) return fallback;
    auto fields = page->Sub("BOSFields");
    auto def = fields ? fields->Sub(f.key) : nullptr;
    if (!def || !def->Exists(item)) return fallback;
    return def->Get(item).ToBool();
}

bool HostBillForm::IsFieldVisible(const std::string& key, int page) const {
    const FieldTemplate* f = t_.Field(key, page);
    return f && FieldDefFlag(*f, "Visible", f->visible);
}

// ---- Data ------------------------------------------------------------------------------------

CollectionPtr HostBillForm::Page(int page) const {
    if (!rowsDirty_) return page == 1 ? page1_ : page2_;
    return data_->Sub(page == 1 ? "Page1" : "Page2");
}

CollectionPtr HostBillForm::Row(int row) const {
    if (row < 1) return nullptr;
    if (!rowsDirty_)
        return static_cast<size_t>(row) <= rows_.size() ? rows_[static_cast<size_t>(row - 1)]
                                                        : nullptr;
    auto page = Page(2);
    if (!page || row > GridMaxDataRowNum()) return nullptr;
    return page->Sub(std::to_string(row));
}

CollectionPtr HostBillForm::Cell(const FieldTemplate& f, int row) const {
    CollectionPtr holder = f.page == 1 ? Page(1) : Row(row);
    if (!holder) return nullptr;
    auto cell = holder->Sub(f.key);
    if (!cell) {
        // A blank cell comes into being where the data lack one: no value changes.
        cell = Collection::Make(
            {{"FFLD", Value()}, {"FFND", Value("")}, {"FDSP", Value("")}, {"FModify", Value(0)}});
        Quiet quiet(quiet_);
        holder->Set(f.key, Value(cell));
        WatchCell(cell, *holder);
    }
    return cell;
}

Value HostBillForm::DefaultValue(const FieldTemplate& f) const {
    if (f.defaultValue.IsText() && IEquals(Trim(f.defaultValue.AsText()), "@today"))
        return Value(today_);
    return Normalize(f, f.defaultValue);
}

Value HostBillForm::Normalize(const FieldTemplate& f, const Value& v) const {
    switch (f.type) {
        case FieldType::Number: {
            // Ten decimals are kept: the binary noise of the formulas does not reach the bill.
            double d = v.IsObject() ? 0 : v.ToNumber();
            return Value(std::isfinite(d) ? RoundDecimal(d, 10) : 0.0);
        }
        case FieldType::Integer:
        case FieldType::Bool: {
            double d = v.IsObject()
                           ? 0
                           : (f.type == FieldType::Bool ? (v.ToBool() ? 1 : 0) : v.ToNumber());
            if (!std::isfinite(d) || std::fabs(d) > 9.0e15) d = 0;
            return Value(static_cast<long long>(std::llround(d)));
        }
        case FieldType::Date: {
            if (v.IsBlank()) return Value("");
            std::string s = Trim(v.ToString());
            if (auto d = ParseDate(s)) {
                bool hasTime = d->hour || d->minute || d->second;
                return Value(hasTime ? FormatDateTime(*d) : FormatDate(*d));
            }
            return Value(s);
        }
        case FieldType::Text:
            if (v.IsBlank()) return Value("");
            if (v.IsNumber()) return Value(NumberToText(v.ToNumber()));
            return Value(v.ToString());
    }
    return v;
}

CollectionPtr HostBillForm::MakeCell(const FieldTemplate&, const Value& v) {
    auto cell = Collection::Make(
        {{"FFLD", v}, {"FFND", Value("")}, {"FDSP", Value("")}, {"FModify", Value(0)}});
    return cell;
}

CollectionPtr HostBillForm::MakeRow() {
    auto row = Collection::Make();
    for (const auto* f : t_.PageFields(2)) row->Set(f->key, Value(MakeCell(*f, DefaultValue(*f))));
    return row;
}

void HostBillForm::ResetData() {
    data_->Clear();
    {
        Quiet quiet(quiet_);
        auto page1 = Collection::Make();
        for (const auto* f : t_.PageFields(1))
            page1->Set(f->key, Value(MakeCell(*f, DefaultValue(*f))));
        data_->Set("Page1", Value(page1));
        auto page2 = Collection::Make();
        page2->Set("Size", Value(0));
        data_->Set("Page2", Value(page2));
    }
    WatchData();
    for (int i = 0; i < std::max(0, t_.initialRows); ++i) AppendRow();
    for (const auto* f : t_.PageFields(1)) RefreshDisplay(*f, Cell(*f, -1), -1);
    status_.clear();
    entryCtl_.clear();
    billID_ = 0;
}

int HostBillForm::AppendRow() {
    auto page = Page(2);
    int n = GridMaxDataRowNum();
    auto row = MakeRow();
    {
        // The host's own bookkeeping: a row after the last one is new to the step anyway.
        Quiet quiet(quiet_);
        page->Remove("Size");
        page->Set(std::to_string(n + 1), Value(row));
        page->Set("Size", Value(n + 1));
    }
    if (!rowsDirty_) {
        rows_.push_back(row);
        WatchRow(row, n + 1);
    }
    for (const auto* f : t_.PageFields(2)) RefreshDisplay(*f, row->Sub(f->key), n + 1);
    return n + 1;
}

void HostBillForm::NormalizeRows() {
    if (!rowsDirty_ && !structureChanged_) return;
    {
        Quiet quiet(quiet_);
        auto page = data_->Sub("Page2");
        if (!page) {
            page = Collection::Make();
            data_->Set("Page2", Value(page));
        }
        std::vector<CollectionPtr> rows;
        for (const auto& [key, item] : *page)
            if (auto c = item.As<Collection>()) rows.push_back(c);
        long size = page->Exists("Size") ? static_cast<long>(page->Get("Size").ToNumber())
                                         : static_cast<long>(rows.size());
        if (size >= 0 && static_cast<size_t>(size) < rows.size()) rows.resize(size);
        page->Clear();
        for (size_t i = 0; i < rows.size(); ++i) page->Set(std::to_string(i + 1), Value(rows[i]));
        page->Set("Size", Value(static_cast<long long>(rows.size())));
    }
    WatchData();
}

// The form watches the bill's data, its pages, rows and cells: it learns of every change as it
// happens, whoever makes it (the host, a formula, a plug-in through the data it was handed).
void HostBillForm::WatchData() {
    Quiet quiet(quiet_);
    if (!watcher_) watcher_ = std::make_shared<DataWatcher>(*this);
    cellHolder_.clear();
    holderRow_.clear();
    rows_.clear();
    data_->Watch(watcher_);
    page1_ = data_->Sub("Page1");
    page2_ = data_->Sub("Page2");
    if (!page1_) {
        page1_ = Collection::Make();
        data_->Set("Page1", Value(page1_));
    }
    if (!page2_) {
        page2_ = Collection::Make({{"Size", Value(0)}});
        data_->Set("Page2", Value(page2_));
    }
    page1_->Watch(watcher_);
    page2_->Watch(watcher_);
    holderRow_[page1_.get()] = -1;
    for (const auto& [key, item] : *page1_)
        if (auto cell = item.As<Collection>()) WatchCell(cell, *page1_);
    rowsDirty_ = true;  // counts the rows as GridMaxDataRowNum always has
    int n = GridMaxDataRowNum();
    for (int r = 1; r <= n; ++r) {
        auto row = page2_->Sub(std::to_string(r));
        if (!row) break;
        rows_.push_back(row);
        WatchRow(row, r);
    }
    rowsDirty_ = rows_.size() != static_cast<size_t>(n);
    structureChanged_ = false;
}

void HostBillForm::WatchRow(const CollectionPtr& row, int number) const {
    row->Watch(watcher_);
    holderRow_[row.get()] = number;
    for (const auto& [key, item] : *row)
        if (auto cell = item.As<Collection>()) WatchCell(cell, *row);
}

void HostBillForm::WatchCell(const CollectionPtr& cell, const Collection& holder) const {
    cell->Watch(watcher_);
    cellHolder_[cell.get()] = &holder;
}

int HostBillForm::GridMaxDataRowNum(int) const {
    if (!rowsDirty_) return static_cast<int>(rows_.size());
    auto page = data_->Sub("Page2");
    if (!page) return 0;
    const bool sized = page->Exists("Size");
    const long count = static_cast<long>(page->Count()) - (sized ? 1 : 0);
    const long size = sized ? static_cast<long>(page->Get("Size").ToNumber()) : count;
    return static_cast<int>(std::max(0L, std::min(size, count)));
}

int HostBillForm::FilledRows() const {
    const FieldTemplate* key = Field(t_.keyField);
    int n = 0;
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) {
        auto row = Row(r);
        auto cell = row && key ? row->Sub(key->key) : nullptr;
        if (cell && !IsBlankOrZero(cell->Get("FFLD"))) ++n;
    }
    return n;
}

void HostBillForm::RefreshDisplay(const FieldTemplate& f, const CollectionPtr& cell, int) {
    if (!cell) return;
    Value v = cell->Get("FFLD");
    if (f.source) {
        std::string number, name;
        long long id = static_cast<long long>(v.ToNumber());
        if (id != 0 && db_) {
            try {
                auto r = db_->Query("Select " + f.source->numberColumn + "," +
                                    f.source->nameColumn + " From " + f.source->table + " Where " +
                                    f.source->idColumn + "=" + std::to_string(id));
                if (!r.rows.empty()) {
                    number = r.rows[0][0].ToString();
                    name = r.rows[0][1].ToString();
                }
            } catch (const std::exception& e) {
                notes_.push_back(f.key + ": " + e.what());
            }
        }
        cell->Set("FFND", Value(number));
        cell->Set("FDSP", Value(name));
        return;
    }
    cell->Set("FFND", Value(""));
    cell->Set("FDSP", Value(f.type == FieldType::Number || f.type == FieldType::Integer
                                ? NumberToText(v.ToNumber())
                                : v.ToString()));
}

void HostBillForm::StoreValue(const FieldTemplate& f, int row, const Value& v, bool lookup) {
    auto cell = Cell(f, row);
    if (!cell) return;
    Value n = Normalize(f, v);
    bool editing = false;
    for (auto& e : edits_)
        if (e.field == &f && (f.page == 1 || e.row == row)) {
            e.newValue = n;
            editing = true;
        }
    // While the user edits this cell its data keep the value from before the edit in "FFLD"
    // (the tail rules compare with it), whoever writes the cell meanwhile; the value the edit
    // ends with is stored when it ends.
    if (editing) return;
    cell->Set("FFLD", n);
    if (lookup) RefreshDisplay(f, cell, row);
}

std::vector<std::string> HostBillForm::TakeNotes() {
    std::vector<std::string> out;
    out.swap(notes_);
    return out;
}

void HostBillForm::ClearModify() {
    for (int p : {1, 2}) {
        auto page = Page(p);
        if (!page) continue;
        auto clear = [](const CollectionPtr& holder) {
            for (const auto& [k, item] : *holder)
                if (auto cell = item.As<Collection>()) cell->Set("FModify", Value(0));
        };
        if (p == 1) {
            clear(page);
        } else {
            for (const auto& [k, item] : *page)
                if (auto row = item.As<Collection>()) clear(row);
        }
    }
}

void HostBillForm::ReplaceData(const CollectionPtr& data) {
    data_->Clear();
    for (const auto& [k, item] : *data) data_->Add(k, item);
}

std::map<std::string, Value> HostBillForm::HeaderValues() const {
    std::map<std::string, Value> out;
    for (const auto* f : t_.PageFields(1)) {
        auto page = Page(1);
        auto cell = page ? page->Sub(f->key) : nullptr;
        out[f->key] = cell ? cell->Get("FFLD") : Value();
    }
    return out;
}

std::vector<std::map<std::string, Value>> HostBillForm::RowValues() const {
    std::vector<std::map<std::string, Value>> out;
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) {
        std::map<std::string, Value> row;
        auto holder = Row(r);
        for (const auto* f : t_.PageFields(2)) {
            auto cell = holder ? holder->Sub(f->key) : nullptr;
            row[f->key] = cell ? cell->Get("FFLD") : Value();
        }
        out.push_back(std::move(row));
    }
    return out;
}

// ---- What a step changed ---------------------------------------------------------------------

std::string CellText(const Value& v) {
    if (v.IsNumber()) return NumberToText(v.ToNumber());
    return v.ToString();
}

std::vector<FieldChange> DiffTexts(const FieldTexts& before, const FieldTexts& after) {
    std::vector<FieldChange> out;
    for (const auto& [k, v] : after) {
        auto it = before.find(k);
        std::string old = it == before.end() ? "" : it->second;
        if (old != v && !(old.empty() && v == "0")) out.push_back({k, old, v});
    }
    for (const auto& [k, v] : before)
        if (!after.count(k) && !v.empty() && v != "0") out.push_back({k, v, "(row gone)"});
    return out;
}

namespace {

std::string CellName(const std::string& key, int row) {
    return row > 0 ? key + "@" + std::to_string(row) : key;
}

}  // namespace

FieldTexts HostBillForm::CurrentTexts() const {
    FieldTexts out;
    auto text = [&](const CollectionPtr& holder, const std::string& key) {
        auto cell = holder ? holder->Sub(key) : nullptr;
        return CellText(cell ? cell->Get("FFLD") : Value());
    };
    auto page1 = Page(1);
    for (const auto* f : t_.PageFields(1)) out[f->key] = text(page1, f->key);
    int rows = GridMaxDataRowNum();
    for (int r = 1; r <= rows; ++r) {
        auto holder = Row(r);
        for (const auto* f : t_.PageFields(2)) out[CellName(f->key, r)] = text(holder, f->key);
    }
    return out;
}

void HostBillForm::BeginChanges() {
    NormalizeRows();
    log_ = ChangeLog{};
    log_.active = true;
    log_.startRows = GridMaxDataRowNum();
}

FieldTexts HostBillForm::StartTexts() const {
    if (!log_.active) return CurrentTexts();
    if (log_.full) return log_.before;
    // The rows the step began with are still the same rows (moving rows makes the log full):
    // their cells and the header's hold the current values, but for the cells written since.
    FieldTexts out;
    auto text = [&](const CollectionPtr& holder, const std::string& key) {
        auto cell = holder ? holder->Sub(key) : nullptr;
        if (!cell) return std::string();
        auto touched = log_.touched.find(cell.get());
        return CellText(touched != log_.touched.end() ? touched->second : cell->Get("FFLD"));
    };
    auto page1 = Page(1);
    for (const auto* f : t_.PageFields(1)) out[f->key] = text(page1, f->key);
    int rows = std::min(log_.startRows, GridMaxDataRowNum());
    for (int r = 1; r <= rows; ++r) {
        auto holder = Row(r);
        for (const auto* f : t_.PageFields(2)) out[CellName(f->key, r)] = text(holder, f->key);
    }
    return out;
}

std::vector<FieldChange> HostBillForm::TakeChanges() {
    if (!log_.active) return {};
    std::vector<FieldChange> out;
    if (log_.full) {
        NormalizeRows();
        out = DiffTexts(log_.before, CurrentTexts());
    } else {
        // Only the cells written during the step, and the rows added after the last one.
        std::map<std::string, std::pair<std::string, std::string>> changed;
        for (const auto& [cell, before] : log_.touched) {
            auto holder = cellHolder_.find(cell);
            if (holder == cellHolder_.end()) continue;
            auto row = holderRow_.find(holder->second);
            if (row == holderRow_.end() || row->second > log_.startRows) continue;
            int page = row->second > 0 ? 2 : 1;
            for (const auto& [key, item] : *holder->second) {
                if (item.As<Collection>().get() != cell) continue;
                const FieldTemplate* f = t_.Field(key, page);
                if (f && f->page == page)
                    changed[CellName(f->key, row->second)] = {CellText(before),
                                                              CellText(cell->Get("FFLD"))};
                break;
            }
        }
        int rows = GridMaxDataRowNum();
        for (int r = log_.startRows + 1; r <= rows; ++r) {
            auto holder = Row(r);
            for (const auto* f : t_.PageFields(2)) {
                auto cell = holder ? holder->Sub(f->key) : nullptr;
                changed[CellName(f->key, r)] = {"", CellText(cell ? cell->Get("FFLD") : Value())};
            }
        }
        for (const auto& [name, values] : changed) {
            const auto& [old, now] = values;
            if (old != now && !(old.empty() && now == "0")) out.push_back({name, old, now});
        }
    }
    log_ = ChangeLog{};
    return out;
}

void HostBillForm::BeforeDataChange(const Collection& changed, const std::string& key) {
    if (quiet_) return;
    auto cell = cellHolder_.find(&changed);
    if (cell != cellHolder_.end()) {
        if (log_.active && !log_.full && (key.empty() || IEquals(key, "FFLD")))
            log_.touched.try_emplace(&changed, changed.Get("FFLD"));
        return;
    }
    // A page, a row or the data themselves: the bill's structure changes. What the step
    // changed is then found by comparing the whole bill with what it held when the step began.
    if (log_.active && !log_.full) {
        log_.before = StartTexts();
        log_.full = true;
        log_.touched.clear();
    }
    structureChanged_ = true;
    if (&changed == data_.get() || &changed == page2_.get()) rowsDirty_ = true;
}

// ---- Events ----------------------------------------------------------------------------------

// ---- Field values ----------------------------------------------------------------------------

Value HostBillForm::GetFieldValue(const std::string& key, int row, int) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return Value();
    for (auto it = edits_.rbegin(); it != edits_.rend(); ++it)
        if (it->field == f && (f->page == 1 || it->row == row)) return it->newValue;
    auto cell = f->page == 1 ? Cell(*f, -1) : (Row(row) ? Cell(*f, row) : nullptr);
    return cell ? cell->Get("FFLD") : Value();
}

void HostBillForm::SetFieldValue(const std::string& key, const Value& value, int row, int) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) {
        notes_.push_back("SetFieldValue: no field " + key + " on this bill");
        return;
    }
    if (f->page == 2 && !Row(row)) {
        notes_.push_back("SetFieldValue: " + key + " on row " + std::to_string(row) +
                         ", which does not exist");
        return;
    }
    Value stored = value;
    if (f->source && value.IsText() && !Trim(value.AsText()).empty()) {
        auto id = LookupByNumber(*f, value);
        if (!id) {
            notes_.push_back("SetFieldValue: no " + f->source->name + " \"" + value.AsText() +
                             "\" for " + key);
            return;
        }
        stored = *id;
    }
    StoreValue(*f, f->page == 1 ? -1 : row, stored, true);
}

CollectionPtr HostBillForm::GetDataFld(const CollectionPtr& fieldDef, int row) {
    if (!fieldDef) return nullptr;
    const FieldTemplate* f = t_.Field(fieldDef->Get("FKey").ToString(),
                                      static_cast<int>(fieldDef->Get("FPage").ToNumber()));
    if (!f) return nullptr;
    if (f->page == 2 && !Row(row)) return nullptr;
    return Cell(*f, f->page == 1 ? -1 : row);
}

CollectionPtr HostBillForm::GetDataFldbyKey(const std::string& key, int row) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return nullptr;
    if (f->page == 2 && !Row(row)) return nullptr;
    return Cell(*f, f->page == 1 ? -1 : row);
}

void HostBillForm::SetText(const CollectionPtr& fieldDef, const std::string& text, int row) {
    if (auto cell = GetDataFld(fieldDef, row)) cell->Set("FDSP", Value(text));
}

// ---- Locks -----------------------------------------------------------------------------------

void HostBillForm::LockCell(const std::string& key, int row, bool lock) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return;
    if (f->page == 2 && !Row(row)) return;
    if (auto cell = Cell(*f, f->page == 1 ? -1 : row)) cell->Set("FLocked", Value(lock ? 1 : 0));
}

bool HostBillForm::IsCellLocked(const std::string& key, int row) const {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return false;
    if (FieldDefFlag(*f, "FieldLock", f->lock)) return true;
    CollectionPtr holder = f->page == 1 ? Page(1) : Row(row);
    auto cell = holder ? holder->Sub(f->key) : nullptr;
    return cell && cell->Get("FLocked").ToBool();
}

// ---- Field actions ---------------------------------------------------------------------------

CollectionPtr HostBillForm::ItemProperties(const FieldTemplate& f, int row,
                                           const CollectionPtr& cell) {
    auto props = Collection::Make();
    if (f.source && f.source->itemProperties && db_) {
        Value id = cell ? cell->Get("FFLD") : GetFieldValue(f.key, row);
        long long n = static_cast<long long>(id.ToNumber());
        if (n != 0) {
            try {
                auto r = db_->Query("Select * From " + f.source->table + " Where " +
                                    f.source->idColumn + "=" + std::to_string(n));
                if (!r.rows.empty())
                    for (size_t c = 0; c < r.columns.size(); ++c)
                        props->Set(r.columns[c], r.rows[0][c]);
            } catch (const std::exception& e) {
                notes_.push_back(f.key + ": " + e.what());
            }
        }
        if (IEquals(f.source->table, "t_ICItem")) {
            Value batch = props->Get("FISBatchManager", Value(0));
            props->Set("FBatchManager", batch);
            props->Set("FIsBatchNoManage", Value(batch.ToNumber() != 0));
        }
    }
    if (cell) {
        for (const auto& [k, v] : *cell) {
            if (IEquals(k, "FFLD") || IEquals(k, "FFND") || IEquals(k, "FDSP") ||
                IEquals(k, "FModify") || IEquals(k, "FLocked") || IEquals(k, "FKey"))
                continue;
            if (!v.IsObject()) props->Set(k, v);
        }
    }
    return props;
}

void HostBillForm::RunAction(const FieldTemplate& f, const FieldAction& a, int row,
                             const CollectionPtr& cellData) {
    int r = f.page == 1 ? -1 : row;
    auto desc = Collection::Make({{"FFieldName", Value(f.key)},
                                  {"FKey", Value(f.key)},
                                  {"FPage", Value(f.page)},
                                  {"FRow", Value(r)}});
    auto props = ItemProperties(f, r, cellData);
    Value third = cellData ? Value(cellData) : Value();
    std::string args = f.key + (r > 0 ? "@" + std::to_string(r) : "") + ", " + a.kind + ", " +
                       a.type + ", \"" + a.expression + "\"";
    bool cancel = false;
    Raise("BeforeDoAction", args, &cancel, [&](IBillFormEvents& s) {
        s.BeforeDoAction(desc, props, third, a.kind, a.type, a.expression, cancel);
    });
    if (cancel) return;
    Raise("BeforeDoAction2", args, nullptr, [&](IBillFormEvents& s) {
        s.BeforeDoAction2(desc, props, third, a.kind, a.type, a.expression);
    });
    EvalContext ctx;
    ctx.field = [&](const std::string& key) {
        const FieldTemplate* g = t_.Field(key, f.page);
        if (!g) return Value();
        return GetFieldValue(g->key, g->page == 1 ? -1 : row);
    };
    ctx.item = [&](const std::string& key) { return props->Get(key); };
    try {
        if (a.type == "Calculate") {
            for (const auto& asg : ParseFormula(a.expression)) {
                const FieldTemplate* target = t_.Field(asg.target, f.page);
                if (!target) continue;
                if (target->page == 2 && !Row(row)) continue;
                try {
                    double v = asg.expression.Evaluate(ctx);
                    StoreValue(*target, target->page == 1 ? -1 : row, Value(v), true);
                } catch (const EvaluationError& e) {
                    notes_.push_back(asg.target + (row > 0 ? "@" + std::to_string(row) : "") +
                                     " not computed (" + e.what() + " in " + asg.expression.Text() +
                                     ")");
                }
            }
        } else if (a.type == "LockField") {
            auto lc = ParseLockCondition(a.expression);
            bool holds = false;
            try {
                holds = lc.condition.IsTrue(ctx);
            } catch (const EvaluationError& e) {
                notes_.push_back("lock condition " + a.expression + ": " + e.what());
            }
            const LockPart& part = holds ? lc.whenTrue : lc.whenFalse;
            if (!part.field.empty()) LockCell(part.field, row, part.lock);
        }
    } catch (const ExpressionError& e) {
        notes_.push_back("action of " + f.key + ": " + e.what());
    }
    Raise("AfterDoAction2", args, nullptr, [&](IBillFormEvents& s) {
        s.AfterDoAction2(desc, props, third, a.kind, a.type, a.expression);
    });
}

void HostBillForm::RunFieldActions(const std::string& key, int row, const CollectionPtr& cellData,
                                   const std::string& kind) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return;
    if (f->page == 2 && !Row(row)) return;
    for (const auto& a : f->actions)
        if (a.kind == kind)
            RunAction(*f, a, row, cellData ? cellData : Cell(*f, f->page == 1 ? -1 : row));
}

void HostBillForm::RunLoadActions(int row) {
    auto holder = Row(row);
    const FieldTemplate* key = Field(t_.keyField);
    if (!holder || !key) return;
    auto keyCell = holder->Sub(key->key);
    if (!keyCell || IsBlankOrZero(keyCell->Get("FFLD"))) return;
    for (const auto* f : t_.PageFields(2))
        for (const auto& a : f->actions)
            if (a.kind == "FLoadAction") RunAction(*f, a, row, Cell(*f, row));
}

// ---- Small operations ------------------------------------------------------------------------

int HostBillForm::EntryColumn(const std::string& key) const {
    int column = 0;
    for (const auto* g : t_.PageFields(2)) {
        ++column;
        if (IEquals(g->key, key)) return column;
    }
    return 0;
}

void HostBillForm::EnterCell(const std::string& key, int row) {
    int fromRow = activeRow_;
    std::string fromKey = activeKey_;
    SetActiveCell(key, row);
    if (row < 1 || row == fromRow) return;
    const FieldTemplate* keyField = Field(t_.keyField);
    auto holder = Row(row);
    auto keyCell = holder && keyField ? holder->Sub(keyField->key) : nullptr;
    bool filled = keyCell && !IsBlankOrZero(keyCell->Get("FFLD"));
    std::vector<Value> values{Value(EntryColumn(key)),
                              Value(row),
                              Value(fromRow >= 1 ? EntryColumn(fromKey) : 0),
                              Value(std::max(fromRow, 0)),
                              Value(2),
                              Value(GridMaxDataRowNum()),
                              Value(key),
                              Value(filled ? 1 : 0)};
    Raise("EntryGridRow",
          "row " + std::to_string(row) +
              (fromRow >= 1 ? " (from row " + std::to_string(fromRow) + ")" : ""),
          nullptr, [&](IBillFormEvents& s) { s.EntryGridRow(values); });
}

ActionResult HostBillForm::MoveCursor(const std::string& key, int row) {
    if (row < 1 || row > GridMaxDataRowNum())
        return ActionResult::Refused("row " + std::to_string(row) + " does not exist");
    std::string column = key;
    if (column.empty() && activeRow_ >= 1) column = activeKey_;
    if (column.empty())
        for (const auto* g : t_.PageFields(2))
            if (IsFieldVisible(g->key, 2)) {
                column = g->key;
                break;
            }
    const FieldTemplate* f = t_.Field(column, 2);
    if (!f || f->page != 2) return ActionResult::Refused(column + " is no entry field");
    EnterCell(f->key, row);
    return ActionResult::Done();
}

void HostBillForm::SetActiveCell(const std::string& key, int row) {
    activeKey_ = key;
    activeRow_ = row;
}

void HostBillForm::SetEntryCtlProperty(const std::string& property, const Value& value,
                                       const Value& position) {
    std::string key = property;
    if (!position.IsBlank()) key += "@" + position.ToString();
    entryCtl_[key] = value;
}

void HostBillForm::SetBarStatus(const std::string& toolKey, const std::string& property,
                                bool value) {
    auto tool = menu_->Tool(toolKey);
    if (!tool) return;
    if (IEquals(property, "Visible"))
        tool->SetVisible(value);
    else if (IEquals(property, "Enabled"))
        tool->SetEnabled(value);
    else if (IEquals(property, "Checked"))
        tool->SetChecked(value);
}

void HostBillForm::SetStatusText(int panel, const std::string& text) {
    if (panel < 1 || panel > t_.statusPanels) {
        notes_.push_back("status bar: no panel " + std::to_string(panel));
        return;
    }
    status_[panel] = text;
}

std::string HostBillForm::StatusText(int panel) const {
    auto it = status_.find(panel);
    return it == status_.end() ? "" : it->second;
}

double HostBillForm::ColumnTotal(const CollectionPtr& fieldDef) {
    if (!fieldDef) return 0;
    const FieldTemplate* f = t_.Field(fieldDef->Get("FKey").ToString(), 2);
    if (!f || f->page != 2) return 0;
    double sum = 0;
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) sum += GetFieldValue(f->key, r).ToNumber();
    return sum;
}

GridControllerPtr HostBillForm::BillCtl() {
    if (!ctl_) ctl_ = std::make_shared<GridController>(weak_from_this());
    return ctl_;
}

FormObjectPtr HostBillForm::BillForm() {
    if (!formObject_) formObject_ = std::make_shared<FormObject>(weak_from_this());
    return formObject_;
}

ControlPtr HostBillForm::Control(const std::string& name) {
    for (const auto& c : Controls())
        if (IEquals(c->Name(), name)) return c;
    return nullptr;
}

std::vector<ControlPtr> HostBillForm::Controls() {
    if (controls_.empty()) {
        controls_.push_back(std::make_shared<GridControl>(weak_from_this()));
        for (const auto* f : t_.PageFields(1))
            controls_.push_back(std::make_shared<EditPlusControl>(weak_from_this(), f->key));
    }
    return controls_;
}

ControlPtr HostBillForm::AddControl(const std::string& type, const std::string& name,
                                    const std::string& besideKey) {
    if (Trim(name).empty()) return nullptr;
    if (auto existing = Control(name)) return existing;
    if (!besideKey.empty() && !t_.Field(besideKey, 1))
        notes_.push_back("the control " + name + " sits by " + besideKey +
                         ", which is no header field");
    auto control = std::make_shared<PlugInControl>(weak_from_this(), type, name, besideKey);
    controls_.push_back(control);
    return control;
}

namespace {

std::shared_ptr<PlugInControl> PlugInControlOf(const ControlPtr& c) {
    return std::dynamic_pointer_cast<PlugInControl>(c);
}

// The characters of a UTF-8 text as code points, each with its bytes.
std::vector<std::pair<int, std::string>> CodePoints(const std::string& text) {
    std::vector<std::pair<int, std::string>> out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + n > text.size()) n = 1;
        int cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.emplace_back(cp, text.substr(i, n));
        i += n;
    }
    return out;
}

std::string Utf8(int cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace

ActionResult HostBillForm::ClickControl(const std::string& name) {
    auto control = PlugInControlOf(Control(name));
    if (!control) return ActionResult::Refused("the form has no control " + name + " to click");
    if (!control->Visible()) return ActionResult::Refused("the control " + name + " is hidden");
    if (!control->Enabled()) return ActionResult::Refused("the control " + name + " is disabled");
    std::string n = control->Name();
    Raise("ControlClick", n, nullptr, [&](IBillFormEvents& s) { s.ControlClick(n); });
    return ActionResult::Done();
}

void HostBillForm::PaintControl(const std::string& name) {
    auto control = PlugInControlOf(Control(name));
    if (!control || !control->IsPicture()) return;
    control->Clear();
    std::string n = control->Name();
    Raise("ControlPaint", n, nullptr, [&](IBillFormEvents& s) { s.ControlPaint(n); });
}

void HostBillForm::PaintPictures() {
    std::vector<std::string> pictures;
    for (const auto& c : controls_)
        if (auto p = PlugInControlOf(c); p && p->IsPicture() && p->Visible())
            pictures.push_back(p->Name());
    for (const auto& name : pictures) PaintControl(name);
}

ActionResult HostBillForm::PressKeys(const std::string& key, const std::string& text) {
    const FieldTemplate* f = t_.Field(key, 1);
    if (!f || f->page != 1) return ActionResult::Refused(key + " is no header box");
    if (!IsFieldVisible(f->key, 1)) return ActionResult::Refused(f->key + " is hidden");
    if (IsCellLocked(f->key, -1)) return ActionResult::Refused(f->key + " is locked");
    SetActiveCell(f->key, -1);
    std::string typed;
    for (const auto& [cp, bytes] : CodePoints(text)) {
        int keyAscii = cp;
        Raise("ControlKeyPress", f->key + " '" + bytes + "'", nullptr,
              [&](IBillFormEvents& s) { s.ControlKeyPress(f->key, keyAscii); });
        if (keyAscii != 0) typed += keyAscii == cp ? bytes : Utf8(keyAscii);
    }
    if (typed.empty()) return ActionResult::Refused("the box " + f->key + " took none of the keys");
    return Edit_(f->key, -1, Value(typed), nullptr, true);
}

ActionResult HostBillForm::PressShortcut(const std::string& shortcut) {
    for (const auto& tool : menu_->AllTools())
        if (!tool->Shortcut().empty() && IEquals(tool->Shortcut(), Trim(shortcut)))
            return ClickTool(tool->Name());
    return ActionResult::Refused("no tool has the shortcut " + shortcut);
}

void HostBillForm::FireChange(const std::string& key, int row, const Value& value) {
    Edit_(key, row, value, nullptr, false);
}

// ---- Cycles ----------------------------------------------------------------------------------

void HostBillForm::Open() {
    if (opened_) return;
    opened_ = true;
    MenuBarPtr bar = menu_;
    Raise("MenuBarInitialize", "menu bar", nullptr,
          [&](IBillFormEvents& s) { s.MenuBarInitialize(bar); });
}

std::string HostBillForm::NextBillNo() {
    long next = 1;
    if (db_) {
        try {
            std::string sql = "Select FBillNo From " + t_.headerTable + " Where FBillNo Like " +
                              SqlText(t_.billNoPrefix + "%");
            auto r = db_->Query(sql);
            for (const auto& row : r.rows) {
                std::string no = row[0].ToString();
                if (no.size() <= t_.billNoPrefix.size()) continue;
                std::string digits = no.substr(t_.billNoPrefix.size());
                if (!std::all_of(digits.begin(), digits.end(), ::isdigit) || digits.size() > 9)
                    continue;
                next = std::max(next, std::stol(digits) + 1);
            }
        } catch (const std::exception& e) {
            notes_.push_back(std::string("bill number: ") + e.what());
        }
    }
    std::string digits = std::to_string(next);
    if (digits.size() < 6) digits = std::string(6 - digits.size(), '0') + digits;
    return t_.billNoPrefix + digits;
}

ActionResult HostBillForm::NewBill() {
    edits_.clear();
    ResetData();
    if (const FieldTemplate* no = Field("FBillNo")) StoreValue(*no, -1, Value(NextBillNo()), true);
    billStatus_ = 1;
    Open();
    Raise("AfterNewBill", "", nullptr, [&](IBillFormEvents& s) { s.AfterNewBill(); });
    PaintPictures();
    return ActionResult::Done();
}

ActionResult HostBillForm::LoadBill(int32_t id, bool forEdit) {
    if (!db_) return ActionResult::Refused("no database");
    edits_.clear();
    return ShowStored(id, forEdit ? 2 : 0);
}

// Reads the stored bill into the form and shows it in the given state: the form's first bill
// opens the menus with the bill's data already in the form.
ActionResult HostBillForm::ShowStored(int32_t id, int status) {
    int before = billStatus_;
    billStatus_ = status;
    Raise("BeforLoadBillFillData", "FID=" + std::to_string(id), nullptr,
          [&](IBillFormEvents& s) { s.BeforLoadBillFillData(); });
    try {
        LoadFromDatabase(id);
    } catch (const std::exception& e) {
        billStatus_ = before;
        return ActionResult::Refused(e.what());
    }
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) RunLoadActions(r);
    ClearModify();
    Open();
    Raise("AfterLoadBill", "FID=" + std::to_string(id), nullptr,
          [&](IBillFormEvents& s) { s.AfterLoadBill(); });
    PaintPictures();
    return ActionResult::Done();
}

ActionResult HostBillForm::ClickThen(const std::string& toolKey, bool checkTool,
                                     const std::function<ActionResult()>& then) {
    MenuToolPtr tool = menu_->Tool(toolKey);
    if (checkTool) {
        if (!tool) return ActionResult::Refused("the form has no tool " + toolKey);
        if (!tool->Visible()) return ActionResult::Refused("the tool " + toolKey + " is hidden");
        if (!tool->Enabled()) return ActionResult::Refused("the tool " + toolKey + " is disabled");
    }
    if (!tool) tool = std::make_shared<MenuTool>(toolKey);
    bool cancel = false;
    Raise("MenuBarClick", tool->Name(), &cancel,
          [&](IBillFormEvents& s) { s.MenuBarClick(tool, cancel); });
    if (cancel) return ActionResult::Cancelled("MenuBarClick");
    return then ? then() : ActionResult::Done();
}

ActionResult HostBillForm::CopyBill() {
    Open();
    return ClickThen("mnuEditCopy", true, [&] { return ResetAsCopy(); });
}

ActionResult HostBillForm::OpenCopy(const CollectionPtr& data) {
    if (!data) return ActionResult::Refused("no bill data");
    ReplaceData(data->Clone());
    NormalizeRows();
    return ResetAsCopy();
}

ActionResult HostBillForm::ResetAsCopy() {
    edits_.clear();
    billID_ = 0;
    for (const char* key : {"FID", "FStatus", "FCheckerID", "FBillerID"})
        if (const FieldTemplate* f = Field(key); f && f->page == 1)
            StoreValue(*f, -1, Value(0), true);
    if (const FieldTemplate* f = Field("FCheckDate"); f && f->page == 1)
        StoreValue(*f, -1, Value(""), true);
    if (const FieldTemplate* f = Field("FBillNo")) StoreValue(*f, -1, Value(NextBillNo()), true);
    if (const FieldTemplate* f = t_.Field("FEntryID", 2); f && f->page == 2)
        for (int r = 1; r <= GridMaxDataRowNum(); ++r) StoreValue(*f, r, Value(0), true);
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) SetSecondEntryID(r, Value(0));
    billStatus_ = 1;
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) RunLoadActions(r);
    Open();
    Raise("AfterCopyBill", "", nullptr, [&](IBillFormEvents& s) { s.AfterCopyBill(); });
    PaintPictures();
    return ActionResult::Done();
}

// A base-data value as typed or written: a number value is the record's internal identifier;
// a text is the record's number (code), else its name, else - when it is all digits - its
// identifier. Plug-ins write numbers read from the database ("Select FNumber From ..."), so a
// text "02" must find the record numbered 02, not the record whose identifier is 2.
std::optional<Value> HostBillForm::LookupByNumber(const FieldTemplate& f, const Value& typed) {
    if (!f.source || !db_) return std::nullopt;
    std::string text = Trim(typed.ToString());
    if (text.empty() || text == "0" || (typed.IsNumber() && typed.ToNumber() == 0))
        return Value(0LL);
    bool digits = std::all_of(text.begin(), text.end(), ::isdigit) && text.size() < 16;
    const auto& src = *f.source;
    auto first = [&](const std::string& where) -> std::optional<Value> {
        auto r = db_->Query("Select " + src.idColumn + " From " + src.table + " Where " + where);
        if (r.rows.empty()) return std::nullopt;
        return r.rows[0][0];
    };
    try {
        if (typed.IsNumber()) {
            if (auto id = first(src.idColumn + "=" + std::to_string(ToId(typed)))) return id;
            return first(src.numberColumn + "=" + SqlText(text));
        }
        if (auto id = first(src.numberColumn + "=" + SqlText(text))) return id;
        if (auto id = first(src.nameColumn + "=" + SqlText(text))) return id;
        if (digits) return first(src.idColumn + "=" + text);
    } catch (const std::exception& e) {
        notes_.push_back(f.key + ": " + e.what());
    }
    return std::nullopt;
}

// The two collections Change carries: the event data (the new value with its number and name,
// what the host knows of the chosen record, what the user supplied) and the field descriptor
// (the same, with the field's name, page, row and caption).
std::pair<CollectionPtr, CollectionPtr> HostBillForm::ChangeData(const FieldTemplate& f, int r,
                                                                 const Value& newValue,
                                                                 const CollectionPtr& extras) {
    auto eventData = Collection::Make({{"FKey", Value(f.key)}, {"FFLD", newValue}});
    {
        auto tmp = MakeCell(f, newValue);
        RefreshDisplay(f, tmp, r);
        eventData->Set("FFND", tmp->Get("FFND"));
        eventData->Set("FDSP", tmp->Get("FDSP"));
        eventData->Set("FModify", Value(1));
    }
    if (f.source && db_ && IEquals(f.source->table, "t_MeasureUnit") && f.page == 2) {
        std::string itemKey = "FItemID";
        if (f.key.size() > 2 && f.key.substr(f.key.size() - 2) == "01") itemKey += "01";
        double coefficient = 1;
        try {
            long long item = static_cast<long long>(GetFieldValue(itemKey, r).ToNumber());
            auto q = db_->Query(
                "Select FCoefficient From t_barcode Where FItemID=" + std::to_string(item) +
                " And FUnitID=" + std::to_string(static_cast<long long>(newValue.ToNumber())));
            if (!q.rows.empty() && q.rows[0][0].ToNumber() > 0)
                coefficient = q.rows[0][0].ToNumber();
        } catch (const std::exception& e) {
            notes_.push_back(f.key + ": " + e.what());
        }
        eventData->Set("FCoefficient", Value(coefficient));
    }
    if (f.source && f.source->itemProperties && IEquals(f.source->table, "t_ICItem")) {
        auto tmp = MakeCell(f, newValue);
        auto props = ItemProperties(f, r, tmp);
        eventData->Set("FIsBatchNoManage", props->Get("FIsBatchNoManage", Value(false)));
        eventData->Set("FTrack", props->Get("FTrack", Value(0)));
    }
    if (extras)
        for (const auto& [k, v] : *extras) eventData->Set(k, v);
    auto desc = eventData->Clone();
    desc->Set("FFieldName", Value(f.key));
    desc->Set("FPage", Value(f.page));
    desc->Set("FRow", Value(r));
    desc->Set("FCaption", Value(f.caption));

    return {eventData, desc};
}

// The host raises Change for a value it filled itself, its flag (the column argument) -1
// (True): the rules that would fetch again what the host just filled skip themselves.
void HostBillForm::RaiseFilledChange(const FieldTemplate& f, int row) {
    int r = f.page == 1 ? -1 : row;
    Value value = GetFieldValue(f.key, r);
    auto [eventData, desc] = ChangeData(f, r, value, nullptr);
    bool cancel = false;
    std::string args = f.key + (r > 0 ? "@" + std::to_string(r) : "") + " := " + Describe(value) +
                       " (filled by the host)";
    Raise("Change", args, &cancel, [&, desc = desc, eventData = eventData](IBillFormEvents& s) {
        s.Change(desc, Value(eventData), -1, r, cancel);
    });
}

ActionResult HostBillForm::UserEdit(const std::string& key, int row, const Value& value,
                                    const CollectionPtr& extras) {
    return Edit_(key, row, value, extras, true);
}

ActionResult HostBillForm::Edit_(const std::string& key, int row, const Value& value,
                                 const CollectionPtr& extras, bool byUser) {
    const FieldTemplate* f = FieldAt(key, row);
    if (!f) return ActionResult::Refused("the bill has no field " + key);
    int r = f->page == 1 ? -1 : row;
    if (byUser && f->page == 1 && row > 0)
        return ActionResult::Refused(key + " is a header field: it has no row " +
                                     std::to_string(row));
    if (f->page == 2) {
        if (row < 1) return ActionResult::Refused(key + " is an entry field: a row is needed");
        if (byUser) {
            if (row > GridMaxDataRowNum() + 50)
                return ActionResult::Refused("row " + std::to_string(row) + " is too far");
            while (GridMaxDataRowNum() < row) {
                int added = AppendRow();
                Raise("AddNewRow", "page 2, row " + std::to_string(added), nullptr,
                      [&](IBillFormEvents& s) { s.AddNewRow(2, added); });
            }
        } else if (!Row(row)) {
            return ActionResult::Refused("row " + std::to_string(row) + " does not exist");
        }
    }
    Value typed = value;
    if (byUser) {
        if (!IsFieldVisible(f->key, f->page)) return ActionResult::Refused(f->key + " is hidden");
        if (IsCellLocked(f->key, r)) return ActionResult::Refused(f->key + " is locked");
        if ((f->type == FieldType::Number || f->type == FieldType::Integer) && !f->source &&
            value.IsText() && !Trim(value.AsText()).empty()) {
            std::string t = Trim(value.AsText());
            char* end = nullptr;
            double d = std::strtod(t.c_str(), &end);
            if (end != t.c_str() + t.size() || !std::isfinite(d))
                return ActionResult::Refused("\"" + t + "\" is not a number for " + f->key);
        }
        if (f->type == FieldType::Date && !value.IsBlank() && !ParseDate(value.ToString()))
            return ActionResult::Refused("\"" + value.ToString() + "\" is not a date for " +
                                         f->key);
    }
    if (f->source) {
        auto id = LookupByNumber(*f, value);
        if (!id) {
            if (byUser)
                return ActionResult::Refused("no " + f->source->name + " \"" + value.ToString() +
                                             "\" for " + f->key);
        } else {
            typed = *id;
        }
    }
    if (byUser && billStatus_ == 0 && billID_ > 0) billStatus_ = 2;
    CollectionPtr def = GetFieldInfoByKey(f->key);
    if (byUser) {
        // The cursor is in the cell while the user edits it; a handler may move it on.
        EnterCell(f->key, r);
        int col = 0;
        for (const auto* g : t_.PageFields(f->page)) {
            ++col;
            if (g == f) break;
        }
        Raise("BeginEdit", f->key + (r > 0 ? "@" + std::to_string(r) : ""), nullptr,
              [&](IBillFormEvents& s) { s.BeginEdit(Value(def), Value(r), Value(col)); });
        if (f->page == 2 && !Row(row)) return ActionResult::Refused("the row went away");
    }
    Value newValue = Normalize(*f, typed);
    auto [eventData, desc] = ChangeData(*f, r, newValue, extras);

    edits_.push_back(Edit{f, r, newValue});
    if (auto cell = Cell(*f, r)) cell->Set("FModify", Value(1));
    RunFieldActions(f->key, r, eventData, "FAction");
    bool cancel = false;
    std::string args =
        f->key + (r > 0 ? "@" + std::to_string(r) : "") + " := " + Describe(newValue);
    Raise("Change", args, &cancel, [&, desc = desc, eventData = eventData](IBillFormEvents& s) {
        s.Change(desc, Value(eventData), 0, r, cancel);
    });
    Edit done = edits_.back();
    edits_.pop_back();
    // The cell keeps the value the edit ended with: what the user typed, or what a formula or a
    // handler wrote over it. Cancel stops only the host's own remaining work on the edit: the
    // event data (the chosen record's number, name, coefficient, what the user supplied) are
    // not taken into the cell.
    if (f->page == 1 || Row(row)) {
        StoreValue(*f, r, done.newValue, true);
        if (auto cell = Cell(*f, r)) {
            if (!cancel)
                for (const auto& [k, v] : *eventData) {
                    if (IEquals(k, "FFLD") || IEquals(k, "FFND") || IEquals(k, "FDSP") ||
                        IEquals(k, "FKey"))
                        continue;
                    if (!cell->Exists(k) || IEquals(k, "FModify") || IEquals(k, "FCoefficient"))
                        cell->Set(k, v);
                }
            cell->Set("FModify", Value(1));
        }
    }
    return cancel ? ActionResult::Cancelled("Change") : ActionResult::Done();
}

ActionResult HostBillForm::AddRow() {
    int row = AppendRow();
    Raise("AddNewRow", "page 2, row " + std::to_string(row), nullptr,
          [&](IBillFormEvents& s) { s.AddNewRow(2, row); });
    return ActionResult::Done();
}

ActionResult HostBillForm::DeleteRow(int row) {
    if (!Row(row)) return ActionResult::Refused("row " + std::to_string(row) + " does not exist");
    bool cancel = false;
    Raise("BeforeDeleteRow", "page 2, row " + std::to_string(row), &cancel,
          [&](IBillFormEvents& s) { s.BeforeDeleteRow(2, row, cancel); });
    if (cancel) return ActionResult::Cancelled("BeforeDeleteRow");
    if (!Row(row)) return ActionResult::Refused("row " + std::to_string(row) + " went away");
    auto page = Page(2);
    page->Remove(std::to_string(row));
    page->Set("Size", Value(static_cast<long long>(GridMaxDataRowNum())));
    NormalizeRows();
    if (GridMaxDataRowNum() == 0) AppendRow();
    Raise("AfterDeleteRow", "page 2, row " + std::to_string(row), nullptr,
          [&](IBillFormEvents& s) { s.AfterDeleteRow(2, row); });
    return ActionResult::Done();
}

ActionResult HostBillForm::Save() {
    return RunSave(true);
}

ActionResult HostBillForm::RunSave(bool checkTool) {
    if (saving_) return ActionResult::Refused("a save is already running");
    saving_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{saving_};
    return ClickThen("mnuEditFileSave", checkTool, [&] {
        bool cancel = false;
        Raise("BeforeSave", "", &cancel, [&](IBillFormEvents& s) { s.BeforeSave(cancel); });
        if (cancel) return ActionResult::Cancelled("BeforeSave");
        if (!db_) return ActionResult::Refused("no database");
        try {
            StoreBill();
        } catch (const std::exception& e) {
            return ActionResult::Refused(std::string("not saved: ") + e.what());
        }
        Value id(billID_);
        Raise("AfterSave", "FID=" + std::to_string(billID_), nullptr,
              [&](IBillFormEvents& s) { s.AfterSave(id); });
        Value data(data_);
        Raise("SaveBillSuccess", "FID=" + std::to_string(billID_), nullptr,
              [&](IBillFormEvents& s) { s.SaveBillSuccess(data); });
        billStatus_ = 0;
        ClearModify();
        ++saves_;
        return ActionResult::Done();
    });
}

bool HostBillForm::CheckStatusColumn(int status, ActionResult& result) {
    if (billID_ <= 0) {
        result = ActionResult::Refused("the bill is not saved");
        return false;
    }
    int current = static_cast<int>(GetFieldValue("FStatus").ToNumber());
    if (status == 1 && current >= 1) {
        result = ActionResult::Refused("the bill is already checked");
        return false;
    }
    if (status == 0 && current == 0) {
        result = ActionResult::Refused("the bill is not checked");
        return false;
    }
    return true;
}

ActionResult HostBillForm::Check() {
    ActionResult refused;
    if (!CheckStatusColumn(1, refused)) return refused;
    return ClickThen("mnuEditCheck", true, [&] {
        bool cancel = false;
        Raise("BusinessCheck", "", &cancel, [&](IBillFormEvents& s) { s.BusinessCheck(cancel); });
        if (cancel) return ActionResult::Cancelled("BusinessCheck");
        try {
            StoreStatus(1);
        } catch (const std::exception& e) {
            return ActionResult::Refused(std::string("not checked: ") + e.what());
        }
        return ShowStored(billID_, 0);
    });
}

ActionResult HostBillForm::Uncheck() {
    ActionResult refused;
    if (!CheckStatusColumn(0, refused)) return refused;
    return ClickThen("mnuEditUnCheck", true, [&] {
        bool cancel = false;
        Raise("UnBusinessCheck", "", &cancel,
              [&](IBillFormEvents& s) { s.UnBusinessCheck(cancel); });
        if (cancel) return ActionResult::Cancelled("UnBusinessCheck");
        try {
            StoreStatus(0);
        } catch (const std::exception& e) {
            return ActionResult::Refused(std::string("not unchecked: ") + e.what());
        }
        return ShowStored(billID_, 0);
    });
}

ActionResult HostBillForm::DeleteBill() {
    if (billID_ <= 0) return ActionResult::Refused("the bill is not saved");
    if (GetFieldValue("FStatus").ToNumber() >= 1)
        return ActionResult::Refused("a checked bill cannot be deleted");
    return ClickThen("mnuEditFileDelete", true, [&] {
        try {
            DeleteFromDatabase();
        } catch (const std::exception& e) {
            return ActionResult::Refused(std::string("not deleted: ") + e.what());
        }
        ResetData();
        billStatus_ = 0;
        return ActionResult::Done();
    });
}

ActionResult HostBillForm::ClickTool(const std::string& key) {
    std::string k = Upper(key);
    if (k == "MNUEDITFILESAVE") return Save();
    if (k == "MNUEDITCHECK") return Check();
    if (k == "MNUEDITUNCHECK") return Uncheck();
    if (k == "MNUEDITFILEDELETE") return DeleteBill();
    if (k == "MNUEDITCOPY") return CopyBill();
    if (k == "MNUFILENEW" || k == "MNUEDITFILENEW")
        return ClickThen(key, true, [&] { return NewBill(); });
    if (k == "MNUEDITADDROW") return ClickThen(key, true, [&] { return AddRow(); });
    if (k == "MNUCOPYROW")
        return ClickThen(key, true, [&] {
            int from = activeRow_ >= 1 ? activeRow_ : GridMaxDataRowNum();
            auto src = Row(from);
            if (!src) return ActionResult::Refused("no row to copy");
            auto copy = src->Clone();
            int row = AppendRow();
            Page(2)->Set(std::to_string(row), Value(copy));
            if (const FieldTemplate* f = t_.Field("FEntryID", 2); f && f->page == 2)
                StoreValue(*f, row, Value(0), false);
            Raise("AddNewRow", "page 2, row " + std::to_string(row), nullptr,
                  [&](IBillFormEvents& s) { s.AddNewRow(2, row); });
            return ActionResult::Done();
        });
    if (k == "MNUOPTIONAMOUNTCALCPRICE" || k == "MNUOPTIONPRICECALCDISCOUNT")
        return ClickThen(key, true, [&] {
            auto tool = menu_->Tool(key);
            tool->SetChecked(!tool->Checked());
            return ActionResult::Done();
        });
    if (k.rfind("MNURELATE_", 0) == 0)
        return ActionResult::Refused("choose the source entries with selectSources");
    if (k == "MNUFILEPRINT" || k == "MNUFILEPREVIEW") {
        long savesBefore = saves_;
        return ClickThen(key, true,
                         [&] { return Print(k == "MNUFILEPREVIEW", saves_ > savesBefore); });
    }
    const std::string push = "MNURELATEPUSHBILL_";
    if (k.rfind(push, 0) == 0) {
        std::string digits = k.substr(push.size());
        bool number = !digits.empty() && digits.size() < 10 &&
                      std::all_of(digits.begin(), digits.end(), ::isdigit);
        int32_t target = number ? static_cast<int32_t>(std::stol(digits)) : 0;
        return ClickThen(key, true, [&] { return RequestFollowOn(target); });
    }
    return ClickThen(key, true, nullptr);
}

ActionResult HostBillForm::Print(bool preview, bool savedFirst) {
    PrintRecord p;
    p.preview = preview;
    p.billNo = GetFieldValue("FBillNo").ToString();
    p.billID = billID_;
    p.savedFirst = savedFirst;
    p.unsaved = billID_ <= 0 || IsDataChanged();
    prints_.push_back(p);
    return ActionResult::Done();
}

ActionResult HostBillForm::RequestFollowOn(int32_t targetClass) {
    const BillTemplate* target = targetClass ? FindTemplate(std::to_string(targetClass)) : nullptr;
    if (!target)
        return ActionResult::Refused("the host makes no bill of class " +
                                     std::to_string(targetClass) + " here");
    if (std::find(target->sourceClasses.begin(), target->sourceClasses.end(), t_.classTypeID) ==
        target->sourceClasses.end())
        return ActionResult::Refused("a " + target->kind + " bill is not drawn from a " + t_.kind +
                                     " bill");
    if (billID_ <= 0) return ActionResult::Refused("the bill is not saved");
    followOn_ = FollowOn{targetClass, t_.classTypeID, {{billID_, 0}}};
    return ActionResult::Done();
}

std::optional<FollowOn> HostBillForm::TakeFollowOn() {
    std::optional<FollowOn> out;
    out.swap(followOn_);
    return out;
}

}  // namespace qor::host::form
