// What must hold before a sales order is saved, checked or unchecked: discount rates within
// range, a delivery date not before the order date, the customer's floor prices and credit,
// calculation types in the industry edition, and no check or uncheck of a rejected order. A save
// of an unchecked order also sets the quantities still to deliver.
#include <string>

#include "bills/common/order_rows.h"
#include "bills/order/billevent_order.h"
#include "bills/order/order_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/related_bills.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace order {

namespace {

Verdict RateRefusal(int row) {
    return Verdict::Refuse("第" + std::to_string(row) + "行折扣率必须大于0小于等于100。")
        .At("FDiscountRate", row);
}

bool RateInRange(IBillForm& bill, int row) {
    const double rate = bill.GetFieldValue("FDiscountRate", row).ToNumber();
    return rate > 0 && rate <= 100;
}

bool HasItem(IBillForm& bill, int row) {
    return SafeId(bill.GetFieldValue("FItemID", row)) > 0;
}

// Rows without an item are dropped by the host when it saves and are not checked.
Verdict EveryRateInRange(CheckRun& run) {
    IBillForm& bill = *run.bill;
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (HasItem(bill, row) && !RateInRange(bill, row)) return RateRefusal(row);
    }
    return Verdict::Pass();
}

Verdict DeliveredNotBeforeOrdered(IBillForm& bill) {
    const std::string fetch = Trim(bill.GetFieldValue("FFetchDate").ToString());
    if (fetch.empty()) return Verdict::Pass();
    const auto delivery = ParseDate(fetch);
    const auto ordered = ParseDate(bill.GetFieldValue("FDate").ToString());
    // Dates compare by day, whatever their time of day.
    if (delivery && ordered && FormatDate(*delivery) < FormatDate(*ordered))
        return Verdict::Refuse("交货日期不能小于单据日期").At("FDate");
    return Verdict::Pass();
}

// The account's option "XSPriceLimitType": "1" compares the floor prices with the discounted
// price, anything else with the list price.
std::string PriceLimitType() {
    if (auto profile = std::dynamic_pointer_cast<IComponent>(GetGLSystemProfile())) {
        try {
            return Trim(
                profile->Call("GetSystemProfile", {GetPropsString(), "IC", "XSPriceLimitType", "0"})
                    .ToString());
        } catch (...) {
        }
    }
    return "0";
}

// The customer's floor prices (each row's price against its item and unit) and his credit.
Verdict CustomerControlsPass(IBillForm& bill) {
    if (GetControlPoint() != 0 || SafeId(bill.GetFieldValue("FCustID")) <= 0)
        return Verdict::Pass();
    const std::string limitType = PriceLimitType();
    const std::string priceField = limitType == "1" ? "FPriceDiscount" : "FPrice";
    const std::string props = GetPropsString();
    auto description = OrderDescription(bill, "t_CC_StockBill");
    auto stock = CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (!HasItem(bill, row)) continue;
        auto line = Collection::Make({{"Price", bill.GetFieldValue(priceField, row)},
                                      {"ItemID", bill.GetFieldValue("FItemID", row)},
                                      {"UnitID", bill.GetFieldValue("FShowUnitID", row)},
                                      {"Coefficient", bill.GetFieldValue("FCoefficient", row)},
                                      {"Index", row}});
        Args args{Value(line), Value(props), Value(limitType), Value("")};
        if (!stock->Call("CheckLimitPrice", args).ToBool()) continue;
        const std::string message = Trim(args.back().ToString());
        return (message.empty() ? Verdict::Silent() : Verdict::Refuse(message)).At(priceField, row);
    }
    if (IsInitClosed()) {
        auto credit = CreateHostObject<IComponent>("QORM_CC_PlugIns.PublicSysInfo");
        // Over the limit the user decides whether the order goes on.
        if (credit->Call("CheckCredit", {description, props}).ToBool() &&
            !stock->Call("CreditSelectOK", {description, props}).ToBool())
            return Verdict::Silent();
    }
    return Verdict::Pass();
}

// The save checks of an unchecked order; the rows then keep what is still to deliver.
Verdict ValidateOrderForSave(IBillForm& bill) {
    if (Verdict v = DeliveredNotBeforeOrdered(bill); v.Refused()) return v;
    bill.SetFieldValue("FAllAmount", bill.ColumnTotal(bill.GetFieldInfoByKey("FInTaxAmount")));
    if (Verdict v = CustomerControlsPass(bill); v.Refused()) return v;
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        if (!HasItem(bill, row)) continue;
        if (auto tax = bill.GetDataFldbyKey("FTaxAmount", row)) tax->Set("FModify", 1);
        if (!RateInRange(bill, row)) return RateRefusal(row);
        bill.SetFieldValue("FUnSendQty", bill.GetFieldValue("FShowQty", row), row);
        bill.SetFieldValue("FUnSendAuxQty", bill.GetFieldValue("FSecQty", row), row);
    }
    return Verdict::Pass();
}

bool Unchecked(IBillForm& bill) {
    return bill.GetFieldValue("FStatus").ToNumber() == 0;
}

}  // namespace

CollectionPtr OrderDescription(IBillForm& bill, const std::string& headTable) {
    return Collection::Make({{"BillNo", bill.GetFieldValue("FBillNo")},
                             {"BillType", bill.GetFieldValue("FBillTypeID")},
                             {"AllAmount", bill.GetFieldValue("FAllAmount")},
                             {"ClassTypeID", ct::kSalesOrder},
                             {"BillInterID", bill.GetFieldValue("FID")},
                             {"HeadTableName", headTable},
                             {"CustOrSupplyID", bill.GetFieldValue("FCustID")}});
}

Verdict CanReopen(IBillForm& bill) {
    auto open = GetRecordset("Select FID From t_XS_OrderEntry Where FUnSendQty>0 And FID=" +
                             SqlId(bill.GetFieldValue("FID")));
    if (open && !open->IsEOF()) return Verdict::Pass();
    return Verdict::Refuse("当前单据已被完全执行,不能反关闭");
}

void AddOrderChecks(RuleBook& b) {
    b.Check(Stage::Save, "every row's discount rate above 0 and at most 100", &EveryRateInRange)
        .Check(Stage::Save, "an unchecked order passes the order checks",
               [](CheckRun& run) {
                   return Unchecked(*run.bill) ? ValidateOrderForSave(*run.bill) : Verdict::Pass();
               })
        .Check(Stage::Save, "every calculation-type row has its calculation type",
               [](CheckRun& run) {
                   return IsIndustryMode() ? CheckCalTypeFilled(*run.bill) : Verdict::Pass();
               })
        .Check(Stage::Save, "an order without a type is an ordinary order", [](CheckRun& run) {
            if (run.bill->GetFieldValue("FBillTypeID").ToNumber() == 0)
                run.bill->SetFieldValue("FBillTypeID", bt::kOrder);
            return Verdict::Pass();
        });
    auto audit = [](bool checking, bool fromList) {
        return [checking, fromList](CheckRun& run) {
            return run.Owner<BillEvent_Order>().CheckOrderAudit(checking, fromList);
        };
    };
    b.Check(Stage::Check, "the order is not rejected and the stock component checks it",
            audit(true, false))
        .Check(Stage::Uncheck, "the order is not rejected and the stock component unchecks it",
               audit(false, false))
        .Check(Stage::ListCheck, "no rejected order and the stock component checks the selection",
               audit(true, true))
        .Check(Stage::ListUncheck,
               "no rejected order and the stock component unchecks the selection",
               audit(false, true));
}

}  // namespace order

// ---- Check and uncheck -------------------------------------------------------------------------

namespace {

bool IsRejected(const Value& orderID) {
    auto rs = GetRecordset("Select FRejected From t_XS_Order Where FClassTypeID=1030001 And FID=" +
                           SqlId(orderID));
    return rs && !rs->IsEOF() && rs->Field("FRejected").ToNumber() == 1;
}

}  // namespace

Verdict BillEvent_Order::CheckOrderAudit(bool checking, bool fromList) {
    auto descriptions = Collection::Make();
    if (fromList) {
        if (!m_ListInterface() || !FillSelectedBillInfo(*m_ListInterface(), *descriptions))
            return Verdict::Pass();
    } else {
        descriptions->Add("1", Value(order::OrderDescription(*m_BillInterface(), "t_XS_Order")));
    }
    // Every order concerned is looked at, so a rejected one cannot slip through in a selection.
    for (const auto& [key, item] : *descriptions) {
        auto description = item.As<Collection>();
        if (description && IsRejected(description->Get("BillInterID")))
            return Verdict::Refuse(std::string("你选择的单据为驳回状态，不允许") +
                                   (checking ? "" : "反") + "审核，请重新选择。");
    }
    auto stock = CreateHostObject<IComponent>("QOR_CC_PlugIns.clsStockInfo");
    Args args{Value(GetPropsString()), Value(checking), Value(descriptions), Value("")};
    const int code = static_cast<int>(stock->Call("CheckBill", args).ToNumber());
    const std::string message = Trim(args.back().ToString());
    if (code == 1 || code == 4) {
        if (!fromList) m_BillInterface()->SetBillStatus(0);
        return Verdict::Pass();
    }
    const bool tell = code == -1 || (code == 2 && !fromList);
    return tell && !message.empty() ? Verdict::Refuse(message) : Verdict::Silent();
}

}  // namespace qor
