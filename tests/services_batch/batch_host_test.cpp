// The batch and shelf-life services on the reference host: a sales bill form of the host's
// template on a fresh demo database, the host's user profiles, process dictionary, item service
// and batch-number rule.
#include <gtest/gtest.h>

#include "services/batch_shelflife.h"
#include "tests/support/demo_form.h"
#include "tests/support/fakes.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

class BatchOnHost : public ::testing::Test {
protected:
    DemoHost demo{"svc_batch"};
    // The row's production date, shelf life and expiry date: "2024-01-01 30 2024-01-31".
    static std::string Dates(IBillForm& bill, int row) {
        return FormatKFDate(bill.GetFieldValue("FKFDate", row)) + " " +
               bill.GetFieldValue("FKFPeriod", row).ToString() + " " +
               FormatKFDate(bill.GetFieldValue("FPeriodDate", row));
    }
};

TEST_F(BatchOnHost, ExpiryEditFollowsTheUsersAdjustPeriod) {
    auto bill = demo.NewBill("sale", 2);
    for (int r : {1, 2}) {
        FillRow(*bill, r, "FKFDate=2024-01-01 FKFPeriod=30");
        CalcKFDates(*bill, Changed("FKFPeriod"), r);
        EXPECT_EQ(Dates(*bill, r), "2024-01-01 30 2024-01-31");
    }
    FillRow(*bill, 1, "FPeriodDate=2024-03-01");
    CalcKFDates(*bill, Changed("FPeriodDate"), 1);
    EXPECT_EQ(Dates(*bill, 1), "2024-01-31 30 2024-03-01");

    demo.Host().SetUserProfile("BillSet1030002", "AdjustPeriod", "1");
    FillRow(*bill, 2, "FPeriodDate=2024-03-01");
    CalcKFDates(*bill, Changed("FPeriodDate"), 2);
    EXPECT_EQ(Dates(*bill, 2), "2024-01-01 60 2024-03-01");
    EXPECT_TRUE(CheckKFFieldsFilled(*bill, 2).Passed());
}

TEST_F(BatchOnHost, BatchDataReadBackInBothOpeningStates) {
    auto bill = demo.NewBill("sale", 1);
    auto closed = GetBatchKFInfo(*bill, 1007, "SZ20261130", 501);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].kfDate + " " + closed[0].periodDate, "2026-11-30 2027-05-29");
    EXPECT_TRUE(GetBatchKFInfo(*bill, 1007, "SZ20251210").empty());  // opening stock only
    BatchKFRecord first;
    EXPECT_EQ(GetStockBatchKFInfo(1005, 503, "b20261128", &first), 1);
    EXPECT_EQ(first.batchNo, "B20261128");
    EXPECT_EQ(GetStockBatchKFInfo(1005, 501, "B20261128"), 0);

    // The bills compare their rows with what is recorded; locked cells are left out.
    BatchRowData row{0, "2026-11-30", 180, "2027/5/29"};
    EXPECT_EQ(CompareBatchRow(closed, row).match, BatchMatch::Same);
    row.kfDate = "2026-12-01";
    auto differ = CompareBatchRow(closed, row);
    EXPECT_EQ(differ.match, BatchMatch::DatesDiffer);
    EXPECT_EQ(differ.recorded.kfDate, "2026-11-30");  // what the row is restored from
    row.compareKFDate = false;
    EXPECT_EQ(CompareBatchRow(closed, row).match, BatchMatch::Same);
    row.auxPropID = 2001;
    EXPECT_EQ(CompareBatchRow(closed, row).match, BatchMatch::AuxDiffers);
    EXPECT_EQ(CompareBatchRow({}, row).match, BatchMatch::NotFound);

    demo.Host().SetInitClosed(false);
    auto open = GetBatchKFInfo(*bill, 1007, "SZ20251210");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].kfDate + " " + NumberToText(open[0].kfPeriod) + " " + open[0].periodDate,
              "2025-12-10 180 2026-06-08");
}

TEST_F(BatchOnHost, ChosenBatchFillsTheSalesRow) {
    // A stock record whose shelf life (90 days) differs from the item's (180 days).
    ASSERT_EQ(demo.Scalar("select FKFPeriod from t_ICItem where FItemID=1007").ToNumber(), 180);
    demo.Exec(
        "Insert Into t_cc_inventory (FID, FItemID, FStockID, FBatchNo, FAuxPropID, FKFDate, "
        "FKFPeriod, FPeriodDate, FQty) Values (9102, 1007, 501, 'SZ-90', 0, '2026-10-01', 90, "
        "'2026-12-30', 4)");
    auto bill = demo.NewBill("sale", 1);
    FillRow(*bill, 1, "FItemID=1007 FSCStockID=501 FBatchNo=SZ20260915");
    FillRowBatchInfo(*bill, 1);
    EXPECT_EQ(Dates(*bill, 1), "2026-09-15 180 2027-03-14");

    // The dates are the stock record's, the shelf life is the item's.
    FillRow(*bill, 1, "FBatchNo=SZ-90");
    FillRowBatchInfo(*bill, 1);
    EXPECT_EQ(Dates(*bill, 1), "2026-10-01 180 2026-12-30");

    // A batch no stock holds leaves the dates empty.
    FillRow(*bill, 1, "FItemID=1006 FBatchNo=NEW-1 FKFDate=2026-12-10");
    FillRowBatchInfo(*bill, 1);
    EXPECT_EQ(Dates(*bill, 1), " 7 ");
}

TEST_F(BatchOnHost, SalesRowsAreComparedWithStockLeavingLockedCellsOut) {
    auto bill = demo.NewBill("sale", 1);
    FillRow(*bill, 1, "FItemID=1007 FSCStockID=501 FBatchNo=SZ20260915");
    EXPECT_EQ(CompareRowWithStock(*bill, 1).match, BatchMatch::DatesDiffer);  // no dates yet
    FillRowBatchInfo(*bill, 1);
    EXPECT_EQ(CompareRowWithStock(*bill, 1).match, BatchMatch::Same);
    bill->SetFieldValue("FPeriodDate", "2027-03-15", 1);
    EXPECT_EQ(CompareRowWithStock(*bill, 1).match, BatchMatch::DatesDiffer);
    bill->LockCell("FPeriodDate", 1, true);
    EXPECT_EQ(CompareRowWithStock(*bill, 1).match, BatchMatch::Same);
    bill->SetFieldValue("FBatchNo", "NO-SUCH", 1);
    EXPECT_EQ(CompareRowWithStock(*bill, 1).match, BatchMatch::NotFound);
}

TEST_F(BatchOnHost, NewAuxiliaryPropertyRefreshesTheRowOnlyWhenStockHasIt) {
    demo.Db().Execute(
        "Insert Into t_cc_inventory (FID, FItemID, FStockID, FBatchNo, FAuxPropID, FKFDate, "
        "FKFPeriod, FPeriodDate, FQty) Values (9101, 1012, 502, 'LN-1', 2003, '2026-01-01', 10, "
        "'2026-01-11', 5)");
    auto bill = demo.NewBill("sale", 1);
    FillRow(*bill, 1,
            "FItemID=1012 FBatchNo=LN-1 FSCStockID=502 FAuxPropID=2001 FKFDate=2020-01-01");
    FillRowStockNumber(*bill, 1);
    EXPECT_EQ(Dates(*bill, 1), "2020-01-01 0 ");
    FillRow(*bill, 1, "FAuxPropID=2003");
    FillRowStockNumber(*bill, 1);
    EXPECT_EQ(Dates(*bill, 1), "2026-01-01 10 2026-01-11");
}

TEST_F(BatchOnHost, TheBillBeingEditedDoesNotCountAndQuotesStayText) {
    // A saved return (9001) carries a batch no stock knows, with a quote in its number.
    demo.Db().Execute(
        "Insert Into t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FStatus) "
        "Values (9001, 1030002, 3002, 'TEST9001', '2026-12-01', 0)");
    demo.Db().Execute(
        "Insert Into t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FBatchNo, FSCStockID, "
        "FDCStockID, FKFDate, FKFPeriod, FPeriodDate, FQty) Values (90011, 9001, 1, 1007, "
        "'O''K-1', 0, 501, '2026-10-01', 180, '2027-03-30', 2)");
    auto records = GetBatchKFInfo(1007, "O'K-1");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].batchNo, "O'K-1");
    EXPECT_EQ(records[0].kfDate, "2026-10-01");
    EXPECT_TRUE(GetBatchKFInfo(1007, "O'K-1", Value(), 9001).empty());
    EXPECT_TRUE(GetBatchKFInfo(1007, "O'K-1", Value(), 9001, BatchKFSource::EnteredRows).empty());
    EXPECT_EQ(GetBatchKFInfo(1007, "O'K-1", Value(), 9002, BatchKFSource::EnteredRows).size(), 1u);
    // A text that tries to leave the quotes is only a batch number nobody has.
    EXPECT_TRUE(GetBatchKFInfo(1007, "x' Or '1'='1").empty());
    // Item flags of the register; anything that is no item is no batch item.
    EXPECT_TRUE(IsBatchManagerItem(1008) && IsKFPeriodItem(1007) && IsAuxItem(1012) &&
                GetItemTrack(1005));
    EXPECT_FALSE(IsKFPeriodItem(1008) || GetItemTrack(1007));
    for (Value bad : {Value(), Value("abc"), Value(99999), Value(1e12)}) {
        EXPECT_FALSE(IsBatchManagerItem(bad));
    }
}

TEST_F(BatchOnHost, AutomaticBatchNumbersSkipTheUnsavedRows) {
    // 光明鲜牛奶 (1006) takes its batch numbers from the host's rule: the bill date and a
    // three-digit serial.
    auto bill = demo.NewBill("sale", 3);
    bill->SetFieldValue("FDate", "2026-12-05");
    for (int r = 1; r <= 3; ++r) bill->SetFieldValue("FItemID", 1006, r);
    AutoGenBatchNo(*bill, 1);
    AutoGenBatchNo(*bill, 2);
    AutoGenBatchNo(*bill, 3);
    // Renumbering a row gives it a number no other row has.
    std::string numbers = bill->GetFieldValue("FBatchNo", 1).ToString();
    AutoGenBatchNo(*bill, 1);
    for (int r = 1; r <= 3; ++r) numbers += " " + bill->GetFieldValue("FBatchNo", r).ToString();
    EXPECT_EQ(numbers, "20261205001 20261205004 20261205002 20261205003");
}

}  // namespace
}  // namespace qor::test
