// Quantity, unit and price calculation of entry rows: one item in three units (base, shown,
// second), the industry edition's calculation types (1 by base weight, 2 by count, 3 by second
// quantity), the mapping of the three display fields onto the stored fields, the row layouts
// that say which fields the user may edit, and the small conversions every bill uses.
//
// The rules are written once against the main row's keys and run on any row set (see
// frame/field_set.h): the main row, the exchange bill's second set (keys with "01") and the
// child rows of the assembly bills. The "01" functions are the exchange bill's names for the
// same rule on its second set.
//
// Every function traps its own errors and answers its empty result; an arithmetic step whose
// divisor is 0 (or whose result is not a finite number) is skipped and leaves its target as it
// was, the other steps still run.
#pragma once

#include <string>

#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// ---- Item master data ------------------------------------------------------------------------

// The item's "FIsGC" (calculated by calculation type; a null value counts as true). An unknown
// item, item 0 or a failed read gives false.
bool GetItemIsGC(const Value& itemID);

// The item's base units per second unit divided by coefficient (base units per shown unit):
// the shown units per second unit. An unknown item or a coefficient of 0 gives 0.
double GetItemSecCoefficient(const Value& itemID, double coefficient = 1);

// ---- Display edits and layouts ---------------------------------------------------------------

// Applies an edit of a display field of the row set ("FDisplayPrice", "FDisplayWeight",
// "FDisplayQty" in the set's keys, and on the in-and-out price bill's main rows
// "FDisplayInPrice" and "FDisplayOutPrice") to the stored fields of the row according to its
// calculation type, running the host's actions of each field written where the rules say so.
// key is the edited key as the host gives it; other keys change nothing.
void CalcRowOnDisplayChange(IBillForm& bill, int row, const std::string& key,
                            const FieldSet& set = FieldSet::Main());

// Locks and opens the row's fields for its calculation type and copies the display quantity
// and weight from the stored ones.
void ApplyCalTypeLayout(IBillForm& bill, int row, const Value& calTypeID,
                        const FieldSet& set = FieldSet::Main());

// The layout after an item change: a calculation-type item gets its second packing unit as the
// shown unit and the calculation-type layout; any other item the ordinary second-unit layout.
void ApplyPlainItemLayout(IBillForm& bill, int row, const Value& itemID,
                          const FieldSet& set = FieldSet::Main());

// Applies the layout of every row of the set's grid (calculation-type items by their type,
// others the plain one).
void RecalcBillEntries(IBillForm& bill, const FieldSet& set = FieldSet::Main());

// Keeps the second unit of a calculation-type row in step: for types other than 3 the second
// quantity and price are the base ones; then, when both quantities are above 0, the second
// coefficient := shown quantity / second quantity. Type 3 keeps its own second quantity (the
// weight entered) and only refreshes the coefficient.
//
// The type is the row's own "FCalTypeID", so a type-3 row keeps its weight whatever the caller
// passes; calTypeHint (the type the caller has just given the row, as the sales bill's new row
// passes 1) is used only while the row holds none of the types 1 to 3.
void CalcRowSecQty(IBillForm& bill, int row, const Value& calTypeHint = Value(),
                   const FieldSet& set = FieldSet::Main());

// Fills the row's "FCalTypeID" with the item's default calculation type (id, number and name in
// the cell) and runs the field's host actions. False when the item has none.
bool SetRowCalType(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());

// Passes when every row of a calculation-type item has a calculation type; otherwise refuses
// with "第<row>行计算方式不能为空。" for the first row without one, the cursor going to its
// calculation type.
Verdict CheckCalTypeFilled(IBillForm& bill, const FieldSet& set = FieldSet::Main());

// Industry edition only: the display price := the price of the row's calculation type (the
// shown price for other items).
void SyncRowDisplayPrice(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());
inline void SyncRowDisplayPrice01(IBillForm& bill, int row) {
    SyncRowDisplayPrice(bill, row, FieldSet::Twin01());
}

// Whether "FSecCoefficient" may be edited on one row (row >= 1) or on every row with an item
// (row < 1): locked for items with a fixed conversion (1078) or without a second unit. Nothing
// happens on a bill whose "FStatus" is above 0.
void RefreshSecUnitFields(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());

// Industry edition only: on a virtual stock the sales bills' price fields are locked and the
// display price is 0; on any other stock the prices are derived by SetRowPrices (and price
// fields locked for an earlier virtual stock are opened again). The freight charge is locked on
// a virtual stock.
void CalcRowPriceByCalType(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());
inline void CalcRowPriceByCalType01(IBillForm& bill, int row) {
    CalcRowPriceByCalType(bill, row, FieldSet::Twin01());
}

// Derives the row's four prices from the one its calculation type enters, with the formulas of
// the display edit: type 1 from the base price, type 2 and plain items from the shown price,
// type 3 from the second price; the display price shows the entered one. The shown price's host
// actions run when it was written.
void SetRowPrices(IBillForm& bill, int row, const Value& itemID, const Value& stockID,
                  const Value& calTypeID, const FieldSet& set = FieldSet::Main());
inline void SetRowPrices01(IBillForm& bill, int row, const Value& itemID, const Value& stockID,
                           const Value& calTypeID) {
    SetRowPrices(bill, row, itemID, stockID, calTypeID, FieldSet::Twin01());
}

// ---- Conversions -----------------------------------------------------------------------------

// The value rounded to digits decimals as the number format "#,##0.00..." shows it (halves away
// from zero on the decimal text: 2.345 gives 2.35) and kept with at most four decimals. Negative
// digits count as 0; a value that is no finite number gives 0.
double RoundToDigits(double value, int digits);

}  // namespace qor
