// xsbill sql, run as a person runs it: every result set of the batch in the JSON it prints, and
// a --db file that does not exist created from the demo data.
#include <gmock/gmock.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

using ::testing::HasSubstr;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class SqlCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("qor_xsbill_sql_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs xsbill with the arguments; the T-SQL text goes in on standard input ("-").
    Outcome Xsbill(const std::string& args, const std::string& tsql) {
        const auto in = dir / "in.sql", err = dir / "err.txt";
        std::ofstream(in) << tsql;
        std::string command = std::string(QOR_XSBILL_PATH) + " sql - " + args + " < '" +
                              in.string() + "' 2> '" + err.string() + "'";
        Outcome o;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) o.out.append(buf, n);
        int raw = ::pclose(pipe);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::stringstream e;
        e << std::ifstream(err).rdbuf();
        o.err = e.str();
        return o;
    }

    std::filesystem::path dir;
};

TEST_F(SqlCommand, PrintsEveryResultSetOfTheBatch) {
    Outcome o = Xsbill("",
                       "select count(*) as Items from t_ICItem\n"
                       "update t_ICItem set FName = FName where 1 = 0\n"
                       "select 'a' as X, 2 as Y\n"
                       "select FItemID from t_ICItem where 1 = 0");
    ASSERT_EQ(o.status, 0) << o.err;
    auto json = nlohmann::json::parse(o.out);
    ASSERT_EQ(json["resultSets"].size(), 3u);
    EXPECT_EQ(json["resultSets"][0]["columns"], nlohmann::json::array({"Items"}));
    EXPECT_GT(json["resultSets"][0]["rows"][0]["Items"].get<int>(), 0);
    EXPECT_EQ(json["resultSets"][1]["rows"][0], nlohmann::json({{"X", "a"}, {"Y", 2}}));
    EXPECT_TRUE(json["resultSets"][2]["rows"].empty());
    EXPECT_EQ(json["rowsAffected"], 0);
}

TEST_F(SqlCommand, AMissingDatabaseFileIsCreatedFromTheDemoData) {
    const std::string file = (dir / "new.db").string();
    Outcome first = Xsbill("--db '" + file + "'",
                           "insert into t_Stock (FItemID, FNumber, FName) "
                           "values (9901, '99.01', 'X')");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_THAT(first.err, HasSubstr("created it with the demo data"));
    EXPECT_EQ(nlohmann::json::parse(first.out)["rowsAffected"], 1);
    // The file stays, with what the first run wrote.
    Outcome second =
        Xsbill("--db '" + file + "'", "select FName from t_Stock where FItemID = 9901");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(nlohmann::json::parse(second.out)["resultSets"][0]["rows"][0]["FName"], "X");
}

TEST_F(SqlCommand, AFailingBatchSaysWhyAndExitsWithOne) {
    Outcome o = Xsbill("", "select 2147483647 + 1");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.err,
                HasSubstr("Arithmetic overflow error converting expression to data type int."));
}

}  // namespace
