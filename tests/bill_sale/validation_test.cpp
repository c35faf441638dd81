// What a sales bill must pass before it is saved, checked or unchecked, and what a refused save
// leaves behind: nothing stored.
#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

class SaleSave : public SaleBillTest {
public:
    // What the refusal table's cases use.
    using SaleBillTest::Answer;
    using SaleBillTest::bill;
    using SaleBillTest::demo;
    using SaleBillTest::Edit;
    using SaleBillTest::EditRow;

    // A row of yoghurt in its batch of 2026-11-20 in the cold store.
    void TypeYoghurt(int row, const char* batch = "B20261120") {
        EditRow(row, "FItemID", 1005);
        EditRow(row, "FSCStockID", 503);
        EditRow(row, "FBatchNo", batch);
        EditRow(row, "FPrice", 4.8);
        EditRow(row, "FShowQty", 10);
    }
    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
    long Bills() { return Count("Select Count(*) From t_CC_StockBill Where FClassTypeID=1030002"); }
    std::string Cursor() { return bill->ActiveKey() + "@" + std::to_string(bill->ActiveRow()); }
};

// One refusal: how the bill is spoilt, the message and the cell the cursor goes to.
struct Refusal {
    const char* name;
    void (*spoil)(SaleSave&);
    const char* message;
    const char* cursor;  // "key@row", "" when the cursor is not moved
};

class SaleRefusals : public SaleSave, public ::testing::WithParamInterface<Refusal> {};

const Refusal kRefusals[] = {
    {"PeriodClosed", [](SaleSave& t) { t.demo.Host().SetOption("Base", "AcctountingClosed", "1"); },
     "当前期间已经关账、不可以进行本期出入库单据和成本调整单据的录入、修改、审核、删除等操作! ",
     ""},
    {"RateZero", [](SaleSave& t) { t.bill->SetFieldValue("FDiscountRate", 0, 1); },
     "第1行折扣率必须大于0且小于等于100。", "FDiscountRate@1"},
    {"RateAboveHundred", [](SaleSave& t) { t.bill->SetFieldValue("FDiscountRate", 120, 1); },
     "第1行折扣率必须大于0且小于等于100。", "FDiscountRate@1"},
    {"RateZeroWhenAboveHundredIsAllowed",
     [](SaleSave& t) {
         t.demo.Host().SetOption("IC", "AllowDiscountRateOver100", "1");
         t.bill->SetFieldValue("FDiscountRate", 0, 1);
     },
     "第1行折扣率必须大于0。", "FDiscountRate@1"},
    {"BeforeTheCurrentPeriod", [](SaleSave& t) { t.Edit("FDate", "2026-11-30"); },
     "不能录入以前期间的单据", ""},
    {"SettledBeforeDated", [](SaleSave& t) { t.Edit("FSettleLimitDate", "2026-12-09"); },
     "收款日期不能小于单据日期", "FSettleLimitDate@-1"},
    {"MoneyWithoutAccount", [](SaleSave& t) { t.bill->SetFieldValue("FCurPayAmount", 50); },
     "结算账户不能为空", "FAcctNo@-1"},
    {"AuxPropMissing",
     [](SaleSave& t) {
         t.EditRow(2, "FItemID", 1012);
         t.EditRow(2, "FSCStockID", 502);
         t.EditRow(2, "FPrice", 109);
         t.EditRow(2, "FShowQty", 1);
     },
     "第2行商品需要录入辅助属性", "FAuxPropID@2"},
    {"BatchMissing",
     [](SaleSave& t) {
         t.TypeYoghurt(2);
         t.bill->SetFieldValue("FBatchNo", "", 2);
     },
     "第2行商品需要录入批号", "FBatchNo@2"},
    {"BatchWithOtherDates",
     [](SaleSave& t) {
         t.TypeYoghurt(2);
         t.bill->SetFieldValue("FKFPeriod", 30, 2);
         t.bill->SetFieldValue("FPeriodDate", "2026-12-20", 2);
     },
     "批号为B20261120的第2行商品,与库存中同批号商品的生产日期、保质期或有效期至不同。",
     "FBatchNo@2"},
    {"ExpiredGoodsWithTheOption",
     [](SaleSave& t) {
         t.demo.Host().SetOption("IC", "IsPeriodDateExpireNotSale", "1");
         t.TypeYoghurt(2, "B20261118");  // a batch stock does not know
         t.bill->SetFieldValue("FKFDate", "2026-11-18", 2);
         t.bill->SetFieldValue("FKFPeriod", 21, 2);
         t.bill->SetFieldValue("FPeriodDate", "2026-12-09", 2);
     },
     "第2行有效期至已经超过期限，不能销售。", "FPeriodDate@2"},
    {"OneBatchTwoDates",
     [](SaleSave& t) {
         t.TypeYoghurt(2, "B20261209");
         t.TypeYoghurt(3, "B20261209");
         for (int r : {2, 3}) {
             t.bill->SetFieldValue("FKFDate", r == 2 ? "2026-12-09" : "2026-12-08", r);
             t.bill->SetFieldValue("FKFPeriod", 21, r);
             t.bill->SetFieldValue("FPeriodDate", r == 2 ? "2026-12-30" : "2026-12-29", r);
         }
     },
     "同一批号商品的生产日期、保质期、有效期至必须完全一致", ""},
    {"NegativeTotal", [](SaleSave& t) { t.EditRow(1, "FShowQty", -2); }, "总金额不能小于零,请修改",
     ""},
    {"SettledMoreThanTheTotal", [](SaleSave& t) { t.bill->SetFieldValue("FCurCheckAmount", 500); },
     "本次核销金额不准确，请修改", "FCurCheckAmount@-1"},
    {"MoneyOnABillOfNothing",
     [](SaleSave& t) {
         t.EditRow(1, "FPrice", 0);
         t.Answer(6);  // the zero price is accepted
         t.bill->SetFieldValue("FNeutralizeAmount", 10);
     },
     "整单为零的销售单，不允许收款。", ""},
    {"SettlementDiscountWithoutAccount",
     [](SaleSave& t) {
         t.demo.Host().SetOption("General", "GLAndJXCUnite", "1");
         t.bill->SetFieldValue("FCurCheckAmount", 50);
     },
     "请输入优惠科目", "FDiscountAcctID@-1"},
    {"PriceBelowItsFloor", [](SaleSave& t) { t.EditRow(1, "FPrice", 20); },
     "第1行商品[农夫山泉饮用天然水]的单价20低于最低限价30。", "FPrice@1"},
    {"NegativeReceipt",
     [](SaleSave& t) {
         t.bill->SetFieldValue("FCurPayAmount", -5);
         t.bill->SetFieldValue("FCurCheckAmount", 0);
         t.bill->SetFieldValue("FNeutralizeAmount", 5);
         t.bill->SetFieldValue("FMultiAccount", 1);
     },
     "本次收款金额不能小于零，请修改", "FCurPayAmount@-1"},
    {"BeforeTheStartPeriod",
     [](SaleSave& t) {
         // Without the current period's dates only the start period dates the bill.
         t.demo.Exec("Delete From t_PeriodDate Where FYear=2026 And FPeriod=12;");
         t.Edit("FDate", "2025-12-31");
         t.Edit("FSettleLimitDate", "2025-12-31");
     },
     "单据日期不能小于账套启用期间的第一天。", ""},
};

TEST_P(SaleRefusals, RefusesTheSaveAndStoresNothing) {
    const Refusal& c = GetParam();
    TypeDelivery();
    c.spoil(*this);
    TakePrompts();
    const long before = Bills();
    auto saved = bill->Save();
    EXPECT_TRUE(saved.cancelled) << PlugInError() << saved.note;
    auto prompts = TakePrompts();
    ASSERT_FALSE(prompts.empty());
    EXPECT_EQ(prompts.back(), c.message);
    if (*c.cursor) {
        EXPECT_EQ(Cursor(), c.cursor);
    }
    EXPECT_EQ(Bills(), before);
}

INSTANTIATE_TEST_SUITE_P(Sale, SaleRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaleSave, AValidDeliveryIsSavedWithItsSettlementAndOpenQuantities) {
    TypeDelivery();
    bill->SetFieldValue("FCurCheckAmount", 90.4);
    bill->SetFieldValue("FNeutralizeAmount", 90.4);
    ASSERT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
    const auto id = std::to_string(bill->CurBillID());
    const auto stored = demo.Db().Run(
        "Select FAllAmount, FCheckAmount, FUnCheckAmount From t_CC_StockBill Where FID=" + id);
    ASSERT_EQ(stored.rows.size(), 1u);
    EXPECT_NEAR(stored.rows[0][0].ToNumber(), 90.4, 1e-9);
    EXPECT_NEAR(stored.rows[0][1].ToNumber(), 90.4, 1e-9);
    EXPECT_NEAR(stored.rows[0][2].ToNumber(), 0, 1e-9);
    EXPECT_EQ(Count("Select FUnRejectQty From t_CC_StockBillEntry Where FID=" + id), 2);
}

TEST_F(SaleSave, ARateAboveHundredPassesWhenTheAccountAllowsIt) {
    demo.Host().SetOption("IC", "AllowDiscountRateOver100", "1");
    TypeDelivery();
    bill->SetFieldValue("FDiscountRate", 120, 1);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
}

TEST_F(SaleSave, TheZeroPriceQuestionAnsweredNoKeepsTheBillAndYesSavesIt) {
    demo.Host().SetOption("IC", "ControlPoint", "1");  // no price floors
    TypeDelivery();
    bill->SetFieldValue("FPrice", 0, 1);  // the amount stays 80
    const long before = Bills();
    Answer(7);
    ExpectRefused(bill->Save(), {"存在数量为零金额不为零的记录，是否继续？"});
    EXPECT_EQ(Platform().Boxes().size(), 0u);
    EXPECT_EQ(Bills(), before);
    Answer(6);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(Bills(), before + 1);
}

TEST_F(SaleSave, AStockWarningIsAskedAndAShortageRefuses) {
    demo.Host().SetOption("IC", "UnderStockBeforeSave", "1");
    TypeDelivery();
    EditRow(1, "FShowQty", 5000);
    auto& services = demo.Host().Services();
    services.QueueAnswer("QOR_CC_PlugIns.clsStockInfo", "CheckItemStockNum",
                         {Value(-1), std::string("第1行商品库存不足，是否继续？")});
    const long before = Bills();
    Answer(7);
    ExpectRefused(bill->Save(), {"第1行商品库存不足，是否继续？"});
    EXPECT_EQ(Bills(), before);

    services.QueueAnswer("QOR_CC_PlugIns.clsStockInfo", "CheckItemStockNum",
                         {Value(-1), std::string("第1行商品库存不足，是否继续？")});
    Answer(6);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(Bills(), before + 1);

    // The stock component's own shortage (3) refuses without a question.
    OpenBill();
    TypeDelivery();
    EditRow(1, "FShowQty", 5000);
    TakePrompts();
    EXPECT_TRUE(bill->Save().cancelled);
    auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("库存"), std::string::npos) << prompts[0];
    EXPECT_EQ(Bills(), before + 1);
}

TEST_F(SaleSave, ACheckedBillSavedAgainIsNotValidatedAgain) {
    ASSERT_TRUE(bill->LoadBill(4, true).done);  // XOUT000001, checked, dated in November
    Edit("FExplanation", "补开发票");
    EXPECT_TRUE(bill->Save().done) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
}

TEST_F(SaleSave, APurchaseSourceIsNotDeliveredBeyondWhatItReceived) {
    ASSERT_TRUE(bill->SelectSources(1020002, {{2, 3}}).done);  // 12 received, 1 sold
    EditRow(1, "FPrice", 400);
    EditRow(1, "FShowQty", 12);
    TakePrompts();
    ExpectRefused(bill->Save(), {"第1行数量已经超过源单未下推基本单位总数量【12】，不能销售。"});
    EditRow(1, "FShowQty", 11);
    EXPECT_TRUE(bill->Save().done) << PlugInError();
}

TEST_F(SaleSave, AReturnSeesWhatOtherBillsTakeBackOfTheSameDelivery) {
    Edit("FBillTypeID", 3002);
    ASSERT_TRUE(bill->SelectSources(1030002, {{4, 7}}).done);  // 4 delivered, 1 on XOUT000003
    EditRow(1, "FShowQty", 4);
    TakePrompts();
    const long before = Bills();
    ExpectRefused(bill->Save(), {"行号[1]商品01.001数量合计4,源单数量3\r\n"
                                 "存在数量大于源单未退货数量的商品,不能保存"});
    EXPECT_EQ(Bills(), before);
    EditRow(1, "FShowQty", 3);
    EXPECT_TRUE(bill->Save().done) << PlugInError();

    // A second clerk's return of the same delivery now sees the first one.
    OpenBill();
    Edit("FBillTypeID", 3002);
    ASSERT_TRUE(bill->SelectSources(1030002, {{4, 7}}).done);
    bill->SetFieldValue("FShowQty", 1, 1);
    bill->SetFieldValue("FQty", 24, 1);
    TakePrompts();
    ExpectRefused(bill->Save(), {"行号[1]商品01.001数量合计1,源单数量0\r\n"
                                 "存在数量大于源单未退货数量的商品,不能保存"});
}

TEST_F(SaleSave, AnOrderOverDeliveredIsAskedAndASourceDatedLaterRefuses) {
    ASSERT_TRUE(bill->SelectSources(1030001, {{1, 1}}).done);  // 16 cartons left
    EditRow(1, "FShowQty", 17);
    TakePrompts();
    Answer(7);
    ExpectRefused(bill->Save(), {"行号[1]商品01.001数量合计17,源单数量16\r\n"
                                 "存在出库数量超过订单未执行数量的商品\r\n是否继续?"});
    EXPECT_EQ(Cursor(), "FShowQty@1");

    demo.Exec("Update t_XS_Order Set FDate='2026-12-20' Where FID=1;");
    EditRow(1, "FShowQty", 16);
    TakePrompts();
    ExpectRefused(bill->Save(), {"单据日期不能小于分录源单日期"});
}

TEST_F(SaleSave, AnOrderEntryDeletedMeanwhileLeavesNothingToDeliver) {
    ASSERT_TRUE(bill->SelectSources(1030001, {{1, 2}}).done);
    demo.Exec("Delete From t_XS_OrderEntry Where FEntryID=2;");
    TakePrompts();
    Answer(7);
    EXPECT_TRUE(bill->Save().cancelled);
    auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].find("源单数量0"), std::string::npos) << prompts[0];
}

// ---- Check and uncheck
// ---------------------------------------------------------------------------

TEST_F(SaleSave, ARejectedBillIsNeitherCheckedNorUnchecked) {
    ASSERT_TRUE(bill->LoadBill(5).done);  // XOUT000002, then rejected in another session
    demo.Exec("Update t_CC_StockBill Set FRejected=1 Where FID=5;");
    ExpectRefused(bill->Check(), {"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    demo.Exec("Update t_CC_StockBill Set FStatus=1 Where FID=13;");
    ASSERT_TRUE(bill->LoadBill(13).done);
    ExpectRefused(bill->Uncheck(), {"你选择的单据为驳回状态，不允许反审核，请重新选择。"});
}

TEST_F(SaleSave, UncheckingIsRefusedOnceARebateWasMade) {
    ASSERT_TRUE(bill->LoadBill(15).done);  // XOUT000008, checked
    demo.Exec(
        "Create Table t_FL_SchemeLink (FFLInterID INTEGER, FFLSourceInterID INTEGER);"
        "Insert Into t_CC_StockBill (FID, FClassTypeID, FBillTypeID, FBillNo, FDate, FStatus) "
        "Values (40, 1030002, 3002, 'FL000001', '2026-12-08', 1);"
        "Insert Into t_FL_SchemeLink Values (40, 15);");
    ExpectRefused(bill->Uncheck(), {"销售单已经生成返利单FL000001,不允许反审核。"});
    demo.Exec("Delete From t_FL_SchemeLink;");
    EXPECT_TRUE(bill->Uncheck().done) << PlugInError();
}

TEST_F(SaleSave, ASerialManagedRowNeedsItsSerialNumbersToBeChecked) {
    demo.Host().SetOption("IC", "CKSerialNum", "1");
    demo.Exec("Delete From t_SerialNumList Where FBillID=12;");
    ASSERT_TRUE(bill->LoadBill(12).done);  // XOUT000005: one rice cooker, no serial recorded
    EXPECT_TRUE(bill->Check().cancelled);
    auto prompts = TakePrompts();
    ASSERT_FALSE(prompts.empty());
    EXPECT_NE(prompts.back().find("第1行商品[03.001 美的电饭煲 MB-FB40]仓库[总仓]"),
              std::string::npos)
        << prompts.back();
    demo.Host().SetOption("IC", "CKSerialNum", "0");
    EXPECT_TRUE(bill->Check().done) << PlugInError();
}

TEST_F(SaleSave, ThePublicChecksReadTheStoredBill) {
    ASSERT_TRUE(bill->LoadBill(5).done);  // XOUT000002: a rice cooker and a batch of TVs
    auto& object = *plugin;
    Args args{Value(std::static_pointer_cast<IObject>(bill))};
    EXPECT_TRUE(object.Invoke("checkXSDBillBatchNoErr", args).ToBool());
    demo.Exec("Update t_CC_StockBillEntry Set FBatchNo='' Where FEntryID=10;");
    TakePrompts();
    EXPECT_FALSE(object.Invoke("checkXSDBillBatchNoErr", args).ToBool());
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{"第2行商品需要录入批号"});

    demo.Host().SetOption("IC", "CKSerialNum", "1");
    EXPECT_TRUE(object.Invoke("checkXSDBillSNErr", args).ToBool());
    demo.Exec("Delete From t_SerialNumList Where FBillID=5 And FSerialNo='MD2026110002';");
    EXPECT_FALSE(object.Invoke("checkXSDBillSNErr", args).ToBool());
    // A bill made from an online order is accepted as it is.
    bill->SetFieldValue("FExplanation", "由网上订单TB001生成");
    EXPECT_TRUE(object.Invoke("checkBillSNErr", args).ToBool());
}

}  // namespace
}  // namespace qor::test
