// The reject-note dialog: asks the user why a bill is rejected. The caller puts the reason the
// bill already has in RejectNote, shows the dialog and, when Confirmed, reads the reason back
// from RejectNote. OK is available only while the reason is not blank; Cancel leaves RejectNote
// and Confirmed as they were. The sales order and the sales bill reject with it.
#pragma once

#include <string>

namespace qor {

class frmRejectNote {
public:
    static constexpr const char* kCaption = "驳回原因";
    static constexpr const char* kLabel = "请输入驳回原因：";
    static constexpr const char* kOkCaption = "确定";
    static constexpr const char* kCancelCaption = "取消";

    // The reason: set before Show, read after.
    std::string RejectNote;
    // True once the user pressed OK.
    bool Confirmed = false;

    // Shows the dialog modally on the host's platform and runs its events as the user works it.
    void Show();

    // ---- The dialog's events ----
    // The box starts with RejectNote; OK follows the box's text.
    void Form_Load();
    void textRejectNote_Change(const std::string& text);
    // Takes the box's text as the reason (only while OK is available).
    void cmdOK_Click();
    void cmdCancel_Click();

    // What the dialog shows now.
    const std::string& Text() const { return text_; }
    bool OkEnabled() const { return okEnabled_; }

private:
    std::string text_;
    bool okEnabled_ = false;
};

}  // namespace qor
