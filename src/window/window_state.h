#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/gathered_scan.h"
#include "spectrum/kavro_spectrum.h"

enum class RunKind { Acquisition, Observation };

// Why a run (or the start of one) ended; run control maps each to its captions and texts.
enum class RunEnd {
    Stopped,          // the operator, a console or a sequence pressed stop
    Completed,        // the cycle target was reached
    StartRefused,     // the operator kept a spectrum of another channel count
    ChannelsChanged,  // the controller changed its channel count under accumulated scans
    PortError,
    NoSignal,
    Timeout,
};

enum class Indication { X10, Alt16, Alignment };

// The dialogs the menu rules open only once at a time.
enum class OpenDialog { About, FileFormat, GeneralSetup, Visualisation };

// What a spectrum replacement came from, for the parts that follow it.
enum class SpectrumSource { Initial, DefaultFile, File, RawFile, Cleared, Resized, Edited };

// Where the window's spectrum was last read from or saved to.
struct SpectrumFileName {
    std::string name;  // shown in the title
    std::string path;  // what Overwrite writes
};

// The spectrum window's state, in one owner. Everyone reads it through the const accessors;
// it changes only through the transitions below, each saying what it changes. Parts register
// for the events a transition raises instead of being called from the places that cause them.
class WindowState {
public:
    static constexpr double kSweepSeconds = 0.512;  // one sweep of the scan controller

    // Reads.
    const CKavroSpectrum& spectrum() const { return spectrum_; }
    const std::string& fileName() const { return file_.name; }
    const std::string& filePath() const { return file_.path; }
    bool modified() const { return modified_; }
    bool calibrated() const { return calibrated_; }
    std::time_t fileTime() const { return fileTime_; }
    std::uint16_t displayedChannels() const { return displayedChannels_; }
    bool acquiring() const { return acquiring_; }
    bool observing() const { return observing_; }
    bool running() const { return acquiring_ || observing_; }
    std::uint32_t cycleField() const { return cycleField_; }  // the Cycles edit; 0: no limit
    bool x10() const { return x10_; }
    bool alt16() const { return alt16_; }
    bool alignment() const { return alignment_; }  // false: the controller is in alignment mode
    // The last complete frame the gathering announced: the scan buffer the plot, the console
    // and the analyses read.
    const ScanReadyPayload& lastScan() const { return lastScan_; }
    bool isOpen(OpenDialog d) const { return open_[static_cast<int>(d)]; }
    bool serverRunning() const { return serverRunning_; }
    // A console of this window's running server holds remote control: local commands are
    // locked and failures go to that console instead of a message box.
    bool remoteControlled() const { return serverRunning_ && consoleHoldsControl_; }

    // Spectrum and file transitions.
    // The spectrum a window starts with: no file, not modified, not calibrated, now.
    void startedWith(const CKavroSpectrum& spectrum);
    // The default file's spectrum replaces the initial one; the file name stays empty.
    void defaultFileRead(const CKavroSpectrum& spectrum);
    // A spectrum or raw file was read: it becomes the spectrum, unmodified, of that name.
    // A raw file carries no calibration; a spectrum file leaves the calibrated flag alone.
    void fileLoaded(const CKavroSpectrum& spectrum, SpectrumFileName file, std::time_t fileTime,
                    SpectrumSource source);
    // The spectrum is now stored under that name; Overwrite passes the current one.
    void saved(SpectrumFileName file);
    void saved() { saved(file_); }
    // Delete: counts, cycles and channel time to zero, no file, unmodified.
    void cleared(double mirrorSpacing);
    // A new channel count without counts, with the run's cycles and time restarting at zero
    // (the "deleted and resized" answer); modified.
    void restartedWithChannels(std::uint16_t channels, double mirrorSpacing);
    // A new channel count for the counts held (a console's CHANNELS); modified.
    void resized(std::uint16_t channels);
    // The record follows the controller's channel count without marking the spectrum modified
    // (no scan accumulated yet, or a data record with the realtime frame).
    void followControllerChannels(std::uint16_t channels);
    // Only the plot's channel count (observing shows the controller's frames).
    void displayChannels(std::uint16_t channels) { displayedChannels_ = channels; }
    // An operation on the spectrum (editing, arithmetic) replaced it with its result; the plot
    // follows its channel count and it counts as modified.
    void edited(const CKavroSpectrum& spectrum);
    // The scan amplitude now comes from a calibration and is locked against edits.
    void calibrationApplied(double scanAmplitude);
    // The measurement information editor's result; the spectrum counts as modified.
    void informationEdited(const CKavroSpectrum& spectrum, bool calibrated);
    void markModified() { modified_ = true; }
    // The operator dropped the calibration, or kept its scan amplitude over a loaded file.
    void calibrationDiscarded() { calibrated_ = false; }
    void calibrationKept(double scanAmplitude);
    void wavelengthChanged(double wavelength) { spectrum_.wavelength = wavelength; }
    void mirrorSpacingSet(double spacing) { spectrum_.mirrorSpacing = spacing; }
    void cycleFieldSet(std::uint32_t cycles) { cycleField_ = cycles; }

    // Run transitions.
    // Acquiring or observing begins; the other run flag drops.
    void runStarted(RunKind kind);
    // Both run flags drop. A stop or a completion records the channel time of the counts held;
    // the end of an observation shows the spectrum's own channel count again.
    void runEnded(RunEnd reason);

    // The instrument.
    // A complete frame arrived; it becomes the scan buffer before the frame listeners run.
    void frameArrived(const ScanReadyPayload& frame);
    // The frame is added to the counts of the running acquisition: one more cycle, modified.
    void frameAccumulated(const GatheredScan& frame);
    void indicationChanged(Indication which, bool on);

    // Dialogs and the console server.
    void dialogOpened(OpenDialog d) { open_[static_cast<int>(d)] = true; }
    void dialogClosed(OpenDialog d) { open_[static_cast<int>(d)] = false; }
    void serverStarted() { serverRunning_ = true; }
    // A stopped server holds no console, so nobody keeps remote control.
    void serverStopped();
    // `tellOwner` sends a text to the console that took control.
    void remoteControlTaken(std::function<void(const std::string&)> tellOwner);
    void remoteControlReleased();
    // A text for the control owner; nothing when no console holds control.
    void tellControlOwner(const std::string& text) const;

    // Events, in registration order.
    void onFrame(std::function<void(const GatheredScan&)> listener);
    void onFrameAccumulated(std::function<void(const GatheredScan&)> listener);
    void onRunStarted(std::function<void(RunKind)> listener);
    void onRunEnded(std::function<void(RunKind, RunEnd)> listener);
    void onSpectrumReplaced(std::function<void(SpectrumSource)> listener);
    void onIndication(std::function<void(Indication, bool)> listener);

private:
    void replaced(SpectrumSource source);

    CKavroSpectrum spectrum_;
    SpectrumFileName file_;
    bool modified_ = false;
    bool calibrated_ = false;
    std::time_t fileTime_ = 0;
    std::uint16_t displayedChannels_ = 1024;
    bool acquiring_ = false;
    bool observing_ = false;
    std::uint32_t cycleField_ = 0;
    bool x10_ = false;
    bool alt16_ = false;
    bool alignment_ = false;
    ScanReadyPayload lastScan_;
    bool open_[4] = {};
    bool serverRunning_ = false;
    bool consoleHoldsControl_ = false;
    std::function<void(const std::string&)> tellOwner_;

    std::vector<std::function<void(const GatheredScan&)>> frameListeners_;
    std::vector<std::function<void(const GatheredScan&)>> accumulatedListeners_;
    std::vector<std::function<void(RunKind)>> runStartedListeners_;
    std::vector<std::function<void(RunKind, RunEnd)>> runEndedListeners_;
    std::vector<std::function<void(SpectrumSource)>> replacedListeners_;
    std::vector<std::function<void(Indication, bool)>> indicationListeners_;
};
