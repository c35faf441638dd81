// System options, rights and per-user options as the host's components answer them.
#include <gtest/gtest.h>

#include "frame/login.h"
#include "host_fixture.h"
#include "services/system_options.h"

namespace qor::host::testing {
namespace {

using ProfilesTest = HostTest;

TEST_F(ProfilesTest, SystemOptionsAreReadByCategoryAndKeyWithTheCallersDefault) {
    auto profile = Create("QOREBSBase.SystemProfile");
    auto get = [&](const char* category, const char* key) {
        return profile->Call("GetProfile", {props(), category, key});
    };
    EXPECT_EQ(get("IC", "StartYear").ToString(), "2026");
    EXPECT_TRUE(get("IC", "NoSuchOption").IsBlank());
    EXPECT_TRUE(get("GL", "StartYear").IsBlank());  // the same key in another category

    EXPECT_EQ(GetSystemProfileValue("QuantityDigitCount", "IC", "2"), "4");
    EXPECT_EQ(GetSystemProfileValue("NoSuchOption", "IC", "7"), "7");
    host().SetOption("IC", "NoSuchOption", "O'Neil;--");
    EXPECT_EQ(GetSystemProfileValue("NoSuchOption", "IC", "7"), "O'Neil;--");
    host().SetOption("IC", "QuantityDigitCount", "2");  // replaces, never duplicates
    EXPECT_EQ(GetSystemProfileValue("QuantityDigitCount", "IC"), "2");
    EXPECT_EQ(Num("Select Count(*) From t_SystemProfile Where FKey='QuantityDigitCount'"), 1);
}

TEST_F(ProfilesTest, LedgerSystemProfileAnswersThroughTheLedgerDataObject) {
    auto profile = std::dynamic_pointer_cast<IComponent>(GetGLSystemProfile());
    ASSERT_NE(profile, nullptr);
    EXPECT_TRUE(profile->Call("Refresh", {}).ToBool());
    EXPECT_EQ(profile->Call("GetSystemProfile", {"IC", "ControlPoint"}).ToString(), "0");
    host().SetOption("IC", "ControlPoint", "1");
    EXPECT_EQ(profile->Call("GetSystemProfile", {"IC", "ControlPoint"}).ToString(), "1");
    EXPECT_EQ(profile->Call("GetSystemProfile", {"IC", "Missing", "9"}).ToString(), "9");
    EXPECT_TRUE(profile->Call("GetSystemProfile", {"IC", "Missing"}).IsBlank());
}

TEST_F(ProfilesTest, RightsAreGrantedUnlessDenied) {
    // The administrator holds every right of the demo account.
    EXPECT_TRUE(CheckAccessRight(props(), 15, 900, 32, "QOR_XS_PlugIns.BillEvent_Sale"));
    EXPECT_TRUE(CheckAccessRight(props(), 12, 200, 64, "QORMain.MDIMain"));

    host().DenyRight(12, 200, 64);
    EXPECT_FALSE(CheckAccessRight(props(), 12, 200, 64, "QORMain.MDIMain"));
    EXPECT_TRUE(CheckAccessRight(props(), 12, 500, 1, "QORMain.MDIMain"));  // another object
    EXPECT_TRUE(CheckAccessRight(props(), 12, 200, 1, "QORMain.MDIMain"));  // another access bit
    EXPECT_FALSE(
        CheckAccessRight(props(), 12, 200, 65, "QORMain.MDIMain"));  // includes a denied bit

    auto calls = services().CallsTo("QOREBSBase.SecurityInfo", "AccessCheck");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().args.size(), 6u);
    EXPECT_EQ(calls.back().args[5].ToString(), "QORMain.MDIMain");
}

TEST_F(ProfilesTest, DeniedRightsBelongToTheirUser) {
    // The demo's warehouse keeper may not see costs; the others may.
    host().SetLogin(HostLogin{16396, "赵磊"});
    EXPECT_FALSE(CheckAccessRight(props(), 15, 900, 32, ""));
    host().SetLogin(HostLogin{16395, "张敏"});
    EXPECT_TRUE(CheckAccessRight(props(), 15, 900, 32, ""));
    // A row for user 0 denies everybody.
    Exec(
        "Insert Into t_AccessRight (FObjectType,FObjectID,FAccess,FUserID,FDenied) Values "
        "(33,300,32,0,1)");
    EXPECT_FALSE(CheckAccessRight(props(), 33, 300, 32, ""));
}

TEST_F(ProfilesTest, UserProfileItemsRoundTripPerUser) {
    auto read = Create("QORMProfile.ClassUserProfileInfo");
    auto save = Create("QORMProfile.ClassUserProfileUpdate");
    auto get = [&](const std::string& login, const char* section, const char* key) {
        return read->Call("GetUserProfile", {login, section, key}).ToString();
    };
    EXPECT_EQ(get(props(), "XS1030002", "InvoiceType"), "");
    for (const char* value : {"2021", "it's"}) {
        save->Call("SaveUserProfile", {props(), "XS1030002", "InvoiceType", value});
        EXPECT_EQ(get(props(), "XS1030002", "InvoiceType"), value);
    }
    EXPECT_EQ(Num("Select Count(*) From ICClassUserProfile Where FUserID=16394 And "
                  "FSection='XS1030002'"),
              1);
    // The clerk's own value is untouched.
    EXPECT_EQ(Text("Select FValue From ICClassUserProfile Where FUserID=16395 And "
                   "FSection='XS1030002' And FKey='InvoiceType'"),
              "2020");
    host().SetUserProfile("BillSet1030001", "DoNotResetPrice", "1");
    EXPECT_EQ(get(props(), "BillSet1030001", "DoNotResetPrice"), "1");
    // An empty login string means the host's login.
    EXPECT_EQ(get("", "BillSet1030001", "DoNotResetPrice"), "1");
}

}  // namespace
}  // namespace qor::host::testing
