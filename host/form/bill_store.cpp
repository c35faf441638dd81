// Storing and reading bills in the template's tables, and drawing rows from source bills.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "frame/errors.h"
#include "host/form/bill_form.h"
#include "host/sql/literals.h"

namespace qor::host::form {

namespace {

bool Has(const std::vector<std::string>& columns, const std::string& name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const std::string& c) { return IEquals(c, name); });
}

// A number as the shortest text that reads back as the same double.
std::string ExactNumber(double d) {
    if (!std::isfinite(d)) return "0";
    std::string plain = NumberToText(d);
    if (std::strtod(plain.c_str(), nullptr) == d) return plain;
    char buf[40];
    for (int p = 15; p <= 17; ++p) {
        std::snprintf(buf, sizeof buf, "%.*g", p, d);
        if (std::strtod(buf, nullptr) == d) break;
    }
    return buf;
}

// The value of a field as an SQL literal of its column.
std::string Literal(const FieldTemplate& f, const Value& v) {
    switch (f.type) {
        case FieldType::Number: {
            return ExactNumber(v.ToNumber());
        }
        case FieldType::Integer:
        case FieldType::Bool: {
            double d = f.type == FieldType::Bool ? (v.ToBool() ? 1 : 0) : v.ToNumber();
            if (!std::isfinite(d) || std::fabs(d) > 9.0e15) d = 0;
            return std::to_string(static_cast<long long>(std::llround(d)));
        }
        case FieldType::Date:
            return v.IsBlank() ? "Null" : SqlText(Trim(v.ToString()));
        case FieldType::Text:
            return SqlText(v.ToString());
    }
    return SqlText(v.ToString());
}

std::string ValueLiteral(const Value& v) {
    if (v.IsBlank()) return "Null";
    if (v.IsNumber()) return ExactNumber(v.ToNumber());
    if (v.type() == Value::Type::Bool) return v.AsBool() ? "1" : "0";
    return SqlText(v.ToString());
}

bool IsFilled(const Value& v) {
    if (v.IsBlank()) return false;
    if (v.IsText()) {
        std::string t = Trim(v.AsText());
        return !t.empty() && t != "0";
    }
    return v.ToNumber() != 0;
}

// The column values of one stored record: only the columns its table has, each once (the first
// value given wins).
class RecordValues {
public:
    RecordValues(std::string table, const std::vector<std::string>& columns)
        : table_(std::move(table)), columns_(columns) {}
    void Put(const std::string& column, const std::string& literal) {
        if (!Has(columns_, column) || !seen_.insert(Upper(column)).second) return;
        values_.emplace_back(column, literal);
    }
    std::string InsertStatement() const {
        std::string cols, vals;
        for (const auto& [c, l] : values_) {
            cols += (cols.empty() ? "" : ",") + c;
            vals += (vals.empty() ? "" : ",") + l;
        }
        return "Insert Into " + table_ + " (" + cols + ") Values (" + vals + ")";
    }
    // Every value but the key's, which selects the record.
    std::string UpdateStatement(const std::string& key, const std::string& keyLiteral) const {
        std::string sets;
        for (const auto& [c, l] : values_)
            if (!IEquals(c, key)) sets += (sets.empty() ? "" : ",") + c + "=" + l;
        return "Update " + table_ + " Set " + sets + " Where " + key + "=" + keyLiteral;
    }

private:
    std::string table_;
    const std::vector<std::string>& columns_;
    std::set<std::string> seen_;
    std::vector<std::pair<std::string, std::string>> values_;
};

long long MaxOf(IFormDatabase& db, const std::string& column, const std::string& table) {
    auto r = db.Query("Select Max(" + column + ") From " + table);
    return r.rows.empty() ? 0 : static_cast<long long>(r.rows[0][0].ToNumber());
}

struct SourceTables {
    std::string header, entry;
};

SourceTables TablesOfClass(int32_t cls) {
    for (const auto& [kind, t] : Templates())
        if (t.classTypeID == cls) return {t.headerTable, t.entryTable};
    switch (cls) {
        case 1020001:
            return {"t_CG_Order", "t_CG_OrderEntry"};
        case 1030001:
            return {"t_XS_Order", "t_XS_OrderEntry"};
        case 1030005:
            return {"t_cc_Change", "t_cc_ChangeEntry"};
        default:
            return {"t_CC_StockBill", "t_CC_StockBillEntry"};
    }
}

}  // namespace

int QueryResult::Column(const std::string& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (IEquals(columns[i], name)) return static_cast<int>(i);
    return -1;
}

Value QueryResult::At(size_t row, const std::string& column) const {
    int c = Column(column);
    if (c < 0 || row >= rows.size()) return Value();
    return rows[row][c];
}

std::vector<std::string> HostBillForm::Columns(const std::string& table) {
    auto it = columnCache_.find(Upper(table));
    if (it != columnCache_.end()) return it->second;
    auto cols = db_ ? db_->TableColumns(table) : std::vector<std::string>{};
    columnCache_[Upper(table)] = cols;
    return cols;
}

bool HostBillForm::IsDataChanged() const {
    auto changed = [](const CollectionPtr& holder) {
        for (const auto& [k, item] : *holder)
            if (auto cell = item.As<Collection>(); cell && cell->Get("FModify").ToNumber() != 0)
                return true;
        return false;
    };
    if (auto p1 = Page(1); p1 && changed(p1)) return true;
    if (auto p2 = Page(2))
        for (const auto& [k, item] : *p2)
            if (auto row = item.As<Collection>(); row && changed(row)) return true;
    return false;
}

void HostBillForm::StoreBill() {
    auto hcols = Columns(t_.headerTable);
    auto ecols = Columns(t_.entryTable);
    if (hcols.empty())
        throw HostError(t_.headerTable, "the table " + t_.headerTable + " does not exist");
    if (ecols.empty())
        throw HostError(t_.entryTable, "the table " + t_.entryTable + " does not exist");
    NormalizeRows();

    // Unfilled rows are not stored; the form drops them too, so that it shows what was saved.
    const FieldTemplate* keyField = Field(t_.keyField);
    std::vector<CollectionPtr> rows;
    for (int r = 1; r <= GridMaxDataRowNum(); ++r) {
        auto row = Row(r);
        auto cell = row && keyField ? row->Sub(keyField->key) : nullptr;
        if (row && cell && IsFilled(cell->Get("FFLD"))) rows.push_back(row);
    }

    if (const FieldTemplate* no = Field("FBillNo")) {
        std::string billNo = Trim(GetFieldValue(no->key).ToString());
        bool taken = false;
        if (!billNo.empty()) {
            std::string sql = "Select FID From " + t_.headerTable +
                              " Where FBillNo=" + SqlText(billNo) + " And FID<>" +
                              std::to_string(billID_);
            if (Has(hcols, "FClassTypeID"))
                sql += " And FClassTypeID=" + std::to_string(t_.classTypeID);
            taken = !db_->Query(sql).rows.empty();
        }
        if (billNo.empty() || taken) {
            std::string next = NextBillNo();
            if (taken)
                notes_.push_back("the bill number " + billNo + " was taken: " + next + " given");
            StoreValue(*no, -1, Value(next), true);
        }
    }
    if (const FieldTemplate* biller = Field("FBillerID"); biller && biller->page == 1)
        if (GetFieldValue(biller->key).ToNumber() == 0)
            StoreValue(*biller, -1, Value(userID_), true);

    int32_t id = billID_;
    std::vector<long long> entryIDs;
    InTransaction(*db_, [&] {
        bool isNew = id <= 0;
        if (isNew)
            id = static_cast<int32_t>(MaxOf(*db_, "FID", t_.headerTable) + 1);
        else
            RequireStored(id);
        RecordValues head(t_.headerTable, hcols);
        head.Put("FID", std::to_string(id));
        head.Put("FClassTypeID", std::to_string(t_.classTypeID));
        for (const auto& [column, v] : t_.fixedColumns) head.Put(column, ValueLiteral(v));
        for (const auto* f : t_.PageFields(1)) {
            if (!f->stored || IEquals(f->column, "FID")) continue;
            head.Put(f->column, Literal(*f, GetFieldValue(f->key)));
        }
        db_->Execute(isNew ? head.InsertStatement()
                           : head.UpdateStatement("FID", std::to_string(id)));
        db_->Execute("Delete From " + t_.entryTable + " Where FID=" + std::to_string(id));

        const FieldTemplate* entryField = t_.Field("FEntryID", 2);
        if (entryField && entryField->page != 2) entryField = nullptr;
        long long next = MaxOf(*db_, "FEntryID", t_.entryTable);
        for (const auto& row : rows) {
            auto cell = entryField ? row->Sub(entryField->key) : nullptr;
            if (cell) next = std::max(next, static_cast<long long>(cell->Get("FFLD").ToNumber()));
        }
        int index = 0;
        for (const auto& row : rows) {
            ++index;
            auto cell = entryField ? row->Sub(entryField->key) : nullptr;
            long long entryID = cell ? static_cast<long long>(cell->Get("FFLD").ToNumber()) : 0;
            if (entryID <= 0) entryID = ++next;
            entryIDs.push_back(entryID);
            RecordValues entry(t_.entryTable, ecols);
            entry.Put("FEntryID", std::to_string(entryID));
            entry.Put("FID", std::to_string(id));
            entry.Put("FIndex", std::to_string(index));
            entry.Put("lEntryID", std::to_string(entryID));
            entry.Put("FEntryID2", std::to_string(entryID));
            for (const auto* f : t_.PageFields(2)) {
                if (!f->stored) continue;
                auto c = row->Sub(f->key);
                entry.Put(f->column, Literal(*f, c ? c->Get("FFLD") : Value()));
            }
            db_->Execute(entry.InsertStatement());
        }
    });
    billID_ = id;
    if (const FieldTemplate* f = Field("FID"); f && f->page == 1)
        StoreValue(*f, -1, Value(id), true);
    // The form now shows what is stored: the filled rows with their identifiers and index.
    auto page = Page(2);
    page->Clear();
    for (size_t i = 0; i < rows.size(); ++i) page->Set(std::to_string(i + 1), Value(rows[i]));
    page->Set("Size", Value(static_cast<long long>(rows.size())));
    NormalizeRows();
    if (rows.empty()) AppendRow();
    for (size_t i = 0; i < rows.size(); ++i) {
        int r = static_cast<int>(i + 1);
        if (const FieldTemplate* f = t_.Field("FEntryID", 2); f && f->page == 2)
            StoreValue(*f, r, Value(entryIDs[i]), true);
        if (const FieldTemplate* f = t_.Field("FIndex", 2); f && f->page == 2)
            StoreValue(*f, r, Value(r), true);
        SetSecondEntryID(r, Value(entryIDs[i]));
    }
}

// The row's second entry identifier (FEntryID2, by which the row services update a stored
// row) is its entry identifier, as the entry tables compute it.
void HostBillForm::SetSecondEntryID(int row, const Value& entryID) {
    if (const FieldTemplate* f = t_.Field("FEntryID2", 2); f && f->page == 2)
        StoreValue(*f, row, entryID, true);
}

void HostBillForm::LoadFromDatabase(int32_t id) {
    auto hcols = Columns(t_.headerTable);
    std::string sql = "Select * From " + t_.headerTable + " Where FID=" + std::to_string(id);
    auto head = db_->Query(sql);
    if (head.rows.empty())
        throw HostError(t_.headerTable,
                        "there is no " + t_.kind + " bill with FID " + std::to_string(id));
    if (head.Column("FClassTypeID") >= 0 &&
        static_cast<int32_t>(head.At(0, "FClassTypeID").ToNumber()) != t_.classTypeID)
        throw HostError(t_.headerTable, "the bill with FID " + std::to_string(id) +
                                            " is of class " +
                                            head.At(0, "FClassTypeID").ToString() + ", not " +
                                            std::to_string(t_.classTypeID));
    for (const auto& [column, v] : t_.fixedColumns)
        if (head.Column(column) >= 0 && head.At(0, column).ToString() != v.ToString())
            throw HostError(t_.headerTable, "the bill with FID " + std::to_string(id) + " is no " +
                                                t_.kind + " bill (" + column + ")");
    auto entries = db_->Query("Select * From " + t_.entryTable +
                              " Where FID=" + std::to_string(id) + " Order By FIndex, FEntryID");
    ResetData();
    auto page = Page(2);
    page->Clear();
    page->Set("Size", Value(0));
    NormalizeRows();
    for (const auto* f : t_.PageFields(1)) {
        if (IEquals(f->key, "FID")) {
            StoreValue(*f, -1, Value(id), true);
            continue;
        }
        if (!f->stored) continue;
        int c = head.Column(f->column);
        if (c >= 0) StoreValue(*f, -1, head.rows[0][c], true);
    }
    for (size_t i = 0; i < entries.rows.size(); ++i) {
        int r = AppendRow();
        for (const auto* f : t_.PageFields(2)) {
            if (!f->stored) continue;
            int c = entries.Column(f->column);
            if (c >= 0) StoreValue(*f, r, entries.rows[i][c], true);
        }
        if (int c = entries.Column("FEntryID"); c >= 0) SetSecondEntryID(r, entries.rows[i][c]);
    }
    if (GridMaxDataRowNum() == 0) AppendRow();
    billID_ = id;
}

// A bill another window or the list deleted while this form had it open: updating it would
// change nothing and the entries written after it would belong to no bill, so the action fails.
void HostBillForm::RequireStored(int32_t id) {
    if (db_->Query("Select FID From " + t_.headerTable + " Where FID=" + std::to_string(id))
            .rows.empty())
        throw HostError(t_.headerTable,
                        "the bill with FID " + std::to_string(id) + " was deleted meanwhile");
}

void HostBillForm::StoreStatus(int status) {
    auto hcols = Columns(t_.headerTable);
    RequireStored(billID_);
    std::string sets = "FStatus=" + std::to_string(status);
    if (Has(hcols, "FCheckerID")) sets += ",FCheckerID=" + std::to_string(status ? userID_ : 0);
    if (Has(hcols, "FCheckDate"))
        sets += ",FCheckDate=" + (status ? SqlText(today_) : std::string("Null"));
    db_->Execute("Update " + t_.headerTable + " Set " + sets +
                 " Where FID=" + std::to_string(billID_));
    if (const FieldTemplate* f = Field("FStatus")) StoreValue(*f, -1, Value(status), true);
    if (const FieldTemplate* f = Field("FCheckerID"); f && f->page == 1)
        StoreValue(*f, -1, Value(status ? userID_ : 0), true);
    if (const FieldTemplate* f = Field("FCheckDate"); f && f->page == 1)
        StoreValue(*f, -1, Value(status ? today_ : std::string()), true);
}

void HostBillForm::DeleteFromDatabase() {
    InTransaction(*db_, [&] {
        db_->Execute("Delete From " + t_.entryTable + " Where FID=" + std::to_string(billID_));
        db_->Execute("Delete From " + t_.headerTable + " Where FID=" + std::to_string(billID_));
    });
}

ActionResult HostBillForm::CheckSourceClass(int32_t classType) const {
    if (std::find(t_.sourceClasses.begin(), t_.sourceClasses.end(), classType) ==
        t_.sourceClasses.end())
        return ActionResult::Refused("a " + t_.kind + " bill draws no rows from class " +
                                     std::to_string(classType));
    if (!db_) return ActionResult::Refused("no database");
    return ActionResult::Done();
}

ActionResult HostBillForm::SelectSources(int32_t classType,
                                         const std::vector<SourceEntry>& chosen) {
    if (ActionResult ok = CheckSourceClass(classType); !ok.done) return ok;
    std::string toolKey = "mnuRelate_" + std::to_string(classType);
    MenuToolPtr tool = menu_->Tool(toolKey);
    return ClickThen(toolKey, tool != nullptr,
                     [&] { return FillFromSources(classType, chosen, tool); });
}

ActionResult HostBillForm::NewFromSources(int32_t classType,
                                          const std::vector<SourceEntry>& chosen) {
    if (ActionResult ok = CheckSourceClass(classType); !ok.done) return ok;
    NewBill();
    return FillFromSources(classType, chosen, nullptr);
}

ActionResult HostBillForm::FillFromSources(int32_t classType,
                                           const std::vector<SourceEntry>& chosen,
                                           const MenuToolPtr& tool) {
    SourceTables src = TablesOfClass(classType);
    std::string condition = " And t1.FStatus=1";
    Value a(classType), b(tool ? Value(tool) : Value()), c(data_), e(t_.classTypeID);
    Raise("BeforeSelBills", "class " + std::to_string(classType), nullptr,
          [&](IBillFormEvents& s) { s.BeforeSelBills(a, b, c, condition, e); });
    std::string sql = "Select t2.FEntryID, t1.FID, t1.FBillNo From " + src.header +
                      " t1 Inner Join " + src.entry +
                      " t2 On t1.FID=t2.FID Left Join t_BaseBillTypeData t_BaseBillTypeData2 "
                      "On t1.FBillTypeID=t_BaseBillTypeData2.FID Where t1.FClassTypeID=" +
                      std::to_string(classType) + " " + condition +
                      " Order By t1.FID, t2.FIndex, t2.FEntryID";
    QueryResult offered;
    try {
        offered = db_->Query(sql);
    } catch (const std::exception& ex) {
        return ActionResult::Refused(std::string("the source list cannot be read: ") + ex.what());
    }
    struct Pick {
        long long entry, id;
        std::string billNo;
    };
    std::vector<Pick> picks;
    for (const auto& want : chosen) {
        bool found = false;
        for (const auto& row : offered.rows) {
            long long entry = static_cast<long long>(row[0].ToNumber());
            long long id = static_cast<long long>(row[1].ToNumber());
            if (id != want.id || (want.entryID != 0 && entry != want.entryID)) continue;
            found = true;
            bool dup = std::any_of(picks.begin(), picks.end(),
                                   [&](const Pick& p) { return p.entry == entry; });
            if (!dup) picks.push_back({entry, id, row[2].ToString()});
        }
        if (!found)
            notes_.push_back("source " + std::to_string(want.id) +
                             (want.entryID ? "/" + std::to_string(want.entryID) : "") +
                             " is not offered (not checked, or filtered out)");
    }
    if (picks.empty()) return ActionResult::Refused("none of the chosen source entries is offered");

    auto selection = Collection::Make();
    selection->Set("FSourClassTypeID", Value(classType));
    auto selDat = Collection::Make();
    int n = 0;
    for (const auto& p : picks) {
        auto item = Collection::Make({{"FClassTypeID", Value(classType)},
                                      {"FID", Value(p.id)},
                                      {"FEntryID", Value(p.entry)},
                                      {"FBillNo", Value(p.billNo)}});
        selDat->Set(std::to_string(++n), Value(item));
    }
    selection->Set("SelDat", Value(selDat));
    selection->Set("Count", Value(n));
    Value sel(selection);
    Raise("AfterSelBillBeforeFillData",
          "class " + std::to_string(classType) + ", " + std::to_string(n) + " entries", nullptr,
          [&](IBillFormEvents& s) { s.AfterSelBillBeforeFillData(sel); });

    const FieldTemplate* keyField = Field(t_.keyField);
    bool first = true;
    for (const auto& p : picks) {
        auto entry =
            db_->Query("Select * From " + src.entry + " Where FEntryID=" + std::to_string(p.entry));
        auto head =
            db_->Query("Select * From " + src.header + " Where FID=" + std::to_string(p.id));
        if (entry.rows.empty() || head.rows.empty()) continue;
        if (first) {
            for (const auto& key : t_.sourceHeaderFields) {
                const FieldTemplate* f = Field(key);
                if (!f || f->page != 1 || head.Column(f->column) < 0) continue;
                if (IsFilled(GetFieldValue(f->key))) continue;
                StoreValue(*f, -1, head.At(0, f->column), true);
                if (auto cell = Cell(*f, -1)) cell->Set("FModify", Value(1));
            }
            auto setHead = [&](const char* key, const Value& v) {
                const FieldTemplate* f = Field(key);
                if (f && f->page == 1) StoreValue(*f, -1, v, true);
            };
            setHead("FID_SRC", Value(p.id));
            setHead("FClassID_SRC", Value(classType));
            setHead("FBillNo_SRC", Value(p.billNo));
            first = false;
        }
        int row = 0;
        for (int r = 1; r <= GridMaxDataRowNum(); ++r) {
            auto cell = keyField ? Row(r)->Sub(keyField->key) : nullptr;
            if (!cell || !IsFilled(cell->Get("FFLD"))) {
                row = r;
                break;
            }
        }
        if (row == 0) row = AppendRow();
        static const char* kLinks[] = {"FEntryID",     "FID",          "FIndex",
                                       "lEntryID",     "FEntryID2",    "FID_SRC",
                                       "FEntryID_SRC", "FClassID_SRC", "FBillNo_SRC"};
        std::vector<const FieldTemplate*> filled;
        for (const auto* f : t_.PageFields(2)) {
            if (std::any_of(std::begin(kLinks), std::end(kLinks),
                            [&](const char* k) { return IEquals(k, f->key); }))
                continue;
            int c = entry.Column(f->column);
            if (c < 0) continue;
            StoreValue(*f, row, entry.rows[0][c], true);
            if (auto cell = Cell(*f, row)) cell->Set("FModify", Value(1));
            if (IsFilled(entry.rows[0][c])) filled.push_back(f);
        }
        auto link = [&](const char* key, const Value& v) {
            const FieldTemplate* f = t_.Field(key, 2);
            if (f && f->page == 2) StoreValue(*f, row, v, true);
        };
        link("FID_SRC", Value(p.id));
        link("FEntryID_SRC", Value(p.entry));
        link("FClassID_SRC", Value(classType));
        link("FBillNo_SRC", Value(p.billNo));
        RunLoadActions(row);
        for (const auto* f : filled)
            if (Row(row)) RaiseFilledChange(*f, row);
        Value vr(row), vp(2), vid(p.id), ve(p.entry);
        Raise("AfterFillRow", "row " + std::to_string(row) + " from " + p.billNo, nullptr,
              [&](IBillFormEvents& s) { s.AfterFillRow(vr, vp, vid, ve); });
    }
    Raise("AfterSelBill", "class " + std::to_string(classType), nullptr,
          [&](IBillFormEvents& s) { s.AfterSelBill(sel); });
    return ActionResult::Done();
}

}  // namespace qor::host::form
