// The consignment bill's tools: the related-bill queries, the price option, the source-selection
// buttons, what a click on the host's own tools must first pass (the period, the sharing of the
// freight, printing a saved bill), the state of every tool by the form's state and the bill's
// status and type, and the list's guards.
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/sales_rows.h"
#include "bills/consign/billevent_consign.h"
#include "bills/consign/consign_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

namespace {

// ---- Tool states --------------------------------------------------------------------------------

// What a state table cell does to a tool.
enum class Set : char {
    Keep,            // the tool keeps its state
    Shown,           // shown and enabled
    Hidden,          // hidden
    HiddenDisabled,  // hidden and disabled
    ShownDisabled,   // shown, disabled
    Disabled,        // disabled, shown or not
};

// The columns of the state table: the form's state (new, edit, view) and the bill's type.
enum Column { kNewReturn, kNewDelivery, kEditReturn, kEditDelivery, kViewReturn, kViewDelivery };

struct ToolStates {
    const char* tool;
    Set cells[6];
};

using S = Set;
constexpr ToolStates kStateTable[] = {
    {"mnuEditCheck", {S::Shown, S::Shown, S::Shown, S::Shown, S::Keep, S::Keep}},
    {"mnuEditUnCheck", {S::Hidden, S::Hidden, S::Hidden, S::Hidden, S::Keep, S::Keep}},
    {"mnuRelate_1030001",
     {S::Hidden, S::Shown, S::Hidden, S::HiddenDisabled, S::Hidden, S::ShownDisabled}},
    {"mnuRelate_1030003", {S::Shown, S::Hidden, S::Shown, S::Hidden, S::ShownDisabled, S::Hidden}},
    {"mnuQueryConsignAccount",
     {S::Hidden, S::ShownDisabled, S::Hidden, S::HiddenDisabled, S::Hidden, S::Shown}},
    {"mnuQueryConsignReject",
     {S::Hidden, S::ShownDisabled, S::Hidden, S::HiddenDisabled, S::Hidden, S::Shown}},
    {"mnuQuerySaleOrder",
     {S::Hidden, S::ShownDisabled, S::Hidden, S::HiddenDisabled, S::Hidden, S::Shown}},
    {"mnuQueryConsignSale", {S::Shown, S::Hidden, S::Shown, S::Hidden, S::Shown, S::Hidden}},
    {"mnuRelatePushBill_1030003",
     {S::Hidden, S::ShownDisabled, S::Hidden, S::HiddenDisabled, S::Hidden, S::Shown}},
    {"mnuRelatePushBill_1030002",
     {S::Disabled, S::ShownDisabled, S::Hidden, S::HiddenDisabled, S::Hidden, S::Shown}},
};

void Apply(IBillForm& bill, const char* tool, Set set) {
    switch (set) {
        case Set::Keep:
            return;
        case Set::Shown:
            bill.SetBarStatus(tool, "Visible", true);
            bill.SetBarStatus(tool, "Enabled", true);
            return;
        case Set::Hidden:
            bill.SetBarStatus(tool, "Visible", false);
            return;
        case Set::HiddenDisabled:
            bill.SetBarStatus(tool, "Visible", false);
            bill.SetBarStatus(tool, "Enabled", false);
            return;
        case Set::ShownDisabled:
            bill.SetBarStatus(tool, "Visible", true);
            bill.SetBarStatus(tool, "Enabled", false);
            return;
        case Set::Disabled:
            bill.SetBarStatus(tool, "Enabled", false);
            return;
    }
}

// The goods keys a return takes from its delivery, and the delivery's quantity columns.
constexpr const char* kReturnLockedKeys =
    "FItemID,FClientItemID,FSCStockID,FBatchNo,FAuxPropID,FKFDate,FShowUnitID";
constexpr const char* kReturnHiddenColumns =
    "FOrderQty,FRejectQty,FSettleQty,FRejectAuxQty,FSettleAuxQty,FUnRejectQty,FUnSettleQty,"
    "FUnSettleAuxQty,FUnRejectAuxQty";
constexpr int kReturnTextColor = 255;  // red

// ---- Query windows ------------------------------------------------------------------------------

// The kinds of bill related to a consignment bill.
enum class Related { Settlements, Returns, Deliveries, Orders };

std::string RelatedSql(Related kind, int32_t billID) {
    const std::string unitKey = IsIndustryMode() ? "FUnitID" : "FShowUnitID";
    const std::string unitJoin =
        " left join vw_unit t7 on e.FItemID=t7.FSrcItemID and e." + unitKey + "=t7.FItemID";
    const std::string itemColumns =
        "i.FNumber As FItemNumber,i.FName As FItemName,i.FModel As FItemModel,t7.FName As "
        "FUnitName";
    const std::string id = SqlId(billID);
    switch (kind) {
        case Related::Settlements:
        case Related::Returns:
            return JoinLines({
                "Select e.FEntryID,t.FID,t.FClassTypeID,d.FName As FBillTypeName,t.FDate,"
                "t.FBillNo," +
                    itemColumns + ",e.FQty,e.FShowQty,e.FInTaxAmount,e.FSecQty",
                "From t_CC_StockBill t",
                "Inner Join t_CC_StockBillEntry e On e.FID=t.FID",
                "Inner Join t_BaseBillTypeData d On d.FID=t.FBillTypeID",
                "Left Join t_ICItem i On i.FItemID=e.FItemID",
                unitJoin,
                std::string(kind == Related::Settlements ? " Where d.FID=3003"
                                                         : " Where d.FID=3011") +
                    " And e.FID_SRC=" + id,
            });
        case Related::Deliveries:
            return JoinLines({
                "Select e.FEntryID,t.FID,t.FClassTypeID,d.FName As FBillTypeName,t.FDate,"
                "t.FBillNo," +
                    itemColumns + ",e.FShowQty,e.FRejectQty",
                "From t_CC_StockBill t",
                "Inner Join t_CC_StockBillEntry e On e.FID=t.FID",
                " Inner Join t_CC_StockBillEntry c On e.FID=c.FID_SRC And "
                "e.FEntryID=c.FEntryID_SRC ",
                "Inner Join t_BaseBillTypeData d On d.FID=t.FBillTypeID",
                "Left Join t_ICItem i On i.FItemID=e.FItemID",
                unitJoin,
                " Where d.FID=3010  And c.FID=" + id,
            });
        case Related::Orders:
            return JoinLines({
                "Select e.FEntryID,t.FID,t.FClassTypeID,'销售订单' As FBillTypeName,t.FDate,"
                "t.FBillNo," +
                    itemColumns + ",e.FShowQty,e.FTaxPrice,e.FInTaxAmount",
                "From t_XS_Order t",
                "Inner Join t_XS_OrderEntry e On e.FID=t.FID",
                " Inner Join  t_CC_StockBillEntry ee ON ee.FClassID_SRC=t.FClassTypeID And "
                "ee.FID_SRC=e.FID And ee.FEntryID_SRC=e.FEntryID ",
                " Inner Join  t_CC_StockBill tt ON tt.FID=ee.FID ",
                "Left Join t_ICItem i On i.FItemID=e.FItemID",
                unitJoin,
                " Where tt.FCLassTypeID=1030003 And ee.FID=" + id,
            });
    }
    return "";
}

// The related rows, one record each.
CollectionPtr GetConsignRelatedEntries(Related kind, int32_t billID) {
    auto entries = Collection::Make();
    auto rs = OpenRecordset(RelatedSql(kind, billID));
    for (long n = 1; rs && !rs->IsEOF(); rs->MoveNext(), ++n) {
        auto record = Collection::Make();
        for (int c = 0; c < rs->FieldCount(); ++c) record->Set(rs->FieldName(c), rs->Field(c));
        entries->Set(std::to_string(n), Value(record));
    }
    return entries;
}

// The bill's header as the window shows it: what each field shows.
CollectionPtr GetConsignRelatedTitle(IBillForm& bill) {
    auto title = Collection::Make();
    for (const char* key : {"FBillNo", "FDate", "FBillTypeID", "FCustID", "FEmpID", "FDeptID"}) {
        const Value shown = GetLookupData(bill, key, -1, "FDSP");
        title->Set(key, Trim(shown.ToString()).empty() ? bill.GetFieldValue(key) : shown);
    }
    return title;
}

struct QueryTool {
    const char* key;
    const char* caption;
    const char* titleName;
    Related kind;
};

constexpr QueryTool kQueryTools[] = {
    {"mnuQueryConsignAccount", "查询委托结算记录", "委托代销单信息", Related::Settlements},
    {"mnuQueryConsignReject", "查询委托退货记录", "委托代销单信息", Related::Returns},
    {"mnuQueryConsignSale", "查询委托代销记录", "委托退货单信息", Related::Deliveries},
    {"mnuQuerySaleOrder", "查询销售订单记录", "委托代销单信息", Related::Orders},
};

Verdict ShowRelated(IBillForm& bill, const QueryTool& query) {
    if (query.kind == Related::Orders &&
        !CheckAccessRight(GetPropsString(), 12, 100, 1, kConsignProgId))
        return Verdict::Refuse("您没有查看销售订单的权限。");
    const int32_t billID = SafeId(bill.GetFieldValue("FID"));
    if (billID == 0) return Verdict::Refuse("请先保存单据");
    // The window's properties are set by calling them with the value.
    auto window = CreateHostObject<IComponent>("QORClassLookUp.RelateBilllookUp");
    window->Call("Caption", {Value(query.caption)});
    window->Call("TitleName", {Value(query.titleName)});
    window->Call("TitleDict", {Value(GetConsignRelatedTitle(bill))});
    window->Call("EntryDict", {Value(GetConsignRelatedEntries(query.kind, billID))});
    window->Call("ClassTypeID", {Value(bill.FID())});
    window->Call("Show", {});
    return Verdict::Pass();
}

// ---- Clicks
// ---------------------------------------------------------------------------------------

BillEvent_Consign& Owner(ToolRun& run) {
    return run.Owner<BillEvent_Consign>();
}

// Sources are drawn for a customer: none chosen, the selection does not open.
ToolRule NeedsCustomer(bool forReturn) {
    return [forReturn](ToolRun& run) {
        IBillForm& bill = *run.bill;
        if (SafeId(bill.GetFieldValue("FCustID")) <= 0)
            return Verdict::Refuse("请先选择客户").At("FCustID");
        // The goods of a return are those of its deliveries.
        if (forReturn) SetEntryFieldsLock(bill, "FItemID,FSCStockID,FBatchNo,FAuxPropID,FKFDate");
        return Verdict::Pass();
    };
}

Verdict PeriodOpen(ToolRun& run) {
    return CheckPeriodOpen(run.bill->GetFieldValue("FDate"));
}

// The save (and leaving the bill) goes through the save checks with the stock check.
Verdict MarkSave(ToolRun& run) {
    Owner(run).SetAction("SAVE");
    return Verdict::Pass();
}

// With the account's option a bill is saved before it is printed; a refused save prints nothing.
Verdict SavedBeforePrint(ToolRun& run) {
    const std::string option = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory='IC' And FKey='SaveBeforePrint'");
    if (Val(option) == 0) return Verdict::Pass();
    Owner(run).SetAction("SAVE");
    auto form = run.bill->BillForm();
    if (form && !form->SaveBill()) return Verdict::Silent();
    return Verdict::Pass();
}

Verdict ToggleKeepPrices(ToolRun& run) {
    if (!run.tool) return Verdict::Pass();
    const bool on = !run.tool->Checked();
    run.tool->SetChecked(on);
    WriteUserProfile(BillSetSection(*run.bill), "DoNotResetPrice", on ? "1" : "0");
    return Verdict::Pass();
}

// ---- The list ---------------------------------------------------------------------------------

// The bills selected in the list, each once.
std::vector<int32_t> SelectedBills(IBillList& list) {
    std::vector<int32_t> ids;
    auto selection = list.Selection();
    if (!selection) return ids;
    for (const auto& [key, item] : *selection) {
        auto row = item.As<Collection>();
        const int32_t id = row ? SafeId(row->Get("FID")) : 0;
        if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

// A return is not copied: a selection holding one is refused as a whole.
Verdict NoReturnCopied(ToolRun& run) {
    for (int32_t id : SelectedBills(*run.list)) {
        const std::string type = GetSQLValue(
            "Select FBillTypeID From t_CC_StockBill Where FClassTypeID=1030003 And FID=" +
            SqlId(id));
        if (SafeId(Value(Val(type))) == bt::kConsignReturn)
            return Verdict::Refuse("你选择的单据包含委托退货单，不允许复制，请重新选择。");
    }
    return Verdict::Pass();
}

// Every selected bill's period is open.
Verdict SelectionPeriodsOpen(ToolRun& run) {
    const std::string closed = GetSQLValue(
        "Select FValue From t_SystemProfile Where FCategory = 'Base' and FKey = "
        "'AcctountingClosed'");
    for (int32_t id : SelectedBills(*run.list)) {
        const std::string date = GetSQLValue(
            "Select FDate From t_CC_StockBill Where FClassTypeID=1030003 And FID=" + SqlId(id));
        if (Verdict v = CheckPeriodOpen(Value(date), Value(""), closed); v.Refused()) return v;
    }
    return Verdict::Pass();
}

}  // namespace

void AddConsignTools(RuleBook& b) {
    for (const QueryTool& query : kQueryTools) {
        b.Tool({.band = "mnuRelate",
                .key = query.key,
                .caption = query.caption,
                .onClick = [&query](ToolRun& run) { return ShowRelated(*run.bill, query); }});
    }
    b.Tool({.band = "mnuOption",
            .key = "mnuDoNotResetPrice",
            .caption = "修改客户不重新取价",
            .onClick = &ToggleKeepPrices})
        .Tool({.band = "BandToolBar",
               .key = "mnuRelate_1030001",
               .caption = "选源单",
               .beforeKey = "mnuEditUnCheck",
               .onClick = NeedsCustomer(false)})
        .Tool({.band = "BandToolBar",
               .key = "mnuRelate_1030003",
               .caption = "选源单",
               .beforeKey = "mnuEditUnCheck",
               .onClick = NeedsCustomer(true)});
    b.OnClick("mnuEditCheck",
              [](ToolRun& run) {
                  MarkSave(run);
                  return PeriodOpen(run);
              })
        .OnClick("mnuEditUnCheck", &PeriodOpen)
        .OnClick("mnuEditFileDelete", &PeriodOpen)
        .OnClick("mnuEditFileSave",
                 [](ToolRun& run) {
                     RemoveEmptyEntryRows(*run.bill);
                     return MarkSave(run);
                 })
        .OnClick("mnuFileExit", &MarkSave)
        .OnClick("mnuFilePrint", &SavedBeforePrint)
        .OnClick("mnuFilePreview", &SavedBeforePrint)
        .OnClick("mnuShareByQty",
                 [](ToolRun& run) { return ShareTransportCosts(*run.bill, kShareByQty); })
        .OnClick("mnuShareByAmt",
                 [](ToolRun& run) { return ShareTransportCosts(*run.bill, kShareByAmt); });
    b.OnListClick("mnuEditCopy", &NoReturnCopied)
        .OnListClick("mnuEditCopyEntry", &NoReturnCopied)
        .OnListClick("mnuEditDelete", &SelectionPeriodsOpen)
        .OnListClick("mnuEditCheck", &SelectionPeriodsOpen)
        .OnListClick("mnuEditUnCheck", &SelectionPeriodsOpen);
}

void RefreshConsignBillState(IBillForm& bill) {
    const bool isReturn = IsConsignReturn(bill);
    const bool checked = SafeId(bill.GetFieldValue("FStatus")) == 1;
    const int state = bill.BillStatus();

    bill.SetBarStatus("mnuRelateViewVoucher", "Enabled", false);
    bill.SetBarStatus("mnuEditFileSave", "Visible", true);
    bill.SetBarStatus("mnuEditFileSave", "Enabled", true);
    bill.SetBarStatus("mnuEditClose", "Visible", false);
    bill.SetBarStatus("mnuEditUnClose", "Visible", false);
    bill.SetBarStatus("mnuEditCopy", "Visible", true);

    if (state == 0 || state == 1 || state == 2) {
        const int column = (state == 1   ? kNewReturn
                            : state == 2 ? kEditReturn
                                         : kViewReturn) +
                           (isReturn ? 0 : 1);
        for (const ToolStates& row : kStateTable) Apply(bill, row.tool, row.cells[column]);
    }
    if (state == 0) {
        // A shown bill is checked or unchecked by its status.
        Apply(bill, "mnuEditCheck", checked ? Set::Hidden : Set::Shown);
        Apply(bill, "mnuEditUnCheck", checked ? Set::Shown : Set::Hidden);
        if (checked) bill.SetBarStatus("mnuRelateViewVoucher", "Enabled", true);
    }

    if (isReturn) {
        bill.SetBarStatus("mnuEditCopy", "Visible", false);
        bill.SetEntryCtlProperty("TextColor", kReturnTextColor, Value());
        SetEntryFieldsLock(bill, kReturnLockedKeys);
        SetEntryFieldsVisible(bill, kReturnHiddenColumns, false);
    } else {
        bill.SetBarStatus("mnuEditCopy", "Visible", true);
        bill.SetEntryCtlProperty("TextColor", 0, Value());
        SetEntryFieldsLock2(bill, kReturnLockedKeys);
        SetEntryFieldsVisible2(bill, "FOrderQty,FRejectQty,FSettleQty");
    }
    RefreshShareCostMenus(bill);
}

void RefreshRelateTools(IBillForm& bill) {
    const bool saved = SafeId(bill.GetFieldValue("FID")) != 0;
    auto menu = bill.MenuBar();
    for (const char* key : {"mnuRelate_1030001", "mnuRelate_1030003"}) {
        auto tool = menu ? menu->Tool(key) : nullptr;
        bill.SetBarStatus(key, "Enabled", !saved && tool && tool->Visible());
    }
}

void DressConsignTools(IBillForm& bill, const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    struct Texts {
        const char* tool;
        const char* description;
        const char* tip;
    };
    static constexpr Texts kTexts[] = {
        {"mnuRelatePushBill_1030003", "生成委托退货单", ""},
        {"mnuRelatePushBill_1030002", "生成委托结算单", ""},
        {"mnuRelate_1030001", "选源单", "选择销售订单"},
        {"mnuRelate_1030003", "选源单", "选择委托代销单"},
    };
    for (const Texts& t : kTexts) {
        auto tool = menuBar->Tool(t.tool);
        if (!tool) continue;
        tool->SetDescription(t.description);
        if (*t.tip) tool->SetToolTipText(t.tip);
    }
    if (auto keep = menuBar->Tool("mnuDoNotResetPrice"))
        keep->SetChecked(IsUserOptionOn(BillSetSection(bill), "DoNotResetPrice"));
}

void RefreshComplexQtyDisplay(IBillForm& bill) {
    if (!bill.GetFieldInfoByKey("FComplexQtyDis")) return;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        const int32_t item = SafeId(bill.GetFieldValue("FItemID", r));
        const int32_t entry = SafeId(bill.GetFieldValue("FEntryID", r));
        if (item <= 0 || entry <= 0) continue;
        const std::string text = GetSQLValue(
            "SELECT dbo.GetComplexQty(" + SqlId(item) + "," +
            NumberToText(bill.GetFieldValue("FQty", r).ToNumber()) + ") AS FComplexQtyDis");
        UpdateBatch("UPDATE T_CC_StockBillEntry SET FComplexQtyDis = " + SqlValue(text) +
                    " WHERE lEntryID = " + SqlId(entry));
    }
}

void RefreshRowComplexQty(IBillForm& bill, int row) {
    if (row < 1 || !bill.GetFieldInfoByKey("FComplexQtyDis")) return;
    const int32_t item = SafeId(bill.GetFieldValue("FItemID", row));
    if (item <= 0) return;
    const std::string text = GetSQLValue("Select dbo.GetComplexQty(" + SqlId(item) + "," +
                                         NumberToText(bill.GetFieldValue("FQty", row).ToNumber()) +
                                         ") As FComplexQtyDis");
    auto cell = bill.GetDataFldbyKey("FComplexQtyDis", row);
    const Value modified = cell ? cell->Get("FModify") : Value();
    bill.SetFieldValue("FComplexQtyDis", text, row);
    if (cell) cell->Set("FModify", modified);
}

}  // namespace qor
