// The check the bill tests share: a row's fields (or a dictionary's values) against what each
// must hold.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "frame/value.h"

namespace qor::test {

// Keys and what each must hold: a text, or a number (compared to 1e-9).
using Fields = std::initializer_list<std::pair<const char*, Value>>;

// Expects each field to hold its value; get(key) reads the field.
template <class Get>
void ExpectFields(const std::string& where, Fields fields, Get get) {
    for (const auto& [key, want] : fields) {
        const Value got = get(key);
        if (want.IsText()) {
            EXPECT_EQ(got.ToString(), want.ToString()) << key << where;
        } else {
            EXPECT_NEAR(got.ToNumber(), want.ToNumber(), 1e-9) << key << where;
        }
    }
}

}  // namespace qor::test
