#include "window/acquisition/run_control.h"

#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "display/status_text.h"
#include "platform/messages.h"
#include "spectrum/formatted.h"
#include "window/acquisition/control_sets.h"
#include "window/field_rules.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

constexpr int kBeeps = 4;
constexpr int kBeepPeriodMs = 250 + 1000;  // 800 Hz for 250 ms, then a pause of a second

// A spacing typed into its edit, when the whole text reads as one.
bool parseSpacing(const std::string& text, double& value) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) {
        return false;
    }
    while (*end == ' ') {
        ++end;
    }
    if (*end != '\0') {
        return false;
    }
    value = v;
    return true;
}

}  // namespace

RunControl::RunControl(CSpectrumwnd& window) : w_(window) {
    w_.addCommand(ctl::kAcquisition, [this] { StartOrStopAcquisition(); });
    w_.addCommand(cmd::kStartAcquisition, [this] { StartOrStopAcquisition(); });
    w_.addCommand(ctl::kObserve, [this] { StartOrStopObservation(); });
    w_.addCommand(ctl::kMirrorSpacing, [this] { mirrorSpacingEdited(); });
    w_.addCommand(cmd::kStartObservation, [this] { StartOrStopObservation(); });

    w_.addMessageHandler(msg::WM_GATHER_SCAN_READY, [this](Message& m) { onScanReady(m); });
    w_.addMessageHandler(msg::WM_GATHER_CHANNELS, [this](Message& m) { onChannels(m); });
    w_.addMessageHandler(msg::WM_GATHER_SCAN_REJECTED, [this](Message&) {
        if (w_.acquiring) {
            ++rejectedFrames;
        }
    });
    w_.addMessageHandler(msg::WM_GATHER_PORT_ERROR, [this](Message&) { onPortError(); });
    w_.addMessageHandler(msg::WM_GATHER_NO_SIGNAL, [this](Message&) { onNoSignal(); });
    w_.addMessageHandler(msg::WM_GATHER_TIMEOUT, [this](Message&) { onTimeout(); });
    w_.addMessageHandler(msg::WM_GATHER_X10, [this](Message& m) {
        w_.x10 = m.wParam == 1;
        w_.view().redraw();
    });
    w_.addMessageHandler(msg::WM_GATHER_ALT16, [this](Message& m) {
        w_.alt16 = m.wParam == 1;
        w_.view().redraw();
    });
    w_.addMessageHandler(msg::WM_GATHER_ALIGNMENT, [this](Message& m) {
        w_.alignment = m.wParam == 1;
        w_.view().redraw();
    });
    w_.addMessageHandler(msg::WM_WAVELENGTH_CHANGED, [this](Message&) {
        w_.spectrum.wavelength = w_.settings().laser_wavelength;
        wavelength_ = w_.settings().laser_wavelength;
        if (gathering_) {
            gathering_->queue().post(makeMessage(msg::WM_WAVELENGTH_CHANGED));
        }
    });
    w_.addMessageHandler(msg::WM_SHUTTER_DELAY_CHANGED, [this](Message&) {
        shutterDelay_ = w_.settings().shutterDelay;
        if (gathering_) {
            gathering_->queue().post(makeMessage(msg::WM_SHUTTER_DELAY_CHANGED));
        }
    });
}

RunControl::~RunControl() {
    StopGathering();
}

std::vector<GatheringWindows::Window> RunControl::windowsForBroadcast() {
    return {{&w_, true}};
}

void RunControl::StopGathering() {
    if (gathering_) {
        gathering_->StopGathering();
        gathering_.reset();
    }
}

bool RunControl::readFields() {
    SpectrumView& view = w_.view();
    FieldReader fields(w_.prompter());
    const auto cycles = static_cast<std::uint32_t>(
        fields.integer(ctl::kCycles, view.controlText(ctl::kCycles), 0, 0xFFFFFFFFll));
    const double spacing =
        fields.number(ctl::kMirrorSpacing, view.controlText(ctl::kMirrorSpacing), 0, 40);
    if (!fields.ok()) {
        return false;
    }
    w_.cycleField = cycles;
    if (spacing != 0) {
        w_.settings().last_mirror_spacing = spacing;
    }
    return true;
}

void RunControl::mirrorSpacingEdited() {
    double spacing = 0;
    // Taken while typing only when it reads as a valid spacing; a start says what is wrong.
    if (parseSpacing(w_.view().controlText(ctl::kMirrorSpacing), spacing) && spacing > 0 &&
        spacing <= 40) {
        w_.settings().last_mirror_spacing = spacing;
    }
}

void RunControl::showFields() {
    SpectrumView& view = w_.view();
    view.setControlText(ctl::kCycles, std::to_string(w_.cycleField));
    char spacing[64];
    std::snprintf(spacing, sizeof spacing, "%g", w_.settings().last_mirror_spacing);
    view.setControlText(ctl::kMirrorSpacing, spacing);
    view.setControlText(ctl::kChannelsLabel, "Channels : " + std::to_string(w_.displayedChannels));
}

void RunControl::startGathering() {
    if (gathering_ && !gathering_->receiverRunning() && portInUse_ != w_.serialPort()) {
        StopGathering();  // the port setting changed: the next receiver opens the new one
    }
    if (!gathering_) {
        portInUse_ = w_.serialPort();
        // Read on the gathering threads: they see atomic copies the window keeps up to date.
        shutterDelay_ = w_.settings().shutterDelay;
        wavelength_ = w_.settings().laser_wavelength;
        GatheringSettings settings;
        settings.portName = [port = w_.serialPort()] { return port; };
        settings.shutterDelay = [this] { return shutterDelay_.load(); };
        settings.laserWavelength = [this] { return wavelength_.load(); };
        gathering_ = std::make_unique<CDataGatheringThread>(*this, w_.prompter(), settings);
        gathering_->PrepareGathering(w_.spectrum);
    } else {
        gathering_->queue().post(makeMessage(msg::WM_GATHER_RESTART));
    }
}

void RunControl::StartOrStopAcquisition() {
    if (!readFields()) {
        return;
    }
    runTarget = w_.cycleField;
    runCycles = 0;
    rejectedFrames = 0;
    if (w_.acquiring) {
        stopAcquisition();
        return;
    }
    SpectrumView& view = w_.view();
    CKavroSpectrum& spectrum = w_.spectrum;
    if (gathering_ && gathering_->currentChannels() != spectrum.channels) {
        const std::uint16_t controller = gathering_->currentChannels();
        std::uint64_t total = 0;
        for (std::uint16_t i = 0; i < spectrum.channels && i < spectrum.counts.size(); ++i) {
            total += spectrum.counts[i];
        }
        bool resize = true;
        if (total != 0) {
            const std::string question =
                formatted(
                    "Kavro has detected that the acquisition will run on %d channels. Your "
                    "current spectrum is %d channels, instead.",
                    controller, spectrum.channels) +
                "If you click OK button, spectrum will be deleted and resized, otherwise ( if you "
                "press CANCEL ) the acquisition will be aborted.";
            resize = w_.prompter().ask(question, kDefaultCaption, PromptButtons::OkCancel,
                                       PromptIcon::Exclamation) == PromptAnswer::Ok;
        }
        if (!resize) {
            w_.acquiring = false;
            w_.returnToBaseDirectory();
            view.setControlText(ctl::kAcquisition, "Start acquisition");
            if (w_.remoteControlled()) {
                w_.sendToControlOwner("Acquisition cannot be started - User abort\n\r");
                ApplyControlSet(RemoteControlled, view);
            } else {
                ApplyControlSet(Idle, view);
            }
            return;
        }
        w_.displayedChannels = controller;
        spectrum.SetChannels(controller);
        spectrum.ClearCounts();
        spectrum.mirrorSpacing = w_.settings().last_mirror_spacing;
    }
    if (w_.serialPort().empty()) {
        w_.prompter().ask(kNoPortConfigured, kDefaultCaption, PromptButtons::OkCancel,
                          PromptIcon::None);
        return;
    }
    w_.acquiring = true;
    ApplyControlSet(w_.consoleHoldsControl ? RemoteControlled : Acquiring, view);
    lastBackupName = "<none>";
    cyclesAtLastBackup = 0;
    view.setProgressRange(0, static_cast<int>(std::min<std::uint32_t>(runTarget, 0x7FFFFFFF)));
    view.setProgress(0);
    if (w_.settings().back_enable && w_.settings().clean_back_anytime) {
        eraseOldBackups();
    }
    showFields();
    spectrum.mirrorSpacing = w_.settings().last_mirror_spacing;
    startGathering();
    if (!(w_.serverRunning && w_.consoleHoldsControl)) {
        view.setControlEnabled(ctl::kAcquisition, true);
    }
    view.redraw();
}

void RunControl::stopAcquisition() {
    SpectrumView& view = w_.view();
    if (w_.consoleHoldsControl) {
        view.setControlEnabled(ctl::kAcquisition, false);
    }
    w_.acquiring = false;
    w_.spectrum.channelTime = kSweepSeconds / w_.spectrum.channels * w_.spectrum.scanCount;
    view.setProgress(0);
    if (gathering_) {
        gathering_->ClearShutterMap();
    }
    ApplyControlSet(w_.serverRunning && w_.consoleHoldsControl ? RemoteControlled : Idle, view);
    view.setControlText(ctl::kAcquisition, "Resume acquisition");
    view.redraw();
}

void RunControl::StartOrStopObservation() {
    SpectrumView& view = w_.view();
    if (!w_.observing) {
        if (w_.serialPort().empty()) {
            w_.prompter().ask(kNoPortConfigured, kDefaultCaption, PromptButtons::OkCancel,
                              PromptIcon::None);
            return;
        }
        w_.acquiring = false;
        w_.observing = true;
        view.setControlText(ctl::kObserve, "Stop observing");
        switchMarkersOff();
        if (!(w_.serverRunning && w_.consoleHoldsControl)) {
            ApplyControlSet(Observing, view);
        }
        lastBackupName = "<none>";
        cyclesAtLastBackup = 0;
        showFields();
        const bool existed = gathering_ != nullptr;
        startGathering();
        if (existed) {
            w_.post(makeMessage(msg::WM_GATHER_CHANNELS, gathering_->currentChannels()));
        }
        if (!w_.consoleHoldsControl) {
            view.setControlEnabled(ctl::kObserve, true);
        }
        view.redraw();
        return;
    }
    w_.acquiring = false;
    w_.observing = false;
    view.setControlText(ctl::kObserve, "Observe signal");
    view.setControlEnabled(ctl::kObserve, false);
    w_.returnToBaseDirectory();
    w_.displayedChannels = w_.spectrum.channels;
    showFields();
    ApplyControlSet(
        w_.serverRunning && w_.consoleHoldsControl ? RemoteControlled : ObservingStopped, view);
    view.redraw();
}

void RunControl::onScanReady(Message& m) {
    const ScanReadyPayload* payload = m.payloadAs<ScanReadyPayload>();
    if (!payload || !*payload) {
        return;
    }
    const GatheredScan& frame = **payload;
    w_.lastScan = *payload;
    serveRealtimeRequests(frame);
    feedReferenceMonitor(frame);
    if (w_.observing) {
        feedLinearityAnalysis(*payload);
        w_.view().redraw();
        return;
    }
    if (!w_.acquiring) {
        return;
    }
    CKavroSpectrum& spectrum = w_.spectrum;
    ++spectrum.scanCount;
    ++runCycles;
    w_.modified = true;
    if (runTarget != 0) {  // an unlimited run has no bar to fill
        w_.view().setProgress(static_cast<int>(std::min<std::uint32_t>(runCycles, 0x7FFFFFFF)));
    }
    const std::size_t n = std::min<std::size_t>(
        {spectrum.channels, spectrum.counts.size(), frame.scan.counts.size()});
    for (std::size_t i = 0; i < n; ++i) {
        spectrum.counts[i] += frame.scan.counts[i];
    }
    checkBackup();
    w_.view().setControlText(ctl::kRejectedLabel,
                             formatted("rejected :\n%d / %d", rejectedFrames, spectrum.scanCount));
    if (runTarget != 0 && runCycles >= runTarget) {
        completeAcquisition();
    }
    w_.view().redraw();
}

void RunControl::completeAcquisition() {
    SpectrumView& view = w_.view();
    w_.acquiring = false;
    w_.spectrum.channelTime = kSweepSeconds / w_.spectrum.channels * w_.spectrum.scanCount;
    view.setProgress(0);
    ApplyControlSet(w_.consoleHoldsControl ? RemoteControlled : Idle, view);
    view.setControlText(ctl::kAcquisition, "Resume acquisition");
    if (w_.settings().beep_at_completion) {
        beepFourTimes();
    }
}

void RunControl::beepFourTimes() {
    // Timers on the window thread: the window never waits for the tones.
    for (int i = 0; i < kBeeps; ++i) {
        QTimer::singleShot(i * kBeepPeriodMs, &w_, [this] { w_.view().beep(); });
    }
}

void RunControl::onChannels(Message& m) {
    const auto n = static_cast<std::uint16_t>(m.wParam);
    CKavroSpectrum& spectrum = w_.spectrum;
    if (w_.acquiring) {
        if (spectrum.scanCount == 0) {
            w_.displayedChannels = n;
            spectrum.SetChannels(n);
            showFields();
        } else if (n != spectrum.channels) {
            w_.acquiring = false;
            w_.returnToBaseDirectory();
            w_.view().setControlText(ctl::kAcquisition, "Resume acquisition");
            if (w_.remoteControlled()) {
                ApplyControlSet(RemoteControlled, w_.view());
                w_.sendToControlOwner("Acquisition cannot be started - User abort\n\r");
            } else {
                ApplyControlSet(Idle, w_.view());
            }
            w_.prompter().tell(
                formatted("Kavro has detected a channel number change to %d channels. Your "
                          "current spectrum is %d channels, instead.",
                          n, spectrum.channels) +
                    "The acquisition has been stopped. Save the old data and/or start acquisition "
                    "again",
                PromptIcon::Exclamation);
        }
    } else if (w_.observing) {
        w_.displayedChannels = n;
        showFields();
    }
    w_.view().redraw();
}

void RunControl::endRunAfterLinkFailure() {
    w_.returnToBaseDirectory();
    if (w_.remoteControlled()) {
        ApplyControlSet(RemoteControlled, w_.view());
        w_.acquiring = false;
        w_.observing = false;
    }
    w_.view().setProgress(0);
    w_.view().redraw();
}

void RunControl::onPortError() {
    SpectrumView& view = w_.view();
    if (w_.remoteControlled()) {
        w_.sendToControlOwner("Error : server cannot open serial port.\n\r");
    } else {
        w_.prompter().tell("Error opening serial port ! Could it be busy ?",
                           PromptIcon::Exclamation);
    }
    if (w_.observing) {
        ApplyControlSet(ObservingStopped, view);
        w_.observing = false;
        view.setControlText(ctl::kObserve, "Observe signal");
    }
    if (w_.acquiring) {
        ApplyControlSet(Idle, view);
        w_.acquiring = false;
        view.setControlText(ctl::kAcquisition, "Start Acquisition");
    }
    view.setControlText(ctl::kObserve, "Observe signal");
    endRunAfterLinkFailure();
}

void RunControl::onNoSignal() {
    SpectrumView& view = w_.view();
    if (w_.remoteControlled()) {
        w_.sendToControlOwner("Operation cannot be started - Serial signal not present\n\r");
    }
    if (w_.observing) {
        view.setControlText(ctl::kObserve, "Observe signal");
        w_.observing = false;
        ApplyControlSet(ObservingStopped, view);
    }
    if (w_.acquiring) {
        view.setControlText(ctl::kAcquisition, "Start acquisition");
        w_.acquiring = false;
        ApplyControlSet(Idle, view);
    }
    endRunAfterLinkFailure();
}

void RunControl::onTimeout() {
    SpectrumView& view = w_.view();
    constexpr const char* kTimeout = "Timeout while reading data from serial port";
    if (w_.acquiring) {
        w_.prompter().tell(kTimeout, PromptIcon::Stop);
        w_.acquiring = false;
        view.setControlText(ctl::kAcquisition, "Resume acquisition");
        view.setProgress(0);
        ApplyControlSet(Idle, view);
    }
    if (w_.observing) {
        w_.prompter().tell(kTimeout, PromptIcon::Stop);
        ApplyControlSet(ObservingStopped, view);
        view.setControlText(ctl::kObserve, "Observe signal");
        w_.observing = false;
    }
    w_.returnToBaseDirectory();
    if (w_.remoteControlled()) {
        ApplyControlSet(RemoteControlled, view);
        w_.sendToControlOwner("Error - timeout while reading from serial port\n\rKAVRO> ");
        w_.acquiring = false;
        w_.observing = false;
    }
    view.redraw();
}

std::string RunControl::TimeLeftText() const {
    const float rate = w_.x10 && gathering_ ? gathering_->CyclesPerHourEstimate() : kCyclesPerHour;
    return CycleText(w_.cycleField, runCycles, w_.displayedChannels, rate, w_.alt16);
}
