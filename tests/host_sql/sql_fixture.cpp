#include "tests/host_sql/sql_fixture.h"

#include <gmock/gmock.h>

#include <cstdio>

#include "frame/errors.h"

namespace qor::host::testing {

std::string Show(const Value& v) {
    switch (v.type()) {
        case Value::Type::Null:
            return "NULL";
        case Value::Type::Int:
            return std::to_string(v.AsInt());
        case Value::Type::Double: {
            char b[64];
            std::snprintf(b, sizeof b, "%.10g", v.AsDouble());
            std::string s = b;
            if (s.find_first_of(".e") == std::string::npos) s += ".0";
            return s;
        }
        case Value::Type::Text:
            return "'" + v.AsText() + "'";
        default:
            return "?";
    }
}

std::vector<std::string> Rows(const SqlResult& r) {
    std::vector<std::string> out;
    for (const auto& row : r.rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + Show(row[i]);
        out.push_back(line);
    }
    return out;
}

void SqlLayerTest::SetUp() {
    db = std::make_unique<Database>(":memory:");
    db->ExecScript(R"(
CREATE TABLE t_ICItem (FItemID INTEGER PRIMARY KEY, FNumber TEXT COLLATE SQLTEXT,
  FName TEXT COLLATE SQLTEXT, FModel TEXT COLLATE SQLTEXT, FNote TEXT COLLATE SQLTEXT,
  FPrice REAL, FQtyDecimal INTEGER, FUnitID INTEGER, FUnitGroupID INTEGER,
  FDate DATETIME COLLATE SQLDATE);
INSERT INTO t_ICItem VALUES (1, 'A01', 'Screw', 'M6', NULL, 7, 2, 11, 1, '2024-03-05 00:00:00');
INSERT INTO t_ICItem VALUES (2, 'A02', '螺母', 'M8', 'packed', 2.5, 0, 21, 2, '2024-03-05 10:30:00');
INSERT INTO t_ICItem VALUES (3, 'B01   ', 'Washer', NULL, NULL, 0.1, 1, 11, 1, '2024-03-06');
CREATE TABLE t_MeasureUnit (FMeasureUnitID INTEGER PRIMARY KEY, FItemID INTEGER,
  FName TEXT COLLATE SQLTEXT, FCoefficient REAL, FUnitGroupID INTEGER, FDeleted INTEGER);
INSERT INTO t_MeasureUnit VALUES (11, 11, '个', 1, 1, 0);
INSERT INTO t_MeasureUnit VALUES (12, 12, '箱', 12, 1, 0);
INSERT INTO t_MeasureUnit VALUES (13, 13, '托', 480, 1, 1);
INSERT INTO t_MeasureUnit VALUES (21, 21, 'kg', 1, 2, 0);
CREATE TABLE t_SystemProfile (FCategory TEXT COLLATE SQLTEXT, FKey TEXT COLLATE SQLTEXT,
  FValue TEXT COLLATE SQLTEXT);
INSERT INTO t_SystemProfile VALUES ('IC', 'CurrentYear', '2024'), ('IC', 'CurrentPeriod', '3'),
  ('IC', 'StartYear', '2024'), ('IC', 'StartPeriod', '1'), ('GL', 'Closed', '1'),
  ('GL', 'InitClosed', '0'), ('General', 'TaxRate', '13');
CREATE TABLE t_Contact (FID INTEGER PRIMARY KEY, FItemID INTEGER, FContact TEXT COLLATE SQLTEXT,
  FAddress TEXT COLLATE SQLTEXT, FPhone TEXT COLLATE SQLTEXT, FIsFirst INTEGER);
CREATE TABLE t_Entry (FID INTEGER, FEntryID INTEGER, FItemID INTEGER, FQty REAL,
  FShowQty REAL, FCoefficient REAL);
INSERT INTO t_Entry VALUES (1, 1, 1, 24, 2, 12), (1, 2, 2, 5, 5, 1), (2, 1, 1, 12, 1, 12);
)");
}

Value SqlLayerTest::One(const std::string& tsql) {
    SqlResult r = db->Run(tsql);
    EXPECT_TRUE(r.hasResultSet) << tsql;
    if (r.rows.size() != 1 || r.rows[0].size() != 1) {
        ADD_FAILURE() << "expected one value from: " << tsql << " got " << r.rows.size() << " rows";
        return Value();
    }
    return r.rows[0][0];
}

std::string SqlLayerTest::ErrorOf(const std::string& tsql) {
    try {
        db->Run(tsql);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

void SqlLayerTest::RunScript(const std::vector<ScriptStep>& steps) {
    for (const ScriptStep& s : steps) {
        SCOPED_TRACE(s.tsql);
        if (!s.error.empty()) {
            EXPECT_THAT(ErrorOf(s.tsql), ::testing::HasSubstr(s.error));
            continue;
        }
        SqlResult r;
        ASSERT_NO_THROW(r = db->Run(s.tsql));
        EXPECT_THAT(Rows(r), ::testing::ElementsAreArray(s.rows));
    }
}

}  // namespace qor::host::testing
