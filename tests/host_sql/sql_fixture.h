// A small database of our own for the T-SQL layer tests: a handful of items, units and bills
// created with plain SQLite, independent of the demo data.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/database.h"

namespace qor::host::testing {

// Renders a value with its type visible: 3 (integer), 3.5 or 3.0 (double), 'abc' (text),
// NULL.
std::string Show(const Value& v);
// All rows, each rendered "v1|v2|...".
std::vector<std::string> Rows(const SqlResult& r);

// A step of a script: its T-SQL text and the rows of its last result set, or a part of the
// error it raises.
struct ScriptStep {
    std::string tsql;
    std::vector<std::string> rows = {};
    std::string error = {};
};

class SqlLayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    SqlResult Run(const std::string& tsql) { return db->Run(tsql); }
    std::vector<std::string> RowsOf(const std::string& tsql) { return Rows(db->Run(tsql)); }
    // The single value of a one-row, one-column result.
    Value One(const std::string& tsql);
    // The message of the HostError the text raises ("" when none is raised).
    std::string ErrorOf(const std::string& tsql);
    // Runs the steps in order, each checked as it runs.
    void RunScript(const std::vector<ScriptStep>& steps);

    std::unique_ptr<Database> db;
};

}  // namespace qor::host::testing
