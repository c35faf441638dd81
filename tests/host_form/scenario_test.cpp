// Scenarios: parse errors name file and line; a run reports expectations that do not hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/form/scenario.h"
#include "host/form/scenario_runner.h"

namespace qor::host::form {
namespace {

void ExpectError(const std::string& text, const std::string& where, const std::string& what) {
    try {
        ParseScenario(text, "s.yaml");
        FAIL() << "no error for:\n" << text;
    } catch (const ScenarioError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find(where), std::string::npos) << m;
        EXPECT_NE(m.find(what), std::string::npos) << m;
    }
}

TEST(ScenarioParse, ErrorsPointAtFileAndLine) {
    ExpectError("name: x\nsteps:\n  - new: sale\n  - sett: {FQty: 1}\n", "s.yaml:4",
                "unknown step \"sett\"");
    ExpectError("name: x\nsteps:\n  - new: invoice\n", "s.yaml:3", "unknown bill kind \"invoice\"");
    ExpectError("name: x\nsteps:\n  - load: {class: sale, id: abc}\n", "s.yaml:3",
                "must be a number");
    ExpectError("name: x\nsteps:\n  - new: sale\n  - set: {row: 0, FQty: 1}\n", "s.yaml:4",
                "rows are numbered from 1");
    ExpectError("name: x\nsteps:\n  - expect: {locked: [FBatchNo@x]}\n", "s.yaml:3",
                "the row after @");
    ExpectError("name: x\nsteps:\n  - expect: {tools: {mnuEditCheck: {shown: true}}}\n", "s.yaml:3",
                "unknown key \"shown\"");
    ExpectError("name: x\nsteps:\n  - save: now\n", "s.yaml:3", "takes no argument");
    ExpectError("name: x\nsteps:\n  - focus: FShowQty\n", "s.yaml:3", "an entry cell");
    ExpectError("name: x\nsteps:\n  - focus: 0\n", "s.yaml:3", "numbered from 1");
    ExpectError("name: x\nsteps:\n  - press: {field: FNote}\n", "s.yaml:3", "the keys");
    ExpectError("name: x\nsteps:\n  - rows: {columns: [FItemID, FQty], values: [[1]]}\n",
                "s.yaml:3", "one value per column (2)");
    ExpectError("name: x\nsteps:\n  - rows: {columns: [Item], values: [[1]]}\n", "s.yaml:3",
                "no field key");
    ExpectError("name: x\nsteps:\n  - rows: {columns: [FQty], values: [[1]], repeat: 0}\n",
                "s.yaml:3", "repeat is a number");
    ExpectError("name: x\nsteps:\n  - expect: {printed: {kind: fax}}\n", "s.yaml:3",
                "print or preview");
    ExpectError("name: x\nsteps: [new: sale, {set: {FQty: [1, 2]}}]\n", "s.yaml:2", "single value");
    ExpectError("name: x\noptions: {UnderStockBeforeSave: 1}\nsteps: [save]\n", "s.yaml:2",
                "\"A/B\"");
    ExpectError("name: x\nsteps:\n  - new: sale\n   - save\n", "s.yaml:4", "");
    ExpectError("steps: [save]\n", "s.yaml", "needs a name");
    ExpectError("name: x\nsteps: []\n", "s.yaml:2", "list of steps");
    ExpectError("name: x\nbogus: 1\nsteps: [save]\n", "s.yaml:2", "unknown key \"bogus\"");
}

TEST(ScenarioParse, ReadsEveryStepKind) {
    Scenario s = ParseScenario(R"(
name: all steps
today: 2026/12/1
database: "Insert Into t_Department (FItemID, FNumber, FName) Values (299, '99', 'Test');"
login: {user: 16394, industryType: 1, appType: 2, initClosed: false}
rights: {deny: [[15, 900, 32], {objectType: 40, object: 100, access: 1024}]}
options: {IC/UnderStockBeforeSave: 1}
userProfile: {1030002BillSet/DoNotResetPrice: "1"}
steps:
  - new: sale
  - load: {class: order, id: 1}
  - copy
  - set: {row: 2, FShowQty: 3, FUnitID: {value: 3012, FCoefficient: 24}}
  - answers: [yes, No, 1, "理由"]
  - menu: mnuEditCheck
  - save
  - check
  - uncheck
  - delete
  - addRow
  - deleteRow: 2
  - selectSources: {classType: 1030001, entries: [[1, 2], {id: 3}], bills: [4]}
  - list: {class: consign, select: [7, 9]}
  - listMenu: mnuEditCopy
  - listCheck
  - listUncheck
  - focus: FShowQty@2
  - expect: {header: {FCustID: 101}, rows: {1: {FQty: 2}}, cancelled: false, messages: [],
             query: {sql: "select 1", rows: [[1]]}, status: {3: x}, tools: {mnuEditCheck: {visible: false}}}
  - click: cmdSelCust
  - press: F9
  - press: {field: FCUSTOMER, keys: ab}
  - rows: {columns: [FItemID, FShowQty], from: 2, repeat: 5, values: [[1001, 1], [1002, {value: 2, X: 1}]]}
)",
                               "all.yaml");
    ASSERT_EQ(s.steps.size(), 23u);
    const auto& rows = s.steps[22].rowEdits;
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].first, 2);
    EXPECT_EQ(rows[4].first, 6);
    EXPECT_EQ(rows[4].second[0].value.ToNumber(), 1001) << "the lines are taken in turn";
    EXPECT_EQ(rows[3].second[1].extras->Get("X").ToNumber(), 1);
    EXPECT_EQ(s.steps[22].label, "rows 2..6 (FItemID, FShowQty)");
    EXPECT_EQ(s.steps[19].tool, "cmdSelCust");
    EXPECT_EQ(s.steps[20].tool, "F9");
    EXPECT_EQ(s.steps[21].key, "FCUSTOMER");
    EXPECT_EQ(s.steps[21].text, "ab");
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
    EXPECT_EQ(s.steps[17].key, "FShowQty");
    EXPECT_EQ(s.steps[17].row, 2);
    EXPECT_EQ(s.steps[18].expect.queries.size(), 1u);
    EXPECT_EQ(s.steps[18].line, 28);
}

RunOptions Options() {
    RunOptions o;
    o.pluginPath = QOR_PLUGIN_PATH;
    return o;
}

// Runs a scenario with the stand-in plug-in library of the tests (tests/support/plugin_double).
RunRecord RunWithStandIn(const std::string& yaml, const std::string& name) {
    RunOptions options;
    options.pluginPath = QOR_TEST_PLUGIN_PATH;
    return RunScenario(ParseScenario(yaml, name), options);
}

TEST(ScenarioRun, AnExpectationThatDoesNotHoldFailsTheRunAndSaysWhy) {
    Scenario s = ParseScenario(R"(
name: wrong amount
steps:
  - new: sale
  - set: {row: 1, FItemID: 1001, FPrice: 2, FShowQty: 3}
  - expect: {rows: {1: {FAmount: 7}}, locked: [FBatchNo@1], tools: {mnuEditCheck: {enabled: false}}}
  - expect: {rows: {1: {FAmount: 6.004}}, messages: []}
)",
                               "wrong.yaml");
    RunRecord run = RunScenario(s, Options());
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

TEST(ScenarioRun, ExpectationsReadTheSavedBillAsTheUserSeesIt) {
    Scenario s = ParseScenario(R"Y(
name: order saved and read back
today: 2026-12-10
steps:
  - new: order
  - set: {FCustID: 102}
  - set: {row: 1, FItemID: 1017, FPrice: 25, FShowQty: 4}
  - save
  - expect: {done: true, billStatus: 0, dataChanged: false,
             query: {sql: "Select FShowQty, FAmount From t_XS_OrderEntry Where FID=7", rows: [[4, 100]]}}
  - load: {class: order, id: 7}
  - expect: {header: {FCustID: 上海百联便利连锁有限公司, FStatus: 0}, rows: {1: {FAmount: 100}}, rowCount: 1}
  - set: {FCustID: nobody}
  - expect: {done: false}
)Y",
                               "order.yaml");
    RunRecord run = RunScenario(s, Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    EXPECT_EQ(run.failures, 0) << RenderText(run, false);
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

// Each of the seven bill kinds goes through every host cycle in a scenario: create, edit,
// save, load, edit again, save, check, uncheck, and check and uncheck from the list.
class BillKindCycle : public ::testing::TestWithParam<const char*> {};

TEST_P(BillKindCycle, RunsEveryHostCycleThroughAScenario) {
    std::string path =
        std::string(QOR_SOURCE_DIR) + "/tests/host_form/cycles/" + GetParam() + ".yaml";
    RunRecord run = RunScenarioFile(path, Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    EXPECT_EQ(run.failures, 0) << RenderText(run, false);
    EXPECT_EQ(run.billKind, GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BillKindCycle,
                         ::testing::Values("sale", "salechange", "consign", "order", "tempconsign",
                                           "tempgj", "xscx"));

// A plug-in that asks before saving: the transcript shows the box with its caption, buttons
// and the answer given, flags a default answer, and reports the vetoed save.
TEST(ScenarioRun, TheTranscriptShowsMessagesAnswersAndVetoes) {
    RunRecord run = RunWithStandIn(R"Y(
name: asked before saving
today: 2026-12-10
steps:
  - new: order
  - set: {FCustID: 102}
  - set: {row: 1, FItemID: 1017, FPrice: 25, FShowQty: 4}
  - answers: [no]
  - save
  - expect: {cancelled: true, done: false, messages: ["确认保存这张订单"],
             query: {sql: "Select Count(*) From t_XS_Order Where FCustID=102 And FDate='2026-12-10'", rows: [[0]]}}
  - save
  - expect: {cancelled: false, done: true, messages: ["确认保存"],
             query: {sql: "Select Count(*) From t_XS_Order Where FCustID=102 And FDate='2026-12-10'", rows: [[1]]}}
)Y",
                                   "asking.yaml");
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
    RunRecord run = RunWithStandIn(R"Y(
name: rejected in the dialog
today: 2026-12-10 14:30:05
steps:
  - new: order
  - expect: {tools: {mnuReject: {visible: false}}}
  - set: {FCustID: 102}
  - set: {row: 1, FItemID: 1017, FPrice: 25, FShowQty: 4}
  - set: {row: 2, FItemID: 1001}
  - expect: {status: {2: 第2行}}
  - focus: 1
  - expect: {status: {2: 第1行}}
  - focus: FShowQty@2
  - expect: {status: {2: 第2行}}
  - answers: [yes]
  - save
  - load: {class: order, id: 7, edit: true}
  - expect: {billStatus: 2, tools: {mnuReject: {visible: true}}}
  - answers: ["   "]
  - menu: mnuReject
  - answers: [cancel]
  - menu: mnuReject
  - expect: {header: {FRejected: 0, FRejectedNote: ""}, messages: ["请输入驳回原因"]}
  - answers: ["价格有误", yes]
  - menu: mnuReject
  - expect: {query: {sql: "Select FRejected, FRejectedNote, FRejectedTime From t_XS_Order Where FID=7",
                     rows: [[1, 价格有误, "2026-12-10 14:30:05"]]}}
  - list: {class: order, select: [7]}
  - listCheck
  - expect: {cancelled: true, messages: ["驳回状态"],
             query: {sql: "Select FStatus From t_XS_Order Where FID=7", rows: [[0]]}}
)Y",
                                   "reject.yaml");
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
    RunRecord run = RunWithStandIn(R"Y(
name: the order's window
today: 2026-12-10
steps:
  - new: order
  - expect: {caption: "销售订单[新增]",
             controls: {cmdContact: {visible: true, caption: "..."}, picTip: {text: 联系人}},
             bands: {BandToolBar: ["-", mnuSumUp, mnuFileExit]}, tools: {mnuSumUp: {shortcut: F9}}}
  - set: {FCustID: 102}
  - set: {row: 1, FItemID: 1017, FPrice: 25, FShowQty: 4}
  - press: {field: FContact, keys: 张三}
  - expect: {done: false, header: {FContact: ""}}
  - click: cmdContact
  - expect: {header: {FContact: 王经理}}
  - press: F9
  - expect: {header: {FAllAmount: 100}, printed: {count: 0}}
  - answers: [yes]
  - menu: mnuFilePrint
  - expect: {printed: {count: 1, kind: print, savedFirst: true},
             query: {sql: "Select FContact From t_XS_Order Where FID=7", rows: [[王经理]]}}
  - menu: mnuFilePreview
  - expect: {printed: {count: 1, kind: preview, savedFirst: false}}
  - load: {class: order, id: 7, edit: true}
  - expect: {caption: "销售订单[修改]", controls: {FContact: {enabled: true}}}
  - expect: {caption: "销售订单", bands: {BandToolBar: [mnuSumUp, "-"]},
             controls: {nothing: {visible: true}}, printed: {kind: print}}
)Y",
                                   "window.yaml");
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

// The rows step types its lines in turn as user edits; a refused cell is noted and the step is
// then not done, the other cells are typed all the same.
TEST(ScenarioRun, TheRowsStepTypesItsLinesInTurn) {
    Scenario s = ParseScenario(R"Y(
name: rows
today: 2026-12-10
steps:
  - new: sale
  - rows: {columns: [FItemID, FPrice, FShowQty], repeat: 4, values: [[1001, 2, 3], [1017, 20, 1]]}
  - expect: {done: true, rowCount: 4, rows: {3: {FItemID: 1001, FAmount: 6}, 4: {FAmount: 20}}}
  - rows: {columns: [FShowQty, FBatchNo], from: 2, values: [[5, B1]]}
  - expect: {done: false, rows: {2: {FShowQty: 5, FAmount: 100}}}
)Y",
                               "rows.yaml");
    RunRecord run = RunScenario(s, Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;
    EXPECT_NE(text.find("note: FBatchNo@2: not changed: FBatchNo is locked"), std::string::npos)
        << text;
}

// A push tool of a checked order opens the follow-on sales bill, drawn from the order, in a
// window of its own; it can be saved like any new bill.
TEST(ScenarioRun, APushToolOpensTheFollowOnBill) {
    Scenario s = ParseScenario(R"Y(
name: a sales bill pushed from an order
today: 2026-12-10
steps:
  - load: {class: order, id: 1}
  - menu: mnuRelatePushBill_1030002
  - expect: {done: true, rowCount: 3, billStatus: 1,
             header: {FBillNo_SRC: SEORD000001}, rows: {1: {FItemID: 1001, FID_SRC: 1}}}
  - save
  - expect: {done: true,
             query: {sql: "Select Count(*) From t_CC_StockBillEntry Where FID_SRC=1 And FClassID_SRC=1030001 And FID=(Select FID From t_CC_StockBill Where FBillNo='XOUT000009')",
                     rows: [[3]]}}
  - load: {class: order, id: 3}
  - menu: mnuRelatePushBill_1030002
  - expect: {done: false}
)Y",
                               "push.yaml");
    RunRecord run = RunScenario(s, Options());
    ASSERT_TRUE(run.invalid.empty()) << run.invalid;
    std::string text = RenderText(run, false);
    EXPECT_EQ(run.failures, 0) << text;
    EXPECT_NE(text.find("the follow-on sale bill is open as a new bill"), std::string::npos)
        << text;
    // The refused push of the unchecked order opens nothing: its window stays the current one.
    EXPECT_EQ(run.billKind, "order");
}

}  // namespace
}  // namespace qor::host::form
