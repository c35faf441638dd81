// Related-bill lookup: the header data of bills the user selected in a list or picked as source
// bills, read from the table of their class type and returned in one shape.
#pragma once

#include "frame/collection.h"
#include "frame/host.h"

namespace qor {

// Reads the selected bills. selection is what the host hands over (the list's selection, or
// the source bills picked on a form): rows with "FClassTypeID" and "FID" (a bill selected with
// several of its rows appears once in the result).
//
// result is emptied, then receives one entry per selected bill, in the order of the selection,
// each a collection with "ClassTypeID", "BillInterID", "HeadTableName", "BillNo", "BillType",
// "CustOrSupplyID" (the customer on sales-side bills, the supplier on purchase-side bills),
// "AllAmount", "FCurCheckAmount", "FNeutralizeAmount" and "FUnCheckAmount" (the amount not yet
// settled, on stock bills and exchange bills); columns the bill's table does not carry read 0.
//
// Returns true when every selected bill was read. An empty selection, a class type this lookup
// does not know, a bill identifier that is not a positive number, a selected bill that is no
// longer in the database and any failure give false and leave result empty.
bool FillSelectedBillInfo(const CollectionPtr& selection, Collection& result);
// The same for the bills selected in a bill list.
bool FillSelectedBillInfo(IBillList& list, Collection& result);

// The header table of a class type ("t_CC_StockBill" for 1030002), or "" when the lookup does
// not know the class type.
const char* RelatedBillTable(int classTypeID);

}  // namespace qor
