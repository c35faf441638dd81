// SQL Server semantics the layer keeps where SQLite differs.
#include <gmock/gmock.h>

#include "frame/errors.h"
#include "host/sql/sqlite_functions.h"
#include "host/sql/tsql.h"
#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

using Semantics = SqlLayerTest;

TEST_F(Semantics, TextComparesWithoutLetterCaseOrTrailingBlanksAndDatesByDay) {
    RunScript({
        {"select FItemID from t_ICItem where FName = 'SCREW'", {"1"}},
        {"select FItemID from t_ICItem where FNumber = 'b01'", {"3"}},
        {"select FItemID from t_ICItem where FNumber in ('a01 ', 'B01')", {"1", "3"}},
        {"select FItemID from t_ICItem where FName <> 'screw' order by FItemID", {"2", "3"}},
        // Without a column the comparison still follows the database's collation.
        {"select case when 'abc' = 'ABC  ' then 1 else 0 end", {"1"}},
        {"select case when ltrim(FNumber) = 'b01' then 1 else 0 end from t_ICItem where FItemID=3",
         {"1"}},
        {"select count(*) from t_ICItem where FName like 'scr%'", {"1"}},
        // Ordering of texts ignores case too.
        {"select FNumber from t_ICItem where FItemID<3 order by FName", {"'A01'", "'A02'"}},
        // A date at midnight equals its day.
        {"select FItemID from t_ICItem where FDate = '2024-03-05'", {"1"}},
        {"select FItemID from t_ICItem where FDate = '2024/03/05'", {"1"}},
        {"select FItemID from t_ICItem where FDate >= '2024-03-05' and FDate < '2024-03-06' order "
         "by FItemID",
         {"1", "2"}},
        {"select FItemID from t_ICItem where FDate > '2024-03-05' order by FItemID", {"2", "3"}},
        {"select FItemID from t_ICItem where FDate<='2024-03-06' order by FItemID",
         {"1", "2", "3"}},
        {"select FItemID from t_ICItem order by FDate desc", {"3", "2", "1"}},
        {"select count(*) from t_ICItem where convert(datetime, FDate) = convert(datetime, "
         "'2024-03-06')",
         {"1"}},
        {"select max(FDate) from t_ICItem where FDate between '2024-03-01' and '2024-03-05 "
         "23:59:59'",
         {"'2024-03-05 10:30:00'"}},
    });
    EXPECT_EQ(sql::CompareText("abc", "ABC"), 0);
    EXPECT_EQ(sql::CompareText("abc  ", "abc"), 0);
    EXPECT_LT(sql::CompareText("abc", "abd"), 0);
    EXPECT_LT(sql::CompareText("ab", "abc"), 0);
    EXPECT_EQ(sql::CompareText("2024-03-05 00:00:00", "2024-03-05"), 0);
    EXPECT_EQ(sql::CompareText("2024/3/5", "2024-03-05"), 0);
    EXPECT_LT(sql::CompareText("2024-03-05", "2024-03-05 00:00:01"), 0);
    EXPECT_LT(sql::CompareText("2024-9-1", "2024-10-01"), 0);  // by date, not by text
    // Dates sort before other texts, which keeps the order consistent.
    EXPECT_LT(sql::CompareText("2024-03-05", "2024-03-05x"), 0);
    EXPECT_GT(sql::CompareText("2024-13-45", "2024-03-05"), 0);
}

TEST_F(Semantics, ArithmeticKeepsSqlServersTypesAndErrors) {
    const char* overflow = "Arithmetic overflow error converting expression to data type bigint.";
    RunScript({
        // Integer division truncates, decimals do not.
        {"select 7/2", {"3"}},
        {"select -7/2", {"-3"}},
        {"select 7 % 3", {"1"}},
        {"select 7.0/2", {"3.5"}},
        // FPrice is a decimal column: stored and divided as such even when it holds 7.
        {"select FPrice from t_ICItem where FItemID=1", {"7.0"}},
        {"select FPrice/2 from t_ICItem where FItemID=1", {"3.5"}},
        {"select FQtyDecimal/3 from t_ICItem where FItemID=1", {"0"}},
        {"select isNull(sum(FQty),0)/e.FCoefficient from t_Entry e where FID=1 group by "
         "e.FCoefficient having e.FCoefficient = 12",
         {"2.0"}},
        {"update t_ICItem set FPrice = 3 where FItemID = 3\r\nselect FPrice from t_ICItem where "
         "FItemID=3",
         {"3.0"}},
        // The average of integers is an integer.
        {"select avg(FQtyDecimal) from t_ICItem", {"1"}},  // (2+0+1)/3
        {"select avg(FPrice) from t_ICItem where FItemID < 3", {"4.75"}},
        {"select avg(FQtyDecimal) from t_ICItem where 1=2", {"NULL"}},
        {"select 1/0", {}, "Divide by zero error encountered."},
        {"select FPrice / (FQtyDecimal - 2) from t_ICItem where FItemID=1", {}, "Divide by zero"},
        {"select 5 % 0", {}, "Divide by zero"},
        // NULL divides to NULL before any zero test.
        {"select null/0", {"NULL"}},
        // Whole numbers overflow as an error; FQtyDecimal holds 2.
        {"select FQtyDecimal + 9223372036854775805 from t_ICItem where FItemID=1",
         {"9223372036854775807"}},
        {"select FQtyDecimal + 9223372036854775806 from t_ICItem where FItemID=1", {}, overflow},
        {"select (-9223372036854775807 - 1) - 1", {}, overflow},
        {"select 4611686018427387904 * 2", {}, overflow},
        {"select (-9223372036854775807 - 1) / -1", {}, overflow},
        {"select -7 % 3", {"-1"}},
        {"select 7.5 % 2", {"1.5"}},
        {"select (Case When 3002=3002 Then -1*FPrice Else FPrice End), (-1)*FQty from t_ICItem i "
         "join t_Entry e on e.FItemID=i.FItemID where e.FID=2",
         {"-7.0|-12.0"}},
        {"select round(2.345, 2)", {"2.35"}},
        {"select round(-2.5, 0)", {"-3.0"}},
        {"select round(2.349, 2, 1)", {"2.34"}},
    });
}

TEST(Conversions, FollowSqlServer) {
    using sql::ConvertTo;
    using sql::ParseSqlType;
    EXPECT_EQ(ConvertTo(Value(" 42 "), ParseSqlType("int")), Value(42));
    EXPECT_THROW(ConvertTo(Value("abc"), ParseSqlType("int")), HostError);
    EXPECT_THROW(ConvertTo(Value(3000000000LL), ParseSqlType("int")), HostError);
    EXPECT_EQ(ConvertTo(Value(-2.7), ParseSqlType("int")), Value(-2));
    EXPECT_EQ(ConvertTo(Value(2.5), ParseSqlType("bit")), Value(1));
    EXPECT_EQ(ConvertTo(Value("-1.235"), ParseSqlType("decimal(18,2)")), Value(-1.24));
    EXPECT_THROW(ConvertTo(Value(""), ParseSqlType("decimal(18,2)")), HostError);
    EXPECT_EQ(ConvertTo(Value("ab"), ParseSqlType("char(4)")), Value("ab  "));
    // varchar counts code-page bytes: a Chinese character takes two.
    EXPECT_EQ(ConvertTo(Value("张三丰"), ParseSqlType("varchar(5)")), Value("张三"));
    EXPECT_EQ(ConvertTo(Value("张三丰"), ParseSqlType("nvarchar(2)")), Value("张三"));
    EXPECT_EQ(ConvertTo(Value(12345), ParseSqlType("varchar(3)")), Value("*"));
    EXPECT_EQ(ConvertTo(Value(0.1 + 0.2), ParseSqlType("varchar(30)")), Value("0.3"));
    EXPECT_EQ(ConvertTo(Value("20240305"), ParseSqlType("datetime")), Value("2024-03-05 00:00:00"));
    EXPECT_EQ(ConvertTo(Value("2024-03-05T08:09:10"), ParseSqlType("date")), Value("2024-03-05"));
    EXPECT_EQ(ConvertTo(Value(""), ParseSqlType("datetime")), Value("1900-01-01 00:00:00"));
    EXPECT_EQ(ConvertTo(Value("2024-03-05 08:09:10"), ParseSqlType("varchar(30)"), 102),
              Value("2024.03.05"));
    EXPECT_EQ(ConvertTo(Value::Null(), ParseSqlType("int")), Value::Null());
    // Numbers are days since 1900-01-01. (The calendar of the day count is pinned by DATEDIFF
    // and DATEADD across the whole datetime range in the errors tests.)
    EXPECT_EQ(ConvertTo(Value(45000.5), ParseSqlType("datetime")), Value("2023-03-17 12:00:00"));
    EXPECT_EQ(ConvertTo(Value(-1), ParseSqlType("datetime")), Value("1899-12-31 00:00:00"));
    EXPECT_THROW(ParseSqlType("geography"), HostError);
}

TEST(Tokens, KeepLiteralsWhole) {
    auto tokens = sql::Tokenize("select N'a''b;--c/*d*/' [x]]y] @v @@rowcount #t -- end\r\n1.5e2");
    ASSERT_EQ(tokens.size(), 8u);
    EXPECT_EQ(tokens[1].kind, sql::TokenKind::String);
    EXPECT_EQ(tokens[1].text, "a'b;--c/*d*/");
    EXPECT_TRUE(tokens[1].national);
    EXPECT_EQ(tokens[2].text, "x]y");
    EXPECT_EQ(tokens[3].kind, sql::TokenKind::Variable);
    EXPECT_EQ(tokens[4].kind, sql::TokenKind::SystemVariable);
    EXPECT_EQ(tokens[5].kind, sql::TokenKind::TempName);
    EXPECT_EQ(tokens[6].text, "1.5e2");
    EXPECT_EQ(tokens[6].line, 2);
    EXPECT_THROW(sql::Tokenize("select /* open"), HostError);
}

TEST_F(Semantics, AValueSubqueryWithTwoRowsIsAnError) {
    RunScript({
        // SQLite would take the first row; SQL Server refuses.
        {"select FName from t_ICItem where FItemID = (select FItemID from t_Entry where FID=1)",
         {},
         "Subquery returned more than 1 value"},
        {"declare @x int\r\nset @x = (select FItemID from t_Entry)",
         {},
         "Subquery returned more than 1 value"},
        // One row, no row, TOP 1 and aggregates are values as usual.
        {"select (select FName from t_ICItem where FItemID=2)", {"'螺母'"}},
        {"select (select FName from t_ICItem where FItemID=99)", {"NULL"}},
        {"select (select top 1 FItemID from t_Entry order by FItemID desc)", {"2"}},
        {"select (select max(FQty) from t_Entry)", {"24.0"}},
        {"select FItemID, (select count(*) from t_Entry e where e.FItemID = i.FItemID) from "
         "t_ICItem i order by FItemID",
         {"1|2", "2|1", "3|0"}},
        {"select FItemID from t_ICItem i where FItemID in (select FItemID from t_Entry) order by "
         "FItemID",
         {"1", "2"}},
    });
}

}  // namespace
}  // namespace qor::host::testing
