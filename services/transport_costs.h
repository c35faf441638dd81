// Transport cost sharing: the header's transport cost (with, on purchase-side bills, the costs
// the maker advanced) spread over the bill's rows into each row's transport charge, in
// proportion to the rows' quantities or amounts. Rows kept in a virtual stock take no share.
// Everything here is part of the industry edition and does nothing in other editions.
#pragma once

#include "frame/host.h"
#include "frame/verdict.h"

namespace qor {

// The sharing basis.
enum ShareMode : int {
    kShareByQty = 1,  // by the rows' "FQty" (any mode other than kShareByAmt shares so)
    kShareByAmt = 2,  // by the rows' "FAmount"
};

// Spreads the amount to share over the filled rows whose stock is real: each such row's
// "FTranspotationCharges" := amount × its basis / the basis total, in cents, the rows adding up
// to the amount exactly; every other row's charge is emptied. byAbsolute shares by the absolute
// values of the basis (return rows carry negative quantities).
//
// Nothing is written when the amount is 0, the basis total is 0, or a share cannot be held in
// cents. When no row can take a share (every filled row is in a virtual stock, or the bill has
// no filled row) nothing is written and the verdict refuses with the message that every stock
// of the bill is virtual; otherwise it passes.
Verdict ShareTransportCosts(IBillForm& bill, int mode, bool byAbsolute = false);

// True when the row's stock ("FSCStockID" when outStock, else "FDCStockID") is empty or not a
// virtual stock. A stock that cannot be read counts as virtual (the row takes no share).
// Outside the industry edition it answers false without reading, like its siblings.
bool IsRowRealStock(IBillForm& bill, int row, bool outStock);

// True when the bill's class type takes goods out of stock (its rows' stock is "FSCStockID");
// bills that bring goods in keep it in "FDCStockID".
bool IsOutStockClassType(int classTypeID);

// The amount the rows share: the header "FTranspotationCosts" on the sales bill, the
// consignment bill and the opening consignment bill; "FTranspotationCosts" +
// "FTotaladvanceCosts" on the other bills.
double TransportAmountToShare(IBillForm& bill);

// Shows "mnuShareByQty" and "mnuShareByAmt" when the application type is not 1 and the header
// field "FTranspotationCosts" is shown on the bill; enables them while the bill is not audited
// and there is an amount to share (on the purchase bill the header "FTotalProcurementCosts").
void RefreshShareCostMenus(IBillForm& bill);

// Keeps the header total equal to the rows' charges: when the column total of
// "FTranspotationCharges" differs from the header's amount to share, "FTranspotationCosts" is
// rewritten (less "FTotaladvanceCosts" on the bills whose amount to share includes it) and the
// menus are refreshed.
void SyncTransportCostTotal(IBillForm& bill);

}  // namespace qor
