#include <gtest/gtest.h>

#include <cmath>

#include "spectrum/kavro_spectrum.h"

namespace {

CKavroSpectrum filled(std::uint16_t channels, std::uint32_t value) {
    CKavroSpectrum s;
    s.SetChannels(channels);
    std::fill(s.counts.begin(), s.counts.end(), value);
    return s;
}

}  // namespace

TEST(SpectrumRecord, FrequencyScale) {
    CKavroSpectrum s;
    s.SetChannels(1024);
    s.scanAmplitude = 50;
    EXPECT_DOUBLE_EQ(s.ChannelWidth(), 50.0 / 1023);
    EXPECT_DOUBLE_EQ(s.ChannelFrequency(0), -512 * 50.0 / 1023);
    EXPECT_EQ(s.ChannelFrequency(512), 0.0);

    for (double amplitude : {0.0, -3.0}) {
        s.scanAmplitude = amplitude;
        EXPECT_EQ(s.ChannelWidth(), 0.0);
        EXPECT_TRUE(std::signbit(s.ChannelFrequency(0))) << "negative zero below the centre";
        EXPECT_FALSE(std::signbit(s.ChannelFrequency(600)));
    }
}

TEST(SpectrumRecord, ChannelFrequencyTakesElementCountWhenChannelsUnset) {
    CKavroSpectrum s;
    s.counts.assign(512, 0);
    s.scanAmplitude = 10;
    EXPECT_DOUBLE_EQ(s.ChannelFrequency(511), 255 * 10.0 / 511);
    EXPECT_EQ(s.channels, 512);
}

TEST(SpectrumRecord, ResizeGrowsByDividingAndShrinksBySumming) {
    CKavroSpectrum s = filled(256, 5);
    s.channelTime = 0.002;
    s.Resize(1024);
    ASSERT_EQ(s.channels, 1024);
    ASSERT_EQ(s.counts.size(), 1024u);
    for (auto c : s.counts) {
        ASSERT_EQ(c, 1u);
    }
    EXPECT_DOUBLE_EQ(s.channelTime, 0.0005);
    s.Resize(256);
    for (auto c : s.counts) {
        ASSERT_EQ(c, 4u);
    }
    EXPECT_DOUBLE_EQ(s.channelTime, 0.002);

    s.Resize(300);  // unsupported: unchanged
    s.Resize(256);  // same: unchanged
    EXPECT_EQ(s.channels, 256);
    EXPECT_DOUBLE_EQ(s.channelTime, 0.002);
}

TEST(SpectrumRecord, RangeQueries) {
    CKavroSpectrum s = filled(256, 0);
    EXPECT_EQ(s.PeakChannel(0, 256), 0);
    s.counts[0] = 1;
    s.counts[10] = 7;
    s.counts[20] = 7;
    for (auto& c : s.counts) {
        c += 2;
    }
    s.counts[0] = 1;
    EXPECT_EQ(s.PeakChannel(0, 256), 10) << "first of two equal maxima";
    EXPECT_EQ(s.MaxCount(0, 256), 9u);
    EXPECT_EQ(s.MaxCount(11, 20), 2u);
    EXPECT_EQ(s.MinCount(256), 2u) << "channel 0 never counts";

    struct Case {
        std::uint16_t start, end;
    };
    for (Case c : {Case{0, 257}, Case{257, 300}, Case{5, 5}}) {
        EXPECT_EQ(s.MaxCount(c.start, c.end), 0u);
        EXPECT_EQ(s.PeakChannel(c.start, c.end), 0);
    }
    EXPECT_EQ(s.MinCount(1), 0u);
    EXPECT_EQ(s.MinCount(257), 0u);
}

TEST(SpectrumRecord, AutoscaleLevel) {
    EXPECT_EQ(filled(256, 100).AutoscaleLevel(), 10);

    CKavroSpectrum s = filled(256, 0);
    // Two peaks: rising into channel i-2 and falling after channel i-1 records i-3.
    for (int p : {50, 150}) {
        s.counts[p] = 10;
        s.counts[p + 1] = 20;
        s.counts[p + 2] = 20;
        s.counts[p + 3] = 10;
    }
    // Recorded channels 50 and 150 hold 10 each: ceil(20 / (2 - 1)).
    EXPECT_EQ(s.AutoscaleLevel(), 20);
}

TEST(SpectrumRecord, CopySemantics) {
    CKavroSpectrum src = filled(512, 3);
    src.counts.resize(1024, 9);  // element count differs from channels on purpose
    src.sampleName = "quartz";
    src.polarization = "VV";
    src.scanAmplitude = 30;
    src.scanCount = 12;
    src.freeComment1 = "free";
    src.headerLines[3] = "line 3";
    src.setExtraComment1("extra");

    CKavroSpectrum constructed(src);
    EXPECT_EQ(constructed.channels, 1024);
    EXPECT_EQ(constructed.sampleName, "quartz");
    EXPECT_EQ(constructed.freeComment1, "free");
    EXPECT_TRUE(constructed.headerLines[3].empty());
    EXPECT_TRUE(constructed.extraComment1().empty());

    CKavroSpectrum from;
    from.headerLines[3] = "mine";
    from.CopyFrom(src);
    EXPECT_EQ(from.channels, 1024);
    EXPECT_EQ(from.counts, src.counts);
    EXPECT_EQ(from.freeComment1, "free");
    EXPECT_EQ(from.headerLines[3], "mine");

    CKavroSpectrum data;
    data.freeComment1 = "keep";
    data.setExtraComment2("keep too");
    data.CopyDataFrom(src);
    EXPECT_EQ(data.channels, 512);
    EXPECT_EQ(data.counts.size(), 1024u);
    EXPECT_EQ(data.scanCount, 12);
    EXPECT_EQ(data.polarization, "VV");
    EXPECT_EQ(data.freeComment1, "keep");
    EXPECT_EQ(data.extraComment2(), "keep too");
}
