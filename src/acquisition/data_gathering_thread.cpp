#include "acquisition/data_gathering_thread.h"

#include "acquisition/serial_link.h"
#include "platform/messages.h"

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
                owner_.wavelength_ =
                    owner_.settings_.laserWavelength ? owner_.settings_.laserWavelength() : 0;
                break;
            case msg::WM_SHUTTER_DELAY_CHANGED:
                // The receiver takes the new delay before its next frame.
                owner_.controls_.shutterDelaySetting =
                    owner_.settings_.shutterDelay ? owner_.settings_.shutterDelay() : 0;
                break;
            default:
                break;
        }
    }

private:
    CDataGatheringThread& owner_;
};

// Turns what the receiver finds into window messages, on the worker thread.
class CDataGatheringThread::Announcer final : public ReceiverListener {
public:
    explicit Announcer(CDataGatheringThread& owner) : owner_(owner) {}

    void channelsChanged(std::uint16_t channels) override {
        owner_.channels_ = channels;
        owner_.BroadcastToWindows(msg::WM_GATHER_CHANNELS, channels);
        owner_.thread_->post(makeMessage(msg::WM_SHUTTER_DELAY_CHANGED));
    }
    void scanReady(const InstrumentState& s) override {
        auto copy = std::make_shared<GatheredScan>();
        copy->scan.counts = s.scanBuffer.counts;
        copy->scan.channels = s.scanBuffer.channels;
        copy->scan.wavelength = owner_.wavelength_.load();
        copy->ShutterMap = s.ShutterMap;
        copy->alignment = s.alignment;
        copy->x10 = s.x10;
        copy->alt16 = s.alt16;
        copy->CyclesPerHourEstimate = s.CyclesPerHourEstimate;
        owner_.cyclesPerHour_ = s.CyclesPerHourEstimate;
        owner_.BroadcastToWindows(msg::WM_GATHER_SCAN_READY, 0, std::move(copy));
    }
    void scanRejected() override { owner_.BroadcastToWindows(msg::WM_GATHER_SCAN_REJECTED, 0); }
    void x10Changed(bool on) override { owner_.BroadcastToWindows(msg::WM_GATHER_X10, on); }
    void alt16Changed(bool on) override { owner_.BroadcastToWindows(msg::WM_GATHER_ALT16, on); }
    void alignmentChanged(bool normal) override {
        owner_.BroadcastToWindows(msg::WM_GATHER_ALIGNMENT, normal);
    }

private:
    CDataGatheringThread& owner_;
};

CDataGatheringThread::CDataGatheringThread(GatheringWindows& windows, Prompter& prompter,
                                           GatheringSettings settings, Clock* clock)
    : windows_(windows),
      prompter_(prompter),
      settings_(std::move(settings)),
      ownClock_(clock ? nullptr : std::make_unique<SystemClock>()),
      clock_(clock ? *clock : *ownClock_),
      strategy_(clock_.counterFrequency() > 0 ? TimingStrategy::HighResolution
                                              : TimingStrategy::Ticks) {}

CDataGatheringThread::~CDataGatheringThread() {
    StopGathering();
}

void CDataGatheringThread::PrepareGathering(const CKavroSpectrum& windowSpectrum) {
    if (thread_) {
        return;  // the receiver owns the state once it runs
    }
    const int delay = settings_.shutterDelay ? settings_.shutterDelay() : 0;
    state_.prepare(windowSpectrum.channels, delay);
    controls_.shutterDelaySetting = delay;
    channels_ = windowSpectrum.channels;
    cyclesPerHour_ = kDefaultCyclesPerHour;

    auto queue = std::make_unique<Queue>(*this);
    Queue* q = queue.get();
    thread_ = std::make_unique<MessageThread>(std::move(queue));
    // Thread start-up: the receiver begins on a worker of its own.
    QObject::connect(thread_->thread(), &QThread::started, q, [this] { startReceiver(strategy_); });
    thread_->start();
}

void CDataGatheringThread::StopGathering() {
    if (!thread_) {
        return;
    }
    controls_.stopRequest = true;
    while (receiverRunning_.load()) {
        QThread::msleep(250);
    }
    thread_->quit();
    thread_->wait();
    thread_.reset();
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
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
    if (receiverRunning_.load() || controls_.stopRequest.load()) {
        return;
    }
    if (worker_) {
        worker_->wait();
    }
    // Set here, not by the worker, so a second restart cannot start a second receiver.
    receiverRunning_ = true;
    worker_.reset(QThread::create([this, strategy] { receiverLoop(strategy); }));
    worker_->start(QThread::NormalPriority);
}

void CDataGatheringThread::receiverLoop(TimingStrategy strategy) {
    SerialLink link;
    const std::string port = settings_.portName ? settings_.portName() : std::string();
    std::uint32_t failure = 0;
    if (!link.OpenSerialPort(serialDevicePath(port))) {
        failure = msg::WM_GATHER_PORT_ERROR;
    } else {
        Announcer announcer(*this);
        FrameReceiver receiver(link, clock_, state_, announcer, controls_);
        switch (receiver.run(strategy, prompter_)) {
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
    receiverRunning_ = false;
    if (failure) {
        BroadcastToWindows(failure, 0);
    }
}

void CDataGatheringThread::BroadcastToWindows(std::uint32_t id, std::uintptr_t value,
                                              const ScanReadyPayload& scan) {
    for (const GatheringWindows::Window& w : windows_.windowsForBroadcast()) {
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
