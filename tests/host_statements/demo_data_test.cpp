// The demo database itself: its creation, the column types that keep SQL Server's arithmetic,
// and the consistency of the demo company's data (every reference resolves, every unit belongs
// to its item, totals add up).

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "host/database.h"
#include "host/demo_db.h"

namespace qor::host {
namespace {

namespace fs = std::filesystem;

// Plain SQLite reads on the demo database (the collations need the Database's connection).
class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("qor_demo_data_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        CreateDemoDatabase((dir_ / "demo.db").string());
        db_ = new Database((dir_ / "demo.db").string());
    }
    static void TearDownTestSuite() {
        delete db_;
        db_ = nullptr;
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Rows of a plain SQLite query, every value as text ("NULL" for null).
    static std::vector<std::vector<std::string>> Query(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        std::vector<std::vector<std::string>> rows;
        if (sqlite3_prepare_v2(db_->Handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_->Handle()) << " in " << sql;
            return rows;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* t = sqlite3_column_text(stmt, c);
                row.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }
    static std::string Scalar(const std::string& sql) {
        auto rows = Query(sql);
        return rows.empty() || rows[0].empty() ? "" : rows[0][0];
    }
    // Describes the rows a consistency query finds (it should find none).
    static std::string Offenders(const std::string& sql) {
        std::string out;
        for (const auto& row : Query(sql)) {
            for (const auto& v : row) out += v + " ";
            out += "\n";
        }
        return out;
    }

    static fs::path dir_;
    static Database* db_;
};

fs::path DemoData::dir_;
Database* DemoData::db_ = nullptr;

// Every query of consistency.txt finds no row: the column types that keep SQL Server's
// arithmetic, references that resolve, units of their items, totals that add up.
TEST_F(DemoData, IsConsistent) {
    std::ifstream in(fs::path(HostSourceDir()) / "tests" / "host_statements" / "consistency.txt");
    ASSERT_TRUE(in) << "cannot read consistency.txt";
    std::vector<std::pair<std::string, std::string>> queries;  // label, query
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("---", 0) == 0)
            queries.push_back({line.substr(4), ""});
        else if (!line.empty() && line[0] != '#' && !queries.empty())
            queries.back().second += line + "\n";
    }
    EXPECT_GT(queries.size(), 40u);
    for (const auto& [label, sql] : queries) EXPECT_EQ(Offenders(sql), "") << label << ":\n" << sql;
    // 1/e.FCoefficient on a whole-number coefficient keeps its fraction.
    EXPECT_EQ(Scalar("select 1/FCoefficient from t_CC_StockBillEntry where FEntryID = 7"),
              "0.0416666666666667");
}

TEST(DemoDatabaseCreation, ReplacesAnExistingFile) {
    fs::path dir = fs::temp_directory_path() / ("qor_demo_create_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string path = (dir / "demo.db").string();
    {
        std::ofstream junk(path, std::ios::binary);
        junk << "not a database";
    }
    EXPECT_EQ(CreateDemoDatabase(path), path);
    {
        Database db(path);
        SqlResult r = db.Run("select count(*) from t_ICItem");
        ASSERT_EQ(r.rows.size(), 1u);
        EXPECT_EQ(r.rows[0][0].ToNumber(), 25);
        db.Execute("delete t_ICItem where FItemID=1001");
    }
    // A second creation starts again from the demo data.
    CreateDemoDatabase(path);
    {
        Database db(path);
        EXPECT_EQ(db.Run("select count(*) from t_ICItem").rows[0][0].ToNumber(), 25);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(DemoDatabaseCreation, MissingDemoDataLeavesTheFileAlone) {
    fs::path dir = fs::temp_directory_path() / ("qor_demo_missing_" + std::to_string(::getpid()));
    fs::create_directories(dir / "host");
    std::string path = (dir / "keep.db").string();
    {
        std::ofstream keep(path, std::ios::binary);
        keep << "keep me";
    }
    std::string saved = HostSourceDir();
    ::setenv("QOR_SOURCE_DIR", dir.string().c_str(), 1);
    EXPECT_THROW(CreateDemoDatabase(path), HostError);
    ::setenv("QOR_SOURCE_DIR", saved.c_str(), 1);
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep me");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(DemoDatabaseCreation, ScriptsRunSchemaFirstThenSeedsByName) {
    std::vector<std::string> scripts = DemoScriptPaths();
    ASSERT_GE(scripts.size(), 2u);
    EXPECT_EQ(fs::path(scripts[0]).filename(), "schema.sql");
    for (size_t i = 2; i < scripts.size(); ++i)
        EXPECT_LT(fs::path(scripts[i - 1]).filename(), fs::path(scripts[i]).filename());
}

}  // namespace
}  // namespace qor::host
