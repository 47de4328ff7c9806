// Raw files from anywhere: any bytes give 256, 512 or 1024 channels or a refusal that leaves
// the record as it was; the general raw form of the result reads back with the same counts.

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

void checkRecord(const CKavroSpectrum& s) {
    check(isSupportedChannelCount(s.channels), "channels in {256, 512, 1024}");
    check(s.counts.size() == s.channels, "element count == channels");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CKavroSpectrum s;
    s.SetChannels(512);
    for (std::size_t i = 0; i < s.counts.size(); ++i) {
        s.counts[i] = static_cast<std::uint32_t>(i * 7);
    }
    s.scanAmplitude = 30;
    s.sampleName = "before";
    s.scanCount = 9;
    const CKavroSpectrum before = s;

    if (!s.ReadRawFromFile(bytes)) {
        check(s.counts == before.counts && s.channels == before.channels &&
                  s.sampleName == before.sampleName && s.scanCount == before.scanCount,
              "a refused file changes nothing");
        return 0;
    }
    checkRecord(s);
    check(s.sampleName.empty() && s.scanCount == 0, "raw load clears name and scan number");

    std::string fixed;
    s.WriteRawToFile(fixed);
    std::string general;
    s.WriteRawGeneralToFile(general);

    CKavroSpectrum again;
    check(again.ReadRawFromFile(general), "own raw form reads");
    checkRecord(again);
    check(again.channels == s.channels, "channels survive a round trip");
    check(again.counts == s.counts, "counts survive a round trip");
    return 0;
}
