#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/file_dialogs.h"
#include "core/prompter.h"
#include "platform/message_receiver.h"
#include "shell/register_setup.h"
#include "spectrum/kavro_spectrum.h"
#include "window/acquisition/menu_table.h"
#include "window/acquisition/operating_flags.h"
#include "window/analysis/response_part.h"
#include "window/display/plot_part.h"
#include "window/setup/configuration_dialogs.h"
#include "window/spectrum/file_commands.h"
#include "window/spectrum_view.h"
#include "window/window_state.h"

class RunControl;
class ConsoleHost;
class SpectrumEditing;
class BatchConversionCommand;

struct WindowContext {
    std::string executableDirectory;   // where the default spectrum file lives
    std::string portOverride;          // serial device for this run only (the simulator's pty)
    std::uint16_t consolePort = 4000;  // the console server's port; 0: any free one (tests)
    std::string commandLineFile;       // opened once the window runs; empty for none
    bool primary = true;
    // No operator answers the questions (headless): a spectrum a default answer would discard
    // is kept in a recovery file first.
    bool unattended = false;
};

// The spectrum window: owns the current spectrum, its file state and the operating flags, and
// routes commands and posted messages to the parts that do the work. Runs on the window thread.
class CSpectrumwnd : public MessageReceiver {
    Q_OBJECT
public:
    static constexpr const char* kAutomaticNotInNetworkMode =
        "The automatic measurement function is not available while operating in network mode : "
        "please deactivate network functions  (general setup window) and retry.";
    static constexpr const char* kDiscardAndClose =
        "Do you want to discard this spectrum and close the application ?";

    CSpectrumwnd(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                 SpectrumView& view, WindowContext context);
    ~CSpectrumwnd() override;

    // Sets up the initial spectrum and posts the start-up messages to itself.
    void OnInitDialog();
    // A menu command, a button, or a keyboard shortcut.
    void OnCommand(int id);
    // The rule of the item, and disabled while no handler exists for it in this build.
    MenuItemState menuState(int id) const;
    bool hasCommand(int id) const { return commands_.count(id) != 0; }
    // The closing procedure; true when the window ended with the normal exit.
    bool Exit();
    bool endedOk() const { return endedOk_; }

    std::string programDescription() const { return setup_.directories().programDescription; }
    Settings& settings() { return setup_.values(); }
    const Settings& settings() const { return setup_.values(); }
    OperatingFlags flags() const;

    // The window's state: read freely, changed only through its transitions.
    const WindowState& state() const { return state_; }
    WindowState& state() { return state_; }

    RunControl& runControl() { return *runControl_; }
    ConsoleHost& consoleHost() { return *consoleHost_; }
    FileCommands& fileCommands() { return *fileCommands_; }
    PlotPart& plot() { return *plotPart_; }
    // Before a question whose answer may discard the unsaved spectrum: unattended, it is
    // written to "recovery-YYYYMMDD-HHMMSS.DAT" in the base directory and the path is printed
    // on standard error. Returns that path, empty when nothing was written.
    std::string keepUnsavedSpectrum();
    // The serial port the gathering opens: the configured one unless this run overrides it.
    std::string serialPort() const;
    void returnToBaseDirectory();

    // The window's parts register what they handle. A command without a handler is shown
    // disabled; a message without one is ignored.
    void addCommand(int id, std::function<void()> handler);
    void addMessageHandler(std::uint32_t id, std::function<void(Message&)> handler);

    Prompter& prompter() { return prompter_; }
    FileDialogs& dialogs() { return dialogs_; }
    SpectrumView& view() { return view_; }
    CRegistersetup& setup() { return setup_; }
    const WindowContext& context() const { return context_; }
    ConfigurationDialogs& configurationDialogs() { return *configurationDialogs_; }
    ResponsePart& response() { return *responsePart_; }

protected:
    void onMessage(Message& message) override;

private:
    void setInitialSpectrum();
    void onSplashAndPlacement();

    CRegistersetup& setup_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    SpectrumView& view_;
    WindowContext context_;
    WindowState state_;
    std::map<int, std::function<void()>> commands_;
    std::map<std::uint32_t, std::function<void(Message&)>> messageHandlers_;
    std::unique_ptr<RunControl> runControl_;
    std::unique_ptr<PlotPart> plotPart_;
    std::unique_ptr<FileCommands> fileCommands_;
    std::unique_ptr<ConsoleHost> consoleHost_;
    std::unique_ptr<ConfigurationDialogs> configurationDialogs_;
    std::unique_ptr<ResponsePart> responsePart_;
    std::unique_ptr<SpectrumEditing> spectrumEditing_;
    std::unique_ptr<BatchConversionCommand> batchConversion_;
    bool endedOk_ = false;
};
