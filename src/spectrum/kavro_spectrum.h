#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spectrum/file_structure.h"

// One spectrum: the photon counts of a scan range, one per channel, with the measurement
// metadata that travels with them into files and over the console.
class CKavroSpectrum {
public:
    static constexpr int kHeaderSlots = 20;
    static constexpr std::size_t kHeaderSlotChars = 39;  // what a slot keeps of a header line
    static constexpr int kExtraComment1Slot = 18;
    static constexpr int kExtraComment2Slot = 19;

    CKavroSpectrum() = default;
    CKavroSpectrum(const CKavroSpectrum& source);  // header slots are not carried
    CKavroSpectrum& operator=(const CKavroSpectrum& source) = default;

    // Counts, metadata and free comments; channels follow the source's element count.
    void CopyFrom(const CKavroSpectrum& source);
    // Counts and metadata; channels follow the source's channels; comments stay.
    void CopyDataFrom(const CKavroSpectrum& source);

    void SetChannels(std::uint16_t n);
    int ClearCounts();
    std::uint32_t MaxCount(std::uint16_t start, std::uint16_t end) const;
    std::uint16_t PeakChannel(std::uint16_t start, std::uint16_t end) const;
    std::uint32_t MinCount(std::uint16_t end) const;
    double ChannelWidth() const;
    double ChannelFrequency(std::uint16_t channel);
    int AutoscaleLevel() const;
    void Resize(std::uint16_t n);
    // Counts from the lower to the higher of the two channels, both included, become 0;
    // channels past the last are left out. Returns how many were cleared.
    int ClearRange(std::uint16_t from, std::uint16_t to);
    // Every count c becomes top - c. A count above top (channel 0 is outside the maximum the
    // caller takes) becomes 0 instead of wrapping to a huge false peak. Returns how many did.
    int InvertBelow(std::uint32_t top);

    // File formats. Writers append the exact on-disk bytes (CR LF line ends on every platform);
    // readers take the whole file's bytes and accept CR LF and LF.
    void WriteToFile(std::string& out, const FileStructure& structure) const;
    // Console form of the spectrum file: replaces text.
    void WriteToText(std::string& text, const FileStructure& structure) const;
    void ReadFromFile(std::string_view bytes, const FileStructure& structure);
    // Fixed-point raw lines "%8f %d" for every channel.
    void WriteRawToFile(std::string& out);
    // General-format raw lines "%G %d" for channels first..last, both included.
    void WriteRawGeneralToFile(std::string& out, std::uint16_t first, std::uint16_t last);
    void WriteRawGeneralToFile(std::string& out);
    // Applies a raw file to this record. Returns false, leaving the record as it was, when the
    // first line does not hold a frequency and a count (an empty file included).
    bool ReadRawFromFile(std::string_view bytes);

    const std::string& extraComment1() const { return headerLines[kExtraComment1Slot]; }
    const std::string& extraComment2() const { return headerLines[kExtraComment2Slot]; }
    void setExtraComment1(std::string text) { headerLines[kExtraComment1Slot] = std::move(text); }
    void setExtraComment2(std::string text) { headerLines[kExtraComment2Slot] = std::move(text); }

    std::size_t elementCount() const { return counts.size(); }

    std::vector<std::uint32_t> counts;
    std::string freeComment1;
    std::string freeComment2;
    // Slot 0 unused; 1..17 the header lines of the last file read; 18, 19 the extra comments.
    std::array<std::string, kHeaderSlots> headerLines;
    std::uint16_t channels = 0;
    std::string polarization;  // two letters of U, H, V
    std::string sampleName;    // up to 40 characters
    double scanAmplitude = 0;  // GHz, full span of all channels
    double channelTime = 0;    // s per channel
    double mirrorSpacing = 0;  // mm
    double beamPower = 0;      // mW
    double wavelength = 0;     // nm
    std::int32_t scanCount = 0;

private:
    void copyMetadata(const CKavroSpectrum& source);
};

inline bool isSupportedChannelCount(unsigned n) {
    return n == 256 || n == 512 || n == 1024;
}
