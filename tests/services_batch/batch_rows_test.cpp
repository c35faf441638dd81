// Batch rows of a bill: the same-batch consistency check, the automatic batch number and the
// batch cell locks after rows are drawn from source bills.
#include <gtest/gtest.h>

#include "services/batch_shelflife.h"
#include "tests/services_batch/service_test_bill.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

// ---- Same batch, same data -------------------------------------------------------------------

CollectionPtr BatchRow(int item, const std::string& batch, const Value& kfDate, int period,
                       const Value& periodDate, int aux = 0) {
    return Collection::Make({{"FItemID", item},
                             {"FBatchNo", batch},
                             {"FKFDate", kfDate},
                             {"FKFPeriod", period},
                             {"FPeriodDate", periodDate},
                             {"FAuxPropID", aux}});
}

// Item 7 is costed by batch (FTrack 80), item 8 is not.
RecordsetPtr CostingAnswer(const std::string& sql) {
    if (sql.find("FTrack") == std::string::npos) return NoRows("X");
    return OneValue("FTrack", sql.find("FItemID=7") != std::string::npos ? 80 : 0);
}

class BatchConflict : public ServiceTest<3> {
protected:
    void SetUp() override { db.info->answer = CostingAnswer; }
};

TEST_F(BatchConflict, RowsOfOneBatchWithDifferentDatesConflict) {
    auto a = BatchRow(7, "B1", "2024-01-01", 30, "2024-01-31");
    EXPECT_FALSE(FindBatchRowConflict({a}, false));
    EXPECT_FALSE(FindBatchRowConflict({a, BatchRow(7, "B1", "2024/1/1", 30, "2024-01-31")}, true));
    // Production date, shelf life or expiry date differing, with and without the auxiliary
    // property taken into account.
    // The batch is compared as the database does: letter case and blanks do not count.
    for (bool withAux : {false, true}) {
        for (const auto& other : {BatchRow(7, "B1", "2024-01-02", 30, "2024-01-31"),
                                  BatchRow(7, "B1", "2024-01-01", 31, "2024-01-31"),
                                  BatchRow(7, "B1", "2024-01-01", 30, "2024-02-01"),
                                  BatchRow(7, " b1 ", "2024-01-05", 30, "")}) {
            EXPECT_TRUE(FindBatchRowConflict({a, other}, withAux))
                << other->Get("FKFDate").ToString() << " " << other->Get("FKFPeriod").ToString();
        }
    }
    // Other items or other batches, or rows without a batch, are not compared.
    EXPECT_FALSE(FindBatchRowConflict(
        {a, BatchRow(8, "B1", "2020-01-01", 1, "2020-01-02"),
         BatchRow(7, "B2", "2021-01-01", 3, "2021-01-04"), BatchRow(7, "", "2022-01-01", 3, ""),
         BatchRow(7, "", "2023-01-01", 3, "")},
        true));
    // A third row differing from the first is found after an equal second one.
    EXPECT_TRUE(FindBatchRowConflict({a, BatchRow(7, "B1", "2024-01-01", 30, "2024-01-31"),
                                      BatchRow(7, "B1", "1900-01-01", 30, "2024-01-31")},
                                     false));
}

TEST_F(BatchConflict, AuxiliaryPropertiesCountForItemsCostedByBatch) {
    auto red = BatchRow(7, "B1", "2024-01-01", 30, "2024-01-31", 2001);
    auto blue = BatchRow(7, "B1", "2024-01-01", 30, "2024-01-31", 2003);
    EXPECT_TRUE(FindBatchRowConflict({red, blue}, true));
    EXPECT_FALSE(FindBatchRowConflict({red, blue}, false));
    auto red8 = BatchRow(8, "B1", "2024-01-01", 30, "2024-01-31", 2001);
    auto blue8 = BatchRow(8, "B1", "2024-01-01", 30, "2024-01-31", 2003);
    EXPECT_FALSE(FindBatchRowConflict({red8, blue8}, true));
}

TEST_F(BatchConflict, EachItemsCostingMethodIsReadOnce) {
    std::vector<CollectionPtr> rows;
    for (int i = 0; i < 12; ++i) {
        rows.push_back(BatchRow(i % 2 ? 7 : 8, "B1", "2024-01-01", 30, "2024-01-31"));
    }
    EXPECT_FALSE(FindBatchRowConflict(rows, true));
    EXPECT_EQ(db.CountContaining("FItemID=7"), 1);
    EXPECT_EQ(db.CountContaining("FItemID=8"), 1);
    EXPECT_EQ(db.info->statements.size(), 2u);
}

TEST_F(BatchConflict, GatheredRowsCarryTheirKeys) {
    FillRow(bill, 1, "FItemID01=7 FBatchNo01=B1 FKFDate01=2024-01-01");
    FillRow(bill, 3, "FItemID01=7 FBatchNo01=B1 FKFDate01=2024-01-02");
    auto rows = GatherBatchRows(bill, BatchRowKeys::Of(FieldSet::Twin01()));
    ASSERT_EQ(rows.size(), 2u);  // row 2 has no item
    EXPECT_EQ(rows[1]->Get("FRow").ToNumber(), 3);
    EXPECT_EQ(rows[1]->Get("FKFDate").ToString(), "2024-01-02");
    EXPECT_TRUE(FindBatchRowConflict(rows, false));
}

// ---- The form's stock-number service ----------------------------------------------------------

using StockNumber = ServiceTest<1>;

TEST_F(StockNumber, TheFormsServiceAnswersTheRowsStockData) {
    auto service = std::make_shared<TestControl>("StockNumber");
    service->answer = [](const std::string& method, std::vector<Value>&) {
        if (method != "StockNumber") return Value();
        return Value(Collection::Make({{"FKFDate", "2026.10.01"},
                                       {"FPeriodDate", "2027-03-30"},
                                       {"FKFPeriod", 180},
                                       {"FQty", 6},
                                       {"FBatchNoIndex", 41},
                                       {"FCoefficient", 12}}));
    };
    bill.controls["StockNumber"] = service;
    const BatchRowKeys keys = BatchRowKeys::Of(FieldSet::Twin01());
    FillRow(bill, 1, "FItemID01=1007 FBatchNo01=SZ-1 FSCStockID01=501 FAuxPropID01=2003");
    FillRowStockNumber(bill, 1, keys);
    ASSERT_EQ(service->calls.size(), 1u);
    std::vector<std::string> args;
    for (const auto& arg : service->calls[0]) args.push_back(arg.ToString());
    EXPECT_EQ(args, (std::vector<std::string>{"1", "1007", "501", "2003", "SZ-1"}));
    // Written back under the keys the bill passes; what the service does not answer stays.
    ExpectRow(bill, 1,
              "FKFDate01=2026-10-01 FPeriodDate01=2027-03-30 FShowQty01=6 FBatchNoIndex01=41 "
              "FCoefficient01=12 FBatchNo01=SZ-1");
    EXPECT_TRUE(db.info->statements.empty()) << "the form's service answers, not the database";

    // A row without a batch is not asked about.
    bill.Set("FBatchNo01", "", 1);
    FillRowStockNumber(bill, 1, keys);
    EXPECT_EQ(service->calls.size(), 1u);
}

// ---- Automatic batch numbers ----------------------------------------------------------------

class AutoBatchNumber : public ServiceTest<5> {
protected:
    std::shared_ptr<FakeComponent> rule;
    double curSerial = 1;

    void SetUp() override {
        // Item 6 generates its batch numbers, item 5 does not.
        db.info->answer = [](const std::string& sql) -> RecordsetPtr {
            if (sql.find("FAutoGenBatchNo") == std::string::npos) return NoRows("X");
            return OneValue("FAutoGenBatchNo", sql.find("= 6") != std::string::npos ? 1 : 0);
        };
        rule = platform->AddComponent("QORMBatchNoRule.clsBatchNoRule");
        rule->On("GetBatchNo", [this](Args&) {
            return Value(Collection::Make(
                {{"Prefix", "20240105"}, {"CurSerial", curSerial}, {"SerialLen", 3}}));
        });
        bill.Set("FDate", "2024-01-05");
    }
};

TEST_F(AutoBatchNumber, SkipsNumbersAlreadyOnTheUnsavedBill) {
    FillRow(bill, 1, "FItemID=6 FBatchNo='20240105001'");
    FillRow(bill, 2, "FItemID=6 FBatchNo='20240105003'");
    FillRow(bill, 3, "FItemID=9 FBatchNo='20240105009'");  // another item's numbers do not count
    FillRow(bill, 4, "FItemID=6 FBatchNo=20240105x07");    // not a number of the rule
    FillRow(bill, 5, "FItemID=6");
    AutoGenBatchNo(bill, 5);
    EXPECT_EQ(bill.Get("FBatchNo", 5).ToString(), "20240105004");
    ASSERT_EQ(rule->calls.size(), 1u);
    EXPECT_EQ(rule->calls[0].args[1].ToString(), "2024-01-05");
    EXPECT_EQ(rule->calls[0].args[2].ToNumber(), 6);

    // Numbering the rows one after the other never gives a number twice.
    FillRow(bill, 4, "FBatchNo=");
    AutoGenBatchNo(bill, 4);
    ExpectRow(bill, 4, "FBatchNo='20240105005'");
}

TEST_F(AutoBatchNumber, StartsAtTheRulesSerialAndKeepsLongSerials) {
    curSerial = 12;
    FillRow(bill, 1, "FItemID=6 FBatchNo='20240105003'");
    FillRow(bill, 2, "FItemID=6");
    AutoGenBatchNo(bill, 2);
    ExpectRow(bill, 2, "FBatchNo='20240105012'");

    FillRow(bill, 1, "FBatchNo='202401051000'");  // past the serial length: not cut
    AutoGenBatchNo(bill, 2);
    ExpectRow(bill, 2, "FBatchNo='202401051001'");
}

TEST_F(AutoBatchNumber, LockedCellsAndOtherItemsGetNoNumber) {
    bill.Set("FItemID", 6, 1);
    bill.ctl->locked.insert({"FBATCHNO", 1});
    AutoGenBatchNo(bill, 1);
    EXPECT_TRUE(bill.Get("FBatchNo", 1).IsEmpty());
    EXPECT_TRUE(rule->calls.empty());

    bill.Set("FItemID", 5, 2);
    AutoGenBatchNo(bill, 2);
    EXPECT_TRUE(bill.Get("FBatchNo", 2).IsEmpty());
    EXPECT_TRUE(rule->calls.empty());

    // A rule that cannot be asked leaves the row as it is.
    platform->components.erase("QORMBatchNoRule.clsBatchNoRule");
    bill.Set("FItemID", 6, 3);
    AutoGenBatchNo(bill, 3);
    EXPECT_TRUE(bill.Get("FBatchNo", 3).IsEmpty());
}

TEST_F(AutoBatchNumber, ChildRowsUseTheChildItemAndBatch) {
    bill.childRows = 2;
    FillRow(bill, 1, "FCldItemID=6 FBatchNo1='20240105007'");
    // The main grid's batch key is not the child's.
    FillRow(bill, 2, "FCldItemID=6 FBatchNo='20240105020'");
    AutoGenBatchNo(bill, 2, FieldSet::Child());
    ExpectRow(bill, 2, "FBatchNo1='20240105008'");
}

// ---- Batch cell locks -------------------------------------------------------------------------

class BatchLocks : public ServiceTest<4> {
protected:
    std::shared_ptr<FakeComponent> itemInfo;

    void SetUp() override {
        // Items 7 and 8 are batch managed; 7 is costed by batch.
        itemInfo = platform->AddComponent("QOREBSGLItem.ItemInfo");
        itemInfo->On("isBatchManager", [](Args& a) {
            int item = static_cast<int>(a[1].ToNumber());
            return Value(item == 7 || item == 8);
        });
        db.info->answer = CostingAnswer;
        for (int r = 1; r <= 4; ++r) bill.ctl->locked.insert({"FBATCHNO", r});
    }
};

TEST_F(BatchLocks, RowsTheUserEnteredGetAnEditableBatch) {
    bill.Set("FBillTypeID", 3001);
    FillRow(bill, 1, "FItemID=7 FID_SRC=55");  // drawn from a source bill
    FillRow(bill, 2, "FItemID=8 FID_SRC=0");
    FillRow(bill, 3, "FItemID=9");  // not batch managed; row 4 has no item
    LockRowsBySource(bill, 0, "FItemID", "FBatchNo", false, true);
    EXPECT_EQ(bill.Locks("FBatchNo"), "LoLL");
    EXPECT_EQ(itemInfo->calls.size(), 2u);  // rows 2 and 3: one question per item

    // Without keeping the source rows, the copied row is opened too.
    LockRowsBySource(bill, 1, "FItemID", "FBatchNo", false, false);
    EXPECT_FALSE(bill.Locked("FBatchNo", 1));
}

TEST_F(BatchLocks, UnsetAndPurchaseBillTypesFollowTheSameRule) {
    for (Value type : {Value(), Value(2011), Value(2042), Value(2030)}) {
        bill.ctl->locked.insert({"FBATCHNO", 1});
        bill.Set("FBillTypeID", type);
        bill.Set("FItemID", 8, 1);
        LockRowsBySource(bill, 1, "FItemID", "FBatchNo", false, true);
        EXPECT_FALSE(bill.Locked("FBatchNo", 1)) << type.ToString();
    }
}

TEST_F(BatchLocks, BillTypeZeroLocksBatchesOfItemsNotCostedByBatch) {
    bill.Set("FBillTypeID", 0);
    bill.ctl->locked.clear();
    for (int r = 1; r <= 3; ++r) FillRow(bill, r, r == 1 ? "FItemID=7" : "FItemID=8");
    LockRowsBySource(bill, -1, "FItemID", "FBatchNo", true, true);
    EXPECT_EQ(bill.Locks("FBatchNo"), "oLLo");
    EXPECT_EQ(db.CountContaining("FTrack"), 2);  // items 7 and 8, once each
}

}  // namespace
}  // namespace qor::test
