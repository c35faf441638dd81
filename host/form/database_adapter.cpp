#include "host/form/database_adapter.h"

#include <sqlite3.h>

#include "frame/errors.h"

namespace qor::host::form {

QueryResult DatabaseAdapter::Query(const std::string& sql) {
    SqlResult r = db_.Run(sql);
    QueryResult q;
    q.columns = std::move(r.columns);
    q.rows = std::move(r.rows);
    return q;
}

void DatabaseAdapter::Execute(const std::string& sql) {
    db_.Execute(sql);
}

void DatabaseAdapter::Begin() {
    db_.Begin();
}
void DatabaseAdapter::Commit() {
    db_.Commit();
}
void DatabaseAdapter::Rollback() {
    db_.Rollback();
}

std::vector<std::string> DatabaseAdapter::TableColumns(const std::string& table) {
    std::vector<std::string> out;
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "PRAGMA table_info(\"" + table + "\")";
    if (sqlite3_prepare_v2(db_.Handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw HostError("database", sqlite3_errmsg(db_.Handle()));
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(stmt, 1);
        if (name) out.emplace_back(reinterpret_cast<const char*>(name));
    }
    sqlite3_finalize(stmt);
    return out;
}

}  // namespace qor::host::form
