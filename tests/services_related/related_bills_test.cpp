// Related-bill lookup on the reference host and the demo account: the selected bills' header
// data read from the table of their class type, in one shape whatever kind of bill they are.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/data_access.h"
#include "host/form/bill_list.h"
#include "services/related_bills.h"
#include "tests/support/demo_form.h"
#include "tests/support/fakes.h"

namespace qor::test {
namespace {

class RelatedBills : public ::testing::Test {
protected:
    // One demo database for the suite: the tests only read it.
    static inline std::unique_ptr<DemoHost> demo_;
    static void SetUpTestSuite() { demo_ = std::make_unique<DemoHost>("related_bills"); }
    static void TearDownTestSuite() { demo_.reset(); }
    static host::ReferenceHost& Host() { return demo_->Host(); }

    void SetUp() override {
        Host().Attach(host::form::LinkedLibrary());
        DataGateway::Instance().Reset();
        DataGateway::Instance().KeepTrace(true);
    }
    void TearDown() override { DataGateway::Instance().KeepTrace(false); }

    // A selection as the host hands it over: one row per selected line of a bill.
    static CollectionPtr Selection(const std::vector<std::pair<Value, Value>>& bills) {
        auto selection = Collection::Make();
        int entry = 0;
        for (const auto& [classType, id] : bills) {
            selection->Add("", Collection::Make({{"FClassTypeID", classType},
                                                 {"FID", id},
                                                 {"FEntryID", ++entry},
                                                 {"FBillNo", ""}}));
        }
        return selection;
    }

    static CollectionPtr Entry(const Collection& result, size_t position) {
        return result.ItemAt(position).As<Collection>();
    }
    // An entry's first items in one line: class type, bill, table, number, bill type, partner, the
    // amount, settled, neutralised and unsettled amounts. An amount that is no number (a table
    // that does not carry it must give 0, never blank) shows in <>.
    static std::string Line(const Collection& result, size_t position, size_t items = 10) {
        static const char* kItems[] = {"ClassTypeID",   "BillInterID",     "HeadTableName",
                                       "BillNo",        "BillType",        "CustOrSupplyID",
                                       "AllAmount",     "FCurCheckAmount", "FNeutralizeAmount",
                                       "FUnCheckAmount"};
        auto e = Entry(result, position);
        if (!e) return "no entry";
        std::string line;
        for (size_t i = 0; i < items; ++i) {
            const Value v = e->Get(kItems[i]);
            const bool amount = i >= 6;
            line += (i ? " " : "") +
                    (amount && !v.IsNumber() ? "<" + v.ToString() + ">" : v.ToString());
        }
        return line;
    }

    static long StatementsSent() {
        long n = 0;
        for (const auto& e : DataGateway::Instance().Trace())
            if (!e.fromCache) ++n;
        return n;
    }
};

TEST_F(RelatedBills, ThreeSalesBillsGiveThreeEntriesWithTheCustomer) {
    Collection result;
    // XOUT000002, XOUT000001 and XOUT000005, in the order the user picked them.
    ASSERT_TRUE(
        FillSelectedBillInfo(Selection({{1030002, 5}, {1030002, 4}, {1030002, 12}}), result));
    ASSERT_EQ(result.Count(), 3u);

    // What is still to be settled (last): the sales bill's check takes it as the amount.
    EXPECT_EQ(Line(result, 1), "1030002 5 t_CC_StockBill XOUT000002 3001 102 6888.48 0 0 6888.48");
    EXPECT_EQ(Line(result, 2), "1030002 4 t_CC_StockBill XOUT000001 3001 101 310.98 300 300 10.98");
    EXPECT_EQ(Line(result, 3), "1030002 12 t_CC_StockBill XOUT000005 3001 104 394.37 0 0 394.37");
    // The whole selection is read with one statement.
    EXPECT_EQ(StatementsSent(), 1);
    const std::string& sql = DataGateway::Instance().Trace().back().sql;
    EXPECT_NE(sql.find("Where FClassTypeID=1030002 And FID In(5,4,12)"), std::string::npos) << sql;
}

TEST_F(RelatedBills, EachTableAnswersInTheSameShape) {
    const std::vector<std::pair<Value, std::string>> cases = {
        // Sales order: no bill type, no settled or neutralised amounts; the customer.
        {3, "1030001 3 t_XS_Order SEORD000003 0 102 216.96 0 0"},
        // Purchase order: the supplier.
        {2, "1020001 2 t_CG_Order POORD000002 0 802 5876 0 0"},
        // Purchase bill in the stock bills: the supplier, not the (empty) customer.
        {1, "1020002 1 t_CC_StockBill WIN000001 2012 801 2798.78 0 0"},
        // Consignment bill.
        {7, "1030003 7 t_CC_StockBill WTDX000001 3010 104 4264.62 0 0"},
        // Assembly bill: no partner.
        {1, "1040005 1 T_CC_ZZCX ZZ000001 0 0 2400 0 0"},
        // Exchange bill: its own table, the customer.
        {1, "1030005 1 t_cc_Change XSHH000001 0 105 0 0 0"},
    };
    for (const auto& [id, line] : cases) {
        SCOPED_TRACE(line);
        Collection result;
        const Value classType(Val(line));
        ASSERT_TRUE(FillSelectedBillInfo(Selection({{classType, id}}), result));
        ASSERT_EQ(result.Count(), 1u);
        EXPECT_EQ(Line(result, 1, 9), line);
        // The unsettled amount is the table's own; it must be a number too.
        EXPECT_EQ(Line(result, 1).find('<'), std::string::npos);
    }
}

TEST_F(RelatedBills, ABillSelectedWithSeveralRowsIsReadOnce) {
    Collection result;
    // Three lines of XOUT000002 and one of XOUT000003, the identifiers as the list gives texts.
    ASSERT_TRUE(FillSelectedBillInfo(
        Selection({{"1030002", "5"}, {1030002, 5}, {1030002, 6}, {1030002, 5}}), result));
    ASSERT_EQ(result.Count(), 2u);
    EXPECT_EQ(Line(result, 1, 4), "1030002 5 t_CC_StockBill XOUT000002");
    EXPECT_EQ(Line(result, 2, 5), "1030002 6 t_CC_StockBill XOUT000003 3002");
    EXPECT_NE(DataGateway::Instance().Trace().back().sql.find("FID In(5,6)"), std::string::npos);
}

TEST_F(RelatedBills, SelectionsThatCannotBeReadGiveFalseAndNoEntries) {
    const std::vector<std::pair<const char*, CollectionPtr>> cases = {
        {"empty selection", Collection::Make()},
        {"no selection", nullptr},
        {"class type outside the lookup", Selection({{1050001, 1}})},
        {"one unknown class type among known ones", Selection({{1030002, 4}, {9999999, 4}})},
        {"identifier that is no number", Selection({{1030002, "XOUT000001"}})},
        {"identifier 0", Selection({{1030002, 0}})},
        {"identifier out of range", Selection({{1030002, 1e12}})},
        {"bill no longer in the database", Selection({{1030002, 4}, {1030002, 999}})},
        {"a bill of another class type under that identifier", Selection({{1030002, 1}})},
    };
    for (const auto& [what, selection] : cases) {
        SCOPED_TRACE(what);
        Collection result;
        result.Add("stale", 1);  // whatever the caller held before is gone
        EXPECT_FALSE(FillSelectedBillInfo(selection, result));
        EXPECT_EQ(result.Count(), 0u);
    }
}

TEST_F(RelatedBills, OnlyTheNumberOfAnIdentifierReachesTheDatabase) {
    // The host reads a text's leading number, as it does for every identifier.
    Collection result;
    ASSERT_TRUE(FillSelectedBillInfo(Selection({{1030002, "4);delete from t_ICItem--"}}), result));
    ASSERT_EQ(result.Count(), 1u);
    EXPECT_EQ(Entry(result, 1)->Get("BillNo").ToString(), "XOUT000001");
    for (const auto& e : DataGateway::Instance().Trace())
        EXPECT_EQ(e.sql.find("delete"), std::string::npos) << e.sql;
    EXPECT_NE(GetSQLValue("Select Count(*) From t_ICItem"), "0");
}

TEST_F(RelatedBills, AFailingDatabaseGivesFalse) {
    // A database without the bill tables: the statement fails.
    std::string bare = (std::filesystem::path(::testing::TempDir()) /
                        ("related_bills_bare_" + std::to_string(::getpid()) + ".db"))
                           .string();
    std::filesystem::remove(bare);
    {
        host::ReferenceHost bareHost(bare);
        bareHost.Attach(host::form::LinkedLibrary());
        Collection result;
        EXPECT_FALSE(FillSelectedBillInfo(Selection({{1030002, 4}}), result));
        EXPECT_EQ(result.Count(), 0u);
        ASSERT_FALSE(DataGateway::Instance().Trace().empty());
        EXPECT_TRUE(DataGateway::Instance().Trace().back().failed);
    }
    Host().Attach(host::form::LinkedLibrary());
}

TEST_F(RelatedBills, ReadsTheSelectionOfABillList) {
    auto list =
        host::form::HostBillList::Create(*host::form::FindTemplate("order"), demo_->FormDatabase());
    ASSERT_TRUE(list->Select({2, 1}).done);
    Collection result;
    ASSERT_TRUE(FillSelectedBillInfo(*list, result));
    ASSERT_EQ(result.Count(), 2u);
    EXPECT_EQ(Line(result, 1, 6), "1030001 2 t_XS_Order SEORD000002 0 104");
    EXPECT_EQ(Line(result, 2, 4), "1030001 1 t_XS_Order SEORD000001");

    ASSERT_TRUE(list->Select({}).done);
    EXPECT_FALSE(FillSelectedBillInfo(*list, result));
    EXPECT_EQ(result.Count(), 0u);
}

// A list row that names no class type is a bill of the list's own class type.
TEST_F(RelatedBills, AListRowWithoutClassTypeTakesTheLists) {
    struct Rows : FakeBillList {
        CollectionPtr rows = Collection::Make();
        int32_t FID() const override { return 1030001; }
        CollectionPtr Selection() override { return rows; }
    } list;
    list.rows->Add("", Collection::Make({{"FID", 1}, {"FEntryID", 1}}));
    Collection result;
    ASSERT_TRUE(FillSelectedBillInfo(list, result));
    EXPECT_EQ(Entry(result, 1)->Get("BillNo").ToString(), "SEORD000001");
}

}  // namespace
}  // namespace qor::test
