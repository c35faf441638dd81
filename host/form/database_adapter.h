// The bill forms' access to the reference host's database (host/database.h).
#pragma once

#include "host/database.h"
#include "host/form/form_database.h"

namespace qor::host::form {

class DatabaseAdapter : public IFormDatabase {
public:
    explicit DatabaseAdapter(Database& db) : db_(db) {}
    QueryResult Query(const std::string& sql) override;
    void Execute(const std::string& sql) override;
    void Begin() override;
    void Commit() override;
    void Rollback() override;
    std::vector<std::string> TableColumns(const std::string& table) override;

private:
    Database& db_;
};

}  // namespace qor::host::form
