#include <gtest/gtest.h>

#include "window/spectrum/spectrum_editing.h"
#include "window/window_ids.h"
#include "window_fixture.h"
#include "window_state_edit.h"

namespace {

using Editing = SpectrumEditing;

class SpectrumEditingTest : public WindowFixture {
protected:
    const CKavroSpectrum& spectrum() const { return w->state().spectrum(); }

    // Counts 0, 1, 2, ... with the given channel count, unmodified.
    void ramp(std::uint16_t channels = 1024) {
        editSpectrum(w->state(), [&](CKavroSpectrum& s) {
            s.SetChannels(channels);
            for (std::uint16_t i = 0; i < channels; ++i) {
                s.counts[i] = i;
            }
        });
    }
};

TEST_F(SpectrumEditingTest, CommandsAreHandledAndRefusedWhereTheirRuleSaysNo) {
    for (int id : {cmd::kTrim, cmd::kInvert, cmd::kResize, cmd::kStatistics}) {
        EXPECT_TRUE(w->hasCommand(id)) << id;
    }
    EXPECT_FALSE(w->menuState(cmd::kTrim).enabled);  // no markers
    EXPECT_TRUE(w->menuState(cmd::kInvert).enabled);
    EXPECT_TRUE(w->menuState(cmd::kResize).enabled);
    EXPECT_TRUE(w->menuState(cmd::kStatistics).enabled);

    // Trim without markers, resize and invert while acquiring: nothing asked, nothing shown.
    w->OnCommand(cmd::kTrim);
    w->state().runStarted(RunKind::Acquisition);
    EXPECT_FALSE(w->menuState(cmd::kResize).enabled);
    EXPECT_FALSE(w->menuState(cmd::kInvert).enabled);
    EXPECT_FALSE(w->menuState(cmd::kStatistics).enabled);
    w->OnCommand(cmd::kResize);
    w->OnCommand(cmd::kInvert);
    w->OnCommand(cmd::kStatistics);
    EXPECT_EQ(view.resizeDialogs, 0);
    EXPECT_EQ(prompter.asked(), 0);
}

TEST_F(SpectrumEditingTest, TrimClearsTheZoneBetweenTheMarkersBothIncluded) {
    ramp();
    placeMarkers(600, 400);
    ASSERT_TRUE(w->menuState(cmd::kTrim).enabled);

    prompter.expect(Editing::kClearZone, PromptAnswer::No);
    const int redraws = view.redraws;
    w->OnCommand(cmd::kTrim);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Question);
    EXPECT_EQ(spectrum().counts[500], 500u);
    EXPECT_FALSE(w->state().modified());
    EXPECT_GT(view.redraws, redraws);

    prompter.expect(Editing::kClearZone, PromptAnswer::Yes);
    w->OnCommand(cmd::kTrim);
    EXPECT_EQ(spectrum().counts[399], 399u);
    for (int i : {400, 500, 600}) {
        EXPECT_EQ(spectrum().counts[i], 0u) << i;
    }
    EXPECT_EQ(spectrum().counts[601], 601u);
    EXPECT_TRUE(w->state().modified());
}

TEST_F(SpectrumEditingTest, InvertDuringAnObservationKeepsTheChannelCountOnDisplay) {
    ramp(1024);
    w->state().runStarted(RunKind::Observation);
    w->state().displayChannels(512);  // the controller's frames
    prompter.expect(Editing::kInvert, PromptAnswer::Yes);
    w->OnCommand(cmd::kInvert);
    EXPECT_EQ(spectrum().counts[1], 1022u);
    EXPECT_EQ(w->state().displayedChannels(), 512);
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels : 512");
}

TEST_F(SpectrumEditingTest, InvertUsesTheMaximumOutsideChannelZero) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        s.ClearCounts();
        s.counts[0] = 5000;  // above the maximum: must not wrap to a false peak
        s.counts[10] = 1000;
        s.counts[20] = 200;
        s.counts[30] = 400;
    });
    prompter.expect(Editing::kInvert, PromptAnswer::No);
    w->OnCommand(cmd::kInvert);
    EXPECT_EQ(spectrum().counts[20], 200u);

    prompter.expect(Editing::kInvert, PromptAnswer::Yes);
    w->OnCommand(cmd::kInvert);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Question);
    EXPECT_EQ(spectrum().counts[0], 0u);
    EXPECT_EQ(spectrum().counts[10], 0u);
    EXPECT_EQ(spectrum().counts[20], 800u);
    EXPECT_EQ(spectrum().counts[30], 600u);
    EXPECT_EQ(spectrum().counts[40], 1000u);
    EXPECT_FALSE(w->state().modified());  // inverting leaves the flag as it was

    // Again: the new maximum is 1000 (the empty channels), so the first is not restored.
    prompter.expect(Editing::kInvert, PromptAnswer::Yes);
    w->OnCommand(cmd::kInvert);
    EXPECT_EQ(spectrum().counts[20], 200u);
    EXPECT_EQ(spectrum().counts[10], 1000u);
    EXPECT_EQ(spectrum().counts[40], 0u);

    w->state().markModified();
    prompter.expect(Editing::kInvert, PromptAnswer::Yes);
    w->OnCommand(cmd::kInvert);
    EXPECT_TRUE(w->state().modified());
}

TEST_F(SpectrumEditingTest, InvertOfABlankSpectrumSaysSoAndAsksNothing) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        s.ClearCounts();
        s.counts[0] = 70;  // channel 0 alone does not make a maximum
    });
    prompter.expect(Editing::kNoMaximum);
    w->OnCommand(cmd::kInvert);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Exclamation);
    EXPECT_EQ(spectrum().counts[0], 70u);
}

TEST_F(SpectrumEditingTest, ResizeRebinsMovesMarkersInsideAndRefreshesTheWindow) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        s.SetChannels(1024);
        std::fill(s.counts.begin(), s.counts.end(), 3u);
        s.channelTime = 0.001;
        s.scanAmplitude = 40;
    });
    placeMarkers(700, 100);
    view.onChooseResize = [](ResizeChoice& choice) {
        EXPECT_EQ(choice.actualText(), "Actual channels number : 1024");
        EXPECT_EQ(choice.selectedIndex(), 2);
        choice.select(0);
        return true;
    };
    w->OnCommand(cmd::kResize);
    EXPECT_EQ(spectrum().channels, 256);
    EXPECT_EQ(spectrum().elementCount(), 256u);
    EXPECT_EQ(spectrum().counts[100], 12u);
    EXPECT_DOUBLE_EQ(spectrum().channelTime, 0.004);
    EXPECT_DOUBLE_EQ(spectrum().scanAmplitude, 40);
    EXPECT_EQ(w->state().displayedChannels(), 256);
    EXPECT_TRUE(w->state().modified());
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels : 256");
    const OperatingFlags f = w->flags();
    EXPECT_EQ(f.marker1Channel, 255);
    EXPECT_EQ(f.marker2Channel, 100);
    EXPECT_TRUE(f.marker1Shown);
    // The read-outs follow the moved marker: (255 - 128) x 40/255 GHz.
    EXPECT_EQ(view.controlText(ctl::kMark1), "mark1: 19.92 GHz");
    EXPECT_TRUE(w->menuState(cmd::kTrim).enabled);

    // Growing back divides each count among the new channels.
    view.onChooseResize = [](ResizeChoice& choice) {
        choice.select(1);
        return true;
    };
    w->OnCommand(cmd::kResize);
    EXPECT_EQ(spectrum().channels, 512);
    EXPECT_EQ(spectrum().counts[0], 6u);
}

TEST_F(SpectrumEditingTest, ResizeToTheSameCountOrCancelledChangesNothing) {
    ramp(512);
    struct Case {
        const char* what;
        int entry;  // -1: nothing selected
        bool ok;
        bool message;
    };
    const Case cases[] = {
        {"OK on the same count", 1, true, true},
        {"OK without touching the combo box", -1, true, true},
        {"Cancel after choosing another count", 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.onChooseResize = [&](ResizeChoice& choice) {
            choice.select(c.entry);
            return c.ok;
        };
        if (c.message) {
            prompter.expect(
                "The spectrum already has 512 channels: choose another channel count to resize "
                "it.\nThe spectrum has not been changed.");
        }
        w->OnCommand(cmd::kResize);
        EXPECT_TRUE(prompter.done());
        EXPECT_EQ(spectrum().channels, 512);
        EXPECT_EQ(spectrum().counts[300], 300u);
        EXPECT_FALSE(w->state().modified());
    }
}

TEST_F(SpectrumEditingTest, StatisticsShowRatesAndExtremes) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        s.SetChannels(1024);
        std::fill(s.counts.begin(), s.counts.end(), 100u);
        s.scanCount = 10;
    });
    prompter.expect(
        "Spectrum statistics:\n 2E+04 \xB1 74.2 average counts/s,\n 100 \xB1 0.312 average counts "
        "per channel\n 100 is the largest count value\n 100 is the smallest count value");
    w->OnCommand(cmd::kStatistics);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Information);

    const auto s = spectrumStatistics(spectrum());
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->rate, 20000);
    EXPECT_DOUBLE_EQ(s->averageError, 0.3125);

    editSpectrum(w->state(), [](CKavroSpectrum& sp) {
        sp.counts[0] = 7;  // the smallest starts from channel 0 and includes it
        sp.counts[9] = 4000000000u;
    });
    const auto t = spectrumStatistics(spectrum());
    ASSERT_TRUE(t);
    EXPECT_EQ(t->smallest, 7u);
    EXPECT_EQ(t->largest, 4000000000u);
    EXPECT_NE(t->text().find(" 4000000000 is the largest"), std::string::npos);
}

TEST_F(SpectrumEditingTest, StatisticsWithoutScansShowNothingAndWithoutCountsSaySo) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        std::fill(s.counts.begin(), s.counts.end(), 100u);
        s.scanCount = 0;
    });
    w->OnCommand(cmd::kStatistics);  // the scripted prompter fails on any box
    EXPECT_EQ(prompter.asked(), 0);

    editSpectrum(w->state(), [](CKavroSpectrum& s) {
        s.ClearCounts();
        s.scanCount = 5;
    });
    prompter.expect(Editing::kNoCounts);
    w->OnCommand(cmd::kStatistics);
}

TEST(ResizeChoiceTest, PreselectsTheCurrentCountAndTakesOnlyTheThreeEntries) {
    EXPECT_EQ(ResizeChoice(256).selectedIndex(), 0);
    EXPECT_EQ(ResizeChoice(1024).selectedIndex(), 2);
    ResizeChoice odd(300);
    EXPECT_EQ(odd.selectedIndex(), -1);
    odd.select(3);
    EXPECT_EQ(odd.chosen(), 300);
    odd.select(1);
    EXPECT_EQ(odd.chosen(), 512);
    EXPECT_EQ(odd.current(), 300);
}

TEST(SpectrumRecordEditingTest, ClearRangeStaysInsideTheChannels) {
    struct Case {
        std::uint16_t from, to;
        int cleared;
        std::uint16_t firstZero, lastZero;
    };
    const Case cases[] = {
        {600, 400, 201, 400, 600},
        {5, 5, 1, 5, 5},
        {1020, 1024, 4, 1020, 1023},  // a marker one past the last channel
        {1024, 1100, 0, 1, 0},
    };
    for (const Case& c : cases) {
        CKavroSpectrum s;
        s.SetChannels(1024);
        std::fill(s.counts.begin(), s.counts.end(), 9u);
        s.counts.push_back(9);  // an element past channels is not the spectrum's
        EXPECT_EQ(s.ClearRange(c.from, c.to), c.cleared) << c.from << "-" << c.to;
        for (std::size_t i = 0; i < s.counts.size(); ++i) {
            const bool zero = i >= c.firstZero && i <= c.lastZero;
            EXPECT_EQ(s.counts[i], zero ? 0u : 9u) << c.from << "-" << c.to << " at " << i;
        }
    }
}

}  // namespace
