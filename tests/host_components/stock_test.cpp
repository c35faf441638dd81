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
    std::string message;
    auto check = [&](int billType, std::initializer_list<CollectionPtr> rows) {
        Args args{props(), "SAVE", Value(SalesRequest(billType, rows)), ""};
        double code = stock->Call("CheckItemStockNum", args).ToNumber();
        message = args[3].ToString();
        return code;
    };
    // 1009 holds 4 in stock 501; two rows of 3 need 6.
    EXPECT_EQ(check(3001, {Row(1009, 501, 3), Row(1009, 501, 3)}), 3);
    EXPECT_NE(message.find("库存不足"), std::string::npos);
    EXPECT_EQ(check(3001, {Row(1009, 501, 4)}), 0);
    EXPECT_EQ(message, "");
    // Per batch: 1007 batch SZ20261130 holds 20 of the item's 70.
    EXPECT_EQ(check(3001, {Row(1007, 501, 30, "SZ20261130")}), 3);
    // A return brings goods back; a virtual stock holds no goods to run short of.
    EXPECT_EQ(check(3002, {Row(1009, 501, 100)}), 0);
    EXPECT_EQ(check(3001, {Row(1024, 504, 99999)}), 0);
    services().answers().stockShortageCode = -1;  // the host only warns
    EXPECT_EQ(check(3001, {Row(1009, 501, 5)}), -1);
}

TEST_F(StockTest, CheckBillSetsTheBillsStatusOfOneOrAllOfSeveralBills) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    std::string message;
    auto check = [&](Args args) {
        double answer = stock->Call("CheckBill", args).ToNumber();
        message = args[3].ToString();
        return answer;
    };
    auto bill = Collection::Make({{"ClassTypeID", 1030002},
                                  {"BillInterID", 5},
                                  {"HeadTableName", "t_CC_StockBill"},
                                  {"BillNo", "XOUT000002"}});
    auto both = Collection::Make();
    both->Add("", Value(Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 5}})));
    both->Add("", Value(Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 4}})));
    EXPECT_EQ(check({props(), -1, Value(both), ""}), 2);  // XOUT000001 is already checked
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=5"), 0);

    EXPECT_EQ(check({props(), -1, Value(bill), ""}), 1);
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=5"), 1);
    EXPECT_EQ(Num("Select FCheckerID From t_CC_StockBill Where FID=5"), 16394);
    EXPECT_EQ(check({props(), -1, Value(bill), ""}), 2);
    EXPECT_NE(message.find("XOUT000002"), std::string::npos);
    // Unchecking, with the flag and the arguments in the order the order bill passes them.
    Args uncheck{Value(bill), false, props(), ""};
    EXPECT_EQ(stock->Call("CheckBill", uncheck).ToNumber(), 1);
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=5"), 0);

    // A sales order is checked in its own table; a closed order cannot be unchecked.
    auto closed = Collection::Make({{"ClassTypeID", 1030001}, {"BillInterID", 4}});
    EXPECT_EQ(check({props(), 1, Value(closed), ""}), 2);
    EXPECT_EQ(Num("Select FStatus From t_XS_Order Where FID=4"), 2);
    auto missing = Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 999}});
    EXPECT_EQ(check({props(), -1, Value(missing), ""}), 0);
}

TEST_F(StockTest, PriceLimitAndSerialCountsRefuseTheirRow) {
    Exec("Update t_ItemPrice Set FLowestPrice=300 Where FItemID=1009 And FUnitID=3081");
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    auto line = [](double price) {
        return Value(Collection::Make({{"Price", price},
                                       {"ItemID", 1009},
                                       {"Index", 2},
                                       {"UnitID", 3081},
                                       {"Coefficient", 1},
                                       {"StockID", 501}}));
    };
    Args low{line(299.5), props(), "0", ""};
    EXPECT_TRUE(stock->Call("CheckLimitPrice", low).ToBool());
    EXPECT_NE(low[3].ToString().find("第2行"), std::string::npos);
    Args ok{line(300), props(), "0", ""};
    EXPECT_FALSE(stock->Call("CheckLimitPrice", ok).ToBool());

    // The serial numbers listed must match the base quantity.
    auto billInfo = Value(Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 5}}));
    auto row = [](int index, int qty, const char* serials) {
        return Value(Collection::Make(
            {{"FItemID", 1009}, {"FIndex", index}, {"FQty", qty}, {"FSerialNo", serials}}));
    };
    Args counted{props(), billInfo, Value(ListOf({row(1, 2, "A1|A2")})), ""};
    EXPECT_TRUE(stock->Call("CheckSerialNoCount", counted).ToBool());
    Args short_{props(), billInfo, Value(ListOf({row(1, 2, "A1|A2"), row(2, 3, "B1,B2")})), ""};
    EXPECT_FALSE(stock->Call("CheckSerialNoCount", short_).ToBool());
    EXPECT_NE(short_[3].ToString().find("第2行"), std::string::npos);
}

TEST_F(StockTest, CreditExcessAndOverdueAmountsAskTheUser) {
    auto info = Create("QORM_CC_PlugIns.PublicSysInfo");
    auto& boxes = host().Platform().Boxes();
    // 苏州王建国: balance 1560, credit 5000.
    auto bill = Collection::Make({{"CustOrSupplyID", 106}, {"AllAmount", 4000}});
    EXPECT_TRUE(info->Call("CheckCredit", {Value(bill), props()}).ToBool());
    host().Platform().QueueAnswer(kAnswerNo);
    EXPECT_FALSE(info->Call("CreditSelectOK", {Value(bill), props()}).ToBool());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].buttons & 7, kMsgYesNo);
    // The stock service asks about the check made before it.
    host().Platform().QueueAnswer(kAnswerYes);
    EXPECT_TRUE(Create("QOR_CC_PlugIns.clsStockInfo")->Call("CreditSelectOK", {}).ToBool());
    auto within = Collection::Make({{"CustOrSupplyID", 106}, {"AllAmount", 3440}});
    EXPECT_FALSE(info->Call("CheckCredit", {Value(within), props()}).ToBool());
    EXPECT_TRUE(info->Call("CreditSelectOK", {Value(within), props()}).ToBool());
    // No credit limit set: never exceeded.
    auto unlimited = Collection::Make({{"CustOrSupplyID", 103}, {"AllAmount", 1e9}});
    EXPECT_FALSE(info->Call("CheckCredit", {Value(unlimited), props()}).ToBool());
    EXPECT_EQ(boxes.size(), 2u);

    auto owing = Collection::Make({{"CustOrSupplyID", 107}, {"AllAmount", 10}});
    EXPECT_FALSE(info->Call("CheckUnCheckAmountOutOfDate", {Value(owing), props()}).ToBool());
    Exec(
        "Insert Into t_CC_StockBill (FID,FClassTypeID,FBillTypeID,FBillNo,FDate,FCustID,FStatus,"
        "FUnCheckAmount,FSettleLimitDate) Values (90,1030002,3001,'XOUT-OLD','2026-01-05',107,1,"
        "250,'2026-02-04')");
    EXPECT_TRUE(info->Call("CheckUnCheckAmountOutOfDate", {Value(owing), props()}).ToBool());
    host().Platform().QueueAnswer(kAnswerNo);
    EXPECT_FALSE(info->Call("UnCheckAmountOutOfDateSelectOK", {Value(owing), props()}).ToBool());
    EXPECT_NE(boxes.at(2).prompt.find("250"), std::string::npos);
}

TEST_F(StockTest, SerialNumbersTakenByALaterBillBlockTheRow) {
    auto serials = Create("QORMSerialNumMgr.clsInfo");
    auto ask = [&](int bill, std::initializer_list<Value> numbers) {
        Args args{props(), 1020002, bill, 1, 1009, 1, 0, 0, 0, 501, Value(ListOf(numbers))};
        return serials->Call("CheckSerialNumQty", args).ToBool();
    };
    // WIN000002 received 0001-0012; later bills issued 0001-0009.
    EXPECT_TRUE(ask(2, {"MD2026110010", "MD2026110012"}));
    EXPECT_FALSE(ask(2, {"MD2026110010", "MD2026110001"}));
    EXPECT_FALSE(ask(2, {}));                // none listed: every serial number of the row counts
    EXPECT_TRUE(ask(12, {"MD2026110009"}));  // the latest bill holding it
    EXPECT_TRUE(ask(0, {"MD2026110001"}));   // an unsaved bill recorded nothing
}

TEST_F(StockTest, CostsBatchNumbersAndItemInformation) {
    auto reader = Create("QORMCalCulateItemCost.StockBillReader");
    // 1001: 1200 for 1440 in stock 501, 240 for 288 in 502.
    EXPECT_DOUBLE_EQ(reader->Call("GetCost", {props(), 1001, 501, ""}).ToNumber(), 1.2);
    EXPECT_DOUBLE_EQ(reader->Call("GetCost", {props(), 1001, 0, ""}).ToNumber(), 1728.0 / 1440);
    EXPECT_DOUBLE_EQ(reader->Call("GetCost80", {props(), 1022, 501, "MT2026-0303"}).ToNumber(),
                     2300);
    EXPECT_EQ(reader->Call("GetCost", {props(), 4242, 0, ""}).ToNumber(), 0);  // nothing in stock

    // Batch numbers follow the date and the item's batches.
    auto rule = Create("QORMBatchNoRule.clsBatchNoRule");
    auto answer = rule->Call("GetBatchNo", {props(), "2026-12-06", 1005}).As<Collection>();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->Get("Prefix").ToString(), "20261206");
    EXPECT_EQ(answer->Get("CurSerial").ToNumber(), 1);
    EXPECT_EQ(answer->Get("SerialLen").ToNumber(), 3);
    Exec("Update t_cc_inventory Set FBatchNo='20261206007' Where FID=6");
    answer = rule->Call("GetBatchNo", {props(), "2026-12-06", 1005}).As<Collection>();
    EXPECT_EQ(answer->Get("CurSerial").ToNumber(), 8);

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
    auto contact = [](int isNew, int id, int first, const char* phone) {
        return Value(Collection::Make({{"FIsNew", isNew},
                                       {"FID", id},
                                       {"FIsFirst", first},
                                       {"FContact", "钱'多"},
                                       {"FAddress", "宁波"},
                                       {"FPhone", phone}}));
    };
    EXPECT_TRUE(
        update->Call("SaveContactData", {107, Value(ListOf({contact(1, 0, 0, "0574-1")})), props()})
            .ToBool());
    const std::string mine = " From t_Contact Where FItemID=107 And FContact='钱''多'";
    EXPECT_EQ(Text("Select FPhone" + mine), "0574-1");
    int id = static_cast<int>(Num("Select FID" + mine));
    update->Call("SaveContactData", {107, Value(ListOf({contact(0, id, 1, "0574-2")})), props()});
    EXPECT_EQ(Num("Select Count(*) From t_Contact Where FItemID=107"), 1);
    EXPECT_EQ(Text("Select FPhone From t_Contact Where FID=" + std::to_string(id)), "0574-2");
}

}  // namespace
}  // namespace qor::host::testing
