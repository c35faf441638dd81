// The exchange bill's field-change table. Both goods sets are dispatched to the sales bill's
// goods-row rules (the second set through its "01" keys); the exchange bill differs only where
// its own rules are named here: the customer re-prices the main rows whatever the user's
// options, the bill type only sets the rights layout, the settlement has no refund step, the
// quantity and the price without discount keep no calculation-type step (but the second set's
// price without discount follows the main calculation type), the second set's amount does not
// move its display price, a tax-inclusive price moves the second price alone and a discounted
// price that moves the list price also moves the price without discount.
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/salechange/salechange_rules.h"
#include "services/calculation.h"
#include "services/price_lookup.h"

namespace qor {

namespace {

void OnChangeCustomerChanged(FieldEdit& e) {
    OnCustomerChanged(e, kSaleChangeProgId, /*userMayKeepPrices=*/false);
}

// The bill type changes only what the user's rights hide: cost and invoice-amount columns,
// prices and taxes.
void OnChangeBillTypeChanged(FieldEdit& e) {
    ApplyCostAndInvoiceRights(e.bill, kSaleChangeProgId);
    ApplyPriceAndTaxRights(e.bill);
}

// The list price moved by a discounted price of the bill unit gives the price without discount
// of the row's quantity.
void OnChangePriceDiscountChanged(FieldEdit& e) {
    if (!ApplyDiscountedPrice(e)) return;
    e.Put("FNoDiscAmount", e.Num("FPrice") * e.Num("FShowQty"));
}

// The second set's price without discount: the second price, then in the industry edition the
// second quantity of a calculation-type item by the main set's calculation type of the row.
void OnSecondSetNoDiscAmountChanged(FieldEdit& e) {
    OnSecPriceFollows(e);
    if (IsIndustryMode() && GetItemIsGC(e.Get("FItemID")))
        CalcRowSecQty(e.bill, e.row, e.bill.GetFieldValue("FCalTypeID", e.row), e.set);
}

}  // namespace

void AddExchangeChangeRules(RuleBook& b) {
    b.OnChange("FCustID", &OnChangeCustomerChanged).OnChange("FDate", &OnBillDateChanged);
    AddSalesRowRules(b, FieldSet::Main(),
                     {{"FShowQty", &OnShowQtyKeepsSecond},
                      {"FNoDiscAmount", &OnSecPriceFollows},
                      {"FTaxPrice", &OnSecPriceFollows},
                      {"FPriceDiscount", &OnChangePriceDiscountChanged}});
    AddSalesRowRules(b, FieldSet::Twin01(),
                     {{"FShowQty", &OnShowQtyKeepsSecond},
                      {"FNoDiscAmount", &OnSecondSetNoDiscAmountChanged},
                      {"FAmount", &OnAmountKeepsTotal},
                      {"FTaxPrice", &OnSecPriceFollows},
                      {"FPriceDiscount", &OnChangePriceDiscountChanged}});
    b.OnChange("FEmpID", &OnSalesmanChanged)
        .OnChange("FBillTypeID", &OnChangeBillTypeChanged)
        .OnChange("FCurPayAmount", &OnSettlementLocks)
        .OnChange("FCurCheckAmount", &OnSettlementLocks)
        .OnChange("FNeutralizeAmount", &OnSettlementLocks)
        .OnChange("FInvoiceType", &OnInvoiceTypeChanged)
        .OnChange("FBalanceStyle", &OnSettleStyleChanged)
        .OnChange(FieldSet::Main(), "FDiscountAcctId", &OnDiscountAccountChanged)
        .OnChange(FieldSet::Twin01(), "FDiscountAcctId", &OnDiscountAccountChanged)
        .OnChange("FTranspotationCosts", &OnFreightCostChanged);
    // Calculation type, freight charge and the display fields exist once per row.
    AddRowDisplayRules(b);
    b.AfterEveryChange(&ResetRejection);
}

}  // namespace qor
