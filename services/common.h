// What every service does the same way: identifiers taken from bill values, the first field of
// a master-data read, the grid of a row set and statements written over several lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/class_types.h"
#include "frame/field_set.h"
#include "frame/recordset.h"
#include "frame/value.h"

namespace qor {

// An identifier read from the bill; nullopt when the value is no number in the identifier range.
std::optional<int32_t> IdOf(const Value& v);
// The same, 0 for anything that is no identifier.
int32_t SafeId(const Value& v);

// The first column of the first row; empty when there is no record set or no row.
Value FirstField(const RecordsetPtr& rs);
// The same as text, "" when there is no row.
std::string FirstText(const RecordsetPtr& rs);

// A column of the item's master data: the statement text ends where the item's identifier
// follows, and the read may be answered from the event's cache. Empty when the value is no
// item identifier, the item is not found or the read fails.
Value ReadItemColumn(const std::string& sqlBeforeID, const Value& itemID);

// The entry grid a row set's rows are in: the assembly bills' child rows fill the second grid,
// every other set (the exchange bill's "01" set included) the first.
inline Page EntryPageOf(const FieldSet& set) {
    return &set == &FieldSet::Child() ? kSecondEntryPage : kEntryPage;
}

// The lines of a multi-line statement joined with CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace qor
