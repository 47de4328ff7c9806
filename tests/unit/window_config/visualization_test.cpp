#include <gtest/gtest.h>

#include "config_test_support.h"
#include "fake_file_dialogs.h"
#include "scripted_prompter.h"
#include "window/setup/visualization.h"

namespace {

class Visualization : public ::testing::Test {
protected:
    void SetUp() override { dialog.OnInitDialog(); }
    Settings& values() { return settings.setup.values(); }

    StoredSettings settings;
    ScriptedPrompter prompter;
    FakeFileDialogs choosers;
    int redraws = 0;
    CVisualization dialog{settings.setup, prompter, choosers, [this] { ++redraws; }};
};

TEST_F(Visualization, NewBackgroundIsShownAtOnceAndStaysAfterCancelWithoutBeingStored) {
    choosers.answerColour(0x203040);
    ASSERT_TRUE(dialog.OnColourButton(0));
    EXPECT_EQ(dialog.fields().colours[0], 0x203040);
    EXPECT_EQ(values().color[0], 0x203040);
    EXPECT_EQ(redraws, 1);
    // Cancel only closes the dialog.
    EXPECT_EQ(settings.store.readInt("color0", -1), 0x000000);
    EXPECT_TRUE(settings.store.writeLog.empty());

    choosers.answerColour(std::nullopt);  // a cancelled chooser changes nothing
    EXPECT_FALSE(dialog.OnColourButton(1));
    EXPECT_EQ(values().color[1], 0x00FFFF);
    EXPECT_EQ(redraws, 1);
}

TEST_F(Visualization, FontSizeAndBoldApplyWhileTyping) {
    dialog.OnFontSizeChange("1");  // on the way to 12: not a size yet
    EXPECT_EQ(values().spcwin_fnt_weigth, 7);
    EXPECT_EQ(redraws, 0);
    dialog.OnFontSizeChange("12");
    EXPECT_EQ(values().spcwin_fnt_weigth, 12);
    dialog.OnBold(true);
    EXPECT_EQ(values().use_bold_on_screen, 1);
    EXPECT_EQ(redraws, 2);
    EXPECT_TRUE(settings.store.writeLog.empty());
}

TEST_F(Visualization, FontSizeOutsideSevenToTwentyFourIsRefusedAtOk) {
    for (const char* size : {"25", "6"}) {
        dialog.OnFontSizeChange(size);
        prompter.expect("Please enter an integer between 7 and 24.");
        EXPECT_FALSE(dialog.OnOK()) << size;
        EXPECT_EQ(dialog.failedControl(), CVisualization::kFontSize);
    }
    EXPECT_EQ(values().spcwin_fnt_weigth, 7);
    EXPECT_TRUE(settings.store.writeLog.empty());
}

TEST_F(Visualization, OkStoresEveryField) {
    dialog.OnScaleType(1);
    auto& f = dialog.fields();
    f.yMax = "5000";
    f.zoom = "1.5";
    f.xTicks = "20";
    f.drawY = false;
    f.showCurrent = true;
    f.startMaximized = true;
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(settings.store.readInt("scale_type", -1), 1);
    EXPECT_EQ(settings.store.readInt("ymaxstart", -1), 5000);
    EXPECT_EQ(settings.store.readString("zoom_factor", ""), "1.500000");
    EXPECT_EQ(settings.store.readInt("xthick", -1), 20);
    EXPECT_EQ(settings.store.readInt("enable_y", -1), 0);
    EXPECT_EQ(settings.store.readInt("enable_current", -1), 1);
    EXPECT_EQ(settings.store.readInt("start_maximized", -1), 1);
    EXPECT_EQ(values().scale_type, 1);
}

TEST_F(Visualization, NumericFieldRules) {
    struct Case {
        void (*edit)(CVisualization::Fields&);
        std::string message;
    };
    const Case cases[] = {
        {[](CVisualization::Fields& f) { f.yMax = "100000001"; },
         "Please enter an integer between 0 and 100000000."},
        {[](CVisualization::Fields& f) { f.zoom = "0.5"; },
         "Please enter a number between 1 and 100."},
        {[](CVisualization::Fields& f) { f.yTicks = "0"; },
         "Please enter an integer between 1 and 100."},
    };
    for (const Case& c : cases) {
        dialog.OnInitDialog();
        c.edit(dialog.fields());
        prompter.expect(c.message);
        EXPECT_FALSE(dialog.OnOK()) << c.message;
    }
    EXPECT_TRUE(settings.store.writeLog.empty());
}

}  // namespace
