#pragma once

#include <array>
#include <cstdint>
#include <string>

// Which metadata item sits on which header line of a spectrum file. Taken from the settings at
// the moment of each read or write and passed in by value; the formats never read settings.
struct FileStructure {
    static constexpr int kKinds = 11;  // comment kinds 0..10
    enum Kind {
        kFreeComment1 = 0,
        kFreeComment2 = 1,
        kMirrorSpacing = 2,
        kPolarization = 3,
        kBeamPower = 4,
        kSampleName = 5,
        kScanAmplitude = 6,
        kChannelTime = 7,
        kWavelength = 8,
        kScanNumber = 9,
        kAcquisitionTime = 10,
    };

    std::uint16_t ncomlines = 13;  // header lines + 1
    std::array<bool, kKinds> enabled{false, false, true, true, true, true,
                                     true,  true,  true, true, false};
    std::array<std::uint16_t, kKinds> lines{3, 10, 7, 5, 6, 1, 9, 8, 4, 2, 11};
    std::string defaultExt = "DAT";  // at most 3 characters
    std::string freecomment1;        // at most 40 characters
    std::string freecomment2;

    int headerLineCount() const { return static_cast<int>(ncomlines) - 1; }
    bool operator==(const FileStructure&) const = default;
};
