// Checks the customer-side bills make before a save, each giving a verdict: the bill date
// against the start and the current period, the discount rates, the freight total, the rows'
// quantities against what their source entries leave open, and the rows' prices against their
// limits. The consignment bill and the exchange bill run them; the sales bill's validation
// takes the same steps.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/host.h"
#include "frame/value.h"
#include "frame/verdict.h"
#include "services/batch_shelflife.h"

namespace qor {

// "第" + the row: the start of a row message.
std::string RowText(int row);
// The row has an item of the main goods set.
bool HasItem(IBillForm& bill, int row);
// The header's bill date, or nullopt when it cannot be read.
std::optional<Date> BillDate(IBillForm& bill);
// The column total of an entry field.
double ColumnTotalOf(IBillForm& bill, const char* key);

// A bill may not be dated before the first day of the start period (cursor: on FDate).
Verdict DatedFromStartPeriod(IBillForm& bill, bool cursor);
// Nor before the first day of the current period: "不能录入以前期间的单据".
Verdict DatedInCurrentPeriod(IBillForm& bill);

// The row's discount rate lies in (0, 100]: "第<row>行折扣率必须大于0小于等于100。", the cursor
// on the rate.
Verdict DiscountRateInRange(IBillForm& bill, int row);
// The same for every row with an item.
Verdict EveryRateInRange(IBillForm& bill);

// In the industry edition the rows' freight adds up to the header's; with application type 1
// the header field appType1Total takes the rows' total instead of a refusal.
Verdict FreightAddsUp(IBillForm& bill, const char* appType1Total);

// Every row's price within its limits through the host's stock component (the discounted price
// when the account's limit type "XSPriceLimitType" is 1); only while the account's control
// point is 0 and the bill has a customer. A refusal carries the component's message.
Verdict RowPricesWithinLimits(IBillForm& bill);

// The row's batch data as stock records it, compared only where the user may change the cell
// (the auxiliary property only for an item that has them: withAux).
BatchRowData RowBatchData(IBillForm& bill, int row, bool withAux);

// ---- The list's selection -----------------------------------------------------------------------

// The bills selected in the list, each once.
std::vector<int32_t> SelectedBillIDs(IBillList& list);
// With the books open, every selected bill's date (read from the bill's header table, of the
// class type) must lie in an open period.
Verdict SelectionPeriodsOpen(IBillList& list, const char* headTable, int32_t classType);

// ---- Rows against their source entries ---------------------------------------------------------

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

// Statements are kept to this many source entries each (a union of more is refused by some
// databases).
inline constexpr size_t kEntriesPerStatement = 100;

// Runs each (taking a chunk of the entries, returning false to stop) on the entries a hundred at
// a time.
template <class F>
void InChunks(const std::vector<SourceEntryUse>& used, F&& each) {
    for (size_t from = 0; from < used.size(); from += kEntriesPerStatement) {
        const size_t to = std::min(used.size(), from + kEntriesPerStatement);
        if (!each(std::vector<SourceEntryUse>(used.begin() + static_cast<long>(from),
                                              used.begin() + static_cast<long>(to))))
            return;
    }
}

// The first row drawing from a source entry more than it leaves open (kind 1) or from a source
// dated after the bill (kind 2), as {row, kind}; {0, 0} when there is none (a read that fails
// counts as none). One statement per hundred entries. A saved bill (billID > 0) first gives its
// own saved quantity back to each entry, read from its own entry table (ownEntries), so that an
// unchanged re-save passes.
std::pair<int, int> FirstSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                        const char* ownEntries, const std::string& date);

}  // namespace qor
