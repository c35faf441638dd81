// Serial numbers on the reference host: the demo account's sales bill 5 (XOUT000002) loaded in
// the host's sales bill form, the host's serial-number and stock services and its options.
#include <gtest/gtest.h>

#include <cstdio>

#include "services/serial_numbers.h"
#include "tests/services_batch/service_test_bill.h"
#include "tests/support/demo_form.h"

namespace qor::test {
namespace {

class SerialOnHost : public ::testing::Test {
protected:
    DemoHost demo{"svc_serial"};
    std::shared_ptr<host::form::HostBillForm> bill = demo.NewBill("sale");
    void SetUp() override {
        auto load = bill->LoadBill(5);
        ASSERT_TRUE(load.done) << load.note;
        ASSERT_EQ(bill->GetFieldValue("FItemID", 1).ToNumber(), 1009);
    }
};

// The purchase bill 2 took 美的电饭煲 serials 0001-0012 into stock on row 1; later bills issued
// 0001-0009.
TEST_F(SerialOnHost, SerialsTakenByLaterBillsAreMarkedUsed) {
    TestBill purchase;
    purchase.billID = 2;
    std::map<std::string, bool> marks;
    for (const auto& s : GetBillSerialNumState(purchase, 1)) marks[s.serialNo] = s.beingUsed;
    ASSERT_EQ(marks.size(), 12u);
    for (int i = 1; i <= 12; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "MD20261100%02d", i);
        EXPECT_EQ(marks[serial], i <= 9) << serial;
    }
    // Only the bill's records of the status asked set the mark: bill 2 issued nothing.
    for (const auto& s : GetSerialNumState(purchase, 1, 0)) EXPECT_FALSE(s.beingUsed);
    EXPECT_EQ(GetSerialNumState(purchase, 1, 1).size(), 12u);
}

TEST_F(SerialOnHost, ASerialTakenByALaterBillBlocksTheRow) {
    // Bill 5 issued 0001 and 0002, which only the earlier bill 2 had: not used.
    auto states = GetBillSerialNumState(*bill, 1);
    ASSERT_EQ(states.size(), 2u);
    for (const auto& s : states) EXPECT_FALSE(s.beingUsed) << s.serialNo;
    EXPECT_TRUE(CheckSerialNumQty(*bill, 1));
    EXPECT_TRUE(CheckSerialNumQty(*bill, -1));

    // A later sales return takes MD2026110002 back.
    demo.Db().Execute(
        "Insert Into t_SerialNumList (FID, FItemID, FSerialNo, FBillID, FBillIndexID, "
        "FClassTypeID, FStockID, FStatus) Values (500, 1009, 'MD2026110002', 9300, 1, 1030002, "
        "501, 1)");
    states = GetBillSerialNumState(*bill, 1);
    ASSERT_EQ(states.size(), 2u);
    for (const auto& s : states) EXPECT_EQ(s.beingUsed, s.serialNo == "MD2026110002");
    EXPECT_FALSE(CheckSerialNumQty(*bill, 1));
    EXPECT_FALSE(CheckSerialNumQty(*bill, -1));
    EXPECT_FALSE(demo.Host().Services().CallsTo("QORMSerialNumMgr.clsInfo").empty());
}

TEST_F(SerialOnHost, CountCheckRunsOnlyWithTheOption) {
    bill->SetFieldValue("FQty", 3, 1);  // two serial numbers recorded for the row
    demo.Host().SetOption("IC", "CKSerialNum", "0");
    EXPECT_TRUE(CheckBillSerialNumCount(*bill).Passed());
    EXPECT_TRUE(demo.Host().Services().CallsTo("QOR_CC_PlugIns.clsStockInfo").empty());

    demo.Host().SetOption("IC", "CKSerialNum", "1");
    Verdict v = CheckBillSerialNumCount(*bill);
    EXPECT_TRUE(v.Refused());
    EXPECT_FALSE(v.Message().empty());
    EXPECT_EQ(demo.Host().Services().CallsTo("QOR_CC_PlugIns.clsStockInfo").size(), 1u);
    bill->SetFieldValue("FQty", 2, 1);
    v = CheckBillSerialNumCount(*bill);
    EXPECT_TRUE(v.Passed()) << v.Message();
}

}  // namespace
}  // namespace qor::test
