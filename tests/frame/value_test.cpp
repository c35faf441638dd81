#include "frame/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/collection.h"

namespace qor {
namespace {

TEST(ValueTest, ValReadsTheLeadingNumber) {
    // "1e400" is too large to hold.
    const std::pair<const char*, double> cases[] = {
        {"", 0},     {"abc", 0},    {"12abc", 12}, {"  -3.5x", -3.5},  {"\t+7", 7},
        {".5", 0.5}, {"1e3", 1000}, {"1e", 1},     {"2.5E-1kg", 0.25}, {"1.2.3", 1.2},
        {"-", 0},    {".", 0},      {"1e400", 0},  {"1e-400", 0}};
    for (auto [text, number] : cases) EXPECT_EQ(Val(text), number) << text;
}

TEST(ValueTest, ConversionsOfHostValues) {
    const Value none, null = Value::Null(), list = Value(Collection::Make());
    const std::pair<Value, double> numbers[] = {
        {none, 0}, {null, 0}, {true, 1}, {"12abc", 12}, {list, 0}};
    for (const auto& [v, number] : numbers) EXPECT_EQ(v.ToNumber(), number) << v.ToString();
    const std::pair<Value, const char*> texts[] = {
        {none, ""}, {30.0, "30"}, {false, "False"}, {list, "Collection"}};
    for (const auto& [v, text] : texts) EXPECT_EQ(v.ToString(), text);
    const std::pair<Value, bool> flags[] = {
        {" TRUE ", true}, {"-1", true}, {"1abc", false}, {"yes", false}, {0.5, true}};
    for (const auto& [v, flag] : flags) EXPECT_EQ(v.ToBool(), flag) << v.ToString();
    const std::pair<Value, bool> blanks[] = {{"", true}, {null, true}, {" ", false}, {0, false}};
    for (const auto& [v, blank] : blanks) EXPECT_EQ(v.IsBlank(), blank) << v.ToString();

    EXPECT_EQ(ToDouble(Value(" 12.5 ")), 12.5);
    EXPECT_EQ(ToDouble(Value("")), 0);
    EXPECT_THROW(ToDouble(Value("abc")), ConversionError);
    EXPECT_THROW(ToDouble(Value("1e999")), ConversionError);
    EXPECT_THROW(ToDouble(Value(Collection::Make())), ConversionError);
}

TEST(ValueTest, IdentifiersRoundHalvesToEvenAndCheckRange) {
    const int32_t min = std::numeric_limits<int32_t>::min(), max = 2147483647;
    const std::pair<Value, int32_t> ids[] = {{2.5, 2},           {3.5, 4},          {-2.5, -2},
                                             {"1001", 1001},     {"12abc", 12},     {"abc", 0},
                                             {double(max), max}, {double(min), min}};
    for (const auto& [value, id] : ids) EXPECT_EQ(ToId(value), id) << value.ToString();
    // 2147483647.5 rounds up to 2^31.
    for (const Value& v : {Value(2147483647.5), Value(2147483648LL), Value(std::nan("")),
                           Value(-std::numeric_limits<double>::infinity())}) {
        EXPECT_THROW(ToId(v), ConversionError) << v.ToString();
    }

    EXPECT_EQ(ToInt16(Value(32767)), 32767);
    EXPECT_EQ(ToInt16(Value("-32768")), -32768);
    EXPECT_EQ(ToInt16(Value(0.5)), 0);
    EXPECT_THROW(ToInt16(Value(32768)), ConversionError);
    EXPECT_THROW(ToInt16(Value(-32769.0)), ConversionError);
}

TEST(ValueTest, NumberToTextWritesPlainDecimals) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const std::pair<double, const char*> cases[] = {
        {2.5, "2.5"},         {30, "30"},
        {0.1 + 0.2, "0.3"},   {1234567.89, "1234567.89"},
        {-1234.5, "-1234.5"}, {0.000123, "0.000123"},
        {-0.0, "0"},          {1.5e-12, "1.5E-12"},
        {nan, "0"},           {inf, "0"}};
    for (auto [number, text] : cases) EXPECT_EQ(NumberToText(number), text) << number;
    EXPECT_EQ(NumberToText(1e20), "100000000000000000000");
    EXPECT_EQ(Val(NumberToText(1.5e-12)), 1.5e-12);
    EXPECT_EQ(NumberToText(std::numeric_limits<double>::max()).size(), 309u);
}

TEST(ValueTest, RoundDecimalFollowsTheDecimalText) {
    struct Case {
        double number;
        int digits;
        double rounded;
    };
    const Case cases[] = {{2.345, 2, 2.35},    {1.005, 2, 1.01}, {-2.345, 2, -2.35},
                          {2.344999, 2, 2.34}, {2.5, 0, 3},      {9.995, 2, 10},
                          {1250, -2, 1300},    {60, -2, 100},    {0.004, 2, 0}};
    for (auto [number, digits, rounded] : cases)
        EXPECT_EQ(RoundDecimal(number, digits), rounded) << number;
    EXPECT_FALSE(std::signbit(RoundDecimal(-0.004, 2)));
    EXPECT_EQ(RoundDecimal(1e300, 2), 1e300);
    EXPECT_EQ(RoundDecimal(123.456, 1000000), 123.456);
    EXPECT_EQ(RoundDecimal(123.456, -1000000), 0);
    EXPECT_TRUE(std::isnan(RoundDecimal(std::nan(""), 2)));
}

TEST(ValueTest, Texts) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Upper("fItemId 商品"), "FITEMID 商品");
    EXPECT_EQ(UpperTrim("  fqty "), "FQTY");
    EXPECT_TRUE(IEquals("FShowQty", "fshowqty"));
    EXPECT_FALSE(IEquals("FQty", "FQty1"));
}

TEST(ValueTest, ParseAndFormatDates) {
    auto text = [](const char* input, std::string (*format)(const Date&)) {
        auto d = ParseDate(input);
        return d ? format(*d) : "unread";
    };
    EXPECT_EQ(text("2024-01-31", FormatDate), "2024-01-31");
    EXPECT_EQ(text("2024-02-29", FormatDate), "2024-02-29");
    EXPECT_EQ(text("2024/1/5", FormatDateSlash), "2024/01/05");
    EXPECT_EQ(text("2024-01-31 13:05:09", FormatDateTime), "2024-01-31 13:05:09");
    EXPECT_EQ(text("2024-01-31 13:05", FormatDateTime), "2024-01-31 13:05:00");
    EXPECT_EQ(text("2024-01-31T13:05:09", FormatDateTime), "2024-01-31 13:05:09");
    EXPECT_EQ(text("2024-01-31 13:05:09.000", FormatDateTime), "2024-01-31 13:05:09");
    for (const char* bad :
         {"2024-02-30", "2023-02-29", "2024-13-01", "2024-00-10", "2024-01-00", "", "abc", "2024-1",
          "2024-01-31x", "2024-01/31", "24-01-31", "2024-01-31 24:00", "2024-01-31 12:60",
          "2024-01-31 12", "2024-001-01", "0000-01-01"})
        EXPECT_FALSE(ParseDate(bad)) << bad;

    EXPECT_EQ(FormatDate(ToDate(Value("2024/3/9"))), "2024-03-09");
    EXPECT_THROW(ToDate(Value("2024-02-30")), ConversionError);
    EXPECT_THROW(ToDate(Value(45000)), ConversionError);
}

TEST(ValueTest, DateArithmetic) {
    auto add = [](const char* text, long days) {
        return FormatDate(AddDays(*ParseDate(text), days));
    };
    struct Case {
        const char* from;
        long days;
        const char* to;
    };
    const Case cases[] = {{"2024-02-28", 1, "2024-02-29"},    {"2023-02-28", 1, "2023-03-01"},
                          {"2023-12-31", 1, "2024-01-01"},    {"2024-03-01", -1, "2024-02-29"},
                          {"2024-01-01", -366, "2022-12-31"}, {"2000-02-28", 1, "2000-02-29"},
                          {"1900-02-28", 1, "1900-03-01"}};
    for (auto [from, days, to] : cases) EXPECT_EQ(add(from, days), to) << from << days;
    EXPECT_EQ(FormatDateTime(AddDays(*ParseDate("2024-01-31 08:30:00"), 1)), "2024-02-01 08:30:00");
    EXPECT_THROW(AddDays(*ParseDate("9999-12-31"), 1), ConversionError);
    EXPECT_THROW(AddDays(*ParseDate("2024-01-01"), std::numeric_limits<long>::min()),
                 ConversionError);

    EXPECT_EQ(DaysBetween(*ParseDate("2024-01-01 23:59:59"), *ParseDate("2024-03-01 00:00:01")),
              60);
    EXPECT_EQ(DaysBetween(*ParseDate("2024-03-01"), *ParseDate("2023-03-01")), -366);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_FALSE(IsValidDate(2023, 4, 31));
}

}  // namespace
}  // namespace qor
