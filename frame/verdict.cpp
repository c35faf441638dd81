#include "frame/verdict.h"

#include "frame/plugin.h"

namespace qor {

Verdict Verdict::Refuse(std::string message, int buttons, std::string caption) {
    Verdict v;
    v.passed_ = false;
    v.message_ = std::move(message);
    v.buttons_ = buttons;
    v.caption_ = std::move(caption);
    return v;
}

Verdict Verdict::Silent() {
    Verdict v;
    v.passed_ = false;
    return v;
}

bool Report(const Verdict& verdict, IBillForm* bill) {
    if (verdict.Passed()) return true;
    if (!verdict.Message().empty())
        ShowMessage(verdict.Message(), verdict.Buttons(), verdict.Caption());
    if (bill && !verdict.FocusKey().empty())
        bill->SetActiveCell(verdict.FocusKey(), verdict.FocusRow());
    return false;
}

}  // namespace qor
