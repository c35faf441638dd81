// The reference host's database: an embedded SQLite file that runs the plug-ins' T-SQL through
// the compatibility layer of host/sql. One object holds one connection; it is not meant to be
// shared between threads.
#pragma once

#include <memory>
#include <string>
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
    // Runs a T-SQL batch that changes data; the rows it changed.
    long Execute(const std::string& tsql);

    sqlite3* Handle() const { return db_; }

private:
    struct RunState;
    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;

    sqlite3_stmt* Prepare(const std::string& sql, const std::string& source);
    void Exec(const sql::Statement& st, RunState& state, const std::string& source);
    void Bind(sqlite3_stmt* stmt, const sql::Statement& st, const RunState& state,
              const std::string& source);
    [[noreturn]] void Fail(const std::string& message, const std::string& source) const;
};

}  // namespace qor::host
