#include <gtest/gtest.h>

#include <QCoreApplication>

#include "config_test_support.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "platform/messages.h"
#include "scripted_prompter.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "window_config_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

class ConfigurationCommands : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        window.OnInitDialog();
        QCoreApplication::sendPostedEvents();
    }

    StoredSettings settings;
    ScriptedPrompter prompter;
    FakeFileDialogs choosers;
    FakeSpectrumView view;
    CSpectrumwnd window{settings.setup, prompter, choosers, view, WindowContext{}};
};

TEST_F(ConfigurationCommands, EachDialogOpensOnceUntilItsWindowSaysItClosed) {
    struct Case {
        int command;
        std::uint32_t closed;
        bool OperatingFlags::*flag;
        const void* (*shown)(const FakeSpectrumView&);
    };
    const Case cases[] = {
        {cmd::kFileFormat, msg::WM_FILE_STRUCTURE_CLOSED, &OperatingFlags::fileFormatOpen,
         [](const FakeSpectrumView& v) -> const void* { return v.fileStructureShown; }},
        {cmd::kGeneralSetup, msg::WM_GENERAL_SETUP_CLOSED, &OperatingFlags::generalSetupOpen,
         [](const FakeSpectrumView& v) -> const void* { return v.generalSetupShown; }},
        {cmd::kVisualisation, msg::WM_VISUALISATION_CLOSED, &OperatingFlags::visualisationOpen,
         [](const FakeSpectrumView& v) -> const void* { return v.visualisationShown; }},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(window.menuState(c.command).enabled) << c.command;
        window.OnCommand(c.command);
        const void* first = c.shown(view);
        ASSERT_NE(first, nullptr) << c.command;
        EXPECT_TRUE(window.flags().*c.flag);
        EXPECT_FALSE(window.menuState(c.command).enabled);

        window.OnCommand(c.command);  // a second instance is not made
        EXPECT_EQ(c.shown(view), first);

        window.post(makeMessage(c.closed));
        QCoreApplication::sendPostedEvents();
        EXPECT_FALSE(window.flags().*c.flag);
        EXPECT_TRUE(window.menuState(c.command).enabled);
    }
}

TEST_F(ConfigurationCommands, GeneralSetupIsNotOpenedDuringARun) {
    window.state().runStarted(RunKind::Acquisition);
    EXPECT_FALSE(window.menuState(cmd::kGeneralSetup).enabled);
    window.OnCommand(cmd::kGeneralSetup);
    EXPECT_EQ(view.generalSetupShown, nullptr);
    EXPECT_FALSE(window.flags().generalSetupOpen);
}

TEST_F(ConfigurationCommands, ColoursAndFontRedrawTheWindow) {
    window.OnCommand(cmd::kVisualisation);
    ASSERT_NE(view.visualisationShown, nullptr);
    view.visualisationShown->OnInitDialog();
    const int before = view.redraws;
    choosers.answerColour(0x112233);
    view.visualisationShown->OnColourButton(0);
    view.visualisationShown->OnBold(true);
    EXPECT_EQ(view.redraws, before + 2);
    EXPECT_EQ(window.settings().color[0], 0x112233);
}

TEST_F(ConfigurationCommands, NewWavelengthReachesTheWindowsSpectrum) {
    window.OnCommand(cmd::kGeneralSetup);
    ASSERT_NE(view.generalSetupShown, nullptr);
    view.generalSetupShown->OnInitDialog({});
    view.generalSetupShown->fields().wavelength = "488";
    ASSERT_TRUE(view.generalSetupShown->OnOK());
    QCoreApplication::sendPostedEvents();
    EXPECT_DOUBLE_EQ(window.state().spectrum().wavelength, 488.0);
}

}  // namespace
