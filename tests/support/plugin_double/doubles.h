// The stand-in classes of the test plug-in library: each file registers the class it stands in
// for, and the library's C entry creates the one registered for a programmatic identifier.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "frame/plugin.h"

namespace qor::test_double {

using Maker = std::function<qor::IPlugIn*()>;

// Makers by programmatic identifier.
inline std::map<std::string, Maker>& Registry() {
    static std::map<std::string, Maker> makers;
    return makers;
}

struct Register {
    Register(const qor::ClassFacts& facts, Maker maker) {
        Registry()[facts.ProgId()] = std::move(maker);
    }
};

}  // namespace qor::test_double
