// The DDL of the host's schema and report scripts: column and table constraints, indexes,
// views, and aggregates over distinct values. Each case is a step of a script with the rows it
// answers or the error it raises.
#include <gmock/gmock.h>

#include "tests/host_sql/sql_fixture.h"

namespace qor::host::testing {
namespace {

using Definitions = SqlLayerTest;

TEST_F(Definitions, ColumnConstraintsHoldAndTheScriptGoesOn) {
    RunScript({
        // The statements after a column-level UNIQUE run in the same batch.
        {"create table t_Price (FID int primary key, FCode varchar(10) unique, "
         "FQty decimal(18,2) check (FQty >= 0) default 0, "
         "FName varchar(20) constraint df_name default 'none' not null)\r\n"
         "insert into t_Price (FID, FCode) values (1, 'a')\r\n"
         "select FID, FCode, FQty, FName from t_Price",
         {"1|'a'|0.0|'none'"}},
        {"insert into t_Price (FID, FCode) values (1, 'b')", {}, "UNIQUE constraint failed"},
        {"insert into t_Price (FCode) values ('c')", {}, "NOT NULL constraint failed"},
        // Unique without regard to letter case, as the column compares.
        {"insert into t_Price (FID, FCode) values (2, 'A')", {}, "UNIQUE constraint failed"},
        {"insert into t_Price (FID, FCode, FQty) values (3, 'c', -1)", {}, "CHECK constraint"},
        {"insert into t_Price (FID, FCode, FName) values (4, 'd', null)",
         {},
         "NOT NULL constraint failed"},
        {"insert into t_Price (FID, FCode, FQty) values (5, 'e', 2.5) "
         "select count(*), sum(FQty) from t_Price",
         {"2|2.5"}},
    });
}

TEST_F(Definitions, TableConstraintsAndAnIdentityBesideTheKey) {
    RunScript({
        {"create table #k (FIndex int identity(1,1), FItemID int not null, FUnitID int, "
         "constraint pk_k primary key clustered (FItemID, FUnitID desc), "
         "constraint ck_k check (FItemID > 0))",
         {}},
        {"insert into #k (FItemID, FUnitID) values (1, 1), (1, 2)\r\n"
         "select FIndex, FItemID, FUnitID from #k order by FIndex",
         {"1|1|1", "2|1|2"}},
        {"insert into #k (FItemID, FUnitID) values (1, 1)", {}, "UNIQUE constraint failed"},
        {"insert into #k (FItemID) values (2)", {}, "NOT NULL constraint failed"},
        {"insert into #k (FItemID, FUnitID) values (0, 1)", {}, "CHECK constraint"},
        {"create table #one (FID int identity primary key, FName varchar(5))\r\n"
         "insert into #one (FName) values ('x')\r\nselect FID, FName from #one",
         {"1|'x'"}},
    });
}

TEST_F(Definitions, IndexesByTableAndDroppedByEitherForm) {
    RunScript({
        {"create unique nonclustered index ix_code on t_ICItem (FNumber) "
         "include (FName) with (fillfactor = 80, pad_index = on) on [PRIMARY]",
         {}},
        {"insert into t_ICItem (FItemID, FNumber) values (9, 'a01')",
         {},
         "UNIQUE constraint failed"},
        // SQL Server names indexes per table: the same name on another table is another index.
        {"create index ix_code on t_Entry (FItemID, FQty desc)", {}},
        {"create index ix_filtered on t_Entry (FID) where FQty > 0", {}},
        {"drop index ix_code on t_ICItem", {}},
        {"insert into t_ICItem (FItemID, FNumber) values (9, 'a01')\r\n"
         "select count(*) from t_ICItem where FNumber = 'A01'",
         {"2"}},
        {"drop index t_Entry.ix_code, t_Entry.ix_filtered", {}},
        {"drop index if exists ix_code on t_Entry", {}},
        {"drop index ix_code on t_Entry", {}, "no such index"},
        {"create index ix_w on #none (FID)", {}, "Invalid object name '#none'"},
    });
}

TEST_F(Definitions, ViewsCreatedReadAndDropped) {
    RunScript({
        {"create view v_Item as select FItemID, FNumber + '-' + FName as FLabel from t_ICItem", {}},
        {"select FLabel from v_Item where FItemID = 2", {"'A02-螺母'"}},
        {"select objectproperty(object_id('v_Item'), 'IsView'), "
         "case when object_id('v_Item', 'V') is null then 0 else 1 end",
         {"1|1"}},
        {"create view dbo.v_Count (FItemID, FRows) with schemabinding as "
         "select FItemID, count(*) from t_Entry group by FItemID",
         {}},
        {"select FRows from v_Count where FItemID = 1", {"2"}},
        {"drop view v_Item, v_Count", {}},
        {"select * from v_Item", {}, "no such table"},
        {"drop view if exists v_Item", {}},
        {"create table #t (FID int)", {}},
        {"create view v_Temp as select FID from #t",
         {},
         "Views or functions are not allowed on temporary tables"},
        {"create view v_Var as select FItemID from t_ICItem where FItemID = @id",
         {},
         "Must declare the scalar variable"},
    });
}

TEST_F(Definitions, AggregatesOverDistinctValues) {
    // t_Entry: FItemID 1, 2, 1 with FQty 24, 5, 12.
    RunScript({
        {"select count(distinct FItemID), sum(distinct FItemID), avg(distinct FItemID), "
         "min(distinct FQty), max(distinct FQty), avg(distinct FQty) from t_Entry",
         {"2|3|1|5.0|24.0|13.66666667"}},
        {"select avg(all FItemID), count(all FItemID) from t_Entry", {"1|3"}},
    });
}

}  // namespace
}  // namespace qor::host::testing
