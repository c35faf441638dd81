#include "host/components/ui_components.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "host/sql/literals.h"
#include "host/components/stock_components.h"
#include "host/sql/sqlite_functions.h"

namespace qor::host {

namespace {

std::vector<std::string> SplitBars(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

// One bill to make a logistics bill for: its number and its class (a sales bill when the
// caller does not say).
struct LogisticSource {
    std::string billNo;
    int classType = 1030002;
};

int ClassOrSalesBill(const Value& classType) {
    const int cls = IdOrZero(classType);
    return cls > 0 ? cls : 1030002;
}

// Makes one logistics bill for the checked bills (by number and class) that have none yet.
// Returns the bills done; the reasons for the others are added to failures.
int MakeLogistic(ServiceContext& ctx, const std::string& props,
                 const std::vector<LogisticSource>& bills, std::string& failures) {
    std::string number;
    int done = 0;
    for (const auto& [billNo, classType] : bills) {
        std::string table = BillTableOf(classType);
        if (table.empty()) table = "t_CC_StockBill";
        const std::string where =
            " Where FClassTypeID=" + std::to_string(classType) + " And FBillNo=" + SqlText(billNo);
        auto rs = ctx.Query(props, "Select FStatus,FLogisticNumber From " + table + where);
        std::string failure;
        if (rs->IsEOF()) {
            failure = "销售单" + billNo + "不存在。";
        } else if (!Trim(rs->Field("FLogisticNumber").ToString()).empty()) {
            failure = "销售单" + billNo + "已经生成物流单。";
        } else if (IdOrZero(rs->Field("FStatus")) != 1) {
            failure = "销售单" + billNo + "尚未审核。";
        }
        if (!failure.empty()) {
            failures += (failures.empty() ? "" : "\r\n") + failure;
            continue;
        }
        if (number.empty()) number = "WL" + billNo;
        ctx.Exec(props, "Update " + table + " Set FLogisticNumber=" + SqlText(number) + where);
        ++done;
    }
    return done;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::string rest = text;
    while (!rest.empty()) {
        auto comma = rest.find(',');
        std::string part = Trim(rest.substr(0, comma));
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace

RelateBillLookUpComponent::RelateBillLookUpComponent(ServiceContextPtr context)
    : RecordingComponent("QORClassLookUp.RelateBilllookUp", std::move(context)) {
    for (const char* p :
         {"Caption", "TitleName", "TitleDict", "EntryDict", "ClassTypeID", "Columns", "SQL"})
        Property(p);
    On("Show", [this](Args&) {
        auto data = Properties()->Clone();
        std::string sql = Trim(Prop("SQL").ToString());
        if (!sql.empty()) data->Set("Rows", ctx().Query(ctx().LoginProps(), sql));
        ctx().Show({ProgId(), Prop("Caption").ToString(), {}, data});
        return Value();
    });
}

MDIMainComponent::MDIMainComponent(ServiceContextPtr context)
    : RecordingComponent("QORMain.MDIMain", std::move(context)) {
    auto record = [this](Args& args) {
        ShownWindow w{ProgId(), "", {}, nullptr};
        for (const auto& a : args)
            if (!a.IsObject()) w.lines.push_back(a.ToString());
        if (!w.lines.empty()) w.title = w.lines.front();
        ctx().Show(std::move(w));
        return Value();
    };
    On("ShowByCondition", record);
    On("AddItem", record);
}

LogisticApplicationComponent::LogisticApplicationComponent(ServiceContextPtr context)
    : RecordingComponent("QORLogisticManage.Application", std::move(context)) {
    for (const char* p : {"FBillCodeList", "BillCode", "Command", "ClassTypeID"}) Property(p);
    On("Show", [this](Args& args) {
        std::string command = args.empty() ? Prop("Command").ToString() : args[0].ToString();
        ShownWindow w{ProgId(), command, {}, Properties()->Clone()};
        if (IEquals(Trim(command), "BillToLogisticMake")) {
            std::string failures;
            std::vector<LogisticSource> bills;
            for (const auto& billNo : SplitCommas(Prop("FBillCodeList").ToString()))
                bills.push_back({billNo, ClassOrSalesBill(Prop("ClassTypeID"))});
            MakeLogistic(ctx(), ctx().LoginProps(), bills, failures);
            if (!failures.empty()) w.lines.push_back(failures);
        }
        ctx().Show(std::move(w));
        return Value();
    });
    On("BatchMakeLogisticDataProc", [this](Args& args) {
        CallArgs a(args, ctx());
        std::vector<LogisticSource> bills;
        for (const auto& bill : RowsWithKey(a.FirstCollection(), "BillNo"))
            bills.push_back(
                {Trim(bill->Get("BillNo").ToString()), ClassOrSalesBill(bill->Get("ClassTypeID"))});
        std::string failures;
        int done = MakeLogistic(ctx(), a.props(), bills, failures);
        a.SetMessage(failures);
        return Value(done);
    });
}

LogisticInfoComponent::LogisticInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORMLogisticManage.clsInfo", std::move(context)) {
    On("ExistsMakeLogistic", [this](Args& args) {
        CallArgs a(args, ctx());
        Value number = ctx().Scalar(a.props(),
                                    "Select FLogisticNumber From t_CC_StockBill Where "
                                    "FClassTypeID=1030002 And FBillNo=" +
                                        SqlText(a[0].ToString()));
        return Value(!Trim(number.ToString()).empty());
    });
}

InvoiceManageComponent::InvoiceManageComponent(ServiceContextPtr context)
    : RecordingComponent("QORInvoiceManage.InvoiceManage", std::move(context)) {
    On("SaleBillMakeQvtInvoice", [this](Args& args) {
        CallArgs a(args, ctx());
        auto dictionary = a.FirstCollection();
        if (!dictionary) return Value(false);
        ctx().InvoiceDictionaries().push_back(dictionary);
        std::string refusal;
        auto invoice = MakeInvoice(ctx(), a.props(), dictionary, refusal);
        if (!invoice) {
            ctx().Ask(refusal, kMsgInformation, "信息提示");
            return Value(false);
        }
        auto data = dictionary->Clone();
        data->Set("FCode", invoice->code);
        data->Set("FNumber", invoice->number);
        ctx().Show({ProgId(),
                    IdOrZero(dictionary->Get("eType")) == 3 ? "增值税专用发票" : "增值税普通发票",
                    {"发票代码" + invoice->code, "发票号码" + invoice->number},
                    data});
        return Value(true);
    });
}

std::optional<MadeInvoice> MakeInvoice(ServiceContext& ctx, const std::string& props,
                                       const CollectionPtr& dictionary, std::string& refusal) {
    static const std::string kCode = "033002100111";
    std::vector<CollectionPtr> entries;
    if (auto list = dictionary ? dictionary->Sub("Entries") : nullptr)
        for (const auto& [k, v] : *list)
            if (auto e = v.As<Collection>()) entries.push_back(e);
    if (entries.empty()) {
        refusal = "发票没有明细，不能开票。";
        return std::nullopt;
    }
    // What each source row has left to invoice, less what earlier entries of this invoice take.
    std::map<std::tuple<int, int, int>, double> left;
    int n = 0;
    for (const auto& e : entries) {
        ++n;
        int cls = IdOrZero(e->Get("FClassID_SRC"));
        int bill = IdOrZero(e->Get("FID_SRC"));
        int entry = IdOrZero(e->Get("FEntryID_SRC"));
        std::string entryTable = EntryTableOf(cls);
        if (bill <= 0 || entry <= 0 || entryTable.empty()) continue;
        auto key = std::make_tuple(cls, bill, entry);
        if (!left.count(key)) {
            Value quantity = ctx.Scalar(props, "Select FShowQty From " + entryTable +
                                                   " Where FID=" + std::to_string(bill) +
                                                   " And FEntryID=" + std::to_string(entry));
            if (quantity.IsBlank()) {
                refusal = "发票明细第" + std::to_string(n) + "行的源单分录不存在，不能开票。";
                return std::nullopt;
            }
            double invoiced =
                ctx.Scalar(props, "Select Sum(FQuantity) From t_InvoiceEntry Where FID_SRC=" +
                                      std::to_string(bill) +
                                      " And FEntryID_SRC=" + std::to_string(entry) +
                                      " And FClassID_SRC=" + std::to_string(cls))
                    .ToNumber();
            left[key] = std::fabs(quantity.ToNumber()) - std::fabs(invoiced);
        }
        double quantity = std::fabs(e->Get("Quantity").ToNumber());
        if (quantity > left[key] + 1e-6) {
            refusal = "发票明细第" + std::to_string(n) + "行商品[" +
                      e->Get("ProductName").ToString() + "]的开票数量" + NumberToText(quantity) +
                      "超过源单" + e->Get("FBillNo_SRC").ToString() + "未开票数量" +
                      NumberToText(std::max(0.0, left[key])) + "，不能重复开票。";
            return std::nullopt;
        }
        left[key] -= quantity;
    }

    MadeInvoice made;
    made.code = kCode;
    ctx.Atomically(props, [&] {
        long long last =
            static_cast<long long>(ctx.Scalar(props,
                                              "Select Max(Cast(FNumber As Integer)) From "
                                              "t_Invoice Where FCode=" +
                                                  SqlText(kCode))
                                       .ToNumber());
        char number[24];
        std::snprintf(number, sizeof number, "%08lld", last + 1);
        made.number = number;
        made.id = IdOrZero(ctx.Scalar(props, "Select Max(FID) From t_Invoice")) + 1;
        double amount = 0, tax = 0, total = 0;
        for (const auto& e : entries) {
            amount += e->Get("Amount").ToNumber();
            tax += e->Get("TaxAmount").ToNumber();
            total += e->Get("AmountIncTax").ToNumber();
        }
        std::string code = SqlText(made.code), no = SqlText(made.number);
        ctx.Exec(props,
                 "Insert Into t_Invoice (FID,FCode,FNumber,FDate,FType,FCustID,FAmount,"
                 "FTaxAmount,FAmountIncludeTax,FRemark) Values (" +
                     std::to_string(made.id) + "," + code + "," + no + "," +
                     SqlText(sql::TodayText()) + "," +
                     std::to_string(IdOrZero(dictionary->Get("eType")) == 3 ? 3 : 2) + "," +
                     std::to_string(IdOrZero(dictionary->Get("BuyerID"))) + "," +
                     NumberToText(amount) + "," + NumberToText(tax) + "," + NumberToText(total) +
                     "," + SqlText(dictionary->Get("FRemark").ToString()) + ")");
        std::map<std::pair<int, int>, double> billTotals;  // (class, bill) -> amount with tax
        for (const auto& e : entries) {
            int cls = IdOrZero(e->Get("FClassID_SRC"));
            int bill = IdOrZero(e->Get("FID_SRC"));
            ctx.Exec(
                props,
                "Insert Into t_InvoiceEntry (FInvCode,FInvNumber,FItemID,FUnitID,FQuantity,"
                "FPrice,FPriceIncludeTax,FAmount,FTaxRate,FTaxAmount,FAmountIncludeTax,"
                "FID_SRC,FEntryID_SRC,FClassID_SRC,FBillNo_SRC) Values (" +
                    code + "," + no + "," + std::to_string(IdOrZero(e->Get("FItemID"))) + "," +
                    std::to_string(IdOrZero(e->Get("FUnitID"))) + "," +
                    NumberToText(e->Get("Quantity").ToNumber()) + "," +
                    NumberToText(e->Get("Price").ToNumber()) + "," +
                    NumberToText(e->Get("PriceIncTax").ToNumber()) + "," +
                    NumberToText(e->Get("Amount").ToNumber()) + "," +
                    NumberToText(e->Get("TaxRate").ToNumber()) + "," +
                    NumberToText(e->Get("TaxAmount").ToNumber()) + "," +
                    NumberToText(e->Get("AmountIncTax").ToNumber()) + "," + std::to_string(bill) +
                    "," + std::to_string(IdOrZero(e->Get("FEntryID_SRC"))) + "," +
                    std::to_string(cls) + "," + SqlText(e->Get("FBillNo_SRC").ToString()) + ")");
            if (bill > 0) billTotals[{cls, bill}] += std::fabs(e->Get("AmountIncTax").ToNumber());
        }
        // The bills invoiced carry what was invoiced of them and the last invoice's number.
        for (const auto& [key, invoiced] : billTotals) {
            if (BillTableOf(key.first) != "t_CC_StockBill") continue;
            std::string sum = "(FInvoiceAmt+" + NumberToText(invoiced) + ")";
            ctx.Exec(props, "Update t_CC_StockBill Set FInvoiceAmt=" + sum +
                                ",FNoInvoiceAmt=FAllAmount-" + sum + ",FInvoiceNO=" + no +
                                " Where FID=" + std::to_string(key.second) +
                                " And FClassTypeID=" + std::to_string(key.first));
        }
    });
    return made;
}

InvoiceItemInfoComponent::InvoiceItemInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORMInvoiceManage.clsInvoiceManage", std::move(context)) {
    On("GetICItemInfo", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(RowToCollection(
            ctx().Query(a.props(),
                        "Select FTaxableItem,FTaxRate,FIsTaxPrice,FTaxCategoryID From "
                        "t_ICItem Where FItemID=" +
                            SqlInt(a[0]))));
    });
}

PriceToolComponent::PriceToolComponent(ServiceContextPtr context)
    : RecordingComponent("QORPriceMgr.Application", std::move(context)) {
    On("Show", [this](Args&) {
        ctx().Show({ProgId(), "价格管理", {}, nullptr});
        return Value();
    });
}

DisplayerComponent::DisplayerComponent(ServiceContextPtr context)
    : RecordingComponent("QORDisplayer.DispBuilder", std::move(context)) {
    On("SetColWidth", [this](Args& args) {
        if (args.size() >= 2) Properties()->Set("ColWidth" + args[0].ToString(), args[1]);
        return Value();
    });
    On("Show", [this](Args& args) {
        // The text to show, then the window's type ("Info").
        ShownWindow w{ProgId(), "", {}, Properties()->Clone()};
        bool haveText = false;
        for (const auto& a : args) {
            if (!a.IsText()) continue;
            if (haveText) {
                w.data->Set("Type", a);
                break;
            }
            haveText = true;
            for (auto& line : SplitBars(a.AsText())) w.lines.push_back(line);
        }
        if (!w.lines.empty()) w.title = w.lines.front();
        ctx().Show(std::move(w));
        return Value();
    });
}

HelpTipComponent::HelpTipComponent(ServiceContextPtr context)
    : RecordingComponent("QorHelpTip.HelpTip", std::move(context)) {
    On("ShowPopTip", [this](Args& args) {
        ShownWindow w{ProgId(), args.size() > 1 ? args[1].ToString() : "", {}, nullptr};
        if (!args.empty()) w.lines.push_back(args[0].ToString());
        ctx().Show(std::move(w));
        return Value();
    });
}

StringBuilderComponent::StringBuilderComponent(ServiceContextPtr context)
    : RecordingComponent("pelic.stringbuilder", std::move(context)) {
    On("Append", [this](Args& args) {
        for (const auto& a : args) text_ += a.ToString();
        return Value();
    });
    On("StringValue", [this](Args&) { return Value(text_); });
}

}  // namespace qor::host
