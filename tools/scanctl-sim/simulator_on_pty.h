#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class PseudoTerminal;

// The simulator running in this process on a thread of its own, writing into a fresh pty.
// Open devicePath() as the serial port. Destroying the handle stops the simulator and closes
// the pty.
class SimulatorOnPty {
public:
    ~SimulatorOnPty();
    SimulatorOnPty(const SimulatorOnPty&) = delete;
    SimulatorOnPty& operator=(const SimulatorOnPty&) = delete;

    const std::string& devicePath() const;
    void stop();
    bool finished() const { return finished_.load(); }  // all requested sweeps sent
    std::uint64_t framesSent() const { return sent_.load(); }
    // Bytes the pty had no room for because the other side did not read them in time: a
    // serial line's overrun. Frames they belonged to arrive damaged.
    std::uint64_t bytesDropped() const { return dropped_.load(); }

private:
    friend std::unique_ptr<SimulatorOnPty> startSimulatorOnPty(const std::string&, std::string*);
    SimulatorOnPty() = default;

    std::unique_ptr<PseudoTerminal> pty_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<std::uint64_t> dropped_{0};
    std::thread thread_;
};

// Starts the simulator with its own command-line options given as one string, for example
// "--time-scale 8 --channels 512". --device and --pty are not allowed here. Empty on failure
// with the reason in *error.
std::unique_ptr<SimulatorOnPty> startSimulatorOnPty(const std::string& options,
                                                    std::string* error = nullptr);
