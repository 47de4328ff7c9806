#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "simulator_options.h"

// One sweep as the controller sends it.
struct SimulatedFrame {
    std::uint64_t number = 0;  // 1 for the first sweep
    unsigned channels = 0;     // the controller's channel count for this sweep
    unsigned endAt = 0;        // index of the end pair; differs from channels in a faulty sweep
    std::vector<std::uint16_t> counts;  // endAt values; [0] is channel 0's wire value
    std::vector<std::uint8_t> shutter;  // endAt bits, [0] unused
    bool alignmentMode = false;
    std::vector<std::uint8_t> garbageBefore;  // line noise ahead of the sweep
    double silenceBefore = 0;                 // seconds without a byte ahead of the sweep
};

// The wire bytes of one sweep: hi0, lo0, the pairs, then the end pair (0xFF, 0xFF).
void encodeFrame(const SimulatedFrame& frame, std::vector<std::uint8_t>& out);

// Produces the controller's sweeps: mean counts from the chosen pattern, photon noise from a
// seeded generator, and the faults on their schedule.
class FrameGenerator {
public:
    explicit FrameGenerator(const SimulatorOptions& options);

    // The next sweep, reusing the storage of `frame`.
    void next(SimulatedFrame& frame);

    // Mean counts per sweep of the spectrum pattern, channel by channel.
    static std::vector<double> spectrumMeans(unsigned channels, double intensity);
    // Full reflection with FP1's transmission peaks as dips.
    static std::vector<double> alignmentMeans(unsigned channels, double nonlinearity);

private:
    void rebuildMeans(unsigned channels);
    std::uint16_t draw(double mean);

    SimulatorOptions options_;
    std::mt19937 random_;
    std::uint64_t number_ = 0;
    unsigned meansFor_ = 0;
    std::vector<double> means_;
    std::vector<std::uint8_t> shutterBits_;
    std::vector<double> attenuation_;
};
