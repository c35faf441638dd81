// Cell services, filled rows, modified flags, base-data texts and the operator's department on
// the reference host's bill forms and the demo database.
#include <gtest/gtest.h>

#include "host/form/bill_template.h"
#include "services/system_options.h"
#include "tests/support/demo_form.h"
#include "tests/support/row_values.h"

namespace qor::test {
namespace {

using Form = std::shared_ptr<host::form::HostBillForm>;

class FormServices : public ::testing::Test {
protected:
    DemoHost demo{"options"};
    Form sale = demo.NewBill("sale", 3);
    IBillForm& b = *sale;
};

TEST_F(FormServices, LookupDataReadsTheCellItems) {
    b.SetFieldValue("FCustID", 101);
    EXPECT_EQ(GetLookupData(b, "FCustID", -1, "FFLD", "0").ToNumber(), 101);
    EXPECT_EQ(GetLookupData(b, "FCustID", -1, "FFND").ToString(), "01.001");
    EXPECT_EQ(GetLookupData(b, "FCustID", -1, "FDSP").ToString(), "杭州联华华商集团有限公司");
    EXPECT_EQ(GetLookupData(b, "FCustID", -1, "FNoSuchItem", "x").ToString(), "x");
    EXPECT_EQ(GetLookupData(b, "FNoSuchField", -1, "FFLD", "0").ToString(), "0");
    EXPECT_EQ(GetLookupData(b, "FItemID", 9, "FFLD", "0").ToString(), "0") << "no such row";
}

TEST_F(FormServices, CellsLockOpenAndActThroughTheGridController) {
    EXPECT_TRUE(LockEntryCell(b, "FBatchNo", true, false, 0, 2));
    EXPECT_TRUE(sale->IsCellLocked("FBatchNo", 2));
    EXPECT_FALSE(sale->IsCellLocked("FBatchNo", 1));
    EXPECT_TRUE(IsFieldLocked(b, "FBatchNo", 2));
    EXPECT_TRUE(LockEntryCell(b, "FBatchNo", false, false, 0, 2));
    EXPECT_FALSE(IsFieldLocked(b, "FBatchNo", 2));
    EXPECT_TRUE(IsFieldLocked(b, "FDiscountAmount", 1)) << "a field locked by its definition";

    // Header cells, with the modified flag reset on the way.
    auto cell = b.GetDataFldbyKey("FCurPayAmount", -1);
    cell->Set("FModify", 1);
    EXPECT_TRUE(LockEntryCell(b, "FCurPayAmount", true, true, 0));
    EXPECT_TRUE(sale->IsCellLocked("FCurPayAmount", -1));
    EXPECT_EQ(cell->Get("FModify").ToNumber(), 0);
    LockEntryCell(b, "FCurPayAmount", false, true, 1);
    EXPECT_EQ(cell->Get("FModify").ToNumber(), 1);
    EXPECT_FALSE(sale->IsCellLocked("FCurPayAmount", -1));

    EXPECT_FALSE(LockEntryCell(b, "FNoSuchField", true));
    EXPECT_FALSE(IsFieldLocked(b, "FNoSuchField"));
}

TEST_F(FormServices, FieldActionsRunTheHostsFormulas) {
    FillRow(b, 1, "FShowQty=3 FDiscountRate=100 FTaxRate=13 FPrice=10");
    EXPECT_TRUE(DoFieldAction(b, "FPrice", 1));
    ExpectRow(b, 1, "FAmount=30 FInTaxAmount=33.9");
    EXPECT_EQ(b.GetDataFldbyKey("FPrice", 1)->Get("FModify").ToNumber(), 0);
    DoFieldAction(b, "FPrice", 1, true);
    EXPECT_EQ(b.GetDataFldbyKey("FPrice", 1)->Get("FModify").ToNumber(), 1);
    EXPECT_FALSE(DoFieldAction(b, "FNoSuchField", 1));
}

TEST_F(FormServices, FilledRowsAndModifiedFlagsOfARealBill) {
    sale->UserEdit("FItemID", 1, 1001);
    sale->UserEdit("FItemID", 3, 1003);
    sale->UserEdit("FExplanation", -1, "补货");
    EXPECT_EQ(GetEntryRowCount(b), 3);
    sale->AddRow();
    EXPECT_EQ(GetEntryRowCount(b), 3);
    EXPECT_EQ(GetEntryRowCount(b, kEntryPage, true), 4);
    EXPECT_EQ(GetEntryRowCount(b, kSecondEntryPage), 0) << "no second grid";
    EXPECT_FALSE(FindEntryRow(b, kEntryPage, "FID_SRC"));
    b.SetFieldValue("FID_SRC", 7, 4);
    EXPECT_FALSE(FindEntryRow(b, kEntryPage, "FID_SRC")) << "a row without item does not count";
    b.SetFieldValue("FID_SRC", 7, 3);
    EXPECT_TRUE(FindEntryRow(b, kEntryPage, "FID_SRC"));
    b.BillEntrys()->ItemAt(1).As<Collection>()->Remove("KeyField");
    EXPECT_EQ(GetEntryRowCount(b), 4) << "without a key field every row counts";

    ASSERT_TRUE(sale->IsDataChanged());
    ClearPageModifyFlags(b);
    EXPECT_FALSE(sale->IsDataChanged());
}

// ---- Base-data texts and the operator -----------------------------------------------------------

// A bill whose salesman and department hold the numbers written to them, and whose base-data
// fields describe their source in different ways.
host::form::BillTemplate OperatorTemplate() {
    host::form::BillTemplate t;
    t.kind = "operator";
    t.classTypeID = 1030002;
    using host::form::FieldType;
    auto field = [&t](const std::string& key, FieldType type,
                      std::optional<host::form::BaseSource> source = std::nullopt, int page = 1) {
        host::form::FieldTemplate f;
        f.key = key;
        f.page = page;
        f.type = type;
        f.source = std::move(source);
        t.fields.push_back(f);
    };
    auto source = [](const std::string& table, const std::string& idColumn, int sourceType = 1) {
        host::form::BaseSource s;
        s.table = table;
        s.idColumn = idColumn;
        s.sourceType = sourceType;
        return s;
    };
    field("FCustID", FieldType::Integer);
    field("FEmpID", FieldType::Text);
    field("FDeptID", FieldType::Text);
    field("FBank", FieldType::Integer, source("t_SubMessage", ""));
    // A message field: its source type names the table.
    field("FPayStyle", FieldType::Integer, source("", "", kMessageSourceType));
    // A field that stores the customer's number.
    field("FCustNumber", FieldType::Text, source("t_Organization", "FNumber"));
    field("FStockID", FieldType::Integer,
          source("t_Stock where 1=1;delete from t_Stock", "FItemID"));
    field("FItemID", FieldType::Integer, std::nullopt, 2);
    return t;
}

class OperatorFields : public ::testing::Test {
protected:
    DemoHost demo{"operator"};
    host::form::BillTemplate t = OperatorTemplate();
    Form bill = host::form::HostBillForm::Create(t, nullptr);
    IBillForm& b = *bill;
    void SetUp() override { bill->NewBill(); }
    std::string Text(const std::string& key) { return b.GetFieldValue(key).ToString(); }
};

TEST_F(OperatorFields, TheCustomersOperatorAndDepartment) {
    FillRow(b, -1, "FCustID=101");
    EXPECT_TRUE(GetOperatorEmpDept(b));
    ExpectRow(b, -1, "FEmpID='001' FDeptID='01'");

    // Mode "1" writes the operator only; keepFilled leaves a chosen salesman alone, an empty
    // field is filled.
    FillRow(b, -1, "FCustID=102 FDeptID='04'");
    EXPECT_TRUE(GetOperatorEmpDept(b, "1"));
    ExpectRow(b, -1, "FEmpID='002' FDeptID='04'");
    FillRow(b, -1, "FCustID=103");
    EXPECT_TRUE(GetOperatorEmpDept(b, "2", 1));
    ExpectRow(b, -1, "FEmpID='002'");
    FillRow(b, -1, "FDeptID=");
    GetOperatorEmpDept(b, "2", 1);
    ExpectRow(b, -1, "FDeptID='02'");

    // The supplier named by the caller.
    EXPECT_TRUE(GetOperatorEmpDept(b, "2", 0, 801));
    ExpectRow(b, -1, "FEmpID='004' FDeptID='03'");
}

TEST_F(OperatorFields, NoOperatorChangesNothing) {
    FillRow(b, -1, "FEmpID='006' FDeptID='04'");
    // 107: the salesman has left the company; 106: no default salesman.
    for (int customer : {107, 106, 0}) {
        b.SetFieldValue("FCustID", customer);
        EXPECT_FALSE(GetOperatorEmpDept(b)) << customer;
    }
    EXPECT_FALSE(GetOperatorEmpDept(b, "2", 0, Value("99999")));
    ExpectRow(b, -1, "FEmpID='006' FDeptID='04'");
}

TEST_F(OperatorFields, TheDepartmentFollowsTheEmployee) {
    // No employee, no department.
    for (auto [employee, department] :
         std::vector<std::pair<std::string, std::string>>{{"303", "02"}, {"304", "03"}, {"", ""}}) {
        b.SetFieldValue("FEmpID", employee);
        SetDeptByEmp(b);
        EXPECT_EQ(Text("FDeptID"), department) << employee;
    }
}

TEST_F(OperatorFields, LookupTextsFromTheFieldsSource) {
    auto name = [&](const std::string& key) {
        return GetLookupData(b, key, -1, "FDSP").ToString();
    };
    b.SetFieldValue("FCustID", 101);  // no source in the definition: a customer key
    EXPECT_TRUE(RefreshFieldLookupText(b, "FCustID"));
    EXPECT_EQ(name("FCustID"), "杭州联华华商集团有限公司");

    b.SetFieldValue("FBank", 2);  // the message table, keyed by FInterID
    EXPECT_TRUE(RefreshFieldLookupText(b, "FBank"));
    EXPECT_EQ(name("FBank"), "中国建设银行上海静安支行");
    b.SetFieldValue("FPayStyle", 3);  // the message table chosen by the source type
    EXPECT_TRUE(RefreshFieldLookupText(b, "FPayStyle"));
    EXPECT_EQ(name("FPayStyle"), "招商银行北京朝阳支行");

    // A field that stores a number (the cell holds the text): the text enters quoted, and the
    // number found is the cell's.
    auto cell = b.GetDataFldbyKey("FCustNumber", -1);
    cell->Set("FFLD", "01.001");
    EXPECT_TRUE(RefreshFieldLookupText(b, "FCustNumber"));
    EXPECT_EQ(cell->Get("FFND").ToString(), "01.001");
    EXPECT_EQ(name("FCustNumber"), "杭州联华华商集团有限公司");
    cell->Set("FFLD", "01.001' or '1'='1");
    EXPECT_FALSE(RefreshFieldLookupText(b, "FCustNumber")) << "only a number nobody has";

    b.SetFieldValue("FBank", 999);
    EXPECT_FALSE(RefreshFieldLookupText(b, "FBank")) << "no such record";
    b.SetFieldValue("FStockID", 501);
    EXPECT_FALSE(RefreshFieldLookupText(b, "FStockID")) << "a table name that is no name";
    EXPECT_EQ(demo.Db().Run("select count(*) from t_Stock").rows[0][0].ToNumber(), 5);
    EXPECT_FALSE(RefreshFieldLookupText(b, "FEmpID")) << "no source, no id";
    EXPECT_FALSE(RefreshFieldLookupText(b, "FNoSuchField"));
}

TEST_F(FormServices, LookupTextsOfTheSalesBill) {
    b.SetFieldValue("FEmpID", 303);
    auto cell = b.GetDataFldbyKey("FEmpID", -1);
    cell->Set("FDSP", "");
    EXPECT_TRUE(RefreshFieldLookupText(b, "FEmpID"));
    EXPECT_EQ(cell->Get("FDSP").ToString(), "李娜");
    EXPECT_EQ(cell->Get("FFND").ToString(), "003") << "an identifier field keeps its number";
    b.SetFieldValue("FCurPayID", 1);
    EXPECT_FALSE(RefreshFieldLookupText(b, "FCurPayID")) << "a plain number field";
}

}  // namespace
}  // namespace qor::test
