#include "frame/recordset.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qor {
namespace {

MemoryRecordset Items() {
    return MemoryRecordset({"FItemID", "FName", "FQty"},
                           {{Value(1), Value("Apple"), Value(10.0)},
                            {Value(2), Value("pear"), Value(2.5)},
                            {Value(3), Value("O'Brien"), Value(0)},
                            {Value(4), Value::Null(), Value("12")},
                            {Value(5), Value("Plum"), Value::Null()}});
}

std::string Ids(MemoryRecordset& rs) {
    std::string ids;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) ids += rs.Field("FItemID").ToString() + ",";
    return ids;
}

TEST(RecordsetTest, CursorAndFields) {
    MemoryRecordset empty({"A"}, {});
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_TRUE(empty.IsBOF());
    EXPECT_EQ(empty.RecordCount(), 0);
    EXPECT_THROW(empty.Field("A"), std::out_of_range);
    EXPECT_THROW(empty.Field("B"), KeyError);

    auto rs = Items();
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_FALSE(rs.IsBOF());
    EXPECT_EQ(rs.RecordCount(), 5);
    EXPECT_EQ(rs.FieldCount(), 3);
    EXPECT_EQ(rs.FieldName(1), "FName");
    EXPECT_THROW(rs.FieldName(3), std::out_of_range);
    EXPECT_EQ(rs.Field("fname").AsText(), "Apple");
    EXPECT_EQ(rs.Field(2).AsDouble(), 10.0);
    EXPECT_THROW(rs.Field(3), std::out_of_range);
    EXPECT_THROW(rs.Field(-1), std::out_of_range);
    EXPECT_THROW(rs.Field("FPrice"), KeyError);
    rs.MoveNext();
    EXPECT_EQ(rs.Field("FNAME").AsText(), "pear");
    EXPECT_EQ(Ids(rs), "1,2,3,4,5,");
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_THROW(rs.Field("FName"), std::out_of_range);
    rs.MoveNext();  // stays at the end
    EXPECT_TRUE(rs.IsEOF());

    // A short row reads empty in the columns it lacks.
    MemoryRecordset shortRow({"A", "B"}, {{Value(1)}});
    EXPECT_TRUE(shortRow.Field("B").IsEmpty());

    rs.MoveFirst();
    rs.Close();
    EXPECT_TRUE(rs.IsClosed());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_THROW(rs.Field(0), std::out_of_range);
}

TEST(RecordsetTest, FilterConditions) {
    auto rs = Items();
    rs.MoveNext();
    rs.SetFilter("FItemID >= 3");
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Field("FItemID").AsInt(), 3);  // cursor back on the first visible row
    EXPECT_EQ(Ids(rs), "3,4,5,");

    // The null name meets no condition; "12" as text compares as a number; And binds tighter
    // than Or, parentheses regroup.
    for (auto [filter, ids] : std::vector<std::pair<const char*, const char*>>{
             {"FName = 'APPLE'", "1,"},
             {"fname='o''brien'", "3,"},
             {"FName <> 'Apple'", "2,3,5,"},
             {"FName < 'p'", "1,3,"},
             {"FQty > 2.5", "1,4,"},
             {"FQty <= 2.5", "2,3,"},
             {"FItemID = 1 or FItemID = 2 AND FQty > 5", "1,"},
             {"(FItemID = 1 Or FItemID = 2) And FQty < 5", "2,"},
             {"FItemID > 1 And FItemID < 5 And FName <> 'pear' Or FItemID = 5", "3,5,"}}) {
        rs.SetFilter(filter);
        EXPECT_EQ(Ids(rs), ids) << filter;
    }
    rs.SetFilter("FQty = -1e3");
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());

    rs.SetFilter("  ");
    EXPECT_EQ(rs.RecordCount(), 5);
}

TEST(RecordsetTest, UnreadableFilterKeepsTheRowsShown) {
    auto rs = Items();
    rs.SetFilter("FItemID < 3");
    for (const char* bad :
         {"FItemID", "FItemID ==", "FItemID = ", "FPrice = 1", "FName = 'open", "FItemID = 1 And",
          "FItemID = 1 Xor FItemID = 2", "(FItemID = 1", "FItemID = 1)", "FItemID = 12abc",
          "FItemID = 1e999", "= 1", "FItemID != 1"}) {
        EXPECT_THROW(rs.SetFilter(bad), std::invalid_argument) << bad;
        EXPECT_EQ(rs.RecordCount(), 2) << bad;
    }
}

}  // namespace
}  // namespace qor
