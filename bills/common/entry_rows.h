// Entry-row helpers the bills share outside their change rules.
#pragma once

#include <string>

#include "frame/host.h"
#include "services/price_lookup.h"

namespace qor {

// Drops the rows without an item from the bill's entry data ("Page2") before the host saves:
// from the last row down to row 2 (row 1 stays, so the grid keeps a row). The host renumbers
// the rows left after the event.
void RemoveEmptyEntryRows(IBillForm& bill, const std::string& itemKey = "FItemID");

// The row's unit field (unitKey) := the unit, its cell data holding the unit's identifier, number,
// name, coefficient, barcode and item.
void PutRowUnit(IBillForm& bill, const std::string& unitKey, int row, const ItemUnit& unit);

}  // namespace qor
