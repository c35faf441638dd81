// What the bills' rules find in the reference host's templates and demo data: the keys they
// name, the row identifiers the composite-quantity update uses, the web-order list and the field
// identifiers of the host's field information. (The demo bills whose refusals can be shown are
// loaded and refused by the bills' own tests.)
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "host/form/bill_list.h"

namespace qor::host::form::test {
namespace {

TEST(BillKeys, EachTemplateCarriesTheKeysItsBillsRulesName) {
    struct Key {
        const char* kind;
        const char* key;
        int page;
    };
    const Key keys[] = {
        {"sale", "FBaseOrderQty", 2},
        {"sale", "FBaseRejectQty", 2},
        {"sale", "FBaseUnRejectQty", 2},
        {"sale", "FEntryID2", 2},
        {"consign", "FTotalProcurementCosts", 1},
        {"salechange", "FDiscountAcctId01", 1},  // the keys compare without letter case
        {"salechange", "FBillNo_SRC01", 2},
        {"salechange", "FID_SRC", 1},
        {"salechange", "FClassID_SRC", 1},
        {"salechange", "FMobilePhone", 1},
        {"salechange", "FDeliverAddr", 1},
        {"order", "lClassTypeID", 2},
        {"order", "FEntryID2", 2},
        {"weborder", "FEntryID2", 2},
        {"xscx", "FClassTypeID", 1},
        {"xscx", "FCUSTOMER", 1}};
    for (const auto& k : keys) {
        const BillTemplate* t = FindTemplate(k.kind);
        ASSERT_NE(t, nullptr) << k.kind;
        const FieldTemplate* f = t->Field(k.key, k.page);
        ASSERT_NE(f, nullptr) << k.kind << " lacks " << k.key;
        EXPECT_EQ(f->page, k.page) << k.kind << " " << k.key;
    }
}

TEST_F(FormTest, RowsCarryTheClassTypeAndSecondEntryIdTheCompositeQuantityUpdateReads) {
    Open("order");
    ASSERT_TRUE(form->LoadBill(6).done);
    ASSERT_EQ(form->GridMaxDataRowNum(), 2);
    for (int r = 1; r <= 2; ++r) {
        EXPECT_EQ(Num("lClassTypeID", r), 1030001);
        EXPECT_EQ(Num("FEntryID2", r), Num("FEntryID", r));
    }
    // The update the order's rows send, with the second entry id, reaches their stored row.
    db->Execute("UPDATE t_XS_OrderEntry SET FComplexQtyDis = '5盒' WHERE lEntryID = " +
                form->GetFieldValue("FEntryID2", 2).ToString());
    EXPECT_EQ(db->Run("Select FComplexQtyDis From t_XS_OrderEntry Where FEntryID=10")
                  .rows[0][0]
                  .ToString(),
              "5盒");

    // A saved bill's rows get theirs; a copy starts without.
    NewSaleWithRow();
    EXPECT_EQ(Num("FEntryID2", 1), 0);
    ASSERT_TRUE(form->Save().done);
    EXPECT_GT(Num("FEntryID2", 1), 0);
    EXPECT_EQ(Num("FEntryID2", 1), Num("FEntryID", 1));
    ASSERT_TRUE(form->CopyBill().done);
    EXPECT_EQ(Num("FEntryID2", 1), 0);
}

TEST_F(FormTest, TheWebOrderListShowsWebOrdersAndItsMapDefaultsTheBillType) {
    const BillTemplate* web = FindTemplate("weborder");
    const BillTemplate* order = FindTemplate("order");
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->progId, order->progId);
    EXPECT_EQ(web->classTypeID, 1030001);
    EXPECT_EQ(web->fields.size(), order->fields.size());
    EXPECT_EQ(FindTemplate("1030001"), order);  // the class type names the ordinary order
    Open("order");
    auto list = HostBillList::Create(*web, adapter.get());
    auto map = list->TableInfo()->Sub("Map");
    EXPECT_EQ(map->Sub("FBillTypeID")->Get("FDefaultValue").ToNumber(), 3032);
    auto orders = HostBillList::Create(*order, adapter.get());
    EXPECT_EQ(orders->TableInfo()->Sub("Map")->Sub("FBillTypeID")->Get("FDefaultValue").ToNumber(),
              3031);
    EXPECT_TRUE(list->Select({5}).done);      // SEORD000005 is a web order
    EXPECT_FALSE(list->Select({1, 5}).done);  // SEORD000001 is not
    // A new web order is saved as one.
    Open("weborder");
    ASSERT_TRUE(form->NewBill().done);
    EXPECT_EQ(Num("FBillTypeID"), 3032);
    ASSERT_TRUE(form->UserEdit("FCustID", -1, Value(105)).done);
    ASSERT_TRUE(form->UserEdit("FItemID", 1, Value(1012)).done);
    ASSERT_TRUE(form->Save().done);
    EXPECT_EQ(
        Count("Select FBillTypeID From t_XS_Order Where FID=" + std::to_string(form->CurBillID())),
        3032);
    EXPECT_FALSE(form->LoadBill(1).done);  // an ordinary order is no web order
}

TEST_F(FormTest, FieldInformationOfTheHostNamesTheTemplatesFields) {
    Open("xscx");
    auto rows = db->Run(
        "Select FID, FClassTypeID, FKey, FCaption, FPage, FVisible From "
        "ICClassTableInfo");
    ASSERT_FALSE(rows.rows.empty());
    for (const auto& r : rows.rows) {
        const BillTemplate* t = FindTemplate(r[1].ToString());
        ASSERT_NE(t, nullptr) << r[1].ToString();
        const FieldTemplate* f = t->Field(r[2].ToString(), static_cast<int>(r[4].ToNumber()));
        ASSERT_NE(f, nullptr) << r[2].ToString();
        EXPECT_EQ(f->id, static_cast<int32_t>(r[0].ToNumber())) << f->key;
        EXPECT_EQ(f->caption, r[3].ToString());
        EXPECT_EQ(f->visible, r[5].ToNumber() != 0);
    }
    // The customer box follows the field the form hands out.
    auto def = form->GetFieldInfoByKey("FCUSTOMER");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(
        Count("select FVisible from ICClassTableInfo where FID=" + def->Get("FID").ToString()), 1);
}

TEST(BillKeys, ATemplateExtendsAnotherOrNamesFieldIdentifiersOnce) {
    WriteTemplate("base",
                  "kind: base\nclassTypeID: 7\nheaderTable: h\nentryTable: e\nheader:\n"
                  "  - {key: FBillTypeID, type: integer, default: 1, id: 70}\n"
                  "entries:\n  - {key: FItemID, source: item}\n");
    BillTemplate t = LoadTemplate(
        WriteTemplate("web",
                      "extends: base\nkind: web\ntitle: 网\nfixedColumns: {FBillTypeID: 2}\n"
                      "defaults: {fbilltypeid: 2}\n"));
    EXPECT_EQ(t.kind, "web");
    EXPECT_EQ(t.Field("FBillTypeID")->defaultValue.ToNumber(), 2);
    EXPECT_EQ(t.Field("FBillTypeID")->id, 70);
    EXPECT_EQ(t.fixedColumns.at("FBillTypeID").ToNumber(), 2);
    EXPECT_EQ(t.classTypeID, 7);
    ExpectTemplateError("extends: nothing\nkind: x\n", "no template file");
    ExpectTemplateError("extends: base\nkind: x\ndefaults: {FNope: 1}\n",
                        "FNope is no field of base");
    ExpectTemplateError("extends: base\nkind: x\nentries: []\n", "unknown key \"entries\"");
    ExpectTemplateError(
        "kind: x\nclassTypeID: 7\nheaderTable: h\nentryTable: e\nentries:\n"
        "  - {key: FItemID, id: 5}\n  - {key: FQty, id: 5}\n",
        "already another field's");
}

}  // namespace
}  // namespace qor::host::form::test
