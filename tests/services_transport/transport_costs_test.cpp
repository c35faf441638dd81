// Transport cost sharing on the reference host's bill forms and the demo account: the split
// over the rows by quantity or amount, rows in virtual stocks, the cents of uneven splits, the
// menu state and the header total following the rows.
//
// Demo stocks: 501 总仓, 502 门店仓 and 503 冷链仓 are real; 504 赠品仓 is virtual (type 502).
// The host keeps number cells numeric: an emptied charge reads 0.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "frame/data_access.h"
#include "services/transport_costs.h"
#include "tests/support/demo_form.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

constexpr int kReal = 501;
constexpr int kRealToo = 503;
constexpr int kVirtual = 504;
constexpr const char* kAllVirtualMessage = "单据中的仓库都为虚仓，不允许进行采购费用分摊。";

class TransportCosts : public ::testing::Test {
protected:
    // One demo database for the suite: the bills are never saved.
    static inline std::unique_ptr<DemoHost> demo_;
    static void SetUpTestSuite() { demo_ = std::make_unique<DemoHost>("transport_costs"); }
    static void TearDownTestSuite() { demo_.reset(); }
    static host::ReferenceHost& Host() { return demo_->Host(); }

    std::shared_ptr<host::form::HostBillForm> bill;

    void SetUp() override {
        Host().Attach(host::form::LinkedLibrary());
        Host().SetIndustryType(1);
        Host().SetAppType(2);
        Host().Platform().ClearBoxes();
        DataGateway::Instance().Reset();
        Open("sale");
    }

    void Open(const std::string& kind) {
        const host::form::BillTemplate* t = host::form::FindTemplate(kind);
        ASSERT_TRUE(t) << kind;
        bill = host::form::HostBillForm::Create(*t, demo_->FormDatabase());
        bill->NewBill();
    }

    // A filled row: item, base quantity, amount and stock (in the stock field of the bill).
    void Row(int row, double qty, int stock, double amount = 0, int item = 1001) {
        while (bill->GridMaxDataRowNum() < row) bill->AddRow();
        bill->SetFieldValue("FItemID", item, row);
        bill->SetFieldValue("FQty", qty, row);
        bill->SetFieldValue("FAmount", amount, row);
        bill->SetFieldValue(IsOutStockClassType(bill->FID()) ? "FSCStockID" : "FDCStockID", stock,
                            row);
    }

    Value Charge(int row) { return bill->GetFieldValue("FTranspotationCharges", row); }
    std::vector<double> Charges() {
        std::vector<double> out;
        for (int r = 1; r <= bill->GridMaxDataRowNum(); ++r) out.push_back(Charge(r).ToNumber());
        return out;
    }
    // The charges in whole cents, as they add up on the bill.
    long long TotalCents() {
        long long cents = 0;
        for (double c : Charges()) cents += std::llround(c * 100);
        return cents;
    }
    void Freight(double amount) { bill->SetFieldValue("FTranspotationCosts", amount); }
    double HeaderCosts() { return bill->GetFieldValue("FTranspotationCosts").ToNumber(); }
    const std::vector<host::BoxRecord>& Boxes() { return Host().Platform().Boxes(); }
    bool ToolVisible(const char* key) { return bill->Menus().Tool(key)->Visible(); }
    bool ToolEnabled(const char* key) { return bill->Menus().Tool(key)->Enabled(); }
};

// ---- Sharing ---------------------------------------------------------------------------------

TEST_F(TransportCosts, FreightFollowsQuantitiesOrAmounts) {
    Freight(100);
    Row(1, 1, kReal, 300);
    Row(2, 1, kReal, 100);
    Row(3, 2, kRealToo, 100);

    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(Charges(), (std::vector<double>{25, 25, 50}));

    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByAmt));
    EXPECT_EQ(Charges(), (std::vector<double>{60, 20, 20}));

    // Any other mode shares by quantity; the header is left as it was.
    ASSERT_TRUE(ShareTransportCosts(*bill, 7));
    EXPECT_EQ(Charges(), (std::vector<double>{25, 25, 50}));
    EXPECT_EQ(HeaderCosts(), 100);
    EXPECT_TRUE(Boxes().empty());

    // A return row: by the signed basis it takes back part of what the others carry; by
    // absolute values every row carries a part.
    Freight(90);
    Row(3, -1, kRealToo, -100);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty, false));
    EXPECT_EQ(Charges(), (std::vector<double>{90, 90, -90}));
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByAmt, true));
    EXPECT_EQ(Charges(), (std::vector<double>{54, 18, 18}));
}

TEST_F(TransportCosts, RowsInVirtualStocksAndEmptyRowsTakeNoShare) {
    Freight(100);
    Row(1, 1, kReal);
    Row(2, 5, kVirtual);
    Row(4, 3, kReal);  // row 3 exists but holds no item
    ASSERT_EQ(bill->GridMaxDataRowNum(), 4);
    // Left from an earlier sharing.
    bill->SetFieldValue("FTranspotationCharges", 9.99, 2);
    bill->SetFieldValue("FTranspotationCharges", 5, 3);

    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(Charges(), (std::vector<double>{25, 0, 0, 75}));

    EXPECT_TRUE(IsRowRealStock(*bill, 1, true));
    EXPECT_FALSE(IsRowRealStock(*bill, 2, true));
    // A row without a stock yet counts as real.
    bill->SetFieldValue("FSCStockID", 0, 2);
    EXPECT_TRUE(IsRowRealStock(*bill, 2, true));
}

TEST_F(TransportCosts, AllRowsVirtualGiveTheMessageAndChangeNothing) {
    Freight(100);
    Row(1, 1, kVirtual);
    Row(2, 2, kVirtual);
    bill->SetFieldValue("FTranspotationCharges", 40, 1);
    bill->SetFieldValue("FTranspotationCharges", 60, 2);

    Verdict v = ShareTransportCosts(*bill, kShareByQty);
    EXPECT_TRUE(v.Refused());
    EXPECT_EQ(v.Message(), kAllVirtualMessage);
    EXPECT_EQ(v.Buttons(), 64);
    EXPECT_EQ(v.Caption(), "信息提示");
    EXPECT_TRUE(Boxes().empty()) << "the sharing shows nothing itself";
    EXPECT_EQ(Charges(), (std::vector<double>{40, 60}));

    // A bill without a filled row has no row to share over either: the same message.
    Open("sale");
    Freight(100);
    EXPECT_EQ(ShareTransportCosts(*bill, kShareByQty).Message(), kAllVirtualMessage);
}

TEST_F(TransportCosts, NothingToShareWritesNothing) {
    Row(1, 0, kReal);
    Row(2, 0, kReal);
    bill->SetFieldValue("FTranspotationCharges", 7, 1);
    auto unchanged = [&] {
        EXPECT_EQ(Charge(1).ToNumber(), 7);
        EXPECT_EQ(Charge(2).ToNumber(), 0) << Charge(2).ToString();
    };

    // Basis total 0: all quantities 0.
    Freight(100);
    EXPECT_TRUE(ShareTransportCosts(*bill, kShareByQty).Passed());
    unchanged();
    // Amount 0.
    bill->SetFieldValue("FQty", 1, 2);
    Freight(0);
    EXPECT_TRUE(ShareTransportCosts(*bill, kShareByQty).Passed());
    unchanged();
    // An amount too large to split to the cent.
    Freight(1e20);
    EXPECT_TRUE(ShareTransportCosts(*bill, kShareByQty).Passed());
    unchanged();
}

TEST_F(TransportCosts, UnevenSplitsAddUpToTheCent) {
    Freight(100);
    Row(1, 1, kReal);
    Row(2, 1, kReal);
    Row(3, 1, kReal);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(TotalCents(), 10000);
    // The cent left over goes to the largest share, the first of equal ones.
    EXPECT_EQ(Charges(), (std::vector<double>{33.34, 33.33, 33.33}));

    // 1.00 over 1, 1, 1 and 3: 0.17 three times and 0.50 make 1.01; the largest row gives the
    // cent back.
    Freight(1);
    Row(4, 3, kReal);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(Charges(), (std::vector<double>{0.17, 0.17, 0.17, 0.49}));

    // A cent over rows that each round to nothing goes to the largest basis, not to the
    // row without quantity.
    Freight(0.01);
    bill->SetFieldValue("FQty", 0, 1);
    bill->SetFieldValue("FQty", 1, 4);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(Charges(), (std::vector<double>{0, 0.01, 0, 0}));

    // Odd quantities and amounts: always the amount, exactly.
    const double amounts[] = {0.01, 0.05, 99.99, 1234.57, 100000.01};
    const double quantities[] = {0.3, 7, 1.1, 2.35, 13, 0.001};
    Open("sale");
    for (int r = 1; r <= 6; ++r) Row(r, quantities[r - 1], r % 2 ? kReal : kRealToo);
    for (double amount : amounts) {
        SCOPED_TRACE(amount);
        Freight(amount);
        ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
        EXPECT_EQ(TotalCents(), std::llround(amount * 100));
        for (double c : Charges()) EXPECT_EQ(c, std::round(c * 100) / 100);  // whole cents
    }
}

TEST_F(TransportCosts, EachStockTypeIsReadOncePerSharing) {
    Freight(100);
    for (int r = 1; r <= 8; ++r) Row(r, r, r % 2 ? kReal : kVirtual);
    DataGateway::Instance().KeepTrace(true);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    DataGateway::Instance().KeepTrace(false);
    long stockReads = 0;
    for (const auto& e : DataGateway::Instance().Trace())
        if (e.sql.find("t_Stock") != std::string::npos) ++stockReads;
    EXPECT_EQ(stockReads, 2);
    EXPECT_EQ(TotalCents(), 10000);
}

TEST_F(TransportCosts, PurchaseSideBillsShareTheAdvancedCostsFromTheReceivingStock) {
    Open("tempgj");
    ASSERT_FALSE(IsOutStockClassType(bill->FID()));
    FillRow(*bill, -1, "FTranspotationCosts=60 FTotaladvanceCosts=40");
    Row(1, 1, kReal);
    Row(2, 1, kReal);
    Row(3, 2, kReal);
    Row(4, 4, kVirtual);
    EXPECT_DOUBLE_EQ(TransportAmountToShare(*bill), 100);

    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    EXPECT_EQ(Charges(), (std::vector<double>{25, 25, 50, 0}));
}

TEST_F(TransportCosts, OutsideTheIndustryEditionNothingHappens) {
    Host().SetIndustryType(0);
    Freight(100);
    Row(1, 1, kReal);
    Row(2, 1, kVirtual);
    bill->SetFieldValue("FTranspotationCharges", 3, 1);
    bill->SetBarStatus("mnuShareByQty", "Visible", false);

    DataGateway::Instance().KeepTrace(true);
    EXPECT_TRUE(ShareTransportCosts(*bill, kShareByQty).Passed());
    // The real-stock test answers false without reading, like the other sharing services.
    EXPECT_FALSE(IsRowRealStock(*bill, 1, true));
    EXPECT_TRUE(DataGateway::Instance().Trace().empty());
    DataGateway::Instance().KeepTrace(false);
    SyncTransportCostTotal(*bill);
    RefreshShareCostMenus(*bill);
    EXPECT_EQ(Charge(1).ToNumber(), 3);
    EXPECT_EQ(HeaderCosts(), 100);
    EXPECT_FALSE(ToolVisible("mnuShareByQty"));
}

// ---- Menus and the header total ----------------------------------------------------------------

TEST_F(TransportCosts, MenusFollowTheAmountTheAuditAndTheApplicationType) {
    const char* tools[] = {"mnuShareByQty", "mnuShareByAmt"};
    auto expect = [&](bool visible, bool enabled) {
        for (const char* tool : tools) {
            EXPECT_EQ(ToolVisible(tool), visible) << tool;
            EXPECT_EQ(ToolEnabled(tool), enabled) << tool;
        }
    };

    Freight(0);
    RefreshShareCostMenus(*bill);
    expect(true, false);

    Freight(100);
    RefreshShareCostMenus(*bill);
    expect(true, true);

    bill->SetFieldValue("FCheckerID", 16394);  // audited
    RefreshShareCostMenus(*bill);
    expect(true, false);
    bill->SetFieldValue("FCheckerID", 0);

    Host().SetAppType(1);
    RefreshShareCostMenus(*bill);
    expect(false, false);
    Host().SetAppType(2);

    // The header field hidden on the form hides the tools.
    bill->GetFieldInfoByKey("FTranspotationCosts")->Set("Visible", false);
    RefreshShareCostMenus(*bill);
    expect(false, false);
    bill->GetFieldInfoByKey("FTranspotationCosts")->Set("Visible", true);
    RefreshShareCostMenus(*bill);
    expect(true, true);

    // Advanced costs alone are something to share on the purchase side.
    Open("tempgj");
    bill->SetFieldValue("FTotaladvanceCosts", 50);
    RefreshShareCostMenus(*bill);
    expect(true, true);
}

TEST_F(TransportCosts, TheHeaderFollowsTheRowsCharges) {
    Freight(0);
    Row(1, 1, kReal);
    Row(2, 1, kReal);
    bill->SetFieldValue("FTranspotationCharges", 10, 1);
    bill->SetFieldValue("FTranspotationCharges", 20.5, 2);
    RefreshShareCostMenus(*bill);
    ASSERT_FALSE(ToolEnabled("mnuShareByQty"));

    SyncTransportCostTotal(*bill);
    EXPECT_EQ(HeaderCosts(), 30.5);
    EXPECT_TRUE(ToolEnabled("mnuShareByQty"));  // the menus were refreshed

    // A row deleted: the header follows the remaining rows.
    ASSERT_TRUE(bill->DeleteRow(1).done);
    SyncTransportCostTotal(*bill);
    EXPECT_EQ(HeaderCosts(), 20.5);

    // Equal to the cent: nothing is written, the menus are not touched.
    Open("sale");
    Freight(100);
    for (int r = 1; r <= 3; ++r) Row(r, 1, kReal);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    bill->SetBarStatus("mnuShareByAmt", "Visible", false);
    SyncTransportCostTotal(*bill);
    EXPECT_EQ(HeaderCosts(), 100);
    EXPECT_FALSE(ToolVisible("mnuShareByAmt"));
}

TEST_F(TransportCosts, AdvancedCostsStayWhenTheHeaderFollowsTheRows) {
    Open("tempgj");
    FillRow(*bill, -1, "FTranspotationCosts=60 FTotaladvanceCosts=40");
    Row(1, 1, kReal);
    Row(2, 3, kReal);
    ASSERT_TRUE(ShareTransportCosts(*bill, kShareByQty));
    // The rows carry both costs; a sync after the sharing changes nothing.
    SyncTransportCostTotal(*bill);
    EXPECT_EQ(HeaderCosts(), 60);

    // A row's charge edited: the transport cost takes the difference, the advanced costs stay.
    bill->SetFieldValue("FTranspotationCharges", 35, 1);  // was 25
    SyncTransportCostTotal(*bill);
    EXPECT_EQ(HeaderCosts(), 70);
    EXPECT_EQ(bill->GetFieldValue("FTotaladvanceCosts").ToNumber(), 40);
    EXPECT_DOUBLE_EQ(TransportAmountToShare(*bill), 110);
}

}  // namespace
}  // namespace qor::test
