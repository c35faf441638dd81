// Statement reuse on one connection: prepared statements kept per text, temp tables that do
// not expire them, the lifecycle of a temp table a batch drops and creates on every call, the
// connection's lock held while the host owns the file, and every result set of a batch.
#include <gmock/gmock.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

#include "host/data_components.h"
#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using StatementReuse = SqlLayerTest;

// The re-pricing batch's shape: its work table dropped and made again on every call.
const char* const kWorkTableBatch =
    "If Object_Id('Tempdb.dbo.#tmp') Is Not Null begin drop table #tmp end\r\n"
    "CREATE TABLE #tmp (FID int NOT NULL, FPrice decimal(23,10) NOT NULL)\r\n"
    "insert into #tmp select FItemID, FPrice from t_ICItem where FItemID < 3\r\n"
    "select top 1 FPrice from #tmp order by FID desc";

TEST_F(StatementReuse, ATextIsPreparedOnceAndWorkTablesExpireNothing) {
    const std::string lookup = "select FName from t_ICItem where FItemID = 2";
    // The first call creates the work table, the second drops it first.
    for (int i = 0; i < 2; ++i) {
        EXPECT_THAT(RowsOf(lookup), ElementsAre("'螺母'"));
        EXPECT_THAT(RowsOf(kWorkTableBatch), ElementsAre("2.5"));
    }
    const StatementStats first = db->Stats();
    for (int i = 0; i < 3; ++i) {
        EXPECT_THAT(RowsOf(kWorkTableBatch), ElementsAre("2.5"));
        EXPECT_THAT(RowsOf(lookup), ElementsAre("'螺母'"));
    }
    const StatementStats after = db->Stats();
    EXPECT_EQ(after.prepared, first.prepared) << "every text was prepared before";
    EXPECT_EQ(after.recompiled, first.recompiled) << "no schema change expired a statement";
    EXPECT_GT(after.reused, first.reused + 12);
}

TEST_F(StatementReuse, RealSchemaChangesStillTakeEffect) {
    EXPECT_THAT(RowsOf("select count(*) from t_Entry"), ElementsAre("3"));
    Run("create table t_Extra (a int)\r\ninsert into t_Extra values (1)");
    EXPECT_THAT(RowsOf("select count(*) from t_Entry"), ElementsAre("3"));
    Run("drop table t_Extra\r\ncreate table t_Extra (a int, b int)\r\n"
        "insert into t_Extra values (1, 2)");
    EXPECT_THAT(RowsOf("select * from t_Extra"), ElementsAre("1|2"));
}

TEST_F(StatementReuse, TempTablesLiveFromCreateToDrop) {
    RunScript({
        {"create table #w (FID int identity, FName varchar(10))\r\n"
         "insert into #w (FName) values ('a'), ('b')\r\nselect FID, FName from #w",
         {"1|'a'", "2|'b'"}},
        {"select objectproperty(object_id('tempdb..#w'), 'IsTable')", {"1"}},
        {"create table #W (FID int)", {}, "There is already an object named '#W'"},
        {"drop table #w", {}},
        {"select * from #w", {}, "Invalid object name '#w'"},
        {"insert into #w (FName) values ('x')", {}, "Invalid object name '#w'"},
        {"select case when object_id('tempdb..#w') is null then 0 else 1 end", {"0"}},
        {"drop table #w", {}, "Cannot drop the table '#w'"},
        {"drop table if exists #w", {}},
        // Created again the same way: empty, numbering from 1.
        {"create table #w (FID int identity, FName varchar(10))\r\n"
         "insert into #w (FName) values ('c')\r\nselect FID, FName from #w",
         {"1|'c'"}},
        // Created again another way.
        {"drop table #w\r\ncreate table #w (FCode varchar(5) primary key)\r\n"
         "insert into #w values ('x')\r\nselect * from #w",
         {"'x'"}},
        {"create index ix_code on #w (FCode)\r\ndrop table #w\r\n"
         "create table #w (FCode varchar(5) primary key)\r\ncreate index ix_code on #w (FCode)\r\n"
         "select count(*) from #w",
         {"0"}},
        {"drop index #w.ix_code\r\nselect count(*) from #w", {"0"}},
        {"drop table #w, #nope", {}, "Cannot drop the table '#nope'"},
        {"select count(*) from #w", {}, "Invalid object name '#w'"},
    });
}

TEST_F(StatementReuse, ARolledBackTransactionTakesItsTempTablesBack) {
    db->ExecScript("BEGIN;");
    Run("create table #r (FID int)\r\ninsert into #r values (1)");
    db->ExecScript("ROLLBACK;");
    EXPECT_THAT(ErrorOf("select * from #r"), HasSubstr("Invalid object name '#r'"));
    Run("create table #r (FID int)\r\ninsert into #r values (2)");
    db->ExecScript("BEGIN;");
    Run("drop table #r");
    db->ExecScript("ROLLBACK;");
    EXPECT_THAT(RowsOf("select FID from #r"), ElementsAre("2"));
}

TEST_F(StatementReuse, EveryResultSetOfABatch) {
    SqlResultSets all = db->RunEach(
        "select FItemID as A from t_ICItem where FItemID < 3 order by FItemID\r\n"
        "update t_Entry set FQty = FQty where FID = 1\r\n"
        "if 1 = 1 select 'x' as B\r\nselect count(*) as C from t_Entry where 1 = 0");
    ASSERT_EQ(all.sets.size(), 3u);
    EXPECT_THAT(all.sets[0].columns, ElementsAre("A"));
    EXPECT_THAT(Rows(all.sets[0]), ElementsAre("1", "2"));
    EXPECT_THAT(Rows(all.sets[1]), ElementsAre("'x'"));
    EXPECT_THAT(all.sets[2].columns, ElementsAre("C"));
    EXPECT_THAT(Rows(all.sets[2]), ElementsAre("0"));
    EXPECT_EQ(all.rowsAffected, 2);
    EXPECT_TRUE(db->RunEach("update t_Entry set FQty = 1 where 1 = 0").sets.empty());
}

class HeldLock : public ::testing::Test {
protected:
    void SetUp() override {
        file = (std::filesystem::temp_directory_path() /
                ("qor_lock_" + std::to_string(::getpid()) + ".db"))
                   .string();
        std::filesystem::remove(file);
        Database(file).ExecScript("CREATE TABLE t (a INTEGER);");
    }
    void TearDown() override {
        CloseAllDatabases();
        std::filesystem::remove(file);
    }
    // What a connection of another program finds: SQLITE_OK or SQLITE_BUSY.
    int OutsiderReads() const {
        sqlite3* outsider = nullptr;
        sqlite3_open_v2(file.c_str(), &outsider, SQLITE_OPEN_READONLY, nullptr);
        int rc = sqlite3_exec(outsider, "select count(*) from t", nullptr, nullptr, nullptr);
        sqlite3_close(outsider);
        return rc;
    }
    std::string file;
};

TEST_F(HeldLock, KeptWhileHeldAndGivenUpForAnotherConnection) {
    Database owner(file);
    owner.HoldLock(true);
    EXPECT_TRUE(owner.HoldsLock());
    owner.Execute("insert into t values (1)");
    EXPECT_EQ(OutsiderReads(), SQLITE_BUSY);
    owner.HoldLock(false);
    EXPECT_EQ(OutsiderReads(), SQLITE_OK);
    owner.HoldLock(true);
    owner.Execute("insert into t values (2)");
    // A second connection of this program makes the holder let go, for as long as both live.
    Database peer(file);
    EXPECT_FALSE(owner.HoldsLock());
    EXPECT_EQ(peer.Execute("insert into t values (3)"), 1);
    EXPECT_EQ(owner.Run("select count(*) from t").rows[0][0], Value(3));
    owner.HoldLock(true);
    EXPECT_FALSE(owner.HoldsLock());
}

TEST_F(HeldLock, TheHostsSharedConnectionHoldsItWhileTheHostOwnsTheFile) {
    HoldDatabaseLock(file, true);
    auto shared = OpenDatabase(file);
    EXPECT_TRUE(shared->HoldsLock());
    shared->Execute("insert into t values (1)");
    EXPECT_EQ(OutsiderReads(), SQLITE_BUSY);
    HoldDatabaseLock(file, false);
    EXPECT_FALSE(shared->HoldsLock());
    EXPECT_EQ(OutsiderReads(), SQLITE_OK);
    EXPECT_FALSE(Database(":memory:").HoldsLock());
}

}  // namespace
}  // namespace qor::host::testing
