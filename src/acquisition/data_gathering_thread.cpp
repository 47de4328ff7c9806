#include "acquisition/data_gathering_thread.h"

#include <QDeadlineTimer>
#include <cstdio>
#include <thread>

#include "acquisition/serial_link.h"
#include "platform/messages.h"

// Everything the receiver's worker thread touches. The worker holds it too, so a worker left
// behind by a stop that timed out never reaches freed memory; once the windows are let go it
// posts nothing more.
struct CDataGatheringThread::Core {
    Core(GatheringWindows& w, Prompter& p, Clock* c)
        : windows(w),
          prompter(p),
          ownClock(c ? nullptr : std::make_unique<SystemClock>()),
          clock(c ? *c : *ownClock) {}

    void BroadcastToWindows(std::uint32_t id, std::uintptr_t value,
                            const ScanReadyPayload& scan = nullptr);
    void postToOwnQueue(Message m);
    void letWindowsGo();
    void receiverLoop(TimingStrategy strategy, const std::string& port);

    GatheringWindows& windows;
    Prompter& prompter;
    std::unique_ptr<Clock> ownClock;
    Clock& clock;

    InstrumentState state;  // the worker's, once it runs
    ReceiverControls controls;
    std::atomic<bool> receiverRunning{false};
    std::atomic<double> wavelength{0};
    std::atomic<std::uint16_t> channels{0};
    std::atomic<float> cyclesPerHour{kDefaultCyclesPerHour};

    std::mutex postMutex;  // posts against the stop that lets the windows and the queue go
    bool windowsGone = false;
    MessageSink* ownQueue = nullptr;  // the gathering thread's
};

// The gathering thread's own queue.
class CDataGatheringThread::Queue final : public MessageReceiver {
public:
    explicit Queue(CDataGatheringThread& owner) : owner_(owner) {}

protected:
    void onMessage(Message& m) override {
        switch (m.id) {
            case msg::WM_GATHER_RESTART:
                // A restarted receiver always keeps time with the tick counter.
                owner_.startReceiver(TimingStrategy::Ticks);
                break;
            case msg::WM_WAVELENGTH_CHANGED:
                owner_.core_->wavelength =
                    owner_.settings_.laserWavelength ? owner_.settings_.laserWavelength() : 0;
                break;
            case msg::WM_SHUTTER_DELAY_CHANGED:
                // The receiver takes the new delay before its next frame.
                owner_.core_->controls.shutterDelaySetting =
                    owner_.settings_.shutterDelay ? owner_.settings_.shutterDelay() : 0;
                break;
            default:
                break;
        }
    }

private:
    CDataGatheringThread& owner_;
};

namespace {

// Turns what the receiver finds into window messages, on the worker thread.
template <class Core>
class Announcer final : public ReceiverListener {
public:
    explicit Announcer(Core& core) : core_(core) {}

    void channelsChanged(std::uint16_t channels) override {
        core_.channels = channels;
        core_.BroadcastToWindows(msg::WM_GATHER_CHANNELS, channels);
        core_.postToOwnQueue(makeMessage(msg::WM_SHUTTER_DELAY_CHANGED));
    }
    void scanReady(const InstrumentState& s) override {
        auto copy = std::make_shared<GatheredScan>();
        copy->scan.counts = s.scanBuffer.counts;
        copy->scan.channels = s.scanBuffer.channels;
        copy->scan.wavelength = core_.wavelength.load();
        copy->ShutterMap = s.ShutterMap;
        copy->alignment = s.alignment;
        copy->x10 = s.x10;
        copy->alt16 = s.alt16;
        copy->CyclesPerHourEstimate = s.CyclesPerHourEstimate;
        core_.cyclesPerHour = s.CyclesPerHourEstimate;
        core_.BroadcastToWindows(msg::WM_GATHER_SCAN_READY, 0, std::move(copy));
    }
    void scanRejected() override { core_.BroadcastToWindows(msg::WM_GATHER_SCAN_REJECTED, 0); }
    void x10Changed(bool on) override { core_.BroadcastToWindows(msg::WM_GATHER_X10, on); }
    void alt16Changed(bool on) override { core_.BroadcastToWindows(msg::WM_GATHER_ALT16, on); }
    void alignmentChanged(bool normal) override {
        core_.BroadcastToWindows(msg::WM_GATHER_ALIGNMENT, normal);
    }

private:
    Core& core_;
};

}  // namespace

void CDataGatheringThread::Core::BroadcastToWindows(std::uint32_t id, std::uintptr_t value,
                                                    const ScanReadyPayload& scan) {
    std::lock_guard lock(postMutex);
    if (windowsGone) {
        return;
    }
    for (const GatheringWindows::Window& w : windows.windowsForBroadcast()) {
        if (!w.visible) {
            break;
        }
        if (scan) {
            w.sink->post(makeMessage(id, value, 0, scan));
        } else {
            w.sink->post(makeMessage(id, value));
        }
    }
}

void CDataGatheringThread::Core::postToOwnQueue(Message m) {
    std::lock_guard lock(postMutex);
    if (ownQueue) {
        ownQueue->post(std::move(m));
    }
}

void CDataGatheringThread::Core::letWindowsGo() {
    std::lock_guard lock(postMutex);
    windowsGone = true;
    ownQueue = nullptr;
}

void CDataGatheringThread::Core::receiverLoop(TimingStrategy strategy, const std::string& port) {
    SerialLink link;
    link.setStopFlag(&controls.stopRequest);
    std::uint32_t failure = 0;
    if (!link.OpenSerialPort(serialDevicePath(port))) {
        failure = msg::WM_GATHER_PORT_ERROR;
    } else {
        Announcer<Core> announcer(*this);
        FrameReceiver receiver(link, clock, state, announcer, controls);
        switch (receiver.run(strategy, prompter)) {
            case ReceiverEnd::NoSignal:
                failure = msg::WM_GATHER_NO_SIGNAL;
                break;
            case ReceiverEnd::Timeout:
                failure = msg::WM_GATHER_TIMEOUT;
                break;
            case ReceiverEnd::Stopped:
                break;
        }
        link.CloseSerialPort();
    }
    // The port is closed and the receiver over before a window hears of it, so a restart
    // asked for in answer finds it free.
    receiverRunning = false;
    if (failure) {
        BroadcastToWindows(failure, 0);
    }
}

CDataGatheringThread::CDataGatheringThread(GatheringWindows& windows, Prompter& prompter,
                                           GatheringSettings settings, Clock* clock)
    : core_(std::make_shared<Core>(windows, prompter, clock)),
      settings_(std::move(settings)),
      strategy_(core_->clock.counterFrequency() > 0 ? TimingStrategy::HighResolution
                                                    : TimingStrategy::Ticks) {}

CDataGatheringThread::~CDataGatheringThread() {
    StopGathering();
}

bool CDataGatheringThread::receiverRunning() const {
    return core_->receiverRunning.load();
}

std::uint16_t CDataGatheringThread::currentChannels() const {
    return core_->channels.load();
}

float CDataGatheringThread::CyclesPerHourEstimate() const {
    return core_->cyclesPerHour.load();
}

void CDataGatheringThread::ClearShutterMap() {
    core_->controls.clearShutterMap = true;
}

void CDataGatheringThread::PrepareGathering(const CKavroSpectrum& windowSpectrum) {
    if (thread_) {
        return;  // the receiver owns the state once it runs
    }
    Core& core = *core_;
    const int delay = settings_.shutterDelay ? settings_.shutterDelay() : 0;
    core.state.prepare(windowSpectrum.channels, delay);
    core.controls.shutterDelaySetting = delay;
    core.channels = windowSpectrum.channels;
    core.cyclesPerHour = kDefaultCyclesPerHour;
    // Frames carry the laser's wavelength from the first one, not only after a change.
    core.wavelength = settings_.laserWavelength ? settings_.laserWavelength() : 0;
    // The windows may still show what an earlier gathering found; this one starts from off,
    // and the receiver announces every change from here. The alignment bit is announced with
    // the first frame.
    core.BroadcastToWindows(msg::WM_GATHER_X10, core.state.x10);
    core.BroadcastToWindows(msg::WM_GATHER_ALT16, core.state.alt16);

    auto queue = std::make_unique<Queue>(*this);
    Queue* q = queue.get();
    thread_ = std::make_unique<MessageThread>(std::move(queue));
    {
        std::lock_guard lock(core.postMutex);
        core.ownQueue = thread_.get();
    }
    // Thread start-up: the receiver begins on a worker of its own.
    QObject::connect(thread_->thread(), &QThread::started, q, [this] { startReceiver(strategy_); });
    thread_->start();
}

bool CDataGatheringThread::StopGathering(int waitMs) {
    if (!thread_) {
        return true;
    }
    {
        // After this no receiver starts; one started before is waited for below.
        std::lock_guard lock(runMutex_);
        core_->controls.stopRequest = true;
    }
    const QDeadlineTimer deadline(waitMs);
    while (core_->receiverRunning.load() && !deadline.hasExpired()) {
        QThread::msleep(5);
    }
    const bool ended = !core_->receiverRunning.load();
    if (!ended) {
        core_->letWindowsGo();
    }
    {
        std::lock_guard lock(core_->postMutex);
        core_->ownQueue = nullptr;
    }
    thread_->quit();
    thread_->wait();
    thread_.reset();

    std::lock_guard lock(runMutex_);
    if (worker_ && ended) {
        worker_->wait();
        worker_.reset();
    } else if (worker_) {
        // Destroying a running thread would end the process: a watcher of its own deletes the
        // thread object once the worker, which keeps the shared core, has ended.
        std::thread([leftBehind = std::shared_ptr<QThread>(worker_.release())] {
            leftBehind->wait();
        }).detach();
        std::fprintf(stderr,
                     "kavro: the serial receiver did not end within %d ms of the stop request; "
                     "it is left behind\n",
                     waitMs);
    }
    return ended;
}

MessageSink& CDataGatheringThread::queue() {
    // Before preparation or after the stop there is no queue; posts then go nowhere.
    struct Nowhere final : MessageSink {
        void post(Message) override {}
    };
    static Nowhere nowhere;
    return thread_ ? static_cast<MessageSink&>(*thread_) : nowhere;
}

void CDataGatheringThread::startReceiver(TimingStrategy strategy) {
    std::lock_guard lock(runMutex_);
    if (core_->receiverRunning.load() || core_->controls.stopRequest.load()) {
        return;
    }
    if (worker_) {
        worker_->wait();  // it cleared the running flag; only its last posts are left
    }
    // Set here, not by the worker, so a second restart cannot start a second receiver.
    core_->receiverRunning = true;
    const std::string port = settings_.portName ? settings_.portName() : std::string();
    worker_.reset(
        QThread::create([core = core_, strategy, port] { core->receiverLoop(strategy, port); }));
    worker_->start(QThread::NormalPriority);
}
