#include "window/spectrum_window.h"

#include <QDir>

#include "platform/messages.h"
#include "window/acquisition/run_control.h"
#include "window/network/console_host.h"
#include "window/window_ids.h"

CSpectrumwnd::CSpectrumwnd(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                           SpectrumView& view, WindowContext context)
    : setup_(setup),
      prompter_(prompter),
      dialogs_(dialogs),
      view_(view),
      context_(std::move(context)) {
    configurationDialogs_ = std::make_unique<ConfigurationDialogs>(*this);
    runControl_ = std::make_unique<RunControl>(*this);
    plotPart_ = std::make_unique<PlotPart>(*this);
    runControl_->switchMarkersOff = [this] { plotPart_->switchOffMarkers(); };
    fileCommands_ = std::make_unique<FileCommands>(*this);
    consoleHost_ = std::make_unique<ConsoleHost>(*this);
    responsePart_ = std::make_unique<ResponsePart>(*this);
    addCommand(cmd::kAutomatedShortcut, [this] {
        if (settings().enable_network) {
            prompter_.tell(kAutomaticNotInNetworkMode, PromptIcon::Exclamation);
        } else if (!acquiring && !observing) {
            OnCommand(cmd::kAutomatedMode);
        }
    });
    // Ctrl+C opens the chat window to a server in client mode, which comes with the client.
    addCommand(cmd::kChatShortcut, [] {});
    addCommand(cmd::kExit, [this] { Exit(); });
    addCommand(ctl::kExit, [this] { Exit(); });
    addCommand(cmd::kAbout, [this] {
        if (!aboutOpen) {
            aboutOpen = true;
            view_.showAbout();
        }
    });
}

CSpectrumwnd::~CSpectrumwnd() = default;

std::string CSpectrumwnd::serialPort() const {
    return context_.portOverride.empty() ? settings().com_port : context_.portOverride;
}

void CSpectrumwnd::returnToBaseDirectory() {
    QDir::setCurrent(QString::fromStdString(setup_.directories().baseDirectory));
}

void CSpectrumwnd::addCommand(int id, std::function<void()> handler) {
    commands_[id] = std::move(handler);
}

void CSpectrumwnd::addMessageHandler(std::uint32_t id, std::function<void(Message&)> handler) {
    messageHandlers_[id] = std::move(handler);
}

void CSpectrumwnd::OnInitDialog() {
    setInitialSpectrum();
    fileCommands_->ReadDefaultFile();
    runControl_->showFields();
    if (context_.primary) {
        if (settings().start_server_automatically) {
            post(makeMessage(msg::WM_START_SERVER_AUTOMATICALLY));
        }
        if (settings().start_maximized) {
            post(makeMessage(msg::WM_MAXIMISE));
        }
    }
    post(makeMessage(msg::WM_SPLASH_AND_PLACEMENT));
    if (!context_.commandLineFile.empty()) {
        post(makeMessage(msg::WM_OPEN_COMMAND_LINE_FILE));
    }
}

void CSpectrumwnd::setInitialSpectrum() {
    spectrum = CKavroSpectrum{};
    spectrum.SetChannels(1024);
    spectrum.scanAmplitude = 50.0;
    spectrum.mirrorSpacing = settings().last_mirror_spacing;
    spectrum.wavelength = settings().laser_wavelength;
    displayedChannels = 1024;
    fileName.clear();
    filePath.clear();
    calibrated = false;
    modified = false;
    fileTime = std::time(nullptr);
    view_.setControlText(ctl::kAcquisition, "Start acquisition");
    view_.setControlText(ctl::kChannelsLabel, "Channels : " + std::to_string(spectrum.channels));
}

void CSpectrumwnd::onMessage(Message& message) {
    if (auto it = messageHandlers_.find(message.id); it != messageHandlers_.end()) {
        it->second(message);
        return;
    }
    switch (message.id) {
        case msg::WM_SPLASH_AND_PLACEMENT:
            onSplashAndPlacement();
            break;
        case msg::WM_MAXIMISE:
            view_.maximise();
            break;
        case msg::WM_ABOUT_CLOSED:
            aboutOpen = false;
            break;
        default:
            break;
    }
}

void CSpectrumwnd::onSplashAndPlacement() {
    if (settings().show_splashscreen) {
        view_.showSplash();
    }
    if (!settings().start_maximized) {
        view_.placeInWorkArea();
    }
}

void CSpectrumwnd::OnCommand(int id) {
    auto it = commands_.find(id);
    if (it != commands_.end()) {
        it->second();
    } else if (id >= cmd::kMarker1Back && id <= cmd::kLastShortcut && !acquiring && !observing) {
        prompter_.tell("Unhandled key event!", PromptIcon::Stop);
    }
}

OperatingFlags CSpectrumwnd::flags() const {
    OperatingFlags f;
    f.acquiring = acquiring;
    f.observing = observing;
    f.modified = modified;
    f.networkEnabled = settings().enable_network != 0;
    f.primary = context_.primary;
    f.channels = spectrum.channels;
    f.aboutOpen = aboutOpen;
    f.fileFormatOpen = fileFormatOpen;
    f.generalSetupOpen = generalSetupOpen;
    f.visualisationOpen = visualisationOpen;
    f.alignment = alignment;
    f.serverRunning = serverRunning;
    f.consoleHoldsControl = consoleHoldsControl;
    f.gatheringThread = runControl_ && runControl_->hasGatheringThread();
    if (responsePart_) {
        responsePart_->fillFlags(f);
    }
    if (plotPart_) {
        plotPart_->fillFlags(f);
    }
    return f;
}

MenuItemState CSpectrumwnd::menuState(int id) const {
    MenuItemState state = menuItemState(id, flags());
    if (!hasCommand(id)) {
        state.enabled = false;
    }
    return state;
}

bool CSpectrumwnd::Exit() {
    if (acquiring || observing) {
        return false;  // refused silently during a local run
    }
    if (modified && !prompter_.askYesNo(kDiscardAndClose)) {
        return false;
    }
    if (!consoleHost_->CloseForExit()) {
        return false;
    }
    runControl_->StopGathering();
    // The backup and sequence threads join here as they arrive.
    endedOk_ = true;
    view_.endDialog(true);
    return true;
}
