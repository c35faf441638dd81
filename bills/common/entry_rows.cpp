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

void PutRowUnit(IBillForm& bill, const std::string& unitKey, int row, const ItemUnit& unit) {
    bill.SetFieldValue(unitKey, unit.unitID, row);
    auto cell = bill.GetDataFldbyKey(unitKey, row);
    if (!cell) return;
    cell->Set("FFLD", unit.unitID);
    cell->Set("FFND", unit.number);
    cell->Set("FDSP", unit.name);
    cell->Set("FCoefficient", unit.coefficient);
    cell->Set("FBarCode", unit.barcode);
    cell->Set("FSrcItemId", unit.srcItemID);
}

}  // namespace qor
