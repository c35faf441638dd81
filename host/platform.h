// The reference host's platform: its component registry, the modal boxes (answered from a
// queue, each recorded), the process facts and the per-process dictionary it publishes.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/host_platform.h"

namespace qor::host {

// One message box, input box or plug-in dialog as the user saw it.
struct BoxRecord {
    bool isInput = false;
    std::string prompt;
    int buttons = 0;
    std::string caption;
    Value answer;            // the button pressed (message) or the text entered (input, dialog)
    bool defaulted = false;  // no answer was queued: the default was taken
    // A plug-in's text dialog: the prompt is its label; confirmed when closed with OK
    // (answer is then the text), else cancelled (okDisabled: the text was blank, so OK could
    // not be pressed).
    bool isDialog = false;
    bool confirmed = false;
    bool okDisabled = false;
};

class HostPlatform : public IPlatform {
public:
    using Factory = std::function<ObjectPtr()>;

    HostPlatform();

    // Components by programmatic identifier (compared without regard to letter case).
    void RegisterComponent(const std::string& progId, Factory factory);
    bool HasComponent(const std::string& progId) const;
    ObjectPtr CreateObject(const std::string& progId) override;

    // Answers for the next boxes, in order: a number is the button of a message box, a text
    // what the user types into an input box. A text dialog takes a text (typed into its box,
    // then OK) or a number (1 OK with the text it shows, 2 Cancel).
    void QueueAnswer(const Value& answer) { answers_.push_back(answer); }
    void ClearAnswers() { answers_.clear(); }
    size_t PendingAnswers() const { return answers_.size(); }
    const std::vector<BoxRecord>& Boxes() const { return boxes_; }
    void ClearBoxes() { boxes_.clear(); }
    // Called for every box as it is shown (the scenario runner prints them).
    void SetBoxListener(std::function<void(const BoxRecord&)> listener) {
        listener_ = std::move(listener);
    }

    int MsgBox(const std::string& prompt, int buttons, const std::string& caption) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    uint32_t ProcessId() override;
    std::string SystemDirectory() override { return systemDirectory_; }
    void SetSystemDirectory(std::string dir) { systemDirectory_ = std::move(dir); }
    std::optional<uint32_t> ProcessSessionId(uint32_t processId) override;

    // The per-process dictionary, published under the decimal process identifier.
    CollectionPtr ProcessDictionary() const { return dictionary_; }
    void PublishProcessDictionary(bool publish) { published_ = publish; }
    ObjectPtr DesktopWindowProperty(const std::string& name) override;
    ObjectPtr LoadPicture(const std::string& key) override;
    // Without a queued answer the dialog is cancelled.
    bool ShowTextDialog(TextDialog& dialog) override;
    // The SQL layer's clock: the scenario's fixed moment when one is set, else the system's.
    Date Now() override;

private:
    std::map<std::string, Factory> factories_;  // upper-cased identifier -> factory
    std::deque<Value> answers_;
    std::vector<BoxRecord> boxes_;
    std::function<void(const BoxRecord&)> listener_;
    std::string systemDirectory_;
    CollectionPtr dictionary_ = Collection::Make();
    bool published_ = true;
};

}  // namespace qor::host
