// The plug-in library as a host loads it: by file, or linked into the program, always through
// its C entry (frame/contract.h). Before anything is created the host compares the library's
// contract version with its own and refuses a library built against another contract.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "frame/contract.h"

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

    // The C entry points of a library.
    struct Entries {
        int (*contractVersion)() = nullptr;
        const char* (*version)() = nullptr;
        void (*attach)(std::shared_ptr<IPlatform>*) = nullptr;
        IPlugIn* (*create)(const char*) = nullptr;
        Releaser release = nullptr;
        void (*setTraceSink)(QOR_XS_TraceSink, void*) = nullptr;
    };

    // Loads the library file (once per path; it stays loaded for the life of the process).
    // HostError when it cannot be loaded, lacks an entry point or speaks another contract.
    explicit PlugInLibrary(const std::string& path);
    // A library linked into the program, named for messages; the same checks.
    PlugInLibrary(std::string name, const Entries& entries);
    ~PlugInLibrary();
    PlugInLibrary(const PlugInLibrary&) = delete;
    PlugInLibrary& operator=(const PlugInLibrary&) = delete;

    const std::string& Path() const { return path_; }
    // The object registered under progId; null for an unknown identifier.
    Object Create(const std::string& progId) const;
    // Hands the platform over; the library forgets the login it read through another one.
    void AttachPlatform(std::shared_ptr<IPlatform> platform) const;
    std::string Version() const;
    int ContractVersion() const;

    // The library's diagnostics: every event it begins, statement it sends and error it traps,
    // as long as the listener is set (an empty one stops them).
    using TraceListener = std::function<void(const QOR_XS_TraceRecord&)>;
    void SetTraceListener(TraceListener listener);

private:
    std::string path_;
    Entries entries_;
    std::unique_ptr<TraceListener> listener_;
    void Check() const;
};

}  // namespace qor::host::form
