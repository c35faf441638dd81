// The consignment bill's tools: their state by the form's state, the bill's status and type,
// source selection, the related-bill queries, the price option, printing, and the list.
#include <algorithm>

#include "frame/data_access.h"
#include "host/form/menu.h"
#include "tests/bill_consign/consign_fixture.h"

namespace qor::test {
namespace {

using ConsignTools = ConsignBillTest;

// Which tools a state shows (S), shows disabled (D) or hides (-), in the order of kTools.
struct Layout {
    const char* name;
    void (*open)(ConsignBillTest&);  // brings the form into the state
    const char* tools;
};
constexpr const char* kTools[] = {
    "mnuRelate_1030001",
    "mnuRelate_1030003",
    "mnuQueryConsignAccount",
    "mnuQueryConsignReject",
    "mnuQuerySaleOrder",
    "mnuQueryConsignSale",
    "mnuRelatePushBill_1030003",
    "mnuRelatePushBill_1030002",
    "mnuEditCheck",
    "mnuEditUnCheck",
    "mnuEditCopy",
};

void Load(ConsignBillTest& t, int32_t id) {
    ASSERT_TRUE(t.bill->LoadBill(id).done);
}

const Layout kLayouts[] = {
    {"NewDelivery", [](ConsignBillTest&) {}, "S-DDD-DDS-S"},
    {"NewReturn",
     [](ConsignBillTest& t) {
         t.Edit("FCustID", 104);
         t.Edit("FBillTypeID", 3011);
     },
     "-S---S-DS--"},
    {"CheckedDelivery", [](ConsignBillTest& t) { Load(t, 7); }, "D-SSS-SS-SS"},
    {"SavedReturn", [](ConsignBillTest& t) { Load(t, 9); }, "-D---S--S--"},
    // A saved bill in edit: no source is drawn into it any more.
    {"EditedDelivery",
     [](ConsignBillTest& t) {
         t.DrawDelivery();
         ASSERT_TRUE(t.bill->Save().done);
         t.Edit("FBillTypeID", 3010);
     },
     "--------S-S"},
    {"EditedReturn",
     [](ConsignBillTest& t) {
         Load(t, 9);
         t.Edit("FBillTypeID", 3011);
     },
     "-D---S--S--"},
    // A copy of a checked delivery is a new bill: sources may be drawn into it.
    {"CopiedDelivery",
     [](ConsignBillTest& t) {
         Load(t, 7);
         ASSERT_TRUE(t.bill->CopyBill().done);
     },
     "S-DDD-DDS-S"},
    {"CheckedReturn",
     [](ConsignBillTest& t) {
         Load(t, 9);
         ASSERT_TRUE(t.bill->Check().done);
     },
     "-D---S---S-"},
};

class ConsignLayouts : public ConsignBillTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(ConsignLayouts, ShowTheToolsOfTheStateAndType) {
    const Layout& layout = GetParam();
    layout.open(*this);
    std::string found;
    for (const char* key : kTools) found += !Shown(key) ? '-' : Enabled(key) ? 'S' : 'D';
    EXPECT_EQ(found, layout.tools) << PlugInError();
}

INSTANTIATE_TEST_SUITE_P(Consign, ConsignLayouts, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsignTools, AReturnShowsInRedWithoutTheDeliveryColumns) {
    ASSERT_TRUE(bill->LoadBill(9).done);
    EXPECT_EQ(bill->EntryCtlProperties().at("TextColor").ToNumber(), 255);
    for (const char* key : {"FOrderQty", "FUnRejectQty", "FUnSettleQty", "FSettleQty"})
        EXPECT_FALSE(bill->IsFieldVisible(key, 2)) << key;
    EXPECT_TRUE(bill->IsCellLocked("FShowUnitID", 1));
    ASSERT_TRUE(bill->LoadBill(7).done);
    EXPECT_EQ(bill->EntryCtlProperties().at("TextColor").ToNumber(), 0);
    EXPECT_TRUE(bill->IsFieldVisible("FSettleQty", 2));
    EXPECT_TRUE(Enabled("mnuRelateViewVoucher"));
}

TEST_F(ConsignTools, SourcesAreSelectedForACustomerIntoABillNotYetSaved) {
    auto refused = bill->SelectSources(1030001, {{2, 0}});
    ExpectRefused(refused, {"请先选择客户"});
    EXPECT_EQ(bill->ActiveKey(), "FCustID");
    EXPECT_EQ(bill->FilledRows(), 0);

    DrawDelivery();
    EXPECT_EQ(Num("FBillTypeID"), 3010);
    EXPECT_TRUE(Enabled("mnuRelate_1030001"));
    ASSERT_TRUE(bill->Save().done) << PlugInError();
    Edit("FNote", "补发");  // an edit of the saved bill
    EXPECT_FALSE(Enabled("mnuRelate_1030001"));

    // The explanation names the source with the option.
    OpenBill();
    demo.Host().SetOption("IC", "IsExpSourceToTarget", "1");
    DrawReturn();
    EXPECT_EQ(Text("FExplanation"), "由委托代销单WTDX000001生成");
    OpenBill();
    DrawDelivery();
    EXPECT_EQ(Text("FExplanation"), "由销售订单SEORD000002生成");
}

TEST_F(ConsignTools, ReturnsAreDrawnFromDeliveriesWithTheirGoodsLocked) {
    DrawReturn();
    EXPECT_EQ(Num("FBillTypeID"), 3011);
    EXPECT_EQ(bill->FilledRows(), 2);
    EXPECT_TRUE(bill->IsCellLocked("FItemID", 1));
    EXPECT_TRUE(bill->IsCellLocked("FBatchNo", 2));
    // FKFDate: the delivery's dates stay
    Expect(2, {{"FBatchNo", "SZ20260915"}, {"FKFDate", "2026-09-15"}});
    // The quantities stand as the delivery gave them, to the last digit.
    Expect(2, {{"FShowQty", 10}, {"FQty", 10}});
    EXPECT_TRUE(Shown("mnuRelate_1030003"));
    EXPECT_FALSE(Shown("mnuRelate_1030001"));

    // The row the cursor enters shows its stock.
    OpenBill();
    Edit("FCustID", 104);
    EditRow(1, "FItemID", 1009);
    EditRow(2, "FItemID", 1007);
    ASSERT_TRUE(bill->MoveCursor("FShowQty", 1).done);
    EXPECT_NE(bill->StatusTexts().at(2).find("美的电饭煲"), std::string::npos);
    ASSERT_TRUE(bill->MoveCursor("FShowQty", 2).done);
    EXPECT_NE(bill->StatusTexts().at(2).find("三只松鼠坚果礼盒"), std::string::npos);
}

TEST_F(ConsignTools, QueriesOpenTheRelatedBillsOfASavedBill) {
    DrawReturn();
    TakePrompts();
    ExpectRefused(bill->ClickTool("mnuQueryConsignSale"), {"请先保存单据"});
    EXPECT_TRUE(Services().Shown().empty());

    ASSERT_TRUE(bill->LoadBill(7).done);
    struct Query {
        const char* tool;
        const char* caption;
        size_t rows;
    };
    for (const Query& q : {Query{"mnuQueryConsignAccount", "查询委托结算记录", 1},
                           Query{"mnuQueryConsignReject", "查询委托退货记录", 1},
                           Query{"mnuQuerySaleOrder", "查询销售订单记录", 2}}) {
        ASSERT_TRUE(bill->ClickTool(q.tool).done) << q.tool;
        ASSERT_FALSE(Services().Shown().empty());
        const auto& window = Services().Shown().back();
        EXPECT_EQ(window.title, q.caption);
        EXPECT_EQ(window.data->Get("TitleName").ToString(), "委托代销单信息");
        EXPECT_EQ(window.data->Sub("EntryDict")->Count(), q.rows) << q.tool;
    }
    ASSERT_TRUE(bill->LoadBill(9).done);
    ASSERT_TRUE(bill->ClickTool("mnuQueryConsignSale").done);
    auto deliveries = Services().Shown().back().data->Sub("EntryDict");
    ASSERT_EQ(deliveries->Count(), 1u);
    EXPECT_EQ(deliveries->ItemAt(1).As<Collection>()->Get("FBillNo").ToString(), "WTDX000001");

    // Sales orders are queried only with the right.
    demo.Host().DenyRight(12, 100, 1);
    ASSERT_TRUE(bill->LoadBill(7).done);
    const size_t windows = Services().Shown().size();
    ExpectRefused(bill->ClickTool("mnuQuerySaleOrder"), {"您没有查看销售订单的权限。"});
    EXPECT_EQ(Services().Shown().size(), windows);
}

TEST_F(ConsignTools, TheKeepPricesOptionIsTheUsersSetting) {
    ASSERT_TRUE(Tool("mnuDoNotResetPrice"));
    EXPECT_FALSE(Tool("mnuDoNotResetPrice")->Checked());
    ASSERT_TRUE(bill->ClickTool("mnuDoNotResetPrice").done);
    EXPECT_TRUE(Tool("mnuDoNotResetPrice")->Checked());
    OpenBill();
    EXPECT_TRUE(Tool("mnuDoNotResetPrice")->Checked());
    Edit("FCustID", 101);
    EditRow(1, "FItemID", 1009);
    Edit("FCustID", 102);
    EXPECT_EQ(Num("FPrice", 1), 359);  // 杭州联华's price stays
}

TEST_F(ConsignTools, WithTheOptionABillIsSavedBeforeItIsPrinted) {
    DrawDelivery();
    ASSERT_TRUE(bill->ClickTool("mnuFilePrint").done);
    EXPECT_EQ(bill->CurBillID(), 0);  // the account does not ask for it

    demo.Host().SetOption("IC", "SaveBeforePrint", "1");
    ASSERT_TRUE(bill->ClickTool("mnuFilePreview").done) << PlugInError();
    EXPECT_GT(bill->CurBillID(), 0);
    ASSERT_EQ(bill->Prints().size(), 2u);
    EXPECT_FALSE(bill->Prints()[0].savedFirst);
    EXPECT_TRUE(bill->Prints()[1].savedFirst);
    EXPECT_FALSE(bill->Prints()[1].unsaved);

    // A bill whose save is refused is not printed.
    OpenBill();
    DrawDelivery();
    EditRow(1, "FDiscountRate", 0);
    EXPECT_FALSE(bill->ClickTool("mnuFilePrint").done);
    EXPECT_EQ(bill->CurBillID(), 0);
    EXPECT_TRUE(bill->Prints().empty());
}

TEST_F(ConsignTools, TheListCopiesNoReturnAndMakesEveryCopyAnUncheckedDelivery) {
    auto& l = ListOf({7, 9});
    auto& gateway = DataGateway::Instance();
    gateway.KeepTrace(true);
    const size_t traced = gateway.Trace().size();
    auto refused = l.ClickTool("mnuEditCopy");
    ExpectRefused(refused, {"你选择的单据包含委托退货单，不允许复制，请重新选择。"});
    // One statement reads the types of the whole selection.
    long typeReads = 0;
    for (size_t i = traced; i < gateway.Trace().size(); ++i)
        if (gateway.Trace()[i].sql.find("FBillTypeID From t_CC_StockBill") != std::string::npos)
            ++typeReads;
    EXPECT_EQ(typeReads, 1);

    l.Select({7});
    ASSERT_TRUE(l.ClickTool("mnuEditCopy").done);
    auto header = l.MergedCopy()->Sub("Page1");
    EXPECT_EQ(header->Sub("FBillTypeID")->Get("FFLD").ToString(), "3010");
    EXPECT_EQ(header->Sub("FStatus")->Get("FFLD").ToString(), "0");

    // The list checks only bills of open periods.
    demo.Host().SetOption("Base", "AcctountingClosed", "1");
    l.Select({9});  // dated in the current period, which the books closed
    EXPECT_TRUE(l.Check().cancelled);
    EXPECT_EQ(TakePrompts().size(), 1u);
    EXPECT_EQ(Count("Select FStatus From t_CC_StockBill Where FID=9"), 0);
    for (const char* key : {"mnuEditCheck", "mnuEditUnCheck", "mnuEditCopy"})
        EXPECT_TRUE(l.Menus().Tool(key)->Visible()) << key;
}

TEST_F(ConsignTools, ALoadedBillStoresTheComplexQuantityOfItsRows) {
    demo.Exec("Update t_CC_StockBillEntry Set FComplexQtyDis=NULL Where FID=7;");
    auto& gateway = DataGateway::Instance();
    gateway.KeepTrace(true);
    const size_t traced = gateway.Trace().size();
    ASSERT_TRUE(bill->LoadBill(7).done) << PlugInError();
    // One statement reads the rows' texts, one batch stores them.
    long reads = 0, writes = 0;
    for (size_t i = traced; i < gateway.Trace().size(); ++i) {
        const auto& sql = gateway.Trace()[i].sql;
        if (sql.find("GetComplexQty") != std::string::npos) ++reads;
        if (sql.find("SET FComplexQtyDis") != std::string::npos) ++writes;
    }
    gateway.KeepTrace(false);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(writes, 1);
    const auto stored = [&](int entry) {
        return demo
            .Scalar("Select FComplexQtyDis From t_CC_StockBillEntry Where FEntryID=" +
                    std::to_string(entry))
            .ToString();
    };
    EXPECT_EQ(stored(13), "1箱4盒");  // 10 boxes, 6 to a case
    EXPECT_FALSE(stored(12).empty());
}

TEST_F(ConsignTools, TheSourceButtonsSayWhatTheySelect) {
    struct Button {
        const char* key;
        const char* tip;
    };
    for (const Button& b : {Button{"mnuRelate_1030001", "选择销售订单"},
                            Button{"mnuRelate_1030003", "选择委托代销单"}}) {
        auto tool = std::dynamic_pointer_cast<host::form::MenuTool>(Tool(b.key));
        ASSERT_TRUE(tool) << b.key;
        EXPECT_EQ(tool->Caption(), "选源单");
        EXPECT_EQ(tool->Description(), "选源单");
        EXPECT_EQ(tool->ToolTipText(), b.tip);
        EXPECT_EQ(tool->MaskColor(), 16711935u);
    }
    auto bar = bill->Menus().Band("BandToolBar");
    ASSERT_TRUE(bar);
    const auto keys = bar->ToolKeys();
    const auto at = [&](const char* key) { return std::find(keys.begin(), keys.end(), key); };
    EXPECT_LT(at("mnuRelate_1030001"), at("mnuEditUnCheck"));
    EXPECT_LT(at("mnuRelate_1030003"), at("mnuEditUnCheck"));
}

}  // namespace
}  // namespace qor::test
