// Invoices of sales bills: from the open bill (what is left after earlier invoices) and from a
// selection of the list (its refusals in order), handed to the host's invoicing component,
// which records them so that the same rows cannot be invoiced twice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/data_access.h"
#include "tests/bills/field_checks.h"
#include "tests/support/bill_fixture.h"

namespace qor::test {
namespace {

class SaleInvoice : public ::testing::Test {
protected:
    DemoHost demo{"saleinv"};
    PlugInBill bill{demo, "sale"};

    // A sales bill of the customer dated in the open period, one row per item (2 pieces at
    // 10 + 13% tax) in the item's base unit; checked by the administrator unless told.
    void AddBill(int id, int type, int customer, const std::string& invoiceType,
                 const std::vector<int>& items, bool checked = true) {
        demo.Exec(
            "Insert Into t_CC_StockBill (FID,FClassTypeID,FBillTypeID,FBillNo,FDate,FCustID,"
            "FStatus,FCheckerID,FInvoiceType,FInvoiceAmt,FAllAmount,FExplanation,FIsInit) "
            "Values (" +
            std::to_string(id) + ",1030002," + std::to_string(type) + ",'XT" + std::to_string(id) +
            "','2026-12-08'," + std::to_string(customer) + "," + (checked ? "1,16394," : "0,0,") +
            invoiceType + ",0," + std::to_string(22.6 * items.size()) + ",'开票测试',0)");
        int index = 0;
        for (int item : items) {
            ++index;
            demo.Exec(
                "Insert Into t_CC_StockBillEntry (FEntryID,FID,FIndex,FItemID,FUnitID,"
                "FShowUnitID,FCoefficient,FQty,FShowQty,FPrice,FPriceDiscount,FTaxPrice,"
                "FDiscountRate,FTaxRate,FAmount,FTaxAmount,FInTaxAmount,FSCStockID) Select " +
                std::to_string(id * 100 + index) + "," + std::to_string(id) + "," +
                std::to_string(index) +
                ",FItemID,FUnitID,FUnitID,1,2,2,10,10,11.3,100,13,"
                "20,2.6,22.6,501 From t_ICItem Where FItemID=" +
                std::to_string(item));
        }
    }

    std::vector<CollectionPtr>& Invoices() { return demo.Host().Services().InvoiceDictionaries(); }

    // Expects the action refused (cancelled) with these prompts, which are then forgotten.
    void ExpectRefused(const host::form::ActionResult& r, const std::vector<std::string>& prompts) {
        EXPECT_TRUE(r.cancelled) << r.note << " " << bill.Trapped();
        EXPECT_EQ(bill.TakePrompts(), prompts);
    }
    // Expects each value of the invoice or entry to be this: a text or a number.
    static void ExpectValues(const CollectionPtr& c, Fields values) {
        ExpectFields("", values, [&](const char* key) { return c->Get(key); });
    }
    CollectionPtr Entry(const CollectionPtr& invoice, size_t n) {
        return invoice->Sub("Entries")->ItemAt(n).As<Collection>();
    }
    // What the invoices recorded of a source row.
    double InvoicedQty(int billID, int entryID) {
        return demo
            .Scalar("Select Sum(FQuantity) From t_InvoiceEntry Where FID_SRC=" +
                    std::to_string(billID) + " And FEntryID_SRC=" + std::to_string(entryID))
            .ToNumber();
    }
};

// ---- The list -----------------------------------------------------------------------------------

struct ListCase {
    const char* what;
    std::vector<int32_t> selection;
    std::string message;
};

TEST_F(SaleInvoice, TheListRefusesInTheOrderOfItsChecks) {
    AddBill(30, 3001, 104, "2021", {1009});  // a second invoice kind for 北京京客隆
    AddBill(31, 3001, 106, "2020", {1009});  // 苏州王建国 has no tax number
    AddBill(32, 3001, 104, "NULL", {1009});  // no invoice type
    AddBill(33, 3001, 104, "0", {1009});
    const std::string gap = "\r\n\r\n";
    const std::vector<ListCase> cases{
        {"a settlement return before an unchecked bill",
         {8, 14},
         "所选单据中有委托结算退货单，不能生成发票！"},
        {"an unchecked bill",
         {8, 5},
         "请选择已审核的销售单。" + gap + "所选单据中有未审核的销售单，无法生成发票！"},
        {"two customers before an invoiced bill",
         {8, 4},
         "请选择同一客户的销售单。" + gap + "所选单据中包含有多个客户，无法生成发票！"},
        {"no bill at all", {}, "请选择有效的销售单。" + gap + "所选单据中都不存在，无法生成发票！"},
        {"bills without invoice type", {32, 33}, "所选单据中没有发票类型，无法生成发票！"},
        {"two invoice kinds",
         {8, 30},
         "请选择同一发票类型的销售单。" + gap + "所选单据中包含有多种发票类型，无法生成发票！"},
        {"a typed and an untyped bill",
         {8, 32},
         "请选择同一发票类型的销售单。" + gap + "所选单据中包含有多种发票类型，无法生成发票！"},
        {"a bill invoiced before",
         {4},
         "请选择未生成过发票的销售单。" + gap + "所选单据中包含有已生成发票的单据，无法生成发票！"},
        {"a buyer without tax number",
         {31},
         "客户纳税登记号为空，请先补充客户相关税务资料。" + gap +
             "客户：01.004_苏州王建国食品商行"},
    };
    for (const auto& c : cases) {
        auto& list = bill.ListOf(c.selection);
        auto result = list.ClickTool("mnu_MakeQvtInvoice");
        EXPECT_TRUE(result.cancelled) << c.what;
        EXPECT_EQ(bill.TakePrompts(), std::vector<std::string>{c.message}) << c.what;
    }
    EXPECT_TRUE(Invoices().empty());
}

TEST_F(SaleInvoice, TheListNamesTheFirstTenItemsWithoutTaxCategory) {
    const std::vector<int> items{1001, 1002, 1003, 1004, 1005, 1006,
                                 1007, 1008, 1009, 1010, 1011, 1012};
    AddBill(40, 3001, 104, "2020", items);
    demo.Exec("Update t_ICItem Set FTaxCategoryID='' Where FItemID<>1012");
    bill.ListOf({40}).ClickTool("mnu_MakeQvtInvoice");
    auto prompts = bill.TakePrompts();
    ASSERT_EQ(prompts.size(), 1u);
    const std::string& text = prompts[0];
    EXPECT_EQ(text.rfind("如下商品税务资料信息不全，请先补充商品相关税务资料。\r\n", 0), 0u)
        << text;
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 10u);
    EXPECT_NE(text.find("01.001 农夫山泉饮用天然水(550ml)"), std::string::npos) << text;
    EXPECT_EQ(text.find("李宁运动T恤"), std::string::npos);  // it has its tax category
    EXPECT_TRUE(Invoices().empty());
}

TEST_F(SaleInvoice, TheListInvoicesDeliveriesAndReturnsOfOneCustomerOnce) {
    AddBill(50, 3001, 104, "2020", {1009, 1010});
    AddBill(51, 3002, 104, "2020", {1009});
    auto& list = bill.ListOf({50, 51});
    ASSERT_FALSE(list.ClickTool("mnu_MakeQvtInvoice").cancelled);
    EXPECT_TRUE(bill.TakePrompts().empty());
    ASSERT_EQ(Invoices().size(), 1u);
    auto invoice = Invoices()[0];
    ExpectValues(invoice,
                 {{"eType", 3}, {"BuyerID", 104}, {"BuyerName", "北京京客隆商业集团股份有限公司"}});
    ExpectValues(invoice, {{"BuyerTaxID", "911100001019876543"}});
    ExpectValues(invoice, {{"BuyerAddress", "北京市朝阳区新源街24号 010-64671234"}});
    ExpectValues(invoice, {{"BuyerBankInfo", "招商银行北京朝阳支行 110902345610201"}});
    ExpectValues(invoice, {{"BuyerPhone", "010-64671235"}, {"SaleTaxID", "91330104MA2H3K7X5Q"}});
    ExpectValues(invoice, {{"FReceiveTag", 0}, {"FRedSrcNumber", ""}});
    ASSERT_EQ(invoice->Sub("Entries")->Count(), 3u);
    auto delivery = Entry(invoice, 1);
    ExpectValues(delivery, {{"ProductName", "美的电饭煲"}, {"Model", "MB-FB40"}, {"Unit", "台"}});
    ExpectValues(delivery, {{"FItemNumber", "03.001"}, {"FTaxCategoryID", "1090416010000000000"}});
    ExpectValues(delivery, {{"Quantity", 2}, {"Price", 10}, {"PriceIncTax", 11.3}});
    ExpectValues(delivery, {{"AmountIncTax", 22.6}, {"FID_SRC", 50}, {"FEntryID_SRC", 5001}});
    ExpectValues(delivery, {{"FClassID_SRC", 1030002}, {"FBillNo_SRC", "XT50"}});
    // The return's quantity and amounts are negative, its prices are not.
    auto back = Entry(invoice, 3);
    ExpectValues(back, {{"FID_SRC", 51}, {"Quantity", -2}, {"Amount", -20}, {"TaxAmount", -2.6}});
    ExpectValues(back, {{"AmountIncTax", -22.6}, {"FAmountIncludeTax", -22.6}, {"Price", 10}});

    // The component recorded the invoice; the same bills are refused the next time.
    EXPECT_DOUBLE_EQ(InvoicedQty(50, 5001), 2);
    ExpectRefused(list.ClickTool("mnu_MakeQvtInvoice"),
                  {"请选择未生成过发票的销售单。\r\n\r\n"
                   "所选单据中包含有已生成发票的单据，无法生成发票！"});
    EXPECT_EQ(Invoices().size(), 1u);
}

TEST_F(SaleInvoice, TheListNeedsTheInvoiceRight) {
    demo.Host().DenyRight(33, 300, 32);
    EXPECT_TRUE(bill.ListOf({8}).ClickTool("mnu_MakeQvtInvoice").cancelled);
    ASSERT_EQ(demo.Host().Platform().Boxes().size(), 1u);
    EXPECT_EQ(demo.Host().Platform().Boxes()[0].prompt, "您没有发票填开的权限！");
    EXPECT_EQ(demo.Host().Platform().Boxes()[0].caption, "澄石提示");
    EXPECT_TRUE(Invoices().empty());
}

TEST_F(SaleInvoice, TheListNeedsTheSellersTaxData) {
    demo.Host().SetOption("Base", "QVTSaleName", "");
    EXPECT_TRUE(bill.ListOf({8}).ClickTool("mnu_MakeQvtInvoice").cancelled);
    EXPECT_EQ(
        bill.TakePrompts(),
        std::vector<std::string>{"未读取到开票方税务信息，无法进行开票操作，请先完成开票初始化。"});
    EXPECT_TRUE(Invoices().empty());
}

// ---- The form -----------------------------------------------------------------------------------

TEST_F(SaleInvoice, TheFormInvoicesWhatIsStillOpenAndThenRefuses) {
    ASSERT_TRUE(bill.form->LoadBill(4).done);  // XOUT000001: 2 of its 4 boxes invoiced
    bill.form->ClickTool("mnuRelatePushBill_3000001");
    EXPECT_TRUE(bill.TakePrompts().empty()) << bill.Trapped();
    ASSERT_EQ(Invoices().size(), 1u);
    auto invoice = Invoices()[0];
    ExpectValues(invoice,
                 {{"FRemark", "由销售订单SEORD000001生成"}, {"SaleName", "杭州汇通商贸有限公司"}});
    ASSERT_EQ(invoice->Sub("Entries")->Count(), 2u);
    auto first = Entry(invoice, 1);
    ExpectValues(first, {{"Quantity", 2}, {"Amount", 80}, {"TaxAmount", 10.4}});
    ExpectValues(first, {{"AmountIncTax", 90.4}, {"Unit", "箱"}, {"FUnitID", 3012}});
    EXPECT_DOUBLE_EQ(Entry(invoice, 2)->Get("Quantity").ToNumber(), 24);
    EXPECT_DOUBLE_EQ(InvoicedQty(4, 7), 4);

    // Everything is invoiced now: the bill's own query finds nothing left.
    auto again = bill.form->ClickTool("mnuRelatePushBill_3000001");
    EXPECT_TRUE(again.cancelled);
    ASSERT_EQ(demo.Host().Platform().Boxes().size(), 1u);
    EXPECT_EQ(demo.Host().Platform().Boxes()[0].prompt,
              "销售单的所有分录均已全部下推生成发票，不允许重复生成。");
    EXPECT_EQ(demo.Host().Platform().Boxes()[0].caption, "澄石提示");
    EXPECT_EQ(Invoices().size(), 1u);
}

TEST_F(SaleInvoice, AReturnIsInvoicedNegativeOnceFromTheForm) {
    ASSERT_TRUE(bill.form->LoadBill(6).done);  // XOUT000003: one box back
    bill.form->ClickTool("mnuRelatePushBill_3000001");
    ASSERT_EQ(Invoices().size(), 1u);
    auto entry = Entry(Invoices()[0], 1);
    ExpectValues(
        entry, {{"Quantity", -1}, {"Amount", -40}, {"AmountIncTax", -45.2}, {"PriceIncTax", 45.2}});
    EXPECT_DOUBLE_EQ(InvoicedQty(6, 11), -1);
    ExpectRefused(bill.form->ClickTool("mnuRelatePushBill_3000001"),
                  {"销售单的所有分录均已全部下推生成发票，不允许重复生成。"});
}

TEST_F(SaleInvoice, TheFormRefusesAnUnsavedBillABuyerWithoutTaxDataAndAnItemWithout) {
    // An unsaved bill offers no invoice: the tool waits for the save.
    ASSERT_TRUE(bill.New().done);
    EXPECT_FALSE(bill.form->Menus().Tool("mnuRelatePushBill_3000001")->Enabled());

    demo.Exec("Update t_Organization Set FTaxNum=NULL Where FItemID=101");
    ASSERT_TRUE(bill.form->LoadBill(4).done);
    bill.form->ClickTool("mnuRelatePushBill_3000001");
    EXPECT_EQ(bill.TakePrompts(),
              std::vector<std::string>{"客户纳税登记号为空，请先补充客户相关税务资料！"});

    demo.Exec("Update t_Organization Set FTaxNum='913301007042035981' Where FItemID=101");
    demo.Exec("Update t_ICItem Set FTaxCategoryID=NULL Where FItemID=1005");
    bill.form->ClickTool("mnuRelatePushBill_3000001");
    EXPECT_EQ(bill.TakePrompts(),
              std::vector<std::string>{
                  "商品（蒙牛原味酸奶）税务资料信息不全，请先补充商品相关税务资料。"});
    EXPECT_TRUE(Invoices().empty());
}

TEST_F(SaleInvoice, TheInvoicingComponentAsksTheBillForASalesPrice) {
    Args args{1001, 3012, 101, 501, "", 0.0, 0};
    const double price = bill.plugin->Invoke("GetSalePriceForQVT", args).ToNumber();
    EXPECT_GT(price, 0);
    EXPECT_GT(args[5].ToNumber(), 0);  // the discount rate comes back
}

}  // namespace
}  // namespace qor::test
