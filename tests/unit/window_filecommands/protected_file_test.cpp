#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

#if defined(__unix__)

namespace {

namespace fs = std::filesystem;

int argc = 1;
char arg0[] = "window_protected_file_test";
char* argv[] = {arg0, nullptr};
void app() {
    if (!QCoreApplication::instance()) {
        new QCoreApplication(argc, argv);  // shared by the binary's tests
    }
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string refused(const std::string& path) {
    return "Cannot write the file\n" + path + "\nPermission denied" +
           "\nNothing was saved; a file of that name was left as it was.";
}

constexpr fs::perms kReadOnly =
    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;  // chmod 444

class ProtectedFileTest : public ::testing::Test {
protected:
    ProtectedFileTest() {
        app();
        setup.SetFailsafeDefaults();
        setup.values().show_splashscreen = 0;
        setup.values().show_summary = 0;
        WindowContext context;
        context.executableDirectory = path("bin");
        w = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, context);
        w->OnInitDialog();
        QCoreApplication::sendPostedEvents();
    }
    std::string path(const std::string& name) const {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    void saveAs(const std::string& target) {
        dialogs.answer(target);
        w->OnCommand(cmd::kSaveAs);
    }

    QTemporaryDir dir;
    MemoryProfileStore store;
    CRegistersetup setup{store, ProgramDirectories{}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> w;
};

// The rule is the file's own permission bits, so it holds for root too, who could write it.
TEST_F(ProtectedFileTest, ReadOnlyFileIsRefusedDirectlyAndThroughLinks) {
    const std::string ref = path("ref.DAT");
    writeAll(ref, "reference spectrum\r\n");
    fs::permissions(ref, kReadOnly);
    fs::create_symlink("ref.DAT", path("latest.DAT"));
    fs::create_symlink(path("latest.DAT"), path("chain.DAT"));

    for (const std::string& chosen : {ref, path("latest.DAT"), path("chain.DAT")}) {
        prompter.expect(refused(chosen));
        saveAs(chosen);
        EXPECT_TRUE(prompter.done()) << chosen;
        EXPECT_EQ(readAll(ref), "reference spectrum\r\n") << chosen;
        EXPECT_EQ(fs::status(ref).permissions(), kReadOnly) << chosen;
        EXPECT_TRUE(w->state().filePath().empty()) << chosen;
    }
    EXPECT_TRUE(fs::is_symlink(path("latest.DAT")));

    // Overwrite of a loaded file the user protected afterwards.
    const std::string loaded = path("loaded.DAT");
    saveAs(loaded);
    ASSERT_EQ(w->state().filePath(), loaded);
    const std::string old = readAll(loaded);
    fs::permissions(loaded, kReadOnly);
    w->state().markModified();
    prompter.expect(refused(loaded));
    w->OnCommand(cmd::kSaveOverwrite);
    EXPECT_EQ(readAll(loaded), old);
    EXPECT_TRUE(w->state().modified());
    // Raw and zone saves use the same writer.
    prompter.expect(refused(ref));
    dialogs.answer(ref);
    w->OnCommand(cmd::kSaveRaw);
    EXPECT_EQ(readAll(ref), "reference spectrum\r\n");
    EXPECT_TRUE(prompter.done());
}

// A writable file reached through links is replaced; the links stay links and the file keeps
// its mode.
TEST_F(ProtectedFileTest, WritableFileThroughLinksKeepsLinksAndMode) {
    const std::string mine = path("mine.DAT");
    writeAll(mine, "old\r\n");
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(mine, mode);  // chmod 640
    fs::create_symlink("mine.DAT", path("current.DAT"));
    fs::create_symlink("current.DAT", path("chain.DAT"));

    saveAs(path("chain.DAT"));
    EXPECT_TRUE(prompter.done());
    EXPECT_TRUE(fs::is_symlink(path("chain.DAT")));
    EXPECT_TRUE(fs::is_symlink(path("current.DAT")));
    EXPECT_FALSE(fs::is_symlink(mine));
    EXPECT_GT(readAll(mine).size(), 1000u);  // the spectrum, 1024 channels
    EXPECT_EQ(fs::status(mine).permissions(), mode);
    EXPECT_EQ(w->state().filePath(), path("chain.DAT"));
    EXPECT_FALSE(w->state().modified());
}

}  // namespace

#endif
