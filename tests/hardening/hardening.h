// What the injection and fault tests share: every bill kind whose plug-in class the library has,
// with the host cycle scenario of its kind (tests/host_form/cycles) as the session to attack;
// sessions run by the scenario runner on a fresh demo database; the database's rows by table
// and row; and the shape of a statement (its text with the literals taken out).
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame/plugin.h"
#include "host/database.h"
#include "host/demo_db.h"
#include "host/form/bill_template.h"
#include "host/form/linked_library.h"
#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"
#include "host/sql/tsql.h"

namespace qor::hardening {

using host::form::Scenario;
using host::form::Step;

struct AttackedKind {
    std::string kind;
    Scenario cycle;  // new, edit, save, load, edit, save, check, uncheck, list check and uncheck
};

// Every template kind whose class the library has, with its cycle scenario: its own file, or
// that of another kind of the same class with the kind replaced.
inline const std::vector<AttackedKind>& AttackedKinds() {
    static const std::vector<AttackedKind> kinds = [] {
        namespace fs = std::filesystem;
        std::vector<AttackedKind> out;
        const fs::path cycles = fs::path(QOR_SOURCE_DIR) / "tests" / "host_form" / "cycles";
        for (const auto& [kind, t] : host::form::Templates()) {
            if (!CreatePlugIn(t.progId)) continue;
            std::string from = kind;
            if (!fs::exists(cycles / (kind + ".yaml")))
                for (const auto& [other, o] : host::form::Templates())
                    if (o.progId == t.progId && fs::exists(cycles / (other + ".yaml")))
                        from = other;
            if (!fs::exists(cycles / (from + ".yaml"))) continue;
            AttackedKind a{kind, host::form::LoadScenario((cycles / (from + ".yaml")).string())};
            for (auto& s : a.cycle.steps)
                if (s.billKind == from) s.billKind = kind;
            out.push_back(std::move(a));
        }
        return out;
    }();
    return kinds;
}

inline std::vector<std::string> AttackedKindNames() {
    std::vector<std::string> names;
    for (const auto& k : AttackedKinds()) names.push_back(k.kind);
    return names;
}

// A fresh demo database for one session of this process.
inline std::string FreshDatabase() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("qor_hardening_" + std::to_string(::getpid()) + ".db"))
                                        .string();
    return host::CopyDemoDatabase(path);
}

inline host::form::RunRecord RunSession(const Scenario& sc, host::form::StepWatch* watch,
                                        const std::string& database = "") {
    host::form::RunOptions o;
    o.databasePath = database.empty() ? FreshDatabase() : database;
    o.library = &host::form::LinkedLibrary();
    o.watch = watch;
    o.traceSql = true;  // the statements and the errors the plug-ins trapped, step by step
    return host::form::RunScenario(sc, o);
}

// The steps of a scenario without its expectations.
inline std::vector<Step> Actions(const Scenario& sc) {
    std::vector<Step> out;
    for (const auto& s : sc.steps)
        if (s.kind != Step::Kind::Expect) out.push_back(s);
    return out;
}

// ---- The database's rows -------------------------------------------------------------------

// Every row of every table: table -> rowid -> the row as "column=value" items.
using Rows = std::map<std::string, std::map<long long, std::vector<std::string>>>;

inline Rows ReadRows(sqlite3* db) {
    Rows out;
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name FROM main.sqlite_master WHERE type='table' AND name NOT LIKE "
                       "'sqlite_%'",
                       -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const auto& t : tables) {
        std::string sql = "SELECT rowid, * FROM main.\"" + t + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            continue;
        }
        auto& rows = out[t];
        int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 1; c < columns; ++c) {
                std::string item = sqlite3_column_name(st, c);
                item += sqlite3_column_type(st, c) == SQLITE_NULL ? "=Null" : "=";
                const auto* b = static_cast<const char*>(sqlite3_column_blob(st, c));
                if (b) item.append(b, static_cast<size_t>(sqlite3_column_bytes(st, c)));
                row.push_back(std::move(item));
            }
            rows[sqlite3_column_int64(st, 0)] = std::move(row);
        }
        sqlite3_finalize(st);
    }
    return out;
}

// What differs in one row between two readings: its changed items ("column=old->new"), or
// "added" / "removed".
inline std::string RowDifference(const Rows& before, const Rows& after, const std::string& table,
                                 long long id) {
    const std::vector<std::string>* b = nullptr;
    const std::vector<std::string>* a = nullptr;
    if (auto t = before.find(table); t != before.end())
        if (auto r = t->second.find(id); r != t->second.end()) b = &r->second;
    if (auto t = after.find(table); t != after.end())
        if (auto r = t->second.find(id); r != t->second.end()) a = &r->second;
    if (!b) return "added";
    if (!a) return "removed";
    std::string out;
    for (size_t i = 0; i < a->size() && i < b->size(); ++i)
        if ((*a)[i] != (*b)[i]) out += (out.empty() ? "" : ", ") + (*b)[i] + " -> " + (*a)[i];
    return out;
}

// The rows that differ between two readings ("table#rowid"), added and removed ones included.
inline std::set<std::string> ChangedRows(const Rows& before, const Rows& after) {
    std::set<std::string> out;
    auto note = [&](const std::string& t, long long id) {
        out.insert(t + "#" + std::to_string(id));
    };
    for (const auto& [t, rows] : after) {
        auto b = before.find(t);
        for (const auto& [id, row] : rows)
            if (b == before.end() || !b->second.count(id) || b->second.at(id) != row) note(t, id);
    }
    for (const auto& [t, rows] : before) {
        auto a = after.find(t);
        for (const auto& [id, row] : rows)
            if (a == after.end() || !a->second.count(id)) note(t, id);
    }
    return out;
}

// ---- Statement shapes ----------------------------------------------------------------------

// The statement with its literals (texts, numbers, Null, a sign before a number) replaced by
// "?", a run of literals separated by commas (an In list, the values of an insert) taken as one,
// its words upper-cased and its comments dropped: what user input must never change. A text the
// reader cannot split gives a shape of its own.
inline std::string Shape(const std::string& sql) {
    std::vector<host::sql::Token> tokens;
    try {
        tokens = host::sql::Tokenize(sql);
    } catch (const std::exception& e) {
        return std::string("(unreadable: ") + e.what() + ")";
    }
    std::vector<std::string> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const auto& t = tokens[i];
        using K = host::sql::TokenKind;
        if (t.kind == K::End) break;
        bool literal = t.kind == K::String || t.kind == K::Number ||
                       (t.kind == K::Word && IEquals(t.text, "Null"));
        if (literal) {
            // a sign that makes the number negative belongs to it
            if (!out.empty() && (out.back() == "-" || out.back() == "+") && t.kind == K::Number) {
                std::string before = out.size() > 1 ? out[out.size() - 2] : "";
                if (before.empty() || before == "(" || before == "," || before == "=" ||
                    before == "<" || before == ">" || before == "<=" || before == ">=" ||
                    before == "<>" || before == "*" || before == "/" ||
                    (std::isalpha(static_cast<unsigned char>(before[0])) && before != "?"))
                    out.pop_back();
            }
            out.push_back("?");
            continue;
        }
        out.push_back(t.kind == K::Word ? Upper(t.text) : t.text);
    }
    std::string s;
    for (const auto& token : out) {
        if (token == "?" && s.size() >= 4 && s.compare(s.size() - 4, 4, "? , ") == 0)
            s.resize(s.size() - 4);
        s += token;
        s += ' ';
    }
    return s;
}

}  // namespace qor::hardening
