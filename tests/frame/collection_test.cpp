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

    std::string keys;
    for (const auto& [key, value] : c) keys += key + ";";
    EXPECT_EQ(keys, "FKey;FFLD;FDSP;FNew;");

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

// A watcher hears of every change before it is made (so it can still read the old item), a
// copy is not watched, and a watcher that is gone is no longer called.
TEST(CollectionTest, AWatcherHearsOfEveryChangeBeforeItIsMade) {
    struct Recorder : CollectionWatcher {
        std::vector<std::string> heard;
        void BeforeChange(const Collection& c, const std::string& key) override {
            heard.push_back(key + "=" + c.Get(key).ToString());
        }
    };
    auto recorder = std::make_shared<Recorder>();
    auto cell =
        Collection::Make({{"FFLD", Value(1)}, {"FDSP", Value("一")}, {"FModify", Value(0)}});
    cell->Watch(recorder);
    cell->Set("ffld", Value(2));
    cell->Add("FFND", Value("01"));
    EXPECT_THROW(cell->Add("FFND", Value("02")), KeyError);
    EXPECT_TRUE(cell->Remove("FDSP"));
    EXPECT_FALSE(cell->Remove("FDSP"));
    cell->Clear();
    EXPECT_EQ(recorder->heard, (std::vector<std::string>{"ffld=1", "FFND=", "FDSP=一", "="}));

    auto copy = Collection::Make({{"A", Value(1)}});
    copy->Watch(recorder);
    copy->Clone()->Set("A", Value(2));
    EXPECT_EQ(recorder->heard.size(), 4u);
    recorder.reset();
    copy->Set("A", Value(3));  // nobody left to tell
    EXPECT_EQ(copy->Get("A").ToNumber(), 3);
}

// Removing an item keeps every other key reachable at its new position.
TEST(CollectionTest, RemovingKeepsTheOtherKeysReachable) {
    Collection c;
    for (int i = 1; i <= 6; ++i) c.Set("K" + std::to_string(i), Value(i));
    c.Add("", Value(0));
    c.Set("Size", Value(6));
    ASSERT_TRUE(c.Remove("K2"));
    EXPECT_FALSE(c.Remove("k2"));
    ASSERT_TRUE(c.Remove("Size"));
    ASSERT_TRUE(c.Remove("k6"));
    EXPECT_EQ(c.Count(), 5u);
    for (int i : {1, 3, 4, 5}) EXPECT_EQ(c.Get("K" + std::to_string(i)).ToNumber(), i);
    EXPECT_EQ(c.KeyAt(2), "K3");
    EXPECT_EQ(c.ItemAt(5).ToNumber(), 0);
    c.Set("K2", Value(22));
    EXPECT_EQ(c.KeyAt(6), "K2");
    EXPECT_EQ(c.Get("K5").ToNumber(), 5);
}

}  // namespace
}  // namespace qor
