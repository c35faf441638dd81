// System options, user rights and field services shared by every bill.
#pragma once

#include <string>

#include "frame/value.h"

namespace qor {

// A system option (t_SystemProfile by category and key) through "QOREBSBase.SystemProfile";
// a null or empty answer, or any failure, gives fallback.
std::string GetSystemProfileValue(const std::string& key, const std::string& category,
                                  const std::string& fallback = "");

// Whether the user holds the right (object type, object, access mask), asked of
// "QOREBSBase.SecurityInfo" AccessCheck; callerName is the calling class's programmatic
// identifier or empty. A check that cannot be made gives false.
bool CheckAccessRight(const std::string& propsString, int objectType, int objectID, int access,
                      const std::string& callerName);

}  // namespace qor
