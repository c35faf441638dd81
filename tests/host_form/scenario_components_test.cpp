// Scenarios that check what a plug-in asked of the host's components and windows: messages
// with caption and buttons, the cursor after a refusal, windows shown, component calls with
// their arguments, the invoice dictionary, tools that must not exist, and the answers a
// scenario gives in a component's place. A stand-in sales bill does the asking.
#include <gtest/gtest.h>

#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"

namespace qor::host::form {
namespace {

RunOptions Probe() {
    RunOptions o;
    o.pluginPath = QOR_TEST_PLUGIN_PATH;
    return o;
}

void ExpectError(const std::string& text, const std::string& what) {
    try {
        ParseScenario(text, "s.yaml");
        FAIL() << "no error for:\n" << text;
    } catch (const ScenarioError& e) {
        EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
}

TEST(ScenarioComponents, ReadsTheHostSideExpectationsAndAnswers) {
    Scenario s = ParseScenario(R"(
name: host side
steps:
  - componentAnswers:
      stockShortage: -1
      itemSelection: [101, 104]
      credit: exceeded
      overdue: within
      next: [{component: qor_cc_plugins.clsstockinfo, method: CheckBill, result: 2, message: 不行}]
  - expect:
      messages: [保存, {text: 是否继续, caption: 澄石提示, buttons: 36}]
      activeCell: FDiscountRate@2
      absentTools: mnuReject
      windows: [保存成功, {component: QorHelpTip.HelpTip, title: 澄石提示, data: {A: [1, {B: x}]}}]
      calls:
        - {component: QORMClass.ClassUpdate, args: [~, "Update"], count: 0}
      invoice: {eType: 3, Entries: []}
)",
                               "host.yaml");
    // The runs below pin the expectations; here what no run reads: the item selection, the
    // overdue answer and the host's own spelling of a component named in any letter case.
    ASSERT_EQ(s.steps.size(), 2u);
    const auto& a = s.steps[0].componentAnswers;
    EXPECT_EQ(*a.itemSelection, (std::vector<int>{101, 104}));
    EXPECT_FALSE(*a.overdueExceeded);
    ASSERT_EQ(a.next.size(), 1u);
    EXPECT_EQ(a.next[0].component, "QOR_CC_PlugIns.clsStockInfo");
    const Expect& e = s.steps[1].expect;
    EXPECT_EQ(e.messageDetails.count(0), 0u);
    EXPECT_FALSE((*e.calls[0].args)[0].has_value());

    ExpectError("name: x\nsteps:\n  - expect: {calls: [{component: QORNothing.Here}]}\n",
                "s.yaml:3");
    ExpectError("name: x\nsteps:\n  - expect: {calls: [{component: QORNothing.Here}]}\n",
                "no host component");
    ExpectError("name: x\nsteps:\n  - componentAnswers: {stockShortage: 5}\n", "3 or -1");
    ExpectError("name: x\nsteps:\n  - componentAnswers: {credit: maybe}\n", "exceeded or within");
    ExpectError(
        "name: x\nsteps:\n  - componentAnswers: {next: [{component: QorHelpTip.HelpTip}]}\n",
        "component, method and result");
    ExpectError("name: x\nsteps:\n  - expect: {messages: [{caption: x}]}\n", "needs its text");
    ExpectError("name: x\nsteps:\n  - expect: {windows: [{titel: x}]}\n", "unknown key \"titel\"");
}

TEST(ScenarioComponents, WhatTheSalesBillAskedOfTheHostHolds) {
    Scenario s = ParseScenario(R"Y(
name: the sales bill and the host's components
today: 2026-12-10
steps:
  - new: sale
  - set: {FCustID: 101}
  - set: {row: 1, FItemID: 1001, FSCStockID: 501}
  - set: {row: 1, FShowUnitID: 3012, FShowQty: 60, FPrice: 40, FDiscountRate: 0}
  - save
  - expect:
      cancelled: true
      messages: [{text: 第1行折扣率必须大于0, caption: 信息提示, buttons: 64}]
      activeCell: FDiscountRate@1
      windows: []
      calls: [{component: QOR_CC_PlugIns.clsStockInfo, count: 0}]
  - set: {row: 1, FDiscountRate: 100}
  - componentAnswers: {stockShortage: -1}
  - save
  - expect:
      done: true
      messages: [{text: 库存不足, buttons: 64}]
      windows: [{component: QorHelpTip.HelpTip, title: 澄石提示, text: 保存成功}]
      calls:
        - component: QOR_CC_PlugIns.clsStockInfo
          method: CheckItemStockNum
          args: [SAVE, {BillType: 3001, CustOrSupplyID: 101, Rows: [{FItemID: 1001, FQty: 1440}]}]
        - {component: QOREBSGLItem.clsBarCodeUpdate, method: UpdateBarCode, args: [1030002, 16], count: 1}
  - menu: mnuRelatePushBill_3000001
  - expect:
      invoice: {eType: 3, BuyerID: 101, FRemark: "", Entries: [{FItemID: 1001, Quantity: 60, FID_SRC: 16, FBillNo_SRC: XOUT}]}
      windows: [{component: QORInvoiceManage.InvoiceManage, title: 增值税专用发票, data: {FNumber: "00012347", BuyerID: 101}}]
      query: {sql: "Select Sum(FQuantity) From t_InvoiceEntry Where FID_SRC=16", rows: [[60]]}
  - menu: mnuRelatePushBill_3000001
  - expect:
      messages: [{text: 不能重复开票, caption: 信息提示}]
      windows: []
      calls: [{component: QORInvoiceManage.InvoiceManage, method: SaleBillMakeQvtInvoice, count: 1}]
      query: {sql: "Select Count(*) From t_Invoice", rows: [[3]]}
  - menu: mnuQuerySale
  - expect:
      windows:
        - component: QORClassLookUp.RelateBilllookUp
          title: 查询发货记录
          data: {TitleName: 销售退货单信息, SQL: FCustID=101}
          rows: 4
      absentTools: [mnuDoNotResetPrice, mnuReject]
      tools: {mnuQuerySale: {caption: 查询发货记录}}
  - set: {row: 1, FShowQty: 2}
  - componentAnswers: {credit: exceeded}
  - answers: [no]
  - save
  - expect:
      cancelled: true
      messages: [{text: 超出信用额度, caption: 信息提示, buttons: 36}]
      windows: []
)Y",
                               "asked.yaml");
    RunRecord run = RunScenario(s, Probe());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;
    // The transcript shows the windows and the calls of each step.
    EXPECT_NE(text.find("window QorHelpTip.HelpTip \"澄石提示\": 保存成功！"), std::string::npos)
        << text;
    EXPECT_NE(text.find("call QOREBSGLItem.clsBarCodeUpdate.UpdateBarCode(1030002, 16)"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("never asked for"), std::string::npos) << text;
    std::string json = RenderJson({run}, false);
    EXPECT_NE(json.find("\"component\": \"QORInvoiceManage.InvoiceManage\""), std::string::npos);
}

TEST(ScenarioComponents, ExpectationsThatDoNotHoldSayWhatWasFound) {
    Scenario s = ParseScenario(R"Y(
name: wrong expectations
today: 2026-12-10
steps:
  - new: sale
  - set: {FCustID: 101}
  - set: {row: 1, FItemID: 1001, FSCStockID: 501, FShowQty: 2, FPrice: 2, FDiscountRate: 0}
  - componentAnswers: {next: [{component: QORInvoiceManage.InvoiceManage, method: SaleBillMakeQvtInvoice, result: true}]}
  - save
  - expect:
      messages: [{text: 折扣率, caption: 澄石提示, buttons: 36}]
      activeCell: FPrice@1
      windows: [{component: QorHelpTip.HelpTip}]
      calls: [{component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, count: 1}]
      absentTools: [mnuRelatePushBill_3000001]
      invoice: {eType: 3}
)Y",
                               "wrong.yaml");
    RunRecord run = RunScenario(s, Probe());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    const auto& failures = run.steps.at(5).failures;
    std::string all;
    for (const auto& f : failures) all += f + "\n";
    EXPECT_EQ(failures.size(), 7u) << all;
    for (const char* want :
         {"has the caption \"信息提示\", expected \"澄石提示\"", "has the buttons 64, expected 36",
          "the active cell is FDiscountRate@1, expected FPrice@1",
          "QorHelpTip.HelpTip was not shown (no window was shown)",
          "CheckItemStockNum was called 0 time(s)", "has a tool mnuRelatePushBill_3000001",
          "no invoice dictionary"})
        EXPECT_NE(all.find(want), std::string::npos) << want << "\n" << all;
    // The invoice answer was never asked for.
    EXPECT_NE(RenderText(run, false).find("1 component answer(s) were never asked for"),
              std::string::npos);
}

TEST(ScenarioComponents, ContentComparesItemsListsAndParts) {
    Scenario s = ParseScenario(R"Y(
name: a component answer replaces its work
today: 2026-12-10
steps:
  - new: sale
  - set: {FCustID: 101}
  - set: {row: 1, FItemID: 1001, FSCStockID: 501, FShowQty: 2, FPrice: 2}
  - componentAnswers:
      next: [{component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, result: 3, message: 仓库盘点中}]
  - save
  - expect:
      cancelled: true
      messages: [仓库盘点中]
      calls:
        - {component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, args: [SAVE, {Rows: [{FItemID: 1001}, {FItemID: 1}]}]}
        - {component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, args: [SAVE, {Rows: {"1": {FQty: 3}}}]}
        - {component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, args: [SAVE, {Nope: 1}]}
        - {component: QOR_CC_PlugIns.clsStockInfo, method: CheckItemStockNum, args: [SAVE, ~, "", x]}
)Y",
                               "content.yaml");
    RunRecord run = RunScenario(s, Probe());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    const auto& failures = run.steps.at(5).failures;
    std::string all;
    for (const auto& f : failures) all += f + "\n";
    ASSERT_EQ(failures.size(), 4u) << all;
    EXPECT_NE(failures[0].find("argument 2.Rows: has 1 items, expected 2"), std::string::npos)
        << all;
    EXPECT_NE(failures[1].find("argument 2.Rows.1.FQty: is \"2\", expected \"3\""),
              std::string::npos)
        << all;
    EXPECT_NE(failures[2].find("argument 2: has no item Nope"), std::string::npos) << all;
    EXPECT_NE(failures[3].find("it had 3 arguments"), std::string::npos) << all;
}

}  // namespace
}  // namespace qor::host::form
