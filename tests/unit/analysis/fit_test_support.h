#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/fit_engine.h"

// |actual - expected| <= rel * |expected|, with the difference in the failure text.
inline ::testing::AssertionResult RelativelyNear(double actual, double expected, double rel) {
    const double diff = std::fabs(actual - expected);
    if (diff <= rel * std::fabs(expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " vs " << expected << ": relative difference "
                                         << diff / std::fabs(expected) << " > " << rel;
}

struct LineParameters {
    double B, A, nu0, Gamma;
};

// Frequencies of a data window as the worker builds them: channel frequency of a 1024-channel
// spectrum of span `range`, channels first..last.
inline std::vector<double> WindowFrequencies(int first, int last, double range = 30.0,
                                             int channels = 1024) {
    std::vector<double> xs;
    const double width = range / (channels - 1);
    for (int c = first; c <= last; ++c) {
        xs.push_back((c - channels / 2) * width);
    }
    return xs;
}

// Deterministic Poisson counts (splitmix64 + inversion), the same on every platform.
class PoissonSource {
public:
    explicit PoissonSource(std::uint64_t seed) : state_(seed) {}
    double uniform() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return (static_cast<double>(z >> 11) + 0.5) / 9007199254740992.0;
    }
    // Sum of unit-rate chunks keeps exp() in range for large means.
    std::uint32_t poisson(double mean) {
        std::uint32_t total = 0;
        while (mean > 0) {
            const double chunk = mean > 500 ? 500 : mean;
            mean -= chunk;
            double p = std::exp(-chunk);
            double cumulative = p;
            const double u = uniform();
            std::uint32_t k = 0;
            while (u > cumulative && k < 100000) {
                ++k;
                p *= chunk / k;
                cumulative += p;
            }
            total += k;
        }
        return total;
    }

private:
    std::uint64_t state_;
};
