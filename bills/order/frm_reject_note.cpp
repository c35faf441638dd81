#include "bills/order/frm_reject_note.h"

#include "frame/platform.h"
#include "frame/value.h"

namespace qor {

void frmRejectNote::Show() {
    Form_Load();
    TextDialog dialog;
    dialog.caption = kCaption;
    dialog.label = kLabel;
    dialog.text = text_;
    dialog.okCaption = kOkCaption;
    dialog.cancelCaption = kCancelCaption;
    dialog.okNeedsText = true;
    if (!Platform().ShowTextDialog(dialog)) {
        cmdCancel_Click();
        return;
    }
    textRejectNote_Change(dialog.text);
    // A platform that let a blank reason through is answered as the dialog would: OK is not
    // available, so the dialog can only be cancelled.
    if (okEnabled_) {
        cmdOK_Click();
    } else {
        cmdCancel_Click();
    }
}

void frmRejectNote::Form_Load() {
    Confirmed = false;
    textRejectNote_Change(RejectNote);
}

void frmRejectNote::textRejectNote_Change(const std::string& text) {
    text_ = text;
    okEnabled_ = !Trim(text_).empty();
}

void frmRejectNote::cmdOK_Click() {
    if (!okEnabled_) return;
    RejectNote = text_;
    Confirmed = true;
}

void frmRejectNote::cmdCancel_Click() {}

}  // namespace qor
