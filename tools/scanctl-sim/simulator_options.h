#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// How the simulated scan controller behaves. Durations are instrument seconds; --time-scale
// divides all of them.
struct SimulatorOptions {
    enum class Pattern { Spectrum, Ramp, Flat };
    // What the line carries: the controller's sweeps, or a stream that never makes a frame.
    enum class Stream { Frames, Ascii, FillerOnly };

    std::string device;      // where to write; empty with createPty or in-process
    bool createPty = false;  // make a pty and print its port path
    unsigned channels = 1024;
    std::uint64_t frames = 0;  // 0 = forever
    double timeScale = 1.0;
    std::uint32_t seed = 1;
    Pattern pattern = Pattern::Spectrum;
    Stream stream = Stream::Frames;
    double intensity = 20;  // mean counts per sweep at the top of a Brillouin peak
    double leadIn = 0;      // seconds of filler before the first frame

    bool alignment = false;   // FP1 dips at full reflection, alignment bit 0
    double nonlinearity = 0;  // relative growth of the dip spacing across the scan
    bool x10 = false;         // sweeps ten times slower
    bool alt16 = false;       // long gaps between sweeps
    std::vector<std::pair<unsigned, unsigned>> shutterZones;  // closed, inclusive ranges
    double shutterLagMs = 0;  // how long the shutter takes to follow its bit

    unsigned switchChannels = 0;  // 0 = never
    std::uint64_t switchAfter = 0;

    std::uint64_t shortEvery = 0;    // every n-th frame ends early
    std::uint64_t longEvery = 0;     // every n-th frame overruns its end
    std::uint64_t garbageEvery = 0;  // line noise before every n-th frame
    std::uint64_t silenceAfter = 0;  // once, after this many frames (0 = never)
    double silenceSeconds = 4.0;
};

// Parses the simulator's command-line options. On an error the result is empty and *error
// says why; "--help" gives an empty result with an empty error.
std::optional<SimulatorOptions> parseSimulatorOptions(const std::vector<std::string>& args,
                                                      std::string* error);

// Splits one option string the way a shell would: blanks separate, quotes group.
std::vector<std::string> splitOptionString(const std::string& text);

std::string simulatorHelp();
