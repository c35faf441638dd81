#include "host/components/login_components.h"

namespace qor::host {

namespace {

uint32_t ProcessArg(const Args& args) {
    if (args.empty()) return 0;
    try {
        return static_cast<uint32_t>(ToId(args[0]));
    } catch (...) {
        return 0;
    }
}

std::string KeyArg(const Args& args) {
    return args.size() > 1 ? args[1].ToString() : "";
}

}  // namespace

CacheFacadeComponent::CacheFacadeComponent(ServiceContextPtr context)
    : RecordingComponent("QORMtsCacheService.CacheFacade", std::move(context)) {
    On("GetItem",
       [this](Args& args) { return ctx().LoginCache(ProcessArg(args))->Get(KeyArg(args)); });
}

SharePropsComponent::SharePropsComponent(ServiceContextPtr context)
    : RecordingComponent("QORPropsMgr.ShareProps", std::move(context)) {
    On("GetProperty",
       [this](Args& args) { return ctx().SharedProps(ProcessArg(args))->Get(KeyArg(args)); });
}

}  // namespace qor::host
