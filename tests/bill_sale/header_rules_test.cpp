// The sales bill's header: settlement of the money received now, the settlement account, the
// discount account, the salesman's department and the rejection mark.
#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

using HeaderRules = SaleBillTest;

TEST_F(HeaderRules, ARefundSettlesWhatIsPaidBackAndNeutralised) {
    Edit("FBillTypeID", 3002);
    Edit("FCurPayAmount", 100);
    Edit("FNeutralizeAmount", 20);
    EXPECT_EQ(Num("FCurCheckAmount"), 120);
    EXPECT_FALSE(bill->IsCellLocked("FBalanceStyle", -1));
    EXPECT_FALSE(bill->IsCellLocked("FAcctNo", -1));
    EXPECT_TRUE(bill->IsCellLocked("FDiscountAcctID", -1));  // nothing to discount
}

TEST_F(HeaderRules, ADeliveryAsksForADiscountAccountOnlyWhileTheSettlementDiffers) {
    Edit("FCurPayAmount", 0);
    EXPECT_TRUE(bill->IsCellLocked("FBalanceStyle", -1));  // no money, no settlement method
    EXPECT_TRUE(bill->IsCellLocked("FAcctNo", -1));
    Edit("FCurPayAmount", 95);
    Edit("FCurCheckAmount", 100);
    EXPECT_FALSE(bill->IsCellLocked("FDiscountAcctID", -1));
    Edit("FCurCheckAmount", 95);
    EXPECT_TRUE(bill->IsCellLocked("FDiscountAcctID", -1));
}

TEST_F(HeaderRules, MoneyOverSeveralAccountsLocksTheAmountAndTheAccount) {
    auto split = Collection::Make({{"MultiItem", Value(1)}});
    ASSERT_TRUE(bill->UserEdit("FCurPayAmount", -1, 300, split).done);
    EXPECT_EQ(Num("FMultiAccount"), 1);
    EXPECT_TRUE(bill->IsCellLocked("FCurPayAmount", -1));
    EXPECT_TRUE(bill->IsCellLocked("FBalanceStyle", -1));
    EXPECT_TRUE(bill->IsCellLocked("FAcctNo", -1));
}

TEST_F(HeaderRules, ASettlementMethodBringsItsAccount) {
    Edit("FBalanceStyle", "03");  // 电汇: paid into 工行基本户
    EXPECT_EQ(Num("FAcctNo"), 2);

    // The department follows the salesman.
    Edit("FEmpID", 301);
    EXPECT_EQ(Num("FDeptID"), 201);
}

TEST_F(HeaderRules, ADiscountAccountKeptInQuantitiesOrOneForeignCurrencyIsRefused) {
    Edit("FDiscountAcctID", 1405);
    Edit("FDiscountAcctID", 1122);
    Edit("FDiscountAcctID", 6603);
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{"所选择的科目进行了数量金额核算，请重新选择科目。",
                                        "所选择的科目进行了单一外币核算，请重新选择科目。"}));
    EXPECT_EQ(Num("FDiscountAcctID"), 6603);
    Edit("FDiscountAcctID", 1405);
    EXPECT_EQ(Num("FDiscountAcctID"), 0);
    EXPECT_EQ(bill->ActiveKey(), "FDiscountAcctID");
}

TEST_F(HeaderRules, AnyEditButOfTheRejectionItselfClearsTheRejection) {
    bill->SetFieldValue("FRejected", 1);
    bill->SetFieldValue("FRejectedNote", "价格有误");
    bill->FireChange("FRejectedTime", -1, "2026-12-09 10:00:00");
    EXPECT_EQ(Num("FRejected"), 1);
    Edit("FNote", "改价");
    Expect(-1, {{"FRejected", 0}, {"FRejectedNote", ""}, {"FRejectedTime", ""}});
}

TEST_F(HeaderRules, ABillTypeLocksTheGoodsKeysOfSettlements) {
    Edit("FBillTypeID", 3003);
    EXPECT_TRUE(bill->IsCellLocked("FItemID", 1));
    EXPECT_TRUE(bill->IsCellLocked("FSCStockID", 1));
    Edit("FBillTypeID", 3002);
    EXPECT_FALSE(bill->IsCellLocked("FItemID", 1));
    demo.Host().DenyRight(15, 900, 32);
    Edit("FBillTypeID", 3001);
    EXPECT_FALSE(bill->IsFieldVisible("FCostPrice", 2));
    EXPECT_FALSE(bill->IsFieldVisible("FCostAmount", 2));
}

}  // namespace
}  // namespace qor::test
