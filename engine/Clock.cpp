#include "engine/Clock.h"

#include <chrono>

namespace tv {

namespace {
const auto kProcessStart = std::chrono::steady_clock::now();
SteadyClock gSteadyClock;
IClock* gClock = nullptr;
} // namespace

uint32_t SteadyClock::NowMs() const {
    const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
    // Start well above zero so that "last time + interval >= now" tests behave from the start.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    return static_cast<uint32_t>(ms + 100000);
}

IClock& Clock() {
    return gClock ? *gClock : gSteadyClock;
}

void SetClock(IClock* clock) {
    gClock = clock;
}

} // namespace tv
