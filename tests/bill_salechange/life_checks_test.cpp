// The exchange bill's life, save and check: the default invoice type of its own, the save
// refusals in their order, a re-save checked against the bill's own rows, the rejected bill
// refused at check and delete in the form and in the list, and the address written back.
#include "frame/data_access.h"
#include "frame/plugin.h"
#include "tests/bill_salechange/exchange_fixture.h"

namespace qor::test {
namespace {

using ExchangeLife = ExchangeTest;

TEST_F(ExchangeLife, ANewBillTakesTheExchangeBillsOwnDefaultInvoiceType) {
    demo.Host().SetUserProfile("XS1030005", "InvoiceType", "2021");
    demo.Host().SetUserProfile("XS1030002", "InvoiceType", "2022");
    ASSERT_TRUE(bill.New().done);
    Expect(-1, {{"FInvoiceType", 2021}, {"FSettleLimitDate", "2026-12-10"}});
    EXPECT_FALSE(bill.form->IsDataChanged());

    // The type of the last saved exchange bill becomes the default; the sales bill's stays.
    Edit("FCustID", Value(101));
    Edit("FInvoiceType", Value(2020));
    Edit("FItemID", 1, Value(1001));
    Edit("FShowQty", 1, Value(1));
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    EXPECT_EQ(ReadUserProfile("XS1030005", "InvoiceType"), "2020");
    EXPECT_EQ(ReadUserProfile("XS1030002", "InvoiceType"), "2022");
    ASSERT_TRUE(bill.New().done);
    EXPECT_EQ(Num("FInvoiceType"), 2020);
}

struct Refusal {
    const char* name;
    std::vector<Step> edits;
    const char* message;
};

class ExchangeSaveRefusals : public ExchangeTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ExchangeSaveRefusals, RefuseWithTheFirstBrokenRulesMessageAndStoreNothing) {
    FillValidBill();
    for (const Step& s : GetParam().edits) Apply(bill, s);
    Prompts();
    const long before = Count("Select Count(*) From t_cc_Change");
    auto result = bill.form->Save();
    EXPECT_FALSE(result.done);
    const auto prompts = Prompts();
    ASSERT_FALSE(prompts.empty()) << bill.Trapped();
    EXPECT_EQ(prompts.front(), GetParam().message);
    EXPECT_EQ(Count("Select Count(*) From t_cc_Change"), before);
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, ExchangeSaveRefusals,
    ::testing::Values(
        Refusal{"RateZero", {{"FDiscountRate", 1, Value(0)}}, "第1行折扣率必须大于0小于等于100。"},
        Refusal{
            "RateOver100", {{"FDiscountRate", 1, Value(120)}}, "第1行折扣率必须大于0小于等于100。"},
        // The rate is checked before the validation's period.
        Refusal{"RateBeforePeriod",
                {{"FDate", -1, Value("2026-11-30")}, {"FDiscountRate", 1, Value(0)}},
                "第1行折扣率必须大于0小于等于100。"},
        Refusal{"PreviousPeriod", {{"FDate", -1, Value("2026-11-30")}}, "不能录入以前期间的单据"},
        // The period is checked before the settlement date.
        Refusal{"PeriodBeforeSettleDate",
                {{"FDate", -1, Value("2026-11-30")}, {"FSettleLimitDate", -1, Value("2026-11-01")}},
                "不能录入以前期间的单据"},
        Refusal{"SettleDateBeforeBillDate",
                {{"FSettleLimitDate", -1, Value("2026-12-01")}},
                "收款日期不能小于单据日期"},
        Refusal{"MoneyWithoutAccount", {{"FCurPayAmount", -1, Value(50)}}, "结算账户不能为空"},
        Refusal{"NegativeTotal", {{"FShowQty", 1, Value(-2)}}, "总金额不能小于零,请修改"},
        Refusal{"SettledMoreThanTheBill",
                {{"FCurCheckAmount", -1, Value(500)}},
                "本次核销金额不准确，请修改"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(ExchangeLife, AZeroPriceWithAnAmountIsSavedOnlyOnYes) {
    FillValidBill();
    // The host's formulas leave an amount when only the price is emptied afterwards.
    bill.form->SetFieldValue("FPrice", 0, 1);
    ASSERT_NE(Num("FAmount", 1), 0);
    Prompts();
    bill.Answer(Value(kAnswerNo));
    EXPECT_FALSE(bill.form->Save().done);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"存在数量为零金额不为零的记录，是否继续？"});
    EXPECT_EQ(Count("Select Count(*) From t_cc_Change"), 2);
    // Yes goes on to the validation, whose price limit then refuses the price of 0.
    bill.Answer(Value(kAnswerYes));
    EXPECT_FALSE(bill.form->Save().done);
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{"存在数量为零金额不为零的记录，是否继续？",
                                        "第1行商品[农夫山泉饮用天然水]的单价0低于最低限价30。"}));
    demo.Host().SetOption("IC", "ControlPoint", "1");
    bill.Answer(Value(kAnswerYes));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
    EXPECT_EQ(Count("Select Count(*) From t_cc_Change"), 3);

    // A stock shortage does not stop the save.
    ASSERT_TRUE(bill.New().done);
    demo.Host().SetOption("IC", "UnderStockBeforeSave", "1");
    FillValidBill();
    Edit("FShowQty", 1, Value(100000));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

// Goods taken back from XOUT000001's row of water (entry 7: 4 cases open for returns).
TEST_F(ExchangeLife, AReSaveIsCheckedAgainstTheBillsOwnSavedRows) {
    // An unrelated stock bill that has the identifier the new exchange bill will get, with a
    // row drawn from the same delivery entry: the exchange bill's own rows are not its rows.
    demo.Exec(
        "INSERT INTO t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, "
        "FCoefficient, FQty, FShowQty, FID_SRC, FEntryID_SRC, FClassID_SRC) VALUES "
        "(990, 3, 3, 1001, 3011, 3012, 24, 240, 10, 4, 7, 1030002)");
    Edit("FCustID", Value(101));
    ASSERT_TRUE(bill.form->SelectSources(1030002, {{4, 7}}).done) << bill.Trapped();
    ASSERT_EQ(Num("FEntryID_SRC", 1), 7);
    Edit("FShowQty", 1, Value(3));
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped() << " " << Prompts().size();
    ASSERT_EQ(bill.form->CurBillID(), 3);
    // The delivery's open quantity follows the three cases taken back.
    demo.Exec("UPDATE t_CC_StockBillEntry SET FUnRejectQty=1 WHERE FEntryID=7");

    // Saved again unchanged: its own three cases are given back before comparing.
    Edit("FExplanation", Value("复核"));
    EXPECT_TRUE(bill.form->Save().done) << Prompts().size();
    // Taking back five is more than the one left and its own three.
    Edit("FShowQty", 1, Value(5));
    Prompts();
    EXPECT_FALSE(bill.form->Save().done);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"存在退货数量大于源单数量的商品,不能保存"});
    Edit("FShowQty", 1, Value(4));
    EXPECT_TRUE(bill.form->Save().done);
}

TEST_F(ExchangeLife, ANewRowDrawnFromASourceIsCheckedOnASavedBill) {
    FillValidBill();
    ASSERT_TRUE(bill.form->Save().done);
    ASSERT_TRUE(bill.form->SelectSources(1030002, {{4, 7}}).done) << bill.Trapped();
    int row = 0;
    for (int r = 1; r <= bill.form->GridMaxDataRowNum(); ++r)
        if (Num("FEntryID_SRC", r) == 7) row = r;
    ASSERT_GT(row, 0);
    Edit("FShowQty", row, Value(9));  // 4 open
    Prompts();
    EXPECT_FALSE(bill.form->Save().done);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"存在退货数量大于源单数量的商品,不能保存"});
}

TEST_F(ExchangeLife, ARejectedBillIsNeitherCheckedNorDeletedInTheForm) {
    // A loaded rejected bill offers neither the check nor the delete tool.
    ASSERT_TRUE(bill.form->LoadBill(2).done);
    EXPECT_FALSE(bill.form->Menus().Tool("mnuEditCheck")->Visible());
    EXPECT_FALSE(bill.form->Menus().Tool("mnuEditFileDelete")->Visible());
    EXPECT_FALSE(bill.form->Check().done);
    EXPECT_FALSE(bill.form->DeleteBill().done);

    // A bill rejected in another session after it was loaded is refused as stored.
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    demo.Exec("UPDATE t_cc_Change SET FRejected=1 WHERE FID=1");
    Prompts();
    EXPECT_FALSE(bill.form->Check().done);
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    EXPECT_FALSE(bill.form->DeleteBill().done);
    EXPECT_EQ(Prompts(), std::vector<std::string>{"不能删除驳回状态的单据！"});
    EXPECT_EQ(Count("Select Count(*) From t_cc_Change Where FID=1"), 1);
    EXPECT_EQ(Count("Select FStatus From t_cc_Change Where FID=1"), 0);

    // Without the rejection it is checked.
    demo.Exec("UPDATE t_cc_Change SET FRejected=0 WHERE FID=1");
    EXPECT_TRUE(bill.form->Check().done) << ::testing::PrintToString(Prompts());
    EXPECT_EQ(Count("Select FStatus From t_cc_Change Where FID=1"), 1);
}

TEST_F(ExchangeLife, ARejectedBillIsNeitherCheckedNorDeletedInTheList) {
    auto& list = bill.ListOf({1, 2});
    Prompts();
    EXPECT_FALSE(list.Check().done);
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    EXPECT_EQ(Count("Select FStatus From t_cc_Change Where FID=1"), 0);
    auto& gateway = DataGateway::Instance();
    gateway.KeepTrace(true);
    const size_t traced = gateway.Trace().size();
    EXPECT_FALSE(list.ClickTool("mnuEditDelete").done);
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{"你选择的单据包含驳回状态的订单，不允许删除，请重新选择。"});
    EXPECT_EQ(Count("Select Count(*) From t_cc_Change"), 2);
    // One statement reads the rejection of the whole selection.
    long rejectionReads = 0;
    for (size_t i = traced; i < gateway.Trace().size(); ++i)
        if (gateway.Trace()[i].sql.find("FRejected From t_cc_Change") != std::string::npos)
            ++rejectionReads;
    EXPECT_EQ(rejectionReads, 1);

    // The rejection is read from the stored exchange bill, not from a sales bill of that
    // identifier: XOUT... of FID 2 is not rejected, the exchange bill of FID 1 is not either.
    demo.Exec("UPDATE t_CC_StockBill SET FRejected=1 WHERE FID=1");
    auto& open = bill.ListOf({1});
    EXPECT_TRUE(open.Check().done) << Prompts().size();
    EXPECT_EQ(Count("Select FStatus From t_cc_Change Where FID=1"), 1);
}

TEST_F(ExchangeLife, TheReceiveAddressGoesBackQuotedToTheChosenContact) {
    Edit("FCustID", Value(101));
    Edit("FItemID", 1, Value(1001));
    Edit("FShowQty", 1, Value(1));
    const std::string address = "杭州市'良渚'物流园3号库";
    Edit("FReceiveAddr", Value(address));
    bill.form->GetDataFldbyKey("FReceiveAddr")->Set("ItemID", 1);
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    EXPECT_EQ(demo.Scalar("Select FAddress From t_Contact Where FID=1").ToString(), address);
    EXPECT_EQ(demo.Scalar("Select FName From t_SubMessage Where FTypeID=66 And FID=1").ToString(),
              address);
    // Nothing else was touched.
    EXPECT_EQ(demo.Scalar("Select FAddress From t_Contact Where FID=2").ToString(),
              "杭州市上城区庆春路88号");

    // A list copy is a new unchecked delivery.
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->Check().done);
    auto& list = bill.ListOf({1});
    ASSERT_TRUE(list.ClickTool("mnuEditCopy").done);
    auto merged = list.MergedCopy();
    ASSERT_NE(merged, nullptr);
    auto page = merged->Sub("Page1");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Sub("FStatus")->Get("FFLD").ToString(), "0");
    EXPECT_EQ(page->Sub("FBillTypeID")->Get("FFLD").ToString(), "3001");
}

using ExchangeTools = ExchangeTest;

TEST_F(ExchangeTools, TheSalesToolsWithoutItsOptions) {
    auto& menus = bill.form->Menus();
    ASSERT_NE(menus.Tool("mnuReject"), nullptr);
    EXPECT_EQ(menus.Tool("mnuReject")->Caption(), "驳回");
    EXPECT_EQ(menus.Tool("mnuEditAutoSumAmt")->Shortcut(), "F9");
    EXPECT_EQ(menus.Tool("mnuEditCheckInfo")->Caption(), "冲预收款");
    for (const char* option :
         {"mnuDoNotResetPrice", "mnuCheckDuplicateItem", "mnuDoNotGetSalePriceWhenGiftStock"})
        EXPECT_EQ(menus.Tool(option), nullptr) << option;

    // F9 settles the whole total less the offset.
    FillValidBill();  // 80 and 13% tax: 90.4
    Edit("FNeutralizeAmount", Value(10));
    ASSERT_TRUE(bill.form->ClickTool("mnuEditAutoSumAmt").done);
    Expect(-1, {{"FCurCheckAmount", 90.4}, {"FCurPayAmount", 80.4}});
    EXPECT_FALSE(bill.form->IsCellLocked("FBalanceStyle", -1));
}

TEST_F(ExchangeTools, ARejectedBillIsStoredRejectedAndThenRefusedByTheList) {
    ASSERT_TRUE(bill.form->LoadBill(1, true).done);
    bill.Answer(Value("换出商品尺码有误"));
    ASSERT_TRUE(bill.form->ClickTool("mnuReject").done) << bill.Trapped();
    EXPECT_EQ(Count("Select FRejected From t_cc_Change Where FID=1"), 1);
    EXPECT_EQ(demo.Scalar("Select FRejectedNote From t_cc_Change Where FID=1").ToString(),
              "换出商品尺码有误");
    Prompts();
    auto& list = bill.ListOf({1});
    EXPECT_FALSE(list.Check().done);
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{"你选择的单据为驳回状态，不允许审核，请重新选择。"});
}

using ExchangeSources = ExchangeTest;

TEST_F(ExchangeSources, RowsDrawnFromADeliveryBringTheCustomersDeliveryAddress) {
    ASSERT_TRUE(bill.form->SelectSources(1030002, {{4, 7}}).done) << bill.Trapped();
    Expect(-1, {{"FCustID", 101}, {"FAddress", "杭州市余杭区良渚物流园联华配送中心"}});
    EXPECT_EQ(Num("FItemID", 1), 1001);
    // The delivery's rows already returned by other sales bills are not offered again: 4 cases,
    // one of them returned by XOUT000003.
    Expect(1, {{"FShowQty", 3}, {"FItemID01", 0}});
    EXPECT_EQ(bill.Trapped(), "");

    // The batch check of the host reads the exchange bills own rows.
    // XSHH000001's row holds a T-shirt without a batch; the stock bill of the same identifier
    // (a purchase receipt) is not looked at.
    demo.Exec("UPDATE t_ICItem SET FISBatchManager=1 WHERE FItemID=1012");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    Prompts();
    Args args{Value(bill.form)};
    EXPECT_FALSE(bill.plugin->Invoke("checkXSDBillBatchNoErr", args).ToBool());
    EXPECT_EQ(Prompts(), std::vector<std::string>{"第1行商品需要录入批号"});
    demo.Exec("UPDATE t_cc_ChangeEntry SET FBatchNo='T2026' WHERE FID=1");
    EXPECT_TRUE(bill.plugin->Invoke("checkXSDBillBatchNoErr", args).ToBool());
}

}  // namespace
}  // namespace qor::test
