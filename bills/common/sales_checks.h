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

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "frame/collection.h"
#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/verdict.h"
#include "services/batch_shelflife.h"

namespace qor {

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
// An item with auxiliary properties needs one where the user may enter it.
Verdict AuxPropEntered(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());
// A shelf-life item's three dates are complete and agree.
Verdict ShelfLifeComplete(IBillForm& bill, int row, const FieldSet& fs = FieldSet::Main());

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
// Every goods row, in the order of the sales bill (rate, shelf life, auxiliary property, batch,
// batch against stock with the locked cells restored, expiry with "IsPeriodDateExpireNotSale",
// the open return quantity, the open quantity of a purchase source).
Verdict EverySaleRowValid(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict SameBatchSameData(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
// The rows' source entries (sales orders, stock bills) in one query per 100 entries.
Verdict WithinSaleSourceQuantities(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict PrepaidSourcesTold(IBillForm& bill);
Verdict TotalNotBelowZero(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict SettledAmountsAddUp(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict DiscountAccountGiven(IBillForm& bill);
Verdict WithinPriceAndCreditLimits(IBillForm& bill, const FieldSet& fs = FieldSet::Main());
Verdict WithinAdvanceReceipts(IBillForm& bill);
Verdict ReceiptNotNegative(IBillForm& bill);

// ---- Checking and unchecking (rule C)
// ----------------------------------------------------------------

// Where the rejection of a bill of the class is read.
struct AuditTable {
    int32_t classType = 1030002;
    const char* headTable = "t_cc_stockbill";
};
// The bills to check (uncheck false) or uncheck, as FillSelectedBillInfo takes them: none may be
// rejected, each bill's date must lie in an open period, an uncheck must not undo a rebate, and a
// check needs the serial numbers of the bills complete.
Verdict CheckBillForAudit(const CollectionPtr& selection, bool uncheck, const AuditTable& t = {});
// A bill with a rebate bill made from it is not unchecked.
Verdict CheckRebateBeforeUncheck(int32_t billID);

// ---- Serial numbers and batches of stored bills
// -------------------------------------------------------

// With "CKSerialNum" on, every serial-managed row of the stored bill carries as many serial
// numbers as its base quantity (for the class types and bill types the option covers).
Verdict CheckStoredBillSerialNumbers(int32_t classType, int32_t billType, int32_t billID);
// Every batch-managed row of the stored bill has its batch.
Verdict CheckStoredBillBatches(int32_t billID);
// The serial numbers of several stored bills (the first refusal).
Verdict CheckSerialNumbersOfBills(const CollectionPtr& billInfo);

}  // namespace qor
