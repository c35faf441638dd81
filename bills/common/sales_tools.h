// Guards and commands of the host's own tools that the sales-side bills share: the period of a
// check, uncheck or deletion, the settlement of the whole total (F9), the receipt push of a bill
// whose receivable moved on, the advance-receipt offset, the waybill print right, freight
// sharing.
#pragma once

#include <functional>

#include "frame/rules.h"
#include "frame/verdict.h"

namespace qor {

// The bill date lies in an open period.
Verdict BillPeriodOpen(ToolRun& run);
// F9: the bill settles its whole total now; what is not offset against advance receipts is
// received (unless the bill settles through several accounts); the settlement cells follow.
Verdict SettleFromTotal(ToolRun& run);
// The host's receipt is not made for a bill whose receivable moved to the receivables system.
Verdict NotTransferred(ToolRun& run);
// The user enters the advance receipts to offset in FNeutralizeAmount, with the right to offset
// them (asked with callerName) and for a customer.
ToolRule OffsetAdvanceReceipts(const char* callerName);
// The user may print waybills.
Verdict MayPrintWaybill(ToolRun& run);
// The freight shared over the rows by quantity or by amount.
Verdict ShareFreightByQty(ToolRun& run);
Verdict ShareFreightByAmt(ToolRun& run);

// The source-selection tools described as such with their tips, the advance-receipt offset's
// caption, F9 for the settlement of the total, the waybill print and the uncheck on the tool bar.
void DressSalesSideTools(const MenuBarPtr& menuBar);

}  // namespace qor
