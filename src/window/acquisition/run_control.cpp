#include "window/acquisition/run_control.h"

#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "display/status_text.h"
#include "platform/messages.h"
#include "spectrum/formatted.h"
#include "window/acquisition/control_sets.h"
#include "window/captions.h"
#include "window/field_rules.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

constexpr const char* kUserAbort = "Acquisition cannot be started - User abort\n\r";

// What each end of a run changes beyond dropping the run flags.
struct EndRule {
    RunEnd reason;
    const char* acquisitionCaption;  // the acquisition button after an acquisition ends
    const char* ownerText;           // for the control owner when remote controlled
    // A failure of the instrument link: the local control set of the run that ended applies
    // (and then the remote one), the Observe button is reset and the progress bar empties.
    bool linkFailure;
    bool toBaseDirectory;  // an observation's end always returns there
};

constexpr EndRule kEndRules[] = {
    {RunEnd::Stopped, caption::kResumeAcquisition, nullptr, false, false},
    {RunEnd::Completed, caption::kResumeAcquisition, nullptr, false, false},
    {RunEnd::StartRefused, caption::kStartAcquisition, kUserAbort, false, true},
    {RunEnd::ChannelsChanged, caption::kResumeAcquisition, kUserAbort, false, true},
    {RunEnd::PortError, caption::kStartAcquisitionAfterPortError,
     "Error : server cannot open serial port.\n\r", true, true},
    {RunEnd::NoSignal, caption::kStartAcquisition,
     "Operation cannot be started - Serial signal not present\n\r", true, true},
    {RunEnd::Timeout, caption::kResumeAcquisition,
     "Error - timeout while reading from serial port\n\rKAVRO> ", true, true},
};

const EndRule& endRule(RunEnd reason) {
    for (const EndRule& rule : kEndRules) {
        if (rule.reason == reason) {
            return rule;
        }
    }
    return kEndRules[0];
}

constexpr int kObservationScaleLimit = 4096;  // the largest 12-bit count

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
        if (w_.state().acquiring()) {
            ++rejectedFrames_;
        }
    });
    w_.addMessageHandler(msg::WM_GATHER_PORT_ERROR,
                         [this](Message&) { endRun(RunEnd::PortError); });
    w_.addMessageHandler(msg::WM_GATHER_NO_SIGNAL, [this](Message&) { endRun(RunEnd::NoSignal); });
    w_.addMessageHandler(msg::WM_GATHER_TIMEOUT, [this](Message&) { endRun(RunEnd::Timeout); });
    const auto indication = [this](Indication which) {
        return [this, which](Message& m) {
            w_.state().indicationChanged(which, m.wParam == 1);
            w_.view().redraw();
        };
    };
    w_.addMessageHandler(msg::WM_GATHER_X10, indication(Indication::X10));
    w_.addMessageHandler(msg::WM_GATHER_ALT16, indication(Indication::Alt16));
    w_.addMessageHandler(msg::WM_GATHER_ALIGNMENT, indication(Indication::Alignment));
    w_.addMessageHandler(msg::WM_WAVELENGTH_CHANGED, [this](Message&) {
        w_.state().wavelengthChanged(w_.settings().laser_wavelength);
        wavelength_ = w_.settings().laser_wavelength;
        if (gathering_) {
            gathering_->queue().post(makeMessage(msg::WM_WAVELENGTH_CHANGED));
        }
    });
    // A spectrum read or edited brings the dialog's fields back to the window's values.
    w_.state().onSpectrumReplaced([this](SpectrumSource source) {
        if (source == SpectrumSource::File || source == SpectrumSource::RawFile ||
            source == SpectrumSource::Edited) {
            showFields();
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

void RunControl::backupWritten(std::string name, std::uint32_t cycles) {
    lastBackupName_ = std::move(name);
    cyclesAtLastBackup_ = cycles;
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
    w_.state().cycleFieldSet(cycles);
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
    view.setControlText(ctl::kCycles, std::to_string(w_.state().cycleField()));
    char spacing[64];
    std::snprintf(spacing, sizeof spacing, "%g", w_.settings().last_mirror_spacing);
    view.setControlText(ctl::kMirrorSpacing, spacing);
    view.setControlText(ctl::kChannelsLabel,
                        "Channels : " + std::to_string(w_.state().displayedChannels()));
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
        gathering_->PrepareGathering(w_.state().spectrum());
    } else {
        gathering_->queue().post(makeMessage(msg::WM_GATHER_RESTART));
    }
}

void RunControl::StartOrStopAcquisition() {
    if (!readFields()) {
        return;
    }
    runTarget_ = w_.state().cycleField();
    runCycles_ = 0;
    rejectedFrames_ = 0;
    if (w_.state().acquiring()) {
        endRun(RunEnd::Stopped);
        return;
    }
    startAcquisition();
}

void RunControl::startAcquisition() {
    SpectrumView& view = w_.view();
    WindowState& state = w_.state();
    const CKavroSpectrum& spectrum = state.spectrum();
    if (gathering_ && gathering_->currentChannels() != spectrum.channels) {
        const std::uint16_t controller = gathering_->currentChannels();
        std::uint64_t total = 0;
        for (std::uint16_t i = 0; i < spectrum.channels && i < spectrum.counts.size(); ++i) {
            total += spectrum.counts[i];
        }
        bool resize = true;
        if (total != 0) {
            w_.keepUnsavedSpectrum();
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
            endRun(RunEnd::StartRefused);
            return;
        }
        state.restartedWithChannels(controller, w_.settings().last_mirror_spacing);
    }
    if (w_.serialPort().empty()) {
        w_.prompter().ask(kNoPortConfigured, kDefaultCaption, PromptButtons::OkCancel,
                          PromptIcon::None);
        return;
    }
    beginRun(RunKind::Acquisition);
    ApplyControlSet(state.remoteControlled() ? RemoteControlled : Acquiring, view);
    view.setProgressRange(0, static_cast<int>(std::min<std::uint32_t>(runTarget_, 0x7FFFFFFF)));
    view.setProgress(0);
    showFields();
    state.mirrorSpacingSet(w_.settings().last_mirror_spacing);
    startGathering();
    if (!state.remoteControlled()) {
        view.setControlEnabled(ctl::kAcquisition, true);
    }
    view.redraw();
}

void RunControl::beginRun(RunKind kind) {
    lastBackupName_ = "<none>";
    cyclesAtLastBackup_ = 0;
    w_.state().runStarted(kind);
}

void RunControl::StartOrStopObservation() {
    if (w_.state().observing()) {
        endRun(RunEnd::Stopped);
        return;
    }
    startObservation();
}

void RunControl::startObservation() {
    SpectrumView& view = w_.view();
    WindowState& state = w_.state();
    if (w_.serialPort().empty()) {
        w_.prompter().ask(kNoPortConfigured, kDefaultCaption, PromptButtons::OkCancel,
                          PromptIcon::None);
        return;
    }
    view.setControlText(ctl::kObserve, caption::kStopObserving);
    beginRun(RunKind::Observation);
    if (!state.remoteControlled()) {
        ApplyControlSet(Observing, view);
    }
    if (w_.plot().scale() > kObservationScaleLimit) {
        w_.plot().setScale(kObservationScaleLimit);
    }
    showFields();
    const bool existed = gathering_ != nullptr;
    startGathering();
    if (existed) {
        w_.post(makeMessage(msg::WM_GATHER_CHANNELS, gathering_->currentChannels()));
    }
    if (!state.remoteControlled()) {
        view.setControlEnabled(ctl::kObserve, true);
    }
    view.redraw();
}

void RunControl::endRun(RunEnd reason, const std::string& operatorText) {
    SpectrumView& view = w_.view();
    WindowState& state = w_.state();
    const EndRule& rule = endRule(reason);
    const bool remote = state.remoteControlled();
    const bool wasAcquiring = state.acquiring();
    const bool wasObserving = state.observing();
    const bool observationStopped = wasObserving && reason == RunEnd::Stopped;

    if (remote && reason == RunEnd::Stopped && wasAcquiring) {
        view.setControlEnabled(ctl::kAcquisition, false);
    }
    state.runEnded(reason);
    if (reason == RunEnd::Stopped && wasAcquiring && gathering_) {
        gathering_->ClearShutterMap();
    }
    if (rule.toBaseDirectory || wasObserving) {
        w_.returnToBaseDirectory();
    }
    if (wasAcquiring || reason == RunEnd::StartRefused) {
        view.setControlText(ctl::kAcquisition, rule.acquisitionCaption);
    }
    if (wasObserving || rule.linkFailure) {
        view.setControlText(ctl::kObserve, caption::kObserveSignal);
    }
    if (observationStopped) {
        view.setControlEnabled(ctl::kObserve, false);  // until the control set below
        showFields();
    }
    if (rule.linkFailure) {
        if (wasAcquiring) {
            ApplyControlSet(Idle, view);
        }
        if (wasObserving) {
            ApplyControlSet(ObservingStopped, view);
        }
        if (remote) {
            ApplyControlSet(RemoteControlled, view);
        }
        view.setProgress(0);
    } else {
        if (reason == RunEnd::Stopped || reason == RunEnd::Completed) {
            view.setProgress(0);
        }
        ApplyControlSet(remote ? RemoteControlled : wasObserving ? ObservingStopped : Idle, view);
    }
    if (remote && rule.ownerText) {
        state.tellControlOwner(rule.ownerText);
    }
    // The operator's box comes last, with the window already in its idle state.
    if (reason == RunEnd::PortError && !remote) {
        w_.prompter().tell("Error opening serial port ! Could it be busy ?",
                           PromptIcon::Exclamation);
    } else if (reason == RunEnd::Timeout && (wasAcquiring || wasObserving)) {
        w_.prompter().tell(kTimeout, PromptIcon::Stop);
    } else if (!operatorText.empty()) {
        w_.prompter().tell(operatorText, PromptIcon::Exclamation);
    }
    if (reason == RunEnd::Completed && w_.settings().beep_at_completion) {
        beepFourTimes();
    }
    view.redraw();
}

void RunControl::onScanReady(Message& m) {
    const ScanReadyPayload* payload = m.payloadAs<ScanReadyPayload>();
    if (!payload || !*payload) {
        return;
    }
    WindowState& state = w_.state();
    const GatheredScan& frame = **payload;
    state.frameArrived(*payload);
    if (state.observing()) {
        w_.view().redraw();
        return;
    }
    if (!state.acquiring()) {
        return;
    }
    ++runCycles_;
    if (runTarget_ != 0) {  // an unlimited run has no bar to fill
        w_.view().setProgress(static_cast<int>(std::min<std::uint32_t>(runCycles_, 0x7FFFFFFF)));
    }
    state.frameAccumulated(frame);
    w_.view().setControlText(ctl::kRejectedLabel, formatted("rejected :\n%d / %d", rejectedFrames_,
                                                            state.spectrum().scanCount));
    if (runTarget_ != 0 && runCycles_ >= runTarget_) {
        endRun(RunEnd::Completed);
        return;
    }
    w_.view().redraw();
}

void RunControl::beepFourTimes() {
    // Timers on the window thread: the window never waits for the tones.
    for (int i = 0; i < kBeeps; ++i) {
        QTimer::singleShot(i * kBeepPeriodMs, &w_, [this] { w_.view().beep(); });
    }
}

void RunControl::onChannels(Message& m) {
    const auto n = static_cast<std::uint16_t>(m.wParam);
    WindowState& state = w_.state();
    const CKavroSpectrum& spectrum = state.spectrum();
    if (state.acquiring()) {
        if (spectrum.scanCount == 0) {
            state.followControllerChannels(n);
            showFields();
        } else if (n != spectrum.channels) {
            endRun(RunEnd::ChannelsChanged,
                   formatted("Kavro has detected a channel number change to %d channels. Your "
                             "current spectrum is %d channels, instead.",
                             n, spectrum.channels) +
                       "The acquisition has been stopped. Save the old data and/or start "
                       "acquisition again");
            return;
        }
    } else if (state.observing()) {
        state.displayChannels(n);
        showFields();
    }
    w_.view().redraw();
}

std::string RunControl::TimeLeftText() const {
    const WindowState& state = w_.state();
    const float rate =
        state.x10() && gathering_ ? gathering_->CyclesPerHourEstimate() : kCyclesPerHour;
    return CycleText(state.cycleField(), runCycles_, state.displayedChannels(), rate,
                     state.alt16());
}
