#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <string>

#include "platform/qsettings_profile_store.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "spectrum/kavro_spectrum.h"

namespace {

const std::string kDegrees = std::string("T=20\xB0") + "C";  // Latin-1, as the dialogs give it
const std::string kFolder = std::string("/data/Donn\xC3\xA9") + "es/\xE6\xB8\xAC";  // UTF-8

// Every byte a Latin-1 text can hold besides the line end.
std::string everyLatin1Character() {
    std::string text;
    for (int c = 0x20; c <= 0xFF; ++c) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

TEST(QSettingsProfileStore, TextsComeBackAsTheyWereWrittenAndReadableInTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* key;
        std::string bytes;
        QString stored;  // what the settings file holds for it
    };
    const Case cases[] = {
        {"freecomment1", kDegrees, QString::fromUtf8("T=20°C")},
        {"freecomment2", "\xB5m, \xC5, \xFC", QString::fromUtf8("µm, Å, ü")},
        {"version", everyLatin1Character(), QString::fromLatin1(everyLatin1Character().c_str())},
        {"data_directory", kFolder, QString::fromUtf8("/data/Données/測")},
        {"backup_dir", kFolder + "/backup", QString::fromUtf8("/data/Données/測/backup")},
    };
    {
        QSettingsProfileStore store(dir.path());
        for (const Case& c : cases) {
            store.writeString(c.key, c.bytes);
            EXPECT_EQ(store.readString(c.key, "missing"), c.bytes) << c.key;
        }
        store.flush();
    }
    QSettingsProfileStore reopened(dir.path());
    QSettings file(dir.filePath("kavro.ini"), QSettings::IniFormat);
    for (const Case& c : cases) {
        EXPECT_EQ(reopened.readString(c.key, "missing"), c.bytes) << c.key;
        EXPECT_EQ(file.value(QString("Kavro/") + c.key).toString(), c.stored) << c.key;
    }
}

// The comment a user saved as default is there after a restart and in the next file header.
TEST(QSettingsProfileStore, CommentAndFoldersSavedAsDefaultSurviveARestart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProgramDirectories dirs{"/base", "/base/backup", "Kavro ver. 1.2"};
    ScriptedPrompter prompter;
    {
        QSettingsProfileStore store(dir.path());
        CRegistersetup setup(store, dirs);
        setup.StartUp(prompter);
        setup.values().fileStructure.freecomment1 = kDegrees;
        setup.values().fileStructure.enabled[FileStructure::kFreeComment1] = true;
        setup.values().data_directory = kFolder;
        setup.values().backup_dir = kFolder + "/backup";
        setup.CleanExit();
    }
    QSettingsProfileStore store(dir.path());
    CRegistersetup setup(store, dirs);
    setup.StartUp(prompter);
    const Settings& s = setup.values();
    EXPECT_EQ(s.fileStructure.freecomment1, kDegrees);
    EXPECT_EQ(s.data_directory, kFolder);
    EXPECT_EQ(s.backup_dir, kFolder + "/backup");

    // Loaded again, as the general setup does when it opens.
    ASSERT_TRUE(setup.CheckStoredVersion());
    setup.Load();
    EXPECT_EQ(s.fileStructure.freecomment1, kDegrees);

    CKavroSpectrum spectrum;
    spectrum.SetChannels(256);
    std::string bytes;
    spectrum.WriteToFile(bytes, s.fileStructure);
    const int line = s.fileStructure.lines[FileStructure::kFreeComment1];
    std::size_t at = 0;
    for (int n = 1; n < line; ++n) {
        at = bytes.find('\n', at) + 1;
    }
    EXPECT_EQ(bytes.substr(at, kDegrees.size() + 1), kDegrees + "\r");
    EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos);
}

}  // namespace
