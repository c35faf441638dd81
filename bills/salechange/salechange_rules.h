// The exchange bill's own tables and procedures. An exchange bill takes goods back from a
// customer and gives other goods out on the same rows: the main goods set and the second set
// (keys ending in "01") run the sales bill's goods-row rules each on its own, with the
// exchange bill's few differences.
#pragma once

#include <string>

#include "bills/sale/sale_rules.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The class's programmatic identifier, which also names it in rights checks.
inline constexpr const char* kSaleChangeProgId = "QOR_XS_PlugIns.BillEvent_SaleChange";
// The user's default invoice type of new exchange bills.
inline constexpr const char* kSaleChangeInvoiceSection = "XS1030005";

// The exchange bill's stored tables: t_cc_Change / t_cc_ChangeEntry, class type 1030005.
extern const SalesBillTables kSaleChangeTables;

// ---- Tables -------------------------------------------------------------------------------------

// Every key of the exchange bill's field-change table (salechange_changes.cpp).
void AddExchangeChangeRules(RuleBook& b);
// Save, check and uncheck (salechange_checks.cpp).
void AddExchangeChecks(RuleBook& b);
// The form's and the list's tools and their guards (salechange_tools.cpp).
void AddExchangeTools(RuleBook& b);

// ---- Procedures ---------------------------------------------------------------------------------

// Is the stored exchange bill rejected? Read from t_cc_Change, not from the form.
bool IsStoredChangeRejected(int32_t billID);

// After a save: the receive address chosen in the form's address box written back to that
// contact and to the address list entry of the same identifier.
void WriteBackReceiveAddress(IBillForm& bill);

}  // namespace qor
