// What the bill lists of the sales-side bills share: the bills the user selected, their
// identifiers as the integer list of a statement's "FID In(...)", and the header of a merged
// copy made from the selection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host.h"
#include "frame/value.h"

namespace qor {

// The bills selected in the list, each once, in the order of the selection; rows whose "FID"
// is no identifier are left out.
std::vector<int32_t> SelectedBillIDs(IBillList& list);

// The identifiers comma-separated, each written as an integer ("4,12"): the inside of
// "FID In(" ... ")". Empty for no identifier.
std::string SqlIdList(const std::vector<int32_t>& ids);

// One column of every selected bill's stored header, read with one statement from headTable
// (bills of classType only), in the order the database gives; empty for no selection or when
// the read fails.
std::vector<Value> SelectedBillsColumn(IBillList& list, const char* headTable, int32_t classType,
                                       const char* column);

// A merged copy made in the list is a new, unchecked bill of the given type: the header cells
// "FStatus" and "FBillTypeID" of the merged data (found through the list's table information,
// "Map" -> "FPage") get "FFLD" "0" and billType.
void ResetMergedCopyHeader(IBillList& list, const Value& mergedBill, const std::string& billType);

}  // namespace qor
