// The sales order's field-change rules on the demo database: the amount and tax tails, the
// discount-price rule, the customer change with and without the user's price option, the item
// rule's tax rate and stock columns, the second coefficient, the customer's item code, the web
// order's amounts and the rejection reset.
#include <gtest/gtest.h>

#include "bills/order/order_rules.h"
#include "tests/bill_order/order_fixture.h"

namespace qor {
namespace {

class OrderChanges : public test::OrderTest {};

// ---- Amount and tax tails ----------------------------------------------------------------------

struct TailCase {
    const char* what;
    const char* key;
    double value;
    double amount, tax, inTax;
    const char* message;  // "" when the edit stands
};

class OrderTails : public test::OrderTest, public ::testing::WithParamInterface<TailCase> {};

// 4 packs of paper at 25 with 13 % tax: amount 100, tax 13, total 113.
TEST_P(OrderTails, AdjustOnlyTheRoundingTail) {
    const TailCase& c = GetParam();
    NewPaperOrder();
    ASSERT_DOUBLE_EQ(bill.Num("FInTaxAmount", 1), 113);
    Prompts();
    Edit(c.key, 1, Value(c.value));
    EXPECT_NEAR(bill.Num("FAmount", 1), c.amount, 1e-9);
    EXPECT_NEAR(bill.Num("FTaxAmount", 1), c.tax, 1e-9);
    EXPECT_NEAR(bill.Num("FInTaxAmount", 1), c.inTax, 1e-9);
    std::vector<std::string> expected;
    if (*c.message) expected.push_back(c.message);
    EXPECT_EQ(Prompts(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, OrderTails,
    ::testing::Values(
        // An amount moved by less than 0.05 is a tail: the tax absorbs it, the total stands.
        TailCase{"amount by 0.04", "FAmount", 100.04, 100.04, 12.96, 113, ""},
        TailCase{"amount by -0.04", "FAmount", 99.96, 99.96, 13.04, 113, ""},
        // By 0.05 it is an ordinary change: the total follows.
        TailCase{"amount by 0.05", "FAmount", 100.05, 100.05, 13, 113.05, ""},
        // A tax moved by 0.05 at most is a tail: the amount takes the rest of the total.
        TailCase{"tax by 0.05", "FTaxAmount", 13.05, 100, 13.05, 113.05, ""},
        TailCase{"tax by -0.03", "FTaxAmount", 12.97, 100, 12.97, 112.97, ""},
        // More is refused and the row keeps its tax and total.
        TailCase{"tax by 0.06", "FTaxAmount", 13.06, 100, 13, 113, "税额只能进行尾差调整"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST_F(OrderChanges, ATaxFreeRowRefusesAnAmountTail) {
    NewPaperOrder();
    Edit("FTaxRate", 1, Value(0));
    ASSERT_DOUBLE_EQ(bill.Num("FTaxAmount", 1), 0);
    Prompts();
    Edit("FAmount", 1, Value(100.03));
    EXPECT_EQ(Prompts(), std::vector<std::string>{"非税尾差调整请直接调整价税合计"});
    EXPECT_DOUBLE_EQ(bill.Num("FAmount", 1), 100);
}

// ---- Discounted prices -------------------------------------------------------------------------

TEST_F(OrderChanges, ADiscountedPriceMovesTheListPriceOrTheRate) {
    NewPaperOrder();
    Edit("FDiscountRate", 1, Value(80));
    // The rate stays: the list price is the discounted price over the rate.
    Edit("FPriceDiscount", 1, Value(24));
    EXPECT_NEAR(bill.Num("FPrice", 1), 30, 1e-9);
    EXPECT_NEAR(bill.Num("FDiscountAmount", 1), (30 - 24) * 4, 1e-9);
    EXPECT_NEAR(bill.Num("FTaxPrice", 1), 24 * 1.13, 1e-9);
    EXPECT_NEAR(bill.Num("FTaxAmount", 1), 4 * 24 * 0.13, 1e-9);
    EXPECT_NEAR(bill.Num("FInTaxAmount", 1), 4 * 24 * 1.13, 1e-9);
    EXPECT_NEAR(bill.Num("FNoDiscAmount", 1), 30 * 4, 1e-9);
    // With the option checked the list price stays and the rate follows.
    ASSERT_TRUE(bill.form->ClickTool("mnuOptionPriceCalcDiscount").done);
    ASSERT_TRUE(Tool("mnuOptionPriceCalcDiscount")->Checked());
    Edit("FPriceDiscount", 1, Value(27));
    EXPECT_NEAR(bill.Num("FPrice", 1), 30, 1e-9);
    EXPECT_NEAR(bill.Num("FDiscountRate", 1), 90, 1e-9);
    EXPECT_NEAR(bill.Num("FDiscountAmount", 1), 4 * 27 * 10 / 90.0, 1e-9);
}

TEST_F(OrderChanges, ADiscountedPriceWithoutARateClearsTheListPrices) {
    NewPaperOrder();
    Edit("FDiscountRate", 1, Value(0));
    Edit("FPriceDiscount", 1, Value(20));
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 1), 0);
    EXPECT_DOUBLE_EQ(bill.Num("FSecPrice", 1), 0);
}

TEST_F(OrderChanges, TheSecondUnitsDiscountedPriceGivesTheSecondListPrice) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1003));  // milk: 12 cartons to the case
    ASSERT_DOUBLE_EQ(bill.Num("FSecCoefficient", 1), 12);
    Edit("FShowQty", 1, Value(24));
    Edit("FDiscountRate", 1, Value(50));
    Edit("FSecPriceDiscount", 1, Value(18));
    EXPECT_NEAR(bill.Num("FSecPrice", 1), 36, 1e-9);
    // The discount of the two cases against the second unit's own list price.
    EXPECT_NEAR(bill.Num("FDiscountAmount", 1), (36 - 18) * 2, 1e-9);
}

// ---- Customer ----------------------------------------------------------------------------------

TEST_F(OrderChanges, ACustomerChangeRepricesEveryRowAndTakesHisContact) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1001));
    Edit("FItemID", 2, Value(1003));
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 1), 39.5);
    EXPECT_EQ(bill.Text("FClientItemID", 2), "LH-0033");
    Edit("FPrice", 1, Value(1));
    Edit("FCustID", Value(102));
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 1), 38);
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 2), 2.9);
    EXPECT_EQ(bill.Text("FClientItemID", 2), "");
    EXPECT_EQ(bill.Text("FContact"), "陈丽");
    EXPECT_EQ(bill.Text("FAddress"), "上海市静安区共和新路1999号");
    EXPECT_EQ(bill.Text("FPhone"), "021-56781235");
    EXPECT_EQ(bill.Text("FMobilePhone"), "13916620002");
    EXPECT_EQ(bill.Num("FEmpID"), 302);
    EXPECT_EQ(bill.form->StatusText(3), "往来余额8200,信用额度100000");
}

TEST_F(OrderChanges, TheUsersOptionKeepsPricesButNotItemCodesOrContacts) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(102));
    Edit("FItemID", 1, Value(1003));
    Edit("FPrice", 1, Value(3.5));
    ASSERT_TRUE(bill.form->ClickTool("mnuDoNotResetPrice").done);
    EXPECT_TRUE(Tool("mnuDoNotResetPrice")->Checked());
    Edit("FCustID", Value(101));
    EXPECT_DOUBLE_EQ(bill.Num("FPrice", 1), 3.5);
    EXPECT_EQ(bill.Text("FClientItemID", 1), "LH-0033");
    EXPECT_EQ(bill.Text("FContact"), "赵敏");
    // The option is the user's: a new order form starts with it checked.
    test::PlugInBill again{demo, "order"};
    ASSERT_TRUE(again.New().done);
    EXPECT_TRUE(again.form->Menus().Tool("mnuDoNotResetPrice")->Checked());
}

TEST_F(OrderChanges, ACustomerWithoutAFirstContactEmptiesTheContact) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(101));
    ASSERT_EQ(bill.Text("FContact"), "赵敏");
    Edit("FCustID", Value(103));  // 宁波万家福: a contact, but none first
    EXPECT_EQ(bill.Text("FContact"), "");
    EXPECT_EQ(bill.Text("FPhone"), "");
    EXPECT_EQ(bill.Text("FAddress"), "");
}

// ---- Item, unit, second unit -------------------------------------------------------------------

TEST_F(OrderChanges, AnItemBringsItsTaxRateUnitPriceAndStock) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1001));
    EXPECT_DOUBLE_EQ(bill.Num("FTaxRate", 1), 13);
    EXPECT_EQ(bill.Num("FShowUnitID", 1), 3012);  // the case the customer bought last
    EXPECT_DOUBLE_EQ(bill.Num("FShowQty", 1), 1);
    // 1440 bottles on hand, 1200 due from purchase orders, 384 still to ship: in cases of 24.
    const auto c = order::ReadStockColumns(Value(1001), Value(0), 24);
    EXPECT_DOUBLE_EQ(bill.Num("FTotalQty", 1), c.total);
    EXPECT_DOUBLE_EQ(bill.Num("FCgOrderQty", 1), c.purchaseDue);
    EXPECT_DOUBLE_EQ(bill.Num("FXsOrderQty", 1), c.salesOpen);
    EXPECT_DOUBLE_EQ(bill.Num("FInTotalQty", 1), c.total + c.purchaseDue - c.salesOpen);
    EXPECT_GT(c.total, 0);
    EXPECT_GT(c.salesOpen, 0);
    // Choosing the bottle shows the same stock in bottles.
    Edit("FShowUnitID", 1, Value(3011));
    EXPECT_DOUBLE_EQ(bill.Num("FTotalQty", 1), c.total * 24);
    EXPECT_DOUBLE_EQ(bill.Num("FInTotalQty", 1), (c.total + c.purchaseDue - c.salesOpen) * 24);
}

TEST_F(OrderChanges, TheRowInFocusShowsItsStock) {
    ASSERT_TRUE(bill.New().done);
    Edit("FItemID", 1, Value(1001));
    Edit("FItemID", 2, Value(1017));
    bill.form->SetStatusText(2, "");
    bill.form->MoveCursor("FItemID", 1);
    EXPECT_NE(bill.form->StatusText(2).find("农夫山泉"), std::string::npos)
        << bill.form->StatusText(2);
    bill.form->MoveCursor("FShowQty", 2);
    EXPECT_NE(bill.form->StatusText(2).find("复印纸"), std::string::npos)
        << bill.form->StatusText(2);
}

TEST_F(OrderChanges, StockColumnsDivideByTheUnitsCoefficient) {
    // Stock 10, purchase orders due 5 and sales orders open 3, in a unit of coefficient 2.
    demo.Exec(
        "Insert Into t_ICItem (FItemID, FNumber, FName) Values (1901, '09.901', '测试商品');"
        "Insert Into t_cc_inventory (FItemID, FStockID, FQty) Values (1901, 501, 10);"
        "Insert Into t_CG_OrderEntry (FEntryID, FID, FItemID, FQty, FShowQty, FCoefficient, "
        "FUnStockInQty) Values (91, 1, 1901, 5, 5, 1, 5);"
        "Insert Into t_XS_OrderEntry (FEntryID, FID, FItemID, FQty, FShowQty, FCoefficient, "
        "FSendQty) Values (91, 1, 1901, 3, 3, 1, 0);");
    const auto c = order::ReadStockColumns(Value(1901), Value(0), 2);
    EXPECT_DOUBLE_EQ(c.total, 5);
    EXPECT_DOUBLE_EQ(c.purchaseDue, 2.5);
    EXPECT_DOUBLE_EQ(c.salesOpen, 1.5);
    EXPECT_DOUBLE_EQ(c.available, 6);
    // A unit without a coefficient shows base units rather than dividing by zero.
    EXPECT_DOUBLE_EQ(order::ReadStockColumns(Value(1901), Value(0), 0).total, 10);
}

TEST_F(OrderChanges, NoItemEmptiesTheUnitsAndLocksTheSecondUnit) {
    NewPaperOrder();
    Edit("FItemID", 1, Value(0));
    EXPECT_EQ(bill.Text("FUnitID", 1), "0");
    EXPECT_TRUE(bill.form->IsCellLocked("FSecQty", 1));
    EXPECT_TRUE(bill.form->IsCellLocked("FSecCoefficient", 1));
    EXPECT_TRUE(bill.form->IsCellLocked("FAuxPropID", 1));
}

TEST_F(OrderChanges, ASecondCoefficientOfZeroIsRefusedAndKeepsTheRejection) {
    ASSERT_TRUE(bill.form->LoadBill(3, true).done);  // rejected
    auto r = bill.Edit("FSecCoefficient", 1, Value(0));
    EXPECT_TRUE(r.cancelled);
    EXPECT_DOUBLE_EQ(bill.Num("FSecQty", 1), 0);
    EXPECT_DOUBLE_EQ(bill.Num("FSecPrice", 1), 0);
    EXPECT_EQ(bill.Text("FRejected"), "1");
}

TEST_F(OrderChanges, TheCustomersItemCodeFindsItsItemOrIsRefused) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(101));
    Edit("FClientItemID", 1, Value("LH-0033"));
    EXPECT_EQ(bill.Num("FItemID", 1), 1003);
    EXPECT_GT(bill.Num("FPrice", 1), 0);
    auto r = bill.Edit("FClientItemID", 2, Value("NO-SUCH"));
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(bill.Text("FClientItemID", 2), "");
}

// ---- Web order amounts -------------------------------------------------------------------------

// The web order's amounts come from the web shop (locked or hidden for the user): the host's
// changes of them are raised as edits.
TEST_F(OrderChanges, TheWebOrdersTotalsFollowTheRows) {
    NewPaperOrder(2);
    Edit("FItemID", 2, Value(1017));
    Edit("FPrice", 2, Value(10));
    Edit("FShowQty", 2, Value(3));
    bill.form->FireChange("FNoDiscAmount", 1, Value(50));
    EXPECT_DOUBLE_EQ(bill.Num("FWebBillAmount"), 50 + 30);
    bill.form->FireChange("FDiscountAmount", 2, Value(4));
    EXPECT_DOUBLE_EQ(bill.Num("FWebBillDiscountAmount"), 4);
    bill.form->FireChange("FWebBillTransAmount", -1, Value(8));
    EXPECT_DOUBLE_EQ(bill.Num("FWebBillReceAmount"), 80 - 4 + 8);
}

// ---- Rejection ---------------------------------------------------------------------------------

TEST_F(OrderChanges, AnyOtherEditClearsTheRejection) {
    for (const char* key : {"FExplanation", "FShowQty", "FRejectedNote"}) {
        ASSERT_TRUE(bill.form->LoadBill(3, true).done);
        ASSERT_EQ(bill.Text("FRejected"), "1");
        if (IEquals(key, "FShowQty")) {
            Edit(key, 1, Value(100));
        } else if (IEquals(key, "FRejectedNote")) {
            // The mark's own fields are the reject command's: editing them keeps the mark.
            bill.form->FireChange(key, -1, Value("另一个原因"));
            EXPECT_EQ(bill.Text("FRejected"), "1");
            continue;
        } else {
            Edit(key, Value("改过了"));
        }
        EXPECT_EQ(bill.Text("FRejected"), "0") << key;
        EXPECT_EQ(bill.Text("FRejectedNote"), "") << key;
        EXPECT_EQ(bill.Text("FRejectedTime"), "") << key;
    }
}

}  // namespace
}  // namespace qor
