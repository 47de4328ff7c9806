#include <gtest/gtest.h>

#include "scripted_prompter.h"
#include "shell/register_setup.h"

namespace {

ProgramDirectories dirs() {
    return {"/home/op/KAVRO", "/home/op/KAVRO/backup", "Kavro ver. 1.2"};
}

struct Station {
    MemoryProfileStore store;
    ScriptedPrompter prompter;
    CRegistersetup setup{store, dirs()};
    void start() { setup.StartUp(prompter); }
    int guard() const { return store.readInt("closed_ok", -99); }
};

}  // namespace

TEST(Settings, FirstRunWritesEveryKeyWithFailsafeValues) {
    Station st;
    st.start();
    EXPECT_EQ(st.guard(), -1);
    EXPECT_EQ(st.store.readString("LoaderVersion", ""), "7.000000");
    EXPECT_EQ(st.store.readString("line_comments", ""), "3 10 7 5 6 1 9 8 4 2 11 ");
    EXPECT_EQ(st.store.readInt("enable_comments", 0), 2040);
    EXPECT_EQ(st.store.readString("version", ""), "Kavro ver. 1.2");
    EXPECT_EQ(st.store.readInt("build_number", 0), 742);
    EXPECT_EQ(st.store.readString("freecomment1", "x"), "Kavro ver. 1.2");
    EXPECT_EQ(st.store.readString("backup_dir", ""), "/home/op/KAVRO/backup");
    EXPECT_EQ(st.store.readString("data_directory", ""), "/home/op/KAVRO");
    EXPECT_EQ(st.store.readString("zoom_factor", ""), "2.000000");
    EXPECT_EQ(st.store.readInt("color6", 0), 0xFFFFFF);
    EXPECT_EQ(st.store.readInt("shutterDelay", 0), 5);
    EXPECT_FALSE(st.store.readString("client_IP_list").has_value());

    // Saved in the stated order: the three informative keys, then sets A and B.
    const auto& log = st.store.writeLog;
    auto at = [&](const std::string& key) {
        return std::find(log.begin(), log.end(), key) - log.begin();
    };
    EXPECT_LT(at("version"), at("build_number"));
    EXPECT_LT(at("build_number"), at("LoaderVersion"));
    EXPECT_LT(at("LoaderVersion"), at("back_enable"));
    EXPECT_LT(at("zoom_factor"), at("allow_command_override"));
    EXPECT_LT(at("last_mirror_spacing"), at("shutterDelay"));
    EXPECT_EQ(log.back(), "shutterDelay");
}

TEST(Settings, CrashGuardCountsUncleanStartsAndCleanExitResetsIt) {
    Station st;
    st.start();
    st.start();  // the previous run never exited cleanly
    EXPECT_EQ(st.guard(), -2);
    st.setup.values().com_port = "/dev/ttyUSB0";
    st.setup.CleanExit();
    EXPECT_EQ(st.guard(), 0);
    EXPECT_EQ(st.store.readString("com_port", ""), "/dev/ttyUSB0");
    st.start();
    EXPECT_EQ(st.guard(), -1);
    EXPECT_EQ(st.setup.values().com_port, "/dev/ttyUSB0");
}

TEST(Settings, UnstableQuestionYesRestoresFailsafeAndNoKeepsCounting) {
    {
        Station st;
        st.store.writeInt("closed_ok", -6);
        st.store.writeString("LoaderVersion", "7.000000");
        st.store.writeInt("backup_step", 42);
        st.prompter.expect(CRegistersetup::kUnstableQuestion, PromptAnswer::Yes);
        st.start();
        EXPECT_EQ(st.guard(), 1);
        EXPECT_EQ(st.store.readInt("backup_step", 0), 1000);
        EXPECT_EQ(st.setup.values().backup_step, 1000);
        st.start();
        EXPECT_EQ(st.guard(), 0);
    }
    {
        Station st;
        st.store.writeInt("closed_ok", -6);
        st.store.writeString("LoaderVersion", "7.000000");
        st.store.writeInt("backup_step", 42);
        st.prompter.expect(CRegistersetup::kUnstableQuestion, PromptAnswer::No);
        st.start();
        EXPECT_EQ(st.guard(), -6);
        EXPECT_EQ(st.setup.values().backup_step, 42);
        st.prompter.expect(CRegistersetup::kUnstableQuestion, PromptAnswer::No);
        st.start();  // asked again at every start until a clean exit
    }
}

TEST(Settings, MigratesOlderLayoutAndRefusesUnknownVersions) {
    Station st;
    st.store.writeString("LoaderVersion", "6.750000");
    st.store.writeInt("backup_step", 42);
    st.store.writeString("laser_wavelength", "633.000000");  // set B is not read from 6.75
    st.start();
    EXPECT_EQ(st.setup.values().backup_step, 42);
    EXPECT_EQ(st.setup.values().laser_wavelength, 532.0);
    EXPECT_EQ(st.setup.values().last_mirror_spacing, 6.0);
    EXPECT_EQ(st.store.readString("LoaderVersion", ""), "7.000000");
    EXPECT_EQ(st.store.readString("laser_wavelength", ""), "532.000000");

    for (const char* version : {"8.0", "6.5", "garbage", ""}) {
        Station other;
        other.store.writeString("LoaderVersion", version);
        other.store.writeInt("backup_step", 42);
        other.start();
        EXPECT_EQ(other.setup.values().backup_step, 1000) << version;
        EXPECT_EQ(other.store.readInt("backup_step", 0), 1000) << version;
    }
}

TEST(Settings, MissingKeysTakeTheirOlderDefaults) {
    Station st;
    st.store.writeString("LoaderVersion", "7.000000");
    st.start();
    const Settings& v = st.setup.values();
    EXPECT_EQ(v.backup_step, 500);
    EXPECT_EQ(v.spcwin_fnt_weigth, 12);
    EXPECT_EQ(v.xthick, 14);
    EXPECT_EQ(v.color[6], 0xFF0000);
    EXPECT_EQ(v.enable_current, 1);
    EXPECT_EQ(v.show_splashscreen, 0);
    EXPECT_EQ(v.data_directory, "/home/op/KAVRO");
    EXPECT_EQ(v.fileStructure.enabled[2], true);
    EXPECT_EQ(v.fileStructure.lines[0], 0) << "the leading space of the missing list gives 0";
    EXPECT_EQ(v.fileStructure.lines[10], 0);
}

TEST(Settings, ListEncodings) {
    FileStructure fs;
    CRegistersetup::DecodeEnabledMask(2040, fs);
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        EXPECT_EQ(fs.enabled[k], k >= 2 && k <= 9) << k;
    }
    CRegistersetup::DecodeLineComments("1 2 3", fs);
    EXPECT_EQ(fs.lines[0], 1);
    EXPECT_EQ(fs.lines[1], 2);
    for (int k = 2; k < FileStructure::kKinds; ++k) {
        EXPECT_EQ(fs.lines[k], 0) << k;
    }

    Station st;
    st.setup.AddServerAddress("10.0.0.12");
    st.setup.AddServerAddress("10.0.0.1");  // a substring of a stored address: unchanged
    EXPECT_EQ(st.store.readString("client_IP_list", ""), "10.0.0.12\n");
    for (const char* a : {"192.0.2.2", "192.0.2.3", "192.0.2.4"}) {
        st.setup.AddServerAddress(a);
    }
    const auto list = st.setup.ReadServerList();
    EXPECT_EQ(list,
              (std::array<std::string, 4>{"192.0.2.4", "192.0.2.3", "192.0.2.2", "10.0.0.12"}));
    st.setup.AddServerAddress("192.0.2.5");  // fifth: the oldest goes
    EXPECT_EQ(st.setup.ReadServerList()[3], "192.0.2.2");

    st.store.writeString("client_IP_list", "");
    EXPECT_EQ(st.setup.ReadServerList(), (std::array<std::string, 4>{}));
    st.setup.AddServerAddress("192.0.2.9");
    EXPECT_EQ(st.store.readString("client_IP_list", ""), "192.0.2.9\n\n\n\n");
}

TEST(Settings, ResetLeavesFailsafeValuesAndNoGuard) {
    Station st;
    st.start();
    st.setup.values().backup_step = 3;
    st.setup.SaveAll();
    st.setup.Reset();
    EXPECT_FALSE(st.store.readInt("closed_ok").has_value());
    EXPECT_EQ(st.store.readInt("backup_step", 0), 1000);
    EXPECT_EQ(st.setup.values().backup_step, 1000);
}
