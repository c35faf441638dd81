// A plug-in library of another host contract, for the host's refusal: built with
// QOR_OTHER_CONTRACT set it states that contract's version, without it it states none (a
// library from before contract versions). Its other entries make nothing.
#include "frame/contract.h"

extern "C" {

#ifdef QOR_OTHER_CONTRACT
int QOR_XS_ContractVersion() {
    return QOR_OTHER_CONTRACT;
}
#endif

qor::IPlugIn* QOR_XS_CreateObject(const char*) {
    return nullptr;
}

void QOR_XS_ReleaseObject(qor::IPlugIn*) {}

void QOR_XS_AttachPlatform(std::shared_ptr<qor::IPlatform>*) {}

const char* QOR_XS_Version() {
    return "0.9";
}
}
