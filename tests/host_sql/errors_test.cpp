// SQL Server's errors where it raises them, and a clear refusal naming every construct the
// layer does not run. Each case is a statement and the answer or error it must give.
#include <gmock/gmock.h>

#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

const char* const kIntOverflow =
    "Arithmetic overflow error converting expression to data type int.";
const char* const kDateOverflow = "Adding a value to a 'datetime' column caused an overflow.";
const char* const kDatetimeOverflow =
    "Arithmetic overflow error converting expression to data type datetime.";

using Errors = SqlLayerTest;

TEST_F(Errors, IntArithmeticOverflowsAtIntsRange) {
    RunScript({
        {"select 2147483647 + 1", {}, kIntOverflow},
        {"select -2147483647 - 2", {}, kIntOverflow},
        {"select 65536 * 65536", {}, kIntOverflow},
        {"select 2147483647 + 1 - 1", {}, kIntOverflow},  // at the step that overflows
        {"declare @i int = 2147483647\r\nselect @i + 1", {}, kIntOverflow},
        {"declare @i int = -2147483648\r\nselect -@i", {}, kIntOverflow},
        {"declare @i int = -2147483648\r\nselect @i / -1", {}, kIntOverflow},
        {"declare @s smallint = 32767\r\nselect @s * 65539", {}, kIntOverflow},
        {"select cast(2000000000 as int) + convert(int, '2000000000')", {}, kIntOverflow},
        {"select len('abc') * 2147483647", {}, kIntOverflow},
        {"select count(*) * 1000000000 from t_ICItem", {}, kIntOverflow},
        {"select isnull(null, 2147483647) + 1", {}, kIntOverflow},
        {"select case when 1 = 1 then 2147483647 else 0 end + 1", {}, kIntOverflow},
        {"select 2147483647 + '1'", {}, kIntOverflow},  // the text is read as an int
        // In range, or not of type int, they answer.
        {"select 2147483646 + 1", {"2147483647"}},
        {"select -2147483647 - 1", {"-2147483648"}},
        {"select 2147483647 + 1.0", {"2147483648.0"}},
        {"select 2147483648 + 1", {"2147483649"}},  // a decimal literal
        {"declare @b bigint = 2147483647\r\nselect @b + 1", {"2147483648"}},
        {"select FQtyDecimal + 2147483647 from t_ICItem where FItemID = 1",
         {"2147483649"}},  // a column's width is not known here
    });
}

TEST_F(Errors, DatesOutOfTheDatetimeRange) {
    RunScript({
        {"select dateadd(year, 8000, '2024-01-01')", {}, kDateOverflow},
        {"select dateadd(day, -1000000, '2024-01-01')", {}, kDateOverflow},
        {"select dateadd(month, -3000, '1800-01-31')", {}, kDateOverflow},
        {"select dateadd(second, 2147483647, '9999-12-31')", {}, kDateOverflow},
        {"select dateadd(day, 3000000000, '2024-01-01')", {}, kIntOverflow},
        {"select dateadd(year, 7975, '2024-02-29')", {"'9999-02-28 00:00:00'"}},
        {"select dateadd(month, -2, '1753-03-31')", {"'1753-01-31 00:00:00'"}},
        {"select datediff(second, '1753-01-01', '9999-12-31')",
         {},
         "The datediff function resulted in an overflow"},
        {"select datediff(day, '1753-01-01', '9999-12-31')", {"3012153"}},
        {"select convert(datetime, 3000000)", {}, kDatetimeOverflow},
        {"select convert(datetime, -60000)", {}, kDatetimeOverflow},
        {"select convert(datetime, '2024-01-01') + 5000000", {}, kDatetimeOverflow},
        {"select convert(datetime, '2024-01-01') - 1", {"'2023-12-31 00:00:00'"}},
    });
}

TEST_F(Errors, RefusalsNameTheConstruct) {
    RunScript({
        {"select FItemID from t_ICItem where FNote NOT NULL", {}, "the test is IS NOT NULL"},
        {"select FItemID from t_ICItem where FNote isnull",
         {},
         "Incorrect syntax near 'isnull' (line 1, column 42): a statement cannot start"},
        {"select 1 as a b", {}, "Incorrect syntax near 'b'"},
        {"create table #t (a int identity(100, 1))",
         {},
         "IDENTITY with a seed or increment other than 1"},
        {"create table #t (a int references t_ICItem (FItemID))", {}, "FOREIGN KEY constraints"},
        {"create table #t (a int, constraint fk foreign key (a) references t_ICItem (FItemID))",
         {},
         "FOREIGN KEY constraints"},
        {"create table #t (a int, b as a + 1)", {}, "computed columns"},
        {"create table #t (a varchar(5) collate Chinese_PRC_CI_AS)", {}, "column option COLLATE"},
        {"create table #t (a int identity, b int identity)", {}, "Multiple identity columns"},
        {"create table #t (a int primary key, b int primary key)",
         {},
         "Cannot add multiple PRIMARY KEY constraints"},
        {"create table #t (a int check (a > @limit))", {}, "Must declare the scalar variable"},
        {"create unique index ix on t_Entry (FID) with (ignore_dup_key = on)",
         {},
         "index option IGNORE_DUP_KEY = ON"},
        {"create or alter view v as select 1 as a", {}, "CREATE OR ALTER"},
        {"create view #v as select 1 as a", {}, "temporary views"},
        {"create procedure p as select 1", {}, "CREATE PROCEDURE"},
        {"drop procedure p", {}, "DROP PROCEDURE"},
        {"drop index ix", {}, "DROP INDEX needs its table"},
        {"merge t_Entry using t_ICItem on 1 = 1", {}, "statement MERGE"},
    });
}

}  // namespace
}  // namespace qor::host::testing
