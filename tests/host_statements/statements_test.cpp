// Every statement the sales plug-ins send to the host database, completed with demo ids
// (statements.txt), runs on a fresh demo database through the T-SQL layer and, where the file
// says so, returns the rows the demo data hold.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cctype>
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
    enum class Kind { Rows, Cell, Sum };
    Kind kind = Kind::Rows;
    size_t row = 0;      // Cell: 0-based row
    std::string column;  // Cell, Sum: column name; empty = first column
    std::string value;   // Rows: the count
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
    std::string testName;
};

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string Slug(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            out.push_back(c);
        else if (!out.empty() && out.back() != '_')
            out.push_back('_');
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out;
}

std::string StatementsFile() {
    return (fs::path(HostSourceDir()) / "tests" / "host_statements" / "statements.txt").string();
}

// Reads statements.txt (its format is described at the top of the file). A malformed
// directive is reported as a case that fails, so a typo cannot silently drop a check.
std::vector<StatementCase> LoadCases() {
    std::vector<StatementCase> cases;
    std::ifstream in(StatementsFile());
    if (!in) {
        StatementCase broken;
        broken.area = "file";
        broken.label = "cannot read " + StatementsFile();
        broken.testName = "statements_file_missing";
        cases.push_back(broken);
        return cases;
    }
    std::string area;
    std::vector<std::string> sqlLines;
    StatementCase* current = nullptr;
    auto finish = [&] {
        if (!current) return;
        while (!sqlLines.empty() && TrimRight(sqlLines.back()).empty()) sqlLines.pop_back();
        std::string sql;
        for (size_t i = 0; i < sqlLines.size(); ++i) sql += (i ? "\n" : "") + sqlLines[i];
        current->sql = sql;
        sqlLines.clear();
        current = nullptr;
    };
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("===", 0) == 0) {
            finish();
            area = TrimRight(line.substr(3));
            area.erase(0, area.find_first_not_of(' '));
            continue;
        }
        if (line.rfind("---", 0) == 0) {
            finish();
            StatementCase c;
            c.area = area;
            c.label = TrimRight(line.substr(3));
            c.label.erase(0, c.label.find_first_not_of(' '));
            c.line = number;
            cases.push_back(c);
            current = &cases.back();
            continue;
        }
        if (!current) continue;  // header comments before the first statement
        if (sqlLines.empty() && !line.empty() && line[0] == '@') {
            std::istringstream words(line.substr(1));
            std::string directive;
            words >> directive;
            std::string rest;
            std::getline(words, rest);
            rest.erase(0, rest.find_first_not_of(' '));
            rest = TrimRight(rest);
            Expectation e;
            e.text = line;
            if (directive == "rows") {
                e.kind = Expectation::Kind::Rows;
                e.value = rest;
                current->expectations.push_back(e);
            } else if (directive == "value") {
                e.kind = Expectation::Kind::Cell;
                e.value = rest;
                current->expectations.push_back(e);
            } else if (directive == "col" || directive == "sum") {
                e.kind = directive == "col" ? Expectation::Kind::Cell : Expectation::Kind::Sum;
                size_t space = rest.find(' ');
                e.column = rest.substr(0, space);
                e.value = space == std::string::npos ? "" : rest.substr(space + 1);
                current->expectations.push_back(e);
            } else if (directive == "cell") {
                e.kind = Expectation::Kind::Cell;
                std::istringstream parts(rest);
                size_t row = 0;
                parts >> row >> e.column;
                std::getline(parts, e.value);
                e.value.erase(0, e.value.find_first_not_of(' '));
                e.row = row ? row - 1 : 0;
                current->expectations.push_back(e);
            } else if (directive == "write") {
                current->write = rest;
            } else if (directive == "layer-gap") {
                current->layerGap = rest;
            } else {
                current->layerGap.reset();
                current->label += " [unknown directive at line " + std::to_string(number) + "]";
                current->expectations.push_back({Expectation::Kind::Rows, 0, "", "-1", line});
            }
            continue;
        }
        sqlLines.push_back(line);
    }
    finish();
    // Test names: area and position within the area.
    std::string lastArea;
    int index = 0;
    for (StatementCase& c : cases) {
        if (!c.testName.empty()) continue;
        index = c.area == lastArea ? index + 1 : 1;
        lastArea = c.area;
        c.testName = Slug(c.area) + "_" + (index < 10 ? "0" : "") + std::to_string(index);
    }
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
    if (expected.empty()) {
        if (actual.IsBlank()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "expected empty, got " << shown;
    }
    if (actual.IsNull())
        return ::testing::AssertionFailure() << "expected " << expected << ", got NULL";
    if (expected.back() == '*') {
        std::string prefix = expected.substr(0, expected.size() - 1);
        if (actual.ToString().rfind(prefix, 0) == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "expected " << expected << ", got " << shown;
    }
    if (IsNumberText(expected)) {
        if (std::fabs(actual.ToNumber() - std::stod(expected)) <= 1e-6 &&
            !actual.ToString().empty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "expected " << expected << ", got " << shown;
    }
    if (actual.ToString() == expected) return ::testing::AssertionSuccess();
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
    for (size_t i = 0; i < r.columns.size(); ++i) {
        std::string a = r.columns[i], b = name;
        if (a.size() != b.size()) continue;
        bool same = true;
        for (size_t k = 0; k < a.size() && same; ++k)
            same = std::toupper(static_cast<unsigned char>(a[k])) ==
                   std::toupper(static_cast<unsigned char>(b[k]));
        if (same) return static_cast<int>(i);
    }
    return -1;
}

void CheckExpectations(const StatementCase& c, const SqlResult& r) {
    for (const Expectation& e : c.expectations) {
        SCOPED_TRACE(e.text);
        switch (e.kind) {
            case Expectation::Kind::Rows:
                ASSERT_TRUE(IsNumberText(e.value)) << "bad row count";
                if (std::stol(e.value) == 0 && !r.hasResultSet) break;  // no result set at all
                ASSERT_TRUE(r.hasResultSet) << "no result set";
                EXPECT_EQ(static_cast<long>(r.rows.size()), std::stol(e.value));
                break;
            case Expectation::Kind::Cell: {
                ASSERT_TRUE(r.hasResultSet) << "no result set";
                ASSERT_GT(r.rows.size(), e.row) << "too few rows";
                int col = ColumnIndex(r, e.column);
                ASSERT_GE(col, 0) << "no column " << e.column;
                EXPECT_TRUE(Matches(r.rows[e.row][static_cast<size_t>(col)], e.value));
                break;
            }
            case Expectation::Kind::Sum: {
                ASSERT_TRUE(r.hasResultSet) << "no result set";
                int col = ColumnIndex(r, e.column);
                ASSERT_GE(col, 0) << "no column " << e.column;
                double sum = 0;
                for (const auto& row : r.rows) sum += row[static_cast<size_t>(col)].ToNumber();
                EXPECT_NEAR(sum, std::stod(e.value), 1e-6);
                break;
            }
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
        bool readsToo = !c.expectations.empty();
        if (c.write && !readsToo) {
            long changed = -1;
            ASSERT_NO_THROW(changed = db_->Execute(sql));
            if (*c.write != "*") {
                EXPECT_EQ(changed, std::stol(*c.write)) << "rows changed";
            }
            return;
        }
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

INSTANTIATE_TEST_SUITE_P(Areas, HostStatements, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<StatementCase>& info) {
                             return info.param.testName;
                         });

// The file itself: areas are named in domain words and every case has a statement.
TEST(HostStatementFile, CoversEveryAreaWithStatements) {
    std::vector<StatementCase> cases = LoadCases();
    ASSERT_GT(cases.size(), 150u);
    std::vector<std::string> areas;
    for (const StatementCase& c : cases) {
        EXPECT_FALSE(c.sql.empty()) << c.label;
        EXPECT_FALSE(c.area.empty()) << c.label;
        if (areas.empty() || areas.back() != c.area) areas.push_back(c.area);
    }
    for (const char* area :
         {"price lookup", "batches and shelf life", "serial numbers", "stock and periods",
          "related bills", "sales bill validation", "tax invoices", "exchange bill",
          "consignment bill validation", "sales order lifecycle", "opening consignment bill",
          "opening provisional purchase bill", "special-price bill"}) {
        EXPECT_NE(std::find(areas.begin(), areas.end(), area), areas.end()) << area;
    }
}

}  // namespace
}  // namespace qor::host
