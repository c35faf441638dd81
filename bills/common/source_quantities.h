// What a bill's rows draw from the entries of their source bills (sales orders, or stock bills
// such as consignment deliveries and sales bills), and whether the sources still leave that much
// open. The consignment bill checks its deliveries and returns with it; a bill returning goods
// of stock bills (the exchange bill) asks the same questions with the entry table of its own
// saved rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/host.h"

namespace qor {

// The rows drawn from one source entry: their quantity in base units and the first of them.
struct SourceEntryUse {
    int32_t sourceClass = 0;  // the source's class type: a sales order, or a stock bill's
    int32_t bill = 0;         // the source bill's FID
    int32_t entry = 0;        // its entry's FEntryID
    double qty = 0;           // the rows' FShowQty x FCoefficient, summed
    int firstRow = 0;

    bool FromOrder() const;
};

// The bill's goods rows with a source (FID_SRC > 0), grouped by source entry in the order of
// their first rows. A row's own FClassID_SRC names its source's class; defaultClass stands for a
// row without one.
std::vector<SourceEntryUse> GatherSourceEntries(IBillForm& bill, int32_t defaultClass);

// The first source entry the rows draw more from than it leaves open (kind 1), or whose bill is
// dated after billDate ("yyyy-MM-dd", kind 2), as the database lists them; row 0 when none. The
// open quantity is FUnSendQty of a sales order's entry, FUnRejectQty of a stock bill's. A saved
// bill (billID > 0) first gives back what its own saved rows, in ownEntryTable, draw from the
// entry. One statement per 100 source entries; a failing read counts as no conflict.
struct SourceConflict {
    int row = 0;
    int kind = 0;  // 1: more than the source leaves open; 2: the source is dated after the bill
};
SourceConflict FindSourceConflict(const std::vector<SourceEntryUse>& used, int32_t billID,
                                  const std::string& billDate,
                                  const std::string& ownEntryTable = "t_CC_StockBillEntry");

// The first row drawn from a source entry that is no longer on a checked source bill (deleted,
// or unchecked meanwhile; a sales order closed since counts as checked), or 0. A failing read
// tells nothing: 0.
int RowOfVanishedSource(const std::vector<SourceEntryUse>& used);

}  // namespace qor
