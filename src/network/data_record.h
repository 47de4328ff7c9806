#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The binary record a client station polls in data mode: the station's status and spectra,
// little-endian, at fixed offsets. Built field by field so the bytes never depend on the
// compiler's struct layout.
namespace data_record {
inline constexpr std::size_t kSize = 12560;
inline constexpr std::size_t kMaxChannels = 1024;

inline constexpr std::size_t kPolarization = 0;
inline constexpr std::size_t kChannels = 4;
inline constexpr std::size_t kSampleName = 6;
inline constexpr std::size_t kFreeComment1 = 47;
inline constexpr std::size_t kFreeComment2 = 88;
inline constexpr std::size_t kExtraComment1 = 129;
inline constexpr std::size_t kExtraComment2 = 170;
inline constexpr std::size_t kTextField = 41;  // 40 characters and NUL
inline constexpr std::size_t kWavelength = 216;
inline constexpr std::size_t kScanAmplitude = 224;
inline constexpr std::size_t kBeamPower = 232;
inline constexpr std::size_t kMirrorSpacing = 240;
inline constexpr std::size_t kChannelTime = 248;
inline constexpr std::size_t kCounts = 256;
inline constexpr std::size_t kScanCount = 4352;
inline constexpr std::size_t kRealtime = 4356;
inline constexpr std::size_t kShutterMap = 8452;
inline constexpr std::size_t kRunCycle = 12548;
inline constexpr std::size_t kCycleField = 12552;
inline constexpr std::size_t kAlwaysOne = 12556;
inline constexpr std::size_t kStatusBits = 12557;
inline constexpr std::size_t kCalibrated = 12558;
inline constexpr std::size_t kModified = 12559;

inline constexpr std::uint8_t kObserving = 1;
inline constexpr std::uint8_t kAcquiring = 2;
inline constexpr std::uint8_t kAlt16 = 4;
inline constexpr std::uint8_t kX10 = 8;
inline constexpr std::uint8_t kAlignmentMode = 16;
}  // namespace data_record

using DataRecordBytes = std::array<std::uint8_t, data_record::kSize>;

struct DataRecordFields {
    std::string polarization;
    std::uint16_t channels = 0;
    std::string sampleName;
    std::string freeComment1;
    std::string freeComment2;
    std::string extraComment1;
    std::string extraComment2;
    double wavelength = 0;
    double scanAmplitude = 0;
    double beamPower = 0;
    double mirrorSpacing = 0;
    double channelTime = 0;  // the spectrum's, before the running acquisition is added
    std::span<const std::uint32_t> counts;
    std::int32_t scanCount = 0;
    std::span<const std::uint32_t> realtime;  // empty: the record carries zeros
    std::span<const std::int32_t> shutterMap;
    std::int32_t runCycle = 0;
    std::int32_t cycleField = 0;
    bool observing = false;
    bool acquiring = false;
    bool alt16 = false;
    bool x10 = false;
    bool alignment = true;  // the controller's flag: false is alignment mode
    bool calibrated = false;
    bool modified = false;
};

// Entries of counts, realtime and shutter map beyond `channels` (and beyond 1024) are left 0.
DataRecordBytes BuildDataRecord(const DataRecordFields& fields);
