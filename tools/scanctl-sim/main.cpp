// kavro-scanctl-sim: a scan controller on a serial line, a pty or into a file.
#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pseudo_terminal.h"
#include "scan_controller_simulator.h"
#include "simulator_options.h"

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void onSignal(int) {
    stopRequested = true;
}

class PtySink final : public LineSink {
public:
    explicit PtySink(PseudoTerminal& pty) : pty_(pty) {}
    void write(const std::uint8_t* data, std::size_t size) override { pty_.write(data, size); }

private:
    PseudoTerminal& pty_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<SimulatorOptions> options = parseSimulatorOptions(args, &error);
    if (!options) {
        if (error.empty()) {
            std::fputs(simulatorHelp().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "kavro-scanctl-sim: %s (see --help)\n", error.c_str());
        return 2;
    }

    std::unique_ptr<PseudoTerminal> pty;
    std::unique_ptr<LineSink> sink;
    if (options->createPty) {
        pty = PseudoTerminal::open(&error);
        if (!pty) {
            std::fprintf(stderr, "kavro-scanctl-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s\n", pty->devicePath().c_str());
        std::fflush(stdout);
        sink = std::make_unique<PtySink>(*pty);
    } else if (!options->device.empty()) {
        sink = openDeviceSink(options->device, &error);
        if (!sink) {
            std::fprintf(stderr, "kavro-scanctl-sim: %s\n", error.c_str());
            return 1;
        }
    } else {
        std::fprintf(stderr, "kavro-scanctl-sim: give --device PATH or --pty (see --help)\n");
        return 2;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    ScanControllerSimulator simulator(*options);
    const std::uint64_t sent = simulator.run(*sink, stopRequested);
    std::fprintf(stderr, "kavro-scanctl-sim: %llu sweeps sent\n",
                 static_cast<unsigned long long>(sent));
    return 0;
}
