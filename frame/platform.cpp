#include "frame/platform.h"

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
        switch (buttons & 7) {
            case 4:  // Yes/No
            case 3:  // Yes/No/Cancel
                return kAnswerYes;
            default:
                return kAnswerOk;
        }
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
