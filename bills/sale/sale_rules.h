// The sales bill's own tables and procedures: its field-change table, its option tools, the
// bill-type layout and the steps of filling the bill from source bills and of saving it.
#pragma once

#include <string>

#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"

namespace qor {

// The class's programmatic identifier, which also names it in rights checks.
inline constexpr const char* kSaleProgId = "QOR_XS_PlugIns.BillEvent_Sale";
// The user's default invoice type of new sales bills.
inline constexpr const char* kSaleInvoiceSection = "XS1030002";

// ---- Tables (sale_changes.cpp, sale_options.cpp) ----------------------------------------------

// Every key of the sales bill's field-change table, and the rejection reset after any edit.
void AddSaleChangeRules(RuleBook& b);
// The three sales options under "mnuOption", checked from and stored in the user's settings.
void AddSaleOptionTools(RuleBook& b);
// Checks the option tools of the menu bar as the user's settings say.
void CheckSaleOptionTools(IBillForm& bill, const MenuBarPtr& menuBar);

// ---- Layout by bill type (sale_layout.cpp) ----------------------------------------------------

// Cost and invoice-amount columns by the user's rights.
void ApplySaleRights(IBillForm& bill);
// What depends on the bill type: the tax columns of the invoice type, the goods keys of the rows
// a consignment settlement (or its return) drew from the consignment bill, and the tools.
void ApplyBillTypeLayout(IBillForm& bill, const Value& billTypeID);
// The tools whose state follows the bill type (also on every edit's start).
void RefreshBillTypeTools(IBillForm& bill);
// The goods keys of the rows open for deliveries and returns (3001, 3002), locked for
// consignment settlements and their returns (3003, 3004).
void ApplyBillTypeLocks(IBillForm& bill, const Value& billTypeID);

// ---- Rows, sources, saving (sale_life.cpp) ------------------------------------------------------

// The bill's type, explanation, rows, open quantities, customer, dates and stocks after rows
// were drawn from the source bills of the selection.
void FillFromSources(IBillForm& bill, const Value& selection);
// The quantity still open on each source entry the rows were drawn from (other sales bills
// that drew from it taken off), the serial numbers cleared and the price fetched again.
void AdjustRowsFromSources(IBillForm& bill, const Value& selection);
// The bill's contact (name, address, phone) written back to the customer's contacts.
void WriteBackContact(IBillForm& bill);

}  // namespace qor
