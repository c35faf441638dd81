#include "services/system_options.h"

#include "frame/login.h"
#include "frame/platform.h"

namespace qor {

std::string GetSystemProfileValue(const std::string& key, const std::string& category,
                                  const std::string& fallback) {
    try {
        auto profile = CreateHostObject<IComponent>("QOREBSBase.SystemProfile");
        Value v = profile->Call("GetProfile", {GetPropsString(), category, key});
        if (v.IsBlank()) return fallback;
        return v.ToString();
    } catch (...) {
        return fallback;
    }
}

bool CheckAccessRight(const std::string& propsString, int objectType, int objectID, int access,
                      const std::string& callerName) {
    try {
        auto security = CreateHostObject<IComponent>("QOREBSBase.SecurityInfo");
        return security
            ->Call("AccessCheck", {propsString, objectType, objectID, access, true, callerName})
            .ToBool();
    } catch (...) {
        return false;
    }
}

}  // namespace qor
