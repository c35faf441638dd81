#include "host/components/ui_components.h"

#include "frame/data_access.h"
#include "host/components/stock_components.h"

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

// Makes one logistics bill for the checked sales bills (by number) that have none yet.
// Returns the bills done; the reasons for the others are added to failures.
int MakeLogistic(ServiceContext& ctx, const std::string& props,
                 const std::vector<std::string>& billNos, std::string& failures) {
    std::string number;
    int done = 0;
    for (const auto& billNo : billNos) {
        auto rs = ctx.Query(props,
                            "Select FStatus,FLogisticNumber From t_CC_StockBill Where "
                            "FClassTypeID=1030002 And FBillNo=" +
                                SqlValue(billNo));
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
        ctx.Exec(props, "Update t_CC_StockBill Set FLogisticNumber=" + SqlValue(number) +
                            " Where FClassTypeID=1030002 And FBillNo=" + SqlValue(billNo));
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
    for (const char* p : {"FBillCodeList", "BillCode", "Command"}) Property(p);
    On("Show", [this](Args& args) {
        std::string command = args.empty() ? Prop("Command").ToString() : args[0].ToString();
        ShownWindow w{ProgId(), command, {}, Properties()->Clone()};
        if (IEquals(Trim(command), "BillToLogisticMake")) {
            std::string failures;
            MakeLogistic(ctx(), ctx().LoginProps(), SplitCommas(Prop("FBillCodeList").ToString()),
                         failures);
            if (!failures.empty()) w.lines.push_back(failures);
        }
        ctx().Show(std::move(w));
        return Value();
    });
    On("BatchMakeLogisticDataProc", [this](Args& args) {
        CallArgs a(args, ctx());
        std::vector<std::string> billNos;
        for (const auto& bill : RowsWithKey(a.FirstCollection(), "BillNo"))
            billNos.push_back(Trim(bill->Get("BillNo").ToString()));
        std::string failures;
        int done = MakeLogistic(ctx(), a.props(), billNos, failures);
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
                                        SqlValue(a[0].ToString()));
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
        return Value(true);
    });
}

InvoiceItemInfoComponent::InvoiceItemInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORMInvoiceManage.clsInvoiceManage", std::move(context)) {
    On("GetICItemInfo", [this](Args& args) {
        CallArgs a(args, ctx());
        return Value(RowToCollection(
            ctx().Query(a.props(),
                        "Select FTaxableItem,FTaxRate,FIsTaxPrice,FTaxCategoryID From "
                        "t_ICItem Where FItemID=" +
                            SqlId(a[0]))));
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
