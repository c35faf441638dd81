// The reference host's database: an embedded SQLite file that runs the plug-ins' T-SQL through
// the compatibility layer of host/sql. One object holds one connection; it is not meant to be
// shared between threads.
//
// Statements are prepared once per translated text and kept (the least recently used go
// first when there are many). Temp tables live in a private in-memory database attached to
// the connection, so creating and dropping them leaves the other prepared statements valid;
// a dropped temp table is kept, emptied, and taken again when a batch creates it with the same
// definition.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qor::host {

namespace sql {
struct Statement;
}

struct SqlResult {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
    // True when a SELECT returned a result set (possibly empty) to the caller: the last such
    // SELECT of the batch, or of the branch taken, gives columns and rows.
    bool hasResultSet = false;
    // Rows changed by the batch's INSERT, UPDATE and DELETE statements.
    long rowsAffected = 0;
};

// Every result set of a batch, in the order its SELECTs returned them.
struct SqlResultSets {
    std::vector<SqlResult> sets;
    long rowsAffected = 0;
};

// How the connection's statement cache served the SQLite statements run so far.
struct StatementStats {
    long prepared = 0;    // texts compiled
    long reused = 0;      // runs of a statement already compiled
    long recompiled = 0;  // compiled statements SQLite had to compile again (a schema changed)
};

// Faults a test injects into the host database, for every connection of the process: the
// statement that many statements from now fails (1: the next one; the statements of a batch
// count one by one), and the next commit fails. Each fires once; the failure is a HostError as
// a refused statement gives.
struct FaultPlan {
    long failStatement = 0;  // 0: none
    bool failCommit = false;
};
void InjectFault(const FaultPlan& plan);
void ClearFaults();
// The statements run so far by every connection of the process, counted as the plan counts.
long StatementsRun();
// Whether an injected fault fired since the plan was set.
bool FaultFired();
// The statement the fault failed ("COMMIT" for the commit), "" before it fired.
std::string FaultedStatement();

class Database {
public:
    // Opens (creating when missing) the SQLite file; ":memory:" gives a private database.
    // Registers the layer's collations and functions. HostError when the file cannot be opened.
    explicit Database(std::string path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& Path() const { return path_; }

    // Runs a plain SQLite script (schema and seed data), statements separated by semicolons.
    void ExecScript(const std::string& script);
    // Runs a T-SQL batch and answers its last result set. HostError names the failing
    // statement.
    SqlResult Run(const std::string& tsql);
    // The same, answering every result set of the batch.
    SqlResultSets RunEach(const std::string& tsql);
    // Runs a T-SQL batch that changes data; the rows it changed.
    long Execute(const std::string& tsql);

    // A transaction of this connection.
    void Begin();
    void Commit();
    void Rollback();

    // While held, the connection keeps its lock on the file between statements instead of
    // taking and dropping it (and checking the file) for each one: for the time the host owns
    // the database. Other processes wait for it meanwhile; another connection of this process
    // to the same file makes the holder let go for good, so the two can share the file.
    void HoldLock(bool hold);
    bool HoldsLock() const { return holding_; }

    StatementStats Stats() const { return stats_; }

    sqlite3* Handle() const { return db_; }

private:
    struct RunState;
    struct Cached {
        std::string sql;
        sqlite3_stmt* stmt;
    };
    struct TempState {
        bool live = false;       // created and not dropped since
        std::string definition;  // of the table of that name in tsql_temp, "" for none
        bool indexes = false;    // indexes were created on it
    };

    sqlite3* db_ = nullptr;
    std::string path_;
    std::string fileId_;       // the file's device and inode, "" for a private database
    std::list<Cached> cache_;  // most recently used first
    std::unordered_map<std::string_view, std::list<Cached>::iterator> cacheIndex_;
    StatementStats stats_;
    bool holding_ = false, sharing_ = false;

    enum class Rows { None, Last, All };  // which rows of a statement to keep
    struct StepResult {
        std::vector<std::string> columns;
        std::vector<std::vector<Value>> rows;
        long count = 0;    // rows returned
        long changed = 0;  // rows written
    };

    sqlite3_stmt* Prepare(const std::string& sql, const std::string& source);
    // Runs one SQLite statement to its end with these values for ?1, ?2, ...
    StepResult Step(const std::string& sql, const std::vector<Value>& binds, Rows rows,
                    const std::string& source);
    std::vector<Value> Bindings(const sql::Statement& st, const RunState& state) const;
    SqlResult RunBatch(const std::string& tsql, std::vector<SqlResult>* every);
    void Exec(const sql::Statement& st, RunState& state, const std::string& source);
    void CreateTemp(const sql::Statement& st, const std::string& source);
    void DropTemp(const sql::Statement& st, const std::string& source);
    TempState TempStateOf(const std::string& name, const std::string& source);
    void RequireTemps(const sql::Statement& st, const std::string& source);
    void LetGo();
    [[noreturn]] void Fail(const std::string& message, const std::string& source) const;
};

}  // namespace qor::host
