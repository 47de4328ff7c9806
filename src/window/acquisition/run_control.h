#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/data_gathering_thread.h"
#include "acquisition/gathered_scan.h"
#include "window/window_state.h"

class CSpectrumwnd;
struct Message;

// Starting, stopping and completing acquisitions and observations, accumulating each complete
// frame, and the window's side of the gathering worker's messages.
class RunControl final : public GatheringWindows {
public:
    static constexpr const char* kNoPortConfigured =
        "A serial port for data gathering has not been configured : acquisition cannot be "
        "started.";
    static constexpr const char* kTimeout = "Timeout while reading data from serial port";
    static constexpr float kCyclesPerHour = 5625.0f;

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

    // The running (or last) run, read by the plot, the console and later parts.
    std::uint32_t runTarget() const { return runTarget_; }
    std::uint32_t runCycles() const { return runCycles_; }
    std::int32_t rejectedFrames() const { return rejectedFrames_; }
    const std::string& lastBackupName() const { return lastBackupName_; }
    std::uint32_t cyclesAtLastBackup() const { return cyclesAtLastBackup_; }
    // A backup file of the running acquisition was written.
    void backupWritten(std::string name, std::uint32_t cycles);

    std::vector<Window> windowsForBroadcast() override;

    // The Cycles and mirror spacing edits and the channels label from the window's values.
    void showFields();

private:
    bool readFields();
    void mirrorSpacingEdited();
    void startGathering();
    void startAcquisition();
    void startObservation();
    void beginRun(RunKind kind);
    // Every end of a run, and the refused start, with what the reason changes.
    void endRun(RunEnd reason, const std::string& operatorText = {});
    void beepFourTimes();

    void onScanReady(Message& m);
    void onChannels(Message& m);
    void onPortError();
    void onNoSignal();
    void onTimeout();

    CSpectrumwnd& w_;
    std::uint32_t runTarget_ = 0;
    std::uint32_t runCycles_ = 0;
    std::int32_t rejectedFrames_ = 0;
    std::string lastBackupName_ = "<none>";
    std::uint32_t cyclesAtLastBackup_ = 0;
    std::string portInUse_;
    std::atomic<int> shutterDelay_{0};
    std::atomic<double> wavelength_{0};
    std::unique_ptr<CDataGatheringThread> gathering_;
};
