// Each bill's rule book against its template: every field, band and tool the tables name exists
// on the bill form (and, for list tools, in the list's menus).
#include <gtest/gtest.h>

#include "frame/plugin.h"
#include "host/form/bill_template.h"
#include "tests/support/book_check.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

class BookTemplate : public ::testing::TestWithParam<const ClassFacts*> {};

TEST_P(BookTemplate, EveryNameTheTablesUseIsInTheBillsTemplate) {
    test::ScopedPlatform platform;
    const ClassFacts& facts = *GetParam();
    const host::form::BillTemplate* t = host::form::FindTemplate(facts.ProgId());
    ASSERT_NE(t, nullptr) << facts.name;
    auto plugin = facts.make();
    auto* base = dynamic_cast<PlugInBase*>(plugin.get());
    ASSERT_NE(base, nullptr);
    if (!base->Rules()) GTEST_SKIP() << facts.name << " declares no tables yet";
    EXPECT_EQ(test::BookNamesMissingFromTemplate(*base->Rules(), *t), std::vector<std::string>{});
    EXPECT_EQ(test::BookNamesMissingFromTemplate(*base->Rules(), *t, true),
              std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(EveryBill, BookTemplate, ::testing::ValuesIn(PlugInClasses()),
                         [](const auto& info) { return std::string(info.param->name); });

TEST(BookCheck, NamesATypoInAKeyABandAndATool) {
    const host::form::BillTemplate* t = host::form::FindTemplate("sale");
    ASSERT_NE(t, nullptr);
    RuleBook book;
    book.OnChange("FItemID", [](FieldEdit&) {})
        .OnChange("FItmID", [](FieldEdit&) {})
        .Tool({.band = "mnuOption", .key = "mnuCheckDuplicateItem"})
        .Tool({.band = "mnuCheckDuplicateItem", .key = "mnuSub"})  // a sub-item of a book tool
        .Tool({.band = "mnuOptoin", .key = "mnuX"})
        .OnClick("mnuEditCheck", [](ToolRun&) { return Verdict::Pass(); })
        .OnClick("mnuEditChek", [](ToolRun&) { return Verdict::Pass(); });
    EXPECT_EQ(
        test::BookNamesMissingFromTemplate(book, *t),
        (std::vector<std::string>{"field FItmID", "band mnuOptoin of mnuX", "tool mnuEditChek"}));
}

}  // namespace
}  // namespace qor
