#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <clocale>
#include <cstdio>

#include "platform/qsettings_profile_store.h"
#include "platform/window_thread_prompter.h"
#include "shell/kavro_app.h"
#include "ui/main_window.h"
#include "ui/message_box_prompter.h"
#include "ui/qt_file_dialogs.h"
#include "window/spectrum_window.h"

namespace {

struct Options {
    QString settingsDir;
    QString baseDir;
    QString file;
};

Options parseCommandLine(const QCoreApplication& app) {
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
    parser.addOption(settingsDir);
    parser.addOption(baseDir);
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "kavro: only one spectrum file can be opened at start\n");
        parser.showHelp(2);
    }
    Options o;
    o.settingsDir = parser.value(settingsDir);
    o.baseDir = parser.value(baseDir);
    if (!parser.positionalArguments().isEmpty()) {
        o.file = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("kavro");
    QApplication::setOrganizationName("KAVRO");
    QApplication::setApplicationVersion("1.2 build 742");
    // File and console bytes are formatted with printf in the classic locale.
    std::setlocale(LC_NUMERIC, "C");

    const Options options = parseCommandLine(app);

    MessageBoxPrompter boxes;
    WindowThreadPrompter prompter(boxes);
    QSettingsProfileStore store(options.settingsDir);
    CKavroApp kavro(store, prompter, computeProgramDirectories(options.baseDir.toStdString()));
    kavro.StartUp();

    MainWindow window;
    boxes.setParent(&window);
    QtFileDialogs dialogs;
    dialogs.setParent(&window);
    WindowContext context;
    context.executableDirectory =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
    context.commandLineFile = QDir::toNativeSeparators(options.file).toStdString();
    CSpectrumwnd logic(kavro.setup(), prompter, dialogs, window, context);
    window.attach(&logic);
    window.show();
    logic.OnInitDialog();

    const int rc = app.exec();
    kavro.Finish(logic.endedOk());
    return logic.endedOk() ? 0 : rc;
}
