// Stock availability and period checks: quantity on hand, open order quantities, unit costs,
// virtual stocks, the default stock of a new row, and whether the accounting period of a bill
// date is still open.
//
// Identifiers enter SQL as integers; a value that is no identifier gives the empty result.
// Every function traps its errors and answers 0, "" or false without a message (the period
// check refuses with its one message).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// Virtual (gift) stocks have this t_Stock "FTypeID".
inline constexpr int kVirtualStockType = 502;

// ---- Periods ---------------------------------------------------------------------------------

// Passes when a bill dated billDate may be entered or changed. closedFlag is the base option
// "AcctountingClosed" when the caller has read it already ("" reads it here); only "1" closes
// the books, and then a date inside the current period is refused with the closed-period
// message. second is accepted for the callers' argument lists and takes no part. Any failure
// (no current period, a date that cannot be read) lets the bill pass.
Verdict CheckPeriodOpen(const Value& billDate, const Value& second = Value(),
                        const std::string& closedFlag = "");

// The current period's first and last day as "YYYY-MM-DD"; false (both "") when there is none.
bool GetCurPeriodRange(std::string& startDate, std::string& endDate);

// The first day of the start period while the general ledger is closed and its opening
// balances are not; otherwise 1900-01-01 00:00:00.
Date GetInitStartDate();

// ---- Stock on hand -----------------------------------------------------------------------------

// Which sum of the stock on hand a look-up answers.
enum class StockSum {
    ByCalType,  // the second quantity for calculation type 3 with a unit, else the base quantity
    Qty,        // "SumQty": base units
    ShowQty,    // "SumShowQty": in the unit given
    SecQty,     // "SumSecQty": the second quantity
};

// The quantity on hand of the item over all stocks (aux 0: all auxiliary properties, batch "":
// all batches), the sum asked for. unit > 0 restricts the sum to rows the unit belongs to (the
// industry edition passes the row's shown unit); the shown and the second quantity need a
// unit, without one the base quantity is answered. Brought to the option "QuantityDigitCount"
// decimals, halves to even.
double GetInventoryQty(const Value& item, const Value& aux, const std::string& batch,
                       const Value& calType = Value(), const Value& unit = Value(),
                       StockSum sum = StockSum::ByCalType);

// One stock's quantities of an item.
struct StockQty {
    std::string itemNumber, itemName;
    std::string auxNumber, auxName;  // when an auxiliary property was given
    std::string batch;               // when a batch was given
    std::string stockNumber, stockName;
    double qty = 0;      // base units
    double secQty = 0;   // second quantity (only with a unit)
    double showQty = 0;  // in the given unit (only with a unit)
};

// The quantities of the item per stock, with the stock numbers and names; virtual stocks are
// included.
std::vector<StockQty> GetInventoryQtyByStock(const Value& item, const Value& aux,
                                             const std::string& batch,
                                             const Value& calType = Value(),
                                             const Value& unit = Value());

// The stock data behind a row's stock text and the bills' shortage messages.
struct InventoryShortage {
    bool found = false;  // stock rows exist for the item in the stock (or the real stocks)
    std::string itemName, stockName, auxName, batch;
    double qty = 0;       // base units
    double secQty = 0;    // second quantity (only with a unit)
    double showQty = 0;   // in the given unit (only with a unit)
    std::string qtyText;  // the quantity in the item's packing units, or plain
    std::string text;     // the row stock text shown in the status bar
};

// The quantity of the item in the stock (stock 0: over every stock that is not virtual), with
// the item, stock and auxiliary names. text reads, for example,
// "商品：螺丝  仓库：成品仓  辅助属性：红色  批号：B1  库存：2箱5个"; items counted by the
// second quantity (calType 3, with a unit) add "  辅助数量：" and that quantity.
InventoryShortage CheckInventoryShort(const Value& item, const Value& stock, const Value& aux,
                                      const std::string& batch, const Value& calType = Value(),
                                      const Value& unit = Value());

// Open order quantities in base units: kind 1 or 3 fills purchaseQty (checked purchase orders
// not yet received), kind 2 or 3 fills salesQty (checked sales orders not yet shipped). aux > 0
// restricts both to the auxiliary property.
void GetOrderPendingQty(int kind, const Value& item, double& purchaseQty, double& salesQty,
                        const Value& aux = Value());

// ---- Costs, stocks
// -------------------------------------------------------------------------------

// The unit cost (per base unit) of the item in the stock and batch from the host's cost reader;
// GetItemCost80 for items costed by batch (costing method 80). 0 when it cannot be had.
double GetItemCost(const Value& item, const Value& stock, const std::string& batch);
double GetItemCost80(const Value& item, const Value& stock, const std::string& batch);

// True when the stock is a virtual (gift) stock.
bool IsVirtualStock(const Value& stock);

// With the option "IsUsePrevStockForBill" on, writes the row's default stock number to
// stockKey: the item's default stock, else (row 1) the host's default stock or (later rows)
// the previous row's stock. itemKey names the row's item field.
void SetDefaultStock(IBillForm& bill, int row, const std::string& stockKey,
                     const std::string& itemKey = "FItemID");

// The general-ledger option "ControlPoint" (category "IC") as a number; 0 when absent.
int GetControlPoint();

}  // namespace qor
