#pragma once

#include <cstdint>
#include <string>

// What STATUS reports of the station.
struct StationStatus {
    bool acquiring = false;
    bool observing = false;
    std::uint32_t runCycles = 0;
    std::uint32_t runTarget = 0;  // 0: unlimited
    bool alt16 = false;
    bool x10 = false;
    bool calibrated = false;
    std::string fileName;
    std::string sampleName;
    std::uint16_t channels = 0;
    double scanAmplitude = 0;
    std::string polarization;
    double beamPower = 0;
    double mirrorSpacing = 0;
    std::string extraComment1;
    std::string extraComment2;
};

const std::string& ConsoleHelpText();
std::string ConsoleStatusReport(const StationStatus& status);
