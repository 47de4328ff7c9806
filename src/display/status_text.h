#pragma once

#include <cstdint>
#include <string>

inline constexpr float kNominalCyclesPerHour = 5625.0f;

inline constexpr const char* kInitialTitle = "KAVRO";
inline constexpr const char* kDeletedSpectrumTitle = "Spectrum window";
// Title after loading a spectrum file: "Spectrum window - %s " (trailing blank kept).
std::string SpectrumFileTitle(const std::string& fileName);
// Title after loading raw data: "Spectrum window - %s".
std::string RawDataTitle(const std::string& fileName);

// What the local status line reports.
struct LocalStatus {
    std::string fileName;
    bool modified = false;
    bool calibrated = false;
    bool alignment = true;  // the controller's alignment flag; false is alignment mode
    bool alt16 = false;
    bool x10 = false;
    bool acquiring = false;
    bool observing = false;
    bool multipleViewer = false;
    bool observeButtonEnabled = false;
    bool clientMode = false;
    std::uint32_t cycleField = 0;  // requested cycles, 0 = unlimited
    std::uint32_t runCycles = 0;   // cycles of the running acquisition
    std::uint16_t displayedChannels = 0;
    float cyclesPerHourEstimate = kNominalCyclesPerHour;  // the worker's measured rate
};

// What the client status line reports, from the last data record and the client flags.
struct ClientStatus {
    std::string serverAddress;
    bool control = false;
    std::uint8_t statusBits = 0;  // 1 observing, 2 acquiring, 4 alt16, 8 x10, 16 alignment mode
    bool modified = false;
    bool calibrated = false;
    std::int32_t currentCycle = 0;
    std::int32_t cycleField = 0;
    std::uint16_t channels = 0;
};

// "cycles ... @n chns" with the time left at cyclesPerHour (not above 0: 1 per hour); the
// time is halved when halveTime is set.
std::string CycleText(std::uint32_t requested, std::uint32_t current, std::uint16_t channels,
                      float cyclesPerHour, bool halveTime);
std::string LocalStatusLine(const LocalStatus& status);
std::string ClientStatusLine(const ClientStatus& status);
// "Last backup on file %s at %lu cycles" when backups are on and one was written, else empty.
std::string BackupLine(bool backupsEnabled, const std::string& lastBackupFile,
                       unsigned long cyclesAtLastBackup);
