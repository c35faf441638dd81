// The special-price bill with its plug-in on the demo database: the customer list, the price
// relations of a row, the limits, the save checks, the confirmed check (form and list), the
// invalidation and the batch discount rate; the customer box's selection button, price tip and
// swallowed keys.
#include <gtest/gtest.h>

#include <algorithm>

#include "bills/specialprice/billevent_xscx.h"
#include "host/form/menu.h"
#include "tests/bills/field_checks.h"
#include "tests/support/bill_fixture.h"

namespace qor {
namespace {

constexpr const char* kZeroOldPrice =
    "原价不允许为零。原价根据“价格管理-售价带出方案”中设置的规则带出。";

class SpecialPrice : public ::testing::Test {
protected:
    test::DemoHost demo{"xscx"};
    test::PlugInBill bill{demo, "xscx"};

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        EXPECT_EQ(bill.TakePrompts(), prompts);
    }

    BillEvent_XSCX& Plugin() { return dynamic_cast<BillEvent_XSCX&>(bill.Base()); }
    // Expects each field of the row (-1 the header) to hold its value: a text or a number.
    void Expect(int row, test::Fields fields) {
        test::ExpectFields("@" + std::to_string(row), fields,
                           [&](const char* key) { return bill.form->GetFieldValue(key, row); });
    }
    // The user clicks the customer box's button "..." and ticks these customers.
    void ChooseCustomers(std::vector<int> ids, test::PlugInBill* in = nullptr) {
        demo.Host().Services().answers().hasItemSelection = true;
        demo.Host().Services().answers().itemSelection = std::move(ids);
        EXPECT_TRUE((in ? in : &bill)->form->ClickControl("cmdSelCust").done);
    }
    Value BoxProperty(const char* property) {
        return bill.form->Control("FCUSTOMER")->GetProperty(property);
    }
    bool ControlVisible(const char* name) {
        return bill.form->Control(name)->GetProperty("Visible").ToBool();
    }
    // A new bill with beer (item 1008) by the bottle on row 1.
    double NewBillWithBeer() {
        EXPECT_TRUE(bill.New().done);
        EXPECT_TRUE(bill.Edit("FItemID", 1, Value(1008)).done);
        return bill.Num("FOldPrice", 1);
    }
    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
    bool ToolVisible(const char* key) { return bill.form->Menus().Tool(key)->Visible(); }
    bool ToolEnabled(const char* key) { return bill.form->Menus().Tool(key)->Enabled(); }
};

TEST_F(SpecialPrice, ANewBillIsForEveryCustomerFromTodayForThirtyDays) {
    ASSERT_TRUE(bill.New().done);
    Expect(-1, {{"FBeginDate", "2026-12-10"}, {"FEndDate", "2027-01-09"}, {"FBeginTime", "00:00"}});
    Expect(-1, {{"FEndTime", "23:59"}});
    EXPECT_EQ(Plugin().CustomerList(), "");
    EXPECT_EQ(bill.form->GetDataFldbyKey("FCUSTOMER")->Get("FDSP").ToString(), "全部客户");
    EXPECT_FALSE(bill.form->IsDataChanged());
    // Check is offered on an unchecked bill, invalidation only on a checked one.
    EXPECT_TRUE(ToolVisible("mnuEditCheck"));
    EXPECT_FALSE(ToolVisible("mnuEditUnCheck"));
    EXPECT_FALSE(ToolEnabled("mnuInvalidBill"));
    EXPECT_FALSE(ToolVisible("mnuCopyRow"));
    EXPECT_EQ(bill.Trapped(), "");
}

TEST_F(SpecialPrice, ChosenCustomersAreWrittenOnSaveAndReadBackOnLoad) {
    NewBillWithBeer();
    ChooseCustomers({101, 104});
    EXPECT_EQ(Plugin().CustomerList(), "101,104");
    auto cell = bill.form->GetDataFldbyKey("FCUSTOMER");
    EXPECT_EQ(cell->Get("FFLD").ToString(), "101,104");
    EXPECT_NE(cell->Get("FDSP").ToString().find("杭州联华"), std::string::npos);
    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(4)).done);
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    const int32_t id = bill.form->CurBillID();
    const std::string ofBill = " From T_LS_CX_Customer Where FBillID=" + std::to_string(id);
    const std::string rows = "Select Count(*)" + ofBill;
    EXPECT_EQ(Count(rows), 2);
    EXPECT_EQ(demo.Scalar("Select FShowName" + ofBill + " And FItemID=104").ToString(),
              "02.001-北京京客隆商业集团股份有限公司");

    // Another form opens the stored bill with its customers.
    test::PlugInBill other(demo, "xscx");
    ASSERT_TRUE(other.form->LoadBill(id).done);
    auto& loaded = dynamic_cast<BillEvent_XSCX&>(other.Base());
    EXPECT_EQ(loaded.CustomerList(), "101,104");
    EXPECT_EQ(other.form->GetDataFldbyKey("FCUSTOMER")->Get("FFLD").ToString(), "101,104");

    // Back to every customer: the stored rows go.
    ChooseCustomers({}, &other);  // the user clears the choice
    EXPECT_EQ(other.form->GetDataFldbyKey("FCUSTOMER")->Get("FDSP").ToString(), "全部客户");
    ASSERT_TRUE(other.form->Save().done) << other.Trapped();
    EXPECT_EQ(Count(rows), 0);

    // A new bill in the same form is for every customer again.
    ASSERT_TRUE(bill.New().done);
    EXPECT_EQ(Plugin().CustomerList(), "");
}

TEST_F(SpecialPrice, TheCustomerBoxHasASelectionButtonAndThePriceTipBesideIt) {
    ASSERT_TRUE(bill.New().done);
    auto button = bill.form->Control("cmdSelCust");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->TypeName(), "CommandButton");
    EXPECT_EQ(button->GetProperty("Caption").ToString(), "...");
    EXPECT_EQ(button->GetProperty("Beside").ToString(), "FCUSTOMER");
    EXPECT_TRUE(ControlVisible("cmdSelCust"));
    auto tip = bill.form->Control("pic");
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->TypeName(), "PictureBox");
    EXPECT_EQ(tip->GetProperty("Beside").ToString(), "FCUSTOMER");
    EXPECT_EQ(tip->GetProperty("Text").ToString(),
              "提示：\n"
              "1、原价根据“价格管理-售价带出方案”中设置的规则带出。\n"
              "2、如果表头客户多于一个，原价则不带出以下相关价格：\n"
              "    （1）客户协议价格\n"
              "    （2）商品价格资料中的客户等级价格\n"
              "    （3）商品+客户最近销售价格\n"
              "3、本单中，原价不允许为零。");
    EXPECT_EQ(BoxProperty("Text").ToString(), "全部客户");
    EXPECT_EQ(BoxProperty("Tag").ToString(), "");

    // The invalidate command comes after a separator, in the edit menu and on the toolbar.
    for (auto [band, next] :
         {std::pair{"mnuEdit", "mnuEditUnCheck"}, std::pair{"BandToolBar", "mnuFileExit"}}) {
        auto menu = std::dynamic_pointer_cast<host::form::MenuBand>(bill.form->Menus().Band(band));
        ASSERT_NE(menu, nullptr) << band;
        const auto& layout = menu->Layout();
        auto at = std::find(layout.begin(), layout.end(), "mnuInvalidBill");
        ASSERT_NE(at, layout.end()) << band;
        ASSERT_NE(at, layout.begin()) << band;
        EXPECT_EQ(*(at - 1), "-") << band;
        ASSERT_NE(at + 1, layout.end()) << band;
        EXPECT_EQ(*(at + 1), next) << band;
    }
    EXPECT_EQ(bill.Trapped(), "");
}

TEST_F(SpecialPrice, TheButtonChoosesTheCustomersAndTheOriginalPricesFollow) {
    EXPECT_EQ(NewBillWithBeer(), 72);  // the case of twelve, for every customer
    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(54)).done);

    // One key customer: the price of his customer type applies.
    ChooseCustomers({101});
    EXPECT_EQ(BoxProperty("Tag").ToString(), "101");
    EXPECT_EQ(BoxProperty("Text").ToString(), "杭州联华华商集团有限公司");
    EXPECT_EQ(bill.form->GetDataFldbyKey("FCUSTOMER")->Get("FFLD").ToString(), "101");
    Expect(1, {{"FOldPrice", 60}, {"FNewPrice", 54}, {"FDifferPrice", 6}, {"FDiscountRate", 90}});

    // The selection opens with the list ticked: closing it so keeps the list.
    EXPECT_TRUE(bill.form->ClickControl("cmdSelCust").done);
    EXPECT_EQ(Plugin().CustomerList(), "101");

    // Several customers: no customer's own price applies.
    ChooseCustomers({101, 104});
    EXPECT_EQ(BoxProperty("Tag").ToString(), "101,104");
    Expect(1, {{"FOldPrice", 72}, {"FDifferPrice", 18}, {"FDiscountRate", 75}});
    EXPECT_EQ(bill.Trapped(), "");
}

TEST_F(SpecialPrice, AChoiceOfCustomersIsAChangeOfTheBill) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);  // CX2026005, for every customer
    EXPECT_FALSE(bill.form->IsDataChanged());
    ChooseCustomers({102});
    EXPECT_TRUE(bill.form->IsDataChanged());
}

TEST_F(SpecialPrice, TypingIntoTheCustomerBoxChangesNothing) {
    ASSERT_TRUE(bill.form->LoadBill(3).done);  // CX2026003, for 杭州联华 and 北京京客隆
    EXPECT_FALSE(bill.form->PressKeys("FCUSTOMER", "01.002").done);
    EXPECT_EQ(Plugin().CustomerList(), "101,104");
    EXPECT_EQ(BoxProperty("Tag").ToString(), "101,104");
    EXPECT_EQ(bill.form->GetDataFldbyKey("FCUSTOMER")->Get("FFLD").ToString(), "101,104");
    EXPECT_FALSE(bill.form->IsDataChanged());
    // The other header boxes take what is typed.
    EXPECT_TRUE(bill.form->PressKeys("FNote", "周末").done);
    EXPECT_EQ(bill.Text("FNote"), "周末");
}

TEST_F(SpecialPrice, TheButtonAndTheTipAreShownWithTheCustomerField) {
    demo.Exec("Update ICClassTableInfo Set FVisible=0 Where FKey='FCUSTOMER';");
    ASSERT_TRUE(bill.form->LoadBill(3).done);
    EXPECT_FALSE(ControlVisible("cmdSelCust"));
    EXPECT_FALSE(ControlVisible("pic"));
    EXPECT_FALSE(bill.form->ClickControl("cmdSelCust").done);
    EXPECT_EQ(bill.form->Control("pic")->GetProperty("Text").ToString(), "");

    demo.Exec("Update ICClassTableInfo Set FVisible=1 Where FKey='FCUSTOMER';");
    ASSERT_TRUE(bill.form->LoadBill(3).done);
    EXPECT_TRUE(ControlVisible("cmdSelCust"));
    EXPECT_TRUE(ControlVisible("pic"));
    EXPECT_NE(bill.form->Control("pic")->GetProperty("Text").ToString().find("提示："),
              std::string::npos);
}

TEST_F(SpecialPrice, ACustomerListThatIsNoListOfIdentifiersNeverReachesTheStatement) {
    NewBillWithBeer();
    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(4)).done);
    // Only identifiers of the customer box's list go with the bill.
    bill.form->GetDataFldbyKey("FCUSTOMER")->Set("FFLD", Value("101) or (1=1"));
    ASSERT_TRUE(bill.form->Save().done);
    EXPECT_EQ(Count("Select Count(*) From T_LS_CX_Customer Where FBillID=" +
                    std::to_string(bill.form->CurBillID())),
              0);
}

TEST_F(SpecialPrice, SpecialPriceDifferenceAndRateFollowEachOther) {
    const double old = NewBillWithBeer();
    ASSERT_GT(old, 0);
    EXPECT_EQ(bill.Num("FNewPrice", 1), 0);

    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(old * 0.8)).done);
    Expect(1, {{"FDifferPrice", old * 0.2}, {"FDiscountRate", 80}});
    EXPECT_TRUE(bill.TakePrompts().empty());

    // A rate above 100 is allowed with a warning.
    ASSERT_TRUE(bill.Edit("FDiscountRate", 1, Value(120)).done);
    EXPECT_EQ(bill.TakePrompts(), std::vector<std::string>{"特价大于原价！"});
    Expect(1, {{"FDifferPrice", -old * 0.2}, {"FNewPrice", old * 1.2}});

    // A difference beyond the original price is cut to it.
    ASSERT_TRUE(bill.Edit("FDifferPrice", 1, Value(old + 5)).done);
    Expect(1, {{"FDifferPrice", old}, {"FNewPrice", 0}, {"FDiscountRate", 0}});
    // ...and a special price of 0 cannot be saved.
    ExpectRefused(bill.form->Save(), {"特价必须大于零！"});
    EXPECT_EQ(bill.form->ActiveKey(), "FNewPrice");
}

TEST_F(SpecialPrice, AnOriginalPriceOfZeroIsRefusedNotDividedBy) {
    NewBillWithBeer();
    bill.form->SetFieldValue("FOldPrice", Value(0), 1);
    for (const char* key : {"FNewPrice", "FDiscountRate", "FDifferPrice"}) {
        auto result = bill.Edit(key, 1, Value(3));
        EXPECT_TRUE(result.cancelled) << key;
        EXPECT_EQ(bill.TakePrompts(), std::vector<std::string>{kZeroOldPrice}) << key;
        EXPECT_NE(bill.Num(key, 1), 3) << key;
    }
    bill.form->SetFieldValue("FNewPrice", Value(3), 1);
    ExpectRefused(bill.form->Save(), {kZeroOldPrice});
    EXPECT_EQ(bill.Trapped(), "");
}

TEST_F(SpecialPrice, LimitsAreWholeAndTheTotalNotBelowThePerBillLimit) {
    NewBillWithBeer();
    ASSERT_TRUE(bill.Edit("FTotalLimitQty", 1, Value(2.5)).done);
    EXPECT_EQ(bill.Num("FTotalLimitQty", 1), 2);
    ASSERT_TRUE(bill.Edit("FSingleLimitQty", 1, Value(10.4)).done);
    EXPECT_EQ(bill.Num("FSingleLimitQty", 1), 10);
    ASSERT_TRUE(bill.Edit("FTotalLimitQty", 1, Value(5)).done);
    EXPECT_EQ(bill.TakePrompts(), std::vector<std::string>{"每单限量不能大于总限量！"});
    EXPECT_EQ(bill.Num("FTotalLimitQty", 1), 0);
    ASSERT_TRUE(bill.Edit("FTotalLimitQty", 1, Value(10)).done);
    EXPECT_EQ(bill.Num("FTotalLimitQty", 1), 10);
    EXPECT_TRUE(bill.TakePrompts().empty());
}

TEST_F(SpecialPrice, AnItemTakesOneSpecialPricePerUnit) {
    const double old = NewBillWithBeer();
    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(old - 1)).done);
    ASSERT_TRUE(bill.Edit("FItemID", 2, Value(1008)).done);
    ASSERT_TRUE(bill.Edit("FNewPrice", 2, Value(old - 1)).done);
    ExpectRefused(bill.form->Save(), {"单据表体中存在多个商品和单位完全相同的记录，请重新录入！"});
    // The item comes by the case of twelve; the bottle is another unit: both rows stand.
    EXPECT_EQ(bill.Num("FShowUnitID", 1), 3072);
    ASSERT_TRUE(bill.Edit("FShowUnitID", 2, Value(3071)).done) << bill.Trapped();
    EXPECT_EQ(bill.Num("FShowUnitID", 2), 3071);
    const double bottleOld = bill.Num("FOldPrice", 2);
    EXPECT_GT(bottleOld, 0);
    EXPECT_LT(bottleOld, old);
    EXPECT_EQ(bill.Num("FNewPrice", 2), 0);  // the special price is entered again for the unit
    ASSERT_TRUE(bill.Edit("FNewPrice", 2, Value(bottleOld - 1)).done);
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

TEST_F(SpecialPrice, AUnitWithoutASalesPriceIsRefused) {
    NewBillWithBeer();
    demo.Exec("Delete From t_ItemPrice Where FItemID=1008 And FUnitID=3072;");
    ExpectRefused(bill.Edit("FShowUnitID", 1, Value(3072)), {kZeroOldPrice});
    // The public check says the same.
    bill.form->SetFieldValue("FShowUnitID", Value(3072), 1);
    Args args{Value(bill.form), Value(1), Value(1), Value(true)};
    bill.plugin->Invoke("ChkPriceValidate", args);
    EXPECT_FALSE(args[3].ToBool());
    bill.TakePrompts();
    bill.form->SetFieldValue("FShowUnitID", Value(3071), 1);
    args = {Value(bill.form), Value(1), Value(1), Value(false)};
    bill.plugin->Invoke("ChkPriceValidate", args);
    EXPECT_TRUE(args[3].ToBool());
}

TEST_F(SpecialPrice, ACheckNeedsTheUsersConfirmationAndCannotBeUndone) {
    const double old = NewBillWithBeer();
    ASSERT_TRUE(bill.Edit("FNewPrice", 1, Value(old - 1)).done);
    ASSERT_TRUE(bill.form->Save().done);
    const std::string status =
        "Select FStatus From T_LS_CX Where FID=" + std::to_string(bill.form->CurBillID());
    bill.TakePrompts();
    bill.Answer(Value(kAnswerNo));
    ExpectRefused(bill.form->Check(), {"是否确认审核当前单据，审核后不允许再反审核！"});
    EXPECT_EQ(Count(status), 0);

    bill.Answer(Value(kAnswerYes));
    EXPECT_TRUE(bill.form->Check().done) << bill.Trapped();
    EXPECT_EQ(Count(status), 1);
    EXPECT_FALSE(ToolVisible("mnuEditCheck"));
    EXPECT_TRUE(ToolEnabled("mnuInvalidBill"));

    // Invalidation asks too; a checked bill's prices are taken out of force.
    bill.TakePrompts();
    bill.Answer(Value(kAnswerYes));
    EXPECT_TRUE(bill.form->ClickTool("mnuInvalidBill").done);
    EXPECT_EQ(bill.TakePrompts(),
              std::vector<std::string>{"是否确认失效当前单据，失效后不允许再反失效！"});
    EXPECT_EQ(Count(status), 3);
    EXPECT_FALSE(ToolEnabled("mnuInvalidBill"));
    EXPECT_FALSE(bill.form->ClickTool("mnuInvalidBill").done);
}

TEST_F(SpecialPrice, AnUncheckedBillCannotBeInvalidatedAndTheUserIsToldWhy) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);  // CX2026005, saved and not checked
    bill.form->Menus().Tool("mnuInvalidBill")->SetEnabled(true);
    bill.Answer(Value(kAnswerYes));
    EXPECT_TRUE(bill.form->ClickTool("mnuInvalidBill").cancelled);
    auto prompts = bill.TakePrompts();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].find("尚未审核"), std::string::npos);
    EXPECT_EQ(Count("Select FStatus From T_LS_CX Where FID=6"), 0);
}

TEST_F(SpecialPrice, TheListChecksItsSelectionAfterTheUsersConfirmation) {
    auto& list = bill.ListOf({6});  // CX2026005, saved and not checked
    bill.Answer(Value(kAnswerNo));
    ExpectRefused(list.Check(), {"是否确认审核选择单据，审核后不允许再反审核！"});
    EXPECT_EQ(Count("Select FStatus From T_LS_CX Where FID=6"), 0);
    bill.Answer(Value(kAnswerYes));
    EXPECT_TRUE(list.Check().done) << bill.Trapped();
    EXPECT_EQ(Count("Select FStatus From T_LS_CX Where FID=6"), 1);
}

TEST_F(SpecialPrice, TheBatchDiscountRateAsksUntilTheRateIsAboveZero) {
    const double old = NewBillWithBeer();
    bill.Answer(Value("0"));
    bill.Answer(Value("不是数"));
    bill.Answer(Value("50"));
    EXPECT_FALSE(bill.form->ClickTool("mnuDiscountRate").cancelled);
    EXPECT_EQ(bill.TakePrompts(),
              (std::vector<std::string>{"请输入批量设置特价折扣率%：", "请输入大于零的数值！",
                                        "请输入批量设置特价折扣率%：", "请输入大于零的数值！",
                                        "请输入批量设置特价折扣率%："}));
    Expect(1, {{"FNewPrice", old / 2}, {"FDifferPrice", old / 2}, {"FDiscountRate", 50}});
    // Cancelling the box changes nothing.
    bill.Answer(Value(""));
    bill.form->ClickTool("mnuDiscountRate");
    EXPECT_EQ(bill.Num("FDiscountRate", 1), 50);
}

}  // namespace
}  // namespace qor
