#include "frame/collection.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(CollectionTest, KeysIgnoreCaseAndKeepOrder) {
    Collection c{{"FKey", Value("FShowQty")}, {"FFLD", Value(12)}};
    c.Add("FDSP", Value("twelve"));
    EXPECT_TRUE(c.Exists("fkey"));
    EXPECT_EQ(c.Item("FKEY").AsText(), "FShowQty");
    EXPECT_EQ(c.Get("ffnd", Value(-1)).AsInt(), -1);
    EXPECT_EQ(c.Get("ffld").AsInt(), 12);
    EXPECT_THROW(c.Item("FFND"), KeyError);
    EXPECT_THROW(c.Add("ffld", Value(1)), KeyError);
    EXPECT_EQ(c.Count(), 3u);

    EXPECT_EQ(c.KeyAt(1), "FKey");
    EXPECT_EQ(c.ItemAt(3).AsText(), "twelve");
    EXPECT_THROW(c.ItemAt(0), KeyError);
    EXPECT_THROW(c.ItemAt(4), KeyError);
    EXPECT_THROW(c.KeyAt(4), KeyError);

    c.Set("fFlD", Value(13));  // replaces in place, keeps the first spelling of the key
    EXPECT_EQ(c.KeyAt(2), "FFLD");
    EXPECT_EQ(c.ItemAt(2).AsInt(), 13);
    c.Set("FNew", Value(1));
    EXPECT_EQ(c.KeyAt(4), "FNew");

    // Removing an item keeps the rest in order and reachable by key.
    EXPECT_TRUE(c.Remove("FKEY"));
    EXPECT_FALSE(c.Remove("FKEY"));
    EXPECT_EQ(c.Count(), 3u);
    EXPECT_EQ(c.KeyAt(1), "FFLD");
    EXPECT_EQ(c.Item("fnew").AsInt(), 1);
    EXPECT_EQ(c.Item("FDSP").AsText(), "twelve");
    std::string keys;
    for (const auto& [key, value] : c) keys += key + ";";
    EXPECT_EQ(keys, "FFLD;FDSP;FNew;");

    c.Clear();
    EXPECT_EQ(c.Count(), 0u);
    EXPECT_FALSE(c.Exists("FFLD"));
    c.Add("FFLD", Value(1));  // the key is free again
    EXPECT_EQ(c.Count(), 1u);
}

TEST(CollectionTest, ItemsWithoutKeyArePositional) {
    Collection c;
    c.Add("", Value(1));
    c.Add("", Value(2));
    c.Add("k", Value(3));
    EXPECT_EQ(c.Count(), 3u);
    EXPECT_FALSE(c.Exists(""));
    EXPECT_THROW(c.Item(""), KeyError);
    EXPECT_FALSE(c.Remove(""));
    EXPECT_EQ(c.ItemAt(2).AsInt(), 2);
    c.Remove("k");
    EXPECT_EQ(c.Count(), 2u);
}

TEST(CollectionTest, NestedCollectionsAndDeepCopy) {
    auto cell = Collection::Make({{"FFLD", Value(5)}, {"FDSP", Value("Box")}});
    auto shared = Collection::Make();
    auto page = Collection::Make({{"FUnitID", Value(cell)}, {"FQty", Value(2.0)}});
    page->Add("Twice", Value(cell));
    EXPECT_EQ(page->Sub("funitid"), cell);
    EXPECT_EQ(page->Sub("FQty"), nullptr);
    EXPECT_EQ(page->Sub("missing"), nullptr);

    auto copy = page->Clone();
    ASSERT_NE(copy->Sub("FUnitID"), nullptr);
    EXPECT_NE(copy->Sub("FUnitID"), cell);
    EXPECT_EQ(copy->Sub("FUnitID"), copy->Sub("Twice"));  // one copy for one original
    copy->Sub("FUnitID")->Set("FFLD", Value(6));
    EXPECT_EQ(cell->Item("FFLD").AsInt(), 5);
    EXPECT_EQ(copy->Item("FQty").AsDouble(), 2.0);
    EXPECT_EQ(copy->KeyAt(3), "Twice");

    // A collection that holds itself copies without recursing for ever.
    auto loop = Collection::Make();
    loop->Add("self", Value(loop));
    auto loopCopy = loop->Clone();
    EXPECT_EQ(loopCopy->Sub("self"), loopCopy);
    loop->Clear();  // break the reference cycles
    loopCopy->Clear();
}

}  // namespace
}  // namespace qor
