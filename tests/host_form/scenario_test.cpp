// Scenarios: parse errors name file and line; a run reports expectations that do not hold.
#include "tests/host_form/scenario_files.h"

namespace qor::host::form {
namespace {

TEST(ScenarioParse, ErrorsPointAtFileAndLine) {
    // Steps after "name: x\nsteps:\n", the line the error names and a part of its text.
    const struct {
        const char* steps;
        int line;
        const char* what;
    } cases[] = {
        {"  - new: sale\n  - sett: {FQty: 1}\n", 4, "unknown step \"sett\""},
        {"  - new: invoice\n", 3, "unknown bill kind \"invoice\""},
        {"  - load: {class: sale, id: abc}\n", 3, "must be a number"},
        {"  - new: sale\n  - set: {row: 0, FQty: 1}\n", 4, "rows are numbered from 1"},
        {"  - expect: {locked: [FBatchNo@x]}\n", 3, "the row after @"},
        {"  - expect: {tools: {mnuEditCheck: {shown: true}}}\n", 3, "unknown key \"shown\""},
        {"  - save: now\n", 3, "takes no argument"},
        {"  - focus: FShowQty\n", 3, "an entry cell"},
        {"  - focus: 0\n", 3, "numbered from 1"},
        {"  - press: {field: FNote}\n", 3, "the keys"},
        {"  - rows: {columns: [FItemID, FQty], values: [[1]]}\n", 3, "one value per column (2)"},
        {"  - rows: {columns: [Item], values: [[1]]}\n", 3, "no field key"},
        {"  - rows: {columns: [FQty], values: [[1]], repeat: 0}\n", 3, "repeat is a number"},
        {"  - expect: {printed: {kind: fax}}\n", 3, "print or preview"},
        {"  - new: sale\n   - save\n", 4, ""},
    };
    for (const auto& c : cases)
        ExpectParseError(std::string("name: x\nsteps:\n") + c.steps,
                         "s.yaml:" + std::to_string(c.line), c.what);
    ExpectParseError("name: x\nsteps: [new: sale, {set: {FQty: [1, 2]}}]\n", "s.yaml:2",
                     "single value");
    ExpectParseError("name: x\noptions: {UnderStockBeforeSave: 1}\nsteps: [save]\n", "s.yaml:2",
                     "\"A/B\"");
    ExpectParseError("steps: [save]\n", "s.yaml", "needs a name");
    ExpectParseError("name: x\nsteps: []\n", "s.yaml:2", "list of steps");
    ExpectParseError("name: x\nbogus: 1\nsteps: [save]\n", "s.yaml:2", "unknown key \"bogus\"");
}

TEST(ScenarioParse, ReadsEveryStepKind) {
    Scenario s = LoadScenario(ScenarioFile("scenarios/all_steps"));
    // The rows, focus, click and press steps are pinned by the runs below.
    ASSERT_EQ(s.steps.size(), 23u);
    EXPECT_EQ(s.steps[22].rowEdits[3].second[1].extras->Get("X").ToNumber(), 1);
    EXPECT_EQ(s.steps[22].label, "rows 2..6 (FItemID, FShowQty)");
    EXPECT_EQ(s.today, "2026-12-01");
    EXPECT_EQ(s.denied.size(), 2u);
    EXPECT_EQ(std::get<0>(s.options[0]), "IC");
    EXPECT_EQ(std::get<1>(s.profile[0]), "DoNotResetPrice");
    EXPECT_EQ(s.steps[1].billKind, "order");
    EXPECT_EQ(s.steps[3].row, 2);
    EXPECT_EQ(s.steps[3].values[1].extras->Get("FCoefficient").ToNumber(), 24);
    EXPECT_EQ(s.steps[4].answers[0].ToNumber(), 6);
    EXPECT_EQ(s.steps[4].answers[1].ToNumber(), 7);
    EXPECT_EQ(s.steps[4].answers[3].ToString(), "理由");
    EXPECT_EQ(s.steps[12].entries.size(), 3u);
    EXPECT_EQ(s.steps[13].ids, (std::vector<int32_t>{7, 9}));
    EXPECT_EQ(s.steps[18].expect.queries.size(), 1u);
    EXPECT_EQ(s.steps[18].line, 27);
}

TEST(ScenarioRun, AnExpectationThatDoesNotHoldFailsTheRunAndSaysWhy) {
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/wrong_amount"), Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    EXPECT_EQ(run.failures, 2);
    ASSERT_EQ(run.steps.size(), 4u);
    ASSERT_EQ(run.steps[2].failures.size(), 2u);
    EXPECT_EQ(run.steps[2].failures[0], "FAmount@1 is 6, expected 7");
    EXPECT_NE(run.steps[2].failures[1].find("mnuEditCheck enabled is true"), std::string::npos);
    EXPECT_TRUE(run.steps[3].failures.empty());
    std::string text = RenderText(run, false);
    EXPECT_NE(text.find("FAILED: FAmount@1 is 6, expected 7"), std::string::npos) << text;
    EXPECT_NE(RenderJson({run}, false).find("\"status\": \"failed\""), std::string::npos);
}

TEST(ScenarioRun, AStepWithoutABillMakesTheScenarioInvalid) {
    Scenario s = ParseScenario("name: x\nsteps:\n  - save\n", "nobill.yaml");
    RunRecord run = RunScenario(s, Options());
    EXPECT_NE(run.invalid.find("nobill.yaml:3"), std::string::npos) << run.invalid;
    EXPECT_NE(run.invalid.find("no bill is open"), std::string::npos) << run.invalid;
    Scenario bad = ParseScenario(
        "name: x\ndatabase: \"Insert Into nowhere Values (1)\"\nsteps: [{new: sale}]\n",
        "seed.yaml");
    RunRecord seeded = RunScenario(bad, Options());
    EXPECT_NE(seeded.invalid.find("seed.yaml:2"), std::string::npos) << seeded.invalid;
}

// Runs whose every expectation holds, each with the kind of bill open at its end and a note its
// transcript shows. Each of the seven bill kinds goes through every host cycle (cycles/):
// create, edit, save, load, edit again, save, check, uncheck, and check and uncheck from the
// list. An order saved is read back as the user sees it; the rows step types its lines in turn
// as user edits (a refused cell is noted, the other cells are typed all the same); a push tool
// of a checked order opens the follow-on sales bill in a window of its own, which saves like any
// new bill, while the refused push of an unchecked order opens nothing.
struct CleanRun {
    const char* file;
    const char* kind;
    const char* note;
};
class CleanRuns : public ::testing::TestWithParam<CleanRun> {};

TEST_P(CleanRuns, EveryExpectationHolds) {
    const CleanRun& c = GetParam();
    RunRecord run = RunScenarioFile(ScenarioFile(c.file), Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;
    EXPECT_EQ(run.billKind, c.kind);
    EXPECT_NE(text.find(c.note), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CleanRuns,
    ::testing::Values(
        CleanRun{"cycles/sale", "sale", ""}, CleanRun{"cycles/salechange", "salechange", ""},
        CleanRun{"cycles/consign", "consign", ""}, CleanRun{"cycles/order", "order", ""},
        CleanRun{"cycles/tempconsign", "tempconsign", ""}, CleanRun{"cycles/tempgj", "tempgj", ""},
        CleanRun{"cycles/xscx", "xscx", ""}, CleanRun{"scenarios/order_read_back", "order", ""},
        CleanRun{"scenarios/rows", "sale", "note: FBatchNo@2: not changed: FBatchNo is locked"},
        CleanRun{"scenarios/push", "order", "the follow-on sale bill is open as a new bill"}),
    [](const ::testing::TestParamInfo<CleanRun>& info) {
        std::string name = info.param.file;
        return name.replace(name.find('/'), 1, "_");
    });

// A plug-in that asks before saving: the transcript shows the box with its caption, buttons
// and the answer given, flags a default answer, and reports the vetoed save.
TEST(ScenarioRun, TheTranscriptShowsMessagesAnswersAndVetoes) {
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/asking"), StandIn());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;

    ASSERT_GE(run.steps.size(), 8u);
    ASSERT_EQ(run.steps[4].boxes.size(), 1u) << text;
    const BoxLine& asked = run.steps[4].boxes[0];
    EXPECT_EQ(asked.caption, "信息提示");
    EXPECT_EQ(asked.buttons, 36);
    EXPECT_EQ(asked.answer, "7");
    EXPECT_FALSE(asked.defaulted);
    EXPECT_TRUE(run.steps[4].cancelled);
    ASSERT_EQ(run.steps[6].boxes.size(), 1u);
    EXPECT_TRUE(run.steps[6].boxes[0].defaulted) << "no answer queued: the default button";
    EXPECT_NE(text.find("信息提示"), std::string::npos) << text;
    EXPECT_NE(RenderJson({run}, false).find("确认保存这张订单吗？"), std::string::npos);
}

// The grid cursor moved to a row raises EntryGridRow (the stand-in names the row in status
// panel 2). The order opened for editing shows its reject tool; the tool asks in the platform's
// text dialog (OK stays disabled for a blank reason, Cancel changes nothing), writes the rejection
// at the scenario's fixed moment and saves; the list then refuses to check the rejected order
// through Cancel, and nothing is stored.
TEST(ScenarioRun, ARejectionGoesThroughTheDialogAtTheScenariosMomentAndBlocksTheListCheck) {
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/reject"), StandIn());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;
    ASSERT_GE(run.steps.size(), 22u);
    ASSERT_EQ(run.steps[15].boxes.size(), 1u) << text;
    const BoxLine& blank = run.steps[15].boxes[0];
    EXPECT_TRUE(blank.dialog);
    EXPECT_FALSE(blank.confirmed);
    EXPECT_TRUE(blank.okDisabled);
    EXPECT_EQ(blank.caption, "驳回原因");
    EXPECT_EQ(blank.prompt, "请输入驳回原因：");
    EXPECT_NE(text.find("dialog \"驳回原因\" \"请输入驳回原因：\" -> OK \"价格有误\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("-> Cancel (OK disabled: the text is blank)"), std::string::npos);
    EXPECT_NE(RenderJson({run}, false).find("\"confirmed\": true"), std::string::npos);
}

// What a plug-in adds to the form window, seen from a scenario: the caption, a button and a
// picture box, a header box that swallows typing, a tool with a shortcut after a separator, and
// the save it asks for before a print.
TEST(ScenarioRun, TheWindowsControlsCaptionShortcutsAndPrintsShowInAScenario) {
    RunRecord run = RunScenarioFile(ScenarioFile("scenarios/window"), StandIn());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    ASSERT_EQ(run.steps.size(), 18u) << text;
    EXPECT_EQ(run.failures, 4) << text;
    const auto& wrong = run.steps.back().failures;
    ASSERT_EQ(wrong.size(), 4u) << text;
    EXPECT_EQ(wrong[0], "the form's caption is \"销售订单[修改]\", expected \"销售订单\"");
    EXPECT_EQ(wrong[1], "the form has no control nothing");
    EXPECT_NE(wrong[2].find("the band BandToolBar holds"), std::string::npos);
    EXPECT_EQ(wrong[3], "the bill was not printed");
    EXPECT_NE(text.find("note: printed bill SEORD000007, saved first"), std::string::npos) << text;
    EXPECT_NE(text.find("not done: the box FContact took none of the keys"), std::string::npos);
}

}  // namespace
}  // namespace qor::host::form
