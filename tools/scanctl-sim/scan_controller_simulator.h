#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "frame_generator.h"
#include "simulator_options.h"

// Where the simulator's bytes go.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

// Opens a device path for writing: a serial port (57600 8N1) when it is one, else a plain
// file (a pty, a FIFO, a capture file). Empty with *error on failure.
std::unique_ptr<LineSink> openDeviceSink(const std::string& path, std::string* error);

// Sends the controller's stream at its pace: filler at line rate between sweeps, the pairs of
// a sweep spread over the sweep time.
class ScanControllerSimulator {
public:
    static constexpr double kLineBytesPerSecond = 5760;  // 57600 baud, 10 bits a byte
    static constexpr double kSweepSeconds = 0.512;
    static constexpr double kOverheadSeconds = 0.128;
    static constexpr double kAlt16GapSeconds =
        2.0;  // well over twice the station's frame threshold
    static constexpr double kX10Factor = 10;
    static constexpr double kChunkSeconds = 0.01;  // one write per chunk

    explicit ScanControllerSimulator(const SimulatorOptions& options);

    // Runs until the frames are sent or stop is set. Returns the sweeps sent, also counted in
    // *sent as they go. A stream without frames runs until stop is set.
    std::uint64_t run(LineSink& sink, const std::atomic<bool>& stop,
                      std::atomic<std::uint64_t>* sent = nullptr);

private:
    // Writes `bytes` spread evenly over `seconds` of instrument time.
    bool paced(LineSink& sink, const std::uint8_t* bytes, std::size_t size, double seconds,
               const std::atomic<bool>& stop);
    bool filler(LineSink& sink, double seconds, const std::atomic<bool>& stop);
    bool silence(double seconds, const std::atomic<bool>& stop);
    void streamWithoutFrames(LineSink& sink, const std::atomic<bool>& stop);
    void sleepUntilInstrumentTime();

    SimulatorOptions options_;
    FrameGenerator generator_;
    double instrumentTime_ = 0;
    std::int64_t startNs_ = 0;
};
