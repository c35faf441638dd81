#include "services/calculation.h"

#include <cmath>
#include <initializer_list>
#include <map>
#include <set>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

// ---- Rules by calculation type and class type -------------------------------------------------

namespace {

// The four prices of one price set of a row and the amount they multiply into, by their main-set
// keys: the row's own prices, and the in and out prices of the in-and-out price bill.
struct PriceKeys {
    const char* base;     // per base unit
    const char* price;    // per shown unit
    const char* sec;      // per second unit
    const char* display;  // the price the user edits
    const char* amount;
};
constexpr PriceKeys kOwnPrices{"FBasePrice", "FPrice", "FSecPrice", "FDisplayPrice", "FAmount"};
constexpr PriceKeys kInPrices{"FBaseInPrice", "FInPrice", "FSecInPrice", "FDisplayInPrice",
                              "FInAmount"};
constexpr PriceKeys kOutPrices{"FBaseOutPrice", "FOutPrice", "FSecOutPrice", "FDisplayOutPrice",
                               "FOutAmount"};

// What each calculation type takes the entered weight and price into, and which prices its
// layout lets the user edit.
struct CalTypeRule {
    const char* weight;                    // entered and displayed weight (a main-set key)
    const char* PriceKeys::*enteredPrice;  // entered and displayed price
    std::vector<const char * PriceKeys::*> editablePrices;
};

const std::map<int, CalTypeRule>& CalTypeRules() {
    static const std::map<int, CalTypeRule> rules = {
        {1, {"FQty", &PriceKeys::base, {&PriceKeys::base}}},
        {2, {"FQty", &PriceKeys::price, {&PriceKeys::base, &PriceKeys::price}}},
        {3, {"FSecQty", &PriceKeys::sec, {&PriceKeys::sec}}},
    };
    return rules;
}

// Items not calculated by type take prices per shown unit and weights in the second unit.
const CalTypeRule kPlainRule{"FSecQty", &PriceKeys::price, {&PriceKeys::price}};

int CalTypeNumber(const Value& calType) {
    const double n = calType.ToNumber();
    return (n >= 1 && n <= 3 && n == std::floor(n)) ? static_cast<int>(n) : 0;
}

// The rule of a calculation-type value; null for anything but 1, 2 and 3.
const CalTypeRule* RuleOf(const Value& calType) {
    auto it = CalTypeRules().find(CalTypeNumber(calType));
    return it == CalTypeRules().end() ? nullptr : &it->second;
}

bool IsOneOf(int value, std::initializer_list<int> set) {
    for (int v : set) {
        if (v == value) return true;
    }
    return false;
}

// Transfer bills keep the calculation type open and skip the type layouts.
bool IsTransferBill(int classType) {
    return IsOneOf(classType, {ct::kTransferIn, ct::kTransferOut});
}
// Bills whose entered prices are derived and stay locked.
bool LocksEnteredPrices(int classType) {
    return IsOneOf(classType, {ct::kStockOutBill, ct::kAssemblyIn, ct::kAssemblyOut});
}
bool IsAssemblyBill(int classType) {
    return IsOneOf(classType, {ct::kAssemblyIn, ct::kAssemblyOut});
}

// The discount and tax-inclusive prices per unit that the type layouts lock and open.
struct DiscountTaxKeys {
    const char* baseDiscount;
    const char* baseTax;
    const char* discount;
    const char* tax;
    const char* secDiscount;
    const char* secTax;
};
const DiscountTaxKeys kDiscountPriceKeys{"FBasePriceDiscount", "FBaseTaxPrice",
                                         "FPriceDiscount",     "FTaxPrice",
                                         "FSecPriceDiscount",  "FSecTaxPrice"};
const DiscountTaxKeys kPurchaseOrderKeys{"FBaseDiscountPrice", "FBaseTaxPrice",
                                         "FDiscountPrice",     "FTaxPrice",
                                         "FSecDiscountPrice",  "FSecTaxPrice"};

const DiscountTaxKeys* DiscountTaxKeysOf(int classType) {
    if (IsOneOf(classType, {ct::kPurchaseBill, ct::kSalesOrder, ct::kSalesBill, ct::kConsignBill,
                            ct::kIndustryOutBill})) {
        return &kDiscountPriceKeys;
    }
    if (classType == ct::kPurchaseOrder) return &kPurchaseOrderKeys;
    return nullptr;
}

// Source and target class types between which the calculation type is taken over and stays.
bool KeepsSourceCalType(int sourceClass, int classType) {
    static const std::set<std::pair<int, int>> pairs = {
        {ct::kSalesBill, ct::kSalesBill},        {ct::kConsignBill, ct::kSalesBill},
        {ct::kConsignBill, ct::kConsignBill},    {ct::kPurchaseBill, ct::kPurchaseBill},
        {ct::kPurchaseBill2, ct::kPurchaseBill}, {ct::kPurchaseBill2, ct::kPurchaseBill2}};
    return pairs.count({sourceClass, classType}) > 0;
}

// The stock field that decides the row's prices: the entering stock on purchase-side bills,
// the leaving stock on sales-side bills (a main-set key; "" for other class types).
const char* StockKeyOf(int classType) {
    if (IsOneOf(classType, {ct::kPurchaseBill, ct::kPurchaseBill2, ct::kStockInBill,
                            ct::kTransferIn, ct::kIndustryInBill}))
        return "FDCStockID";
    if (IsOneOf(classType, {ct::kSalesBill, ct::kConsignBill, ct::kStockOutBill, ct::kTransferOut,
                            ct::kIndustryOutBill}))
        return "FSCStockID";
    return "";
}
bool LocksPricesOnVirtualStock(int classType) {
    return IsOneOf(classType, {ct::kSalesBill, ct::kConsignBill, ct::kIndustryOutBill});
}
bool LocksFreightOnVirtualStock(int classType) {
    return IsOneOf(classType, {ct::kSalesBill, ct::kConsignBill, ct::kPurchaseBill,
                               ct::kPurchaseBill2, ct::kIndustryInBill, ct::kIndustryOutBill});
}

// ---- One row of one row set ---------------------------------------------------------------------

// Reads numbers from one row of a row set and writes them back, every key named by its main-set
// key; a key the set lacks reads empty and is not written. A step whose result is no finite
// number (a division by 0, an overflow) writes nothing.
class Row {
public:
    Row(IBillForm& bill, int row, const FieldSet& set) : bill_(bill), row_(row), set_(set) {}

    IBillForm& bill() { return bill_; }
    int row() const { return row_; }
    const FieldSet& set() const { return set_; }
    std::string K(std::string_view mainKey) const { return set_[mainKey]; }
    Value Raw(std::string_view mainKey) {
        const std::string key = K(mainKey);
        return key.empty() ? Value() : bill_.GetFieldValue(key, row_);
    }
    double Get(std::string_view mainKey) { return Raw(mainKey).ToNumber(); }
    void Set(std::string_view mainKey, double value) {
        if (!std::isfinite(value)) return;
        SetValue(mainKey, value);
    }
    void SetValue(std::string_view mainKey, const Value& value) {
        const std::string key = K(mainKey);
        if (!key.empty()) bill_.SetFieldValue(key, value, row_);
    }
    void SetQuotient(std::string_view mainKey, double numerator, double denominator) {
        if (denominator == 0) return;
        Set(mainKey, numerator / denominator);
    }
    void Copy(std::string_view to, std::string_view from) { Set(to, Get(from)); }
    // Runs the field's host actions with the cell marked modified.
    void Act(std::string_view mainKey) {
        const std::string key = K(mainKey);
        if (!key.empty()) DoFieldAction(bill_, key, row_, true);
    }
    void Lock(std::initializer_list<const char*> mainKeys, bool lock = true) {
        for (const char* mainKey : mainKeys) {
            if (!mainKey) continue;
            const std::string key = K(mainKey);
            if (!key.empty()) LockEntryCell(bill_, key, lock, false, 0, row_);
        }
    }
    void Open(std::initializer_list<const char*> mainKeys) { Lock(mainKeys, false); }

private:
    IBillForm& bill_;
    int row_;
    const FieldSet& set_;
};

// ---- Display edits ---------------------------------------------------------------------------

enum class DisplayEdit { Price, Weight, Qty };

struct DisplayKey {
    DisplayEdit edit;
    const PriceKeys* prices;  // price edits: the set edited
    bool mainSetOnly;         // the in and out prices exist on the main rows only
};

// By the upper-cased main-set key.
const std::map<std::string, DisplayKey>& DisplayKeys() {
    static const std::map<std::string, DisplayKey> keys = {
        {"FDISPLAYPRICE", {DisplayEdit::Price, &kOwnPrices, false}},
        {"FDISPLAYWEIGHT", {DisplayEdit::Weight, &kOwnPrices, false}},
        {"FDISPLAYQTY", {DisplayEdit::Qty, &kOwnPrices, false}},
        {"FDISPLAYINPRICE", {DisplayEdit::Price, &kInPrices, true}},
        {"FDISPLAYOUTPRICE", {DisplayEdit::Price, &kOutPrices, true}},
    };
    return keys;
}

// The price sets a quantity edit re-prices: the in and out prices on the main rows of the
// in-and-out price bill, the row's own prices elsewhere.
std::vector<const PriceKeys*> PriceSetsOf(const FieldSet& set, int classType) {
    if (classType == ct::kInOutPriceBill && set.IsMain()) return {&kInPrices, &kOutPrices};
    return {&kOwnPrices};
}

// An entered display price goes to the calculation type's price; the second price follows.
void ApplyDisplayPrice(Row& r, const PriceKeys& p, int type) {
    const double entered = r.Get(p.display);
    switch (type) {
        case 1:  // by base weight
            r.Set(p.base, entered);
            r.Act(p.base);
            r.Copy(p.sec, p.base);
            break;
        case 2:  // by count
            r.Set(p.price, entered);
            r.Act(p.price);
            r.Copy(p.sec, p.base);
            break;
        case 3:  // by second quantity
            r.Set(p.sec, entered);
            r.Act(p.sec);
            break;
        default:  // plain item
            r.Set(p.price, entered);
            r.Act(p.price);
            r.Set(p.sec, r.Get(p.price) * r.Get("FSecCoefficient"));
            break;
    }
}

// The shown price of a type-3 row from its second price.
void PriceFromSecondPrice(Row& r, const PriceKeys& p, bool byCoefficient) {
    if (byCoefficient) {
        r.SetQuotient(p.price, r.Get(p.sec), r.Get("FSecCoefficient"));
    } else {
        r.SetQuotient(p.price, r.Get("FSecQty") * r.Get(p.sec), r.Get("FShowQty"));
    }
}

// The in-and-out price bill, type 3: the in and out display and second prices follow the
// amounts.
void PricesFromAmounts(Row& r) {
    const double weight = r.Get("FDisplayWeight");
    for (const PriceKeys* p : {&kInPrices, &kOutPrices}) {
        const double amount = r.Get(p->amount);
        if (amount == 0) continue;
        r.SetQuotient(p->display, amount, weight);
        r.SetQuotient(p->sec, amount, weight);
    }
}

void ApplyDisplayWeight(Row& r, int type, int classType) {
    const double entered = r.Get("FDisplayWeight");
    switch (type) {
        case 1:
        case 2:
            r.Set("FQty", entered);
            r.SetQuotient("FShowQty", r.Get("FQty"), r.Get("FCoefficient"));
            r.Copy("FDisplayQty", "FShowQty");
            r.Set("FSecCoefficient",
                  GetItemSecCoefficient(r.Raw("FItemID"), r.Get("FCoefficient")));
            r.Act("FQty");
            break;
        case 3:
            r.Set("FSecQty", entered);
            r.Act("FSecQty");
            r.Set("FQty", r.Get("FShowQty") * r.Get("FCoefficient"));
            r.SetQuotient("FSecCoefficient", r.Get("FShowQty"), r.Get("FSecQty"));
            r.Act("FQty");
            for (const PriceKeys* p : PriceSetsOf(r.set(), classType)) {
                PriceFromSecondPrice(r, *p, false);
                r.Act(p->price);
            }
            if (classType == ct::kInOutPriceBill) PricesFromAmounts(r);
            break;
        default:
            r.Set("FSecQty", entered);
            r.Set("FShowQty", entered * r.Get("FSecCoefficient"));
            r.Act("FShowQty");
            r.Copy("FDisplayQty", "FShowQty");
            break;
    }
}

void ApplyDisplayQty(Row& r, int type, int classType) {
    const double entered = r.Get("FDisplayQty");
    switch (type) {
        case 1:
        case 2:
            r.Set("FShowQty", entered);
            r.Act("FShowQty");
            r.Copy("FDisplayWeight", "FQty");
            break;
        case 3: {
            r.Set("FShowQty", entered);
            if (r.Get("FSecQty") != 0) {
                r.SetQuotient("FSecCoefficient", r.Get("FShowQty"), r.Get("FSecQty"));
            }
            r.Set("FQty", r.Get("FShowQty") * r.Get("FCoefficient"));
            // The child rows take the shown price from the second quantity (second price x
            // second quantity / shown quantity) rather than from the coefficient.
            const bool byCoefficient = &r.set() != &FieldSet::Child();
            const auto sets = PriceSetsOf(r.set(), classType);
            for (const PriceKeys* p : sets) PriceFromSecondPrice(r, *p, byCoefficient);
            for (const PriceKeys* p : sets) r.Act(p->price);
            r.Act("FQty");
            if (classType == ct::kInOutPriceBill) PricesFromAmounts(r);
            break;
        }
        default:
            r.Set("FShowQty", entered);
            r.Act("FShowQty");
            r.Copy("FDisplayWeight", "FSecQty");
            break;
    }
}

// The rule that applies to the row: the calculation type of a calculation-type item (0 when it
// has none of 1 to 3), or -1 for an item not calculated by type.
int RowCalType(Row& r) {
    if (!GetItemIsGC(r.Raw("FItemID"))) return -1;
    return CalTypeNumber(r.Raw("FCalTypeID"));
}

// ---- Layouts ---------------------------------------------------------------------------------

// The type layouts of a row, with the bill's discount and tax prices.
struct Layout {
    Row& r;
    int classType;
    const DiscountTaxKeys* dt;  // null: the class type leaves them alone

    void BasePrices(bool lock) {
        if (dt) r.Lock({dt->baseDiscount, dt->baseTax}, lock);
    }
    void ShownPrices(bool lock) {
        if (dt) r.Lock({dt->discount, dt->tax}, lock);
    }
    void SecTaxPrice(bool lock) {
        if (dt) r.Lock({dt->secTax}, lock);
    }
};

// Type 1: weight and base price are entered.
void LayoutByBaseWeight(Layout& l) {
    l.r.Open({"FQty"});
    l.r.Lock({"FShowUnitID", "FShowQty", "FPrice", "FSecQty", "FSecCoefficient", "FSecPrice"});
    l.BasePrices(false);
    l.ShownPrices(true);
}

// Type 2: count and shown price are entered.
void LayoutByCount(Layout& l) {
    l.r.Lock({"FQty", "FShowUnitID", "FSecQty", "FSecCoefficient", "FSecPrice"});
    l.r.Open({"FShowQty"});
    l.r.Lock({"FBasePrice", "FPrice"}, LocksEnteredPrices(l.classType));
    l.BasePrices(true);
    l.SecTaxPrice(true);
    l.ShownPrices(false);
    l.r.Lock({"FDisplayWeight"});
    l.r.Open({"FDisplayQty"});
}

// Type 3: count, second quantity (weight) and second price are entered.
void LayoutBySecondQty(Layout& l) {
    l.r.Lock({"FQty", "FBasePrice", "FShowUnitID", "FPrice", "FSecCoefficient"});
    l.BasePrices(true);
    l.ShownPrices(true);
    l.r.Open({"FShowQty", "FSecQty", "FDisplayWeight", "FDisplayQty"});
    l.SecTaxPrice(false);
    l.r.Lock({"FSecPrice"}, LocksEnteredPrices(l.classType));
}

const std::map<int, void (*)(Layout&)>& TypeLayouts() {
    static const std::map<int, void (*)(Layout&)> layouts = {
        {1, &LayoutByBaseWeight}, {2, &LayoutByCount}, {3, &LayoutBySecondQty}};
    return layouts;
}

// A row drawn from a bill of a kind whose calculation type carries over keeps that type.
void LockCalTypeFromSource(Row& r, int classType) {
    if (IsTransferBill(classType)) return;
    const std::string sourceKey = r.K("FClassID_SRC");
    if (sourceKey.empty() || !r.bill().GetFieldInfoByKey(sourceKey, "", 0)) return;
    const Value source = r.Raw("FClassID_SRC");
    if (Trim(source.ToString()).empty()) return;
    const double sourceClass = source.ToNumber();
    if (std::fabs(sourceClass) < 1e9 &&
        KeepsSourceCalType(static_cast<int>(sourceClass), classType)) {
        r.Lock({"FCalTypeID"});
    }
}

// The second-unit fields of an item not calculated by type.
void LayoutSecondUnit(Row& r, const Value& itemID, int classType) {
    double secUnit = 0;
    if (IsAssemblyBill(classType)) {
        auto rs = GetCachedRecordset("select FBaseProperty4 from t_ICItem where FItemID=" +
                                     SqlId(itemID));
        secUnit = FirstField(rs).ToNumber();
        r.Lock({"FDisplayPrice"});
    } else {
        secUnit = r.Get("FSecUnitID");
    }
    if (secUnit != 0) {
        r.Open({"FSecQty", "FSecCoefficient"});
        r.Lock({"FSecPrice"});
        return;
    }
    r.Lock({"FSecQty", "FSecCoefficient", "FSecPrice"});
    if (!IsTransferBill(classType)) {
        r.Set("FDisplayWeight", 0);
        const std::string key = r.K("FDisplayWeight");
        if (!key.empty()) LockEntryCell(r.bill(), key, true, true, 0, r.row());
    }
}

// The unit of the item's barcode row with entry number 2 (its first packing unit), or blank.
Value SecondPackingUnit(const Value& itemID) {
    auto rs = GetCachedRecordset("select FUnitID from t_barcode where FItemID=" + SqlId(itemID) +
                                 " and FEntryNo=" + std::to_string(2));
    return FirstField(rs);
}

// ---- Prices ----------------------------------------------------------------------------------

// Writes the prices that follow from the entered one (see SetRowPrices).
void DerivePrices(Row& r, const PriceKeys& p, int type) {
    const double coefficient = r.Get("FCoefficient");
    switch (type) {
        case 1:
            r.Set(p.price, r.Get(p.base) * coefficient);
            r.Copy(p.sec, p.base);
            r.Copy(p.display, p.base);
            r.Act(p.price);
            break;
        case 2:
            r.SetQuotient(p.base, r.Get(p.price), coefficient);
            r.Copy(p.sec, p.base);
            r.Copy(p.display, p.price);
            break;
        case 3:
            PriceFromSecondPrice(r, p, true);
            r.SetQuotient(p.base, r.Get(p.price), coefficient);
            r.Copy(p.display, p.sec);
            r.Act(p.price);
            break;
        case -1:
            r.SetQuotient(p.base, r.Get(p.price), coefficient);
            r.Set(p.sec, r.Get(p.price) * r.Get("FSecCoefficient"));
            r.Copy(p.display, p.price);
            break;
        default:  // a calculation-type item without a type: nothing to derive from
            break;
    }
}

void SetRowPricesOn(Row& r, const Value& itemID, const Value& calTypeID) {
    const int type = GetItemIsGC(itemID) ? CalTypeNumber(calTypeID) : -1;
    for (const PriceKeys* p : PriceSetsOf(r.set(), r.bill().FID())) DerivePrices(r, *p, type);
}

// Opens the prices the row's layout lets the user enter, and the display price.
void OpenEnteredPrices(Row& r, int type) {
    const CalTypeRule* rule = &kPlainRule;
    if (type >= 0) {
        auto it = CalTypeRules().find(type);
        if (it == CalTypeRules().end()) return;
        rule = &it->second;
    }
    for (const PriceKeys* p : PriceSetsOf(r.set(), r.bill().FID())) {
        for (auto member : rule->editablePrices) r.Open({p->*member});
        r.Open({p->display});
    }
}

}  // namespace

// ---- Item master data ------------------------------------------------------------------------

bool GetItemIsGC(const Value& itemID) {
    return Trapped("GetItemIsGC", false, [&] {
        const std::string id = SqlId(itemID);
        if (id == "0") return false;
        // The value enters between quotes as the statement has it; it is always an integer.
        auto rs = GetCachedRecordset("select FIsGC from t_ICItem where FItemID=" + SqlValue(id));
        if (rs->IsEOF()) return false;
        const Value flag = rs->Field("FIsGC");
        return flag.IsNull() || flag.IsEmpty() || flag.ToBool();
    });
}

double GetItemSecCoefficient(const Value& itemID, double coefficient) {
    return Trapped("GetItemSecCoefficient", 0.0, [&] {
        if (coefficient == 0) return 0.0;
        auto rs = GetCachedRecordset("select FSecCoefficient from T_ICItem where FItemID=" +
                                     SqlId(itemID));
        if (rs->IsEOF()) return 0.0;
        const double result = rs->Field("FSecCoefficient").ToNumber() / coefficient;
        return std::isfinite(result) ? result : 0.0;
    });
}

// ---- Display edits and layouts ---------------------------------------------------------------

void CalcRowOnDisplayChange(IBillForm& bill, int row, const std::string& key, const FieldSet& set) {
    Trapped("CalcRowOnDisplayChange", [&] {
        auto it = DisplayKeys().find(UpperTrim(set.MainKeyOf(Trim(key))));
        if (it == DisplayKeys().end() || row < 1) return;
        const DisplayKey& dk = it->second;
        if (dk.mainSetOnly && !set.IsMain()) return;
        const int classType = bill.FID();
        Row r(bill, row, set);
        const int type = RowCalType(r);
        if (type == 0) return;  // a calculation-type item without a type
        switch (dk.edit) {
            case DisplayEdit::Price:
                ApplyDisplayPrice(r, *dk.prices, type);
                break;
            case DisplayEdit::Weight:
                ApplyDisplayWeight(r, type, classType);
                break;
            case DisplayEdit::Qty:
                ApplyDisplayQty(r, type, classType);
                break;
        }
    });
}

void ApplyCalTypeLayout(IBillForm& bill, int row, const Value& calTypeID, const FieldSet& set) {
    Trapped("ApplyCalTypeLayout", [&] {
        if (row < 1) return;
        const int classType = bill.FID();
        Row r(bill, row, set);
        LockCalTypeFromSource(r, classType);
        const int type = CalTypeNumber(calTypeID);
        auto layout = TypeLayouts().find(type);
        if (layout == TypeLayouts().end()) return;
        Layout l{r, classType, DiscountTaxKeysOf(classType)};
        layout->second(l);
        r.Copy("FDisplayQty", "FShowQty");
        r.Copy("FDisplayWeight", CalTypeRules().at(type).weight);
    });
}

void ApplyPlainItemLayout(IBillForm& bill, int row, const Value& itemID, const FieldSet& set) {
    Trapped("ApplyPlainItemLayout", [&] {
        if (row < 1) return;
        const int classType = bill.FID();
        Row r(bill, row, set);
        if (GetItemIsGC(itemID)) {
            const Value unit = SecondPackingUnit(itemID);
            if (!unit.IsBlank()) {
                r.SetValue("FShowUnitID", unit);
                r.Act("FShowUnitID");
            }
            r.Lock({"FSecCoefficient"});
            if (!IsTransferBill(classType)) ApplyCalTypeLayout(bill, row, r.Raw("FCalTypeID"), set);
            return;
        }
        if (!IsTransferBill(classType)) r.Lock({"FCalTypeID"});
        r.Lock({"FBasePrice"}, classType != ct::kTransferIn);
        r.Lock({"FQty"});
        r.Open({"FShowUnitID", "FShowQty", "FPrice"});
        LayoutSecondUnit(r, itemID, classType);
    });
}

void RecalcBillEntries(IBillForm& bill, const FieldSet& set) {
    Trapped("RecalcBillEntries", [&] {
        const int rows = bill.GridMaxDataRowNum(EntryPageOf(set));
        for (int row = 1; row <= rows; ++row) {
            Row r(bill, row, set);
            const Value item = r.Raw("FItemID");
            if (GetItemIsGC(item)) {
                ApplyCalTypeLayout(bill, row, r.Raw("FCalTypeID"), set);
            } else {
                ApplyPlainItemLayout(bill, row, item, set);
            }
        }
    });
}

void CalcRowSecQty(IBillForm& bill, int row, const Value& calTypeHint, const FieldSet& set) {
    Trapped("CalcRowSecQty", [&] {
        if (row < 1) return;
        Row r(bill, row, set);
        int type = CalTypeNumber(r.Raw("FCalTypeID"));
        if (type == 0) type = CalTypeNumber(calTypeHint);
        if (type != 3) {
            r.Copy("FSecQty", "FQty");
            r.Copy("FSecPrice", "FBasePrice");
        }
        const double secQty = r.Get("FSecQty");
        const double showQty = r.Get("FShowQty");
        if (secQty > 0 && showQty > 0) r.SetQuotient("FSecCoefficient", showQty, secQty);
    });
}

bool SetRowCalType(IBillForm& bill, int row, const FieldSet& set) {
    return Trapped("SetRowCalType", false, [&] {
        if (row < 1) return false;
        Row r(bill, row, set);
        const std::string item = SqlId(r.Raw("FItemID"));
        const std::string key = r.K("FCalTypeID");
        if (item == "0" || key.empty()) return false;
        auto rs = GetCachedRecordset(
            "select FItemID,FNumber,FName from t_CalType where FItemID=(select FCalTypeID from "
            "t_ICItem where FItemID=" +
            item + ")");
        if (rs->IsEOF()) return false;
        const Value id = rs->Field("FItemID");
        const std::string name = rs->Field("FName").ToString();
        bill.SetFieldValue(key, id, row);
        auto def = bill.GetFieldInfoByKey(key, "", 0);
        if (def) {
            if (auto cell = bill.GetDataFld(def, row)) {
                cell->Set("FFLD", id);
                cell->Set("FFND", rs->Field("FNumber").ToString());
                cell->Set("FDSP", name);
            }
            bill.SetText(def, name, row);
        }
        DoFieldAction(bill, key, row, true);
        return true;
    });
}

Verdict CheckCalTypeFilled(IBillForm& bill, const FieldSet& set) {
    return Trapped("CheckCalTypeFilled", Verdict::Silent(), [&] {
        const int rows = bill.GridMaxDataRowNum(EntryPageOf(set));
        for (int row = 1; row <= rows; ++row) {
            Row r(bill, row, set);
            if (!GetItemIsGC(r.Raw("FItemID"))) continue;
            // 0 is no calculation type either: a saved row without one stores 0.
            const std::string calType = Trim(r.Raw("FCalTypeID").ToString());
            if (!calType.empty() && calType != "0") continue;
            return Verdict::Refuse("第" + std::to_string(row) + "行计算方式不能为空。",
                                   kMsgInformation, kMsgCaption)
                .At(r.K("FCalTypeID"), row);
        }
        return Verdict::Pass();
    });
}

void SyncRowDisplayPrice(IBillForm& bill, int row, const FieldSet& set) {
    Trapped("SyncRowDisplayPrice", [&] {
        if (!IsIndustryEdition()) return;
        Row r(bill, row, set);
        const CalTypeRule* rule = &kPlainRule;
        if (GetItemIsGC(r.Raw("FItemID"))) {
            rule = RuleOf(r.Raw("FCalTypeID"));
            if (!rule) return;
        }
        r.Copy(kOwnPrices.display, kOwnPrices.*(rule->enteredPrice));
    });
}

void RefreshSecUnitFields(IBillForm& bill, int row, const FieldSet& set) {
    Trapped("RefreshSecUnitFields", [&] {
        if (bill.GetFieldValue("FStatus").ToNumber() > 0) return;
        const std::string coefficientKey = set["FSecCoefficient"];
        const bool allRows = row < 1;
        const int first = allRows ? 1 : row;
        const int last = allRows ? bill.GridMaxDataRowNum(EntryPageOf(set)) : row;
        for (int r = first; r <= last; ++r) {
            // A row whose item cannot be read keeps its lock; the others still follow.
            Trapped("RefreshSecUnitFields", [&] {
                const std::string item = SqlId(Row(bill, r, set).Raw("FItemID"));
                if (item == "0") return;
                const std::string sql =
                    allRows ? "Select FConverMethod,* from t_ICItem Where FItemID=" + item
                            : "Select FConverMethod,FSecUnitID from t_ICItem Where FItemID=" + item;
                auto rs = GetCachedRecordset(sql);
                if (rs->IsEOF()) return;
                const bool fixedOrNone = rs->Field("FConverMethod").ToNumber() == 1078 ||
                                         rs->Field("FSecUnitID").ToNumber() == 0;
                LockEntryCell(bill, coefficientKey, fixedOrNone, false, 0, r);
            });
        }
    });
}

void CalcRowPriceByCalType(IBillForm& bill, int row, const FieldSet& set) {
    Trapped("CalcRowPriceByCalType", [&] {
        if (!IsIndustryEdition() || row < 1) return;
        Row r(bill, row, set);
        const int classType = bill.FID();
        const Value item = r.Raw("FItemID");
        const std::string_view stockMainKey = StockKeyOf(classType);
        const std::string stockKey = stockMainKey.empty() ? "" : r.K(stockMainKey);
        const Value stock = stockKey.empty() ? Value(0) : r.Raw(stockMainKey);
        const Value calType = IsTransferBill(classType) ? Value() : r.Raw("FCalTypeID");
        const bool isVirtual = !stockKey.empty() && stock.ToNumber() != 0 && IsVirtualStock(stock);

        if (isVirtual) {
            if (LocksPricesOnVirtualStock(classType)) {
                for (const PriceKeys* p : PriceSetsOf(set, classType)) {
                    r.Lock({p->base, p->price, p->sec, p->display});
                    r.Set(p->display, 0);
                }
            }
        } else {
            if (LocksPricesOnVirtualStock(classType)) {
                OpenEnteredPrices(r, GetItemIsGC(item) ? CalTypeNumber(calType) : -1);
            }
            SetRowPricesOn(r, item, calType);
        }
        if (LocksFreightOnVirtualStock(classType)) r.Lock({"FTranspotationCharges"}, isVirtual);
    });
}

void SetRowPrices(IBillForm& bill, int row, const Value& itemID, const Value& /*stockID*/,
                  const Value& calTypeID, const FieldSet& set) {
    Trapped("SetRowPrices", [&] {
        Row r(bill, row, set);
        SetRowPricesOn(r, itemID, calTypeID);
    });
}

// ---- Conversions -----------------------------------------------------------------------------

double RoundToDigits(double value, int digits) {
    if (!std::isfinite(value)) return 0;
    const double shown = RoundDecimal(value, digits < 0 ? 0 : digits);
    const double kept = RoundDecimal(shown, 4);
    return std::isfinite(kept) ? kept : 0;
}

}  // namespace qor
