#include "window/window_state.h"

#include <algorithm>

namespace {

template <typename Listeners, typename... Args>
void notify(const Listeners& listeners, const Args&... args) {
    for (const auto& listener : listeners) {
        listener(args...);
    }
}

}  // namespace

void WindowState::replaced(SpectrumSource source) {
    notify(replacedListeners_, source);
}

void WindowState::startedWith(const CKavroSpectrum& spectrum) {
    spectrum_ = spectrum;  // assignment carries the header slots too
    displayedChannels_ = spectrum_.channels;
    file_ = {};
    calibrated_ = false;
    modified_ = false;
    fileTime_ = std::time(nullptr);
    replaced(SpectrumSource::Initial);
}

void WindowState::defaultFileRead(const CKavroSpectrum& spectrum) {
    spectrum_ = spectrum;  // assignment carries the header slots too
    // The plot draws displayedChannels channels: it follows the file's count.
    displayedChannels_ = spectrum_.channels;
    replaced(SpectrumSource::DefaultFile);
}

void WindowState::fileLoaded(const CKavroSpectrum& spectrum, SpectrumFileName file,
                             std::time_t fileTime, SpectrumSource source) {
    spectrum_ = spectrum;  // assignment carries the header slots too
    file_ = std::move(file);
    if (source == SpectrumSource::RawFile) {
        calibrated_ = false;
    } else {
        fileTime_ = fileTime;
    }
    displayedChannels_ = spectrum_.channels;
    modified_ = false;
    replaced(source);
}

void WindowState::saved(SpectrumFileName file) {
    file_ = std::move(file);
    modified_ = false;
}

void WindowState::cleared(double mirrorSpacing) {
    spectrum_.ClearCounts();
    spectrum_.channelTime = 0;
    spectrum_.scanCount = 0;
    spectrum_.mirrorSpacing = mirrorSpacing;
    file_ = {"<NONAME>", "<NONAME>"};
    modified_ = false;
    replaced(SpectrumSource::Cleared);
}

void WindowState::restartedWithChannels(std::uint16_t channels, double mirrorSpacing) {
    displayedChannels_ = channels;
    spectrum_.SetChannels(channels);
    spectrum_.ClearCounts();
    // The counts are gone: so are the cycles and the time they stood for.
    spectrum_.scanCount = 0;
    spectrum_.channelTime = 0;
    spectrum_.mirrorSpacing = mirrorSpacing;
    replaced(SpectrumSource::Resized);
}

void WindowState::resized(std::uint16_t channels) {
    modified_ = true;
    spectrum_.SetChannels(channels);
    displayedChannels_ = channels;
    replaced(SpectrumSource::Resized);
}

void WindowState::followControllerChannels(std::uint16_t channels) {
    if (spectrum_.channels == channels && displayedChannels_ == channels) {
        return;
    }
    spectrum_.SetChannels(channels);
    displayedChannels_ = channels;
    replaced(SpectrumSource::Resized);
}

void WindowState::informationEdited(const CKavroSpectrum& spectrum, bool calibrated) {
    spectrum_ = spectrum;  // assignment carries the header slots too
    calibrated_ = calibrated;
    modified_ = true;
    replaced(SpectrumSource::Edited);
}

void WindowState::edited(const CKavroSpectrum& spectrum) {
    spectrum_ = spectrum;  // assignment carries the header slots too
    displayedChannels_ = spectrum_.channels;
    modified_ = true;
    replaced(SpectrumSource::Edited);
}

void WindowState::calibrationApplied(double scanAmplitude) {
    spectrum_.scanAmplitude = scanAmplitude;
    calibrated_ = true;
}

void WindowState::calibrationKept(double scanAmplitude) {
    if (scanAmplitude != 0) {
        spectrum_.scanAmplitude = scanAmplitude;
    }
}

void WindowState::runStarted(RunKind kind) {
    acquiring_ = kind == RunKind::Acquisition;
    observing_ = kind == RunKind::Observation;
    notify(runStartedListeners_, kind);
}

void WindowState::runEnded(RunEnd reason) {
    const RunKind kind = observing_ ? RunKind::Observation : RunKind::Acquisition;
    const bool wasRunning = running();
    if (acquiring_ && (reason == RunEnd::Stopped || reason == RunEnd::Completed)) {
        spectrum_.channelTime = kSweepSeconds / spectrum_.channels * spectrum_.scanCount;
    }
    if (observing_ && reason == RunEnd::Stopped) {
        displayedChannels_ = spectrum_.channels;
    }
    acquiring_ = false;
    observing_ = false;
    if (wasRunning) {
        notify(runEndedListeners_, kind, reason);
    }
}

void WindowState::frameArrived(const ScanReadyPayload& frame) {
    lastScan_ = frame;
    notify(frameListeners_, *frame);
}

void WindowState::frameAccumulated(const GatheredScan& frame) {
    ++spectrum_.scanCount;
    modified_ = true;
    const std::size_t n = std::min<std::size_t>(
        {spectrum_.channels, spectrum_.counts.size(), frame.scan.counts.size()});
    for (std::size_t i = 0; i < n; ++i) {
        spectrum_.counts[i] += frame.scan.counts[i];
    }
    notify(accumulatedListeners_, frame);
}

void WindowState::indicationChanged(Indication which, bool on) {
    bool& flag = which == Indication::X10 ? x10_ : which == Indication::Alt16 ? alt16_ : alignment_;
    flag = on;
    notify(indicationListeners_, which, on);
}

void WindowState::serverStopped() {
    serverRunning_ = false;
    remoteControlReleased();
}

void WindowState::remoteControlTaken(std::function<void(const std::string&)> tellOwner) {
    consoleHoldsControl_ = true;
    tellOwner_ = std::move(tellOwner);
}

void WindowState::remoteControlReleased() {
    consoleHoldsControl_ = false;
    tellOwner_ = nullptr;
}

void WindowState::tellControlOwner(const std::string& text) const {
    if (consoleHoldsControl_ && tellOwner_) {
        tellOwner_(text);
    }
}

void WindowState::onFrame(std::function<void(const GatheredScan&)> listener) {
    frameListeners_.push_back(std::move(listener));
}

void WindowState::onFrameAccumulated(std::function<void(const GatheredScan&)> listener) {
    accumulatedListeners_.push_back(std::move(listener));
}

void WindowState::onRunStarted(std::function<void(RunKind)> listener) {
    runStartedListeners_.push_back(std::move(listener));
}

void WindowState::onRunEnded(std::function<void(RunKind, RunEnd)> listener) {
    runEndedListeners_.push_back(std::move(listener));
}

void WindowState::onSpectrumReplaced(std::function<void(SpectrumSource)> listener) {
    replacedListeners_.push_back(std::move(listener));
}

void WindowState::onIndication(std::function<void(Indication, bool)> listener) {
    indicationListeners_.push_back(std::move(listener));
}
