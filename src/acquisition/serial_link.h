#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "acquisition/byte_source.h"

class QSerialPort;

// The instrument's serial line: read only, exclusive, 57600 baud, 8 data bits, no parity, one
// stop bit. A read that sees no byte for 2.5 s is a timeout. Lives on the thread that reads.
class SerialLink final : public ByteSource {
public:
    static constexpr int kReadTimeoutMs = 2500;
    static constexpr int kQueueBytes = 2048;
    // How often a read that waits looks at the stop flag.
    static constexpr int kStopPollMs = 25;

    SerialLink();
    ~SerialLink() override;

    // Closes a port that is open, then opens and configures the device. On failure the link
    // stays closed.
    bool OpenSerialPort(const std::string& devicePath);
    void CloseSerialPort();
    bool isOpen() const;
    // Why the last opening failed.
    const std::string& errorText() const { return errorText_; }

    // A read waiting on a silent line returns empty soon after *stop turns true.
    void setStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

    std::optional<std::uint8_t> readByte() override;

private:
    std::unique_ptr<QSerialPort> port_;
    const std::atomic<bool>* stop_ = nullptr;
    std::string errorText_;
};

// The device path for a configured port name. On Windows a colon after COMn is dropped (the
// port layer adds the device namespace itself); elsewhere the name is the path.
std::string serialDevicePath(const std::string& portName);
