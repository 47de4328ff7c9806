#include "window/network/console_host.h"

#include <QDir>
#include <cstdio>

#include "network/console_texts.h"
#include "platform/messages.h"
#include "spectrum/formatted.h"
#include "window/acquisition/control_sets.h"
#include "window/acquisition/run_control.h"
#include "window/spectrum/atomic_file.h"
#include "window/spectrum/file_commands.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

ConsoleHost::ConsoleHost(CSpectrumwnd& window)
    : w_(window), server_(std::make_unique<Serversocket>(*this)) {
    port_ = w_.context().consolePort;
    w_.addCommand(cmd::kNetworkServer, [this] { StartOrStopServer(); });
    w_.addMessageHandler(msg::WM_START_SERVER_AUTOMATICALLY, [this](Message&) {
        if (w_.settings().enable_network && !w_.state().serverRunning()) {
            StartServer();
        }
    });
    w_.addMessageHandler(msg::WM_REALTIME_REQUEST, [this](Message& m) {
        if (m.wParam < Serversocket::kConsoleLimit) {
            realtimeMask_ ^= static_cast<std::uint8_t>(1u << m.wParam);
        }
    });
    w_.addMessageHandler(msg::WM_SHUTTER_MAP_REQUEST,
                         [this](Message& m) { sendShutterMap(static_cast<int>(m.wParam)); });
    w_.state().onFrame([this](const GatheredScan& frame) { serveRealtimeRequests(frame); });
}

ConsoleHost::~ConsoleHost() = default;

void ConsoleHost::StartOrStopServer() {
    if (w_.state().serverRunning()) {
        StopServer();
    } else {
        StartServer();
    }
}

bool ConsoleHost::StartServer() {
    if (w_.state().serverRunning()) {
        return true;
    }
    const int error = server_->Start(port_);
    if (error == Serversocket::kAddressInUse) {
        w_.prompter().tell(kPortInUse, PromptIcon::Stop);
        return false;
    }
    if (error != 0) {
        w_.prompter().tell(formatted(kSocketError, error), PromptIcon::Stop);
        return false;
    }
    w_.state().serverStarted();
    return true;
}

bool ConsoleHost::StopServer() {
    if (!stopListening()) {
        return false;
    }
    ApplyControlSet(ObservingStopped, w_.view());
    return true;
}

bool ConsoleHost::CloseForExit() {
    // A server started while network support was on still runs after it was switched off:
    // its consoles get their closing notice all the same.
    return !w_.state().serverRunning() || stopListening();
}

bool ConsoleHost::stopListening() {
    if (server_->consoleCount() > 0 && !w_.prompter().askYesNo(kUsersConnected)) {
        return false;
    }
    server_->Stop();
    realtimeMask_ = 0;
    releaseControl();
    w_.state().serverStopped();
    return true;
}

std::string ConsoleHost::prompt(int slot) const {
    CAsyncConsoleObject* console = server_->console(slot);
    if (console == nullptr || console->session.dataMode) {
        return {};
    }
    return std::string(console_text::kPrompt);
}

void ConsoleHost::serveRealtimeRequests(const GatheredScan& frame) {
    if (realtimeMask_ == 0) {
        return;
    }
    std::string text;
    frame.scan.WriteToText(text, w_.settings().fileStructure);
    for (int slot = 0; slot < Serversocket::kConsoleLimit; ++slot) {
        if ((realtimeMask_ & (1u << slot)) != 0) {
            server_->sendTo(slot, text + prompt(slot));
        }
    }
    realtimeMask_ = 0;
}

void ConsoleHost::sendShutterMap(int slot) {
    CAsyncConsoleObject* console = server_->console(slot);
    if (console == nullptr || !console->session.connected) {
        return;
    }
    const CDataGatheringThread* gathering = w_.runControl().gathering();
    const int channels = gathering ? gathering->currentChannels() : 0;
    std::string text;
    for (int i = 0; i < channels && i < static_cast<int>(ShutterMapEntries{}.size()); ++i) {
        const ScanReadyPayload& last = w_.state().lastScan();
        const int entry = last ? last->ShutterMap[static_cast<std::size_t>(i)] : 0;
        text += formatted("%d\r\n", entry);
    }
    server_->sendTo(slot, text + prompt(slot));
}

StationStatus ConsoleHost::status() const {
    StationStatus s;
    const WindowState& state = w_.state();
    s.acquiring = state.acquiring();
    s.observing = state.observing();
    s.runCycles = w_.runControl().runCycles();
    s.runTarget = w_.runControl().runTarget();
    s.alt16 = state.alt16();
    s.x10 = state.x10();
    s.calibrated = state.calibrated();
    s.fileName = state.fileName();
    const CKavroSpectrum& sp = state.spectrum();
    s.sampleName = sp.sampleName;
    s.channels = sp.channels;
    s.scanAmplitude = sp.scanAmplitude;
    s.polarization = sp.polarization;
    s.beamPower = sp.beamPower;
    s.mirrorSpacing = sp.mirrorSpacing;
    s.extraComment1 = sp.extraComment1();
    s.extraComment2 = sp.extraComment2();
    return s;
}

bool ConsoleHost::hasInstrumentLink() const {
    return w_.runControl().hasGatheringThread();
}

ArbiterAnswer ConsoleHost::arbitrateControl(int slot) {
    if (controlOwner_ < 0) {
        ApplyControlSet(RemoteControlled, w_.view());
        controlOwner_ = slot;
        w_.state().remoteControlTaken(
            [this, slot](const std::string& text) { server_->sendTo(slot, text); });
        return ArbiterAnswer::Granted;
    }
    if (controlOwner_ == slot) {
        ApplyControlSet(RemoteReleased, w_.view());
        releaseControl();
        return ArbiterAnswer::Released;
    }
    return ArbiterAnswer::HeldByAnother;
}

void ConsoleHost::releaseControl() {
    controlOwner_ = -1;
    w_.state().remoteControlReleased();
}

void ConsoleHost::setCycleField(std::int32_t cycles) {
    w_.state().cycleFieldSet(static_cast<std::uint32_t>(cycles));
    w_.view().setControlText(ctl::kCycles, std::to_string(w_.state().cycleField()));
}

void ConsoleHost::startOrStopAcquisition() {
    w_.runControl().StartOrStopAcquisition();
}

void ConsoleHost::startOrStopObservation() {
    w_.runControl().StartOrStopObservation();
}

void ConsoleHost::deleteSpectrum() {
    w_.fileCommands().Delete();
}

bool ConsoleHost::toggleShowCurrent() {
    w_.settings().enable_current = w_.settings().enable_current ? 0 : 1;
    return w_.settings().enable_current != 0;
}

void ConsoleHost::setChannels(std::uint16_t channels) {
    w_.state().resized(channels);
    w_.view().setControlText(ctl::kChannelsLabel, formatted("Channels :   %d", channels));
    w_.view().setControlText(ctl::kCycles, std::to_string(w_.state().cycleField()));
    w_.view().redraw();
}

std::string ConsoleHost::spectrumText() {
    std::string text;
    w_.state().spectrum().WriteToText(text, w_.settings().fileStructure);
    return text;
}

bool ConsoleHost::saveSpectrum(const std::string& directory, const std::string& name, bool raw) {
    std::string bytes;
    if (raw) {
        CKavroSpectrum spectrum;
        spectrum = w_.state().spectrum();  // the raw writer may fill in channels
        spectrum.WriteRawToFile(bytes);
    } else {
        w_.state().spectrum().WriteToFile(bytes, w_.settings().fileStructure);
    }
    const QString path =
        QDir(QString::fromStdString(directory)).filePath(QString::fromStdString(name));
    if (writeFileAtomically(path.toStdString(), bytes)) {
        return false;  // the reason goes nowhere: the console reply says the write failed
    }
    std::string filePath = directory;
    if (filePath.empty() || filePath.back() != QDir::separator().toLatin1()) {
        filePath.push_back(QDir::separator().toLatin1());
    }
    w_.state().saved({name, filePath + name});
    w_.view().redraw();
    return true;
}

DataRecordBytes ConsoleHost::dataRecord() {
    WindowState& state = w_.state();
    const RunControl& run = w_.runControl();
    const ScanReadyPayload& last = state.lastScan();
    const bool withRealtime =
        last && ((state.acquiring() && run.runCycles() > 2) || state.observing());
    if (withRealtime) {
        state.followControllerChannels(last->scan.channels);
    }
    const CKavroSpectrum& sp = state.spectrum();
    DataRecordFields f;
    f.polarization = sp.polarization;
    f.channels = sp.channels;
    f.sampleName = sp.sampleName;
    f.freeComment1 = sp.freeComment1;
    f.freeComment2 = sp.freeComment2;
    f.extraComment1 = sp.extraComment1();
    f.extraComment2 = sp.extraComment2();
    f.wavelength = sp.wavelength;
    f.scanAmplitude = sp.scanAmplitude;
    f.beamPower = sp.beamPower;
    f.mirrorSpacing = sp.mirrorSpacing;
    f.channelTime = sp.channelTime;
    f.counts = sp.counts;
    f.scanCount = sp.scanCount;
    if (withRealtime) {
        f.realtime = last->scan.counts;
        f.shutterMap = last->ShutterMap;
    }
    f.runCycle = static_cast<std::int32_t>(run.runCycles());
    f.cycleField = static_cast<std::int32_t>(state.cycleField());
    f.observing = state.observing();
    f.acquiring = state.acquiring();
    f.alt16 = state.alt16();
    f.x10 = state.x10();
    f.alignment = state.alignment();
    f.calibrated = state.calibrated();
    f.modified = state.modified();
    return BuildDataRecord(f);
}

void ConsoleHost::requestRealtime(int slot) {
    w_.post(makeMessage(msg::WM_REALTIME_REQUEST, static_cast<std::uintptr_t>(slot)));
}

void ConsoleHost::requestShutterMap(int slot) {
    w_.post(makeMessage(msg::WM_SHUTTER_MAP_REQUEST, static_cast<std::uintptr_t>(slot)));
}

void ConsoleHost::chatReceived(const ConsoleSession& console) {
    for (const auto& listener : chatListeners_) {
        listener(console);
    }
}

std::string ConsoleHost::baseDirectory() const {
    return w_.setup().directories().baseDirectory;
}

ConsoleServerOwner::Access ConsoleHost::serverAccess() const {
    Access access;
    access.masks = w_.settings().ip;
    access.allowOverride = w_.settings().allow_command_override != 0;
    access.baseDirectory = baseDirectory();
    return access;
}

void ConsoleHost::consoleEnded(const ConsoleSession& console, bool hadControl, bool closeCommand) {
    // A later console in the same slot must not receive what this one asked for.
    if (console.slot >= 0 && console.slot < Serversocket::kConsoleLimit) {
        realtimeMask_ &= static_cast<std::uint8_t>(~(1u << console.slot));
    }
    if (!hadControl && controlOwner_ != console.slot) {
        return;
    }
    releaseControl();
    ApplyControlSet(RemoteReleased, w_.view());
    if (closeCommand && w_.state().acquiring()) {
        ApplyControlSet(Acquiring, w_.view());
        w_.view().setControlEnabled(ctl::kAcquisition, true);
    }
}
