// The sales order's goods-row rules that other customer-side bills share (the opening bills take
// them as they are): the second unit, quantity and price relations, the amount and tax tails,
// the discount-price relations and the display edits, plus the row services an item choice
// runs (default unit, promotion price, second unit, customer-type discount).
//
// Every rule is written against the main set's keys and reads its keys through the edit's row
// set, so a bill with another row set registers the same rule with that set.
#pragma once

#include <string>

#include "bills/common/entry_rows.h"
#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/rules.h"

namespace qor {

// ---- Row services ------------------------------------------------------------------------------

// The default sales price of the row's item and unit for the header customer (promotions
// first): written to the price the row is entered in ("FIncludeTaxPrice" when sales prices are
// entered with tax, the base price for a calculation-type item in the industry edition,
// otherwise "FPrice") with the discount rate that goes with it. No price leaves the row as it is.
void FetchRowPromotionPrice(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// A newly chosen item's default unit (the unit last sold to / bought from the header partner,
// else the item's sales unit) with its data, a quantity of 1 when the row had none, the second
// coefficient, and in the industry edition the calculation type or the plain display fields.
// partnerKey is the header's partner field ("FCustID", "FSupplyID").
void SetRowDefaultUnit(IBillForm& bill, int row, const std::string& partnerKey = "FCustID",
                       const FieldSet& fs = FieldSet::Main());

// The item's second unit on a newly chosen row: its coefficient, a second quantity of one
// second unit, the coefficient open only for items converted freely (1079), and the second
// fields locked and emptied when the row has no second unit.
void ApplyItemSecondUnit(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// The discount ratio of the header customer's customer type becomes the row's discount rate.
void ApplyCustomerTypeDiscount(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// The row's batch cell is locked for an item that is not batch managed.
void LockBatchUnlessManaged(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// After a unit change: the second coefficient from the item, the second price and quantity
// following the shown ones.
void FollowShownUnit(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// ---- Change rules
// --------------------------------------------------------------------------------

void OnSecQtyChanged(FieldEdit& e);            // FSecQty
void OnSecPriceChanged(FieldEdit& e);          // FSecPrice
void OnQtyChanged(FieldEdit& e);               // FQty
void OnShowQtyChanged(FieldEdit& e);           // FShowQty
void OnSecCoefficientChanged(FieldEdit& e);    // FSecCoefficient
void OnPriceChanged(FieldEdit& e);             // FPrice
void OnBasePriceChanged(FieldEdit& e);         // FBasePrice
void OnAmountTail(FieldEdit& e);               // FAmount: a tail below 0.05, else the total follows
void OnTaxAmountTail(FieldEdit& e);            // FTaxAmount: only a tail of at most 0.05
void OnInTaxAmountChanged(FieldEdit& e);       // FInTaxAmount
void OnBaseTaxPriceChanged(FieldEdit& e);      // FBaseTaxPrice
void OnDisplayPriceSynced(FieldEdit& e);       // FSecTaxPrice: the display price follows
void OnTaxPriceChanged(FieldEdit& e);          // FTaxPrice
void OnPriceDiscountChanged(FieldEdit& e);     // FPriceDiscount
void OnSecPriceDiscountChanged(FieldEdit& e);  // FSecPriceDiscount
void OnBasePriceDiscountChanged(FieldEdit& e);  // FBasePriceDiscount
void OnDisplayFieldChanged(FieldEdit& e);       // FDisplayPrice, FDisplayWeight, FDisplayQty
// FCalTypeID: the row's layout for its calculation type and its stored fields from the display
// fields (the order then shows the row's stock text).
void OnCalTypeChosen(FieldEdit& e);

// Registers the quantity, unit-coefficient, price and display rules above (FSecQty, FSecPrice,
// FQty, FShowQty, FSecCoefficient, FPrice, FBasePrice, FInTaxAmount, FAmount and the three
// display fields) for the row set.
void AddOrderQtyPriceRules(RuleBook& b, const FieldSet& fs = FieldSet::Main());

// ---- The host's formulas ------------------------------------------------------------------------

// True when the host's formula must not run: amount formulas (on FAmount, FInTaxAmount) while
// amounts do not drive prices, and the list price derived from FTaxPrice (the discount-price
// rule does that work). withTaxPrice false leaves the FTaxPrice formula to the host.
bool SuppressesHostFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                           const std::string& expression, bool withTaxPrice = true);
// After a host formula: an amount formula leaves the tax as the total less the amount; in the
// industry edition a quantity edit of a type-3 row keeps the second coefficient in step.
// amountFollowUp false keeps only the coefficient rule.
void FollowHostFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                       const std::string& type, const std::string& expression,
                       bool amountFollowUp = true);

}  // namespace qor
