#include "bills/common/entry_rows.h"

#include <string>

#include "services/common.h"

namespace qor {

void RemoveEmptyEntryRows(IBillForm& bill, const std::string& itemKey) {
    auto data = bill.BillData();
    auto page = data ? data->Sub("Page2") : nullptr;
    if (!page) return;
    int size = bill.GridMaxDataRowNum();
    int removed = 0;
    for (int row = size; row >= 2; --row) {
        if (SafeId(bill.GetFieldValue(itemKey, row)) > 0) continue;
        if (page->Remove(std::to_string(row))) ++removed;
    }
    if (removed > 0) page->Set("Size", Value(size - removed));
}

}  // namespace qor
