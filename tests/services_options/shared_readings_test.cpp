// The readings every service shares: identifiers from bill values, the first field of a read,
// an item's master-data column and multi-line statements.
#include <gtest/gtest.h>

#include "frame/data_access.h"
#include "services/common.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

TEST(SharedReadings, IdentifiersOutOfRangeReadAsNone) {
    EXPECT_EQ(IdOf(Value("12")), 12);
    EXPECT_EQ(IdOf(Value(2.5)), 2);
    EXPECT_EQ(IdOf(Value()), 0);
    EXPECT_EQ(IdOf(Value(1e12)), std::nullopt);
    EXPECT_EQ(IdOf(Value("9999999999")), std::nullopt);
    EXPECT_EQ(SafeId(Value(1e12)), 0);
    EXPECT_EQ(SafeId(Value(-7)), -7);
}

TEST(SharedReadings, FirstFieldIsEmptyWithoutARow) {
    EXPECT_TRUE(FirstField(nullptr).IsEmpty());
    EXPECT_TRUE(FirstField(MemoryRecordset::Make({"FName"}, {})).IsEmpty());
    EXPECT_EQ(FirstText(MemoryRecordset::Make({"FName"}, {})), "");
    auto rs = MemoryRecordset::Make({"FQty", "FName"}, {{Value(3), Value("x")}, {Value(4), "y"}});
    EXPECT_EQ(FirstField(rs), Value(3));
    EXPECT_EQ(FirstText(MemoryRecordset::Make({"FQty"}, {{Value(2.5)}})), "2.5");
}

TEST(SharedReadings, ItemColumnReadsOnlyForAnItemAndSwallowsFailures) {
    test::ScopedPlatform platform;
    auto info = std::make_shared<test::FakeClassInfo>();
    platform->Add<IClassInfo>("QORMClass.ClassInfo", info);
    DataGateway::Instance().Reset();
    info->answer = [](const std::string& sql) -> RecordsetPtr {
        if (sql.find("=404") != std::string::npos) throw HostError("ClassInfo", "gone");
        if (sql.find("=5") != std::string::npos) return MemoryRecordset::Make({"F"}, {});
        return MemoryRecordset::Make({"FIsSerialNumMgr"}, {{Value(true)}});
    };
    const std::string read = "select FIsSerialNumMgr from t_icitem where FItemID=";

    EXPECT_TRUE(ReadItemColumn(read, Value()).IsEmpty());
    EXPECT_TRUE(ReadItemColumn(read, Value("1e12")).IsEmpty());
    EXPECT_TRUE(info->statements.empty());

    EXPECT_EQ(ReadItemColumn(read, Value("7")), Value(true));
    ASSERT_EQ(info->statements.size(), 1u);
    EXPECT_EQ(info->statements[0], read + "7");
    EXPECT_TRUE(ReadItemColumn(read, Value(5)).IsEmpty());

    // A failed read answers empty, and the trace says where the error was swallowed.
    DataGateway::Instance().KeepTrace(true);
    EXPECT_TRUE(ReadItemColumn(read, Value(404)).IsEmpty());
    const auto& trace = DataGateway::Instance().Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().trappedIn, "ReadItemColumn");
    EXPECT_NE(trace.back().error.find("gone"), std::string::npos) << trace.back().error;
    DataGateway::Instance().KeepTrace(false);
    DataGateway::Instance().Reset();
}

TEST(SharedReadings, StatementLinesAreJoinedWithCrLf) {
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({"select 1"}), "select 1");
    EXPECT_EQ(JoinLines({"Set NoCount On ", "", "select 1"}), "Set NoCount On \r\n\r\nselect 1");
}

}  // namespace
}  // namespace qor
