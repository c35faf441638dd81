// Checking, closing and invalidating bills through the sibling libraries' bill services, and
// the windows and tools the plug-ins open.
#include <gtest/gtest.h>

#include "frame/errors.h"
#include "host_fixture.h"

namespace qor::host::testing {
namespace {

using BillServicesTest = HostTest;

TEST_F(BillServicesTest, OrdersCloseWhenCheckedReopenWhenClosedAndSumTheirLinks) {
    auto update = Create("QORM_XS_PlugIns.OrderUpdate");
    auto close = [&](Args args) { return update->Call("CloseBill", args).ToBool(); };
    const std::string status = "Select FStatus From t_XS_Order Where FID=";
    EXPECT_TRUE(close({false, 1, props()}));
    EXPECT_EQ(Num(status + "1"), 2);
    EXPECT_FALSE(close({false, 1, props()}));  // already closed
    EXPECT_TRUE(close({1, props()}));
    EXPECT_EQ(Num(status + "1"), 1);
    EXPECT_FALSE(close({1, props()}));  // not closed
    // A saved order is not closed before it is checked.
    EXPECT_FALSE(close({false, 3, props()}));
    EXPECT_EQ(Num(status + "3"), 0);

    double qty =
        Num("Select Sum(FQty) From t_CC_StockBillEntry Where FClassID_SRC=1030001 And "
            "FID_SRC=2");
    ASSERT_GT(qty, 0);
    EXPECT_DOUBLE_EQ(update->Call("GetLinkQty", {props(), 2}).ToNumber(), qty);
    EXPECT_DOUBLE_EQ(update->Call("GetLinkQty", {props(), 2, 4}).ToNumber(), 6);  // entry 4: 1009
    EXPECT_EQ(update->Call("GetLinkQty", {props(), 6}).ToNumber(), 0);
    // Purchase orders drawn from a sales order reduce its unlinked quantity.
    EXPECT_TRUE(
        Create("QOR_CG_PlugIns.BillEvent_Order")->Call("updateXSOrderFUnLinkCGQty", {2}).ToBool());
    double linked =
        Num("Select Sum(FQty) From t_CG_OrderEntry Where FClassID_SRC=1030001 And FEntryID_SRC=4");
    EXPECT_DOUBLE_EQ(Num("Select FUnLinkCGQty From t_XS_OrderEntry Where FEntryID=4"),
                     std::max(0.0, 20 - linked));
    EXPECT_DOUBLE_EQ(Num("Select FUnLinkCGQty From t_XS_OrderEntry Where FEntryID=5"), 30);
}

TEST_F(BillServicesTest, OpeningBillsCheckAndUncheckWhileNothingWasSettled) {
    auto gj = Create("QORM_XS_PlugIns.TempGJUpdate");
    std::string message;
    auto check = [&](bool on, int bill, const char* service = "QORM_XS_PlugIns.TempGJUpdate") {
        Args args{"", on, bill, props()};
        bool done = Create(service)->Call("CheckBill", args).ToBool();
        message = args[0].ToString();
        return done;
    };
    // QCZG000001 (FID 11) is saved with its open quantity equal to its quantity.
    EXPECT_TRUE(check(true, 11)) << message;
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=11"), 1);
    EXPECT_FALSE(check(true, 11));
    EXPECT_FALSE(message.empty());
    // Once part of it is settled it stays checked.
    Exec("Update t_CC_StockBillEntry Set FUnSettleQty=FShowQty-1 Where FID=11");
    EXPECT_FALSE(check(false, 11));
    EXPECT_NE(message.find("QCZG000001"), std::string::npos);
    Exec("Update t_CC_StockBillEntry Set FUnSettleQty=FShowQty Where FID=11");
    EXPECT_TRUE(check(false, 11)) << message;
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=11"), 0);
    EXPECT_FALSE(check(true, 0, "QORM_XS_PlugIns.TempConsignUpdate"));
}

TEST_F(BillServicesTest, SpecialPricesComeIntoForceWhenCheckedAndLeaveWhenInvalidated) {
    Exec(
        "Insert Into T_LS_CX (FID,FClassTypeID,FBillNo,FDate,FPriceType,FBeginDate,FEndDate,"
        "FBeginTime,FEndTime,FStatus) Values (50,1030006,'TJ-T-1','2026-12-06',1,'2026-12-06',"
        "'2027-01-05','00:00','23:59',0)");
    Exec(
        "Insert Into T_LS_CXEntry (FEntryID,FID,FIndex,FItemID,FShowUnitID,FOldPrice,FNewPrice) "
        "Values (500,50,1,1009,3081,349,299)");
    auto cx = Create("QORM_XS_PlugIns.CXUpdate");
    std::string message;
    auto call = [&](const char* method, Value flag) {
        Args args{50, 1030006, flag, props(), ""};
        double answer = cx->Call(method, args).ToNumber();
        message = args[4].ToString();
        return answer;
    };
    EXPECT_EQ(call("CheckBill", false), 2);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(call("CheckBill", true), 1);
    EXPECT_EQ(Num("Select FStatus From T_LS_CX Where FID=50"), 1);
    EXPECT_DOUBLE_EQ(
        Num("Select FXSPrice From t_LS_ItemPrice Where FXSBillNo='TJ-T-1' And FItemID=1009"), 299);
    EXPECT_EQ(Text("Select FXSEndTime From t_LS_ItemPrice Where FXSBillNo='TJ-T-1'"), "23:59:00");
    EXPECT_EQ(call("InvalidBill", 1), 1);
    EXPECT_EQ(Num("Select FStatus From T_LS_CX Where FID=50"), 3);
    EXPECT_EQ(Num("Select Count(*) From t_LS_ItemPrice Where FXSBillNo='TJ-T-1'"), 0);
    EXPECT_EQ(call("InvalidBill", 1), -1);
    EXPECT_FALSE(message.empty());
}

TEST_F(BillServicesTest, PurchaseBillLinksAndColumnTotals) {
    auto gj = Create("QORM_CG_PlugIns.GJUpdate");
    // XOUT000005 drew one 1009 from WIN000002.
    EXPECT_DOUBLE_EQ(gj->Call("GetGHDLinkQty", {props(), 2}).ToNumber(), 1);
    EXPECT_DOUBLE_EQ(gj->Call("GetGHDLinkTaxAmount", {props(), 2, 3}).ToNumber(), 394.37);
    EXPECT_DOUBLE_EQ(gj->Call("GetGHDFieldSumValue", {props(), 2, "FQty"}).ToNumber(), 17);
    EXPECT_DOUBLE_EQ(gj->Call("GetFieldSumValue", {props(), 1030001, 1, "FShowQty"}).ToNumber(),
                     35);
    // A column name is never text the caller can smuggle SQL into.
    EXPECT_THROW(gj->Call("GetGHDFieldSumValue", {props(), 2, "FQty) From t_User --"}), HostError);
}

TEST_F(BillServicesTest, CustomerSelectionKeepsThePreselectionUnlessTheUserChooses) {
    auto view = Create("QOREBCGLView.GLView");
    auto chosen = view->Call("ItemSelect", {"特价单客户", true, "101,102"}).As<Collection>();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->Get("CheckPoints").ToString(), "101,102");
    auto items = chosen->Sub("CheckItems");
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->Count(), 2u);
    EXPECT_EQ(items->Sub("101")->Get("ShowName").ToString(), "01.001-杭州联华华商集团有限公司");

    services().answers().hasItemSelection = true;
    services().answers().itemSelection = {104, 999999};  // an unknown identifier is dropped
    chosen = view->Call("ItemSelect", {"特价单客户", true, "101,102"}).As<Collection>();
    EXPECT_EQ(chosen->Get("CheckPoints").ToString(), "104");
    EXPECT_EQ(chosen->Get("ShowName").ToString(), "北京京客隆商业集团股份有限公司");
    // The choice was that tree's: the next one keeps its preselection again.
    chosen = view->Call("ItemSelect", {"特价单客户", true, "102"}).As<Collection>();
    EXPECT_EQ(chosen->Get("CheckPoints").ToString(), "102");
}

// The message window (QORDisplayer.DispBuilder) and the related-bills window are shown with
// their titles, lines and rows by SaleList.LogisticsBillsAreMadeOnePerBillOrOneForAll, the
// sales bill's tool tests and ScenarioComponents.WhatTheSalesBillAskedOfTheHostHolds.
TEST_F(BillServicesTest, TheStringBuilderJoinsWhatWasAppended) {
    auto sb = Create("pelic.stringbuilder");
    sb->Call("Append", {"第1行"});
    sb->Call("Append", {"批号不同"});
    EXPECT_EQ(sb->Call("StringValue", {}).ToString(), "第1行批号不同");
    EXPECT_EQ(Create("pelic.stringbuilder")->Call("StringValue", {}).ToString(), "");
}

// The dictionary the invoicing component receives is pinned by the invoicing tests.
TEST_F(BillServicesTest, InvoicingReadsTheItemsTaxRate) {
    auto tax = Create("QORMInvoiceManage.clsInvoiceManage")
                   ->Call("GetICItemInfo", {props(), 1009})
                   .As<Collection>();
    ASSERT_NE(tax, nullptr);
    EXPECT_EQ(tax->Get("FTaxRate").ToNumber(),
              Num("Select FTaxRate From t_ICItem Where FItemID=1009"));
}

// Making the logistics bills of checked sales bills, and refusing unchecked ones, is shown by
// SaleList.LogisticsBillsAreMadeOnePerBillOrOneForAll; here that a bill gets one only once.
TEST_F(BillServicesTest, LogisticsBillsAreMadeOnce) {
    auto app = Create("QORLogisticManage.Application");
    auto bills = ListOf({Value(Collection::Make({{"BillNo", "XOUT000004"}, {"Status", 1}}))});
    auto info = Create("QORMLogisticManage.clsInfo");
    EXPECT_FALSE(info->Call("ExistsMakeLogistic", {props(), "XOUT000004"}).ToBool());
    Args args{props(), Value(bills), ""};
    EXPECT_EQ(app->Call("BatchMakeLogisticDataProc", args).ToNumber(), 1);
    EXPECT_TRUE(info->Call("ExistsMakeLogistic", {props(), "XOUT000004"}).ToBool());
    Args again{props(), Value(bills), ""};
    EXPECT_EQ(app->Call("BatchMakeLogisticDataProc", again).ToNumber(), 0);
}

}  // namespace
}  // namespace qor::host::testing
