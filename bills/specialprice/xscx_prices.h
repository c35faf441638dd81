// The prices of a special-price row: the original price (the sales price the price sources give
// for the item and unit), the special price, the difference (original - special) and the
// discount rate (special / original x 100), kept consistent whichever of the last three the
// user edits; the quantity limits; the field-change rules of the bill.
#pragma once

#include <cstdint>
#include <string>

#include "frame/host.h"
#include "frame/rules.h"

namespace qor::xscx {

// The customer list as it may enter SQL: the positive whole identifiers of text (separated by
// ","), joined by ",". Anything else in the text is dropped.
std::string CustomerIdList(const std::string& text);

// The customer whose own prices apply to the original price: the single detail customer the
// list names, else 0 (all customers, or several: customer prices do not apply).
int32_t SingleCustomer(const std::string& list);

// FOldPrice of the row := the default sales price of its item and unit for the customer.
void FetchRowOldPrice(IBillForm& bill, int row, int32_t customer);
// Every row with an item: the original price fetched again, the difference and the discount
// rate following from it and the special price.
void RecalcAllRowPrices(IBillForm& bill, const std::string& list);
// After the row's unit was set: the original price fetched, the special price cleared, the
// difference and rate following. A row without a unit loses its item; false then.
bool RefreshRowAfterUnit(IBillForm& bill, int row, const std::string& list);
// After a change of price type or a copy: the total limits emptied and the limit column set for
// the price type; every row's original price fetched again (difference and rate follow where
// both prices are set).
void RefreshAllRowPrices(IBillForm& bill, const std::string& list);
// Whether the row's item may take a special price in its unit: the item's sales price in that
// unit must not be 0 (the user is told, and the unit and original price are cleared). A row
// without an item is cleared. False when the unit may not be used.
bool ChkPriceValidate(IBillForm& bill, int row, const Value& priceType);

// The special-price bill's field-change rules.
void AddSpecialPriceRules(RuleBook& b);

}  // namespace qor::xscx
