#include "bills/order/frm_reject_note.h"

#include "frame/platform.h"
#include "frame/value.h"
#include "services/clock.h"

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

std::optional<std::string> frmRejectNote::AskReason(const std::string& current) {
    frmRejectNote dialog;
    dialog.RejectNote = current;
    dialog.Show();
    if (!dialog.Confirmed || Trim(dialog.RejectNote).empty()) return std::nullopt;
    return dialog.RejectNote;
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

bool RejectBillWithNote(IBillForm& bill) {
    const auto reason = frmRejectNote::AskReason(bill.GetFieldValue("FRejectedNote").ToString());
    if (!reason) return false;
    const Value before[] = {bill.GetFieldValue("FRejectedNote"),
                            bill.GetFieldValue("FRejectedTime"), bill.GetFieldValue("FRejected")};
    bill.SetFieldValue("FRejectedNote", *reason);
    bill.SetFieldValue("FRejectedTime", FormatDateTime(CurrentDateTime()));
    bill.SetFieldValue("FRejected", "1");
    auto form = bill.BillForm();
    if (form && form->SaveBill()) return true;
    // A bill the save refused is not rejected: the marks go back with the refusal shown.
    bill.SetFieldValue("FRejectedNote", before[0]);
    bill.SetFieldValue("FRejectedTime", before[1]);
    bill.SetFieldValue("FRejected", before[2]);
    return false;
}

}  // namespace qor
