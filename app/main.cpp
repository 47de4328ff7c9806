#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/qsettings_profile_store.h"
#include "platform/window_thread_prompter.h"
#include "shell/kavro_app.h"
#include "simulator_on_pty.h"
#include "ui/main_window.h"
#include "ui/message_box_prompter.h"
#include "ui/qt_file_dialogs.h"
#include "window/shell/headless_station.h"
#include "window/shell/headless_view.h"
#include "window/spectrum_window.h"

namespace {

struct Options {
    QString settingsDir;
    QString baseDir;
    QString file;
    bool simulate = false;
    bool simulateIfUnconfigured = false;
    bool headless = false;
    int consolePort = 4000;
    std::string simulatorOptions;
};

// --simulate takes an optional value, which QCommandLineParser cannot express: it is taken
// out of the arguments before they are parsed.
QStringList takeSimulateOption(QStringList args, Options& o) {
    QStringList rest;
    for (const QString& a : args) {
        if (a == "--simulate") {
            o.simulate = true;
        } else if (a.startsWith("--simulate=")) {
            o.simulate = true;
            o.simulatorOptions = a.mid(static_cast<int>(std::strlen("--simulate="))).toStdString();
        } else {
            rest << a;
        }
    }
    return rest;
}

Options parseCommandLine(const QCoreApplication& app) {
    Options o;
    const QStringList args = takeSimulateOption(app.arguments(), o);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "KAVRO: control and analysis station of a scanning multi-pass Fabry-Perot "
        "interferometer.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "Spectrum file to open once the window is shown.",
                                 "[file]");
    QCommandLineOption settingsDir(
        "settings-dir", "Keep the settings in DIR/kavro.ini instead of the user's own.", "DIR");
    QCommandLineOption baseDir(
        "base-dir", "Use DIR as the base directory instead of the per-user data folder.", "DIR");
    QCommandLineOption simulateIfUnconfigured(
        "simulate-if-unconfigured",
        "Use the built-in simulated scan controller when no serial port is configured.");
    parser.addOption(settingsDir);
    parser.addOption(baseDir);
    parser.addOption(simulateIfUnconfigured);
    QCommandLineOption headless(
        "headless",
        "Run without a display; the console server is the way in (network support "
        "counts as on for this run).");
    QCommandLineOption consolePort("console-port", "Serve the console on port N instead of 4000.",
                                   "N");
    parser.addOption(headless);
    parser.addOption(consolePort);
    parser.addOption(QCommandLineOption(
        "simulate",
        "Use the built-in simulated scan controller on a pseudo-terminal for this run "
        "(written --simulate or --simulate=\"SIMULATOR OPTIONS\", for example "
        "--simulate=\"--time-scale 8 --channels 512\"; kavro-scanctl-sim --help "
        "lists them)."));
    parser.process(args);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "kavro: only one spectrum file can be opened at start\n");
        parser.showHelp(2);
    }
    o.simulateIfUnconfigured = parser.isSet(simulateIfUnconfigured);
    o.headless = parser.isSet(headless);
    if (parser.isSet(consolePort)) {
        bool ok = false;
        o.consolePort = parser.value(consolePort).toInt(&ok);
        if (!ok || o.consolePort < 0 || o.consolePort > 65535) {
            std::fprintf(stderr, "kavro: --console-port takes a port number from 0 to 65535\n");
            parser.showHelp(2);
        }
    }
    o.settingsDir = parser.value(settingsDir);
    o.baseDir = parser.value(baseDir);
    if (!parser.positionalArguments().isEmpty()) {
        o.file = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
    }
    return o;
}

// The display is opened only when the station runs with its window: headless runs and the
// informative options need none.
bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"--headless", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application =
        wantsHeadless(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                  : std::make_unique<QApplication>(argc, argv);
    QCoreApplication& app = *application;
    QApplication::setApplicationName("kavro");
    QApplication::setOrganizationName("KAVRO");
    QApplication::setApplicationVersion("1.2 build 742");
    // File and console bytes are formatted with printf in the classic locale.
    std::setlocale(LC_NUMERIC, "C");

    const Options options = parseCommandLine(app);

    LoggingPrompter headlessPrompter;
    MessageBoxPrompter boxes;
    WindowThreadPrompter windowPrompter(boxes);
    Prompter& prompter = options.headless ? static_cast<Prompter&>(headlessPrompter)
                                          : static_cast<Prompter&>(windowPrompter);
    QSettingsProfileStore store(options.settingsDir);
    CKavroApp kavro(store, prompter, computeProgramDirectories(options.baseDir.toStdString()));
    kavro.StartUp();

    std::unique_ptr<SimulatorOnPty> simulator;
    if (options.simulate ||
        (options.simulateIfUnconfigured && kavro.setup().values().com_port.empty())) {
        std::string error;
        simulator = startSimulatorOnPty(options.simulatorOptions, &error);
        if (!simulator) {
            std::fprintf(stderr, "kavro: the simulated scan controller did not start: %s\n",
                         error.c_str());
            return 2;
        }
        std::fprintf(stderr, "kavro: simulated scan controller on %s\n",
                     simulator->devicePath().c_str());
    }

    WindowContext context;
    context.executableDirectory =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    context.commandLineFile = QDir::toNativeSeparators(options.file).toStdString();
    context.consolePort = static_cast<std::uint16_t>(options.consolePort);
    if (simulator) {
        context.portOverride = simulator->devicePath();
    }
    if (options.headless) {
        HeadlessStation station(kavro.setup(), prompter, context);
        const int rc = station.run();
        kavro.Finish(station.endedOk());
        return station.endedOk() ? 0 : rc;
    }

    MainWindow window;
    boxes.setParent(&window);
    QtFileDialogs dialogs;
    dialogs.setParent(&window);
    CSpectrumwnd logic(kavro.setup(), prompter, dialogs, window, context);
    window.attach(&logic);
    window.show();
    logic.OnInitDialog();

    const int rc = app.exec();
    kavro.Finish(logic.endedOk());
    return logic.endedOk() ? 0 : rc;
}
