// Prices on a sales bill: the customer's prices, the discount rule of the three units' discounted
// prices and the tax tail.
#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

using PriceRules = SaleBillTest;

TEST_F(PriceRules, ACustomerChangeRepricesTheRowsAndFillsTheSettlementDate) {
    EditRow(1, "FItemID", "01.001");  // no customer yet: the list price of the carton
    EditRow(2, "FItemID", "01.002");
    EXPECT_DOUBLE_EQ(Num("FPrice", 1), 45);
    EXPECT_EQ(Text("FClientItemID", 2), "");

    Edit("FCustID", "01.001");  // 联华: 39.5 last time, its own 86; terms 30 days
    EXPECT_DOUBLE_EQ(Num("FPrice", 1), 39.5);
    Expect(2, {{"FPrice", 86}, {"FClientItemID", "LH-0012X"}});
    EXPECT_EQ(Text("FSettleLimitDate"), "2027-01-09");
    EXPECT_EQ(bill->StatusTexts().at(3), "往来余额36800.5,信用额度500000");
    Expect(-1, {{"FContact", "赵敏"}, {"FReceiveAddr", "杭州市余杭区良渚物流园联华配送中心"}});
    Expect(-1, {{"FEmpID", 301}});

    Edit("FCustID", "01.002");  // 百联: the 25th of each month
    EXPECT_EQ(Text("FSettleLimitDate"), "2026-12-25");
    EXPECT_EQ(Text("FClientItemID", 2), "");
    Edit("FCustID", "02.001");  // 京客隆: 30 days, then the next 10th
    EXPECT_EQ(Text("FSettleLimitDate"), "2027-01-10");

    Edit("FCustID", "01.004");  // 王建国: no terms, no contact
    Expect(-1, {{"FSettleLimitDate", "2027-01-10"}, {"FContact", ""}});
    Expect(-1, {{"FReceiveAddr", "苏州市姑苏区石路街道广济南路19号"}});
    Edit("FDate", "2026-12-12");
    EXPECT_EQ(Text("FSettleLimitDate"), "2026-12-12");
}

TEST_F(PriceRules, TheBalanceIsZeroWhileOpeningBalancesAreOpenAndHiddenWithoutTheRight) {
    demo.Host().SetInitClosed(false);
    Edit("FCustID", "01.001");
    EXPECT_EQ(bill->StatusTexts().at(3), "往来余额0,信用额度0");
    demo.Host().DenyRight(40, 100, 1024);
    Edit("FCustID", "01.002");
    EXPECT_EQ(bill->StatusTexts().at(3), "");
}

TEST_F(PriceRules, WithDoNotResetPriceTheRowsKeepTheirPricesButTakeTheCustomersCodes) {
    demo.Host().SetUserProfile("1030002BillSet", "DoNotResetPrice", "1");
    EditRow(1, "FItemID", "01.002");
    EXPECT_DOUBLE_EQ(Num("FPrice", 1), 100);
    Edit("FCustID", "01.001");
    Expect(1, {{"FPrice", 100}, {"FClientItemID", "LH-0012X"}});

    // A gift stock takes no price with the users option.
    OpenBill();
    EditRow(1, "FItemID", "01.001");
    EditRow(1, "FSCStockID", 504);  // the gift stock
    EXPECT_GT(Num("FPrice", 1), 0);
    demo.Host().SetUserProfile("1030002BillSet", "DoNotGetSalePriceWhenGiftStock", "1");
    EditRow(1, "FSCStockID", 501);
    EditRow(1, "FSCStockID", 504);
    Expect(1, {{"FPrice", 0}, {"FAmount", 0}});
}

// A discounted price of a unit: without the price-calculates-discount option the rate stays
// and the unit's list price follows; with it the list price stays and the rate follows.
class DiscountRule : public SaleBillTest {
protected:
    void Row(const char* item, double price, double rate) {
        EditRow(1, "FItemID", item);
        EditRow(1, "FDiscountRate", rate);
        EditRow(1, "FPrice", price);
        EditRow(1, "FShowQty", 3);
    }
    void PriceCalculatesDiscount() {
        bill->Menus().Tool("mnuOptionPriceCalcDiscount")->SetChecked(true);
    }
};

TEST_F(DiscountRule, ABillUnitsDiscountedPriceMovesTheListPriceOrTheRate) {
    Row("01.001", 100, 0);
    EditRow(1, "FPriceDiscount", 90);
    Expect(1, {{"FPrice", 100}, {"FDiscountAmount", 30}});

    // Bill unit moves the list price or the rate.
    OpenBill();
    Row("01.001", 100, 80);
    EditRow(1, "FPriceDiscount", 90);
    Expect(1, {{"FPrice", 112.5}, {"FPriceDiscount", 90}, {"FAmount", 270}});

    Row("01.001", 100, 100);
    PriceCalculatesDiscount();
    EditRow(1, "FPriceDiscount", 90);
    Expect(1, {{"FPrice", 100}, {"FDiscountRate", 90}});
    // FDiscountAmount: 10 a unit
    Expect(1, {{"FDiscountAmount", 30}, {"FTaxPrice", 101.7}});

    // A tax inclusive price is the bill units discounted price.
    OpenBill();
    Row("01.001", 100, 80);
    EditRow(1, "FTaxPrice", 113);  // 100 before tax: at 80 % the list price is 125
    Expect(1, {{"FPriceDiscount", 100}, {"FPrice", 125}});
    PriceCalculatesDiscount();
    EditRow(1, "FTaxPrice", 90.4);  // 80 before tax: the list price stays, the rate is 64
    Expect(1, {{"FPrice", 125}, {"FDiscountRate", 64}});
}

TEST_F(DiscountRule, TheBaseAndSecondUnitsDiscountedPricesMoveTheirListPrices) {
    Row("01.001", 48, 80);  // 24 bottles a carton: 2 a bottle
    EditRow(1, "FBasePriceDiscount", 2);
    EXPECT_DOUBLE_EQ(Num("FBasePrice", 1), 2.5);
    PriceCalculatesDiscount();
    EditRow(1, "FBasePriceDiscount", 1.5);
    // FBasePrice: the list price stays
    Expect(1, {{"FDiscountRate", 75}, {"FBasePrice", 2.5}});

    // Second unit moves the second price.
    OpenBill();
    Row("01.003", 3, 80);  // 12 boxes a carton: 36 a carton
    EditRow(1, "FSecPriceDiscount", 24);
    EXPECT_DOUBLE_EQ(Num("FSecPrice", 1), 30);
    PriceCalculatesDiscount();
    EditRow(1, "FSecPriceDiscount", 27);
    Expect(1, {{"FDiscountRate", 75}, {"FSecTaxPrice", 30.51}});
}

TEST_F(PriceRules, TheTaxMayOnlyTakeARoundingTail) {
    EditRow(1, "FItemID", "01.001");
    EditRow(1, "FPrice", 100);
    EditRow(1, "FShowQty", 1);  // amount 100, tax 13
    EditRow(1, "FTaxAmount", 13.05);
    EXPECT_TRUE(Prompts().empty());
    Expect(1, {{"FTaxAmount", 13.05}, {"FInTaxAmount", 113.05}});

    EditRow(1, "FTaxAmount", 13.11);  // 0.06 off: refused, and the total follows the old tax
    EXPECT_EQ(Prompts(), std::vector<std::string>{"税额只能进行尾差调整"});
    Expect(1, {{"FTaxAmount", 13.05}, {"FInTaxAmount", 113.05}});

    // The amount with tax moves the amount unless amounts drive prices.
    OpenBill();
    EditRow(1, "FItemID", "01.001");
    EditRow(1, "FPrice", 100);
    EditRow(1, "FShowQty", 1);
    EditRow(1, "FTaxAmount", 13.02);
    EditRow(1, "FInTaxAmount", 120);
    EXPECT_NEAR(Num("FAmount", 1) + Num("FTaxAmount", 1), 120, 1e-9);
    EXPECT_NEAR(Num("FSecPrice", 1), Num("FPrice", 1) * Num("FSecCoefficient", 1), 1e-9);
}

// An amount typed by hand: the host's formulas derive the price from it, the total with tax
// follows the amount and the second price follows the price.
TEST_F(PriceRules, ATypedAmountMovesThePriceAndTheSecondPriceFollows) {
    EditRow(1, "FItemID", "01.003");  // 12 boxes a carton
    EditRow(1, "FPrice", 3);
    EditRow(1, "FShowQty", 10);
    EditRow(1, "FAmount", 28);
    Expect(1, {{"FPrice", 2.8}, {"FInTaxAmount", 31.64}, {"FSecPrice", 2.8 * 12}});
}

}  // namespace
}  // namespace qor::test
