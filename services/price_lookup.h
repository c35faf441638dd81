// Price look-up for sales rows: the default sales price of an item and unit for a customer
// (promotions first, then the price sources in the order the user set up), the customer's own
// prices and item codes, and the unit and barcode look-ups that go with pricing.
//
// Identifiers (item, unit, customer, stock) are taken as host values and enter SQL as integers;
// a value that is no identifier gives the empty result. Every look-up traps its errors and
// answers 0, "" or false without a message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/field_set.h"
#include "frame/host.h"
#include "frame/value.h"

namespace qor {

// Price sources of t_XS_PriceProfile ("FPriceID").
enum PriceSource : int {
    kPriceCustomerProfile = 2,   // the customer's own price for the unit
    kPriceClientTypeColumn = 3,  // the price-list column of the customer's type
    kPriceListWithAgio = 4,      // the list price with the customer type's discount ratio
    kPriceCostPlusProfit = 5,    // the unit cost marked up by the item's profit rate
    kPriceLatestToCustomer = 6,  // the last price sold to this customer
    kPriceItemLatest = 7,        // the item's latest sales price
};

// The default sales price of the item in the unit for the customer (0: none), with the discount
// rate (percent of the list price charged) the row should take; discount is 0 when the row's
// discount is to be left as it is. stock and batch select the cost of the cost-based source.
// includeTax is the value of IsSaleForIncludeTaxPrice(): 1 takes the tax-inclusive form
// (GetPromotionPriceByUnit).
double GetPromotionPrice(const Value& item, const Value& unit, const Value& customer,
                         const Value& stock, const Value& batch, double& discount,
                         int includeTax = 0);
// The same look-up for bills whose sales prices are entered tax-inclusive.
double GetPromotionPriceByUnit(const Value& item, const Value& unit, const Value& customer,
                               const Value& stock, const Value& batch, double& discount);

// The customer's own price of the item in the unit (t_ItemPriceProfile); 0 when there is none.
double GetCustomerUnitPrice(const Value& item, const Value& unit, const Value& customer);

// The system option "IsSaleForIncludeTaxPrice" (category "IC", default "0") as a number; 1 means
// sales prices are entered tax-inclusive.
int IsSaleForIncludeTaxPrice();

// Base units per unit of the item (vw_barcode); 0 when the unit is not one of the item's.
double GetBarcodeCoefficient(const Value& item, const Value& unit);
// The barcode of the item's unit; "" when there is none.
std::string GetBarcodeByUnit(const Value& item, const Value& unit);
// The unit of the item's barcode entry (t_barcode "FEntryNo"); 0 when there is none.
int32_t GetBarcodeUnitID(const Value& item, const Value& entryNo);

// One unit of an item as a row's unit cell takes it.
struct ItemUnit {
    int32_t unitID = 0;      // "FFLD"
    std::string number;      // "FFND"
    std::string name;        // "FDSP"
    double coefficient = 0;  // "FCoefficient": base units per unit
    std::string barcode;     // "FBarCode"
    int32_t srcItemID = 0;   // "FSrcItemId": the item
};

// The units of an item, and which of them a new row takes by default.
struct ItemUnitList {
    std::vector<ItemUnit> units;  // ordered by the item's unit order, highest first
    int defaultIndex = -1;        // index into units; -1 when the item has no units
    const ItemUnit* Default() const {
        return defaultIndex < 0 ? nullptr : &units[static_cast<size_t>(defaultIndex)];
    }
};

// The units of the item; the default is the unit last sold to (partnerKey "FCustID") or bought
// from (partnerKey "FSupplyID") the partner, else the item's sales unit, else its base unit.
// A partner of 0 or an unknown partner key goes straight to the sales unit.
ItemUnitList GetItemUnitList(const std::string& partnerKey, const Value& partner,
                             const Value& item);

// Writes the customer's item code of the row's item and unit to the row set's "FClientItemID"
// ("" when the customer has none). The customer is the header's "FCustID".
void FillClientItemID(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());
inline void FillClientItemID01(IBillForm& bill, int row) {
    FillClientItemID(bill, row, FieldSet::Twin01());
}

// Looks the row set's "FClientItemID" up among the header customer's item codes; when found,
// sets the set's "FItemID" and "FShowUnitID" of the row through the host's change handling and
// returns true.
bool FillItemByClientCode(IBillForm& bill, int row, const FieldSet& set = FieldSet::Main());

}  // namespace qor
