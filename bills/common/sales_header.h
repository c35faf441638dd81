// The header of the sales-side bills (the sales bill, the exchange bill): the customer's
// balance, payment terms and delivery contact, the settlement of the amount received now, the
// invoice type's tax columns, the discount account, the rights that hide cost and invoice
// columns, and the rejection mark that any other edit clears.
#pragma once

#include <string>
#include <vector>

#include "frame/host.h"
#include "frame/recordset.h"
#include "frame/rules.h"
#include "frame/value.h"

namespace qor {

// The customer's balance and credit in panel 3 of the status bar ("往来余额...,信用额度..."),
// when the user may see them (right 40/100/1024 asked with callerName); cleared otherwise and
// for no customer. Zeros while the opening balances are not closed.
void ShowCustomerBalance(IBillForm& bill, const std::string& callerName);

// The settlement limit date from the customer's payment terms and the bill date: term type 1
// adds its days, type 2 takes the monthly pay day; any other answer leaves the date alone.
enum class SettleTerms {
    Applied,  // the terms gave the date
    None,     // no customer, no terms or no term type
    Other,    // a term type without a rule
};
SettleTerms ApplySettleTerms(IBillForm& bill);

// Where a bill puts the customer's contact, and what it takes when the customer has no first
// contact.
struct ContactFields {
    // The header fields the contact's address goes to (those the bill has).
    std::vector<std::string> addressKeys{"FReceiveAddr", "FDeliverAddr"};
    // Without a first contact: the customer's own address and phones (true), or nothing at all.
    bool customerAsFallback = true;
};

// The bill's delivery contact from the customer's first contact (name, address, phones). A
// customer without one gives no contact name, and his own address and phones or nothing, as the
// bill's fields say.
void FillCustomerContact(IBillForm& bill, const Value& customer, const ContactFields& fields = {});

// The customer's contact of that name as a bill's contact write-back after a save finds it, when
// the option "UpdateRelaxAddrInSale" (category "IC", default "1") allows write-backs: one row
// with FWithFirst (1 when the customer has a first contact already) and FIsNew (1: he has no
// contact of the name; 0: the stored contact's columns follow). Null when there is nothing to
// write: the option is off, no customer or no name, a failed read, or several contacts of the
// name (the write-back failure is then shown to the user and several set).
RecordsetPtr FindContactToWriteBack(int32_t customer, const std::string& contact,
                                    bool* several = nullptr);

// Cost columns hidden without right 15/900/32, invoice amounts without right 15/2010/32, both
// asked with callerName.
void ApplyCostAndInvoiceRights(IBillForm& bill, const std::string& callerName);
// The price columns and the tax fields hidden or locked as the user's rights say.
void ApplyPriceAndTaxRights(IBillForm& bill);

// The four tax columns: shown as the form's table information says for a VAT invoice (2020,
// 2021), hidden for any other invoice type.
bool IsVatInvoiceType(const Value& invoiceType);
void ApplyTaxColumns(IBillForm& bill, const Value& invoiceType);

// ---- Header change rules ------------------------------------------------------------------------

// Customer: balance text, salesman and department, the rows re-priced (unless the user's option
// "DoNotResetPrice" of the bill's settings says not to) with their item codes, the settlement
// date and the delivery contact. callerName names the bill's class in the right check.
void OnCustomerChanged(FieldEdit& e, const std::string& callerName);
void OnBillDateChanged(FieldEdit& e);         // settlement date from the terms, else the date
void OnSalesmanChanged(FieldEdit& e);         // the department follows
void OnSettlementChanged(FieldEdit& e);       // amount received, settled or neutralised now
void OnInvoiceTypeChanged(FieldEdit& e);      // tax rates and tax columns
void OnSettleStyleChanged(FieldEdit& e);      // the settlement account of the method
void OnDiscountAccountChanged(FieldEdit& e);  // no account kept in quantities or one currency
void OnFreightCostChanged(FieldEdit& e);      // the sharing tools follow the header freight

// After every edit except of the rejection mark itself (and the host's own fills): the bill
// loses its rejection.
void ResetRejection(FieldEdit& e);

}  // namespace qor
