// The host's windows and tools the plug-ins open: related-bill viewer, main window, logistics,
// invoicing, price tool, displayer, help tip and the string builder. What a window would show
// is recorded in the service context (ServiceContext::Shown).
#pragma once

#include "host/components/recording.h"

namespace qor::host {

// "QORClassLookUp.RelateBilllookUp": properties Caption, TitleName, TitleDict, EntryDict,
// ClassTypeID, Columns, SQL; Show() records the window with its properties and, when SQL is
// set, the rows it reads (data item "Rows").
class RelateBillLookUpComponent : public RecordingComponent {
public:
    explicit RelateBillLookUpComponent(ServiceContextPtr context);
};

// "QORMain.MDIMain": ShowByCondition(...) records the bill list it would open; AddItem(...)
// records the item it would add.
class MDIMainComponent : public RecordingComponent {
public:
    explicit MDIMainComponent(ServiceContextPtr context);
};

// "QORLogisticManage.Application": properties FBillCodeList, BillCode, Command;
// Show([command]) records the window and, for "BillToLogisticMake", makes one logistics bill
// for the sales bills numbered in FBillCodeList; BatchMakeLogisticDataProc(props, bills,
// message&) makes one for the bills given ("BillNo", "Status", "LogisticNum") -> bills done.
// A logistics bill is made for checked sales bills that have none; its number is "WL" and
// the first bill's number, written to FLogisticNumber.
class LogisticApplicationComponent : public RecordingComponent {
public:
    explicit LogisticApplicationComponent(ServiceContextPtr context);
};

// "QORMLogisticManage.clsInfo": ExistsMakeLogistic(props, billNo) -> True when the sales bill
// carries a logistics number.
class LogisticInfoComponent : public RecordingComponent {
public:
    explicit LogisticInfoComponent(ServiceContextPtr context);
};

// "QORInvoiceManage.InvoiceManage": SaleBillMakeQvtInvoice(dictionary) keeps the dictionary
// (ServiceContext::InvoiceDictionaries) and makes the invoice (MakeInvoice): True, with the
// invoice window recorded (title by "eType", the dictionary with the invoice's "FCode" and
// "FNumber" as its data); a refused invoice shows the reason to the user -> False.
class InvoiceManageComponent : public RecordingComponent {
public:
    explicit InvoiceManageComponent(ServiceContextPtr context);
};

// An invoice made from a dictionary.
struct MadeInvoice {
    int id = 0;
    std::string code, number;
};
// Records the invoice of an invoice dictionary: a t_Invoice row (the next number under the
// host's invoice code, today's date, "eType", "BuyerID", "FRemark" and the entries' totals)
// and one t_InvoiceEntry row per item dictionary of "Entries" (Quantity, Price, PriceIncTax,
// Amount, TaxRate, TaxAmount, AmountIncTax, FItemID, FUnitID and the source link FID_SRC,
// FEntryID_SRC, FClassID_SRC, FBillNo_SRC), so later bills read back what was invoiced of each
// source row; each stock bill invoiced adds the amounts with tax to FInvoiceAmt, keeps
// FNoInvoiceAmt = FAllAmount - FInvoiceAmt and takes the invoice number as FInvoiceNO.
// Refused (nothing recorded, the reason in refusal) when there is no entry, a source row does
// not exist, or an entry would invoice more of its source row than is left of its shown
// quantity after earlier invoices: the same rows cannot be invoiced twice.
std::optional<MadeInvoice> MakeInvoice(ServiceContext& ctx, const std::string& props,
                                       const CollectionPtr& dictionary, std::string& refusal);

// "QORMInvoiceManage.clsInvoiceManage": GetICItemInfo(props, item) -> FTaxableItem, FTaxRate,
// FIsTaxPrice and FTaxCategoryID of the item (an empty collection for an unknown item).
class InvoiceItemInfoComponent : public RecordingComponent {
public:
    explicit InvoiceItemInfoComponent(ServiceContextPtr context);
};

// "QORPriceMgr.Application": Show() records the price tool's window.
class PriceToolComponent : public RecordingComponent {
public:
    explicit PriceToolComponent(ServiceContextPtr context);
};

// "QORDisplayer.DispBuilder": SetColWidth(column, width); Show(text [, type]) records the
// lines of the text (split at "|"), the first being the title, and the window type.
class DisplayerComponent : public RecordingComponent {
public:
    explicit DisplayerComponent(ServiceContextPtr context);
};

// "QorHelpTip.HelpTip": ShowPopTip(text, caption) records the tip.
class HelpTipComponent : public RecordingComponent {
public:
    explicit HelpTipComponent(ServiceContextPtr context);
};

// "pelic.stringbuilder": Append(text); StringValue() -> the texts appended, in order.
class StringBuilderComponent : public RecordingComponent {
public:
    explicit StringBuilderComponent(ServiceContextPtr context);

private:
    std::string text_;
};

}  // namespace qor::host
