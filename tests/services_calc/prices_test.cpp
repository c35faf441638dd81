// Item master data, the second unit of calculation-type rows, the calculation type and its
// check, display prices, prices by stock, rounding, and the per-event cache of master-data reads.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "frame/data_access.h"
#include "frame/verdict.h"
#include "services/calculation.h"
#include "tests/services_calc/calc_bills.h"
#include "tests/support/row_values.h"

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
    FillRow(b, 1, "FQty=5 FBasePrice=2 FShowQty=10 FSecPrice=9");
    CalcRowSecQty(b, 1, 1);
    ExpectRow(b, 1, "FSecQty=5 FSecPrice=2 FSecCoefficient=2");

    // A type-3 row keeps the weight entered as second quantity, whatever type the caller
    // passes: the row's own type decides.
    FillRow(b, 2, "FCalTypeID=3 FQty=4 FShowQty=4 FSecQty=12 FSecPrice=10");
    for (const Value& hint : {Value(), Value(1)}) {
        CalcRowSecQty(b, 2, hint);
        ExpectRow(b, 2, "FSecQty=12 FSecPrice=10 FSecCoefficient=0.3333333333333");
    }

    // No quantity: the coefficient stays.
    FillRow(b, 3, "FQty=0 FShowQty=3 FSecCoefficient=7");
    CalcRowSecQty(b, 3);
    ExpectRow(b, 3, "FSecQty=0 FSecCoefficient=7");
}

TEST_F(RowPrices, CalculationTypeFromTheItemAndItsCheck) {
    FillRow(b, 1, "FItemID=1015");
    FillRow(b, 2, "FItemID=1001");
    FillRow(b, 3, "FItemID=1016");
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

    FillRow(b, 3, "FCalTypeID=0");
    EXPECT_TRUE(CheckCalTypeFilled(b).Refused()) << "0 is no calculation type";
    EXPECT_TRUE(SetRowCalType(b, 3));
    EXPECT_TRUE(CheckCalTypeFilled(b).Passed());
}

TEST_F(RowPrices, DisplayPriceShowsThePriceOfTheCalculationType) {
    for (int row : {1, 2}) FillRow(b, row, "FBasePrice=1 FPrice=2 FSecPrice=3 FDisplayPrice=0");
    FillRow(b, 1, "FItemID=1014 FCalTypeID=1");
    SyncRowDisplayPrice(b, 1);
    EXPECT_DOUBLE_EQ(Get("FDisplayPrice"), 0) << "only in the industry edition";

    Industry(1);
    for (const auto& [type, expected] : std::vector<std::pair<const char*, const char*>>{
             {"FCalTypeID=1", "FDisplayPrice=1"},
             {"FCalTypeID=2", "FDisplayPrice=2"},
             {"FCalTypeID=3", "FDisplayPrice=3"},
             // no type, no display price
             {"FCalTypeID= FDisplayPrice=8", "FDisplayPrice=8"}}) {
        FillRow(b, 1, "FDisplayPrice=0");
        FillRow(b, 1, type);
        SyncRowDisplayPrice(b, 1);
        ExpectRow(b, 1, expected);
    }
    FillRow(b, 2, "FItemID=1001");
    SyncRowDisplayPrice(b, 2);
    ExpectRow(b, 2, "FDisplayPrice=2");
}

TEST_F(RowPrices, ExchangeBillSecondSetHasItsOwnDisplayPrice) {
    Industry(1);
    auto change = demo.NewBill("salechange");
    FillRow(*change, 1,
            "FItemID=1001 FPrice=4 FDisplayPrice=0 FItemID01=1015 FCalTypeID01=3 FSecPrice01=6 "
            "FPrice01=2 FDisplayPrice01=0");
    SyncRowDisplayPrice01(*change, 1);
    ExpectRow(*change, 1, "FDisplayPrice01=6 FDisplayPrice=0");
    SyncRowDisplayPrice(*change, 1);
    ExpectRow(*change, 1, "FDisplayPrice=4");

    // A display edit of the second set reaches its own type-3 price, not the first set's (the
    // main set has no such key).
    FillRow(*change, 1, "FDisplayPrice01=9 FSecPrice=1");
    CalcRowOnDisplayChange(*change, 1, "FDisplayPrice01");
    ExpectRow(*change, 1, "FSecPrice01=6");
    CalcRowOnDisplayChange(*change, 1, "FDisplayPrice01", FieldSet::Twin01());
    ExpectRow(*change, 1, "FSecPrice01=9 FSecPrice=1");
}

TEST_F(RowPrices, RowPricesFollowTheEnteredPriceOfTheType) {
    // The shown price's formulas ran: the amount.
    FillRow(b, 1, "FItemID=1014 FCoefficient=3 FBasePrice=2 FShowQty=2 FDiscountRate=100");
    SetRowPrices(b, 1, kSteel, kMainStock, 1);
    ExpectRow(b, 1, "FPrice=6 FSecPrice=2 FDisplayPrice=2 FAmount=12");

    FillRow(b, 2, "FItemID=1016 FCoefficient=2 FPrice=6");
    SetRowPrices(b, 2, kPork, kMainStock, 2);
    ExpectRow(b, 2, "FBasePrice=3 FSecPrice=3 FDisplayPrice=6");

    FillRow(b, 3, "FItemID=1015 FCoefficient=1 FSecCoefficient=3 FSecPrice=12");
    SetRowPrices(b, 3, kWire, kMainStock, 3);
    ExpectRow(b, 3, "FPrice=4 FBasePrice=4 FDisplayPrice=12");

    // A plain item with no coefficient: the base price cannot follow, the rest still does.
    FillRow(b, 1, "FItemID=1003 FCoefficient=0 FSecCoefficient=4 FPrice=5 FBasePrice=9");
    SetRowPrices(b, 1, kMilk, kMainStock, Value());
    ExpectRow(b, 1, "FBasePrice=9 FSecPrice=20 FDisplayPrice=5");
}

TEST_F(RowPrices, VirtualStockLocksSalesPricesAndFreight) {
    FillRow(b, 1,
            "FItemID=1015 FCalTypeID=3 FSCStockID=504 FDisplayPrice=7 FSecPrice=7 FCoefficient=1 "
            "FSecCoefficient=1");
    CalcRowPriceByCalType(b, 1);
    EXPECT_FALSE(sale->IsCellLocked("FSecPrice", 1)) << "only in the industry edition";
    ExpectRow(b, 1, "FDisplayPrice=7");

    Industry(1);
    CalcRowPriceByCalType(b, 1);
    for (const char* key :
         {"FBasePrice", "FPrice", "FSecPrice", "FDisplayPrice", "FTranspotationCharges"}) {
        EXPECT_TRUE(sale->IsCellLocked(key, 1)) << key;
    }
    ExpectRow(b, 1, "FDisplayPrice=0 FSecPrice=7");

    // Back on a real stock the entered prices open again and the prices are derived.
    FillRow(b, 1, "FSCStockID=501 FSecPrice=8");
    CalcRowPriceByCalType(b, 1);
    for (const char* key : {"FSecPrice", "FDisplayPrice", "FTranspotationCharges"}) {
        EXPECT_FALSE(sale->IsCellLocked(key, 1)) << key;
    }
    ExpectRow(b, 1, "FDisplayPrice=8 FPrice=8");
}

TEST_F(RowPrices, ExchangeBillSecondSetPricesAlone) {
    Industry(1);
    auto change = demo.NewBill("salechange");
    FillRow(*change, 1,
            "FItemID=1001 FPrice=4 FBasePrice=1 FItemID01=1003 FCoefficient01=2 "
            "FSecCoefficient01=6 FPrice01=3 FSCStockID01=504");
    CalcRowPriceByCalType01(*change, 1);
    // The first set is not touched.
    ExpectRow(*change, 1, "FBasePrice01=1.5 FSecPrice01=18 FDisplayPrice01=3 FBasePrice=1");

    FillRow(*change, 1, "FPrice01=5");
    SetRowPrices01(*change, 1, kMilk, 0, Value());
    ExpectRow(*change, 1, "FSecPrice01=30");
}

TEST(RoundToDigits, RoundsTheDecimalTextHalfAwayFromZero) {
    // Negative digits count as 0; four decimals are kept at most.
    const double nan = std::nan("");
    const std::tuple<double, int, double> cases[] = {
        {2.345, 2, 2.35}, {-2.345, 2, -2.35},      {2.5, 0, 3}, {2.4, 0, 2},
        {2.5, -1, 3},     {1.23456789, 6, 1.2346}, {nan, 2, 0}, {HUGE_VAL, 2, 0}};
    for (auto [number, digits, rounded] : cases) {
        EXPECT_DOUBLE_EQ(RoundToDigits(number, digits), rounded) << number << " " << digits;
    }
    EXPECT_DOUBLE_EQ(RoundToDigits(1234567.891, 2), 1234567.89);
}

// ---- The per-event cache -------------------------------------------------------------------

TEST_F(RowPrices, MasterDataIsReadOncePerEventAndAgainInTheNext) {
    for (int row = 1; row <= 3; ++row) FillRow(b, row, "FItemID=1003 FSecUnitID=3032");
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
