// The host's data components and SQL trace on a database file of the test's own.
#include <gmock/gmock.h>

#include <unistd.h>
#include <filesystem>

#include "frame/errors.h"
#include "host/data_components.h"
#include "host/sql_trace.h"

namespace qor::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DataComponents : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("qor_host_sql_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        file = (dir / "account.db").string();
        other = (dir / "other.db").string();
        for (const std::string& f : {file, other}) {
            Database db(f);
            db.ExecScript(
                "CREATE TABLE t_Stock (FItemID INTEGER PRIMARY KEY, FName TEXT COLLATE SQLTEXT, "
                "FTypeID INTEGER);");
        }
        Database(file).ExecScript("INSERT INTO t_Stock VALUES (1, '总仓', 500), (2, '虚仓', 502);");
        Database(other).ExecScript("INSERT INTO t_Stock VALUES (1, '分仓', 500);");
        SetDefaultDatabasePath(file);
    }
    void TearDown() override {
        CloseAllDatabases();
        SetDefaultDatabasePath("");
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    std::string file, other;
};

TEST_F(DataComponents, PropsStringItemsAndConnectStrings) {
    auto items = ParsePropsItems(
        "UserID=16394;ConnectString={Provider=SQLite;Data Source=/a/b.db;Timeout=3};  "
        "AcctName = 演示账套 ;");
    EXPECT_EQ(items["USERID"], "16394");
    EXPECT_EQ(items["CONNECTSTRING"], "Provider=SQLite;Data Source=/a/b.db;Timeout=3");
    EXPECT_EQ(items["ACCTNAME"], "演示账套");
    EXPECT_EQ(DatabaseFileOfConnectString("Provider=SQLite;Data Source=/a/b.db"), "/a/b.db");
    EXPECT_EQ(DatabaseFileOfConnectString("/plain/path.db"), "/plain/path.db");
    EXPECT_EQ(DatabaseFileOfConnectString(""), "");
    EXPECT_THROW(DatabaseFileOfConnectString("Provider=SQLOLEDB;Initial Catalog=x"), HostError);
    EXPECT_EQ(DatabaseFileOfProps("UserID=1"), file);
    EXPECT_EQ(DatabaseFileOfProps("ConnectString={Data Source=" + other + "};UserID=1"), other);
    EXPECT_EQ(DatabaseFileOfProps("ConnectString=" + other), other);
}

TEST_F(DataComponents, ClassInfoReadsFromTheDatabaseThePropsName) {
    auto info = std::dynamic_pointer_cast<IClassInfo>(CreateDataComponent("QORMClass.ClassInfo"));
    ASSERT_TRUE(info);
    RecordsetPtr rs = info->Getdata("UserID=1", "Select FName From t_Stock Where FTypeID=500");
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->Field("fname"), Value("总仓"));
    EXPECT_EQ(rs->RecordCount(), 1);
    rs = info->Getdata("ConnectString={Data Source=" + other + "}", "Select FName From t_Stock");
    EXPECT_EQ(rs->Field(0), Value("分仓"));
    // A batch that returns no result set gives an empty record set, not a failure.
    rs = info->Getdata("", "Set NoCount On\r\nupdate t_Stock set FTypeID=500 where 1=2");
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(rs->FieldCount(), 0);
}

TEST_F(DataComponents, FailuresRaiseHostErrors) {
    ClassInfo info;
    ClassUpdate update;
    EXPECT_THROW(info.Getdata("", "select FNope from t_Stock"), HostError);
    EXPECT_THROW(update.UpdateBatch("", "update t_Nope set a=1"), HostError);
    EXPECT_THROW(info.Getdata("", "exec sp_help"), HostError);
    SetDefaultDatabasePath("");
    CloseAllDatabases();
    EXPECT_THROW(info.Getdata("UserID=1", "select 1"), HostError);
}

TEST_F(DataComponents, ClassUpdateWritesAndAnswersTrue) {
    ClassUpdate update;
    EXPECT_EQ(update.UpdateBatch("", "update t_Stock set FName='主仓' where FItemID=1"),
              Value(true));
    ClassInfo info;
    EXPECT_EQ(info.Getdata("", "select FName from t_Stock where FItemID=1")->Field(0),
              Value("主仓"));
    // Late-bound calls reach the same operations.
    Args args{Value(""), Value("delete t_Stock where FItemID=2")};
    EXPECT_EQ(update.Call("UpdateBatch", args), Value(true));
    Args read{Value(""), Value("select count(*) from t_Stock")};
    auto rs = info.Call("Getdata", read).As<IRecordset>();
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->Field(0), Value(1));
    Args bad{Value("")};
    EXPECT_THROW(update.Call("UpdateBatch", bad), HostError);
    EXPECT_THROW(update.Call("Frobnicate", args), HostError);
}

TEST_F(DataComponents, OneConnectionPerFileKeepsTempTablesAcrossCalls) {
    ClassUpdate update;
    update.UpdateBatch("", "CREATE TABLE #seen (FID int)\r\ninsert into #seen values (7)");
    ClassInfo info;
    EXPECT_EQ(info.Getdata("UserID=2", "select FID from #seen")->Field(0), Value(7));
    EXPECT_EQ(OpenDatabase(file).get(), OpenDatabase("").get());
    EXPECT_EQ(OpenDatabase(file).get(), OpenDatabase((dir / "." / "account.db").string()).get());
    EXPECT_NE(OpenDatabase(file).get(), OpenDatabase(other).get());
}

TEST_F(DataComponents, AppConnectionKeepsTheFirstRow) {
    auto conn = std::dynamic_pointer_cast<IAppConnection>(
        CreateDataComponent("qormappconnection.appconnection"));
    ASSERT_TRUE(conn);
    conn->Execute("Data Source=" + file, "Select FItemID,FName From t_Stock Where FItemID=2");
    EXPECT_EQ(conn->GetValue("FNAME"), Value("虚仓"));
    EXPECT_EQ(conn->GetValue("FItemID"), Value(2));
    EXPECT_THROW(conn->GetValue("FNumber"), HostError);
    conn->Execute("", "Select FName From t_Stock Where FItemID=99");
    EXPECT_TRUE(conn->GetValue("FName").IsEmpty());
    conn->Execute(other, "Select FName From t_Stock");
    EXPECT_EQ(conn->GetValue("FName"), Value("分仓"));
    conn->Close();
    EXPECT_TRUE(conn->GetValue("FName").IsEmpty());
    EXPECT_FALSE(CreateDataComponent("QORMClass.Unknown"));
}

TEST_F(DataComponents, TraceRecordsEveryTextWithRowsAndDuration) {
    SqlTrace& trace = SqlTrace::Global();
    trace.Enable();
    trace.Clear();
    ClassInfo info;
    ClassUpdate update;
    info.Getdata("", "select FName from t_Stock");
    update.UpdateBatch("", "update t_Stock set FTypeID=501");
    EXPECT_THROW(info.Getdata("", "select FNope from t_Stock"), HostError);
    auto entries = trace.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].sql, "select FName from t_Stock");
    EXPECT_EQ(entries[0].rows, 2);
    EXPECT_EQ(entries[0].database, file);
    EXPECT_FALSE(entries[0].failed);
    EXPECT_GE(entries[0].duration.count(), 0);
    EXPECT_EQ(entries[1].rowsAffected, 2);
    EXPECT_EQ(entries[1].rows, 0);
    EXPECT_TRUE(entries[2].failed);
    EXPECT_THAT(entries[2].error, HasSubstr("no such column"));

    trace.SetLimit(2);
    info.Getdata("", "select 1");
    EXPECT_EQ(trace.Size(), 2u);
    EXPECT_EQ(trace.Entries().back().sql, "select 1");
    trace.Enable(false);
    info.Getdata("", "select 2");
    EXPECT_EQ(trace.Entries().back().sql, "select 1");
    trace.Enable();
    trace.SetLimit(10000);
    trace.Clear();
    EXPECT_EQ(trace.Size(), 0u);
}

}  // namespace
}  // namespace qor::host
