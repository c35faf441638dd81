// The batch and shelf-life services on the reference host: a sales bill form of the host's
// template on a fresh demo database, the host's user profiles, process dictionary, item service
// and batch-number rule.
#include <gtest/gtest.h>

#include "services/batch_shelflife.h"
#include "tests/support/demo_form.h"

namespace qor::test {
namespace {

CollectionPtr Changed(const std::string& key) {
    return Collection::Make({{"FKey", key}});
}

class BatchOnHost : public ::testing::Test {
protected:
    DemoHost demo{"svc_batch"};
};

TEST_F(BatchOnHost, ExpiryEditFollowsTheUsersAdjustPeriod) {
    auto bill = demo.NewBill("sale", 2);
    for (int r : {1, 2}) {
        bill->SetFieldValue("FKFDate", "2024-01-01", r);
        bill->SetFieldValue("FKFPeriod", 30, r);
        CalcKFDates(*bill, Changed("FKFPeriod"), r);
        EXPECT_EQ(FormatKFDate(bill->GetFieldValue("FPeriodDate", r)), "2024-01-31");
    }
    bill->SetFieldValue("FPeriodDate", "2024-03-01", 1);
    CalcKFDates(*bill, Changed("FPeriodDate"), 1);
    EXPECT_EQ(FormatKFDate(bill->GetFieldValue("FKFDate", 1)), "2024-01-31");
    EXPECT_EQ(bill->GetFieldValue("FKFPeriod", 1).ToNumber(), 30);

    demo.Host().SetUserProfile("BillSet1030002", "AdjustPeriod", "1");
    bill->SetFieldValue("FPeriodDate", "2024-03-01", 2);
    CalcKFDates(*bill, Changed("FPeriodDate"), 2);
    EXPECT_EQ(bill->GetFieldValue("FKFPeriod", 2).ToNumber(), 60);
    EXPECT_EQ(FormatKFDate(bill->GetFieldValue("FKFDate", 2)), "2024-01-01");
    std::string message;
    EXPECT_TRUE(CheckKFFieldsFilled(*bill, 2, message)) << message;
}

TEST_F(BatchOnHost, BatchDataReadBackInBothOpeningStates) {
    auto bill = demo.NewBill("sale", 1);
    auto closed = GetBatchKFInfo(*bill, 1007, "SZ20261130", 501);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].kfDate, "2026-11-30");
    EXPECT_EQ(closed[0].periodDate, "2027-05-29");
    EXPECT_TRUE(GetBatchKFInfo(*bill, 1007, "SZ20251210").empty());

    demo.Host().SetInitClosed(false);
    auto open = GetBatchKFInfo(*bill, 1007, "SZ20251210");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].kfDate, "2025-12-10");
    EXPECT_EQ(open[0].kfPeriod, 180);
    EXPECT_EQ(open[0].periodDate, "2026-06-08");
}

TEST_F(BatchOnHost, ChosenBatchFillsTheSalesRow) {
    auto bill = demo.NewBill("sale", 1);
    bill->SetFieldValue("FItemID", 1007, 1);
    bill->SetFieldValue("FSCStockID", 501, 1);
    bill->SetFieldValue("FBatchNo", "SZ20260915", 1);
    FillRowBatchInfo(*bill, 1);
    EXPECT_EQ(FormatKFDate(bill->GetFieldValue("FKFDate", 1)), "2026-09-15");
    EXPECT_EQ(bill->GetFieldValue("FKFPeriod", 1).ToNumber(), 180);
    EXPECT_EQ(FormatKFDate(bill->GetFieldValue("FPeriodDate", 1)), "2027-03-14");
    EXPECT_EQ(GetStockBatchKFInfo(1007, 501, "SZ20260915"), 1);
    EXPECT_EQ(GetStockBatchKFInfo(1007, 503, "SZ20260915"), 0);
}

TEST_F(BatchOnHost, AutomaticBatchNumbersSkipTheUnsavedRows) {
    // 光明鲜牛奶 (1006) takes its batch numbers from the host's rule: the bill date and a
    // three-digit serial.
    auto bill = demo.NewBill("sale", 3);
    bill->SetFieldValue("FDate", "2026-12-05");
    for (int r = 1; r <= 3; ++r) bill->SetFieldValue("FItemID", 1006, r);
    AutoGenBatchNo(*bill, 1);
    std::string first = bill->GetFieldValue("FBatchNo", 1).ToString();
    EXPECT_EQ(first, "20261205001");
    AutoGenBatchNo(*bill, 2);
    AutoGenBatchNo(*bill, 3);
    EXPECT_EQ(bill->GetFieldValue("FBatchNo", 2).ToString(), "20261205002");
    EXPECT_EQ(bill->GetFieldValue("FBatchNo", 3).ToString(), "20261205003");
    // Renumbering a row gives it a number no other row has.
    AutoGenBatchNo(*bill, 1);
    EXPECT_EQ(bill->GetFieldValue("FBatchNo", 1).ToString(), "20261205004");

    // An item without automatic numbers keeps its row as it is.
    bill->SetFieldValue("FItemID", 1007, 3);
    bill->SetFieldValue("FBatchNo", "", 3);
    AutoGenBatchNo(*bill, 3);
    EXPECT_EQ(bill->GetFieldValue("FBatchNo", 3).ToString(), "");
}

TEST_F(BatchOnHost, BatchCellsOfRowsTheUserEnteredAreOpened) {
    auto bill = demo.NewBill("sale", 3);
    // 三只松鼠坚果礼盒 (batch managed) on rows 1 and 2, 农夫山泉 (no batches) on row 3.
    for (auto [r, number] : {std::pair{1, "02.003"}, {2, "02.003"}, {3, "01.001"}}) {
        auto edit = bill->UserEdit("FItemID", r, number);
        ASSERT_TRUE(edit.done) << edit.note;
        bill->LockCell("FBatchNo", r, true);  // as a copy from a source bill leaves them
    }
    bill->SetFieldValue("FID_SRC", 5, 2);  // row 2 was drawn from a source bill
    LockRowsBySource(*bill, 0, "FItemID", "FBatchNo", false, true);
    EXPECT_FALSE(bill->IsCellLocked("FBatchNo", 1));
    EXPECT_TRUE(bill->IsCellLocked("FBatchNo", 2));
    EXPECT_TRUE(bill->IsCellLocked("FBatchNo", 3));
    // Asked for one row without keeping copied rows, the copied row is opened too.
    LockRowsBySource(*bill, 2, "FItemID", "FBatchNo", false, false);
    EXPECT_FALSE(bill->IsCellLocked("FBatchNo", 2));
}

}  // namespace
}  // namespace qor::test
