#pragma once

#include <chrono>

#include "acquisition/link_clock.h"

// The machine's clocks with the whole-second clock running `factor` times faster, so the
// signal check of a simulator run at --time-scale `factor` takes its instrument time.
class ScaledClock : public Clock {
public:
    explicit ScaledClock(double factor) : factor_(factor) {}
    std::int64_t seconds() override {
        const double elapsed = std::chrono::duration<double>(Steady::now() - start_).count();
        return base_ + static_cast<std::int64_t>(elapsed * factor_);
    }
    std::int64_t counterFrequency() override { return system_.counterFrequency(); }
    std::int64_t counter() override { return system_.counter(); }
    std::uint32_t tickMilliseconds() override { return system_.tickMilliseconds(); }

private:
    using Steady = std::chrono::steady_clock;
    double factor_;
    Steady::time_point start_ = Steady::now();
    std::int64_t base_ = 1'700'000'000;
    SystemClock system_;
};
