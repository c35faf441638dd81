// The stock, bill-check, price-limit, credit, serial-number, cost, batch and item services.
#include <gtest/gtest.h>

#include "host_fixture.h"

namespace qor::host::testing {
namespace {

using StockTest = HostTest;

CollectionPtr SalesRequest(int billType, std::initializer_list<CollectionPtr> rows) {
    auto entries = Collection::Make();
    for (const auto& r : rows) entries->Add("", Value(r));
    return Collection::Make({{"ClassTypeID", 1030002},
                             {"BillInterID", 0},
                             {"HeadTableName", "t_CC_StockBill"},
                             {"BillNo", "XOUT-NEW"},
                             {"CustOrSupplyID", 101},
                             {"BillType", billType},
                             {"Entries", entries}});
}

CollectionPtr Row(int item, int stock, double qty, const std::string& batch = "") {
    return Collection::Make(
        {{"FItemID", item}, {"FSCStockID", stock}, {"FQty", qty}, {"FBatchNo", batch}});
}

TEST_F(StockTest, StockShortageIsReportedFromTheInventory) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    // 1009 holds 4 in stock 501; two rows of 3 need 6.
    Args args{props(), "SAVE", Value(SalesRequest(3001, {Row(1009, 501, 3), Row(1009, 501, 3)})),
              ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", args).ToNumber(), 3);
    EXPECT_NE(args[3].ToString().find("库存不足"), std::string::npos);

    Args enough{props(), "SAVE", Value(SalesRequest(3001, {Row(1009, 501, 4)})), ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", enough).ToNumber(), 0);
    EXPECT_EQ(enough[3].ToString(), "");

    // Per batch: 1007 batch SZ20261130 holds 20 of the item's 70.
    Args batch{props(), "SAVE", Value(SalesRequest(3001, {Row(1007, 501, 30, "SZ20261130")})), ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", batch).ToNumber(), 3);

    // A return brings goods back; a virtual stock holds no goods to run short of.
    Args back{props(), "SAVE", Value(SalesRequest(3002, {Row(1009, 501, 100)})), ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", back).ToNumber(), 0);
    Args gift{props(), "SAVE", Value(SalesRequest(3001, {Row(1024, 504, 99999)})), ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", gift).ToNumber(), 0);

    services().answers().stockShortageCode = -1;  // the host only warns
    Args warn{props(), "SAVE", Value(SalesRequest(3001, {Row(1009, 501, 5)})), ""};
    EXPECT_EQ(stock->Call("CheckItemStockNum", warn).ToNumber(), -1);
}

TEST_F(StockTest, CheckBillSetsTheBillsStatus) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    auto bill = Collection::Make({{"ClassTypeID", 1030002},
                                  {"BillInterID", 5},
                                  {"HeadTableName", "t_CC_StockBill"},
                                  {"BillNo", "XOUT000002"}});
    Args check{props(), -1, Value(bill), ""};
    EXPECT_EQ(stock->Call("CheckBill", check).ToNumber(), 1);
    EXPECT_EQ(Scalar("Select FStatus From t_CC_StockBill Where FID=5").ToNumber(), 1);
    EXPECT_EQ(Scalar("Select FCheckerID From t_CC_StockBill Where FID=5").ToNumber(), 16394);

    Args again{props(), -1, Value(bill), ""};
    EXPECT_EQ(stock->Call("CheckBill", again).ToNumber(), 2);
    EXPECT_NE(again[3].ToString().find("XOUT000002"), std::string::npos);

    // Unchecking, with the flag and the arguments in the order the order bill passes them.
    Args uncheck{Value(bill), false, props(), ""};
    EXPECT_EQ(stock->Call("CheckBill", uncheck).ToNumber(), 1);
    EXPECT_EQ(Scalar("Select FStatus From t_CC_StockBill Where FID=5").ToNumber(), 0);

    // A sales order is checked in its own table; a closed order cannot be unchecked.
    auto closed = Collection::Make({{"ClassTypeID", 1030001}, {"BillInterID", 4}});
    Args closedArgs{props(), 1, Value(closed), ""};
    EXPECT_EQ(stock->Call("CheckBill", closedArgs).ToNumber(), 2);
    EXPECT_EQ(Scalar("Select FStatus From t_XS_Order Where FID=4").ToNumber(), 2);

    auto missing = Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 999}});
    Args none{props(), -1, Value(missing), ""};
    EXPECT_EQ(stock->Call("CheckBill", none).ToNumber(), 0);
}

TEST_F(StockTest, CheckBillOfSeveralBillsChangesAllOrNone) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    auto bills = Collection::Make();
    bills->Add("", Value(Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 5}})));
    bills->Add("", Value(Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 4}})));
    Args args{props(), -1, Value(bills), ""};
    EXPECT_EQ(stock->Call("CheckBill", args).ToNumber(), 2);  // XOUT000001 is already checked
    EXPECT_EQ(Scalar("Select FStatus From t_CC_StockBill Where FID=5").ToNumber(), 0);
}

TEST_F(StockTest, PriceBelowTheFloorPriceIsOutsideItsLimit) {
    Exec("Update t_ItemPrice Set FLowestPrice=300 Where FItemID=1009 And FUnitID=3081");
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    auto line = [](double price) {
        return Collection::Make({{"Price", price},
                                 {"ItemID", 1009},
                                 {"Index", 2},
                                 {"UnitID", 3081},
                                 {"Coefficient", 1},
                                 {"StockID", 501}});
    };
    Args low{Value(line(299.5)), props(), "0", ""};
    EXPECT_TRUE(stock->Call("CheckLimitPrice", low).ToBool());
    EXPECT_NE(low[3].ToString().find("第2行"), std::string::npos);
    Args ok{Value(line(300)), props(), "0", ""};
    EXPECT_FALSE(stock->Call("CheckLimitPrice", ok).ToBool());
}

TEST_F(StockTest, CreditExcessAsksTheUser) {
    auto info = Create("QORM_CC_PlugIns.PublicSysInfo");
    // 苏州王建国: balance 1560, credit 5000.
    auto bill = Collection::Make({{"CustOrSupplyID", 106}, {"AllAmount", 4000}});
    EXPECT_TRUE(info->Call("CheckCredit", {Value(bill), props()}).ToBool());
    host().Platform().QueueAnswer(kAnswerNo);
    EXPECT_FALSE(info->Call("CreditSelectOK", {Value(bill), props()}).ToBool());
    ASSERT_EQ(host().Platform().Boxes().size(), 1u);
    EXPECT_EQ(host().Platform().Boxes()[0].buttons & 7, kMsgYesNo);

    // The stock service asks about the check made before it.
    host().Platform().QueueAnswer(kAnswerYes);
    EXPECT_TRUE(Create("QOR_CC_PlugIns.clsStockInfo")->Call("CreditSelectOK", {}).ToBool());

    auto within = Collection::Make({{"CustOrSupplyID", 106}, {"AllAmount", 3440}});
    EXPECT_FALSE(info->Call("CheckCredit", {Value(within), props()}).ToBool());
    EXPECT_TRUE(info->Call("CreditSelectOK", {Value(within), props()}).ToBool());
    // No credit limit set: never exceeded.
    auto unlimited = Collection::Make({{"CustOrSupplyID", 103}, {"AllAmount", 1e9}});
    EXPECT_FALSE(info->Call("CheckCredit", {Value(unlimited), props()}).ToBool());
    EXPECT_EQ(host().Platform().Boxes().size(), 2u);
}

TEST_F(StockTest, OverdueUnpaidAmountsAskTheUser) {
    auto info = Create("QORM_CC_PlugIns.PublicSysInfo");
    auto bill = Collection::Make({{"CustOrSupplyID", 107}, {"AllAmount", 10}});
    EXPECT_FALSE(info->Call("CheckUnCheckAmountOutOfDate", {Value(bill), props()}).ToBool());
    Exec(
        "Insert Into t_CC_StockBill (FID,FClassTypeID,FBillTypeID,FBillNo,FDate,FCustID,FStatus,"
        "FUnCheckAmount,FSettleLimitDate) Values (90,1030002,3001,'XOUT-OLD','2026-01-05',107,1,"
        "250,'2026-02-04')");
    EXPECT_TRUE(info->Call("CheckUnCheckAmountOutOfDate", {Value(bill), props()}).ToBool());
    host().Platform().QueueAnswer(kAnswerNo);
    EXPECT_FALSE(info->Call("UnCheckAmountOutOfDateSelectOK", {Value(bill), props()}).ToBool());
    EXPECT_NE(host().Platform().Boxes().at(0).prompt.find("250"), std::string::npos);
}

TEST_F(StockTest, SerialCountMustMatchTheBaseQuantity) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    auto billInfo = Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 5}});
    auto rows = Collection::Make();
    rows->Add("", Value(Collection::Make(
                      {{"FItemID", 1009}, {"FIndex", 1}, {"FQty", 2}, {"FSerialNo", "A1|A2"}})));
    Args ok{props(), Value(billInfo), Value(rows), ""};
    EXPECT_TRUE(stock->Call("CheckSerialNoCount", ok).ToBool());

    rows->Add("", Value(Collection::Make(
                      {{"FItemID", 1009}, {"FIndex", 2}, {"FQty", 3}, {"FSerialNo", "B1,B2"}})));
    Args short_{props(), Value(billInfo), Value(rows), ""};
    EXPECT_FALSE(stock->Call("CheckSerialNoCount", short_).ToBool());
    EXPECT_NE(short_[3].ToString().find("第2行"), std::string::npos);
}

TEST_F(StockTest, SerialNumbersTakenByALaterBillBlockTheRow) {
    auto serials = Create("QORMSerialNumMgr.clsInfo");
    auto ask = [&](int bill, std::initializer_list<const char*> numbers) {
        auto listed = Collection::Make();
        for (const char* n : numbers) listed->Add("", n);
        Args args{props(), 1020002, bill, 1, 1009, 1, 0, 0, 0, 501, Value(listed)};
        return serials->Call("CheckSerialNumQty", args).ToBool();
    };
    // WIN000002 received 0001-0012; later bills issued 0001-0009.
    EXPECT_TRUE(ask(2, {"MD2026110010", "MD2026110012"}));
    EXPECT_FALSE(ask(2, {"MD2026110010", "MD2026110001"}));
    EXPECT_FALSE(ask(2, {}));                // none listed: every serial number of the row counts
    EXPECT_TRUE(ask(12, {"MD2026110009"}));  // the latest bill holding it
    EXPECT_TRUE(ask(0, {"MD2026110001"}));   // an unsaved bill recorded nothing
}

TEST_F(StockTest, CostIsStockValueOverQuantity) {
    auto reader = Create("QORMCalCulateItemCost.StockBillReader");
    // 1001: 1200 for 1440 in stock 501, 240 for 288 in 502.
    EXPECT_DOUBLE_EQ(reader->Call("GetCost", {props(), 1001, 501, ""}).ToNumber(), 1.2);
    EXPECT_DOUBLE_EQ(reader->Call("GetCost", {props(), 1001, 0, ""}).ToNumber(), 1728.0 / 1440);
    EXPECT_DOUBLE_EQ(reader->Call("GetCost80", {props(), 1022, 501, "MT2026-0303"}).ToNumber(),
                     2300);
    EXPECT_EQ(reader->Call("GetCost", {props(), 4242, 0, ""}).ToNumber(), 0);  // nothing in stock
}

TEST_F(StockTest, BatchNumbersFollowTheDateAndTheItemsBatches) {
    auto rule = Create("QORMBatchNoRule.clsBatchNoRule");
    auto answer = rule->Call("GetBatchNo", {props(), "2026-12-06", 1005}).As<Collection>();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->Get("Prefix").ToString(), "20261206");
    EXPECT_EQ(answer->Get("CurSerial").ToNumber(), 1);
    EXPECT_EQ(answer->Get("SerialLen").ToNumber(), 3);

    Exec("Update t_cc_inventory Set FBatchNo='20261206007' Where FID=6");
    answer = rule->Call("GetBatchNo", {props(), "2026-12-06", 1005}).As<Collection>();
    EXPECT_EQ(answer->Get("CurSerial").ToNumber(), 8);
}

TEST_F(StockTest, ItemInformation) {
    auto info = Create("QOREBSGLItem.ItemInfo");
    EXPECT_TRUE(info->Call("isBatchManager", {props(), 1005}).ToBool());
    EXPECT_FALSE(info->Call("isBatchManager", {props(), 1001}).ToBool());

    auto detail = info->Call("GetDetail", {props(), 101}).As<Collection>();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->Get("FDeliverAddr").ToString(), "杭州市余杭区良渚物流园联华配送中心");
    EXPECT_EQ(info->Call("GetDetail", {props(), 999999}).As<Collection>()->Count(), 0u);

    EXPECT_EQ(info->Call("GetStockInfo", {props()}).ToString(), "01");
}

TEST_F(StockTest, ContactsAreSavedForTheCustomer) {
    auto update = Create("QOREBSGLItem.clsBarCodeUpdate");
    auto list = Collection::Make();
    list->Add("", Value(Collection::Make({{"FIsNew", 1},
                                          {"FIsFirst", 0},
                                          {"FContact", "钱'多"},
                                          {"FAddress", "宁波"},
                                          {"FPhone", "0574-1"}})));
    EXPECT_TRUE(update->Call("SaveContactData", {107, Value(list), props()}).ToBool());
    EXPECT_EQ(
        Scalar("Select FPhone From t_Contact Where FItemID=107 And FContact='钱''多'").ToString(),
        "0574-1");
    int id = static_cast<int>(
        Scalar("Select FID From t_Contact Where FItemID=107 And FContact='钱''多'").ToNumber());
    auto changed = Collection::Make();
    changed->Add("", Value(Collection::Make({{"FIsNew", 0},
                                             {"FID", id},
                                             {"FIsFirst", 1},
                                             {"FContact", "钱'多"},
                                             {"FAddress", "宁波"},
                                             {"FPhone", "0574-2"}})));
    update->Call("SaveContactData", {107, Value(changed), props()});
    EXPECT_EQ(Scalar("Select Count(*) From t_Contact Where FItemID=107").ToNumber(), 1);
    EXPECT_EQ(Scalar("Select FPhone From t_Contact Where FID=" + std::to_string(id)).ToString(),
              "0574-2");
}

}  // namespace
}  // namespace qor::host::testing
