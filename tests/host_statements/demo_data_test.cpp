// The demo database itself: its creation, the column types that keep SQL Server's arithmetic,
// and the consistency of the demo company's data (every reference resolves, every unit belongs
// to its item, totals add up).

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "host/database.h"
#include "host/demo_db.h"

namespace qor::host {
namespace {

namespace fs = std::filesystem;

// Plain SQLite reads on the demo database (the collations need the Database's connection).
class DemoData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("qor_demo_data_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        CreateDemoDatabase((dir_ / "demo.db").string());
        db_ = new Database((dir_ / "demo.db").string());
    }
    static void TearDownTestSuite() {
        delete db_;
        db_ = nullptr;
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Rows of a plain SQLite query, every value as text ("NULL" for null).
    static std::vector<std::vector<std::string>> Query(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        std::vector<std::vector<std::string>> rows;
        if (sqlite3_prepare_v2(db_->Handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_->Handle()) << " in " << sql;
            return rows;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* t = sqlite3_column_text(stmt, c);
                row.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }
    static std::string Scalar(const std::string& sql) {
        auto rows = Query(sql);
        return rows.empty() || rows[0].empty() ? "" : rows[0][0];
    }
    // Describes the rows a consistency query finds (it should find none).
    static std::string Offenders(const std::string& sql) {
        std::string out;
        for (const auto& row : Query(sql)) {
            for (const auto& v : row) out += v + " ";
            out += "\n";
        }
        return out;
    }

    static fs::path dir_;
    static Database* db_;
};

fs::path DemoData::dir_;
Database* DemoData::db_ = nullptr;

TEST_F(DemoData, KeepsDecimalsAsRealAndDatesAsText) {
    // Whole-number amounts and quantities must still be stored as REAL: an integer would turn
    // SQL Server's decimal division into integer division.
    for (const char* sql :
         {"select count(*) from t_CC_StockBillEntry where typeof(FQty) <> 'real' or "
          "typeof(FShowQty) <> 'real' or typeof(FPrice) <> 'real' or typeof(FAmount) <> 'real' "
          "or typeof(FCoefficient) <> 'real' or typeof(FUnRejectQty) <> 'real'",
          "select count(*) from t_XS_OrderEntry where typeof(FUnSendQty) <> 'real' or "
          "typeof(FCoefficient) <> 'real'",
          "select count(*) from t_ItemPrice where typeof(FXSPrice) <> 'real'",
          "select count(*) from t_cc_inventory where typeof(FQty) <> 'real'",
          "select count(*) from t_ICItem where typeof(FSecCoefficient) <> 'real' or "
          "typeof(FTaxRate) <> 'real'",
          "select count(*) from t_Organization where typeof(FCreditAmount) <> 'real'",
          "select count(*) from t_MeasureUnit where typeof(FCoefficient) <> 'real'"}) {
        EXPECT_EQ(Scalar(sql), "0") << sql;
    }
    // 1/e.FCoefficient on a whole-number coefficient keeps its fraction.
    EXPECT_EQ(Scalar("select 1/FCoefficient from t_CC_StockBillEntry where FEntryID = 7"),
              "0.0416666666666667");
    for (const char* sql :
         {"select count(*) from t_CC_StockBill where FDate not glob "
          "'[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]'",
          "select count(*) from t_PeriodDate where typeof(FStartDate) <> 'text'",
          "select count(*) from t_cc_inventory where FKFDate is not null and FKFDate not glob "
          "'[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]'"}) {
        EXPECT_EQ(Scalar(sql), "0") << sql;
    }
}

TEST_F(DemoData, EntryIdentifiersFollowTheEntry) {
    EXPECT_EQ(Offenders("select FEntryID from t_CC_StockBillEntry where lEntryID <> FEntryID or "
                        "FEntryID2 <> FEntryID"),
              "");
    EXPECT_EQ(Offenders("select FEntryID from t_XS_OrderEntry where lEntryID <> FEntryID"), "");
    // The periods follow each other.
    EXPECT_EQ(Offenders("select a.FYear, a.FPeriod from t_PeriodDate a join t_PeriodDate b on "
                        "b.FStartDate = (select min(FStartDate) from t_PeriodDate where "
                        "FStartDate > a.FStartDate) where date(a.FEndDate, '+1 day') <> "
                        "b.FStartDate"),
              "");
}

TEST_F(DemoData, EveryReferenceResolves) {
    const char* checks[] = {
        // Items, stocks, customers and suppliers of the bills.
        "select 'stock entry', FEntryID from t_CC_StockBillEntry e where not exists (select 1 "
        "from t_ICItem i where i.FItemID = e.FItemID) or (FSCStockID > 0 and not exists (select "
        "1 from t_Stock s where s.FItemID = e.FSCStockID)) or (FDCStockID > 0 and not exists "
        "(select 1 from t_Stock s where s.FItemID = e.FDCStockID)) or not exists (select 1 from "
        "t_CC_StockBill b where b.FID = e.FID)",
        "select 'order entry', FEntryID from t_XS_OrderEntry e where not exists (select 1 from "
        "t_ICItem i where i.FItemID = e.FItemID) or not exists (select 1 from t_XS_Order b where "
        "b.FID = e.FID)",
        "select 'customer', FBillNo from t_CC_StockBill b where FCustID > 0 and not exists "
        "(select 1 from t_Item i where i.FItemID = b.FCustID and i.FItemClassID = 1 and "
        "i.FDetail = 1)",
        "select 'supplier', FBillNo from t_CC_StockBill b where FSupplyID > 0 and not exists "
        "(select 1 from t_Item i where i.FItemID = b.FSupplyID and i.FItemClassID = 8)",
        "select 'order customer', FBillNo from t_XS_Order b where not exists (select 1 from "
        "t_Organization o where o.FItemID = b.FCustID)",
        "select 'salesman', FItemID from t_Organization o where FDefaultOperator > 0 and not "
        "exists (select 1 from t_Emp e where e.FItemID = o.FDefaultOperator)",
        "select 'item register', FItemID from t_ICItem i where not exists (select 1 from t_Item "
        "t where t.FItemID = i.FItemID and t.FItemClassID = 4)",
        "select 'default stock', FItemID from t_ICItem i where not exists (select 1 from "
        "t_Stock s where s.FItemID = i.FDefaultLoc)",
        // Source links name an existing entry of the class they give.
        "select 'source', e.FEntryID from t_CC_StockBillEntry e where e.FID_SRC > 0 and not "
        "exists (select 1 from t_XS_OrderEntry s where e.FClassID_SRC = 1030001 and s.FID = "
        "e.FID_SRC and s.FEntryID = e.FEntryID_SRC) and not exists (select 1 from "
        "t_CG_OrderEntry s where e.FClassID_SRC = 1020001 and s.FID = e.FID_SRC and s.FEntryID "
        "= e.FEntryID_SRC) and not exists (select 1 from t_CC_StockBillEntry s join "
        "t_CC_StockBill b on b.FID = s.FID where b.FClassTypeID = e.FClassID_SRC and s.FID = "
        "e.FID_SRC and s.FEntryID = e.FEntryID_SRC)",
        "select 'source item', e.FEntryID from t_CC_StockBillEntry e join t_CC_StockBillEntry s "
        "on s.FEntryID = e.FEntryID_SRC and s.FID = e.FID_SRC join t_CC_StockBill b on b.FID = "
        "s.FID and b.FClassTypeID = e.FClassID_SRC where s.FItemID <> e.FItemID",
        "select 'order source item', e.FEntryID from t_CC_StockBillEntry e join t_XS_OrderEntry "
        "s on s.FEntryID = e.FEntryID_SRC and s.FID = e.FID_SRC where e.FClassID_SRC = 1030001 "
        "and s.FItemID <> e.FItemID",
        "select 'order source', e.FEntryID from t_CG_OrderEntry e where e.FID_SRC > 0 and not "
        "exists (select 1 from t_XS_OrderEntry s where s.FID = e.FID_SRC and s.FEntryID = "
        "e.FEntryID_SRC)",
        // Units belong to the item's unit group and carry its coefficient.
        "select 'unit', e.FEntryID from t_CC_StockBillEntry e join t_ICItem i on i.FItemID = "
        "e.FItemID left join t_MeasureUnit u on u.FItemID = e.FShowUnitID where u.FItemID is "
        "null or u.FUnitGroupID <> i.FUnitGroupID or u.FCoefficient <> e.FCoefficient or "
        "e.FUnitID <> i.FUnitID or e.FSecUnitID <> i.FSecUnitID",
        "select 'order unit', e.FEntryID from t_XS_OrderEntry e join t_ICItem i on i.FItemID = "
        "e.FItemID left join t_MeasureUnit u on u.FItemID = e.FShowUnitID where u.FItemID is "
        "null or u.FUnitGroupID <> i.FUnitGroupID or u.FCoefficient <> e.FCoefficient",
        "select 'barcode', b.FID from t_barcode b join t_ICItem i on i.FItemID = b.FItemID left "
        "join t_MeasureUnit u on u.FItemID = b.FUnitID where u.FItemID is null or "
        "u.FUnitGroupID <> i.FUnitGroupID or u.FCoefficient <> b.FCoefficient",
        "select 'item units', FItemID from t_ICItem i where not exists (select 1 from "
        "t_MeasureUnit u where u.FItemID = i.FUnitID and u.FUnitGroupID = i.FUnitGroupID and "
        "u.FCoefficient = 1) or not exists (select 1 from t_MeasureUnit u where u.FItemID = "
        "i.FSaleUnitID and u.FUnitGroupID = i.FUnitGroupID) or (i.FSecUnitID > 0 and not "
        "exists (select 1 from t_MeasureUnit u where u.FItemID = i.FSecUnitID))",
        "select 'price unit', p.FID from t_ItemPrice p join t_ICItem i on i.FItemID = p.FItemID "
        "left join t_MeasureUnit u on u.FItemID = p.FUnitID where u.FUnitGroupID is null or "
        "u.FUnitGroupID <> i.FUnitGroupID",
        "select 'sales unit price', FItemID from t_ICItem i where not exists (select 1 from "
        "t_ItemPrice p where p.FItemID = i.FItemID and p.FUnitID = i.FSaleUnitID)",
        // Promotions: every price in force belongs to a checked promotion bill and a row of it.
        "select 'promotion', p.FID from t_LS_ItemPrice p left join T_LS_CX c on c.FBillNo = "
        "p.FXSBillNo where c.FID is null or c.FStatus <> 1 or not exists (select 1 from "
        "T_LS_CXEntry e where e.FID = c.FID and e.FItemID = p.FItemID and e.FShowUnitID = "
        "p.FUnitID and e.FNewPrice = p.FXSPrice)",
        "select 'promotion customer', FBillNo from T_LS_CX_Customer c where not exists (select "
        "1 from T_LS_CX x where x.FID = c.FBillID and x.FBillNo = c.FBillNo) or not exists "
        "(select 1 from t_Organization o where o.FItemID = c.FItemID)",
        // Serial numbers name a row of an existing bill with the same item.
        "select 'serial', s.FID from t_SerialNumList s where not exists (select 1 from "
        "t_CC_StockBillEntry e where e.FID = s.FBillID and e.FIndex = s.FBillIndexID and "
        "e.FItemID = s.FItemID)",
        "select 'serial item', s.FID from t_SerialNumList s join t_ICItem i on i.FItemID = "
        "s.FItemID where i.FIsSerialNumMgr <> 1",
        // Batches carry consistent dates: expiry = production + shelf life.
        "select 'batch dates', FID from t_cc_inventory where FKFDate is not null and "
        "date(FKFDate, '+' || FKFPeriod || ' days') <> FPeriodDate",
        "select 'batch entry dates', FEntryID from t_CC_StockBillEntry where FKFDate is not null "
        "and date(FKFDate, '+' || FKFPeriod || ' days') <> FPeriodDate",
        "select 'batch item', FID from t_cc_inventory v join t_ICItem i on i.FItemID = v.FItemID "
        "where (v.FBatchNo <> '') <> (i.FISBatchManager = 1)",
        "select 'inventory batch', b.FID from T_CC_Stock_BatchNo b where not exists (select 1 "
        "from t_cc_inventory v where v.FItemID = b.FItemID and v.FStockID = b.FStockID and "
        "v.FBatchNo = b.FBatchNo and v.FKFDate is b.FKFDate and v.FPeriodDate is b.FPeriodDate)",
        // Contacts: at most one first contact per customer; address list follows the contacts.
        "select 'first contact', FItemID from t_Contact where FIsFirst = 1 group by FItemID "
        "having count(*) > 1",
        "select 'address', FID from t_Contact c where not exists (select 1 from t_SubMessage m "
        "where m.FTypeID = 66 and m.FID = c.FID)",
        // Calculation-type items have a type 1 to 3; the others are explicitly not by type.
        "select 'calculation type', FItemID from t_ICItem where FIsGC is null or (FIsGC = 1 and "
        "FCalTypeID not in (1, 2, 3)) or (FIsGC = 0 and FCalTypeID <> 0)",
    };
    for (const char* sql : checks) EXPECT_EQ(Offenders(sql), "") << sql;
}

TEST_F(DemoData, TotalsAndOpenQuantitiesAddUp) {
    EXPECT_EQ(Offenders("select FBillNo, FAllAmount from t_CC_StockBill b where abs(FAllAmount - "
                        "(select sum(FInTaxAmount) from t_CC_StockBillEntry e where e.FID = "
                        "b.FID)) > 0.005"),
              "");
    EXPECT_EQ(Offenders("select FBillNo from t_XS_Order b where abs(FAllAmount - (select "
                        "sum(FInTaxAmount) from t_XS_OrderEntry e where e.FID = b.FID)) > 0.005"),
              "");
    EXPECT_EQ(Offenders("select FEntryID from t_CC_StockBillEntry where abs(FInTaxAmount - "
                        "FAmount - FTaxAmount) > 0.005 or abs(FQty - FShowQty * FCoefficient) > "
                        "1e-6 or abs(FAmount - round(FShowQty * FPrice * FDiscountRate / 100, 2)) "
                        "> 0.005"),
              "");
    // An order row's open quantity is what deliveries and consignments left of it.
    EXPECT_EQ(Offenders("select e.FEntryID from t_XS_OrderEntry e where e.FUnSendQty <> "
                        "e.FShowQty - e.FSendQty"),
              "");
    EXPECT_EQ(Offenders("select s.FEntryID from t_XS_OrderEntry s where s.FSendQty <> (select "
                        "ifnull(sum(e.FShowQty * e.FCoefficient / s.FCoefficient), 0) from "
                        "t_CC_StockBillEntry e join t_CC_StockBill b on b.FID = e.FID where "
                        "e.FClassID_SRC = 1030001 and e.FID_SRC = s.FID and e.FEntryID_SRC = "
                        "s.FEntryID and b.FStatus = 1) and s.FID <> 4"),
              "");
    // Settled plus unsettled is the consigned quantity.
    EXPECT_EQ(Offenders("select FEntryID from t_CC_StockBillEntry e join t_CC_StockBill b on "
                        "b.FID = e.FID where b.FClassTypeID = 1030003 and b.FBillTypeID = 3010 "
                        "and e.FSettleQty + e.FUnSettleQty <> e.FShowQty"),
              "");
    // The customer's invoiced amount is what the invoice rows drawn from the bill hold.
    EXPECT_EQ(Offenders("select FBillNo from t_CC_StockBill b where abs(FInvoiceAmt - (select "
                        "ifnull(sum(FAmountIncludeTax), 0) from t_InvoiceEntry i where i.FID_SRC "
                        "= b.FID and i.FClassID_SRC = b.FClassTypeID)) > 0.005"),
              "");
}

TEST(DemoDatabaseCreation, ReplacesAnExistingFile) {
    fs::path dir = fs::temp_directory_path() / ("qor_demo_create_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string path = (dir / "demo.db").string();
    {
        std::ofstream junk(path, std::ios::binary);
        junk << "not a database";
    }
    EXPECT_EQ(CreateDemoDatabase(path), path);
    {
        Database db(path);
        SqlResult r = db.Run("select count(*) from t_ICItem");
        ASSERT_EQ(r.rows.size(), 1u);
        EXPECT_EQ(r.rows[0][0].ToNumber(), 25);
        db.Execute("delete t_ICItem where FItemID=1001");
    }
    // A second creation starts again from the demo data.
    CreateDemoDatabase(path);
    {
        Database db(path);
        EXPECT_EQ(db.Run("select count(*) from t_ICItem").rows[0][0].ToNumber(), 25);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(DemoDatabaseCreation, MissingDemoDataLeavesTheFileAlone) {
    fs::path dir = fs::temp_directory_path() / ("qor_demo_missing_" + std::to_string(::getpid()));
    fs::create_directories(dir / "host");
    std::string path = (dir / "keep.db").string();
    {
        std::ofstream keep(path, std::ios::binary);
        keep << "keep me";
    }
    std::string saved = HostSourceDir();
    ::setenv("QOR_SOURCE_DIR", dir.string().c_str(), 1);
    EXPECT_THROW(CreateDemoDatabase(path), HostError);
    ::setenv("QOR_SOURCE_DIR", saved.c_str(), 1);
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep me");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(DemoDatabaseCreation, ScriptsRunSchemaFirstThenSeedsByName) {
    std::vector<std::string> scripts = DemoScriptPaths();
    ASSERT_GE(scripts.size(), 2u);
    EXPECT_EQ(fs::path(scripts[0]).filename(), "schema.sql");
    for (size_t i = 2; i < scripts.size(); ++i)
        EXPECT_LT(fs::path(scripts[i - 1]).filename(), fs::path(scripts[i]).filename());
}

}  // namespace
}  // namespace qor::host
