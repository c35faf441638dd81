#include "host/components/stock_components.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <map>
#include <tuple>

#include "host/sql/literals.h"
#include "frame/errors.h"
#include "host/sql/sqlite_functions.h"

namespace qor::host {

namespace {

std::string ItemName(ServiceContext& ctx, const std::string& props, int item) {
    return ctx.Scalar(props, "Select FName From t_ICItem Where FItemID=" + std::to_string(item))
        .ToString();
}

bool IsVirtualStock(ServiceContext& ctx, const std::string& props, int stock) {
    if (stock <= 0) return false;
    return IdOrZero(ctx.Scalar(
               props, "Select FTypeID From t_Stock Where FItemID=" + std::to_string(stock))) == 502;
}

// Serial numbers of a text: separated by "|", "," or line breaks; blanks dropped.
std::vector<std::string> SplitSerials(const std::string& text) {
    std::vector<std::string> serials;
    std::string current;
    for (char c : text + "|") {
        if (c == '|' || c == ',' || c == '\r' || c == '\n') {
            std::string s = Trim(current);
            if (!s.empty()) serials.push_back(s);
            current.clear();
        } else {
            current += c;
        }
    }
    return serials;
}

// The check flag of a CheckBill call: True or -1 checks; False, 1 or anything else unchecks.
bool IsCheckFlag(const Value& v) {
    if (v.type() == Value::Type::Bool) return v.AsBool();
    return v.IsNumber() && v.ToNumber() == -1;
}

// ---- Credit --------------------------------------------------------------------------------

std::string CustomerName(ServiceContext& ctx, const std::string& props, int customer) {
    return ctx
        .Scalar(props, "Select FName From t_Organization Where FItemID=" + std::to_string(customer))
        .ToString();
}

ServiceContext::CustomerFinding EvaluateCredit(ServiceContext& ctx, const std::string& props,
                                               const CollectionPtr& request) {
    ServiceContext::CustomerFinding finding;
    if (!request) return finding;
    int customer = IdOrZero(request->Get("CustOrSupplyID"));
    if (auto forced = ctx.answers().creditExceeded) {
        finding.exceeded = *forced;
        if (*forced)
            finding.message = "客户[" + CustomerName(ctx, props, customer) + "]超出信用额度";
        return finding;
    }
    auto rs = ctx.Query(props,
                        "Select FName,FCreditAmount,FCurComeGoBalance From t_Organization "
                        "Where FItemID=" +
                            std::to_string(customer));
    if (rs->IsEOF()) return finding;
    double credit = rs->Field("FCreditAmount").ToNumber();
    double balance = rs->Field("FCurComeGoBalance").ToNumber();
    double amount = request->Get("AllAmount").ToNumber();
    if (credit > 0 && balance + amount > credit) {
        finding.exceeded = true;
        finding.message = "客户[" + rs->Field("FName").ToString() + "]的应收余额" +
                          NumberToText(balance) + "加本单金额" + NumberToText(amount) +
                          "超出信用额度" + NumberToText(credit);
    }
    return finding;
}

ServiceContext::CustomerFinding EvaluateOverdue(ServiceContext& ctx, const std::string& props,
                                                const CollectionPtr& request) {
    ServiceContext::CustomerFinding finding;
    if (!request) return finding;
    if (auto forced = ctx.answers().overdueExceeded) {
        finding.exceeded = *forced;
        if (*forced) finding.message = "客户存在超过收款期限的未收款金额";
        return finding;
    }
    int customer = IdOrZero(request->Get("CustOrSupplyID"));
    int bill = IdOrZero(request->Get("BillInterID"));
    double overdue =
        ctx.Scalar(props,
                   "Select Sum(FUnCheckAmount) From t_CC_StockBill Where FClassTypeID=1030002"
                   " And FStatus=1 And FUnCheckAmount>0 And FCustID=" +
                       std::to_string(customer) + " And FID<>" + std::to_string(bill) +
                       " And FSettleLimitDate<" + SqlText(sql::TodayText()))
            .ToNumber();
    if (overdue > 0) {
        finding.exceeded = true;
        finding.message = "客户存在超过收款期限的未收款金额" + NumberToText(overdue);
    }
    return finding;
}

// Asks whether to go on past a finding; True when there is nothing to ask about. A finding a
// scenario forced ends with its question.
bool SelectOK(ServiceContext& ctx, const ServiceContext::CustomerFinding& finding,
              std::optional<bool>& forced) {
    forced.reset();
    if (!finding.exceeded) return true;
    return ctx.Ask(finding.message + "，是否继续？", kMsgYesNo + kMsgQuestion, "信息提示") ==
           kAnswerYes;
}

// The advance receipts a bill may still offset: what the customer's checked advance receipts
// have left, plus what the bill itself already took (a saved bill's offset is counted in the
// receipts' FCheckAmount).
double AvailableAdvanceReceipts(ServiceContext& ctx, const std::string& props, int customer,
                                int classType, int bill) {
    double left = ctx.Scalar(props,
                             "Select Sum(FAmount-FCheckAmount) From t_RP_RBill Where "
                             "FBillTypeID=2 And FStatus=1 And FCustID=" +
                                 std::to_string(customer))
                      .ToNumber();
    if (bill > 0)
        left += ctx.Scalar(props, "Select Sum(FCheckAmount) From ICCheckInfo Where FClassTypeID=" +
                                      std::to_string(classType) +
                                      " And FInterID=" + std::to_string(bill))
                    .ToNumber();
    return left;
}

// True when the amount the bill offsets against advance receipts ("FNeutralizeAmount") is more
// than the bill's total ("AllAmount") or more than the customer's advance receipts leave.
bool AdvanceReceiptExceeded(ServiceContext& ctx, const std::string& props,
                            const CollectionPtr& request, std::string& message) {
    message.clear();
    if (!request) return false;
    double offset = std::fabs(request->Get("FNeutralizeAmount").ToNumber());
    if (offset < 0.005) return false;
    double total = std::fabs(request->Get("AllAmount").ToNumber());
    if (offset > total + 0.005) {
        message = "本次冲预收金额" + NumberToText(offset) + "超过单据金额" + NumberToText(total) +
                  "，请修改。";
        return true;
    }
    int customer = IdOrZero(request->Get("CustOrSupplyID"));
    double left =
        AvailableAdvanceReceipts(ctx, props, customer, IdOrZero(request->Get("ClassTypeID")),
                                 IdOrZero(request->Get("BillInterID")));
    if (offset > left + 0.005) {
        message = "客户[" + CustomerName(ctx, props, customer) + "]可冲销的预收款余额为" +
                  NumberToText(left) + "，本次冲预收金额" + NumberToText(offset) + "超出余额。";
        return true;
    }
    return false;
}

}  // namespace

int IdOrZero(const Value& v) {
    try {
        return ToId(v);
    } catch (...) {
        return 0;
    }
}

CheckOutcome SetBillsChecked(ServiceContext& ctx, const std::string& props,
                             const std::vector<BillRef>& bills, bool checking) {
    struct Target {
        std::string table;
        int id;
    };
    std::vector<Target> targets;
    for (const auto& bill : bills) {
        std::string table = BillTableOf(bill.classTypeId);
        std::string id = std::to_string(bill.billId);
        if (table.empty() || bill.billId <= 0) return {0, "单据(" + id + ")不存在。"};
        auto rs = ctx.Query(props, "Select FStatus,FBillNo From " + table + " Where FID=" + id);
        if (rs->IsEOF()) return {0, "单据(" + id + ")不存在。"};
        std::string billNo = rs->Field("FBillNo").ToString();
        int status = IdOrZero(rs->Field("FStatus"));
        if (checking && status != 0) return {2, "单据" + billNo + "已经审核，不能重复审核。"};
        if (!checking && status == 0) return {2, "单据" + billNo + "尚未审核，不能反审核。"};
        if (!checking && status != 1) return {2, "单据" + billNo + "已经关闭，不能反审核。"};
        targets.push_back({table, bill.billId});
    }
    if (targets.empty()) return {0, "没有要审核的单据。"};
    std::string user = std::to_string(ctx.UserIdOf(props));
    for (const auto& t : targets) {
        std::string set = checking ? "FStatus=1,FCheckerID=" + user : "FStatus=0,FCheckerID=0";
        if (t.table != "T_CC_ZZCX")
            set += checking ? ",FCheckDate=" + SqlText(sql::TodayText()) : ",FCheckDate=Null";
        ctx.Exec(props, "Update " + t.table + " Set " + set + " Where FID=" + std::to_string(t.id));
    }
    return {1, ""};
}

std::string EntryTableOf(int classTypeId) {
    std::string header = BillTableOf(classTypeId);
    if (header.empty()) return "";
    if (header == "T_CC_ZZCX") return "t_CC_ZZCX_ENTRY";
    return header + "Entry";
}

std::string BillTableOf(int classTypeId) {
    switch (classTypeId) {
        case 1020001:
            return "t_CG_Order";
        case 1030001:
            return "t_XS_Order";
        case 1030005:
            return "t_cc_Change";
        case 1030006:
            return "T_LS_CX";
        case 1040005:
        case 1040006:
            return "T_CC_ZZCX";
        case 1020002:
        case 1020003:
        case 1020004:
        case 1030002:
        case 1030003:
        case 1030004:
        case 1040001:
        case 1040002:
        case 1040003:
        case 1040004:
        case 1040007:
        case 1040008:
            return "t_CC_StockBill";
        default:
            return "";
    }
}

// ---- Item information ----------------------------------------------------------------------

ItemInfoComponent::ItemInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBSGLItem.ItemInfo", std::move(context)) {
    On("isBatchManager", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(ctx()
                         .Scalar(a.props(),
                                 "Select FISBatchManager From t_ICItem Where "
                                 "FItemID=" +
                                     SqlInt(a[0]))
                         .ToNumber() != 0);
    });
    On("GetStockInfo", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(ctx()
                         .Scalar(a.props(),
                                 "Select FNumber From t_Stock Where FTypeID<>502 And "
                                 "FDeleted=0 Order By FItemID")
                         .ToString());
    });
    On("GetDetail", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(RowToCollection(
            ctx().Query(a.props(), "Select * From t_Organization Where FItemID=" + SqlInt(a[0]))));
    });
}

// ---- Costs ---------------------------------------------------------------------------------

StockBillReaderComponent::StockBillReaderComponent(ServiceContextPtr context)
    : RecordingComponent("QORMCalCulateItemCost.StockBillReader", std::move(context)) {
    auto cost = [this](Args& args, bool byBatch) {
        CallArgs a(args, ctx());
        std::string sql =
            "Select Sum(FAmount) As FAmount,Sum(FQty) As FQty From t_cc_inventory "
            "Where FItemID=" +
            SqlInt(a[0]);
        if (IdOrZero(a[1]) > 0) sql += " And FStockID=" + SqlInt(a[1]);
        if (byBatch) sql += " And FBatchNo=" + SqlText(a[2].ToString());
        auto rs = ctx().Query(a.props(), sql);
        if (rs->IsEOF()) return Value(0.0);
        double qty = rs->Field("FQty").ToNumber();
        return Value(qty > 0 ? rs->Field("FAmount").ToNumber() / qty : 0.0);
    };
    On("GetCost", [cost](Args& args) { return cost(args, false); });
    On("GetCost80", [cost](Args& args) { return cost(args, true); });
}

// ---- Serial numbers ------------------------------------------------------------------------

SerialNumInfoComponent::SerialNumInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORMSerialNumMgr.clsInfo", std::move(context)) {
    On("CheckSerialNumQty", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        int bill = IdOrZero(a[1]);
        int row = IdOrZero(a[2]);
        if (bill <= 0) return Value(true);
        std::vector<std::string> listed;
        if (auto list = a[9].As<Collection>()) {
            for (const auto& [k, v] : *list) listed.push_back(Trim(v.ToString()));
        } else {
            listed = SplitSerials(a[9].ToString());
        }
        std::string sql =
            "Select a.FSerialNo From t_SerialNumList a Where a.FBillID=" + std::to_string(bill) +
            " And a.FItemID=" + SqlInt(a[3]) +
            " And Exists (Select 1 From t_SerialNumList b Where b.FItemID=a.FItemID And "
            "b.FSerialNo=a.FSerialNo And b.FID>a.FID And b.FBillID<>a.FBillID And b.FBillID>0)";
        if (row >= 1) sql += " And a.FBillIndexID=" + std::to_string(row);
        auto rs = ctx().Query(a.props(), sql);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            if (listed.empty()) return Value(false);
            std::string used = Trim(rs->Field(0).ToString());
            for (const auto& s : listed)
                if (IEquals(s, used)) return Value(false);
        }
        return Value(true);
    });
}

// ---- Batch numbers -------------------------------------------------------------------------

BatchNoRuleComponent::BatchNoRuleComponent(ServiceContextPtr context)
    : RecordingComponent("QORMBatchNoRule.clsBatchNoRule", std::move(context)) {
    On("GetBatchNo", [this](Args& args) {
        CallArgs a(args, ctx());
        auto date = ParseDate(a[0].ToString());
        std::string day = FormatDate(date ? *date : *ParseDate(sql::TodayText()));
        std::string prefix = day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2);
        constexpr int kSerialLen = 3;
        std::string like = SqlText(prefix + "%");
        auto rs = ctx().Query(a.props(), "Select FBatchNo From t_CC_StockBillEntry Where FItemID=" +
                                             SqlInt(a[1]) + " And FBatchNo Like " + like +
                                             " Union Select FBatchNo From t_cc_inventory Where "
                                             "FItemID=" +
                                             SqlInt(a[1]) + " And FBatchNo Like " + like);
        long highest = 0;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            std::string tail = rs->Field(0).ToString().substr(prefix.size());
            if (tail.empty() || tail.size() > 9 ||
                tail.find_first_not_of("0123456789") != std::string::npos)
                continue;
            highest = std::max(highest, std::stol(tail));
        }
        return Value(Collection::Make({{"Prefix", prefix},
                                       {"CurSerial", static_cast<long long>(highest + 1)},
                                       {"SerialLen", kSerialLen}}));
    });
}

// ---- Stock, limits and bill checks ---------------------------------------------------------

StockInfoComponent::StockInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QOR_CC_PlugIns.clsStockInfo", std::move(context)) {
    On("CheckItemStockNum", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        auto request = a.FirstCollection();
        if (!request) return Value(0);
        int billType = IdOrZero(request->Get("BillType"));
        if (billType == 3002 || billType == 3004 || billType == 3011) {  // goods come back
            a.SetMessage("");
            return Value(0);
        }
        // Quantities needed per item, stock, batch and auxiliary property, with their rows.
        using Key = std::tuple<int, int, std::string, int>;
        std::map<Key, std::pair<double, std::string>> needed;
        int rowNo = 0;
        for (const auto& row : RowsWithKey(request, "FItemID")) {
            ++rowNo;
            int item = IdOrZero(row->Get("FItemID"));
            double qty = row->Get("FQty").ToNumber();
            if (item <= 0 || qty <= 0) continue;
            int stock = IdOrZero(row->Get("FSCStockID", row->Get("StockID")));
            if (IsVirtualStock(ctx(), a.props(), stock)) continue;
            Key key{item, stock, Trim(row->Get("FBatchNo").ToString()),
                    IdOrZero(row->Get("FAuxPropID"))};
            auto& n = needed[key];
            n.first += qty;
            n.second +=
                (n.second.empty() ? "" : ",") +
                std::to_string(row->Exists("FIndex") ? IdOrZero(row->Get("FIndex")) : rowNo);
        }
        std::string message;
        for (const auto& [key, need] : needed) {
            const auto& [item, stock, batch, aux] = key;
            std::string sql =
                "Select Sum(FQty) From t_cc_inventory Where FItemID=" + std::to_string(item) +
                " And FStockID=" + std::to_string(stock);
            if (!batch.empty()) sql += " And FBatchNo=" + SqlText(batch);
            if (aux > 0) sql += " And FAuxPropID=" + std::to_string(aux);
            double onHand = ctx().Scalar(a.props(), sql).ToNumber();
            if (need.first > onHand + 1e-9) {
                if (!message.empty()) message += "\r\n";
                message += "第" + need.second + "行商品[" + ItemName(ctx(), a.props(), item) +
                           "]库存不足：需要" + NumberToText(need.first) + "，库存" +
                           NumberToText(onHand) + "。";
            }
        }
        a.SetMessage(message);
        return Value(message.empty() ? 0 : ctx().answers().stockShortageCode);
    });
    On("CheckBill", [this](Args& args) {
        CallArgs a(args, ctx());
        auto request = a.FirstCollection();
        bool checking = false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!a[i].IsObject() && !a[i].IsText()) {
                checking = IsCheckFlag(a[i]);
                break;
            }
        std::vector<BillRef> bills;
        for (const auto& d : RowsWithKey(request, "BillInterID"))
            bills.push_back({IdOrZero(d->Get("ClassTypeID")), IdOrZero(d->Get("BillInterID"))});
        auto outcome = SetBillsChecked(ctx(), a.props(), bills, checking);
        a.SetMessage(outcome.message);
        return Value(outcome.code);
    });
    On("CheckSerialNoCount", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        // The bill's description and its rows may come in one record or in several.
        int bill = 0;
        std::vector<CollectionPtr> rows;
        for (size_t i = 0; i < a.size(); ++i) {
            auto c = a[i].As<Collection>();
            if (!c) continue;
            if (c->Exists("BillInterID")) bill = IdOrZero(c->Get("BillInterID"));
            for (const auto& r : RowsWithKey(c, "FItemID")) rows.push_back(r);
        }
        for (const auto& row : rows) {
            int item = IdOrZero(row->Get("FItemID"));
            if (item <= 0 ||
                ctx().Scalar(a.props(), "Select FIsSerialNumMgr From t_ICItem Where FItemID=" +
                                            std::to_string(item))
                        .ToNumber() == 0)
                continue;
            int index = IdOrZero(row->Get("FIndex"));
            if (index <= 0) index = IdOrZero(row->Get("FIndex2"));
            double qty = row->Get("FQty").ToNumber();
            double count = 0;
            if (row->Exists("FSerialNo")) {
                count = static_cast<double>(SplitSerials(row->Get("FSerialNo").ToString()).size());
            } else {
                count =
                    ctx()
                        .Scalar(a.props(), "Select Count(*) From t_SerialNumList Where FBillID=" +
                                               std::to_string(bill) +
                                               " And FBillIndexID=" + std::to_string(index) +
                                               " And FItemID=" + std::to_string(item))
                        .ToNumber();
            }
            if (std::fabs(count - std::fabs(qty)) > 1e-9) {
                a.SetMessage("第" + std::to_string(index) + "行商品[" +
                             ItemName(ctx(), a.props(), item) + "]的序列号个数" +
                             NumberToText(count) + "与数量" + NumberToText(std::fabs(qty)) +
                             "不一致。");
                return Value(false);
            }
        }
        a.SetMessage("");
        return Value(true);
    });
    On("GetSystemProfile", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(ctx()
                         .Scalar(a.props(), "Select FValue From t_SystemProfile Where FCategory=" +
                                                SqlText(a[0].ToString()) +
                                                " And FKey=" + SqlText(a[1].ToString()))
                         .ToString());
    });
    On("CheckLimitPrice", [this](Args& args) {
        CallArgs a(args, ctx());
        auto line = a.FirstCollection();
        if (!line) return Value(false);
        int item = IdOrZero(line->Get("ItemID"));
        double price = line->Get("Price").ToNumber();
        double floor =
            ctx()
                .Scalar(a.props(),
                        "Select FLowestPrice From t_ItemPrice Where "
                        "FItemID=" +
                            std::to_string(item) + " And FUnitID=" + SqlInt(line->Get("UnitID")))
                .ToNumber();
        if (floor > 0 && price < floor) {
            a.SetMessage("第" + line->Get("Index").ToString() + "行商品[" +
                         ItemName(ctx(), a.props(), item) + "]的单价" + NumberToText(price) +
                         "低于最低限价" + NumberToText(floor) + "。");
            return Value(true);
        }
        a.SetMessage("");
        return Value(false);
    });
    On("CreditSelectOK", [this](Args& args) {
        CallArgs a(args, ctx());
        if (auto request = a.FirstCollection())
            ctx().lastCredit = EvaluateCredit(ctx(), a.props(), request);
        return Value(SelectOK(ctx(), ctx().lastCredit, ctx().answers().creditExceeded));
    });
    On("UnCheckAmountOutOfDateSelectOK", [this](Args& args) {
        CallArgs a(args, ctx());
        if (auto request = a.FirstCollection())
            ctx().lastOverdue = EvaluateOverdue(ctx(), a.props(), request);
        return Value(SelectOK(ctx(), ctx().lastOverdue, ctx().answers().overdueExceeded));
    });
}

PublicSysInfoComponent::PublicSysInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORM_CC_PlugIns.PublicSysInfo", std::move(context)) {
    On("CheckCredit", [this](Args& args) {
        CallArgs a(args, ctx());
        ctx().lastCredit = EvaluateCredit(ctx(), a.props(), a.FirstCollection());
        return Value(ctx().lastCredit.exceeded);
    });
    On("CreditSelectOK", [this](Args& args) {
        CallArgs a(args, ctx());
        if (auto request = a.FirstCollection())
            ctx().lastCredit = EvaluateCredit(ctx(), a.props(), request);
        return Value(SelectOK(ctx(), ctx().lastCredit, ctx().answers().creditExceeded));
    });
    On("CheckUnCheckAmountOutOfDate", [this](Args& args) {
        CallArgs a(args, ctx());
        ctx().lastOverdue = EvaluateOverdue(ctx(), a.props(), a.FirstCollection());
        return Value(ctx().lastOverdue.exceeded);
    });
    On("UnCheckAmountOutOfDateSelectOK", [this](Args& args) {
        CallArgs a(args, ctx());
        if (auto request = a.FirstCollection())
            ctx().lastOverdue = EvaluateOverdue(ctx(), a.props(), request);
        return Value(SelectOK(ctx(), ctx().lastOverdue, ctx().answers().overdueExceeded));
    });
    On("CheckPreReceiveAmount", [this](Args& args) {
        CallArgs a(args, ctx());
        std::string message;
        bool exceeded = AdvanceReceiptExceeded(ctx(), a.props(), a.FirstCollection(), message);
        a.SetMessage(message);
        return Value(exceeded);
    });
}

// ---- Contacts ------------------------------------------------------------------------------

BarCodeUpdateComponent::BarCodeUpdateComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBSGLItem.clsBarCodeUpdate", std::move(context)) {
    On("SaveContactData", [this](Args& args) {
        CallArgs a(args, ctx());
        int customer = IdOrZero(a[0]);
        if (customer <= 0) throw HostError(ProgId(), "SaveContactData: no customer");
        static const char* kColumns[] = {"FContact",  "FAddress", "FPhone",    "FMobilePhone",
                                         "FFax",      "FEmail",   "FDeptName", "FQQNum",
                                         "FPosition", "FPhoto"};
        for (const auto& c : RowsWithKey(a.FirstCollection(), "FContact")) {
            int isFirst = IdOrZero(c->Get("FIsFirst"));
            int id = IdOrZero(c->Get("FID"));
            if (IdOrZero(c->Get("FIsNew")) == 1 || id <= 0) {
                std::string cols = "FItemID,FIsFirst",
                            values = std::to_string(customer) + "," + std::to_string(isFirst);
                for (const char* col : kColumns) {
                    cols += std::string(",") + col;
                    values += "," + SqlText(c->Get(col).ToString());
                }
                ctx().Exec(a.props(),
                           "Insert Into t_Contact (" + cols + ") Values (" + values + ")");
            } else {
                std::string set = "FIsFirst=" + std::to_string(isFirst);
                for (const char* col : kColumns)
                    set += std::string(",") + col + "=" + SqlText(c->Get(col).ToString());
                ctx().Exec(a.props(), "Update t_Contact Set " + set +
                                          " Where FID=" + std::to_string(id) +
                                          " And FItemID=" + std::to_string(customer));
            }
        }
        return Value(true);
    });
    On("ShowPopTip", [this](Args& args) {
        ShownWindow w{ProgId(), args.size() > 1 ? args[1].ToString() : "", {}, nullptr};
        if (!args.empty()) w.lines.push_back(args[0].ToString());
        ctx().Show(std::move(w));
        return Value();
    });
    On("UpdateBarCode", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(UpdateBillBarcodes(ctx(), a.props(), IdOrZero(a[0]), IdOrZero(a[1])));
    });
}

int UpdateBillBarcodes(ServiceContext& ctx, const std::string& props, int classTypeId, int billId) {
    // The stock bills, the sales orders and the exchange bills carry barcodes on their rows.
    std::string header = BillTableOf(classTypeId);
    if (header != "t_CC_StockBill" && header != "t_XS_Order" && header != "t_cc_Change") return 0;
    std::string entryTable = EntryTableOf(classTypeId);
    if (billId <= 0) return 0;
    auto rows =
        ctx.Query(props, "Select FItemID,FShowUnitID,FCoefficient,FBarcode From " + entryTable +
                             " Where FID=" + std::to_string(billId) + " Order By FIndex");
    int written = 0;
    for (; !rows->IsEOF(); rows->MoveNext()) {
        int item = IdOrZero(rows->Field("FItemID"));
        int unit = IdOrZero(rows->Field("FShowUnitID"));
        std::string barcode = Trim(rows->Field("FBarcode").ToString());
        if (item <= 0 || unit <= 0 || barcode.empty()) continue;
        std::string of =
            " Where FItemID=" + std::to_string(item) + " And FUnitID=" + std::to_string(unit);
        auto known = ctx.Query(props, "Select FID,FBarcode From t_barcode" + of);
        if (!known->IsEOF()) {
            if (!Trim(known->Field("FBarcode").ToString()).empty()) continue;  // the item's stands
            ctx.Exec(props, "Update t_barcode Set FBarcode=" + SqlText(barcode) +
                                " Where FID=" + std::to_string(IdOrZero(known->Field("FID"))));
        } else {
            int id = IdOrZero(ctx.Scalar(props, "Select Max(FID) From t_barcode")) + 1;
            int entryNo = IdOrZero(ctx.Scalar(props,
                                              "Select Max(FEntryNo) From t_barcode Where "
                                              "FItemID=" +
                                                  std::to_string(item))) +
                          1;
            double coefficient = rows->Field("FCoefficient").ToNumber();
            ctx.Exec(props,
                     "Insert Into t_barcode (FID,FItemID,FUnitID,FEntryNo,FCoefficient,FBarcode,"
                     "FOrder) Values (" +
                         std::to_string(id) + "," + std::to_string(item) + "," +
                         std::to_string(unit) + "," + std::to_string(entryNo) + "," +
                         NumberToText(coefficient > 0 ? coefficient : 1) + "," + SqlText(barcode) +
                         "," + std::to_string(entryNo) + ")");
        }
        ++written;
    }
    return written;
}

}  // namespace qor::host
