// The sales options the user checks under "mnuOption": each is a per-user setting, read when
// the menu is built and stored again on every click.
#include "bills/common/sales_rows.h"
#include "bills/sale/sale_rules.h"
#include "frame/plugin.h"

namespace qor {

namespace {

struct SaleOption {
    const char* tool;
    const char* caption;
    const char* section;  // null: the bill's own settings ("1030002BillSet")
    const char* key;
};

constexpr SaleOption kSaleOptions[] = {
    {"mnuCheckDuplicateItem", "录入时检查重复商品", "Base", "CheckDuplicateItem"},
    {"mnuDoNotResetPrice", "修改客户不重新取价", nullptr, "DoNotResetPrice"},
    {"mnuDoNotGetSalePriceWhenGiftStock", "赠品仓不按售价方案取价", nullptr,
     "DoNotGetSalePriceWhenGiftStock"},
};

std::string SectionOf(const SaleOption& option, IBillForm* bill) {
    if (option.section) return option.section;
    return bill ? BillSetSection(*bill) : "1030002BillSet";
}

}  // namespace

void AddSaleOptionTools(RuleBook& b) {
    for (const SaleOption& option : kSaleOptions) {
        b.Tool({.band = "mnuOption",
                .key = option.tool,
                .caption = option.caption,
                .onClick = [&option](ToolRun& run) {
                    if (!run.tool) return Verdict::Pass();
                    const bool on = !run.tool->Checked();
                    run.tool->SetChecked(on);
                    WriteUserProfile(SectionOf(option, run.bill), option.key, on ? "1" : "0");
                    return Verdict::Pass();
                }});
    }
}

void CheckSaleOptionTools(IBillForm& bill, const MenuBarPtr& menuBar) {
    if (!menuBar) return;
    for (const SaleOption& option : kSaleOptions) {
        if (auto tool = menuBar->Tool(option.tool))
            tool->SetChecked(IsUserOptionOn(SectionOf(option, &bill), option.key));
    }
}

}  // namespace qor
