// How busy the window thread is while the station acquires at the instrument's pace: the real
// main window (with its plot) and the simulated scan controller on a pty, for a given time.
//
//   acquisition_load_bench [seconds=60] [simulator options="--channels 1024"]
//
// Prints the window thread's CPU time over the run and the share of the wall time it was idle.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/profile_store.h"
#include "shell/register_setup.h"
#include "simulator_on_pty.h"
#include "ui/main_window.h"
#include "ui/message_box_prompter.h"
#include "ui/qt_file_dialogs.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

double threadCpuSeconds() {
#ifdef CLOCK_THREAD_CPUTIME_ID
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::string simulatorOptions = argc > 2 ? argv[2] : "--channels 1024";

    std::string error;
    auto simulator = startSimulatorOnPty(simulatorOptions, &error);
    if (!simulator) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    MemoryProfileStore store;
    CRegistersetup setup(store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"});
    setup.SetFailsafeDefaults();
    setup.values().show_splashscreen = 0;
    MessageBoxPrompter prompter;
    QtFileDialogs dialogs;
    MainWindow window;
    window.resize(1600, 900);
    WindowContext context;
    context.portOverride = simulator->devicePath();
    CSpectrumwnd logic(setup, prompter, dialogs, window, context);
    window.attach(&logic);
    window.show();
    logic.OnInitDialog();

    double cpuAtStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(0, [&] {
        logic.OnCommand(ctl::kAcquisition);
        cpuAtStart = threadCpuSeconds();
        wall.start();
    });
    QTimer::singleShot(seconds * 1000, [&] {
        const double cpu = threadCpuSeconds() - cpuAtStart;
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        std::printf("frames accumulated: %d in %.1f s\n", logic.state().spectrum().scanCount,
                    elapsed);
        std::printf("window thread CPU: %.3f s, busy %.3f %%, idle %.3f %%\n", cpu,
                    100.0 * cpu / elapsed, 100.0 - 100.0 * cpu / elapsed);
        std::fflush(stdout);
        logic.OnCommand(ctl::kAcquisition);
        logic.state().saved();  // the run's spectrum is not kept: no question on the way out
        QApplication::quit();
    });
    return app.exec();
}
