#pragma once

#include <cstdint>

namespace tv {

// The engine's millisecond clock. Values are unsigned 32-bit and wrap; take differences
// modulo 2^32. Tests replace the clock with a ManualClock they set by hand.
class IClock {
public:
    virtual ~IClock() = default;
    virtual uint32_t NowMs() const = 0;
};

// Monotonic time since the process started, truncated to 32 bits.
class SteadyClock : public IClock {
public:
    uint32_t NowMs() const override;
};

class ManualClock : public IClock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t NowMs() const override { return now_; }
    void Set(uint32_t ms) { now_ = ms; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    uint32_t now_;
};

// The clock every engine part reads. Never null; defaults to a SteadyClock.
IClock& Clock();
// Installs a clock (not owned); nullptr restores the steady clock.
void SetClock(IClock* clock);

// Tick count for animation and game timing, and the frame timer's multimedia time: both read
// the same clock here.
inline uint32_t GetTickCount() {
    return Clock().NowMs();
}
inline uint32_t timeGetTime() {
    return Clock().NowMs();
}

// Installs a clock for the lifetime of the object; the clock installed before comes back
// afterwards.
class ScopedClock {
public:
    explicit ScopedClock(IClock& clock) : previous_(&Clock()) { SetClock(&clock); }
    ~ScopedClock() { SetClock(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    IClock* previous_;
};

} // namespace tv
