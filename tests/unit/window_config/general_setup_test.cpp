#include <gtest/gtest.h>

#include <filesystem>

#include "config_test_support.h"
#include "fake_file_dialogs.h"
#include "platform/messages.h"
#include "scripted_prompter.h"
#include "window/setup/general_setup.h"

namespace {

class GeneralSetup : public ::testing::Test {
protected:
    void open(const DetectedPorts& ports = {}) { dialog.OnInitDialog(ports); }
    Settings& values() { return settings.setup.values(); }
    CGeneral_setup::Fields& fields() { return dialog.fields(); }

    StoredSettings settings;
    ScriptedPrompter prompter;
    FakeFileDialogs choosers;
    RecordingSink windows;
    CGeneral_setup dialog{settings.setup, prompter, choosers, windows};
};

TEST_F(GeneralSetup, MissingBackupDirectoryAtOkShowsTheMessageAndStoresNothing) {
    open();
    fields().backupActive = true;
    fields().backupDirectory = "/nonexistent/kavro/backup";
    fields().splash = false;
    const Settings before = values();
    prompter.expect(CGeneral_setup::kMissingBackupDirectory);
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Exclamation);
    EXPECT_EQ(values(), before);
    EXPECT_TRUE(settings.store.writeLog.empty());
    EXPECT_TRUE(windows.ids.empty());
}

TEST_F(GeneralSetup, ExistingBackupDirectoryIsAcceptedAndStored) {
    const auto dir = std::filesystem::temp_directory_path() / "kavro-general-setup-backup";
    std::filesystem::create_directories(dir);
    open();
    fields().backupActive = true;
    fields().backupDirectory = dir.string();
    EXPECT_TRUE(dialog.OnOK());
    EXPECT_EQ(settings.store.readInt("back_enable", -1), 1);
    EXPECT_EQ(settings.store.readString("backup_dir", ""), dir.string());
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);
}

TEST_F(GeneralSetup, OnlyTheChangedValueIsAnnounced) {
    open();
    fields().shutterDelay = 3;
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(windows.ids, std::vector<std::uint32_t>{msg::WM_SHUTTER_DELAY_CHANGED});
    EXPECT_EQ(settings.store.readInt("shutterDelay", -1), 3);

    windows.ids.clear();
    open();
    fields().wavelength = "514.5";
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(windows.ids, std::vector<std::uint32_t>{msg::WM_WAVELENGTH_CHANGED});
    EXPECT_EQ(settings.store.readString("laser_wavelength", ""), "514.500000");

    windows.ids.clear();
    open();
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_TRUE(windows.ids.empty());
}

TEST_F(GeneralSetup, ResetLeavesTheFailsafeValuesAndNoCrashGuard) {
    values().com_port = "COM3:";
    values().laser_wavelength = 632.8;
    values().fileStructure.defaultExt = "TXT";
    settings.setup.SaveAll();
    settings.store.writeInt("closed_ok", -1);
    settings.store.writeString("client_IP_list", "10.0.0.1\n\n\n\n");
    open();

    prompter.expect(CGeneral_setup::kResetQuestion, PromptAnswer::Ok)
        .expect(CGeneral_setup::kResetDone);
    EXPECT_TRUE(dialog.OnReset());
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Information);

    StoredSettings fresh;
    EXPECT_EQ(values(), fresh.setup.values());
    EXPECT_EQ(settings.store.values.count("closed_ok"), 0u);
    EXPECT_EQ(settings.store.values.count("client_IP_list"), 0u);
    EXPECT_EQ(settings.store.values.size(), fresh.store.values.size());
    for (const auto& [key, value] : fresh.store.values) {
        EXPECT_EQ(settings.store.readString(key, "?"),
                  value.isInt ? std::to_string(value.number) : value.text)
            << key;
    }
    // The gathering keeps its own wavelength; it hears of the one the reset brought back.
    EXPECT_EQ(windows.ids, std::vector<std::uint32_t>{msg::WM_WAVELENGTH_CHANGED});
}

TEST_F(GeneralSetup, ResetAnsweredCancelChangesNothing) {
    open();
    prompter.expect(CGeneral_setup::kResetQuestion, PromptAnswer::Cancel);
    EXPECT_FALSE(dialog.OnReset());
    EXPECT_TRUE(settings.store.writeLog.empty());
}

TEST_F(GeneralSetup, SplashScreenOffRoundTrips) {
    settings.store.writeInt("show_splashscreen", 0);
    open();  // re-reads the store
    EXPECT_FALSE(fields().splash);
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(settings.store.readInt("show_splashscreen", -1), 0);
    EXPECT_EQ(values().show_splashscreen, 0);
}

TEST_F(GeneralSetup, OpeningReturnsUnstoredChangesToTheStoredValues) {
    values().fileStructure.defaultExt = "TMP";  // a file structure applied with OK only
    open();
    EXPECT_EQ(values().fileStructure.defaultExt, "DAT");
}

TEST_F(GeneralSetup, ComNamesAreListedWithTheirColonInPortOrder) {
    DetectedPorts ports;
    ports.comNames = true;
    ports.enumerated = {"COM1:", "COM10:", "LPT1:", "COM3:", "COM123:"};
    ports.registry = {"COM4", "COM3", "COM1", "COM100"};
    EXPECT_EQ(CGeneral_setup::ListSerialPorts(ports),
              (std::vector<std::string>{"COM1:", "COM3:", "COM4:", "COM10:"}));

    ports.enumerated = {"COM10:"};
    ports.registry = {"COM1"};  // a port of its own although COM10: contains its name
    EXPECT_EQ(CGeneral_setup::ListSerialPorts(ports),
              (std::vector<std::string>{"COM1:", "COM10:"}));
}

TEST_F(GeneralSetup, DevicePathsAreSortedAndCounted) {
    DetectedPorts ports;
    ports.devicePaths = {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS0"};
    open(ports);
    EXPECT_EQ(fields().ports, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                                        "/dev/ttyUSB0"}));
    EXPECT_EQ(fields().portCountText,
              "Kavro has detectected that you have 4 serial ports installed. Please select the "
              "one the interferometer is connected to");
}

TEST_F(GeneralSetup, PortThatIsNotListed) {
    DetectedPorts com;
    com.comNames = true;
    com.enumerated = {"COM1:", "COM3:"};
    values().com_port = "COM2:";
    settings.setup.SaveAll();
    open(com);
    EXPECT_EQ(fields().port, "");  // nothing selected
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(settings.store.readString("com_port", "?"), "");

    // Elsewhere a path that is not listed (a pty, an adapter plugged in later) can be typed.
    DetectedPorts paths;
    paths.devicePaths = {"/dev/ttyS0"};
    open(paths);
    EXPECT_TRUE(fields().portTyped);
    fields().port = "/dev/pts/7";
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(settings.store.readString("com_port", "?"), "/dev/pts/7");
    open(paths);
    EXPECT_EQ(fields().port, "/dev/pts/7");
}

TEST_F(GeneralSetup, DirectoryChoosersShowTheirTitlesAndTexts) {
    open();
    EXPECT_EQ(fields().dataDirectoryText, "Currend default data directory: /tmp/kavro-base");
    EXPECT_EQ(fields().backupDirectoryText, "Current backup directory: /tmp/kavro-base/backup");
    choosers.answer(std::string("/data/runs"));
    choosers.answer(std::string("/data/backups"));
    dialog.OnChooseDataDirectory();
    dialog.OnChooseBackupDirectory();
    ASSERT_EQ(choosers.opened.size(), 2u);
    EXPECT_EQ(choosers.opened[0].title, CGeneral_setup::kDataDirectoryTitle);
    EXPECT_EQ(choosers.opened[1].title, CGeneral_setup::kBackupDirectoryTitle);
    EXPECT_EQ(fields().dataDirectoryText, "Current default data directory: /data/runs");
    EXPECT_EQ(fields().backupDirectoryText, "Current backup directory: /data/backups");
    EXPECT_EQ(values().data_directory, "/tmp/kavro-base");  // nothing stored before OK
}

TEST_F(GeneralSetup, FieldRulesKeepTheDialogOpen) {
    struct Case {
        void (*edit)(CGeneral_setup::Fields&);
        std::string message;
        int control;
    };
    const Case cases[] = {
        {[](CGeneral_setup::Fields& f) { f.backupStep = "0"; },
         "Please enter an integer between 1 and 100000.", CGeneral_setup::kBackupStep},
        {[](CGeneral_setup::Fields& f) { f.wavelength = "1100.5"; },
         "Please enter a number between 400 and 1100.", CGeneral_setup::kWavelength},
        {[](CGeneral_setup::Fields& f) { f.netmask[2] = "256"; },
         "Please enter an integer between 0 and 255.", 1015},
    };
    for (const Case& c : cases) {
        open();
        c.edit(fields());
        prompter.expect(c.message);
        EXPECT_FALSE(dialog.OnOK()) << c.message;
        EXPECT_EQ(dialog.failedControl(), c.control);
    }
    EXPECT_TRUE(settings.store.writeLog.empty());
}

TEST(ShutterDelayEntries, HalfMillisecondSteps) {
    const auto entries = CGeneral_setup::shutterDelayEntries();
    ASSERT_EQ(entries.size(), 11u);
    EXPECT_EQ(entries[0], "0");
    EXPECT_EQ(entries[1], "0.5");
    EXPECT_EQ(entries[2], "1.0");
    EXPECT_EQ(entries[10], "5.0");
}

}  // namespace
