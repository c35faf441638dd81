// VAT invoices from sales bills: the invoice dictionary of the open bill (the rows still open
// after earlier invoices) or of several checked bills of one customer selected in the list,
// handed to the host's invoicing component, which records the invoice and its link back to
// the bills' rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bills/sale/sale_rules.h"
#include "frame/collection.h"
#include "frame/host.h"
#include "frame/platform.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The host's invoicing component: SaleBillMakeQvtInvoice(dictionary).
inline constexpr const char* kInvoiceManager = "QORInvoiceManage.InvoiceManage";

// The user may issue invoices (right 33/300/32, asked for callerName) and the seller's tax data
// were set up (the account's "Base"/"QVTSaleName" is not empty).
Verdict CheckInvoiceRights(const char* callerName = kSaleProgId);

// The invoice dictionary of the bill on the form (saved, with a customer, stored in tables):
// buyer, seller, invoice kind, header items and one item per row with what is left to invoice
// of it. A refusal carries the message; dictionary is then null.
Verdict GetSaleBillMakeQvtInvoiceDict(IBillForm& bill, CollectionPtr& dictionary,
                                      const SalesBillTables& tables = kSaleBillTables);

// The invoice dictionary of the sales bills ids selected in the list, after the list's checks
// in order (no settlement return, every bill checked, one customer, one invoice kind, none
// invoiced before, the buyer's tax data, every item's tax category). A refusal carries the
// message; dictionary is then null.
Verdict GetSaleBillsMakeQvtInvoiceDict(const std::vector<int32_t>& ids, CollectionPtr& dictionary);

// The sales price of the item for the invoicing component: the promotion price look-up for
// the customer, unit, stock and batch, with the discount rate it gives.
double GetSalePriceForQVT(const Value& item, const Value& unit, const Value& customer,
                          const Value& stock, const Value& batch, double& discount, int includeTax);

// The public method GetSalePriceForQVT(item, unit, customer, stock, batch, discount,
// includeTax) the invoicing component calls on a bill's plug-in: the price as result, the
// discount rate returned in args[5]. False for any other method name.
bool InvokeSalePriceForQVT(const std::string& method, Args& args, Value& result);

// Hands the dictionary to the invoicing component.
void MakeQvtInvoice(const CollectionPtr& dictionary);

// The invoice commands: "mnuRelatePushBill_3000001" of the form (for the bill stored in
// tables) and "mnu_MakeQvtInvoice" of the list.
ToolRule InvoiceBill(const SalesBillTables& tables);
Verdict InvoiceSelectedSaleBills(ToolRun& run);

}  // namespace qor
