// The sales bill's tools: the related-record queries through the host's viewer, the logistics
// bill and the invoice, the reject command, and the guards of the host's own tools (check,
// uncheck, delete, the settlement from the total, the receipt push, printing).
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/common/sales_checks.h"
#include "bills/common/sales_tools.h"
#include "bills/order/frm_reject_note.h"
#include "bills/sale/billevent_sale.h"
#include "bills/sale/sale_rules.h"
#include "frame/class_types.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/plugin.h"
#include "services/calculation.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"
#include "services/transport_costs.h"

namespace qor {

namespace {

double BillType(IBillForm& bill) {
    return bill.GetFieldValue("FBillTypeID").ToNumber();
}

bool IsReturnType(double type) {
    return type == bt::kReturn || type == bt::kConsignSettleReturn;
}

int32_t SavedID(IBillForm& bill) {
    return SafeId(bill.GetFieldValue("FID"));
}

BillEvent_Sale& Sale(ToolRun& run) {
    return run.Owner<BillEvent_Sale>();
}

void RefreshSaleLayout(IBillForm& bill) {
    ApplyBillTypeLayout(bill, bill.GetFieldValue("FBillTypeID"));
}

// After a follow-on document the bill's own layout, where it has one.
void AfterFollowOn(const SalesBillTables& tables, IBillForm& bill) {
    if (tables.afterFollowOn) tables.afterFollowOn(bill);
}

// ---- Related records ---------------------------------------------------------------------------

// Which bills a query shows: those the rows were drawn from (of the source class), those drawn
// from this bill (of the bill type), or the receipts that settled it.
enum class Related { Sources, FollowOns, Receipts };

struct RelateQuery {
    const char* key;
    const char* caption;      // the tool's caption
    const char* title;        // the viewer's title
    const char* information;  // its information caption
    Related kind;
    int32_t relatedClass;  // sources: their class
    int32_t relatedType;   // follow-ons: their bill type
    // The user right the query needs (object type 0: none) and its refusal.
    int rightType, rightID;
    const char* noRight;
};

constexpr RelateQuery kQueries[] = {
    {"mnuQuerySaleReject", "查询退货记录", "查询退货记录", "销售发货单信息", Related::FollowOns,
     ct::kSalesBill, bt::kReturn, 0, 0, ""},
    {"mnuQuerySale", "查询发货记录", "查询发货记录", "销售退货单信息", Related::Sources,
     ct::kSalesBill, 0, 0, 0, ""},
    {"mnuQueryConsign", "查询委托代销记录", "查询委托代销记录", "委托结算单信息", Related::Sources,
     ct::kConsignBill, 0, 0, 0, ""},
    {"mnuQueryConsignReject", "查询委托结算记录", "查询委托结算记录", "委托结算退货单信息",
     Related::Sources, ct::kSalesBill, 0, 0, 0, ""},
    {"mnuQueryConsignBal", "查询委托结算退货记录", "查询委托结算退货记录", "委托结算单信息",
     Related::FollowOns, ct::kSalesBill, bt::kConsignSettleReturn, 0, 0, ""},
    {"mnuQuerySaleOrder", "查询销售订单记录", "查询销售订单记录", "销售单信息", Related::Sources,
     ct::kSalesOrder, 0, 12, 100, "您没有查看销售订单的权限。"},
    {"mnuQueryGH", "查询采购单记录", "查询购货单记录", "销售单信息", Related::Sources,
     ct::kPurchaseBill, 0, 11, 200, "您没有查看购货单的权限。"},
};

const char* BillInformation(double type) {
    if (type == bt::kReturn) return "销售退货单信息";
    if (type == bt::kConsignSettle) return "委托结算单信息";
    if (type == bt::kConsignSettleReturn) return "委托结算退货单信息";
    return "销售发货单信息";
}

void AddTitle(Collection& dict, const std::string& name, const Value& value,
              const std::string& format = "") {
    dict.Set(name, Value(Collection::Make({{"Name", name}, {"Value", value}, {"Format", format}})));
}

Value ShownText(IBillForm& bill, const char* key) {
    const Value shown = GetLookupData(bill, key, -1, "FDSP");
    return Trim(shown.ToString()).empty() ? Value(bill.GetFieldValue(key).ToString()) : shown;
}

double Total(IBillForm& bill, const char* key) {
    return bill.ColumnTotal(bill.GetFieldInfoByKey(key));
}

}  // namespace

CollectionPtr BuildRelateColumns(IBillForm& bill) {
    const bool industry = IsIndustryMode();
    auto dict = Collection::Make();
    AddTitle(*dict, "部门", ShownText(bill, "FDeptID"));
    AddTitle(*dict, "业务员", ShownText(bill, "FEmpID"));
    AddTitle(*dict, "客户", ShownText(bill, "FCustID"));
    AddTitle(*dict, "日期", bill.GetFieldValue("FDate"), "yyyy-mm-dd");
    AddTitle(*dict, "单据编号", bill.GetFieldValue("FBillNo"));
    AddTitle(*dict, industry ? "理论重量" : "数量合计", Total(bill, industry ? "FQty" : "FShowQty"),
             "0.00");
    AddTitle(*dict, "价税合计", Total(bill, "FInTaxAmount"), "0.00");
    AddTitle(*dict, "金额合计", bill.GetFieldValue("FAllAmount"), "0.00");
    AddTitle(*dict, "已收金额合计", bill.GetFieldValue("FCheckAmount"), "0.00");
    AddTitle(*dict, "未收金额合计", bill.GetFieldValue("FUnCheckAmount"), "0.00");
    return dict;
}

namespace {

// The entry columns of the viewer, caption by column.
CollectionPtr RelateEntryColumns(Related kind) {
    static constexpr std::pair<const char*, const char*> kGoods[] = {
        {"单据类型", "FBillTypeName"},
        {"日期", "FDate"},
        {"单据编号", "FBillNo"},
        {"商品代码", "FItemNumber"},
        {"商品名称", "FItemName"},
        {"规格型号", "FItemModel"},
        {"单位", "FUnitName"},
        {"辅助单位", "FSecUnitName"},
        {"数量", "FShowQty"},
        {"含税单价", "FTaxPrice"},
        {"价税合计", "FInTaxAmount"},
        {"关联数量", "FRelateQty"},
        {"关联价税合计", "FRelateAmount"}};
    static constexpr std::pair<const char*, const char*> kReceipts[] = {
        {"单据类型", "FBillTypeName"},
        {"日期", "FDate"},
        {"单据编号", "FBillNo"},
        {"金额", "FAmount"},
        {"核销金额", "FCheckAmount"}};
    auto dict = Collection::Make();
    const auto add = [&](const auto& columns) {
        for (const auto& [caption, field] : columns)
            dict->Set(field, Value(Collection::Make({{"Caption", caption}, {"Field", field}})));
    };
    if (kind == Related::Receipts) {
        add(kReceipts);
    } else {
        add(kGoods);
    }
    return dict;
}

std::string GoodsColumns(const char* related, const char* rows) {
    const std::string r(related), s(rows);
    return "Select t.FID,d.FName As FBillTypeName,t.FDate,t.FBillNo,i.FNumber As FItemNumber,"
           "i.FName As FItemName,i.FModel As FItemModel,m.FName As FUnitName,"
           "(Select Max(u.FName) From vw_unit u Where u.FItemID=" +
           r + ".FSecUnitID And u.FSrcItemID=" + r + ".FItemID) As FSecUnitName," + r +
           ".FShowQty," + r + ".FTaxPrice," + r + ".FInTaxAmount," + s +
           ".FShowQty As FRelateQty," + s + ".FInTaxAmount As FRelateAmount";
}

std::string GoodsJoins(const char* related) {
    const std::string r(related);
    return " Left Join t_ICItem i On i.FItemID=" + r + ".FItemID Left Join t_MeasureUnit m On " +
           "m.FItemID=" + r + ".FShowUnitID ";
}

}  // namespace

std::string BuildRelateQuery(const SalesBillTables& tables, int32_t billID, int kind,
                             int32_t relatedClass, int32_t relatedType) {
    const std::string id = SqlId(billID);
    const std::string own = std::to_string(tables.classType);
    switch (static_cast<Related>(kind)) {
        case Related::Sources: {
            const bool order = relatedClass == ct::kSalesOrder;
            const std::string head = order ? "t_XS_Order" : "t_CC_StockBill";
            const std::string rows = order ? "t_XS_OrderEntry" : "t_CC_StockBillEntry";
            return GoodsColumns("e", "s") + " From " + tables.entries + " s Inner Join " + rows +
                   " e On e.FID=s.FID_SRC And e.FEntryID=s.FEntryID_SRC Inner Join " + head +
                   " t On t.FID=e.FID Left Join t_BaseBillTypeData d On d.FID=t.FBillTypeID" +
                   GoodsJoins("e") + "Where s.FID=" + id +
                   " And s.FClassID_SRC=" + std::to_string(relatedClass) + " Order By 3,4";
        }
        case Related::FollowOns:
            return GoodsColumns("e", "e") +
                   " From t_CC_StockBillEntry e Inner Join t_CC_StockBill t On t.FID=e.FID "
                   "Left Join t_BaseBillTypeData d On d.FID=t.FBillTypeID" +
                   GoodsJoins("e") + "Where e.FID_SRC=" + id + " And e.FClassID_SRC=" + own +
                   " And t.FClassTypeID=1030002 And t.FBillTypeID=" + std::to_string(relatedType) +
                   " Order By 3,4";
        case Related::Receipts:
            // Receipts offset against the bill, then the receipt bills made from it.
            return "Select r.FID,Case When r.FBillTypeID=2 Then '预收款单' Else '收款单' End As "
                   "FBillTypeName,r.FDate,r.FBillNo,r.FAmount,c.FCheckAmount From ICCheckInfo c "
                   "Inner Join t_RP_RBill r On r.FID=c.FRBillID Where c.FClassTypeID=" +
                   own + " And c.FInterID=" + id +
                   " Union All Select b.FID,'收款单' As FBillTypeName,b.FDate,b.FBillNo,b.FAmount,"
                   "e.FAmount As FCheckAmount From t_RP_CheckBillEntry1 e Inner Join "
                   "t_RP_CheckBill b On b.FID=e.FID Where e.FSourceClassTypeID=" +
                   own + " And e.FSourceInterID=" + id + " Order By 3,4";
    }
    return "";
}

namespace {

Verdict ShowRelated(const SalesBillTables& tables, IBillForm& bill, const char* title,
                    const char* information, Related kind, int32_t relatedClass,
                    int32_t relatedType) {
    const int32_t billID = SavedID(bill);
    if (billID <= 0) return Verdict::Refuse("请先保存单据");
    auto viewer = CreateHostObject<IComponent>("QORClassLookUp.RelateBilllookUp");
    viewer->Call("Caption", {Value(title)});
    viewer->Call("TitleName", {Value(information)});
    viewer->Call("TitleDict", {Value(BuildRelateColumns(bill))});
    viewer->Call("EntryDict", {Value(RelateEntryColumns(kind))});
    viewer->Call("ClassTypeID", {Value(bill.FID())});
    viewer->Call("SQL", {Value(BuildRelateQuery(tables, billID, static_cast<int>(kind),
                                                relatedClass, relatedType))});
    viewer->Call("Show", {});
    return Verdict::Pass();
}

ToolRule QueryRule(const RelateQuery& q, const SalesBillTables& tables) {
    return [&q, &tables](ToolRun& run) {
        if (q.rightType != 0 &&
            !CheckAccessRight(GetPropsString(), q.rightType, q.rightID, 1, tables.callerName))
            return Verdict::Refuse(q.noRight);
        return ShowRelated(tables, *run.bill, q.title, q.information, q.kind, q.relatedClass,
                           q.relatedType);
    };
}

ToolRule QueryReceipts(const SalesBillTables& tables) {
    return [&tables](ToolRun& run) {
        IBillForm& bill = *run.bill;
        const double type = BillType(bill);
        const std::string title =
            std::string("查询") + (IsReturnType(type) ? "退" : "收") + "款记录";
        return ShowRelated(tables, bill, title.c_str(), BillInformation(type), Related::Receipts, 0,
                           0);
    };
}

// ---- Follow-on documents -----------------------------------------------------------------------

// A follow-on document needs a saved bill with a customer.
Verdict SavedWithCustomer(IBillForm& bill) {
    if (SavedID(bill) <= 0) return Verdict::Refuse("请先保存单据");
    if (SafeId(bill.GetFieldValue("FCustID")) <= 0) return Verdict::Refuse("请先输入客户。");
    return Verdict::Pass();
}

// The logistics bill of the saved bill; the logistics system is told the bill's class, since
// the bill number alone does not say which kind of bill it numbers.
ToolRule MakeLogisticBill(const SalesBillTables& tables) {
    return [&tables](ToolRun& run) {
        IBillForm& bill = *run.bill;
        if (Verdict v = SavedWithCustomer(bill); v.Refused()) return v;
        auto logistics = CreateHostObject<IComponent>("QORLogisticManage.Application");
        logistics->Call("FBillCodeList", {bill.GetFieldValue("FBillNo")});
        logistics->Call("ClassTypeID", {Value(tables.classType)});
        logistics->Call("Command", {Value("BillToLogisticMake")});
        logistics->Call("Show", {Value("BillToLogisticMake")});
        AfterFollowOn(tables, bill);
        // The logistics system made the bill: the host makes no follow-on bill of its own.
        return Verdict::Silent();
    };
}

Verdict ShowLogisticBills(ToolRun& run) {
    if (!CheckAccessRight(GetPropsString(), 12, 500, 1, "QORMain.MDIMain"))
        return Verdict::Refuse("您没有查询物流单的权限。");
    auto logistics = CreateHostObject<IComponent>("QORLogisticManage.Application");
    logistics->Call("BillCode", {run.bill->GetFieldValue("FBillNo")});
    logistics->Call("Show", {Value("ShowLogisticList")});
    return Verdict::Pass();
}

// ---- The host's tools --------------------------------------------------------------------------

Verdict NotRejectedAndPeriodOpen(ToolRun& run) {
    if (run.bill->GetFieldValue("FRejected").ToNumber() != 0)
        return Verdict::Refuse("不能删除驳回状态的单据！");
    return BillPeriodOpen(run);
}

Verdict Reject(ToolRun& run) {
    IBillForm& bill = *run.bill;
    if (Verdict v = BillPeriodOpen(run); v.Refused()) return v;
    Sale(run).SetAction("SAVE");
    if (!RejectBillWithNote(bill)) return Verdict::Pass();
    for (const char* key :
         {"MNUEDITFILESAVE", "MNUFILEEXIT", "mnuDataPre2", "mnuDataNext2", "mnuEditFileNew"})
        bill.SetBarStatus(key, "Enabled", true);
    RefreshSaleLayout(bill);
    return Verdict::Pass();
}

bool LogisticsShown(ToolRun&) {
    return GetAppType() != 1;
}

}  // namespace

const SalesBillTables kSaleBillTables{"t_CC_StockBill", "t_CC_StockBillEntry", ct::kSalesBill,
                                      kSaleProgId, &RefreshSaleLayout};

void AddRelatedRecordTools(RuleBook& b, const SalesBillTables& tables) {
    b.Tool({.band = "mnuRelate",
            .key = "mnuQueryPayIn",
            .caption = "查询收款记录",
            .beforeKey = "mnuRelateViewVoucher",
            .onClick = QueryReceipts(tables)});
    for (const RelateQuery& q : kQueries)
        b.Tool({.band = "mnuRelate",
                .key = q.key,
                .caption = q.caption,
                .onClick = QueryRule(q, tables)});
    b.Tool({.band = "mnuRelate",
            .key = "mnuRelatePushBill_2000001",
            .caption = "生成物流单",
            .picture = "Logistic",
            .visible = &LogisticsShown,
            .onClick = MakeLogisticBill(tables)})
        .Tool({.band = "mnuRelate",
               .key = "mnuQueryLogisticList",
               .caption = "查询物流单",
               .visible = &LogisticsShown,
               .onClick = &ShowLogisticBills});
}

void AddSaleTools(RuleBook& b) {
    AddRelatedRecordTools(b, kSaleBillTables);
    b.Tool({.band = "mnuEdit",
            .key = "mnuReject",
            .caption = "驳回",
            .beforeKey = "mnuEditCheck",
            .onClick = &Reject});
    b.OnClick("mnuEditCheck", &BillPeriodOpen)
        .OnClick("mnuEditUnCheck", &BillPeriodOpen)
        .OnClick("mnuEditFileDelete", &NotRejectedAndPeriodOpen)
        .OnClick("mnuEditAutoSumAmt", &SettleFromTotal)
        .OnClick("mnuKddPrint", &MayPrintWaybill)
        .OnClick("mnuRelatePushBill_1050001", &NotTransferred)
        .OnClick("mnuEditCheckInfo", OffsetAdvanceReceipts(kSaleProgId))
        .OnClick("mnuShareByQty", &ShareFreightByQty)
        .OnClick("mnuShareByAmt", &ShareFreightByAmt)
        .OnClick("mnuEditFileSave",
                 [](ToolRun& run) {
                     RemoveEmptyEntryRows(*run.bill);
                     return MarkSave<BillEvent_Sale>(run);
                 })
        .OnClick("mnuFileExit", &MarkSave<BillEvent_Sale>)
        .OnClick("mnuFilePrint", &SavedBeforePrint<BillEvent_Sale>)
        .OnClick("mnuFilePreview", &SavedBeforePrint<BillEvent_Sale>);
}

void DressSaleTools(IBillForm& bill, const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    DressSalesSideTools(menuBar);
    RefreshSaleLayout(bill);
}

void ResetCopiedBill(IBillForm& bill) {
    bill.SetFieldValue("FStatus", "0");
    // The exchange bill's rows keep only what is still open for returns, not what was returned.
    const bool keepsReturned = bill.GetFieldInfoByKey("FRejectQty", "", 0) != nullptr;
    const int rows = GetEntryRowCount(bill);
    for (int r = 1; r <= rows; ++r) {
        if (keepsReturned) {
            bill.SetFieldValue("FRejectQty", "0", r);
            bill.SetFieldValue("FRejectAuxQty", "0", r);
        }
        bill.SetFieldValue("FUnRejectQty", bill.GetFieldValue("FShowQty", r), r);
        RefreshFieldLookupText(bill, "FUnRejectQty", r);
    }
}

}  // namespace qor
