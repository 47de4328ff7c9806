#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "network/console_interpreter.h"
#include "network/console_line.h"

namespace {

class NoDirectories final : public WorkingDirectories {
public:
    Entered enter(const std::string& from, const std::string& path) override {
        if (path.size() % 3 == 0) {
            return {Change::NoSuchDirectory, {}};
        }
        return {Change::Done, isAbsolute(path) ? path : from + "/" + path};
    }
    bool isAbsolute(const std::string& path) const override {
        return !path.empty() && path[0] == '/';
    }
    bool isDirectory(const std::string& path) override { return path.size() % 2 == 0; }
};

class RecordingStation final : public ConsoleStation {
public:
    StationStatus status() const override { return st; }
    bool hasInstrumentLink() const override { return true; }
    ArbiterAnswer arbitrateControl(int slot) override {
        if (owner < 0) {
            owner = slot;
            return ArbiterAnswer::Granted;
        }
        if (owner == slot) {
            owner = -1;
            return ArbiterAnswer::Released;
        }
        return ArbiterAnswer::HeldByAnother;
    }
    void setCycleField(std::int32_t c) override { st.runTarget = static_cast<std::uint32_t>(c); }
    void startOrStopAcquisition() override { st.acquiring = !st.acquiring; }
    void startOrStopObservation() override { st.observing = !st.observing; }
    void deleteSpectrum() override {}
    bool toggleShowCurrent() override { return show = !show; }
    void setChannels(std::uint16_t n) override { st.channels = n; }
    std::string spectrumText() override { return "spectrum\r\n"; }
    bool saveSpectrum(const std::string&, const std::string& name, bool) override {
        st.fileName = name;
        return !name.empty() && name[0] != 'x';
    }
    DataRecordBytes dataRecord() override {
        DataRecordFields f;
        f.channels = st.channels;
        f.sampleName = st.fileName;
        return BuildDataRecord(f);
    }
    void requestRealtime(int) override {}
    void requestShutterMap(int) override {}
    void chatReceived(const ConsoleSession& c) override {
        if (c.chatText.size() > 80) {
            std::abort();
        }
    }
    std::string baseDirectory() const override { return "/base"; }
    WorkingDirectories& directories() override { return dirs; }

    StationStatus st;
    int owner = -1;
    bool show = false;
    NoDirectories dirs;
};

}  // namespace

// First byte: the console's starting mode and how the input is cut into reads.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    RecordingStation station;
    ConsoleSession session;
    session.slot = data[0] % 5;
    session.dataMode = (data[0] & 0x80) != 0;
    session.controlAllowed = (data[0] & 0x40) != 0;
    session.workingDirectory = "/base";
    const std::size_t piece = 1 + (data[0] & 0x3F) * 8;
    LineAssembler lines;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    for (std::size_t at = 0; at < input.size(); at += piece) {
        lines.append(input.substr(at, piece));
        if (lines.pending() > LineAssembler::kMaxPendingText + 2 * 511) {
            std::abort();
        }
        while (auto line = lines.nextLine()) {
            if (line->size() < 2 || line->substr(line->size() - 2) != "\r\n") {
                std::abort();
            }
            const ConsoleReply reply = InterpretConsoleLine(*line, session, station);
            if (reply.closeConnection) {
                return 0;
            }
        }
    }
    return 0;
}
