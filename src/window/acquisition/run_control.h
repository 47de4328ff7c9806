#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "acquisition/data_gathering_thread.h"
#include "acquisition/gathered_scan.h"

class CSpectrumwnd;
struct Message;

// Starting, stopping and completing acquisitions and observations, accumulating each complete
// frame, and the window's side of the gathering worker's messages.
class RunControl final : public GatheringWindows {
public:
    static constexpr const char* kNoPortConfigured =
        "A serial port for data gathering has not been configured : acquisition cannot be "
        "started.";
    static constexpr float kCyclesPerHour = 5625.0f;
    static constexpr double kSweepSeconds = 0.512;

    explicit RunControl(CSpectrumwnd& window);
    ~RunControl() override;

    void StartOrStopAcquisition();
    void StartOrStopObservation();
    // The closing procedure and the client connection end the gathering service.
    void StopGathering();
    bool hasGatheringThread() const { return gathering_ != nullptr; }
    CDataGatheringThread* gathering() { return gathering_.get(); }

    // "cycles %d of ... - left : ..." of the running acquisition.
    std::string TimeLeftText() const;

    std::uint32_t runTarget = 0;
    std::uint32_t runCycles = 0;
    std::int32_t rejectedFrames = 0;
    std::string lastBackupName = "<none>";
    std::uint32_t cyclesAtLastBackup = 0;

    // The places where the frame handler serves later parts, in the handler's order.
    std::function<void(const GatheredScan&)> serveRealtimeRequests = [](const GatheredScan&) {};
    std::function<void(const GatheredScan&)> feedReferenceMonitor = [](const GatheredScan&) {};
    std::function<void(const ScanReadyPayload&)> feedLinearityAnalysis =
        [](const ScanReadyPayload&) {};
    std::function<void()> checkBackup = [] {};
    std::function<void()> eraseOldBackups = [] {};
    // Both markers off when an observation starts (the plot part owns them).
    std::function<void()> switchMarkersOff = [] {};

    std::vector<Window> windowsForBroadcast() override;

    // The Cycles and mirror spacing edits and the channels label from the window's values.
    void showFields();

private:
    bool readFields();
    void mirrorSpacingEdited();
    void startGathering();
    void stopAcquisition();
    void completeAcquisition();
    void beepFourTimes();
    void endRunAfterLinkFailure();

    void onScanReady(Message& m);
    void onChannels(Message& m);
    void onPortError();
    void onNoSignal();
    void onTimeout();

    CSpectrumwnd& w_;
    std::string portInUse_;
    std::atomic<int> shutterDelay_{0};
    std::atomic<double> wavelength_{0};
    std::unique_ptr<CDataGatheringThread> gathering_;
};
