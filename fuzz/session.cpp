#include "fuzz/session.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "host/data_components.h"
#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_form.h"
#include "host/form/bill_list.h"
#include "host/form/linked_library.h"
#include "host/form/scenario_runner.h"

namespace qor::fuzz {

namespace fs = std::filesystem;
using host::form::HostBillForm;
using host::form::RunOptions;
using host::form::SessionView;
using host::form::Step;
using host::form::StepRecord;

namespace {

// ---- The demo database, made once and copied for every session ---------------------------------

std::string TempPath(const std::string& name) {
    return (fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()) + ".db")).string();
}

// A fresh copy of the demo database, always at the same place.
std::string FreshDatabase() {
    static const std::string path = TempPath("qor_fuzz_session");
    return host::CopyDemoDatabase(path);
}

// ---- What the database holds -------------------------------------------------------------------

// A digest of every table's rows, by table.
std::map<std::string, uint64_t> Fingerprint(host::Database& db) {
    std::map<std::string, uint64_t> out;
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    sqlite3* h = db.Handle();
    if (sqlite3_prepare_v2(h,
                           "SELECT name FROM main.sqlite_master WHERE type='table' AND "
                           "name NOT LIKE 'sqlite_%' ORDER BY name",
                           -1, &st, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const auto& t : tables) {
        uint64_t hash = 1469598103934665603ULL;
        auto mix = [&](const void* p, size_t n) {
            const auto* b = static_cast<const unsigned char*>(p);
            for (size_t i = 0; i < n; ++i) hash = (hash ^ b[i]) * 1099511628211ULL;
        };
        std::string sql = "SELECT * FROM main.\"" + t + "\"";
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) continue;
        int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                int type = sqlite3_column_type(st, c);
                mix(&type, sizeof type);
                const void* blob = sqlite3_column_blob(st, c);
                mix(blob, static_cast<size_t>(sqlite3_column_bytes(st, c)));
            }
            mix("\n", 1);
        }
        sqlite3_finalize(st);
        out[t] = hash;
    }
    return out;
}

std::string IntegrityProblem(host::Database& db) {
    std::string problem;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.Handle(), "PRAGMA main.integrity_check", -1, &st, nullptr) !=
        SQLITE_OK)
        return std::string("integrity_check cannot run: ") + sqlite3_errmsg(db.Handle());
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::string line = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        if (line != "ok") problem += (problem.empty() ? "" : "; ") + line;
    }
    sqlite3_finalize(st);
    return problem;
}

// The step stores something the host keeps: its outcome must be all or nothing.
std::string StoringOperation(const Step& s) {
    switch (s.kind) {
        case Step::Kind::Save:
            return "save";
        case Step::Kind::Check:
        case Step::Kind::ListCheck:
            return "check";
        case Step::Kind::Uncheck:
        case Step::Kind::ListUncheck:
            return "uncheck";
        case Step::Kind::Delete:
            return "delete";
        case Step::Kind::Menu: {
            std::string t = Upper(s.tool);
            if (t == "MNUEDITFILESAVE") return "save";
            if (t == "MNUEDITCHECK") return "check";
            if (t == "MNUEDITUNCHECK") return "uncheck";
            if (t == "MNUEDITFILEDELETE") return "delete";
            return "";
        }
        default:
            return "";
    }
}

// The stored value as the form's field would hold it, compared with what the form shows.
bool SameStored(const host::form::FieldTemplate& f, const Value& shown, const Value& stored) {
    using host::form::FieldType;
    switch (f.type) {
        case FieldType::Number: {
            double a = shown.ToNumber(), b = stored.ToNumber();
            return a == b || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
        }
        case FieldType::Integer:
        case FieldType::Bool:
            return std::llround(shown.ToNumber()) == std::llround(stored.ToNumber());
        case FieldType::Date: {
            std::string a = Trim(shown.ToString()), b = Trim(stored.ToString());
            if (a == b) return true;
            auto da = ParseDate(a), db = ParseDate(b);
            return da && db && *da == *db;
        }
        case FieldType::Text:
            return shown.ToString() == stored.ToString();
    }
    return false;
}

std::string Brief(const Value& v) {
    std::string s = v.ToString();
    if (s.size() > 40) s = s.substr(0, 40) + "...";
    return "\"" + s + "\"";
}

// The invariants, checked around every step of a session.
class Checker : public host::form::StepWatch {
public:
    explicit Checker(SessionResult& result) : result_(result) {}

    void Before(const Step& step, const SessionView& view) override {
        storing_ = StoringOperation(step);
        if (!storing_.empty()) before_ = Fingerprint(view.db);
    }

    void After(const Step&, const StepRecord& rec, const SessionView& view) override {
        ++result_.steps;
        result_.events += static_cast<long>(rec.events.size());
        for (const auto& e : rec.events)
            if (!e.error.empty())
                Find(rec, "an error escaped into the host", e.name + ": " + e.error);
        if (rec.note.rfind("host error", 0) == 0)
            Find(rec, "the host's own cycle failed", rec.note);
        if (std::string problem = IntegrityProblem(view.db); !problem.empty())
            Find(rec, "the database fails its integrity check", problem);
        if (!storing_.empty() && !rec.done) {
            auto after = Fingerprint(view.db);
            if (after != before_) {
                std::string tables;
                for (const auto& [t, h] : after)
                    if (before_[t] != h) tables += (tables.empty() ? "" : ", ") + t;
                Find(rec,
                     "a " + storing_ + " that was " + (rec.cancelled ? "cancelled" : "not done") +
                         " changed the database",
                     "tables changed: " + tables + (rec.note.empty() ? "" : " (" + rec.note + ")"));
            }
        }
        if (storing_ == "save" && rec.done && view.form && view.form->CurBillID() > 0)
            ReadBack(rec, view);
        storing_.clear();
    }

private:
    SessionResult& result_;
    std::string storing_;
    std::map<std::string, uint64_t> before_;

    void Find(const StepRecord& rec, const std::string& invariant, const std::string& detail) {
        result_.findings.push_back({invariant, detail, rec.index, rec.label});
    }

    // The saved bill, read back from its tables, is what the form shows.
    void ReadBack(const StepRecord& rec, const SessionView& view) {
        HostBillForm& form = *view.form;
        const auto& t = form.Template();
        const std::string id = std::to_string(form.CurBillID());
        host::SqlResult head, rows;
        try {
            head = view.db.Run("Select * From " + t.headerTable + " Where FID=" + id);
            rows = view.db.Run("Select * From " + t.entryTable + " Where FID=" + id +
                               " Order By FIndex, FEntryID");
        } catch (const std::exception& e) {
            Find(rec, "the saved bill cannot be read back", e.what());
            return;
        }
        if (head.rows.size() != 1) {
            Find(rec, "the saved bill reads back otherwise than the form shows it",
                 "FID " + id + " has " + std::to_string(head.rows.size()) + " header rows");
            return;
        }
        std::string differences;
        auto compare = [&](const std::vector<std::string>& columns, const std::vector<Value>& row,
                           int page, int r) {
            for (const auto* f : t.PageFields(page)) {
                if (!f->stored) continue;
                auto c = std::find_if(columns.begin(), columns.end(), [&](const std::string& col) {
                    return IEquals(col, f->column);
                });
                if (c == columns.end()) continue;
                Value stored = row[static_cast<size_t>(c - columns.begin())];
                Value shown = form.GetFieldValue(f->key, r, page == 1 ? 1 : 2);
                if (!SameStored(*f, shown, stored) && differences.size() < 600)
                    differences += " " + f->key + (r > 0 ? "@" + std::to_string(r) : "") +
                                   " shows " + Brief(shown) + ", stored " + Brief(stored) + ";";
            }
        };
        compare(head.columns, head.rows[0], 1, -1);
        if (static_cast<size_t>(form.FilledRows()) != rows.rows.size())
            differences += " the form shows " + std::to_string(form.FilledRows()) +
                           " filled rows, stored " + std::to_string(rows.rows.size()) + ";";
        else
            for (size_t i = 0; i < rows.rows.size(); ++i)
                compare(rows.columns, rows.rows[i], 2, static_cast<int>(i + 1));
        if (!differences.empty())
            Find(rec, "the saved bill reads back otherwise than the form shows it",
                 "FID " + id + ":" + differences);
    }
};

std::map<std::string, KindTotals>& MutableTotals() {
    // Never destroyed: the fuzzer prints the totals from an exit handler.
    static auto* totals = new std::map<std::string, KindTotals>;
    return *totals;
}

}  // namespace

// ---- The vocabulary
// ------------------------------------------------------------------------------

namespace {

// Notes what the plug-in set up on the form and the list.
class VocabularyWatch : public host::form::StepWatch {
public:
    explicit VocabularyWatch(KindVocabulary& k) : k_(k) {}
    void After(const Step& step, const StepRecord&, const SessionView& view) override {
        if (step.kind == Step::Kind::New && view.form) {
            for (const auto& tool : view.form->Menus().AllTools()) {
                k_.tools.push_back(tool->Name());
                if (!tool->Shortcut().empty()) k_.shortcuts.push_back(tool->Shortcut());
            }
            for (const auto& control : view.form->Controls())
                if (control) k_.controls.push_back(control->Name());
        }
        if (step.kind == Step::Kind::List && view.list)
            for (const auto& tool : view.list->Menus().AllTools())
                k_.listTools.push_back(tool->Name());
    }

private:
    KindVocabulary& k_;
};

std::vector<int64_t> Ids(host::Database& db, const std::string& sql) {
    std::vector<int64_t> ids;
    try {
        for (const auto& row : db.Run(sql).rows) {
            ids.push_back(static_cast<int64_t>(row[0].ToNumber()));
            if (ids.size() == 8) break;
        }
    } catch (const std::exception&) {
    }
    return ids;
}

std::string HeaderTableOf(int32_t classType) {
    if (const auto* t = host::form::FindTemplate(std::to_string(classType))) return t->headerTable;
    return classType == 1020001 ? "t_CG_Order" : "t_CC_StockBill";
}

}  // namespace

Vocabulary BuildVocabulary() {
    Vocabulary v;
    auto& library = host::form::LinkedLibrary();
    for (const auto& [kind, t] : host::form::Templates()) {
        if (!library.Create(t.progId)) continue;  // a template of a class the library lacks
        KindVocabulary k;
        k.bill = &t;
        for (const auto* f : t.PageFields(1)) k.headerFields.push_back(f->key);
        for (const auto* f : t.PageFields(2)) k.entryFields.push_back(f->key);
        k.sourceClasses = t.sourceClasses;
        v.kinds_.push_back(std::move(k));
    }
    std::string path = FreshDatabase();
    {
        host::Database db(path);
        for (auto& k : v.kinds_) {
            const auto& t = *k.bill;
            std::string where = " Where FClassTypeID=" + std::to_string(t.classTypeID);
            for (const auto& [column, value] : t.fixedColumns)
                where += " And " + column + "=" +
                         (value.IsNumber() ? value.ToString() : "'" + value.ToString() + "'");
            for (auto id : Ids(db, "Select FID From " + t.headerTable + where + " Order By FID"))
                k.storedIds.push_back(static_cast<int32_t>(id));
            for (int32_t cls : t.sourceClasses)
                for (auto id : Ids(db, "Select FID From " + HeaderTableOf(cls) +
                                           " Where FClassTypeID=" + std::to_string(cls) +
                                           " And FStatus=1 Order By FID"))
                    k.sourceIds[cls].push_back(static_cast<int32_t>(id));
            for (const auto& f : t.fields) {
                if (!f.source) continue;
                k.fieldSource[f.key] = f.source->table;
                k.baseIds[f.key] = Ids(db, "Select " + f.source->idColumn + " From " +
                                               f.source->table + " Order By " + f.source->idColumn);
            }
        }
    }
    for (auto& k : v.kinds_) {
        host::form::Scenario sc;
        sc.file = "(vocabulary)";
        sc.name = "vocabulary " + k.bill->kind;
        Step s;
        s.kind = Step::Kind::New;
        s.billKind = k.bill->kind;
        sc.steps.push_back(s);
        s.kind = Step::Kind::List;
        sc.steps.push_back(s);
        VocabularyWatch watch(k);
        RunOptions o;
        o.databasePath = FreshDatabase();
        o.library = &library;
        o.watch = &watch;
        host::form::RunScenario(sc, o);
        std::sort(k.tools.begin(), k.tools.end());
        std::sort(k.listTools.begin(), k.listTools.end());
    }
    return v;
}

const Vocabulary& Vocabulary::Get() {
    static const Vocabulary vocabulary = BuildVocabulary();
    return vocabulary;
}

const KindVocabulary* Vocabulary::Find(const std::string& kind) const {
    for (const auto& k : kinds_)
        if (k.bill->kind == kind) return &k;
    return nullptr;
}

// ---- Sessions
// ------------------------------------------------------------------------------------

SessionResult RunSession(const Program& program) {
    SessionResult result;
    result.kind = program.kind;
    Checker checker(result);
    RunOptions o;
    o.databasePath = FreshDatabase();
    o.library = &host::form::LinkedLibrary();
    o.watch = &checker;
    host::form::RunRecord run = host::form::RunScenario(program.scenario, o);
    result.invalid = run.invalid;
    auto& totals = MutableTotals()[program.kind];
    ++totals.sessions;
    totals.steps += result.steps;
    totals.events += result.events;
    totals.findings += static_cast<long>(result.findings.size());
    return result;
}

const std::map<std::string, KindTotals>& Totals() {
    return MutableTotals();
}

std::string TotalsText() {
    std::ostringstream o;
    KindTotals all;
    for (const auto& [kind, t] : Totals()) {
        o << "  " << kind << ": " << t.sessions << " sessions, " << t.steps << " steps, "
          << t.events << " events, " << t.findings << " findings\n";
        all.sessions += t.sessions;
        all.steps += t.steps;
        all.events += t.events;
        all.findings += t.findings;
    }
    o << "  all: " << all.sessions << " sessions, " << all.steps << " steps, " << all.events
      << " events, " << all.findings << " findings\n";
    return o.str();
}

std::string FindingsText(const SessionResult& result) {
    std::ostringstream o;
    for (const auto& f : result.findings)
        o << "  step " << f.step << " (" << f.stepLabel << "): " << f.invariant << ": " << f.detail
          << "\n";
    return o.str();
}

}  // namespace qor::fuzz
