// The exchange bill's two goods sets run the sales bill's goods-row rules: the same edits give
// the same rows as on a sales bill, each set on its own, with the exchange bill's differences.
#include <cmath>

#include "bills/common/sales_rows.h"
#include "frame/rules.h"
#include "tests/bill_salechange/exchange_fixture.h"

namespace qor::test {
namespace {

using ExchangeRows = ExchangeTest;

// The goods fields the rules fill and keep consistent.
const char* const kGoodsKeys[] = {
    "FItemID",       "FUnitID",         "FShowUnitID",   "FCoefficient", "FQty",
    "FShowQty",      "FSecCoefficient", "FSecQty",       "FPrice",       "FSecPrice",
    "FDiscountRate", "FPriceDiscount",  "FTaxRate",      "FTaxPrice",    "FAmount",
    "FTaxAmount",    "FInTaxAmount",    "FNoDiscAmount", "FCostPrice",   "FCostAmount",
    "FSCStockID",    "FKFPeriod",       "FClientItemID", "FBarcode",
};

// Item 1001 in cases of 24, a price, a discount rate and then a discounted price that moves the
// list price (the rate is kept).
std::vector<Step> GoodsSession(const std::string& suffix) {
    return {{"FItemID" + suffix, 1, Value(1001)},     {"FShowUnitID" + suffix, 1, Value(3012)},
            {"FShowQty" + suffix, 1, Value(5)},       {"FPrice" + suffix, 1, Value(40)},
            {"FDiscountRate" + suffix, 1, Value(90)}, {"FPriceDiscount" + suffix, 1, Value(35)},
            {"FQty" + suffix, 1, Value(144)}};
}

TEST_F(ExchangeRows, BothGoodsSetsEndAsTheSalesBillsRowOnTheSameEdits) {
    PlugInBill sale{demo, "sale"};
    ASSERT_TRUE(sale.New().done);
    Apply(sale, {"FCustID", -1, Value(101)});
    for (const Step& step : GoodsSession("")) Apply(sale, step);
    ASSERT_EQ(sale.Num("FShowQty", 1), 6);              // 144 bottles are 6 cases
    ASSERT_NEAR(sale.Num("FPrice", 1), 38.8889, 1e-4);  // 35 / 90%

    Edit("FCustID", Value(101));
    for (const Step& step : GoodsSession("")) Apply(bill, step);
    // The main set's edits leave the second set alone.
    Expect(1, {{"FItemID01", 0}, {"FAmount01", 0}});
    for (const Step& step : GoodsSession("01")) Apply(bill, step);

    for (const char* key : kGoodsKeys) {
        const std::string twin = std::string(key) + "01";
        EXPECT_EQ(Text(key, 1), sale.Text(key, 1)) << key;
        EXPECT_EQ(Text(twin, 1), sale.Text(key, 1)) << twin;
    }
    EXPECT_EQ(bill.Trapped(), "");
}

TEST_F(ExchangeRows, TheSecondSetTakesItsItemFromTheCustomersItemCode) {
    Edit("FCustID", Value(101));
    Edit("FClientItemID01", 1, Value("LH-0033X"));  // 光明纯牛奶 of 杭州联华, in its case unit
    Expect(1, {{"FItemID01", 1003}, {"FShowUnitID01", 3032}, {"FClientItemID01", "LH-0033X"}});
    EXPECT_GT(Num("FPrice01", 1), 0);
    // FItemID: the main set is untouched
    Expect(1, {{"FItemID", 0}, {"FClientItemID", ""}});

    Edit("FClientItemID", 1, Value("LH-0012"));
    Expect(1, {{"FItemID", 1002}, {"FItemID01", 1003}});

    // A code the customer does not have is emptied.
    Edit("FClientItemID01", 1, Value("NO-SUCH"));
    Expect(1, {{"FClientItemID01", ""}, {"FItemID01", 1003}});

    // The customer reprices the main set even with the sales keep prices option.
    ASSERT_TRUE(bill.New().done);
    demo.Host().SetUserProfile("1030002BillSet", "DoNotResetPrice", "1");
    demo.Host().SetUserProfile("1030005BillSet", "DoNotResetPrice", "1");
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1001));
    Edit("FItemID01", 1, Value(1001));
    Edit("FPrice", 1, Value(99));
    Edit("FPrice01", 1, Value(99));
    Edit("FCustID", Value(102));
    EXPECT_NE(Num("FPrice", 1), 99);    // re-priced for 上海百联
    EXPECT_EQ(Num("FPrice01", 1), 99);  // the goods given out keep their price
}

TEST_F(ExchangeRows, ATaxTailIsAcceptedOnEitherSetAndALargerChangeRefused) {
    Edit("FCustID", Value(101));
    for (const std::string suffix : {"", "01"}) {
        Edit("FItemID" + suffix, 1, Value(1001));
        Edit("FPrice" + suffix, 1, Value(10));
        Edit("FShowQty" + suffix, 1, Value(3));  // 30, tax 3.9
        Edit("FTaxAmount" + suffix, 1, Value(3.95));
        EXPECT_NEAR(Num("FInTaxAmount" + suffix, 1), 33.95, 1e-9) << suffix;
        Edit("FTaxAmount" + suffix, 1, Value(4.5));
        EXPECT_NEAR(Num("FTaxAmount" + suffix, 1), 3.95, 1e-9) << suffix;
        EXPECT_EQ(Prompts(), std::vector<std::string>{"税额只能进行尾差调整"}) << suffix;
    }
}

TEST_F(ExchangeRows, TheBillTypeOnlyAppliesTheRightsAndLocksNoGoods) {
    demo.Host().DenyRight(15, 900, 32);
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1001));
    Edit("FBillTypeID", Value(3003));  // a consignment settlement locks the goods on a sales bill
    EXPECT_FALSE(bill.form->IsCellLocked("FItemID", 1));
    EXPECT_FALSE(bill.form->IsCellLocked("FSCStockID", 1));
    EXPECT_FALSE(bill.form->IsFieldVisible("FCostPrice", 2));

    // Editing either set clears the rejection.
    ASSERT_TRUE(bill.form->LoadBill(2, true).done);  // XSHH000002, rejected
    ASSERT_EQ(Num("FRejected"), 1);
    Edit("FShowQty01", 1, Value(2));
    Expect(-1, {{"FRejected", 0}, {"FRejectedNote", ""}});
}

using RuleFn = void (*)(FieldEdit&);
RuleFn Target(const ChangeRule& rule) {
    const RuleFn* fn = rule.target<RuleFn>();
    return fn ? *fn : nullptr;
}

// Both sets are dispatched to the sales bill's own rule functions, except for the keys where the
// exchange bill differs.
TEST(ExchangeBook, EverySalesGoodsRuleServesBothSetsOnce) {
    auto plugin = CreatePlugIn("QOR_XS_PlugIns.BillEvent_SaleChange");
    ASSERT_NE(plugin, nullptr);
    const RuleBook* book = dynamic_cast<PlugInBase&>(*plugin).Rules();
    ASSERT_NE(book, nullptr);
    RuleBook sales;
    AddSalesRowRules(sales, FieldSet::Main());
    for (const auto& entry : sales.ChangeRules()) {
        const auto* main = book->FindChange(entry.key);
        const auto* twin = book->FindChange(FieldSet::Twin01()[entry.key]);
        ASSERT_NE(main, nullptr) << entry.key;
        ASSERT_NE(twin, nullptr) << entry.key;
        EXPECT_EQ(main->set, &FieldSet::Main()) << entry.key;
        EXPECT_EQ(twin->set, &FieldSet::Twin01()) << entry.key;
        EXPECT_EQ(twin->flags, entry.flags) << entry.key;
        const bool differs = IEquals(entry.key, "FShowQty") || IEquals(entry.key, "FTaxPrice") ||
                             IEquals(entry.key, "FNoDiscAmount") ||
                             IEquals(entry.key, "FPriceDiscount");
        if (differs) continue;
        ASSERT_NE(Target(entry.rule), nullptr) << entry.key;
        EXPECT_EQ(Target(main->rule), Target(entry.rule)) << entry.key;
        if (!IEquals(entry.key, "FAmount")) {
            EXPECT_EQ(Target(twin->rule), Target(entry.rule)) << entry.key;
        }
    }
    // A tax-inclusive price only moves the second price, on both sets; the second set's amount
    // keeps its display price.
    EXPECT_EQ(Target(book->FindChange("FTaxPrice")->rule), &OnSecPriceFollows);
    EXPECT_EQ(Target(book->FindChange("FTaxPrice01")->rule), &OnSecPriceFollows);
    EXPECT_EQ(Target(book->FindChange("FShowQty01")->rule), &OnShowQtyKeepsSecond);
    EXPECT_EQ(Target(book->FindChange("FAmount01")->rule), &OnAmountKeepsTotal);
    EXPECT_EQ(Target(book->FindChange("FAmount")->rule), &OnAmountChanged);
    // The display fields, the calculation type and the freight exist once per row.
    for (const char* key : {"FDisplayQty01", "FDisplayWeight01", "FDisplayPrice01", "FCalTypeID01",
                            "FTranspotationCharges01"})
        EXPECT_EQ(book->FindChange(key), nullptr) << key;
    EXPECT_NE(book->FindChange("FDiscountAcctID01"), nullptr);
}

}  // namespace
}  // namespace qor::test
