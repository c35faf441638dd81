#include "bills/specialprice/xscx_prices.h"

#include <cmath>
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/specialprice/billevent_xscx.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/system_options.h"

namespace qor::xscx {

namespace {

constexpr const char* kZeroOldPrice =
    "原价不允许为零。原价根据“价格管理-售价带出方案”中设置的规则带出。";

// The price type whose rows carry no total limit (the type application type 4 uses).
constexpr int kMemberPriceType = 3;

double Num(IBillForm& bill, const char* key, int row) {
    return bill.GetFieldValue(key, row).ToNumber();
}

// The difference and the discount rate that follow from the original and the special price.
void SetDifferAndRate(IBillForm& bill, int row) {
    const double old = Num(bill, "FOldPrice", row);
    const double differ = old - Num(bill, "FNewPrice", row);
    bill.SetFieldValue("FDifferPrice", differ, row);
    if (old != 0) bill.SetFieldValue("FDiscountRate", (1 - differ / old) * 100, row);
}

// A special price above the original one is allowed, but the user is warned.
void WarnWhenAboveOldPrice(double differ) {
    if (differ >= 0) return;
    ShowMessage(GetIndustryType() == 1 ? "特价大于原理论单价！" : "特价大于原价！");
}

// The total limit column as the price type wants it: the member price type has no total limit.
void AdjustLimitColumn(IBillForm& bill) {
    if (SafeId(bill.GetFieldValue("FPriceType")) == kMemberPriceType)
        SetEntryFieldsLock(bill, "FTotalLimitQty");
    else
        SetEntryFieldsLock2(bill, "FTotalLimitQty");
}

const std::string& ListOf(FieldEdit& e) {
    return e.Owner<BillEvent_XSCX>().CustomerList();
}

// ---- Change rules ------------------------------------------------------------------------------

// An item chosen: its default sales unit with the unit's data, then the row's prices.
void OnItemChosen(FieldEdit& e) {
    ItemUnitList units = GetItemUnitList("FCustID", Value(0), e.Get("FItemID"));
    if (const ItemUnit* unit = units.Default()) {
        PutRowUnit(e.bill, e.K("FShowUnitID"), e.row, *unit);
        DoFieldAction(e.bill, "FShowUnitID", e.row, false);
    }
    if (!RefreshRowAfterUnit(e.bill, e.row, ListOf(e))) e.cancel = true;
}

void OnUnitChosen(FieldEdit& e) {
    if (!ChkPriceValidate(e.bill, e.row, e.bill.GetFieldValue("FPriceType")) ||
        !RefreshRowAfterUnit(e.bill, e.row, ListOf(e)))
        e.cancel = true;
}

// A row whose item has no original price takes no special price: the user is told, and the
// edited cell goes back to what it held (no division by a zero original price).
bool RefusedWithoutOldPrice(FieldEdit& e) {
    if (e.Num("FOldPrice") != 0 || SafeId(e.Get("FItemID")) <= 0) return false;
    ShowMessage(kZeroOldPrice);
    e.bill.SetFieldValue(e.key, e.OldValue(), e.row);
    e.Put("FDifferPrice", e.Num("FOldPrice") - e.Num("FNewPrice"));
    e.cancel = true;
    return true;
}

void OnNewPrice(FieldEdit& e) {
    const double old = e.Num("FOldPrice");
    if (RefusedWithoutOldPrice(e) || old == 0) return;
    const double differ = old - e.Num("FNewPrice");
    WarnWhenAboveOldPrice(differ);
    e.Put("FDifferPrice", differ);
    e.Put("FDiscountRate", (1 - differ / old) * 100);
}

void OnDifferPrice(FieldEdit& e) {
    const double old = e.Num("FOldPrice");
    if (RefusedWithoutOldPrice(e) || old == 0) return;
    double differ = e.Num("FDifferPrice");
    WarnWhenAboveOldPrice(differ);
    if (differ > old) {
        e.Put("FDifferPrice", old);
        differ = old;
    }
    e.Put("FNewPrice", old - differ);
    e.Put("FDiscountRate", (1 - differ / old) * 100);
}

void OnDiscountRate(FieldEdit& e) {
    const double old = e.Num("FOldPrice");
    if (RefusedWithoutOldPrice(e) || old == 0) return;
    const double differ = (1 - e.Num("FDiscountRate") / 100) * old;
    WarnWhenAboveOldPrice(differ);
    e.Put("FDifferPrice", differ);
    e.Put("FNewPrice", old - differ);
}

// Limits are whole quantities (halves to the even neighbour).
double WholeQty(double v) {
    return std::isfinite(v) ? std::nearbyint(v) : 0;
}

void OnTotalLimit(FieldEdit& e) {
    const double total = WholeQty(e.Num("FTotalLimitQty"));
    e.Put("FTotalLimitQty", total);
    const double single = e.Num("FSingleLimitQty");
    if (total != 0 && single != 0 && total < single) {
        ShowMessage("每单限量不能大于总限量！");
        e.Put("FTotalLimitQty", 0);
    }
}

void OnSingleLimit(FieldEdit& e) {
    e.Put("FSingleLimitQty", WholeQty(e.Num("FSingleLimitQty")));
}

}  // namespace

// ---- Row services ------------------------------------------------------------------------------

std::string CustomerIdList(const std::string& text) {
    std::string list;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string part = Trim(text.substr(start, comma - start));
        auto id = IdOf(Value(part));
        if (!part.empty() && part.find_first_not_of("0123456789") == std::string::npos && id &&
            *id > 0)
            list += (list.empty() ? "" : ",") + std::to_string(*id);
        start = comma + 1;
    }
    return list;
}

int32_t SingleCustomer(const std::string& list) {
    const std::string ids = CustomerIdList(list);
    if (ids.empty()) return 0;
    auto rs =
        OpenRecordset("select FItemID from t_Item where FDetail<>0 and  FItemID in (" + ids + ")");
    if (!rs || rs->IsEOF() || rs->RecordCount() != 1) return 0;
    return SafeId(rs->Field("FItemID"));
}

void FetchRowOldPrice(IBillForm& bill, int row, int32_t customer) {
    double discount = 0;
    const double price = GetPromotionPrice(
        bill.GetFieldValue("FItemID", row), bill.GetFieldValue("FShowUnitID", row), Value(customer),
        Value(0), Value(""), discount, IsSaleForIncludeTaxPrice());
    bill.SetFieldValue("FOldPrice", price, row);
}

void RecalcAllRowPrices(IBillForm& bill, const std::string& list) {
    const int32_t customer = SingleCustomer(list);
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (SafeId(bill.GetFieldValue("FItemID", row)) <= 0) continue;
        FetchRowOldPrice(bill, row, customer);
        SetDifferAndRate(bill, row);
    }
}

bool RefreshRowAfterUnit(IBillForm& bill, int row, const std::string& list) {
    const Value unit = bill.GetFieldValue("FShowUnitID", row);
    if (SafeId(unit) > 0) {
        // The barcode shown is the unit's.
        bill.SetFieldValue("FBarCode", GetBarcodeByUnit(bill.GetFieldValue("FItemID", row), unit),
                           row);
        FetchRowOldPrice(bill, row, SingleCustomer(list));
        bill.SetFieldValue("FNewPrice", "", row);
        SetDifferAndRate(bill, row);
        return true;
    }
    for (const char* key : {"FItemID", "FOldPrice", "FBarCode"}) bill.SetFieldValue(key, "", row);
    DoFieldAction(bill, "FItemID", row, false);
    return false;
}

void RefreshAllRowPrices(IBillForm& bill, const std::string& list) {
    for (int row = 1; row <= bill.GridMaxDataRowNum(); ++row)
        bill.SetFieldValue("FTotalLimitQty", "", row);
    AdjustLimitColumn(bill);
    const int32_t customer = SingleCustomer(list);
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (SafeId(bill.GetFieldValue("FItemID", row)) <= 0) continue;
        FetchRowOldPrice(bill, row, customer);
        if (Num(bill, "FOldPrice", row) != 0 && Num(bill, "FNewPrice", row) != 0)
            SetDifferAndRate(bill, row);
    }
}

bool ChkPriceValidate(IBillForm& bill, int row, const Value&) {
    const int32_t item = SafeId(bill.GetFieldValue("FItemID", row));
    const int32_t unit = SafeId(bill.GetFieldValue("FShowUnitID", row));
    if (unit == 0) return false;
    if (item < 1) {
        for (const char* key : {"FItemID", "FShowUnitID", "FOldPrice"})
            bill.SetFieldValue(key, "", row);
        DoFieldAction(bill, "FItemID", row, false);
        return false;
    }
    const double price =
        Val(GetSQLValue("select FXSPrice from t_ItemPrice where FItemID =" + SqlId(item) +
                        " and FUnitID=" + SqlId(unit)));
    if (price == 0) {
        ShowMessage(kZeroOldPrice);
        bill.SetFieldValue("FShowUnitID", "", row);
        DoFieldAction(bill, "FItemID", row, false);
        bill.SetFieldValue("FOldPrice", "", row);
        return false;
    }
    // A unit with a sales price may take a special price, whatever the application type.
    return true;
}

void AddSpecialPriceRules(RuleBook& b) {
    b.OnChange("FPriceType", [](FieldEdit& e) { RefreshAllRowPrices(e.bill, ListOf(e)); })
        .OnChange("FItemID", &OnItemChosen)
        .OnChange("FShowUnitID", &OnUnitChosen)
        .OnChange("FNewPrice", &OnNewPrice)
        .OnChange("FDifferPrice", &OnDifferPrice)
        .OnChange("FDiscountRate", &OnDiscountRate)
        .OnChange("FTotalLimitQty", &OnTotalLimit)
        .OnChange("FSingleLimitQty", &OnSingleLimit)
        .OnChange("FEmpId", [](FieldEdit& e) { SetDeptByEmp(e.bill); });
}

}  // namespace qor::xscx
