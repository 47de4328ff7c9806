#include "simulator_on_pty.h"

#include "platform/pseudo_terminal.h"
#include "scan_controller_simulator.h"
#include "simulator_options.h"

namespace {

class PtySink final : public LineSink {
public:
    PtySink(PseudoTerminal& pty, std::atomic<std::uint64_t>& dropped)
        : pty_(pty), dropped_(dropped) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        dropped_ += size - pty_.write(data, size);
    }

private:
    PseudoTerminal& pty_;
    std::atomic<std::uint64_t>& dropped_;
};

}  // namespace

SimulatorOnPty::~SimulatorOnPty() {
    stop();
}

const std::string& SimulatorOnPty::devicePath() const {
    return pty_->devicePath();
}

void SimulatorOnPty::stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::unique_ptr<SimulatorOnPty> startSimulatorOnPty(const std::string& options,
                                                    std::string* error) {
    std::string why;
    std::optional<SimulatorOptions> parsed =
        parseSimulatorOptions(splitOptionString(options), &why);
    if (!parsed) {
        if (error) {
            *error = why.empty() ? simulatorHelp() : why;
        }
        return nullptr;
    }
    if (parsed->createPty || !parsed->device.empty()) {
        if (error) {
            *error = "--device and --pty do not apply to a simulator in the station";
        }
        return nullptr;
    }
    std::unique_ptr<SimulatorOnPty> sim(new SimulatorOnPty);
    sim->pty_ = PseudoTerminal::open(error);
    if (!sim->pty_) {
        return nullptr;
    }
    SimulatorOptions o = *parsed;
    SimulatorOnPty* self = sim.get();
    sim->thread_ = std::thread([self, o] {
        PtySink sink(*self->pty_, self->dropped_);
        ScanControllerSimulator simulator(o);
        simulator.run(sink, self->stop_, &self->sent_);
        self->finished_ = !self->stop_.load();
    });
    return sim;
}
