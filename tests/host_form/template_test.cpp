// The bill templates: the stored fields are columns of their tables, and broken templates are
// refused with their place.
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "host/form/bill_template.h"

namespace qor::host::form::test {
namespace {

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
    std::string base =
        "kind: bad\nclassTypeID: 1\nheaderTable: h\nentryTable: e\nentries:\n"
        "  - {key: FItemID, source: item}\n";
    ExpectTemplateError(
        base + "  - key: FQty\n    actions:\n      - [FAction, Calculate, \"FQty=(1\"]\n",
        "bad.yaml:9");
    ExpectTemplateError(base + "  - {key: FQty, type: decimal}\n", "bad.yaml:7");
    ExpectTemplateError(base + "  - key: FQty\n    actions: [[FAction, Calculate, \"FNope=1\"]]\n",
                        "FNope");
}

}  // namespace
}  // namespace qor::host::form::test
