// A row's values written as one text, "FKey=value FKey2=value": a value that reads wholly as a
// number is a number, any other a text ("FKey=" is the empty text, "FKey='001'" the text 001).
// Tests fill and expect rows with it in one line where a call per field would take a line each.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <source_location>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/host.h"

namespace qor::test {

inline std::vector<std::pair<std::string, Value>> RowValues(const std::string& values) {
    std::vector<std::pair<std::string, Value>> out;
    std::istringstream in(values);
    for (std::string item; in >> item;) {
        const auto eq = item.find('=');
        const std::string text = eq == std::string::npos ? "" : item.substr(eq + 1);
        char* end = nullptr;
        const double number = std::strtod(text.c_str(), &end);
        if (text.size() > 1 && text.front() == '\'' && text.back() == '\'') {
            out.emplace_back(item.substr(0, eq), Value(text.substr(1, text.size() - 2)));
        } else {
            out.emplace_back(item.substr(0, eq),
                             !text.empty() && *end == '\0' ? Value(number) : Value(text));
        }
    }
    return out;
}

// Expects one value: a text exactly, anything else as a number to the ninth decimal; what names
// it in a failure.
inline void ExpectValue(const Value& actual, const Value& expected, const std::string& what) {
    if (expected.IsText()) {
        EXPECT_EQ(actual.ToString(), expected.ToString()) << what;
    } else {
        EXPECT_NEAR(actual.ToNumber(), expected.ToNumber(), 1e-9) << what;
    }
}

// Writes the values into the row (-1: the header), in order, without running any host action.
inline void FillRow(IBillForm& bill, int row, const std::string& values) {
    for (const auto& [key, value] : RowValues(values)) bill.SetFieldValue(key, value, row, 1);
}

// Expects the row's values: numbers to the ninth decimal, texts exactly. A failure names the
// caller's line.
inline void ExpectRow(IBillForm& bill, int row, const std::string& values,
                      std::source_location where = std::source_location::current()) {
    ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), values);
    for (const auto& [key, expected] : RowValues(values)) {
        ExpectValue(bill.GetFieldValue(key, row, 1), expected,
                    key + " of row " + std::to_string(row));
    }
}

}  // namespace qor::test
