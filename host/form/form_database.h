// What the bill forms and lists need of the host database: run a statement that returns rows,
// run one that changes data, and keep a group of changes together.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/value.h"

namespace qor::host::form {

struct QueryResult {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
    // The column's index (any letter case), -1 when there is none.
    int Column(const std::string& name) const;
    Value At(size_t row, const std::string& column) const;
};

class IFormDatabase {
public:
    virtual ~IFormDatabase() = default;
    // Errors raise HostError with the database's message.
    virtual QueryResult Query(const std::string& sql) = 0;
    virtual void Execute(const std::string& sql) = 0;
    // A transaction around a save, a check or a deletion.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // The column names of a table (empty when there is no such table).
    virtual std::vector<std::string> TableColumns(const std::string& table) = 0;
};

// Runs body as one transaction: committed when it returns; rolled back when it throws, and the
// error goes on to the caller (a failing rollback does not hide it).
template <class F>
void InTransaction(IFormDatabase& db, F&& body) {
    db.Begin();
    try {
        body();
        db.Commit();
    } catch (...) {
        try {
            db.Rollback();
        } catch (...) {
        }
        throw;
    }
}

}  // namespace qor::host::form
