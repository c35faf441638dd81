// Serial numbers: the used mark of a row's serial numbers on the demo database, the row display,
// the row check before a row is deleted, the save-time count check with its class-type and
// bill-type lists, and the locks of the serial-number cells.
#include <gtest/gtest.h>

#include "host/components/stock_components.h"
#include "services/serial_numbers.h"
#include "tests/services_batch/service_test_bill.h"

namespace qor::test {
namespace {

class SerialStates : public ::testing::Test {
protected:
    ScopedPlatform platform;
    std::shared_ptr<FakeClassInfo> info;
    void SetUp() override {
        FakeLogin(*platform.platform);
        info = DemoDatabase::Attach(*platform.platform);
    }
    static std::map<std::string, bool> Marks(const std::vector<SerialNumState>& states) {
        std::map<std::string, bool> m;
        for (const auto& s : states) m[s.serialNo] = s.beingUsed;
        return m;
    }
};

// The purchase bill 2 took 美的电饭煲 serials 0001-0012 into stock on row 1; later bills issued
// 0001-0009.
TEST_F(SerialStates, SerialsTakenByLaterBillsAreMarkedUsed) {
    TestBill bill;
    bill.billID = 2;
    auto marks = Marks(GetBillSerialNumState(bill, 1));
    ASSERT_EQ(marks.size(), 12u);
    for (int i = 1; i <= 12; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "MD20261100%02d", i);
        EXPECT_EQ(marks[serial], i <= 9) << serial;
    }
    // Only bill 2's records with the status asked set the mark: it issued nothing (status 0).
    for (const auto& s : GetSerialNumState(bill, 1, 0)) EXPECT_FALSE(s.beingUsed) << s.serialNo;
    EXPECT_EQ(Marks(GetSerialNumState(bill, 1, 1)), marks);

    // The sales bill 5 issued 0001 and 0002, which only the earlier bill 2 had: not used.
    bill.billID = 5;
    marks = Marks(GetBillSerialNumState(bill, 1));
    EXPECT_EQ(marks,
              (std::map<std::string, bool>{{"MD2026110001", false}, {"MD2026110002", false}}));
    EXPECT_TRUE(GetSerialNumStateOf(5, 2).empty());
}

TEST_F(SerialStates, ALaterRecordOnTheSameBillDoesNotMarkTheNumber) {
    DemoDatabase::Exec(
        "Insert Into t_SerialNumList (FID, FItemID, FSerialNo, FBillID, FBillIndexID, FStatus) "
        "Values (3001, 1010, 'T-1', 9200, 1, 1), (3002, 1010, 'T-2', 9200, 1, 1), "
        "(3003, 1010, 'T-1', 9201, 4, 0), (3004, 1010, 'T-2', 9200, 2, 0)");
    auto marks = Marks(GetSerialNumStateOf(9200, 1));
    EXPECT_EQ(marks, (std::map<std::string, bool>{{"T-1", true}, {"T-2", false}}));
    EXPECT_EQ(Marks(GetSerialNumStateOf(9201, 4)), (std::map<std::string, bool>{{"T-1", false}}));
}

TEST_F(SerialStates, RowDisplayOnlyInTheIndustryEditionOfApplicationType1) {
    TestBill bill;
    bill.billID = 2;
    bill.rows = 3;
    bill.Set("FItemID", 1009, 1);
    bill.Set("FItemID", 1001, 3);  // not serial managed
    bill.Set("FSerialNo", "stale", 3);
    CheckSerialNumEntries(bill);  // application type 2 by default: nothing happens
    EXPECT_EQ(bill.Get("FSerialNo", 3).ToString(), "stale");

    platform->dictionary->Set("AppType", 1);
    platform->dictionary->Set("IndustryType", 1);
    CheckSerialNumEntries(bill);
    std::string shown = bill.Get("FSerialNo", 1).ToString();
    EXPECT_EQ(SplitSerialNumbers(shown).size(), 12u);
    EXPECT_NE(shown.find("MD2026110001\r\nMD2026110002"), std::string::npos) << shown;
    EXPECT_EQ(bill.Get("FSerialNo", 3).ToString(), "");
}

// ---- Row check ----------------------------------------------------------------------------------

TEST_F(SerialStates, RowsWithTakenSerialsMayNotBeDeleted) {
    TestBill bill;
    bill.billID = 2;
    bill.rows = 2;
    bill.Set("FItemID", 1009, 1);
    bill.Set("FItemID", 1001, 2);
    // Without the host's serial-number service the used marks decide.
    EXPECT_FALSE(CheckSerialNumQty(bill, 1));
    EXPECT_TRUE(CheckSerialNumQty(bill, 2));
    EXPECT_FALSE(CheckSerialNumQty(bill, -1));
    bill.billID = 5;
    EXPECT_TRUE(CheckSerialNumQty(bill, 1));

    // With the service, its answer decides; rows of other items are not asked about.
    auto service = platform->AddComponent("QORMSerialNumMgr.clsInfo");
    service->On("CheckSerialNumQty", [](Args&) { return Value(false); });
    bill.Set("FSerialNo", "S1|S2,S3\r\nS4", 1);
    bill.Set("FShowQty", 4, 1);
    EXPECT_FALSE(CheckSerialNumQty(bill, 1));
    EXPECT_TRUE(CheckSerialNumQty(bill, 2));
    ASSERT_EQ(service->calls.size(), 1u);
    const Args& args = service->calls[0].args;
    ASSERT_EQ(args.size(), 11u);
    EXPECT_EQ(args[2].ToNumber(), 5);  // the bill
    EXPECT_EQ(args[3].ToNumber(), 1);  // the row
    EXPECT_EQ(args[4].ToNumber(), 1009);
    EXPECT_EQ(args[5].ToNumber(), 4);
    auto list = args[10].As<Collection>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Count(), 4u);
    EXPECT_EQ(list->ItemAt(4).ToString(), "S4");
}

// ---- Save-time count ---------------------------------------------------------------------------

class SerialCount : public ::testing::Test {
protected:
    ScopedPlatform platform;
    std::shared_ptr<FakeClassInfo> info;
    std::shared_ptr<FakeComponent> stockInfo;
    std::string option = "1";
    TestBill bill;
    std::string message;

    void SetUp() override {
        FakeLogin(*platform.platform, {}, DemoDatabase::Path());
        info = DemoDatabase::Attach(*platform.platform);
        platform->AddComponent("QOREBSBase.SystemProfile")->On("GetProfile", [this](Args& a) {
            return a[2].ToString() == "CKSerialNum" ? Value(option) : Value();
        });
        stockInfo = platform->AddComponent("QOR_CC_PlugIns.clsStockInfo");
        stockInfo->On("CheckSerialNoCount", [](Args& a) {
            a[3] = Value("序列号个数不符");
            return Value(false);
        });
        bill.classType = 1030002;
        bill.billID = 77;
        bill.rows = 2;
        bill.Set("FBillTypeID", 3001);
        bill.Set("FBillNo", "XOUT9");
        bill.Set("FItemID", 1009, 1);  // serial managed
        bill.Set("FQty", 2, 1);
        bill.Set("FSCStockID", 501, 1);
        bill.Set("FSerialNo", "A|B", 1);
        bill.Set("FItemID", 1001, 2);
        bill.Set("FQty", 5, 2);
    }
};

TEST_F(SerialCount, WithTheOptionOffNoCountCheckRuns) {
    option = "0";
    EXPECT_TRUE(CheckBillSerialNumCount(bill, &message));
    EXPECT_TRUE(stockInfo->calls.empty());
    EXPECT_TRUE(info->statements.empty());
}

TEST_F(SerialCount, OnlyTheListedClassAndBillTypesAreCounted) {
    bill.Set("FBillTypeID", 3002);  // a return is not counted on the sales bill
    EXPECT_TRUE(CheckBillSerialNumCount(bill));
    for (int32_t classType : {1030005, 1030001, 103000, 1040005}) {
        bill.classType = classType;
        EXPECT_TRUE(CheckBillSerialNumCount(bill)) << classType;
    }
    EXPECT_TRUE(stockInfo->calls.empty());
    // Stock bills outside the purchase/sales list are counted whatever their bill type.
    bill.classType = 1040002;
    EXPECT_FALSE(CheckBillSerialNumCount(bill));
    EXPECT_EQ(stockInfo->calls.size(), 1u);

    EXPECT_TRUE(IsInIdList(kSNCountedClassTypes, 1030004));
    EXPECT_FALSE(IsInIdList(kSNCountedClassTypes, 30002));
    EXPECT_FALSE(IsInIdList(kSNCountedBillTypes, 300));
    EXPECT_TRUE(IsInIdList(kSNCountedBillTypes, 3010));
}

TEST_F(SerialCount, TheServiceGetsTheSerialRowsAndDecides) {
    EXPECT_FALSE(CheckBillSerialNumCount(bill, &message));
    EXPECT_EQ(message, "序列号个数不符");
    ASSERT_EQ(stockInfo->calls.size(), 1u);
    const Args& args = stockInfo->calls[0].args;
    auto billInfo = args[1].As<Collection>();
    auto rows = args[2].As<Collection>();
    ASSERT_TRUE(billInfo && rows);
    EXPECT_EQ(billInfo->Get("ClassTypeID").ToNumber(), 1030002);
    EXPECT_EQ(billInfo->Get("BillInterID").ToNumber(), 77);
    ASSERT_EQ(rows->Count(), 1u);  // the plain item's row is not handed over
    auto row = rows->ItemAt(1).As<Collection>();
    EXPECT_EQ(row->Get("FNumber").ToString(), "03.001");
    EXPECT_EQ(row->Get("FModel").ToString(), "MB-FB40");
    EXPECT_EQ(row->Get("FIndex").ToNumber(), 1);
    EXPECT_EQ(row->Get("FQty").ToNumber(), 2);
    EXPECT_EQ(row->Get("FStockID").ToNumber(), 501);  // a sales bill's serials leave its stock

    // The items are read in one statement, not one per row.
    EXPECT_EQ(info->statements.size(), 1u);
}

TEST_F(SerialCount, TheHostsStockServiceCountsTheRowsSerials) {
    auto ctx = std::make_shared<host::ServiceContext>();
    ctx->SetDefaultDatabase(DemoDatabase::Path());
    platform->Add<IComponent>("QOR_CC_PlugIns.clsStockInfo",
                              std::make_shared<host::StockInfoComponent>(ctx));
    EXPECT_TRUE(CheckBillSerialNumCount(bill, &message)) << message;
    bill.Set("FQty", 3, 1);
    EXPECT_FALSE(CheckBillSerialNumCount(bill, &message));
    EXPECT_FALSE(message.empty());
    // Serial numbers not shown on the row are counted from the bill's records: the sales bill
    // 5 recorded two on its row 1.
    bill.billID = 5;
    bill.Set("FSerialNo", "", 1);
    bill.Set("FQty", 2, 1);
    EXPECT_TRUE(CheckBillSerialNumCount(bill, &message)) << message;
    bill.Set("FQty", 3, 1);
    EXPECT_FALSE(CheckBillSerialNumCount(bill, &message));
    // Without a stock service the count is not checked.
    platform->components.erase("QOR_CC_PlugIns.clsStockInfo");
    EXPECT_TRUE(CheckBillSerialNumCount(bill, &message));
}

// ---- Cells ------------------------------------------------------------------------------------

TEST(SerialCells, SerialNumberCellsAreLockedAndUnchanged) {
    TestBill bill;
    bill.rows = 2;
    bill.fields = {"FSERIALNO", "FSERIALNO01"};
    LockSerialNoFields(bill, 2);
    EXPECT_TRUE(bill.Locked("FSerialNo", 2));
    EXPECT_TRUE(bill.Locked("FSerialNo01", 2));
    EXPECT_FALSE(bill.Locked("FSerialNo", 1));
    EXPECT_EQ(bill.cells[std::make_pair(std::string("FSERIALNO"), 2)]->Get("FModify").ToNumber(),
              0);
    LockSerialNoFields(bill);
    EXPECT_TRUE(bill.Locked("FSerialNo", 1));
    EXPECT_FALSE(bill.Locked("FSerialNo1", 1));  // the bill has no child serial field
}

TEST(SerialText, SerialNumbersAreSplitAtEverySeparator) {
    EXPECT_EQ(SplitSerialNumbers(" A1 |A2,,A3\r\nA4\n|"),
              (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
    EXPECT_TRUE(SplitSerialNumbers("").empty());
}

}  // namespace
}  // namespace qor::test
