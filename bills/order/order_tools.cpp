// The sales order's tools: reject, close and re-open, the execution report and the purchase-order
// record, the price option, the tools' state by the order's status, the guards of the host's
// delete and save, and the list's guards against deleting rejected orders and copying web
// orders.
#include <array>
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/order_rows.h"
#include "bills/order/billevent_order.h"
#include "bills/order/frm_reject_note.h"
#include "bills/order/order_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/clock.h"
#include "services/common.h"
#include "services/system_options.h"

namespace qor {

// ---- The tools' state --------------------------------------------------------------------------

namespace {

// The state columns of the tools' table.
enum OrderState { kClosed, kNew, kEditing, kViewUnchecked, kViewChecked, kViewExecuted, kStates };

// What a state does to a tool: S shown, H hidden, E enabled, D disabled; a tool without a letter
// of either pair keeps that property as it is.
struct ToolStates {
    const char* key;
    std::array<const char*, kStates> states;
};

// closed, new, editing, viewed unchecked, viewed checked, viewed in any other status.
constexpr ToolStates kOrderToolStates[] = {
    {"mnuEditCheck", {"H", "SE", "SE", "SE", "H", "H"}},
    {"mnuEditUnCheck", {"SD", "H", "H", "H", "SE", "S"}},
    {"mnuEditClose", {"H", "H", "H", "H", "SE", "SE"}},
    {"mnuEditUnClose", {"SE", "H", "H", "H", "H", "H"}},
    {"mnuExecuteProcess", {"E", "D", "D", "D", "E", "SE"}},
    {"mnuQueryGHOrder", {"E", "D", "E", "E", "E", "SE"}},
    {"mnuRelatePushBill_1030003", {"D", "D", "D", "D", "E", "D"}},
    {"mnuRelatePushBill_1030002", {"D", "D", "D", "D", "E", "D"}},
    {"mnuRelatePushBill_1020001", {"D", "D", "D", "D", "E", "D"}},
    // A checked order takes an advance receipt only while it asks for a deposit (below).
    {"mnuRelatePushBill_1050001", {"D", "D", "D", "D", "E", "D"}},
    {"mnuReject", {"H", "H", "S", "H", "H", "H"}},
};

OrderState StateOf(IBillForm& bill, bool asViewed) {
    const double status = bill.GetFieldValue("FStatus").ToNumber();
    if (status == 2) return kClosed;
    const int formState = asViewed ? 0 : bill.BillStatus();
    if (formState == 1) return kNew;
    if (formState == 2) return kEditing;
    if (status == 0) return kViewUnchecked;
    return status == 1 ? kViewChecked : kViewExecuted;
}

void ApplyToolState(IBillForm& bill, const char* key, const char* marks) {
    for (const char* c = marks; *c; ++c) {
        const bool shown = *c == 'S' || *c == 'E';
        bill.SetBarStatus(key, (*c == 'S' || *c == 'H') ? "Visible" : "Enabled", shown);
    }
}

// The tools' state for the order as the form shows it (asViewed: as it will show it once the
// host is back in the view state, after a save).
void RefreshOrderTools(IBillForm& bill, bool asViewed) {
    bill.SetBarStatus("mnuRelateViewVoucher", "Visible", false);
    bill.SetBarStatus("mnuEditFileSave", "Visible", true);
    bill.SetBarStatus("mnuEditFileSave", "Enabled", true);
    bill.SetBarStatus("mnuEditCopy", "Visible", true);
    bill.SetBarStatus("mnuReject", "Visible", false);
    const OrderState state = StateOf(bill, asViewed);
    for (const auto& tool : kOrderToolStates) ApplyToolState(bill, tool.key, tool.states[state]);
    // Decided for each order, so that one order's deposit does not carry over to the next.
    if (state == kViewChecked && bill.GetFieldValue("FXSDeposit").ToNumber() == 0)
        bill.SetBarStatus("mnuRelatePushBill_1050001", "Enabled", false);
}

}  // namespace

void BillEvent_Order::RefreshOrderMenus(bool asViewed) {
    RefreshOrderTools(*m_BillInterface(), asViewed);
}

// ---- Reject, close, re-open --------------------------------------------------------------------

Verdict BillEvent_Order::RejectOrder() {
    IBillForm& bill = *m_BillInterface();
    frmRejectNote dialog;
    dialog.RejectNote = bill.GetFieldValue("FRejectedNote").ToString();
    dialog.Show();
    if (!dialog.Confirmed || Trim(dialog.RejectNote).empty()) return Verdict::Pass();
    const Value before[] = {bill.GetFieldValue("FRejectedNote"),
                            bill.GetFieldValue("FRejectedTime"), bill.GetFieldValue("FRejected")};
    bill.SetFieldValue("FRejectedNote", dialog.RejectNote);
    bill.SetFieldValue("FRejectedTime", FormatDateTime(CurrentDateTime()));
    bill.SetFieldValue("FRejected", "1");
    auto form = bill.BillForm();
    if (!form || !form->SaveBill()) {
        // An order the save refused is not rejected: the marks go back with the refusal shown.
        bill.SetFieldValue("FRejectedNote", before[0]);
        bill.SetFieldValue("FRejectedTime", before[1]);
        bill.SetFieldValue("FRejected", before[2]);
        return Verdict::Pass();
    }
    // The saved order is shown as the host shows it now: viewed, and rejected.
    order::ApplyOrderTypeLayout(bill);
    order::ApplyRejectedLayout(bill);
    return Verdict::Pass();
}

Verdict BillEvent_Order::CloseOrder(bool reopen) {
    IBillForm& bill = *m_BillInterface();
    const int32_t billID = SafeId(bill.GetFieldValue("FID"));
    if (billID == 0) return Verdict::Refuse("请先保存单据");
    if (reopen) {
        if (Verdict v = order::CanReopen(bill); v.Refused()) return v;
    }
    auto update = CreateHostObject<IComponent>("QORM_XS_PlugIns.OrderUpdate");
    const Value done = reopen ? update->Call("CloseBill", {billID, GetPropsString()})
                              : update->Call("CloseBill", {false, billID, GetPropsString()});
    bill.SetBillStatus(0);
    // The form shows the order as it now stands; an order the component left as it was shows
    // no change either.
    if (done.ToBool()) bill.SetFieldValue("FStatus", reopen ? 1 : 2);
    RefreshOrderMenus();
    return Verdict::Pass();
}

namespace {

// ---- The execution report ----------------------------------------------------------------------

// A header field as the form shows it (a base-data field by its name).
Value ShownText(IBillForm& bill, const char* key) {
    const Value shown = GetLookupData(bill, key, -1, "FDSP");
    return Trim(shown.ToString()).empty() ? Value(bill.GetFieldValue(key).ToString()) : shown;
}

double Total(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

void AddTitle(Collection& dict, const std::string& name, const Value& value,
              const std::string& format = "") {
    dict.Set(name, Value(Collection::Make({{"Name", name}, {"Value", value}, {"Format", format}})));
}

void AddColumn(Collection& dict, const std::string& caption, const std::string& field,
               bool visible = true) {
    dict.Set(
        field,
        Value(Collection::Make({{"Caption", caption}, {"Field", field}, {"Visible", visible}})));
}

// " (case when t.FBillTypeID=3011 or t.FBillTypeID=3002 then (-1)*e.FShowQty  else e.FShowQty
// end) as FShowQty , ": returns and consignment returns count against the order.
std::string SignedColumn(const std::string& column) {
    return " (case when t.FBillTypeID=3011 or t.FBillTypeID=3002 then (-1)*e." + column +
           "  else e." + column + " end) as " + column + " , ";
}

std::string UnitNameColumn(const std::string& rows, const std::string& unitKey) {
    return "(Select Max(u.FName) From vw_unit u Where u.FItemID=" + rows + "." + unitKey +
           " And u.FSrcItemID=" + rows + ".FItemID) As FUnitName,";
}

std::string StockBillSelect(bool industry) {
    return "Select t.FID,t.FClassTypeID,d.FName As FBillTypeName,t.FDate,t.FBillNo,"
           "i.FNumber As FItemNumber,i.FName As FItemName,i.FModel As FItemSpeci," +
           UnitNameColumn("e", industry ? "FUnitID" : "FShowUnitID") + SignedColumn("FShowQty") +
           SignedColumn("FQty") +
           (industry ? " e.FTaxPrice/(case when e.FCoefficient=0 then 1 else e.FCoefficient end)"
                     : " e.FTaxPrice") +
           " As FTaxPrice," + SignedColumn("FInTaxAmount") + SignedColumn("FSecQty") +
           " m.FName As FSecUnitName";
}

std::string ItemJoins(const std::string& rows) {
    return " Left Join t_ICItem i ON i.FItemID=" + rows + ".FItemID " +
           " Left Join t_MeasureUnit m ON m.FItemID=" + rows + ".FSecUnitID ";
}

}  // namespace

namespace order {

std::string ExecutionReportSql(int32_t orderID, int kind) {
    const bool industry = IsIndustryMode();
    const std::string id = std::to_string(orderID);
    if (kind == ct::kPurchaseOrder) {
        return "Select tt.FID,tt.FClassTypeID,'采购订单' As FBillTypeName,tt.FDate,tt.FBillNo,"
               "i.FNumber As FItemNumber,i.FName As FItemName,i.FModel As FItemSpeci," +
               UnitNameColumn("ee", industry ? "FUnitID" : "FShowUnitID") +
               "ee.FShowQty,ee.FQty,ee.FTaxPrice,ee.FInTaxAmount,ee.FSecQty,"
               "m.FName As FSecUnitName From t_XS_Order t "
               " Inner Join t_XS_OrderEntry e ON e.FID=t.FID "
               " Inner Join  t_cg_OrderEntry ee ON ee.FClassID_SRC=t.FClassTypeID And "
               "ee.FID_SRC=e.FID And ee.FEntryID_SRC=e.FEntryID "
               " Inner Join t_cg_Order tt ON tt.FID=ee.FID " +
               ItemJoins("ee") +
               " Where tt.FCLassTypeID=1020001 And t.FCLassTypeID=1030001 And e.FID=" + id +
               " Order By tt.FDate,tt.FBillNo";
    }
    const std::string stockBills =
        " From t_CC_StockBill t "
        " Inner Join t_CC_StockBillEntry e ON e.FID=t.FID ";
    const std::string billType = " Left Join t_BaseBillTypeData d ON d.FID=t.FBillTypeID ";
    // Bills drawn from the order, then bills drawn from those (returns, settlements); a row of
    // the second kind is joined to the one source row it was drawn from.
    return StockBillSelect(industry) + stockBills + billType + ItemJoins("e") +
           " Where e.FClassID_SRC=1030001  And e.FID_SRC=" + id + " Union All " +
           StockBillSelect(industry) + stockBills +
           " Left Join t_CC_StockBillEntry c ON c.FID=e.FID_SRC And c.FEntryID=e.FEntryID_SRC " +
           billType + ItemJoins("e") +
           " Where d.FID In (3010,3011,3001,3002,3003) And e.FClassID_SRC<>1030001 And "
           "c.FClassID_SRC=1030001 And c.FID_SRC=" +
           id + " Order By 4,5";
}

CollectionPtr BuildExecutionTitleDict(IBillForm& bill, int kind) {
    const bool industry = IsIndustryMode();
    auto dict = Collection::Make();
    AddTitle(*dict, "客户", ShownText(bill, "FCustID"));
    AddTitle(*dict, "日期", bill.GetFieldValue("FDate"), "yyyy-mm-dd");
    AddTitle(*dict, "单据编号", bill.GetFieldValue("FBillNo"));
    if (kind == ct::kPurchaseOrder) {
        AddTitle(*dict, industry ? "理论重量" : "数量合计",
                 Total(bill, industry ? "FQty" : "FShowQty"), "0.00");
    } else {
        AddTitle(*dict, "金额合计", bill.GetFieldValue("FAllAmount"), "0.00");
    }
    AddTitle(*dict, "含税金额合计", bill.GetFieldValue("FAllAmount"), "0.00");
    AddTitle(*dict, industry ? "发货理论重量" : "发货数量合计",
             Total(bill, industry ? "FBaseSendQty" : "FSendQty"), "0.00");
    AddTitle(*dict, "部门", ShownText(bill, "FDeptID"));
    AddTitle(*dict, "业务员", ShownText(bill, "FEmpID"));
    return dict;
}

CollectionPtr BuildExecutionEntryDict(int) {
    const bool industry = IsIndustryMode();
    auto dict = Collection::Make();
    AddColumn(*dict, "单据内码", "FID", false);
    AddColumn(*dict, "单据类型", "FClassTypeID", false);
    AddColumn(*dict, "单据类型", "FBillTypeName");
    AddColumn(*dict, "日期", "FDate");
    AddColumn(*dict, "单据编号", "FBillNo");
    AddColumn(*dict, "商品代码", "FItemNumber");
    AddColumn(*dict, "商品名称", "FItemName");
    AddColumn(*dict, "规格型号", "FItemSpeci");
    AddColumn(*dict, "单位", "FUnitName");
    if (industry) {
        AddColumn(*dict, "理论重量", "FQty");
        AddColumn(*dict, "理论单价", "FTaxPrice");
    } else {
        AddColumn(*dict, "数量", "FShowQty");
        AddColumn(*dict, "含税单价", "FTaxPrice");
    }
    AddColumn(*dict, "含税金额", "FInTaxAmount");
    AddColumn(*dict, "辅助单位", "FSecUnitName");
    AddColumn(*dict, industry ? "实际/辅助数量" : "辅助数量", "FSecQty");
    return dict;
}

namespace {

// The related-record viewer with the order's execution (kind 0) or its purchase orders.
Verdict ShowExecution(ToolRun& run, int kind) {
    IBillForm& bill = *run.bill;
    const int32_t billID = SafeId(bill.GetFieldValue("FID"));
    if (billID == 0) {
        ShowMessage("请先保存单据");
        return Verdict::Pass();
    }
    const bool purchases = kind == ct::kPurchaseOrder;
    auto viewer = CreateHostObject<IComponent>("QORClassLookUp.RelateBilllookUp");
    viewer->Call("Caption", {purchases ? "查询采购订单记录" : "销售订单执行情况"});
    viewer->Call("TitleName", {purchases ? "查询采购订单记录" : "销售订单信息"});
    viewer->Call("TitleDict", {BuildExecutionTitleDict(bill, kind)});
    viewer->Call("EntryDict", {BuildExecutionEntryDict(kind)});
    viewer->Call("ClassTypeID", {ct::kSalesOrder});
    viewer->Call("SQL", {ExecutionReportSql(billID, kind)});
    viewer->Call("Show", {});
    return Verdict::Pass();
}

// ---- Guards -------------------------------------------------------------------------------------

bool IsRejected(IBillForm& bill) {
    return bill.GetFieldValue("FRejected").ToNumber() == 1;
}

// The first selected order of which the statement (ending where the order's identifier
// follows) reads the value; nothing when none does.
bool SelectionHas(IBillList& list, const std::string& sqlBeforeID, double value) {
    auto selection = list.Selection();
    if (!selection) return false;
    for (const auto& [key, item] : *selection) {
        auto row = item.As<Collection>();
        if (!row) continue;
        const Value found = FirstField(GetRecordset(sqlBeforeID + SqlId(row->Get("FID"))));
        if (!found.IsBlank() && found.ToNumber() == value) return true;
    }
    return false;
}

Verdict NoRejectedOrderDeleted(ToolRun& run) {
    if (SelectionHas(*run.list,
                     "Select FRejected From t_XS_Order Where FClassTypeID=1030001 And FID=", 1))
        return Verdict::Refuse("你选择的单据包含驳回状态的订单，不允许删除，请重新选择。");
    return Verdict::Pass();
}

Verdict NoWebOrderCopied(ToolRun& run) {
    if (SelectionHas(*run.list,
                     "Select FBillTypeID From t_XS_Order Where FClassTypeID=1030001 And FID=",
                     bt::kWebOrder))
        return Verdict::Refuse("你选择的单据包含网上订单，不允许复制，请重新选择。");
    return Verdict::Pass();
}

BillEvent_Order& Order(ToolRun& run) {
    return run.Owner<BillEvent_Order>();
}

Verdict TogglePriceOption(ToolRun& run) {
    const bool keep = !run.tool->Checked();
    run.tool->SetChecked(keep);
    Order(run).SetKeepsPricesOnCustomerChange(keep);
    return Verdict::Pass();
}

bool IsWebOrderList(IBillList& list) {
    auto info = list.TableInfo();
    auto map = info ? info->Sub("Map") : nullptr;
    auto type = map ? map->Sub("FBillTypeID") : nullptr;
    return type && type->Get("FDefaultValue").ToNumber() == bt::kWebOrder;
}

}  // namespace

void AddOrderTools(RuleBook& b) {
    b.Tool({.band = "mnuRelate",
            .key = "mnuExecuteProcess",
            .caption = "订单执行情况",
            .beforeKey = "mnuRelateViewVoucher",
            .onClick = [](ToolRun& run) { return ShowExecution(run, 0); }})
        .Tool({.band = "mnuRelate",
               .key = "mnuQueryGHOrder",
               .caption = "查询采购订单记录",
               .onClick = [](ToolRun& run) { return ShowExecution(run, ct::kPurchaseOrder); }})
        .Tool({.band = "mnuEdit",
               .key = "mnuReject",
               .caption = "驳回",
               .beforeKey = "mnuEditCheck",
               .onClick = [](ToolRun& run) { return Order(run).RejectOrder(); }})
        .Tool({.band = "mnuOption",
               .key = "mnuDoNotResetPrice",
               .caption = "修改客户不重新取价",
               .onClick = &TogglePriceOption})
        .OnClick("mnuEditFileDelete",
                 [](ToolRun& run) {
                     return IsRejected(*run.bill) ? Verdict::Refuse("不能删除驳回状态的单据！")
                                                  : Verdict::Pass();
                 })
        .OnClick("mnuEditClose", [](ToolRun& run) { return Order(run).CloseOrder(false); })
        .OnClick("mnuEditUnClose", [](ToolRun& run) { return Order(run).CloseOrder(true); })
        .OnClick("mnuEditFileSave", [](ToolRun& run) {
            RemoveEmptyEntryRows(*run.bill);
            return Verdict::Pass();
        });
    b.OnListClick("mnuEditDelete", &NoRejectedOrderDeleted)
        .OnListClick("mnuEditCopy", &NoWebOrderCopied)
        .OnListClick("mnuEditCopyEntry", &NoWebOrderCopied);
}

void DescribeOrderTools(IBillForm&, const MenuBarPtr& menuBar, bool keepPrices) {
    if (!menuBar) return;
    static constexpr std::pair<const char*, const char*> kPushTools[] = {
        {"mnuRelatePushBill_1030002", "生成销售发货单"},
        {"mnuRelatePushBill_1020001", "生成采购订单"},
        {"mnuRelatePushBill_1050001", "生成预收款单"}};
    for (const auto& [key, description] : kPushTools)
        if (auto tool = menuBar->Tool(key)) tool->SetDescription(description);
    if (auto tool = menuBar->Tool("mnuDoNotResetPrice")) tool->SetChecked(keepPrices);
}

void ShowOrderListTools(IBillList& list, const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    auto show = [&](const char* key, bool visible) {
        if (auto tool = menuBar->Tool(key)) tool->SetVisible(visible);
    };
    show("mnuEditCheck", true);
    show("mnuEditUnCheck", true);
    if (IsWebOrderList(list)) {
        show("mnuFileNew", false);
        show("mnuEditCopy", false);
    } else {
        show("mnuEditCopy", true);
    }
}

}  // namespace order
}  // namespace qor
