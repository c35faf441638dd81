#include "frame/platform.h"

#include <chrono>
#include <ctime>
#include <utility>

namespace qor {

namespace {

// The platform of a library no host has attached to: no components, no dictionary, and
// message boxes that answer with their first button.
class DetachedPlatform : public IPlatform {
public:
    ObjectPtr CreateObject(const std::string& progId) override {
        throw HostError(progId, "no host is attached: cannot create " + progId);
    }
    int MsgBox(const std::string&, int buttons, const std::string&) override {
        return DefaultButton(buttons);
    }
    std::string InputBox(const std::string&, const std::string&,
                         const std::string& defaultText) override {
        return defaultText;
    }
    uint32_t ProcessId() override { return 0; }
    std::string SystemDirectory() override { return ""; }
    std::optional<uint32_t> ProcessSessionId(uint32_t) override { return std::nullopt; }
    ObjectPtr DesktopWindowProperty(const std::string&) override { return nullptr; }
    ObjectPtr LoadPicture(const std::string&) override { return nullptr; }
};

std::shared_ptr<IPlatform>& Attached() {
    static std::shared_ptr<IPlatform> platform = std::make_shared<DetachedPlatform>();
    return platform;
}

}  // namespace

int DefaultButton(int buttons) {
    // The buttons of each set, first to third (OK, OK/Cancel, Abort/Retry/Ignore,
    // Yes/No/Cancel, Yes/No, Retry/Cancel).
    static const int kSets[6][3] = {{kAnswerOk, kAnswerOk, kAnswerOk},
                                    {kAnswerOk, kAnswerCancel, kAnswerCancel},
                                    {3, 4, 5},
                                    {kAnswerYes, kAnswerNo, kAnswerCancel},
                                    {kAnswerYes, kAnswerNo, kAnswerNo},
                                    {4, kAnswerCancel, kAnswerCancel}};
    int set = buttons & 7;
    if (set > 5) return kAnswerOk;
    int which = (buttons & kMsgDefaultButton3) ? 2 : (buttons & kMsgDefaultButton2) ? 1 : 0;
    return kSets[set][which];
}

bool IPlatform::ShowTextDialog(TextDialog&) {
    return false;
}

Date IPlatform::Now() {
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&t, &local);
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour,        local.tm_min,     local.tm_sec};
}

IPlatform& Platform() {
    return *Attached();
}

void AttachPlatform(std::shared_ptr<IPlatform> platform) {
    Attached() = platform ? std::move(platform) : std::make_shared<DetachedPlatform>();
}

ObjectPtr CreateHostObjectRaw(const std::string& progId) {
    ObjectPtr obj = Platform().CreateObject(progId);
    if (!obj) throw HostError(progId, "cannot create " + progId);
    return obj;
}

}  // namespace qor
