// The sales bill list: its tools, the guards of its delete, check and uncheck, the check rule
// the selection passes, the merged copy and the logistics bills of the selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bills/common/list_selection.h"
#include "tests/support/bill_fixture.h"
#include "tests/support/fakes.h"

namespace qor::test {
namespace {

class SaleList : public ::testing::Test {
protected:
    DemoHost demo{"salelist"};
    PlugInBill bill{demo, "sale"};

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        EXPECT_EQ(bill.TakePrompts(), prompts);
    }

    double Status(int id) {
        return demo.Scalar("Select FStatus From t_CC_StockBill Where FID=" + std::to_string(id))
            .ToNumber();
    }
    const host::ShownWindow* LastWindow() {
        const auto& shown = demo.Host().Services().Shown();
        return shown.empty() ? nullptr : &shown.back();
    }
};

TEST_F(SaleList, TheListOffersTheLogisticsAndInvoiceToolsWithTheUsersLogisticsChoice) {
    demo.Host().SetUserProfile("SaleListInterface", "LogicMultiToOne", "1");
    auto& list = bill.ListOf({8});
    auto& menus = list.Menus();
    const auto bar = menus.Band("BandToolBar")->ToolKeys();
    auto at = [&](const std::string& key) { return std::find(bar.begin(), bar.end(), key); };
    ASSERT_NE(at("mnuGenLogic"), bar.end());
    EXPECT_LT(at("mnuGenLogic"), at("mnu_MakeQvtInvoice"));
    EXPECT_LT(at("mnu_MakeQvtInvoice"), at("mnuEditUnCheck"));
    EXPECT_EQ(menus.Tool("mnu_MakeQvtInvoice")->Caption(), "生成发票");
    const auto view = menus.Band("mnuView")->ToolKeys();
    EXPECT_EQ(std::find(view.begin(), view.end(), "mnuQueryLogisticList") + 1,
              std::find(view.begin(), view.end(), "mnuBOSViewVoucher"));
    EXPECT_EQ(menus.Band("mnuLogic")->ToolKeys(),
              (std::vector<std::string>{"mnuLogicOneToOne", "mnuLogicMultiToOne"}));
    EXPECT_TRUE(menus.Tool("mnuLogicMultiToOne")->Checked());
    EXPECT_FALSE(menus.Tool("mnuLogicOneToOne")->Checked());
    for (const char* key : {"mnuEditCheck", "mnuEditUnCheck", "mnuEditCopy", "mnuKddPrint"})
        EXPECT_TRUE(menus.Tool(key)->Visible()) << key;

    ASSERT_TRUE(list.ClickTool("mnuLogicOneToOne").done);
    EXPECT_TRUE(menus.Tool("mnuLogicOneToOne")->Checked());
    EXPECT_FALSE(menus.Tool("mnuLogicMultiToOne")->Checked());
    EXPECT_EQ(demo.Scalar("Select FValue From ICClassUserProfile Where FUserID=16394 And "
                          "FSection='SaleListInterface' And FKey='LogicMultiToOne'")
                  .ToString(),
              "0");
}

TEST_F(SaleList, AMergedCopyIsANewUncheckedDelivery) {
    auto& list = bill.ListOf({8, 4});  // a checked settlement and a checked delivery
    ASSERT_TRUE(list.ClickTool("mnuEditCopy").done);
    auto header = list.MergedCopy()->Sub("Page1");
    EXPECT_EQ(header->Sub("FBillTypeID")->Get("FFLD").ToString(), "3001");
    EXPECT_EQ(header->Sub("FStatus")->Get("FFLD").ToString(), "0");
}

TEST_F(SaleList, DeletingCheckingAndUncheckingGuardTheWholeSelection) {
    auto& list = bill.ListOf({5, 13});  // XOUT000006 is rejected
    ExpectRefused(list.ClickTool("mnuEditDelete"),
                  {"你选择的单据包含驳回状态的订单，不允许删除，请重新选择。"});
    EXPECT_EQ(demo.Scalar("Select Count(*) From t_CC_StockBill Where FID In (5,13)").ToNumber(), 2);

    list.Select({5, 14});  // XOUT000007 is a settlement return
    ExpectRefused(list.Check(), {"你选择的单据包含委托结算退货单，请重新选择。"});
    EXPECT_EQ(Status(5), 0);

    // Books closed: a bill of the current period can be neither checked nor deleted.
    demo.Host().SetOption("Base", "AcctountingClosed", "1");
    list.Select({5});
    EXPECT_TRUE(list.Check().cancelled);
    EXPECT_TRUE(list.ClickTool("mnuEditDelete").cancelled);
    auto prompts = bill.TakePrompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[0].find("当前期间已经关账"), std::string::npos);
    EXPECT_EQ(Status(5), 0);
}

TEST_F(SaleList, TheSelectionsCheckAndUncheckPassTheCheckRule) {
    // The rejected bill is refused by the rule even where the click guard lets it pass.
    auto& list = bill.ListOf({5, 13});
    ExpectRefused(list.Check(), {"你选择的单据为驳回状态，不允许审核，请重新选择。"});
    EXPECT_EQ(Status(5), 0);

    list.Select({5});
    ASSERT_TRUE(list.Check().done);
    EXPECT_EQ(Status(5), 1);

    demo.Exec("Update t_CC_StockBill Set FRejected=1 Where FID=8");
    list.Select({5, 8});
    ExpectRefused(list.Uncheck(), {"你选择的单据为驳回状态，不允许反审核，请重新选择。"});
    EXPECT_EQ(Status(5), 1);

    // A bill that produced a rebate bill stays checked.
    demo.Exec("Update t_CC_StockBill Set FRejected=0 Where FID=8");
    demo.Exec("Create Table t_FL_SchemeLink (FFLInterID int, FFLSourceInterID int)");
    demo.Exec("Insert Into t_FL_SchemeLink (FFLInterID, FFLSourceInterID) Values (12, 8)");
    ExpectRefused(list.Uncheck(), {"销售单已经生成返利单XOUT000005,不允许反审核。"});
    list.Select({5});
    ASSERT_TRUE(list.Uncheck().done);
    EXPECT_EQ(Status(5), 0);
}

TEST_F(SaleList, LogisticsBillsAreMadeOnePerBillOrOneForAll) {
    demo.Exec("Update t_CC_StockBill Set FLogisticNumber=NULL Where FID=4");
    auto& list = bill.ListOf({8, 4, 5});  // 5 is not checked
    ASSERT_FALSE(list.ClickTool("mnuGenLogic").cancelled);
    const auto* result = LastWindow();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->progId, "QORDisplayer.DispBuilder");
    EXPECT_EQ(result->title, "提示信息");
    EXPECT_EQ(result->lines, (std::vector<std::string>{"提示信息", "销售单XOUT000002尚未审核。",
                                                       "合计：成功(2张),失败(1张)"}));
    // One logistics bill per sales bill.
    EXPECT_EQ(demo.Scalar("Select FLogisticNumber From t_CC_StockBill Where FID=8").ToString(),
              "WLXOUT000004");
    EXPECT_EQ(demo.Scalar("Select FLogisticNumber From t_CC_StockBill Where FID=4").ToString(),
              "WLXOUT000001");

    demo.Exec("Update t_CC_StockBill Set FLogisticNumber=NULL Where FID In (4,8)");
    ASSERT_TRUE(list.ClickTool("mnuLogicMultiToOne").done);
    ASSERT_FALSE(list.ClickTool("mnuGenLogic").cancelled);
    EXPECT_EQ(demo.Scalar("Select Count(Distinct FLogisticNumber) From t_CC_StockBill Where FID "
                          "In (4,8)")
                  .ToNumber(),
              1);

    list.Select({});
    EXPECT_TRUE(list.ClickTool("mnuGenLogic").cancelled);
    EXPECT_EQ(bill.TakePrompts().back(), "请选择要生成物流单的销售单！");
}

TEST_F(SaleList, TheLogisticsQueryAndTheExpressPrintNeedTheirRights) {
    auto& list = bill.ListOf({4, 8});  // XOUT000004 has no logistics bill
    ExpectRefused(list.ClickTool("mnuQueryLogisticList"), {"请选择已经生成过物流单的销售单！"});
    list.Select({4});
    ASSERT_FALSE(list.ClickTool("mnuQueryLogisticList").cancelled);
    ASSERT_NE(LastWindow(), nullptr);
    EXPECT_EQ(LastWindow()->data->Get("BillCode").ToString(), "XOUT000001");

    demo.Host().DenyRight(12, 500, 1);
    demo.Host().DenyRight(12, 200, 64);
    EXPECT_TRUE(list.ClickTool("mnuQueryLogisticList").cancelled);
    ExpectRefused(list.ClickTool("mnuKddPrint"), {"您没有查询物流单的权限。", "您没有打印权限。"});
}

// The selection's identifiers enter a statement only as integers, each bill once.
TEST(SaleListSelection, OnlyIdentifiersEnterTheStatement) {
    struct Selected : FakeBillList {
        CollectionPtr Selection() override {
            auto selection = Collection::Make();
            for (const Value& id : {Value(4), Value("12"), Value("4) Or (1=1"), Value(4), Value(-3),
                                    Value("abc"), Value(3000000000.0)})
                selection->Add("", Value(Collection::Make({{"FID", id}})));
            return selection;
        }
    } list;
    const auto ids = SelectedBillIDs(list);
    EXPECT_EQ(ids, (std::vector<int32_t>{4, 12}));
    EXPECT_EQ(SqlIdList(ids), "4,12");
    EXPECT_EQ(SqlIdList({}), "");
}

}  // namespace
}  // namespace qor::test
