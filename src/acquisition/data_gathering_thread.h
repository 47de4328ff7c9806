#pragma once

#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "acquisition/frame_receiver.h"
#include "acquisition/gathered_scan.h"
#include "core/prompter.h"
#include "platform/message_thread.h"

// The settings the gathering reads, each when it needs it.
struct GatheringSettings {
    std::function<std::string()> portName;  // configured port; a device path on Linux
    std::function<int()> shutterDelay;      // index of 0.5 ms steps
    std::function<double()> laserWavelength;
};

// Owns the instrument link while the station acquires or observes: a thread with its own
// message queue (WM_GATHER_RESTART, WM_WAVELENGTH_CHANGED, WM_SHUTTER_DELAY_CHANGED) that runs
// the receiver on a worker thread and broadcasts what it finds to the spectrum windows.
class CDataGatheringThread {
public:
    // Picks the high-resolution rules when the clock has a counter. The clock defaults to the
    // machine's.
    CDataGatheringThread(GatheringWindows& windows, Prompter& prompter, GatheringSettings settings,
                         Clock* clock = nullptr);
    ~CDataGatheringThread();  // stops gathering if still running

    CDataGatheringThread(const CDataGatheringThread&) = delete;
    CDataGatheringThread& operator=(const CDataGatheringThread&) = delete;

    // Window thread, right after construction: takes the window spectrum's channel count,
    // resets the instrument state, then starts the gathering thread and its receiver.
    void PrepareGathering(const CKavroSpectrum& windowSpectrum);
    // Window thread: ends the receiver (waiting for it), then the gathering thread.
    void StopGathering();

    // The gathering thread's own queue, for WM_GATHER_RESTART, WM_WAVELENGTH_CHANGED and
    // WM_SHUTTER_DELAY_CHANGED. Posts before PrepareGathering or after StopGathering are dropped.
    MessageSink& queue();

    bool receiverRunning() const { return receiverRunning_.load(); }
    // What the receiver last found, for the window thread.
    std::uint16_t currentChannels() const { return channels_.load(); }
    float CyclesPerHourEstimate() const { return cyclesPerHour_.load(); }
    // The user stopped an acquisition: the receiver's shutter map starts from zeros again.
    void ClearShutterMap() { controls_.clearShutterMap = true; }

private:
    class Queue;
    class Announcer;

    void startReceiver(TimingStrategy strategy);  // gathering thread
    void receiverLoop(TimingStrategy strategy);   // worker thread
    void BroadcastToWindows(std::uint32_t id, std::uintptr_t value,
                            const ScanReadyPayload& scan = nullptr);

    GatheringWindows& windows_;
    Prompter& prompter_;
    GatheringSettings settings_;
    std::unique_ptr<Clock> ownClock_;
    Clock& clock_;
    TimingStrategy strategy_;

    InstrumentState state_;  // the worker's, once it runs
    ReceiverControls controls_;
    std::atomic<bool> receiverRunning_{false};
    std::atomic<double> wavelength_{0};
    std::atomic<std::uint16_t> channels_{0};
    std::atomic<float> cyclesPerHour_{kDefaultCyclesPerHour};

    std::unique_ptr<MessageThread> thread_;
    std::unique_ptr<QThread> worker_;  // on the gathering thread while it runs
};
