#include "window/shell/headless_station.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "window/acquisition/run_control.h"
#include "window/network/console_host.h"
#include "window/shell/headless_view.h"

namespace {

std::atomic<int> stopSignal{0};

extern "C" void onStopSignal(int signal) {
    stopSignal = signal;
}

constexpr int kSignalPollMs = 100;

WindowContext unattended(WindowContext context) {
    context.unattended = true;
    return context;
}

}  // namespace

class HeadlessStation::Impl {
public:
    Impl(CRegistersetup& setup, Prompter& prompter, WindowContext context)
        : setup_(setup), window_(setup, prompter, dialogs_, view_, unattended(std::move(context))) {
        view_.attach(&window_);
    }

    int run() {
        const int storedNetwork = setup_.values().enable_network;
        setup_.values().enable_network = 1;
        window_.OnInitDialog();
        int rc = 1;
        if (window_.consoleHost().StartServer()) {
            std::fprintf(stderr, "kavro: console server on port %u\n",
                         static_cast<unsigned>(window_.consoleHost().listeningPort()));
            stopSignal = 0;
            std::signal(SIGINT, onStopSignal);
            std::signal(SIGTERM, onStopSignal);
            QTimer signalPoll;
            QObject::connect(&signalPoll, &QTimer::timeout, [this] {
                if (stopSignal.exchange(0) != 0) {
                    normalExit();
                }
            });
            signalPoll.start(kSignalPollMs);
            rc = QCoreApplication::exec();
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
        }
        window_.consoleHost().CloseForExit();
        setup_.values().enable_network = storedNetwork;
        return rc;
    }

    bool endedOk() const { return window_.endedOk(); }

private:
    void normalExit() {
        if (window_.state().acquiring()) {
            window_.runControl().StartOrStopAcquisition();
        }
        if (window_.state().observing()) {
            window_.runControl().StartOrStopObservation();
        }
        window_.Exit();
    }

    CRegistersetup& setup_;
    HeadlessSpectrumView view_;
    NoFileDialogs dialogs_;
    CSpectrumwnd window_;
};

HeadlessStation::HeadlessStation(CRegistersetup& setup, Prompter& prompter, WindowContext context)
    : impl_(std::make_unique<Impl>(setup, prompter, std::move(context))) {}

HeadlessStation::~HeadlessStation() = default;

int HeadlessStation::run() {
    return impl_->run();
}

bool HeadlessStation::endedOk() const {
    return impl_->endedOk();
}
