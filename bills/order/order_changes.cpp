// The sales order's field-change table: the customer and salesman of the header, the goods-row
// rules the order shares with the customer-side bills (bills/common/order_rows.h), the order's
// own item, unit, stock and customer-code rules, the web order's amounts, and the rejection
// reset after every other edit.
#include <string>

#include "bills/common/order_rows.h"
#include "bills/common/sales_header.h"
#include "bills/order/billevent_order.h"
#include "bills/order/order_rules.h"
#include "frame/data_access.h"
#include "frame/trap.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor::order {

// ---- Row services ------------------------------------------------------------------------------

void ShowRowStockInfo(IBillForm& bill, int row) {
    Trapped("ShowRowStockInfo", [&] {
        if (row < 1) return;
        const Value item = bill.GetFieldValue("FItemID", row);
        const Value aux = bill.GetFieldValue("FAuxPropID", row);
        // The stock over every real stock, whatever the row's stock and batch.
        const InventoryShortage stock =
            IsIndustryMode()
                ? CheckInventoryShort(item, 0, aux, "", bill.GetFieldValue("FCalTypeID", row),
                                      bill.GetFieldValue("FShowUnitID", row))
                : CheckInventoryShort(item, 0, aux, "", 0);
        bill.SetStatusText(2, stock.text);
    });
}

StockColumns ReadStockColumns(const Value& item, const Value& aux, double coefficient,
                              const Value& calType, const Value& unit) {
    StockColumns c;
    const double inventory = IsIndustryMode() ? GetInventoryQty(item, aux, "", calType, unit)
                                              : GetInventoryQty(item, aux, "", Value(0), Value(0));
    double inbound = 0, outbound = 0;
    GetOrderPendingQty(3, item, inbound, outbound, aux);
    c.baseTotal = inventory;
    c.basePurchaseDue = inbound;
    c.baseSalesOpen = outbound;
    c.baseAvailable = inventory + inbound - outbound;
    // A unit without a coefficient has none chosen yet: its figures are the base unit's.
    const double k = coefficient == 0 ? 1 : coefficient;
    c.total = inventory / k;
    c.purchaseDue = inbound / k;
    c.salesOpen = outbound / k;
    c.available = c.baseAvailable / k;
    return c;
}

void RefreshStockColumns(IBillForm& bill, int row, bool withAvailable) {
    Trapped("RefreshStockColumns", [&] {
        if (row < 1) return;
        const bool industry = IsIndustryMode();
        const StockColumns c = ReadStockColumns(
            bill.GetFieldValue("FItemID", row), bill.GetFieldValue("FAuxPropID", row),
            bill.GetFieldValue("FCoefficient", row).ToNumber(),
            industry ? bill.GetFieldValue("FCalTypeID", row) : Value(),
            industry ? bill.GetFieldValue("FShowUnitID", row) : Value());
        bill.SetFieldValue("FTotalQty", c.total, row);
        bill.SetFieldValue("FCgOrderQty", c.purchaseDue, row);
        bill.SetFieldValue("FXsOrderQty", c.salesOpen, row);
        bill.SetFieldValue("FInTotalQty", c.available, row);
        if (industry) {
            bill.SetFieldValue("FDisplayQty", bill.GetFieldValue("FShowQty", row), row);
            bill.SetFieldValue("FBaseTotalQty", c.baseTotal, row);
            bill.SetFieldValue("FBaseCgOrderQty", c.basePurchaseDue, row);
            bill.SetFieldValue("FBaseXsOrderQty", c.baseSalesOpen, row);
            bill.SetFieldValue("FBaseInTotalQty", c.baseAvailable, row);
        }
        for (const char* key : {"FTotalQty", "FCgOrderQty", "FXsOrderQty"})
            DoFieldAction(bill, key, row, true);
        if (withAvailable) DoFieldAction(bill, "FInTotalQty", row, true);
    });
}

namespace {

double RowNum(IBillForm& bill, const char* key, int row) {
    return bill.GetFieldValue(key, row).ToNumber();
}

void SecPriceFollowsPrice(IBillForm& bill, int row) {
    bill.SetFieldValue("FSecPrice",
                       RowNum(bill, "FPrice", row) * RowNum(bill, "FSecCoefficient", row), row);
}

// ---- Header ------------------------------------------------------------------------------------

// The order takes the customer's first contact, or none: its delivery address (FAddress) and the
// address the contact write-back reads after a save (FReceiveAddr), so that a save does not
// empty the address the contact has.
const ContactFields kOrderContactFields{{"FAddress", "FReceiveAddr"}, false};

// A new customer: his balance, salesman and department, the rows re-priced for him (unless the
// user keeps prices) with his item codes, and his first contact.
void OnCustomerChanged(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const Value customer = bill.GetFieldValue("FCustID");
    ShowCustomerBalance(bill, kOrderProgId);
    GetOperatorEmpDept(bill, "2", 0, customer);
    if (!IsIndustryMode()) {
        const bool keepPrices = e.Owner<BillEvent_Order>().KeepsPricesOnCustomerChange();
        const int rows = GetEntryRowCount(bill);
        for (int row = 1; row <= rows; ++row) {
            if (bill.GetFieldValue("FItemID", row).ToNumber() <= 0) continue;
            if (!keepPrices) FetchRowPromotionPrice(bill, row);
            FillClientItemID(bill, row);
        }
    }
    if (SafeId(customer) > 0) FillCustomerContact(bill, customer, kOrderContactFields);
}

// ---- Item and unit -----------------------------------------------------------------------------

// The item's tax rate in percent; an item without its own rate takes the account's rate. No
// answer leaves the rate as it is.
void FillItemTaxRate(FieldEdit& e, int32_t item) {
    auto rs = GetCachedRecordset(
        std::string("  select case isnull(t1.FTaxRate,0) when 0 then isnull( "
                    "Convert(decimal(18,0),t2.FValue),0) else isnull( "
                    "Convert(decimal(18,0),t1.FTaxRate * 100), 0) end As FTaxRate ") +
        kCrLf + "  From  t_ICItem t1 " + kCrLf +
        "  Left Join (select FValue from t_systemprofile where fcategory='General' And "
        "FKey='TaxRate') t2 on 1=1 " +
        kCrLf + "  where t1.FItemID = " + std::to_string(item));
    const Value rate = FirstField(rs);
    if (!rate.IsBlank()) e.Put("FTaxRate", rate.ToNumber());
}

// An item chosen: the batch lock, the customer type's discount, the tax rate, the second unit
// and its locks, the default unit, the customer's price and item code, and the row's stock.
void OnItemChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const int row = e.row;
    LockBatchUnlessManaged(bill, row);
    ApplyCustomerTypeDiscount(bill, row);
    const int32_t item = SafeId(e.Get("FItemID"));
    if (item < 1) {
        e.Put("FUnitID", "");
        e.Put("FSecUnitID", "");
        for (const char* key : {"FAuxPropID", "FSecCoefficient", "FSecQty"})
            LockEntryCell(bill, key, true, false, 0, row);
        ShowRowStockInfo(bill, row);
        return;
    }
    FillItemTaxRate(e, item);
    ApplyItemSecondUnit(bill, row);
    SetRowDefaultUnit(bill, row);
    FetchRowPromotionPrice(bill, row);
    FillClientItemID(bill, row);
    SecPriceFollowsPrice(bill, row);
    const double coefficient = e.Num("FSecCoefficient");
    if (coefficient != 0) e.Put("FSecQty", e.Num("FShowQty") / coefficient);
    RefreshStockColumns(bill, row, true);
    ShowRowStockInfo(bill, row);
}

void OnUnitChosen(FieldEdit& e) {
    FetchRowPromotionPrice(e.bill, e.row);
    FillClientItemID(e.bill, e.row);
    FollowShownUnit(e.bill, e.row);
    RefreshStockColumns(e.bill, e.row);
}

void OnCalTypeChanged(FieldEdit& e) {
    OnCalTypeChosen(e);
    ShowRowStockInfo(e.bill, e.row);
}

void OnAuxPropChanged(FieldEdit& e) {
    FillRowStockNumber(e.bill, e.row);
    RefreshStockColumns(e.bill, e.row);
    ShowRowStockInfo(e.bill, e.row);
}

// A customer's item code typed: its item, or no code (and the edit refused) when the customer
// has no such code; the price follows either way.
void OnClientItemChanged(FieldEdit& e) {
    if (!FillItemByClientCode(e.bill, e.row)) {
        e.Put("FClientItemID", "");
        e.cancel = true;
    }
    FetchRowPromotionPrice(e.bill, e.row);
}

// ---- The web order's amounts -------------------------------------------------------------------

double ColumnTotal(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

void WebReceivedFollows(IBillForm& bill) {
    bill.SetFieldValue("FWebBillReceAmount",
                       bill.GetFieldValue("FWebBillAmount").ToNumber() -
                           bill.GetFieldValue("FWebBillDiscountAmount").ToNumber() +
                           bill.GetFieldValue("FWebBillTransAmount").ToNumber());
}

// The amount before discount of a row: the web order's total and what the customer pays
// follow. The host's own fill of the field changes nothing and keeps the rejection.
void OnNoDiscAmountChanged(FieldEdit& e) {
    if (e.hostFill) {
        e.stop = true;
        return;
    }
    IBillForm& bill = e.bill;
    if (!IsIndustryMode()) SecPriceFollowsPrice(bill, e.row);
    bill.SetFieldValue("FWebBillAmount", ColumnTotal(bill, "FNoDiscAmount"));
    WebReceivedFollows(bill);
    SecPriceFollowsPrice(bill, e.row);
    if (IsIndustryMode() && GetItemIsGC(e.Get("FItemID")))
        CalcRowSecQty(bill, e.row, e.Get("FCalTypeID"));
}

void OnDiscountAmountChanged(FieldEdit& e) {
    e.bill.SetFieldValue("FWebBillDiscountAmount", ColumnTotal(e.bill, "FDiscountAmount"));
    WebReceivedFollows(e.bill);
}

}  // namespace

void AddOrderChangeRules(RuleBook& b) {
    b.OnChange("FCustID", &OnCustomerChanged)
        .OnChange("FEmpID", [](FieldEdit& e) { SetDeptByEmp(e.bill); })
        .OnChange("FItemID", &OnItemChosen, kSkipOnHostFill)
        .OnChange("FShowUnitID", &OnUnitChosen, kSkipOnHostFill)
        .OnChange("FCalTypeID", &OnCalTypeChanged)
        .OnChange("FAuxPropID", &OnAuxPropChanged)
        .OnChange("FTaxAmount", &OnTaxAmountTail)
        .OnChange("FBaseTaxPrice", &OnBaseTaxPriceChanged)
        .OnChange("FTaxPrice", &OnTaxPriceChanged)
        .OnChange("FSecTaxPrice", &OnDisplayPriceSynced)
        .OnChange("FBasePriceDiscount", &OnBasePriceDiscountChanged)
        .OnChange("FSecPriceDiscount", &OnSecPriceDiscountChanged)
        .OnChange("FPriceDiscount", &OnPriceDiscountChanged)
        .OnChange("FClientItemID", &OnClientItemChanged)
        .OnChange("FNoDiscAmount", &OnNoDiscAmountChanged)
        .OnChange("FWebBillTransAmount", [](FieldEdit& e) { WebReceivedFollows(e.bill); })
        .OnChange("FDiscountAmount", &OnDiscountAmountChanged);
    // Second unit, quantities, prices, amount tails and display fields.
    AddOrderQtyPriceRules(b);
    b.AfterEveryChange(&ResetRejection);
}

}  // namespace qor::order
