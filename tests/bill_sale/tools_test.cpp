// The sales bill's tools: what each bill type and right shows, the related-record queries
// through the host's viewer, the follow-on documents, the reject command and the guards of the
// host's own tools.
#include <algorithm>

#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

class SaleTools : public SaleBillTest {
protected:
    host::ServiceContext& Services() { return demo.Host().Services(); }
    const host::ShownWindow& LastWindow() {
        static const host::ShownWindow none{};
        const auto& shown = Services().Shown();
        EXPECT_FALSE(shown.empty());
        return shown.empty() ? none : shown.back();
    }
    std::string Stored(const char* column, int id) {
        return demo
            .Scalar(std::string("Select ") + column +
                    " From t_CC_StockBill Where FID=" + std::to_string(id))
            .ToString();
    }
};

// ---- What each bill type shows
// -------------------------------------------------------------------

TEST_F(SaleTools, TheQueriesAndFollowOnsFollowTheBillType) {
    struct Expect {
        int type;
        std::vector<const char*> shown, hidden;
        const char* receipts;
    };
    const Expect kTypes[] = {
        {3001,
         {"mnuQuerySaleReject", "mnuQuerySaleOrder", "mnuQueryGH", "mnuEditCopy",
          "mnuRelatePushBill_2000001", "mnuQueryLogisticList"},
         {"mnuQuerySale", "mnuQueryConsign", "mnuQueryConsignReject", "mnuQueryConsignBal"},
         "查询收款记录"},
        {3002,
         {"mnuQuerySale"},
         {"mnuQuerySaleReject", "mnuQuerySaleOrder", "mnuEditCopy", "mnuRelatePushBill_2000001"},
         "查询退款记录"},
        {3003,
         {"mnuQueryConsign", "mnuQueryConsignBal", "mnuEditCopy", "mnuRelatePushBill_2000001"},
         {"mnuQuerySale", "mnuQueryConsignReject", "mnuQueryGH"},
         "查询收款记录"},
        {3004,
         {"mnuQueryConsignReject"},
         {"mnuQueryConsign", "mnuQueryConsignBal", "mnuEditCopy", "mnuQueryLogisticList"},
         "查询退款记录"},
    };
    for (const Expect& e : kTypes) {
        SCOPED_TRACE(e.type);
        Edit("FBillTypeID", e.type);
        for (const char* key : e.shown) EXPECT_TRUE(Shown(key)) << key;
        for (const char* key : e.hidden) EXPECT_FALSE(Shown(key)) << key;
        EXPECT_EQ(Tool("mnuQueryPayIn")->Caption(), e.receipts);
        // The source-selection tools stay: a source of another kind sets the bill type.
        EXPECT_TRUE(Shown("mnuRelate_1030001"));
    }
    EXPECT_EQ(Tool("mnuRelate_1030002")->ToolTipText(), "选择销售发货单");
}

TEST_F(SaleTools, TheToolsAreAddedWhereTheyBelongWithTheirTexts) {
    auto edit = bill->Menus().Band("mnuEdit")->ToolKeys();
    const auto reject = std::find(edit.begin(), edit.end(), "mnuReject");
    ASSERT_NE(reject, edit.end());
    EXPECT_EQ(*(reject + 1), "mnuEditCheck");
    auto relate = bill->Menus().Band("mnuRelate")->ToolKeys();
    EXPECT_EQ(relate.front(), "mnuQueryPayIn");
    EXPECT_EQ(Tool("mnuRelatePushBill_3000001")->Caption(), "生成发票");
    EXPECT_EQ(Tool("mnuReject")->Caption(), "驳回");
    EXPECT_EQ(Tool("mnuEditAutoSumAmt")->Shortcut(), "F9");
    EXPECT_EQ(Tool("mnuEditCheckInfo")->Caption(), "冲预收款");
    EXPECT_EQ(Tool("mnuRelate_1030003")->Description(), "选源单");
    EXPECT_EQ(Tool("mnuRelate_1030001")->ToolTipText(), "选择销售订单");
    auto bar = bill->Menus().Band("BandToolBar")->ToolKeys();
    EXPECT_NE(std::find(bar.begin(), bar.end(), "mnuKddPrint"), bar.end());
}

TEST_F(SaleTools, AReturnKeepsTheGoodsOfTheDeliveryItTakesBack) {
    Edit("FBillTypeID", 3002);
    ASSERT_TRUE(bill->SelectSources(1030002, {{4, 7}}).done);
    for (const char* key : {"FItemID", "FSCStockID", "FShowUnitID"})
        EXPECT_TRUE(bill->IsCellLocked(key, 1)) << key;
    EXPECT_FALSE(bill->IsCellLocked("FShowQty", 1));
}

TEST_F(SaleTools, TheLogisticsToolsAreNotThereForApplicationTypeOne) {
    demo.Host().SetAppType(1);
    OpenBill();
    ExpectShown({"mnuRelatePushBill_2000001", "mnuQueryLogisticList"}, false);
    EXPECT_TRUE(Shown("mnuQuerySaleReject"));
}

TEST_F(SaleTools, TheToolsFollowTheBillsStatus) {
    EXPECT_FALSE(Shown("mnuReject"));  // a new bill
    EXPECT_FALSE(Enabled("mnuRelatePushBill_3000001"));
    ASSERT_TRUE(bill->LoadBill(5).done);  // saved, unchecked
    EXPECT_TRUE(Shown("mnuReject"));
    EXPECT_TRUE(Enabled("mnuEditAutoSumAmt"));
    EXPECT_FALSE(Enabled("mnuEditUnCheck"));
    EXPECT_TRUE(Enabled("mnuRelatePushBill_3000001"));
    ASSERT_TRUE(bill->LoadBill(4).done);  // checked
    EXPECT_FALSE(Shown("mnuReject"));
    EXPECT_FALSE(Enabled("mnuEditAutoSumAmt"));
    ExpectEnabled({"mnuEditUnCheck", "mnuRelatePushBill_1050001"}, true);
    EXPECT_FALSE(Shown("mnuEditClose"));
}

// ---- Related records ---------------------------------------------------------------------------

TEST_F(SaleTools, TheReturnsOfADeliveryAreShownInTheViewer) {
    ASSERT_TRUE(bill->LoadBill(4).done);  // XOUT000001, returned in part by XOUT000003
    ASSERT_TRUE(bill->ClickTool("mnuQuerySaleReject").done) << PlugInError();
    const auto& w = LastWindow();
    EXPECT_EQ(w.progId, "QORClassLookUp.RelateBilllookUp");
    EXPECT_EQ(w.title, "查询退货记录");
    EXPECT_EQ(w.data->Get("TitleName").ToString(), "销售发货单信息");
    const std::string sql = w.data->Get("SQL").ToString();
    EXPECT_NE(sql.find("e.FID_SRC=4 And e.FClassID_SRC=1030002"), std::string::npos) << sql;
    auto rows = w.data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows && !rows->IsEOF());
    EXPECT_EQ(rows->Field("FBillNo").ToString(), "XOUT000003");
    EXPECT_EQ(rows->Field("FShowQty").ToNumber(), 1);
    rows->MoveNext();
    EXPECT_TRUE(rows->IsEOF());
    auto title = w.data->Get("TitleDict").As<Collection>();
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Sub("单据编号")->Get("Value").ToString(), "XOUT000001");
    for (const char* name : {"部门", "业务员", "客户", "日期", "价税合计", "已收金额合计"})
        EXPECT_TRUE(title->Exists(name)) << name;
    auto entries = w.data->Get("EntryDict").As<Collection>();
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->Sub("FItemNumber")->Get("Caption").ToString(), "商品代码");
}

TEST_F(SaleTools, TheSourcesAndReceiptsOfABillAreShownInTheViewer) {
    ASSERT_TRUE(bill->LoadBill(6).done);  // the return XOUT000003 of XOUT000001
    ASSERT_TRUE(bill->ClickTool("mnuQuerySale").done) << PlugInError();
    auto rows = LastWindow().data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows && !rows->IsEOF());
    EXPECT_EQ(rows->Field("FBillNo").ToString(), "XOUT000001");
    EXPECT_EQ(rows->Field("FRelateQty").ToNumber(), 1);

    ASSERT_TRUE(bill->LoadBill(4).done);  // drawn from SEORD000001
    ASSERT_TRUE(bill->ClickTool("mnuQuerySaleOrder").done);
    EXPECT_EQ(LastWindow().title, "查询销售订单记录");
    rows = LastWindow().data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows && !rows->IsEOF());
    EXPECT_EQ(rows->Field("FBillNo").ToString(), "SEORD000001");

    // The receipts of a return are its refunds.
    ASSERT_TRUE(bill->LoadBill(6).done);
    ASSERT_TRUE(bill->ClickTool("mnuQueryPayIn").done);
    EXPECT_EQ(LastWindow().title, "查询退款记录");
    EXPECT_EQ(LastWindow().data->Get("TitleName").ToString(), "销售退货单信息");
    ASSERT_TRUE(bill->LoadBill(4).done);  // offset against an advance receipt
    ASSERT_TRUE(bill->ClickTool("mnuQueryPayIn").done);
    EXPECT_EQ(LastWindow().title, "查询收款记录");
    rows = LastWindow().data->Get("Rows").As<IRecordset>();
    ASSERT_TRUE(rows);
    EXPECT_FALSE(rows->IsEOF());
}

TEST_F(SaleTools, QueriesNeedASavedBillAndTheirRights) {
    TakePrompts();
    ExpectRefused(bill->ClickTool("mnuQueryPayIn"), {"请先保存单据"});
    EXPECT_TRUE(Services().Shown().empty());

    demo.Host().DenyRight(12, 100, 1);
    demo.Host().DenyRight(11, 200, 1);
    demo.Host().DenyRight(12, 500, 1);
    demo.Host().DenyRight(12, 200, 64);
    ASSERT_TRUE(bill->LoadBill(4).done);
    const std::pair<const char*, const char*> kRefusals[] = {
        {"mnuQuerySaleOrder", "您没有查看销售订单的权限。"},
        {"mnuQueryGH", "您没有查看购货单的权限。"},
        {"mnuQueryLogisticList", "您没有查询物流单的权限。"},
        {"mnuKddPrint", "您没有打印权限。"},
    };
    for (const auto& [key, message] : kRefusals) ExpectRefused(bill->ClickTool(key), {message});
    EXPECT_TRUE(Services().Shown().empty());
}

// ---- Follow-on documents -----------------------------------------------------------------------

TEST_F(SaleTools, ALogisticsBillNeedsASavedBillWithACustomer) {
    TakePrompts();
    bill->SetBarStatus("mnuRelatePushBill_2000001", "Enabled", true);
    ExpectRefused(bill->ClickTool("mnuRelatePushBill_2000001"), {"请先保存单据"});

    ASSERT_TRUE(bill->LoadBill(15).done);  // XOUT000008, checked, no logistics yet
    EXPECT_TRUE(bill->ClickTool("mnuRelatePushBill_2000001").cancelled) << PlugInError();
    EXPECT_EQ(TakePrompts(), std::vector<std::string>{});
    const auto& w = LastWindow();
    EXPECT_EQ(w.progId, "QORLogisticManage.Application");
    EXPECT_EQ(w.title, "BillToLogisticMake");
    EXPECT_EQ(w.data->Get("FBillCodeList").ToString(), "XOUT000008");
    EXPECT_EQ(Stored("FLogisticNumber", 15), "WLXOUT000008");
}

// ---- The host's tools --------------------------------------------------------------------------

TEST_F(SaleTools, F9SettlesTheWholeTotalLessTheOffset) {
    TypeDelivery();
    bill->SetFieldValue("FNeutralizeAmount", 20);
    ASSERT_TRUE(bill->PressShortcut("F9").done);
    Expect(-1, {{"FCurCheckAmount", 90.4}, {"FCurPayAmount", 70.4}});
    EXPECT_FALSE(bill->IsCellLocked("FAcctNo", -1));
    EXPECT_TRUE(bill->IsCellLocked("FDiscountAcctID", -1));
}

TEST_F(SaleTools, OffsettingAdvanceReceiptsNeedsTheRightAndACustomer) {
    TakePrompts();
    ExpectRefused(bill->ClickTool("mnuEditCheckInfo"), {"请先输入客户。"});
    EXPECT_EQ(bill->ActiveKey(), "FCustID");
    Edit("FCustID", "01.001");
    EXPECT_TRUE(bill->ClickTool("mnuEditCheckInfo").done);
    EXPECT_EQ(bill->ActiveKey(), "FNeutralizeAmount");
    demo.Host().DenyRight(14, 300, 2);
    demo.Host().DenyRight(14, 300, 4);
    ExpectRefused(bill->ClickTool("mnuEditCheckInfo"), {"您没有核销预收款的权限。"});
}

TEST_F(SaleTools, ABillMovedToReceivablesTakesNoReceipt) {
    ASSERT_TRUE(bill->LoadBill(4).done);
    demo.Exec(
        "Insert Into t_RP_CheckBill (FID, FBillNo, FBillTypeID, FDate) Values (90, 'ZY090', 5024, "
        "'2026-12-05');"
        "Insert Into t_RP_CheckBillEntry1 (FEntryID, FID, FSourceClassTypeID, FSourceInterID) "
        "Values (90, 90, 1030002, 4);");
    TakePrompts();
    ExpectRefused(bill->ClickTool("mnuRelatePushBill_1050001"),
                  {"该单据已经发生转移，请到应收应付系统制作收付款单"});
}

TEST_F(SaleTools, ARejectedBillIsNotDeleted) {
    ASSERT_TRUE(bill->LoadBill(5).done);
    bill->SetFieldValue("FRejected", 1);  // rejected while the bill was open
    TakePrompts();
    ExpectRefused(bill->DeleteBill(), {"不能删除驳回状态的单据！"});
    EXPECT_EQ(Stored("FBillNo", 5), "XOUT000002");
}

TEST_F(SaleTools, ACopyStartsUncheckedAndWhollyOpenForReturns) {
    ASSERT_TRUE(bill->LoadBill(4).done);
    ASSERT_TRUE(bill->CopyBill().done);
    EXPECT_EQ(Num("FStatus"), 0);
    Expect(1, {{"FRejectQty", 0}, {"FUnRejectQty", Num("FShowQty", 1)}});
}

TEST_F(SaleTools, PrintingSavesFirstWithTheOption) {
    demo.Host().SetOption("IC", "SaveBeforePrint", "1");
    TypeDelivery();
    ASSERT_TRUE(bill->ClickTool("mnuFilePrint").done) << PlugInError();
    EXPECT_GT(bill->CurBillID(), 0);
    ASSERT_EQ(bill->Prints().size(), 1u);
    EXPECT_TRUE(bill->Prints()[0].savedFirst);
    // A save the checks refuse prints nothing.
    OpenBill();
    TypeDelivery();
    EditRow(1, "FPrice", 20);  // below the floor
    EXPECT_FALSE(bill->ClickTool("mnuFilePreview").done);
    EXPECT_EQ(bill->CurBillID(), 0);
    EXPECT_TRUE(bill->Prints().empty());
}

// ---- Reject ------------------------------------------------------------------------------------

TEST_F(SaleTools, RejectingStoresTheReasonAndItsTimeAndSaves) {
    ASSERT_TRUE(bill->LoadBill(5, true).done);
    ASSERT_TRUE(Shown("mnuReject"));
    Platform().QueueAnswer(Value("客户要求改价"));
    ASSERT_TRUE(bill->ClickTool("mnuReject").done) << PlugInError();
    EXPECT_EQ(Stored("FRejected", 5), "1");
    EXPECT_EQ(Stored("FRejectedNote", 5), "客户要求改价");
    const std::string time = Stored("FRejectedTime", 5);
    EXPECT_EQ(time.substr(0, 11), "2026-12-10 ");
    EXPECT_EQ(time.size(), 19u);
    ExpectShown({"mnuReject", "mnuEditCheck", "mnuEditFileDelete"}, false);
    EXPECT_TRUE(Enabled("mnuDataNext2"));
}

TEST_F(SaleTools, ABlankReasonOrAClosedPeriodRejectsNothing) {
    ASSERT_TRUE(bill->LoadBill(5, true).done);
    Platform().QueueAnswer(Value("  "));
    ASSERT_TRUE(bill->ClickTool("mnuReject").done);
    EXPECT_EQ(Stored("FRejected", 5), "0");
    EXPECT_EQ(Text("FRejectedNote"), "");

    demo.Host().SetOption("Base", "AcctountingClosed", "1");
    TakePrompts();
    EXPECT_TRUE(bill->ClickTool("mnuReject").cancelled);
    auto prompts = TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);  // the closed period's message, no dialog
    EXPECT_NE(prompts[0].find("当前期间已经关账"), std::string::npos);
    EXPECT_EQ(Stored("FRejected", 5), "0");
}

}  // namespace
}  // namespace qor::test
