// The sales bill's own tables and procedures: its field-change table, its option tools, the
// bill-type layout and the steps of filling the bill from source bills and of saving it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor {

// The class's programmatic identifier, which also names it in rights checks.
inline constexpr const char* kSaleProgId = "QOR_XS_PlugIns.BillEvent_Sale";
// The user's default invoice type of new sales bills.
inline constexpr const char* kSaleInvoiceSection = "XS1030002";

// What names a bill that shares the sales bill's related-record queries, follow-on documents
// and list logistics: its stored header and entry tables, its class type (the related bills'
// FClassID_SRC, the receipts' source class), the class named in its rights checks, and the
// layout it refreshes after a follow-on document (null: none).
struct SalesBillTables {
    const char* head;
    const char* entries;
    int32_t classType;
    const char* callerName;
    void (*afterFollowOn)(IBillForm& bill) = nullptr;
};
// The sales bill's: t_CC_StockBill / T_CC_StockBillEntry, class type 1030002.
extern const SalesBillTables kSaleBillTables;

// ---- Tables (sale_changes.cpp, sale_options.cpp) ----------------------------------------------

// Every key of the sales bill's field-change table, and the rejection reset after any edit.
void AddSaleChangeRules(RuleBook& b);
// The three sales options under "mnuOption", checked from and stored in the user's settings.
void AddSaleOptionTools(RuleBook& b);
// Checks the option tools of the menu bar as the user's settings say.
void CheckSaleOptionTools(IBillForm& bill, const MenuBarPtr& menuBar);

// ---- Save, check, uncheck (sale_checks.cpp) ---------------------------------------------------

// The checks before a save (with the validation of a bill not yet checked), a check and an
// uncheck.
void AddSaleChecks(RuleBook& b);
// The serial numbers of the stored bill the form shows, as the list checks them.
Verdict CheckSerialNumbersOfBill(IBillForm& bill);
// A bill made from an online order passes as it is; any other needs as many serial numbers as
// its quantities (a refusal is shown). True when it passes.
bool checkBillSNErr(IBillForm& bill);
// The public checks a bill offers the host (checkBillSNErr, checkXSDBillSNErr,
// checkXSDBillBatchNoErr, each with a bill form; the batches are read from the stored bill's rows
// in entryTable). False for any other name.
bool InvokeBillChecks(const std::string& method, Args& args, Value& result, const char* entryTable);

// ---- Tools (sale_tools.cpp) ---------------------------------------------------------------------

// The tools the sales bill adds (queries, follow-on documents, reject) and the guards of the
// host's tools.
void AddSaleTools(RuleBook& b);
// The related-record queries (receipts, returns, deliveries, consignments, orders, purchases)
// and the logistics tools (make one, show them) of the bill named by tables.
void AddRelatedRecordTools(RuleBook& b, const SalesBillTables& tables);
// The source-selection tools' descriptions and tips, the settlement tools' caption and
// shortcut, the tool-bar tools, and the state by bill type.
void DressSaleTools(IBillForm& bill, const MenuBarPtr& menuBar);
// A copied bill starts unchecked with its rows wholly open for returns (the returned quantities
// are cleared where the bill's rows keep them).
void ResetCopiedBill(IBillForm& bill);
// The related-record viewer's header values of the bill, and the statement of its rows (the
// bill stored in tables): the bills the rows were drawn from (kind 0, of relatedClass), the
// sales bills of relatedType drawn from this bill (kind 1), the receipts that settled it
// (kind 2).
CollectionPtr BuildRelateColumns(IBillForm& bill);
std::string BuildRelateQuery(const SalesBillTables& tables, int32_t billID, int kind,
                             int32_t relatedClass, int32_t relatedType);

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

// Before rows are drawn: a consignment bill's rows make a consignment settlement, a sales
// order's a delivery with the order's invoice type; a sales bill's leave the type as it is.
void TakeSourceClassBillType(IBillForm& bill, const Value& selection);

// The steps of filling a bill from source bills that a bill sharing the sales bill's may leave
// out.
struct SourceFillSteps {
    const char* callerName = kSaleProgId;  // the class named in the balance's right check
    bool settleLimitDate = true;           // the settlement date from the customer's terms
    bool shelfLifeDates = true;            // rows without a production date take the bill date
    bool billTypeLayout = true;            // the sales bill's layout of its bill type
};

// The bill's type, explanation, rows, open quantities, customer, dates and stocks after rows
// were drawn from the source bills of the selection.
void FillFromSources(IBillForm& bill, const Value& selection, const SourceFillSteps& steps = {});
// The quantity still open on each source entry the rows were drawn from (other sales bills
// that drew from it taken off), the serial numbers cleared and the price fetched again.
void AdjustRowsFromSources(IBillForm& bill, const Value& selection);
// The bill's contact (name, address, phone) written back to the customer's contacts.
void WriteBackContact(IBillForm& bill);

// ---- Invoices and the list (sale_invoice.cpp, sale_list.cpp) ------------------------------------

// The form's invoice tool "mnuRelatePushBill_3000001" (生成发票) next to the receipt push
// (before the tool that follows the push on the bill's menu), for the bill named by tables.
void AddInvoiceTool(RuleBook& b, const SalesBillTables& tables, const char* beforeKey);
void AddSaleInvoiceTool(RuleBook& b);
// The list's tools (logistics bills one per bill or several to one, the invoice, the logistics
// query), the guards of its delete, check, uncheck and print, and the check rule of its check
// and uncheck.
void AddSaleListTools(RuleBook& b);
// The list's logistics tools of the bills named by tables: make logistics bills for the
// selection (one per bill or several to one, as the user chose) and show those made.
void AddListLogisticsTools(RuleBook& b, const SalesBillTables& tables);
// The host tools the list shows, and the logistics option's check marks from the user's
// setting "LogicMultiToOne" of section "SaleListInterface".
void ShowSaleListTools(const MenuBarPtr& menuBar);
// The header columns (comma-separated names of the code, FID added) of the bills ids stored in
// tables, read in one statement, in the order of ids; ids that are no such bill are left out.
std::vector<CollectionPtr> ReadBillHeads(const SalesBillTables& tables,
                                         const std::vector<int32_t>& ids,
                                         const std::string& columns);
std::vector<CollectionPtr> ReadSaleBillHeads(const std::vector<int32_t>& ids,
                                             const std::string& columns);
// One header column of the bill stored in tables and numbered billNo ("" when there is none);
// field is a column name of the code, never the user's text.
std::string GetBillFieldByNo(const SalesBillTables& tables, const std::string& field,
                             const std::string& billNo);

}  // namespace qor
