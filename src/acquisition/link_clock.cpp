#include "acquisition/link_clock.h"

#include <chrono>
#include <ctime>

std::int64_t SystemClock::seconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::int64_t SystemClock::counterFrequency() {
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}

std::int64_t SystemClock::counter() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

std::uint32_t SystemClock::tickMilliseconds() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}
