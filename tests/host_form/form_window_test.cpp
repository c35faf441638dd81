// What the form window offers beyond the bill's data: the controls a plug-in adds with their
// click, paint and key events, tool shortcuts and separators, printing (with the
// save a plug-in asks for first) and the follow-on bills a push tool makes.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "host/form/controls.h"

namespace qor::host::form::test {
namespace {

using Names = std::vector<std::string>;

// The controls, keys, shortcuts, separators and prints a plug-in uses are shown working in the
// window scenario (ScenarioRun.TheWindowsControlsCaptionShortcutsAndPrintsShowInAScenario) and
// the special-price bill's tests; here what neither reaches.
TEST_F(FormTest, ControlsKeysShortcutsAndPrintsAtTheirEdges) {
    Open("xscx");
    ControlPtr button, picture;
    sink.during = [&](const std::string& ev) {
        if (ev == "AfterNewBill" && !button) {
            button = form->AddControl("CommandButton", "cmdSelCust", "FCUSTOMER");
            picture = form->AddControl("PictureBox", "pic", "FCUSTOMER");
        }
        std::vector<Value> line{Value("提示：")};
        if (ev == "ControlPaint") picture->Call("Print", line);
    };
    ASSERT_TRUE(form->NewBill().done);
    ASSERT_TRUE(button && picture);
    EXPECT_EQ(form->Control("CMDSELCUST"), button);
    EXPECT_EQ(form->AddControl("CommandButton", "cmdSelCust"), button) << "the name is taken";
    // Painting again starts on a clear box, whose text only painting writes.
    std::vector<Value> none;
    picture->Call("Refresh", none);
    EXPECT_EQ(picture->GetProperty("Text").ToString(), "提示：");
    EXPECT_THROW(picture->SetProperty("Text", Value("x")), HostError);
    sink.calls.clear();
    ASSERT_TRUE(form->ClickControl("cmdSelCust").done);
    EXPECT_EQ(sink.calls.at(0).detail, "cmdSelCust");
    button->SetProperty("Enabled", Value(false));
    EXPECT_FALSE(form->ClickControl("cmdSelCust").done);
    EXPECT_FALSE(form->ClickControl("FCUSTOMER").done) << "a header box is no button";
    EXPECT_FALSE(form->ClickControl("cmdNothing").done);
    EXPECT_EQ(sink.Names(), (Names{"ControlClick"}));

    // Keys reach the plug-in one by one with their code; what it lets through is the user's edit.
    sink.calls.clear();
    sink.swallow = "a";
    ASSERT_TRUE(form->PressKeys("FNote", "a周x").done);
    EXPECT_EQ(form->GetFieldValue("FNote").ToString(), "周x");
    EXPECT_EQ(sink.CycleNames(), (Names{"ControlKeyPress", "ControlKeyPress", "ControlKeyPress",
                                        "BeginEdit", "Change"}));
    EXPECT_EQ(sink.calls[0].detail, "FNote|97");
    EXPECT_EQ(sink.calls[1].detail, "FNote|21608");
    EXPECT_FALSE(form->PressKeys("FStatus", "1").done) << "a locked box takes no keys";
    EXPECT_FALSE(form->PressKeys("FItemID", "1").done) << "an entry field has no box";

    // Shortcuts in any letter case; separators are no tools.
    auto bar = form->MenuBar();
    auto band = std::dynamic_pointer_cast<MenuBand>(bar->Band("BandToolBar"));
    auto invalid = bar->CreateTool("mnuInvalidBill");
    invalid->SetShortcut("F9");
    ASSERT_TRUE(band->AddSeparator("mnuFileExit"));
    ASSERT_TRUE(band->AddTool(invalid, "mnuFileExit"));
    auto keys = band->ToolKeys();
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "-"), 0);
    sink.calls.clear();
    ASSERT_TRUE(form->PressShortcut("f9").done);
    EXPECT_EQ(sink.calls.at(0).detail, "mnuInvalidBill");
    EXPECT_TRUE(band->RemoveTool("mnuInvalidBill"));
    EXPECT_FALSE(band->RemoveTool("-"));
    EXPECT_FALSE(form->PressShortcut("F8").done);
}

// Printing: the host prints the bill as it is shown, and records whether a plug-in had it saved
// first; a cancelled print prints nothing.
TEST_F(FormTest, PrintingRecordsWhetherTheBillWasSavedFirst) {
    NewSaleWithRow();
    ASSERT_TRUE(form->ClickTool("mnuFilePreview").done);
    sink.during = [&](const std::string& ev) {
        if (ev == "MenuBarClick" && sink.calls.back().detail == "mnuFilePrint")
            form->BillForm()->SaveBill();
    };
    ASSERT_TRUE(form->ClickTool("mnuFilePrint").done);
    const auto& prints = form->Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_TRUE(prints[0].preview);
    EXPECT_TRUE(prints[0].unsaved);
    EXPECT_FALSE(prints[0].savedFirst);
    EXPECT_FALSE(prints[1].preview);
    EXPECT_TRUE(prints[1].savedFirst);
    EXPECT_FALSE(prints[1].unsaved);
    EXPECT_EQ(prints[1].billNo, "XOUT000009");
    sink.cancel = {"MenuBarClick"};
    sink.during = nullptr;
    EXPECT_TRUE(form->ClickTool("mnuFilePrint").cancelled);
    EXPECT_EQ(form->Prints().size(), 2u);
}

// A push tool of a saved order asks for a sales bill drawn from it; the new bill goes through
// the source cycle without the selection tool, and the host raises Change with the flag -1 for
// every field it filled.
TEST_F(FormTest, APushToolMakesAFollowOnBillFromTheOpenBill) {
    Open("order");
    ASSERT_TRUE(form->LoadBill(1).done);
    EXPECT_FALSE(form->ClickTool("mnuRelatePushBill_1050001").done) << "no such form here";
    EXPECT_FALSE(form->TakeFollowOn());
    ASSERT_TRUE(form->ClickTool("mnuRelatePushBill_1030002").done);
    auto followOn = form->TakeFollowOn();
    ASSERT_TRUE(followOn);
    EXPECT_FALSE(form->TakeFollowOn()) << "taken once";
    EXPECT_EQ(followOn->targetClass, 1030002);
    EXPECT_EQ(followOn->sourceClass, 1030001);
    ASSERT_EQ(followOn->sources.size(), 1u);
    EXPECT_EQ(followOn->sources[0].id, 1);

    Open("sale", /*freshDatabase=*/false);
    ASSERT_TRUE(form->NewFromSources(followOn->sourceClass, followOn->sources).done);
    Names n = sink.CycleNames();
    n.erase(std::remove(n.begin(), n.end(), "Change"), n.end());
    ASSERT_GE(n.size(), 6u);
    EXPECT_EQ(Names(n.begin(), n.begin() + 5),
              (Names{"MenuBarInitialize", "AfterNewBill", "BeforeSelBills",
                     "AfterSelBillBeforeFillData", "AfterFillRow"}));
    EXPECT_EQ(n.back(), "AfterSelBill");
    EXPECT_GE(form->FilledRows(), 1);
    EXPECT_EQ(Num("FID_SRC", 1), 1);
    // The fills' Change events carry the flag; the item and quantity are among them.
    auto& filled = sink.filledChanges;
    EXPECT_NE(std::find(filled.begin(), filled.end(), "FItemID@1"), filled.end());
    EXPECT_NE(std::find(filled.begin(), filled.end(), "FShowQty@1"), filled.end());
    EXPECT_EQ(std::find(filled.begin(), filled.end(), "FEntryID_SRC@1"), filled.end());

    // An unsaved bill pushes nothing.
    Open("order", /*freshDatabase=*/false);
    form->NewBill();
    EXPECT_FALSE(form->ClickTool("mnuRelatePushBill_1030002").done);
    EXPECT_FALSE(form->TakeFollowOn());
}

}  // namespace
}  // namespace qor::host::form::test
