// Field services that need only values and the platform: settlement dates, line breaks, array
// membership, the diagnostic log, system options and menu tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/form/menu.h"
#include "services/system_options.h"
#include "tests/support/fakes.h"

namespace qor {
namespace {

using test::ScopedPlatform;

Date D(int y, int m, int d) {
    Date date;
    date.year = y;
    date.month = m;
    date.day = d;
    return date;
}

TEST(CalcDueDate, MovesToThePayDayOfTheMonthTheTermEndsIn) {
    // 2024-01-20 + 15 days is 2024-02-04, before the pay day 5 of February.
    EXPECT_EQ(CalcDueDate(D(2024, 1, 20), 5, 15), D(2024, 2, 5));
    // Landing after the pay day moves to the next month.
    EXPECT_EQ(CalcDueDate(D(2024, 1, 20), 5, 20), D(2024, 3, 5));
    // Landing on the pay day itself stays.
    EXPECT_EQ(CalcDueDate(D(2024, 3, 1), 10, 9), D(2024, 3, 10));
    // December rolls into January of the next year.
    EXPECT_EQ(CalcDueDate(D(2024, 12, 10), 5, 10), D(2025, 1, 5));
}

TEST(CalcDueDate, PayDaysPastTheMonthEndTakeItsLastDay) {
    EXPECT_EQ(CalcDueDate(D(2024, 4, 2), 31, 0), D(2024, 4, 30));
    EXPECT_EQ(CalcDueDate(D(2024, 11, 3), 31, 0), D(2024, 11, 30));
    EXPECT_EQ(CalcDueDate(D(2024, 5, 3), 31, 0), D(2024, 5, 31));
    EXPECT_EQ(CalcDueDate(D(2023, 2, 1), 30, 0), D(2023, 2, 28));
    EXPECT_EQ(CalcDueDate(D(2024, 2, 1), 30, 0), D(2024, 2, 29));
    EXPECT_EQ(CalcDueDate(D(2024, 2, 1), 29, 0), D(2024, 2, 29));
    // 2100 is divisible by 4 but no leap year: February has 28 days.
    EXPECT_EQ(CalcDueDate(D(2100, 2, 1), 29, 0), D(2100, 2, 28));
}

TEST(CalcDueDate, BrokenInputGivesNoDateOrAUsableOne) {
    EXPECT_FALSE(CalcDueDate(D(9999, 12, 20), 5, 30).has_value()) << "past the year 9999";
    EXPECT_FALSE(CalcDueDate(D(2024, 1, 1), 5, 1L << 40).has_value());
    // A pay day of 0 or below counts as the 1st, above 31 as the 31st.
    EXPECT_EQ(CalcDueDate(D(2024, 1, 15), 0, 0), D(2024, 2, 1));
    EXPECT_EQ(CalcDueDate(D(2024, 6, 15), 99, 0), D(2024, 6, 30));
}

TEST(StripLineBreaks, RemovesEveryBreakAndTrimsOnlyWhenAsked) {
    EXPECT_EQ(StripLineBreaks("a\r\nb\nc\rd"), "abcd");
    EXPECT_EQ(StripLineBreaks("  送货\r\n上门  "), "  送货上门  ");
    EXPECT_EQ(StripLineBreaks("  送货\r\n上门  ", true), "送货上门");
    EXPECT_EQ(StripLineBreaks("\r\n\r\n"), "");
}

TEST(IsInArray, ComparesValuesByTheirText) {
    EXPECT_TRUE(IsInArray(3, {Value("1"), Value("3")}));
    EXPECT_TRUE(IsInArray(Value("3001"), {3001, 3002}));
    EXPECT_FALSE(IsInArray(Value("x"), {1, 2}));
    EXPECT_FALSE(IsInArray(1, {}));
    EXPECT_TRUE(IsInArray(Value(), {Value(""), Value(1)})) << "blank equals the empty text";
}

struct LogFixture : ::testing::Test {
    ScopedPlatform platform;
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("qor_log_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    void SetUp() override {
        std::filesystem::create_directories(dir);
        platform->systemDirectory = dir.string() + "  ";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(LogFixture, AppendsLinesAndStartsAfreshWhenAsked) {
    platform->sessionId = 3;
    const std::string path = LogFilePath();
    EXPECT_EQ(path, (dir / "ZALCommerceLog_3.log").string());
    WriteLog("第一行");
    WriteLog("第二行");
    EXPECT_EQ(Read(path), "第一行\r\n第二行\r\n");
    WriteLog("重新开始", true);
    EXPECT_EQ(Read(path), "重新开始\r\n");
}

TEST_F(LogFixture, WithoutSessionOrDirectory) {
    EXPECT_EQ(LogFilePath(), (dir / "ZALCommerceLog_0.log").string());
    platform->systemDirectory = "C:\\Windows\\system32";
    EXPECT_EQ(LogFilePath(), "C:\\Windows\\system32\\ZALCommerceLog_0.log");
    platform->systemDirectory = "   ";
    EXPECT_EQ(LogFilePath(), "");
    WriteLog("nowhere");  // nothing to write to, and no error
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(SystemOptions, ReadThroughTheProfileComponentWithFallbacks) {
    ScopedPlatform platform;
    auto profile = platform->AddComponent("QOREBSBase.SystemProfile");
    std::map<std::string, Value> options = {{"IC/AllowZeroPriceSave", Value("1")},
                                            {"IC/Blank", Value("")},
                                            {"IC/Nothing", Value::Null()}};
    profile->On("GetProfile", [&](Args& a) -> Value {
        if (a[2].ToString() == "Broken") throw HostError("profile", "no access");
        auto it = options.find(a[1].ToString() + "/" + a[2].ToString());
        return it == options.end() ? Value() : it->second;
    });
    EXPECT_EQ(GetSystemProfileValue("AllowZeroPriceSave", "IC"), "1");
    EXPECT_EQ(GetSystemProfileValue("Blank", "IC", "0"), "0");
    EXPECT_EQ(GetSystemProfileValue("Nothing", "IC", "7"), "7");
    EXPECT_EQ(GetSystemProfileValue("Broken", "IC", "x"), "x");
    EXPECT_TRUE(IsAllowZeroPriceSave());
    options["IC/AllowZeroPriceSave"] = Value("0");
    EXPECT_FALSE(IsAllowZeroPriceSave());
    options.erase("IC/AllowZeroPriceSave");
    EXPECT_FALSE(IsAllowZeroPriceSave());
    ASSERT_FALSE(profile->calls.empty());
    EXPECT_EQ(profile->calls.front().args.at(1).ToString(), "IC") << "category before key";
}

}  // namespace
}  // namespace qor
