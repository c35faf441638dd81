// The data gateway, the shared query functions and SQL quoting.
#include <gtest/gtest.h>

#include "frame/data_access.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::FakeClassInfo;
using test::FakeClassUpdate;
using test::ScopedPlatform;

TEST(SqlQuoting, QuotesDoublesTrimsAndNulls) {
    EXPECT_EQ(SqlValue("O'Brien"), "'O''Brien'");
    EXPECT_EQ(SqlValue("x'; delete t_ICItem --"), "'x''; delete t_ICItem --'");
    EXPECT_EQ(SqlValue("''"), "''''''");
    EXPECT_EQ(SqlValue("abc", false), "abc");
    EXPECT_EQ(SqlValue("", true, true), "Null");
    EXPECT_EQ(SqlValue("   ", true, true, true), "Null");
    EXPECT_EQ(SqlValue("   ", true, true, false), "'   '") << "not trimmed unless asked";
    EXPECT_EQ(SqlValue("", true, false), "''");
    EXPECT_EQ(SqlValue("  批次 A1 ", true, false, true), "'批次 A1'");
    EXPECT_EQ(SqlId(Value("12; drop table x")), "12");
    EXPECT_EQ(SqlId(Value(7.5)), "8");
    EXPECT_THROW(SqlId(Value(1e12)), ConversionError);
}

struct GatewayFixture : ::testing::Test {
    ScopedPlatform platform;
    std::shared_ptr<FakeClassInfo> info =
        platform->Add("QORMClass.ClassInfo", std::make_shared<FakeClassInfo>());
    std::shared_ptr<FakeClassUpdate> update =
        platform->Add("QORMClass.ClassUpdate", std::make_shared<FakeClassUpdate>());
    void SetUp() override {
        DataGateway::Instance().Reset();
        info->answer = [](const std::string& sql) -> RecordsetPtr {
            if (sql.find("fail") != std::string::npos) throw HostError("db", "bad statement");
            if (sql.find("empty") != std::string::npos) return MemoryRecordset::Make({"a"}, {});
            return MemoryRecordset::Make({"FName", "FQty"},
                                         {{Value("螺丝"), Value(3.5)}, {Value::Null(), Value(1)}});
        };
    }
    void TearDown() override {
        DataGateway::Instance().Reset();
        DataGateway::Instance().KeepTrace(false);
    }
};

TEST_F(GatewayFixture, QueryFunctionsAndTheirFailureRules) {
    auto rs = GetRecordset("select 1");
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->Field("fname").ToString(), "螺丝");
    EXPECT_THROW(GetRecordset("fail"), HostError);
    EXPECT_EQ(OpenRecordset("fail"), nullptr);

    EXPECT_EQ(GetSQLValue("select"), "螺丝");
    EXPECT_EQ(GetSQLValue("select", 1), "3.5");
    EXPECT_EQ(GetSQLValue("select", 5), "") << "no such column";
    EXPECT_EQ(GetSQLValue("empty"), "") << "no row";
    EXPECT_EQ(GetSQLValue("fail"), "") << "error cleared";

    EXPECT_EQ(GetRecordsetEx("  \r\n "), nullptr);
    EXPECT_EQ(info->statements.size(), 8u) << "an empty statement is never sent";
    EXPECT_NE(GetRecordsetEx("select", "UserID=1"), nullptr);

    UpdateBatch("update t set a=1");
    ASSERT_EQ(update->statements.size(), 1u);
}

TEST_F(GatewayFixture, CountsAndTracesEveryStatement) {
    auto& gw = DataGateway::Instance();
    gw.KeepTrace(true);
    {
        EventScope scope("m_BillInterface_Change");
        GetSQLValue("select");
        GetSQLValue("fail");
        UpdateBatch("update t set a=1");
        EXPECT_EQ(gw.StatementsThisEvent(), 3);
    }
    ASSERT_EQ(gw.Trace().size(), 3u);
    EXPECT_EQ(gw.Trace()[0].event, "m_BillInterface_Change");
    EXPECT_EQ(gw.Trace()[0].rows, 2);
    EXPECT_TRUE(gw.Trace()[1].failed);
    EXPECT_EQ(gw.Trace()[1].error, "bad statement");
    EXPECT_TRUE(gw.Trace()[2].isWrite);
    {
        EventScope next("m_BillInterface_BeforeSave");
        EXPECT_EQ(gw.StatementsThisEvent(), 0) << "counted per event";
    }
}

// "QORMClass.ClassUpdate" of a database that refuses every change.
struct RefusingUpdate : IClassUpdate {
    std::string TypeName() const override { return "ClassUpdate"; }
    Value UpdateBatch(const std::string&, const std::string&) override {
        throw HostError("db", "table is locked");
    }
};

TEST_F(GatewayFixture, ARefusedWriteIsTracedAsFailedAndReachesTheCaller) {
    platform->Add<IClassUpdate>("QORMClass.ClassUpdate", std::make_shared<RefusingUpdate>());
    auto& gw = DataGateway::Instance();
    gw.KeepTrace(true);
    EXPECT_THROW(UpdateBatch("update t set a=1"), HostError);
    ASSERT_EQ(gw.Trace().size(), 1u);
    const auto& write = gw.Trace()[0];
    EXPECT_TRUE(write.isWrite && write.failed);
    EXPECT_EQ(write.sql + ": " + write.error, "update t set a=1: table is locked");
    EXPECT_EQ(gw.TotalStatements(), 1);
}

TEST_F(GatewayFixture, TheCacheLivesForOneEventAndDiesAtAnyWrite) {
    auto& gw = DataGateway::Instance();
    {
        EventScope scope("m_BillInterface_Change");
        auto first = GetCachedRecordset("select flags");
        first->MoveNext();  // a caller's cursor does not move the cached copy
        auto second = GetCachedRecordset("select flags");
        EXPECT_EQ(second->Field(0).ToString(), "螺丝");
        EXPECT_EQ(info->statements.size(), 1u);
        EXPECT_EQ(gw.CacheHits(), 1);

        UpdateBatch("update t_ICItem set FName='x'");
        GetCachedRecordset("select flags");
        EXPECT_EQ(info->statements.size(), 2u) << "a write drops the cache";
    }
    {
        EventScope scope("m_BillInterface_Change");
        GetCachedRecordset("select flags");
        EXPECT_EQ(info->statements.size(), 3u) << "never served across events";
        {
            // A field action the rule ran raises an event of its own inside this one.
            EventScope nested("m_BillInterface_AfterDoAction2");
            GetCachedRecordset("select flags");
        }
        GetCachedRecordset("select flags");
        EXPECT_EQ(info->statements.size(), 3u) << "a nested event shares the outer cache";
    }
    GetRecordset("select flags");
    GetRecordset("select flags");
    EXPECT_EQ(info->statements.size(), 5u) << "ordinary reads are never cached";
    GetCachedRecordset("select flags");
    GetCachedRecordset("select flags");
    EXPECT_EQ(info->statements.size(), 7u) << "outside an event nothing is kept";
}

TEST_F(GatewayFixture, RememberedAnswersFollowTheCacheLifetime) {
    auto& gw = DataGateway::Instance();
    gw.Remember("option", "outside");
    EXPECT_FALSE(gw.Remembered("option"));
    {
        EventScope scope("m_BillInterface_BeforeSave");
        gw.Remember("option", "1");
        ASSERT_TRUE(gw.Remembered("option"));
        EXPECT_EQ(gw.Remembered("option")->ToString(), "1");
        UpdateBatch("update t_SystemProfile set FValue='0'");
        EXPECT_FALSE(gw.Remembered("option")) << "a write may have changed the answer";
        gw.Remember("option", "0");
    }
    EventScope next("m_BillInterface_Change");
    EXPECT_FALSE(gw.Remembered("option"));
}

TEST(DataAccessWithoutHost, FailsQuietlyWhereTheRulesSaySo) {
    AttachPlatform(nullptr);
    EXPECT_EQ(GetSQLValue("select 1"), "");
    EXPECT_EQ(OpenRecordset("select 1"), nullptr);
    EXPECT_THROW(GetRecordset("select 1"), HostError);
    EXPECT_THROW(UpdateBatch("update t set a=1"), HostError);
}

}  // namespace
}  // namespace qor
