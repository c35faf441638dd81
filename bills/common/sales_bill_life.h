// The preparation of a sales-side bill form that the sales bill and the exchange bill share: a
// new bill with the user's default invoice type, a copied bill without what belonged to its
// original, a loaded bill with its payment locks and the tools of a rejected or checked bill,
// the source bills offered to a return, and the default invoice type kept after a save.
#pragma once

#include <string>

#include "frame/host.h"

namespace qor {

// What differs between the bills that share these steps.
struct SalesBillPrep {
    const char* callerName;      // the class named in the user-right checks
    const char* invoiceSection;  // the section of the user's default invoice type
    // The bill type's layout of the form (tools and columns by bill type); null for a bill that
    // has none.
    void (*billTypeLayout)(IBillForm& bill) = nullptr;
    // The class named in the right check of a loaded bill's customer balance.
    const char* loadBalanceCaller = callerName;
};

// A new bill: the user's default invoice type (marked modified), the cost and invoice-amount
// rights, the layout, the settlement date := the bill date, no page counted as edited, the
// price and tax rights.
void PrepareNewSalesBill(IBillForm& bill, const SalesBillPrep& prep);
// A copied bill: the settlement date from the customer's terms, no explanation and note of an
// online order, no invoice number, rights and layout, the rows' calculation-type layout
// (industry edition), the serial-number cells of every row, the price and tax rights.
void PrepareCopiedSalesBill(IBillForm& bill, const SalesBillPrep& prep);
// A loaded bill: the customer's balance, rights and layout, the payment cells by the stored
// amount received, the rows' layout (industry edition), the rows' serial numbers, no page
// counted as edited, the price and tax rights, the tools of a rejected and of a checked bill,
// and every row's composite quantity.
void PrepareLoadedSalesBill(IBillForm& bill, const SalesBillPrep& prep);
// After a save: the bill's invoice type becomes the user's default.
void KeepInvoiceTypeAsDefault(IBillForm& bill, const SalesBillPrep& prep);

// The source bills offered to a return (3002) are deliveries, to a consignment settlement
// return (3004) settlements.
void NarrowSourceBills(IBillForm& bill, std::string& condition);

}  // namespace qor
