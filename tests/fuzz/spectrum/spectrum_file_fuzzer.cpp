// Spectrum files from anywhere: any bytes under any file structure give 256, 512 or 1024
// channels, and what is written from the result reads back with the same counts.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "spectrum/kavro_spectrum.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The first bytes choose the structure: ncomlines, 16 bits of enabled kinds, a line per kind.
constexpr std::size_t kStructureBytes = 3 + FileStructure::kKinds;

FileStructure structureFrom(const std::uint8_t* data) {
    FileStructure fs;
    fs.ncomlines = data[0] % 22;
    const unsigned mask = data[1] | (data[2] << 8);
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        fs.enabled[k] = ((mask >> k) & 1) != 0;
        fs.lines[k] = data[3 + k] % 22;
    }
    fs.freecomment1 = "free comment one";
    fs.freecomment2 = "free comment two";
    return fs;
}

void checkRecord(const CKavroSpectrum& s) {
    check(isSupportedChannelCount(s.channels), "channels in {256, 512, 1024}");
    check(s.counts.size() == s.channels, "element count == channels");
    for (int n = 0; n < 18; ++n) {
        check(s.headerLines[n].size() <= CKavroSpectrum::kHeaderSlotChars, "slot width");
    }
    check(s.polarization.size() <= 2, "two polarization letters");
    check(s.sampleName.size() <= 30, "sample name from a slot");
    for (const std::string* c : {&s.extraComment1(), &s.extraComment2()}) {
        check(c->size() <= CKavroSpectrum::kHeaderSlotChars, "extra comment width");
        check(c->empty() || c->back() != '\n', "extra comment without line feed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FileStructure fs;
    if (size >= kStructureBytes) {
        fs = structureFrom(data);
        data += kStructureBytes;
        size -= kStructureBytes;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CKavroSpectrum s;
    s.SetChannels(512);
    s.ReadFromFile(bytes, fs);
    checkRecord(s);

    std::string file;
    s.WriteToFile(file, fs);
    std::string text;
    s.WriteToText(text, fs);
    std::string raw;
    s.WriteRawToFile(raw);
    check(s.counts.size() == s.channels, "raw writer keeps channels");

    CKavroSpectrum again;
    again.ReadFromFile(file, fs);
    checkRecord(again);
    check(again.channels == s.channels, "channels survive a round trip");
    for (std::size_t i = 0; i < s.channels; ++i) {
        const std::uint32_t expected = std::min<std::uint32_t>(s.counts[i], 2147483647u);
        check(again.counts[i] == expected, "counts survive a round trip");
    }
    return 0;
}
