#include "bills/common/entry_rows.h"

#include <string>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

Value GoodsRow::Get(std::string_view mainKey) const {
    const std::string k = fs[mainKey];
    return k.empty() ? Value() : bill.GetFieldValue(k, row);
}

void GoodsRow::Put(std::string_view mainKey, const Value& value) const {
    const std::string k = fs[mainKey];
    if (!k.empty()) bill.SetFieldValue(k, value, row);
}

void GoodsRow::Act(std::string_view mainKey, bool marked) const {
    const std::string k = fs[mainKey];
    if (!k.empty()) DoFieldAction(bill, k, row, marked);
}

void GoodsRow::Lock(std::string_view mainKey, bool lock) const {
    const std::string k = fs[mainKey];
    if (!k.empty()) LockEntryCell(bill, k, lock, false, 0, row);
}

bool GoodsRow::Locked(std::string_view mainKey) const {
    const std::string k = fs[mainKey];
    return !k.empty() && IsFieldLocked(bill, k, row);
}

CollectionPtr GoodsRow::Cell(std::string_view mainKey) const {
    const std::string k = fs[mainKey];
    return k.empty() ? nullptr : bill.GetDataFldbyKey(k, row);
}

bool IsIndustryMode() {
    return GetIndustryType() == 1;
}

RowPriceTarget SalePriceTarget(const GoodsRow& r, int includeTax) {
    if (!IsIndustryMode()) return {"FShowUnitID", includeTax == 1 ? "FIncludeTaxPrice" : "FPrice"};
    if (GetItemIsGC(r.Get("FItemID"))) return {"FUnitID", "FBasePrice"};
    return {"FShowUnitID", "FPrice"};
}

void PutFetchedPrice(const GoodsRow& r, const std::string& field, double price, double discount) {
    if (auto cell = r.Cell(field)) {
        cell->Set("FFLD", price);
        cell->Set("FDSP", NumberToText(price));
    }
    if (discount > 0) r.Put("FDiscountRate", discount);
    r.Put(field, price);
    r.Act(field);
    if (IsIndustryMode()) r.Put("FDisplayPrice", price);
}

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

std::string FillComplexQtyText(IBillForm& bill, int row) {
    const int32_t item = SafeId(bill.GetFieldValue("FItemID", row));
    if (item <= 0) return "";
    const std::string text = GetSQLValue("Select dbo.GetComplexQty(" + std::to_string(item) + "," +
                                         NumberToText(bill.GetFieldValue("FQty", row).ToNumber()) +
                                         ") as FComplexQtyDis");
    bill.SetFieldValue("FComplexQtyDis", text, row);
    if (auto cell = bill.GetDataFldbyKey("FComplexQtyDis", row)) {
        cell->Set("FFLD", text);
        cell->Set("FDSP", text);
    }
    return text;
}

void PrepareFilledRow(IBillForm& bill, int row) {
    RefreshSecUnitFields(bill, row);
    LockRowsBySource(bill, row, "FItemID", "FBatchNo", false, true);
    bill.SetFieldValue("FBarcode",
                       GetBarcodeByUnit(bill.GetFieldValue("FItemID", row),
                                        bill.GetFieldValue("FShowUnitID", row)),
                       row);
    if (IsIndustryMode()) RecalcBillEntries(bill);
}

void FocusOpenColumn(IBillForm& bill, int row, bool afterActive) {
    auto grid = bill.Control("grid");
    if (!grid) return;
    Args flag{true}, none;
    grid->Call("SetImportDataFlag", flag);
    grid->Call("SetFocus", none);
    if (row < 1) row = SafeId(grid->GetProperty("ActiveRow"));
    if (row < 1) return;
    const int maxCols = SafeId(grid->GetProperty("MaxCols"));
    const int from = afterActive ? SafeId(grid->GetProperty("ActiveCol")) + 1 : 1;
    grid->SetProperty("Row", row);
    for (int col = from; col <= maxCols; ++col) {
        grid->SetProperty("Col", col);
        if (grid->GetProperty("ColHidden").ToBool() || grid->GetProperty("Lock").ToBool()) continue;
        Args cell{col, row};
        grid->Call("SetActiveCell", cell);
        return;
    }
}

}  // namespace qor
