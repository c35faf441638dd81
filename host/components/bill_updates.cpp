#include "host/components/bill_updates.h"

#include <algorithm>
#include <cmath>

#include "frame/errors.h"
#include "host/components/stock_components.h"
#include "host/sql/literals.h"
#include "host/sql/sqlite_functions.h"

namespace qor::host {

namespace {

bool Same(double a, double b) {
    return std::fabs(a - b) < 1e-9;
}

// The check flag of a call: True or -1 checks; False, 1 or anything else unchecks.
bool IsCheckFlag(const Value& v) {
    if (v.type() == Value::Type::Bool) return v.AsBool();
    return v.IsNumber() && v.ToNumber() == -1;
}

// The bill identifiers of a list selection ("FID" or "BillInterID" of each selected bill), or
// the identifier itself.
std::vector<int> SelectedIds(const Value& v) {
    std::vector<int> ids;
    if (auto c = v.As<Collection>()) {
        for (const auto& row : RowsWithKey(c, "FID")) ids.push_back(IdOrZero(row->Get("FID")));
        if (ids.empty())
            for (const auto& row : RowsWithKey(c, "BillInterID"))
                ids.push_back(IdOrZero(row->Get("BillInterID")));
    } else {
        ids.push_back(IdOrZero(v));
    }
    return ids;
}

// The total of a column over the rows of t_CC_StockBillEntry drawn from a source bill.
double LinkedTotal(ServiceContext& ctx, const std::string& props, const std::string& column,
                   int sourceClass, const Value& billId, const Value& entryId) {
    std::string sql =
        "Select Sum(e." + column +
        ") From t_CC_StockBillEntry e Where e.FClassID_SRC=" + std::to_string(sourceClass) +
        " And e.FID_SRC=" + SqlInt(billId);
    if (IdOrZero(entryId) > 0) sql += " And e.FEntryID_SRC=" + SqlInt(entryId);
    return ctx.Scalar(props, sql).ToNumber();
}

// A column name given by a caller: letters, digits and underscores only.
std::string ColumnName(const std::string& progId, const Value& v) {
    std::string name = Trim(v.ToString());
    if (name.empty() ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789_") != std::string::npos)
        throw HostError(progId, "not a column name: " + name);
    return name;
}

std::string EntryTableOf(int classTypeId) {
    std::string head = BillTableOf(classTypeId);
    if (head == "t_CC_StockBill") return "t_CC_StockBillEntry";
    if (head == "t_XS_Order") return "t_XS_OrderEntry";
    if (head == "t_CG_Order") return "t_CG_OrderEntry";
    return "";
}

double EntryTotal(ServiceContext& ctx, const std::string& progId, const std::string& props,
                  int classTypeId, const Value& billId, const Value& field) {
    std::string table = EntryTableOf(classTypeId);
    if (table.empty())
        throw HostError(progId, "no entry table for class type " + std::to_string(classTypeId));
    return ctx
        .Scalar(props, "Select Sum(" + ColumnName(progId, field) + ") From " + table +
                           " Where FID=" + SqlInt(billId))
        .ToNumber();
}

// Runs one operation per selected bill; the count done, failures gathered in the message.
Value RunBatch(CallArgs& a, const std::function<std::string(int)>& one) {
    int done = 0;
    std::string failures;
    for (int id : SelectedIds(a[1])) {
        std::string failure = one(id);
        if (failure.empty()) {
            ++done;
        } else {
            failures += (failures.empty() ? "" : "\r\n") + failure;
        }
    }
    a.SetMessage(failures);
    return Value(done);
}

}  // namespace

// ---- Purchase-side links -----------------------------------------------------------------

GJUpdateComponent::GJUpdateComponent(ServiceContextPtr context)
    : RecordingComponent("QORM_CG_PlugIns.GJUpdate", std::move(context)) {
    On("GetGHDLinkQty", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(LinkedTotal(ctx(), a.props(), "FQty", 1020002, a[0], a[1]));
    });
    On("GetGHDLinkTaxAmount", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(LinkedTotal(ctx(), a.props(), "FInTaxAmount", 1020002, a[0], a[1]));
    });
    On("GetFieldSumValue", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(EntryTotal(ctx(), ProgId(), a.props(), IdOrZero(a[0]), a[1], a[2]));
    });
    On("GetGHDFieldSumValue", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(EntryTotal(ctx(), ProgId(), a.props(), 1020002, a[0], a[1]));
    });
}

// ---- Opening bills -----------------------------------------------------------------------

namespace {

// Checks or unchecks one opening bill; "" when done, else the reason.
std::string OpeningCheck(ServiceContext& ctx, const std::string& props, int billId, bool checking,
                         bool consignment) {
    std::string id = std::to_string(billId);
    auto head = ctx.Query(props, "Select FStatus,FBillNo From t_CC_StockBill Where FID=" + id);
    if (billId <= 0 || head->IsEOF()) return "单据(" + id + ")不存在，请先保存单据。";
    std::string billNo = head->Field("FBillNo").ToString();
    int status = IdOrZero(head->Field("FStatus"));
    if (checking && status != 0) return "单据" + billNo + "已经审核。";
    if (!checking && status != 1) return "单据" + billNo + "尚未审核。";
    auto rows = ctx.Query(props,
                          "Select FIndex,FShowQty,FUnSettleQty,FUnRejectQty From "
                          "t_CC_StockBillEntry Where FID=" +
                              id + " Order By FIndex");
    for (; !rows->IsEOF(); rows->MoveNext()) {
        double qty = rows->Field("FShowQty").ToNumber();
        bool open = Same(rows->Field("FUnSettleQty").ToNumber(), qty) &&
                    (!consignment || Same(rows->Field("FUnRejectQty").ToNumber(), qty));
        if (open) continue;
        std::string row = rows->Field("FIndex").ToString();
        if (checking)
            return "单据" + billNo + "第" + row + "行的未结算数量与数量不一致，不能审核。";
        return "单据" + billNo + "第" + row + "行已经结算或退货，不能反审核。";
    }
    if (!checking) {
        double drawn =
            ctx.Scalar(props, "Select Count(*) From t_CC_StockBillEntry Where FID_SRC=" + id +
                                  " And FID<>" + id)
                .ToNumber();
        if (drawn > 0) return "单据" + billNo + "已被其他单据引用，不能反审核。";
    }
    std::string user = std::to_string(ctx.UserIdOf(props));
    ctx.Exec(props, checking ? "Update t_CC_StockBill Set FStatus=1,FCheckerID=" + user +
                                   ",FCheckDate=" + SqlText(sql::TodayText()) + " Where FID=" + id
                             : "Update t_CC_StockBill Set FStatus=0,FCheckerID=0,FCheckDate=Null "
                               "Where FID=" +
                                   id);
    return "";
}

}  // namespace

OpeningBillUpdateComponent::OpeningBillUpdateComponent(ServiceContextPtr context, bool consignment)
    : RecordingComponent(
          consignment ? "QORM_XS_PlugIns.TempConsignUpdate" : "QORM_XS_PlugIns.TempGJUpdate",
          std::move(context)) {
    On("CheckBill", [this, consignment](Args& args) {
        CallArgs a(args, ctx(), 3);
        std::string failure =
            OpeningCheck(ctx(), a.props(), IdOrZero(a[2]), a[1].ToBool(), consignment);
        if (!args.empty()) args[0] = failure;
        return Value(failure.empty());
    });
    On("BatchOperate", [this, consignment](Args& args) {
        CallArgs a(args, ctx());
        bool checking = IEquals(Trim(a[0].ToString()), "Check");
        if (!checking && !IEquals(Trim(a[0].ToString()), "UnCheck"))
            throw HostError(ProgId(), "BatchOperate: unknown operation " + a[0].ToString());
        return RunBatch(
            a, [&](int id) { return OpeningCheck(ctx(), a.props(), id, checking, consignment); });
    });
}

// ---- Sales orders ------------------------------------------------------------------------

namespace {

// Closes (FStatus 1 -> 2) or re-opens (2 -> 1) an order; "" when done, else the reason.
std::string CloseOrder(ServiceContext& ctx, const std::string& props, int billId, bool closing) {
    std::string id = std::to_string(billId);
    auto head = ctx.Query(props, "Select FStatus,FBillNo From t_XS_Order Where FID=" + id);
    if (billId <= 0 || head->IsEOF()) return "订单(" + id + ")不存在。";
    std::string billNo = head->Field("FBillNo").ToString();
    int status = IdOrZero(head->Field("FStatus"));
    if (closing && status != 1)
        return "订单" + billNo + (status == 2 ? "已经关闭。" : "尚未审核，不能关闭。");
    if (!closing && status != 2) return "订单" + billNo + "没有关闭。";
    ctx.Exec(props, "Update t_XS_Order Set FStatus=" + std::string(closing ? "2" : "1") +
                        " Where FID=" + id);
    return "";
}

// CheckBill(billID | selection, classTypeID, flag, props, message&) of the order and
// special-price services: the bills of the selection or the one identifier.
std::vector<BillRef> BillRefs(const CallArgs& a, int defaultClass) {
    std::vector<BillRef> refs;
    int classType = IdOrZero(a[1]);
    if (classType <= 0) classType = defaultClass;
    for (int id : SelectedIds(a[0])) refs.push_back({classType, id});
    return refs;
}

}  // namespace

OrderUpdateComponent::OrderUpdateComponent(ServiceContextPtr context)
    : RecordingComponent("QORM_XS_PlugIns.OrderUpdate", std::move(context)) {
    On("CloseBill", [this](Args& args) {
        CallArgs a(args, ctx());
        bool flagged = a[0].type() == Value::Type::Bool;
        bool closing = flagged && !a[0].AsBool();
        std::string failure = CloseOrder(ctx(), a.props(), IdOrZero(a[flagged ? 1 : 0]), closing);
        return Value(failure.empty());
    });
    On("CheckBill", [this](Args& args) {
        CallArgs a(args, ctx());
        auto refs = BillRefs(a, 1030001);
        for (auto& r : refs) r.classTypeId = 1030001;  // this service keeps only sales orders
        auto outcome = SetBillsChecked(ctx(), a.props(), refs, IsCheckFlag(a[2]));
        a.SetMessage(outcome.message);
        return Value(outcome.code);
    });
    On("GetLinkQty", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(LinkedTotal(ctx(), a.props(), "FQty", 1030001, a[0], a[1]));
    });
    On("GetLinkTaxAmount", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(LinkedTotal(ctx(), a.props(), "FInTaxAmount", 1030001, a[0], a[1]));
    });
    On("BatchOperate", [this](Args& args) {
        CallArgs a(args, ctx());
        std::string op = Trim(a[0].ToString());
        return RunBatch(a, [&](int id) -> std::string {
            if (IEquals(op, "Close") || IEquals(op, "UnClose"))
                return CloseOrder(ctx(), a.props(), id, IEquals(op, "Close"));
            if (IEquals(op, "Check") || IEquals(op, "UnCheck"))
                return SetBillsChecked(ctx(), a.props(), {{1030001, id}}, IEquals(op, "Check"))
                    .message;
            throw HostError(ProgId(), "BatchOperate: unknown operation " + op);
        });
    });
}

// ---- Special-price bills -----------------------------------------------------------------

namespace {

std::string TimeOfDay(const Value& v, const char* fallback) {
    std::string t = Trim(v.ToString());
    if (t.empty()) return fallback;
    return t.size() == 5 ? t + ":00" : t;
}

std::string DateOnly(const Value& v) {
    auto d = ParseDate(v.ToString());
    return d ? FormatDate(*d) : "";
}

// Checks one special-price bill and puts its rows' prices in force; "" when done.
std::string CheckSpecialPrice(ServiceContext& ctx, const std::string& props, int billId) {
    std::string id = std::to_string(billId);
    auto head = ctx.Query(props,
                          "Select FBillNo,FStatus,FBeginDate,FEndDate,FBeginTime,FEndTime From "
                          "T_LS_CX Where FID=" +
                              id);
    if (billId <= 0 || head->IsEOF()) return "特价单(" + id + ")不存在。";
    std::string billNo = head->Field("FBillNo").ToString();
    if (IdOrZero(head->Field("FStatus")) != 0) return "特价单" + billNo + "已经审核。";
    std::string begin = DateOnly(head->Field("FBeginDate"));
    std::string end = DateOnly(head->Field("FEndDate"));
    if (begin.empty() || end.empty()) return "特价单" + billNo + "的起止日期不完整。";
    std::string beginTime = TimeOfDay(head->Field("FBeginTime"), "00:00:00");
    std::string endTime = TimeOfDay(head->Field("FEndTime"), "23:59:59");
    // The bill's status and its prices are written together: a failure half-way leaves the bill
    // unchecked and no price of it in force.
    std::string failure;
    ctx.Atomically(props, [&] {
        if (SetBillsChecked(ctx, props, {{1030006, billId}}, true).code != 1) {
            failure = "特价单" + billNo + "不能审核。";
            return;
        }
        auto rows = ctx.Query(props,
                              "Select FItemID,FShowUnitID,FNewPrice,FTotalLimitQty,FSingleLimitQty "
                              "From T_LS_CXEntry Where FID=" +
                                  id + " And FItemID>0");
        for (; !rows->IsEOF(); rows->MoveNext()) {
            ctx.Exec(
                props,
                "Insert Into t_LS_ItemPrice (FItemID,FUnitID,FBranchShop,FXSPrice,FXSBillNo,"
                "FXSBeginDate,FXSEndDate,FXSBeginTime,FXSEndTime,FTotalLimitQty,FSingleLimitQty) "
                "Values (" +
                    SqlInt(rows->Field("FItemID")) + "," + SqlInt(rows->Field("FShowUnitID")) +
                    ",0," + NumberToText(rows->Field("FNewPrice").ToNumber()) + "," +
                    SqlText(billNo) + "," + SqlText(begin) + "," + SqlText(end) + "," +
                    SqlText(beginTime) + "," + SqlText(endTime) + "," +
                    NumberToText(rows->Field("FTotalLimitQty").ToNumber()) + "," +
                    NumberToText(rows->Field("FSingleLimitQty").ToNumber()) + ")");
        }
    });
    return failure;
}

}  // namespace

CXUpdateComponent::CXUpdateComponent(ServiceContextPtr context)
    : RecordingComponent("QORM_XS_PlugIns.CXUpdate", std::move(context)) {
    On("CheckBill", [this](Args& args) {
        CallArgs a(args, ctx());
        if (!IsCheckFlag(a[2])) {
            a.SetMessage("特价单审核后不允许反审核。");
            return Value(2);
        }
        for (const auto& ref : BillRefs(a, 1030006)) {
            std::string failure = CheckSpecialPrice(ctx(), a.props(), ref.billId);
            if (!failure.empty()) {
                a.SetMessage(failure);
                return Value(2);
            }
        }
        a.SetMessage("");
        return Value(1);
    });
    On("InvalidBill", [this](Args& args) {
        CallArgs a(args, ctx());
        std::string id = std::to_string(IdOrZero(a[0]));
        auto head = ctx().Query(a.props(), "Select FBillNo,FStatus From T_LS_CX Where FID=" + id);
        if (head->IsEOF()) {
            a.SetMessage("特价单(" + id + ")不存在。");
            return Value(-1);
        }
        std::string billNo = head->Field("FBillNo").ToString();
        int status = IdOrZero(head->Field("FStatus"));
        if (status != 1) {
            a.SetMessage("特价单" + billNo + (status == 3 ? "已经失效。" : "尚未审核，不能失效。"));
            return Value(-1);
        }
        ctx().Exec(a.props(), "Update T_LS_CX Set FStatus=3,FInvalid=1 Where FID=" + id);
        ctx().Exec(a.props(), "Delete From t_LS_ItemPrice Where FXSBillNo=" + SqlText(billNo));
        a.SetMessage("");
        return Value(1);
    });
    On("BatchOperate", [this](Args& args) {
        CallArgs a(args, ctx());
        if (!IEquals(Trim(a[0].ToString()), "Check"))
            throw HostError(ProgId(), "BatchOperate: unknown operation " + a[0].ToString());
        return RunBatch(a, [&](int id) { return CheckSpecialPrice(ctx(), a.props(), id); });
    });
}

// ---- Purchase orders drawn from sales orders ---------------------------------------------

CGOrderEventComponent::CGOrderEventComponent(ServiceContextPtr context)
    : RecordingComponent("QOR_CG_PlugIns.BillEvent_Order", std::move(context)) {
    On("updateXSOrderFUnLinkCGQty", [this](Args& args) {
        CallArgs a(args, ctx());
        auto rows = ctx().Query(
            a.props(),
            "Select e.FEntryID,e.FShowQty,e.FCoefficient,(Select Sum(c.FQty) From "
            "t_CG_OrderEntry c Where c.FClassID_SRC=1030001 And c.FEntryID_SRC=e.FEntryID) As "
            "FLinked From t_XS_OrderEntry e Where e.FID=" +
                SqlInt(a[0]));
        for (; !rows->IsEOF(); rows->MoveNext()) {
            double coefficient = rows->Field("FCoefficient").ToNumber();
            if (coefficient == 0) coefficient = 1;
            double open = rows->Field("FShowQty").ToNumber() -
                          rows->Field("FLinked").ToNumber() / coefficient;
            ctx().Exec(a.props(), "Update t_XS_OrderEntry Set FUnLinkCGQty=" +
                                      NumberToText(std::max(open, 0.0)) +
                                      " Where FEntryID=" + SqlInt(rows->Field("FEntryID")));
        }
        return Value(true);
    });
}

}  // namespace qor::host
