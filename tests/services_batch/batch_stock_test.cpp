// Batch data read back from stock on the demo database: the recorded dates of a batch with the
// opening balances closed and open, one stock's batches, the bills' comparison with what is
// recorded, and the row services that fill a row's dates after a batch or auxiliary property
// was chosen.
#include <gtest/gtest.h>

#include "services/batch_shelflife.h"
#include "tests/services_batch/service_test_bill.h"

namespace qor::test {
namespace {

class BatchStock : public ::testing::Test {
protected:
    ScopedPlatform platform;
    std::shared_ptr<FakeClassInfo> info;
    void Open(bool initClosed) {
        FakeLogin(*platform.platform, {{"InitClosed", initClosed}});
        info = DemoDatabase::Attach(*platform.platform);
    }
};

// 三只松鼠坚果礼盒 (1007) is batch and shelf-life managed; its batch SZ20260915 lies in stock 501
// and went out on two checked bills; SZ20251210 is only in the opening stock.
TEST_F(BatchStock, RecordedDatesWithOpeningBalancesClosed) {
    Open(true);
    auto records = GetBatchKFInfo(1007, "SZ20260915");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].batchNo, "SZ20260915");
    EXPECT_EQ(records[0].kfDate, "2026-09-15");
    EXPECT_EQ(records[0].kfPeriod, 180);
    EXPECT_EQ(records[0].periodDate, "2027-03-14");
    EXPECT_EQ(records[0].stockID, 501);
    EXPECT_NE(info->statements.back().find("T_CC_Stock_BatchNo"), std::string::npos);

    // Only the opening stock knows SZ20251210; a batch nobody has is unknown.
    EXPECT_TRUE(GetBatchKFInfo(1007, "SZ20251210").empty());
    EXPECT_TRUE(GetBatchKFInfo(1007, "NO-SUCH").empty());
    // One stock only.
    EXPECT_EQ(GetStockBatchKFInfo(1007, 501, "SZ20260915"), 1);
    EXPECT_EQ(GetStockBatchKFInfo(1007, 502, "SZ20260915"), 0);
    BatchKFRecord first;
    EXPECT_EQ(GetStockBatchKFInfo(1005, 503, "b20261128", &first), 1);
    EXPECT_EQ(first.batchNo, "B20261128");
    EXPECT_EQ(first.periodDate, "2026-12-19");
}

TEST_F(BatchStock, RecordedDatesWithOpeningBalancesOpen) {
    Open(false);
    auto records = GetBatchKFInfo(1007, "SZ20251210", 501);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kfDate, "2025-12-10");
    EXPECT_EQ(records[0].kfPeriod, 180);
    EXPECT_EQ(records[0].periodDate, "2026-06-08");  // the opening stock's FdestDate
    EXPECT_NE(info->statements.back().find("ICInvInitial"), std::string::npos);
    EXPECT_EQ(info->statements.back().find("T_CC_Stock_BatchNo"), std::string::npos);
    EXPECT_TRUE(GetBatchKFInfo(1007, "SZ20251210", 502).empty());
}

TEST_F(BatchStock, TheBillBeingEditedDoesNotCountAndQuotesStayText) {
    Open(true);
    // A saved bill (id 9001) carries a batch no stock knows, with a quote in its number.
    DemoDatabase::Exec(
        "Insert Into t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FStatus) "
        "Values (9001, 1030002, 3002, 'TEST9001', '2026-12-01', 0)");
    DemoDatabase::Exec(
        "Insert Into t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FBatchNo, FSCStockID, "
        "FDCStockID, FKFDate, FKFPeriod, FPeriodDate, FQty) Values (90011, 9001, 1, 1007, "
        "'O''K-1', 0, 501, '2026-10-01', 180, '2027-03-30', 2)");
    auto records = GetBatchKFInfo(1007, "O'K-1");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kfDate, "2026-10-01");
    EXPECT_EQ(records[0].batchNo, "O'K-1");

    TestBill bill;
    bill.billID = 9001;
    EXPECT_TRUE(GetBatchKFInfo(bill, 1007, "O'K-1").empty());
    EXPECT_EQ(GetBatchKFInfo(bill, 1007, "O'K-1", Value(), BatchKFSource::EnteredRows).size(), 0u);
    bill.billID = 9002;
    ASSERT_EQ(GetBatchKFInfo(bill, 1007, "O'K-1", Value(), BatchKFSource::EnteredRows).size(), 1u);

    // A text that tries to leave the quotes is only a batch number nobody has.
    EXPECT_TRUE(GetBatchKFInfo(1007, "x' Or '1'='1").empty());
}

TEST_F(BatchStock, RowsAreComparedWithWhatIsRecorded) {
    Open(true);
    auto records = GetBatchKFInfo(1007, "SZ20260915");
    BatchRowData row{0, "2026-09-15", 180, "2027/3/14"};
    EXPECT_EQ(CompareBatchRow(records, row).match, BatchMatch::Same);
    row.kfDate = "2026-09-16";
    auto result = CompareBatchRow(records, row);
    EXPECT_EQ(result.match, BatchMatch::DatesDiffer);
    EXPECT_EQ(result.recorded.kfDate, "2026-09-15");  // what the row is restored from
    row.compareKFDate = false;                        // a locked cell is not compared
    EXPECT_EQ(CompareBatchRow(records, row).match, BatchMatch::Same);
    row.auxPropID = 2001;
    EXPECT_EQ(CompareBatchRow(records, row).match, BatchMatch::AuxDiffers);
    row.compareAux = false;
    EXPECT_EQ(CompareBatchRow(records, row).match, BatchMatch::Same);
    EXPECT_EQ(CompareBatchRow({}, row).match, BatchMatch::NotFound);
}

TEST_F(BatchStock, ChosenBatchFillsTheRowFromStock) {
    Open(true);
    TestBill bill;
    bill.rows = 2;
    bill.Set("FItemID", 1005, 1);
    bill.Set("FBatchNo", "B20261128", 1);
    bill.Set("FSCStockID", 503, 1);
    FillRowBatchInfo(bill, 1);
    EXPECT_EQ(bill.Get("FKFDate", 1).ToString(), "2026-11-28");
    EXPECT_EQ(bill.Get("FKFPeriod", 1).ToNumber(), 21);
    EXPECT_EQ(bill.Get("FPeriodDate", 1).ToString(), "2026-12-19");
    std::string message;
    EXPECT_TRUE(CheckKFFieldsFilled(bill, 1, message)) << message;

    // A batch no stock holds keeps the dates entered and takes the item's shelf life.
    bill.Set("FItemID", 1006, 2);
    bill.Set("FBatchNo", "NEW-1", 2);
    bill.Set("FKFDate", "2026-12-10", 2);
    FillRowBatchInfo(bill, 2);
    EXPECT_EQ(bill.Get("FKFPeriod", 2).ToNumber(), 7);
    EXPECT_EQ(bill.Get("FPeriodDate", 2).ToString(), "2026-12-17");
}

TEST_F(BatchStock, NewAuxiliaryPropertyRefreshesTheRowOnlyWhenStockHasIt) {
    Open(true);
    DemoDatabase::Exec(
        "Insert Into t_cc_inventory (FID, FItemID, FStockID, FBatchNo, FAuxPropID, FKFDate, "
        "FKFPeriod, FPeriodDate, FQty) Values (9101, 1012, 502, 'LN-1', 2003, '2026-01-01', 10, "
        "'2026-01-11', 5)");
    TestBill bill;
    bill.rows = 1;
    bill.Set("FItemID", 1012, 1);
    bill.Set("FBatchNo", "LN-1", 1);
    bill.Set("FSCStockID", 502, 1);
    bill.Set("FAuxPropID", 2001, 1);
    bill.Set("FKFDate", "2020-01-01", 1);
    FillRowStockNumber(bill, 1);
    EXPECT_EQ(bill.Get("FKFDate", 1).ToString(), "2020-01-01");
    bill.Set("FAuxPropID", 2003, 1);
    FillRowStockNumber(bill, 1);
    EXPECT_EQ(bill.Get("FKFDate", 1).ToString(), "2026-01-01");
    EXPECT_EQ(bill.Get("FPeriodDate", 1).ToString(), "2026-01-11");
}

TEST_F(BatchStock, ItemFlagsFromTheItemRegister) {
    Open(true);
    EXPECT_TRUE(IsBatchManagerItem(1008));
    EXPECT_FALSE(IsKFPeriodItem(1008));
    EXPECT_TRUE(IsKFPeriodItem(1007));
    EXPECT_TRUE(IsAuxItem(1012));
    EXPECT_FALSE(IsAuxItem(1007));
    EXPECT_TRUE(GetItemTrack(1005));
    EXPECT_FALSE(GetItemTrack(1007));
    for (Value bad : {Value(), Value("abc"), Value(99999), Value(1e12)}) {
        EXPECT_FALSE(IsBatchManagerItem(bad));
        EXPECT_FALSE(GetItemTrack(bad));
    }
}

}  // namespace
}  // namespace qor::test
