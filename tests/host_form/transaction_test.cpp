// Changes the bill forms and lists make as one transaction: committed when they all succeed,
// rolled back when one fails, with the failure reaching the caller.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/form/form_database.h"

namespace qor::host::form {
namespace {

struct LoggingDatabase : IFormDatabase {
    std::vector<std::string> log;
    bool rollbackFails = false;
    QueryResult Query(const std::string&) override { return {}; }
    void Execute(const std::string& sql) override {
        if (sql == "bad") throw std::runtime_error("no such table");
        log.push_back(sql);
    }
    void Begin() override { log.push_back("begin"); }
    void Commit() override { log.push_back("commit"); }
    void Rollback() override {
        log.push_back("rollback");
        if (rollbackFails) throw std::runtime_error("rollback failed");
    }
    std::vector<std::string> TableColumns(const std::string&) override { return {}; }
};

using Log = std::vector<std::string>;

TEST(InTransaction, CommitsWhatSucceedsAndRollsBackWhatFails) {
    LoggingDatabase db;
    InTransaction(db, [&] { db.Execute("a"); });
    EXPECT_EQ(db.log, (Log{"begin", "a", "commit"}));

    db.log.clear();
    EXPECT_THROW(InTransaction(db,
                               [&] {
                                   db.Execute("a");
                                   db.Execute("bad");
                               }),
                 std::runtime_error);
    EXPECT_EQ(db.log, (Log{"begin", "a", "rollback"}));
}

TEST(InTransaction, AFailingRollbackDoesNotHideTheError) {
    LoggingDatabase db;
    db.rollbackFails = true;
    try {
        InTransaction(db, [&] { db.Execute("bad"); });
        FAIL() << "the error must reach the caller";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "no such table");
    }
    EXPECT_EQ(db.log, (Log{"begin", "rollback"}));
}

}  // namespace
}  // namespace qor::host::form
