// The sales order's reject flow through the host's text dialog on the demo database: the reason
// asked for, the marks stored and saved at once, a cancelled or blank reason changing nothing,
// a reason with quotes stored as typed, and an order the save refuses staying unrejected.
#include <gtest/gtest.h>

#include "tests/bill_order/order_fixture.h"

namespace qor {
namespace {

class OrderReject : public test::OrderTest {
protected:
    // Order SEORD000006 (saved, unchecked) opened for editing: the reject tool is there.
    void EditOrder6() {
        ASSERT_TRUE(bill.form->LoadBill(6, true).done);
        ASSERT_TRUE(Shown("mnuReject"));
    }
    std::string Stored(const char* column) {
        return demo.Scalar(std::string("Select ") + column + " From t_XS_Order Where FID=6")
            .ToString();
    }
    // The dialog the user saw last.
    const host::BoxRecord& LastDialog() {
        const auto& boxes = Platform().Boxes();
        EXPECT_FALSE(boxes.empty());
        EXPECT_TRUE(boxes.back().isDialog);
        return boxes.back();
    }
};

TEST_F(OrderReject, AReasonRejectsAndSavesTheOrder) {
    EditOrder6();
    bill.Answer(Value("价格有误"));
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done) << bill.Trapped();
    const auto& dialog = LastDialog();
    EXPECT_EQ(dialog.caption, "驳回原因");
    EXPECT_EQ(dialog.prompt, "请输入驳回原因：");
    EXPECT_TRUE(dialog.confirmed);
    EXPECT_EQ(Stored("FRejected"), "1");
    EXPECT_EQ(Stored("FRejectedNote"), "价格有误");
    EXPECT_EQ(Stored("FRejectedTime"), "2026-12-10 10:30:00");
    EXPECT_EQ(bill.form->BillStatus(), 0);
    ExpectShown({"mnuEditCheck", "mnuEditFileDelete", "mnuReject"}, false);
    EXPECT_FALSE(Enabled("mnuEditCopy"));
    EXPECT_EQ(bill.form->BillForm()->Caption(), "销售订单[查看]");
}

TEST_F(OrderReject, ACancelledOrBlankReasonChangesNothing) {
    for (const Value& answer : {Value(kAnswerCancel), Value("   "), Value()}) {
        EditOrder6();
        if (!answer.IsEmpty()) bill.Answer(answer);
        ASSERT_TRUE(bill.form->ClickTool("mnuReject").done);
        EXPECT_FALSE(LastDialog().confirmed);
        Expect(-1, {{"FRejected", "0"}, {"FRejectedNote", ""}});
        EXPECT_EQ(Stored("FRejected"), "0");
        EXPECT_EQ(bill.form->BillStatus(), 2);
    }
}

TEST_F(OrderReject, AReasonWithQuotesIsStoredAsTyped) {
    EditOrder6();
    bill.Answer(Value("客户说'不要了'; Drop Table t_XS_Order --"));
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done);
    EXPECT_EQ(Stored("FRejectedNote"), "客户说'不要了'; Drop Table t_XS_Order --");
    EXPECT_EQ(Count("Select Count(*) From t_XS_Order"), 6);
}

TEST_F(OrderReject, TheDialogStartsWithTheOrdersReason) {
    EditOrder6();
    bill.form->SetFieldValue("FRejectedNote", "上次的原因");
    bill.Answer(Value(kAnswerOk));
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done);
    EXPECT_EQ(LastDialog().answer.ToString(), "上次的原因");
    EXPECT_EQ(Stored("FRejectedNote"), "上次的原因");
    EXPECT_EQ(Stored("FRejected"), "1");
}

TEST_F(OrderReject, AnOrderTheSaveRefusesIsNotRejected) {
    EditOrder6();
    Edit("FFetchDate", Value("2026-12-01"));  // before the order date
    bill.Answer(Value("价格有误"));
    Prompts();
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done);
    EXPECT_EQ(Prompts().back(), "交货日期不能小于单据日期");
    Expect(-1, {{"FRejected", "0"}, {"FRejectedNote", ""}});
    EXPECT_EQ(Stored("FRejected"), "0");
}

TEST_F(OrderReject, ARejectedOrderLoadsRejectedAndAnEditClearsIt) {
    EditOrder6();
    bill.Answer(Value("价格有误"));
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done);
    ASSERT_TRUE(bill.form->LoadBill(6, true).done);
    EXPECT_EQ(bill.Text("FRejectedTime"), "2026-12-10 10:30:00");
    EXPECT_FALSE(Shown("mnuEditCheck"));
    Edit("FShowQty", 1, Value(41));
    EXPECT_EQ(bill.Text("FRejected"), "0");
    ASSERT_TRUE(bill.form->Save().done);
    EXPECT_EQ(Stored("FRejected"), "0");
    EXPECT_EQ(Stored("FRejectedTime"), "");
}

}  // namespace
}  // namespace qor
