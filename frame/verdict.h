// The outcome of a validation: passed, or refused with the fixed message the user is shown, its
// button code and caption, and the cell the cursor goes back to. Services and bills return a
// verdict; showing the message and placing the cursor happens in one place (Report), called by
// the frame when a check vetoes a save, check, uncheck or deletion.
#pragma once

#include <string>
#include <utility>

#include "frame/host.h"
#include "frame/platform.h"

namespace qor {

class Verdict {
public:
    // Passed.
    Verdict() = default;
    static Verdict Pass() { return {}; }
    // Refused with a message (buttons and caption as the message box takes them).
    static Verdict Refuse(std::string message, int buttons = kMsgInformation,
                          std::string caption = "信息提示");
    // Refused without a message: the user has already been told, or answered a question No.
    static Verdict Silent();

    // The cell the cursor returns to after the message (row -1: a header field).
    Verdict& At(std::string key, int row = -1) {
        focusKey_ = std::move(key);
        focusRow_ = row;
        return *this;
    }

    bool Passed() const { return passed_; }
    bool Refused() const { return !passed_; }
    explicit operator bool() const { return passed_; }

    const std::string& Message() const { return message_; }
    int Buttons() const { return buttons_; }
    const std::string& Caption() const { return caption_; }
    const std::string& FocusKey() const { return focusKey_; }
    int FocusRow() const { return focusRow_; }

private:
    bool passed_ = true;
    std::string message_;
    int buttons_ = kMsgInformation;
    std::string caption_ = "信息提示";
    std::string focusKey_;
    int focusRow_ = -1;
};

// Tells the user about a refusal: the message box (when the verdict has a message), then the
// cursor on its cell (when it names one and a bill form is given). A passed verdict shows
// nothing. Returns the verdict's Passed().
bool Report(const Verdict& verdict, IBillForm* bill = nullptr);

}  // namespace qor
