#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/qsettings_profile_store.h"
#include "scripted_prompter.h"
#include "shell/kavro_app.h"

namespace {

int argc = 1;
char arg0[] = "startup_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

std::string backupQuestion(const std::string& dir) {
    char text[1024];
    std::snprintf(text, sizeof text, CKavroApp::kBackupDirQuestion, dir.c_str());
    return text;
}

}  // namespace

TEST(StartUp, MissingBackupDirectoryAnsweredNoDisablesBackupsForThisRun) {
    app();
    QTemporaryDir tmp;
    const std::string base = QDir(tmp.path()).filePath("base").toStdString();
    const std::string missing = QDir(tmp.path()).filePath("nowhere").toStdString();
    MemoryProfileStore store;
    store.writeString("LoaderVersion", "7.000000");
    store.writeInt("back_enable", 1);
    store.writeString("backup_dir", missing);

    ScriptedPrompter prompter;
    prompter.expect(backupQuestion(missing), PromptAnswer::No);
    CKavroApp kavro(store, prompter, computeProgramDirectories(base));
    kavro.StartUp();
    const Settings& s = kavro.setup().values();
    EXPECT_EQ(s.back_enable, 0);
    EXPECT_EQ(s.backup_dir, kavro.setup().directories().baseDirectory);
    EXPECT_EQ(store.readInt("back_enable", -1), 1) << "stored only by the next save";
    EXPECT_EQ(QDir::currentPath().toStdString(),
              QDir(QString::fromStdString(base)).absolutePath().toStdString());
    EXPECT_FALSE(QDir(QString::fromStdString(missing)).exists());
}

TEST(StartUp, MissingBackupDirectoryAnsweredYesIsCreated) {
    app();
    QTemporaryDir tmp;
    const std::string missing = QDir(tmp.path()).filePath("backup").toStdString();
    MemoryProfileStore store;
    store.writeString("LoaderVersion", "7.000000");
    store.writeInt("back_enable", 1);
    store.writeString("backup_dir", missing);
    ScriptedPrompter prompter;
    prompter.expect(backupQuestion(missing), PromptAnswer::Yes);
    CKavroApp kavro(store, prompter, computeProgramDirectories(tmp.path().toStdString()));
    kavro.StartUp();
    EXPECT_TRUE(QDir(QString::fromStdString(missing)).exists());
    EXPECT_EQ(kavro.setup().values().back_enable, 1);
}

TEST(StartUp, GuardAcrossRunsInAnIniFile) {
    app();
    QTemporaryDir tmp;
    ScriptedPrompter prompter;
    const auto dirs = computeProgramDirectories(QDir(tmp.path()).filePath("base").toStdString());
    for (int run = 1; run <= 2; ++run) {  // two starts that never exit cleanly
        QSettingsProfileStore store(tmp.path());
        CKavroApp kavro(store, prompter, dirs);
        kavro.StartUp();
        EXPECT_EQ(store.readInt("closed_ok", 99), -run);
    }
    {
        QSettingsProfileStore store(tmp.path());
        CKavroApp kavro(store, prompter, dirs);
        kavro.StartUp();
        kavro.setup().values().backup_step = 77;
        kavro.Finish(true);
    }
    QSettingsProfileStore store(tmp.path());
    EXPECT_EQ(store.readInt("closed_ok", 99), 0);
    EXPECT_EQ(store.readInt("backup_step", 0), 77);
    EXPECT_EQ(store.readString("line_comments", ""), "3 10 7 5 6 1 9 8 4 2 11 ");

    // A damaged file reads as missing keys, never as a crash.
    QFile ini(store.location());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("\x01\xff[Kavro\nclosed_ok=\x80\x80\n===\n[[[");
    ini.close();
    QSettingsProfileStore damaged(tmp.path());
    CKavroApp kavro(damaged, prompter, dirs);
    kavro.StartUp();
    EXPECT_EQ(kavro.setup().values().backup_step, 1000);
}
