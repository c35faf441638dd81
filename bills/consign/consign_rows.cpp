// The consignment bill's row routines: the price of a row typed by hand, the cost of the goods
// leaving the stock, the default unit of a new item and the customer's delivery address.
#include "bills/common/order_rows.h"
#include "bills/common/sales_rows.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/price_lookup.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

bool IsConsignReturn(IBillForm& bill) {
    return SafeId(bill.GetFieldValue("FBillTypeID")) == bt::kConsignReturn;
}

void RefreshRowPrice(IBillForm& bill, int row) {
    if (row < 1) return;
    // A row drawn from a sales order or a delivery keeps the price it was drawn with.
    if (SafeId(bill.GetFieldValue("FClassID_SRC", row)) != 0) return;
    const GoodsRow r(bill, row);
    const int includeTax = IsSaleForIncludeTaxPrice();
    const RowPriceTarget target = SalePriceTarget(r, includeTax);
    double discount = 0;
    const double price =
        GetPromotionPrice(r.Get("FItemID"), r.Get(target.unitKey), bill.GetFieldValue("FCustID"),
                          r.Get("FSCStockID"), r.Get("FBatchNo"), discount, includeTax);
    if (price > 0) PutFetchedPrice(r, target.field, price, discount);
}

namespace {

using CostReader = double (*)(const Value& item, const Value& stock, const std::string& batch);

// This bill costs the goods it sends out unless the option says costs are not computed then.
bool CostsGoodsSentOut() {
    return Val(GetSystemProfileValue("StockOutCalCost", "IC", "1")) != 0;
}

void RefreshRowCostWith(IBillForm& bill, int row, CostReader cost, const char* where) {
    Trapped(where, [&] {
        if (row < 1) return;
        const GoodsRow r(bill, row);
        const Value stock = r.Get("FSCStockID");
        if (IsVirtualStock(stock)) return;
        const double unitCost =
            CostsGoodsSentOut() ? cost(r.Get("FItemID"), stock, r.Get("FBatchNo").ToString()) : 0;
        r.Put("FCostPrice", unitCost * r.Num("FCoefficient"));
        ApplyCostAmount(r);
    });
}

}  // namespace

void RefreshRowCost(IBillForm& bill, int row) {
    RefreshRowCostWith(bill, row, &GetItemCost, "RefreshRowCost");
}

void RefreshRowCost80(IBillForm& bill, int row) {
    RefreshRowCostWith(bill, row, &GetItemCost80, "RefreshRowCost80");
}

void FillDeliverAddress(IBillForm& bill, const Value& customer) {
    Trapped("FillDeliverAddress", [&] {
        const int32_t id = SafeId(customer);
        if (id < 1) return;
        auto info = CreateHostObject<IComponent>("QOREBSGLItem.ItemInfo");
        auto detail = info->Call("GetDetail", {GetPropsString(), id}).As<Collection>();
        if (!detail) return;
        const std::string address = Trim(detail->Get("FDeliverAddr").ToString());
        if (!address.empty()) bill.SetFieldValue("FAddress", address);
    });
}

void ApplyItemDefaultUnit(IBillForm& bill, int row) {
    SetRowDefaultUnit(bill, row, "FCustID");
    const GoodsRow r(bill, row);
    const double k = r.Num("FSecCoefficient");
    if (k != 0) r.Put("FSecQty", r.Num("FShowQty") / k);
}

}  // namespace qor
