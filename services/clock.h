// Today's date and time as the services see it: the system's local clock, or a fixed moment a
// test sets (promotion windows, dated texts).
#pragma once

#include <functional>

#include "frame/value.h"

namespace qor {

// The current local date and time.
Date CurrentDateTime();

// Replaces the clock; an empty function restores the system clock.
void SetClockForTesting(std::function<Date()> clock);

}  // namespace qor
