#pragma once

#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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
    // How long StopGathering waits for the receiver: it sees a stop within a tenth of a second.
    static constexpr int kStopWaitMs = 2000;

    // Picks the high-resolution rules when the clock has a counter. The clock defaults to the
    // machine's.
    CDataGatheringThread(GatheringWindows& windows, Prompter& prompter, GatheringSettings settings,
                         Clock* clock = nullptr);
    ~CDataGatheringThread();  // stops gathering if still running

    CDataGatheringThread(const CDataGatheringThread&) = delete;
    CDataGatheringThread& operator=(const CDataGatheringThread&) = delete;

    // Window thread, right after construction: takes the window spectrum's channel count,
    // resets the instrument state, tells the windows the reset x10 and alt16 flags, then starts
    // the gathering thread and its receiver.
    void PrepareGathering(const CKavroSpectrum& windowSpectrum);
    // Window thread: ends the receiver, waiting at most waitMs for it, then the gathering
    // thread. False, with a line on standard error, when the receiver did not end in time (it
    // is then stuck outside the line, in the no-signal question): it is left behind with what
    // it uses, and never posts again.
    bool StopGathering(int waitMs = kStopWaitMs);

    // The gathering thread's own queue, for WM_GATHER_RESTART, WM_WAVELENGTH_CHANGED and
    // WM_SHUTTER_DELAY_CHANGED. Posts before PrepareGathering or after StopGathering are dropped.
    MessageSink& queue();

    bool receiverRunning() const;
    // What the receiver last found, for the window thread.
    std::uint16_t currentChannels() const;
    float CyclesPerHourEstimate() const;
    // The user stopped an acquisition: the receiver's shutter map starts from zeros again.
    void ClearShutterMap();

private:
    class Queue;
    struct Core;

    void startReceiver(TimingStrategy strategy);  // gathering thread

    std::shared_ptr<Core> core_;  // shared with the worker
    GatheringSettings settings_;
    TimingStrategy strategy_;

    // Starting and stopping the receiver are one critical section: a restart handled on the
    // gathering thread while the window stops either starts before the stop request (and is
    // waited for) or sees it and starts nothing.
    std::mutex runMutex_;
    std::unique_ptr<QThread> worker_;
    std::unique_ptr<MessageThread> thread_;
};
