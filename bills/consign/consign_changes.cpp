// The consignment bill's field-change table: the header rules (customer, salesman, bill type),
// the goods-row rules it has of its own (item, unit, stock, batch, amount tails, the customer's
// item code) and the goods-row rules it shares with the other customer-side bills; and the
// bill's handling of the host's own formulas.
#include <cmath>
#include <string>

#include "bills/common/order_rows.h"
#include "bills/common/sales_header.h"
#include "bills/common/sales_rows.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/batch_shelflife.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

bool AmountCalcPrice(IBillForm& bill) {
    auto form = bill.BillForm();
    return form && form->AmountCalcPrice();
}

// ---- Header -------------------------------------------------------------------------------------

// The customer's balance, his salesman and department, the rows' prices (unless the user keeps
// them) and item codes, and his delivery address.
void OnCustomerChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const Value customer = bill.GetFieldValue("FCustID");
    ShowCustomerBalance(bill, kConsignProgId);
    if (SafeId(customer) > 0) GetOperatorEmpDept(bill, "2", 0);
    if (!IsIndustryMode()) {
        const bool keepPrices = IsUserOptionOn(BillSetSection(bill), "DoNotResetPrice");
        const int rows = GetEntryRowCount(bill);
        for (int r = 1; r <= rows; ++r) {
            if (SafeId(bill.GetFieldValue("FItemID", r)) <= 0) continue;
            if (!keepPrices) RefreshRowPrice(bill, r);
            FillClientItemID(bill, r);
        }
    }
    if (SafeId(customer) > 0) FillDeliverAddress(bill, customer);
}

// The type's layout, and the tools and goods locks of the type: a return is drawn from
// deliveries (its selection tool shows only now), a delivery has its goods open again.
void OnBillTypeChosen(FieldEdit& e) {
    ApplyConsignTypeLayout(e.bill);
    RefreshConsignBillState(e.bill);
}

// ---- Item ---------------------------------------------------------------------------------------

// The discount ratio of the customer's type, in percent, becomes the row's discount rate.
void ApplyCustomerTypeRate(const GoodsRow& r) {
    const int32_t customer = SafeId(r.bill.GetFieldValue("FCustID"));
    if (customer <= 0) return;
    const Value ratio = FirstField(GetCachedRecordset(
        "Select FAgioRatio From t_ClientType Where FItemID = (Select FTypeID From t_Organization "
        "Where FItemID=" +
        SqlId(customer) + ")"));
    if (!ratio.IsBlank()) r.Put("FDiscountRate", ratio.ToNumber() * 100);
}

// The item's own tax rate in percent, or the account's rate for an item without one.
void ApplyItemTaxRate(const GoodsRow& r, const Value& item) {
    const Value rate = FirstField(GetCachedRecordset(JoinLines({
        "  select case isnull(t1.FTaxRate,0) when 0 then isnull( "
        "Convert(decimal(18,0),t2.FValue),0) else isnull( Convert(decimal(18,0),t1.FTaxRate * "
        "100), 0) end As FTaxRate ",
        "  From  t_ICItem t1 ",
        "  Left Join (select FValue from t_systemprofile where fcategory='General' And "
        "FKey='TaxRate') t2 on 1=1 ",
        "  where t1.FItemID = " + SqlId(item),
    })));
    r.Put("FTaxRate", Val(rate.ToString()));
}

// The item's shelf life, then the production date of a new row (the bill date where the user
// may change it) and the expiry date that follows from both.
void ApplyItemShelfLife(const GoodsRow& r, const Value& item) {
    // The record the second-unit rule read a moment ago (answered from the event's cache).
    auto record = GetCachedRecordset(
        "select FSecCoefficient,FConverMethod,* from t_icitem Where "
        "FItemID=" +
        SqlId(item));
    if (record && !record->IsEOF()) r.Put("FKFPeriod", record->Field("FKFPeriod").ToNumber());
    if (r.Locked("FKFDate")) return;
    auto billDate = ParseDate(r.bill.GetFieldValue("FDate").ToString());
    if (!billDate) return;
    r.Put("FKFDate", FormatDate(*billDate));
    CalcKFDatesOn(r.bill, KFFieldSet::Of(r.fs), r.K("FKFDate"), r.row);
}

void OnGoodsChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const int row = e.row;
    const GoodsRow r(e);
    if (e.fieldDesc && e.fieldDesc->Get("FIsBatchNoManage").ToBool()) r.Lock("FBatchNo", false);
    ApplyCustomerTypeRate(r);
    const Value item = r.Get("FItemID");
    if (SafeId(item) <= 0) {
        r.Put("FUnitID", "");
        r.Put("FSecUnitID", "");
        r.Put("FSerialNo", "");
        RefreshRowStockInfo(bill, row);
        return;
    }
    SetDefaultStock(bill, row, "FSCStockID");
    ApplyItemTaxRate(r, item);
    ApplyItemSecondUnit(bill, row);
    ApplyItemDefaultUnit(bill, row);
    RefreshRowPrice(bill, row);
    FillClientItemID(bill, row);
    ApplyItemShelfLife(r, item);
    RefreshRowCost(bill, row);
    r.Put("FSerialNo", "");
    RefreshRowStockInfo(bill, row);
}

// ---- Unit ---------------------------------------------------------------------------------------

// Base units per row unit of the unit the row had before the edit: from the item's units, else
// from what the unit cell recorded of it; 0 when it cannot be known.
double CoefficientOfOldUnit(FieldEdit& e, const Value& item) {
    double before = GetBarcodeCoefficient(item, e.OldValue());
    if (before <= 0) {
        if (auto cell = e.CellData()) before = cell->Get("FCoefficient").ToNumber();
    }
    return before > 0 ? before : 0;
}

// A row typed by hand takes the new unit's price; a row drawn from a source keeps its value per
// base unit: its price is converted to the new unit. The ordered quantity and the cost price
// (with the cost amount) of every row are converted too.
void OnUnitChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const GoodsRow r(e);
    const Value item = r.Get("FItemID");
    const double now = r.Num("FCoefficient");  // the host's unit formula has set the new one
    const double before = CoefficientOfOldUnit(e, item);
    const bool fromSource = SafeId(r.Get("FEntryID_SRC")) != 0;
    if (!fromSource) {
        RefreshRowPrice(bill, e.row);
        FillClientItemID(bill, e.row);
    }
    // Without the old unit's coefficient nothing can be converted: the values stay.
    if (before > 0 && now > 0) {
        if (fromSource) {
            r.Put("FPrice", r.Num("FPrice") / before * now);
            r.Act("FPrice");
        }
        r.Put("FOrderQty", r.Num("FOrderQty") * before / now);
        r.Put("FCostPrice", r.Num("FCostPrice") * now / before);
        ApplyCostAmount(r);
    }
    FollowShownUnit(bill, e.row);
}

// ---- Quantities and prices
// ------------------------------------------------------------------------

// A second coefficient of 0 empties the second quantity and price; any other gives the second
// price (and in the industry edition the display fields).
void OnSecCoefficientSet(FieldEdit& e) {
    OnSaleSecCoefficientChanged(e);
    if (!e.stop) ApplySecPrice(GoodsRow(e));
}

void OnInTaxAmountSet(FieldEdit& e) {
    OnInTaxAmountChanged(e);
    SyncRowDisplayPrice(e.bill, e.row);
}

// ---- Stock and batch ----------------------------------------------------------------------------

// A row without a price takes the customer's price in the new stock; the cost follows the stock;
// a batch the new stock holds is kept as the stock records it; the serial numbers go.
void OnStockChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    const GoodsRow r(e);
    if (r.Num("FPrice") == 0) RefreshRowPrice(bill, e.row);
    RefreshRowCost(bill, e.row);
    BatchKFRecord found;
    if (GetStockBatchKFInfo(r.Get("FItemID"), r.Get("FSCStockID"), r.Get("FBatchNo").ToString(),
                            &found) > 0)
        r.Put("FBatchNo", found.batchNo);
    CalcRowPriceByCalType(bill, e.row);
    r.Put("FSerialNo", "");
    RefreshRowStockInfo(bill, e.row);
}

// The batch's dates from stock, a price for a row without one, the stock text and the batch's
// cost.
void OnBatchChosen(FieldEdit& e) {
    IBillForm& bill = e.bill;
    FillRowBatchInfo(bill, e.row, BatchRowKeys::Of());
    if (GoodsRow(e).Num("FPrice") == 0) RefreshRowPrice(bill, e.row);
    RefreshRowStockInfo(bill, e.row);
    RefreshRowCost80(bill, e.row);
}

// ---- Amounts ------------------------------------------------------------------------------------

// A change below 0.05 (compared on the decimal text, 0.05 being 0.05) is a rounding tail.
bool IsTail(double now, double before, bool limitIncluded) {
    const double change = RoundDecimal(std::fabs(now - before), 10);
    return limitIncluded ? change <= 0.05 : change < 0.05;
}

// After an amount changed: the total follows unless amounts drive prices; then the second price
// (amounts driving prices in the industry edition) or the price rule.
void FollowAmount(FieldEdit& e) {
    const GoodsRow r(e);
    const bool drivesPrice = AmountCalcPrice(e.bill);
    if (!drivesPrice) r.Put("FInTaxAmount", r.Num("FAmount") + r.Num("FTaxAmount"));
    if (GetIndustryType() != 0 && drivesPrice) {
        ApplySecPrice(r);
    } else {
        OnPriceChanged(e);
    }
}

// An amount changed by less than 0.05 is a tail: the tax absorbs it and the total stays; a row
// without tax cannot absorb it (the total is to be adjusted instead). Any other change is an
// ordinary amount change.
void OnAmountSet(FieldEdit& e) {
    const GoodsRow r(e);
    const double before = RoundToDigits(e.OldValue().ToNumber(), 2);
    const double amount = r.Num("FAmount");
    if (!IsTail(amount, before, false)) {
        FollowAmount(e);
        return;
    }
    if (r.Num("FTaxAmount") == 0) {
        ShowMessage("非税尾差调整请直接调整价税合计", kMsgInformation, kMsgCaption);
        r.Put("FAmount", before);
    } else {
        r.Put("FTaxAmount", r.Num("FInTaxAmount") - amount);
    }
    e.cancel = true;
}

// The tax may only absorb a tail of at most 0.05; the amount follows it.
void OnTaxAmountSet(FieldEdit& e) {
    const GoodsRow r(e);
    const double before = RoundToDigits(e.OldValue().ToNumber(), 2);
    if (!IsTail(r.Num("FTaxAmount"), before, true)) {
        ShowMessage("税额只能进行尾差调整", kMsgInformation, kMsgCaption);
        r.Put("FTaxAmount", before);
        // The host's formula has already added the refused tax to the total: it goes again.
        r.Put("FInTaxAmount", r.Num("FAmount") + before);
        e.cancel = true;
        return;
    }
    r.Put("FAmount", r.Num("FInTaxAmount") - r.Num("FTaxAmount"));
    FollowAmount(e);
}

// ---- The customer's item code -------------------------------------------------------------------

// The item of the customer's code; a code the customer does not have is emptied. Either way the
// row's price is fetched again.
void OnClientItemCode(FieldEdit& e) {
    if (!FillItemByClientCode(e.bill, e.row)) {
        e.Put("FClientItemID", "");
        e.cancel = true;
    }
    RefreshRowPrice(e.bill, e.row);
}

void OnShelfLifeSet(FieldEdit& e) {
    CalcKFDates(e.bill, e.fieldDesc, e.row);
}

// ---- The host's formulas ------------------------------------------------------------------------

bool IsBatchLockFormula(const std::string& expression) {
    const std::string formula = UpperTrim(expression);
    return formula == "ME.FTRACK<>80,FBATCHNO1=1,FBATCHNO1=0" ||
           formula == "ME.FTRACK<>80,FBATCHNO=1,FBATCHNO=0" ||
           formula == "ME.FBATCHMANAGER=0,FBATCHNO=1,FBATCHNO=0";
}

int RowOf(const CollectionPtr& fieldDesc) {
    return fieldDesc ? SafeId(fieldDesc->Get("FRow", Value(-1))) : -1;
}

// "FQty=" among the assignments of a formula.
bool Assigns(const std::string& expression, const std::string& key) {
    const std::string formula = Upper(expression), target = Upper(key) + "=";
    for (size_t at = formula.find(target); at != std::string::npos;
         at = formula.find(target, at + 1)) {
        if (at == 0 || formula[at - 1] == ';' || formula[at - 1] == ' ') return true;
    }
    return false;
}

}  // namespace

void ApplyConsignTypeLayout(IBillForm& bill) {
    static const char* kGoodsKeys = "FItemID,FSCStockID,FBatchNo,FAuxPropID,FKFDate";
    const int32_t type = SafeId(bill.GetFieldValue("FBillTypeID"));
    const bool isReturn = type == bt::kConsignReturn;
    if (type == bt::kConsign || isReturn) {
        bill.SetBarStatus("mnuEditCopy", "Visible", !isReturn);
        if (isReturn) {
            SetEntryFieldsLock(bill, kGoodsKeys);
        } else {
            SetEntryFieldsLock2(bill, kGoodsKeys);
        }
        SetEntryFieldsVisible(bill, "FOrderQty", !isReturn);
    }
    ApplyCostAndInvoiceRights(bill, kConsignProgId);
    ApplyPriceAndTaxRights(bill);
    bill.SetBarStatus("mnuBarCode", "Enabled", !isReturn);
    bill.SetBarStatus("mnuImportGoods", "Enabled", !isReturn);
}

void AddConsignChangeRules(RuleBook& b) {
    // Header.
    b.OnChange("FCustID", &OnCustomerChosen)
        .OnChange("FEmpID", &OnSalesmanChanged)
        .OnChange("FBillTypeID", &OnBillTypeChosen)
        .OnChange("FTranspotationCosts", &OnFreightCostChanged);
    // Goods rows: the item, its unit, stock and batch.
    b.OnChange("FItemID", &OnGoodsChosen, kSkipOnHostFill)
        .OnChange("FShowUnitID", &OnUnitChosen)
        .OnChange("FAuxPropID", &OnAuxPropChanged)
        .OnChange("FSCStockID", &OnStockChosen)
        .OnChange("FBatchNo", &OnBatchChosen)
        .OnChange("FKFDate", &OnShelfLifeSet)
        .OnChange("FKFPeriod", &OnShelfLifeSet)
        .OnChange("FPeriodDate", &OnShelfLifeSet)
        .OnChange("FClientItemID", &OnClientItemCode, kSkipOnHostFill);
    // Quantities and prices. The quantities of a row the host filled from a source stand as
    // the source gave them (recomputing one from another would drift by rounding).
    b.OnChange("FQty", &OnQtyChanged, kSkipOnHostFill)
        .OnChange("FShowQty", &OnSaleShowQtyChanged, kSkipOnHostFill)
        .OnChange("FSecQty", &OnSaleSecQtyChanged, kSkipOnHostFill)
        .OnChange("FSecPrice", &OnSecPriceChanged)
        .OnChange("FSecCoefficient", &OnSecCoefficientSet)
        .OnChange("FPrice", &OnPriceChanged)
        .OnChange("FBasePrice", &OnBasePriceChanged)
        .OnChange("FBaseTaxPrice", &OnBaseTaxPriceChanged);
    // Discounted prices: the list price or the rate follows, then tax and total.
    b.OnChange("FTaxPrice", &OnTaxPriceChanged)
        .OnChange("FPriceDiscount", &OnPriceDiscountChanged)
        .OnChange("FSecPriceDiscount", &OnSecPriceDiscountChanged)
        .OnChange("FBasePriceDiscount", &OnBasePriceDiscountChanged);
    // Amounts: a tail is the user's adjustment, never the host's fill.
    b.OnChange("FAmount", &OnAmountSet, kSkipOnHostFill)
        .OnChange("FTaxAmount", &OnTaxAmountSet, kSkipOnHostFill)
        .OnChange("FInTaxAmount", &OnInTaxAmountSet);
    // Calculation type, display fields and the row's freight charge. The type and the display
    // fields of a row the host filled from a source stand as the source gave them: applied again
    // they would recompute the quantities from rounded display values.
    b.OnChange("FCalTypeID", &OnSaleCalTypeChanged, kSkipOnHostFill)
        .OnChange("FDisplayPrice", &OnSaleDisplayFieldChanged, kSkipOnHostFill)
        .OnChange("FDisplayWeight", &OnSaleDisplayFieldChanged, kSkipOnHostFill)
        .OnChange("FDisplayQty", &OnSaleDisplayFieldChanged, kSkipOnHostFill)
        .OnChange("FTranspotationCharges", &OnFreightChargeChanged);
}

bool SuppressesConsignFormula(IBillForm& bill, const CollectionPtr& fieldDesc,
                              const CollectionPtr& itemProps, const std::string& kind,
                              const std::string& type, const std::string& expression) {
    if (SuppressesHostFormula(bill, fieldDesc, kind, expression)) return true;
    const std::string field = fieldDesc ? fieldDesc->Get("FFieldName").ToString() : "";
    if (!IEquals(field, "FItemID") || !IEquals(type, "LockField") ||
        !(IEquals(kind, "FAction") || IEquals(kind, "FLoadAction")) ||
        !IsBatchLockFormula(expression))
        return false;
    // A batch-managed item not costed by batch keeps its batch cell open.
    const bool batchManaged = itemProps && itemProps->Get("FIsBatchNoManage").ToBool();
    const bool costedByBatch = itemProps && itemProps->Get("FTrack").ToNumber() == 80;
    return batchManaged && !costedByBatch;
}

void LockSecondUnitByRow(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                         const std::string& type) {
    const int row = RowOf(fieldDesc);
    if (!IEquals(kind, "FAction") || !IEquals(type, "LockField") || row < 1) return;
    const GoodsRow r(bill, row);
    const bool noSecondUnit = SafeId(r.Get("FSecUnitID")) == 0;
    for (const char* key : {"FSecQty", "FSecPrice", "FSecCoefficient"}) {
        if (noSecondUnit) r.Put(key, 0);
        r.Lock(key, noSecondUnit);
    }
}

void FollowConsignFormula(IBillForm& bill, const CollectionPtr& fieldDesc, const std::string& kind,
                          const std::string& type, const std::string& expression) {
    const int row = RowOf(fieldDesc);
    if (!IEquals(kind, "FAction") || !IEquals(type, "Calculate") || row < 1) return;
    const GoodsRow r(bill, row);
    if (Assigns(expression, "FAmount") || Assigns(expression, "FInTaxAmount") ||
        Assigns(expression, "FTaxAmount")) {
        r.Put("FTaxAmount", r.Num("FInTaxAmount") - r.Num("FAmount"));
        if (!r.Locked("FTaxAmount")) {
            if (auto cell = r.Cell("FTaxAmount")) cell->Set("FModify", 1);
        }
    }
    const std::string key = fieldDesc->Get("FKey").ToString();
    if (IsIndustryMode() && IEquals(key, "FShowQty") && r.Num("FSecQty") != 0)
        r.Put("FSecCoefficient", r.Num("FShowQty") / r.Num("FSecQty"));
    // The complex quantity text follows the base quantity.
    if (Assigns(expression, "FQty") || (IEquals(key, "FQty") && Assigns(expression, "FShowQty")))
        RefreshRowComplexQty(bill, row);
}

}  // namespace qor
