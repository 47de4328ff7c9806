#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/gathered_scan.h"
#include "network/serversocket.h"
#include "network/working_directories.h"

class CSpectrumwnd;

// The console server as a part of the spectrum window: the start and stop command, the
// automatic start, the control arbiter, the realtime and shutter-map requests, and the window
// operations a console may ask for (the same ones the buttons use).
class ConsoleHost final : public ConsoleServerOwner {
public:
    static constexpr const char* kPortInUse =
        "Could not open network server : the network port is already in use. Is there already "
        "another server active ?";
    static constexpr const char* kSocketError =
        "Could not open network server socket (error code : %d)";
    static constexpr const char* kUsersConnected =
        "Some users are connected. Do want to close the network server anyway ?";

    explicit ConsoleHost(CSpectrumwnd& window);
    ~ConsoleHost() override;

    // The menu command: starts the server while stopped, stops it while running.
    void StartOrStopServer();
    // True when listening afterwards; the operator is told why not.
    bool StartServer();
    // False when the operator kept the server because users are connected.
    bool StopServer();
    // The closing procedure's network step; false: the operator cancelled the closing.
    bool CloseForExit();

    // Taken at the next start; 0 picks a free port (tests).
    void setPort(std::uint16_t port) { port_ = port; }
    std::uint16_t listeningPort() const { return server_->port(); }
    Serversocket& server() { return *server_; }

    // The gathering worker completed a frame: every console that asked gets it once.
    void serveRealtimeRequests(const GatheredScan& frame);
    std::uint8_t realtimeMask() const { return realtimeMask_; }
    int controlOwner() const { return controlOwner_; }

    // The chat window registers for the texts consoles send.
    void onChat(std::function<void(const ConsoleSession&)> listener) {
        chatListeners_.push_back(std::move(listener));
    }

    // ConsoleStation
    StationStatus status() const override;
    bool hasInstrumentLink() const override;
    ArbiterAnswer arbitrateControl(int slot) override;
    void setCycleField(std::int32_t cycles) override;
    void startOrStopAcquisition() override;
    void startOrStopObservation() override;
    void deleteSpectrum() override;
    bool toggleShowCurrent() override;
    void setChannels(std::uint16_t channels) override;
    std::string spectrumText() override;
    bool saveSpectrum(const std::string& directory, const std::string& name, bool raw) override;
    DataRecordBytes dataRecord() override;
    void requestRealtime(int slot) override;
    void requestShutterMap(int slot) override;
    void chatReceived(const ConsoleSession& console) override;
    std::string baseDirectory() const override;
    WorkingDirectories& directories() override { return directories_; }
    // ConsoleServerOwner
    Access serverAccess() const override;
    void consoleEnded(const ConsoleSession& console, bool hadControl, bool closeCommand) override;

private:
    void sendShutterMap(int slot);
    void releaseControl();
    // False when the operator kept the server because users are connected.
    bool stopListening();
    std::string prompt(int slot) const;

    CSpectrumwnd& w_;
    std::unique_ptr<Serversocket> server_;
    ProcessWorkingDirectories directories_;
    std::uint16_t port_ = Serversocket::kDefaultPort;
    std::uint8_t realtimeMask_ = 0;
    int controlOwner_ = -1;
    std::vector<std::function<void(const ConsoleSession&)>> chatListeners_;
};
