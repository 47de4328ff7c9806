#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A pseudo-terminal pair standing in for a serial line: a program opens devicePath() as its
// port, and whatever is written here arrives there. Only on systems that have ptys.
class PseudoTerminal {
public:
    static bool available();
    // Empty on failure, with the reason in *error when given.
    static std::unique_ptr<PseudoTerminal> open(std::string* error = nullptr);

    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The port side, for example /dev/pts/3.
    const std::string& devicePath() const { return devicePath_; }

    // Like a line nobody listens to, bytes the other side has no room for are dropped; the
    // result is how many were taken. Never blocks.
    std::size_t write(const std::uint8_t* data, std::size_t size);

private:
    PseudoTerminal(int controller, int port, std::string devicePath);
    int controller_ = -1;
    int port_ = -1;  // held open so the line stays up between the other side's openings
    std::string devicePath_;
};
