// What a consignment bill must pass before it is saved, checked or unchecked, and what a refused
// save leaves behind: nothing stored.
#include "bills/common/sales_checks.h"
#include "tests/bill_consign/consign_fixture.h"

namespace qor::test {
namespace {

using ConsignSave = ConsignBillTest;

// One refusal of a bill that the case spoils: its message and the cell the cursor goes to.
struct Refusal {
    const char* name;
    void (*spoil)(ConsignBillTest&);
    const char* message;
    const char* cursor;  // "key@row", "" when the cursor is not moved
};

class ConsignRefusals : public ConsignBillTest, public ::testing::WithParamInterface<Refusal> {};

const Refusal kRefusals[] = {
    {"BeforeTheStartPeriod", [](ConsignBillTest& t) { t.Edit("FDate", "2025-12-31"); },
     "单据日期不能小于账套启用期间的第一天。", ""},
    {"BeforeTheCurrentPeriod", [](ConsignBillTest& t) { t.Edit("FDate", "2026-11-30"); },
     "不能录入以前期间的单据", ""},
    {"RateZero", [](ConsignBillTest& t) { t.Edit("FDiscountRate", 0, 2); },
     "第2行折扣率必须大于0小于等于100。", "FDiscountRate@2"},
    {"RateAboveHundred", [](ConsignBillTest& t) { t.Edit("FDiscountRate", 100.01, 1); },
     "第1行折扣率必须大于0小于等于100。", "FDiscountRate@1"},
    {"BatchMissing", [](ConsignBillTest& t) { t.Edit("FBatchNo", "", 2); }, "第2行商品需要录入批号",
     "FBatchNo@2"},
    {"BatchNotInStock",
     [](ConsignBillTest& t) {
         t.Edit("FBatchNo", "SZ-NONE", 2);  // no dates in stock: the row is given its own
         t.Edit("FKFDate", "2026-09-15", 2);
     },
     "第2行商品的批号SZ-NONE在系统中不存在，请重新输入", "FBatchNo@2"},
    {"BatchWithOtherDates", [](ConsignBillTest& t) { t.Edit("FKFPeriod", 200, 2); },
     "第2行商品的批号SZ20260915与库存中同批号商品的生产日期、保质期或有效期至不同。", "FBatchNo@2"},
    {"ExpiredGoodsWithTheOption",
     [](ConsignBillTest& t) {
         t.demo.Host().SetOption("IC", "IsPeriodDateExpireNotSale", "1");
         t.demo.Exec("Update t_ICItem Set FISBatchManager=0 Where FItemID=1007;");
         t.Edit("FKFDate", "2026-01-01", 2);
         t.Edit("FKFPeriod", 30, 2);
     },
     "第2行有效期至已经超过期限，不能销售。", "FPeriodDate@2"},
    {"AuxiliaryPropertyMissing",
     [](ConsignBillTest& t) { t.Edit("FItemID", 1012, 3); },  // T-shirts come in sizes
     "第3行商品需要录入辅助属性", "FAuxPropID@3"},
    {"OneBatchWithTwoShelfLives",
     [](ConsignBillTest& t) {
         // A third row of the same boxes and batch, with a shelf life of its own. (Kept by batch
         // the row would already disagree with stock.)
         t.Edit("FItemID", 1007, 3);
         t.Edit("FBatchNo", "SZ20260915", 3);
         t.demo.Exec("Update t_ICItem Set FISBatchManager=0 Where FItemID=1007;");
         t.Edit("FKFPeriod", 200, 3);
     },
     "同一批号商品的辅助属性、生产日期、保质期、有效期至必须完全一致。", ""},
    {"NegativeTotal", [](ConsignBillTest& t) { t.Edit("FPrice", -500, 1); }, "总金额不能小于零",
     ""},
    {"SourceDatedAfterTheBill",
     [](ConsignBillTest& t) {
         t.demo.Exec("Update t_XS_Order Set FDate='2026-12-20' Where FID=2;");
     },
     "单据日期不能小于分录源单日期", "FDate@-1"},
    {"SourceUncheckedMeanwhile",
     [](ConsignBillTest& t) { t.demo.Exec("Update t_XS_Order Set FStatus=0 Where FID=2;"); },
     "存在出库数量超过订单未执行数量的商品", "FShowQty@1"},
    {"SourceDeletedMeanwhile",
     [](ConsignBillTest& t) { t.demo.Exec("Delete From t_XS_OrderEntry Where FEntryID=5;"); },
     "存在出库数量超过订单未执行数量的商品", "FShowQty@2"},
    {"PriceBelowItsFloor", [](ConsignBillTest& t) { t.Edit("FPrice", 300, 1); },
     "第1行商品[美的电饭煲]的单价300低于最低限价330。", "FPrice@1"},
};

TEST_P(ConsignRefusals, RefusesTheSaveAndStoresNothing) {
    const Refusal& c = GetParam();
    DrawDelivery();
    c.spoil(*this);
    TakePrompts();
    const long before = Bills();
    auto saved = bill->Save();
    EXPECT_TRUE(saved.cancelled) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{c.message});
    if (*c.cursor) {
        EXPECT_EQ(bill->ActiveKey() + "@" + std::to_string(bill->ActiveRow()), c.cursor);
    }
    EXPECT_EQ(Bills(), before);
}

INSTANTIATE_TEST_SUITE_P(Consign, ConsignRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsignSave, ARateOfExactlyHundredPassesAndTheRowsStartOpenInFull) {
    DrawDelivery();
    ASSERT_EQ(Num("FDiscountRate", 1), 100);
    ASSERT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
    const auto id = std::to_string(bill->CurBillID());
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBillEntry Where FID=" + id +
                    " And FUnRejectQty=FShowQty And FUnSettleQty=FShowQty"),
              2);
    EXPECT_NEAR(demo.Scalar("Select FAllAmount From t_CC_StockBill Where FID=" + id).ToNumber(),
                14 * 394.37 + 20 * 189.84, 1e-6);

    // Checking keeps the open quantities; the checked bill shows its checked tools.
    ASSERT_TRUE(bill->Check().done) << PlugInError();
    EXPECT_EQ(Count("Select FStatus From t_CC_StockBill Where FID=" + id), 1);
    EXPECT_EQ(Count("Select Sum(FUnRejectQty) From t_CC_StockBillEntry Where FID=" + id), 34);
    EXPECT_EQ(Count("Select Sum(FUnSettleQty) From t_CC_StockBillEntry Where FID=" + id), 34);
}

TEST_F(ConsignSave, ADeliveryAboveTheOrdersOpenQuantityAsksAndSavesOnYes) {
    DrawDelivery();
    EditRow(1, "FShowQty", 15);  // 14 are left to deliver
    Answer(7);
    ExpectRefused(bill->Save(), {"存在出库数量超过订单未执行数量的商品，是否继续?"});
    EXPECT_EQ(bill->ActiveKey(), "FShowQty");
    EXPECT_EQ(bill->ActiveRow(), 1);
    Answer(6);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
}

TEST_F(ConsignSave, AReturnAboveWhatTheDeliveryLeftIsRefusedWithoutAQuestion) {
    DrawReturn();
    EXPECT_EQ(Num("FBillTypeID"), 3011);
    EditRow(1, "FShowQty", 7);  // 6 were delivered
    const long before = Bills();
    ExpectRefused(bill->Save(), {"存在退货数量大于源单数量的商品,不能保存"});
    EXPECT_EQ(Bills(), before);
    EditRow(1, "FShowQty", 6);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
}

TEST_F(ConsignSave, AReturnTooLargeToBeWrittenIsRefused) {
    DrawReturn();
    bill->SetFieldValue("FCoefficient", 1e308, 1);
    bill->SetFieldValue("FShowQty", 1e308, 1);
    ExpectRefused(bill->Save(), {"存在退货数量大于源单数量的商品,不能保存"});
}

TEST_F(ConsignSave, AReturnOfADeliveryUncheckedMeanwhileIsRefused) {
    DrawReturn();
    demo.Exec("Update t_CC_StockBill Set FStatus=0 Where FID=7;");
    ExpectRefused(bill->Save(), {"存在退货数量大于源单数量的商品,不能保存"});
}

TEST_F(ConsignSave, ASavedReturnGivesItsOwnQuantityBackWhenSavedAgain) {
    // What the delivery's row leaves open already counts the saved return's two boxes out.
    demo.Exec("Update t_CC_StockBillEntry Set FUnRejectQty=0 Where FEntryID=13;");
    ASSERT_TRUE(bill->LoadBill(9).done);
    Edit("FExplanation", "外包装破损");
    EXPECT_TRUE(bill->Save().done) << PlugInError() << " " << TakePrompts().size();
    ASSERT_TRUE(bill->LoadBill(9).done);
    EditRow(1, "FShowQty", 3);
    ExpectRefused(bill->Save(), {"存在退货数量大于源单数量的商品,不能保存"});
}

TEST_F(ConsignSave, FreightOfTheRowsMustAddUpToTheHeaders) {
    demo.Host().SetIndustryType(1);
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    EditRow(1, "FTranspotationCharges", 30);
    EXPECT_EQ(Num("FTranspotationCosts"), 30);  // the header follows the rows
    Edit("FTranspotationCosts", 50);
    ExpectRefused(bill->Save(), {"表头我方支付运杂费数据与表体运杂费合计不等于！"});

    // Sharing spreads the header's freight over the rows.
    ASSERT_TRUE(bill->ClickTool("mnuShareByQty").done);
    EXPECT_EQ(Num("FTranspotationCharges", 1), 50);

    // With application type 1 the procurement freight takes the rows' total instead.
    demo.Host().SetAppType(1);
    Edit("FTranspotationCosts", 80);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(Num("FTotalProcurementCosts"), 50);
}

// In the industry edition (where rows carry freight) a bill of a rice cooker and copy paper.
void OpenIndustryBillOfTwoRows(ConsignBillTest& t) {
    t.demo.Host().SetIndustryType(1);
    t.OpenBill();
    t.Edit("FCustID", 104);
    t.EditRow(1, "FItemID", 1009);
    t.EditRow(2, "FItemID", 1017);
}

TEST_F(ConsignSave, FreightSharedByAmountFollowsTheRowsAmounts) {
    OpenIndustryBillOfTwoRows(*this);
    EditRow(2, "FShowQty", 10);
    Edit("FTranspotationCosts", 90);
    ASSERT_TRUE(bill->ClickTool("mnuShareByAmt").done) << PlugInError();
    const double first = Num("FTranspotationCharges", 1), second = Num("FTranspotationCharges", 2);
    EXPECT_NEAR(first + second, 90, 1e-9);
    EXPECT_NEAR(first / 90, Num("FAmount", 1) / (Num("FAmount", 1) + Num("FAmount", 2)), 0.001);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
}

TEST_F(ConsignSave, ARowDeletedTakesItsFreightOffTheHeader) {
    OpenIndustryBillOfTwoRows(*this);
    EditRow(1, "FTranspotationCharges", 30);
    EditRow(2, "FTranspotationCharges", 20);
    EXPECT_EQ(Num("FTranspotationCosts"), 50);
    ASSERT_TRUE(bill->DeleteRow(1).done);
    EXPECT_EQ(Num("FTranspotationCosts"), 20);
}

TEST_F(ConsignSave, TheStockComponentChecksAndUnchecks) {
    DrawDelivery();
    ASSERT_TRUE(bill->Save().done);
    ASSERT_TRUE(bill->Check().done) << PlugInError();
    EXPECT_TRUE(Shown("mnuEditUnCheck"));
    EXPECT_FALSE(Shown("mnuEditCheck"));
    // A refusal of the component is shown and the bill stays as it was.
    Services().QueueAnswer("QOR_CC_PlugIns.clsStockInfo", "CheckBill",
                           {Value(2), std::string("已生成委托结算单，不能反审核。")});
    ExpectRefused(bill->Uncheck(), {"已生成委托结算单，不能反审核。"});
    const auto status = [&] {
        return Count("Select FStatus From t_CC_StockBill Where FID=" +
                     std::to_string(bill->CurBillID()));
    };
    EXPECT_EQ(status(), 1);
    ASSERT_TRUE(bill->Uncheck().done);
    EXPECT_EQ(status(), 0);
    EXPECT_TRUE(Shown("mnuEditCheck"));
}

TEST_F(ConsignSave, AClosedPeriodBlocksTheCheck) {
    DrawDelivery();
    ASSERT_TRUE(bill->Save().done);
    demo.Host().SetOption("Base", "AcctountingClosed", "1");
    TakePrompts();
    EXPECT_TRUE(bill->Check().cancelled);
    EXPECT_EQ(TakePrompts().size(), 1u);
    EXPECT_EQ(
        Count("Select FStatus From t_CC_StockBill Where FID=" + std::to_string(bill->CurBillID())),
        0);
}

TEST_F(ConsignSave, TheStockIsCheckedForDeliveriesSavedWithTheOption) {
    demo.Host().SetOption("IC", "UnderStockBeforeSave", "1");
    DrawDelivery();
    EditRow(1, "FShowQty", 14);
    demo.Exec("Update t_cc_inventory Set FQty=2 Where FItemID=1009;");
    EXPECT_TRUE(bill->Save().cancelled);
    auto shortage = TakePrompts();
    ASSERT_EQ(shortage.size(), 1u);
    EXPECT_NE(shortage[0].find("库存不足"), std::string::npos);

    // A shortage the stock component only warns of is shown and the bill is saved.
    Services().answers().stockShortageCode = -1;
    Answer(6);  // the question about quantities does not come: 14 are open
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(TakePrompts().size(), 1u);
}

TEST_F(ConsignSave, AReturnIsNeverCheckedAgainstTheStock) {
    demo.Host().SetOption("IC", "UnderStockBeforeSave", "1");
    demo.Exec("Update t_cc_inventory Set FQty=0;");
    DrawReturn();
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_TRUE(Services().CallsTo("QOR_CC_PlugIns.clsStockInfo", "CheckItemStockNum").empty());
}

TEST_F(ConsignSave, ARowWhoseSerialNumbersALaterBillTookCannotBeDeleted) {
    ASSERT_TRUE(bill->LoadBill(7).done);  // its settlement took two of row 1's rice cookers
    auto refused = bill->DeleteRow(1);
    ExpectRefused(refused, {"分录商品中存在已被其他单据使用的S/N号，不能删除！"});
    EXPECT_TRUE(bill->DeleteRow(2).done);
}

TEST_F(ConsignSave, ADeliveryBeyondTheCustomersCreditIsSavedOnlyWhenTheUserAccepts) {
    DrawDelivery();
    TakePrompts();
    const long before = Bills();
    Services().answers().creditExceeded = true;
    Answer(7);
    EXPECT_TRUE(bill->Save().cancelled);
    auto asked = TakePrompts();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("超出信用额度"), std::string::npos);
    EXPECT_EQ(Bills(), before);

    Services().answers().creditExceeded = true;
    Answer(6);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(Bills(), before + 1);
}

TEST_F(ConsignSave, AReturnAsksNothingAboutCredit) {
    DrawReturn();
    TakePrompts();
    Services().answers().creditExceeded = true;
    Services().answers().overdueExceeded = true;
    Answer(7);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
}

// The source check on its own, as a bill returning stock bills' goods asks it: a saved bill gives
// back only what its own saved rows, in the entry table it names, draw from the source.
TEST_F(ConsignSave, ASavedBillGivesBackWhatItsOwnEntryTableHolds) {
    demo.Exec("Update t_CC_StockBillEntry Set FUnRejectQty=0 Where FEntryID=13;");
    ASSERT_TRUE(bill->LoadBill(9).done);
    // The saved return's row: 2 boxes of the delivery's entry 13.
    const std::vector<SourceEntryUse> used{{&kStockBillSources, 7, 13, 2, 1}};
    const char* own = "t_CC_StockBillEntry";
    EXPECT_EQ(FirstSourceConflict(used, 9, own, "2026-12-10"), std::make_pair(0, 0));
    // Nothing of this bill among the exchange bill's rows: nothing is given back.
    EXPECT_EQ(FirstSourceConflict(used, 9, "t_cc_ChangeEntry", "2026-12-10"), std::make_pair(1, 1));
    EXPECT_EQ(FirstSourceConflict(used, 0, own, "2026-12-10"), std::make_pair(1, 1));
    // Within the open quantity, a source dated after the bill.
    EXPECT_EQ(FirstSourceConflict(used, 9, own, "2026-11-27"), std::make_pair(1, 2));
}

}  // namespace
}  // namespace qor::test
