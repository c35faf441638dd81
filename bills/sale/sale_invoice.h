// VAT invoices from sales bills: the invoice dictionary of the open bill (the rows still open
// after earlier invoices) or of several checked bills of one customer selected in the list,
// handed to the host's invoicing component, which records the invoice and its link back to
// the bills' rows.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/collection.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The host's invoicing component: SaleBillMakeQvtInvoice(dictionary).
inline constexpr const char* kInvoiceManager = "QORInvoiceManage.InvoiceManage";

// The user may issue invoices (right 33/300/32) and the seller's tax data were set up (the
// account's "Base"/"QVTSaleName" is not empty).
Verdict CheckInvoiceRights();

// The invoice dictionary of the bill on the form (saved, with a customer): buyer, seller,
// invoice kind, header items and one item per row with what is left to invoice of it. A
// refusal carries the message; dictionary is then null.
Verdict GetSaleBillMakeQvtInvoiceDict(IBillForm& bill, CollectionPtr& dictionary);

// The invoice dictionary of the sales bills ids selected in the list, after the list's checks
// in order (no settlement return, every bill checked, one customer, one invoice kind, none
// invoiced before, the buyer's tax data, every item's tax category). A refusal carries the
// message; dictionary is then null.
Verdict GetSaleBillsMakeQvtInvoiceDict(const std::vector<int32_t>& ids, CollectionPtr& dictionary);

// The sales price of the item for the invoicing component: the promotion price look-up for
// the customer, unit, stock and batch, with the discount rate it gives.
double GetSalePriceForQVT(const Value& item, const Value& unit, const Value& customer,
                          const Value& stock, const Value& batch, double& discount, int includeTax);

// Hands the dictionary to the invoicing component.
void MakeQvtInvoice(const CollectionPtr& dictionary);

// The invoice commands: "mnuRelatePushBill_3000001" of the form and "mnu_MakeQvtInvoice" of
// the list.
Verdict InvoiceSaleBill(ToolRun& run);
Verdict InvoiceSelectedSaleBills(ToolRun& run);

}  // namespace qor
