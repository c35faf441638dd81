// A stand-in plug-in library for the scenario runner's own tests: its sales order asks before
// every save and vetoes the save when the user answers No, so a transcript shows a message
// box, the answer given and a cancelled host action (the other stand-ins register themselves
// in their own files). It is built only for the tests.
#include "doubles.h"
#include "frame/plugin.h"
#include "frame/rules.h"

namespace {

const qor::ClassFacts kAskingOrder{"BillEvent_Order", qor::EventsOf({qor::Ev::BeforeSave}), false,
                                   nullptr};

class AskingOrder : public qor::PlugInBase {
public:
    AskingOrder() : PlugInBase(kAskingOrder) {}

protected:
    // One save check: the user confirms, or the save is vetoed without a further message.
    const qor::RuleBook* Book() const override {
        static const qor::RuleBook book = [] {
            qor::RuleBook b;
            b.Check(qor::Stage::Save, "the user confirms", [](qor::CheckRun&) {
                return qor::ShowMessage("确认保存这张订单吗？", 36, qor::kMsgCaption) ==
                               qor::kAnswerYes
                           ? qor::Verdict::Pass()
                           : qor::Verdict::Silent();
            });
            return b;
        }();
        return &book;
    }
};

const qor::test_double::Register kOrder(kAskingOrder, [] { return new AskingOrder(); });

}  // namespace

extern "C" {

qor::IPlugIn* QOR_XS_CreateObject(const char* progId) {
    if (!progId) return nullptr;
    auto it = qor::test_double::Registry().find(progId);
    return it == qor::test_double::Registry().end() ? nullptr : it->second();
}

void QOR_XS_ReleaseObject(qor::IPlugIn* object) {
    delete object;
}

void QOR_XS_AttachPlatform(std::shared_ptr<qor::IPlatform>* platform) {
    qor::AttachPlatform(platform ? *platform : nullptr);
}

const char* QOR_XS_Version() {
    return "test";
}
}
