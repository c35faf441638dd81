// What the two opening bills share: bills dated before the start period (opening consignment
// and opening provisional purchase), their date rule, the batch and shelf-life rules of their
// rows, the freight rules, the batch comparison with stock, the check through the host's
// opening-bill component, the empty-row cleanup and the formula handling. The two bills differ
// in their partner (customer or supplier), the stock of their rows (goods out or in) and the
// component that checks them.
#pragma once

#include <optional>
#include <string>

#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "frame/verdict.h"

namespace qor::opening {

// What tells one opening bill from the other.
struct OpeningKind {
    const char* stockKey;   // "FSCStockID" (goods out) or "FDCStockID" (goods in)
    const char* component;  // the host component that checks and unchecks the bill
};
inline constexpr OpeningKind kConsign{"FSCStockID", "QORM_XS_PlugIns.TempConsignUpdate"};
inline constexpr OpeningKind kProvisional{"FDCStockID", "QORM_XS_PlugIns.TempGJUpdate"};

// The first day of the start period (system options IC StartYear and StartPeriod); nullopt when
// the period is not found.
std::optional<Date> StartPeriodStartDate();

// A new opening bill is dated the day before the start period (left as it is when the period
// is not found).
void DateBeforeStartPeriod(IBillForm& bill);

// The bill's date lies before the start period; with cursor the refusal puts the cursor on
// FDate.
Verdict DatedBeforeStartPeriod(IBillForm& bill, bool cursor);

// The row's batch compared with stock: a batch in stock with other data is refused naming the
// batch and the row; the row's unlocked auxiliary property and dates take the stock's values.
Verdict BatchAgreesWithStock(IBillForm& bill, int row, const OpeningKind& kind);

// Checks (checking true) or unchecks the bill through the kind's component; the component's
// message when it refuses.
Verdict CheckThroughComponent(IBillForm& bill, const OpeningKind& kind, bool checking);
// The same for every bill selected in the list, the first refusal reported.
Verdict CheckSelectionThroughComponent(IBillList& list, const OpeningKind& kind, bool checking);

// The batch and shelf-life rules of the row (auxiliary property, batch, stock, production date,
// shelf life, expiry date) on the kind's stock key.
void AddBatchRules(RuleBook& b, const OpeningKind& kind, ChangeRule onStockChosen = {});
// The freight rules: a row's charge keeps the header total equal to the rows; a header freight
// (the listed keys) keeps what the user typed and only refreshes the sharing menus.
void AddFreightRules(RuleBook& b, std::initializer_list<const char*> headerKeys);
// The sharing tools and the empty-row cleanup before a save.
void AddOpeningTools(RuleBook& b);

// "mnuRelate" is shown when the bill's table map has a bill type.
void ShowRelateByTableMap(IBillForm& bill);

// Host formulas: the batch lock formulas follow the row item's batch management and tracking;
// amount formulas do not run while amounts do not drive prices. True when the formula must not
// run.
bool SuppressesBatchLock(const CollectionPtr& itemProps, const std::string& expression);

}  // namespace qor::opening
