#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "network/console_reports.h"
#include "network/data_record.h"
#include "network/working_directories.h"

// One console's state as the command language sees it.
struct ConsoleSession {
    int slot = 0;
    std::string workingDirectory;
    std::string chatText;  // at most 80 characters
    bool connected = false;
    bool dataMode = false;
    bool hasControl = false;
    bool controlAllowed = false;
    std::string peerAddress;
    int peerPort = 0;
};

// The control arbiter's answers, with the values the older stations used.
enum class ArbiterAnswer { Granted = 0, HeldByAnother = 1, Released = 3 };

// What a console may ask of its owner window. The window implements it with the same
// operations its buttons use.
class ConsoleStation {
public:
    virtual ~ConsoleStation() = default;

    virtual StationStatus status() const = 0;
    // Exists once an acquisition or observation has been started.
    virtual bool hasInstrumentLink() const = 0;
    virtual ArbiterAnswer arbitrateControl(int slot) = 0;

    // The Cycles field, shown to the operator at once.
    virtual void setCycleField(std::int32_t cycles) = 0;
    virtual void startOrStopAcquisition() = 0;
    virtual void startOrStopObservation() = 0;
    virtual void deleteSpectrum() = 0;
    // Toggles the show-current-spectrum option; answers its new value.
    virtual bool toggleShowCurrent() = 0;
    virtual void setChannels(std::uint16_t channels) = 0;

    // The console text form of the window's spectrum.
    virtual std::string spectrumText() = 0;
    // Writes the spectrum as directory/name (directory absolute, whatever the process's current
    // directory is); on success the window takes the new name.
    virtual bool saveSpectrum(const std::string& directory, const std::string& name, bool raw) = 0;
    // The data record as it stands now (the window may first adopt the realtime channels).
    virtual DataRecordBytes dataRecord() = 0;

    // Served later by the window: the next complete frame, and the shutter map.
    virtual void requestRealtime(int slot) = 0;
    virtual void requestShutterMap(int slot) = 0;
    virtual void chatReceived(const ConsoleSession& console) = 0;

    // Where a new console's working directory starts.
    virtual std::string baseDirectory() const = 0;
    virtual WorkingDirectories& directories() = 0;
};

struct ConsoleReply {
    std::string bytes;             // the reply, with its prompt in text mode
    bool closeConnection = false;  // CLOSE: send the reply, then end the console
};

// Recognises and runs one line (CR LF included) for a console.
ConsoleReply InterpretConsoleLine(std::string_view line, ConsoleSession& console,
                                  ConsoleStation& station);
