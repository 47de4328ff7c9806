#include <gtest/gtest.h>

#include "acquisition/frame_decoding.h"

using namespace frame_format;

TEST(FrameDecoding, ChannelPairs) {
    struct Case {
        std::uint8_t high, low;
        std::uint32_t count;
        int shutter;
    } cases[] = {
        {0x3F, 0x3F, 4095, 0}, {0x80, 0x00, 0, 1},
        {0x41, 0xC2, 66, 0},  // bit 6 of the high byte and bits 6, 7 of the low byte ignored
        {0xBF, 0x3F, 4095, 1}, {0x01, 0x00, 64, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(channelCount(c.high, c.low), c.count) << int(c.high) << " " << int(c.low);
        EXPECT_EQ(shutterBit(c.high), c.shutter) << int(c.high);
    }
}

TEST(FrameDecoding, ChannelZeroTakesTheHighByteWholeAndTheScaleOfTheChannelCount) {
    struct Case {
        std::uint8_t hi0, lo0;
        unsigned channels;
        std::uint32_t count;
    } cases[] = {
        {0x10, 0x45, 256, 1715},  // 1029 * 1.667, truncated
        {0x10, 0x45, 512, 316},   // 1029 * 0.3077
        {0x10, 0x45, 1024, 228},  // 1029 * 0.2222
        {0x10, 0x45, 300, 1029},  // no scale for other counts
        {0x10, 0xC5, 0, 1029},    // bit 7 of lo0 ignored
        {0xFE, 0x3F, 256, 27203},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(channel0Count(c.hi0, c.lo0, c.channels), c.count) << c.channels;
    }
    EXPECT_TRUE(alignmentBit(0x45));
    EXPECT_FALSE(alignmentBit(0x85));
}

TEST(FrameDecoding, EndPairsAndShutterDelay) {
    EXPECT_TRUE(isEndPair(0xFF, 0x00));
    EXPECT_TRUE(isEndPair(0x00, 0xFF));
    EXPECT_FALSE(isEndPair(0xFE, 0xFE));

    EXPECT_EQ(shutterDelayChannels(3, 512), 1);  // 1.5 truncated
    EXPECT_EQ(shutterDelayChannels(10, 1024), 10);
    EXPECT_EQ(shutterDelayChannels(10, 256), 2);
    EXPECT_EQ(shutterDelayChannels(0, 1024), 0);
    EXPECT_EQ(shutterDelayChannels(-1, 1024), 0);
}
