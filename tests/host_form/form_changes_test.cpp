// What a step changed is recorded as it happens; the record must be what comparing the whole
// bill before and after would give, whoever writes the cells and however the rows move.
#include <gtest/gtest.h>

#include <functional>

#include "form_fixture.h"

namespace qor::host::form::test {
namespace {

class ChangeRecord : public FormTest {
protected:
    // Runs the step between BeginChanges and TakeChanges; the record must equal the comparison
    // of the bill's values before and after. Returns the record.
    std::vector<FieldChange> Step(const std::function<void()>& step) {
        FieldTexts before = form->CurrentTexts();
        form->BeginChanges();
        step();
        std::vector<FieldChange> recorded = form->TakeChanges();
        std::vector<FieldChange> compared = DiffTexts(before, form->CurrentTexts());
        EXPECT_EQ(recorded, compared);
        return recorded;
    }
    static std::vector<std::string> Cells(const std::vector<FieldChange>& changes) {
        std::vector<std::string> out;
        for (const auto& c : changes) out.push_back(c.cell + " " + c.before + "->" + c.after);
        return out;
    }
};

TEST_F(ChangeRecord, AUserEditRecordsTheCellsItsFormulasAndHandlersWrote) {
    NewSaleWithRow();
    sink.during = [&](const std::string& ev) {
        if (ev != "Change") return;
        // A handler writes through the host, and straight into cell data it was handed.
        form->SetFieldValue("FNote", Value("改价"));
        form->GetDataFldbyKey("FExplanation")->Set("FFLD", Value("直接写入"));
        form->GetDataFldbyKey("FCostPrice", 1)->Set("ffld", Value(1.5));
        // Written and written back: no change.
        form->SetFieldValue("FTaxRate", Value(17), 1);
        form->SetFieldValue("FTaxRate", Value(13), 1);
    };
    auto changes = Step([&] { form->UserEdit("FShowQty", 1, Value(12)); });
    auto cells = Cells(changes);
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FShowQty@1 10->12"), cells.end());
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FAmount@1 25->30"), cells.end());
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FNote ->改价"), cells.end());
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FExplanation ->直接写入"), cells.end());
    EXPECT_NE(std::find(cells.begin(), cells.end(), "FCostPrice@1 0->1.5"), cells.end());
    for (const auto& c : changes) EXPECT_NE(c.cell, "FTaxRate@1");
}

TEST_F(ChangeRecord, RowsAddedMovedAndReplacedAreRecordedAsTheWholeBillWouldShow) {
    NewSaleWithRow();
    // Typing past the last row adds rows; their defaults count, a blank that became 0 not.
    Step([&] { form->UserEdit("FItemID", 3, Value(1017)); });
    Step([&] { form->UserEdit("FShowQty", 3, Value(2)); });
    // A deleted row moves the rows after it up; the last position's values are gone.
    auto deleted = Step([&] { form->DeleteRow(1); });
    EXPECT_FALSE(deleted.empty());
    EXPECT_EQ(deleted.back().after, "(row gone)");
    // A handler takes a row out of the entry data during a tool click; another replaces a
    // header cell with one of its own.
    sink.during = [&](const std::string& ev) {
        if (ev != "MenuBarClick") return;
        form->BillData()->Sub("Page2")->Remove("1");
        form->BillData()->Sub("Page1")->Set(
            "FNote", Value(Collection::Make({{"FFLD", Value("新单元")}, {"FModify", Value(1)}})));
    };
    Step([&] { form->ClickTool("mnuFilePreview"); });
    sink.during = nullptr;
    Step([&] { form->UserEdit("FNote", -1, Value("之后")); });
    // Saving, loading another bill, a new bill: the data are replaced.
    Step([&] { form->Save(); });
    Step([&] { form->LoadBill(5); });
    Step([&] { form->NewBill(); });
    Step([&] { form->UserEdit("FShowQty", 1, Value(1)); });
}

TEST_F(ChangeRecord, TheValuesAtTheStartAreKnownWhileTheStepRuns) {
    NewSaleWithRow();
    FieldTexts before = form->CurrentTexts();
    form->BeginChanges();
    form->UserEdit("FShowQty", 1, Value(12));
    form->UserEdit("FItemID", 2, Value(1017));
    EXPECT_EQ(form->StartTexts(), before);
    form->DeleteRow(1);
    EXPECT_EQ(form->StartTexts(), before);
    form->TakeChanges();
    EXPECT_EQ(form->StartTexts(), form->CurrentTexts()) << "no record: the values now";
    EXPECT_TRUE(form->TakeChanges().empty());
}

}  // namespace
}  // namespace qor::host::form::test
