#include "services/clock.h"

#include <chrono>
#include <ctime>

namespace qor {

namespace {

std::function<Date()>& ClockOverride() {
    static std::function<Date()> clock;
    return clock;
}

Date SystemNow() {
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    if (const std::tm* p = std::localtime(&t)) local = *p;
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace

Date CurrentDateTime() {
    const auto& clock = ClockOverride();
    return clock ? clock() : SystemNow();
}

void SetClockForTesting(std::function<Date()> clock) {
    ClockOverride() = std::move(clock);
}

}  // namespace qor
