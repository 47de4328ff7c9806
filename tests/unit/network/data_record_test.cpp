#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "network/data_record.h"

namespace {

std::uint32_t u32At(const DataRecordBytes& r, std::size_t at) {
    return std::uint32_t{r[at]} | std::uint32_t{r[at + 1]} << 8 | std::uint32_t{r[at + 2]} << 16 |
           std::uint32_t{r[at + 3]} << 24;
}

std::uint64_t u64At(const DataRecordBytes& r, std::size_t at) {
    return std::uint64_t{u32At(r, at)} | std::uint64_t{u32At(r, at + 4)} << 32;
}

// The IEEE-754 bit patterns, written out so the test does not share the builder's conversion.
constexpr std::uint64_t k532 = 0x4080A00000000000ull;    // 532.0
constexpr std::uint64_t k50 = 0x4049000000000000ull;     // 50.0
constexpr std::uint64_t k2_5 = 0x4004000000000000ull;    // 2.5
constexpr std::uint64_t k6 = 0x4018000000000000ull;      // 6.0
constexpr std::uint64_t k1_512 = 0x3FF83126E978D4FEull;  // 1 + 512 * 0.512 / 512

std::string textAt(const DataRecordBytes& r, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(r.data()) + at, n);
}

TEST(DataRecord, LayoutOffsetByOffset) {
    std::vector<std::uint32_t> counts(512);
    std::vector<std::uint32_t> realtime(512);
    std::vector<std::int32_t> shutter(1032);
    for (std::uint32_t i = 0; i < 512; ++i) {
        counts[i] = 1000 + i;
        realtime[i] = 7 * i;
        shutter[i] = static_cast<std::int32_t>(i % 2);
    }
    shutter[600] = 1;  // beyond the channel count: never sent
    DataRecordFields f;
    f.polarization = "VHX";
    f.channels = 512;
    f.sampleName = std::string(45, 's');
    f.freeComment1 = "first";
    f.freeComment2 = "second";
    f.extraComment1 = "extra one";
    f.extraComment2 = std::string(41, 'e');
    f.wavelength = 532.0;
    f.scanAmplitude = 50.0;
    f.beamPower = 2.5;
    f.mirrorSpacing = 6.0;
    f.channelTime = 1.0;
    f.counts = counts;
    f.scanCount = -2;
    f.realtime = realtime;
    f.shutterMap = shutter;
    f.runCycle = 512;
    f.cycleField = 1000;
    f.acquiring = true;
    f.x10 = true;
    f.alignment = false;
    f.calibrated = true;
    f.modified = false;

    const DataRecordBytes r = BuildDataRecord(f);
    ASSERT_EQ(r.size(), 12560u);
    EXPECT_EQ(textAt(r, 0, 4), std::string("VH\0\0", 4));
    EXPECT_EQ(r[4], 0x00);
    EXPECT_EQ(r[5], 0x02);  // 512 little-endian
    EXPECT_EQ(textAt(r, 6, 41), std::string(40, 's') + '\0');
    EXPECT_EQ(textAt(r, 47, 41), "first" + std::string(36, '\0'));
    EXPECT_EQ(textAt(r, 88, 41), "second" + std::string(35, '\0'));
    EXPECT_EQ(textAt(r, 129, 41), "extra one" + std::string(32, '\0'));
    EXPECT_EQ(textAt(r, 170, 41), std::string(40, 'e') + '\0');
    EXPECT_EQ(textAt(r, 211, 5), std::string(5, '\0'));
    EXPECT_EQ(u64At(r, 216), k532);
    EXPECT_EQ(u64At(r, 224), k50);
    EXPECT_EQ(u64At(r, 232), k2_5);
    EXPECT_EQ(u64At(r, 240), k6);
    // 1.0 s plus 512 cycles of 0.512 s spread over 512 channels.
    double channelTime = 0;
    const std::uint64_t bits = u64At(r, 248);
    std::memcpy(&channelTime, &bits, sizeof channelTime);
    EXPECT_DOUBLE_EQ(channelTime, 1.512);
    EXPECT_EQ(bits, k1_512);
    EXPECT_EQ(r[256], 0xE8);  // 1000
    EXPECT_EQ(r[257], 0x03);
    for (std::uint32_t i = 0; i < 1024; ++i) {
        EXPECT_EQ(u32At(r, 256 + 4 * i), i < 512 ? 1000 + i : 0) << i;
        EXPECT_EQ(u32At(r, 4356 + 4 * i), i < 512 ? 7 * i : 0) << i;
        EXPECT_EQ(u32At(r, 8452 + 4 * i), i < 512 ? i % 2 : 0) << i;
    }
    EXPECT_EQ(u32At(r, 4352), 0xFFFFFFFEu);
    EXPECT_EQ(u32At(r, 12548), 512u);
    EXPECT_EQ(u32At(r, 12552), 1000u);
    EXPECT_EQ(r[12556], 1);
    EXPECT_EQ(r[12557], 2 | 8 | 16);
    EXPECT_EQ(r[12558], 1);
    EXPECT_EQ(r[12559], 0);
}

TEST(DataRecord, ChannelTimeAddsOnlyTheRunningAcquisition) {
    DataRecordFields f;
    f.channels = 1024;
    f.runCycle = 5;
    f.channelTime = 5 * 0.512 / 1024;  // what the completed run of 5 cycles left
    for (const bool acquiring : {true, false}) {
        f.acquiring = acquiring;
        const DataRecordBytes r = BuildDataRecord(f);
        double channelTime = 0;
        const std::uint64_t bits = u64At(r, 248);
        std::memcpy(&channelTime, &bits, sizeof channelTime);
        EXPECT_DOUBLE_EQ(channelTime, (acquiring ? 10 : 5) * 0.512 / 1024) << acquiring;
    }
}

TEST(DataRecord, StatusBitsAndEmptyArrays) {
    struct Case {
        bool observing, acquiring, alt16, x10, alignment;
        std::uint8_t bits;
    };
    const Case cases[] = {
        {false, false, false, false, true, 0},
        {true, false, false, false, true, 1},
        {false, true, true, false, true, 6},
        {true, false, false, true, false, 1 | 8 | 16},
    };
    for (const auto& c : cases) {
        DataRecordFields f;
        f.observing = c.observing;
        f.acquiring = c.acquiring;
        f.alt16 = c.alt16;
        f.x10 = c.x10;
        f.alignment = c.alignment;
        f.channels = 1024;
        const DataRecordBytes r = BuildDataRecord(f);
        EXPECT_EQ(r[12557], c.bits);
        EXPECT_EQ(r[12556], 1);
        // No counts given: every array entry stays 0.
        for (std::size_t at = 256; at < 12548; ++at) {
            if (at < 4352 || at >= 4356) {
                ASSERT_EQ(r[at], 0) << at;
            }
        }
    }
}

}  // namespace
