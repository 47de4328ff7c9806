#include "display/status_text.h"

#include <cmath>

#include "spectrum/formatted.h"

namespace {

// Status bits of the data record.
constexpr std::uint8_t kObservingBit = 1;
constexpr std::uint8_t kAcquiringBit = 2;
constexpr std::uint8_t kAlt16Bit = 4;
constexpr std::uint8_t kX10Bit = 8;
constexpr std::uint8_t kAlignmentModeBit = 16;

}  // namespace

std::string SpectrumFileTitle(const std::string& fileName) {
    return formatted("Spectrum window - %s ", fileName.c_str());
}

std::string RawDataTitle(const std::string& fileName) {
    return formatted("Spectrum window - %s", fileName.c_str());
}

std::string CycleText(std::uint32_t requested, std::uint32_t current, std::uint16_t channels,
                      float cyclesPerHour, bool halveTime) {
    if (requested == 0) {
        return formatted("cycles %d of <infinite> @%d chns", static_cast<int>(current),
                         static_cast<int>(channels));
    }
    const float rate = cyclesPerHour > 0.0f ? cyclesPerHour : 1.0f;
    const float left = static_cast<float>(static_cast<std::uint32_t>(requested - current));
    float hours = left / rate;
    if (halveTime) {
        hours /= 2.0f;
    }
    const float wholeHours = std::floor(hours);
    const float minutes = (hours - wholeHours) * 60.0f;
    const float wholeMinutes = std::floor(minutes);
    const float seconds = (minutes - wholeMinutes) * 60.0f;
    return formatted("cycles %d of %d @%d chns - left : %2.0f hrs %2.0f min %2.0f s",
                     static_cast<int>(current), static_cast<int>(requested),
                     static_cast<int>(channels), static_cast<double>(wholeHours),
                     static_cast<double>(wholeMinutes), static_cast<double>(seconds));
}

std::string LocalStatusLine(const LocalStatus& s) {
    std::string line = s.fileName.empty() ? std::string("File : <NONAME> - ")
                                          : formatted(" File : %.25s - ", s.fileName.c_str());
    line += s.modified ? "MODIFIED - " : "UNCHANGED - ";
    if (s.calibrated) {
        line += "CALIBRATED - ";
    }
    if (!s.alignment) {
        line += " ALIGNMENT - ";
    }
    if (!s.acquiring && !s.observing) {
        line += s.multipleViewer ? "MULTIPLE VIEWER " : "PROGRAM IDLE ";
    } else if (!s.acquiring) {
        line += "OBSERVING ";
        if (s.alt16) {
            line += "(alt16) ";
        }
        if (s.x10) {
            line += "(x10)";
        }
    } else if (!(s.observeButtonEnabled && (!s.clientMode || s.observing))) {
        line += "ACQUIRING ";
        if (s.alt16) {
            line += "(alt16) ";
        }
        if (s.x10) {
            line += "(x10) ";
        }
        const float rate = s.x10 ? s.cyclesPerHourEstimate : kNominalCyclesPerHour;
        line += CycleText(s.cycleField, s.runCycles, s.displayedChannels, rate, s.alt16);
    }
    return line;
}

std::string ClientStatusLine(const ClientStatus& s) {
    std::string line = formatted("Connected to %s", s.serverAddress.c_str());
    if (s.control) {
        line += " (control)";
    }
    line += " - ";
    line += s.modified ? "MODIFIED - " : "UNCHANGED - ";
    if (s.calibrated) {
        line += "CALIBRATED - ";
    }
    if (s.statusBits & kAlignmentModeBit) {
        line += " ALIGNMENT - ";
    }
    const bool alt16 = s.statusBits & kAlt16Bit;
    const bool x10 = s.statusBits & kX10Bit;
    if ((s.statusBits & (kObservingBit | kAcquiringBit)) == 0) {
        line += "PROGRAM IDLE ";
    } else if (s.statusBits & kAcquiringBit) {
        line += "ACQUIRING ";
        if (alt16) {
            line += "(alt16) ";
        }
        if (x10) {
            line += "(x10) ";
        }
        line += CycleText(static_cast<std::uint32_t>(s.cycleField),
                          static_cast<std::uint32_t>(s.currentCycle), s.channels,
                          kNominalCyclesPerHour, false);
    } else {
        line += "OBSERVING ";
        if (alt16) {
            line += "(alt16) ";
        }
        if (x10) {
            line += "(x10)";
        }
    }
    return line;
}

std::string BackupLine(bool backupsEnabled, const std::string& lastBackupFile,
                       unsigned long cyclesAtLastBackup) {
    if (!backupsEnabled || cyclesAtLastBackup == 0) {
        return {};
    }
    return formatted("Last backup on file %s at %lu cycles", lastBackupFile.c_str(),
                     cyclesAtLastBackup);
}
