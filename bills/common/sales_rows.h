// The goods rows of the sales-side bills: the row services that give a row its sales price,
// cost and stock text, the small rules every goods row keeps (cost amount, second price), and
// the sales bill's field-change rules of a goods row (item, unit, quantities, discounts, tax
// tail, stock, batch...).
//
// The sales bill runs the rules on its rows; the exchange bill runs them again on its second
// goods set (FieldSet::Twin01()); the sales order and the consignment bill call the row
// services. Every rule is written against the main set's keys and reads each key through the
// row set it runs on, so a second goods set is a second registration, never a copy. The rules
// the sales bill shares with the sales order are the order's (bills/common/order_rows.h): the
// second price and the price (FSecPrice, FPrice, FNoDiscAmount), the tax-inclusive base and
// second prices (FBaseTaxPrice, FSecTaxPrice) and a new item's default unit (SetRowDefaultUnit).
#pragma once

#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/order_rows.h"
#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"

namespace qor {

// ---- Options, menus ----------------------------------------------------------------------------

// The section of the bill's own per-user options: its class type and "BillSet".
std::string BillSetSection(IBillForm& bill);
// A per-user option: on when its numeric reading is not 0 (unset or unreadable: off).
bool IsUserOptionOn(const std::string& section, const std::string& key);
// The tool of the form's menu bar placed in the band, or null.
MenuToolPtr GetMenuItem(IBillForm& bill, const std::string& bandKey, const std::string& toolKey);
// True when that tool is there and checked.
bool IsMenuOptionChecked(IBillForm& bill, const std::string& bandKey, const std::string& toolKey);

// The account's default tax rate in percent (system option "General"/"TaxRate").
double DefaultTaxRate();

// ---- Small rules of a goods row ----------------------------------------------------------------

// Cost amount: FCostAmount := FCostPrice x FShowQty, to two decimals.
void ApplyCostAmount(const GoodsRow& r);
// Second price: FSecPrice := FPrice x FSecCoefficient.
void ApplySecPrice(const GoodsRow& r);

// ---- Row services ------------------------------------------------------------------------------

// The sales price of the row (rows below 1: nothing): the customer's price of the item in the
// row's unit (promotions first, then the price sources), written to FPrice (FIncludeTaxPrice when
// sales prices are entered with tax; the base price for a calculation-type item in the industry
// edition) with its discount rate, and acted on. A row in a gift (virtual) stock of a sales bill
// takes no price when the user's option "DoNotGetSalePriceWhenGiftStock" is on. No positive price
// empties the price rather than keeping a stale one.
void FetchRowSalePrice(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// The unit cost (per base unit) of goods leaving the stock: asked of the host's cost reader only
// when the option "StockOutCalCost" (category "IC", default "1") is "0", else 0. The 80 form is
// for items costed by batch.
double GetStockOutCost(const Value& item, const Value& stock, const std::string& batch);
double GetStockOutCost80(const Value& item, const Value& stock, const std::string& batch);

// FCostPrice := the unit cost x FCoefficient, then the cost amount; only for a row (>= 1) whose
// stock is not virtual.
void FillRowCostPrice(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());
void FillRowCostPrice80(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// The stock of the row's item (in its stock, auxiliary property and batch) as the text of the
// status bar's panel 2 (rows below 1: nothing).
void RefreshRowStockInfo(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// ---- Goods-row change rules
// ----------------------------------------------------------------------

// Item chosen: discount of the customer's type, the duplicate-item question, a return's batch,
// the default stock, tax rate, second unit and its locks, shelf life, default unit and price,
// cost, the customer's item code and the stock text.
void OnItemChosen(FieldEdit& e);
// Unit changed: a new row takes the unit's price; a row copied from a source keeps its value per
// base unit.
void OnUnitChanged(FieldEdit& e);
void OnSaleShowQtyChanged(FieldEdit& e);  // the second quantity and the cost amount follow
void OnSaleSecQtyChanged(FieldEdit& e);   // the quantity and the cost amount follow
void OnBaseQtyChanged(FieldEdit& e);      // the shown quantity and the cost amount follow
// A coefficient of 0 empties the second quantity and price and ends the handler.
void OnSaleSecCoefficientChanged(FieldEdit& e);
void OnAuxPropChanged(FieldEdit& e);          // the batch's stock data follow
void OnStockChanged(FieldEdit& e);            // price, cost, batch in the new stock, stock text
void OnBatchChanged(FieldEdit& e);            // dates, price, cost and stock text of the batch
void OnAmountChanged(FieldEdit& e);           // the amount with tax follows
void OnTaxAmountChanged(FieldEdit& e);        // only a rounding tail of at most 0.05
void OnSaleInTaxAmountChanged(FieldEdit& e);  // the amount and the display price follow
// A discounted (or tax-inclusive discounted) price of the bill unit, the base unit or the second
// unit changed: the list price or the discount rate follows.
void OnDiscountedPriceChanged(FieldEdit& e);
void OnClientItemChanged(FieldEdit& e);  // the item of the customer's item code
void OnShelfLifeChanged(FieldEdit& e);   // production date, shelf life, expiry date

// The rules of one goods set's keys (the main set, or the exchange bill's second set).
void AddSalesRowRules(RuleBook& b, const FieldSet& fs);

// Rules of the fields a row has once, whatever its goods sets: calculation type, the three
// display fields and the freight charge.
void OnSaleCalTypeChanged(FieldEdit& e);
void OnSaleDisplayFieldChanged(FieldEdit& e);
void OnFreightChargeChanged(FieldEdit& e);
void AddRowDisplayRules(RuleBook& b);

}  // namespace qor
