// The sales bill's field-change table: what each edited key does, in the order the keys are
// tested. A key without a rule is left to the host's formulas; after every rule (unless it
// stopped the handler) the bill loses its rejection mark.
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/sale/sale_rules.h"

namespace qor {

namespace {

void OnSaleCustomerChanged(FieldEdit& e) {
    OnCustomerChanged(e, kSaleProgId);
}

// The bill type's layout and goods-key locks, then the rights that hide columns.
void OnSaleBillTypeChanged(FieldEdit& e) {
    const Value type = e.NewValue();
    if (type.ToNumber() > 0) {
        ApplyBillTypeLayout(e.bill, type);
        ApplyBillTypeLocks(e.bill, type);
    }
    ApplySaleRights(e.bill);
    ApplyPriceAndTaxRights(e.bill);
}

}  // namespace

void AddSaleChangeRules(RuleBook& b) {
    // Header: customer and date first.
    b.OnChange("FCustID", &OnSaleCustomerChanged).OnChange("FDate", &OnBillDateChanged);
    // The goods rows: FItemID (not on the host's fills), FShowUnitID, the shelf-life dates,
    // FSecQty, FSecPrice, FQty, FShowQty and FPrice (not on fills), the coefficient, the
    // amounts, stock, batch, the discounted and tax-inclusive prices, the customer's code.
    AddSalesRowRules(b, FieldSet::Main());
    // The rest of the header.
    b.OnChange("FEmpID", &OnSalesmanChanged)
        .OnChange("FBillTypeID", &OnSaleBillTypeChanged)
        .OnChange("FCurPayAmount", &OnSettlementChanged)
        .OnChange("FCurCheckAmount", &OnSettlementChanged)
        .OnChange("FNeutralizeAmount", &OnSettlementChanged)
        .OnChange("FInvoiceType", &OnInvoiceTypeChanged)
        .OnChange("FBalanceStyle", &OnSettleStyleChanged)
        .OnChange("FDiscountAcctId", &OnDiscountAccountChanged)
        .OnChange("FTranspotationCosts", &OnFreightCostChanged);
    // Calculation type, freight charge and the display fields of a row.
    AddRowDisplayRules(b);
    b.AfterEveryChange(&ResetRejection);
}

}  // namespace qor
