#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>

#include "acquisition/byte_source.h"
#include "acquisition/instrument_state.h"
#include "acquisition/link_clock.h"
#include "core/prompter.h"

inline constexpr const char* kLinkTimeoutText = "Timeout error while reading from serial port";
inline constexpr const char* kNoSignalQuestion =
    "Error: no data received .This could be due to misconfiguration of serial port, hardware "
    "problems, or something is not powered up. Otherwise, x10 mode could be active. In this "
    "case, press OK to proceed anyway. Press CANCEL to stop.";

// A one-byte read that got no byte.
class LinkTimeoutError : public std::runtime_error {
public:
    LinkTimeoutError() : std::runtime_error(kLinkTimeoutText) {}
};

// What the receiver announces, in the order it happens within a frame. Called on the
// receiver's thread.
class ReceiverListener {
public:
    virtual ~ReceiverListener() = default;
    virtual void channelsChanged(std::uint16_t channels) = 0;
    // A complete frame is in state.scanBuffer and state.ShutterMap.
    virtual void scanReady(const InstrumentState& state) = 0;
    virtual void scanRejected() = 0;
    virtual void x10Changed(bool on) = 0;
    virtual void alt16Changed(bool on) = 0;
    virtual void alignmentChanged(bool normalMeasurement) = 0;
};

// Requests from other threads. The stop request is looked at before every byte, so a line that
// never completes a frame (text, only filler, a slow sweep) cannot hold the receiver; the others
// are taken between frames.
struct ReceiverControls {
    std::atomic<bool> stopRequest{false};
    std::atomic<int> shutterDelaySetting{0};  // index of 0.5 ms steps
    std::atomic<bool> clearShutterMap{false};
};

enum class TimingStrategy { HighResolution, Ticks };
enum class ReceiverEnd { Stopped, NoSignal, Timeout };
enum class FrameKind { Complete, ChannelChange, Rejected };

// The receiver over an open line: signal check, synchronisation, then one frame after another
// until stopped. It allocates nothing per frame.
class FrameReceiver {
public:
    // Timing rules of the instrument.
    static constexpr std::int64_t kThresholdNumerator = 259;  // T = frequency * 259 / 400
    static constexpr std::int64_t kThresholdDenominator = 400;
    static constexpr int kAlt16Hysteresis = 17;
    static constexpr double kSweepOverheadSeconds = 0.128;
    static constexpr unsigned kTickAlt16Frames = 17;
    static constexpr std::uint32_t kTickAlt16Ms = 19008;
    static constexpr unsigned kTickX10Frames = 8;
    static constexpr std::uint32_t kTickX10MinMs = 649;
    static constexpr std::uint32_t kTickX10MaxMs = 9215;
    // Signal check: filler bytes needed by each deadline.
    static constexpr std::int64_t kFirstCheckSeconds = 4;
    static constexpr int kFirstCheckFiller = 100;
    static constexpr std::int64_t kSecondCheckSeconds = 9;
    static constexpr int kSecondCheckFiller = 225;

    FrameReceiver(ByteSource& line, Clock& clock, InstrumentState& state,
                  ReceiverListener& listener, ReceiverControls& controls);

    // The whole receiver after the port was opened. The no-signal question goes to prompter
    // and blocks until answered.
    ReceiverEnd run(TimingStrategy strategy, Prompter& prompter);

    // The steps of run(), each throwing LinkTimeoutError when the line falls silent and
    // StopRequested when a stop was asked for.
    struct StopRequested {};
    bool checkSignal();
    // False when a stop was requested before a frame structure was found.
    bool synchronise();
    void startTiming(TimingStrategy strategy);
    FrameKind receiveFrame();

private:
    std::uint8_t readLinkByte();
    std::uint8_t skipFiller();
    void takeRequests();
    void changeChannelsAtSync(std::uint16_t channels);
    void gapRule();
    void bodyRule(std::int64_t bodyStart);
    void setX10(bool on);
    void setAlt16(bool on);
    static std::uint32_t elapsedTicks(std::uint32_t now, std::uint32_t since);

    ByteSource& line_;
    Clock& clock_;
    InstrumentState& state_;
    ReceiverListener& listener_;
    ReceiverControls& controls_;

    TimingStrategy strategy_ = TimingStrategy::Ticks;
    std::int64_t frequency_ = 0;
    std::int64_t threshold_ = 0;  // T in counter ticks
    std::int64_t previousFrameEnd_ = 0;
    int alt16Hysteresis_ = 0;
    std::uint64_t goodFrames_ = 0;
    std::uint32_t alt16Reference_ = 0;
    std::uint32_t x10Reference_ = 0;
};
