#include <gtest/gtest.h>

#include <QCoreApplication>

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "window/spectrum/file_commands.h"
#include "window/spectrum/measurement_information.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

using namespace info_ctl;

CKavroSpectrum sample() {
    CKavroSpectrum s;
    s.SetChannels(1024);
    s.sampleName = "glass";
    s.polarization = "VV";
    s.scanAmplitude = 50;
    s.channelTime = 0.00005;
    s.mirrorSpacing = 6;
    s.beamPower = 0;
    s.wavelength = 532;
    s.scanCount = 0;
    s.freeComment1 = "free one\n";
    s.setExtraComment1("extra one");
    return s;
}

std::time_t localTime(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(SpectrumInformationTest, EveryStaticPresentOrNotAvailable) {
    const std::time_t when = localTime(2024, 3, 5, 14, 7);
    const SpectrumInformation present(sample(), when);
    const std::pair<int, const char*> expected[] = {
        {kChannelTime, "Time on each channel : 5E-05 s"},
        {kMirrorSpacing, "Mirror spacing : 6 mm "},
        {kScans, "Acquisition scans : N/A"},
        {kPolarization, "Polarization: VV"},
        {kBeamPower, "Beam power : N/A"},
        {kSampleName, "glass"},
        {kChannels, "Sample number: 1024 "},
        {kScanAmplitude, "Scan amplitude : 50 GHz"},
        {kScanStep, "Scan step (chn) : 0.0488759 Ghz"},
        {kWavelength, "Wavelength : 532 nm"},
        {kFileTime, "File was last modified on Tuesday, March 05, 2024 at 14:07"},
        {kFreeComment1, "free one\n"},
        {kFreeComment2, ""},
        {kExtraComment1, "extra one"},
        {kExtraComment2, ""},
    };
    for (const auto& [control, text] : expected) {
        EXPECT_EQ(present.text(control), text) << control;
    }

    CKavroSpectrum empty;
    const SpectrumInformation absent(empty, when);
    const std::pair<int, const char*> missing[] = {
        {kChannelTime, "Time on each channel : N/A"}, {kMirrorSpacing, "Mirror spacing : N/A"},
        {kPolarization, "Polarization: N/A"},         {kSampleName, "N/A"},
        {kChannels, "Sample number : N/A"},           {kScanAmplitude, "Scan amplitude : N/A"},
        {kScanStep, "Scan step (chn) : N/A"},         {kWavelength, "Wavelength : N/A"},
    };
    for (const auto& [control, text] : missing) {
        EXPECT_EQ(absent.text(control), text) << control;
    }
    EXPECT_EQ(formatFileTime(localTime(1999, 12, 31, 9, 5)), "Friday, December 31, 1999 at 09:05");
}

TEST(MeasurementInformationEditTest, FieldsAndReadOnlyTexts) {
    CKavroSpectrum s = sample();
    s.scanCount = 42;
    ScriptedPrompter prompter;
    MeasurementInformationEdit edit(s, false, localTime(2024, 3, 5, 14, 7), prompter);
    EXPECT_EQ(edit.field(kEditSampleName), "glass");
    EXPECT_EQ(edit.field(kPolarization), "VV");
    EXPECT_EQ(edit.field(kBeamPower), "0");
    EXPECT_EQ(edit.field(kEditChannelTime), "5e-05");
    EXPECT_EQ(edit.field(kExtraComment1), "extra one");
    const auto texts = edit.readOnlyTexts();
    const std::vector<std::pair<int, std::string>> expected{
        {kFreeComment1, "free one"},
        {kFreeComment2, ""},
        {kEditScans, "Acquisition scans:\n42"},
        {kEditFileTime, "File was last modified on Tuesday, March 05, 2024 at 14:07"},
        {kEditChannels, "Channels number : 1024"},
        {kEditChannelWidth, "channel width : 0.049 GHz"},
    };
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(edit.lockButtonText(), std::string("Set calibration"));
    EXPECT_TRUE(edit.amplitudeEnabled());
}

TEST(MeasurementInformationEditTest, RangeChecksKeepTheDialogOpen) {
    struct Case {
        int control;
        std::string text;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {kEditMirrorSpacing, "41", "Please enter a number between 0 and 40."},
        {kEditMirrorSpacing, "40", nullptr},
        {kEditMirrorSpacing, "-0.5", "Please enter a number between 0 and 40."},
        {kBeamPower, "10000.5", "Please enter a number between 0 and 10000."},
        {kEditScanAmplitude, "abc", "Please enter a number."},
        {kEditChannelTime, "1001", "Please enter a number between 0 and 1000."},
        {kEditWavelength, "nan", "Please enter a number between 0 and 100000."},
        {kEditWavelength, " 633 ", nullptr},
        {kEditSampleName, std::string(41, 'x'), "Please enter no more than 40 characters."},
        {kPolarization, "VVV", "Please enter no more than 2 characters."},
        {kExtraComment2, std::string(40, 'c'), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CKavroSpectrum s = sample();
        const CKavroSpectrum before = s;
        ScriptedPrompter prompter;
        MeasurementInformationEdit edit(s, false, 0, prompter);
        edit.field(c.control) = c.text;
        if (c.message) {
            prompter.expect(c.message);
            EXPECT_FALSE(edit.Accept());
            EXPECT_EQ(edit.failedField(), c.control);
            EXPECT_EQ(s.sampleName, before.sampleName);
            EXPECT_EQ(s.mirrorSpacing, before.mirrorSpacing);
        } else {
            EXPECT_TRUE(edit.Accept());
        }
        EXPECT_TRUE(prompter.done());
    }
}

TEST(MeasurementInformationEditTest, CalibrationLockAsksBothWays) {
    CKavroSpectrum s = sample();
    ScriptedPrompter prompter;
    MeasurementInformationEdit edit(s, true, 0, prompter);
    EXPECT_EQ(edit.lockButtonText(), std::string("Unlock calibration"));
    EXPECT_FALSE(edit.amplitudeEnabled());

    prompter.expect(MeasurementInformationEdit::kUnlockQuestion, PromptAnswer::No);
    edit.ToggleLock();
    EXPECT_TRUE(edit.locked());
    EXPECT_EQ(prompter.lastButtons(), PromptButtons::YesNo);

    prompter.expect(MeasurementInformationEdit::kUnlockQuestion, PromptAnswer::Yes);
    edit.ToggleLock();
    EXPECT_FALSE(edit.locked());
    EXPECT_EQ(edit.lockButtonText(), std::string("Set calibration"));
    EXPECT_TRUE(edit.amplitudeEnabled());

    prompter.expect(MeasurementInformationEdit::kLockQuestion, PromptAnswer::Yes);
    edit.ToggleLock();
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Question);
    EXPECT_TRUE(edit.locked());
    EXPECT_TRUE(prompter.done());
}

int argc = 1;
char arg0[] = "window_filecommands_test";
char* argv[] = {arg0, nullptr};

class EditCommandTest : public ::testing::Test {
protected:
    EditCommandTest() {
        if (!QCoreApplication::instance()) {
            new QCoreApplication(argc, argv);  // shared by the binary's tests
        }
        setup.SetFailsafeDefaults();
        setup.values().show_splashscreen = 0;
        w.OnInitDialog();
        QCoreApplication::sendPostedEvents();
    }

    MemoryProfileStore store;
    CRegistersetup setup{store, ProgramDirectories{}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    CSpectrumwnd w{setup, prompter, dialogs, view, WindowContext{}};
};

TEST_F(EditCommandTest, CancelAfterUnlockingChangesOnlyModified) {
    w.state().calibrationApplied(48.5);
    view.onEditInformation = [&](MeasurementInformationEdit& edit) {
        prompter.expect(MeasurementInformationEdit::kUnlockQuestion, PromptAnswer::Yes);
        edit.ToggleLock();
        edit.field(kEditScanAmplitude) = "60";
        return false;
    };
    w.OnCommand(ctl::kInformation);
    EXPECT_EQ(view.informationEdits, 1);
    EXPECT_TRUE(w.state().modified());
    EXPECT_TRUE(w.state().calibrated());
    EXPECT_DOUBLE_EQ(w.state().spectrum().scanAmplitude, 48.5);
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels :   1024");
}

TEST_F(EditCommandTest, LockingMakesTheNextLoadAskAboutTheAmplitude) {
    view.onEditInformation = [&](MeasurementInformationEdit& edit) {
        edit.field(kEditScanAmplitude) = "47.25";
        prompter.expect(MeasurementInformationEdit::kLockQuestion, PromptAnswer::Yes);
        edit.ToggleLock();
        return edit.Accept();
    };
    w.OnCommand(cmd::kMeasurementInformation);
    EXPECT_TRUE(w.state().calibrated());
    EXPECT_DOUBLE_EQ(w.state().spectrum().scanAmplitude, 47.25);

    prompter.expect(FileCommands::kDiscard, PromptAnswer::Yes);
    prompter.expect(FileCommands::kDiscardCalibration, PromptAnswer::No);
    w.OnCommand(cmd::kLoadSpectrum);  // cancelled in the file dialog
    EXPECT_TRUE(prompter.done());
}

}  // namespace
