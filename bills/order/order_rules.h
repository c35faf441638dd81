// The sales order's own tables and procedures: its field-change table and the row services only
// the order has (stock columns, the row's stock text), the preparation of new, loaded and copied
// orders with their layouts and write-backs, the checks before a save, check or uncheck, and the
// order's tools in the form and in the list.
#pragma once

#include <string>

#include "frame/collection.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor::order {

// The class's programmatic identifier, which also names it in rights checks.
inline constexpr const char* kOrderProgId = "QOR_XS_PlugIns.BillEvent_Order";

// ---- Rows (order_changes.cpp) ------------------------------------------------------------------

// The stock of the row's item (over every stock, in its auxiliary property) as the text of the
// status bar's panel 2 (rows below 1: nothing).
void ShowRowStockInfo(IBillForm& bill, int row);

// Stock on hand, purchase orders due, sales orders still to ship and what is available, in the
// row's unit (and in base units in the industry edition).
struct StockColumns {
    double total = 0, purchaseDue = 0, salesOpen = 0, available = 0;  // in the row's unit
    double baseTotal = 0, basePurchaseDue = 0, baseSalesOpen = 0, baseAvailable = 0;
};
// The figures of an item and auxiliary property for a unit of coefficient base units (a
// coefficient of 0 counts as 1); calType and unit are passed in the industry edition only.
StockColumns ReadStockColumns(const Value& item, const Value& aux, double coefficient,
                              const Value& calType = Value(), const Value& unit = Value());
// Writes the row's stock columns and lets the host's formulas of the first three run (and of
// the available quantity too, withAvailable).
void RefreshStockColumns(IBillForm& bill, int row, bool withAvailable = false);

// Every key of the order's field-change table, and the rejection reset after any edit.
void AddOrderChangeRules(RuleBook& b);

// ---- Lifecycle and write-backs (order_life.cpp)
// --------------------------------------------------

// "[修改]", "[新增]" or "[查看]" by the form's state.
std::string GetFormStateCaption(IBillForm& bill);
// The layout of an ordinary order (web fields hidden, its tools available) or of a web order
// (header locked, no copy, no import, no new), and the form's caption.
void ApplyOrderTypeLayout(IBillForm& bill);
void LockWebOrderFields(IBillForm& bill);
// A rejected order cannot be checked, deleted or copied.
void ApplyRejectedLayout(IBillForm& bill);
// The row's composite quantity text shown and stored with the row (a row shown only, after a
// quantity formula, takes FillComplexQtyText of bills/common/entry_rows.h).
void UpdateRowComplexQty(IBillForm& bill, int row);
// The order's contact written back to the customer's contacts after a save, when the option
// "UpdateRelaxAddrInSale" allows it; errors are ignored and never undo the save.
void WriteBackOrderContact(IBillForm& bill);
// The quantities of the order not yet linked to purchase orders, refreshed after a save.
void UpdatePurchaseLink(IBillForm& bill);

// ---- Checks (order_checks.cpp) ---------------------------------------------------------------

// The checks of a save, a check and an uncheck, in the form and in the list.
void AddOrderChecks(RuleBook& b);
// A closed order can be re-opened only while a row still has goods to deliver.
Verdict CanReopen(IBillForm& bill);
// A bill description as the host's stock and credit components take it.
CollectionPtr OrderDescription(IBillForm& bill, const std::string& headTable);

// ---- Tools (order_tools.cpp) -----------------------------------------------------------------

// The order's tools in the form and the list, and the guards of the host's own tools.
void AddOrderTools(RuleBook& b);
// The descriptions of the host's push tools and the option tool's check mark.
void DescribeOrderTools(IBillForm& bill, const MenuBarPtr& menuBar, bool keepPrices);
// The list's tools: check and uncheck shown, new and copy only on the ordinary order list.
void ShowOrderListTools(IBillList& list, const MenuBarPtr& menuBar);
// The execution report (kind 0) or the purchase-order record (kind 1020001) of the saved order.
CollectionPtr BuildExecutionTitleDict(IBillForm& bill, int kind);
CollectionPtr BuildExecutionEntryDict(int kind);
std::string ExecutionReportSql(int32_t orderID, int kind);

}  // namespace qor::order
