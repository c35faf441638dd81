// The consignment bill's own tables and procedures: the row routines its rules call, its
// field-change table, its save and check validation, and its tools with their state by the
// bill's status and type. A consignment bill is a delivery to a consignee (3010, drawn from
// sales orders) or a return from the consignee (3011, drawn from earlier deliveries).
#pragma once

#include <string>

#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The class's programmatic identifier, which also names it in rights checks.
inline constexpr const char* kConsignProgId = "QOR_XS_PlugIns.BillEvent_Consign";
// The name the balance of a stored bill is asked with (the sales order's right).
inline constexpr const char* kOrderProgId = "QOR_XS_PlugIns.BillEvent_Order";

// ---- Rows (consign_rows.cpp) -------------------------------------------------------------------

// The customer's price of a row typed by hand (rows drawn from a source keep their price):
// promotions first, for the row's unit, stock and batch. No price leaves the row as it is.
void RefreshRowPrice(IBillForm& bill, int row);
// The row's cost price (per row unit) and cost amount from what the goods cost in its stock and
// batch, unless the stock is virtual; a cost of 0 when the option "StockOutCalCost" is 0. The
// 80 form asks the cost of the batch (items costed by batch).
void RefreshRowCost(IBillForm& bill, int row);
void RefreshRowCost80(IBillForm& bill, int row);
// The customer's delivery address into the header's "FAddress", when he has one.
void FillDeliverAddress(IBillForm& bill, const Value& customer);
// A newly chosen item's default unit with a quantity of 1 and its second quantity.
void ApplyItemDefaultUnit(IBillForm& bill, int row);
// Is the bill a consignment return (3011)?
bool IsConsignReturn(IBillForm& bill);

// ---- Field changes (consign_changes.cpp) --------------------------------------------------------

// Every key of the consignment bill's field-change table.
void AddConsignChangeRules(RuleBook& b);
// The bill type's layout: the copy tool, the goods keys open or locked, the order quantity
// column, the cost columns by right, the price and tax rights and the goods-entry tools.
void ApplyConsignTypeLayout(IBillForm& bill);

// The host's formulas: true when the formula must not run (amounts while they do not drive
// prices, the list price from the tax-inclusive price, the batch locks of batch-managed items).
bool SuppressesConsignFormula(IBillForm& bill, const CollectionPtr& fieldDesc,
                              const CollectionPtr& itemProps, const std::string& kind,
                              const std::string& type, const std::string& expression);
// Before a lock formula of a row: the second-unit fields locked and emptied on a row without a
// second unit, opened otherwise.
void LockSecondUnitByRow(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                         const std::string& type);
// After a formula: an amount formula leaves the tax as the total less the amount; in the
// industry edition a quantity keeps the second coefficient in step; the complex quantity text
// follows the quantity.
void FollowConsignFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                          const std::string& type, const std::string& expression);

// ---- Save and check (consign_checks.cpp) ------------------------------------------------------

// The save validation, the check and uncheck hand-off to the host's stock component.
void AddConsignChecks(RuleBook& b);

// ---- Tools and state (consign_tools.cpp) --------------------------------------------------------

// The tools the bill adds (queries, the price option, the source-selection buttons) and what a
// click on them and on the host's tools does, in the form and in the list.
void AddConsignTools(RuleBook& b);
// Tools and columns by the form's state (new, edit, view), the bill's status and its type.
void RefreshConsignBillState(IBillForm& bill);
// Sources may be selected only into a bill not yet saved.
void RefreshRelateTools(IBillForm& bill);
// The texts of the source-selection buttons and the push tools, and the price option's check
// mark from the user's settings.
void DressConsignTools(IBillForm& bill, const MenuBarPtr& menuBar);
// The complex quantity text of every saved row, stored with the row.
void RefreshComplexQtyDisplay(IBillForm& bill);
// The complex quantity text of one row on the form.
void RefreshRowComplexQty(IBillForm& bill, int row);

}  // namespace qor
