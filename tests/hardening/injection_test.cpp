// Hostile text through every text field and every base-data field of every bill kind: the user
// types it into each of them in turn (or picks a base-data record whose number and name are that
// text), then saves, checks and lists the bill as users do. Every statement the database receives
// must have a shape (its text without literals) that the same session also sends with harmless
// text, no statement may fail that did not fail with harmless text, and no row may change that the
// harmless session leaves alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "hardening.h"

namespace qor::hardening {
namespace {

const std::vector<std::string>& Hostile() {
    static const std::vector<std::string> texts{
        "'",
        "O'Brien",
        "'; drop table t_ICItem; --",
        "' or '1'='1",
        "x' + (Select Top 1 FName From t_User) + '",
        "--",
        "/* x",
        "*/ x",
        "%",
        "_",
        "[",
        "] x [",
        "\r\n'\r\n",
        "N'x'",
        "\\'",
        std::string("\xff\xfe' \xc3", 5),
        std::string(4096, '\''),
    };
    return texts;
}

const std::vector<std::string> kHarmless{"abc", "Harmless 12"};

// A field a user can type into.
struct Target {
    const host::form::FieldTemplate* field;
    int row;  // -1 header, 1 the first entry row
};

std::vector<Target> Targets(const host::form::BillTemplate& t) {
    std::vector<Target> out;
    for (const auto& f : t.fields) {
        if (!f.visible || f.lock) continue;
        if (!f.source && f.type != host::form::FieldType::Text) continue;
        out.push_back({&f, f.page == 1 ? -1 : 1});
    }
    return out;
}

std::string Cell(const Target& t) {
    return t.field->key + (t.row > 0 ? "@" + std::to_string(t.row) : "");
}

// A base-data record like one the field offers, numbered and named by the text; the number is
// what the user then types.
void AddRecord(const std::string& database, const host::form::BaseSource& src,
               const std::string& text) {
    host::Database connection(database);  // with the host's collations and functions
    sqlite3* db = connection.Handle();
    auto exec = [&](const std::string& sql, bool bindText) {
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db) << ": " << sql;
        if (bindText) {
            sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        int rc = sqlite3_step(st);
        EXPECT_TRUE(rc == SQLITE_DONE || rc == SQLITE_ROW) << sqlite3_errmsg(db) << ": " << sql;
        sqlite3_finalize(st);
    };
    const std::string table = "main.\"" + src.table + "\"";
    exec("CREATE TEMP TABLE qor_copy AS SELECT * FROM " + table + " ORDER BY " + src.idColumn +
             " LIMIT 1",
         false);
    exec("UPDATE qor_copy SET " + src.idColumn + "=(SELECT Max(" + src.idColumn + ") FROM " +
             table + ")+1000, " + src.numberColumn + "=?1, " + src.nameColumn + "=?2",
         true);
    exec("INSERT INTO " + table + " SELECT * FROM qor_copy", false);
    exec("DROP TABLE qor_copy", false);
}

// The cycle's first edits, the text typed into every target in turn, then save, check, and the
// list with the bill selected and unchecked.
Scenario Session(const AttackedKind& k, const std::vector<Target>& targets,
                 const std::string& typed) {
    Scenario sc = k.cycle;
    sc.steps.clear();
    for (const auto& s : Actions(k.cycle)) {
        if (s.kind == Step::Kind::Save) break;
        sc.steps.push_back(s);
    }
    for (const auto& t : targets) {
        Step edit;
        edit.kind = Step::Kind::Set;
        edit.row = t.row;
        edit.values.push_back({t.field->key, Value(typed), nullptr});
        edit.label = "attack " + Cell(t);
        sc.steps.push_back(edit);
    }
    for (auto kind : {Step::Kind::Save, Step::Kind::Check}) {
        Step s;
        s.kind = kind;
        s.label = host::form::StepKindName(kind);
        sc.steps.push_back(s);
    }
    Step list;
    list.kind = Step::Kind::List;
    list.billKind = k.kind;
    list.label = "list";
    sc.steps.push_back(list);  // the bill is selected below, once its identifier is known
    Step uncheck;
    uncheck.kind = Step::Kind::ListUncheck;
    uncheck.label = "listUncheck";
    sc.steps.push_back(uncheck);
    return sc;
}

struct Outcome {
    std::set<std::string> shapes, failedShapes;
    std::map<std::string, std::string> example;  // shape -> a statement of that shape
    std::set<std::string> changedRows;
    int typed = 0;  // the attack's edits the form took
};

Outcome Attack(const AttackedKind& k, const std::vector<Target>& targets, const std::string& text,
               bool withRecords = true) {
    std::string database = FreshDatabase();
    // For a base-data field the user picks a record numbered and named by the text (one per
    // table) and types its number.
    std::set<std::string> tables;
    for (const auto& t : targets)
        if (withRecords && t.field->source && tables.insert(t.field->source->table).second)
            AddRecord(database, *t.field->source, text);
    Scenario sc = Session(k, targets, text);
    // The bill saved gets the next identifier of its table.
    {
        host::Database db(database);
        auto r = db.Run("Select Max(FID) From " + host::form::FindTemplate(k.kind)->headerTable);
        int32_t next = r.rows.empty() ? 1 : static_cast<int32_t>(r.rows[0][0].ToNumber()) + 1;
        for (auto& s : sc.steps)
            if (s.kind == Step::Kind::List) s.ids = {next};
    }
    Rows before;
    {
        host::Database db(database);
        before = ReadRows(db.Handle());
    }
    host::form::RunRecord run = RunSession(sc, nullptr, database);
    Outcome out;
    EXPECT_TRUE(run.invalid.empty()) << run.invalid;
    for (const auto& step : run.steps) {
        if (step.label.rfind("attack", 0) == 0) out.typed += step.done;
        for (const auto& q : step.sql) {
            std::string shape = Shape(q.sql);
            out.shapes.insert(shape);
            out.example.emplace(shape, q.sql);
            if (q.failed) out.failedShapes.insert(shape);
        }
    }
    host::Database db(database);
    out.changedRows = ChangedRows(before, ReadRows(db.Handle()));
    return out;
}

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 160)) {
        if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + (s.size() > 160 ? "..." : "");
}

class Injection : public ::testing::TestWithParam<std::string> {};

TEST_P(Injection, HostileTextChangesNoStatementAndNoRowOutsideTheBill) {
    const AttackedKind& k =
        *std::find_if(AttackedKinds().begin(), AttackedKinds().end(),
                      [&](const AttackedKind& a) { return a.kind == GetParam(); });
    const auto& t = *host::form::FindTemplate(k.kind);
    auto targets = Targets(t);
    ASSERT_FALSE(targets.empty());

    // What the session sends with harmless input: the cycle's own values (the bill saves and
    // checks), harmless text that names base-data records, and text that names none (the host
    // then looks the text up by name).
    std::set<std::string> harmlessShapes, harmlessFailed, harmlessRows;
    std::vector<Outcome> harmless{Attack(k, {}, ""), Attack(k, targets, "zzz", false)};
    for (const auto& text : kHarmless) harmless.push_back(Attack(k, targets, text));
    for (const Outcome& o : harmless) {
        harmlessShapes.insert(o.shapes.begin(), o.shapes.end());
        harmlessFailed.insert(o.failedShapes.begin(), o.failedShapes.end());
        harmlessRows.insert(o.changedRows.begin(), o.changedRows.end());
    }

    int typed = 0;
    std::vector<std::string> problems;
    for (const auto& text : Hostile()) {
        Outcome o = Attack(k, targets, text);
        typed += o.typed;
        std::string where = "\"" + Printable(text) + "\": ";
        for (const auto& shape : o.shapes)
            if (!harmlessShapes.count(shape))
                problems.push_back(where +
                                   "a statement of a new shape: " + Printable(o.example[shape]));
        for (const auto& shape : o.failedShapes)
            if (!harmlessFailed.count(shape))
                problems.push_back(where + "a statement failed: " + Printable(o.example[shape]));
        for (const auto& row : o.changedRows)
            if (!harmlessRows.count(row))
                problems.push_back(where + "a row outside the bill changed: " + row);
    }
    // The attack reached the plug-in: most fields took the text.
    EXPECT_GT(typed, 0);
    std::ostringstream report;
    for (size_t i = 0; i < problems.size() && i < 20; ++i) report << problems[i] << "\n";
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, the first:\n" << report.str();
    RecordProperty("targets", static_cast<int>(targets.size()));
    RecordProperty("typed", typed);
}

INSTANTIATE_TEST_SUITE_P(EveryBillKind, Injection, ::testing::ValuesIn(AttackedKindNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace qor::hardening
