#include "scan_controller_simulator.h"

#include <QSerialPort>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "acquisition/frame_decoding.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

class SerialPortSink final : public LineSink {
public:
    explicit SerialPortSink(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
        port_->waitForBytesWritten(1000);
    }

private:
    std::unique_ptr<QSerialPort> port_;
};

class FileSink final : public LineSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    ~FileSink() override { std::fclose(file_); }
    void write(const std::uint8_t* data, std::size_t size) override {
        std::fwrite(data, 1, size, file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_;
};

}  // namespace

std::unique_ptr<LineSink> openDeviceSink(const std::string& path, std::string* error) {
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(path));
    if (port->open(QIODevice::WriteOnly)) {
        const bool configured =
            port->setBaudRate(QSerialPort::Baud57600) && port->setDataBits(QSerialPort::Data8) &&
            port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop);
        if (configured) {
            return std::make_unique<SerialPortSink>(std::move(port));
        }
        port->close();
    }
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        return std::make_unique<FileSink>(file);
    }
    if (error) {
        *error = "cannot open " + path + ": " + port->errorString().toStdString();
    }
    return nullptr;
}

ScanControllerSimulator::ScanControllerSimulator(const SimulatorOptions& options)
    : options_(options), generator_(options) {}

bool ScanControllerSimulator::paced(LineSink& sink, const std::uint8_t* bytes, std::size_t size,
                                    double seconds, const std::atomic<bool>& stop) {
    const auto chunks = static_cast<std::size_t>(std::max(1.0, std::ceil(seconds / kChunkSeconds)));
    const std::size_t perChunk = std::max<std::size_t>(1, (size + chunks - 1) / chunks);
    const double begin = instrumentTime_;
    for (std::size_t offset = 0; offset < size; offset += perChunk) {
        if (stop.load()) {
            return false;
        }
        const std::size_t part = std::min(perChunk, size - offset);
        sink.write(bytes + offset, part);
        instrumentTime_ = begin + seconds * static_cast<double>(offset + part) / size;
        sleepUntilInstrumentTime();
    }
    return !stop.load();
}

void ScanControllerSimulator::sleepUntilInstrumentTime() {
    const auto due =
        startNs_ + static_cast<std::int64_t>(instrumentTime_ / options_.timeScale * 1e9);
    const std::int64_t left = due - nowNs();
    if (left > 0) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
        return;
    }
    // A thread held up longer than a couple of chunks goes on at line rate: a controller never
    // sends faster than its line, and a catch-up burst would overrun any receive queue.
    const auto slack = static_cast<std::int64_t>(2 * kChunkSeconds / options_.timeScale * 1e9);
    if (-left > slack) {
        startNs_ += -left;
    }
}

bool ScanControllerSimulator::filler(LineSink& sink, double seconds,
                                     const std::atomic<bool>& stop) {
    const auto n = static_cast<std::size_t>(std::lround(seconds * kLineBytesPerSecond));
    static const std::vector<std::uint8_t> ff(65536, frame_format::kFiller);
    for (std::size_t sent = 0; sent < n;) {
        const std::size_t part = std::min(n - sent, ff.size());
        if (!paced(sink, ff.data(), part, seconds * static_cast<double>(part) / n, stop)) {
            return false;
        }
        sent += part;
    }
    return !stop.load();
}

bool ScanControllerSimulator::silence(double seconds, const std::atomic<bool>& stop) {
    instrumentTime_ += seconds;
    const auto due =
        startNs_ + static_cast<std::int64_t>(instrumentTime_ / options_.timeScale * 1e9);
    while (nowNs() < due) {
        if (stop.load()) {
            return false;
        }
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(std::min<std::int64_t>(due - nowNs(), 20'000'000)));
    }
    return !stop.load();
}

void ScanControllerSimulator::streamWithoutFrames(LineSink& sink, const std::atomic<bool>& stop) {
    if (options_.stream == SimulatorOptions::Stream::FillerOnly) {
        while (filler(sink, 1.0, stop)) {
        }
        return;
    }
    // A thermometer and a barometer reporting at line rate: printable text, CR LF, no 0xFF.
    char line[96];
    for (std::uint64_t n = 0;; ++n) {
        const int size =
            std::snprintf(line, sizeof line, "#%06llu T1=%+07.2f C T2=%+07.2f C P=%06.1f hPa\r\n",
                          static_cast<unsigned long long>(n), 21.0 + (n % 97) * 0.01,
                          20.5 + (n % 89) * 0.01, 1013.0 + (n % 13) * 0.1);
        const auto bytes = static_cast<std::size_t>(std::max(size, 0));
        if (!paced(sink, reinterpret_cast<const std::uint8_t*>(line), bytes,
                   static_cast<double>(bytes) / kLineBytesPerSecond, stop)) {
            return;
        }
    }
}

std::uint64_t ScanControllerSimulator::run(LineSink& sink, const std::atomic<bool>& stop,
                                           std::atomic<std::uint64_t>* sentCounter) {
    startNs_ = nowNs();
    instrumentTime_ = 0;
    std::uint64_t sent = 0;
    if (options_.stream != SimulatorOptions::Stream::Frames) {
        streamWithoutFrames(sink, stop);
        return sent;
    }
    if (options_.leadIn > 0 && !filler(sink, options_.leadIn, stop)) {
        return sent;
    }
    const double sweep = kSweepSeconds * (options_.x10 ? kX10Factor : 1);
    const double gap = options_.alt16 ? kAlt16GapSeconds : kOverheadSeconds;
    SimulatedFrame frame;
    std::vector<std::uint8_t> bytes;
    while (options_.frames == 0 || sent < options_.frames) {
        generator_.next(frame);
        encodeFrame(frame, bytes);
        if (frame.silenceBefore > 0 && !silence(frame.silenceBefore, stop)) {
            break;
        }
        if (!frame.garbageBefore.empty()) {
            sink.write(frame.garbageBefore.data(), frame.garbageBefore.size());
        }
        if (!filler(sink, gap, stop) || !paced(sink, bytes.data(), bytes.size(), sweep, stop)) {
            break;
        }
        ++sent;
        if (sentCounter) {
            *sentCounter = sent;
        }
    }
    return sent;
}
