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

namespace {}  // namespace

ConsoleHost::ConsoleHost(CSpectrumwnd& window)
    : w_(window), server_(std::make_unique<Serversocket>(*this)) {
    port_ = w_.context().consolePort;
    w_.addCommand(cmd::kNetworkServer, [this] { StartOrStopServer(); });
    w_.addMessageHandler(msg::WM_START_SERVER_AUTOMATICALLY, [this](Message&) {
        if (w_.settings().enable_network && !w_.serverRunning) {
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
    w_.runControl().serveRealtimeRequests = [this](const GatheredScan& frame) {
        serveRealtimeRequests(frame);
    };
    w_.sendToControlOwner = [this](const std::string& text) {
        if (controlOwner_ >= 0) {
            server_->sendTo(controlOwner_, text);
        }
    };
}

ConsoleHost::~ConsoleHost() {
    w_.sendToControlOwner = [](const std::string&) {};
    w_.runControl().serveRealtimeRequests = [](const GatheredScan&) {};
}

void ConsoleHost::StartOrStopServer() {
    if (w_.serverRunning) {
        StopServer();
    } else {
        StartServer();
    }
}

bool ConsoleHost::StartServer() {
    if (w_.serverRunning) {
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
    w_.serverRunning = true;
    return true;
}

bool ConsoleHost::StopServer() {
    if (server_->consoleCount() > 0 && !w_.prompter().askYesNo(kUsersConnected)) {
        return false;
    }
    server_->Stop();
    realtimeMask_ = 0;
    w_.serverRunning = false;
    ApplyControlSet(ObservingStopped, w_.view());
    return true;
}

bool ConsoleHost::CloseForExit() {
    if (!w_.settings().enable_network || !w_.serverRunning) {
        return true;
    }
    if (server_->consoleCount() > 0 && !w_.prompter().askYesNo(kUsersConnected)) {
        return false;
    }
    server_->Stop();
    realtimeMask_ = 0;
    w_.serverRunning = false;
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
        const int entry = w_.lastScan ? w_.lastScan->ShutterMap[static_cast<std::size_t>(i)] : 0;
        text += formatted("%d\r\n", entry);
    }
    server_->sendTo(slot, text + prompt(slot));
}

StationStatus ConsoleHost::status() const {
    StationStatus s;
    s.acquiring = w_.acquiring;
    s.observing = w_.observing;
    s.runCycles = w_.runControl().runCycles;
    s.runTarget = w_.runControl().runTarget;
    s.alt16 = w_.alt16;
    s.x10 = w_.x10;
    s.calibrated = w_.calibrated;
    s.fileName = w_.fileName;
    const CKavroSpectrum& sp = w_.spectrum;
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
        w_.consoleHoldsControl = true;
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
    w_.consoleHoldsControl = false;
}

void ConsoleHost::setCycleField(std::int32_t cycles) {
    w_.cycleField = static_cast<std::uint32_t>(cycles);
    w_.view().setControlText(ctl::kCycles, std::to_string(w_.cycleField));
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
    w_.modified = true;
    w_.spectrum.SetChannels(channels);
    w_.displayedChannels = channels;
    w_.view().setControlText(ctl::kChannelsLabel, formatted("Channels :   %d", channels));
    w_.view().setControlText(ctl::kCycles, std::to_string(w_.cycleField));
    w_.view().redraw();
}

std::string ConsoleHost::spectrumText() {
    std::string text;
    w_.spectrum.WriteToText(text, w_.settings().fileStructure);
    return text;
}

bool ConsoleHost::saveSpectrum(const std::string& directory, const std::string& name, bool raw) {
    std::string bytes;
    if (raw) {
        w_.spectrum.WriteRawToFile(bytes);
    } else {
        w_.spectrum.WriteToFile(bytes, w_.settings().fileStructure);
    }
    const QString path =
        QDir(QString::fromStdString(directory)).filePath(QString::fromStdString(name));
    if (writeFileAtomically(path.toStdString(), bytes)) {
        return false;  // the reason goes nowhere: the console reply says the write failed
    }
    w_.modified = false;
    w_.fileName = name;
    w_.filePath = directory;
    if (w_.filePath.empty() || w_.filePath.back() != QDir::separator().toLatin1()) {
        w_.filePath.push_back(QDir::separator().toLatin1());
    }
    w_.filePath += name;
    w_.view().redraw();
    return true;
}

DataRecordBytes ConsoleHost::dataRecord() {
    CKavroSpectrum& sp = w_.spectrum;
    const RunControl& run = w_.runControl();
    const bool withRealtime = w_.lastScan && ((w_.acquiring && run.runCycles > 2) || w_.observing);
    if (withRealtime && w_.lastScan->scan.channels != sp.channels) {
        sp.SetChannels(w_.lastScan->scan.channels);
    }
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
        f.realtime = w_.lastScan->scan.counts;
        f.shutterMap = w_.lastScan->ShutterMap;
    }
    f.runCycle = static_cast<std::int32_t>(run.runCycles);
    f.cycleField = static_cast<std::int32_t>(w_.cycleField);
    f.observing = w_.observing;
    f.acquiring = w_.acquiring;
    f.alt16 = w_.alt16;
    f.x10 = w_.x10;
    f.alignment = w_.alignment;
    f.calibrated = w_.calibrated;
    f.modified = w_.modified;
    return BuildDataRecord(f);
}

void ConsoleHost::requestRealtime(int slot) {
    w_.post(makeMessage(msg::WM_REALTIME_REQUEST, static_cast<std::uintptr_t>(slot)));
}

void ConsoleHost::requestShutterMap(int slot) {
    w_.post(makeMessage(msg::WM_SHUTTER_MAP_REQUEST, static_cast<std::uintptr_t>(slot)));
}

void ConsoleHost::chatReceived(const ConsoleSession& console) {
    showChat(console);
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
    if (closeCommand && w_.acquiring) {
        ApplyControlSet(Acquiring, w_.view());
        w_.view().setControlEnabled(ctl::kAcquisition, true);
    }
}
