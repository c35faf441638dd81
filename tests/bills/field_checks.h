// The check the bill tests share: a row's fields (or a dictionary's values) against what each
// must hold.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "frame/value.h"
#include "tests/support/row_values.h"

namespace qor::test {

// Keys and what each must hold: a text, or a number (compared to 1e-9).
using Fields = std::initializer_list<std::pair<const char*, Value>>;

// Expects each field to hold its value; get(key) reads the field.
template <class Get>
void ExpectFields(const std::string& where, Fields fields, Get get) {
    for (const auto& [key, want] : fields) {
        ExpectValue(get(key), want, key + where);
    }
}

}  // namespace qor::test
