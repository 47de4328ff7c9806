#include "acquisition/serial_link.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <algorithm>

SerialLink::SerialLink() = default;

SerialLink::~SerialLink() {
    CloseSerialPort();
}

bool SerialLink::OpenSerialPort(const std::string& devicePath) {
    CloseSerialPort();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(devicePath));
    port->setReadBufferSize(kQueueBytes);
    // Opening applies the line settings; Qt holds the device exclusively.
    port->setBaudRate(QSerialPort::Baud57600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    if (devicePath.empty() || !port->open(QIODevice::ReadOnly)) {
        errorText_ = port->errorString().toStdString();
        return false;
    }
    port_ = std::move(port);
    return true;
}

void SerialLink::CloseSerialPort() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

bool SerialLink::isOpen() const {
    return port_ != nullptr;
}

std::optional<std::uint8_t> SerialLink::readByte() {
    if (!port_) {
        return std::nullopt;
    }
    const QDeadlineTimer deadline(kReadTimeoutMs);
    while (port_->bytesAvailable() == 0) {
        if (stop_ && stop_->load()) {
            return std::nullopt;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            return std::nullopt;
        }
        // In short waits, so a stop is seen on a silent line too.
        const int wait = static_cast<int>(std::min<qint64>(left, kStopPollMs));
        if (!port_->waitForReadyRead(wait) && port_->error() != QSerialPort::TimeoutError) {
            return std::nullopt;  // the device went away
        }
    }
    char c = 0;
    if (!port_->getChar(&c)) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(c);
}

std::string serialDevicePath(const std::string& portName) {
#ifdef _WIN32
    std::string path = portName;
    if (path.size() == 5 && path[4] == ':') {
        path.pop_back();  // COM1:
    } else if (path.size() == 6 && path[5] == ':') {
        path.pop_back();  // COM12:
    }
    return path;
#else
    return portName;
#endif
}
