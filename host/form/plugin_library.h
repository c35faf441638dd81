// The plug-in library as a host loads it: by file, through its C entry points
// (QOR_XS_CreateObject, QOR_XS_ReleaseObject, QOR_XS_AttachPlatform).
#pragma once

#include <memory>
#include <string>

#include "frame/plugin.h"

namespace qor::host::form {

class PlugInLibrary {
public:
    using Releaser = void (*)(IPlugIn*);
    struct Release {
        Releaser release = nullptr;
        void operator()(IPlugIn* p) const {
            if (p && release) release(p);
        }
    };
    using Object = std::unique_ptr<IPlugIn, Release>;

    // Loads the library (once per path; it stays loaded for the life of the process).
    // HostError when it cannot be loaded or lacks an entry point.
    explicit PlugInLibrary(const std::string& path);

    const std::string& Path() const { return path_; }
    // The object registered under progId; null for an unknown identifier.
    Object Create(const std::string& progId) const;
    void AttachPlatform(std::shared_ptr<IPlatform> platform) const;
    std::string Version() const;

private:
    std::string path_;
    IPlugIn* (*create_)(const char*) = nullptr;
    Releaser release_ = nullptr;
    void (*attach_)(std::shared_ptr<IPlatform>*) = nullptr;
    const char* (*version_)() = nullptr;
};

}  // namespace qor::host::form
