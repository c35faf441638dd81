// Serial numbers: the row check before a row is deleted, the row display, the save-time count
// check with its class-type and bill-type lists, and the locks of the serial-number cells.
#include <gtest/gtest.h>

#include "frame/data_access.h"
#include "services/serial_numbers.h"
#include "tests/services_batch/service_test_bill.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

// The values' texts, separated by blanks.
std::string Texts(const std::vector<Value>& values) {
    std::string out;
    for (const auto& v : values) out += (out.empty() ? "" : " ") + v.ToString();
    return out;
}

// ---- Row check ----------------------------------------------------------------------------------

class SerialRows : public ServiceTest<2> {
protected:
    void SetUp() override {
        // Item 1009 is serial managed; row 1 of the bill recorded S1 (taken later) and S2.
        db.info->answer = [](const std::string& sql) -> RecordsetPtr {
            if (sql.find("FIsSerialNumMgr") != std::string::npos) {
                return OneValue("FIsSerialNumMgr", sql.find("=1009") != std::string::npos);
            }
            if (sql.find("T1.FBillIndexID = 1") == std::string::npos) return NoRows("FSerialNo");
            return MemoryRecordset::Make({"FSerialNo", "FNote", "FBeingUsed"},
                                         {{"S1", "", 1}, {"S2", "", 0}});
        };
        bill.billID = 5;
        FillRow(bill, 1, "FItemID=1009");
        FillRow(bill, 2, "FItemID=1001");
    }
};

TEST_F(SerialRows, WithoutTheHostsServiceASerialRowDoesNotPass) {
    // Row 1's recorded serials show S2 unused, but without the service the row cannot be shown
    // to be free: its deletion is refused, and the trace says why.
    const long trapped = DataGateway::Instance().TrappedErrors();
    EXPECT_FALSE(CheckSerialNumQty(bill, 1));
    EXPECT_GT(DataGateway::Instance().TrappedErrors(), trapped);
    EXPECT_TRUE(CheckSerialNumQty(bill, 2)) << "a row of a plain item passes at once";
    EXPECT_FALSE(CheckSerialNumQty(bill, -1));
    bill.Set("FItemID", 1001, 1);
    EXPECT_TRUE(CheckSerialNumQty(bill, -1));
}

TEST_F(SerialRows, TheHostsServiceGetsTheRowAndDecides) {
    auto service = platform->AddComponent("QORMSerialNumMgr.clsInfo");
    service->On("CheckSerialNumQty", [](Args&) { return Value(true); });
    bill.Set("FSerialNo", "S1|S2,S3\r\nS4", 1);
    bill.Set("FShowQty", 4, 1);
    EXPECT_TRUE(CheckSerialNumQty(bill, 1));
    EXPECT_TRUE(CheckSerialNumQty(bill, 2));  // rows of other items are not asked about
    ASSERT_EQ(service->calls.size(), 1u);
    const Args& args = service->calls[0].args;
    ASSERT_EQ(args.size(), 11u);
    // The bill, the row, the item and the quantity.
    EXPECT_EQ(Texts({args[2], args[3], args[4], args[5]}), "5 1 1009 4");
    auto list = args[10].As<Collection>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->Count(), 4u);
    EXPECT_EQ(list->ItemAt(4).ToString(), "S4");
}

TEST_F(SerialRows, RowDisplayOnlyInTheIndustryEditionOfApplicationType1) {
    FillRow(bill, 2, "FItemID=1001 FSerialNo=stale");
    CheckSerialNumEntries(bill);  // application type 2 by default: nothing happens
    EXPECT_EQ(bill.Get("FSerialNo", 2).ToString(), "stale");
    platform->dictionary->Set("AppType", 1);
    platform->dictionary->Set("IndustryType", 1);
    CheckSerialNumEntries(bill);
    EXPECT_EQ(bill.Get("FSerialNo", 1).ToString(), "S1\r\nS2");  // one per line
    EXPECT_EQ(bill.Get("FSerialNo", 2).ToString(), "");
}

// ---- Save-time count ---------------------------------------------------------------------------

class SerialCount : public ServiceTest<2> {
protected:
    std::shared_ptr<FakeComponent> stockInfo;

    void SetUp() override {
        db.info->answer = [](const std::string&) {
            return MemoryRecordset::Make(
                {"FItemID", "FNumber", "FName", "FModel", "FBaseProperty", "FBaseProperty1",
                 "FBaseProperty3", "FBaseProperty4", "FBaseProperty8", "FBaseProperty9",
                 "FIsSerialNumMgr"},
                {{1009, "03.001", "美的电饭煲", "MB-FB40", "P0", "P1", "P3", "P4", "P8", "P9", 1},
                 {1001, "01.001", "水", "", "", "", "", "", "", "", 0}});
        };
        platform->AddComponent("QOREBSBase.SystemProfile")->On("GetProfile", [](Args& a) {
            return a[2].ToString() == "CKSerialNum" ? Value("1") : Value();
        });
        stockInfo = platform->AddComponent("QOR_CC_PlugIns.clsStockInfo");
        stockInfo->On("CheckSerialNoCount", [](Args& a) {
            a[3] = Value("序列号个数不符");
            return Value(false);
        });
        bill.classType = 1030002;
        bill.billID = 77;
        FillRow(bill, -1, "FBillTypeID=3001 FBillNo=XOUT9");
        FillRow(bill, 1, "FItemID=1009 FQty=2 FSCStockID=501 FSerialNo=A|B");  // serial managed
        FillRow(bill, 2, "FItemID=1001 FQty=5");
    }
};

TEST_F(SerialCount, OnlyTheListedClassAndBillTypesAreCounted) {
    bill.Set("FBillTypeID", bt::kReturn);  // a return is not counted on the sales bill
    EXPECT_TRUE(CheckBillSerialNumCount(bill).Passed());
    for (int32_t classType : {ct::kSaleChange, ct::kSalesOrder, 103000, ct::kAssemblyIn}) {
        bill.classType = classType;
        EXPECT_TRUE(CheckBillSerialNumCount(bill).Passed()) << classType;
    }
    EXPECT_TRUE(stockInfo->calls.empty());
    // Stock bills outside the purchase/sales list are counted whatever their bill type.
    bill.classType = ct::kStockOutBill;
    EXPECT_TRUE(CheckBillSerialNumCount(bill).Refused());
    EXPECT_EQ(stockInfo->calls.size(), 1u);
}

TEST_F(SerialCount, TheServiceGetsTheSerialRowsAndDecides) {
    Verdict v = CheckBillSerialNumCount(bill);
    EXPECT_TRUE(v.Refused());
    EXPECT_EQ(v.Message(), "序列号个数不符");
    EXPECT_TRUE(platform->prompts.empty()) << "the check shows nothing itself";
    ASSERT_EQ(stockInfo->calls.size(), 1u);
    const Args& args = stockInfo->calls[0].args;
    auto billInfo = args[1].As<Collection>();
    auto rows = args[2].As<Collection>();
    ASSERT_TRUE(billInfo && rows);
    EXPECT_EQ(Texts({billInfo->Get("ClassTypeID"), billInfo->Get("BillInterID")}), "1030002 77");
    ASSERT_EQ(rows->Count(), 1u);  // the plain item's row is not handed over
    auto row = rows->ItemAt(1).As<Collection>();
    // Every base property of the item goes with the row; a sales bill's serials leave its stock.
    std::vector<Value> values;
    for (const char* column : {"FNumber", "FModel", "FIndex", "FIndex2", "FIndex3", "FBaseProperty",
                               "FBaseProperty1", "FBaseProperty3", "FBaseProperty4",
                               "FBaseProperty8", "FBaseProperty9", "FQty", "FStockID"}) {
        values.push_back(row->Get(column));
    }
    EXPECT_EQ(Texts(values), "03.001 MB-FB40 1 0 1 P0 P1 P3 P4 P8 P9 2 501");

    // The items are read in one statement, not one per row.
    EXPECT_EQ(db.info->statements.size(), 1u);
}

// ---- Cells ------------------------------------------------------------------------------------

using SerialCellLocks = ServiceTest<2>;

TEST_F(SerialCellLocks, SerialNumberCellsAreLockedAndUnchanged) {
    bill.fields = {"FSERIALNO", "FSERIALNO01"};
    LockSerialNoFields(bill, 2);
    EXPECT_EQ(bill.Locks("FSerialNo") + bill.Locks("FSerialNo01"), "oLoL");
    EXPECT_EQ(bill.cells[std::make_pair(std::string("FSERIALNO"), 2)]->Get("FModify").ToNumber(),
              0);
    LockSerialNoFields(bill);
    EXPECT_TRUE(bill.Locked("FSerialNo", 1));
    EXPECT_FALSE(bill.Locked("FSerialNo1", 1));  // the bill has no child serial field

    // A new row's cells follow the item: open for a serial-managed item, locked for another.
    db.info->answer = [](const std::string& sql) {
        return OneValue("FIsSerialNumMgr", sql.find("=1009") != std::string::npos);
    };
    FillRow(bill, 1, "FItemID=1009 FItemID01=1001");
    LockSerialNoFields(bill, 1, SerialCells::FollowItem);
    EXPECT_FALSE(bill.Locked("FSerialNo", 1));
    EXPECT_TRUE(bill.Locked("FSerialNo01", 1));
}

TEST(SerialText, SerialNumbersAreSplitAtEverySeparator) {
    EXPECT_EQ(SplitSerialNumbers(" A1 |A2,,A3\r\nA4\n|"),
              (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
    EXPECT_TRUE(SplitSerialNumbers("").empty());
}

}  // namespace
}  // namespace qor::test
