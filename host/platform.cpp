#include "host/platform.h"

#include <unistd.h>

#include <filesystem>

#include "host/sql/sqlite_functions.h"

namespace qor::host {

namespace {

// A picture loaded for a menu tool: the host keeps only its key.
class Picture : public IObject {
public:
    explicit Picture(std::string key) : key_(std::move(key)) {}
    std::string TypeName() const override { return "Picture"; }
    const std::string& Key() const { return key_; }

private:
    std::string key_;
};

}  // namespace

HostPlatform::HostPlatform() {
    std::error_code ec;
    systemDirectory_ = std::filesystem::temp_directory_path(ec).string();
}

void HostPlatform::RegisterComponent(const std::string& progId, Factory factory) {
    factories_[Upper(progId)] = std::move(factory);
}

bool HostPlatform::HasComponent(const std::string& progId) const {
    return factories_.count(Upper(progId)) > 0;
}

ObjectPtr HostPlatform::CreateObject(const std::string& progId) {
    auto it = factories_.find(Upper(progId));
    if (it == factories_.end())
        throw HostError(progId, "ActiveX component can't create object: " + progId, 429);
    return it->second();
}

int HostPlatform::MsgBox(const std::string& prompt, int buttons, const std::string& caption) {
    BoxRecord box{false, prompt, buttons, caption, Value(), false};
    if (!answers_.empty() && answers_.front().IsNumber()) {
        box.answer = static_cast<int>(answers_.front().ToNumber());
        answers_.pop_front();
    } else {
        box.answer = DefaultButton(buttons);
        box.defaulted = true;
    }
    boxes_.push_back(box);
    if (listener_) listener_(box);
    return static_cast<int>(box.answer.ToNumber());
}

std::string HostPlatform::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
    BoxRecord box{true, prompt, 0, title, Value(), false};
    if (!answers_.empty() && answers_.front().IsText()) {
        box.answer = answers_.front();
        answers_.pop_front();
    } else {
        box.answer = defaultText;
        box.defaulted = true;
    }
    boxes_.push_back(box);
    if (listener_) listener_(box);
    return box.answer.ToString();
}

uint32_t HostPlatform::ProcessId() {
    return static_cast<uint32_t>(::getpid());
}

std::optional<uint32_t> HostPlatform::ProcessSessionId(uint32_t) {
    return 0u;
}

ObjectPtr HostPlatform::DesktopWindowProperty(const std::string& name) {
    if (!published_ || name != std::to_string(ProcessId())) return nullptr;
    return dictionary_;
}

bool HostPlatform::ShowTextDialog(TextDialog& dialog) {
    BoxRecord box{true, dialog.label, 0, dialog.caption, Value(), false};
    box.isDialog = true;
    std::string text = dialog.text;
    bool ok = false;
    if (answers_.empty()) {
        box.defaulted = true;  // the user closes it: Cancel
    } else {
        Value a = answers_.front();
        answers_.pop_front();
        if (a.IsText()) {
            text = a.AsText();
            ok = true;
        } else {
            ok = static_cast<int>(a.ToNumber()) == kAnswerOk;
        }
    }
    if (ok && dialog.okNeedsText && Trim(text).empty()) {
        ok = false;  // OK stays disabled for a blank text: the dialog can only be cancelled
        box.okDisabled = true;
    }
    box.confirmed = ok;
    box.answer = Value(text);
    if (ok) dialog.text = text;
    boxes_.push_back(box);
    if (listener_) listener_(box);
    return ok;
}

Date HostPlatform::Now() {
    if (auto d = ParseDate(sql::Now())) return *d;
    return IPlatform::Now();
}

ObjectPtr HostPlatform::LoadPicture(const std::string& key) {
    if (key.empty()) return nullptr;
    return std::make_shared<Picture>(key);
}

}  // namespace qor::host
