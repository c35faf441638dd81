// The default sales price on the demo database: promotions (newest bill, customer limits, the
// date and time window), the configured sources in their order, the customer's own prices and
// item codes, and the unit and barcode look-ups.
#include <gtest/gtest.h>

#include <vector>

#include "services/price_lookup.h"
#include "tests/support/demo_form.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

// A test item 9101 in three units (9911 base, 9912 = 10 base, 9913 = 5 base), an item 9102
// priced nowhere, and customers 9201 (first customer type), 9202 (second type), 9203 (no type).
constexpr const char* kPriceData = R"(
INSERT INTO t_MeasureUnit (FItemID, FUnitGroupID, FNumber, FName, FCoefficient) VALUES
  (9911, 99, 'T01', '瓶', 1), (9912, 99, 'T02', '箱', 10), (9913, 99, 'T03', '提', 5);
INSERT INTO t_ICItem (FItemID, FNumber, FName, FUnitGroupID, FUnitID, FSaleUnitID, FTaxRate,
  FProfitRate, FDefaultLoc) VALUES
  (9101, 'T.9101', '测试矿泉水', 99, 9911, 9912, 0.13, 0.2, 501),
  (9102, 'T.9102', '测试无价商品', 99, 9911, 9911, 0.13, 0, 501);
INSERT INTO t_barcode (FID, FItemID, FUnitID, FEntryNo, FCoefficient, FBarcode, FOrder) VALUES
  (99101, 9101, 9911, 1, 1, 'BC-9101-1', 1),
  (99102, 9101, 9912, 2, 10, 'BC-9101-2', 3),
  (99103, 9101, 9913, 3, 5, NULL, 2),
  (99104, 9102, 9911, 1, 1, 'BC-9102-1', 1);
INSERT INTO t_Organization (FItemID, FNumber, FName, FTypeID) VALUES
  (9201, 'T.C1', '测试重点客户', 1), (9202, 'T.C2', '测试批发客户', 2),
  (9203, 'T.C3', '测试散客', 0);
INSERT INTO t_ItemPrice (FID, FItemID, FUnitID, FXSPrice, FXSPrice1, FXSPrice2, FXSLatestPrice)
VALUES (9901, 9101, 9911, 10, 9.5, 9, 9.8), (9902, 9101, 9912, 100, 0, 88, 97),
       (9903, 9101, 9913, 50, 0, 0, 48);
)";

class PriceLookup : public ::testing::Test {
protected:
    DemoHost demo;
    void SetUp() override { demo.Exec(kPriceData); }

    // Only the sources listed are used, in the order listed.
    void UseSources(const std::vector<int>& sources) {
        demo.Exec("UPDATE t_XS_PriceProfile SET FIsUsed=0, FSortIndex=FPriceID+100;");
        int sort = 1;
        for (int id : sources)
            demo.Exec("UPDATE t_XS_PriceProfile SET FIsUsed=1, FSortIndex=" +
                      std::to_string(sort++) + " WHERE FPriceID=" + std::to_string(id) + ";");
    }

    void AddPromotion(int fid, double price, int unit = 9911,
                      const std::vector<int>& customers = {},
                      const std::string& begin = "2026-01-01",
                      const std::string& end = "2026-12-31", const std::string& from = "00:00:00",
                      const std::string& to = "23:59:59") {
        const std::string no = "'TCX" + std::to_string(fid) + "'";
        demo.Exec("INSERT INTO T_LS_CX (FID, FBillNo, FStatus) VALUES (" + std::to_string(fid) +
                  "," + no + ",1);");
        demo.Exec(
            "INSERT INTO t_LS_ItemPrice (FItemID, FUnitID, FBranchShop, FXSPrice, "
            "FXSBillNo, FXSBeginDate, FXSEndDate, FXSBeginTime, FXSEndTime) VALUES (9101," +
            std::to_string(unit) + ",0," + std::to_string(price) + "," + no + ",'" + begin + "','" +
            end + "','" + from + "','" + to + "');");
        for (int c : customers)
            demo.Exec("INSERT INTO T_LS_CX_Customer VALUES (" + std::to_string(fid) + "," + no +
                      ",1," + std::to_string(c) + ",'','');");
    }

    // The price the look-up gives in the stock.
    static double PriceOf(const Value& item, const Value& unit, const Value& customer,
                          int stock = 501) {
        double discount = 0;
        return GetPromotionPrice(item, unit, customer, stock, "", discount);
    }
    // The price and the discount the look-up gives: "4 100".
    static std::string Quote(const Value& item, const Value& unit, const Value& customer,
                             int includeTax = 0) {
        double discount = -1;
        const double price = GetPromotionPrice(item, unit, customer, 501, "", discount, includeTax);
        return NumberToText(RoundDecimal(price, 9)) + " " + NumberToText(discount);
    }
};

TEST_F(PriceLookup, NewestPromotionWinsAndCustomerLimitsApply) {
    AddPromotion(9602, 4);
    AddPromotion(9601, 5);  // an older bill entered later
    EXPECT_EQ(Quote(9101, 9911, 9201), "4 100");
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 0), 4);

    AddPromotion(9603, 3, 9911, {9202});  // newest, but only for the second customer
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9201), 4);
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9202), 3);
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 0), 4);
    // Other units are not touched by the promotions of this unit.
    UseSources({7});
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9913, 9201), 48);
}

TEST_F(PriceLookup, PromotionsOutsideTheirDaysOrHoursAreNotUsed) {
    AddPromotion(9602, 4);
    AddPromotion(9610, 2, 9911, {}, "2027-01-01", "2027-12-31");    // not begun
    AddPromotion(9611, 2.5, 9911, {}, "2026-01-01", "2026-12-09");  // ended yesterday
    AddPromotion(9612, 1, 9911, {}, "2026-12-10", "2026-12-10", "08:00:00", "09:00:00");
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9201), 4);  // now is 10:30
    demo.SetNow({2026, 12, 10, 8, 30, 0});
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9201), 1);
    demo.SetNow({2026, 12, 10, 9, 0, 0});  // the last second of the window still counts
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9201), 1);
}

TEST_F(PriceLookup, PromotionWithoutPriceFallsThroughToTheSources) {
    AddPromotion(9620, 0, 9912);
    UseSources({4});
    EXPECT_EQ(Quote(9101, 9912, 9201), "100 95");  // the first customer type's ratio 0.95
}

// A promotion price whose bill is gone leaves the promotion batch unable to fill its table;
// the look-up goes on to the configured sources instead of giving no price at all.
TEST_F(PriceLookup, BrokenPromotionDataDoesNotStopThePriceLookup) {
    demo.Exec(
        "INSERT INTO t_LS_ItemPrice (FItemID, FUnitID, FBranchShop, FXSPrice, FXSBillNo, "
        "FXSBeginDate, FXSEndDate) VALUES (9101, 9911, 0, 3, 'GONE', '2026-01-01', '2026-12-31');");
    UseSources({7});
    EXPECT_EQ(Quote(9101, 9911, 9201), "9.8 100");
}

TEST_F(PriceLookup, UnusedProfileRowIsSkippedEvenWhenFirst) {
    UseSources({4});
    demo.Exec("UPDATE t_XS_PriceProfile SET FIsUsed=0, FSortIndex=0 WHERE FPriceID=7;");
    // The list price, not the latest 9.8; a customer without a type.
    EXPECT_EQ(Quote(9101, 9911, 9203), "10 100");
    demo.Exec("UPDATE t_XS_PriceProfile SET FIsUsed=1 WHERE FPriceID=7;");
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, 9203), 9.8);
}

TEST_F(PriceLookup, CustomerPriceProfileMatchesTheUnit) {
    demo.Exec(
        "INSERT INTO t_ItemPriceProfile (FID, FItemID, FCustID, FUnitID1, FXSPrice1, "
        "FClientGood1, FUnitID2, FXSPrice2, FClientGood2, FUnitID3, FXSPrice3, FClientGood3) "
        "VALUES (9701, 9101, 9201, 9911, 7.5, 'C-1', 9912, 72, 'K''2', 9913, NULL, 'C-3');");
    EXPECT_DOUBLE_EQ(GetCustomerUnitPrice(9101, 9912, 9201), 72);  // the second unit
    EXPECT_DOUBLE_EQ(GetCustomerUnitPrice(9101, 9911, 9201), 7.5);
    EXPECT_DOUBLE_EQ(GetCustomerUnitPrice(9101, 9913, 9201), 0);  // a null price
    EXPECT_DOUBLE_EQ(GetCustomerUnitPrice(9101, 9912, 9202), 0);  // another customer

    UseSources({2, 7});
    EXPECT_EQ(Quote(9101, 9912, 9201), "72 100");
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9913, 9201), 48);  // null passes to source 7
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9912, 0), 97);     // no customer, no own price
}

TEST_F(PriceLookup, CustomerTypeColumnAndDiscountRatio) {
    UseSources({3, 4});
    DataGateway::Instance().KeepTrace(true);
    EXPECT_EQ(Quote(9101, 9912, 9202), "88 100");  // FXSPrice2 of the second type
    bool secondColumn = false;
    for (const auto& e : DataGateway::Instance().Trace())
        secondColumn |= e.sql.rfind("Select p.FXSPrice2,", 0) == 0;
    EXPECT_TRUE(secondColumn);

    // The first type has no column price for the box: the list price with its ratio.
    EXPECT_EQ(Quote(9101, 9912, 9201), "100 95");
    // Without a type the list price stands undiscounted.
    EXPECT_EQ(Quote(9101, 9912, 9203), "100 100");
}

TEST_F(PriceLookup, LatestPriceToTheCustomerCarriesItsDiscount) {
    demo.Exec(
        "INSERT INTO t_LatestPrice (FID, FItemID, FUnitID, FCustID, FPrice, FDiscountRate, FDate) "
        "VALUES (9801, 9101, 9911, 9201, 8.8, 92, '2026-11-01');");
    UseSources({6, 7});
    EXPECT_EQ(Quote(9101, 9911, 9201), "8.8 92");
    EXPECT_EQ(Quote(9101, 9911, 0), "9.8 100");  // no customer: the item's latest
}

TEST_F(PriceLookup, CostPlusMarginFromTheStockValue) {
    demo.Exec(
        "INSERT INTO t_cc_inventory (FItemID, FStockID, FBatchNo, FQty, FAmount) VALUES "
        "(9101, 501, '', 20, 100);");
    UseSources({5});
    // 5 per bottle, 10 bottles a box, 20 % margin.
    EXPECT_EQ(Quote(9101, 9912, 9201), "60 100");
    // Prices entered with tax: the item's 13 % is added.
    EXPECT_EQ(Quote(9101, 9912, 9201, 1), "67.8 100");
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9912, 9201, 503), 0);  // no stock
}

TEST_F(PriceLookup, NoSourceOrBadInputGivesZero) {
    // The row keeps its own discount.
    for (const Value& item : {Value(9102), Value("abc"), Value(0), Value(1e12), Value()}) {
        EXPECT_EQ(Quote(item, 9911, 9201), "0 0") << item.ToString();
    }
    EXPECT_DOUBLE_EQ(PriceOf(9101, Value("box"), 9201), 0);
    // A customer that is no identifier is treated as no customer.
    UseSources({7});
    EXPECT_DOUBLE_EQ(PriceOf(9101, 9911, Value("x'y")), 9.8);
}

TEST_F(PriceLookup, IncludeTaxOptionIsANumber) {
    EXPECT_EQ(IsSaleForIncludeTaxPrice(), 0);
    demo.Host().SetOption("IC", "IsSaleForIncludeTaxPrice", "1");
    EXPECT_EQ(IsSaleForIncludeTaxPrice(), 1);
    demo.Host().SetOption("IC", "IsSaleForIncludeTaxPrice", "yes");
    EXPECT_EQ(IsSaleForIncludeTaxPrice(), 0);
}

TEST_F(PriceLookup, UnitsAndBarcodes) {
    EXPECT_DOUBLE_EQ(GetBarcodeCoefficient(9101, 9912), 10);
    EXPECT_DOUBLE_EQ(GetBarcodeCoefficient(9101, 3011), 0);
    EXPECT_EQ(GetBarcodeByUnit(9101, 9912), "BC-9101-2");
    EXPECT_EQ(GetBarcodeByUnit(9101, 9913), "");
    EXPECT_EQ(GetBarcodeUnitID(9101, 3), 9913);
    EXPECT_EQ(GetBarcodeUnitID(9101, 9), 0);
    EXPECT_EQ(GetBarcodeUnitID("x", 1), 0);

    auto list = GetItemUnitList("FCustID", 9201, 9101);
    std::string units;  // by the unit order, highest first
    for (const auto& unit : list.units) units += std::to_string(unit.unitID) + " ";
    EXPECT_EQ(units, "9912 9913 9911 ");
    ASSERT_NE(list.Default(), nullptr);
    const auto& sold = *list.Default();  // nothing sold yet: the sales unit
    EXPECT_EQ(std::to_string(sold.unitID) + " " + sold.number + " " + sold.name + " " +
                  NumberToText(sold.coefficient) + " " + sold.barcode + " " +
                  std::to_string(sold.srcItemID),
              "9912 T02 箱 10 BC-9101-2 9101");

    demo.Exec(
        "INSERT INTO t_LatestPrice (FID, FItemID, FUnitID, FCustID, FSupplyID, FPrice, FDate) "
        "VALUES (9811, 9101, 9913, 9201, 0, 45, '2026-10-01'), "
        "(9812, 9101, 9911, 9201, 0, 9, '2026-11-01'), "
        "(9813, 9101, 9913, 0, 801, 30, '2026-11-02');");
    EXPECT_EQ(GetItemUnitList("FCustID", 9201, 9101).Default()->unitID, 9911);  // the latest
    EXPECT_EQ(GetItemUnitList("FCustID", 9202, 9101).Default()->unitID, 9912);
    EXPECT_EQ(GetItemUnitList("FSupplyID", 801, 9101).Default()->unitID, 9913);
    EXPECT_EQ(GetItemUnitList("FName", 9201, 9101).Default()->unitID, 9912);

    EXPECT_TRUE(GetItemUnitList("FCustID", 9201, 424242).units.empty());
    EXPECT_EQ(GetItemUnitList("FCustID", 9201, "abc").Default(), nullptr);
}

TEST_F(PriceLookup, CustomerItemCodesBothWays) {
    demo.Exec(
        "INSERT INTO t_ItemPriceProfile (FID, FItemID, FCustID, FUnitID1, FXSPrice1, "
        "FClientGood1, FUnitID2, FXSPrice2, FClientGood2) "
        "VALUES (9701, 9101, 9201, 9911, 7.5, 'C-1', 9912, 72, 'K''2');");
    auto bill = demo.NewBill("sale", 3);
    FillRow(*bill, -1, "FCustID=9201");
    FillRow(*bill, 1, "FItemID=9101 FShowUnitID=9912");
    FillClientItemID(*bill, 1);
    ExpectRow(*bill, 1, "FClientItemID=K'2");
    FillRow(*bill, 1, "FShowUnitID=9913");
    FillClientItemID(*bill, 1);
    ExpectRow(*bill, 1, "FClientItemID=");  // no code for the unit

    bill->SetFieldValue("FClientItemID", "k'2 ", 2);  // letter case and blanks as typed
    EXPECT_TRUE(FillItemByClientCode(*bill, 2));
    ExpectRow(*bill, 2, "FItemID=9101 FShowUnitID=9912");

    bill->SetFieldValue("FClientItemID", "x' or 1=1 --", 3);
    EXPECT_FALSE(FillItemByClientCode(*bill, 3));
    EXPECT_EQ(bill->GetFieldValue("FItemID", 3).ToNumber(), 0);
    bill->SetFieldValue("FCustID", 9202);
    bill->SetFieldValue("FClientItemID", "C-1", 3);
    EXPECT_FALSE(FillItemByClientCode(*bill, 3));  // another customer's code

    auto exchange = demo.NewBill("salechange", 1);
    FillRow(*exchange, -1, "FCustID=9201");
    FillRow(*exchange, 1, "FItemID01=9101 FShowUnitID01=9911 FItemID=9101 FShowUnitID=9912");
    FillClientItemID01(*exchange, 1);
    ExpectRow(*exchange, 1, "FClientItemID01=C-1 FClientItemID=");  // main set untouched
}

}  // namespace
}  // namespace qor::test
