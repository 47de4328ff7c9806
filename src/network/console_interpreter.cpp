#include "network/console_interpreter.h"

#include <cstdio>
#include <vector>

#include "network/console_commands.h"
#include "network/console_texts.h"
#include "spectrum/formatted.h"

namespace {

namespace text = console_text;
using C = ConsoleCommand;

class LineRun {
public:
    LineRun(ConsoleSession& console, ConsoleStation& station, std::string& out)
        : c_(console), s_(station), out_(out) {}

    bool active() const {
        const StationStatus st = s_.status();
        return st.acquiring || st.observing;
    }

    void chat(std::string_view line) {
        if (line.size() < kChatShortestWithMessage) {
            if (!c_.dataMode) {
                out_ += text::kChatExpected;
            }
            return;
        }
        if (auto message = chatMessage(line)) {
            c_.chatText = *message;
            s_.chatReceived(c_);
        }
    }

    void override() {
        if (c_.hasControl) {
            out_ += text::kAlreadyControl;
            return;
        }
        if (!c_.controlAllowed) {
            out_ += text::kOverrideNotAllowed;
            return;
        }
        switch (s_.arbitrateControl(c_.slot)) {
            case ArbiterAnswer::Granted:
                c_.hasControl = true;
                out_ += text::kControlGranted;
                break;
            case ArbiterAnswer::HeldByAnother:
                out_ += text::kControlHeld;
                break;
            case ArbiterAnswer::Released:
                break;
        }
    }

    void restore() {
        if (!c_.hasControl) {
            out_ += text::kCannotRestore;
            return;
        }
        if (s_.arbitrateControl(c_.slot) == ArbiterAnswer::Released) {
            c_.hasControl = false;
            out_ += text::kRestored;
        }
    }

    void start(std::string_view line) {
        if (line.size() > 7) {
            if (auto cycles = startCycles(line)) {
                s_.setCycleField(*cycles);
            }
        } else {
            s_.setCycleField(0);
        }
        if (!c_.hasControl) {
            out_ += text::kStartNoControl;
        } else if (active()) {
            out_ += text::kStartActive;
        } else {
            s_.startOrStopAcquisition();
        }
    }

    void stop() {
        const StationStatus st = s_.status();
        if (st.acquiring) {
            s_.startOrStopAcquisition();
        } else if (st.observing) {
            s_.startOrStopObservation();
        } else {
            out_ += text::kStopIdle;
        }
    }

    void observe() {
        if (!c_.hasControl) {
            out_ += text::kObserveNoControl;
        } else if (active()) {
            out_ += text::kObserveActive;
        } else {
            out_ += text::kObserveStarting;
            s_.startOrStopObservation();
        }
    }

    void deleteSpectrum() {
        if (!c_.hasControl) {
            out_ += text::kDeleteNoControl;
        } else if (active()) {
            out_ += text::kDeleteActive;
        } else {
            s_.deleteSpectrum();
        }
    }

    void showCurrent() {
        if (!c_.hasControl) {
            out_ += text::kShowCurrentNoControl;
            return;
        }
        const bool on = s_.toggleShowCurrent();
        if (!c_.dataMode) {
            out_ += "Real-time spectrum will";
            if (!on) {
                out_ += " not ";
            }
            out_ += " be shown during acquisition.\r\n";
        }
    }

    void channels(std::uint16_t n) {
        if (active()) {
            out_ += text::kChannelsActive;
            return;
        }
        s_.setChannels(n);
        out_ += formatted(text::kChannelsSet, static_cast<int>(n));
    }

    void instrumentRequest(bool realtime) {
        if (!s_.hasInstrumentLink()) {
            out_ += text::kNoInstrument;
        } else if (realtime) {
            s_.requestRealtime(c_.slot);
        } else {
            s_.requestShutterMap(c_.slot);
        }
    }

    void save(std::string_view line, bool raw) {
        if (!c_.hasControl) {
            out_ += text::kSaveNoControl;
            return;
        }
        // The directory is checked, not made current: the file goes to directory + name.
        WorkingDirectories& dirs = s_.directories();
        if (dirs.enter(c_.workingDirectory, c_.workingDirectory).change !=
            WorkingDirectories::Change::Done) {
            out_ += text::kNoWorkingDirectory;
            return;
        }
        const auto name = saveFileName(line);
        if (!name || !s_.saveSpectrum(c_.workingDirectory, *name, raw)) {
            out_ += text::kWriteError;
        }
    }

    void wdir(std::string_view line) {
        if (line.size() <= 6) {
            if (!c_.dataMode) {
                out_ += formatted(text::kWorkingDirectoryNow, c_.workingDirectory.c_str());
            }
            return;
        }
        const auto argument = wdirArgument(line);
        if (!argument) {
            return;
        }
        WorkingDirectories& dirs = s_.directories();
        using Change = WorkingDirectories::Change;
        if (*argument == "..") {
            const auto parent = dirs.enter(c_.workingDirectory, "..");
            if (parent.change == Change::Done) {
                c_.workingDirectory = parent.path;
            } else {
                out_ += text::kNoCurrentDirectory;
            }
        } else if (dirs.isAbsolute(*argument) && dirs.isDirectory(*argument)) {
            const auto reached = dirs.enter(c_.workingDirectory, *argument);
            if (reached.change == Change::Done) {
                c_.workingDirectory = reached.path;
            } else {
                out_ += text::kDirectoryNotFound;
            }
        } else {
            std::string candidate = *argument;
            while (!candidate.empty() && (candidate.back() == ' ' || candidate.back() == '\t' ||
                                          candidate.back() == '\v' || candidate.back() == '\f')) {
                candidate.pop_back();
            }
            const auto reached = dirs.enter(c_.workingDirectory, candidate);
            switch (reached.change) {
                case Change::Done:
                    c_.workingDirectory = reached.path;
                    break;
                case Change::NoSuchDirectory:
                    out_ += text::kMalformedDirectory;
                    break;
                case Change::OtherError:
                    out_ += text::kChangeDirectoryError;
                    break;
            }
        }
        if (!c_.dataMode) {
            out_ += formatted(text::kWorkingDirectoryNow, c_.workingDirectory.c_str());
        }
    }

    void dataRecord() {
        const DataRecordBytes record = s_.dataRecord();
        out_ += text::kDataMarker;
        out_.append(reinterpret_cast<const char*>(record.data()), record.size());
    }

private:
    ConsoleSession& c_;
    ConsoleStation& s_;
    std::string& out_;
};

}  // namespace

ConsoleReply InterpretConsoleLine(std::string_view line, ConsoleSession& console,
                                  ConsoleStation& station) {
    ConsoleReply reply;
    std::string& out = reply.bytes;
    LineRun run(console, station, out);
    switch (recogniseConsoleLine(line, console.dataMode)) {
        case C::EmptyLine:
            break;
        case C::Chat:
            run.chat(line);
            break;
        case C::Close:
            out += text::kClosing;
            reply.closeConnection = true;
            return reply;
        case C::Delete:
            run.deleteSpectrum();
            break;
        case C::Override:
            run.override();
            break;
        case C::Observe:
            run.observe();
            break;
        case C::Restore:
            run.restore();
            break;
        case C::SaveRaw:
            run.save(line, true);
            break;
        case C::Save:
            run.save(line, false);
            break;
        case C::Stop:
            run.stop();
            break;
        case C::Start:
            run.start(line);
            break;
        case C::SetShowCurrent:
            run.showCurrent();
            break;
        case C::Wdir:
            run.wdir(line);
            break;
        case C::Text:
            console.dataMode = false;
            out += text::kTextMode;
            break;
        case C::DataRecord:
            run.dataRecord();
            break;
        case C::Data:
            console.dataMode = true;
            out += text::kDataMode;
            break;
        case C::Help:
            out += ConsoleHelpText();
            break;
        case C::Status:
            out += ConsoleStatusReport(station.status());
            break;
        case C::Set256:
            run.channels(256);
            break;
        case C::Set512:
            run.channels(512);
            break;
        case C::Set1024:
            run.channels(1024);
            break;
        case C::GetData:
            out += station.spectrumText();
            break;
        case C::GetRealtime:
            run.instrumentRequest(true);
            break;
        case C::GetShutter:
            run.instrumentRequest(false);
            break;
        case C::NotRecognised:
            if (!console.dataMode) {
                out += text::kNotAvailable;
            }
            break;
    }
    if (!console.dataMode) {
        out += text::kPrompt;
    }
    return reply;
}
