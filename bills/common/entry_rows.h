// Entry-row helpers the bills share: a row of one goods set, the edition test and small row
// writes.
#pragma once

#include <string>
#include <string_view>

#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/rules.h"
#include "frame/value.h"
#include "services/price_lookup.h"

namespace qor {

// A row of one goods set: every field is named by its main-set key and reached through the set
// ("FQty" is "FQty01" on the twin). A key the set lacks reads empty and is never written.
struct GoodsRow {
    IBillForm& bill;
    int row;
    const FieldSet& fs;

    GoodsRow(IBillForm& b, int r, const FieldSet& set = FieldSet::Main())
        : bill(b), row(r), fs(set) {}
    explicit GoodsRow(const FieldEdit& e) : bill(e.bill), row(e.row), fs(e.set) {}

    std::string K(std::string_view mainKey) const { return fs[mainKey]; }
    Value Get(std::string_view mainKey) const;
    double Num(std::string_view mainKey) const { return Get(mainKey).ToNumber(); }
    void Put(std::string_view mainKey, const Value& value) const;
    // Runs the field's host formulas for the row ("act on" it); marked also sets its FModify.
    void Act(std::string_view mainKey, bool marked = false) const;
    void Lock(std::string_view mainKey, bool lock) const;
    bool Locked(std::string_view mainKey) const;
    // The cell's data collection, or null.
    CollectionPtr Cell(std::string_view mainKey) const;
};

// The industry edition: the calculation types of the rows take part.
bool IsIndustryMode();

// Where a fetched sales price goes: the row's unit it is asked for and the field it is written
// to. The shown unit and FPrice (FIncludeTaxPrice when sales prices are entered with tax,
// includeTax 1); in the industry edition a calculation-type item's base unit and FBasePrice, any
// other item's shown unit and FPrice.
struct RowPriceTarget {
    std::string unitKey;
    std::string field;
};
RowPriceTarget SalePriceTarget(const GoodsRow& r, int includeTax);

// Writes a fetched price (above 0) to the field with the discount rate that goes with it (when
// above 0) and runs the field's formulas; the industry edition shows it as the display price.
void PutFetchedPrice(const GoodsRow& r, const std::string& field, double price, double discount);

// Drops the rows without an item from the bill's entry data ("Page2") before the host saves:
// from the last row down to row 2 (row 1 stays, so the grid keeps a row). The host renumbers
// the rows left after the event.
void RemoveEmptyEntryRows(IBillForm& bill, const std::string& itemKey = "FItemID");

// The row's unit field (unitKey) := the unit, its cell data holding the unit's identifier, number,
// name, coefficient, barcode and item.
void PutRowUnit(IBillForm& bill, const std::string& unitKey, int row, const ItemUnit& unit);

// The row's composite quantity (its base quantity in the item's packing units, from the
// database's GetComplexQty) shown in FComplexQtyDis, and returned; "" and nothing written for a
// row without an item.
std::string FillComplexQtyText(IBillForm& bill, int row);

// A row just filled from a source bill: which of its second-unit fields are open, its batch
// locked as its source says, the barcode of its unit, and in the industry edition every row's
// layout.
void PrepareFilledRow(IBillForm& bill, int row);

// After rows were filled: the grid ("grid") takes them as imported data and its cursor goes, on
// the row (row < 1: the grid's active row), to the first column that is shown and open, or to
// the first such column after the active one (afterActive).
void FocusOpenColumn(IBillForm& bill, int row, bool afterActive);

}  // namespace qor
