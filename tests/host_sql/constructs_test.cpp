// The T-SQL constructs the plug-ins send, each with the rows it must return.
#include <gmock/gmock.h>

#include "host/sql/sqlite_functions.h"
#include "host/sql/tsql.h"
#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Batches = SqlLayerTest;

TEST_F(Batches, StatementsSplitAtLineBreaksWithoutSemicolons) {
    SqlResult crlf =
        Run("update t_ICItem set FModel='X' where FItemID=1\r\n"
            "select FModel from t_ICItem where FItemID=1\r\n"
            "select FName from t_ICItem where FItemID=2");
    EXPECT_THAT(Rows(crlf), ElementsAre("'螺母'"));
    EXPECT_EQ(crlf.rowsAffected, 1);
    RunScript({
        {"select FModel from t_ICItem where FItemID=1\nselect FNumber from t_ICItem where "
         "FItemID=2",
         {"'A02'"}},
        {"select FModel from t_ICItem where FItemID=1", {"'X'"}},
        // A statement may run over several lines; the next keyword starts the next statement.
        {"select FNumber\r\nfrom t_ICItem\r\nwhere FItemID in (1,\r\n2)\r\norder by FNumber desc",
         {"'A02'", "'A01'"}},
        {"SeLeCt fname FrOm T_ICITEM wHeRe fitemid = 1", {"'Screw'"}},
        {"select [FNumber] from [dbo].[t_ICItem] where [FName] = N'螺母'", {"'A02'"}},
        {"select i.FNumber from dbo.t_ICItem i with(nolock) where i.FItemID=1", {"'A01'"}},
        {"select FNumber from t_ICItem (nolock) where FItemID=1", {"'A01'"}},
        {"select 'abc from t_ICItem", {}, "Unclosed quotation mark"},
    });
    // Names come back as written, as SQL Server does.
    EXPECT_THAT(Run("select fname from t_icitem where FItemID=1").columns, ElementsAre("fname"));
}

TEST_F(Batches, QuotedTextWithQuotesSemicolonsAndCommentMarkersIsOneLiteral) {
    const std::string text = "O'Brien; drop table t_ICItem -- not a comment /* nor this */";
    std::string quoted;
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    SqlResult w = Run("update t_ICItem set FNote='" + quoted + "' where FItemID=1");
    EXPECT_EQ(w.rowsAffected, 1);
    RunScript({
        {"select FNote from t_ICItem where FItemID=1", {"'" + text + "'"}},
        {"select count(*) from t_ICItem", {"3"}},
        // Real comments are dropped.
        {"select /* a ; ' */ FItemID -- trailing ' quote\r\nfrom t_ICItem where FItemID=2", {"2"}},
    });
}

using Expressions = SqlLayerTest;

TEST_F(Expressions, ConversionsAndTextFunctions) {
    RunScript({
        {"select isnull(FNote,'none'), IsNull(FNote, FModel) from t_ICItem order by FItemID",
         {"'none'|'M6'", "'packed'|'packed'", "'none'|NULL"}},
        {"select CONVERT(INT, FValue) from t_SystemProfile where FKey='CurrentYear'", {"2024"}},
        {"select convert(int, 7.9)", {"7"}},
        {"select convert(int, '')", {"0"}},
        {"select convert(int, '12.5')",
         {},
         "Conversion failed when converting the varchar value '12.5'"},
        {"select Convert(decimal(18,2), 2.345)", {"2.35"}},
        {"select Convert(decimal(18,0), FValue) from t_SystemProfile where FKey='TaxRate'",
         {"13.0"}},
        {"select convert(decimal(3,1), 123.4)", {}, "Arithmetic overflow"},
        {"select CONVERT(DATETIME, '2024-3-5')", {"'2024-03-05 00:00:00'"}},
        {"select convert(datetime, FDate) from t_ICItem where FItemID=3",
         {"'2024-03-06 00:00:00'"}},
        {"select convert(datetime, '2024-02-30')", {}, "Conversion failed when converting date"},
        {"select CONVERT(varchar(10), FDate, 102) from t_ICItem where FItemID=2", {"'2024.03.05'"}},
        {"select convert(varchar, FItemID) + 'x' from t_ICItem where FItemID=2", {"'2x'"}},
        {"select convert(varchar(2), 'abcdef')", {"'ab'"}},
        {"select cast(FPrice as int) from t_ICItem where FItemID=2", {"2"}},
        {"select CHARINDEX('b', 'ABC')", {"2"}},
        {"select charindex('x', 'abc')", {"0"}},
        {"select charindex('c', 'abcabc', 4)", {"6"}},
        {"select charindex(',5,', ',1,5,7,')", {"3"}},
        {"select charindex('母', FName) from t_ICItem where FItemID=2", {"2"}},
        {"select LTRIM(RTRIM('  a b  '))", {"'a b'"}},
        {"select len(FNumber) from t_ICItem where FItemID=3", {"3"}},
        {"select len(FName) from t_ICItem where FItemID=2", {"2"}},
        {"select substring('abcdef', 2, 3) + left('xyz', 1) + right('xyz', 2)", {"'bcdxyz'"}},
        {"select replace('aXbxc', 'x', '-')", {"'a-b-c'"}},
        {"select upper('ab') + lower('CD')", {"'ABcd'"}},
    });
}

TEST_F(Expressions, DatesFromTheClockArithmeticAndParts) {
    sql::SetFixedNow("2024-05-06 07:08:09");
    RunScript({
        {"select GETDATE()", {"'2024-05-06 07:08:09'"}},
        {"select convert(varchar(10), getdate(), 102)", {"'2024.05.06'"}},
        {"select dateadd(day, 30, FDate) from t_ICItem where FItemID=1", {"'2024-04-04 00:00:00'"}},
        {"select dateadd(month, 1, '2024-01-31')", {"'2024-02-29 00:00:00'"}},
        {"select datediff(day, '2024-03-05 23:00', '2024-03-06 01:00')", {"1"}},
        {"select year(FDate) * 100 + month(FDate) from t_ICItem where FItemID=1", {"202403"}},
    });
    sql::SetFixedNow("");
    std::string now = One("select getdate()").AsText();
    ASSERT_EQ(now.size(), 19u);
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[13], ':');
}

TEST_F(Expressions, PlusCaseAndDatabaseFunctions) {
    RunScript({
        {"select FNumber + '-' + FName from t_ICItem where FItemID < 3 order by FItemID",
         {"'A01-Screw'", "'A02-螺母'"}},
        // NULL + text is NULL, as in SQL Server; ISNULL(text,'') keeps the rest.
        {"select FNote + 'x', isnull(FNote,'') + 'x' from t_ICItem where FItemID=1", {"NULL|'x'"}},
        {"select LTRIM(RTRIM(ISNULL('' + ISNULL(FModel,'') + ' ' + ISNULL(FNote,''), ''))) from "
         "t_ICItem where FItemID=1",
         {"'M6'"}},
        {"select FQtyDecimal + 1 from t_ICItem where FItemID=1", {"3"}},
        {"select FPrice + FQtyDecimal from t_ICItem where FItemID=2", {"2.5"}},
        // A text meeting a number is read as a number, or the statement fails.
        {"select '10' + 5", {"15"}},
        {"select FNumber + 1 from t_ICItem where FItemID=1",
         {},
         "Conversion failed when converting the varchar value 'A01'"},
        {"select case when FPrice > 5 then 'dear' when FPrice > 1 then 'fair' else 'cheap' end, "
         "Case FQtyDecimal When 0 Then 'none' Else 'some' End from t_ICItem order by FItemID",
         {"'dear'|'some'", "'fair'|'none'", "'cheap'|'some'"}},
        {"select case isnull(FNote,'') when 'PACKED' then 1 else 0 end from t_ICItem where "
         "FItemID=2",
         {"1"}},
        {"Select dbo.GetComplexQty(1,27) as FComplexQtyDis", {"'2箱3个'"}},
        {"select dbo.GetComplexQty(1, 24)", {"'2箱'"}},
        {"select dbo.GetComplexQty(1, 3.5)", {"'3.5个'"}},
        {"select dbo.GetComplexQty(2, 1.25)", {"'1.25kg'"}},
        {"select dbo.GetComplexQty(1, 0)", {"'0个'"}},
        {"select dbo.GetComplexQty(999, 5)", {"'5'"}},  // item without units
        {"select dbo.NoSuchFunction(1)", {}, "database function dbo.NoSuchFunction"},
    });
    std::vector<sql::PackUnit> units{{"箱", 24}, {"盒", 6}, {"个", 1}};
    EXPECT_EQ(sql::ComplexQtyText(31, units), "1箱1盒1个");
    EXPECT_EQ(sql::ComplexQtyText(-30, units), "-1箱1盒");
    EXPECT_EQ(sql::ComplexQtyText(0.5, units), "0.5个");
    EXPECT_EQ(sql::ComplexQtyText(7, {}), "7");
}

using Queries = SqlLayerTest;

TEST_F(Queries, TopUnionsJoinsAndSubqueries) {
    RunScript({
        {"select top 2 FItemID from t_ICItem order by FItemID desc", {"3", "2"}},
        {"select FName from t_ICItem where FItemID = (select top 1 FItemID from t_ICItem order by "
         "FPrice desc)",
         {"'Screw'"}},
        {"Select top 1 1 from t_ICItem where FItemID > 1", {"1"}},
        {"Select ''EntryID,0 ErrType From t_Entry Where 1=2 \r\n Union Select '1' as "
         "EntryID,Case When e.FQty<30/e.FCoefficient Then 1 Else 2 End as ErrType From t_Entry e "
         "Where e.FID=1 And e.FEntryID=1\r\n Union Select '2' as EntryID,2 From t_Entry e Where "
         "e.FID=2",
         {"'1'|2", "'2'|2"}},
        {"select 1 union all select 1 union select 2", {"1", "2"}},
        {"select 1 union all select 1", {"1", "1"}},
        // The bills' start-date and current-period forms run in the statements test.
        {"select i.FNumber, c.FShowQty from t_ICItem i inner join (Select FItemID, SUM(FShowQty) "
         "FShowQty From t_Entry Group By FItemID) c on c.FItemID=i.FItemID order by i.FNumber",
         {"'A01'|3.0", "'A02'|5.0"}},
        {"select FItemID from t_ICItem where FItemID in (select FItemID from t_Entry group by "
         "FItemID having count(*) > 1)",
         {"1"}},
        {"select i.FNumber, u.FName from t_ICItem i left join t_MeasureUnit u on "
         "u.FMeasureUnitID=i.FUnitID right join t_Entry e on e.FItemID=i.FItemID where e.FID=1 "
         "order by e.FEntryID",
         {"'A01'|'个'", "'A02'|'kg'"}},
        {"select Unit=(select FName from t_MeasureUnit where FMeasureUnitID=t_ICItem.FUnitID) "
         "from t_ICItem where FItemID=2",
         {"'kg'"}},
        // The rebate check on dbo.sysobjects runs in the statements test.
        {"select case when object_id('t_ICItem') is null then 0 else 1 end", {"1"}},
        {"select OBJECTPROPERTY(object_id('t_ICItem'), 'IsView')", {"0"}},
    });
}

TEST_F(Queries, ColumnThenStarAndAliasForms) {
    SqlResult r = Run("Select FNumber,* from t_ICItem Where FItemID=1");
    ASSERT_GE(r.columns.size(), 3u);
    EXPECT_EQ(r.columns[0], "FNumber");
    EXPECT_EQ(r.columns[1], "FItemID");
    EXPECT_EQ(r.rows[0][0], Value("A01"));
    EXPECT_EQ(r.rows[0][1], Value(1));
    r =
        Run("select FItemID as Id, FNumber Num, Label = FName, ''EntryID, 0 ErrType, count(*) "
            "over_count from t_ICItem where FItemID=1 group by FItemID, FNumber, FName");
    EXPECT_THAT(r.columns, ElementsAre("Id", "Num", "Label", "EntryID", "ErrType", "over_count"));
    EXPECT_THAT(Rows(r), ElementsAre("1|'A01'|'Screw'|''|0|1"));
}

using Writes = SqlLayerTest;

TEST_F(Writes, DeleteWithoutFromInsertSelectAndValues) {
    SqlResult r = Run("delete t_Entry where FID=1");
    EXPECT_EQ(r.rowsAffected, 2);
    EXPECT_FALSE(r.hasResultSet);
    EXPECT_EQ(One("select count(*) from t_Entry"), Value(1));
    EXPECT_EQ(db->Execute("delete from t_Entry"), 1);
    EXPECT_EQ(db->Execute("insert into t_Contact select 10, FItemID, FNumber + '-' + FName, '', "
                          "'', 0 from dbo.t_ICItem where FItemID in (1)"),
              1);
    EXPECT_EQ(One("select FContact from t_Contact where FID=10"), Value("A01-Screw"));
    EXPECT_EQ(db->Execute("insert into t_Contact (FID, FItemID, FContact) values (11, 1, N'赵六'), "
                          "(12, 1, 'x')"),
              2);
    EXPECT_EQ(db->Execute("update t_Contact set FAddress='a''b' where FID>=11"), 2);
    EXPECT_EQ(One("select count(*) from t_Contact where FAddress = 'A''B'"), Value(2));
}

using ControlFlow = SqlLayerTest;

// The work-table batch the price lookups run on every call is in the statement-reuse tests.
TEST_F(ControlFlow, VariablesBlocksAndRowCounts) {
    RunScript({
        // Values take the declared type: a text variable is cut to its length, a tinyint checked.
        {"declare @s varchar(3), @n tinyint, @d decimal(5,2)\r\nset @s = 'abcdef'\r\nset @n = "
         "'7'\r\nset @d = 1.005\r\nselect @s, @n, @d",
         {"'abc'|7|1.01"}},
        {"declare @n tinyint\r\nset @n = 300", {}, "Arithmetic overflow"},
        // An assignment from no row leaves the variable as it was.
        {"declare @x int = 5\r\nselect @x = FItemID from t_ICItem where 1=2\r\nselect @x", {"5"}},
        {"declare @x int\r\nselect @x", {"NULL"}},
        {"IF NOT EXISTS(select 1 from t_ICItem where FNumber = 'A01')\r\nBEGIN\r\n select "
         "'missing' as R\r\nEND\r\nELSE\r\nBEGIN\r\n if 1 = 2 select 'no' as R else begin select "
         "'found' as R end\r\nEND",
         {"'found'"}},
        {"if @@rowcount = 0 select 1 else select 2", {"1"}},
        {"declare @x int\r\nselect @x = FItemID, FName from t_ICItem",
         {},
         "must not be combined with data-retrieval"},
        {"update t_Entry set FQty = FQty where FID = 1\r\nselect @@rowcount", {"2"}},
        {"select FItemID from t_ICItem\r\nif @@ROWCOUNT = 3 select 'three' else select 'other'",
         {"'three'"}},
        // A SELECT that assigns counts the rows it read, though only the last one is kept.
        {"declare @x int\r\nselect @x = FItemID from t_ICItem order by FItemID\r\nselect @x, "
         "@@rowcount",
         {"3|3"}},
        {"SET NOCOUNT ON; SET ANSI_WARNINGS OFF; SET TRANSACTION ISOLATION LEVEL READ "
         "UNCOMMITTED;\r\nselect FItemID from t_ICItem where FItemID=1;;",
         {"1"}},
        {"SET DATEFORMAT dmy", {}, "SET DATEFORMAT"},
        {"select * from t_ICItem with (index(ix1))", {}, "table hint"},
    });
}

using Refusals = SqlLayerTest;

TEST_F(Refusals, UnknownConstructsAndUndeclaredNamesAreNamed) {
    RunScript({
        {"exec sp_who", {}, "statement EXEC"},
        {"select soundex(FName) from t_ICItem", {}, "function soundex"},
        {"update t_ICItem set FNote='' from t_ICItem i join t_Entry e on e.FItemID=i.FItemID",
         {},
         "UPDATE ... FROM"},
        {"select * into #x from t_ICItem", {}, "SELECT ... INTO"},
        {"select top 10 percent * from t_ICItem", {}, "PERCENT"},
        {"set ansi_nulls off", {}, "SET ANSI_NULLS OFF"},
        {"select row_number() over (order by FItemID) from t_ICItem",
         {},
         "window functions (OVER)"},
        {"begin tran", {}, "BEGIN TRAN"},
        {"while 1=1 select 1", {}, "statement WHILE"},
        {"select FName from t_ICItem where FName like '[AB]%'", {}, "character classes"},
        {"select FName from t_ICItem where FName like 'A%' collate Latin1_General_BIN",
         {},
         "COLLATE"},
        // Variables and names never silently become NULL.
        {"select FName from t_ICItem where FItemID = @id",
         {},
         "Must declare the scalar variable \"@id\""},
        {"declare @a int\r\ndeclare @A int", {}, "already been declared"},
        {"select \"NoSuchColumn\" from t_ICItem", {}, "no such column"},
        {"select * from #never_created", {}, "Invalid object name '#never_created'"},
        // The error names the failing statement.
        {"select 1\r\nselect FNope from t_ICItem", {}, "no such column"},
        {"select 1\r\nselect FNope from t_ICItem", {}, "select FNope from t_ICItem"},
    });
}

TEST(TranslationCache, ATextIsTranslatedOnceAndReused) {
    sql::ClearTranslationCache();
    Database db(":memory:");
    db.ExecScript("CREATE TABLE t (a INTEGER);");
    const std::string text = "select count(*) from t where a > 0";
    for (int i = 0; i < 3; ++i) db.Run(text);
    sql::TranslationStats stats = sql::GetTranslationStats();
    EXPECT_EQ(stats.translations, 1);
    EXPECT_EQ(stats.reuses, 2);
    db.Run("select count(*) from t where a > 1");
    EXPECT_EQ(sql::GetTranslationStats().translations, 2);
    // The cached translation is the same object.
    EXPECT_EQ(sql::Translate(text).get(), sql::Translate(text).get());
}

using Statements = SqlLayerTest;

TEST_F(Statements, CreateWithIdentityAndDefaults) {
    Run("CREATE TABLE #log (FID int IDENTITY(1,1) NOT NULL, FName varchar(20) NULL, FWhen datetime "
        "DEFAULT (getdate()), FQty decimal(18,4) DEFAULT 0)");
    sql::SetFixedNow("2024-05-06 07:08:09");
    EXPECT_THAT(RowsOf("insert into #log (FName) values ('a')\r\ninsert into #log (FName) values "
                       "('b')\r\nselect @@IDENTITY, @@ROWCOUNT"),
                ElementsAre("2|1"));
    sql::SetFixedNow("");
    EXPECT_THAT(RowsOf("select FID, FName, FWhen, FQty from #log order by FID"),
                ElementsAre("1|'a'|'2024-05-06 07:08:09'|0.0", "2|'b'|'2024-05-06 07:08:09'|0.0"));
    // The column types follow SQL Server: decimals stay decimals, texts compare without case.
    EXPECT_EQ(One("select count(*) from #log where FName = 'A '"), Value(1));
    EXPECT_EQ(db->Execute("truncate table #log"), 2);
}

TEST_F(Statements, ReturnEndsTheBatchAndFailedWritesLeaveEarlierOnesDone) {
    SqlResult r = Run("select 1 as A\r\nif 1=1 return\r\nupdate t_ICItem set FNote='late'");
    EXPECT_THAT(Rows(r), ElementsAre("1"));
    EXPECT_EQ(r.rowsAffected, 0);
    // As on SQL Server without a transaction, the statements before the failing one stay done;
    // the failure reaches the caller.
    RunScript({
        {"select count(*) from t_ICItem where FNote='late'", {"0"}},
        {"update t_ICItem set FNote='first' where FItemID=1\r\nupdate t_ICItem set FPrice = "
         "FPrice / 0",
         {},
         "Divide by zero"},
        {"select FNote, FPrice from t_ICItem where FItemID=1", {"'first'|7.0"}},
    });
}

}  // namespace
}  // namespace qor::host::testing
