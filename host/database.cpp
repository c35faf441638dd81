#include "host/database.h"

#include <sqlite3.h>

#include <chrono>

#include "frame/errors.h"
#include "host/sql/sqlite_functions.h"
#include "host/sql/tsql.h"
#include "host/sql_trace.h"

namespace qor::host {

namespace {

// Objects as the T-SQL existence tests see them: OBJECT_ID and OBJECTPROPERTY read
// tsql_objects (temp tables with negative identifiers), dbo.sysobjects is its permanent part.
const char* kCatalogViews =
    "CREATE TEMP VIEW IF NOT EXISTS tsql_objects AS "
    "SELECT rowid AS tsql_oid, name AS tsql_oname, type AS tsql_otype, 0 AS tsql_otemp "
    "FROM main.sqlite_master WHERE type IN ('table','view') "
    "UNION ALL SELECT -rowid, name, type, 1 FROM temp.sqlite_master "
    "WHERE type IN ('table','view') AND name NOT IN ('tsql_objects','sysobjects');"
    "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS "
    "SELECT tsql_oid AS id, tsql_oname AS name, "
    "CASE tsql_otype WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
    "CASE tsql_otype WHEN 'table' THEN 'U' ELSE 'V' END AS type "
    "FROM tsql_objects WHERE tsql_otemp = 0;";

std::string Excerpt(const std::string& source) {
    std::string s;
    for (char c : source) s.push_back(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
    if (s.size() > 300) s = s.substr(0, 300) + "...";
    return s;
}

}  // namespace

struct Database::RunState {
    const sql::Batch* batch = nullptr;
    std::vector<Value> vars;
    SqlResult result;
    long lastRowCount = 0;
    bool returned = false;
};

Database::Database(std::string path) : path_(std::move(path)) {
    int rc = sqlite3_open_v2(path_.c_str(), &db_,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw HostError("Database", "cannot open database " + path_ + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    // A double-quoted name that matches nothing must be an error, never a text literal.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    try {
        sql::RegisterFunctions(db_);
        ExecScript("PRAGMA synchronous=NORMAL;");
        ExecScript(kCatalogViews);
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    for (auto& [text, stmt] : statements_) sqlite3_finalize(stmt);
    if (db_) sqlite3_close(db_);
}

void Database::ExecScript(const std::string& script) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, script.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw HostError("Database", "script failed on " + path_ + ": " + message);
    }
}

void Database::Fail(const std::string& message, const std::string& source) const {
    throw HostError("Database", message + " [statement: " + Excerpt(source) + "]");
}

sqlite3_stmt* Database::Prepare(const std::string& sql, const std::string& source) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = sqlite3_errmsg(db_);
        sqlite3_finalize(stmt);
        Fail(message, source);
    }
    if (statements_.size() > 2000) {
        for (auto& [text, old] : statements_) sqlite3_finalize(old);
        statements_.clear();
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

void Database::Bind(sqlite3_stmt* stmt, const sql::Statement& st, const RunState& state,
                    const std::string& source) {
    for (size_t i = 0; i < st.params.size(); ++i) {
        int p = st.params[i];
        Value v;
        if (p >= 0)
            v = state.vars[static_cast<size_t>(p)];
        else if (p == sql::kParamRowCount)
            v = Value(static_cast<long long>(state.lastRowCount));
        else if (p == sql::kParamIdentity)
            v = Value(static_cast<long long>(sqlite3_last_insert_rowid(db_)));
        else
            v = Value(0);
        if (sql::BindValue(stmt, static_cast<int>(i + 1), v) != SQLITE_OK)
            Fail(sqlite3_errmsg(db_), source);
    }
}

void Database::Exec(const sql::Statement& st, RunState& state, const std::string& outer) {
    using Kind = sql::Statement::Kind;
    if (state.returned) return;
    const std::string& source = st.source.empty() ? outer : st.source;
    switch (st.kind) {
        case Kind::Nothing:
            return;
        case Kind::Return:
            state.returned = true;
            return;
        case Kind::Declare:
            for (int i : st.declared) state.vars[static_cast<size_t>(i)] = Value::Null();
            return;
        case Kind::Block:
            for (const auto& child : st.body) Exec(*child, state, source);
            return;
        default:
            break;
    }
    sqlite3_stmt* stmt = Prepare(st.sql, source);
    struct Reset {
        sqlite3_stmt* s;
        ~Reset() {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    } reset{stmt};
    Bind(stmt, st, state, source);
    sqlite3_int64 changesBefore = sqlite3_total_changes64(db_);
    std::vector<std::vector<Value>> rows;
    int columns = sqlite3_column_count(stmt);
    std::vector<std::string> names;
    for (int c = 0; c < columns; ++c) {
        const char* name = sqlite3_column_name(stmt, c);
        names.push_back(name ? name : "");
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (st.kind == Kind::Write) continue;
        std::vector<Value> row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) row.push_back(sql::ColumnValue(stmt, c));
        if (st.kind == Kind::Assign && !rows.empty())
            rows.back() = std::move(row);  // only the last row's values are assigned
        else
            rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) Fail(sqlite3_errmsg(db_), source);
    // Free the statement before a branch runs: the branch may use the same text.
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    switch (st.kind) {
        case Kind::Query: {
            SqlResult r;
            r.hasResultSet = true;
            r.columns = std::move(names);
            state.lastRowCount = static_cast<long>(rows.size());
            r.rows = std::move(rows);
            r.rowsAffected = state.result.rowsAffected;
            state.result = std::move(r);
            return;
        }
        case Kind::Write: {
            long changed = static_cast<long>(sqlite3_total_changes64(db_) - changesBefore);
            state.lastRowCount = changed;
            state.result.rowsAffected += changed;
            return;
        }
        case Kind::Assign: {
            state.lastRowCount = static_cast<long>(rows.size());
            if (rows.empty()) return;  // no row: the variables keep their values
            for (size_t i = 0; i < st.targets.size() && i < rows.back().size(); ++i) {
                size_t var = static_cast<size_t>(st.targets[i]);
                try {
                    state.vars[var] =
                        sql::ConvertTo(rows.back()[i], state.batch->variables[var].type);
                } catch (const HostError& e) {
                    Fail(e.what(), source);
                }
            }
            return;
        }
        case Kind::If: {
            bool yes = !rows.empty() && !rows[0].empty() && rows[0][0] == Value(1);
            const sql::StatementPtr& branch = yes ? st.thenPart : st.elsePart;
            if (branch) Exec(*branch, state, source);
            return;
        }
        default:
            return;
    }
}

SqlResult Database::Run(const std::string& tsql) {
    auto started = std::chrono::steady_clock::now();
    TraceEntry trace;
    trace.database = path_;
    trace.sql = tsql;
    auto finish = [&] {
        trace.duration = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - started);
        SqlTrace::Global().Record(std::move(trace));
    };
    try {
        sql::BatchPtr batch = sql::Translate(tsql);
        RunState state;
        state.batch = batch.get();
        state.vars.assign(batch->variables.size(), Value::Null());
        for (const auto& st : batch->statements) {
            Exec(*st, state, st->source);
            if (state.returned) break;
        }
        trace.rows = static_cast<long>(state.result.rows.size());
        trace.rowsAffected = state.result.rowsAffected;
        finish();
        return std::move(state.result);
    } catch (const std::exception& e) {
        trace.failed = true;
        trace.error = e.what();
        finish();
        throw;
    }
}

long Database::Execute(const std::string& tsql) {
    return Run(tsql).rowsAffected;
}

}  // namespace qor::host
