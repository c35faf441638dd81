// The sales bill's life: a new, copied and loaded bill, rows drawn from source bills, a row's
// deletion and what happens after a save.
#include "bills/sale/sale_rules.h"
#include "tests/bill_sale/sale_fixture.h"

namespace qor::test {
namespace {

using SaleLife = SaleBillTest;

TEST_F(SaleLife, ANewBillTakesTheUsersInvoiceTypeAndCountsAsUnchanged) {
    demo.Host().SetUserProfile("XS1030002", "InvoiceType", "2021");
    demo.Host().DenyRight(15, 2010, 32);
    OpenBill();
    Expect(-1, {{"FInvoiceType", 2021}, {"FSettleLimitDate", "2026-12-10"}});
    EXPECT_FALSE(bill->IsDataChanged());
    EXPECT_FALSE(bill->IsFieldVisible("FInvoiceAmt", 1));
    EXPECT_FALSE(bill->IsFieldVisible("FNoInvoiceAmt", 1));
    EXPECT_TRUE(bill->IsFieldVisible("FCostPrice", 2));
}

TEST_F(SaleLife, ASavedInvoiceTypeIsTheNextBillsDefault) {
    Edit("FCustID", "01.001");
    Edit("FInvoiceType", 2021);
    EditRow(1, "FItemID", "01.001");
    ASSERT_TRUE(bill->Save().done);
    OpenBill();
    EXPECT_EQ(Num("FInvoiceType"), 2021);
}

TEST_F(SaleLife, ACopyOfAnOnlineOrdersBillLosesExplanationNoteAndInvoiceNumber) {
    Edit("FCustID", "01.002");
    EditRow(1, "FItemID", "01.001");
    Edit("FExplanation", "由网上订单TB2026120188812345生成");
    Edit("FNote", "买家留言：尽快发货");
    Edit("FInvoiceNO", "00012399");
    Edit("FSettleLimitDate", "2026-12-31");
    ASSERT_TRUE(bill->Save().done);
    ASSERT_TRUE(bill->CopyBill().done);
    // FSettleLimitDate: from 百联's terms again
    Expect(-1, {{"FExplanation", ""}, {"FNote", ""}, {"FInvoiceNO", ""}});
    Expect(-1, {{"FSettleLimitDate", "2026-12-25"}});

    Edit("FExplanation", "补货");
    Edit("FInvoiceNO", "00012400");
    ASSERT_TRUE(bill->Save().done);
    ASSERT_TRUE(bill->CopyBill().done);
    Expect(-1, {{"FExplanation", "补货"}, {"FInvoiceNO", ""}});
}

TEST_F(SaleLife, ALoadedBillShowsItsBalanceLocksItsPaymentAndTextsItsQuantities) {
    ASSERT_TRUE(bill->LoadBill(4).done);  // XOUT000001, checked
    EXPECT_EQ(bill->StatusTexts().at(3), "往来余额36800.5,信用额度500000");
    EXPECT_EQ(Text("FComplexQtyDis", 1), "4箱");
    EXPECT_TRUE(bill->IsCellLocked("FCurPayAmount", -1));
    EXPECT_TRUE(bill->IsCellLocked("FBalanceStyle", -1));  // nothing was received
    EXPECT_FALSE(Enabled("mnuBarCode"));
    EXPECT_TRUE(Shown("mnuEditCheck"));
    EXPECT_FALSE(bill->IsDataChanged());

    // A rejected bill can be neither checked deleted nor copied.
    demo.Exec("Update t_CC_StockBill Set FRejected=1 Where FID=5;");
    ASSERT_TRUE(bill->LoadBill(5).done);
    ExpectShown({"mnuEditCheck", "mnuEditFileDelete"}, false);
    EXPECT_FALSE(Enabled("mnuEditCopy"));
    EXPECT_TRUE(Enabled("mnuBarCode"));
    ASSERT_TRUE(bill->LoadBill(12).done);  // the next bill is not rejected
    EXPECT_TRUE(Shown("mnuEditCheck"));
    EXPECT_TRUE(Enabled("mnuEditCopy"));
}

TEST_F(SaleLife, AReturnIsDrawnOnlyFromDeliveriesAndStaysAReturn) {
    Edit("FBillTypeID", 3002);
    auto refused = bill->SelectSources(1030002, {{6, 0}});  // XOUT000003 is itself a return
    EXPECT_FALSE(refused.done);
    auto drawn = bill->SelectSources(1030002, {{4, 0}});  // XOUT000001, a delivery
    ASSERT_TRUE(drawn.done) << drawn.note;
    EXPECT_EQ(Num("FBillTypeID"), 3002);
    // FBarcode: the carton's barcode
    Expect(1, {{"FItemID", 1001}, {"FBarcode", "16921168509253"}});
    // 4 cartons delivered, 1 already taken back by XOUT000003: 3 left to return.
    Expect(1, {{"FQty", 72}, {"FShowQty", 3}});

    // A settlement return is drawn only from settlements.
    OpenBill();
    Edit("FBillTypeID", 3004);
    EXPECT_FALSE(bill->SelectSources(1030002, {{4, 0}}).done);
    drawn = bill->SelectSources(1030002, {{8, 0}});  // XOUT000004, a settlement
    ASSERT_TRUE(drawn.done) << drawn.note;
    EXPECT_EQ(Num("FBillTypeID"), 3004);
    EXPECT_EQ(Num("FItemID", 1), 1009);
}

// The second unit of a drawn row keeps its source's coefficient and follows what is left to
// deliver and the price fetched for the bill; the unit and the customer's item code the row
// brings along do not choose its unit or item again.
TEST_F(SaleLife, DrawnRowsKeepTheirSecondUnitInStepWithWhatIsLeft) {
    // XOUT000002 already took 2 of SEORD000001's 10 cartons of milk, which the order counts
    // at 2 cartons a second unit (the milk's conversion floats; its own coefficient is 1).
    demo.Exec(
        "Insert Into t_CC_StockBillEntry (FEntryID, FID, FIndex, FItemID, FUnitID, FShowUnitID, "
        "FCoefficient, FQty, FShowQty, FID_SRC, FEntryID_SRC, FClassID_SRC) Values (100, 5, 3, "
        "1003, 3031, 3032, 12, 24, 2, 1, 2, 1030001);"
        "Update t_XS_OrderEntry Set FSecCoefficient=2, FSecQty=5 Where FID=1 And FEntryID=2;");
    bill->Menus().Tool("mnuCheckDuplicateItem")->SetChecked(true);
    EditRow(1, "FItemID", "01.002");  // the noodles are on the bill already
    ASSERT_TRUE(bill->SelectSources(1030001, {{1, 0}}).done);  // SEORD000001, for 联华
    ASSERT_EQ(Num("FItemID", 3), 1003);
    Expect(3, {{"FShowQty", 8}, {"FSecCoefficient", 2}, {"FSecQty", 4}});
    Expect(3, {{"FSecPrice", Num("FPrice", 3) * 2}});
    ASSERT_EQ(Num("FItemID", 4), 1002);  // its code LH-0012X came with it
    Expect(4, {{"FClientItemID", "LH-0012X"}, {"FShowQty", 5}, {"FSecQty", 5}});
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(SaleLife, RowsDrawnFromAnOrderTakeWhatIsLeftAndNameItInTheExplanationWithTheOption) {
    Edit("FExplanation", "月底补货");
    ASSERT_TRUE(bill->SelectSources(1030001, {{1, 0}}).done);
    EXPECT_EQ(Text("FExplanation"), "月底补货");

    // Rows drawn from an order take what is left of it and name it in the explanation.
    OpenBill();
    demo.Host().SetOption("IC", "IsExpSourceToTarget", "1");
    Edit("FBillTypeID", 3003);
    auto drawn = bill->SelectSources(1030001, {{1, 0}});  // SEORD000001
    ASSERT_TRUE(drawn.done) << drawn.note;
    Expect(-1, {{"FExplanation", "由销售订单SEORD000001生成"}, {"FBillTypeID", 3001}});
    Expect(-1, {{"FInvoiceType", 2020}, {"FCustID", 101}});
    EXPECT_DOUBLE_EQ(Num("FShowQty", 1), 16);  // 20 cartons ordered, 4 delivered
    EXPECT_DOUBLE_EQ(Num("FShowQty", 2), 10);
    EXPECT_EQ(Text("FKFDate", 1), "2026-12-10");
    EXPECT_EQ(Text("FSettleLimitDate"), "2027-01-09");
}

TEST_F(SaleLife, RowsDrawnFromAPurchaseBillTakeTheCustomerOfItsOrder) {
    auto drawn = bill->SelectSources(1020002, {{2, 3}});  // WIN000002, ordered for 京客隆
    ASSERT_TRUE(drawn.done) << drawn.note;
    EXPECT_EQ(Num("FCustID"), 104);
    // FQty: 12 received, 1 sold on XOUT000005
    Expect(1, {{"FQty", 11}, {"FSerialNo", ""}});

    // A returned batch keeps its dates.
    // A returned batch keeps the production and expiry dates it was delivered with; only a row
    // without a production date takes the bill's date.
    OpenBill();
    Edit("FBillTypeID", 3002);
    ASSERT_TRUE(bill->SelectSources(1030002, {{4, 0}}).done);  // XOUT000001
    ASSERT_EQ(Num("FItemID", 2), 1005);
    Expect(2,
           {{"FBatchNo", "B20261120"}, {"FKFDate", "2026-11-20"}, {"FPeriodDate", "2026-12-11"}});
    EXPECT_EQ(Text("FKFDate", 1), "2026-12-10");  // water carries no dates
}

// A settlement drawn from a consignment bill stays a settlement (the consignment bill's own
// type is no sales bill type) and keeps the goods of the consignment as they were sent.
TEST_F(SaleLife, ASettlementDrawnFromAConsignmentBillKeepsItsTypeAndGoods) {
    demo.Host().SetOption("IC", "IsExpSourceToTarget", "1");
    auto drawn = bill->SelectSources(1030003, {{7, 0}});  // WTDX000001, type 3010
    ASSERT_TRUE(drawn.done) << drawn.note;
    Expect(
        -1,
        {{"FBillTypeID", 3003}, {"FExplanation", "由委托代销单WTDX000001生成"}, {"FCustID", 104}});
    EXPECT_EQ(Num("FItemID", 1), 1009);
    for (const char* key : {"FItemID", "FSCStockID", "FBatchNo", "FShowUnitID", "FKFDate"})
        EXPECT_TRUE(bill->IsCellLocked(key, 1)) << key;
    EXPECT_FALSE(bill->IsCellLocked("FShowQty", 1));
    EXPECT_EQ(PlugInError(), "");
}

// A source entry deleted after the rows were drawn: the row keeps the quantity it was drawn
// with instead of being emptied.
TEST_F(SaleLife, ARowWhoseSourceEntryIsGoneKeepsItsQuantity) {
    EditRow(1, "FItemID", "01.001");
    EditRow(1, "FShowQty", 5);
    bill->SetFieldValue("FID_SRC", 1, 1);
    bill->SetFieldValue("FEntryID_SRC", 999, 1);
    bill->SetFieldValue("FClassID_SRC", 1030001, 1);
    EditRow(2, "FItemID", "01.001");
    bill->SetFieldValue("FID_SRC", 1, 2);
    bill->SetFieldValue("FEntryID_SRC", 1, 2);  // SEORD000001's first entry: 16 cartons open
    bill->SetFieldValue("FClassID_SRC", 1030001, 2);
    AdjustRowsFromSources(*bill, Value());
    Expect(1, {{"FShowQty", 5}, {"FQty", 120}});
    EXPECT_DOUBLE_EQ(Num("FShowQty", 2), 16);
    EXPECT_EQ(PlugInError(), "");

    // A row whose serial numbers a later bill took cannot be deleted.
    demo.Exec(
        "Insert Into t_SerialNumList (FID, FItemID, FSerialNo, FBillID, FBillIndexID, "
        "FClassTypeID, FStockID, FStatus, FNote) Values (100, 1009, 'MD2026110001', 6, 1, "
        "1030002, 501, 1, '退货入库');");
    ASSERT_TRUE(bill->LoadBill(5).done);
    auto deletion = bill->DeleteRow(1);
    ExpectRefused(deletion, {"分录商品中存在已被其他单据使用的S/N号，不能删除！"});
    EXPECT_EQ(Num("FItemID", 1), 1009);
    EXPECT_TRUE(bill->DeleteRow(2).done);  // 茅台 carries no serial numbers
}

// ---- After saving ---------------------------------------------------------------------------

class AfterSave : public SaleBillTest {
protected:
    void SaveFor(const char* customer, const std::string& contact) {
        Edit("FCustID", customer);
        Edit("FContact", contact);
        Edit("FReceiveAddr", "宁波市鄞州区天童南路588号");
        Edit("FPhone", "0574-88880000");
        EditRow(1, "FItemID", "01.001");
        ASSERT_TRUE(bill->Save().done);
        ASSERT_GT(bill->CurBillID(), 0);
    }
    Value ContactColumn(const char* column, int customer, const std::string& name) {
        return demo.Scalar(std::string("Select ") + column + " From t_Contact Where FItemID=" +
                           std::to_string(customer) + " And FContact='" + name + "'");
    }
};

TEST_F(AfterSave, ANewContactIsAddedAsTheCustomersFirst) {
    SaveFor("01.003", "钱多多");  // 宁波万家福 has a contact but no first one
    EXPECT_EQ(ContactColumn("FAddress", 103, "钱多多").ToString(), "宁波市鄞州区天童南路588号");
    EXPECT_EQ(ContactColumn("FPhone", 103, "钱多多").ToString(), "0574-88880000");
    EXPECT_EQ(ContactColumn("FIsFirst", 103, "钱多多").ToNumber(), 1);
    EXPECT_TRUE(Prompts().empty());
    // The tip of a successful save.
    bool tipped = false;
    for (const auto& w : demo.Host().Services().Shown())
        tipped |= w.progId == "QorHelpTip.HelpTip" && w.title == "澄石提示" && !w.lines.empty() &&
                  w.lines[0] == "保存成功！";
    EXPECT_TRUE(tipped);

    // A quote in the contact name is written as typed.
    OpenBill();
    SaveFor("01.003", "O'Neil");
    EXPECT_EQ(demo.Scalar("Select FAddress From t_Contact Where FContact='O''Neil'").ToString(),
              "宁波市鄞州区天童南路588号");
}

TEST_F(AfterSave, AnExistingContactTakesTheBillsAddressAndPhone) {
    SaveFor("01.001", "孙浩");
    EXPECT_EQ(ContactColumn("FAddress", 101, "孙浩").ToString(), "宁波市鄞州区天童南路588号");
    EXPECT_EQ(ContactColumn("FPosition", 101, "孙浩").ToString(), "会计");  // the rest stays
    EXPECT_EQ(ContactColumn("FIsFirst", 101, "孙浩").ToNumber(), 0);
    EXPECT_EQ(demo.Scalar("Select Count(*) From t_Contact Where FItemID=101").ToNumber(), 2);

    // A contact name held twice is told and the bill stays saved.
    OpenBill();
    SaveFor("01.002", "陈丽");
    EXPECT_EQ(Prompts(), std::vector<std::string>{
                             "反写联系人信息失败!\r\n\r\n客户资料中存在多个同名联系人 [陈丽]'"});
    EXPECT_EQ(demo.Scalar("Select Count(*) From t_CC_StockBill Where FID=" +
                          std::to_string(bill->CurBillID()))
                  .ToNumber(),
              1);
    EXPECT_EQ(ContactColumn("Count(*)", 102, "陈丽").ToNumber(), 2);
}

TEST_F(AfterSave, NoWriteBackWhenTheAccountSaysNot) {
    demo.Host().SetOption("IC", "UpdateRelaxAddrInSale", "0");
    SaveFor("01.003", "钱多多");
    EXPECT_TRUE(ContactColumn("FAddress", 103, "钱多多").IsBlank());
}

}  // namespace
}  // namespace qor::test
