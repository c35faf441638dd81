// The bill form's event cycles: order and arguments of the events, Cancel at each cancellable
// point, the old value during Change, formulas and locks, saving and loading.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace qor::host::form::test {
namespace {

using Names = std::vector<std::string>;

TEST_F(FormTest, NewBillOpensTheMenusOnceAndRaisesAfterNewBill) {
    Open("sale");
    ASSERT_TRUE(form->NewBill().done);
    ASSERT_TRUE(form->NewBill().done);
    EXPECT_EQ(sink.Names(), (Names{"MenuBarInitialize", "AfterNewBill", "AfterNewBill"}));
    EXPECT_EQ(form->BillStatus(), 1);
    EXPECT_EQ(form->GetFieldValue("FDate").ToString(), "2026-12-10");
    EXPECT_EQ(form->GetFieldValue("FBillTypeID").ToNumber(), 3001);
    EXPECT_EQ(form->GetFieldValue("FBillNo").ToString(), "XOUT000009");
    EXPECT_EQ(form->GridMaxDataRowNum(), 1);
    EXPECT_EQ(form->FilledRows(), 0);
    EXPECT_FALSE(form->BillForm()->IsDataChanged());
}

TEST_F(FormTest, UserEditRunsTheFormulasThenChangeWithTheOldValueStillInTheCell) {
    NewSaleWithRow();
    std::string fldDuringChange, valueDuringChange;
    sink.during = [&](const std::string& ev) {
        if (ev != "Change") return;
        fldDuringChange = form->GetDataFldbyKey("FShowQty", 1)->Get("FFLD").ToString();
        valueDuringChange = form->GetFieldValue("FShowQty", 1).ToString();
        // The formulas already ran on the new quantity.
        EXPECT_DOUBLE_EQ(form->GetFieldValue("FAmount", 1).ToNumber(), 30);
    };
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(12)).done);
    EXPECT_EQ(fldDuringChange, "10");
    EXPECT_EQ(valueDuringChange, "12");
    EXPECT_EQ(form->GetDataFldbyKey("FShowQty", 1)->Get("FFLD").ToString(), "12");
    EXPECT_EQ(form->GetDataFldbyKey("FShowQty", 1)->Get("FModify").ToNumber(), 1);
    // BeginEdit, then per action BeforeDoAction, BeforeDoAction2, AfterDoAction2, then Change.
    EXPECT_EQ(sink.Names(),
              (Names{"BeginEdit", "BeforeDoAction", "BeforeDoAction2", "AfterDoAction2",
                     "BeforeDoAction", "BeforeDoAction2", "AfterDoAction2", "Change"}));
    EXPECT_EQ(sink.calls[1].detail, "FShowQty|FAction|Calculate|FQty=FShowQty*FCoefficient");
    EXPECT_EQ(sink.calls.back().detail, "FShowQty@1");
    ASSERT_TRUE(sink.lastChangeData);
    EXPECT_EQ(sink.lastChangeData->Get("FFLD").ToNumber(), 12);
    EXPECT_EQ(sink.lastChangeDesc->Get("FKey").ToString(), "FShowQty");
    EXPECT_DOUBLE_EQ(Num("FQty", 1), 12);
    EXPECT_DOUBLE_EQ(Num("FAmount", 1), 30);
    EXPECT_DOUBLE_EQ(Num("FTaxAmount", 1), 3.9);
    EXPECT_DOUBLE_EQ(Num("FInTaxAmount", 1), 33.9);
}

// Cancel in Change stops the host's own work on the edit, nothing more: the typed value, what
// the formulas computed from it and what the handler wrote stay; the chosen record's event data
// are not taken into the cell.
TEST_F(FormTest, CancelInChangeKeepsWhatWasTypedAndWritten) {
    NewSaleWithRow();
    sink.cancel = {"Change"};
    sink.during = [&](const std::string& ev) {
        if (ev == "Change") form->SetFieldValue("FNote", Value("written by the handler"));
    };
    auto extras = Collection::Make({{"FChosenBy", Value("picker")}});
    ActionResult r = form->UserEdit("FShowQty", 1, Value(99), extras);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.done);
    EXPECT_EQ(r.cancelledBy, "Change");
    EXPECT_DOUBLE_EQ(Num("FShowQty", 1), 99);
    EXPECT_DOUBLE_EQ(Num("FAmount", 1), 247.5);
    EXPECT_DOUBLE_EQ(Num("FQty", 1), 99);
    EXPECT_EQ(form->GetFieldValue("FNote").ToString(), "written by the handler");
    auto cell = form->GetDataFldbyKey("FShowQty", 1);
    EXPECT_EQ(cell->Get("FModify").ToNumber(), 1);
    EXPECT_FALSE(cell->Exists("FChosenBy"));
    // Without the cancel the event data go into the cell.
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(98), extras).done);
    EXPECT_EQ(form->GetDataFldbyKey("FShowQty", 1)->Get("FChosenBy").ToString(), "picker");
}

// A tail rule: the user changes the amount by a tail, the handler lets the tax absorb it and
// cancels. The cell keeps the value from before the edit in "FFLD" for the whole edit, even
// though the handler writes the edited cell back in AfterDoAction2.
TEST_F(FormTest, TheCellKeepsItsOldValueForTheWholeEditWhoeverWritesIt) {
    NewSaleWithRow();  // amount 25, tax 3.25, total 28.25
    std::vector<std::string> seen;
    sink.during = [&](const std::string& ev) {
        auto cell = form->GetDataFldbyKey("FAmount", 1);
        if (ev == "AfterDoAction2" && seen.empty()) form->SetFieldValue("FAmount", Value(25.04), 1);
        if (ev == "AfterDoAction2" || ev == "Change")
            seen.push_back(ev + " " + cell->Get("FFLD").ToString() + " " +
                           form->GetFieldValue("FAmount", 1).ToString());
        if (ev == "Change") {
            // The tax absorbs the tail, the total stays.
            double old = cell->Get("FFLD").ToNumber();
            double now = form->GetFieldValue("FAmount", 1).ToNumber();
            form->SetFieldValue("FTaxAmount", Value(3.25 - (now - old)), 1);
            form->SetFieldValue("FInTaxAmount", Value(28.25), 1);
        }
    };
    sink.cancel = {"Change"};
    EXPECT_TRUE(form->UserEdit("FAmount", 1, Value(25.03)).cancelled);
    ASSERT_GE(seen.size(), 2u);
    for (const auto& s : seen) EXPECT_EQ(s.substr(s.find(' ') + 1, 3), "25 ") << s;
    EXPECT_EQ(seen.back(), "Change 25 25.04");
    EXPECT_NEAR(Num("FAmount", 1), 25.04, 1e-9);
    EXPECT_NEAR(Num("FTaxAmount", 1), 3.21, 1e-9);
    EXPECT_NEAR(Num("FInTaxAmount", 1), 28.25, 1e-9);
    EXPECT_EQ(form->GetDataFldbyKey("FAmount", 1)->Get("FFLD").ToNumber(), 25.04);
}

TEST_F(FormTest, CancelInBeforeDoActionSkipsOnlyThatAction) {
    NewSaleWithRow();
    ASSERT_TRUE(form->UserEdit("FDiscountRate", 1, Value(80)).done);
    sink.calls.clear();
    sink.during = [&](const std::string& ev) {
        if (ev == "BeforeDoAction" &&
            sink.calls.back().detail.find("*100/FDiscountRate") != std::string::npos)
            sink.cancel.push_back("BeforeDoAction");
    };
    ASSERT_TRUE(form->UserEdit("FTaxPrice", 1, Value(2.26)).done);
    // The discounted price follows the tax-inclusive price, the list price stays.
    EXPECT_NEAR(Num("FPriceDiscount", 1), 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(Num("FPrice", 1), 2.5);
    EXPECT_NEAR(Num("FAmount", 1), 20, 1e-9);
    Names n = sink.Names();
    EXPECT_EQ(std::count(n.begin(), n.end(), "BeforeDoAction"), 3);
    EXPECT_EQ(std::count(n.begin(), n.end(), "AfterDoAction2"), 2);

    // Without the veto the formula moves the list price: 2.26 / 1.13 * 100 / 80 = 2.5.
    sink.during = nullptr;
    ASSERT_TRUE(form->UserEdit("FTaxPrice", 1, Value(3.39)).done);
    EXPECT_NEAR(Num("FPrice", 1), 3.75, 1e-9);
}

TEST_F(FormTest, ADivisionByZeroSkipsThatAssignmentOnly) {
    NewSaleWithRow();
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(0)).done);
    form->TakeNotes();
    ASSERT_TRUE(form->UserEdit("FAmount", 1, Value(50)).done);
    // FPriceDiscount=FAmount/FShowQty cannot be computed: the price stays; the tax follows.
    EXPECT_DOUBLE_EQ(Num("FPriceDiscount", 1), 2.5);
    EXPECT_DOUBLE_EQ(Num("FTaxAmount", 1), 6.5);
    auto notes = form->TakeNotes();
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes[0].find("division by zero"), std::string::npos) << notes[0];
}

TEST_F(FormTest, ItemLockConditionsFollowTheItemsBatchManagement) {
    Open("sale");
    form->NewBill();
    ASSERT_TRUE(form->UserEdit("FItemID", 1, Value(1001)).done);  // no batches
    EXPECT_TRUE(form->IsCellLocked("FBatchNo", 1));
    EXPECT_TRUE(form->BillCtl()->IsFieldLockRunTime(form->GetFieldInfoByKey("FBatchNo"), 1));
    EXPECT_FALSE(form->UserEdit("FBatchNo", 1, Value("B1")).done);
    ASSERT_TRUE(form->UserEdit("FItemID", 2, Value("02.004")).done);  // batch managed, by number
    EXPECT_EQ(Num("FItemID", 2), 1008);
    EXPECT_FALSE(form->IsCellLocked("FBatchNo", 2));
    ASSERT_TRUE(sink.lastItemProps);
    EXPECT_TRUE(sink.lastItemProps->Get("FIsBatchNoManage").ToBool());
    EXPECT_TRUE(sink.lastChangeData->Get("FIsBatchNoManage").ToBool());
    // A field lock set by a plug-in locks every row.
    form->GetFieldInfoByKey("FSCStockID")->Set("FieldLock", Value(true));
    EXPECT_TRUE(form->IsCellLocked("FSCStockID", 2));
    EXPECT_FALSE(form->UserEdit("FSCStockID", 2, Value(501)).done);
    form->GetFieldInfoByKey("FCostPrice")->Set("Visible", Value(false));
    EXPECT_FALSE(form->UserEdit("FCostPrice", 2, Value(1)).done);
    EXPECT_FALSE(form->UserEdit("FShowQty", 2, Value("ten")).done);
    EXPECT_FALSE(form->UserEdit("FCustID", -1, Value("no such customer")).done);
}

// The auxiliary property can be entered only for items that carry auxiliary properties; the
// checks that skip a locked FAuxPropID rely on it, on new and on loaded rows alike.
TEST_F(FormTest, TheAuxiliaryPropertyIsLockedForItemsWithoutAuxiliaryProperties) {
    Open("sale");
    form->NewBill();
    EXPECT_TRUE(form->UserEdit("FItemID", 1, Value(1001)).done);
    EXPECT_TRUE(form->UserEdit("FItemID", 2, Value(1012)).done);  // sizes and colours
    EXPECT_TRUE(form->IsCellLocked("FAuxPropID", 1));
    EXPECT_FALSE(form->IsCellLocked("FAuxPropID", 2));
    EXPECT_FALSE(form->UserEdit("FAuxPropID", 1, Value(0)).done);
    ASSERT_TRUE(form->UserEdit("FItemID", 2, Value(1002)).done);
    EXPECT_TRUE(form->IsCellLocked("FAuxPropID", 2));
    ASSERT_TRUE(form->UserEdit("FItemID", 1, Value(1013)).done);
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(1)).done);
    ASSERT_TRUE(form->Save().done);
    int32_t id = form->CurBillID();
    Open("sale", /*freshDatabase=*/false);
    ASSERT_TRUE(form->LoadBill(id).done);
    EXPECT_FALSE(form->IsCellLocked("FAuxPropID", 1));
    EXPECT_TRUE(form->IsCellLocked("FAuxPropID", 2));
}

TEST_F(FormTest, SaveStoresWhatTheFormShowsAndLoadBringsItBackIdentical) {
    NewSaleWithRow();
    ASSERT_TRUE(form->UserEdit("FItemID", 2, Value(1008)).done);
    ASSERT_TRUE(form->UserEdit("FBatchNo", 2, Value("QD'2026")).done);
    ASSERT_TRUE(form->UserEdit("FKFDate", 2, Value("2026/11/5")).done);
    ASSERT_TRUE(form->UserEdit("FShowQty", 2, Value(3)).done);
    ASSERT_TRUE(form->UserEdit("FExplanation", -1, Value("门店补货 'urgent'")).done);
    form->AddRow();  // an empty third row is not stored
    sink.calls.clear();
    ASSERT_TRUE(form->Save().done);
    EXPECT_EQ(sink.Names(), (Names{"MenuBarClick", "BeforeSave", "AfterSave", "SaveBillSuccess"}));
    EXPECT_EQ(sink.calls[0].detail, "mnuEditFileSave");
    int32_t id = form->CurBillID();
    EXPECT_GT(id, 12);
    EXPECT_EQ(sink.calls[2].detail, std::to_string(id));
    EXPECT_EQ(form->GridMaxDataRowNum(), 2);
    EXPECT_EQ(form->BillStatus(), 0);
    EXPECT_FALSE(form->BillForm()->IsDataChanged());
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBillEntry Where FID=" + std::to_string(id)), 2);
    EXPECT_EQ(Count("Select FClassTypeID From t_CC_StockBill Where FID=" + std::to_string(id)),
              1030002);
    auto header = form->HeaderValues();
    auto rows = form->RowValues();

    Open("sale", /*freshDatabase=*/false);
    ActionResult loaded = form->LoadBill(id);
    ASSERT_TRUE(loaded.done) << loaded.note;
    EXPECT_EQ(sink.CycleNames(),
              (Names{"BeforLoadBillFillData", "MenuBarInitialize", "AfterLoadBill"}));
    // Each filled row ran its three load actions (the batch and auxiliary-property locks).
    EXPECT_EQ(sink.calls.size(), 3u + 2 * 3 * 3);
    EXPECT_EQ(form->HeaderValues(), header);
    EXPECT_EQ(form->RowValues(), rows);
    EXPECT_EQ(form->GetFieldValue("FExplanation").ToString(), "门店补货 'urgent'");
    EXPECT_EQ(form->GetFieldValue("FKFDate", 2).ToString(), "2026-11-05");
    EXPECT_EQ(form->GetDataFldbyKey("FCustID")->Get("FDSP").ToString(), "杭州联华华商集团有限公司");
    EXPECT_TRUE(form->IsCellLocked("FBatchNo", 1));  // load actions ran again
    EXPECT_FALSE(form->IsCellLocked("FBatchNo", 2));

    // Saving again keeps the bill and its entry identifiers.
    auto entry1 = Num("FEntryID", 1);
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(20)).done);
    EXPECT_EQ(form->BillStatus(), 2);
    ASSERT_TRUE(form->Save().done);
    EXPECT_EQ(form->CurBillID(), id);
    EXPECT_EQ(Num("FEntryID", 1), entry1);
    EXPECT_EQ(Count("Select FShowQty From t_CC_StockBillEntry Where FEntryID=" +
                    std::to_string(static_cast<long>(entry1))),
              20);
}

// A stored bill opened in a form: its data are there when the menus are set up, and a bill
// opened for editing is in the edit state before any of its events.
TEST_F(FormTest, OpeningAStoredBillShowsItsDataToMenuBarInitialize) {
    for (bool forEdit : {false, true}) {
        Open("order");
        std::string seenNo;
        std::vector<int> states;
        sink.during = [&](const std::string& ev) {
            if (ev == "MenuBarInitialize") seenNo = form->GetFieldValue("FBillNo").ToString();
            if (ev == "MenuBarInitialize" || ev == "AfterLoadBill" || ev == "BeforLoadBillFillData")
                states.push_back(form->BillStatus());
        };
        ASSERT_TRUE(form->LoadBill(1, forEdit).done);
        EXPECT_EQ(seenNo, "SEORD000001");
        int want = forEdit ? 2 : 0;
        EXPECT_EQ(states, (std::vector<int>{want, want, want})) << forEdit;
        EXPECT_EQ(form->BillStatus(), want);
        // The form's later bills do not set the menus up again.
        sink.calls.clear();
        ASSERT_TRUE(form->LoadBill(2).done);
        EXPECT_EQ(sink.CycleNames(), (Names{"BeforLoadBillFillData", "AfterLoadBill"}));
    }
}

// After a check or an uncheck the form shows the bill as stored, so the plug-in sets its tools
// for the new status as it does after any load.
TEST_F(FormTest, CheckAndUncheckShowTheStoredBillAgain) {
    NewSaleWithRow();
    ASSERT_TRUE(form->Save().done);
    std::vector<double> statusAtLoad;
    sink.during = [&](const std::string& ev) {
        if (ev == "AfterLoadBill")
            statusAtLoad.push_back(form->GetFieldValue("FStatus").ToNumber());
    };
    sink.calls.clear();
    ASSERT_TRUE(form->Check().done);
    EXPECT_EQ(sink.CycleNames(),
              (Names{"MenuBarClick", "BusinessCheck", "BeforLoadBillFillData", "AfterLoadBill"}));
    ASSERT_TRUE(form->Uncheck().done);
    EXPECT_EQ(statusAtLoad, (std::vector<double>{1, 0}));
    EXPECT_EQ(form->BillStatus(), 0);
    EXPECT_FALSE(form->BillForm()->IsDataChanged());
}

TEST_F(FormTest, ACancelledSaveStoresNothing) {
    NewSaleWithRow();
    long before = Count("Select Count(*) From t_CC_StockBill");
    for (const char* at : {"MenuBarClick", "BeforeSave"}) {
        sink.calls.clear();
        sink.cancel = {at};
        ActionResult r = form->Save();
        EXPECT_TRUE(r.cancelled) << at;
        EXPECT_EQ(r.cancelledBy, at);
        EXPECT_EQ(sink.Names().back(), at);
        EXPECT_EQ(form->CurBillID(), 0);
        EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill"), before);
    }
    // A disabled save tool cannot be clicked at all.
    form->SetBarStatus("mnuEditFileSave", "Enabled", false);
    sink.calls.clear();
    ActionResult r = form->Save();
    EXPECT_FALSE(r.done);
    EXPECT_FALSE(r.cancelled);
    EXPECT_TRUE(sink.calls.empty());
    // The form object's SaveBill saves whatever the tool's state.
    EXPECT_TRUE(form->BillForm()->SaveBill());
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill"), before + 1);
}

TEST_F(FormTest, CheckAndUncheckStoreTheStatusUnlessCancelled) {
    NewSaleWithRow();
    EXPECT_FALSE(form->Check().done);  // not saved yet
    ASSERT_TRUE(form->Save().done);
    const std::string id = std::to_string(form->CurBillID());
    const std::string bill = " From t_CC_StockBill Where FID=" + id;
    auto status = [&] { return Count("Select FStatus" + bill); };
    sink.calls.clear();
    sink.cancel = {"BusinessCheck"};
    EXPECT_TRUE(form->Check().cancelled);
    EXPECT_EQ(sink.Names(), (Names{"MenuBarClick", "BusinessCheck"}));
    EXPECT_EQ(status(), 0);
    ASSERT_TRUE(form->Check().done);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(Count("Select FCheckerID" + bill), 16394);
    EXPECT_EQ(Num("FStatus"), 1);
    EXPECT_FALSE(form->Check().done);
    sink.cancel = {"UnBusinessCheck"};
    EXPECT_TRUE(form->Uncheck().cancelled);
    EXPECT_EQ(status(), 1);
    ASSERT_TRUE(form->Uncheck().done);
    EXPECT_EQ(status(), 0);
    sink.cancel = {"MenuBarClick"};
    EXPECT_TRUE(form->DeleteBill().cancelled);
    EXPECT_EQ(Count("Select Count(*)" + bill), 1);
    ASSERT_TRUE(form->DeleteBill().done);
    EXPECT_EQ(Count("Select Count(*)" + bill), 0);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBillEntry Where FID=" + id), 0);
}

// The list deletes the bill while its form is open: saving or checking the form afterwards
// fails and keeps the edits, and leaves no entries behind that belong to no bill.
TEST_F(FormTest, ABillDeletedWhileOpenIsNeitherSavedNorChecked) {
    NewSaleWithRow();
    ASSERT_TRUE(form->Save().done);
    const std::string id = std::to_string(form->CurBillID());
    db->Execute("Delete From t_CC_StockBillEntry Where FID=" + id);
    db->Execute("Delete From t_CC_StockBill Where FID=" + id);
    ASSERT_TRUE(form->UserEdit("FShowQty", 1, Value(7)).done);
    ActionResult r = form->Save();
    EXPECT_FALSE(r.done);
    EXPECT_NE(r.note.find("deleted meanwhile"), std::string::npos) << r.note;
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBillEntry Where FID=" + id), 0);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID=" + id), 0);
    EXPECT_DOUBLE_EQ(Num("FShowQty", 1), 7);
    EXPECT_FALSE(form->Check().done);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID=" + id), 0);
}

TEST_F(FormTest, RowsAreAddedAndDeletedWithTheirEvents) {
    NewSaleWithRow();
    ASSERT_TRUE(form->UserEdit("FItemID", 3, Value(1017)).done);  // rows 2 and 3 come into being
    EXPECT_EQ(sink.CycleNames(),
              (Names{"AddNewRow", "AddNewRow", "EntryGridRow", "BeginEdit", "Change"}));
    EXPECT_EQ(sink.calls[0].detail, "2,2");
    sink.calls.clear();
    sink.cancel = {"BeforeDeleteRow"};
    EXPECT_TRUE(form->DeleteRow(1).cancelled);
    EXPECT_EQ(form->GridMaxDataRowNum(), 3);
    ASSERT_TRUE(form->DeleteRow(1).done);
    EXPECT_EQ(sink.Names(), (Names{"BeforeDeleteRow", "BeforeDeleteRow", "AfterDeleteRow"}));
    EXPECT_EQ(sink.calls.back().detail, "2,1");
    EXPECT_EQ(form->GridMaxDataRowNum(), 2);
    EXPECT_EQ(Num("FItemID", 2), 1017);
    EXPECT_FALSE(form->DeleteRow(7).done);
    // A plug-in that takes a row out of the entry data leaves the rows renumbered.
    sink.during = [&](const std::string& ev) {
        if (ev == "MenuBarClick") form->BillData()->Sub("Page2")->Remove("1");
    };
    sink.calls.clear();
    form->ClickTool("mnuFilePrint");
    EXPECT_EQ(form->GridMaxDataRowNum(), 1);
    EXPECT_EQ(Num("FItemID", 1), 1017);
    EXPECT_EQ(form->BillData()->Sub("Page2")->Get("Size").ToNumber(), 1);
}

// The user's cursor entering another entry row raises EntryGridRow (the row is its second
// value), whether the user edits a cell there or just moves to it; staying on the row, a
// header edit and a plug-in's SetActiveCell raise nothing.
TEST_F(FormTest, TheCursorEnteringAnotherRowRaisesEntryGridRow) {
    NewSaleWithRow();  // the cursor is on FShowQty of row 1
    auto col = [&](const char* key) {
        std::vector<Value> args{Value(key)};
        return std::to_string(
            static_cast<int>(form->Control("grid")->Call("ColOfKey", args).ToNumber()));
    };
    auto rowEvents = [&] {
        std::vector<std::string> out;
        for (const auto& c : sink.calls)
            if (c.name == "EntryGridRow") out.push_back(c.detail);
        return out;
    };
    ASSERT_TRUE(form->UserEdit("FItemID", 2, Value(1017)).done);
    ASSERT_TRUE(form->UserEdit("FShowQty", 2, Value(3)).done);
    ASSERT_TRUE(form->UserEdit("FNote", -1, Value("header")).done);
    form->SetActiveCell("FPrice", 1);
    ASSERT_TRUE(form->MoveCursor("", 2).done);
    ASSERT_TRUE(form->MoveCursor("FShowQty", 2).done);
    EXPECT_FALSE(form->MoveCursor("", 5).done);
    EXPECT_FALSE(form->MoveCursor("FNote", 1).done);
    EXPECT_EQ(rowEvents(), (std::vector<std::string>{
                               col("FItemID") + "|2|" + col("FShowQty") + "|1|2|2|FItemID|0",
                               col("FPrice") + "|2|" + col("FPrice") + "|1|2|2|FPrice|1"}));
    EXPECT_EQ(form->ActiveKey(), "FShowQty");
    EXPECT_EQ(form->ActiveRow(), 2);
}

TEST_F(FormTest, CopyKeepsTheRowsAndMakesANewUncheckedBill) {
    NewSaleWithRow();
    ASSERT_TRUE(form->Save().done);
    ASSERT_TRUE(form->Check().done);
    sink.calls.clear();
    ASSERT_TRUE(form->CopyBill().done);
    EXPECT_EQ(sink.CycleNames(), (Names{"MenuBarClick", "AfterCopyBill"}));
    EXPECT_EQ(form->CurBillID(), 0);
    EXPECT_EQ(form->BillStatus(), 1);
    EXPECT_EQ(Num("FStatus"), 0);
    EXPECT_EQ(Num("FEntryID", 1), 0);
    EXPECT_DOUBLE_EQ(Num("FAmount", 1), 25);
    EXPECT_EQ(form->GetFieldValue("FBillNo").ToString(), "XOUT000010");
}

TEST_F(FormTest, SourceSelectionCopiesRowsWithTheirLinksAndHonoursTheFilter) {
    Open("sale");
    form->NewBill();
    sink.calls.clear();
    // Order 1 (SEORD000001) is checked; its entries become rows.
    ASSERT_TRUE(form->SelectSources(1030001, {{1, 0}}).done);
    Names n = sink.CycleNames();
    n.erase(std::remove(n.begin(), n.end(), "Change"), n.end());  // the fills' own Changes
    ASSERT_GE(n.size(), 5u);
    EXPECT_EQ(
        Names(n.begin(), n.begin() + 4),
        (Names{"MenuBarClick", "BeforeSelBills", "AfterSelBillBeforeFillData", "AfterFillRow"}));
    EXPECT_EQ(n.back(), "AfterSelBill");
    EXPECT_GE(form->FilledRows(), 1);
    EXPECT_EQ(Num("FID_SRC", 1), 1);
    EXPECT_EQ(Num("FClassID_SRC", 1), 1030001);
    EXPECT_EQ(form->GetFieldValue("FBillNo_SRC", 1).ToString(), "SEORD000001");
    EXPECT_GT(Num("FEntryID_SRC", 1), 0);
    EXPECT_GT(Num("FCustID"), 0);
    // A condition the plug-in puts in front keeps every source out.
    Open("sale");
    form->NewBill();
    sink.prependCondition = " And 1=0 ";
    ActionResult r = form->SelectSources(1030001, {{1, 0}});
    EXPECT_FALSE(r.done);
    EXPECT_EQ(form->FilledRows(), 0);
    EXPECT_FALSE(form->SelectSources(1030005, {{1, 0}}).done);
}

TEST_F(FormTest, ExchangeBillRunsTheTwinFormulasOnTheTwinSet) {
    Open("salechange");
    form->NewBill();
    ASSERT_TRUE(form->UserEdit("FItemID01", 1, Value(1017)).done);
    ASSERT_TRUE(form->UserEdit("FPrice01", 1, Value(20)).done);
    ASSERT_TRUE(form->UserEdit("FShowQty01", 1, Value(3)).done);
    EXPECT_DOUBLE_EQ(Num("FAmount01", 1), 60);
    EXPECT_DOUBLE_EQ(Num("FAmount", 1), 0);
    EXPECT_TRUE(form->IsCellLocked("FBatchNo01", 1));
    EXPECT_FALSE(form->IsCellLocked("FBatchNo", 1));
}

TEST_F(FormTest, StatusPanelsControlsAndFormObject) {
    NewSaleWithRow();
    form->SetStatusText(3, "往来余额100,信用额度5000");
    form->SetStatusText(9, "lost");
    EXPECT_EQ(form->StatusText(3), "往来余额100,信用额度5000");
    EXPECT_EQ(form->StatusText(9), "");
    auto grid = form->Control("GRID");
    ASSERT_TRUE(grid);
    grid->SetProperty("Col", Value(grid->GetProperty("MaxCols").ToNumber()));
    std::vector<Value> args{Value("FBatchNo")};
    int col = static_cast<int>(grid->Call("ColOfKey", args).ToNumber());
    grid->SetProperty("Col", Value(col));
    grid->SetProperty("Row", Value(1));
    EXPECT_TRUE(grid->GetProperty("Lock").ToBool());
    auto box = form->Control("FCustID");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->TypeName(), "EditPlus");
    EXPECT_EQ(box->GetProperty("ItemID").ToNumber(), 101);
    EXPECT_EQ(form->ColumnTotal(form->GetFieldInfoByKey("FAmount")), 25);
    EXPECT_TRUE(form->BillForm()->IsDataChanged());
    EXPECT_FALSE(form->BillForm()->AmountCalcPrice());
    ASSERT_TRUE(form->ClickTool("mnuOptionAmountCalcPrice").done);
    EXPECT_TRUE(form->BillForm()->AmountCalcPrice());
    // FireChange stores like a user edit and raises Change, even on a locked cell.
    sink.calls.clear();
    form->FireChange("FDiscountAmount", 1, Value(5));
    EXPECT_EQ(sink.CycleNames(), (Names{"Change"}));
    EXPECT_EQ(Num("FDiscountAmount", 1), 5);
}

// Plug-ins write the numbers they read from the database into base-data fields
// ("Select FNumber From t_Department ..."); the host resolves them as a typed number.
TEST_F(FormTest, ABaseDataNumberWrittenByAPlugInFindsItsRecord) {
    NewSaleWithRow();
    form->SetFieldValue("FDeptID", Value("02"));
    EXPECT_EQ(form->GetFieldValue("FDeptID").ToNumber(), 202) << "number 02, not identifier 2";
    EXPECT_EQ(form->GetDataFldbyKey("FDeptID")->Get("FDSP").ToString(), "销售二部");
    form->SetFieldValue("FDeptID", Value(203));
    EXPECT_EQ(form->GetFieldValue("FDeptID").ToNumber(), 203) << "a number is the identifier";
    form->SetFieldValue("FDeptID", Value("no such department"));
    EXPECT_EQ(form->GetFieldValue("FDeptID").ToNumber(), 203)
        << "an unknown number changes nothing";
    form->SetFieldValue("FDeptID", Value(""));
    EXPECT_EQ(form->GetFieldValue("FDeptID").ToNumber(), 0) << "an empty text clears the field";
}

TEST_F(FormTest, AUserEditOfAHeaderFieldOnARowIsRefused) {
    NewSaleWithRow();
    form->UserEdit("FNote", -1, Value("header note"));
    auto r = form->UserEdit("FNote", 1, Value("meant for a row"));
    EXPECT_FALSE(r.done);
    EXPECT_NE(r.note.find("header field"), std::string::npos) << r.note;
    EXPECT_EQ(form->GetFieldValue("FNote").ToString(), "header note");
}

}  // namespace
}  // namespace qor::host::form::test
