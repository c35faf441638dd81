// The consignment bill's field-change rules: the customer, the bill type, a chosen item, a unit
// changed on a drawn row, the amount and tax tails, the discount rule and the cost rule.
#include <cmath>

#include "tests/bill_consign/consign_fixture.h"

namespace qor::test {
namespace {

using ConsignChanges = ConsignBillTest;

TEST_F(ConsignChanges, ACustomerBringsHisBalanceSalesmanAndDeliveryAddress) {
    Edit("FCustID", 104);
    EXPECT_EQ(bill->StatusTexts().at(3), "往来余额" +
                                             demo.Scalar("Select FCurComeGoBalance From "
                                                         "t_Organization Where FItemID=104")
                                                 .ToString() +
                                             ",信用额度" +
                                             demo.Scalar("Select FCreditAmount From "
                                                         "t_Organization Where FItemID=104")
                                                 .ToString());
    Expect(
        -1,
        {{"FEmpID", 303}, {"FDeptID", 202}, {"FAddress", "北京市朝阳区酒仙桥路6号京客隆配送中心"}});

    Edit("FCustID", 0);
    EXPECT_EQ(bill->StatusTexts().at(3), "");

    // Without the right to see balances the panel stays empty.
    demo.Host().DenyRight(40, 100, 1024);
    Edit("FCustID", 101);
    EXPECT_EQ(bill->StatusTexts().at(3), "");
}

TEST_F(ConsignChanges, ACustomerChangeRepricesOnlyRowsTypedByHand) {
    Edit("FCustID", 101);
    EditRow(1, "FItemID", 1009);
    EXPECT_EQ(Num("FPrice", 1), 359);  // 杭州联华's customer-type price
    Edit("FCustID", 104);
    ASSERT_TRUE(bill->SelectSources(1030001, {{2, 4}}).done);  // the same goods from the order
    // FPrice: 京客隆's agreed price
    Expect(1, {{"FPrice", 349}, {"FClientItemID", "JKL-DFB40"}});
    EXPECT_EQ(Num("FPrice", 2), 349);

    bill->SetFieldValue("FPrice", 340, 2);  // the order's price, whatever the customer
    Edit("FCustID", 101);
    EXPECT_EQ(Num("FPrice", 1), 359);
    EXPECT_EQ(Num("FPrice", 2), 340);
    EXPECT_EQ(Text("FClientItemID", 1), "");

    // A user who keeps prices still gets the customers item codes.
    OpenBill();
    demo.Host().SetUserProfile("1030003BillSet", "DoNotResetPrice", "1");
    Edit("FCustID", 101);
    EditRow(1, "FItemID", 1009);
    Edit("FCustID", 104);
    Expect(1, {{"FPrice", 359}, {"FClientItemID", "JKL-DFB40"}});
    EXPECT_EQ(Text("FAddress"), "北京市朝阳区酒仙桥路6号京客隆配送中心");
}

TEST_F(ConsignChanges, AReturnTypeLocksTheGoodsAndHidesWhatOnlyDeliveriesHave) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    Edit("FBillTypeID", 3011);
    EXPECT_FALSE(Shown("mnuEditCopy"));
    EXPECT_FALSE(bill->IsFieldVisible("FOrderQty", 2));
    for (const char* key : {"FItemID", "FSCStockID", "FBatchNo", "FAuxPropID", "FKFDate"})
        EXPECT_TRUE(bill->IsCellLocked(key, 1)) << key;
    EXPECT_FALSE(Enabled("mnuBarCode"));
    EXPECT_FALSE(Enabled("mnuImportGoods"));

    Edit("FBillTypeID", 3010);
    EXPECT_TRUE(Shown("mnuEditCopy"));
    EXPECT_TRUE(bill->IsFieldVisible("FOrderQty", 2));
    EXPECT_FALSE(bill->IsCellLocked("FItemID", 1));
    EXPECT_TRUE(Enabled("mnuBarCode"));
}

TEST_F(ConsignChanges, AChosenItemBringsTaxSecondUnitShelfLifeAndCost) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1007);  // nut gift boxes: 6 boxes a case, 180 days
    Expect(1, {{"FTaxRate", 13}, {"FSecCoefficient", 6}, {"FSecQty", 1.0 / 6}, {"FKFPeriod", 180}});
    // The expiry date follows the item's own shelf life, not the row's earlier one.
    Expect(1, {{"FKFDate", "2026-12-10"}, {"FPeriodDate", "2027-06-08"}});
    // FCostPrice: costs are computed for goods sent out
    Expect(1, {{"FCostPrice", 120}, {"FCostAmount", 120}});

    EditRow(1, "FItemID", 0);
    Expect(1, {{"FSerialNo", ""}, {"FUnitID", 0}});

    // Without costs for goods sent out a row costs nothing.
    OpenBill();
    demo.Host().SetOption("IC", "StockOutCalCost", "0");
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1007);
    Expect(1, {{"FCostPrice", 0}, {"FCostAmount", 0}});
}

TEST_F(ConsignChanges, ADrawnRowKeepsItsValuePerBaseUnitWhenItsUnitChanges) {
    Edit("FCustID", 104);
    ASSERT_TRUE(bill->SelectSources(1030001, {{2, 5}}).done);  // 30 boxes at 168
    bill->SetFieldValue("FOrderQty", 30, 1);
    bill->SetFieldValue("FCostPrice", 120, 1);
    EditRow(1, "FShowQty", 12);
    EditRow(1, "FShowUnitID", 3062);  // cases of 6
    Expect(1, {{"FPrice", 1008}, {"FOrderQty", 5}, {"FCostPrice", 720}, {"FCostAmount", 720 * 12}});
    Expect(1, {{"FSecCoefficient", 1}, {"FSecPrice", 1008}});

    // A unit change on a row typed by hand fetches the units price.
    OpenBill();
    Edit("FCustID", 102);
    EditRow(1, "FItemID", 1007);
    const double boxPrice = Num("FPrice", 1);
    EditRow(1, "FShowUnitID", 3062);
    EXPECT_GT(Num("FPrice", 1), boxPrice * 5);  // a case's price, not a box's
    EXPECT_EQ(Num("FCoefficient", 1), 6);
}

TEST_F(ConsignChanges, AmountAndTaxTakeOnlyRoundingTails) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);  // 349 with 13% tax
    ASSERT_EQ(Num("FAmount", 1), 349);
    ASSERT_NEAR(Num("FInTaxAmount", 1), 394.37, 1e-9);
    const auto consistent = [&] {
        return std::fabs(Num("FAmount", 1) + Num("FTaxAmount", 1) - Num("FInTaxAmount", 1)) < 1e-9;
    };

    // 0.04 on a taxed row: the tax absorbs it, the total stays.
    bill->UserEdit("FAmount", 1, Value(349.04));
    Expect(1, {{"FAmount", 349.04}, {"FTaxAmount", 45.33}, {"FInTaxAmount", 394.37}});
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});

    // The tax: 0.05 is still a tail; 0.06 is refused and the row is as it was.
    Edit("FTaxAmount", 45.38, 1);
    EXPECT_NEAR(Num("FTaxAmount", 1), 45.38, 1e-9);
    EXPECT_TRUE(consistent());
    const double total = Num("FInTaxAmount", 1);
    bill->UserEdit("FTaxAmount", 1, Value(45.44));
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"税额只能进行尾差调整"});
    Expect(1, {{"FTaxAmount", 45.38}, {"FInTaxAmount", total}});

    // Exactly 0.05 on the amount is an ordinary change: the total follows.
    Edit("FAmount", 349.09, 1);
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
    EXPECT_TRUE(consistent());
    EXPECT_NEAR(Num("FAmount", 1), 349.09, 1e-9);

    // An amount drives the price only with the forms option.
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);  // 349 with 13% tax
    EditRow(1, "FShowQty", 2);
    Edit("FAmount", 600, 1);
    Expect(1, {{"FPrice", 349}, {"FInTaxAmount", 600 + Num("FTaxAmount", 1)}});

    Tool("mnuOptionAmountCalcPrice")->SetChecked(true);
    Edit("FAmount", 700, 1);
    EXPECT_NEAR(Num("FPrice", 1), 350, 1e-9);
    EXPECT_NEAR(Num("FAmount", 1) + Num("FTaxAmount", 1), Num("FInTaxAmount", 1), 1e-9);
}

TEST_F(ConsignChanges, AnUntaxedRowCannotTakeAnAmountTail) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    Edit("FTaxRate", 0, 1);
    ASSERT_EQ(Num("FTaxAmount", 1), 0);
    bill->UserEdit("FAmount", 1, Value(349.04));
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"非税尾差调整请直接调整价税合计"});
    EXPECT_EQ(Num("FAmount", 1), 349);

    // A discounted price without a rate sets the list price to zero.
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    bill->SetFieldValue("FDiscountRate", 0, 1);
    Edit("FPriceDiscount", 300, 1);
    Expect(1, {{"FPrice", 0}, {"FSecPrice", 0}});
}

TEST_F(ConsignChanges, AnUnknownCustomerItemCodeIsEmptied) {
    Edit("FCustID", 104);
    bill->UserEdit("FClientItemID", 1, Value("NO-SUCH-CODE"));
    EXPECT_EQ(Text("FClientItemID", 1), "");
    Edit("FClientItemID", "JKL-DFB40", 1);
    EXPECT_EQ(Num("FItemID", 1), 1009);

    // The salesman brings his department.
    Edit("FEmpID", 304);
    EXPECT_EQ(Num("FDeptID"), 203);
    Edit("FEmpID", 301);
    EXPECT_EQ(Num("FDeptID"), 201);
}

TEST_F(ConsignChanges, TheQuantitiesOfTheThreeUnitsFollowEachOther) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1007);  // 6 boxes a case, 120 a box
    EditRow(1, "FShowQty", 12);
    Expect(1, {{"FSecQty", 2}, {"FCostAmount", 1440}});
    EditRow(1, "FSecQty", 3);
    Expect(1, {{"FShowQty", 18}, {"FCostAmount", 2160}});
    // The base quantity brings the shown one, and the second quantity and cost with it.
    EditRow(1, "FQty", 24);
    Expect(1, {{"FShowQty", 24}, {"FSecQty", 4}, {"FCostAmount", 2880}});

    // A second coefficient of zero empties the second quantity and price.
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1003);  // milk: its coefficient may be changed, 12 a case
    EditRow(1, "FShowQty", 24);
    EditRow(1, "FSecCoefficient", 6);
    EXPECT_NEAR(Num("FSecPrice", 1), Num("FPrice", 1) * 6, 1e-9);
    EditRow(1, "FSecCoefficient", 0);
    Expect(1, {{"FSecQty", 0}, {"FSecPrice", 0}, {"FShowQty", 24}});
}

TEST_F(ConsignChanges, WithPriceCalcDiscountADiscountedPriceMovesTheRate) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);  // 349 with 13% tax
    ASSERT_TRUE(Tool("mnuOptionPriceCalcDiscount"));
    Tool("mnuOptionPriceCalcDiscount")->SetChecked(true);
    EditRow(1, "FShowQty", 2);
    Edit("FPriceDiscount", 314.1, 1);
    // FPrice: the list price stays
    Expect(1, {{"FPrice", 349}, {"FDiscountRate", 90}});
    EXPECT_NEAR(Num("FDiscountAmount", 1), 2 * 34.9, 1e-6);
    EXPECT_NEAR(Num("FTaxPrice", 1), 314.1 * 1.13, 1e-6);
    EXPECT_NEAR(Num("FInTaxAmount", 1), 2 * 314.1 * 1.13, 1e-6);

    // Unchecked, the rate stays and the list price follows.
    Tool("mnuOptionPriceCalcDiscount")->SetChecked(false);
    Edit("FPriceDiscount", 270, 1);
    Expect(1, {{"FDiscountRate", 90}, {"FPrice", 300}});
}

TEST_F(ConsignChanges, AChosenBatchBringsItsDatesFromStock) {
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1007);
    EditRow(1, "FBatchNo", "SZ20260915");
    Expect(1, {{"FKFDate", "2026-09-15"}, {"FKFPeriod", 180}, {"FPeriodDate", "2027-03-14"}});
    Expect(1, {{"FCostPrice", 120}});

    // Another stock drops the serial numbers and costs nothing when virtual.
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    const double cost = Num("FCostPrice", 1);
    ASSERT_GT(cost, 0);
    bill->SetFieldValue("FSerialNo", "MB40-0001", 1);
    EditRow(1, "FSCStockID", 504);  // the gift stock is virtual: its goods have no cost here
    // FPrice: a row with a price keeps it
    Expect(1, {{"FSerialNo", ""}, {"FCostPrice", cost}, {"FPrice", 349}});
}

}  // namespace
}  // namespace qor::test
