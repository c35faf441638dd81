// Item master data, the second unit of calculation-type rows, the calculation type and its
// check, display prices, prices by stock, rounding, and the per-event cache of master-data reads.
#include <gtest/gtest.h>

#include <cmath>

#include "frame/data_access.h"
#include "frame/verdict.h"
#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"

namespace qor::test {
namespace {

class RowPrices : public ::testing::Test {
protected:
    DemoHost demo{"prices"};
    std::shared_ptr<host::form::HostBillForm> sale = demo.NewBill("sale", 3);
    IBillForm& b = *sale;

    double Get(const std::string& key, int row = 1) { return Num(b, key, row); }
    void Industry(int type) { demo.Host().SetIndustryType(type); }
};

TEST_F(RowPrices, ItemFlagsAndSecondCoefficientsFromTheItem) {
    EXPECT_TRUE(GetItemIsGC(kSteel));
    EXPECT_TRUE(GetItemIsGC(Value("1015")));
    EXPECT_FALSE(GetItemIsGC(kWater));
    EXPECT_FALSE(GetItemIsGC(99999)) << "no such item";
    EXPECT_FALSE(GetItemIsGC(Value("")));
    demo.Db().Execute("update t_ICItem set FIsGC=NULL where FItemID=1001");
    DataGateway::Instance().DropCache();
    EXPECT_TRUE(GetItemIsGC(kWater)) << "a null flag counts as set";

    EXPECT_DOUBLE_EQ(GetItemSecCoefficient(kSteel), 1000);
    EXPECT_DOUBLE_EQ(GetItemSecCoefficient(kSteel, 4), 250);
    EXPECT_DOUBLE_EQ(GetItemSecCoefficient(kSteel, 0), 0);
    EXPECT_DOUBLE_EQ(GetItemSecCoefficient(kWater, 2), 0);
    EXPECT_DOUBLE_EQ(GetItemSecCoefficient(99999, 2), 0);
}

TEST_F(RowPrices, ItemReadsSendIntegersOnly) {
    DataGateway::Instance().KeepTrace(true);
    GetItemIsGC(Value("1014' or '1'='1"));
    GetItemSecCoefficient(Value("1014;delete t_ICItem"), 1);
    const auto& trace = DataGateway::Instance().Trace();
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[0].sql, "select FIsGC from t_ICItem where FItemID='1014'");
    EXPECT_EQ(trace[1].sql, "select FSecCoefficient from T_ICItem where FItemID=1014");
    DataGateway::Instance().KeepTrace(false);
}

TEST_F(RowPrices, SecondQuantityOfCalculationTypeRows) {
    Fill(b, 1, {{"FQty", 5}, {"FBasePrice", 2}, {"FShowQty", 10}, {"FSecPrice", 9}});
    CalcRowSecQty(b, 1, 1);
    EXPECT_DOUBLE_EQ(Get("FSecQty"), 5);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 2);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient"), 2);

    // A type-3 row keeps the weight entered as second quantity, whatever type the caller
    // passes: the row's own type decides.
    Fill(b, 2,
         {{"FCalTypeID", 3}, {"FQty", 4}, {"FShowQty", 4}, {"FSecQty", 12}, {"FSecPrice", 10}});
    for (const Value& hint : {Value(), Value(1)}) {
        CalcRowSecQty(b, 2, hint);
        EXPECT_DOUBLE_EQ(Get("FSecQty", 2), 12) << hint.ToString();
        EXPECT_DOUBLE_EQ(Get("FSecPrice", 2), 10);
        EXPECT_NEAR(Get("FSecCoefficient", 2), 4.0 / 12, 1e-9);
    }

    // No quantity: the coefficient stays.
    Fill(b, 3, {{"FQty", 0}, {"FShowQty", 3}, {"FSecCoefficient", 7}});
    CalcRowSecQty(b, 3);
    EXPECT_DOUBLE_EQ(Get("FSecQty", 3), 0);
    EXPECT_DOUBLE_EQ(Get("FSecCoefficient", 3), 7);
}

TEST_F(RowPrices, CalculationTypeFromTheItemAndItsCheck) {
    Fill(b, 1, {{"FItemID", kWire}});
    Fill(b, 2, {{"FItemID", kWater}});
    Fill(b, 3, {{"FItemID", kPork}});
    EXPECT_TRUE(SetRowCalType(b, 1));
    EXPECT_DOUBLE_EQ(Get("FCalTypeID"), 3);
    auto cell = b.GetDataFldbyKey("FCalTypeID", 1);
    EXPECT_EQ(cell->Get("FFND").ToString(), "03");
    EXPECT_EQ(cell->Get("FDSP").ToString(), "按辅助数量计价");
    EXPECT_FALSE(SetRowCalType(b, 2)) << "a plain item has none";
    EXPECT_EQ(b.GetFieldValue("FCalTypeID", 2).ToNumber(), 0);

    // The check refuses with the row's message and cell; it shows nothing itself.
    auto& boxes = demo.Host().Platform();
    boxes.ClearBoxes();
    Verdict missing = CheckCalTypeFilled(b);
    EXPECT_TRUE(missing.Refused());
    EXPECT_EQ(missing.Message(), "第3行计算方式不能为空。");
    EXPECT_EQ(missing.Buttons(), 64);
    EXPECT_EQ(missing.Caption(), "信息提示");
    EXPECT_EQ(missing.FocusKey(), "FCalTypeID");
    EXPECT_EQ(missing.FocusRow(), 3);
    EXPECT_TRUE(boxes.Boxes().empty());

    Fill(b, 3, {{"FCalTypeID", 0}});
    EXPECT_TRUE(CheckCalTypeFilled(b).Refused()) << "0 is no calculation type";
    EXPECT_TRUE(SetRowCalType(b, 3));
    EXPECT_TRUE(CheckCalTypeFilled(b).Passed());
}

TEST_F(RowPrices, DisplayPriceShowsThePriceOfTheCalculationType) {
    for (int row : {1, 2}) {
        Fill(b, row, {{"FBasePrice", 1}, {"FPrice", 2}, {"FSecPrice", 3}, {"FDisplayPrice", 0}});
    }
    Fill(b, 1, {{"FItemID", kSteel}, {"FCalTypeID", 1}});
    SyncRowDisplayPrice(b, 1);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 0) << "only in the industry edition";

    Industry(1);
    const std::vector<std::pair<Value, double>> cases = {
        {Value(1), 1}, {Value(2), 2}, {Value(3), 3}};
    for (const auto& [type, expected] : cases) {
        Fill(b, 1, {{"FCalTypeID", type}, {"FDisplayPrice", 0}});
        SyncRowDisplayPrice(b, 1);
        EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), expected) << type.ToString();
    }
    Fill(b, 1, {{"FCalTypeID", Value("")}, {"FDisplayPrice", 8}});
    SyncRowDisplayPrice(b, 1);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 8) << "no type, no display price";

    Fill(b, 2, {{"FItemID", kWater}});
    SyncRowDisplayPrice(b, 2);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice", 2), 2);
}

TEST_F(RowPrices, ExchangeBillSecondSetHasItsOwnDisplayPrice) {
    Industry(1);
    auto change = demo.NewBill("salechange");
    Fill(*change, 1,
         {{"FItemID", kWater},
          {"FPrice", 4},
          {"FDisplayPrice", 0},
          {"FItemID01", kWire},
          {"FCalTypeID01", 3},
          {"FSecPrice01", 6},
          {"FPrice01", 2},
          {"FDisplayPrice01", 0}});
    SyncRowDisplayPrice01(*change, 1);
    EXPECT_DOUBLE_EQ(Num(*change, "FDisplayPrice01", 1), 6);
    EXPECT_DOUBLE_EQ(Num(*change, "FDisplayPrice", 1), 0);
    SyncRowDisplayPrice(*change, 1);
    EXPECT_DOUBLE_EQ(Num(*change, "FDisplayPrice", 1), 4);

    // A display edit of the second set reaches its own type-3 price, not the first set's.
    Fill(*change, 1, {{"FDisplayPrice01", 9}, {"FSecPrice", 1}});
    CalcRowOnDisplayChange(*change, 1, "FDisplayPrice01");
    EXPECT_DOUBLE_EQ(Num(*change, "FSecPrice01", 1), 6) << "the main set has no such key";
    CalcRowOnDisplayChange(*change, 1, "FDisplayPrice01", FieldSet::Twin01());
    EXPECT_DOUBLE_EQ(Num(*change, "FSecPrice01", 1), 9);
    EXPECT_DOUBLE_EQ(Num(*change, "FSecPrice", 1), 1);
}

TEST_F(RowPrices, RowPricesFollowTheEnteredPriceOfTheType) {
    Fill(b, 1,
         {{"FItemID", kSteel},
          {"FCoefficient", 3},
          {"FBasePrice", 2},
          {"FShowQty", 2},
          {"FDiscountRate", 100}});
    SetRowPrices(b, 1, kSteel, kMainStock, 1);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 6);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 2);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 2);
    EXPECT_DOUBLE_EQ(Get("FAmount"), 12) << "the shown price's formulas ran";

    Fill(b, 2, {{"FItemID", kPork}, {"FCoefficient", 2}, {"FPrice", 6}});
    SetRowPrices(b, 2, kPork, kMainStock, 2);
    EXPECT_DOUBLE_EQ(Get("FBasePrice", 2), 3);
    EXPECT_DOUBLE_EQ(Get("FSecPrice", 2), 3);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice", 2), 6);

    Fill(b, 3,
         {{"FItemID", kWire}, {"FCoefficient", 1}, {"FSecCoefficient", 3}, {"FSecPrice", 12}});
    SetRowPrices(b, 3, kWire, kMainStock, 3);
    EXPECT_DOUBLE_EQ(Get("FPrice", 3), 4);
    EXPECT_DOUBLE_EQ(Get("FBasePrice", 3), 4);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice", 3), 12);

    // A plain item with no coefficient: the base price cannot follow, the rest still does.
    Fill(b, 1,
         {{"FItemID", kMilk},
          {"FCoefficient", 0},
          {"FSecCoefficient", 4},
          {"FPrice", 5},
          {"FBasePrice", 9}});
    SetRowPrices(b, 1, kMilk, kMainStock, Value());
    EXPECT_DOUBLE_EQ(Get("FBasePrice"), 9);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 20);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 5);
}

TEST_F(RowPrices, VirtualStockLocksSalesPricesAndFreight) {
    Fill(b, 1,
         {{"FItemID", kWire},
          {"FCalTypeID", 3},
          {"FSCStockID", kGiftStock},
          {"FDisplayPrice", 7},
          {"FSecPrice", 7},
          {"FCoefficient", 1},
          {"FSecCoefficient", 1}});
    CalcRowPriceByCalType(b, 1);
    EXPECT_FALSE(sale->IsCellLocked("FSecPrice", 1)) << "only in the industry edition";
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 7);

    Industry(1);
    CalcRowPriceByCalType(b, 1);
    for (const char* key :
         {"FBasePrice", "FPrice", "FSecPrice", "FDisplayPrice", "FTranspotationCharges"}) {
        EXPECT_TRUE(sale->IsCellLocked(key, 1)) << key;
    }
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 0);
    EXPECT_DOUBLE_EQ(Get("FSecPrice"), 7);

    // Back on a real stock the entered prices open again and the prices are derived.
    Fill(b, 1, {{"FSCStockID", kMainStock}, {"FSecPrice", 8}});
    CalcRowPriceByCalType(b, 1);
    for (const char* key : {"FSecPrice", "FDisplayPrice", "FTranspotationCharges"}) {
        EXPECT_FALSE(sale->IsCellLocked(key, 1)) << key;
    }
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 8);
    EXPECT_DOUBLE_EQ(Get("FPrice"), 8);
}

TEST_F(RowPrices, ExchangeBillSecondSetPricesAlone) {
    Industry(1);
    auto change = demo.NewBill("salechange");
    Fill(*change, 1,
         {{"FItemID", kWater},
          {"FPrice", 4},
          {"FBasePrice", 1},
          {"FItemID01", kMilk},
          {"FCoefficient01", 2},
          {"FSecCoefficient01", 6},
          {"FPrice01", 3},
          {"FSCStockID01", kGiftStock}});
    CalcRowPriceByCalType01(*change, 1);
    EXPECT_DOUBLE_EQ(Num(*change, "FBasePrice01", 1), 1.5);
    EXPECT_DOUBLE_EQ(Num(*change, "FSecPrice01", 1), 18);
    EXPECT_DOUBLE_EQ(Num(*change, "FDisplayPrice01", 1), 3);
    EXPECT_DOUBLE_EQ(Num(*change, "FBasePrice", 1), 1) << "the first set is not touched";

    Fill(*change, 1, {{"FPrice01", 5}});
    SetRowPrices01(*change, 1, kMilk, 0, Value());
    EXPECT_DOUBLE_EQ(Num(*change, "FSecPrice01", 1), 30);
}

TEST(RoundToDigits, RoundsTheDecimalTextHalfAwayFromZero) {
    EXPECT_DOUBLE_EQ(RoundToDigits(2.345, 2), 2.35);
    EXPECT_DOUBLE_EQ(RoundToDigits(-2.345, 2), -2.35);
    EXPECT_DOUBLE_EQ(RoundToDigits(2.5, 0), 3);
    EXPECT_DOUBLE_EQ(RoundToDigits(2.4, 0), 2);
    EXPECT_DOUBLE_EQ(RoundToDigits(1234567.891, 2), 1234567.89);
    EXPECT_DOUBLE_EQ(RoundToDigits(2.5, -1), 3) << "negative digits count as 0";
    EXPECT_DOUBLE_EQ(RoundToDigits(1.23456789, 6), 1.2346) << "four decimals are kept";
    EXPECT_DOUBLE_EQ(RoundToDigits(std::nan(""), 2), 0);
    EXPECT_DOUBLE_EQ(RoundToDigits(HUGE_VAL, 2), 0);
}

// ---- The per-event cache -------------------------------------------------------------------

TEST_F(RowPrices, MasterDataIsReadOncePerEventAndAgainInTheNext) {
    for (int row = 1; row <= 3; ++row) {
        Fill(b, row, {{"FItemID", kMilk}, {"FSecUnitID", 3032}});
    }
    {
        EventScope event("m_BillInterface_AfterLoadBill");
        RecalcBillEntries(b);
        RefreshSecUnitFields(b, 0);
        // One flag read and one conversion read for the three rows of the same item.
        EXPECT_EQ(DataGateway::Instance().StatementsThisEvent(), 2);
        EXPECT_FALSE(GetItemIsGC(kMilk));
        EXPECT_EQ(DataGateway::Instance().StatementsThisEvent(), 2);
        // A write drops what was read.
        UpdateBatch("update t_ICItem set FIsGC=1 where FItemID=1003");
        EXPECT_TRUE(GetItemIsGC(kMilk));
        EXPECT_EQ(DataGateway::Instance().StatementsThisEvent(), 4);
    }
    {
        EventScope event("m_BillInterface_Change");
        demo.Db().Execute("update t_ICItem set FIsGC=0 where FItemID=1003");
        EXPECT_FALSE(GetItemIsGC(kMilk)) << "the next event reads again";
        EXPECT_EQ(DataGateway::Instance().StatementsThisEvent(), 1);
    }
}

}  // namespace
}  // namespace qor::test
