// Scenarios that check what a plug-in asked of the host's components and windows: messages
// with caption and buttons, the cursor after a refusal, windows shown, component calls with
// their arguments, the invoice dictionary, tools that must not exist, and the answers a
// scenario gives in a component's place. A stand-in sales bill does the asking.
#include <gtest/gtest.h>

#include "tests/host_form/scenario_files.h"

namespace qor::host::form {
namespace {

TEST(ScenarioComponents, ReadsTheHostSideExpectationsAndAnswers) {
    Scenario s = LoadScenario(ScenarioFile("scenarios/host_side"));
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

    ExpectParseError("name: x\nsteps:\n  - expect: {calls: [{component: QORNothing.Here}]}\n",
                     "s.yaml:3", "no host component");
    for (auto [step, what] : std::vector<std::pair<std::string, std::string>>{
             {"componentAnswers: {stockShortage: 5}", "3 or -1"},
             {"componentAnswers: {credit: maybe}", "exceeded or within"},
             {"componentAnswers: {next: [{component: QorHelpTip.HelpTip}]}",
              "component, method and result"},
             {"expect: {messages: [{caption: x}]}", "needs its text"},
             {"expect: {windows: [{titel: x}]}", "unknown key \"titel\""}})
        ExpectParseError("name: x\nsteps:\n  - " + step + "\n", "s.yaml", what);
}

TEST(ScenarioComponents, WhatTheSalesBillAskedOfTheHostHolds) {
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/asked_of_host"), StandIn());
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
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/wrong_components"), StandIn());
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
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/call_content"), StandIn());
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
