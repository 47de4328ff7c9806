#include "network/data_record.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

using namespace data_record;

void putU16(DataRecordBytes& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(DataRecordBytes& r, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void putI32(DataRecordBytes& r, std::size_t at, std::int32_t v) {
    putU32(r, at, static_cast<std::uint32_t>(v));
}

void putDouble(DataRecordBytes& r, std::size_t at, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) {
        r[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

// At most capacity - 1 characters, the rest of the field stays NUL.
void putText(DataRecordBytes& r, std::size_t at, std::size_t capacity, const std::string& text) {
    const std::size_t n = std::min(text.size(), capacity - 1);
    for (std::size_t i = 0; i < n && text[i] != '\0'; ++i) {
        r[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

template <class T>
void putArray(DataRecordBytes& r, std::size_t at, std::span<const T> values, std::size_t count) {
    const std::size_t n = std::min({values.size(), count, kMaxChannels});
    for (std::size_t i = 0; i < n; ++i) {
        putU32(r, at + 4 * i, static_cast<std::uint32_t>(values[i]));
    }
}

}  // namespace

DataRecordBytes BuildDataRecord(const DataRecordFields& f) {
    DataRecordBytes r{};
    putText(r, kPolarization, 3, f.polarization);
    putU16(r, kChannels, f.channels);
    putText(r, kSampleName, kTextField, f.sampleName);
    putText(r, kFreeComment1, kTextField, f.freeComment1);
    putText(r, kFreeComment2, kTextField, f.freeComment2);
    putText(r, kExtraComment1, kTextField, f.extraComment1);
    putText(r, kExtraComment2, kTextField, f.extraComment2);
    putDouble(r, kWavelength, f.wavelength);
    putDouble(r, kScanAmplitude, f.scanAmplitude);
    putDouble(r, kBeamPower, f.beamPower);
    putDouble(r, kMirrorSpacing, f.mirrorSpacing);
    // Seconds on each channel including the running acquisition; the cycle counts unsigned.
    // Once the run has ended its cycles are already in the spectrum's channel time.
    double channelTime = f.channelTime;
    if (f.acquiring && f.channels != 0) {
        channelTime += static_cast<double>(static_cast<std::uint32_t>(f.runCycle)) * 0.512 /
                       static_cast<double>(f.channels);
    }
    putDouble(r, kChannelTime, channelTime);
    putArray(r, kCounts, f.counts, f.channels);
    putI32(r, kScanCount, f.scanCount);
    putArray(r, kRealtime, f.realtime, f.channels);
    putArray(r, kShutterMap, f.shutterMap, f.channels);
    putI32(r, kRunCycle, f.runCycle);
    putI32(r, kCycleField, f.cycleField);
    r[kAlwaysOne] = 1;
    std::uint8_t bits = 0;
    bits |= f.observing ? kObserving : 0;
    bits |= f.acquiring ? kAcquiring : 0;
    bits |= f.alt16 ? kAlt16 : 0;
    bits |= f.x10 ? kX10 : 0;
    bits |= f.alignment ? 0 : kAlignmentMode;
    r[kStatusBits] = bits;
    r[kCalibrated] = f.calibrated ? 1 : 0;
    r[kModified] = f.modified ? 1 : 0;
    return r;
}
