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

// 4 packs of paper at 25 with 13 % tax: amount 100, tax 13, total 113.
TEST_F(OrderChanges, AmountAndTaxEditsAdjustOnlyTheRoundingTail) {
    struct TailCase {
        const char* key;
        double value;
        double amount, tax, inTax;
        const char* message;  // "" when the edit stands
    };
    const TailCase cases[] = {
        // An amount moved by less than 0.05 is a tail: the tax absorbs it, the total stands.
        {"FAmount", 100.04, 100.04, 12.96, 113, ""},
        {"FAmount", 99.96, 99.96, 13.04, 113, ""},
        // By 0.05 it is an ordinary change: the total follows.
        {"FAmount", 100.05, 100.05, 13, 113.05, ""},
        // A tax moved by 0.05 at most is a tail: the amount takes the rest of the total.
        {"FTaxAmount", 13.05, 100, 13.05, 113.05, ""},
        {"FTaxAmount", 12.97, 100, 12.97, 112.97, ""},
        // More is refused and the row keeps its tax and total.
        {"FTaxAmount", 13.06, 100, 13, 113, "税额只能进行尾差调整"},
    };
    for (const TailCase& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.value));
        NewPaperOrder();
        ASSERT_DOUBLE_EQ(bill.Num("FInTaxAmount", 1), 113);
        Prompts();
        Edit(c.key, 1, Value(c.value));
        Expect(1, {{"FAmount", c.amount}, {"FTaxAmount", c.tax}, {"FInTaxAmount", c.inTax}});
        std::vector<std::string> expected;
        if (*c.message) expected.push_back(c.message);
        ExpectPrompts(expected);
    }
}

TEST_F(OrderChanges, ATaxFreeRowRefusesAnAmountTail) {
    NewPaperOrder();
    Edit("FTaxRate", 1, Value(0));
    ASSERT_DOUBLE_EQ(bill.Num("FTaxAmount", 1), 0);
    Prompts();
    Edit("FAmount", 1, Value(100.03));
    ExpectPrompts({"非税尾差调整请直接调整价税合计"});
    Expect(1, {{"FAmount", 100}, {"FInTaxAmount", 100}});
    // Where amounts drive prices, the price and the total the refused amount gave go back too.
    ASSERT_TRUE(bill.form->ClickTool("mnuOptionAmountCalcPrice").done);
    Edit("FAmount", 1, Value(100.03));
    ExpectPrompts({"非税尾差调整请直接调整价税合计"});
    Expect(1, {{"FAmount", 100}, {"FPrice", 25}, {"FInTaxAmount", 100}});
}

// ---- Discounted prices -------------------------------------------------------------------------

TEST_F(OrderChanges, ADiscountedPriceMovesTheListPriceOrTheRate) {
    // Without a rate the discounted price clears the list prices.
    NewPaperOrder();
    Edit("FDiscountRate", 1, Value(0));
    Edit("FPriceDiscount", 1, Value(20));
    Expect(1, {{"FPrice", 0}, {"FSecPrice", 0}});

    NewPaperOrder();
    Edit("FDiscountRate", 1, Value(80));
    // The rate stays: the list price is the discounted price over the rate.
    Edit("FPriceDiscount", 1, Value(24));
    Expect(1, {{"FPrice", 30}, {"FDiscountAmount", (30 - 24) * 4}, {"FTaxPrice", 24 * 1.13}});
    Expect(1, {{"FTaxAmount", 4 * 24 * 0.13}, {"FInTaxAmount", 4 * 24 * 1.13}});
    Expect(1, {{"FNoDiscAmount", 30 * 4}});
    // With the option checked the list price stays and the rate follows.
    ASSERT_TRUE(bill.form->ClickTool("mnuOptionPriceCalcDiscount").done);
    ASSERT_TRUE(Tool("mnuOptionPriceCalcDiscount")->Checked());
    Edit("FPriceDiscount", 1, Value(27));
    Expect(1, {{"FPrice", 30}, {"FDiscountRate", 90}, {"FDiscountAmount", 4 * 27 * 10 / 90.0}});
}

// The second unit's and the base unit's discounted prices give their own list prices.
TEST_F(OrderChanges, TheSecondAndBaseUnitsDiscountedPricesGiveTheirListPrices) {
    NewOrderOf(1003);  // milk: 12 cartons to the case
    ASSERT_DOUBLE_EQ(bill.Num("FSecCoefficient", 1), 12);
    Edit("FShowQty", 1, Value(24));
    Edit("FDiscountRate", 1, Value(50));
    Edit("FSecPriceDiscount", 1, Value(18));
    // The discount of the two cases against the second unit's own list price.
    Expect(1, {{"FSecPrice", 36}, {"FDiscountAmount", (36 - 18) * 2}});

    // The base unit's: the base list price over the rate, the tax-inclusive base price, and the
    // tax and total in base units.
    NewOrderOf(1001);  // water, 2 cases of 24 bottles
    Edit("FShowQty", 1, Value(2));
    Edit("FDiscountRate", 1, Value(80));
    Edit("FBasePriceDiscount", 1, Value(1));
    Expect(1, {{"FBasePrice", 1.25}, {"FDiscountAmount", (1.25 - 1) * 48}});
    Expect(1, {{"FBaseTaxPrice", 1.13}, {"FTaxAmount", 48 * 0.13}, {"FInTaxAmount", 48 * 1.13}});
}

// ---- Customer ----------------------------------------------------------------------------------

TEST_F(OrderChanges, ACustomerChangeRepricesEveryRowAndTakesHisContact) {
    NewOrderOf(1001);
    Edit("FItemID", 2, Value(1003));
    Expect(1, {{"FPrice", 39.5}});
    Expect(2, {{"FClientItemID", "LH-0033"}});
    Edit("FPrice", 1, Value(1));
    Edit("FCustID", Value(102));
    Expect(1, {{"FPrice", 38}});
    Expect(2, {{"FPrice", 2.9}, {"FClientItemID", ""}});
    Expect(-1, {{"FContact", "陈丽"}, {"FAddress", "上海市静安区共和新路1999号"}});
    Expect(-1, {{"FPhone", "021-56781235"}, {"FMobilePhone", "13916620002"}, {"FEmpID", 302}});
    EXPECT_EQ(bill.form->StatusText(3), "往来余额8200,信用额度100000");

    Edit("FCustID", Value(103));  // 宁波万家福: a contact, but none first
    Expect(-1, {{"FContact", ""}, {"FPhone", ""}, {"FAddress", ""}});

    // The salesman brings his department.
    Edit("FEmpID", Value(303));
    EXPECT_EQ(bill.Num("FDeptID"), 202);
    Edit("FEmpID", Value(301));
    EXPECT_EQ(bill.Num("FDeptID"), 201);
}

TEST_F(OrderChanges, TheUsersOptionKeepsPricesButNotItemCodesOrContacts) {
    ASSERT_TRUE(bill.New().done);
    Edit("FCustID", Value(102));
    Edit("FItemID", 1, Value(1003));
    Edit("FPrice", 1, Value(3.5));
    ASSERT_TRUE(bill.form->ClickTool("mnuDoNotResetPrice").done);
    EXPECT_TRUE(Tool("mnuDoNotResetPrice")->Checked());
    Edit("FCustID", Value(101));
    Expect(1, {{"FPrice", 3.5}, {"FClientItemID", "LH-0033"}});
    EXPECT_EQ(bill.Text("FContact"), "赵敏");
    // The option is the user's: a new order form starts with it checked.
    test::PlugInBill again{demo, "order"};
    ASSERT_TRUE(again.New().done);
    EXPECT_TRUE(again.form->Menus().Tool("mnuDoNotResetPrice")->Checked());
}

// ---- Item, unit, second unit -------------------------------------------------------------------

TEST_F(OrderChanges, AnItemBringsItsTaxRateUnitPriceAndStock) {
    NewOrderOf(1001);
    // The case the customer bought last.
    Expect(1, {{"FTaxRate", 13}, {"FShowUnitID", 3012}, {"FShowQty", 1}});
    // 1440 bottles on hand, 1200 due from purchase orders, 384 still to ship: in cases of 24.
    const auto c = order::ReadStockColumns(Value(1001), Value(0), 24);
    Expect(1, {{"FTotalQty", c.total}, {"FCgOrderQty", c.purchaseDue}});
    Expect(1, {{"FXsOrderQty", c.salesOpen}});
    Expect(1, {{"FInTotalQty", c.total + c.purchaseDue - c.salesOpen}});
    EXPECT_GT(c.total, 0);
    EXPECT_GT(c.salesOpen, 0);
    // Choosing the bottle shows the same stock in bottles.
    Edit("FShowUnitID", 1, Value(3011));
    Expect(1, {{"FTotalQty", c.total * 24}});
    Expect(1, {{"FInTotalQty", (c.total + c.purchaseDue - c.salesOpen) * 24}});
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

// Milk (1003) for 杭州联华: sold by the carton at its promotion price 2.6, 12 cartons to the
// case, its second coefficient open to the user (floating conversion).
TEST_F(OrderChanges, SecondUnitQuantitiesAndPricesFollowEachOther) {
    NewOrderOf(1003);
    ASSERT_DOUBLE_EQ(bill.Num("FPrice", 1), 2.6);
    Expect(1, {{"FSecCoefficient", 12}, {"FSecPrice", 2.6 * 12}});
    EXPECT_FALSE(bill.form->IsCellLocked("FSecCoefficient", 1));
    EXPECT_FALSE(bill.form->IsCellLocked("FSecQty", 1));
    // Cartons give cases, cases give cartons, and the amount follows the cartons.
    Edit("FShowQty", 1, Value(24));
    EXPECT_DOUBLE_EQ(bill.Num("FSecQty", 1), 2);
    Edit("FSecQty", 1, Value(3));
    Expect(1, {{"FShowQty", 36}, {"FAmount", 36 * 2.6}});
    // A new second coefficient keeps the cartons.
    Edit("FSecCoefficient", 1, Value(6));
    EXPECT_DOUBLE_EQ(bill.Num("FShowQty", 1), 36);
    // The second price sets the price of a carton.
    Edit("FSecQty", 1, Value(6));
    Edit("FSecPrice", 1, Value(30));
    Expect(1, {{"FPrice", 30 * 6 / 36.0}, {"FAmount", 30 * 6}});
    // A price typed gives the second price.
    Edit("FPrice", 1, Value(3));
    EXPECT_NEAR(bill.Num("FSecPrice", 1), 3 * 6, 1e-9);
}

TEST_F(OrderChanges, AnotherUnitTakesItsSecondCoefficientAndStock) {
    NewOrderOf(1003);
    Edit("FShowQty", 1, Value(24));
    const auto cartons = order::ReadStockColumns(Value(1003), Value(0), 1);
    ASSERT_DOUBLE_EQ(bill.Num("FTotalQty", 1), cartons.total);
    Edit("FShowUnitID", 1, Value(3032));  // the case of 12
    Expect(1, {{"FCoefficient", 12},
               {"FSecCoefficient", 1},
               {"FSecQty", bill.Num("FShowQty", 1)},
               {"FSecPrice", bill.Num("FPrice", 1)},
               {"FClientItemID", "LH-0033X"},  // his code for the case
               {"FTotalQty", cartons.total / 12},
               {"FXsOrderQty", cartons.salesOpen / 12}});
}

TEST_F(OrderChanges, ABaseQuantityGivesTheShownQuantity) {
    NewOrderOf(1001);  // water, by the case of 24 at 39.5
    ASSERT_DOUBLE_EQ(bill.Num("FCoefficient", 1), 24);
    Edit("FQty", 1, Value(72));
    Expect(1, {{"FShowQty", 3}, {"FAmount", 3 * 39.5}, {"FComplexQtyDis", "3箱"}});
}

TEST_F(OrderChanges, TheSecondUnitIsOpenOnlyWhereTheItemAllowsIt) {
    ASSERT_TRUE(bill.New().done);
    Edit("FItemID", 1, Value(1002));  // noodles: a fixed conversion
    EXPECT_TRUE(bill.form->IsCellLocked("FSecCoefficient", 1));
    EXPECT_FALSE(bill.form->IsCellLocked("FSecQty", 1));
    Edit("FItemID", 2, Value(1017));  // paper: no second unit
    EXPECT_TRUE(bill.form->IsCellLocked("FSecCoefficient", 2));
    EXPECT_TRUE(bill.form->IsCellLocked("FSecQty", 2));
    Expect(2, {{"FSecCoefficient", 0}, {"FSecQty", 0}});
    // No item empties the units and locks the second unit.
    Edit("FItemID", 1, Value(0));
    EXPECT_EQ(bill.Text("FUnitID", 1), "0");
    for (const char* key : {"FSecQty", "FSecCoefficient", "FAuxPropID"})
        EXPECT_TRUE(bill.form->IsCellLocked(key, 1)) << key;
}

// A customer type's ratio is a fraction: 杭州联华's type buys at 95 % of the list price.
TEST_F(OrderChanges, AnItemWithoutAPriceTakesTheCustomerTypesDiscount) {
    demo.Exec(
        "Insert Into t_ICItem (FItemID, FNumber, FName, FTaxRate) Values (1902, '09.902', "
        "'无价商品', 0.13)");
    NewOrderOf(1902);
    EXPECT_DOUBLE_EQ(bill.Num("FDiscountRate", 1), 95);
    Edit("FPrice", 1, Value(100));
    Edit("FShowQty", 1, Value(2));
    Expect(1, {{"FPriceDiscount", 95}, {"FAmount", 190}});
    Edit("FCustID", Value(103));  // a retail customer: no discount
    Edit("FItemID", 2, Value(1902));
    EXPECT_DOUBLE_EQ(bill.Num("FDiscountRate", 2), 100);
}

TEST_F(OrderChanges, PricesEnteredWithTaxTakeTheFetchedPrice) {
    demo.Host().SetOption("IC", "IsSaleForIncludeTaxPrice", "1");
    NewOrderOf(1017);  // paper, 25 a pack in the promotion
    Expect(1, {{"FIncludeTaxPrice", 25}});
    EXPECT_NEAR(bill.Num("FPrice", 1), 25 / 1.13, 1e-6);
    EXPECT_NEAR(bill.Num("FInTaxAmount", 1), 25, 1e-6);
}

TEST_F(OrderChanges, AnAuxiliaryPropertyShowsItsOwnStock) {
    ASSERT_TRUE(bill.New().done);
    Edit("FItemID", 1, Value(1012));  // T-shirts in four colours and sizes
    const auto all = order::ReadStockColumns(Value(1012), Value(0), 1);
    const auto red = order::ReadStockColumns(Value(1012), Value(2001), 1);
    ASSERT_NE(all.total, red.total);
    EXPECT_DOUBLE_EQ(bill.Num("FTotalQty", 1), all.total);
    Edit("FAuxPropID", 1, Value(2001));
    Expect(1, {{"FTotalQty", red.total}, {"FInTotalQty", red.available}});
    EXPECT_NE(bill.form->StatusText(2).find("红色/M"), std::string::npos)
        << bill.form->StatusText(2);
}

// While amounts do not drive prices the host's amount formulas are held back: a new total
// keeps the tax and moves the amount; with the option checked the host's formulas run.
TEST_F(OrderChanges, ATotalTypedMovesTheAmountOrThePrice) {
    NewPaperOrder();
    Edit("FInTaxAmount", 1, Value(120));
    Expect(1, {{"FAmount", 107}, {"FTaxAmount", 13}, {"FPrice", 25}});
    // An amount typed (no tail) moves the total by as much.
    Edit("FAmount", 1, Value(110));
    EXPECT_NEAR(bill.Num("FInTaxAmount", 1), 123, 1e-9);

    ASSERT_TRUE(bill.form->ClickTool("mnuOptionAmountCalcPrice").done);
    ASSERT_TRUE(Tool("mnuOptionAmountCalcPrice")->Checked());
    Edit("FInTaxAmount", 1, Value(226));
    EXPECT_NEAR(bill.Num("FPrice", 1), 50, 1e-6);
    EXPECT_NEAR(bill.Num("FAmount", 1) + bill.Num("FTaxAmount", 1), 226, 1e-6);
}

TEST_F(OrderChanges, AQuantityTypedRefreshesThePackingText) {
    NewPaperOrder();
    ASSERT_EQ(bill.Text("FComplexQtyDis", 1), "4包");
    Edit("FShowQty", 1, Value(12));  // 5 packs to the case
    EXPECT_EQ(bill.Text("FComplexQtyDis", 1), "2箱2包");
}

// The industry edition: stock columns in the row's unit and in base units, and a row priced by
// its second quantity (calculation type 3) keeps quantity, second quantity and price together.
TEST_F(OrderChanges, IndustryRowsKeepBaseStockAndSecondQuantityPrices) {
    demo.Host().SetIndustryType(1);
    NewOrderOf(1014);  // steel sheets of 24.5 kg
    ASSERT_DOUBLE_EQ(bill.Num("FCoefficient", 1), 24.5);
    const auto sheets = order::ReadStockColumns(Value(1014), Value(0), 24.5, Value(1), Value(3122));
    Expect(1, {{"FTotalQty", sheets.total}, {"FBaseTotalQty", sheets.baseTotal}});
    Expect(1, {{"FBaseInTotalQty", sheets.baseAvailable}});
    Expect(1, {{"FBaseTotalQty", bill.Num("FTotalQty", 1) * 24.5}});
    bill.form->SetStatusText(2, "");
    Edit("FCalTypeID", 1, Value(2));
    EXPECT_NE(bill.form->StatusText(2).find("宝钢冷轧钢板"), std::string::npos);

    Edit("FItemID", 2, Value(1015));  // copper wire, priced by its weight
    ASSERT_EQ(bill.Num("FCalTypeID", 2), 3);
    Edit("FSecQty", 2, Value(0.2));
    const double coefficient = bill.Num("FSecCoefficient", 2);
    ASSERT_GT(coefficient, 0);
    Expect(2, {{"FShowQty", 0.2 * coefficient}, {"FDisplayQty", bill.Num("FShowQty", 2)}});
    Expect(2, {{"FDisplayWeight", bill.Num("FQty", 2)}});
    Edit("FSecPrice", 2, Value(500));
    EXPECT_NEAR(bill.Num("FPrice", 2), 500 * 0.2 / bill.Num("FShowQty", 2), 1e-6);
    EXPECT_NEAR(bill.Num("FAmount", 2), 100, 1e-6);
}

TEST_F(OrderChanges, ASecondCoefficientOfZeroIsRefusedAndKeepsTheRejection) {
    ASSERT_TRUE(bill.form->LoadBill(3, true).done);  // rejected
    auto r = bill.Edit("FSecCoefficient", 1, Value(0));
    EXPECT_TRUE(r.cancelled);
    Expect(1, {{"FSecQty", 0}, {"FSecPrice", 0}});
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
        Expect(-1, {{"FRejected", "0"}, {"FRejectedNote", ""}, {"FRejectedTime", ""}});
    }
}

}  // namespace
}  // namespace qor
