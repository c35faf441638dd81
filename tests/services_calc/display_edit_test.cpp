// Edits of the three display fields mapped onto the stored fields, per calculation type, on the
// host's sales bill with its own formulas, and on the stock-side bills' child rows and in/out
// prices. Items by number: 1014 steel (type 1), 1015 wire (type 3), 1016 pork (type 2), 1001
// water and 1003 milk (plain; milk with a second unit).
#include <gtest/gtest.h>

#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

// One edit of a display field: the values written first, the edit ("FKey=value", the key in
// any letter case) and the values expected after it.
struct Step {
    const char* fill;
    const char* edit;
    const char* expect;
};

void EditSteps(IBillForm& b, const std::vector<Step>& steps,
               const FieldSet& set = FieldSet::Main()) {
    for (const auto& step : steps) {
        SCOPED_TRACE(step.edit);
        FillRow(b, 1, step.fill);
        FillRow(b, 1, step.edit);
        CalcRowOnDisplayChange(b, 1, RowValues(step.edit).at(0).first, set);
        ExpectRow(b, 1, step.expect);
    }
}

TEST(DisplayEdit, EachTypeMapsTheEditOntoTheStoredFields) {
    DemoHost demo{"display"};
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        // The host's price formulas run after the price (the amount).
        {"type 3 weight drives second quantity, coefficient and price",
         {{"FItemID=1015 FCalTypeID=3 FShowQty=4 FCoefficient=1 FSecPrice=10 FDiscountRate=100",
           "FDisplayWeight=12",
           "FSecQty=12 FQty=4 FSecCoefficient=0.3333333333333 FPrice=30 FAmount=120"}}},
        {"type 3 quantity keeps the coefficient without a second quantity, else follows it",
         {{"FItemID=1015 FCalTypeID=3 FCoefficient=1 FSecCoefficient=2 FSecQty=0 FSecPrice=10",
           "fdisplayqty=6", "FShowQty=6 FSecCoefficient=2 FQty=6 FPrice=5 FAmount=30"},
          {"FSecQty=3", "FDisplayQty=9", "FSecCoefficient=3 FPrice=3.3333333333333"}}},
        // The sales bill has no base-price formula: the shown price stays.
        {"type 1 price goes to the base price only",
         {{"FItemID=1014 FCalTypeID=1 FCoefficient=24.5 FPrice=1", "FDisplayPrice=8",
           "FBasePrice=8 FSecPrice=8 FPrice=1"}}},
        {"type 2 price goes to the shown price, the base price through its formula",
         {{"FItemID=1016 FCalTypeID=2 FCoefficient=2 FShowQty=3 FDiscountRate=100",
           "FDisplayPrice=6", "FPrice=6 FBasePrice=3 FSecPrice=3 FAmount=18"}}},
        {"type 3 price goes to the second price",
         {{"FItemID=1015 FCalTypeID=3 FPrice=7", "FDisplayPrice=11", "FSecPrice=11 FPrice=7"}}},
        {"plain item price without and with a second coefficient",
         {{"FItemID=1001 FCoefficient=1 FSecCoefficient=0", "FDisplayPrice=5",
           "FPrice=5 FBasePrice=5 FSecPrice=0"},
          {"FItemID=1003 FSecCoefficient=12", "FDisplayPrice=2.5", "FSecPrice=30"}}},
        // 1000 base units per second unit of steel / 2; no coefficient: the shown quantity
        // stays and the second coefficient becomes 0.
        {"weight of types 1 and 2 with and without coefficient",
         {{"FItemID=1014 FCalTypeID=1 FCoefficient=2 FShowQty=1", "FDisplayWeight=10",
           "FQty=10 FShowQty=5 FDisplayQty=5 FSecCoefficient=500"},
          {"FItemID=1016 FCalTypeID=2 FCoefficient=0 FShowQty=3 FSecCoefficient=9",
           "FDisplayWeight=7", "FQty=7 FShowQty=3 FDisplayQty=3 FSecCoefficient=0"}}},
        {"quantity of types 1 and 2 shows the base quantity (its formula) as weight",
         {{"FItemID=1016 FCalTypeID=2 FCoefficient=2.5", "FDisplayQty=4",
           "FShowQty=4 FQty=10 FDisplayWeight=10"}}},
        {"plain item weight and quantity use the second unit",
         {{"FItemID=1003 FCoefficient=1 FSecCoefficient=12", "FDisplayWeight=2",
           "FSecQty=2 FShowQty=24 FQty=24 FDisplayQty=24"},
          {"FSecQty=3", "FDisplayQty=5", "FShowQty=5 FDisplayWeight=3"}}},
        {"nothing happens without a type",
         {{"FItemID=1015 FCalTypeID= FShowQty=4 FPrice=2", "FDisplayWeight=12", ""},
          {"", "FDisplayPrice=9", "FSecQty=0 FShowQty=4 FPrice=2 FSecPrice=0"}}},
        // No shown quantity: the type-3 price cannot be derived and keeps its value, the rest
        // runs; an overflowing product writes nothing.
        {"broken numbers skip only their own step",
         {{"FItemID=1015 FCalTypeID=3 FShowQty=0 FCoefficient=1 FSecPrice=10 FPrice=4 "
           "FSecCoefficient=0.5",
           "FDisplayWeight=12abc", "FSecQty=12 FSecCoefficient=0 FPrice=4"},
          {"FShowQty=1e300 FCoefficient=1e300 FQty=5", "FDisplayWeight=2", "FQty=5 FSecQty=2"}}},
    };
    for (const auto& [what, steps] : cases) {
        SCOPED_TRACE(what);
        EditSteps(*demo.NewBill("sale"), steps);
    }
}

TEST(DisplayEdit, OtherKeysAndRowsAreLeftAlone) {
    DemoHost demo{"display"};
    auto bill = demo.NewBill("sale");
    FillRow(*bill, 1, "FItemID=1015 FCalTypeID=3 FShowQty=4 FDisplayWeight=12");
    CalcRowOnDisplayChange(*bill, 1, "FPrice");
    CalcRowOnDisplayChange(*bill, 0, "FDisplayWeight");
    CalcRowOnDisplayChange(*bill, 7, "FDisplayWeight");  // no such row
    ExpectRow(*bill, 1, "FSecQty=0");
}

// ---- Stock-side bills ------------------------------------------------------------------------

TEST(StockSideDisplayEdit, ChildRowsUseTheirTwinKeys) {
    DemoHost demo{"display_stock"};
    auto t = StockSideTemplate(1040005);
    auto bill = OpenBill(t);
    // The main row is not touched; the child rows' quantity edit prices from the second
    // quantity.
    EditSteps(
        *bill,
        {{"FItemID=1001 FCldItemID=1015 FCalTypeid1=3 FShowQty1=4 FCoefficient1=1 FSecPrice1=10 "
          "FQty2=0 FDecimal=2 FShowQty=1 FPrice=3",
          "FDisplayWeight1=8", "FQty2=8 FQty1=4 FDecimal=0.5 FPrice1=20 FAmount1=80 FPrice=3"},
         {"", "FDisplayQty1=5", "FShowQty1=5 FPrice1=16"},
         {"", "FDisplayPrice1=12", "FSecPrice1=12"}},
        FieldSet::Child());
}

TEST(StockSideDisplayEdit, InAndOutPricesFollowWeightAndAmounts) {
    DemoHost demo{"display_stock"};
    auto t = StockSideTemplate(1040007);
    auto bill = OpenBill(t);
    // An entered in price goes to the in set only. A quantity edit re-prices both sets; a zero
    // amount leaves its display price alone, and the host's formula ran on the out price.
    EditSteps(
        *bill,
        {{"FItemID=1015 FCalTypeID=3 FShowQty=4 FCoefficient=1 FSecInPrice=10 FSecOutPrice=15",
          "FDisplayWeight=12",
          "FInPrice=30 FOutPrice=45 FInAmount=120 FOutAmount=180 FDisplayInPrice=10 "
          "FDisplayOutPrice=15 FSecOutPrice=15"},
         {"", "FDisplayInPrice=11", "FSecInPrice=11 FSecOutPrice=15"},
         {"FSecOutPrice=0 FDisplayOutPrice=99", "FDisplayQty=6",
          "FShowQty=6 FSecCoefficient=0.5 FInPrice=22 FOutPrice=0 FInAmount=132 "
          "FDisplayInPrice=11 FOutAmount=0 FDisplayOutPrice=99"}});
}

}  // namespace
}  // namespace qor::test
