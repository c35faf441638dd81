// The bill list: selection, the check cycle with Cancel, deletion and the merge copy.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "host/form/bill_list.h"

namespace qor::host::form::test {
namespace {

class RecordingListSink : public NullBillListEvents {
public:
    std::vector<std::string> names;
    std::vector<std::string> cancel;
    CollectionPtr merged;
    void Rec(const std::string& n, bool* c = nullptr) {
        names.push_back(n);
        if (c) {
            auto it = std::find(cancel.begin(), cancel.end(), n);
            if (it != cancel.end()) {
                *c = true;
                cancel.erase(it);
            }
        }
    }
    void AfterMergeCopyBill(const Value& v) override {
        merged = v.As<Collection>();
        if (merged) merged->Sub("Page1")->Sub("FStatus")->Set("FFLD", Value("0"));
        Rec("AfterMergeCopyBill");
    }
    void AfterCopyBillCreateData(const Value&) override { Rec("AfterCopyBillCreateData"); }
    void BusinessCheck(bool& c) override { Rec("BusinessCheck", &c); }
    void UnBusinessCheck(bool& c) override { Rec("UnBusinessCheck", &c); }
    void MenuBarClick(const MenuToolPtr&, bool& c) override { Rec("MenuBarClick", &c); }
    void MenuBarInitialize(const MenuBarPtr&) override { Rec("MenuBarInitialize"); }
};

TEST_F(FormTest, ListSelectionChecksAndCopiesTheSelectedBills) {
    Open("sale");
    auto list = HostBillList::Create(form->Template(), adapter.get());
    RecordingListSink ls;
    list->Advise(&ls);
    list->SetUserID(16394);
    list->Open();
    EXPECT_FALSE(list->Select({5, 7}).done);      // 7 is a consignment bill
    ASSERT_TRUE(list->Select({12, 5, 12}).done);  // a bill named twice is selected once
    auto sel = list->Selection();
    ASSERT_EQ(sel->Count(), 2u);
    auto first = sel->ItemAt(1).As<Collection>();
    EXPECT_EQ(first->Get("FID").ToNumber(), 12);
    EXPECT_EQ(first->Get("FBillNo").ToString(), "XOUT000005");
    EXPECT_EQ(first->Get("FClassTypeID").ToNumber(), 1030002);
    EXPECT_GT(first->Get("FEntryID").ToNumber(), 0);
    EXPECT_TRUE(list->TableInfo()->Sub("Map")->Exists("FStatus"));

    ls.cancel = {"BusinessCheck"};
    EXPECT_TRUE(list->Check().cancelled);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID In (5,12) And FStatus=1"), 0);
    ASSERT_TRUE(list->Check().done);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID In (5,12) And FStatus=1"), 2);
    EXPECT_EQ(ls.names,
              (std::vector<std::string>{"MenuBarInitialize", "MenuBarClick", "BusinessCheck",
                                        "MenuBarClick", "BusinessCheck"}));
    EXPECT_FALSE(list->ClickTool("mnuEditDelete").done);  // checked bills stay
    ASSERT_TRUE(list->Uncheck().done);

    ls.names.clear();
    ASSERT_TRUE(list->ClickTool("mnuEditCopy").done);
    EXPECT_EQ(ls.names, (std::vector<std::string>{"MenuBarClick", "AfterCopyBillCreateData",
                                                  "AfterMergeCopyBill"}));
    ASSERT_TRUE(list->MergedCopy());
    ASSERT_TRUE(form->OpenCopy(list->MergedCopy()).done);
    EXPECT_EQ(form->FilledRows(), 3);
    EXPECT_EQ(Num("FCustID"), 104);  // the first selected bill's header
    EXPECT_EQ(form->CurBillID(), 0);
    ASSERT_TRUE(form->Save().done);

    ASSERT_TRUE(list->Select({5}).done);
    ASSERT_TRUE(list->ClickTool("mnuEditDelete").done);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID=5"), 0);
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBillEntry Where FID=5"), 0);
}

}  // namespace
}  // namespace qor::host::form::test
