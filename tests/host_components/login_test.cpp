// The login as the library reads it through the reference host: login cache or shared
// properties by "IsOuterLogin", the properties string's items, the process dictionary, and
// components the host does not know.
#include <gmock/gmock.h>

#include "frame/errors.h"
#include "frame/login.h"
#include "host/components/recording.h"
#include "host_fixture.h"

namespace qor::host::testing {
namespace {

using LoginTest = HostTest;

TEST_F(LoginTest, InnerLoginReadsTheSharedPropertiesAndTheirPropsString) {
    uint32_t pid = host().Platform().ProcessId();
    // Tell the two sources apart: the library must read the shared properties.
    services().LoginCache(pid)->Set("UserName", "cache-user");
    services().SharedProps(pid)->Set("UserName", "shared-user");

    EXPECT_EQ(GetSessionProperty("UserName").ToString(), "shared-user");
    EXPECT_EQ(GetSessionProperty("ConnectString").ToString(),
              "Data Source=" + host().DatabasePath());
    ASSERT_EQ(GetPropsString(), host().PropsString());
    EXPECT_EQ(GetSharePropsString(), host().PropsString());

    ParsePropsString(GetPropsString());
    EXPECT_EQ(GetConnectString(), "Data Source=" + host().DatabasePath());
    EXPECT_EQ(GetPropsUserID(), 16394);
    EXPECT_EQ(GetPropsItem("UserName"), "administrator");
}

TEST_F(LoginTest, OuterLoginReadsTheLoginCacheForItsFourteenKeysOnly) {
    host().SetLogin(HostLogin{16395, "张敏", "杭州汇通商贸有限公司", true});
    uint32_t pid = host().Platform().ProcessId();
    services().LoginCache(pid)->Set("UserName", "cache-user");
    services().SharedProps(pid)->Set("UserName", "shared-user");

    EXPECT_EQ(GetSessionProperty("UserName").ToString(), "cache-user");
    EXPECT_EQ(GetSessionProperty("ConnectString").ToString(), "");  // not a login-cache key
    ParsePropsString(GetPropsString());
    EXPECT_EQ(GetPropsUserID(), 16395);
}

// The components read the properties string with the data components' parser.
TEST_F(LoginTest, ComponentsFindTheLoginsDatabaseAsTheDataComponentsDo) {
    EXPECT_EQ(PropsStringItem("connectstring={Data Source=a;b.db}; userid = 7 ;", "UserID"), "7");
    EXPECT_EQ(LoginDatabaseFile("ConnectString={Provider=SQLite;Data Source=/a/b.db};UserID=1"),
              "/a/b.db");
    // A connection string naming no file leaves the choice to the host's own login.
    EXPECT_EQ(LoginDatabaseFile("ConnectString={Provider=SQLOLEDB;Initial Catalog=x}"), "");
    EXPECT_EQ(services().Db("ConnectString={Initial Catalog=x};UserID=1"),
              services().Db(host().PropsString()));
}

TEST_F(LoginTest, LoggingInAgainChangesTheUserTheComponentsAnswerFor) {
    auto profile = Create("QORMProfile.ClassUserProfileInfo");
    EXPECT_EQ(
        profile->Call("GetUserProfile", {props(), "BillSet1030002", "AdjustPeriod"}).ToString(),
        "");
    host().SetLogin(HostLogin{16395, "张敏"});
    EXPECT_EQ(
        profile->Call("GetUserProfile", {props(), "BillSet1030002", "AdjustPeriod"}).ToString(),
        "1");
}

TEST_F(LoginTest, ProcessDictionaryValuesReachTheLibrary) {
    host().SetAppType(4);
    host().SetIndustryType(1);
    host().SetInitClosed(false);
    EXPECT_EQ(GetAppType(), 4);
    EXPECT_EQ(GetIndustryType(), 1);
    EXPECT_TRUE(IsIndustryEdition());
    EXPECT_FALSE(IsInitClosed());

    // What the library stores, the host's dictionary keeps.
    SetProcessCacheValue("AuthrizeItemClassList", "4,5");
    EXPECT_EQ(host().Platform().ProcessDictionary()->Get("AuthrizeItemClassList").ToString(),
              "4,5");
}

TEST_F(LoginTest, AuthorisationAnswersComeFromTheSecurityAndLedgerObjects) {
    services().answers().authItemClassList = "1,5";
    services().answers().needAuthorized = true;
    EXPECT_EQ(GetAuthItemClassList(), "1,5");
    EXPECT_TRUE(NeedAuthorize());
    EXPECT_EQ(services().CallsTo("QOREBSBase.SecurityInfo", "NeedAutorized").size(), 1u);
    EXPECT_EQ(services().CallsTo("QOREBCGLView.GLData", "GetAuthItemClassList").size(), 1u);
}

TEST_F(LoginTest, UnknownComponentsAndMethodsRaiseHostErrorNamingThem) {
    using ::testing::HasSubstr;
    using ::testing::Property;
    EXPECT_THAT([&] { host().Platform().CreateObject("QORNothing.Here"); },
                ::testing::ThrowsMessage<HostError>(HasSubstr("QORNothing.Here")));
    EXPECT_THROW(CreateHostObject<IComponent>("QORNothing.Here"), HostError);
    auto tip = Create("qorhelptip.helptip");  // identifiers in any letter case
    EXPECT_THAT([&] { tip->Call("ShowBalloon", {"x"}); },
                ::testing::Throws<HostError>(
                    ::testing::AllOf(Property(&HostError::what, HasSubstr("ShowBalloon")),
                                     Property(&HostError::Source, "QorHelpTip.HelpTip"))));
    tip->Call("showpoptip", {"保存成功！", "澄石提示"});  // methods in any letter case
    ASSERT_EQ(services().Shown().size(), 1u);
    EXPECT_EQ(services().Shown()[0].lines.at(0), "保存成功！");
}

}  // namespace
}  // namespace qor::host::testing
