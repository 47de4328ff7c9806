// A wrong device on the serial port: the operator answers OK to the no-signal question (or the
// line carries only filler), stops the acquisition and leaves the program. Neither may hang.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "acquisition/frame_receiver.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"
#include "window/acquisition/run_control.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

int argc = 1;
char arg0[] = "strange_line_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void pumpFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// Ends the program when a step that must be bounded is not, so a hang fails the test.
class Watchdog {
public:
    explicit Watchdog(const char* what, int seconds = 30)
        : thread_([this, what, seconds] {
              std::unique_lock lock(mutex_);
              if (!disarmed_.wait_for(lock, std::chrono::seconds(seconds),
                                      [this] { return done_; })) {
                  std::fprintf(stderr, "hung: %s\n", what);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        disarmed_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace

TEST(StrangeSerialLine, StopAndExitEndTheGathering) {
    struct Case {
        const char* device;
        const char* simulator;
        bool noSignalQuestion;
    } cases[] = {
        {"a device sending text", "--stream ascii", true},
        {"a line of filler only", "--stream filler", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        app();
        std::string error;
        auto sim = startSimulatorOnPty(c.simulator, &error);
        ASSERT_TRUE(sim) << error;
        MemoryProfileStore store;
        CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
        setup.SetFailsafeDefaults();
        ScriptedPrompter prompter;
        if (c.noSignalQuestion) {
            prompter.expect(kNoSignalQuestion, PromptAnswer::Ok);
        }
        FakeFileDialogs dialogs;
        FakeSpectrumView view;
        WindowContext context;
        context.portOverride = sim->devicePath();
        auto window = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, context);
        window->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        view.setControlText(ctl::kCycles, "0");
        view.setControlText(ctl::kMirrorSpacing, "6");

        window->OnCommand(ctl::kAcquisition);
        ASSERT_TRUE(window->state().acquiring());
        // The signal check takes nine seconds at most; then the receiver hunts for frames.
        ASSERT_TRUE(pumpUntil([&] { return prompter.done(); }));
        pumpFor(c.noSignalQuestion ? 500 : 5000);
        ASSERT_TRUE(window->runControl().gathering()->receiverRunning());

        {
            Watchdog guard("Stop and Exit");
            window->OnCommand(ctl::kAcquisition);  // Stop
            EXPECT_FALSE(window->state().acquiring());
            EXPECT_TRUE(window->Exit());
        }
        EXPECT_TRUE(window->endedOk());
        EXPECT_FALSE(window->runControl().hasGatheringThread());
        window.reset();
        QCoreApplication::sendPostedEvents();
    }
}
