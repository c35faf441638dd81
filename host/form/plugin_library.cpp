#include "host/form/plugin_library.h"

#include <dlfcn.h>

#include "frame/errors.h"

namespace qor::host::form {

PlugInLibrary::PlugInLibrary(const std::string& path) : path_(path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        const char* err = dlerror();
        throw HostError(path,
                        std::string("cannot load the plug-in library: ") + (err ? err : path));
    }
    auto sym = [&](const char* name) {
        void* p = dlsym(handle, name);
        if (!p) throw HostError(path, std::string("the plug-in library has no entry ") + name);
        return p;
    };
    create_ = reinterpret_cast<IPlugIn* (*)(const char*)>(sym("QOR_XS_CreateObject"));
    release_ = reinterpret_cast<Releaser>(sym("QOR_XS_ReleaseObject"));
    attach_ = reinterpret_cast<void (*)(std::shared_ptr<IPlatform>*)>(sym("QOR_XS_AttachPlatform"));
    version_ = reinterpret_cast<const char* (*)()>(sym("QOR_XS_Version"));
}

PlugInLibrary::Object PlugInLibrary::Create(const std::string& progId) const {
    return Object(create_(progId.c_str()), Release{release_});
}

void PlugInLibrary::AttachPlatform(std::shared_ptr<IPlatform> platform) const {
    attach_(&platform);
}

std::string PlugInLibrary::Version() const {
    return version_ ? version_() : "";
}

}  // namespace qor::host::form
