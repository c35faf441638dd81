// The rule tables a bill is written in: row sets, change rules with their twins, ordered checks
// with the verdict they report, tools with their state and clicks, and the error trap's record.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "frame/data_access.h"
#include "frame/field_set.h"
#include "frame/plugin.h"
#include "frame/rules.h"
#include "frame/trap.h"
#include "host/form/bill_form.h"
#include "host/form/bill_template.h"
#include "host/form/menu.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::ScopedPlatform;

TEST(FieldSets, TwinAndChildKeysFollowTheMainSetsKeys) {
    const FieldSet& main = FieldSet::Main();
    const FieldSet& twin = FieldSet::Twin01();
    const FieldSet& child = FieldSet::Child();
    // Main keys compare without letter case.
    const std::tuple<const FieldSet*, const char*, const char*> keys[] = {
        {&main, "FQty", "FQty"},           {&twin, "FQty", "FQty01"},
        {&twin, "FBatchNo", "FBatchNo01"}, {&child, "FItemID", "FCldItemID"},
        {&child, "fitemid", "FCldItemID"}, {&child, "FSecQty", "FQty2"},
        {&child, "FShowQty", "FShowQty1"}};
    for (auto [set, key, mapped] : keys) EXPECT_EQ((*set)[key], mapped) << key;
    // The freight charge belongs to the main set only; child rows have no stocks.
    EXPECT_FALSE(twin.Has("FTranspotationCharges"));
    EXPECT_FALSE(child.Has("FSCStockID"));

    EXPECT_EQ(twin.MainKeyOf("FQTY01"), "FQTY");
    EXPECT_EQ(twin.MainKeyOf("FQty"), "") << "a main key is none of the twin's";
    EXPECT_EQ(child.MainKeyOf("FQty2"), "FSecQty");
    EXPECT_EQ(child.MainKeyOf("FItemID1"), "") << "a renamed field is not reached by suffix";
    EXPECT_EQ(main.MainKeyOf("FPrice"), "FPrice");
}

// A plug-in whose book is given by the test, bound to a reference-host sales bill form.
class BookPlugIn : public PlugInBase {
public:
    explicit BookPlugIn(const RuleBook& book) : PlugInBase(kFacts), book_(book) {}
    ~BookPlugIn() override { Terminate(); }
    std::vector<std::string> log;
    void RefreshToolsForTest() { RefreshTools(); }

protected:
    const RuleBook* Book() const override { return &book_; }

private:
    static inline const ClassFacts kFacts{"BillEvent_Test",
                                          EventsOf({Ev::Change, Ev::BeforeSave, Ev::BusinessCheck,
                                                    Ev::MenuBarInitialize, Ev::MenuBarClick}),
                                          false, nullptr};
    const RuleBook& book_;
};

// A test's rule book, and a plug-in of it bound to a new sales bill form.
struct BookFixture : ::testing::Test {
    ScopedPlatform platform;
    std::shared_ptr<host::form::HostBillForm> form =
        host::form::HostBillForm::Create(*host::form::FindTemplate("sale"), nullptr);
    RuleBook book;
    std::unique_ptr<BookPlugIn> plugin;

    BookPlugIn& Bind() {
        plugin = std::make_unique<BookPlugIn>(book);
        plugin->Show(form);
        form->Open();
        form->NewBill();
        return *plugin;
    }
};

// Records which rule ran on which key, through the edit's row set.
void RecordQty(FieldEdit& e) {
    e.Owner<BookPlugIn>().log.push_back(e.key + " reads " + e.K("FShowQty") + "=" +
                                        e.Get("FShowQty").ToString());
}

TEST_F(BookFixture, ChangeRulesRunOncePerKeyThroughTheirRowSet) {
    book.OnChange(FieldSet::Main(), "FShowQty", &RecordQty, kSkipOnHostFill)
        .OnChange(FieldSet::Twin01(), "FShowQty", &RecordQty)
        .OnChange(FieldSet::Twin01(), "FTranspotationCharges", &RecordQty)  // none in the twin
        .AfterEveryChange([](FieldEdit& e) { e.Owner<BookPlugIn>().log.push_back("after"); });
    EXPECT_EQ(book.ChangeRules().size(), 2u);
    ASSERT_NE(book.FindChange("fshowqty01"), nullptr);
    EXPECT_EQ(book.FindChange("FSHOWQTY01")->set, &FieldSet::Twin01());
    EXPECT_THROW(book.OnChange("fShowQty", &RecordQty), std::logic_error);

    BookPlugIn& plugin = Bind();
    form->UserEdit("FShowQty", 1, 3);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"FShowQty reads FShowQty=3", "after"}));
    plugin.log.clear();
    form->UserEdit("FNote", -1, "text");
    EXPECT_EQ(plugin.log, std::vector<std::string>{"after"}) << "a key without a rule";

    // The host's own fill skips the rules flagged so, not the steps after every change.
    plugin.log.clear();
    bool cancel = false;
    book.RunChange(plugin, *form, test::Changed("FShowQty"), 1, /*hostFill=*/true, cancel);
    EXPECT_EQ(plugin.log, std::vector<std::string>{"after"});
}

TEST_F(BookFixture, ARuleThatStopsTheHandlerSkipsTheStepsAfter) {
    book.OnChange("FItemID",
                  [](FieldEdit& e) {
                      e.Put("FNote", "stopped");  // a header key read on the row: nothing
                      e.stop = true;
                  })
        .AfterEveryChange([](FieldEdit& e) { e.bill.SetFieldValue("FRejected", "0"); });
    Bind();
    form->SetFieldValue("FRejected", "1");
    form->UserEdit("FItemID", 1, 1001);
    EXPECT_EQ(form->GetFieldValue("FRejected").ToString(), "1");
}

TEST_F(BookFixture, TheFirstRefusingCheckVetoesWithItsMessageAndCell) {
    std::vector<std::string> ran;
    book.Check(Stage::Save, "first",
               [&](CheckRun&) {
                   ran.push_back("first");
                   return Verdict::Pass();
               })
        .Check(Stage::Save, "second",
               [&](CheckRun& run) {
                   ran.push_back("second");
                   EXPECT_NE(run.bill, nullptr);
                   return Verdict::Refuse("第1行折扣率必须大于0", kMsgExclamation)
                       .At("FDiscountRate", 1);
               })
        .Check(Stage::Save, "third", [&](CheckRun&) {
            ran.push_back("third");
            return Verdict::Pass();
        });
    Bind();
    auto result = form->Save();
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(platform->prompts, std::vector<std::string>{"第1行折扣率必须大于0"});
    EXPECT_EQ(form->ActiveKey(), "FDiscountRate");
    EXPECT_EQ(form->ActiveRow(), 1);

    // A stage without checks lets the host go on.
    EXPECT_FALSE(form->Check().cancelled);
}

TEST_F(BookFixture, ASilentRefusalVetoesWithoutAMessage) {
    book.Check(Stage::Save, "answered no", [](CheckRun&) { return Verdict::Silent(); });
    Bind();
    EXPECT_TRUE(form->Save().cancelled);
    EXPECT_TRUE(platform->prompts.empty());
}

// A check that cannot run (its read fails, a component is missing) must not let the bill
// through unchecked: the save is refused and the user is told why.
TEST_F(BookFixture, ACheckThatCannotRunRefusesInsteadOfPassing) {
    bool laterRan = false;
    auto failing = [](CheckRun&) -> Verdict { throw std::runtime_error("no such table"); };
    book.Check(Stage::Save, "reads the limits", failing)
        .Check(Stage::Save, "later", [&](CheckRun&) {
            laterRan = true;
            return Verdict::Pass();
        });
    Bind();
    EXPECT_TRUE(form->Save().cancelled);
    EXPECT_FALSE(laterRan);
    EXPECT_EQ(platform->prompts, std::vector<std::string>{"单据检查未能完成：no such table"});
}

TEST_F(BookFixture, ToolsAreAddedWithTheirStateAndClicksRunTheirRules) {
    bool optionOn = false;
    int clicks = 0;
    book.Tool({.band = "mnuOption",
               .key = "mnuCheckDuplicateItem",
               .caption = "录入时检查重复商品",
               .onClick =
                   [&](ToolRun& run) {
                       ++clicks;
                       run.tool->SetChecked(!run.tool->Checked());
                       return Verdict::Pass();
                   }})
        .Tool({.band = "mnuEdit",
               .key = "mnuReject",
               .caption = "驳回",
               .visible = [&](ToolRun&) { return optionOn; }})
        .Tool({.band = "BandToolBar",
               .key = "mnuInvalid",
               .caption = "单据失效",
               .shortcut = "F9",
               .separatorBefore = true})
        .OnClick("mnuEditCopy", [](ToolRun&) { return Verdict::Refuse("已驳回的单据不能复制！"); });
    EXPECT_THROW(book.Tool({.band = "mnuEdit", .key = "MNUREJECT"}), std::logic_error);
    EXPECT_THROW(book.OnClick("mnuCheckDuplicateItem", [](ToolRun&) { return Verdict::Pass(); }),
                 std::logic_error);

    BookPlugIn& plugin = Bind();
    auto& menus = form->Menus();
    auto option = menus.Tool("mnuCheckDuplicateItem");
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(option->Caption(), "录入时检查重复商品");
    ASSERT_NE(menus.Tool("mnuReject"), nullptr);
    EXPECT_FALSE(menus.Tool("mnuReject")->Visible());

    // A tool after a separator at the end of the toolbar, with its shortcut.
    auto toolbar = std::dynamic_pointer_cast<host::form::MenuBand>(menus.Band("BandToolBar"));
    ASSERT_NE(toolbar, nullptr);
    const auto& layout = toolbar->Layout();
    ASSERT_GE(layout.size(), 2u);
    EXPECT_EQ(layout[layout.size() - 2], "-");
    EXPECT_EQ(layout.back(), "mnuInvalid");
    EXPECT_EQ(menus.Tool("mnuInvalid")->Shortcut(), "F9");

    form->ClickTool("mnuCheckDuplicateItem");
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(option->Checked());

    optionOn = true;
    plugin.RefreshToolsForTest();
    EXPECT_TRUE(menus.Tool("mnuReject")->Visible());

    auto refused = form->CopyBill();
    EXPECT_TRUE(refused.cancelled);
    EXPECT_EQ(platform->prompts, std::vector<std::string>{"已驳回的单据不能复制！"});
}

TEST(Trap, SwallowedErrorsAreRecordedWithWhereTheyWereTrapped) {
    auto& gw = DataGateway::Instance();
    gw.Reset();
    gw.KeepTrace(true);
    const double answer =
        Trapped("GetItemCost", 0.0, []() -> double { throw HostError("x", "no such stock"); });
    EXPECT_EQ(answer, 0.0);
    EXPECT_EQ(Trapped("Fine", 1, [] { return 7; }), 7);
    ASSERT_EQ(gw.Trace().size(), 1u);
    EXPECT_EQ(gw.Trace()[0].trappedIn, "GetItemCost");
    EXPECT_EQ(gw.Trace()[0].error, "no such stock");
    EXPECT_TRUE(gw.Trace()[0].sql.empty());
    EXPECT_EQ(gw.TrappedErrors(), 1);
    EXPECT_EQ(gw.TotalStatements(), 0) << "a trapped error is no statement";
    gw.KeepTrace(false);
    gw.Reset();
}

TEST(AddMenuTool, PlacesCaptionsPicturesAndPositions) {
    ScopedPlatform platform;
    auto bar = std::make_shared<host::form::MenuBar>();
    auto relate = bar->AddBand("mnuRelate");
    relate->AddTool(bar->CreateTool("mnuRelateViewVoucher"));

    auto first =
        AddMenuTool(bar, "mnuRelate", "mnuQueryPayIn", "查询收款记录", "mnuRelateViewVoucher");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Caption(), "查询收款记录");
    AddMenuTool(bar, "mnuRelate", "mnuQuerySale", "查询发货记录");
    EXPECT_EQ(relate->ToolKeys(),
              (std::vector<std::string>{"mnuQueryPayIn", "mnuRelateViewVoucher", "mnuQuerySale"}));
    // A blank caption leaves the tool's own; a new band is made for a tool's sub-items.
    auto sub = AddMenuTool(bar, "mnuQuerySale", "mnuQuerySaleDetail", "  ", "", 1);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->Caption(), "mnuQuerySaleDetail");
    EXPECT_EQ(bar->Band("mnuQuerySale")->ToolKeys(),
              std::vector<std::string>{"mnuQuerySaleDetail"});
    // A tool already in the band is left out; no menu bar gives nothing.
    EXPECT_EQ(AddMenuTool(bar, "mnuRelate", "mnuQuerySale", "again"), nullptr);
    EXPECT_EQ(relate->ToolKeys().size(), 3u);
    EXPECT_EQ(AddMenuTool(nullptr, "mnuRelate", "mnuX", "x"), nullptr);
}

TEST(AddMenuTool, SetsThePictureWithTheLightGreyMask) {
    struct PicturePlatform : test::FakePlatform {
        ObjectPtr LoadPicture(const std::string& key) override {
            return key == "reject" ? Collection::Make() : nullptr;
        }
    };
    auto platform = std::make_shared<PicturePlatform>();
    AttachPlatform(platform);
    auto bar = std::make_shared<host::form::MenuBar>();
    auto tool = std::dynamic_pointer_cast<host::form::MenuTool>(
        AddMenuTool(bar, "mnuEdit", "mnuReject", "驳回", "", 0, "reject"));
    ASSERT_NE(tool, nullptr);
    EXPECT_NE(tool->Picture(), nullptr);
    EXPECT_EQ(tool->MaskColor(), 0xC0C0C0u);
    auto plain = std::dynamic_pointer_cast<host::form::MenuTool>(
        AddMenuTool(bar, "mnuEdit", "mnuOther", "其他", "", 0, "missing"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Picture(), nullptr);
    AttachPlatform(nullptr);
}

}  // namespace
}  // namespace qor
