// The sales order around its editing on the demo database: loaded ordinary, web and rejected
// orders, the customer's balance, the composite quantity texts, copies, and what a save writes
// back (the purchase link and the order's contact).
#include <gtest/gtest.h>

#include "frame/data_access.h"

#include "tests/bill_order/order_fixture.h"

namespace qor {
namespace {

class OrderLife : public test::OrderTest {
protected:
    long Contacts(int customer, const std::string& name) {
        return Count("Select Count(*) From t_Contact Where FItemID=" + std::to_string(customer) +
                     " And FContact='" + name + "'");
    }
};

// ---- Loaded orders -----------------------------------------------------------------------------

TEST_F(OrderLife, ARejectedOrderLoadsWithoutCheckDeleteOrCopy) {
    ASSERT_TRUE(bill.form->LoadBill(3).done);
    Expect(-1, {{"FRejected", "1"}, {"FRejectedNote", "价格低于公司最低售价，请重新核价"}});
    ExpectShown({"mnuEditCheck", "mnuEditFileDelete"}, false);
    EXPECT_FALSE(Enabled("mnuEditCopy"));
    // Even if the user reached the delete, it is refused.
    bill.form->SetBarStatus("mnuEditFileDelete", "Visible", true);
    Prompts();
    ExpectRefused(bill.form->DeleteBill(), {"不能删除驳回状态的单据！"});
    EXPECT_EQ(Count("Select Count(*) From t_XS_Order Where FID=3"), 1);
}

TEST_F(OrderLife, AWebOrderLoadsLockedAndAnOrdinaryOrderWithoutWebFields) {
    ASSERT_TRUE(bill.form->LoadBill(5).done);
    for (const char* key : {"FCustID", "FDate", "FContact", "FWebTradeID", "FReceiverCity"})
        EXPECT_TRUE(bill.form->IsCellLocked(key, -1)) << key;
    EXPECT_TRUE(bill.form->IsFieldVisible("FWebTradeID"));
    ExpectShown({"mnuEditCopy", "mnuImportGoods", "mnuEditFileNew"}, false);
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[查看]");

    ASSERT_TRUE(bill.form->LoadBill(1, true).done);
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[修改]");
    ASSERT_TRUE(bill.New().done);
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[新增]");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_FALSE(bill.form->IsFieldVisible("FWebTradeID"));
    EXPECT_FALSE(bill.form->IsFieldVisible("FWebBillReceAmount"));
    ExpectShown({"mnuEditCopy", "mnuEditFileNew"}, true);
    EXPECT_TRUE(Enabled("mnuEditCopy"));
}

// After a save or a close the host shows the order in the view state: a web order still offers
// neither copy nor new, and the caption says the order is viewed.
TEST_F(OrderLife, ASavedOrClosedWebOrderKeepsItsLayout) {
    ASSERT_TRUE(bill.form->LoadBill(5, true).done);
    Edit("FExplanation", Value("已电话确认"));
    Saved();
    ExpectShown({"mnuEditCopy", "mnuEditFileNew", "mnuImportGoods"}, false);
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[查看]");
    ASSERT_TRUE(bill.form->ClickTool("mnuEditClose").done) << bill.Trapped();
    EXPECT_EQ(Count("Select FStatus From t_XS_Order Where FID=5"), 2);
    EXPECT_FALSE(Shown("mnuEditCopy"));
    EXPECT_TRUE(Shown("mnuEditUnClose"));

    NewPaperOrder();
    ASSERT_EQ(bill.form->BillForm()->Caption(), "销售订单[新增]");
    Saved();
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[查看]");
    EXPECT_TRUE(Shown("mnuEditCopy") && Enabled("mnuEditCopy"));
}

TEST_F(OrderLife, TheCustomersBalanceAsTheUserMaySeeIt) {
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_EQ(bill.form->StatusText(3), "往来余额36800.5,信用额度500000");
    demo.Host().SetInitClosed(false);
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_EQ(bill.form->StatusText(3), "往来余额0,信用额度0");
    demo.Host().DenyRight(40, 100, 1024);
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_EQ(bill.form->StatusText(3), "");
    ASSERT_TRUE(bill.New().done);
    EXPECT_EQ(bill.form->StatusText(3), "");
}

TEST_F(OrderLife, ALoadedOrderStoresTheCompositeQuantitiesItLacks) {
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_EQ(bill.Text("FComplexQtyDis", 1), "20箱");
    EXPECT_EQ(demo.Scalar("Select FComplexQtyDis From t_XS_OrderEntry Where FEntryID=1").ToString(),
              "20箱");
    // A row that has its text is not asked again.
    demo.Exec("Update t_XS_OrderEntry Set FComplexQtyDis='旧' Where FEntryID=9");
    ASSERT_TRUE(bill.form->LoadBill(6).done);
    EXPECT_EQ(bill.Text("FComplexQtyDis", 1), "旧");
}

// ---- New and copied orders ---------------------------------------------------------------------

TEST_F(OrderLife, ANewOrderAfterAClosedOneHasTheToolsOfANewOrder) {
    ASSERT_TRUE(bill.form->LoadBill(4).done);
    EXPECT_FALSE(Shown("mnuEditCheck"));
    EXPECT_TRUE(Shown("mnuEditUnClose"));
    ASSERT_TRUE(bill.New().done);
    EXPECT_TRUE(Shown("mnuEditCheck"));
    EXPECT_FALSE(Shown("mnuEditUnClose"));
    EXPECT_FALSE(Enabled("mnuExecuteProcess"));
}

TEST_F(OrderLife, ACopyIsANewOrderWithoutDepositOrRejection) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);
    ASSERT_DOUBLE_EQ(bill.Num("FXSDeposit"), 5000);
    ASSERT_TRUE(bill.form->CopyBill().done);
    EXPECT_EQ(bill.Num("FXSDeposit"), 0);
    EXPECT_GT(bill.Num("FTotalQty", 1), 0);

    demo.Exec("Update t_XS_Order Set FRejected=1,FRejectedNote='x' Where FID=1");
    auto& list = bill.ListOf({1});
    ASSERT_TRUE(list.ClickTool("mnuEditCopy").done);
    // The copied rows carry the stock as it is now.
    auto copied = list.MergedCopy()->Sub("Page2")->Sub("1");
    ASSERT_TRUE(copied);
    EXPECT_GT(copied->Sub("FTotalQty")->Get("FFLD").ToNumber(), 0);
    EXPECT_GT(copied->Sub("FXsOrderQty")->Get("FFLD").ToNumber(), 0);
    ASSERT_TRUE(bill.form->OpenCopy(list.MergedCopy()).done);
    Expect(-1, {{"FRejected", "0"}, {"FRejectedNote", ""}});
}

// ---- After a save ------------------------------------------------------------------------------

// The purchase side's update failing does not keep the contact from being written back.
TEST_F(OrderLife, AFailedPurchaseLinkStillWritesTheContactBack) {
    NewPaperOrder();
    Edit("FContact", Value("孙新"));
    demo.Exec("Drop Table t_CG_OrderEntry");
    const long trapped = DataGateway::Instance().TrappedErrors();
    Saved();
    EXPECT_EQ(
        Services().CallsTo("QOR_CG_PlugIns.BillEvent_Order", "updateXSOrderFUnLinkCGQty").size(),
        1u);
    EXPECT_EQ(DataGateway::Instance().TrappedErrors(), trapped + 1);
    EXPECT_EQ(Contacts(101, "孙新"), 1);
}

// A save refreshes the quantities not yet linked to purchase orders and writes a new contact back
// as typed.
TEST_F(OrderLife, ASaveRefreshesThePurchaseLinkAndWritesANewContactBackAsTyped) {
    NewPaperOrder(7);
    Edit("FContact", Value("O'Neil 钱"));
    Edit("FReceiveAddr", Value("杭州市西湖区文三路'1'号"));
    Edit("FPhone", Value("0571-1"));
    Saved();
    const std::string id = std::to_string(bill.form->CurBillID());
    auto calls = Services().CallsTo("QOR_CG_PlugIns.BillEvent_Order", "updateXSOrderFUnLinkCGQty");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args.at(0).ToNumber(), bill.form->CurBillID());
    EXPECT_DOUBLE_EQ(
        demo.Scalar("Select FUnLinkCGQty From t_XS_OrderEntry Where FID=" + id).ToNumber(), 7);
    // 杭州联华 has a first contact already.
    EXPECT_EQ(Count("Select Count(*) From t_Contact Where FItemID=101 And FContact='O''Neil 钱' "
                    "And FAddress='杭州市西湖区文三路''1''号' And FPhone='0571-1' And FIsFirst=0"),
              1);
}

TEST_F(OrderLife, AnExistingContactTakesTheOrdersAddressAndPhone) {
    NewPaperOrder();
    Edit("FCustID", Value(105));
    ASSERT_EQ(bill.Text("FContact"), "吴倩");
    Edit("FPhone", Value("022-1"));
    Saved();
    auto rs = demo.Db().Run("Select FPhone, FAddress, FEmail, FIsFirst From t_Contact Where FID=6");
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][0].ToString(), "022-1");
    // The address the customer change brought goes back unchanged, not emptied.
    EXPECT_EQ(rs.rows[0][1].ToString(), "天津市南开区黄河道467号");
    EXPECT_EQ(rs.rows[0][3].ToNumber(), 1);
}

TEST_F(OrderLife, TwoContactsOfTheNameWriteNothingButTheOrderIsSaved) {
    NewPaperOrder();
    Edit("FCustID", Value(102));
    ASSERT_EQ(bill.Text("FContact"), "陈丽");
    Edit("FPhone", Value("021-9"));
    Prompts();
    Saved();
    EXPECT_EQ(Prompts(), std::vector<std::string>{"反写联系人信息失败!\r\n\r\n"
                                                  "客户资料中存在多个同名联系人 [陈丽]'"});
    ASSERT_FALSE(Services().Shown().empty());
    EXPECT_EQ(Services().Shown().back().title, "澄石提示");
    EXPECT_EQ(Count("Select Count(*) From t_Contact Where FPhone='021-9'"), 0);
    EXPECT_GT(bill.form->CurBillID(), 0);
}

TEST_F(OrderLife, NoContactOrTheOptionOffWritesNothing) {
    NewPaperOrder();
    Edit("FContact", Value("  "));
    Saved();
    demo.Host().SetOption("IC", "UpdateRelaxAddrInSale", "0");
    NewPaperOrder();
    Edit("FContact", Value("新人"));
    Saved();
    EXPECT_EQ(Contacts(101, "新人"), 0);
    EXPECT_TRUE(Services().CallsTo("QOREBSGLItem.clsBarCodeUpdate", "SaveContactData").empty());
}

}  // namespace
}  // namespace qor
