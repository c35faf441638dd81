// The plug-in library linked into the program itself (the tests and the event fuzzer link its
// static build), reached through the same C entry as a loaded one.
#pragma once

#include "frame/contract.h"
#include "host/form/plugin_library.h"

namespace qor::host::form {

inline PlugInLibrary& LinkedLibrary() {
    static PlugInLibrary library("the linked plug-in library",
                                 PlugInLibrary::Entries{&QOR_XS_ContractVersion, &QOR_XS_Version,
                                                        &QOR_XS_AttachPlatform, &QOR_XS_CreateObject,
                                                        &QOR_XS_ReleaseObject, &QOR_XS_SetTraceSink});
    return library;
}

}  // namespace qor::host::form
