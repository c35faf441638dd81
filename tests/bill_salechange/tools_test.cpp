// The exchange bill's related-record queries, logistics bills and invoice: the sales bill's
// commands, reading and linking the exchange bill's own rows (t_cc_ChangeEntry, class 1030005)
// and never the stock bill that happens to share its identifier.
#include <algorithm>

#include "tests/bill_salechange/exchange_fixture.h"

namespace qor::test {
namespace {

class ExchangeCommands : public ExchangeTest {
protected:
    host::ServiceContext& Services() { return demo.Host().Services(); }
    const host::ShownWindow* LastWindow() {
        const auto& shown = Services().Shown();
        return shown.empty() ? nullptr : &shown.back();
    }
    // The bill numbers of the rows the last viewer showed.
    std::vector<std::string> ShownBillNos() {
        std::vector<std::string> numbers;
        const auto* w = LastWindow();
        if (!w || !w->data) return numbers;
        for (auto rows = w->data->Get("Rows").As<IRecordset>(); rows && !rows->IsEOF();
             rows->MoveNext())
            numbers.push_back(rows->Field("FBillNo").ToString());
        return numbers;
    }
    // A checked sales return of the demo's customer 105 whose row was drawn from the entry of
    // the bill of the source class.
    void AddReturnDrawnFrom(int id, int sourceClass, int sourceID, int sourceEntry) {
        const std::string n = std::to_string(id);
        demo.Exec(
            "Insert Into t_CC_StockBill (FID,FClassTypeID,FBillTypeID,FBillNo,FDate,FCustID,"
            "FStatus,FInvoiceType,FIsInit) Values (" +
            n + ",1030002,3002,'XT" + n + "','2026-12-08',105,1,2021,0)");
        demo.Exec(
            "Insert Into t_CC_StockBillEntry (FEntryID,FID,FIndex,FItemID,FUnitID,"
            "FShowUnitID,FCoefficient,FQty,FShowQty,FTaxPrice,FInTaxAmount,FID_SRC,"
            "FEntryID_SRC,FClassID_SRC) Values (" +
            n + "00," + n + ",1,1012,3091,3091,1,1,1,123.17,123.17," + std::to_string(sourceID) +
            "," + std::to_string(sourceEntry) + "," + std::to_string(sourceClass) + ")");
    }
    std::vector<CollectionPtr>& Invoices() { return Services().InvoiceDictionaries(); }
};

// ---- Related records ---------------------------------------------------------------------------

TEST_F(ExchangeCommands, TheReturnsOfAnExchangeBillAreThoseDrawnFromIt) {
    AddReturnDrawnFrom(60, 1030005, 1, 1);  // takes back goods of XSHH000001
    AddReturnDrawnFrom(61, 1030002, 1, 1);  // drawn from the stock bill of the same FID
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->ClickTool("mnuQuerySaleReject").done) << bill.Trapped();
    ASSERT_NE(LastWindow(), nullptr);
    EXPECT_EQ(LastWindow()->progId, "QORClassLookUp.RelateBilllookUp");
    EXPECT_EQ(LastWindow()->title, "查询退货记录");
    EXPECT_EQ(ShownBillNos(), std::vector<std::string>{"XT60"});

    // The sources of an exchange bill are those of its own rows.
    // XSHH000001's row was drawn from XOUT000001's water; the purchase receipt of FID 1 has
    // rows of its own that must not be shown.
    demo.Exec(
        "Update t_cc_ChangeEntry Set FID_SRC=4,FEntryID_SRC=7,FClassID_SRC=1030002 "
        "Where FEntryID=1");
    demo.Exec(
        "Update t_CC_StockBillEntry Set FID_SRC=15,FEntryID_SRC=21,FClassID_SRC=1030002 "
        "Where FID=1");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->ClickTool("mnuQuerySale").done) << bill.Trapped();
    EXPECT_EQ(ShownBillNos(), std::vector<std::string>{"XOUT000001"});

    // The receipts of an exchange bill are those offset against it.
    demo.Exec(
        "Insert Into ICCheckInfo (FID,FClassTypeID,FInterID,FRBillID,FCheckAmount,FDate) "
        "Values (2,1030005,1,2,50,'2026-12-05'),(3,1030002,1,1,70,'2026-12-05')");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->ClickTool("mnuQueryPayIn").done) << bill.Trapped();
    EXPECT_EQ(LastWindow()->title, "查询收款记录");
    EXPECT_EQ(ShownBillNos(), std::vector<std::string>{"SKD000002"});
}

TEST_F(ExchangeCommands, QueriesAndFollowOnsNeedASavedBillWithACustomer) {
    for (const char* key : {"mnuQueryPayIn", "mnuQuerySale", "mnuQuerySaleReject",
                            "mnuRelatePushBill_2000001", "mnuRelatePushBill_3000001"}) {
        bill.form->SetBarStatus(key, "Enabled", true);
        EXPECT_TRUE(bill.form->ClickTool(key).cancelled) << key;
        EXPECT_EQ(Prompts(), std::vector<std::string>{"请先保存单据"}) << key;
    }
    demo.Exec("Update t_cc_Change Set FCustID=0 Where FID=1");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ExpectRefused(bill.form->ClickTool("mnuRelatePushBill_3000001"), {"请先输入客户。"});
    EXPECT_EQ(LastWindow(), nullptr);
}

// ---- Follow-on documents -----------------------------------------------------------------------

TEST_F(ExchangeCommands, ALogisticsBillIsMadeForTheCheckedExchangeBill) {
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->Check().done) << ::testing::PrintToString(Prompts());
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ExpectRefused(bill.form->ClickTool("mnuRelatePushBill_2000001"), {});
    ASSERT_NE(LastWindow(), nullptr);
    EXPECT_EQ(LastWindow()->progId, "QORLogisticManage.Application");
    EXPECT_EQ(LastWindow()->lines, std::vector<std::string>{});
    EXPECT_EQ(demo.Scalar("Select FLogisticNumber From t_cc_Change Where FID=1").ToString(),
              "WLXSHH000001");
}

TEST_F(ExchangeCommands, TheInvoiceTakesTheExchangeBillsRowsOnce) {
    demo.Exec("Update t_Organization Set FTaxNum='911201007000000001' Where FItemID=105");
    // An invoice of the stock bill's row of the same identifiers leaves the exchange bill open.
    demo.Exec("Insert Into t_Invoice (FID,FCode,FNumber) Values (90,'033002100111','00000090')");
    demo.Exec(
        "Insert Into t_InvoiceEntry (FInvCode,FInvNumber,FQuantity,FID_SRC,FEntryID_SRC,"
        "FClassID_SRC) Values ('033002100111','00000090',5,1,1,1030002)");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    Prompts();
    bill.form->ClickTool("mnuRelatePushBill_3000001");
    EXPECT_EQ(Prompts(), std::vector<std::string>{}) << bill.Trapped();
    ASSERT_EQ(Invoices().size(), 1u);
    auto entries = Invoices().back()->Sub("Entries");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->Count(), 1u);
    auto entry = entries->ItemAt(1).As<Collection>();
    EXPECT_EQ(entry->Get("FClassID_SRC").ToNumber(), 1030005);
    EXPECT_EQ(entry->Get("FID_SRC").ToNumber(), 1);
    EXPECT_EQ(entry->Get("FEntryID_SRC").ToNumber(), 1);
    EXPECT_EQ(entry->Get("FBillNo_SRC").ToString(), "XSHH000001");
    EXPECT_EQ(entry->Get("Quantity").ToNumber(), 1);
    EXPECT_EQ(Invoices().back()->Get("eType").ToNumber(), 2);  // invoice type 2021
    EXPECT_EQ(Count("Select Count(*) From t_InvoiceEntry Where FClassID_SRC=1030005 And "
                    "FID_SRC=1 And FEntryID_SRC=1"),
              1);

    // The row is now wholly invoiced.
    Prompts();
    ExpectRefused(bill.form->ClickTool("mnuRelatePushBill_3000001"),
                  {"销售单的所有分录均已全部下推生成发票，不允许重复生成。"});
    EXPECT_EQ(Invoices().size(), 1u);
}

TEST_F(ExchangeCommands, TheInvoicingComponentAsksTheExchangeBillForTheSalesPrice) {
    PlugInBill sale{demo, "sale"};
    Args onExchange{1001, 3012, 101, 501, "", 0.0, 0};
    Args onSale = onExchange;
    const double price = bill.plugin->Invoke("GetSalePriceForQVT", onExchange).ToNumber();
    EXPECT_GT(price, 0);
    EXPECT_EQ(price, sale.plugin->Invoke("GetSalePriceForQVT", onSale).ToNumber());
    EXPECT_GT(onExchange[5].ToNumber(), 0);  // the discount rate comes back
    EXPECT_EQ(onExchange[5].ToNumber(), onSale[5].ToNumber());
}

// ---- Copies -------------------------------------------------------------------------------------

TEST_F(ExchangeCommands, ACopyStartsUncheckedAndWhollyOpenForReturns) {
    demo.Exec("Update t_cc_Change Set FStatus=1 Where FID=1");
    demo.Exec("Update t_cc_ChangeEntry Set FShowQty=3,FQty=3,FUnRejectQty=0 Where FID=1");
    ASSERT_TRUE(bill.form->LoadBill(1).done);
    ASSERT_TRUE(bill.form->CopyBill().done) << bill.Trapped();
    EXPECT_EQ(Num("FStatus"), 0);
    EXPECT_EQ(Num("FUnRejectQty", 1), 3);
    // Nothing was written to fields the exchange bill does not have.
    for (const auto& note : bill.form->TakeNotes())
        EXPECT_EQ(note.find("FRejectQty"), std::string::npos) << note;
}

// ---- The list -----------------------------------------------------------------------------------

TEST_F(ExchangeCommands, TheListMakesAndShowsTheExchangeBillsLogisticsBills) {
    demo.Host().SetUserProfile("SaleListInterface", "LogicMultiToOne", "1");
    demo.Exec("Update t_cc_Change Set FStatus=1 Where FID In (1,2)");
    auto& list = bill.ListOf({1});
    auto& menus = list.Menus();
    EXPECT_EQ(menus.Tool("mnu_MakeQvtInvoice"), nullptr);
    ASSERT_NE(menus.Tool("mnuGenLogic"), nullptr);
    EXPECT_EQ(menus.Band("mnuLogic")->ToolKeys(),
              (std::vector<std::string>{"mnuLogicOneToOne", "mnuLogicMultiToOne"}));
    EXPECT_TRUE(menus.Tool("mnuLogicMultiToOne")->Checked());
    EXPECT_FALSE(menus.Tool("mnuLogicOneToOne")->Checked());

    ExpectRefused(list.ClickTool("mnuQueryLogisticList"), {"请选择已经生成过物流单的销售单！"});

    list.Select({1, 2});
    ASSERT_FALSE(list.ClickTool("mnuGenLogic").cancelled) << bill.Trapped();
    ASSERT_NE(LastWindow(), nullptr);
    EXPECT_EQ(LastWindow()->lines,
              (std::vector<std::string>{"提示信息", "合计：成功(2张),失败(0张)"}));
    EXPECT_EQ(Count("Select Count(Distinct FLogisticNumber) From t_cc_Change"), 1);
    EXPECT_EQ(demo.Scalar("Select FLogisticNumber From t_cc_Change Where FID=2").ToString(),
              "WLXSHH000001");
    // The stock bills of the same identifiers got none.
    EXPECT_EQ(Count("Select Count(*) From t_CC_StockBill Where FID In (1,2) And "
                    "IsNull(FLogisticNumber,'')='WLXSHH000001'"),
              0);

    ASSERT_FALSE(list.ClickTool("mnuQueryLogisticList").cancelled);
    EXPECT_EQ(LastWindow()->data->Get("BillCode").ToString(), "XSHH000001,XSHH000002");
}

}  // namespace
}  // namespace qor::test
