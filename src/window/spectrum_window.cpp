#include "window/spectrum_window.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "platform/messages.h"
#include "window/acquisition/run_control.h"
#include "window/captions.h"
#include "window/network/console_host.h"
#include "window/spectrum/atomic_file.h"
#include "window/spectrum/batch_conversion.h"
#include "window/spectrum/spectrum_editing.h"
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
    fileCommands_ = std::make_unique<FileCommands>(*this);
    consoleHost_ = std::make_unique<ConsoleHost>(*this);
    responsePart_ = std::make_unique<ResponsePart>(*this);
    spectrumEditing_ = std::make_unique<SpectrumEditing>(*this);
    batchConversion_ = std::make_unique<BatchConversionCommand>(*this);
    addCommand(cmd::kAutomatedShortcut, [this] {
        if (settings().enable_network) {
            prompter_.tell(kAutomaticNotInNetworkMode, PromptIcon::Exclamation);
        } else if (!state_.running()) {
            OnCommand(cmd::kAutomatedMode);
        }
    });
    // Ctrl+C opens the chat window to a server in client mode, which comes with the client.
    addCommand(cmd::kChatShortcut, [] {});
    addCommand(cmd::kExit, [this] { Exit(); });
    addCommand(ctl::kExit, [this] { Exit(); });
    addCommand(cmd::kAbout, [this] {
        if (!state_.isOpen(OpenDialog::About)) {
            state_.dialogOpened(OpenDialog::About);
            view_.showAbout();
        }
    });
}

CSpectrumwnd::~CSpectrumwnd() = default;

std::string CSpectrumwnd::serialPort() const {
    return context_.portOverride.empty() ? settings().com_port : context_.portOverride;
}

std::string CSpectrumwnd::keepUnsavedSpectrum() {
    if (!context_.unattended || !state_.modified()) {
        return {};
    }
    const std::string stamp =
        QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
    const QDir base(QString::fromStdString(setup_.directories().baseDirectory));
    std::string path;
    // A second recovery within the same second gets a number of its own.
    for (int n = 0; path.empty() || QFileInfo::exists(QString::fromStdString(path)); ++n) {
        const std::string name = "recovery-" + stamp + (n ? "-" + std::to_string(n) : "") + ".DAT";
        path = base.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string bytes;
    state_.spectrum().WriteToFile(bytes, settings().fileStructure);
    if (const auto failure = writeFileAtomically(path, bytes)) {
        std::fprintf(stderr, "kavro: could not keep the unsaved spectrum in %s: %s\n", path.c_str(),
                     failure->c_str());
        return {};
    }
    std::fprintf(stderr, "kavro: unsaved spectrum kept in %s\n", path.c_str());
    return path;
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
    CKavroSpectrum spectrum;
    spectrum.SetChannels(1024);
    spectrum.scanAmplitude = 50.0;
    spectrum.mirrorSpacing = settings().last_mirror_spacing;
    spectrum.wavelength = settings().laser_wavelength;
    state_.startedWith(std::move(spectrum));
    view_.setControlText(ctl::kAcquisition, caption::kStartAcquisition);
    view_.setControlText(ctl::kChannelsLabel,
                         "Channels : " + std::to_string(state_.spectrum().channels));
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
            state_.dialogClosed(OpenDialog::About);
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
    } else if (id >= cmd::kMarker1Back && id <= cmd::kLastShortcut && !state_.running()) {
        prompter_.tell("Unhandled key event!", PromptIcon::Stop);
    }
}

OperatingFlags CSpectrumwnd::flags() const {
    OperatingFlags f;
    f.acquiring = state_.acquiring();
    f.observing = state_.observing();
    f.modified = state_.modified();
    f.networkEnabled = settings().enable_network != 0;
    f.primary = context_.primary;
    f.channels = state_.spectrum().channels;
    f.aboutOpen = state_.isOpen(OpenDialog::About);
    f.fileFormatOpen = state_.isOpen(OpenDialog::FileFormat);
    f.generalSetupOpen = state_.isOpen(OpenDialog::GeneralSetup);
    f.visualisationOpen = state_.isOpen(OpenDialog::Visualisation);
    f.alignment = state_.alignment();
    f.serverRunning = state_.serverRunning();
    f.consoleHoldsControl = state_.remoteControlled();
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
    if (state_.running()) {
        return false;  // refused silently during a local run
    }
    keepUnsavedSpectrum();
    if (state_.modified() && !prompter_.askYesNo(kDiscardAndClose)) {
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
