// The SQLite side of the T-SQL layer: the collations and functions translated statements rely
// on, and the host database function dbo.GetComplexQty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "frame/value.h"

namespace qor::host::sql {

// Registers on a connection:
//  - collations SQLTEXT and SQLDATE: letter case and trailing blanks do not count; two texts
//    that both read as dates ("YYYY-MM-DD", "YYYY/M/D", with or without a time) compare as
//    dates, so a date stored with its midnight time equals the day's literal. Date texts sort
//    before other texts, which keeps the order total.
//  - tsql_arith('codes', a1, a2, ...): SQL Server arithmetic on a chain of operands from left
//    to right, one code per step: + - * / %, or A S M D R for a step between two int values,
//    whose result must stay in int's range. '+' joins two texts, NULL gives NULL, a text
//    meeting a number must read as one, a zero divisor is an error, integer division
//    truncates, a whole-number result beyond bigint (or int) is an overflow error.
//    tsql_add, tsql_sub, tsql_mul, tsql_div and tsql_mod are its one-step forms; tsql_neg(x)
//    negates, tsql_neg(x, 1) an int value.
//  - tsql_convert, tsql_charindex, tsql_len, tsql_ltrim, tsql_rtrim, tsql_substring,
//    tsql_left, tsql_right, tsql_replace, tsql_round, tsql_floor, tsql_ceiling, tsql_getdate,
//    tsql_dateadd, tsql_datediff, tsql_datepart, tsql_isnumeric.
//  - GetComplexQty(item, qty): the base quantity written in the item's packing units.
// Raises HostError when SQLite refuses a registration.
void RegisterFunctions(sqlite3* db);

// The order of SQLTEXT/SQLDATE (negative, zero, positive).
int CompareText(std::string_view a, std::string_view b);

// GETDATE() answers this date-time ("YYYY-MM-DD HH:MM:SS") instead of the system clock when
// set; an empty text returns to the clock. For reproducible scenarios and tests.
void SetFixedNow(const std::string& dateTime);
std::string Now();
// Today as "YYYY-MM-DD", from the same clock.
std::string TodayText();

// GetComplexQty's text for a quantity over units ordered by descending coefficient:
// 27 over {箱 12, 个 1} gives "2箱3个".
struct PackUnit {
    std::string name;
    double coefficient = 1;
};
std::string ComplexQtyText(double qty, const std::vector<PackUnit>& unitsDescending);

// Conversions between SQLite values and host values.
Value FromSqlite(sqlite3_value* v);
Value ColumnValue(sqlite3_stmt* stmt, int column);
int BindValue(sqlite3_stmt* stmt, int index, const Value& v);

}  // namespace qor::host::sql
