// The sales bill list: the logistics and invoice tools acting on the selected bills, the guards
// of the list's delete, check, uncheck and print, and the check rule the selection's check and
// uncheck pass through. Every guard reads the selection with one statement, whatever its size.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bills/common/list_selection.h"
#include "bills/common/sales_tools.h"
#include "bills/sale/check_rule_c.h"
#include "bills/sale/sale_invoice.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "frame/plugin.h"
#include "frame/trap.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

namespace {

constexpr const char* kListSection = "SaleListInterface";
constexpr const char* kLogisticApp = "QORLogisticManage.Application";

// ---- Guards of the host's tools -----------------------------------------------------------------

// Runs check on the header of every selected bill in the order of the selection (the columns
// read in one statement); the first refusal.
using HeadCheck = std::function<Verdict(const Collection& head)>;
Verdict EverySelectedBill(ToolRun& run, const std::string& columns, const HeadCheck& check) {
    for (const auto& head : ReadSaleBillHeads(SelectedBillIDs(*run.list), columns))
        if (Verdict v = check(*head); v.Refused()) return v;
    return Verdict::Pass();
}

// The bill's date lies in an open period (the books' closing flag is read once per event).
Verdict PeriodOpen(const Collection& head) {
    return CheckPeriodOpen(head.Get("FDate"));
}

// No rejected bill is deleted, and every bill's period is open.
Verdict DeletableSelection(ToolRun& run) {
    return EverySelectedBill(run, "FRejected,FDate", [](const Collection& head) {
        if (head.Get("FRejected").ToNumber() == 1)
            return Verdict::Refuse("你选择的单据包含驳回状态的订单，不允许删除，请重新选择。");
        return PeriodOpen(head);
    });
}

// Every bill's period is open and none is a consignment settlement return.
Verdict CheckableSelection(ToolRun& run) {
    return EverySelectedBill(run, "FDate,FBillTypeID", [](const Collection& head) {
        if (Verdict v = PeriodOpen(head); v.Refused()) return v;
        if (SafeId(head.Get("FBillTypeID")) == bt::kConsignSettleReturn)
            return Verdict::Refuse("你选择的单据包含委托结算退货单，请重新选择。");
        return Verdict::Pass();
    });
}

// ---- Logistics ----------------------------------------------------------------------------------

bool LogicMultiToOne() {
    return Trapped("LogicMultiToOne", false,
                   [] { return Trim(ReadUserProfile(kListSection, "LogicMultiToOne")) == "1"; });
}

// The logistics bills of the selected bills, which must all have one.
ToolRule QueryLogistics(const SalesBillTables& tables) {
    return [&tables](ToolRun& run) {
        if (!CheckAccessRight(GetPropsString(), 12, 500, 1, "QORMain.MDIMain"))
            return Verdict::Refuse("您没有查询物流单的权限。");
        std::vector<std::string> billNos;
        if (auto selection = run.list->Selection())
            for (const auto& [key, item] : *selection)
                if (auto row = item.As<Collection>())
                    billNos.push_back(row->Get("FBillNo").ToString());
        std::string codes;
        for (const auto& billNo : billNos) {
            if (Trim(GetBillFieldByNo(tables, "FLogisticNumber", billNo)).empty())
                return Verdict::Refuse("请选择已经生成过物流单的销售单！");
            codes += (codes.empty() ? "" : ",") + billNo;
        }
        if (codes.empty()) return Verdict::Refuse("请选择已经生成过物流单的销售单！");
        auto app = CreateHostObject<IComponent>(kLogisticApp);
        app->Call("BillCode", {codes});
        app->Call("Show", {});
        return Verdict::Pass();
    };
}

// The outcome of making logistics bills: a line per message, then the totals.
void ShowBatchResult(int succeeded, int failed, const std::vector<std::string>& lines) {
    std::string text = "提示信息|";
    for (const auto& line : lines) {
        std::string rest = line;
        for (size_t at; (at = rest.find_first_of("\r\n")) != std::string::npos;
             rest.erase(0, at + 1))
            if (!Trim(rest.substr(0, at)).empty()) text += rest.substr(0, at) + "|";
        if (!Trim(rest).empty()) text += rest + "|";
    }
    text +=
        "合计：成功(" + std::to_string(succeeded) + "张),失败(" + std::to_string(failed) + "张)|";
    CreateHostObject<IComponent>("QORDisplayer.DispBuilder")->Call("Show", {text, "Info"});
}

// Logistics bills for the selected bills: one for all of them, or one per bill, as the user's
// option says. Each bill tells its class, which its number alone does not.
Verdict GenerateLogistics(ToolRun& run, const SalesBillTables& tables) {
    const auto ids = SelectedBillIDs(*run.list);
    if (ids.empty()) return Verdict::Refuse("请选择要生成物流单的销售单！");
    std::vector<CollectionPtr> bills;
    for (const auto& head : ReadBillHeads(tables, ids, "FBillNo,FStatus,FCustID,FLogisticNumber"))
        bills.push_back(Collection::Make({{"Status", head->Get("FStatus")},
                                          {"CustID", head->Get("FCustID")},
                                          {"BillNo", head->Get("FBillNo").ToString()},
                                          {"LogisticNum", head->Get("FLogisticNumber").ToString()},
                                          {"ClassTypeID", tables.classType}}));
    auto app = CreateHostObject<IComponent>(kLogisticApp);
    int succeeded = 0, failed = 0;
    std::vector<std::string> lines;
    auto make = [&](const std::vector<CollectionPtr>& batch) {
        auto request = Collection::Make();
        for (const auto& bill : batch) request->Add("", Value(bill));
        Args args{GetPropsString(), Value(request), ""};
        const int done = static_cast<int>(app->Call("BatchMakeLogisticDataProc", args).ToNumber());
        succeeded += done;
        failed += static_cast<int>(batch.size()) - done;
        if (!Trim(args[2].ToString()).empty()) lines.push_back(args[2].ToString());
    };
    if (LogicMultiToOne()) {
        make(bills);
    } else {
        for (const auto& bill : bills) make({bill});
    }
    ShowBatchResult(succeeded, failed, lines);
    return Verdict::Pass();
}

// The two ways of making logistics bills: the chosen one checked, and stored for the user.
ToolRule ChooseLogicMode(bool multiToOne) {
    return [multiToOne](ToolRun& run) {
        if (auto bar = run.list->MenuBar()) {
            if (auto one = bar->Tool("mnuLogicOneToOne")) one->SetChecked(!multiToOne);
            if (auto multi = bar->Tool("mnuLogicMultiToOne")) multi->SetChecked(multiToOne);
        }
        WriteUserProfile(kListSection, "LogicMultiToOne", multiToOne ? "1" : "0");
        return Verdict::Pass();
    };
}

}  // namespace

std::vector<CollectionPtr> ReadBillHeads(const SalesBillTables& tables,
                                         const std::vector<int32_t>& ids,
                                         const std::string& columns) {
    std::vector<CollectionPtr> heads;
    if (ids.empty()) return heads;
    std::map<int32_t, CollectionPtr> byID;
    auto rs = GetRecordset("Select FID," + columns + " From " + tables.head +
                           " Where FClassTypeID=" + std::to_string(tables.classType) +
                           " And FID In(" + SqlIdList(ids) + ")");
    for (; rs && !rs->IsEOF(); rs->MoveNext()) {
        auto head = Collection::Make();
        for (int i = 0; i < rs->FieldCount(); ++i) head->Set(rs->FieldName(i), rs->Field(i));
        byID[SafeId(rs->Field("FID"))] = head;
    }
    for (int32_t id : ids)
        if (auto head = byID.find(id); head != byID.end()) heads.push_back(head->second);
    return heads;
}

std::vector<CollectionPtr> ReadSaleBillHeads(const std::vector<int32_t>& ids,
                                             const std::string& columns) {
    return ReadBillHeads(kSaleBillTables, ids, columns);
}

std::string GetBillFieldByNo(const SalesBillTables& tables, const std::string& field,
                             const std::string& billNo) {
    // The column is one of the bill's own names, never the user's text.
    return GetSQLValue("Select " + field + " from " + tables.head + " where FClassTypeID=" +
                       std::to_string(tables.classType) + " and FBillNo=" + SqlValue(billNo));
}

void AddListLogisticsTools(RuleBook& b, const SalesBillTables& tables) {
    b.ListTool({.band = "BandToolBar",
                .key = "mnuGenLogic",
                .caption = "生成物流单",
                .beforeKey = "mnuEditUnCheck",
                .onClick = [&tables](ToolRun& run) { return GenerateLogistics(run, tables); }})
        .ListTool({.band = "mnuLogic",
                   .key = "mnuLogicOneToOne",
                   .caption = "一张销售单生成一张物流单",
                   .onClick = ChooseLogicMode(false)})
        .ListTool({.band = "mnuLogic",
                   .key = "mnuLogicMultiToOne",
                   .caption = "多张销售单生成一张物流单",
                   .onClick = ChooseLogicMode(true)})
        .ListTool({.band = "mnuView",
                   .key = "mnuQueryLogisticList",
                   .caption = "查询物流单",
                   .beforeKey = "mnuBOSViewVoucher",
                   .onClick = QueryLogistics(tables)});
}

void AddSaleListTools(RuleBook& b) {
    AddListLogisticsTools(b, kSaleBillTables);
    b.ListTool({.band = "BandToolBar",
                .key = "mnu_MakeQvtInvoice",
                .caption = "生成发票",
                .beforeKey = "mnuEditUnCheck",
                .onClick = &InvoiceSelectedSaleBills});
    b.OnListClick("mnuEditDelete", &DeletableSelection)
        .OnListClick("mnuEditCheck", &CheckableSelection)
        .OnListClick("mnuEditUnCheck", &CheckableSelection)
        .OnListClick("mnuKddPrint", &MayPrintWaybill);
    auto audit = [](bool checking) {
        return [checking](CheckRun& run) {
            return CheckBillForAudit(SelectedBillIDs(*run.list), checking);
        };
    };
    b.Check(Stage::ListCheck, "no rejected bill, open periods", audit(true))
        .Check(Stage::ListUncheck, "no rejected bill, open periods, no rebate bill", audit(false));
}

void ShowSaleListTools(const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    for (const char* key : {"mnuEditCheck", "mnuEditUnCheck", "mnuEditCopy", "mnuKddPrint"})
        if (auto tool = menuBar->Tool(key)) tool->SetVisible(true);
    const bool multi = LogicMultiToOne();
    if (auto one = menuBar->Tool("mnuLogicOneToOne")) one->SetChecked(!multi);
    if (auto many = menuBar->Tool("mnuLogicMultiToOne")) many->SetChecked(multi);
}

}  // namespace qor
