#include "platform/pseudo_terminal.h"

#if defined(__unix__) || defined(__APPLE__)
#define KAVRO_HAVE_PTY 1
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

PseudoTerminal::PseudoTerminal(int controller, int port, std::string devicePath)
    : controller_(controller), port_(port), devicePath_(std::move(devicePath)) {}

#ifdef KAVRO_HAVE_PTY

bool PseudoTerminal::available() {
    return true;
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(std::string* error) {
    auto fail = [&](const char* what, int controller) -> std::unique_ptr<PseudoTerminal> {
        if (error) {
            *error = std::string(what) + ": " + std::strerror(errno);
        }
        if (controller >= 0) {
            ::close(controller);
        }
        return nullptr;
    };
    const int controller = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0) {
        return fail("posix_openpt", -1);
    }
    if (::grantpt(controller) != 0 || ::unlockpt(controller) != 0) {
        return fail("grantpt", controller);
    }
    const char* name = ::ptsname(controller);
    if (!name) {
        return fail("ptsname", controller);
    }
    std::string path = name;
    const int port = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (port < 0) {
        return fail("open", controller);
    }
    // Raw from the start: the line discipline must not eat or translate data bytes.
    termios raw{};
    if (::tcgetattr(port, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(port, TCSANOW, &raw);
    }
    const int flags = ::fcntl(controller, F_GETFL);
    ::fcntl(controller, F_SETFL, flags | O_NONBLOCK);
    return std::unique_ptr<PseudoTerminal>(new PseudoTerminal(controller, port, std::move(path)));
}

PseudoTerminal::~PseudoTerminal() {
    ::close(port_);
    ::close(controller_);
}

std::size_t PseudoTerminal::write(const std::uint8_t* data, std::size_t size) {
    std::size_t taken = 0;
    while (taken < size) {
        const ssize_t n = ::write(controller_, data + taken, size - taken);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // full (EAGAIN) or gone
        }
    }
    return taken;
}

#else

bool PseudoTerminal::available() {
    return false;
}

std::unique_ptr<PseudoTerminal> PseudoTerminal::open(std::string* error) {
    if (error) {
        *error = "pseudo-terminals are not available on this system";
    }
    return nullptr;
}

PseudoTerminal::~PseudoTerminal() = default;

std::size_t PseudoTerminal::write(const std::uint8_t*, std::size_t) {
    return 0;
}

#endif
