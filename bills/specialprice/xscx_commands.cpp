#include "bills/specialprice/xscx_commands.h"

#include <cmath>
#include <string>

#include "bills/common/entry_rows.h"
#include "bills/specialprice/billevent_xscx.h"
#include "frame/data_access.h"
#include "frame/login.h"
#include "frame/platform.h"
#include "services/common.h"
#include "services/stock_period.h"
#include "services/system_options.h"

namespace qor {

// ---- Check and invalidate through the host's special-price component ---------------------------

Verdict BillEvent_XSCX::ConfirmAndCheck(bool checking, bool fromList) {
    const std::string question =
        std::string("是否确认审核") + (fromList ? "选择" : "当前") + "单据，审核后不允许再反审核！";
    if (ShowMessage(question, kMsgYesNo | kMsgQuestion) != kAnswerYes) return Verdict::Silent();
    auto update = CreateHostObject<IComponent>("QORM_XS_PlugIns.CXUpdate");
    Args args;
    if (fromList) {
        args = {Value(m_ListInterface()->Selection()), Value(m_ListInterface()->FID())};
    } else {
        IBillForm& bill = *m_BillInterface();
        args = {bill.GetFieldValue("FID"), Value(bill.FID())};
    }
    args.insert(args.end(), {Value(checking), Value(GetPropsString()), Value("")});
    const int code = static_cast<int>(update->Call("CheckBill", args).ToNumber());
    const std::string message = Trim(args.back().ToString());
    if (code == 1) {
        if (!fromList) {
            m_BillInterface()->SetFieldValue("FStatus", 1);
            RefreshSpecialPriceMenus();
        }
        return Verdict::Pass();
    }
    const bool tell = code == -1 || ((code == 0 || code == 2) && !fromList);
    return tell && !message.empty() ? Verdict::Refuse(message) : Verdict::Silent();
}

Verdict BillEvent_XSCX::ConfirmAndInvalidate() {
    if (ShowMessage("是否确认失效当前单据，失效后不允许再反失效！", kMsgYesNo | kMsgQuestion) !=
        kAnswerYes)
        return Verdict::Silent();
    IBillForm& bill = *m_BillInterface();
    auto update = CreateHostObject<IComponent>("QORM_XS_PlugIns.CXUpdate");
    Args args{bill.GetFieldValue("FID"), Value(bill.FID()), bill.GetFieldValue("FPriceType"),
              Value(GetPropsString()), Value("")};
    const int code = static_cast<int>(update->Call("InvalidBill", args).ToNumber());
    const std::string message = Trim(args.back().ToString());
    if (code == -1) return message.empty() ? Verdict::Silent() : Verdict::Refuse(message);
    if (code == 1) {
        bill.SetFieldValue("FStatus", 3);
        RefreshSpecialPriceMenus();
    }
    return Verdict::Pass();
}

namespace xscx {

namespace {

constexpr const char* kZeroOldPrice =
    "原价不允许为零。原价根据“价格管理-售价带出方案”中设置的规则带出。";

BillEvent_XSCX& Plugin(CheckRun& run) {
    return run.Owner<BillEvent_XSCX>();
}

// ---- Save checks -------------------------------------------------------------------------------

Verdict DatedInsideTheAccount(CheckRun& run) {
    const Date billDate = ToDate(run.bill->GetFieldValue("FDate"));
    if (billDate < GetInitStartDate())
        return Verdict::Refuse("单据日期不能小于账套启用期间的第一天。");
    return Verdict::Pass();
}

// Every row with an item has an original price, a special price above zero, and no other row
// further down has the same item and unit.
Verdict RowsPricedOnce(CheckRun& run) {
    IBillForm& bill = *run.bill;
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        const int32_t item = SafeId(bill.GetFieldValue("FItemID", row));
        if (item <= 0) continue;
        if (bill.GetFieldValue("FOldPrice", row).ToNumber() == 0)
            return Verdict::Refuse(kZeroOldPrice).At("FOldPrice", row);
        if (bill.GetFieldValue("FNewPrice", row).ToNumber() <= 0)
            return Verdict::Refuse("特价必须大于零！").At("FNewPrice", row);
        const int32_t unit = SafeId(bill.GetFieldValue("FShowUnitID", row));
        for (int below = row + 1; below <= rows; ++below) {
            if (SafeId(bill.GetFieldValue("FItemID", below)) == item &&
                SafeId(bill.GetFieldValue("FShowUnitID", below)) == unit)
                return Verdict::Refuse("单据表体中存在多个商品和单位完全相同的记录，请重新录入！")
                    .At("FItemID", below);
        }
    }
    return Verdict::Pass();
}

// The header stores the customer list with the bill.
Verdict CustomerListStored(CheckRun& run) {
    if (auto cell = run.bill->GetDataFldbyKey("FCUSTOMER"))
        cell->Set("FFLD", Plugin(run).CustomerList());
    return Verdict::Pass();
}

// ---- Tools -------------------------------------------------------------------------------------

// The special price of every row as a rate of its original price, asked until the rate is
// above zero; an empty answer changes nothing.
Verdict BatchDiscountRate(ToolRun& run) {
    IBillForm& bill = *run.bill;
    if (SafeId(bill.GetFieldValue("FItemID", 1)) <= 0) return Verdict::Silent();
    double rate = 0;
    // A user who keeps giving no rate above zero is asked again; a script that never stops
    // giving one is not asked forever.
    for (int asked = 0; asked < 100; ++asked) {
        const std::string text =
            Trim(Platform().InputBox("请输入批量设置特价折扣率%：", kMsgCaption, "100"));
        if (text.empty()) return Verdict::Pass();
        rate = Val(text);
        if (std::isfinite(rate) && rate > 0) break;
        ShowMessage("请输入大于零的数值！");
        rate = 0;
    }
    if (rate <= 0) return Verdict::Pass();
    const int rows = GetEntryRowCount(bill);
    for (int row = 1; row <= rows; ++row) {
        const double old = bill.GetFieldValue("FOldPrice", row).ToNumber();
        const double special = old * rate / 100;
        bill.SetFieldValue("FNewPrice", special, row);
        bill.SetFieldValue("FDifferPrice", old - special, row);
        bill.SetFieldValue("FDiscountRate", rate, row);
    }
    return Verdict::Pass();
}

// The items of a special-price bill are chosen one by one, never filled down.
Verdict NoBatchFillOfItems(ToolRun& run) {
    auto grid = run.bill->Control("grid");
    if (!grid) return Verdict::Pass();
    grid->SetProperty("Col", grid->GetProperty("ActiveCol"));
    return IEquals(grid->GetProperty("ColKey").ToString(), "FItemID") ? Verdict::Silent()
                                                                      : Verdict::Pass();
}

Verdict DropEmptyRows(ToolRun& run) {
    RemoveEmptyEntryRows(*run.bill);
    return Verdict::Pass();
}

bool IsChecked(ToolRun& run) {
    return run.bill && run.bill->GetFieldValue("FStatus").ToNumber() == 1;
}

}  // namespace

void AddSpecialPriceChecks(RuleBook& b) {
    b.Check(Stage::Save, "the bill date lies inside the account", &DatedInsideTheAccount)
        .Check(Stage::Save, "every row priced, once per item and unit", &RowsPricedOnce)
        .Check(Stage::Save, "the customer list goes with the header", &CustomerListStored)
        .Check(Stage::Check, "the user confirms the check",
               [](CheckRun& run) { return Plugin(run).ConfirmAndCheck(true, false); })
        .Check(Stage::ListCheck, "the user confirms the check of the selection",
               [](CheckRun& run) { return Plugin(run).ConfirmAndCheck(true, true); });
}

void AddSpecialPriceTools(RuleBook& b) {
    b.Tool({.band = "mnuEdit",
            .key = "mnuInvalidBill",
            .caption = "单据失效",
            .beforeKey = "mnuEditUnCheck",
            .separatorBefore = true,
            .enabled = &IsChecked,
            .onClick =
                [](ToolRun& run) { return run.Owner<BillEvent_XSCX>().ConfirmAndInvalidate(); }})
        .Tool({.band = "BandToolBar",
               .key = "mnuInvalidBill",
               .caption = "单据失效",
               .beforeKey = "mnuFileExit",
               .separatorBefore = true,
               .enabled = &IsChecked})
        .OnClick("mnuEditCheck",
                 [](ToolRun& run) {
                     auto form = run.bill->BillForm();
                     if (form && form->IsDataChanged()) RemoveEmptyEntryRows(*run.bill);
                     return Verdict::Pass();
                 })
        .OnClick("mnuDiscountRate", &BatchDiscountRate)
        .OnClick("mnuBatchFillField", &NoBatchFillOfItems)
        .OnClick("mnuCopyRow", [](ToolRun&) { return Verdict::Silent(); })
        .OnClick("mnuEditFileSave", &DropEmptyRows);
}

}  // namespace xscx
}  // namespace qor
