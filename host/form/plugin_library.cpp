#include "host/form/plugin_library.h"

#include <dlfcn.h>

#include "frame/errors.h"

namespace qor::host::form {

PlugInLibrary::PlugInLibrary(const std::string& path) : path_(path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* err = dlerror();
        throw HostError(path,
                        std::string("cannot load the plug-in library: ") + (err ? err : path));
    }
    auto find = [&](const char* name) { return dlsym(handle, name); };
    auto sym = [&](const char* name) {
        void* p = find(name);
        if (!p) throw HostError(path, std::string("the plug-in library has no entry ") + name);
        return p;
    };
    // The contract version comes first: a library of another contract is told apart before any
    // other entry of it is trusted.
    entries_.contractVersion = reinterpret_cast<int (*)()>(find("QOR_XS_ContractVersion"));
    Check();
    entries_.create = reinterpret_cast<IPlugIn* (*)(const char*)>(sym("QOR_XS_CreateObject"));
    entries_.release = reinterpret_cast<Releaser>(sym("QOR_XS_ReleaseObject"));
    entries_.attach =
        reinterpret_cast<void (*)(std::shared_ptr<IPlatform>*)>(sym("QOR_XS_AttachPlatform"));
    entries_.version = reinterpret_cast<const char* (*)()>(sym("QOR_XS_Version"));
    entries_.setTraceSink =
        reinterpret_cast<void (*)(QOR_XS_TraceSink, void*)>(find("QOR_XS_SetTraceSink"));
}

PlugInLibrary::PlugInLibrary(std::string name, const Entries& entries)
    : path_(std::move(name)), entries_(entries) {
    Check();
    if (!entries_.create || !entries_.release || !entries_.attach)
        throw HostError(path_, "the plug-in library lacks an entry");
}

PlugInLibrary::~PlugInLibrary() {
    if (listener_ && entries_.setTraceSink) entries_.setTraceSink(nullptr, nullptr);
}

void PlugInLibrary::Check() const {
    if (!entries_.contractVersion)
        throw HostError(path_, "the plug-in library " + path_ +
                                   " states no host contract version: it was built for another "
                                   "host contract (this host speaks version " +
                                   std::to_string(kContractVersion) + ")");
    int theirs = entries_.contractVersion();
    if (theirs != kContractVersion)
        throw HostError(path_, "the plug-in library " + path_ + " was built against host contract " +
                                   std::to_string(theirs) + ", this host speaks version " +
                                   std::to_string(kContractVersion) +
                                   ": rebuild the library or use a matching host");
}

PlugInLibrary::Object PlugInLibrary::Create(const std::string& progId) const {
    return Object(entries_.create(progId.c_str()), Release{entries_.release});
}

void PlugInLibrary::AttachPlatform(std::shared_ptr<IPlatform> platform) const {
    entries_.attach(&platform);
}

std::string PlugInLibrary::Version() const {
    return entries_.version ? entries_.version() : "";
}

int PlugInLibrary::ContractVersion() const {
    return entries_.contractVersion();
}

void PlugInLibrary::SetTraceListener(TraceListener listener) {
    if (!entries_.setTraceSink) return;
    if (!listener) {
        entries_.setTraceSink(nullptr, nullptr);
        listener_.reset();
        return;
    }
    listener_ = std::make_unique<TraceListener>(std::move(listener));
    entries_.setTraceSink(
        [](const QOR_XS_TraceRecord* record, void* context) {
            (*static_cast<TraceListener*>(context))(*record);
        },
        listener_.get());
}

}  // namespace qor::host::form
