// The sales order's tools on the demo database: the reject-note dialog, reject, close and
// re-open with their refusals, the execution report and the purchase-order record, and the
// tools' state by the order's status.
#include <gtest/gtest.h>

#include <algorithm>

#include "bills/order/frm_reject_note.h"
#include "tests/bill_order/order_fixture.h"

namespace qor {
namespace {

// ---- The reject-note dialog --------------------------------------------------------------------

TEST(RejectNoteDialog, OkOnlyForAReasonThatIsNotBlankAndCancelKeepsTheBillsReason) {
    frmRejectNote dialog;
    dialog.Form_Load();
    EXPECT_FALSE(dialog.OkEnabled());
    EXPECT_FALSE(dialog.Confirmed);
    dialog.textRejectNote_Change("   ");
    EXPECT_FALSE(dialog.OkEnabled());
    dialog.cmdOK_Click();  // a disabled button does nothing
    EXPECT_FALSE(dialog.Confirmed);
    dialog.textRejectNote_Change(" 价格有误 ");
    EXPECT_TRUE(dialog.OkEnabled());
    dialog.cmdOK_Click();
    EXPECT_TRUE(dialog.Confirmed);
    EXPECT_EQ(dialog.RejectNote, " 价格有误 ");

    // Opened again on a bill with a reason, the dialog starts with it; cancel keeps it.
    dialog.RejectNote = "旧原因";
    dialog.Form_Load();
    EXPECT_FALSE(dialog.Confirmed);
    EXPECT_EQ(dialog.Text(), "旧原因");
    EXPECT_TRUE(dialog.OkEnabled());
    dialog.textRejectNote_Change("新原因");
    dialog.cmdCancel_Click();
    EXPECT_FALSE(dialog.Confirmed);
    EXPECT_EQ(dialog.RejectNote, "旧原因");
}

class OrderTools : public test::OrderTest {
protected:
    // The last window the host's components showed.
    const host::ShownWindow& LastWindow() {
        EXPECT_FALSE(Services().Shown().empty());
        return Services().Shown().back();
    }
    long Status(int id) {
        return Count("Select FStatus From t_XS_Order Where FID=" + std::to_string(id));
    }
};

// ---- Close and re-open
// ---------------------------------------------------------------------------

TEST_F(OrderTools, ACheckedOrderClosesAndReopensWhileGoodsAreOpen) {
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(Shown("mnuEditClose"));
    ASSERT_FALSE(Shown("mnuEditUnClose"));
    ASSERT_TRUE(bill.form->ClickTool("mnuEditClose").done) << bill.Trapped();
    EXPECT_EQ(Status(1), 2);
    EXPECT_EQ(bill.Num("FStatus"), 2);
    EXPECT_EQ(bill.form->BillStatus(), 0);
    EXPECT_FALSE(Shown("mnuEditClose"));
    EXPECT_TRUE(Shown("mnuEditUnClose"));
    EXPECT_FALSE(Enabled("mnuEditUnCheck"));
    ASSERT_TRUE(bill.form->ClickTool("mnuEditUnClose").done) << bill.Trapped();
    EXPECT_EQ(Status(1), 1);
    EXPECT_TRUE(Shown("mnuEditClose"));
}

TEST_F(OrderTools, AFullyDeliveredOrderIsNotReopened) {
    ASSERT_TRUE(bill.form->LoadBill(4).done);
    Prompts();
    ExpectRefused(bill.form->ClickTool("mnuEditUnClose"), {"当前单据已被完全执行,不能反关闭"});
    EXPECT_EQ(Status(4), 2);
}

TEST_F(OrderTools, AnUncheckedOrAnUnsavedOrderIsNotClosed) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);
    EXPECT_FALSE(Shown("mnuEditClose"));
    EXPECT_FALSE(bill.form->ClickTool("mnuEditClose").done);
    // Reached all the same, the component leaves it open and so does the form.
    bill.form->SetBarStatus("mnuEditClose", "Visible", true);
    bill.form->ClickTool("mnuEditClose");
    EXPECT_EQ(Status(6), 0);
    EXPECT_EQ(bill.Num("FStatus"), 0);

    NewPaperOrder();
    bill.form->SetBarStatus("mnuEditClose", "Visible", true);
    Prompts();
    ExpectRefused(bill.form->ClickTool("mnuEditClose"), {"请先保存单据"});
}

// ---- Execution report --------------------------------------------------------------------------

TEST_F(OrderTools, TheExecutionReportShowsEachRowOnce) {
    ASSERT_TRUE(bill.form->LoadBill(2).done);
    ASSERT_TRUE(bill.form->ClickTool("mnuExecuteProcess").done);
    const auto& w = LastWindow();
    EXPECT_EQ(w.title, "销售订单执行情况");
    EXPECT_EQ(w.data->Get("TitleName").ToString(), "销售订单信息");
    auto rows = w.data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows);
    // The consignment WTDX000001 (two rows) and what came of it: a settlement and a return.
    std::vector<std::pair<std::string, double>> seen;
    for (; !rows->IsEOF(); rows->MoveNext())
        seen.emplace_back(rows->Field("FBillNo").ToString(), rows->Field("FShowQty").ToNumber());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen,
              (std::vector<std::pair<std::string, double>>{
                  {"WTDX000001", 6}, {"WTDX000001", 10}, {"WTDX000002", -2}, {"XOUT000004", 2}}));
    auto title = w.data->Get("TitleDict").As<Collection>();
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Sub("单据编号")->Get("Value").ToString(), "SEORD000002");
    EXPECT_TRUE(title->Exists("金额合计"));
}

TEST_F(OrderTools, ThePurchaseRecordShowsThePurchaseOrdersDrawnFromTheOrder) {
    ASSERT_TRUE(bill.form->LoadBill(2).done);
    ASSERT_TRUE(bill.form->ClickTool("mnuQueryGHOrder").done);
    const auto& w = LastWindow();
    EXPECT_EQ(w.title, "查询采购订单记录");
    auto rows = w.data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows);
    ASSERT_FALSE(rows->IsEOF());
    EXPECT_EQ(rows->Field("FBillNo").ToString(), "POORD000002");
    EXPECT_EQ(rows->Field("FBillTypeName").ToString(), "采购订单");
    rows->MoveNext();
    EXPECT_TRUE(rows->IsEOF());
    auto title = w.data->Get("TitleDict").As<Collection>();
    EXPECT_TRUE(title->Exists("数量合计"));
}

TEST_F(OrderTools, AnUnsavedOrderHasNoReportYet) {
    NewPaperOrder();
    bill.form->SetBarStatus("mnuExecuteProcess", "Enabled", true);
    Prompts();
    EXPECT_TRUE(bill.form->ClickTool("mnuExecuteProcess").done);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"请先保存单据"});
    EXPECT_TRUE(Services().Shown().empty());
}

// ---- The tools' state --------------------------------------------------------------------------

TEST_F(OrderTools, TheToolsFollowTheOrdersState) {
    ASSERT_TRUE(bill.New().done);
    EXPECT_TRUE(Shown("mnuEditCheck") && Enabled("mnuEditCheck"));
    ExpectShown({"mnuEditUnCheck", "mnuReject"}, false);
    ExpectEnabled({"mnuQueryGHOrder", "mnuRelatePushBill_1030002"}, false);
    EXPECT_EQ(Tool("mnuRelatePushBill_1030002")->Description(), "生成销售发货单");
    EXPECT_EQ(Tool("mnuRelatePushBill_1050001")->Description(), "生成预收款单");

    ASSERT_TRUE(bill.form->LoadBill(1).done);  // checked, no deposit
    ExpectShown({"mnuEditCheck", "mnuRelateViewVoucher"}, false);
    EXPECT_TRUE(Shown("mnuEditUnCheck"));
    ExpectEnabled({"mnuEditUnCheck", "mnuRelatePushBill_1030002", "mnuExecuteProcess"}, true);
    EXPECT_FALSE(Enabled("mnuRelatePushBill_1050001"));

    demo.Exec("Update t_XS_Order Set FXSDeposit=100 Where FID=1");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    EXPECT_TRUE(Enabled("mnuRelatePushBill_1050001"));

    // A new order once saved has the tools of a saved order.
    NewPaperOrder();
    ASSERT_TRUE(bill.form->Save().done);
    EXPECT_TRUE(Enabled("mnuQueryGHOrder"));
    EXPECT_TRUE(Shown("mnuEditCheck"));

    ASSERT_TRUE(bill.form->LoadBill(6).done);  // saved, unchecked
    EXPECT_TRUE(Shown("mnuEditCheck"));
    ExpectShown({"mnuEditClose", "mnuReject"}, false);
    EXPECT_TRUE(Enabled("mnuQueryGHOrder"));
    EXPECT_FALSE(Enabled("mnuExecuteProcess"));
}

}  // namespace
}  // namespace qor
