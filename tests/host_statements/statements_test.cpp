// Every statement the sales plug-ins send to the host database, completed with demo ids
// (statements.txt), runs on a fresh demo database through the T-SQL layer and, where the file
// says so, returns the rows the demo data hold.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/value.h"
#include "host/database.h"
#include "host/demo_db.h"

namespace qor::host {
namespace {

namespace fs = std::filesystem;

struct Expectation {
    std::string kind;    // "rows", "cell" or "sum"
    size_t row = 0;      // cell: 0-based row
    std::string column;  // cell, sum: column name; empty = first column
    std::string value;   // rows: the count
    std::string text;    // the directive as written, for messages
};

struct StatementCase {
    std::string area;
    std::string label;
    std::string sql;  // lines joined with LF
    int line = 0;     // first line of the statement in the file
    std::vector<Expectation> expectations;
    std::optional<std::string> write;  // rows changed: a number or "*"
    std::optional<std::string> layerGap;
};

std::string StatementsFile() {
    return (fs::path(HostSourceDir()) / "tests" / "host_statements" / "statements.txt").string();
}

// Reads statements.txt (its format is described at the top of the file). A malformed
// directive is reported as a case that fails, so a typo cannot silently drop a check; a file
// that cannot be read fails the test of the file itself.
std::vector<StatementCase> LoadCases() {
    std::vector<StatementCase> cases;
    std::ifstream in(StatementsFile());
    std::string area, line;
    std::vector<std::string> sqlLines;
    auto finish = [&] {
        if (cases.empty()) return;
        while (!sqlLines.empty() && Trim(sqlLines.back()).empty()) sqlLines.pop_back();
        for (size_t i = 0; i < sqlLines.size(); ++i)
            cases.back().sql += (i ? "\n" : "") + sqlLines[i];
        sqlLines.clear();
    };
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("===", 0) == 0 || line.rfind("---", 0) == 0) {
            finish();
            if (line[0] == '=') {
                area = Trim(line.substr(3));
            } else {
                StatementCase c;
                c.area = area;
                c.label = Trim(line.substr(3));
                c.line = number;
                cases.push_back(c);
            }
            continue;
        }
        if (cases.empty() || cases.back().area != area) continue;  // header comments
        StatementCase& current = cases.back();
        if (sqlLines.empty() && !line.empty() && line[0] == '@') {
            std::istringstream words(line.substr(1));
            Expectation e;
            e.text = line;
            words >> e.kind;
            if (e.kind == "col" || e.kind == "sum") words >> e.column;
            if (e.kind == "cell") words >> e.row >> e.column;
            std::string rest;
            std::getline(words, rest);
            e.value = Trim(rest);
            if (e.kind == "write") {
                current.write = e.value;
            } else if (e.kind == "layer-gap") {
                current.layerGap = e.value;
            } else if (e.kind == "rows" || e.kind == "sum") {
                current.expectations.push_back(e);
            } else if (e.kind == "value" || e.kind == "col" || e.kind == "cell") {
                e.row = e.row ? e.row - 1 : 0;
                e.kind = "cell";
                current.expectations.push_back(e);
            } else {
                current.layerGap.reset();
                current.label += " [unknown directive at line " + std::to_string(number) + "]";
                current.expectations.push_back({"rows", 0, "", "-1", line});
            }
            continue;
        }
        sqlLines.push_back(line);
    }
    finish();
    return cases;
}

// Test parameters print as their place in the file rather than as bytes.
void PrintTo(const StatementCase& c, std::ostream* os) {
    *os << "statements.txt:" << c.line << " [" << c.area << "] " << c.label;
}

bool IsNumberText(const std::string& s) {
    static const std::regex number(R"(^-?\d+(\.\d+)?$)");
    return std::regex_match(s, number);
}

// Compares a cell with the expected text: numbers within 1e-6, "" for empty or null, a
// trailing "*" for a prefix, otherwise the exact text.
::testing::AssertionResult Matches(const Value& actual, const std::string& expected) {
    std::string shown = actual.IsNull() ? "NULL" : "'" + actual.ToString() + "'";
    bool ok = false;
    if (expected.empty()) {
        ok = actual.IsBlank();
    } else if (actual.IsNull()) {
        ok = false;
    } else if (expected.back() == '*') {
        ok = actual.ToString().rfind(expected.substr(0, expected.size() - 1), 0) == 0;
    } else if (IsNumberText(expected)) {
        ok = std::fabs(actual.ToNumber() - std::stod(expected)) <= 1e-6 &&
             !actual.ToString().empty();
    } else {
        ok = actual.ToString() == expected;
    }
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected '" << expected << "', got " << shown;
}

// A column by name, or by its 1-based position written "#n" (the columns of a union are named
// after its first part, which may have none).
int ColumnIndex(const SqlResult& r, const std::string& name) {
    if (name.empty()) return r.columns.empty() ? -1 : 0;
    if (name[0] == '#') {
        int n = std::atoi(name.c_str() + 1);
        return n >= 1 && n <= static_cast<int>(r.columns.size()) ? n - 1 : -1;
    }
    for (size_t i = 0; i < r.columns.size(); ++i)
        if (IEquals(r.columns[i], name)) return static_cast<int>(i);
    return -1;
}

void CheckExpectations(const StatementCase& c, const SqlResult& r) {
    for (const Expectation& e : c.expectations) {
        SCOPED_TRACE(e.text);
        if (e.kind == "rows") {
            ASSERT_TRUE(IsNumberText(e.value)) << "bad row count";
            if (std::stol(e.value) == 0 && !r.hasResultSet) continue;  // no result set at all
        }
        ASSERT_TRUE(r.hasResultSet) << "no result set";
        if (e.kind == "rows") {
            EXPECT_EQ(static_cast<long>(r.rows.size()), std::stol(e.value));
            continue;
        }
        int col = ColumnIndex(r, e.column);
        ASSERT_GE(col, 0) << "no column " << e.column;
        if (e.kind == "sum") {
            double sum = 0;
            for (const auto& row : r.rows) sum += row[static_cast<size_t>(col)].ToNumber();
            EXPECT_NEAR(sum, std::stod(e.value), 1e-6);
        } else {
            ASSERT_GT(r.rows.size(), e.row) << "too few rows";
            EXPECT_TRUE(Matches(r.rows[e.row][static_cast<size_t>(col)], e.value));
        }
    }
}

std::string WithCrLf(const std::string& sql) {
    std::string out;
    for (char ch : sql) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

class HostStatements : public ::testing::TestWithParam<StatementCase> {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("qor_statements_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::string path = (dir_ / "demo.db").string();
        CreateDemoDatabase(path);
        db_ = new Database(path);
    }
    static void TearDownTestSuite() {
        delete db_;
        db_ = nullptr;
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs the text in a savepoint that is rolled back, so every case sees the demo data.
    static void RunCase(const StatementCase& c, const std::string& sql) {
        db_->ExecScript("SAVEPOINT statement_case;");
        struct Rollback {
            ~Rollback() {
                try {
                    db_->ExecScript("ROLLBACK TO statement_case; RELEASE statement_case;");
                } catch (...) {
                }
            }
        } rollback;
        SqlResult r;
        try {
            r = db_->Run(sql);
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        if (c.write && *c.write != "*") {
            EXPECT_EQ(r.rowsAffected, std::stol(*c.write)) << "rows changed";
        }
        CheckExpectations(c, r);
    }

    static fs::path dir_;
    static Database* db_;
};

fs::path HostStatements::dir_;
Database* HostStatements::db_ = nullptr;

TEST_P(HostStatements, RunsOnTheDemoDatabase) {
    const StatementCase& c = GetParam();
    ASSERT_FALSE(c.sql.empty()) << c.label;
    if (c.layerGap) GTEST_SKIP() << "layer gap: " << *c.layerGap;
    SCOPED_TRACE(StatementsFile() + ":" + std::to_string(c.line) + " [" + c.area + "] " + c.label +
                 "\n" + c.sql);
    {
        SCOPED_TRACE("lines joined with LF");
        RunCase(c, c.sql);
    }
    if (c.sql.find('\n') != std::string::npos) {
        SCOPED_TRACE("lines joined with CR LF");
        RunCase(c, WithCrLf(c.sql));
    }
}

INSTANTIATE_TEST_SUITE_P(Areas, HostStatements, ::testing::ValuesIn(LoadCases()));

// The file itself: every area of the sales plug-ins has its statements.
TEST(HostStatementFile, CoversEveryArea) {
    std::vector<StatementCase> cases = LoadCases();
    ASSERT_GT(cases.size(), 150u);
    for (const char* area :
         {"price lookup", "batches and shelf life", "serial numbers", "stock and periods",
          "related bills", "sales bill validation", "tax invoices", "exchange bill",
          "consignment bill validation", "sales order lifecycle", "opening consignment bill",
          "opening provisional purchase bill", "special-price bill"}) {
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const StatementCase& c) {
            return c.area == area;
        })) << area;
    }
}

}  // namespace
}  // namespace qor::host
