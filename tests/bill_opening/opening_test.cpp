// The opening consignment bill and the opening provisional purchase bill with their plug-ins on
// the demo database (start period 2026/1): the date rule, the costs, the totals, the open
// quantities through save, check and uncheck, the batch against stock and within the bill, the
// supplier's price, the header freight and a checked bill saved again.
#include <gtest/gtest.h>

#include "bills/opening/billevent_tempgj.h"
#include "tests/support/bill_fixture.h"

namespace qor {
namespace {

class OpeningBill : public ::testing::Test {
protected:
    test::DemoHost demo{"opening"};

    long Count(const std::string& sql) { return static_cast<long>(demo.Scalar(sql).ToNumber()); }
    // Saves the bill and returns the prompts; the test fails unless the save was cancelled.
    static std::vector<std::string> SaveRefusal(test::PlugInBill& bill) {
        bill.TakePrompts();
        EXPECT_TRUE(bill.form->Save().cancelled);
        return bill.TakePrompts();
    }
    // A consigned row of copy paper (item 1017) from stock.
    static void PaperRow(test::PlugInBill& bill, int row, const Value& stock, double qty = 10) {
        ASSERT_TRUE(bill.Edit("FItemID", row, Value(1017)).done) << bill.Trapped();
        bill.Edit(bill.form->Template().kind == "tempgj" ? "FDCStockID" : "FSCStockID", row, stock);
        bill.Edit("FPrice", row, Value(25));
        bill.Edit("FShowQty", row, Value(qty));
    }
};

// ---- The opening consignment bill --------------------------------------------------------------

class TempConsign : public OpeningBill {
protected:
    test::PlugInBill bill{demo, "tempconsign"};
    void SetUp() override { ASSERT_TRUE(bill.New().done); }
    void CostedPaperRow(int row = 1) {
        PaperRow(bill, row, Value(501));
        bill.Edit("FCostPrice", row, Value(18));
        bill.Edit("FCostAmount", row, Value(180));
    }
};

TEST_F(TempConsign, IsDatedBeforeTheStartPeriod) {
    EXPECT_EQ(bill.Text("FDate"), "2025-12-31");
    CostedPaperRow();
    for (const char* date : {"2026-01-01", "2026-03-15"}) {
        bill.Edit("FDate", Value(date));
        EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"只能录入启用期间以前的单据"})
            << date;
    }
    bill.Edit("FDate", Value("2025-12-31"));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

TEST_F(TempConsign, ARowNeedsACostUnlessItsStockIsVirtual) {
    PaperRow(bill, 1, Value(501));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"第1行商品的成本单价必须大于零"});
    EXPECT_EQ(bill.form->ActiveKey(), "FCostPrice");
    bill.Edit("FCostPrice", 1, Value(18));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"第1行商品的成本金额必须大于零"});
    // The gift stock is virtual: no cost, and the cost fields are locked.
    bill.Edit("FSCStockID", 1, Value(504));
    EXPECT_TRUE(bill.form->IsCellLocked("FCostAmount", 1));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
    // The class answers the virtual-stock question publicly too.
    Args args{Value(504), Value(false)};
    bill.plugin->Invoke("IsIsVirtualStock", args);
    EXPECT_TRUE(args[1].ToBool());
    args = {Value(501), Value(true)};
    bill.plugin->Invoke("IsIsVirtualStock", args);
    EXPECT_FALSE(args[1].ToBool());
}

TEST_F(TempConsign, TheTotalMayBeZeroButNotNegativeAndRatesStayInRange) {
    CostedPaperRow();
    bill.Edit("FDiscountRate", 1, Value(0));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"第1行折扣率必须大于0小于等于100。"});
    bill.Edit("FDiscountRate", 1, Value(100));
    bill.Edit("FShowQty", 1, Value(-1));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"总金额不能小于零"});
    bill.Edit("FPrice", 1, Value(0));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

TEST_F(TempConsign, OpenQuantitiesStartAtTheQuantityAndStayThroughCheckAndUncheck) {
    CostedPaperRow();
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    const std::string id = std::to_string(bill.form->CurBillID());
    const std::string open =
        "Select FUnRejectQty + FUnSettleQty From t_CC_StockBillEntry Where FID=" + id;
    EXPECT_EQ(Count(open), 20);
    EXPECT_NEAR(demo.Scalar("Select FAllAmount From t_CC_StockBill Where FID=" + id).ToNumber(),
                282.5, 1e-9);
    ASSERT_TRUE(bill.form->Check().done) << bill.Trapped();
    EXPECT_EQ(Count("Select FStatus From t_CC_StockBill Where FID=" + id), 1);
    EXPECT_FALSE(bill.form->Menus().Tool("mnuEditCheck")->Visible());
    EXPECT_TRUE(bill.form->Menus().Tool("mnuEditUnCheck")->Visible());
    // A checked bill cannot be checked twice: the component says why.
    EXPECT_FALSE(bill.form->Check().done);
    ASSERT_TRUE(bill.form->Uncheck().done) << bill.Trapped();
    EXPECT_EQ(Count("Select FStatus From t_CC_StockBill Where FID=" + id), 0);
    EXPECT_EQ(Count(open), 20);
}

TEST_F(TempConsign, ABatchThatDiffersFromStockTakesTheStocksData) {
    ASSERT_TRUE(bill.Edit("FItemID", 1, Value(1007)).done);
    bill.Edit("FSCStockID", 1, Value(501));
    bill.Edit("FBatchNo", 1, Value("SZ20260915"));
    EXPECT_EQ(bill.Text("FKFDate", 1), "2026-09-15");
    bill.Edit("FPrice", 1, Value(200));
    bill.Edit("FShowQty", 1, Value(2));
    bill.Edit("FCostPrice", 1, Value(120));
    bill.Edit("FCostAmount", 1, Value(240));
    bill.Edit("FKFDate", 1, Value("2026-09-01"));
    // The item has no auxiliary properties, so its cell is locked and not compared.
    EXPECT_EQ(SaveRefusal(bill),
              std::vector<std::string>{"批号为SZ20260915的第1行商品,"
                                       "与库存中同批号商品的生产日期、保质期或有效期至不同。"});
    EXPECT_EQ(bill.Text("FKFDate", 1), "2026-09-15");
    EXPECT_EQ(bill.Text("FPeriodDate", 1), "2027-03-14");
    EXPECT_EQ(bill.form->ActiveKey(), "FBatchNo");
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

TEST_F(TempConsign, TheHeaderFreightTheUserTypesIsKept) {
    demo.Host().SetIndustryType(1);
    ASSERT_TRUE(bill.New().done);
    CostedPaperRow();
    ASSERT_TRUE(bill.Edit("FTranspotationCosts", Value(50)).done);
    EXPECT_EQ(bill.Num("FTranspotationCosts"), 50);
    // Shared over the rows it stays; a row's own charge then sets the header total.
    bill.form->ClickTool("mnuShareByQty");
    EXPECT_EQ(bill.Num("FTranspotationCharges", 1), 50);
    ASSERT_TRUE(bill.Edit("FTranspotationCharges", 1, Value(40)).done);
    EXPECT_EQ(bill.Num("FTranspotationCosts"), 40);
}

// ---- The opening provisional purchase bill ------------------------------------------------------

class TempGJ : public OpeningBill {
protected:
    test::PlugInBill bill{demo, "tempgj"};
    void SetUp() override { ASSERT_TRUE(bill.New().done); }
};

TEST_F(TempGJ, ThePriceIsTheSuppliersLatestElseThePurchasePrice) {
    double discount = 0;
    EXPECT_EQ(BillEvent_TempGJ::GetPurchasePrice(Value(1001), Value(3011), Value(801), discount),
              1.18);
    EXPECT_EQ(discount, 100);
    discount = 7;
    EXPECT_EQ(BillEvent_TempGJ::GetPurchasePrice(Value(1001), Value(3011), Value(802), discount),
              1.2);
    EXPECT_EQ(discount, 7);
    EXPECT_EQ(BillEvent_TempGJ::GetPurchasePrice(Value(1001), Value(3999), Value(801), discount),
              0);

    EXPECT_EQ(bill.Num("FBillTypeID"), 2030);
    bill.Edit("FSupplyID", Value(802));
    ASSERT_TRUE(bill.Edit("FItemID", 1, Value(1009)).done) << bill.Trapped();
    EXPECT_EQ(bill.Num("FPrice", 1), 255);
    EXPECT_EQ(bill.Num("FDiscountRate", 1), 98);
}

TEST_F(TempGJ, TheTotalAndEveryRowAmountMustBeAboveZero) {
    PaperRow(bill, 1, Value(501));
    bill.Edit("FPrice", 1, Value(0));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"总金额必须大于零"});
    bill.Edit("FPrice", 1, Value(25));
    PaperRow(bill, 2, Value(501));
    bill.Edit("FPrice", 2, Value(0));
    EXPECT_EQ(SaveRefusal(bill), std::vector<std::string>{"第2行商品金额不能为零"});
    bill.Edit("FPrice", 2, Value(25));
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    EXPECT_EQ(Count("Select Sum(FUnSettleQty) From t_CC_StockBillEntry Where FID=" +
                    std::to_string(bill.form->CurBillID())),
              20);
}

TEST_F(TempGJ, RowsOfOneBatchMustAgree) {
    for (int row : {1, 2}) {
        ASSERT_TRUE(bill.Edit("FItemID", row, Value(1007)).done);
        bill.Edit("FDCStockID", row, Value(501));
        bill.Edit("FBatchNo", row, Value("QC2025"));
        bill.Edit("FPrice", row, Value(200));
        bill.Edit("FShowQty", row, Value(1));
        bill.Edit("FKFPeriod", row, Value(180));
        bill.Edit("FKFDate", row, Value(row == 1 ? "2025-10-01" : "2025-10-02"));
    }
    EXPECT_EQ(SaveRefusal(bill),
              std::vector<std::string>{"同一批号商品的生产日期、保质期、有效期至必须完全一致。"});
    bill.Edit("FKFDate", 2, Value("2025-10-01"));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

TEST_F(TempGJ, ACheckedBillIsSavedAgainWithoutTheChecks) {
    bill.Edit("FSupplyID", Value(803));
    PaperRow(bill, 1, Value(501));
    ASSERT_TRUE(bill.form->Save().done) << bill.Trapped();
    ASSERT_TRUE(bill.form->Check().done) << bill.Trapped();
    EXPECT_TRUE(bill.form->Menus().Tool("mnuEditUnCheck")->Visible());
    // A date the checks would refuse does not stop the save of a checked bill.
    bill.form->SetFieldValue("FDate", Value("2026-02-01"));
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
    EXPECT_TRUE(bill.TakePrompts().empty());
}

TEST_F(TempGJ, TheHeaderFreightAndAdvanceAreKeptAndAMismatchRefusesTheSave) {
    demo.Host().SetIndustryType(1);
    ASSERT_TRUE(bill.New().done);
    PaperRow(bill, 1, Value(501));
    ASSERT_TRUE(bill.Edit("FTranspotationCosts", Value(30)).done);
    ASSERT_TRUE(bill.Edit("FTotaladvanceCosts", Value(10)).done);
    EXPECT_EQ(bill.Num("FTranspotationCosts"), 30);
    EXPECT_EQ(
        SaveRefusal(bill),
        std::vector<std::string>{"表头我方支付运杂费加厂家垫付运杂费之和与表体运杂费合计不相等！"});
    bill.form->ClickTool("mnuShareByAmt");
    EXPECT_EQ(bill.Num("FTranspotationCharges", 1), 40);
    EXPECT_TRUE(bill.form->Save().done) << bill.Trapped();
}

}  // namespace
}  // namespace qor
