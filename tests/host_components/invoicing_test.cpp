// The host services the bills call after saving and before checking: invoicing that records
// which rows were invoiced, the barcode update, the advance-receipt limit, and the answers a
// scenario gives in a component's place.
#include <gtest/gtest.h>

#include "host_fixture.h"

namespace qor::host::testing {
namespace {

class InvoicingTest : public HostTest {
protected:
    bool Invoice(const CollectionPtr& dictionary) {
        return Create("QORInvoiceManage.InvoiceManage")
            ->Call("SaleBillMakeQvtInvoice", {Value(dictionary)})
            .ToBool();
    }
    // What was invoiced of a source row, read as the sales bill reads it.
    double Invoiced(int bill, int entry) {
        return Scalar(
                   "select isnull(sum(i.FQuantity), 0) as FQuantity from t_InvoiceEntry AS i "
                   "inner join t_Invoice AS ip ON i.FInvCode = ip.FCode AND i.FInvNumber = "
                   "ip.FNumber Where i.FEntryID_SRC = " +
                   std::to_string(entry) + " And i.FID_SRC = " + std::to_string(bill) +
                   " And i.FClassID_SRC = 1030002 group by i.FID_SRC,i.FClassID_SRC,"
                   "i.FEntryID_SRC ")
            .ToNumber();
    }
};

// An invoice dictionary of one sales bill row, as the sales bill hands it over.
CollectionPtr Dictionary(int bill, int entry, double quantity, const std::string& billNo) {
    auto entries = Collection::Make();
    entries->Add("", Value(Collection::Make({{"ProductName", "农夫山泉饮用天然水"},
                                             {"FItemID", 1001},
                                             {"FUnitID", 3012},
                                             {"Quantity", quantity},
                                             {"Price", 40},
                                             {"PriceIncTax", 45.2},
                                             {"Amount", 40 * quantity},
                                             {"TaxRate", 13},
                                             {"TaxAmount", 5.2 * quantity},
                                             {"AmountIncTax", 45.2 * quantity},
                                             {"FID_SRC", bill},
                                             {"FEntryID_SRC", entry},
                                             {"FClassID_SRC", 1030002},
                                             {"FBillNo_SRC", billNo}})));
    return Collection::Make(
        {{"eType", 3}, {"BuyerID", 101}, {"FRemark", "补开发票"}, {"Entries", Value(entries)}});
}

TEST_F(InvoicingTest, AnInvoiceRecordsItsRowsAndTheSameRowsCannotBeInvoicedTwice) {
    // Row 1 of XOUT000001 (entry 7) holds 4 boxes; an earlier invoice took 2 of them.
    ASSERT_DOUBLE_EQ(Invoiced(4, 7), 2);
    EXPECT_TRUE(Invoice(Dictionary(4, 7, 2, "XOUT000001")));
    EXPECT_DOUBLE_EQ(Invoiced(4, 7), 4);
    EXPECT_EQ(Text("Select FNumber From t_Invoice Where FID=3"), "00012347");
    EXPECT_DOUBLE_EQ(Num("Select FAmountIncludeTax From t_Invoice Where FID=3"), 90.4);
    EXPECT_DOUBLE_EQ(Num("Select FInvoiceAmt From t_CC_StockBill Where FID=4"), 180.8);
    EXPECT_DOUBLE_EQ(Num("Select FNoInvoiceAmt From t_CC_StockBill Where FID=4"), 310.98 - 180.8);
    EXPECT_EQ(Text("Select FInvoiceNO From t_CC_StockBill Where FID=4"), "00012347");
    ASSERT_EQ(services().Shown().size(), 1u);
    EXPECT_EQ(services().Shown()[0].title, "增值税专用发票");
    EXPECT_EQ(services().Shown()[0].data->Get("FNumber").ToString(), "00012347");

    // Invoicing the same row again is refused with a message, and nothing is recorded.
    EXPECT_FALSE(Invoice(Dictionary(4, 7, 1, "XOUT000001")));
    ASSERT_EQ(host().Platform().Boxes().size(), 1u);
    EXPECT_NE(host().Platform().Boxes()[0].prompt.find("不能重复开票"), std::string::npos);
    EXPECT_EQ(host().Platform().Boxes()[0].caption, "信息提示");
    EXPECT_EQ(Num("Select Count(*) From t_Invoice"), 3);
    EXPECT_DOUBLE_EQ(Invoiced(4, 7), 4);
    EXPECT_EQ(services().InvoiceDictionaries().size(), 2u);  // both were handed over
}

TEST_F(InvoicingTest, TwoEntriesOfOneRowMayNotTogetherExceedIt) {
    // XOUT000008 is wholly invoiced already.
    EXPECT_FALSE(Invoice(Dictionary(15, 21, 1, "XOUT000008")));
    // Row 2 of XOUT000001 (entry 8, 24 pieces, none invoiced): 20 and 5 in one invoice.
    auto both = Dictionary(4, 8, 20, "XOUT000001");
    auto second = Dictionary(4, 8, 5, "XOUT000001")->Sub("Entries")->ItemAt(1);
    both->Sub("Entries")->Add("", second);
    EXPECT_FALSE(Invoice(both));
    EXPECT_DOUBLE_EQ(Invoiced(4, 8), 0);
    // Without entries, or for a row that does not exist, there is no invoice either.
    EXPECT_FALSE(Invoice(Collection::Make({{"eType", 2}, {"BuyerID", 101}})));
    EXPECT_FALSE(Invoice(Dictionary(4, 999, 1, "XOUT000001")));
    EXPECT_EQ(host().Platform().Boxes().size(), 4u);
    EXPECT_EQ(Num("Select Count(*) From t_Invoice"), 2);
}

TEST_F(InvoicingTest, ASavedSalesBillGivesItsItemsTheBarcodesTheyLack) {
    auto update = Create("QOREBSGLItem.clsBarCodeUpdate");
    // Row 1 of XOUT000002 (1009 in 3081) carries the item's own barcode: nothing to write.
    long before = static_cast<long>(Num("Select Count(*) From t_barcode"));
    EXPECT_EQ(update->Call("UpdateBarCode", {props(), 1030002, 5}).ToNumber(), 0);
    // A unit the item has no barcode record for, and a record without a barcode.
    Exec("Delete From t_barcode Where FItemID=1009");
    Exec("Update t_barcode Set FBarcode='' Where FItemID=1022 And FUnitID=3191");
    EXPECT_EQ(update->Call("UpdateBarCode", {props(), 1030002, 5}).ToNumber(), 2);
    EXPECT_EQ(Num("Select Count(*) From t_barcode"), before);
    EXPECT_EQ(Text("Select FBarcode From t_barcode Where FItemID=1009 And FUnitID=3081 And "
                   "FEntryNo=1 And FCoefficient=1"),
              "6953177800013");
    EXPECT_EQ(Text("Select FBarcode From t_barcode Where FItemID=1022 And FUnitID=3191"),
              "6902952880294");
    // A barcode the item has is kept; a bill kept elsewhere, or none, changes nothing.
    Exec("Update t_CC_StockBillEntry Set FBarcode='000' Where FEntryID=10");
    EXPECT_EQ(update->Call("UpdateBarCode", {props(), 1030002, 5}).ToNumber(), 0);
    EXPECT_EQ(Text("Select FBarcode From t_barcode Where FItemID=1022 And FUnitID=3191"),
              "6902952880294");
    EXPECT_EQ(update->Call("UpdateBarCode", {props(), 1030006, 1}).ToNumber(), 0);
    EXPECT_EQ(update->Call("UpdateBarCode", {props(), 1030002, 0}).ToNumber(), 0);
}

TEST_F(InvoicingTest, AnOffsetMayNotExceedTheBillNorTheAdvanceReceiptsLeft) {
    auto info = Create("QORM_CC_PlugIns.PublicSysInfo");
    auto check = [&](int bill, double total, double offset, std::string* message = nullptr) {
        Args args{Value(Collection::Make({{"ClassTypeID", 1030002},
                                          {"BillInterID", bill},
                                          {"CustOrSupplyID", 101},
                                          {"AllAmount", total},
                                          {"FNeutralizeAmount", offset}})),
                  props(), ""};
        bool exceeded = info->Call("CheckPreReceiveAmount", args).ToBool();
        if (message) *message = args[2].ToString();
        return exceeded;
    };
    // 杭州联华's advance receipt of 5000 has 4700 left; XOUT000001 took the other 300.
    std::string why;
    EXPECT_TRUE(check(0, 6000, 4800, &why));
    EXPECT_NE(why.find("4700"), std::string::npos) << why;
    EXPECT_FALSE(check(0, 6000, 4700));
    EXPECT_FALSE(check(4, 6000, 4800));  // its own 300 counts back
    EXPECT_TRUE(check(4, 6000, 5000.5));
    EXPECT_TRUE(check(0, 100, 200, &why));  // more than the bill
    EXPECT_NE(why.find("超过单据金额"), std::string::npos) << why;
    EXPECT_FALSE(check(0, 100, 0, &why));
    EXPECT_TRUE(why.empty());
}

TEST_F(InvoicingTest, AScenarioAnswersInAComponentsPlaceOnceAndTheCallIsStillRecorded) {
    auto stock = Create("QOR_CC_PlugIns.clsStockInfo");
    services().QueueAnswer("qor_cc_plugins.clsstockinfo", "checkbill", {Value(2), "已经审核"});
    auto request = Collection::Make({{"ClassTypeID", 1030002}, {"BillInterID", 5}});
    Args args{props(), -1, Value(request), ""};
    EXPECT_EQ(stock->Call("CheckBill", args).ToNumber(), 2);
    EXPECT_EQ(args[3].ToString(), "已经审核");
    EXPECT_EQ(Num("Select FStatus From t_CC_StockBill Where FID=5"), 0);
    EXPECT_EQ(services().PendingAnswers(), 0u);
    Args again{props(), -1, Value(request), ""};
    EXPECT_EQ(stock->Call("CheckBill", again).ToNumber(), 1);  // its own work again
    EXPECT_EQ(services().CallsTo("QOR_CC_PlugIns.clsStockInfo", "CheckBill").size(), 2u);

    // A forced credit finding holds for the check and its question, then the figures decide.
    auto within = Collection::Make({{"CustOrSupplyID", 101}, {"AllAmount", 1}});
    services().answers().creditExceeded = true;
    auto sys = Create("QORM_CC_PlugIns.PublicSysInfo");
    EXPECT_TRUE(sys->Call("CheckCredit", {Value(within), props()}).ToBool());
    host().Platform().QueueAnswer(Value(kAnswerNo));
    EXPECT_FALSE(stock->Call("CreditSelectOK", {Value(within), props()}).ToBool());
    EXPECT_FALSE(sys->Call("CheckCredit", {Value(within), props()}).ToBool());
    services().answers().overdueExceeded = false;
    Exec("Update t_CC_StockBill Set FSettleLimitDate='2020-01-01' Where FID=4");
    EXPECT_FALSE(sys->Call("CheckUnCheckAmountOutOfDate", {Value(within), props()}).ToBool());
    EXPECT_TRUE(sys->Call("UnCheckAmountOutOfDateSelectOK", {}).ToBool());
    EXPECT_TRUE(sys->Call("CheckUnCheckAmountOutOfDate", {Value(within), props()}).ToBool());
}

TEST_F(InvoicingTest, WriteBatchesAreRecordedWithTheirStatements) {
    auto update = std::dynamic_pointer_cast<IClassUpdate>(
        host().Platform().CreateObject("QORMClass.ClassUpdate"));
    ASSERT_NE(update, nullptr);
    update->UpdateBatch(props(),
                        "UPDATE t_XS_OrderEntry SET FComplexQtyDis = '40张' WHERE lEntryID = 9");
    auto calls = services().CallsTo("QORMClass.ClassUpdate", "UpdateBatch");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].args[1].ToString().find("lEntryID = 9"), std::string::npos);
    EXPECT_EQ(Text("Select FComplexQtyDis From t_XS_OrderEntry Where FEntryID=9"), "40张");
}

}  // namespace
}  // namespace qor::host::testing
