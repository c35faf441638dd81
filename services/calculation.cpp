#include "services/calculation.h"

#include <cmath>
#include <initializer_list>
#include <map>
#include <set>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

// ---- Key sets --------------------------------------------------------------------------------

namespace {

RowKeys MakeMainKeys() {
    RowKeys k;
    k.item = "FItemID";
    k.calType = "FCalTypeID";
    k.qty = "FQty";
    k.showQty = "FShowQty";
    k.secQty = "FSecQty";
    k.coefficient = "FCoefficient";
    k.secCoefficient = "FSecCoefficient";
    k.secUnit = "FSecUnitID";
    k.showUnit = "FShowUnitID";
    k.displayQty = "FDisplayQty";
    k.displayWeight = "FDisplayWeight";
    k.dcStock = "FDCStockID";
    k.scStock = "FSCStockID";
    k.transport = "FTranspotationCharges";
    k.prices = {"FBasePrice", "FPrice", "FSecPrice", "FDisplayPrice", "FAmount"};
    return k;
}

// The exchange bill's second set: every entry key with "01"; the freight field exists once.
RowKeys MakeTwinKeys() {
    RowKeys k = MakeMainKeys();
    for (std::string* key :
         {&k.item, &k.calType, &k.qty, &k.showQty, &k.secQty, &k.coefficient, &k.secCoefficient,
          &k.secUnit, &k.showUnit, &k.displayQty, &k.displayWeight, &k.dcStock, &k.scStock,
          &k.prices.base, &k.prices.price, &k.prices.sec, &k.prices.display, &k.prices.amount}) {
        *key += "01";
    }
    k.transport.clear();
    return k;
}

RowKeys MakeChildKeys() {
    RowKeys k;
    k.item = "FCldItemID";
    k.calType = "FCalTypeid1";
    k.qty = "FQty1";
    k.showQty = "FShowQty1";
    k.secQty = "FQty2";
    k.coefficient = "FCoefficient1";
    k.secCoefficient = "FDecimal";
    k.secUnit = "FSecUnitID1";
    k.showUnit = "FShowUnitID1";
    k.displayQty = "FDisplayQty1";
    k.displayWeight = "FDisplayWeight1";
    k.prices = {"FBasePrice1", "FPrice1", "FSecPrice1", "FDisplayPrice1", "FAmount1"};
    k.type3PriceFromSecQty = true;
    return k;
}

}  // namespace

const RowKeys& MainRowKeys() {
    static const RowKeys keys = MakeMainKeys();
    return keys;
}
const RowKeys& TwinRowKeys() {
    static const RowKeys keys = MakeTwinKeys();
    return keys;
}
const RowKeys& ChildRowKeys() {
    static const RowKeys keys = MakeChildKeys();
    return keys;
}
const PriceKeys& InPriceKeys() {
    static const PriceKeys keys{"FBaseInPrice", "FInPrice", "FSecInPrice", "FDisplayInPrice",
                                "FInAmount"};
    return keys;
}
const PriceKeys& OutPriceKeys() {
    static const PriceKeys keys{"FBaseOutPrice", "FOutPrice", "FSecOutPrice", "FDisplayOutPrice",
                                "FOutAmount"};
    return keys;
}

// ---- Rules by calculation type and class type -------------------------------------------------

namespace {

constexpr int kInOutPriceBill = 1040007;

// What each calculation type takes the entered weight and price into, and which prices its
// layout lets the user edit.
struct CalTypeRule {
    std::string RowKeys::*weight;          // entered and displayed weight
    std::string PriceKeys::*enteredPrice;  // entered and displayed price
    std::vector<std::string PriceKeys::*> editablePrices;
};

const std::map<int, CalTypeRule>& CalTypeRules() {
    static const std::map<int, CalTypeRule> rules = {
        {1, {&RowKeys::qty, &PriceKeys::base, {&PriceKeys::base}}},
        {2, {&RowKeys::qty, &PriceKeys::price, {&PriceKeys::base, &PriceKeys::price}}},
        {3, {&RowKeys::secQty, &PriceKeys::sec, {&PriceKeys::sec}}},
    };
    return rules;
}

// Items not calculated by type take prices per shown unit and weights in the second unit.
const CalTypeRule kPlainRule{&RowKeys::secQty, &PriceKeys::price, {&PriceKeys::price}};

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

// Transfer bills (1040003, 1040004) keep the calculation type open and skip the type layouts.
bool IsTransferBill(int classType) {
    return IsOneOf(classType, {1040003, 1040004});
}
// Bills whose entered prices are derived and stay locked.
bool LocksEnteredPrices(int classType) {
    return IsOneOf(classType, {1040002, 1040005, 1040006});
}
bool IsAssemblyBill(int classType) {
    return IsOneOf(classType, {1040005, 1040006});
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
    if (IsOneOf(classType, {1020002, 1030001, 1030002, 1030003, 1080002})) {
        return &kDiscountPriceKeys;
    }
    if (classType == 1020001) return &kPurchaseOrderKeys;
    return nullptr;
}

// Source and target class types between which the calculation type is taken over and stays.
bool KeepsSourceCalType(int sourceClass, int classType) {
    static const std::set<std::pair<int, int>> pairs = {{1030002, 1030002}, {1030003, 1030002},
                                                        {1030003, 1030003}, {1020002, 1020002},
                                                        {1020003, 1020002}, {1020003, 1020003}};
    return pairs.count({sourceClass, classType}) > 0;
}

// The stock field that decides the row's prices: the entering stock on purchase-side bills,
// the leaving stock on sales-side bills.
std::string StockKeyOf(const RowKeys& k, int classType) {
    if (IsOneOf(classType, {1020002, 1020003, 1040001, 1040003, 1080001})) return k.dcStock;
    if (IsOneOf(classType, {1030002, 1030003, 1040002, 1040004, 1080002})) return k.scStock;
    return "";
}
bool LocksPricesOnVirtualStock(int classType) {
    return IsOneOf(classType, {1030002, 1030003, 1080002});
}
bool LocksFreightOnVirtualStock(int classType) {
    return IsOneOf(classType, {1030002, 1030003, 1020002, 1020003, 1080001, 1080002});
}

// ---- One row of one bill ----------------------------------------------------------------------

// Reads numbers from the row and writes them back; a step whose result is no finite number
// (a division by 0, an overflow) writes nothing.
class Row {
public:
    Row(IBillForm& bill, int row) : bill_(bill), row_(row) {}

    IBillForm& bill() { return bill_; }
    int row() const { return row_; }
    Value Raw(const std::string& key) { return bill_.GetFieldValue(key, row_); }
    double Get(const std::string& key) { return Raw(key).ToNumber(); }
    void Set(const std::string& key, double value) {
        if (key.empty() || !std::isfinite(value)) return;
        bill_.SetFieldValue(key, value, row_);
    }
    void SetValue(const std::string& key, const Value& value) {
        bill_.SetFieldValue(key, value, row_);
    }
    void SetQuotient(const std::string& key, double numerator, double denominator) {
        if (denominator == 0) return;
        Set(key, numerator / denominator);
    }
    void Copy(const std::string& to, const std::string& from) { Set(to, Get(from)); }
    // Runs the field's host actions with the cell marked modified.
    void Act(const std::string& key) {
        if (!key.empty()) DoFieldAction(bill_, key, row_, true);
    }
    void Lock(std::initializer_list<const char*> keys, bool lock = true) {
        for (const char* key : keys) {
            if (key) LockEntryCell(bill_, key, lock, false, 0, row_);
        }
    }
    void Open(std::initializer_list<const char*> keys) { Lock(keys, false); }

private:
    IBillForm& bill_;
    int row_;
};

// ---- Display edits ---------------------------------------------------------------------------

enum class DisplayEdit { Price, Weight, Qty };

struct DisplayKey {
    DisplayEdit edit;
    const RowKeys& (*keys)();
    const PriceKeys* (*prices)();  // price edits: the set edited
};

const PriceKeys* OwnPrices() {
    return nullptr;
}
const PriceKeys* InPrices() {
    return &InPriceKeys();
}
const PriceKeys* OutPrices() {
    return &OutPriceKeys();
}

const std::map<std::string, DisplayKey>& DisplayKeys() {
    static const std::map<std::string, DisplayKey> keys = {
        {"FDISPLAYPRICE", {DisplayEdit::Price, &MainRowKeys, &OwnPrices}},
        {"FDISPLAYWEIGHT", {DisplayEdit::Weight, &MainRowKeys, &OwnPrices}},
        {"FDISPLAYQTY", {DisplayEdit::Qty, &MainRowKeys, &OwnPrices}},
        {"FDISPLAYINPRICE", {DisplayEdit::Price, &MainRowKeys, &InPrices}},
        {"FDISPLAYOUTPRICE", {DisplayEdit::Price, &MainRowKeys, &OutPrices}},
        {"FDISPLAYPRICE1", {DisplayEdit::Price, &ChildRowKeys, &OwnPrices}},
        {"FDISPLAYWEIGHT1", {DisplayEdit::Weight, &ChildRowKeys, &OwnPrices}},
        {"FDISPLAYQTY1", {DisplayEdit::Qty, &ChildRowKeys, &OwnPrices}},
    };
    return keys;
}

// The price sets a quantity edit re-prices: the in and out prices on class type 1040007, the
// set's own prices elsewhere.
std::vector<const PriceKeys*> PriceSetsOf(const RowKeys& k, int classType) {
    if (classType == kInOutPriceBill && &k == &MainRowKeys()) {
        return {&InPriceKeys(), &OutPriceKeys()};
    }
    return {&k.prices};
}

// An entered display price goes to the calculation type's price; the second price follows.
void ApplyDisplayPrice(Row& r, const RowKeys& k, const PriceKeys& p, int type) {
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
            r.Set(p.sec, r.Get(p.price) * r.Get(k.secCoefficient));
            break;
    }
}

// The shown price of a type-3 row from its second price.
void PriceFromSecondPrice(Row& r, const RowKeys& k, const PriceKeys& p, bool byCoefficient) {
    if (byCoefficient) {
        r.SetQuotient(p.price, r.Get(p.sec), r.Get(k.secCoefficient));
    } else {
        r.SetQuotient(p.price, r.Get(k.secQty) * r.Get(p.sec), r.Get(k.showQty));
    }
}

// Class type 1040007, type 3: the in and out display and second prices follow the amounts.
void PricesFromAmounts(Row& r, const RowKeys& k) {
    const double weight = r.Get(k.displayWeight);
    for (const PriceKeys* p : {&InPriceKeys(), &OutPriceKeys()}) {
        const double amount = r.Get(p->amount);
        if (amount == 0) continue;
        r.SetQuotient(p->display, amount, weight);
        r.SetQuotient(p->sec, amount, weight);
    }
}

void ApplyDisplayWeight(Row& r, const RowKeys& k, int type, int classType) {
    const double entered = r.Get(k.displayWeight);
    switch (type) {
        case 1:
        case 2:
            r.Set(k.qty, entered);
            r.SetQuotient(k.showQty, r.Get(k.qty), r.Get(k.coefficient));
            r.Copy(k.displayQty, k.showQty);
            r.Set(k.secCoefficient, GetItemSecCoefficient(r.Raw(k.item), r.Get(k.coefficient)));
            r.Act(k.qty);
            break;
        case 3:
            r.Set(k.secQty, entered);
            r.Act(k.secQty);
            r.Set(k.qty, r.Get(k.showQty) * r.Get(k.coefficient));
            r.SetQuotient(k.secCoefficient, r.Get(k.showQty), r.Get(k.secQty));
            r.Act(k.qty);
            for (const PriceKeys* p : PriceSetsOf(k, classType)) {
                PriceFromSecondPrice(r, k, *p, false);
                r.Act(p->price);
            }
            if (classType == kInOutPriceBill) PricesFromAmounts(r, k);
            break;
        default:
            r.Set(k.secQty, entered);
            r.Set(k.showQty, entered * r.Get(k.secCoefficient));
            r.Act(k.showQty);
            r.Copy(k.displayQty, k.showQty);
            break;
    }
}

void ApplyDisplayQty(Row& r, const RowKeys& k, int type, int classType) {
    const double entered = r.Get(k.displayQty);
    switch (type) {
        case 1:
        case 2:
            r.Set(k.showQty, entered);
            r.Act(k.showQty);
            r.Copy(k.displayWeight, k.qty);
            break;
        case 3: {
            r.Set(k.showQty, entered);
            if (r.Get(k.secQty) != 0) {
                r.SetQuotient(k.secCoefficient, r.Get(k.showQty), r.Get(k.secQty));
            }
            r.Set(k.qty, r.Get(k.showQty) * r.Get(k.coefficient));
            const auto sets = PriceSetsOf(k, classType);
            for (const PriceKeys* p : sets) PriceFromSecondPrice(r, k, *p, !k.type3PriceFromSecQty);
            for (const PriceKeys* p : sets) r.Act(p->price);
            r.Act(k.qty);
            if (classType == kInOutPriceBill) PricesFromAmounts(r, k);
            break;
        }
        default:
            r.Set(k.showQty, entered);
            r.Act(k.showQty);
            r.Copy(k.displayWeight, k.secQty);
            break;
    }
}

// The rule that applies to the row: the calculation type of a calculation-type item (0 when it
// has none of 1 to 3), or -1 for an item not calculated by type.
int RowCalType(Row& r, const RowKeys& k) {
    if (!GetItemIsGC(r.Raw(k.item))) return -1;
    return CalTypeNumber(r.Raw(k.calType));
}

// ---- Layouts ---------------------------------------------------------------------------------

// The type layouts of the main row, with the bill's discount and tax prices.
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
    if (!r.bill().GetFieldInfoByKey("FClassID_SRC", "", 0)) return;
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
        LockEntryCell(r.bill(), "FDisplayWeight", true, true, 0, r.row());
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
void DerivePrices(Row& r, const RowKeys& k, const PriceKeys& p, int type) {
    const double coefficient = r.Get(k.coefficient);
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
            PriceFromSecondPrice(r, k, p, true);
            r.SetQuotient(p.base, r.Get(p.price), coefficient);
            r.Copy(p.display, p.sec);
            r.Act(p.price);
            break;
        case -1:
            r.SetQuotient(p.base, r.Get(p.price), coefficient);
            r.Set(p.sec, r.Get(p.price) * r.Get(k.secCoefficient));
            r.Copy(p.display, p.price);
            break;
        default:  // a calculation-type item without a type: nothing to derive from
            break;
    }
}

void SetRowPricesOn(IBillForm& bill, int row, const RowKeys& k, const Value& itemID,
                    const Value& calTypeID) {
    Row r(bill, row);
    const int type = GetItemIsGC(itemID) ? CalTypeNumber(calTypeID) : -1;
    for (const PriceKeys* p : PriceSetsOf(k, bill.FID())) DerivePrices(r, k, *p, type);
}

// Opens the prices the row's layout lets the user enter, and the display price.
void OpenEnteredPrices(Row& r, const RowKeys& k, int type) {
    const CalTypeRule* rule = &kPlainRule;
    if (type >= 0) {
        auto it = CalTypeRules().find(type);
        if (it == CalTypeRules().end()) return;
        rule = &it->second;
    }
    for (const PriceKeys* p : PriceSetsOf(k, r.bill().FID())) {
        for (auto member : rule->editablePrices) r.Open({(p->*member).c_str()});
        r.Open({p->display.c_str()});
    }
}

void CalcRowPriceByCalTypeOn(IBillForm& bill, int row, const RowKeys& k) {
    if (!IsIndustryEdition() || row < 1) return;
    Row r(bill, row);
    const int classType = bill.FID();
    const Value item = r.Raw(k.item);
    const std::string stockKey = StockKeyOf(k, classType);
    const Value stock = stockKey.empty() ? Value(0) : r.Raw(stockKey);
    const Value calType = IsTransferBill(classType) ? Value() : r.Raw(k.calType);
    const bool isVirtual = !stockKey.empty() && stock.ToNumber() != 0 && IsVirtualStock(stock);

    if (isVirtual) {
        if (LocksPricesOnVirtualStock(classType)) {
            for (const PriceKeys* p : PriceSetsOf(k, classType)) {
                r.Lock({p->base.c_str(), p->price.c_str(), p->sec.c_str(), p->display.c_str()});
                r.Set(p->display, 0);
            }
        }
    } else {
        if (LocksPricesOnVirtualStock(classType)) {
            OpenEnteredPrices(r, k, GetItemIsGC(item) ? CalTypeNumber(calType) : -1);
        }
        SetRowPricesOn(bill, row, k, item, calType);
    }
    if (!k.transport.empty() && LocksFreightOnVirtualStock(classType)) {
        r.Lock({k.transport.c_str()}, isVirtual);
    }
}

void SyncRowDisplayPriceOn(IBillForm& bill, int row, const RowKeys& k) {
    if (!IsIndustryEdition()) return;
    Row r(bill, row);
    const CalTypeRule* rule = &kPlainRule;
    if (GetItemIsGC(r.Raw(k.item))) {
        rule = RuleOf(r.Raw(k.calType));
        if (!rule) return;
    }
    r.Copy(k.prices.display, k.prices.*(rule->enteredPrice));
}

}  // namespace

// ---- Item master data ------------------------------------------------------------------------

bool GetItemIsGC(const Value& itemID) {
    try {
        const std::string id = SqlId(itemID);
        if (id == "0") return false;
        // The value enters between quotes as the statement has it; it is always an integer.
        auto rs = GetCachedRecordset("select FIsGC from t_ICItem where FItemID=" + SqlValue(id));
        if (rs->IsEOF()) return false;
        const Value flag = rs->Field("FIsGC");
        return flag.IsNull() || flag.IsEmpty() || flag.ToBool();
    } catch (...) {
        return false;
    }
}

double GetItemSecCoefficient(const Value& itemID, double coefficient) {
    try {
        if (coefficient == 0) return 0;
        auto rs = GetCachedRecordset("select FSecCoefficient from T_ICItem where FItemID=" +
                                     SqlId(itemID));
        if (rs->IsEOF()) return 0;
        const double result = rs->Field("FSecCoefficient").ToNumber() / coefficient;
        return std::isfinite(result) ? result : 0;
    } catch (...) {
        return 0;
    }
}

// ---- Display edits and layouts ---------------------------------------------------------------

void CalcRowOnDisplayChange(IBillForm& bill, int row, const std::string& key) {
    try {
        auto it = DisplayKeys().find(UpperTrim(key));
        if (it == DisplayKeys().end() || row < 1) return;
        const DisplayKey& dk = it->second;
        const RowKeys& k = dk.keys();
        const int classType = bill.FID();
        Row r(bill, row);
        const int type = RowCalType(r, k);
        if (type == 0) return;  // a calculation-type item without a type
        switch (dk.edit) {
            case DisplayEdit::Price: {
                const PriceKeys* p = dk.prices();
                ApplyDisplayPrice(r, k, p ? *p : k.prices, type);
                break;
            }
            case DisplayEdit::Weight:
                ApplyDisplayWeight(r, k, type, classType);
                break;
            case DisplayEdit::Qty:
                ApplyDisplayQty(r, k, type, classType);
                break;
        }
    } catch (...) {
    }
}

void ApplyCalTypeLayout(IBillForm& bill, int row, const Value& calTypeID) {
    try {
        if (row < 1) return;
        const int classType = bill.FID();
        Row r(bill, row);
        LockCalTypeFromSource(r, classType);
        const int type = CalTypeNumber(calTypeID);
        auto layout = TypeLayouts().find(type);
        if (layout == TypeLayouts().end()) return;
        Layout l{r, classType, DiscountTaxKeysOf(classType)};
        layout->second(l);
        const RowKeys& k = MainRowKeys();
        const CalTypeRule& rule = CalTypeRules().at(type);
        r.Copy(k.displayQty, k.showQty);
        r.Copy(k.displayWeight, k.*(rule.weight));
    } catch (...) {
    }
}

void ApplyPlainItemLayout(IBillForm& bill, int row, const Value& itemID) {
    try {
        if (row < 1) return;
        const int classType = bill.FID();
        Row r(bill, row);
        if (GetItemIsGC(itemID)) {
            const Value unit = SecondPackingUnit(itemID);
            if (!unit.IsBlank()) {
                r.SetValue("FShowUnitID", unit);
                r.Act("FShowUnitID");
            }
            r.Lock({"FSecCoefficient"});
            if (!IsTransferBill(classType)) ApplyCalTypeLayout(bill, row, r.Raw("FCalTypeID"));
            return;
        }
        if (!IsTransferBill(classType)) r.Lock({"FCalTypeID"});
        r.Lock({"FBasePrice"}, classType != 1040003);
        r.Lock({"FQty"});
        r.Open({"FShowUnitID", "FShowQty", "FPrice"});
        LayoutSecondUnit(r, itemID, classType);
    } catch (...) {
    }
}

void RecalcBillEntries(IBillForm& bill) {
    try {
        const int rows = bill.GridMaxDataRowNum(2);
        for (int row = 1; row <= rows; ++row) {
            const Value item = bill.GetFieldValue("FItemID", row);
            if (GetItemIsGC(item)) {
                ApplyCalTypeLayout(bill, row, bill.GetFieldValue("FCalTypeID", row));
            } else {
                ApplyPlainItemLayout(bill, row, item);
            }
        }
    } catch (...) {
    }
}

void CalcRowSecQty(IBillForm& bill, int row, const Value& calTypeID) {
    try {
        if (row < 1) return;
        const RowKeys& k = MainRowKeys();
        Row r(bill, row);
        if (CalTypeNumber(calTypeID) != 3) {
            r.Copy(k.secQty, k.qty);
            r.Copy(k.prices.sec, k.prices.base);
        }
        const double secQty = r.Get(k.secQty);
        const double showQty = r.Get(k.showQty);
        if (secQty > 0 && showQty > 0) r.SetQuotient(k.secCoefficient, showQty, secQty);
    } catch (...) {
    }
}

bool SetRowCalType(IBillForm& bill, int row) {
    try {
        if (row < 1) return false;
        const std::string item = SqlId(bill.GetFieldValue("FItemID", row));
        if (item == "0") return false;
        auto rs = GetCachedRecordset(
            "select FItemID,FNumber,FName from t_CalType where FItemID=(select FCalTypeID from "
            "t_ICItem where FItemID=" +
            item + ")");
        if (rs->IsEOF()) return false;
        const Value id = rs->Field("FItemID");
        const std::string name = rs->Field("FName").ToString();
        bill.SetFieldValue("FCalTypeID", id, row);
        auto def = bill.GetFieldInfoByKey("FCalTypeID", "", 0);
        if (def) {
            if (auto cell = bill.GetDataFld(def, row)) {
                cell->Set("FFLD", id);
                cell->Set("FFND", rs->Field("FNumber").ToString());
                cell->Set("FDSP", name);
            }
            bill.SetText(def, name, row);
        }
        DoFieldAction(bill, "FCalTypeID", row, true);
        return true;
    } catch (...) {
        return false;
    }
}

bool CheckCalTypeFilled(IBillForm& bill) {
    try {
        const int rows = bill.GridMaxDataRowNum(2);
        for (int row = 1; row <= rows; ++row) {
            if (!GetItemIsGC(bill.GetFieldValue("FItemID", row))) continue;
            // 0 is no calculation type either: a saved row without one stores 0.
            const std::string calType = Trim(bill.GetFieldValue("FCalTypeID", row).ToString());
            if (!calType.empty() && calType != "0") continue;
            ShowMessage("第" + std::to_string(row) + "行计算方式不能为空。", kMsgInformation,
                        kMsgCaption);
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

void SyncRowDisplayPrice(IBillForm& bill, int row) {
    try {
        SyncRowDisplayPriceOn(bill, row, MainRowKeys());
    } catch (...) {
    }
}

void SyncRowDisplayPrice01(IBillForm& bill, int row) {
    try {
        SyncRowDisplayPriceOn(bill, row, TwinRowKeys());
    } catch (...) {
    }
}

void RefreshSecUnitFields(IBillForm& bill, int row) {
    try {
        if (bill.GetFieldValue("FStatus").ToNumber() > 0) return;
        const bool allRows = row < 1;
        const int first = allRows ? 1 : row;
        const int last = allRows ? bill.GridMaxDataRowNum(2) : row;
        for (int r = first; r <= last; ++r) {
            try {
                const std::string item = SqlId(bill.GetFieldValue("FItemID", r));
                if (item == "0") continue;
                const std::string sql =
                    allRows ? "Select FConverMethod,* from t_ICItem Where FItemID=" + item
                            : "Select FConverMethod,FSecUnitID from t_ICItem Where FItemID=" + item;
                auto rs = GetCachedRecordset(sql);
                if (rs->IsEOF()) continue;
                const bool fixedOrNone = rs->Field("FConverMethod").ToNumber() == 1078 ||
                                         rs->Field("FSecUnitID").ToNumber() == 0;
                LockEntryCell(bill, "FSecCoefficient", fixedOrNone, false, 0, r);
            } catch (...) {
                // A row whose item cannot be read keeps its lock; the others still follow.
            }
        }
    } catch (...) {
    }
}

void CalcRowPriceByCalType(IBillForm& bill, int row) {
    try {
        CalcRowPriceByCalTypeOn(bill, row, MainRowKeys());
    } catch (...) {
    }
}

void CalcRowPriceByCalType01(IBillForm& bill, int row) {
    try {
        CalcRowPriceByCalTypeOn(bill, row, TwinRowKeys());
    } catch (...) {
    }
}

void SetRowPrices(IBillForm& bill, int row, const Value& itemID, const Value& /*stockID*/,
                  const Value& calTypeID) {
    try {
        SetRowPricesOn(bill, row, MainRowKeys(), itemID, calTypeID);
    } catch (...) {
    }
}

void SetRowPrices01(IBillForm& bill, int row, const Value& itemID, const Value& /*stockID*/,
                    const Value& calTypeID) {
    try {
        SetRowPricesOn(bill, row, TwinRowKeys(), itemID, calTypeID);
    } catch (...) {
    }
}

// ---- Conversions -----------------------------------------------------------------------------

double RoundToDigits(double value, int digits) {
    if (!std::isfinite(value)) return 0;
    const double shown = RoundDecimal(value, digits < 0 ? 0 : digits);
    const double kept = RoundDecimal(shown, 4);
    return std::isfinite(kept) ? kept : 0;
}

}  // namespace qor
