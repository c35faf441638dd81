// The sales order's checks on the demo database: what a save refuses and what it sets, the
// customer's floor prices and credit, and the check and uncheck of rejected orders in the form
// and in the list, with the list's guards against deleting rejected and copying web orders.
#include <gtest/gtest.h>

#include "tests/bill_order/order_fixture.h"

namespace qor {
namespace {

class OrderChecks : public test::OrderTest {
protected:
    // Saves and returns the prompts; the test fails unless the save was cancelled.
    std::vector<std::string> SaveRefused() {
        Prompts();
        auto r = bill.form->Save();
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        return Prompts();
    }
    long Status(int id) {
        return Count("Select FStatus From t_XS_Order Where FID=" + std::to_string(id));
    }
};

// ---- Save
// ----------------------------------------------------------------------------------------

TEST_F(OrderChecks, ADiscountRateAbove0AndAtMost100Passes) {
    for (const auto& [rate, refused] :
         {std::pair{100.0, false}, std::pair{0.01, false}, std::pair{0.0, true},
          std::pair{-5.0, true}, std::pair{100.01, true}}) {
        SCOPED_TRACE(rate);
        NewPaperOrder();
        Edit("FItemID", 2, Value(1017));
        Edit("FDiscountRate", 2, Value(rate));
        const long before = Count("Select Count(*) From t_XS_Order");
        if (!refused) {
            Saved();
            continue;
        }
        EXPECT_EQ(SaveRefused(), std::vector<std::string>{"第2行折扣率必须大于0小于等于100。"});
        EXPECT_EQ(bill.form->ActiveKey(), "FDiscountRate");
        EXPECT_EQ(bill.form->ActiveRow(), 2);
        EXPECT_EQ(Count("Select Count(*) From t_XS_Order"), before);
    }
}

TEST_F(OrderChecks, TheDeliveryDateMayNotBeBeforeTheOrderDate) {
    NewPaperOrder();
    Edit("FFetchDate", Value("2026-12-09"));
    EXPECT_EQ(SaveRefused(), std::vector<std::string>{"交货日期不能小于单据日期"});
    EXPECT_EQ(bill.form->ActiveKey(), "FDate");
    Edit("FFetchDate", Value("2026-12-10"));
    Saved();
}

TEST_F(OrderChecks, ASaveSetsTheTotalTheTypeAndWhatIsStillToDeliver) {
    NewPaperOrder(4);
    Edit("FItemID", 2, Value(1003));
    Edit("FSecQty", 2, Value(2));  // two cases of milk: 24 cartons
    bill.form->SetFieldValue("FBillTypeID", 0);
    Saved();
    const std::string id = std::to_string(bill.form->CurBillID());
    auto order = demo.Db().Run("Select FBillTypeID, FAllAmount From t_XS_Order Where FID=" + id);
    EXPECT_EQ(order.rows.at(0)[0].ToNumber(), 3031);
    EXPECT_NEAR(order.rows.at(0)[1].ToNumber(), 113 + bill.Num("FInTaxAmount", 2), 1e-6);
    auto rows =
        demo.Db().Run("Select FUnSendQty, FUnSendAuxQty From t_XS_OrderEntry Where FID=" + id +
                      " Order By FIndex");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows.rows[0][0].ToNumber(), 4);
    EXPECT_DOUBLE_EQ(rows.rows[1][0].ToNumber(), 24);
    EXPECT_DOUBLE_EQ(rows.rows[1][1].ToNumber(), 2);
    // A checked order keeps what it still has to deliver when it is saved again.
    ASSERT_TRUE(bill.form->LoadBill(1, true).done);
    Edit("FExplanation", Value("补货"));
    Saved();
    EXPECT_DOUBLE_EQ(
        demo.Scalar("Select FUnSendQty From t_XS_OrderEntry Where FEntryID=1").ToNumber(), 16);
}

// The save drops the rows left without an item (the first row stays) and keeps every row after
// them.
TEST_F(OrderChecks, ASaveDropsEmptyRowsAndKeepsTheRowsAfterThem) {
    NewPaperOrder();
    while (bill.form->GridMaxDataRowNum() < 4) ASSERT_TRUE(bill.form->AddRow().done);
    Edit("FItemID", 3, Value(1003));
    Edit("FShowQty", 3, Value(5));
    Saved();
    const std::string id = std::to_string(bill.form->CurBillID());
    auto rows =
        demo.Db().Run("Select FItemID, FShowQty, FUnSendQty From t_XS_OrderEntry Where FID=" + id +
                      " Order By FIndex");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[1][0].ToNumber(), 1003);
    EXPECT_DOUBLE_EQ(rows.rows[1][1].ToNumber(), 5);
    EXPECT_DOUBLE_EQ(rows.rows[1][2].ToNumber(), 5);
    EXPECT_EQ(bill.form->GridMaxDataRowNum(), 2);
}

TEST_F(OrderChecks, APriceBelowTheFloorIsRefused) {
    NewOrderOf(1001);  // a case of water, floor price 30
    Edit("FPrice", 1, Value(25));
    const auto prompts = SaveRefused();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("低于最低限价"), std::string::npos) << prompts[0];
    EXPECT_EQ(bill.form->ActiveKey(), "FPrice");
    // Without customer controls (control point 1) the floor prices are not asked.
    demo.Host().SetOption("IC", "ControlPoint", "1");
    Saved();
}

TEST_F(OrderChecks, OverTheCreditLimitTheUserDecides) {
    NewPaperOrder();
    Services().answers().creditExceeded = true;
    bill.Answer(Value(kAnswerNo));
    const auto prompts = SaveRefused();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("超出信用额度"), std::string::npos) << prompts[0];
    bill.Answer(Value(kAnswerYes));
    Saved();
}

// ---- Check and uncheck -------------------------------------------------------------------------

TEST_F(OrderChecks, ARejectedOrderIsNeitherCheckedNorUnchecked) {
    ASSERT_TRUE(bill.form->LoadBill(3).done);
    ASSERT_FALSE(Shown("mnuEditCheck"));
    // Even if the user reached the check, it is refused.
    bill.form->SetBarStatus("mnuEditCheck", "Visible", true);
    Prompts();
    ExpectRefused(bill.form->Check(), {"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    EXPECT_EQ(Status(3), 0);

    demo.Exec("Update t_XS_Order Set FRejected=1 Where FID=1");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ExpectRefused(bill.form->Uncheck(), {"你选择的单据为驳回状态，不允许反审核，请重新选择。"});
    EXPECT_EQ(Status(1), 1);
}

TEST_F(OrderChecks, TheStockComponentChecksAndUnchecksTheOrder) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);
    ASSERT_TRUE(bill.form->Check().done) << bill.Trapped();
    EXPECT_EQ(Status(6), 1);
    ASSERT_TRUE(bill.form->LoadBill(6).done);
    ASSERT_TRUE(bill.form->Uncheck().done) << bill.Trapped();
    EXPECT_EQ(Status(6), 0);
    EXPECT_EQ(Services().CallsTo("QOR_CC_PlugIns.clsStockInfo", "CheckBill").size(), 2u);
}

// The stock component's refusal of a closed order's uncheck (its code 2) is told in the form; in
// the list the component has told the user itself.
TEST_F(OrderChecks, TheStockComponentsRefusalIsShownInTheFormOnly) {
    ASSERT_TRUE(bill.form->LoadBill(4).done);
    ASSERT_TRUE(Shown("mnuEditUnCheck"));
    ASSERT_FALSE(Enabled("mnuEditUnCheck"));
    bill.form->SetBarStatus("mnuEditUnCheck", "Enabled", true);
    Prompts();
    ExpectRefused(bill.form->Uncheck(), {"单据SEORD000004已经关闭，不能反审核。"});
    auto& list = bill.ListOf({4});
    EXPECT_TRUE(list.Uncheck().cancelled);
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(Status(4), 2);
}

TEST_F(OrderChecks, TheListRefusesASelectionWithARejectedOrder) {
    auto& list = bill.ListOf({6, 3});
    Prompts();
    ExpectRefused(list.Check(), {"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    EXPECT_EQ(Status(6), 0);
    // Without the rejected order the selection is checked.
    list.Select({6});
    EXPECT_TRUE(list.Check().done);
    EXPECT_EQ(Status(6), 1);
}

TEST_F(OrderChecks, TheListDeletesNoRejectedOrderAndCopiesNoWebOrder) {
    auto& list = bill.ListOf({6, 3});
    Prompts();
    ExpectRefused(list.ClickTool("mnuEditDelete"),
                  {"你选择的单据包含驳回状态的订单，不允许删除，请重新选择。"});
    EXPECT_EQ(Count("Select Count(*) From t_XS_Order Where FID In (3,6)"), 2);
    for (const char* copy : {"mnuEditCopy", "mnuEditCopyEntry"}) {
        list.Select({1, 5});
        EXPECT_TRUE(list.ClickTool(copy).cancelled) << copy;
        EXPECT_EQ(Prompts(),
                  std::vector<std::string>{"你选择的单据包含网上订单，不允许复制，请重新选择。"});
    }
    list.Select({6});
    EXPECT_TRUE(list.ClickTool("mnuEditDelete").done);
    EXPECT_EQ(Count("Select Count(*) From t_XS_Order Where FID=6"), 0);
}

TEST_F(OrderChecks, TheWebOrderListOffersNeitherNewNorCopy) {
    test::PlugInBill web{demo, "weborder"};
    web.ListOf({5});
    EXPECT_FALSE(web.list->Menus().Tool("mnuFileNew")->Visible());
    EXPECT_FALSE(web.list->Menus().Tool("mnuEditCopy")->Visible());
    EXPECT_TRUE(web.list->Menus().Tool("mnuEditCheck")->Visible());
    bill.ListOf({1});
    EXPECT_TRUE(bill.list->Menus().Tool("mnuEditCopy")->Visible());
    EXPECT_TRUE(bill.list->Menus().Tool("mnuEditUnCheck")->Visible());
}

// ---- The industry edition ----------------------------------------------------------------------

TEST_F(OrderChecks, IndustryOrdersKeepPricesOnACustomerChangeAndNeedCalculationTypes) {
    demo.Host().SetIndustryType(1);
    NewOrderOf(1016);  // pork, calculated by type
    EXPECT_GT(bill.Num("FCalTypeID", 1), 0);
    Edit("FPrice", 1, Value(30));
    Edit("FCustID", Value(102));
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 1), 30);
    bill.form->SetFieldValue("FCalTypeID", 0, 1);
    EXPECT_EQ(SaveRefused(), std::vector<std::string>{"第1行计算方式不能为空。"});
    EXPECT_EQ(bill.form->ActiveKey(), "FCalTypeID");
}

}  // namespace
}  // namespace qor
