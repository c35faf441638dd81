// The plug-in objects as the host makes them (through the library's C entry) and bad input at
// the bill form's interface.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "frame/plugin.h"
#include "host/form/bill_list.h"
#include "host/form/linked_library.h"

namespace qor::host::form::test {
namespace {

TEST_F(FormTest, EveryKindGetsItsPlugInThroughTheCEntryAndShowBindsFormAndList) {
    // The static build linked into the test, through the same C entry as the shared library
    // (whose own classes a host cannot see).
    PlugInLibrary& lib = LinkedLibrary();
    EXPECT_EQ(lib.Version(), "1.5");
    EXPECT_FALSE(lib.Create("QOR_XS_PlugIns.BillEvent_Nothing"));
    Open("sale");
    for (const auto& [kind, t] : Templates()) {
        auto object = lib.Create(t.progId);
        ASSERT_TRUE(object) << t.progId;
        EXPECT_EQ(object->ProgId(), t.progId);
        auto bill = HostBillForm::Create(t, adapter.get());
        auto list = HostBillList::Create(t, adapter.get());
        object->Show(list);
        object->Show(bill);
        auto* base = dynamic_cast<PlugInBase*>(object.get());
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(base->m_BillInterface(), bill);
        EXPECT_EQ(base->m_ListInterface(), list);
        // The bound object takes the form's events without error.
        EXPECT_TRUE(bill->NewBill().done) << kind;
        EXPECT_TRUE(base->LastTrappedError().empty()) << kind << ": " << base->LastTrappedError();
    }
    EXPECT_THROW(PlugInLibrary("/nonexistent/libnothing.so"), HostError);
}

TEST_F(FormTest, BadInputAtTheInterfaceNeitherCrashesNorLosesData) {
    NewSaleWithRow();
    form->SetFieldValue("FShowQty", Value("1e400"), 1);
    EXPECT_EQ(Num("FShowQty", 1), 0);
    form->SetFieldValue("FShowQty", Value(1e308 * 10), 1);
    EXPECT_EQ(Num("FShowQty", 1), 0);
    form->SetFieldValue("FItemID", Value(1e30), 1);
    EXPECT_EQ(Num("FItemID", 1), 0);
    form->SetFieldValue("FKFDate", Value("2026-02-30"), 1);
    EXPECT_EQ(form->GetFieldValue("FKFDate", 1).ToString(), "2026-02-30");
    form->SetFieldValue("FShowQty", Value(Collection::Make()), 1);
    form->SetFieldValue("FNope", Value(1));
    form->SetFieldValue("FShowQty", Value(3), 99);
    EXPECT_TRUE(form->GetFieldValue("FShowQty", 99).IsEmpty());
    EXPECT_TRUE(form->GetFieldValue("FShowQty", 0).IsEmpty());
    EXPECT_EQ(form->GetDataFldbyKey("FShowQty", 99), nullptr);
    EXPECT_EQ(form->GetFieldInfoByKey("FNope"), nullptr);
    EXPECT_EQ(form->GetDataFld(nullptr), nullptr);
    EXPECT_EQ(form->ColumnTotal(nullptr), 0);
    form->BillCtl()->DoAction(nullptr, nullptr, 1);
    form->BillCtl()->LockCell(form->GetFieldInfoByKey("FPrice"), 42, true);
    EXPECT_FALSE(form->UserEdit("FPrice", -1, Value(1)).done);  // entry field without a row
    EXPECT_FALSE(form->UserEdit("FPrice", 100000, Value(1)).done);
    auto notes = form->TakeNotes();
    EXPECT_FALSE(notes.empty());
    // A text with quotes is stored as it is.
    ASSERT_TRUE(form->UserEdit("FNote", -1, Value("it's '; Drop Table t_CC_StockBill; --")).done);
    form->SetFieldValue("FShowQty", Value(5), 1);
    ASSERT_TRUE(form->Save().done);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FNote='it''s ''; Drop Table "
                    "t_CC_StockBill; --'"),
              1);
}

}  // namespace
}  // namespace qor::host::form::test
