// The login properties string, the login cache and shared properties, and the process cache.
#include <gtest/gtest.h>

#include "frame/login.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::ScopedPlatform;

TEST(PropsString, ParsesPairsBracedValuesAndEmptyValues) {
    ASSERT_TRUE(ParsePropsString("a=1; b = {x=1;y=2} ;c=3"));
    EXPECT_EQ(GetPropsItem("a"), "1");
    EXPECT_EQ(GetPropsItem("B"), "x=1;y=2") << "keys ignore letter case";
    EXPECT_EQ(GetPropsItem("c"), "3");

    ParsePropsString("a=;b=2");
    EXPECT_EQ(GetPropsItem("a"), "");
    EXPECT_EQ(GetPropsItem("b"), "2");

    ParsePropsString("UserID=7;ConnectString={Data Source=demo.db;Timeout=5}");
    EXPECT_EQ(GetConnectString(), "Data Source=demo.db;Timeout=5") << "last pair without ';'";
    EXPECT_EQ(GetPropsUserID(), 7);
    EXPECT_EQ(ParsedPropsString(), "UserID=7;ConnectString={Data Source=demo.db;Timeout=5}");

    // Every parse starts a new collection.
    ParsePropsString("");
    EXPECT_THROW(GetPropsItem("UserID"), KeyError);
}

TEST(PropsString, MissingAndDuplicateKeysAndOverflowAreErrors) {
    ParsePropsString("a=1");
    EXPECT_THROW(GetPropsItem("ConnectString"), KeyError);
    EXPECT_THROW(ParsePropsString("a=1;b=2;A=3"), KeyError);

    ParsePropsString("UserID=32767");
    EXPECT_EQ(GetPropsUserID(), 32767);
    ParsePropsString("UserID=32768");
    EXPECT_THROW(GetPropsUserID(), ConversionError);
    ParsePropsString("UserID={-40000}");
    EXPECT_THROW(GetPropsUserID(), ConversionError);
}

// A login cache and shared properties with distinct answers, so the source can be told apart.
struct LoginFixture : ::testing::Test {
    ScopedPlatform platform;
    std::shared_ptr<test::FakeComponent> cache =
        platform->AddComponent("QORMtsCacheService.CacheFacade");
    std::shared_ptr<test::FakeComponent> shared = platform->AddComponent("QORPropsMgr.ShareProps");
    int outer = 0;
    void SetUp() override {
        cache->On("GetItem", [this](Args& a) {
            if (a[1].ToString() == "IsOuterLogin") return Value(outer);
            return Value("cache:" + a[1].ToString());
        });
        shared->On("GetProperty", [](Args& a) { return Value("shared:" + a[1].ToString()); });
    }
};

TEST_F(LoginFixture, OuterLoginReadsTheFourteenKeysFromTheLoginCache) {
    outer = 1;
    EXPECT_EQ(GetSessionProperty("UserName").ToString(), "cache:UserName");
    EXPECT_EQ(GetPropsString(), "cache:PropsString");
    EXPECT_TRUE(GetSessionProperty("ConnectString").IsEmpty()) << "not one of the fourteen";
    EXPECT_EQ(cache->calls.back().args[0].ToNumber(), 4242) << "asked by process identifier";
}

TEST_F(LoginFixture, InnerLoginReadsSharedPropertiesAndOtherStatesNothing) {
    outer = 0;
    EXPECT_EQ(GetSessionProperty("ConnectString").ToString(), "shared:ConnectString");
    EXPECT_EQ(GetSharePropsString(), "shared:PropsString");
    outer = 2;
    EXPECT_TRUE(GetSessionProperty("UserName").IsEmpty());
}

TEST_F(LoginFixture, AMissingLoginCacheFallsBackToSharedProperties) {
    platform->components.erase("QORMtsCacheService.CacheFacade");
    EXPECT_EQ(GetPropsString(), "shared:PropsString");
    platform->components.clear();
    EXPECT_TRUE(GetSessionProperty("UserName").IsEmpty());
    EXPECT_EQ(GetSharePropsString(), "");
}

TEST(ProcessCache, DefaultsWithoutAPublishedDictionary) {
    ScopedPlatform platform;
    EXPECT_EQ(GetIndustryType(), 0);
    EXPECT_EQ(GetAppType(), 2);
    EXPECT_TRUE(IsInitClosed());
    EXPECT_EQ(GetProcessCacheValue("Anything", "fallback").ToString(), "fallback");
    EXPECT_THROW(SetProcessCacheValue("AppType", 1), HostError);
}

TEST(ProcessCache, ReadsAndWritesThePublishedDictionary) {
    ScopedPlatform platform;
    platform->dictionary = Collection::Make({{"IndustryType", 1}, {"InitClosed", false}});
    EXPECT_EQ(GetIndustryType(), 1);
    EXPECT_TRUE(IsIndustryEdition());
    EXPECT_FALSE(IsInitClosed());
    EXPECT_EQ(GetAppType(), 2) << "absent key takes the default";
    SetProcessCacheValue("AppType", "1");
    EXPECT_EQ(GetAppType(), 1);
    platform->dictionary->Set("AppType", "garbage");
    EXPECT_EQ(GetAppType(), 0) << "non-numeric text reads 0";
    // A dictionary published under another process identifier is not ours.
    platform->pid = 1;
    EXPECT_EQ(GetIndustryType(), 0);
}

TEST(ProcessCache, AuthorisationValuesAreComputedOnceAndKept) {
    ScopedPlatform platform;
    ResetLoginState();
    platform->dictionary = Collection::Make();
    auto gl = platform->AddComponent("QOREBCGLView.GLData");
    gl->On("GetAuthItemClassList", [](Args&) { return Value("1,2,5"); });
    auto security = platform->AddComponent("QOREBSBase.SecurityInfo");
    security->On("NeedAutorized", [](Args&) { return Value(true); });
    platform->AddComponent("QORPropsMgr.ShareProps")->On("GetProperty", [](Args&) {
        return Value("");
    });

    EXPECT_EQ(GetAuthItemClassList(), "1,2,5");
    EXPECT_EQ(GetAuthItemClassList(), "1,2,5");
    EXPECT_EQ(gl->calls.size(), 1u) << "the second read comes from the process cache";

    EXPECT_TRUE(NeedAuthorize());
    EXPECT_TRUE(NeedAuthorize());
    EXPECT_EQ(security->calls.size(), 1u);
    // Emptied by someone else: asked and stored again.
    platform->dictionary->Set("NeedAuthrize", "");
    EXPECT_TRUE(NeedAuthorize());
    EXPECT_EQ(security->calls.size(), 2u);
    ResetLoginState();
}

}  // namespace
}  // namespace qor
