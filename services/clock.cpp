#include "services/clock.h"

#include "frame/platform.h"

namespace qor {

namespace {

std::function<Date()>& ClockOverride() {
    static std::function<Date()> clock;
    return clock;
}

}  // namespace

Date CurrentDateTime() {
    const auto& clock = ClockOverride();
    return clock ? clock() : Platform().Now();
}

void SetClockForTesting(std::function<Date()> clock) {
    ClockOverride() = std::move(clock);
}

}  // namespace qor
