// Values the host writes into the T-SQL it sends to its own database: a text as a quoted
// literal (inner quotes doubled) and an identifier as a plain integer. The host builds its
// statements with these; it shares no code with the plug-in library but the contract.
#pragma once

#include <string>
#include <string_view>

#include "frame/value.h"

namespace qor::host {

inline std::string SqlText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

// An identifier as an integer literal (read as the host reads identifiers: ToId).
inline std::string SqlInt(const Value& v) {
    return std::to_string(ToId(v));
}

}  // namespace qor::host
