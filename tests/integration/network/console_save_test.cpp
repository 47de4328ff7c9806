#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console_peer.h"
#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "spectrum/kavro_spectrum.h"
#include "window/network/console_host.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

using namespace std::string_literals;

int argc = 1;
char arg0[] = "console_save_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

const std::string kPrompt = "KAVRO> \0"s;
const std::string kGranted = "Local commands overridden. Control is yours now.\r\n" + kPrompt;

std::string readAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll().toStdString();
}

// The spectrum the station starts with: a default file next to the program, so that what the
// consoles save can be told apart from an empty spectrum.
CKavroSpectrum knownSpectrum() {
    CKavroSpectrum s;
    s.SetChannels(1024);
    for (std::size_t i = 0; i < 1024; ++i) {
        s.counts[i] = static_cast<std::uint32_t>(1000 + 7 * i);
    }
    s.sampleName = "quartz";
    s.scanAmplitude = 50;
    return s;
}

// A station with its console server on a free loopback port. Its base directory is a folder
// inside the temporary one, so that ".." from it stays inside the test's own files.
struct Station {
    Station() {
        app();
        root = QDir(temp.path()).canonicalPath().toStdString();
        base = root + "/station";
        QDir(QString::fromStdString(root)).mkpath("station/bin");
        std::string bytes;
        knownSpectrum().WriteToFile(bytes, FileStructure{});
        QFile file(QString::fromStdString(base + "/bin/default.DAT"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        file.close();

        setup = std::make_unique<CRegistersetup>(
            store, ProgramDirectories{base, base + "/backup", "Kavro ver. 1.2"});
        setup->SetFailsafeDefaults();
        setup->values().enable_network = 1;
        setup->values().show_splashscreen = 0;
        WindowContext context;
        context.consolePort = 0;
        context.executableDirectory = base + "/bin";
        QDir::setCurrent(QString::fromStdString(base));
        window = std::make_unique<CSpectrumwnd>(*setup, prompter, dialogs, view, context);
        window->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(window->consoleHost().StartServer());
    }
    ~Station() {
        window.reset();
        QCoreApplication::sendPostedEvents();
        QDir::setCurrent(QDir::tempPath());
    }
    // A console holding remote control.
    std::unique_ptr<ConsolePeer> controllingPeer() {
        auto peer = std::make_unique<ConsolePeer>(window->consoleHost().listeningPort());
        EXPECT_TRUE(peer->greeted());
        EXPECT_EQ(peer->ask("override\r\n", kGranted.size()), kGranted);
        return peer;
    }
    void close(ConsolePeer& peer) {
        peer.send("CLOSE\r\n");
        EXPECT_TRUE(peer.closedByServer());
        pumpUntil([&] { return window->consoleHost().server().consoleCount() == 0; });
    }

    QTemporaryDir temp;
    std::string root;
    std::string base;
    MemoryProfileStore store;
    std::unique_ptr<CRegistersetup> setup;
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> window;
};

// A client's usual sequence: WDIR, then SAVE twice and SAVERAW once, with the process's current
// directory left at the base directory (as the station starts) or moved elsewhere by another
// part of the program meanwhile.
TEST(ConsoleSave, EveryWorkingDirectoryFormSavesWhereTheUserExpects) {
    Station st;
    const std::string outside = st.root + "/outside";
    for (const char* dir : {"station/data/run1", "outside", "elsewhere"}) {
        ASSERT_TRUE(QDir(QString::fromStdString(st.root)).mkpath(dir));
    }
    struct Case {
        std::string argument;
        std::string reply;      // before "Working directory now ..."
        std::string directory;  // where the files must land
    };
    const std::string missing = "Error : malformed directory name, or nonexisting directory.\r\n";
    const std::vector<Case> cases = {
        {"data", "", st.base + "/data"},
        {"data/run1", "", st.base + "/data/run1"},
        {"data/run1/../run1/..", "", st.base + "/data"},
        {"..", "", st.root},
        {outside, "", outside},
        {outside + "/", "", outside},
        {"nothere", missing, st.base},
        {st.root + "/nothere", missing, st.base},
    };
    const CKavroSpectrum expected = knownSpectrum();
    for (const std::string& processDirectory : {st.base, st.root + "/elsewhere"}) {
        int round = 0;
        for (const Case& c : cases) {
            const std::string where = "WDIR " + c.argument + " from " + processDirectory;
            ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(processDirectory)));
            auto peer = st.controllingPeer();
            const std::string now =
                c.reply + "Working directory now " + c.directory + "\r\n" + kPrompt;
            EXPECT_EQ(peer->ask("WDIR " + c.argument + "\r\n", now.size()), now) << where;

            const std::string stem = "r" + std::to_string(round++) + "_";
            for (const std::string& line : {"SAVE " + stem + "a.dat", "SAVE " + stem + "b.dat",
                                            "SAVERAW " + stem + "c.txt"}) {
                EXPECT_EQ(peer->ask(line + "\r\n", kPrompt.size()), kPrompt)
                    << where << ": " << line;
            }
            for (const std::string& name : {stem + "a.dat", stem + "b.dat"}) {
                CKavroSpectrum read;
                read.ReadFromFile(readAll(c.directory + "/" + name), FileStructure{});
                EXPECT_EQ(read.channels, expected.channels) << where << ": " << name;
                EXPECT_EQ(read.counts, expected.counts) << where << ": " << name;
                EXPECT_EQ(read.sampleName, expected.sampleName) << where << ": " << name;
            }
            const std::string raw = readAll(c.directory + "/" + stem + "c.txt");
            EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'), 1024) << where;
            EXPECT_NE(raw.find(" 1000\r\n"), std::string::npos) << where;
            EXPECT_NE(raw.find(" 8161\r\n"), std::string::npos) << where;  // channel 1023

            const std::string status = peer->ask("STATUS\r\n", 150);
            EXPECT_NE(status.find(" on file " + stem + "c.txt\n\r"), std::string::npos) << where;
            // No console command moves the directory the window and other consoles share.
            EXPECT_EQ(QDir::currentPath().toStdString(), processDirectory) << where;
            st.close(*peer);
        }
    }
}

// An existing file the user protected is refused like any failed save, and kept.
TEST(ConsoleSave, ProtectedFileIsRefusedAndKept) {
    Station st;
    const std::string target = st.base + "/ref.dat";
    {
        QFile file(QString::fromStdString(target));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("reference\r\n");
    }
    namespace fs = std::filesystem;
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto peer = st.controllingPeer();
    const std::string failed = "Error while writing file!\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("SAVE ref.dat\r\n", failed.size()), failed);
    EXPECT_EQ(peer->ask("SAVERAW ref.dat\r\n", failed.size()), failed);
    EXPECT_EQ(readAll(target), "reference\r\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string status = peer->ask("STATUS\r\n", 150);
    EXPECT_EQ(status.find("ref.dat"), std::string::npos);
}

}  // namespace
