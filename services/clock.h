// Today's date and time as the services and bills see it: the host platform's clock (which a
// host may hold still, as the scenario runner does on a scenario's day), or a fixed moment a
// test sets (promotion windows, dated texts, rejection times).
#pragma once

#include <functional>

#include "frame/value.h"

namespace qor {

// The current local date and time (the attached platform's Now).
Date CurrentDateTime();

// Replaces the clock; an empty function restores the platform's.
void SetClockForTesting(std::function<Date()> clock);

}  // namespace qor
