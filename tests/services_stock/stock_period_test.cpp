// Stock and period checks on the demo database: the closed current period, the start date,
// quantities on hand with their rounding, the shortage data without virtual stocks, open
// orders, costs and the default stock of a row.
#include <gtest/gtest.h>

#include "services/stock_period.h"
#include "tests/support/demo_form.h"
#include "tests/support/fakes.h"

namespace qor::test {
namespace {

// Item 9301 in 个 (9921) and 箱 of 12 (9922), with stock in a real stock 9501 (also in batch
// B'7 and in auxiliary property 2001) and in a virtual stock 9502; item 9302 only in the
// virtual stock.
constexpr const char* kStockData = R"(
INSERT INTO t_MeasureUnit (FItemID, FUnitGroupID, FNumber, FName, FCoefficient) VALUES
  (9921, 98, 'S01', '个', 1), (9922, 98, 'S02', '箱', 12);
INSERT INTO t_ICItem (FItemID, FNumber, FName, FUnitGroupID, FUnitID, FSaleUnitID, FDefaultLoc)
VALUES (9301, 'S.9301', '测试螺丝', 98, 9921, 9921, 9501),
       (9302, 'S.9302', '测试赠品', 98, 9921, 9921, 0);
INSERT INTO t_barcode (FID, FItemID, FUnitID, FEntryNo, FCoefficient, FBarcode, FOrder) VALUES
  (99301, 9301, 9921, 1, 1, 'S-1', 1), (99302, 9301, 9922, 2, 12, 'S-12', 2);
INSERT INTO t_Stock (FItemID, FNumber, FName, FTypeID) VALUES
  (9501, 'T1', '测试总仓', 500), (9502, 'T2', '测试赠品仓', 502);
INSERT INTO t_cc_inventory (FItemID, FStockID, FBatchNo, FAuxPropID, FQty, FSecQty, FAmount)
VALUES (9301, 9501, '', 0, 7, 0.5, 35), (9301, 9501, 'B''7', 0, 2, 0, 16),
       (9301, 9501, '', 2001, 1.125, 0, 0), (9301, 9502, '', 0, 5, 0.25, 0),
       (9302, 9502, '', 0, 3, 0, 0);
)";

class StockPeriod : public ::testing::Test {
protected:
    DemoHost demo;
    void SetUp() override { demo.Exec(kStockData); }
    const std::vector<host::BoxRecord>& Boxes() { return demo.Host().Platform().Boxes(); }
};

constexpr const char* kClosedMessage =
    "当前期间已经关账、不可以进行本期出入库单据和成本调整单据的录入、修改、审核、删除等操作! ";

TEST_F(StockPeriod, ClosedCurrentPeriodRefusesItsOwnDaysOnly) {
    demo.Host().SetOption("IC", "CurrentYear", "2026");
    demo.Host().SetOption("IC", "CurrentPeriod", "2");
    std::string first, last;
    ASSERT_TRUE(GetCurPeriodRange(first, last));
    EXPECT_EQ(first, "2026-02-01");
    EXPECT_EQ(last, "2026-02-28");

    // The refusal carries the message; the check shows nothing itself.
    Verdict closed = CheckPeriodOpen("2026-02-01", "", "1");
    EXPECT_TRUE(closed.Refused());
    EXPECT_EQ(closed.Message(), kClosedMessage);
    EXPECT_EQ(closed.Buttons(), 64);
    EXPECT_EQ(closed.Caption(), "信息提示");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(CheckPeriodOpen("2026-02-28 18:30:00", "", "1").Refused());
    EXPECT_TRUE(CheckPeriodOpen("2026-01-31", "", "1").Passed());
    EXPECT_TRUE(CheckPeriodOpen("2026/3/1", "", "1").Passed());

    EXPECT_TRUE(CheckPeriodOpen("2026-02-10", "", "0").Passed());  // "0" never refuses
    EXPECT_TRUE(CheckPeriodOpen("2026-02-10").Passed());           // the books are open in the demo
    demo.Host().SetOption("Base", "AcctountingClosed", "1");
    EXPECT_TRUE(CheckPeriodOpen("2026-02-10").Refused());
    // A date that cannot be read, or no current period, lets the bill pass.
    EXPECT_TRUE(CheckPeriodOpen("2026-02-30").Passed());
    demo.Host().SetOption("IC", "CurrentYear", "2031");
    EXPECT_FALSE(GetCurPeriodRange(first, last));
    EXPECT_EQ(first, "");
    EXPECT_TRUE(CheckPeriodOpen("2026-02-10").Passed());
}

TEST_F(StockPeriod, StartDateOnlyWhileOpeningBalancesAreOpen) {
    EXPECT_EQ(FormatDateTime(GetInitStartDate()), "2026-01-01 00:00:00");
    demo.Host().SetOption("IC", "StartPeriod", "3");
    EXPECT_EQ(FormatDateTime(GetInitStartDate()), "2026-03-01 00:00:00");
    demo.Host().SetOption("GL", "InitClosed", "1");
    EXPECT_EQ(FormatDateTime(GetInitStartDate()), "1900-01-01 00:00:00");
}

TEST_F(StockPeriod, QuantityOnHandByAuxBatchAndUnit) {
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, ""), 15.125);  // every stock, virtual included
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "B'7"), 2);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 2001, ""), 1.125);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "", 2, 9922), 15.125);  // still base units
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "", 3, 9922), 0.75);    // the second quantity
    // The sum asked for: in the unit (12 to the box), or the base or second quantity whatever
    // the calculation type; without a unit the base quantity.
    EXPECT_NEAR(GetInventoryQty(9301, 0, "", 0, 9922, StockSum::ShowQty), 15.125 / 12, 5e-5);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "", 3, 9922, StockSum::Qty), 15.125);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "", 0, 9922, StockSum::SecQty), 0.75);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "", 0, 0, StockSum::ShowQty), 15.125);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "NOPE"), 0);
    EXPECT_DOUBLE_EQ(GetInventoryQty(424242, 0, ""), 0);
    EXPECT_DOUBLE_EQ(GetInventoryQty("abc", 0, ""), 0);

    // Two decimals, a half going to the even digit.
    demo.Host().SetOption("IC", "QuantityDigitCount", "2");
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 2001, ""), 1.12);
    demo.Exec("UPDATE t_cc_inventory SET FQty=1.135 WHERE FAuxPropID=2001;");
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 2001, ""), 1.14);
    demo.Host().SetOption("IC", "QuantityDigitCount", "0");
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, "B'7"), 2);
    EXPECT_DOUBLE_EQ(GetInventoryQty(9301, 0, ""), 15);  // 15.135
}

TEST_F(StockPeriod, QuantityPerStockWithNames) {
    auto stocks = GetInventoryQtyByStock(9301, 0, "");
    ASSERT_EQ(stocks.size(), 2u);
    double real = 0, gift = 0;
    for (const auto& s : stocks) {
        EXPECT_EQ(s.itemName, "测试螺丝");
        if (s.stockName == "测试总仓") real = s.qty;
        if (s.stockName == "测试赠品仓") gift = s.qty;
    }
    EXPECT_DOUBLE_EQ(real, 10.125);
    EXPECT_DOUBLE_EQ(gift, 5);
    auto boxes = GetInventoryQtyByStock(9301, 0, "", 0, 9922);
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& s : boxes) EXPECT_NEAR(s.showQty, s.qty / 12, 5e-5);  // four decimals
}

TEST_F(StockPeriod, ShortageDataLeavesVirtualStocksOut) {
    auto all = CheckInventoryShort(9301, 0, 0, "");
    EXPECT_TRUE(all.found);
    EXPECT_DOUBLE_EQ(all.qty, 10.125);  // the 5 in the virtual stock are not counted
    EXPECT_EQ(all.qtyText, Trim(demo.Scalar("select dbo.GetComplexQty(9301,10.125)").ToString()));
    EXPECT_EQ(all.text, "商品：测试螺丝  库存：" + all.qtyText);

    auto giftOnly = CheckInventoryShort(9302, 0, 0, "");
    EXPECT_FALSE(giftOnly.found);
    EXPECT_DOUBLE_EQ(giftOnly.qty, 0);
    EXPECT_EQ(giftOnly.itemName, "测试赠品");
    EXPECT_EQ(giftOnly.text, "商品：测试赠品  库存：0");  // no barcodes: a plain number

    auto inGiftStock = CheckInventoryShort(9302, 9502, 0, "");
    EXPECT_DOUBLE_EQ(inGiftStock.qty, 3);
    EXPECT_EQ(inGiftStock.stockName, "测试赠品仓");

    auto batch = CheckInventoryShort(9301, 9501, 0, "B'7");
    EXPECT_DOUBLE_EQ(batch.qty, 2);
    EXPECT_EQ(batch.text.rfind("商品：测试螺丝  仓库：测试总仓  批号：B'7  库存：", 0), 0u)
        << batch.text;

    auto none = CheckInventoryShort(9301, 9502, 2001, "", 3, 9922);  // nothing there
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.auxName, "红色/M");
    EXPECT_NE(none.text.find("  仓库：测试赠品仓  辅助属性：红色/M  库存："), std::string::npos)
        << none.text;
    EXPECT_NE(none.text.find("  辅助数量：0"), std::string::npos) << none.text;
    EXPECT_EQ(CheckInventoryShort(0, 9501, 0, "").text, "");
}

TEST_F(StockPeriod, OpenOrderQuantitiesInBaseUnits) {
    demo.Exec(R"(
INSERT INTO t_CG_Order (FID, FBillNo, FDate, FStatus) VALUES
  (9601, 'TP1', '2026-12-01', 1), (9602, 'TP2', '2026-12-01', 0);
INSERT INTO t_CG_OrderEntry (FID, FItemID, FAuxPropID, FUnStockInQty, FCoefficient) VALUES
  (9601, 9301, 0, 3, 12), (9602, 9301, 0, 100, 1);
INSERT INTO t_XS_Order (FID, FBillNo, FDate, FStatus) VALUES
  (9701, 'TS1', '2026-12-01', 1), (9702, 'TS2', '2026-12-01', 2);
INSERT INTO t_XS_OrderEntry (FID, FItemID, FAuxPropID, FShowQty, FSendQty, FCoefficient) VALUES
  (9701, 9301, 2001, 10, 4, 12), (9701, 9301, 0, 1, 0, 1), (9702, 9301, 0, 50, 0, 1);
)");
    // What comes in and goes out ("-1": not asked): unchecked purchase orders and closed sales
    // orders do not count, an empty sum is 0.
    auto pending = [](int kind, const Value& item, const Value& aux = Value()) {
        double in = -1, out = -1;
        GetOrderPendingQty(kind, item, in, out, aux);
        return NumberToText(in) + " " + NumberToText(out);
    };
    EXPECT_EQ(pending(1, 9301), "36 -1");
    EXPECT_EQ(pending(2, 9301), "-1 73");
    EXPECT_EQ(pending(3, 9301, 2001), "0 72");
    EXPECT_EQ(pending(3, "abc"), "0 0");
}

TEST_F(StockPeriod, CostsStocksAndControlPoint) {
    EXPECT_DOUBLE_EQ(GetItemCost(9301, 9501, ""), 51.0 / 10.125);
    EXPECT_DOUBLE_EQ(GetItemCost80(9301, 9501, "B'7"), 8);
    EXPECT_DOUBLE_EQ(GetItemCost(9302, 9502, ""), 0);
    EXPECT_DOUBLE_EQ(GetItemCost("x", 9501, ""), 0);

    EXPECT_TRUE(IsVirtualStock(9502));
    for (const Value& stock : {Value(9501), Value(0), Value("gift"), Value(424242)}) {
        EXPECT_FALSE(IsVirtualStock(stock)) << stock.ToString();
    }

    EXPECT_EQ(GetControlPoint(), 0);
    demo.Host().SetOption("IC", "ControlPoint", "2");
    EXPECT_EQ(GetControlPoint(), 2);
}

// The stock is written as its number, as a user would type it; the bill's host turns it into the
// stock. A recording bill shows what was written.
TEST_F(StockPeriod, DefaultStockOfANewRowIsWrittenAsItsNumber) {
    FakeBillForm bill;
    auto stock = [&](int row) { return bill.GetFieldValue("FSCStockID", row, 1); };
    bill.SetFieldValue("FItemID", 9301, 1, 1);  // default stock 9501
    SetDefaultStock(bill, 1, "FSCStockID");
    EXPECT_EQ(stock(1), Value("T1"));

    // Without a default stock a later row takes the previous row's stock.
    bill.SetFieldValue("FSCStockID", 9502, 1, 1);
    bill.SetFieldValue("FItemID", 9302, 2, 1);
    SetDefaultStock(bill, 2, "FSCStockID");
    EXPECT_EQ(stock(2), Value("T2"));
    // ... and row 1 the host's first real stock.
    bill.SetFieldValue("FItemID", 9302, 1, 1);
    SetDefaultStock(bill, 1, "FSCStockID");
    EXPECT_EQ(stock(1).ToString(),
              demo.Scalar("Select FNumber From t_Stock Where FTypeID<>502 And FDeleted=0 Order By "
                          "FItemID")
                  .ToString());
    // The twin row set names its own keys.
    bill.SetFieldValue("FItemID01", 9301, 3, 1);
    SetDefaultStock(bill, 3, "FSCStockID01", "FItemID01");
    EXPECT_EQ(bill.GetFieldValue("FSCStockID01", 3, 1), Value("T1"));

    demo.Host().SetOption("IC", "IsUsePrevStockForBill", "0");
    bill.SetFieldValue("FItemID", 9301, 4, 1);
    SetDefaultStock(bill, 4, "FSCStockID");
    EXPECT_TRUE(stock(4).IsEmpty());
    demo.Host().SetOption("IC", "IsUsePrevStockForBill", "1");
    SetDefaultStock(bill, -1, "FSCStockID");  // the header has no row stock
    EXPECT_TRUE(stock(-1).IsEmpty());
}

}  // namespace
}  // namespace qor::test
