// Edits of the three display fields mapped onto the stored fields, per calculation type, on the
// host's sales bill with its own formulas, and on the stock-side bills' child rows and in/out
// prices.
#include <gtest/gtest.h>

#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"

namespace qor::test {
namespace {

class DisplayEdit : public ::testing::Test {
protected:
    DemoHost demo{"display"};
    std::shared_ptr<host::form::HostBillForm> bill = demo.NewBill("sale");
    IBillForm& b = *bill;

    double Get(const std::string& key) { return Num(b, key, 1); }
    void Edit(const std::string& key, const Value& value) {
        b.SetFieldValue(key, value, 1);
        CalcRowOnDisplayChange(b, 1, key);
    }
};

TEST_F(DisplayEdit, TypeThreeWeightDrivesSecondQuantityCoefficientAndPrice) {
    Fill(b, 1,
         {{"FItemID", kWire},
          {"FCalTypeID", 3},
          {"FShowQty", 4},
          {"FCoefficient", 1},
          {"FSecPrice", 10},
          {"FDiscountRate", 100}});
    Edit("FDisplayWeight", 12);
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 12);
    EXPECT_DOUBLE_EQ(Get("FQty"), 4);
    EXPECT_NEAR(Get("FSecCoefficient"), 4.0 / 12, 1e-9);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 30);
    EXPECT_DOUBLE_EQ(Get("FAmount"), 120) << "the host's price formulas ran after the price";
}

TEST_F(DisplayEdit, TypeThreeQuantityKeepsTheCoefficientWhenThereIsNoSecondQuantity) {
    Fill(b, 1,
         {{"FItemID", kWire},
          {"FCalTypeID", 3},
          {"FCoefficient", 1},
          {"FSecCoefficient", 2},
          {"FSecQty", 0},
          {"FSecPrice", 10}});
    Edit("fdisplayqty", 6);  // the key in any letter case
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 6);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 2);
    EXPECT_DOUBLE_EQ(Get("FQty"), 6);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 5);
    EXPECT_DOUBLE_EQ(Get("FAmount"), 30);

    // With a second quantity the coefficient follows it.
    Fill(b, 1, {{"FSecQty", 3}});
    Edit("FDisplayQty", 9);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 3);
    EXPECT_NEAR(Get("FPrice"), 10.0 / 3, 1e-9);
}

TEST_F(DisplayEdit, TypeOnePriceGoesToTheBasePriceOnly) {
    Fill(b, 1, {{"FItemID", kSteel}, {"FCalTypeID", 1}, {"FCoefficient", 24.5}, {"FPrice", 1}});
    Edit("FDisplayPrice", 8);
    EXPECT_DOUBLE_EQ(Get("FBasePrice"), 8);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 8);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 1) << "the sales bill has no base-price formula";
}

TEST_F(DisplayEdit, TypeTwoPriceGoesToTheShownPriceAndTheBasePriceFollows) {
    Fill(b, 1,
         {{"FItemID", kPork},
          {"FCalTypeID", 2},
          {"FCoefficient", 2},
          {"FShowQty", 3},
          {"FDiscountRate", 100}});
    Edit("FDisplayPrice", 6);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 6);
    EXPECT_DOUBLE_EQ(Get("FBasePrice"), 3) << "through the price's formula";
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 3);
    EXPECT_DOUBLE_EQ(Get("FAmount"), 18);
}

TEST_F(DisplayEdit, TypeThreePriceGoesToTheSecondPrice) {
    Fill(b, 1, {{"FItemID", kWire}, {"FCalTypeID", 3}, {"FPrice", 7}});
    Edit("FDisplayPrice", 11);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 11);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 7);
}

TEST_F(DisplayEdit, PlainItemPriceWithAndWithoutSecondCoefficient) {
    Fill(b, 1, {{"FItemID", kWater}, {"FCoefficient", 1}, {"FSecCoefficient", 0}});
    Edit("FDisplayPrice", 5);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 5);
    EXPECT_DOUBLE_EQ(Get("FBasePrice"), 5);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 0);

    Fill(b, 1, {{"FItemID", kMilk}, {"FSecCoefficient", 12}});
    Edit("FDisplayPrice", 2.5);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 30);
}

TEST_F(DisplayEdit, WeightOfTypesOneAndTwoWithAndWithoutCoefficient) {
    Fill(b, 1, {{"FItemID", kSteel}, {"FCalTypeID", 1}, {"FCoefficient", 2}, {"FShowQty", 1}});
    Edit("FDisplayWeight", 10);
    EXPECT_DOUBLE_EQ(Get("FQty"), 10);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 5);
    EXPECT_DOUBLE_EQ(Get("FDisplayQty"), 5);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 500) << "1000 base units per second unit / 2";

    // FCoefficient 0: the shown quantity keeps its value, the second coefficient becomes 0.
    Fill(b, 1,
         {{"FItemID", kPork},
          {"FCalTypeID", 2},
          {"FCoefficient", 0},
          {"FShowQty", 3},
          {"FSecCoefficient", 9}});
    Edit("FDisplayWeight", 7);
    EXPECT_DOUBLE_EQ(Get("FQty"), 7);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 3);
    EXPECT_DOUBLE_EQ(Get("FDisplayQty"), 3);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 0);
}

TEST_F(DisplayEdit, QuantityOfTypesOneAndTwoShowsTheBaseQuantityAsWeight) {
    Fill(b, 1, {{"FItemID", kPork}, {"FCalTypeID", 2}, {"FCoefficient", 2.5}});
    Edit("FDisplayQty", 4);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 4);
    EXPECT_DOUBLE_EQ(Get("FQty"), 10) << "through the quantity's formula";
    EXPECT_DOUBLE_EQ(Get("FDisplayWeight"), 10);
}

TEST_F(DisplayEdit, PlainItemWeightAndQuantityUseTheSecondUnit) {
    Fill(b, 1, {{"FItemID", kMilk}, {"FCoefficient", 1}, {"FSecCoefficient", 12}});
    Edit("FDisplayWeight", 2);
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 2);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 24);
    EXPECT_DOUBLE_EQ(Get("FQty"), 24);
    EXPECT_DOUBLE_EQ(Get("FDisplayQty"), 24);

    Fill(b, 1, {{"FSecQty", 3}});
    Edit("FDisplayQty", 5);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 5);
    EXPECT_DOUBLE_EQ(Get("FDisplayWeight"), 3);
}

TEST_F(DisplayEdit, NothingHappensWithoutATypeOrForOtherKeys) {
    Fill(b, 1, {{"FItemID", kWire}, {"FCalTypeID", Value("")}, {"FShowQty", 4}, {"FPrice", 2}});
    Edit("FDisplayWeight", 12);
    Edit("FDisplayPrice", 9);
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 0);
    EXPECT_DOUBLE_EQ(Get("FShowQty"), 4);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 2);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 0);

    Fill(b, 1, {{"FCalTypeID", 3}});
    CalcRowOnDisplayChange(b, 1, "FPrice");
    CalcRowOnDisplayChange(b, 0, "FDisplayWeight");
    CalcRowOnDisplayChange(b, 7, "FDisplayWeight");  // no such row
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 0);
}

TEST_F(DisplayEdit, BrokenNumbersSkipOnlyTheirOwnStep) {
    // No shown quantity: the type-3 price cannot be derived and keeps its value; the rest runs.
    Fill(b, 1,
         {{"FItemID", kWire},
          {"FCalTypeID", 3},
          {"FShowQty", 0},
          {"FCoefficient", 1},
          {"FSecPrice", 10},
          {"FPrice", 4},
          {"FSecCoefficient", 0.5}});
    Edit("FDisplayWeight", Value("12abc"));
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 12);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 0);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 4);
    // An overflowing product writes nothing.
    Fill(b, 1, {{"FShowQty", 1e300}, {"FCoefficient", 1e300}, {"FQty", 5}});
    Edit("FDisplayWeight", 2);
    EXPECT_DOUBLE_EQ(Get("FQty"), 5);
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 2);
}

// ---- Stock-side bills ------------------------------------------------------------------------

class StockSideDisplayEdit : public ::testing::Test {
protected:
    DemoHost demo{"display_stock"};
};

TEST_F(StockSideDisplayEdit, ChildRowsUseTheirTwinKeys) {
    auto t = StockSideTemplate(1040005);
    auto bill = OpenBill(t);
    IBillForm& b = *bill;
    Fill(b, 1,
         {{"FItemID", kWater},
          {"FCldItemID", kWire},
          {"FCalTypeid1", 3},
          {"FShowQty1", 4},
          {"FCoefficient1", 1},
          {"FSecPrice1", 10},
          {"FQty2", 0},
          {"FDecimal", 2},
          {"FShowQty", 1},
          {"FPrice", 3}});
    b.SetFieldValue("FDisplayWeight1", 8, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayWeight1", FieldSet::Child());
    EXPECT_DOUBLE_EQ(Num(b, "FQty2", 1), 8);
    EXPECT_DOUBLE_EQ(Num(b, "FQty1", 1), 4);
    EXPECT_DOUBLE_EQ(Num(b, "FDecimal", 1), 0.5);
    EXPECT_DOUBLE_EQ(Num(b, "FPrice1", 1), 20);
    EXPECT_DOUBLE_EQ(Num(b, "FAmount1", 1), 80);
    EXPECT_DOUBLE_EQ(Num(b, "FPrice", 1), 3) << "the main row is not touched";

    // The child rows' quantity edit prices from the second quantity.
    b.SetFieldValue("FDisplayQty1", 5, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayQty1", FieldSet::Child());
    EXPECT_DOUBLE_EQ(Num(b, "FShowQty1", 1), 5);
    EXPECT_DOUBLE_EQ(Num(b, "FPrice1", 1), 16);

    b.SetFieldValue("FDisplayPrice1", 12, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayPrice1", FieldSet::Child());
    EXPECT_DOUBLE_EQ(Num(b, "FSecPrice1", 1), 12);
}

TEST_F(StockSideDisplayEdit, InAndOutPricesFollowWeightAndAmounts) {
    auto t = StockSideTemplate(1040007);
    auto bill = OpenBill(t);
    IBillForm& b = *bill;
    Fill(b, 1,
         {{"FItemID", kWire},
          {"FCalTypeID", 3},
          {"FShowQty", 4},
          {"FCoefficient", 1},
          {"FSecInPrice", 10},
          {"FSecOutPrice", 15}});
    b.SetFieldValue("FDisplayWeight", 12, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayWeight");
    EXPECT_DOUBLE_EQ(Num(b, "FInPrice", 1), 30);
    EXPECT_DOUBLE_EQ(Num(b, "FOutPrice", 1), 45);
    EXPECT_DOUBLE_EQ(Num(b, "FInAmount", 1), 120);
    EXPECT_DOUBLE_EQ(Num(b, "FOutAmount", 1), 180);
    EXPECT_DOUBLE_EQ(Num(b, "FDisplayInPrice", 1), 10);
    EXPECT_DOUBLE_EQ(Num(b, "FDisplayOutPrice", 1), 15);
    EXPECT_DOUBLE_EQ(Num(b, "FSecOutPrice", 1), 15);

    // An entered in price goes to the in set only.
    b.SetFieldValue("FDisplayInPrice", 11, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayInPrice");
    EXPECT_DOUBLE_EQ(Num(b, "FSecInPrice", 1), 11);
    EXPECT_DOUBLE_EQ(Num(b, "FSecOutPrice", 1), 15);

    // A quantity edit re-prices both sets; a zero amount leaves its display price alone.
    Fill(b, 1, {{"FSecOutPrice", 0}, {"FDisplayOutPrice", 99}});
    b.SetFieldValue("FDisplayQty", 6, 1);
    CalcRowOnDisplayChange(b, 1, "FDisplayQty");
    EXPECT_DOUBLE_EQ(Num(b, "FShowQty", 1), 6);
    EXPECT_DOUBLE_EQ(Num(b, "FSecCoefficient", 1), 0.5);
    EXPECT_DOUBLE_EQ(Num(b, "FInPrice", 1), 22);
    EXPECT_DOUBLE_EQ(Num(b, "FOutPrice", 1), 0);
    EXPECT_DOUBLE_EQ(Num(b, "FInAmount", 1), 132);
    EXPECT_DOUBLE_EQ(Num(b, "FDisplayInPrice", 1), 11);
    EXPECT_DOUBLE_EQ(Num(b, "FOutAmount", 1), 0) << "the host's formula ran on the out price";
    EXPECT_DOUBLE_EQ(Num(b, "FDisplayOutPrice", 1), 99);
}

}  // namespace
}  // namespace qor::test
