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
    EXPECT_THAT(RowsOf("select FModel from t_ICItem where FItemID=1\nselect FNumber from t_ICItem "
                       "where FItemID=2"),
                ElementsAre("'A02'"));
    EXPECT_EQ(One("select FModel from t_ICItem where FItemID=1"), Value("X"));
    // A statement may run over several lines; the next keyword starts the next statement.
    EXPECT_THAT(RowsOf("select FNumber\r\nfrom t_ICItem\r\nwhere FItemID in (1,\r\n2)\r\norder "
                       "by FNumber desc"),
                ElementsAre("'A02'", "'A01'"));
}

TEST_F(Batches, KeywordsAndNamesInAnyLetterCase) {
    EXPECT_THAT(RowsOf("SeLeCt fname FrOm T_ICITEM wHeRe fitemid = 1"), ElementsAre("'Screw'"));
    SqlResult r = Run("select fname from t_icitem where FItemID=1");
    EXPECT_THAT(r.columns, ElementsAre("fname"));  // named as written, as SQL Server does
}

TEST_F(Batches, BracketedNamesNationalLiteralsAndDboPrefix) {
    EXPECT_THAT(RowsOf("select [FNumber] from [dbo].[t_ICItem] where [FName] = N'螺母'"),
                ElementsAre("'A02'"));
    EXPECT_THAT(RowsOf("select i.FNumber from dbo.t_ICItem i with(nolock) where i.FItemID=1"),
                ElementsAre("'A01'"));
    EXPECT_THAT(RowsOf("select FNumber from t_ICItem (nolock) where FItemID=1"),
                ElementsAre("'A01'"));
}

TEST_F(Batches, QuotedTextWithQuotesSemicolonsAndCommentMarkersIsOneLiteral) {
    const std::string text = "O'Brien; drop table t_ICItem -- not a comment /* nor this */";
    std::string quoted;
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    SqlResult w = Run("update t_ICItem set FNote='" + quoted + "' where FItemID=1");
    EXPECT_EQ(w.rowsAffected, 1);
    EXPECT_EQ(One("select FNote from t_ICItem where FItemID=1"), Value(text));
    EXPECT_EQ(One("select count(*) from t_ICItem"), Value(3));
    // Real comments are dropped.
    EXPECT_EQ(One("select /* a ; ' */ FItemID -- trailing ' quote\r\nfrom t_ICItem where "
                  "FItemID=2"),
              Value(2));
}

TEST_F(Batches, UnclosedQuoteIsAClearError) {
    EXPECT_THAT(ErrorOf("select 'abc from t_ICItem"), HasSubstr("Unclosed quotation mark"));
}

using Expressions = SqlLayerTest;

TEST_F(Expressions, IsNullAndCoalesce) {
    EXPECT_THAT(RowsOf("select isnull(FNote,'none'), IsNull(FNote, FModel) from t_ICItem order by "
                       "FItemID"),
                ElementsAre("'none'|'M6'", "'packed'|'packed'", "'none'|NULL"));
}

TEST_F(Expressions, Convert) {
    EXPECT_EQ(One("select CONVERT(INT, FValue) from t_SystemProfile where FKey='CurrentYear'"),
              Value(2024));
    EXPECT_EQ(One("select convert(int, 7.9)"), Value(7));
    EXPECT_EQ(One("select convert(int, '')"), Value(0));
    EXPECT_THAT(ErrorOf("select convert(int, '12.5')"),
                HasSubstr("Conversion failed when converting the varchar value '12.5'"));
    EXPECT_EQ(One("select Convert(decimal(18,2), 2.345)"), Value(2.35));
    EXPECT_EQ(One("select Convert(decimal(18,0), FValue) from t_SystemProfile where "
                  "FKey='TaxRate'"),
              Value(13.0));
    EXPECT_THAT(ErrorOf("select convert(decimal(3,1), 123.4)"), HasSubstr("Arithmetic overflow"));
    EXPECT_EQ(One("select CONVERT(DATETIME, '2024-3-5')"), Value("2024-03-05 00:00:00"));
    EXPECT_EQ(One("select convert(datetime, FDate) from t_ICItem where FItemID=3"),
              Value("2024-03-06 00:00:00"));
    EXPECT_THAT(ErrorOf("select convert(datetime, '2024-02-30')"),
                HasSubstr("Conversion failed when converting date"));
    EXPECT_EQ(One("select CONVERT(varchar(10), FDate, 102) from t_ICItem where FItemID=2"),
              Value("2024.03.05"));
    EXPECT_EQ(One("select convert(varchar, FItemID) + 'x' from t_ICItem where FItemID=2"),
              Value("2x"));
    EXPECT_EQ(One("select convert(varchar(2), 'abcdef')"), Value("ab"));
    EXPECT_EQ(One("select cast(FPrice as int) from t_ICItem where FItemID=2"), Value(2));
}

TEST_F(Expressions, TextFunctions) {
    EXPECT_EQ(One("select CHARINDEX('b', 'ABC')"), Value(2));
    EXPECT_EQ(One("select charindex('x', 'abc')"), Value(0));
    EXPECT_EQ(One("select charindex('c', 'abcabc', 4)"), Value(6));
    EXPECT_EQ(One("select charindex(',5,', ',1,5,7,')"), Value(3));
    EXPECT_EQ(One("select charindex('母', FName) from t_ICItem where FItemID=2"), Value(2));
    EXPECT_EQ(One("select LTRIM(RTRIM('  a b  '))"), Value("a b"));
    EXPECT_EQ(One("select len(FNumber) from t_ICItem where FItemID=3"), Value(3));
    EXPECT_EQ(One("select len(FName) from t_ICItem where FItemID=2"), Value(2));
    EXPECT_EQ(One("select substring('abcdef', 2, 3) + left('xyz', 1) + right('xyz', 2)"),
              Value("bcdxyz"));
    EXPECT_EQ(One("select replace('aXbxc', 'x', '-')"), Value("a-b-c"));
    EXPECT_EQ(One("select upper('ab') + lower('CD')"), Value("ABcd"));
}

TEST_F(Expressions, GetDateGivesLocalDateTime) {
    sql::SetFixedNow("2024-05-06 07:08:09");
    EXPECT_EQ(One("select GETDATE()"), Value("2024-05-06 07:08:09"));
    EXPECT_EQ(One("select convert(varchar(10), getdate(), 102)"), Value("2024.05.06"));
    sql::SetFixedNow("");
    std::string now = One("select getdate()").AsText();
    ASSERT_EQ(now.size(), 19u);
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[13], ':');
}

TEST_F(Expressions, DatesArithmeticAndParts) {
    EXPECT_EQ(One("select dateadd(day, 30, FDate) from t_ICItem where FItemID=1"),
              Value("2024-04-04 00:00:00"));
    EXPECT_EQ(One("select dateadd(month, 1, '2024-01-31')"), Value("2024-02-29 00:00:00"));
    EXPECT_EQ(One("select datediff(day, '2024-03-05 23:00', '2024-03-06 01:00')"), Value(1));
    EXPECT_EQ(One("select year(FDate) * 100 + month(FDate) from t_ICItem where FItemID=1"),
              Value(202403));
}

TEST_F(Expressions, PlusJoinsTextAndAddsNumbers) {
    EXPECT_THAT(RowsOf("select FNumber + '-' + FName from t_ICItem where FItemID < 3 order by "
                       "FItemID"),
                ElementsAre("'A01-Screw'", "'A02-螺母'"));
    // NULL + text is NULL, as in SQL Server; ISNULL(text,'') keeps the rest.
    EXPECT_THAT(RowsOf("select FNote + 'x', isnull(FNote,'') + 'x' from t_ICItem where FItemID=1"),
                ElementsAre("NULL|'x'"));
    EXPECT_EQ(One("select LTRIM(RTRIM(ISNULL('' + ISNULL(FModel,'') + ' ' + ISNULL(FNote,''), "
                  "''))) from t_ICItem where FItemID=1"),
              Value("M6"));
    EXPECT_EQ(One("select FQtyDecimal + 1 from t_ICItem where FItemID=1"), Value(3));
    EXPECT_EQ(One("select FPrice + FQtyDecimal from t_ICItem where FItemID=2"), Value(2.5));
    // A text meeting a number is read as a number, or the statement fails.
    EXPECT_EQ(One("select '10' + 5"), Value(15));
    EXPECT_THAT(ErrorOf("select FNumber + 1 from t_ICItem where FItemID=1"),
                HasSubstr("Conversion failed when converting the varchar value 'A01'"));
}

TEST_F(Expressions, CaseSimpleAndSearched) {
    EXPECT_THAT(RowsOf("select case when FPrice > 5 then 'dear' when FPrice > 1 then 'fair' else "
                       "'cheap' end, Case FQtyDecimal When 0 Then 'none' Else 'some' End from "
                       "t_ICItem order by FItemID"),
                ElementsAre("'dear'|'some'", "'fair'|'none'", "'cheap'|'some'"));
    EXPECT_EQ(
        One("select case isnull(FNote,'') when 'PACKED' then 1 else 0 end from t_ICItem where "
            "FItemID=2"),
        Value(1));
}

TEST_F(Expressions, DatabaseFunctionGetComplexQty) {
    EXPECT_EQ(One("Select dbo.GetComplexQty(1,27) as FComplexQtyDis"), Value("2箱3个"));
    EXPECT_EQ(One("select dbo.GetComplexQty(1, 24)"), Value("2箱"));
    EXPECT_EQ(One("select dbo.GetComplexQty(1, 3.5)"), Value("3.5个"));
    EXPECT_EQ(One("select dbo.GetComplexQty(2, 1.25)"), Value("1.25kg"));
    EXPECT_EQ(One("select dbo.GetComplexQty(1, 0)"), Value("0个"));
    EXPECT_EQ(One("select dbo.GetComplexQty(999, 5)"), Value("5"));  // item without units
    EXPECT_THAT(ErrorOf("select dbo.NoSuchFunction(1)"),
                HasSubstr("database function dbo.NoSuchFunction"));
}

TEST(ComplexQtyText, WritesTheLadderOfUnits) {
    std::vector<sql::PackUnit> units{{"箱", 24}, {"盒", 6}, {"个", 1}};
    EXPECT_EQ(sql::ComplexQtyText(31, units), "1箱1盒1个");
    EXPECT_EQ(sql::ComplexQtyText(-30, units), "-1箱1盒");
    EXPECT_EQ(sql::ComplexQtyText(0.5, units), "0.5个");
    EXPECT_EQ(sql::ComplexQtyText(7, {}), "7");
}

using Queries = SqlLayerTest;

TEST_F(Queries, TopAlsoInSubqueries) {
    EXPECT_THAT(RowsOf("select top 2 FItemID from t_ICItem order by FItemID desc"),
                ElementsAre("3", "2"));
    EXPECT_THAT(RowsOf("select FName from t_ICItem where FItemID = (select top 1 FItemID from "
                       "t_ICItem order by FPrice desc)"),
                ElementsAre("'Screw'"));
    EXPECT_THAT(RowsOf("Select top 1 1 from t_ICItem where FItemID > 1"), ElementsAre("1"));
}

TEST_F(Queries, ColumnThenStar) {
    SqlResult r = Run("Select FNumber,* from t_ICItem Where FItemID=1");
    ASSERT_GE(r.columns.size(), 3u);
    EXPECT_EQ(r.columns[0], "FNumber");
    EXPECT_EQ(r.columns[1], "FItemID");
    EXPECT_EQ(r.rows[0][0], Value("A01"));
    EXPECT_EQ(r.rows[0][1], Value(1));
}

TEST_F(Queries, AliasForms) {
    SqlResult r =
        Run("select FItemID as Id, FNumber Num, Label = FName, ''EntryID, 0 ErrType, "
            "count(*) over_count from t_ICItem where FItemID=1 group by FItemID, "
            "FNumber, FName");
    EXPECT_THAT(r.columns, ElementsAre("Id", "Num", "Label", "EntryID", "ErrType", "over_count"));
    EXPECT_THAT(Rows(r), ElementsAre("1|'A01'|'Screw'|''|0|1"));
}

TEST_F(Queries, UnionAndUnionAll) {
    EXPECT_THAT(RowsOf("Select ''EntryID,0 ErrType From t_Entry Where 1=2 \r\n"
                       " Union Select '1' as EntryID,Case When e.FQty<30/e.FCoefficient Then 1 "
                       "Else 2 End as ErrType From t_Entry e Where e.FID=1 And e.FEntryID=1\r\n"
                       " Union Select '2' as EntryID,2 From t_Entry e Where e.FID=2"),
                ElementsAre("'1'|2", "'2'|2"));
    EXPECT_THAT(RowsOf("select 1 union all select 1 union select 2"), ElementsAre("1", "2"));
    EXPECT_THAT(RowsOf("select 1 union all select 1"), ElementsAre("1", "1"));
}

TEST_F(Queries, DerivedTablesAndGroupedSubqueries) {
    // The bills' start-date and current-period forms run in the statements test.
    EXPECT_THAT(RowsOf("select i.FNumber, c.FShowQty from t_ICItem i inner join (Select FItemID, "
                       "SUM(FShowQty) FShowQty From t_Entry Group By FItemID) c on "
                       "c.FItemID=i.FItemID order by i.FNumber"),
                ElementsAre("'A01'|3.0", "'A02'|5.0"));
    EXPECT_THAT(RowsOf("select FItemID from t_ICItem where FItemID in (select FItemID from t_Entry "
                       "group by FItemID having count(*) > 1)"),
                ElementsAre("1"));
}

TEST_F(Queries, JoinsAndCorrelatedSubqueries) {
    EXPECT_THAT(RowsOf("select i.FNumber, u.FName from t_ICItem i left join t_MeasureUnit u on "
                       "u.FMeasureUnitID=i.FUnitID right join t_Entry e on e.FItemID=i.FItemID "
                       "where e.FID=1 order by e.FEntryID"),
                ElementsAre("'A01'|'个'", "'A02'|'kg'"));
    EXPECT_THAT(RowsOf("select Unit=(select FName from t_MeasureUnit where "
                       "FMeasureUnitID=t_ICItem.FUnitID) from t_ICItem where FItemID=2"),
                ElementsAre("'kg'"));
}

TEST_F(Queries, ExistenceTestOnSysobjects) {
    // The rebate check on dbo.sysobjects, with and without its table, runs in the statements test.
    EXPECT_EQ(One("select case when object_id('t_ICItem') is null then 0 else 1 end"), Value(1));
    EXPECT_EQ(One("select OBJECTPROPERTY(object_id('t_ICItem'), 'IsView')"), Value(0));
}

using Writes = SqlLayerTest;

TEST_F(Writes, DeleteWithoutFrom) {
    SqlResult r = Run("delete t_Entry where FID=1");
    EXPECT_EQ(r.rowsAffected, 2);
    EXPECT_FALSE(r.hasResultSet);
    EXPECT_EQ(One("select count(*) from t_Entry"), Value(1));
    EXPECT_EQ(db->Execute("delete from t_Entry"), 1);
}

TEST_F(Writes, InsertSelectAndValues) {
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
TEST_F(ControlFlow, VariablesDeclaredSetAndSelected) {
    // Values take the declared type: a text variable is cut to its length, a tinyint checked.
    EXPECT_THAT(RowsOf("declare @s varchar(3), @n tinyint, @d decimal(5,2)\r\n"
                       "set @s = 'abcdef'\r\nset @n = '7'\r\nset @d = 1.005\r\n"
                       "select @s, @n, @d"),
                ElementsAre("'abc'|7|1.01"));
    EXPECT_THAT(ErrorOf("declare @n tinyint\r\nset @n = 300"), HasSubstr("Arithmetic overflow"));
    // An assignment from no row leaves the variable as it was.
    EXPECT_THAT(RowsOf("declare @x int = 5\r\nselect @x = FItemID from t_ICItem where 1=2\r\n"
                       "select @x"),
                ElementsAre("5"));
    EXPECT_THAT(RowsOf("declare @x int\r\nselect @x"), ElementsAre("NULL"));
}

TEST_F(ControlFlow, IfNotExistsElseAndNestedBlocks) {
    const std::string batch =
        "IF NOT EXISTS(select 1 from t_ICItem where FNumber = 'A01')\r\nBEGIN\r\n select 'missing' "
        "as R\r\nEND\r\nELSE\r\nBEGIN\r\n if 1 = 2 select 'no' as R else begin select 'found' as "
        "R end\r\nEND";
    EXPECT_THAT(RowsOf(batch), ElementsAre("'found'"));
    EXPECT_THAT(RowsOf("if @@rowcount = 0 select 1 else select 2"), ElementsAre("1"));
}

TEST_F(ControlFlow, SelectAssignmentCannotReturnRowsToo) {
    EXPECT_THAT(ErrorOf("declare @x int\r\nselect @x = FItemID, FName from t_ICItem"),
                HasSubstr("must not be combined with data-retrieval"));
}

using Refusals = SqlLayerTest;

TEST_F(Refusals, UnknownConstructsAreNamed) {
    EXPECT_THAT(ErrorOf("exec sp_who"), HasSubstr("statement EXEC"));
    EXPECT_THAT(ErrorOf("select soundex(FName) from t_ICItem"), HasSubstr("function soundex"));
    EXPECT_THAT(ErrorOf("update t_ICItem set FNote='' from t_ICItem i join t_Entry e on "
                        "e.FItemID=i.FItemID"),
                HasSubstr("UPDATE ... FROM"));
    EXPECT_THAT(ErrorOf("select * into #x from t_ICItem"), HasSubstr("SELECT ... INTO"));
    EXPECT_THAT(ErrorOf("select top 10 percent * from t_ICItem"), HasSubstr("PERCENT"));
    EXPECT_THAT(ErrorOf("set ansi_nulls off"), HasSubstr("SET ANSI_NULLS OFF"));
    EXPECT_THAT(ErrorOf("select row_number() over (order by FItemID) from t_ICItem"),
                HasSubstr("window functions (OVER)"));
    EXPECT_THAT(ErrorOf("begin tran"), HasSubstr("BEGIN TRAN"));
    EXPECT_THAT(ErrorOf("while 1=1 select 1"), HasSubstr("statement WHILE"));
    EXPECT_THAT(ErrorOf("select FName from t_ICItem where FName like '[AB]%'"),
                HasSubstr("character classes"));
    EXPECT_THAT(ErrorOf("select FName from t_ICItem where FName like 'A%' collate "
                        "Latin1_General_BIN"),
                HasSubstr("COLLATE"));
}

TEST_F(Refusals, VariablesAndNamesNeverSilentlyBecomeNull) {
    EXPECT_THAT(ErrorOf("select FName from t_ICItem where FItemID = @id"),
                HasSubstr("Must declare the scalar variable \"@id\""));
    EXPECT_THAT(ErrorOf("declare @a int\r\ndeclare @A int"), HasSubstr("already been declared"));
    EXPECT_THAT(ErrorOf("select \"NoSuchColumn\" from t_ICItem"), HasSubstr("no such column"));
    EXPECT_THAT(ErrorOf("select * from #never_created"),
                HasSubstr("Invalid object name '#never_created'"));
}

TEST_F(Refusals, ErrorsNameTheFailingStatement) {
    std::string e = ErrorOf("select 1\r\nselect FNope from t_ICItem");
    EXPECT_THAT(e, HasSubstr("no such column"));
    EXPECT_THAT(e, HasSubstr("select FNope from t_ICItem"));
}

TEST(TranslationCache, ATextIsTranslatedOnceAndReused) {
    sql::ClearTranslationCache();
    Database db(":memory:");
    db.ExecScript("CREATE TABLE t (a INTEGER);");
    const std::string text = "select count(*) from t where a > 0";
    db.Run(text);
    db.Run(text);
    db.Run(text);
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

TEST_F(Statements, RowCountFollowsTheLastStatement) {
    EXPECT_THAT(RowsOf("update t_Entry set FQty = FQty where FID = 1\r\nselect @@rowcount"),
                ElementsAre("2"));
    EXPECT_THAT(
        RowsOf("select FItemID from t_ICItem\r\nif @@ROWCOUNT = 3 select 'three' else select "
               "'other'"),
        ElementsAre("'three'"));
    // A SELECT that assigns counts the rows it read, though only the last one is kept.
    EXPECT_THAT(RowsOf("declare @x int\r\nselect @x = FItemID from t_ICItem order by FItemID\r\n"
                       "select @x, @@rowcount"),
                ElementsAre("3|3"));
}

TEST_F(Statements, ReturnEndsTheBatch) {
    SqlResult r = Run("select 1 as A\r\nif 1=1 return\r\nupdate t_ICItem set FNote='late'");
    EXPECT_THAT(Rows(r), ElementsAre("1"));
    EXPECT_EQ(r.rowsAffected, 0);
    EXPECT_EQ(One("select count(*) from t_ICItem where FNote='late'"), Value(0));
}

TEST_F(Statements, SemicolonsAndSessionOptionsAreAccepted) {
    EXPECT_THAT(RowsOf("SET NOCOUNT ON; SET ANSI_WARNINGS OFF; SET TRANSACTION ISOLATION LEVEL "
                       "READ UNCOMMITTED;\r\nselect FItemID from t_ICItem where FItemID=1;;"),
                ElementsAre("1"));
    EXPECT_THAT(ErrorOf("SET DATEFORMAT dmy"), HasSubstr("SET DATEFORMAT"));
    EXPECT_THAT(ErrorOf("select * from t_ICItem with (index(ix1))"), HasSubstr("table hint"));
}

TEST_F(Statements, WritesThatFailLeaveEarlierStatementsDone) {
    // As on SQL Server without a transaction, the statements before the failing one stay done;
    // the failure reaches the caller.
    EXPECT_THAT(ErrorOf("update t_ICItem set FNote='first' where FItemID=1\r\nupdate t_ICItem set "
                        "FPrice = FPrice / 0"),
                HasSubstr("Divide by zero"));
    EXPECT_EQ(One("select FNote from t_ICItem where FItemID=1"), Value("first"));
    EXPECT_EQ(One("select FPrice from t_ICItem where FItemID=1"), Value(7.0));
}

}  // namespace
}  // namespace qor::host::testing
