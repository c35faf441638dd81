// The platform inside the library: the one the host attached (frame/host_platform.h holds what a
// platform is), and the host object factory built on it.
#pragma once

#include <memory>
#include <string>

#include "frame/host_platform.h"

namespace qor {

// The platform the library uses. Until a host attaches one, a detached platform answers:
// no components (HostError), message boxes take their default button, no process dictionary.
IPlatform& Platform();
void AttachPlatform(std::shared_ptr<IPlatform> platform);

// The library-wide host object factory: creates a component by programmatic identifier
// through the platform and casts it to the interface asked for; HostError when it cannot be
// created or does not offer that interface.
ObjectPtr CreateHostObjectRaw(const std::string& progId);

template <class T = IComponent>
std::shared_ptr<T> CreateHostObject(const std::string& progId) {
    auto typed = std::dynamic_pointer_cast<T>(CreateHostObjectRaw(progId));
    if (!typed) throw HostError(progId, "component does not offer the interface asked for");
    return typed;
}

}  // namespace qor
