// Row layouts: which fields of a row the user may edit for its calculation type or plain item,
// by class type, and the layouts of a whole bill.
#include <gtest/gtest.h>

#include "frame/data_access.h"
#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"

namespace qor::test {
namespace {

using Form = std::shared_ptr<host::form::HostBillForm>;

// Expects each key locked (true) or open (false) on the row.
void ExpectLocks(const Form& bill, int row, std::initializer_list<const char*> keys, bool locked) {
    for (const char* key : keys) {
        EXPECT_EQ(bill->IsCellLocked(key, row), locked) << key << (locked ? " open" : " locked");
    }
}

class CalTypeLayout : public ::testing::Test {
protected:
    DemoHost demo{"layout"};
    Form sale = demo.NewBill("sale");
};

TEST_F(CalTypeLayout, TypeOneOpensTheWeightAndTheBasePrices) {
    Fill(*sale, 1, {{"FItemID", kSteel}, {"FShowQty", 2}, {"FQty", 49}, {"FSecQty", 7}});
    ApplyCalTypeLayout(*sale, 1, 1);
    ExpectLocks(sale, 1, {"FQty", "FBasePriceDiscount", "FBaseTaxPrice"}, false);
    ExpectLocks(sale, 1,
                {"FShowUnitID", "FShowQty", "FPrice", "FSecQty", "FSecCoefficient", "FSecPrice",
                 "FPriceDiscount", "FTaxPrice"},
                true);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayQty", 1), 2);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 49);
}

TEST_F(CalTypeLayout, TypeTwoOpensTheCountAndTheShownPrices) {
    Fill(*sale, 1, {{"FItemID", kPork}, {"FShowQty", 3}, {"FQty", 6}});
    ApplyCalTypeLayout(*sale, 1, Value("2"));
    ExpectLocks(sale, 1,
                {"FQty", "FShowUnitID", "FSecQty", "FSecCoefficient", "FSecPrice",
                 "FBasePriceDiscount", "FBaseTaxPrice", "FSecTaxPrice", "FDisplayWeight"},
                true);
    ExpectLocks(sale, 1,
                {"FShowQty", "FBasePrice", "FPrice", "FPriceDiscount", "FTaxPrice", "FDisplayQty"},
                false);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayQty", 1), 3);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 6);
}

TEST_F(CalTypeLayout, TypeThreeOpensTheSecondQuantityAndPrice) {
    Fill(*sale, 1, {{"FItemID", kWire}, {"FShowQty", 4}, {"FQty", 4}, {"FSecQty", 12}});
    ApplyCalTypeLayout(*sale, 1, 3);
    ExpectLocks(sale, 1,
                {"FQty", "FBasePrice", "FShowUnitID", "FPrice", "FSecCoefficient",
                 "FBasePriceDiscount", "FBaseTaxPrice", "FPriceDiscount", "FTaxPrice"},
                true);
    ExpectLocks(
        sale, 1,
        {"FShowQty", "FSecQty", "FSecTaxPrice", "FDisplayWeight", "FDisplayQty", "FSecPrice"},
        false);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 12);
    // Switching back to type 1 opens again what type 3 locked.
    ApplyCalTypeLayout(*sale, 1, 1);
    ExpectLocks(sale, 1, {"FQty", "FBaseTaxPrice"}, false);
    ExpectLocks(sale, 1, {"FSecQty", "FSecPrice"}, true);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 4);
}

TEST_F(CalTypeLayout, AnUnknownTypeChangesNoField) {
    Fill(*sale, 1, {{"FItemID", kWire}, {"FShowQty", 4}});
    ApplyCalTypeLayout(*sale, 1, 4);
    ApplyCalTypeLayout(*sale, 1, Value("abc"));
    ExpectLocks(sale, 1, {"FQty", "FPrice", "FSecPrice", "FShowQty"}, false);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayQty", 1), 0);
}

TEST_F(CalTypeLayout, RowsFromBillsOfTheSameKindKeepTheirCalculationType) {
    sale->AddRow();
    sale->AddRow();
    Fill(*sale, 1, {{"FItemID", kWire}, {"FClassID_SRC", 1030003}});
    Fill(*sale, 2, {{"FItemID", kWire}, {"FClassID_SRC", 1030001}});
    Fill(*sale, 3, {{"FItemID", kWire}});
    for (int row = 1; row <= 3; ++row) ApplyCalTypeLayout(*sale, row, 3);
    EXPECT_TRUE(sale->IsCellLocked("FCalTypeID", 1)) << "consignment into sales bill";
    EXPECT_FALSE(sale->IsCellLocked("FCalTypeID", 2)) << "a sales order's rows may change it";
    EXPECT_FALSE(sale->IsCellLocked("FCalTypeID", 3));
}

TEST_F(CalTypeLayout, EnteredPricesStayLockedOnDerivedPriceBills) {
    auto t = StockSideTemplate(1040002);
    auto bill = OpenBill(t);
    Fill(*bill, 1, {{"FItemID", kPork}});
    ApplyCalTypeLayout(*bill, 1, 2);
    ExpectLocks(bill, 1, {"FBasePrice", "FPrice"}, true);
    // 1040002 has no discount and tax prices of its own: they stay as defined.
    ExpectLocks(bill, 1, {"FPriceDiscount", "FTaxPrice"}, false);
    ApplyCalTypeLayout(*bill, 1, 3);
    ExpectLocks(bill, 1, {"FSecPrice"}, true);
    ExpectLocks(bill, 1, {"FBasePriceDiscount"}, false);
}

TEST_F(CalTypeLayout, PurchaseOrdersUseTheirDiscountPriceKeys) {
    auto t = StockSideTemplate(1020001);
    auto bill = OpenBill(t);
    Fill(*bill, 1, {{"FItemID", kSteel}});
    ApplyCalTypeLayout(*bill, 1, 1);
    ExpectLocks(bill, 1, {"FBaseDiscountPrice", "FBaseTaxPrice"}, false);
    ExpectLocks(bill, 1, {"FDiscountPrice", "FTaxPrice"}, true);
    ExpectLocks(bill, 1, {"FPriceDiscount", "FBasePriceDiscount"}, false);
}

// ---- Plain items and whole bills -------------------------------------------------------------

TEST_F(CalTypeLayout, CalculationTypeItemsTakeTheirPackingUnitAndTypeLayout) {
    Fill(*sale, 1, {{"FItemID", kWire}, {"FCalTypeID", 3}, {"FShowUnitID", 3131}});
    ApplyPlainItemLayout(*sale, 1, kWire);
    EXPECT_EQ(Num(*sale, "FShowUnitID", 1), 3132) << "the barcode row with entry number 2";
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 1));
    EXPECT_FALSE(sale->IsCellLocked("FSecQty", 1)) << "type 3 layout followed";
    EXPECT_TRUE(sale->IsCellLocked("FPrice", 1));
}

TEST_F(CalTypeLayout, PlainItemsWithASecondUnit) {
    Fill(*sale, 1, {{"FItemID", kMilk}, {"FSecUnitID", 3032}, {"FDisplayWeight", 3}});
    ApplyPlainItemLayout(*sale, 1, kMilk);
    ExpectLocks(sale, 1, {"FCalTypeID", "FBasePrice", "FQty", "FSecPrice"}, true);
    ExpectLocks(sale, 1, {"FShowUnitID", "FShowQty", "FPrice", "FSecQty", "FSecCoefficient"},
                false);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 3);
}

TEST_F(CalTypeLayout, PlainItemsWithoutASecondUnitShowNoWeight) {
    Fill(*sale, 1, {{"FItemID", kWater}, {"FSecUnitID", 0}, {"FDisplayWeight", 3}});
    sale->GetDataFldbyKey("FDisplayWeight", 1)->Set("FModify", 1);
    ApplyPlainItemLayout(*sale, 1, kWater);
    ExpectLocks(sale, 1, {"FSecQty", "FSecCoefficient", "FSecPrice", "FDisplayWeight"}, true);
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 0);
    EXPECT_EQ(sale->GetDataFldbyKey("FDisplayWeight", 1)->Get("FModify").ToNumber(), 0);
}

TEST_F(CalTypeLayout, TransferBillsKeepTheTypeAndTheWeight) {
    auto t = StockSideTemplate(1040003);
    auto bill = OpenBill(t);
    Fill(*bill, 1, {{"FItemID", kWater}, {"FDisplayWeight", 3}});
    ApplyPlainItemLayout(*bill, 1, kWater);
    ExpectLocks(bill, 1, {"FCalTypeID", "FBasePrice", "FDisplayWeight"}, false);
    EXPECT_DOUBLE_EQ(Num(*bill, "FDisplayWeight", 1), 3);
    ExpectLocks(bill, 1, {"FQty", "FSecQty"}, true);
    // A calculation-type item gets its unit but no type layout there.
    Fill(*bill, 1, {{"FItemID", kWire}, {"FCalTypeID", 3}});
    ApplyPlainItemLayout(*bill, 1, kWire);
    EXPECT_EQ(Num(*bill, "FShowUnitID", 1), 3132);
    EXPECT_FALSE(bill->IsCellLocked("FPrice", 1));
}

TEST_F(CalTypeLayout, AssemblyBillsTakeTheSecondUnitFromTheItem) {
    auto t = StockSideTemplate(1040005);
    auto bill = OpenBill(t);
    Fill(*bill, 1, {{"FItemID", kMilk}, {"FSecUnitID", 3032}});
    ApplyPlainItemLayout(*bill, 1, kMilk);
    ExpectLocks(bill, 1, {"FSecQty", "FSecCoefficient", "FDisplayPrice"}, true);

    demo.Db().Execute("update t_ICItem set FBaseProperty4=3032 where FItemID=1003");
    DataGateway::Instance().DropCache();
    Fill(*bill, 1, {{"FSecUnitID", 0}});
    ApplyPlainItemLayout(*bill, 1, kMilk);
    ExpectLocks(bill, 1, {"FSecQty", "FSecCoefficient"}, false);
    ExpectLocks(bill, 1, {"FSecPrice", "FDisplayPrice"}, true);
}

TEST_F(CalTypeLayout, RecalcBillEntriesLaysOutEveryRow) {
    sale->AddRow();
    sale->AddRow();
    Fill(*sale, 1, {{"FItemID", kWire}, {"FCalTypeID", 3}, {"FSecQty", 5}});
    Fill(*sale, 2, {{"FItemID", kMilk}, {"FSecUnitID", 3032}});
    Fill(*sale, 3, {{"FItemID", kPork}, {"FCalTypeID", 2}, {"FShowQty", 2}, {"FQty", 2}});
    RecalcBillEntries(*sale);
    EXPECT_FALSE(sale->IsCellLocked("FSecPrice", 1));
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayWeight", 1), 5);
    EXPECT_EQ(Num(*sale, "FShowUnitID", 1), 0) << "a reload keeps the row's unit";
    EXPECT_TRUE(sale->IsCellLocked("FCalTypeID", 2));
    EXPECT_FALSE(sale->IsCellLocked("FSecQty", 2));
    EXPECT_TRUE(sale->IsCellLocked("FDisplayWeight", 3));
    EXPECT_DOUBLE_EQ(Num(*sale, "FDisplayQty", 3), 2);
}

TEST_F(CalTypeLayout, SecondCoefficientLockFollowsTheItemsConversion) {
    sale->AddRow();
    sale->AddRow();
    sale->AddRow();
    Fill(*sale, 1, {{"FItemID", kNoodles}});  // fixed conversion
    Fill(*sale, 2, {{"FItemID", kMilk}});     // floating conversion
    Fill(*sale, 3, {{"FItemID", kWater}});    // no second unit
    for (int row = 1; row <= 4; ++row) sale->LockCell("FSecCoefficient", row, true);
    RefreshSecUnitFields(*sale, 2);
    EXPECT_FALSE(sale->IsCellLocked("FSecCoefficient", 2));
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 1)) << "only the row asked";

    RefreshSecUnitFields(*sale, 0);
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 1));
    EXPECT_FALSE(sale->IsCellLocked("FSecCoefficient", 2));
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 3));
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 4)) << "a row without item is skipped";

    // A checked bill is left as it is.
    sale->SetFieldValue("FStatus", 1);
    for (int row = 1; row <= 4; ++row) sale->LockCell("FSecCoefficient", row, true);
    RefreshSecUnitFields(*sale, 0);
    EXPECT_TRUE(sale->IsCellLocked("FSecCoefficient", 2));
}

}  // namespace
}  // namespace qor::test
