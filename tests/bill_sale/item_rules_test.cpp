// Choosing an item, changing its unit, quantities, stock and batch on a sales bill row.
#include <cmath>

#include "frame/rules.h"
#include "services/calculation.h"
#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

using ItemRules = SaleBillTest;

TEST_F(ItemRules, ChoosingAnItemFillsTheRowForTheCustomer) {
    Edit("FCustID", "01.001");        // 杭州联华, a key account (type discount 0.95)
    EditRow(1, "FItemID", "01.003");  // 伊利纯牛奶: sold by the carton of 12 (floating)
    EXPECT_EQ(PlugInError(), "");
    // FShowUnitID: its sales unit: nothing sold to 联华 before
    // FTaxRate: a VAT invoice takes the item's rate
    Expect(1, {{"FShowUnitID", 3031}, {"FShowQty", 1}, {"FTaxRate", 13}, {"FSecUnitID", 3032}});
    Expect(1, {{"FSecCoefficient", 12}, {"FSecQty", 1.0 / 12}});
    EXPECT_TRUE(bill->IsCellLocked("FSecCoefficient", 1));  // a conversion method is set
    EXPECT_FALSE(bill->IsCellLocked("FSecQty", 1));
    EXPECT_TRUE(bill->IsCellLocked("FSecPrice", 1));
    // FPrice: the promotion wins over the customer's 2.95
    // FCostPrice: goods leaving stock are not costed by default
    Expect(1, {{"FPrice", 2.6}, {"FSecPrice", 2.6 * 12}, {"FClientItemID", "LH-0033"}});
    Expect(1, {{"FCostPrice", 0}, {"FSCStockID", 501}, {"FKFDate", "2026-12-10"}});
    EXPECT_NE(bill->StatusTexts().at(2).find("商品：伊利纯牛奶"), std::string::npos);

    // Entering a row shows its stock.
    OpenBill();
    EditRow(1, "FItemID", "01.003");
    EditRow(2, "FItemID", "02.004");
    EditRow(2, "FSCStockID", 502);
    ASSERT_TRUE(bill->MoveCursor("FShowQty", 1).done);
    EXPECT_EQ(bill->StatusTexts().at(2), "商品：伊利纯牛奶  仓库：总仓  库存：50箱");
    ASSERT_TRUE(bill->MoveCursor("FShowQty", 2).done);
    EXPECT_NE(bill->StatusTexts().at(2).find("商品：青岛啤酒经典"), std::string::npos);
}

TEST_F(ItemRules, TheUnitLastSoldToTheCustomerComesFirst) {
    // 联华 bought the milk by the carton last time, not in its sales unit (the box).
    demo.Exec(
        "Insert Into t_LatestPrice (FID, FItemID, FUnitID, FCustID, FSupplyID, FPrice, "
        "FDiscountRate, FDate) Values (11, 1003, 3032, 101, 0, 34, 100, '2026-12-01');");
    Edit("FCustID", "01.001");
    EditRow(1, "FItemID", "01.003");
    Expect(1, {{"FShowUnitID", 3032}, {"FCoefficient", 12}, {"FSecCoefficient", 1}});
    EditRow(2, "FItemID", "01.001");  // water: no second unit, so it is locked and empty
    EXPECT_EQ(Num("FSecCoefficient", 2), 0);
    EXPECT_TRUE(bill->IsCellLocked("FSecQty", 2));
    EXPECT_TRUE(bill->IsCellLocked("FSecCoefficient", 2));
}

TEST_F(ItemRules, TaxRateFollowsTheInvoiceType) {
    EditRow(1, "FItemID", "01.004");  // rice: 9 %
    EditRow(2, "FItemID", "08.002");  // kettle: no rate of its own, the account's 13 %
    EXPECT_EQ(Num("FTaxRate", 1), 9);
    EXPECT_EQ(Num("FTaxRate", 2), 13);
    Edit("FInvoiceType", 2022);  // an ordinary invoice: no tax on the bill
    EXPECT_EQ(Num("FTaxRate", 1), 0);
    EXPECT_EQ(Num("FTaxRate", 2), 0);
    EXPECT_FALSE(bill->IsFieldVisible("FTaxAmount", 2));
    EXPECT_FALSE(bill->IsFieldVisible("FInTaxAmount", 2));
    EditRow(3, "FItemID", "01.004");
    EXPECT_EQ(Num("FTaxRate", 3), 0);
    Edit("FInvoiceType", 2020);  // back to VAT: the rows without a rate get the default
    EXPECT_EQ(Num("FTaxRate", 1), 13);
    EXPECT_TRUE(bill->IsFieldVisible("FTaxAmount", 2));
}

TEST_F(ItemRules, CostIsFetchedOnlyWhenTheAccountCostsGoodsLeavingStock) {
    demo.Host().SetOption("IC", "StockOutCalCost", "0");
    EditRow(1, "FItemID", "01.001");
    EXPECT_GT(Num("FCostPrice", 1), 0);
    EXPECT_DOUBLE_EQ(Num("FCostAmount", 1),
                     RoundToDigits(Num("FCostPrice", 1) * Num("FShowQty", 1), 2));
}

TEST_F(ItemRules, AClearedItemClearsItsUnitsAndSerialNumbers) {
    EditRow(1, "FItemID", "01.003");
    bill->SetFieldValue("FRejected", 1);
    EditRow(1, "FItemID", 0);
    Expect(1, {{"FSecUnitID", 0}, {"FSerialNo", ""}});
    EXPECT_EQ(Num("FRejected"), 0);  // the reset still runs
}

TEST_F(ItemRules, AnItemAlreadyOnTheBillIsAskedAboutOnlyWithTheDuplicateOption) {
    EditRow(1, "FItemID", "01.001");
    EditRow(2, "FItemID", "01.001");
    EXPECT_TRUE(Prompts().empty());
    EXPECT_EQ(Num("FItemID", 2), 1001);

    // An item already on the bill asks before it is added again.
    OpenBill();
    bill->Menus().Tool("mnuCheckDuplicateItem")->SetChecked(true);
    EditRow(1, "FItemID", "01.001");
    EditRow(2, "FItemID", "01.003");
    bill->SetFieldValue("FRejected", 1);
    Answer(kAnswerNo);
    EditRow(3, "FItemID", "01.003");
    ASSERT_EQ(Platform().Boxes().size(), 1u);
    const auto& box = Platform().Boxes()[0];
    EXPECT_EQ(box.prompt, "分录中第2行已经存在相同的商品。\r\n\r\n是否继续添加？");
    EXPECT_EQ(box.buttons, 4 + 64 + 256);  // Yes/No, information, No the default
    EXPECT_EQ(box.caption, "信息提示");
    EXPECT_EQ(Num("FItemID", 3), 0);
    EXPECT_EQ(bill->ActiveKey(), "FItemID");
    EXPECT_EQ(Num("FRejected"), 1);  // the handler stopped: the rejection stays

    Answer(kAnswerYes);
    EditRow(3, "FItemID", "01.003");
    EXPECT_EQ(Num("FItemID", 3), 1003);
    EXPECT_EQ(Num("FRejected"), 0);
}

TEST_F(ItemRules, AReturnWithoutSourceGetsABatchOfItsOwn) {
    Edit("FBillTypeID", 3002);
    EditRow(1, "FItemID", "02.002");  // 光明鲜牛奶 numbers its batches itself
    EXPECT_FALSE(Trim(Text("FBatchNo", 1)).empty());
    EditRow(2, "FItemID", "02.002");
    EXPECT_FALSE(Trim(Text("FBatchNo", 2)).empty());
    EXPECT_NE(Text("FBatchNo", 1), Text("FBatchNo", 2));

    OpenBill();  // a delivery gets none
    EditRow(1, "FItemID", "02.002");
    EXPECT_EQ(Trim(Text("FBatchNo", 1)), "");
}

TEST_F(ItemRules, AnEditableCoefficientIsDerivedFromBothQuantities) {
    EditRow(1, "FItemID", "01.003");
    bill->LockCell("FSecCoefficient", 1, false);
    bill->SetFieldValue("FSecCoefficient", 0, 1);
    bill->SetFieldValue("FSecQty", 2, 1);
    EditRow(1, "FShowQty", 20);
    EXPECT_DOUBLE_EQ(Num("FSecCoefficient", 1), 10);
    // A coefficient set to 0 empties the second quantity and price and stops there.
    EditRow(1, "FSecCoefficient", 0);
    Expect(1, {{"FSecQty", 0}, {"FSecPrice", 0}});

    // Quantities follow the second unit.
    OpenBill();
    EditRow(1, "FItemID", "01.003");  // carton of 12 boxes
    EditRow(1, "FShowQty", 24);
    EXPECT_DOUBLE_EQ(Num("FSecQty", 1), 2);
    EditRow(1, "FSecQty", 3);
    // FQty: the host's formula followed
    Expect(1, {{"FShowQty", 36}, {"FQty", 36}, {"FAmount", 36 * Num("FPriceDiscount", 1)}});
    bill->SetFieldValue("FCostPrice", 2.5, 1);
    EditRow(1, "FQty", 48);
    EXPECT_DOUBLE_EQ(Num("FShowQty", 1), 48);
    // The second quantity and the cost amount follow the base quantity too.
    Expect(1, {{"FSecQty", 4}, {"FCostAmount", 120}});
}

TEST_F(ItemRules, ANewRowsUnitChangeTakesTheUnitsPrice) {
    Edit("FCustID", "01.001");
    EditRow(1, "FItemID", "01.002");  // 联华's own prices: 86 a carton, 3.7 a bag
    // FSecCoefficient: the carton is the second unit
    Expect(1, {{"FShowUnitID", 3022}, {"FPrice", 86}, {"FClientItemID", "LH-0012X"}});
    Expect(1, {{"FSecCoefficient", 1}});
    EditRow(1, "FShowUnitID", 3021);
    Expect(1, {{"FPrice", 3.7}, {"FClientItemID", "LH-0012"}});
    // FSecCoefficient: 24 bags a carton
    Expect(1, {{"FSecCoefficient", 24}, {"FSecQty", 1.0 / 24}});
}

// A row drawn from a source keeps its value per base unit: the coefficient before the edit is
// the old unit's, not the one the host's unit formula has already put on the row.
TEST_F(ItemRules, ASourceRowsUnitChangeKeepsTheValuePerBaseUnit) {
    Edit("FCustID", "01.001");
    EditRow(1, "FItemID", "01.001");  // by the carton of 24 at 39.5
    bill->SetFieldValue("FEntryID_SRC", 7, 1);
    bill->SetFieldValue("FPrice", 48, 1);
    bill->SetFieldValue("FOrderQty", 2, 1);
    bill->SetFieldValue("FCostPrice", 24, 1);
    EditRow(1, "FShowQty", 2);
    EditRow(1, "FShowUnitID", 3011);  // to the bottle
    // FPrice: 48 a carton is 2 a bottle
    Expect(1, {{"FCoefficient", 1}, {"FPrice", 2}, {"FBasePrice", 2}, {"FOrderQty", 48}});
    Expect(1, {{"FCostPrice", 1}, {"FAmount", 2 * Num("FShowQty", 1)}});
}

TEST_F(ItemRules, ABatchBringsItsDatesFromStock) {
    EditRow(1, "FItemID", "02.001");  // 蒙牛原味酸奶, shelf life 21 days
    EditRow(1, "FSCStockID", 503);
    EditRow(1, "FBatchNo", "B20261128");
    Expect(1,
           {{"FKFDate", "2026-11-28"}, {"FPeriodDate", "2026-12-19"}, {"FBatchNo", "B20261128"}});
    EditRow(1, "FKFPeriod", 30);
    EXPECT_EQ(Text("FPeriodDate", 1), "2026-12-28");

    // Astock change drops abatch the new stock does not hold.
    OpenBill();
    EditRow(1, "FItemID", "02.004");  // 青岛啤酒: batch QD2026A01 in 总仓 and 门店仓
    EditRow(1, "FSCStockID", 501);
    EditRow(1, "FBatchNo", "QD2026A01");
    EditRow(1, "FSCStockID", 502);
    EXPECT_EQ(Text("FBatchNo", 1), "QD2026A01");
    EditRow(1, "FSCStockID", 503);
    EXPECT_EQ(Text("FBatchNo", 1), "");
    auto cell = bill->GetDataFldbyKey("FBatchNo", 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Get("FDSP").ToString(), "");
    EXPECT_NE(bill->StatusTexts().at(2).find("仓库："), std::string::npos);
}

TEST_F(ItemRules, ATypedCustomerCodeFindsItsItemElseIsCleared) {
    Edit("FCustID", "01.001");
    EditRow(1, "FClientItemID", "LH-0012X");
    Expect(1, {{"FItemID", 1002}, {"FShowUnitID", 3022}, {"FPrice", 86}});
    EditRow(2, "FClientItemID", "NO-SUCH-CODE");
    EXPECT_EQ(Text("FClientItemID", 2), "");
}

// Zero coefficients divide nothing; a second quantity without a coefficient leaves the
// quantity alone rather than making it 0.
TEST_F(ItemRules, ZeroCoefficientsChangeNothing) {
    EditRow(1, "FItemID", "01.003");
    bill->SetFieldValue("FSecCoefficient", 0, 1);
    bill->SetFieldValue("FCoefficient", 0, 1);
    EditRow(1, "FQty", 10);
    EXPECT_EQ(Num("FShowQty", 1), 1);
    EditRow(1, "FSecQty", 2);
    EXPECT_EQ(Num("FShowQty", 1), 1);
    EXPECT_EQ(PlugInError(), "");
    EXPECT_TRUE(std::isfinite(Num("FSecQty", 1)));

    // An absurd shelf life leaves the expiry date empty.
    OpenBill();
    demo.Exec("Update t_ICItem Set FKFPeriod=1e15 Where FItemID=1007;");
    EditRow(1, "FItemID", "02.003");
    EXPECT_EQ(PlugInError(), "");
    Expect(1, {{"FKFDate", "2026-12-10"}, {"FPeriodDate", ""}});
    EXPECT_GT(Num("FPrice", 1), 0);  // the rest of the rule still ran
}

// In the industry edition an item calculated by calculation type is priced per base unit and
// takes its calculation type and second quantity.
TEST_F(ItemRules, IndustryEditionPricesACalculationTypeItemPerBaseUnit) {
    demo.Host().SetIndustryType(1);
    Edit("FCustID", "01.001");
    EditRow(1, "FItemID", "05.001");  // 宝钢冷轧钢板, by weight (type 1), sold by the sheet
    EXPECT_EQ(PlugInError(), "");
    // FBasePrice: the key account's price per kilogram
    Expect(1, {{"FCalTypeID", 1}, {"FShowUnitID", 3122}, {"FBasePrice", 5.8}});
    Expect(1, {{"FDisplayPrice", 5.8}, {"FQty", 24.5}});
    EXPECT_NEAR(Num("FSecQty", 1), Num("FQty", 1), 1e-6);
}

// The host's own fills (Change raised with its flag) run no item, quantity or price rule and
// keep the rejection mark.
TEST_F(ItemRules, TheHostsOwnFillsRunNoItemRuleAndKeepTheRejection) {
    auto* base = dynamic_cast<PlugInBase*>(plugin.get());
    ASSERT_NE(base, nullptr);
    bill->SetFieldValue("FRejected", 1);
    bill->SetFieldValue("FItemID", 1003, 1);
    auto desc = Collection::Make({{"FKey", Value("FItemID")}, {"FFLD", Value(1003)}});
    bool cancel = false;
    base->Rules()->RunChange(*base, *bill, desc, 1, true, cancel);
    EXPECT_EQ(Num("FShowQty", 1), 0);  // no default unit, no quantity
    EXPECT_EQ(Num("FRejected"), 1);
    base->Rules()->RunChange(*base, *bill, desc, 1, false, cancel);
    EXPECT_EQ(Num("FShowQty", 1), 1);
    EXPECT_EQ(Num("FRejected"), 0);
}

}  // namespace
}  // namespace qor::test
