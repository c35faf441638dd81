#include "bills/common/order_rows.h"

#include "bills/common/entry_rows.h"

#include <cmath>
#include <string>

#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"

namespace qor {

namespace {

// ---- Row access through a row set ----

using Row = GoodsRow;

Row Of(FieldEdit& e) {
    return Row{e.bill, e.row, e.set};
}

bool CalcTypeItem(const Row& r) {
    return GetItemIsGC(r.Get("FItemID"));
}

bool AmountCalcPrice(IBillForm& bill) {
    auto form = bill.BillForm();
    return form && form->AmountCalcPrice();
}

// A tail compared with its limit on the decimal text (0.05 is 0.05, not 0.0500000001).
double TailOf(double now, double before) {
    return RoundDecimal(std::fabs(now - before), 10);
}

void SecPriceFollowsPrice(const Row& r) {
    r.Put("FSecPrice", r.Num("FPrice") * r.Num("FSecCoefficient"));
}

void SecQtyInStepIfCalcType(const Row& r) {
    if (IsIndustryMode() && CalcTypeItem(r))
        CalcRowSecQty(r.bill, r.row, r.Get("FCalTypeID"), r.fs);
}

// The second quantity follows the shown one through the coefficient; without a coefficient the
// coefficient follows the two quantities.
void SecondFollowsShown(const Row& r) {
    const double coefficient = r.Num("FSecCoefficient");
    if (r.Locked("FSecCoefficient") || coefficient > 0) {
        if (coefficient > 0) r.Put("FSecQty", r.Num("FShowQty") / coefficient);
    } else if (r.Num("FSecQty") > 0 && r.Num("FShowQty") > 0) {
        r.Put("FSecCoefficient", r.Num("FShowQty") / r.Num("FSecQty"));
    }
}

// The discount-price relations: a discounted price p against its list price, the discount rate
// and amount, and the tax-inclusive price with the tax and total.
struct DiscountKeys {
    const char* discounted;  // p
    const char* qty;         // q
    const char* listField;   // where a derived list price goes
    double (*listPrice)(const Row&);
    const char* taxPrice;
};

double ShownListPrice(const Row& r) {
    return r.Num("FPrice");
}
double SecListPrice(const Row& r) {
    return r.Num("FPrice") * r.Num("FSecCoefficient");
}
double BaseListPrice(const Row& r) {
    const double coefficient = r.Num("FCoefficient");
    return coefficient == 0 ? 0 : r.Num("FPrice") / coefficient;
}

bool PriceSetsDiscount(IBillForm& bill) {
    auto menu = bill.MenuBar();
    auto tool = menu ? menu->Tool("mnuOptionPriceCalcDiscount") : nullptr;
    return tool && tool->Checked();
}

void DiscountPriceRule(const Row& r, const DiscountKeys& k) {
    const double p = r.Num(k.discounted);
    const double q = r.Num(k.qty);
    const double t = r.Num("FTaxRate");
    double rate = r.Num("FDiscountRate");
    if (PriceSetsDiscount(r.bill)) {
        const double list = k.listPrice(r);
        rate = list == 0 ? 0 : p / list * 100;
        r.Put("FDiscountRate", rate);
        r.Put("FDiscountAmount", rate == 0 ? 0 : q * p * (100 - rate) / rate);
    } else {
        const double list = rate == 0 ? 0 : p * 100 / rate;
        r.Put(k.listField, list);
        if (std::string_view(k.listField) == "FPrice")
            r.Put("FSecPrice", list * r.Num("FSecCoefficient"));
        r.Act(k.listField, true);
        // The discount against the list price as it now stands in the unit's own field.
        r.Put("FDiscountAmount", (r.Num(k.listField) - p) * q);
    }
    const double taxPrice = (t / 100 + 1) * p;
    r.Put(k.taxPrice, taxPrice);
    r.Act(k.taxPrice);
    r.Put("FTaxAmount", q * p * t / 100);
    r.Put("FInTaxAmount", q * r.Num(k.taxPrice));
    SyncRowDisplayPrice(r.bill, r.row);
}

}  // namespace

// ---- Row services ------------------------------------------------------------------------------

void FetchRowPromotionPrice(IBillForm& bill, int row, const FieldSet& fs) {
    const Row r{bill, row, fs};
    const int includeTax = IsSaleForIncludeTaxPrice();
    const RowPriceTarget target = SalePriceTarget(r, includeTax);
    double discount = 0;
    const double price =
        GetPromotionPrice(r.Get("FItemID"), r.Get(target.unitKey), bill.GetFieldValue("FCustID"),
                          Value(0), Value(""), discount, includeTax);
    if (price > 0) PutFetchedPrice(r, target.field, price, discount);
}

void SetRowDefaultUnit(IBillForm& bill, int row, const std::string& partnerKey,
                       const FieldSet& fs) {
    Trapped("SetRowDefaultUnit", [&] {
        if (row < 1) return;
        const Row r{bill, row, fs};
        const Value item = r.Get("FItemID");
        ItemUnitList units = GetItemUnitList(partnerKey, bill.GetFieldValue(partnerKey), item);
        if (IsIndustryMode()) ApplyPlainItemLayout(bill, row, item, fs);
        if (const ItemUnit* unit = units.Default()) {
            PutRowUnit(bill, r.K("FShowUnitID"), row, *unit);
            r.Act("FShowUnitID");
        }
        if (r.Num("FShowQty") == 0) {
            r.Put("FShowQty", 1);
            r.Act("FShowQty");
        }
        r.Put("FSecCoefficient", GetItemSecCoefficient(item, r.Num("FCoefficient")));
        if (IsIndustryMode() && GetItemIsGC(item)) {
            SetRowCalType(bill, row, fs);
            CalcRowSecQty(bill, row, Value(1), fs);
        } else if (IsIndustryMode()) {
            r.Put("FCalTypeID", "");
            r.Put("FDisplayQty", r.Num("FShowQty"));
            r.Put("FDisplayWeight", r.Num("FSecQty"));
        }
    });
}

void ApplyItemSecondUnit(IBillForm& bill, int row, const FieldSet& fs) {
    const Row r{bill, row, fs};
    const int32_t item = SafeId(r.Get("FItemID"));
    if (item <= 0) return;
    auto rs = GetCachedRecordset(
        "select FSecCoefficient,FConverMethod,* from t_icitem Where FItemID=" + SqlId(item));
    if (!rs || rs->IsEOF()) return;
    const double coefficient = rs->Field("FSecCoefficient").ToNumber();
    r.Put("FSecCoefficient", coefficient);
    r.Put("FSecQty", coefficient != 0 ? 1 / coefficient : 0);
    r.Lock("FSecCoefficient", SafeId(rs->Field("FConverMethod")) != 1079);
    if (SafeId(r.Get("FSecUnitID")) == 0) {
        r.Lock("FSecCoefficient", true);
        r.Put("FSecQty", 0);
        r.Put("FSecCoefficient", 0);
        r.Lock("FSecQty", true);
    } else {
        r.Lock("FSecQty", false);
    }
}

void ApplyCustomerTypeDiscount(IBillForm& bill, int row, const FieldSet& fs) {
    const int32_t customer = SafeId(bill.GetFieldValue("FCustID"));
    if (customer <= 0) return;
    auto rs = GetCachedRecordset(
        "Select FAgioRatio From t_ClientType Where FItemID = (Select FTypeID From t_Organization "
        "Where FItemID=" +
        SqlId(customer) + ")");
    if (!rs || rs->IsEOF() || rs->Field("FAgioRatio").IsNull()) return;
    Row{bill, row, fs}.Put("FDiscountRate", rs->Field("FAgioRatio").ToNumber());
}

void LockBatchUnlessManaged(IBillForm& bill, int row, const FieldSet& fs) {
    const Row r{bill, row, fs};
    if (!IsBatchManagerItem(r.Get("FItemID"))) r.Lock("FBatchNo", true);
}

void FollowShownUnit(IBillForm& bill, int row, const FieldSet& fs) {
    const Row r{bill, row, fs};
    const double coefficient = GetItemSecCoefficient(r.Get("FItemID"), r.Num("FCoefficient"));
    r.Put("FSecCoefficient", coefficient);
    SecPriceFollowsPrice(r);
    if (coefficient != 0) r.Put("FSecQty", r.Num("FShowQty") / coefficient);
    if (IsIndustryMode()) r.Put("FDisplayQty", r.Num("FShowQty"));
}

// ---- Change rules
// --------------------------------------------------------------------------------

void OnSecQtyChanged(FieldEdit& e) {
    const Row r = Of(e);
    const bool type3 = IsIndustryMode() && CalcTypeItem(r) && SafeId(r.Get("FCalTypeID")) == 3;
    if (type3 && r.Num("FShowQty") != 0)
        r.Put("FPrice", r.Num("FSecPrice") * r.Num("FSecQty") / r.Num("FShowQty"));
    const double coefficient = r.Num("FSecCoefficient");
    if (r.Locked("FSecCoefficient") || coefficient > 0) {
        r.Put("FShowQty", r.Num("FSecQty") * coefficient);
        r.Act("FShowQty", true);
        if (IsIndustryMode()) {
            r.Put("FDisplayWeight", r.Num("FQty"));
            r.Put("FDisplayQty", r.Num("FShowQty"));
        }
    } else if (r.Num("FSecQty") > 0 && r.Num("FShowQty") > 0) {
        r.Put("FSecCoefficient", r.Num("FShowQty") / r.Num("FSecQty"));
        SecPriceFollowsPrice(r);
    }
}

void OnSecPriceChanged(FieldEdit& e) {
    const Row r = Of(e);
    if (IsIndustryMode() && SafeId(r.Get("FCalTypeID")) != 3) return;
    if (r.Num("FShowQty") == 0) return;
    r.Put("FPrice", r.Num("FSecPrice") * r.Num("FSecQty") / r.Num("FShowQty"));
    // The amount follows the price the second price gave.
    r.Act("FPrice");
}

void OnQtyChanged(FieldEdit& e) {
    const Row r = Of(e);
    const double coefficient = r.Num("FCoefficient");
    if (coefficient == 0) return;
    r.Put("FShowQty", r.Num("FQty") / coefficient);
    r.Act("FShowQty", true);
    SecQtyInStepIfCalcType(r);
}

void OnShowQtyChanged(FieldEdit& e) {
    const Row r = Of(e);
    if (!IsIndustryMode() || !CalcTypeItem(r)) {
        SecondFollowsShown(r);
        return;
    }
    if (SafeId(r.Get("FCalTypeID")) != 3) return;
    SecondFollowsShown(r);
    const double coefficient = r.Num("FSecCoefficient");
    if (coefficient == 0) return;
    r.Put("FPrice", r.Num("FSecPrice") / coefficient);
    r.Act("FPrice");
}

// A coefficient of 0 is refused: the second quantity and price are emptied and the edit stops.
void OnSecCoefficientChanged(FieldEdit& e) {
    const Row r = Of(e);
    if (e.NewValue().ToNumber() != 0) {
        if (IsIndustryMode()) {
            r.Put("FDisplayQty", r.Num("FShowQty"));
            r.Put("FDisplayWeight", r.Num("FSecQty"));
            SecPriceFollowsPrice(r);
        }
        return;
    }
    r.Put("FSecQty", 0);
    r.Put("FSecPrice", 0);
    e.cancel = true;
    e.stop = true;
}

void OnPriceChanged(FieldEdit& e) {
    const Row r = Of(e);
    SecPriceFollowsPrice(r);
    SecQtyInStepIfCalcType(r);
}

void OnBasePriceChanged(FieldEdit& e) {
    SecQtyInStepIfCalcType(Of(e));
}

void OnAmountTail(FieldEdit& e) {
    const Row r = Of(e);
    const double before = e.OldValue().ToNumber();
    const double amount = r.Num("FAmount");
    if (TailOf(amount, before) < 0.05) {
        if (r.Num("FTaxAmount") == 0) {
            ShowMessage("非税尾差调整请直接调整价税合计");
            r.Put("FAmount", before);
        } else {
            r.Put("FTaxAmount", r.Num("FInTaxAmount") - amount);
        }
    } else if (!AmountCalcPrice(e.bill)) {
        r.Put("FInTaxAmount", amount + r.Num("FTaxAmount"));
    }
    SecPriceFollowsPrice(r);
}

void OnTaxAmountTail(FieldEdit& e) {
    const Row r = Of(e);
    const double before = e.OldValue().ToNumber();
    if (TailOf(r.Num("FTaxAmount"), before) <= 0.05) {
        r.Put("FAmount", r.Num("FInTaxAmount") - r.Num("FTaxAmount"));
    } else {
        ShowMessage("税额只能进行尾差调整");
        r.Put("FTaxAmount", before);
        // The host's formula has already added the refused tax to the total: it goes too.
        r.Put("FInTaxAmount", r.Num("FAmount") + before);
    }
}

void OnInTaxAmountChanged(FieldEdit& e) {
    const Row r = Of(e);
    if (!AmountCalcPrice(e.bill)) r.Put("FAmount", r.Num("FInTaxAmount") - r.Num("FTaxAmount"));
    SecPriceFollowsPrice(r);
}

void OnBaseTaxPriceChanged(FieldEdit& e) {
    SecPriceFollowsPrice(Of(e));
    SyncRowDisplayPrice(e.bill, e.row, e.set);
}

void OnDisplayPriceSynced(FieldEdit& e) {
    SyncRowDisplayPrice(e.bill, e.row, e.set);
}

void OnTaxPriceChanged(FieldEdit& e) {
    DiscountPriceRule(Of(e),
                      {"FPriceDiscount", "FShowQty", "FPrice", &ShownListPrice, "FTaxPrice"});
}

void OnPriceDiscountChanged(FieldEdit& e) {
    const Row r = Of(e);
    DiscountPriceRule(r, {"FPriceDiscount", "FShowQty", "FPrice", &ShownListPrice, "FTaxPrice"});
    r.Put("FNoDiscAmount", r.Num("FPrice") * r.Num("FShowQty"));
}

void OnSecPriceDiscountChanged(FieldEdit& e) {
    DiscountPriceRule(Of(e),
                      {"FSecPriceDiscount", "FSecQty", "FSecPrice", &SecListPrice, "FSecTaxPrice"});
}

void OnBasePriceDiscountChanged(FieldEdit& e) {
    const Row r = Of(e);
    DiscountPriceRule(
        r, {"FBasePriceDiscount", "FQty", "FBasePrice", &BaseListPrice, "FBaseTaxPrice"});
    SecPriceFollowsPrice(r);
}

void OnDisplayFieldChanged(FieldEdit& e) {
    CalcRowOnDisplayChange(e.bill, e.row, e.key);
}

void OnCalTypeChosen(FieldEdit& e) {
    ApplyCalTypeLayout(e.bill, e.row, e.Get("FCalTypeID"));
    for (const char* key : {"FDisplayPrice", "FDisplayWeight", "FDisplayQty"})
        CalcRowOnDisplayChange(e.bill, e.row, e.K(key));
}

// ---- The host's formulas ------------------------------------------------------------------------

bool SuppressesHostFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                           const std::string& expression, bool withTaxPrice) {
    const std::string field = fieldDesc ? fieldDesc->Get("FFieldName").ToString() : "";
    if ((IEquals(field, "FAmount") || IEquals(field, "FInTaxAmount")) && !AmountCalcPrice(bill))
        return true;
    return withTaxPrice && IEquals(field, "FTaxPrice") && IEquals(kind, "FAction") &&
           IEquals(Trim(expression), "FPrice=FTaxPrice/(1+FTaxRate/100)*100/FDiscountRate");
}

void FollowHostFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                       const std::string& type, const std::string& expression,
                       bool amountFollowUp) {
    if (!fieldDesc) return;
    const int row = static_cast<int>(fieldDesc->Get("FRow", Value(-1)).ToNumber());
    if (row < 1) return;
    const Row r{bill, row, FieldSet::Main()};
    const std::string formula = Upper(expression);
    if (amountFollowUp && IEquals(kind, "FAction") && IEquals(type, "Calculate") &&
        (formula.find("FAMOUNT=") != std::string::npos ||
         formula.find("FINTAXAMOUNT=") != std::string::npos ||
         formula.find("FTAXAMOUNT=") != std::string::npos))
        r.Put("FTaxAmount", r.Num("FInTaxAmount") - r.Num("FAmount"));
    if (IsIndustryMode() && IEquals(fieldDesc->Get("FKey").ToString(), "FShowQty") &&
        SafeId(r.Get("FCalTypeID")) == 3 && r.Num("FSecQty") != 0)
        r.Put("FSecCoefficient", r.Num("FShowQty") / r.Num("FSecQty"));
}

void AddOrderQtyPriceRules(RuleBook& b, const FieldSet& fs) {
    b.OnChange(fs, "FSecQty", &OnSecQtyChanged)
        .OnChange(fs, "FSecPrice", &OnSecPriceChanged)
        .OnChange(fs, "FQty", &OnQtyChanged)
        .OnChange(fs, "FShowQty", &OnShowQtyChanged)
        .OnChange(fs, "FSecCoefficient", &OnSecCoefficientChanged)
        .OnChange(fs, "FPrice", &OnPriceChanged)
        .OnChange(fs, "FBasePrice", &OnBasePriceChanged)
        .OnChange(fs, "FInTaxAmount", &OnInTaxAmountChanged)
        .OnChange(fs, "FAmount", &OnAmountTail)
        .OnChange(fs, "FDisplayPrice", &OnDisplayFieldChanged)
        .OnChange(fs, "FDisplayWeight", &OnDisplayFieldChanged)
        .OnChange(fs, "FDisplayQty", &OnDisplayFieldChanged);
}

}  // namespace qor
