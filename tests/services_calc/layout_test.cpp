// Row layouts: which fields of a row the user may edit for its calculation type or plain item,
// by class type, and the layouts of a whole bill. Items by number: 1014 steel (type 1), 1015
// wire (type 3), 1016 pork (type 2), 1001 water, 1002 noodles and 1003 milk (plain).
#include <gtest/gtest.h>

#include <sstream>

#include "frame/data_access.h"
#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

using Form = std::shared_ptr<host::form::HostBillForm>;

// Expects the keys (separated by blanks) of the row open and locked.
void ExpectLocks(const Form& bill, int row, const std::string& open, const std::string& locked) {
    for (bool lock : {false, true}) {
        std::istringstream keys(lock ? locked : open);
        for (std::string key; keys >> key;) {
            EXPECT_EQ(bill->IsCellLocked(key, row), lock) << key << (lock ? " open" : " locked");
        }
    }
}

// One layout of row 1: the values written first, the calculation type laid out (none: the
// plain-item layout of the row's item), and the keys open and locked and values after it.
struct Step {
    const char* fill;
    Value type;
    const char* open;
    const char* locked;
    const char* expect;
};

TEST(CalTypeLayouts, EachTypeAndClassTypeOpensItsFields) {
    DemoHost demo{"layout"};
    struct Case {
        const char* what;
        int classType;  // 0: the sales bill
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"type 1 opens the weight and the base prices",
         0,
         {{"FItemID=1014 FShowQty=2 FQty=49 FSecQty=7", 1, "FQty FBasePriceDiscount FBaseTaxPrice",
           "FShowUnitID FShowQty FPrice FSecQty FSecCoefficient FSecPrice FPriceDiscount "
           "FTaxPrice",
           "FDisplayQty=2 FDisplayWeight=49"}}},
        {"type 2 opens the count and the shown prices",
         0,
         {{"FItemID=1016 FShowQty=3 FQty=6", "2",
           "FShowQty FBasePrice FPrice FPriceDiscount FTaxPrice FDisplayQty",
           "FQty FShowUnitID FSecQty FSecCoefficient FSecPrice FBasePriceDiscount FBaseTaxPrice "
           "FSecTaxPrice FDisplayWeight",
           "FDisplayQty=3 FDisplayWeight=6"}}},
        {"type 3 opens the second quantity and price; type 1 opens again what it locked",
         0,
         {{"FItemID=1015 FShowQty=4 FQty=4 FSecQty=12", 3,
           "FShowQty FSecQty FSecTaxPrice FDisplayWeight FDisplayQty FSecPrice",
           "FQty FBasePrice FShowUnitID FPrice FSecCoefficient FBasePriceDiscount FBaseTaxPrice "
           "FPriceDiscount FTaxPrice",
           "FDisplayWeight=12"},
          {"", 1, "FQty FBaseTaxPrice", "FSecQty FSecPrice", "FDisplayWeight=4"}}},
        {"an unknown type changes no field",
         0,
         {{"FItemID=1015 FShowQty=4", 4, "", "", ""},
          {"", "abc", "FQty FPrice FSecPrice FShowQty", "", "FDisplayQty=0"}}},
        // 1040002 has no discount and tax prices of its own: they stay as defined.
        {"entered prices stay locked on derived-price bills",
         1040002,
         {{"FItemID=1016", 2, "FPriceDiscount FTaxPrice", "FBasePrice FPrice", ""},
          {"", 3, "FBasePriceDiscount", "FSecPrice", ""}}},
        {"purchase orders use their discount price keys",
         1020001,
         {{"FItemID=1014", 1, "FBaseDiscountPrice FBaseTaxPrice FPriceDiscount FBasePriceDiscount",
           "FDiscountPrice FTaxPrice", ""}}},
        // The barcode row with entry number 2 gives the unit; the type 3 layout follows.
        {"calculation-type items take their packing unit and type layout",
         0,
         {{"FItemID=1015 FCalTypeID=3 FShowUnitID=3131",
           {},
           "FSecQty",
           "FSecCoefficient FPrice",
           "FShowUnitID=3132"}}},
        {"plain items with a second unit",
         0,
         {{"FItemID=1003 FSecUnitID=3032 FDisplayWeight=3",
           {},
           "FShowUnitID FShowQty FPrice FSecQty FSecCoefficient",
           "FCalTypeID FBasePrice FQty FSecPrice",
           "FDisplayWeight=3"}}},
        // A calculation-type item gets its unit but no type layout there.
        {"transfer bills keep the type and the weight",
         1040003,
         {{"FItemID=1001 FDisplayWeight=3",
           {},
           "FCalTypeID FBasePrice FDisplayWeight",
           "FQty FSecQty",
           "FDisplayWeight=3"},
          {"FItemID=1015 FCalTypeID=3", {}, "FPrice", "", "FShowUnitID=3132"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto t = StockSideTemplate(c.classType);
        Form bill = c.classType ? OpenBill(t) : demo.NewBill("sale");
        for (const auto& step : c.steps) {
            FillRow(*bill, 1, step.fill);
            if (step.type.IsEmpty()) {
                ApplyPlainItemLayout(*bill, 1, bill->GetFieldValue("FItemID", 1));
            } else {
                ApplyCalTypeLayout(*bill, 1, step.type);
            }
            ExpectLocks(bill, 1, step.open, step.locked);
            ExpectRow(*bill, 1, step.expect);
        }
    }
}

class CalTypeLayout : public ::testing::Test {
protected:
    DemoHost demo{"layout"};
    Form sale = demo.NewBill("sale", 4);
};

TEST_F(CalTypeLayout, RowsFromBillsOfTheSameKindKeepTheirCalculationType) {
    FillRow(*sale, 1, "FItemID=1015 FClassID_SRC=1030003");
    FillRow(*sale, 2, "FItemID=1015 FClassID_SRC=1030001");
    FillRow(*sale, 3, "FItemID=1015");
    for (int row = 1; row <= 3; ++row) ApplyCalTypeLayout(*sale, row, 3);
    EXPECT_TRUE(sale->IsCellLocked("FCalTypeID", 1)) << "consignment into sales bill";
    EXPECT_FALSE(sale->IsCellLocked("FCalTypeID", 2)) << "a sales order's rows may change it";
    EXPECT_FALSE(sale->IsCellLocked("FCalTypeID", 3));
}

TEST_F(CalTypeLayout, PlainItemsWithoutASecondUnitShowNoWeight) {
    FillRow(*sale, 1, "FItemID=1001 FSecUnitID=0 FDisplayWeight=3");
    sale->GetDataFldbyKey("FDisplayWeight", 1)->Set("FModify", 1);
    ApplyPlainItemLayout(*sale, 1, kWater);
    ExpectLocks(sale, 1, "", "FSecQty FSecCoefficient FSecPrice FDisplayWeight");
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 0);
    EXPECT_EQ(sale->GetDataFldbyKey("FDisplayWeight", 1)->Get("FModify").ToNumber(), 0);
}

TEST_F(CalTypeLayout, AssemblyBillsTakeTheSecondUnitFromTheItem) {
    auto t = StockSideTemplate(1040005);
    auto bill = OpenBill(t);
    FillRow(*bill, 1, "FItemID=1003 FSecUnitID=3032");
    ApplyPlainItemLayout(*bill, 1, kMilk);
    ExpectLocks(bill, 1, "", "FSecQty FSecCoefficient FDisplayPrice");

    demo.Db().Execute("update t_ICItem set FBaseProperty4=3032 where FItemID=1003");
    DataGateway::Instance().DropCache();
    FillRow(*bill, 1, "FSecUnitID=0");
    ApplyPlainItemLayout(*bill, 1, kMilk);
    ExpectLocks(bill, 1, "FSecQty FSecCoefficient", "FSecPrice FDisplayPrice");
}

TEST_F(CalTypeLayout, RecalcBillEntriesLaysOutEveryRow) {
    FillRow(*sale, 1, "FItemID=1015 FCalTypeID=3 FSecQty=5");
    FillRow(*sale, 2, "FItemID=1003 FSecUnitID=3032");
    FillRow(*sale, 3, "FItemID=1016 FCalTypeID=2 FShowQty=2 FQty=2");
    RecalcBillEntries(*sale);
    ExpectLocks(sale, 1, "FSecPrice", "");
    ExpectRow(*sale, 1, "FDisplayWeight=5 FShowUnitID=0");  // a reload keeps the row's unit
    ExpectLocks(sale, 2, "FSecQty", "FCalTypeID");
    ExpectLocks(sale, 3, "", "FDisplayWeight");
    ExpectRow(*sale, 3, "FDisplayQty=2");
}

TEST_F(CalTypeLayout, SecondCoefficientLockFollowsTheItemsConversion) {
    FillRow(*sale, 1, "FItemID=1002");  // fixed conversion
    FillRow(*sale, 2, "FItemID=1003");  // floating conversion
    FillRow(*sale, 3, "FItemID=1001");  // no second unit
    auto locks = [&] {
        std::string out;
        for (int row = 1; row <= 4; ++row)
            out += sale->IsCellLocked("FSecCoefficient", row) ? "L" : "o";
        return out;
    };
    auto lockAll = [&] {
        for (int row = 1; row <= 4; ++row) sale->LockCell("FSecCoefficient", row, true);
    };
    lockAll();
    RefreshSecUnitFields(*sale, 2);
    EXPECT_EQ(locks(), "LoLL") << "only the row asked";
    RefreshSecUnitFields(*sale, 0);
    EXPECT_EQ(locks(), "LoLL") << "a row without item is skipped";

    // A checked bill is left as it is.
    sale->SetFieldValue("FStatus", 1);
    lockAll();
    RefreshSecUnitFields(*sale, 0);
    EXPECT_EQ(locks(), "LLLL");
}

}  // namespace
}  // namespace qor::test
