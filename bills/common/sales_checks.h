// The save validation of the sales-side stock bills: the dates against the start and the current
// period, the settlement, every goods row (discount rate, shelf life, auxiliary property, batch
// and its data in stock, expiry), one batch one data, the open quantities of the source bills, the
// total, the settled amounts, the discount account, price and credit limits, advance receipts,
// and the stock check before a save through the host's stock component.
//
// The steps read the goods rows through a FieldSet, so the exchange bill runs them on its own
// keys; the sales bill's list of steps is SaleValidation(), which a bill with other steps
// assembles again from the pieces declared here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "frame/collection.h"
#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/verdict.h"
#include "services/batch_shelflife.h"

namespace qor {

// ---- Small pieces
// ----------------------------------------------------------------------------------------

// "第" + the row: the start of a row message.
std::string RowText(int row);
// The row has an item of the main goods set.
bool HasItem(IBillForm& bill, int row);
// The header's bill date, or nullopt when it cannot be read.
std::optional<Date> BillDate(IBillForm& bill);
// The column total of an entry field.
double ColumnTotalOf(IBillForm& bill, const char* key);

// Statements over rows or source entries are kept to this many parts each (a union of more is
// refused by some databases).
inline constexpr size_t kPartsPerStatement = 100;
// Runs each (taking a chunk, returning false to stop) on the parts a hundred at a time.
template <class T, class F>
void InChunks(const std::vector<T>& all, F&& each) {
    for (size_t from = 0; from < all.size(); from += kPartsPerStatement) {
        const size_t to = std::min(all.size(), from + kPartsPerStatement);
        if (!each(std::vector<T>(all.begin() + static_cast<long>(from),
                                 all.begin() + static_cast<long>(to))))
            return;
    }
}

// ---- Dates
// ---------------------------------------------------------------------------------------

// A bill may not be dated before the first day of the start period; cursor puts the cursor on
// the date.
Verdict DatedFromStartPeriod(IBillForm& bill, bool cursor);
// Nor before the first day of the current period ("不能录入以前期间的单据").
Verdict DatedInCurrentPeriod(IBillForm& bill);

// ---- Rows
// ----------------------------------------------------------------------------------------

// The discount-rate rule of a row: with the option "AllowDiscountRateOver100" (category "IC")
// "0" the rate lies in (0, 100], otherwise above 0. The texts follow the row number
// ("行折扣率..."); the cursor goes to the rate.
struct DiscountRateTexts {
    const char* inRange;   // "行折扣率必须大于0小于等于100。"
    const char* positive;  // "行折扣率必须大于0。"
};
inline constexpr DiscountRateTexts kValidationRateTexts{"行折扣率必须大于0小于等于100。",
                                                        "行折扣率必须大于0。"};
bool AllowsRateOver100();
Verdict DiscountRateAllowed(IBillForm& bill, int row, bool over100, const DiscountRateTexts& texts,
                            const FieldSet& fs = FieldSet::Main());
// The rate in (0, 100] whatever the option: "第<row>行折扣率必须大于0小于等于100。".
Verdict DiscountRateInRange(IBillForm& bill, int row);
// The same for every row with an item.
Verdict EveryRateInRange(IBillForm& bill);
// An item with auxiliary properties needs one where the user may enter it.
Verdict AuxPropEntered(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());
// A shelf-life item's three dates are complete and agree.
Verdict ShelfLifeComplete(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

// The row's batch data as stock records it, compared only where the user may change the cell
// (the auxiliary property only for an item that has them: withAux).
BatchRowData RowBatchData(IBillForm& bill, int row, bool withAux,
                          const FieldSet& fs = FieldSet::Main());

// ---- Before the save
// -----------------------------------------------------------------------------

// A row whose price is 0 but whose amount is not asks once whether to go on (Yes/No, "澄石提示").
Verdict ZeroPriceAccepted(IBillForm& bill);
// The customer's and the payment method's texts read again from their records.
Verdict LookupTextsRefreshed(IBillForm& bill);

// What stock records of the batches of a bill's rows, each item, batch and stock read once per
// validation.
class BatchStockCache {
public:
    explicit BatchStockCache(IBillForm& bill) : bill_(bill) {}
    const std::vector<BatchKFRecord>& Of(const Value& item, const std::string& batch,
                                         const Value& stock);

private:
    IBillForm& bill_;
    std::map<std::tuple<int32_t, std::string, int32_t>, std::vector<BatchKFRecord>> read_;
};

// ---- Freight, printing
// -----------------------------------------------------------------------------

// In the industry edition the rows' freight adds up to the header's "FTranspotationCosts";
// with application type 1 the header field appType1Key takes the rows' total instead.
Verdict FreightAddsUp(IBillForm& bill, const char* appType1Key);
// With the account's option "SaveBeforePrint" the bill is saved before it is printed; a refused
// save refuses the print silently.
Verdict SavedBeforePrinting(IBillForm& bill);

// The last save checks of the sales and consignment bills, in this order: the rows' freight adds
// up (freightTotalKey as FreightAddsUp's appType1Key), every calculation-type row has its type
// (industry edition), the stock suffices (the bill's own rule), serial numbers as many as the
// quantities.
void AddLastSaveChecks(RuleBook& b, const char* freightTotalKey, CheckRule stockSuffices);

// The save tool's mark on the owning plug-in (a class with SetAction): the save (and leaving the
// bill) goes through the save checks with the stock check.
template <class PlugIn>
Verdict MarkSave(ToolRun& run) {
    run.Owner<PlugIn>().SetAction("SAVE");
    return Verdict::Pass();
}

// A print the account wants saved first goes through the save checks with the stock check.
template <class PlugIn>
Verdict SavedBeforePrint(ToolRun& run) {
    MarkSave<PlugIn>(run);
    return SavedBeforePrinting(*run.bill);
}

// ---- The host's stock component
// --------------------------------------------------------------------

// A bill as the stock component takes it (ClassTypeID, BillInterID, HeadTableName, BillNo,
// CustOrSupplyID, BillType; AllAmount withAmount) and, withRows, one "Row<n>" per goods row with
// its item, batch, stocks, shelf life, quantities, prices and coefficient.
CollectionPtr StockRequest(IBillForm& bill, int32_t classType, bool withAmount, bool withRows);
// What the component answers to a stock check: 0 enough; -1 a shortage it only warns of; 3 a
// shortage that refuses the save.
enum class StockWarning {
    Inform,  // the warning is shown and the save goes on
    Ask,     // the warning is asked as a Yes/No question; No refuses the save
};
// Checks the bill's rows against the stock before a save (the caller decides when). A component
// that cannot be created refuses the save: the stock was not checked.
Verdict CheckStockBeforeSave(IBillForm& bill, int32_t classType, StockWarning warning);

// ---- The sales validation
// ------------------------------------------------------------------------

// The sales bill's validation of a bill not yet checked, in order (the first refusal ends it).
const CheckList& SaleValidation();
// The validation on a bill form: RunChecks of SaleValidation().
Verdict ValidateSaleBill(CheckRun& run);

// The steps, for bills that assemble their own list (fs names the goods set the steps read).
Verdict SettleDateNotBeforeBillDate(IBillForm& bill);
Verdict SettleAccountGiven(IBillForm& bill);
// The steps of the row validation a bill may leave out (the exchange bill leaves out all three).
struct SaleRowSteps {
    bool rateOver100Option = true;  // "AllowDiscountRateOver100" may allow rates above 100
    bool expiry = true;             // goods past their expiry date are not sold
    bool purchaseSources = true;    // a row drawn from a purchase bill stays within its entry
};
// Every goods row, in the order of the sales bill (rate, shelf life, auxiliary property, batch,
// batch against stock with the locked cells restored, expiry with "IsPeriodDateExpireNotSale",
// the open return quantity, the open quantity of a purchase source).
Verdict EverySaleRowValid(IBillForm& bill, const FieldSet& fs = FieldSet::Main(),
                          const SaleRowSteps& steps = {});
Verdict SameBatchSameData(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
// The rows' source entries (sales orders, stock bills) in one query per 100 entries.
Verdict WithinSaleSourceQuantities(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict PrepaidSourcesTold(IBillForm& bill);
Verdict TotalNotBelowZero(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict SettledAmountsAddUp(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict DiscountAccountGiven(IBillForm& bill);
Verdict WithinPriceAndCreditLimits(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
// The price part alone: every row's price within its limits through the host's stock component
// (the discounted price when "XSPriceLimitType" is 1); the caller decides when it applies. A
// refusal carries the component's message.
Verdict RowPricesWithinLimits(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict WithinAdvanceReceipts(IBillForm& bill);
Verdict ReceiptNotNegative(IBillForm& bill);

// ---- Checking and unchecking (rule C)
// ----------------------------------------------------------------

// Where the rejection of a bill of the class is read.
struct AuditTable {
    int32_t classType = 1030002;
    const char* headTable = "t_cc_stockbill";
    // Rebate bills are made from sales bills only: another class's identifier names none.
    bool rebates = true;
};
// The form's bill as rule C takes a selection.
CollectionPtr BillAsSelection(IBillForm& bill);
// The bills to check (uncheck false) or uncheck, as FillSelectedBillInfo takes them: none may be
// rejected, each bill's date must lie in an open period, an uncheck must not undo a rebate, and a
// check needs the serial numbers of the bills complete.
Verdict CheckBillForAudit(const CollectionPtr& selection, bool uncheck, const AuditTable& t = {});
// A bill with a rebate bill made from it is not unchecked.
Verdict CheckRebateBeforeUncheck(int32_t billID);

// ---- The list's selection
// -------------------------------------------------------------------------------

// Every selected bill's date (read from the bill's header table, of the class type) must lie in
// an open period; the dates are read with one statement.
Verdict SelectionPeriodsOpen(IBillList& list, const char* headTable, int32_t classType);

// ---- Rows against their source entries, returns
// ----------------------------------------------------------

// Where a source entry lives and which of its columns holds the quantity it leaves open.
struct SourceTables {
    const char* head;        // "t_XS_Order", "t_CC_StockBill"
    const char* entries;     // "t_XS_OrderEntry", "t_CC_StockBillEntry"
    const char* openColumn;  // "FUnSendQty", "FUnRejectQty"
};
inline constexpr SourceTables kOrderSources{"t_XS_Order", "t_XS_OrderEntry", "FUnSendQty"};
inline constexpr SourceTables kStockBillSources{"t_CC_StockBill", "t_CC_StockBillEntry",
                                                "FUnRejectQty"};

// The rows drawn from one source entry: their quantity in base units and the first of them.
struct SourceEntryUse {
    const SourceTables* source = &kOrderSources;
    int32_t bill = 0;
    int32_t entry = 0;
    double qty = 0;
    int firstRow = 0;
};

// The first row drawing from a source entry more than it leaves open (kind 1) or from a source
// dated after the bill (kind 2), as {row, kind}; {0, 0} when there is none (a read that fails
// counts as none). One statement per hundred entries. A saved bill (billID > 0) first gives its
// own saved quantity back to each entry, read from its own entry table (ownEntries), so that an
// unchanged re-save passes.
std::pair<int, int> FirstSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                        const char* ownEntries, const std::string& date);

// ---- Serial numbers and batches of stored bills
// -------------------------------------------------------

// With "CKSerialNum" on, every serial-managed row of the stored bill carries as many serial
// numbers as its base quantity (for the class types and bill types the option covers).
Verdict CheckStoredBillSerialNumbers(int32_t classType, int32_t billType, int32_t billID);
// Every batch-managed row of the stored bill (its rows in entryTable) has its batch.
Verdict CheckStoredBillBatches(int32_t billID, const char* entryTable = "T_CC_StockBillEntry");
// The serial numbers of several stored bills (the first refusal).
Verdict CheckSerialNumbersOfBills(const CollectionPtr& billInfo);

}  // namespace qor
