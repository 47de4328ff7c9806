#pragma once

#include <cstdint>

// The three clocks the receiver's rules are written against.
class Clock {
public:
    virtual ~Clock() = default;
    // Whole seconds of calendar time, for the signal check.
    virtual std::int64_t seconds() = 0;
    // Ticks per second of the high-resolution counter; 0 when there is none.
    virtual std::int64_t counterFrequency() = 0;
    virtual std::int64_t counter() = 0;
    // Milliseconds, wrapping at 2^32 like the platform's tick counter.
    virtual std::uint32_t tickMilliseconds() = 0;
};

// The machine's clocks: calendar seconds, the steady clock as counter and tick source.
class SystemClock : public Clock {
public:
    std::int64_t seconds() override;
    std::int64_t counterFrequency() override;
    std::int64_t counter() override;
    std::uint32_t tickMilliseconds() override;
};
