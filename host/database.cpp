#include "host/database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <mutex>

#include "frame/errors.h"
#include "host/sql/sqlite_functions.h"
#include "host/sql/tsql.h"
#include "host/sql_trace.h"

namespace qor::host {

namespace {

// Temp tables (#x) live in a private in-memory database; tsql_live lists those created and
// not dropped, under the identifiers OBJECT_ID answers for them (negated).
const char* kTempSchema =
    "ATTACH DATABASE ':memory:' AS tsql_temp;"
    "CREATE TABLE tsql_temp.tsql_live (id INTEGER PRIMARY KEY, "
    "name TEXT NOT NULL UNIQUE COLLATE NOCASE);";

// Objects as the T-SQL existence tests see them: OBJECT_ID and OBJECTPROPERTY read
// tsql_objects (temp tables with negative identifiers), dbo.sysobjects is its permanent part.
const char* kCatalogViews =
    "CREATE TEMP VIEW IF NOT EXISTS tsql_objects AS "
    "SELECT rowid AS tsql_oid, name AS tsql_oname, type AS tsql_otype, 0 AS tsql_otemp "
    "FROM main.sqlite_master WHERE type IN ('table','view') "
    "UNION ALL SELECT -id, name, 'table', 1 FROM tsql_temp.tsql_live;"
    "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS "
    "SELECT tsql_oid AS id, tsql_oname AS name, "
    "CASE tsql_otype WHEN 'table' THEN 'U' ELSE 'V' END AS xtype, "
    "CASE tsql_otype WHEN 'table' THEN 'U' ELSE 'V' END AS type "
    "FROM tsql_objects WHERE tsql_otemp = 0;";

// The faults injected, and the statements counted for them.
struct Faults {
    long run = 0;     // statements run by the process
    long failAt = 0;  // the statement number that fails, 0 for none
    bool failCommit = false;
    bool fired = false;
    std::string failed;  // the statement that failed
};
Faults& TheFaults() {
    static Faults faults;
    return faults;
}

// Counts one statement; throws when it is the one to fail.
void CountStatement(const std::string& source) {
    Faults& f = TheFaults();
    ++f.run;
    if (f.failAt && f.run == f.failAt) {
        f.failAt = 0;
        f.fired = true;
        f.failed = source;
        throw HostError("Database", "the database failed the statement (an injected fault): " +
                                        source.substr(0, 120));
    }
}

// Prepared statements kept per connection; the least recently used one goes beyond this.
constexpr size_t kCachedStatements = 2000;

std::string Excerpt(const std::string& source) {
    std::string s;
    for (char c : source) s.push_back(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
    if (s.size() > 300) s = s.substr(0, 300) + "...";
    return s;
}

// SQLite's parser refuses text nested deeper than its stack, and expressions deeper than its
// limit; the layer writes no nesting of its own, so the statement itself nests so deeply.
std::string Explain(const std::string& message) {
    if (message == "parser stack overflow" ||
        message.find("Expression tree is too large") != std::string::npos)
        return message +
               ": the statement nests too deeply for the host database (sub-queries that read "
               "the queries around them, or parentheses, more than about ten levels deep)";
    return message;
}

// This process's connections by database file, so one that holds its lock lets go when
// another opens the same file.
struct OpenFiles {
    std::mutex mutex;
    std::multimap<std::string, Database*> byFile;
};

OpenFiles& TheOpenFiles() {
    static OpenFiles files;
    return files;
}

// Device and inode: the same file under any of its names. "" for private databases.
std::string FileIdOf(const std::string& path) {
    if (path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0) return "";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

void ForgetConnection(const std::string& fileId, const Database* db) {
    if (fileId.empty()) return;
    OpenFiles& files = TheOpenFiles();
    std::lock_guard<std::mutex> lock(files.mutex);
    auto range = files.byFile.equal_range(fileId);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == db) {
            files.byFile.erase(it);
            return;
        }
}

// Runs a SQLite statement's reset when the step loop ends, however it ends.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

}  // namespace

struct Database::RunState {
    const sql::Batch* batch = nullptr;
    std::vector<Value> vars;
    SqlResult result;
    std::vector<SqlResult>* every = nullptr;  // each result set, when the caller wants them all
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
    // Before this connection reads the file, another one of this process that holds its lock
    // lets go of it.
    fileId_ = FileIdOf(path_);
    if (!fileId_.empty()) {
        OpenFiles& files = TheOpenFiles();
        std::lock_guard<std::mutex> lock(files.mutex);
        auto range = files.byFile.equal_range(fileId_);
        for (auto it = range.first; it != range.second; ++it) it->second->LetGo();
        sharing_ = range.first != range.second;
        files.byFile.emplace(fileId_, this);
    }
    try {
        sql::RegisterFunctions(db_);
        ExecScript("PRAGMA synchronous=NORMAL;");
        ExecScript(kTempSchema);
        ExecScript(kCatalogViews);
    } catch (...) {
        ForgetConnection(fileId_, this);
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    ForgetConnection(fileId_, this);
    for (auto& c : cache_) sqlite3_finalize(c.stmt);
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

void Database::HoldLock(bool hold) {
    std::lock_guard<std::mutex> lock(TheOpenFiles().mutex);  // no other connection opens now
    if (hold == holding_ || (hold && (fileId_.empty() || sharing_))) return;
    // The mode takes effect at the next read: exclusive keeps the lock taken then, normal
    // drops it when the read ends.
    ExecScript(std::string("PRAGMA main.locking_mode=") + (hold ? "EXCLUSIVE" : "NORMAL") +
               "; SELECT count(*) FROM main.sqlite_master;");
    holding_ = hold;
}

// Called with the connection list locked, by a connection opening the same file.
void Database::LetGo() {
    sharing_ = true;
    if (!holding_) return;
    holding_ = false;
    sqlite3_exec(db_, "PRAGMA main.locking_mode=NORMAL; SELECT count(*) FROM main.sqlite_master;",
                 nullptr, nullptr, nullptr);
}

void Database::Fail(const std::string& message, const std::string& source) const {
    throw HostError("Database", message + " [statement: " + Excerpt(source) + "]");
}

sqlite3_stmt* Database::Prepare(const std::string& sql, const std::string& source) {
    auto found = cacheIndex_.find(sql);
    if (found != cacheIndex_.end()) {
        cache_.splice(cache_.begin(), cache_, found->second);
        ++stats_.reused;
        return found->second->stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        std::string message = rc != SQLITE_OK ? Explain(sqlite3_errmsg(db_)) : "empty statement";
        sqlite3_finalize(stmt);
        Fail(message, source);
    }
    ++stats_.prepared;
    cache_.push_front(Cached{sql, stmt});
    cacheIndex_.emplace(cache_.front().sql, cache_.begin());
    if (cache_.size() > kCachedStatements) {
        // No cached statement is running now: statements run to their end one at a time.
        cacheIndex_.erase(cache_.back().sql);
        sqlite3_finalize(cache_.back().stmt);
        cache_.pop_back();
    }
    return stmt;
}

Database::StepResult Database::Step(const std::string& sql, const std::vector<Value>& binds,
                                    Rows rows, const std::string& source) {
    sqlite3_stmt* stmt = Prepare(sql, source);
    StepResult r;
    {
        ResetOnExit reset{stmt};
        for (size_t i = 0; i < binds.size(); ++i)
            if (sql::BindValue(stmt, static_cast<int>(i + 1), binds[i]) != SQLITE_OK)
                Fail(sqlite3_errmsg(db_), source);
        sqlite3_int64 changesBefore = sqlite3_total_changes64(db_);
        int columns = sqlite3_column_count(stmt);
        if (rows != Rows::None)
            for (int c = 0; c < columns; ++c) {
                const char* name = sqlite3_column_name(stmt, c);
                r.columns.push_back(name ? name : "");
            }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            ++r.count;
            if (rows == Rows::None) continue;
            std::vector<Value> row;
            row.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) row.push_back(sql::ColumnValue(stmt, c));
            if (rows == Rows::Last && !r.rows.empty())
                r.rows.back() = std::move(row);
            else
                r.rows.push_back(std::move(row));
        }
        stats_.recompiled += sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 1);
        if (rc != SQLITE_DONE) Fail(Explain(sqlite3_errmsg(db_)), source);
        r.changed = static_cast<long>(sqlite3_total_changes64(db_) - changesBefore);
    }
    return r;
}

std::vector<Value> Database::Bindings(const sql::Statement& st, const RunState& state) const {
    std::vector<Value> binds;
    binds.reserve(st.params.size());
    for (int p : st.params) {
        if (p >= 0)
            binds.push_back(state.vars[static_cast<size_t>(p)]);
        else if (p == sql::kParamRowCount)
            binds.emplace_back(static_cast<long long>(state.lastRowCount));
        else if (p == sql::kParamIdentity)
            binds.emplace_back(static_cast<long long>(sqlite3_last_insert_rowid(db_)));
        else
            binds.emplace_back(0);
    }
    return binds;
}

// Whether temp table name is live, the definition SQLite keeps for a table of that name in
// tsql_temp ("" for none), and whether indexes were created on it. The database is asked
// each time rather than remembered, so a rolled-back transaction also takes back the temp
// tables it made or dropped, as on SQL Server.
Database::TempState Database::TempStateOf(const std::string& name, const std::string& source) {
    static const std::string sql =
        std::string("SELECT (SELECT count(*) FROM ") + sql::kTempCatalog +
        " WHERE name = ?1), (SELECT sql FROM " + sql::kTempSchema +
        ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE), "
        "(SELECT count(*) FROM " +
        sql::kTempSchema +
        ".sqlite_master WHERE type = 'index' AND sql IS NOT NULL AND "
        "tbl_name = ?1 COLLATE NOCASE)";
    StepResult r = Step(sql, {Value(name)}, Rows::All, source);
    TempState t;
    t.live = r.rows.at(0).at(0).AsInt() > 0;
    t.definition = r.rows[0][1].IsNull() ? "" : r.rows[0][1].AsText();
    t.indexes = r.rows[0][2].AsInt() > 0;
    return t;
}

void Database::RequireTemps(const sql::Statement& st, const std::string& source) {
    static const std::string sql =
        std::string("SELECT count(*) FROM ") + sql::kTempCatalog + " WHERE name = ?1";
    for (const auto& name : st.temps)
        if (Step(sql, {Value(name)}, Rows::All, source).rows.at(0).at(0).AsInt() == 0)
            Fail("Invalid object name '" + name + "'.", source);
}

// A dropped temp table stays in tsql_temp, emptied; creating it again with the same definition
// takes it back without changing the schema.
void Database::CreateTemp(const sql::Statement& st, const std::string& source) {
    const std::string& name = st.temps.at(0);
    const TempState t = TempStateOf(name, source);
    if (t.live) Fail("There is already an object named '" + name + "' in the database.", source);
    // SQLite keeps the text from the table's name on, without the database's.
    const std::string prefix = std::string("CREATE TABLE ") + sql::kTempSchema + ".";
    const std::string kept = "CREATE TABLE " + st.sql.substr(prefix.size());
    bool exists = !t.definition.empty();
    if (exists && (t.definition != kept || t.indexes)) {
        Step("DROP TABLE " + sql::TempTableName(name), {}, Rows::None, source);
        exists = false;
    }
    if (!exists) Step(st.sql, {}, Rows::None, source);
    Step(std::string("INSERT INTO ") + sql::kTempCatalog + " (name) VALUES (?1)", {Value(name)},
         Rows::None, source);
}

void Database::DropTemp(const sql::Statement& st, const std::string& source) {
    const std::string& name = st.temps.at(0);
    const TempState t = TempStateOf(name, source);
    if (!t.live) {
        if (st.ifExists) return;
        Fail("Cannot drop the table '" + name +
                 "', because it does not exist or you do not have permission.",
             source);
    }
    if (t.indexes) {
        // Its indexes are no part of the definition a batch creates it with.
        Step("DROP TABLE " + sql::TempTableName(name), {}, Rows::None, source);
    } else {
        // Kept empty for the next batch that creates it; its IDENTITY starts again at 1.
        Step("DELETE FROM " + sql::TempTableName(name), {}, Rows::None, source);
        if (t.definition.find(" AUTOINCREMENT") != std::string::npos)
            Step(std::string("DELETE FROM ") + sql::kTempSchema +
                     ".sqlite_sequence WHERE name = ?1 COLLATE NOCASE",
                 {Value(name)}, Rows::None, source);
    }
    Step(std::string("DELETE FROM ") + sql::kTempCatalog + " WHERE name = ?1", {Value(name)},
         Rows::None, source);
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
        case Kind::CreateTemp:
            CountStatement(source);
            CreateTemp(st, source);
            state.lastRowCount = 0;
            return;
        case Kind::DropTemp:
            CountStatement(source);
            DropTemp(st, source);
            state.lastRowCount = 0;
            return;
        default:
            break;
    }
    CountStatement(source);
    RequireTemps(st, source);
    const Rows rows = st.kind == Kind::Write    ? Rows::None
                      : st.kind == Kind::Assign ? Rows::Last
                                                : Rows::All;
    StepResult r = Step(st.sql, Bindings(st, state), rows, source);
    switch (st.kind) {
        case Kind::Query: {
            SqlResult q;
            q.hasResultSet = true;
            q.columns = std::move(r.columns);
            q.rows = std::move(r.rows);
            q.rowsAffected = state.result.rowsAffected;
            state.lastRowCount = r.count;
            if (state.every) state.every->push_back(q);
            state.result = std::move(q);
            return;
        }
        case Kind::Write:
            state.lastRowCount = r.changed;
            state.result.rowsAffected += r.changed;
            return;
        case Kind::Assign: {
            state.lastRowCount = r.count;
            if (r.rows.empty()) return;  // no row: the variables keep their values
            const std::vector<Value>& last = r.rows.back();  // the last row's values count
            for (size_t i = 0; i < st.targets.size() && i < last.size(); ++i) {
                size_t var = static_cast<size_t>(st.targets[i]);
                try {
                    state.vars[var] = sql::ConvertTo(last[i], state.batch->variables[var].type);
                } catch (const HostError& e) {
                    Fail(e.what(), source);
                }
            }
            return;
        }
        case Kind::If: {
            bool yes = !r.rows.empty() && !r.rows[0].empty() && r.rows[0][0] == Value(1);
            const sql::StatementPtr& branch = yes ? st.thenPart : st.elsePart;
            if (branch) Exec(*branch, state, source);
            return;
        }
        default:
            return;
    }
}

SqlResult Database::RunBatch(const std::string& tsql, std::vector<SqlResult>* every) {
    auto started = std::chrono::steady_clock::now();
    const bool tracing = SqlTrace::Global().Enabled();
    auto record = [&](long rows, long rowsAffected, const std::string* error) {
        if (!tracing) return;
        TraceEntry trace;
        trace.database = path_;
        trace.sql = tsql;
        trace.rows = rows;
        trace.rowsAffected = rowsAffected;
        if (error) {
            trace.failed = true;
            trace.error = *error;
        }
        trace.duration = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - started);
        SqlTrace::Global().Record(std::move(trace));
    };
    try {
        sql::BatchPtr batch = sql::Translate(tsql);
        RunState state;
        state.batch = batch.get();
        state.every = every;
        state.vars.assign(batch->variables.size(), Value::Null());
        for (const auto& st : batch->statements) {
            Exec(*st, state, st->source);
            if (state.returned) break;
        }
        record(static_cast<long>(state.result.rows.size()), state.result.rowsAffected, nullptr);
        return std::move(state.result);
    } catch (const std::exception& e) {
        std::string error = e.what();
        record(0, 0, &error);
        throw;
    }
}

void InjectFault(const FaultPlan& plan) {
    Faults& f = TheFaults();
    f.failAt = plan.failStatement > 0 ? f.run + plan.failStatement : 0;
    f.failCommit = plan.failCommit;
    f.fired = false;
    f.failed.clear();
}

void ClearFaults() {
    InjectFault({});
}

long StatementsRun() {
    return TheFaults().run;
}

bool FaultFired() {
    return TheFaults().fired;
}

std::string FaultedStatement() {
    return TheFaults().failed;
}

void Database::Begin() {
    ExecScript("BEGIN");
}

void Database::Commit() {
    Faults& f = TheFaults();
    if (f.failCommit) {
        f.failCommit = false;
        f.fired = true;
        f.failed = "COMMIT";
        throw HostError("Database", "the database failed to commit (an injected fault)");
    }
    ExecScript("COMMIT");
}

void Database::Rollback() {
    ExecScript("ROLLBACK");
}

SqlResult Database::Run(const std::string& tsql) {
    return RunBatch(tsql, nullptr);
}

SqlResultSets Database::RunEach(const std::string& tsql) {
    SqlResultSets out;
    out.rowsAffected = RunBatch(tsql, &out.sets).rowsAffected;
    return out;
}

long Database::Execute(const std::string& tsql) {
    return Run(tsql).rowsAffected;
}

}  // namespace qor::host
