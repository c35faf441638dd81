// Field groups, modified flags and the price and tax rights, on a form that holds
// only field definitions and bill data.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "services/system_options.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::ScopedPlatform;

// Definitions of one grid or header page for the keys, all visible and open.
CollectionPtr PageDefs(const std::string& keys, const std::string& keyField = "") {
    auto fields = Collection::Make();
    for (const auto& key : SplitKeys(keys)) {
        fields->Set(key,
                    Collection::Make({{"FKey", key}, {"Visible", true}, {"FieldLock", false}}));
    }
    auto page = Collection::Make({{"BOSFields", fields}});
    if (!keyField.empty()) page->Set("KeyField", keyField);
    return page;
}

class DefsForm : public test::FakeBillForm {
public:
    int32_t fid = 1030002;
    CollectionPtr heads = Collection::Make();
    CollectionPtr entrys = Collection::Make();
    CollectionPtr data = Collection::Make();

    int32_t FID() const override { return fid; }
    CollectionPtr BillHeads() override { return heads; }
    CollectionPtr BillEntrys() override { return entrys; }
    CollectionPtr BillData() override { return data; }

    Value Def(const CollectionPtr& pages, int page, const std::string& key,
              const std::string& item) {
        return pages->ItemAt(page).As<Collection>()->Sub("BOSFields")->Sub(key)->Get(item);
    }
    bool EntryVisible(const std::string& key, int page = 1) {
        return Def(entrys, page, key, "Visible").ToBool();
    }
    bool EntryLocked(const std::string& key, int page = 1) {
        return Def(entrys, page, key, "FieldLock").ToBool();
    }
    bool HeadVisible(const std::string& key) { return Def(heads, 1, key, "Visible").ToBool(); }
    // Those of the entry keys (separated by commas) hidden, or locked, on the page.
    std::string Hidden(const std::string& keys, int page = 1) { return Which(keys, page, false); }
    std::string Locked(const std::string& keys, int page = 1) { return Which(keys, page, true); }

private:
    std::string Which(const std::string& keys, int page, bool locked) {
        std::string out;
        for (const auto& key : SplitKeys(keys)) {
            if (locked ? EntryLocked(key, page) : !EntryVisible(key, page))
                out += (out.empty() ? "" : ",") + key;
        }
        return out;
    }
};

const char* kSaleEntryKeys =
    "FItemID,FBasePrice,FPrice,FSecPrice,FDisplayPrice,FDiscountRate,FPriceDiscount,"
    "FBasePriceDiscount,FSecPriceDiscount,FTaxPrice,FBaseTaxPrice,FSecTaxPrice,FTaxRate,"
    "FTaxAmount,FInTaxAmount,FAmount,FIncludeTaxPrice,FDiscountAmount,FNoDiscAmount,FCostPrice,"
    "FCostAmount,FQty";

// A form of the class type with one entry page of the sales bill's keys.
DefsForm SaleKeysForm(int32_t fid) {
    DefsForm form;
    form.fid = fid;
    form.entrys->Add("", PageDefs(kSaleEntryKeys));
    return form;
}

TEST(FieldGroups, HideShowLockAndOpenListedFieldsOfThePageAsked) {
    DefsForm form;
    form.entrys->Add("", PageDefs("FItemID,FQty,FPrice,FCostPrice"));
    form.entrys->Add("", PageDefs("FItemID,FPrice1"));
    form.heads->Add("", PageDefs("FInvoiceAmt,FNoInvoiceAmt,FDate"));

    SetEntryFieldsVisible(form, " FCostPrice , FNoSuchField,,FQty", false);
    EXPECT_EQ(form.Hidden("FItemID,FQty,FPrice,FCostPrice"), "FQty,FCostPrice");
    SetEntryFieldsVisible2(form, "FQty");
    EXPECT_EQ(form.Hidden("FItemID,FQty,FPrice,FCostPrice"), "FCostPrice");

    SetEntryFieldsLock(form, "FPrice1", kSecondEntryPage);
    EXPECT_TRUE(form.EntryLocked("FPrice1", 2));
    EXPECT_FALSE(form.EntryLocked("FPrice")) << "the first grid is not touched";
    SetEntryFieldsLock2(form, "fprice1", kSecondEntryPage);
    EXPECT_FALSE(form.EntryLocked("FPrice1", 2)) << "keys in any letter case";

    SetHeadFieldsVisible(form, "FInvoiceAmt,FNoInvoiceAmt", false);
    EXPECT_FALSE(form.HeadVisible("FInvoiceAmt"));
    EXPECT_TRUE(form.HeadVisible("FDate"));

    // A page the form does not have changes nothing and raises nothing.
    SetEntryFieldsLock(form, "FPrice", static_cast<Page>(5));
    SetHeadFieldsVisible(form, "FDate", false, static_cast<Page>(0));
    EXPECT_FALSE(form.EntryLocked("FPrice"));
    EXPECT_TRUE(form.HeadVisible("FDate"));
}

TEST(EntryRows, ABrokenPageSizeReadsNoRows) {
    DefsForm form;
    form.entrys->Add("", PageDefs("FItemID", "FItemID"));
    for (double size : {1e12, -3.0, std::nan("")}) {
        form.data->Set("Page2", Collection::Make({{"Size", size}}));
        EXPECT_EQ(GetEntryRowCount(form, kEntryPage, true), 0) << size;
    }
}

TEST(ClearPageModifyFlags, MarksEveryCellOfEveryPageUnchanged) {
    DefsForm form;
    auto cell = [] { return Collection::Make({{"FFLD", 1}, {"FModify", 1}}); };
    auto header = Collection::Make({{"FDate", cell()}, {"FCustID", cell()}});
    auto row1 = Collection::Make({{"FItemID", cell()}, {"FQty", cell()}});
    auto row2 = Collection::Make({{"FItemID", cell()}});
    auto entries = Collection::Make({{"1", row1}, {"2", row2}, {"Size", 2}});
    auto second = Collection::Make({{"1", Collection::Make({{"FQty1", cell()}})}, {"Size", 1}});
    form.data->Set("Page1", header);
    form.data->Set("Page2", entries);
    form.data->Set("Page3", second);

    ClearPageModifyFlags(form);
    for (auto page : {header, row1, row2, second->Sub("1")}) {
        for (const auto& [key, item] : *page) {
            EXPECT_EQ(item.As<Collection>()->Get("FModify").ToNumber(), 0) << key;
        }
    }
    EXPECT_EQ(entries->Get("Size").ToNumber(), 2) << "the row count stays";

    DefsForm headerOnly;
    headerOnly.data->Set("Page1", Collection::Make({{"FDate", cell()}}));
    ClearPageModifyFlags(headerOnly);
    EXPECT_EQ(headerOnly.data->Sub("Page1")->Sub("FDate")->Get("FModify").ToNumber(), 0);
}

// The rights component denies the rights listed; every call is recorded.
struct RightsFixture : ::testing::Test {
    ScopedPlatform platform;
    std::shared_ptr<test::FakeComponent> security =
        platform->AddComponent("QOREBSBase.SecurityInfo");
    std::set<int> denied;
    DefsForm form;

    void SetUp() override {
        security->On("AccessCheck", [this](Args& a) -> Value {
            return !(a[1].ToNumber() == 15 && a[3].ToNumber() == 32 &&
                     denied.count(static_cast<int>(a[2].ToNumber())));
        });
        Login(2, 0);
        form.entrys->Add("", PageDefs(kSaleEntryKeys, "FItemID"));
        form.entrys->Add("", PageDefs("FCldItemID,FBasePrice1,FPrice1,FDisplayPrice1,FAmount1"));
        form.heads->Add("", PageDefs("FInvoiceAmt,FNoInvoiceAmt,FDate,FAmount"));
    }
    void Login(int appType, int industryType) {
        platform->dictionary =
            Collection::Make({{"AppType", appType}, {"IndustryType", industryType}});
    }
};

TEST_F(RightsFixture, ApplicationTypeOneNeverHidesAPrice) {
    denied = {kPriceRightObject};
    Login(1, 1);
    EXPECT_TRUE(ApplyPriceFieldRights(form, "props").empty());
    EXPECT_TRUE(form.EntryVisible("FPrice"));
    EXPECT_TRUE(form.HeadVisible("FInvoiceAmt"));
    EXPECT_TRUE(security->calls.empty()) << "no right is even asked";
}

TEST_F(RightsFixture, SalesBillHidesItsShortListAndTheInvoiceAmounts) {
    denied = {kPriceRightObject};
    auto hidden = ApplyPriceFieldRights(form, "props", 0, false, {kPriceRightObject},
                                        "QOR_XS_PlugIns.BillEvent_Sale");
    EXPECT_EQ(hidden.size(), 13u);
    // Those only in the long list, or in no list of the sales bill, stay.
    EXPECT_EQ(form.Hidden(kSaleEntryKeys),
              "FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxAmount,FInTaxAmount,"
              "FAmount,FIncludeTaxPrice,FDiscountAmount,FNoDiscAmount");
    EXPECT_FALSE(form.HeadVisible("FInvoiceAmt"));
    EXPECT_FALSE(form.HeadVisible("FNoInvoiceAmt"));
    EXPECT_FALSE(form.HeadVisible("FAmount"));
    EXPECT_TRUE(form.HeadVisible("FDate"));
    ASSERT_EQ(security->calls.size(), 1u);
    const Args& a = security->calls[0].args;
    EXPECT_EQ(a[0].ToString(), "props");
    EXPECT_EQ(a[2].ToNumber(), kPriceRightObject);
    EXPECT_EQ(a[5].ToString(), "QOR_XS_PlugIns.BillEvent_Sale");
}

TEST_F(RightsFixture, TheIndustryEditionHidesTheLongList) {
    denied = {kPriceRightObject};
    Login(3, 1);
    ApplyPriceFieldRights(form, "props");
    const std::string longList =
        "FBasePrice,FDisplayPrice,FBaseTaxPrice,FSecTaxPrice,FBasePriceDiscount,FSecPriceDiscount,"
        "FPrice";
    EXPECT_EQ(form.Hidden(longList + ",FCostPrice"), longList);
}

TEST_F(RightsFixture, TheListFollowsTheClassType) {
    denied = {kPriceRightObject};
    form.fid = 1030001;  // the sales order: no invoice amounts on its list
    ApplyPriceFieldRights(form, "props");
    EXPECT_FALSE(form.EntryVisible("FPrice"));
    EXPECT_TRUE(form.HeadVisible("FInvoiceAmt")) << "headers only on 1020002 and 1030002";

    DefsForm purchase = SaleKeysForm(1030002);
    // The class type asked for wins over the form's.
    ApplyPriceFieldRights(purchase, "props", 1020002);
    EXPECT_FALSE(purchase.EntryVisible("FCostPrice")) << "the purchase bill hides its costs";
    EXPECT_TRUE(purchase.EntryVisible("FIncludeTaxPrice"));

    DefsForm other = SaleKeysForm(1050001);
    EXPECT_TRUE(ApplyPriceFieldRights(other, "props").empty()) << "no list for this class";
    EXPECT_TRUE(other.EntryVisible("FPrice"));
}

TEST_F(RightsFixture, AssemblyBillsHideTheChildGridToo) {
    denied = {kPriceRightObject};
    form.fid = 1040005;
    auto hidden = ApplyPriceFieldRights(form, "props");
    EXPECT_FALSE(form.EntryVisible("FPrice"));
    // The long list only keeps FBasePrice1 shown.
    EXPECT_EQ(form.Hidden("FBasePrice1,FPrice1,FAmount1", 2), "FPrice1,FAmount1");
    EXPECT_TRUE(form.HeadVisible("FAmount"));
    EXPECT_EQ(hidden.size(), 6u);
}

TEST_F(RightsFixture, HeldRightsLockInsteadAndSeveralRights) {
    EXPECT_TRUE(ApplyPriceFieldRights(form, "props").empty());
    EXPECT_TRUE(form.EntryVisible("FPrice"));

    denied = {900};
    ApplyPriceFieldRights(form, "props", 0, true, {kPriceRightObject, 900});
    EXPECT_TRUE(form.EntryVisible("FPrice")) << "locked, not hidden";
    EXPECT_TRUE(form.EntryLocked("FPrice"));
    EXPECT_FALSE(form.EntryLocked("FItemID"));
}

TEST_F(RightsFixture, TaxRightsLockOrCollectByClassType) {
    const std::vector<std::string> taxKeys = SplitKeys(
        "FSecPrice,FPrice,FTaxRate,FTaxAmount,FIncludeTaxPrice,FPriceDiscount,FTaxPrice,FAmount,"
        "FInTaxAmount,FDiscountRate,FDiscountAmount");
    denied = {2040};
    auto collected = ApplyTaxFieldRights("props", form, true);
    ASSERT_EQ(collected->Count(), taxKeys.size());
    for (const auto& key : taxKeys) EXPECT_TRUE(collected->Exists(key)) << key;
    EXPECT_FALSE(form.EntryLocked("FTaxRate")) << "collecting leaves the fields alone";

    ApplyTaxFieldRights("props", form);
    EXPECT_EQ(form.Locked(kSaleEntryKeys),
              "FPrice,FSecPrice,FDiscountRate,FPriceDiscount,FTaxPrice,FTaxRate,FTaxAmount,"
              "FInTaxAmount,FAmount,FIncludeTaxPrice,FDiscountAmount");
    EXPECT_EQ(security->calls.back().args[2].ToNumber(), 2040);
    EXPECT_EQ(security->calls.back().args[5].ToString(), "");

    DefsForm order = SaleKeysForm(1030001);
    EXPECT_EQ(ApplyTaxFieldRights("props", order)->Count(), 0u) << "right 2030 is held";
    EXPECT_EQ(security->calls.back().args[2].ToNumber(), 2030);

    DefsForm consign = SaleKeysForm(1030003);
    denied = {2050};
    EXPECT_EQ(ApplyTaxFieldRights("props", consign)->Count(), taxKeys.size());
    EXPECT_TRUE(consign.EntryLocked("FPrice"));

    DefsForm other;
    other.fid = 1040001;
    denied = {2030, 2040, 2050};
    const size_t asked = security->calls.size();
    EXPECT_EQ(ApplyTaxFieldRights("props", other)->Count(), 0u);
    EXPECT_EQ(security->calls.size(), asked) << "no list, no question";
}

TEST_F(RightsFixture, AFailingRightsComponentDeniesTheRight) {
    security->On("AccessCheck", [](Args&) -> Value { throw HostError("security", "down"); });
    EXPECT_FALSE(CheckAccessRight("props", 15, 900, 32, ""));
    ApplyPriceFieldRights(form, "props");
    EXPECT_FALSE(form.EntryVisible("FPrice"));
}

}  // namespace
}  // namespace qor
