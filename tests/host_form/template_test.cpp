// The bill templates: every kind loads, and the stored fields are columns of their tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "form_fixture.h"
#include "host/form/bill_template.h"

namespace qor::host::form::test {
namespace {

TEST(Templates, EveryBillKindLoadsWithItsPlugInClass) {
    const std::map<std::string, std::string> expected = {
        {"sale", "QOR_XS_PlugIns.BillEvent_Sale"},
        {"salechange", "QOR_XS_PlugIns.BillEvent_SaleChange"},
        {"consign", "QOR_XS_PlugIns.BillEvent_Consign"},
        {"order", "QOR_XS_PlugIns.BillEvent_Order"},
        {"tempconsign", "QOR_XS_PlugIns.BillEvent_TempConsign"},
        {"tempgj", "QOR_XS_PlugIns.BillEvent_TempGJ"},
        {"xscx", "QOR_XS_PlugIns.BillEvent_XSCX"},
        {"weborder", "QOR_XS_PlugIns.BillEvent_Order"}};
    ASSERT_EQ(Templates().size(), expected.size());
    for (const auto& [kind, progId] : expected) {
        const BillTemplate* t = FindTemplate(kind);
        ASSERT_NE(t, nullptr) << kind;
        EXPECT_EQ(t->progId, progId);
        if (kind != "weborder") {
            EXPECT_EQ(FindTemplate(progId), t);
        }
        for (const char* band :
             {"mnuFile", "mnuEdit", "mnuView", "mnuRelate", "mnuOption", "BandToolBar"})
            EXPECT_TRUE(std::any_of(t->bands.begin(), t->bands.end(),
                                    [&](const BandTemplate& b) { return b.key == band; }))
                << kind << " lacks " << band;
        for (const char* tool :
             {"mnuEditFileSave", "mnuEditCheck", "mnuEditUnCheck", "mnuEditFileDelete",
              "mnuEditCopy", "mnuEditAddRow", "mnuCopyRow", "mnuFilePrint"})
            EXPECT_NE(t->Tool(tool), nullptr) << kind << " lacks " << tool;
    }
}

TEST(Templates, SalesRowsCarryTheHostFormulasAndBatchLocks) {
    const BillTemplate* t = FindTemplate("sale");
    ASSERT_NE(t, nullptr);
    auto has = [&](const char* key, const char* type, const char* expr) {
        const FieldTemplate* f = t->Field(key, 2);
        if (!f) return false;
        return std::any_of(f->actions.begin(), f->actions.end(), [&](const FieldAction& a) {
            return a.type == type && a.expression == expr;
        });
    };
    EXPECT_TRUE(
        has("FTaxPrice", "Calculate", "FPrice=FTaxPrice/(1+FTaxRate/100)*100/FDiscountRate"));
    EXPECT_TRUE(has("FItemID", "LockField", "ME.FTrack<>80,FBatchNo=1,FBatchNo=0"));
    const BillTemplate* change = FindTemplate("salechange");
    ASSERT_NE(change->Field("FAmount01"), nullptr);
    const FieldTemplate* item01 = change->Field("FItemID01");
    ASSERT_NE(item01, nullptr);
    EXPECT_TRUE(
        std::any_of(item01->actions.begin(), item01->actions.end(), [](const FieldAction& a) {
            return a.expression == "ME.FTrack<>80,FBatchNo01=1,FBatchNo01=0";
        }));
}

TEST(Templates, StoredFieldsAreColumnsOfTheDemoSchema) {
    Database db(FreshDemoCopy());
    DatabaseAdapter adapter(db);
    for (const auto& [kind, t] : Templates()) {
        auto head = adapter.TableColumns(t.headerTable);
        auto entry = adapter.TableColumns(t.entryTable);
        ASSERT_FALSE(head.empty()) << t.headerTable;
        ASSERT_FALSE(entry.empty()) << t.entryTable;
        for (const auto& f : t.fields) {
            if (!f.stored || f.key == "FIndex") continue;
            const auto& cols = f.page == 1 ? head : entry;
            EXPECT_TRUE(std::any_of(cols.begin(), cols.end(),
                                    [&](const std::string& c) { return IEquals(c, f.column); }))
                << kind << ": " << f.key << " has no column in "
                << (f.page == 1 ? t.headerTable : t.entryTable);
        }
    }
}

TEST(Templates, ABrokenTemplateNamesFileAndLine) {
    namespace fs = std::filesystem;
    auto dir = fs::temp_directory_path() / "qor_bad_template";
    fs::create_directories(dir);
    auto write = [&](const std::string& text) {
        std::ofstream((dir / "bad.yaml").string()) << text;
        return (dir / "bad.yaml").string();
    };
    std::string base =
        "kind: bad\nclassTypeID: 1\nheaderTable: h\nentryTable: e\nentries:\n"
        "  - {key: FItemID, source: item}\n";
    try {
        LoadTemplate(write(
            base + "  - key: FQty\n    actions:\n      - [FAction, Calculate, \"FQty=(1\"]\n"));
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.yaml:9"), std::string::npos) << e.what();
    }
    try {
        LoadTemplate(write(base + "  - {key: FQty, type: decimal}\n"));
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.yaml:7"), std::string::npos) << e.what();
    }
    try {
        LoadTemplate(
            write(base + "  - key: FQty\n    actions: [[FAction, Calculate, \"FNope=1\"]]\n"));
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("FNope"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace qor::host::form::test
