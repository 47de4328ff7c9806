#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#if defined(__unix__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "window/spectrum/file_commands.h"
#include "window/spectrum/measurement_information.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"
#include "window_state_edit.h"

namespace {

int argc = 1;
char arg0[] = "window_filecommands_test";
char* argv[] = {arg0, nullptr};
void app() {
    if (!QCoreApplication::instance()) {
        new QCoreApplication(argc, argv);  // shared by the binary's tests
    }
}

// A spectrum file as the station writes it with the failsafe structure: 12 header lines.
std::string stationFile(int dataLines, std::uint32_t firstCount = 10) {
    std::string text =
        "Sample : quartz crystal\r\n"
        "Scan number: 120\r\n"
        "first remark\r\n"
        "Wavelength: 514.5\r\n"
        "Polarization :  VH\r\n"
        "Power: 0\r\n"
        "Mirror sp. : 6.5\r\n"
        "Ch. duration : 0.002\r\n"
        "Scan amplitude : 30\r\n"
        "second remark\r\n"
        "\r\n"
        "\r\n";
    for (int i = 0; i < dataLines; ++i) {
        text += std::to_string(firstCount + i) + "\r\n";
    }
    return text;
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

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest() {
        app();
        setup.SetFailsafeDefaults();
        setup.values().show_splashscreen = 0;
        setup.values().show_summary = 0;
    }

    // The window is made late so that a test can place a default file or a command-line file.
    CSpectrumwnd& window(WindowContext context = {}) {
        if (context.executableDirectory.empty()) {
            context.executableDirectory = exeDir();
        }
        w = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, context);
        w->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        return *w;
    }

    std::string path(const std::string& name) const {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    std::string exeDir() const { return path("bin"); }

    std::string placeStationFile(const std::string& name, int dataLines = 256) {
        writeAll(path(name), stationFile(dataLines));
        return path(name);
    }

    void load(const std::string& file) {
        dialogs.answer(file);
        w->OnCommand(ctl::kLoad);
    }

    QTemporaryDir dir;
    MemoryProfileStore store;
    CRegistersetup setup{store, ProgramDirectories{}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> w;
};

TEST_F(FileCommandsTest, EveryFileCommandIsHandledAndFollowsTheMenuRules) {
    CSpectrumwnd& win = window();
    for (int id : {cmd::kLoadSpectrum, ctl::kLoad, cmd::kSaveAs, ctl::kSave, cmd::kSaveOverwrite,
                   cmd::kLoadRaw, cmd::kSaveRaw, cmd::kSaveZone, cmd::kNewSpectrum, ctl::kDelete,
                   cmd::kMeasurementInformation, ctl::kInformation}) {
        EXPECT_TRUE(win.hasCommand(id)) << id;
    }
    EXPECT_TRUE(win.menuState(cmd::kLoadSpectrum).enabled);
    EXPECT_FALSE(win.menuState(cmd::kSaveZone).enabled);  // no markers placed
    win.state().runStarted(RunKind::Acquisition);
    for (int id : {cmd::kLoadSpectrum, cmd::kSaveAs, cmd::kSaveOverwrite, cmd::kNewSpectrum,
                   cmd::kLoadRaw, cmd::kSaveRaw, cmd::kMeasurementInformation}) {
        EXPECT_FALSE(win.menuState(id).enabled) << id;
    }
}

TEST_F(FileCommandsTest, StationFileEditedSavedUnderAnotherNameAndLoadedBack) {
    setup.values().show_summary = 1;
    CSpectrumwnd& win = window();
    const std::string original = placeStationFile("station.DAT");
    load(original);

    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].kind, "open");
    EXPECT_EQ(dialogs.opened[0].title, "Load data from KAVRO format");
    EXPECT_EQ(dialogs.opened[0].filter, "Spectrum files (*.DAT)|*.DAT|All files (*.*)|*.*||");
    EXPECT_EQ(dialogs.opened[0].defaultExtension, "DAT");

    EXPECT_EQ(win.state().fileName(), "station.DAT");
    EXPECT_EQ(win.state().filePath(), original);
    EXPECT_FALSE(win.state().modified());
    EXPECT_EQ(win.state().spectrum().channels, 256);
    EXPECT_EQ(win.state().displayedChannels(), 256);
    EXPECT_EQ(win.state().spectrum().counts[255], 265u);
    EXPECT_EQ(win.state().spectrum().sampleName, "quartz crystal");
    EXPECT_EQ(win.state().spectrum().polarization, "VH");
    EXPECT_DOUBLE_EQ(win.state().spectrum().scanAmplitude, 30);
    EXPECT_EQ(win.state().spectrum().extraComment1(), "first remark");
    EXPECT_EQ(view.title, "Spectrum window - station.DAT ");
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels : 256");
    EXPECT_EQ(view.controlText(ctl::kAcquisition), "Start acquisition");
    EXPECT_EQ(win.state().fileTime(),
              QFileInfo(QString::fromStdString(original)).lastModified().toSecsSinceEpoch());

    ASSERT_EQ(view.informationShown.size(), 1u);
    const SpectrumInformation& summary = view.informationShown[0];
    EXPECT_EQ(summary.text(info_ctl::kBeamPower), "Beam power : N/A");
    EXPECT_EQ(summary.text(info_ctl::kScans), "Acquisition scans : 120");
    EXPECT_EQ(summary.text(info_ctl::kFileTime),
              "File was last modified on " + formatFileTime(win.state().fileTime()));

    const std::string name40(40, 'n');
    view.onEditInformation = [&](MeasurementInformationEdit& edit) {
        edit.field(info_ctl::kEditSampleName) = name40;
        edit.field(info_ctl::kEditMirrorSpacing) = "7.25";
        edit.field(info_ctl::kBeamPower) = "2.5";
        edit.field(info_ctl::kExtraComment2) = "edited remark";
        return edit.Accept();
    };
    win.OnCommand(cmd::kMeasurementInformation);
    EXPECT_TRUE(win.state().modified());
    EXPECT_EQ(win.state().spectrum().sampleName, name40);  // stored whole
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels :   256");

    const std::string copy = path("copy.DAT");
    dialogs.answer(copy);
    win.OnCommand(ctl::kSave);
    EXPECT_EQ(dialogs.opened.back().kind, "save");
    EXPECT_EQ(dialogs.opened.back().title, "Save data to KAVRO file format");
    EXPECT_FALSE(win.state().modified());
    EXPECT_EQ(win.state().fileName(), "copy.DAT");
    EXPECT_EQ(win.state().filePath(), copy);
    EXPECT_EQ(readAll(original), stationFile(256));  // the original is untouched
    EXPECT_NE(readAll(copy).find("Power: 2.5\r\nMirror sp. : 7.25\r\n"), std::string::npos);

    editSpectrum(win.state(), [](CKavroSpectrum& s) {
        s = CKavroSpectrum{};
        s.SetChannels(1024);
    });
    load(copy);
    EXPECT_EQ(win.state().spectrum().channels, 256);
    EXPECT_EQ(win.state().spectrum().sampleName, name40.substr(0, 30));  // what a header slot keeps
    EXPECT_DOUBLE_EQ(win.state().spectrum().mirrorSpacing, 7.25);
    EXPECT_DOUBLE_EQ(win.state().spectrum().beamPower, 2.5);
    EXPECT_EQ(win.state().spectrum().extraComment1(), "first remark");
    EXPECT_EQ(win.state().spectrum().extraComment2(), "edited remark");
    EXPECT_EQ(win.state().spectrum().counts[0], 10u);
    EXPECT_TRUE(prompter.done());
}

TEST_F(FileCommandsTest, LoadQuestionsComeInOrderWithTheirExactTexts) {
    CSpectrumwnd& win = window();
    const std::string file = placeStationFile("a.DAT");

    // Modified: No to the discard question ends the command before any dialog.
    win.state().markModified();
    prompter.expect(FileCommands::kDiscard, PromptAnswer::No);
    load(file);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Question);
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_TRUE(win.state().fileName().empty());
    dialogs.paths.clear();

    // Calibrated, No: the loaded spectrum keeps the calibrated amplitude.
    win.state().saved();
    win.state().calibrationApplied(41.5);
    prompter.expect(FileCommands::kDiscardCalibration, PromptAnswer::No);
    load(file);
    EXPECT_EQ(prompter.lastButtons(), PromptButtons::YesNo);
    EXPECT_TRUE(win.state().calibrated());
    EXPECT_DOUBLE_EQ(win.state().spectrum().scanAmplitude, 41.5);
    EXPECT_EQ(win.state().spectrum().sampleName, "quartz crystal");

    // Calibrated, Yes, then Cancel: the spectrum stays, the calibration is gone.
    editSpectrum(win.state(), [](CKavroSpectrum& s) { s.sampleName = "kept"; });
    prompter.expect(FileCommands::kDiscardCalibration, PromptAnswer::Yes);
    win.OnCommand(cmd::kLoadSpectrum);  // no answer scripted: the dialog is cancelled
    EXPECT_FALSE(win.state().calibrated());
    EXPECT_EQ(win.state().spectrum().sampleName, "kept");

    // Raw load while modified has its own question; No ends it.
    win.state().markModified();
    prompter.expect(FileCommands::kDiscardBeforeRaw, PromptAnswer::No);
    const auto dialogsBefore = dialogs.opened.size();
    win.OnCommand(cmd::kLoadRaw);
    EXPECT_EQ(dialogs.opened.size(), dialogsBefore);

    // Delete while modified: No keeps everything.
    prompter.expect(FileCommands::kDiscard, PromptAnswer::No);
    win.OnCommand(ctl::kDelete);
    EXPECT_EQ(win.state().spectrum().sampleName, "kept");
    EXPECT_TRUE(win.state().modified());
    EXPECT_TRUE(prompter.done());
}

TEST_F(FileCommandsTest, LoadWithFewerChannelsResetsMarkersAndClosesTheFitWindows) {
    CSpectrumwnd& win = window();
    int fitCloses = 0;
    win.plot().onMarkersReset([&] { ++fitCloses; });
    view.setControlChecked(ctl::kMark1, true);
    view.setControlChecked(ctl::kMark2, true);
    win.OnCommand(ctl::kMark1);
    auto placeMarker = [&](int marker, std::uint16_t channel) {
        for (int x = 0; x < win.plot().width(); ++x) {
            win.plot().click(marker, x, 100);
            const OperatingFlags f = win.flags();
            if ((marker == 0 ? f.marker1Channel : f.marker2Channel) == channel) {
                return;
            }
        }
        FAIL() << "no click reaches channel " << channel;
    };
    placeMarker(0, 600);
    placeMarker(1, 400);

    // Zone save with markers at 600 and 400: channels 400 ... 600.
    const std::string zone = path("zone.txt");
    dialogs.answer(zone);
    win.OnCommand(cmd::kSaveZone);
    EXPECT_EQ(dialogs.opened.back().title, "Save data region to file");
    EXPECT_EQ(dialogs.opened.back().filter,
              "Raw spectrum data (*.txt)|*.TXT|All files (*.*)|*.*||");
    EXPECT_EQ(dialogs.opened.back().defaultExtension, "txt");
    const std::string zoneBytes = readAll(zone);
    EXPECT_EQ(std::count(zoneBytes.begin(), zoneBytes.end(), '\n'), 201);
    EXPECT_EQ(zoneBytes.substr(0, zoneBytes.find('\r')), "-5.4741 0");  // (400 - 512) * 50/1023

    // A load that keeps the markers inside the spectrum leaves them alone.
    load(placeStationFile("big.DAT", 1024));
    EXPECT_EQ(win.flags().marker1Channel, 600);
    EXPECT_EQ(fitCloses, 0);

    placeMarker(0, 700);
    load(placeStationFile("small.DAT", 256));
    const OperatingFlags f = win.flags();
    EXPECT_EQ(f.marker1Channel, 128);
    EXPECT_EQ(f.marker2Channel, 128);
    EXPECT_FALSE(f.marker1Shown);
    EXPECT_FALSE(f.marker2Shown);
    EXPECT_FALSE(view.controlChecked(ctl::kMark1));
    EXPECT_FALSE(view.controlChecked(ctl::kMark2));
    EXPECT_EQ(fitCloses, 1);
}

TEST_F(FileCommandsTest, DeleteKeepsAmplitudeAndCalibrationAndOverwriteNeedsAPath) {
    CSpectrumwnd& win = window();
    const auto before = filesIn(dir.path().toStdString());

    // Right after start there is no path: nothing written, nothing said.
    win.state().markModified();
    win.OnCommand(cmd::kSaveOverwrite);
    EXPECT_TRUE(win.state().modified());

    win.state().calibrationApplied(33.3);
    editSpectrum(win.state(), [](CKavroSpectrum& s) {
        s.counts.assign(1024, 7);
        s.channelTime = 0.5;
        s.scanCount = 9;
        s.sampleName = "stays";
    });
    setup.values().last_mirror_spacing = 4.5;
    view.setProgress(40);
    prompter.expect(FileCommands::kDiscard, PromptAnswer::Yes);
    win.OnCommand(cmd::kNewSpectrum);

    EXPECT_FALSE(win.state().modified());
    EXPECT_TRUE(win.state().calibrated());
    EXPECT_DOUBLE_EQ(win.state().spectrum().scanAmplitude, 33.3);
    EXPECT_EQ(win.state().spectrum().sampleName, "stays");
    EXPECT_EQ(win.state().spectrum().channels, 1024);
    EXPECT_EQ(
        std::count(win.state().spectrum().counts.begin(), win.state().spectrum().counts.end(), 0u),
        1024);
    EXPECT_EQ(win.state().spectrum().channelTime, 0);
    EXPECT_EQ(win.state().spectrum().scanCount, 0);
    EXPECT_DOUBLE_EQ(win.state().spectrum().mirrorSpacing, 4.5);
    EXPECT_EQ(win.state().fileName(), "<NONAME>");
    EXPECT_EQ(win.state().filePath(), "<NONAME>");
    EXPECT_EQ(view.title, "Spectrum window");
    EXPECT_EQ(view.progress, 0);

    // After Delete the path is "<NONAME>": still nothing written.
    win.state().markModified();
    win.OnCommand(cmd::kSaveOverwrite);
    EXPECT_TRUE(win.state().modified());
    EXPECT_EQ(filesIn(dir.path().toStdString()), before);
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("<NONAME>")));
    EXPECT_TRUE(prompter.done());
}

TEST_F(FileCommandsTest, MissingOrUnreadableFileIsToldAndChangesNothing) {
    CSpectrumwnd& win = window();
    QDir(dir.path()).mkdir("folder.DAT");
    for (const std::string& bad : {path("missing.DAT"), path("folder.DAT")}) {
        SCOPED_TRACE(bad);
        win.state().fileLoaded(win.state().spectrum(), {"before.DAT", "/somewhere/before.DAT"}, 77,
                               SpectrumSource::File);
        win.state().calibrationApplied(12);
        const std::vector<std::uint32_t> counts = win.state().spectrum().counts;
        prompter.expect(FileCommands::kDiscardCalibration, PromptAnswer::Yes);
        prompter.expect(std::string("Cannot read the file\n") + bad + "\n" +
                        (bad == path("missing.DAT") ? "No such file or directory"
                                                    : "It is a folder, not a file.") +
                        "\nThe spectrum has not been changed.");
        load(bad);
        EXPECT_EQ(prompter.lastIcon(), PromptIcon::Exclamation);
        EXPECT_EQ(win.state().fileName(), "before.DAT");
        EXPECT_EQ(win.state().filePath(), "/somewhere/before.DAT");
        EXPECT_TRUE(win.state().calibrated());
        EXPECT_EQ(win.state().fileTime(), 77);
        EXPECT_DOUBLE_EQ(win.state().spectrum().scanAmplitude, 12);
        EXPECT_EQ(win.state().spectrum().counts, counts);
    }
    EXPECT_TRUE(prompter.done());
}

TEST_F(FileCommandsTest, RawFileTheReaderRefusesIsToldAndChangesNothing) {
    CSpectrumwnd& win = window();
    writeAll(path("words.txt"), "no numbers here\r\n1 2\r\n");
    win.state().calibrationApplied(win.state().spectrum().scanAmplitude);
    win.state().saved({"before.DAT", "before.DAT"});
    prompter.expect("The file\n" + path("words.txt") +
                    "\ndoes not hold raw data: its first line is not a frequency and a count."
                    "\nThe spectrum has not been changed.");
    dialogs.answer(path("words.txt"));
    win.OnCommand(cmd::kLoadRaw);
    EXPECT_EQ(dialogs.opened.back().title, "Load data from raw file format");
    EXPECT_TRUE(win.state().calibrated());
    EXPECT_EQ(win.state().fileName(), "before.DAT");
    EXPECT_EQ(win.state().spectrum().channels, 1024);

    // A raw file saved by the window reads back; the calibration goes with the load.
    editSpectrum(win.state(), [](CKavroSpectrum& s) { s.counts.assign(1024, 3); });
    dialogs.answer(path("all.txt"));
    win.OnCommand(cmd::kSaveRaw);
    EXPECT_EQ(dialogs.opened.back().title, "Save data to raw file format");
    editSpectrum(win.state(), [](CKavroSpectrum& s) { s.SetChannels(256); });
    dialogs.answer(path("all.txt"));
    win.OnCommand(cmd::kLoadRaw);
    EXPECT_FALSE(win.state().calibrated());
    EXPECT_EQ(win.state().spectrum().channels, 1024);
    EXPECT_EQ(win.state().displayedChannels(), 1024);
    EXPECT_NEAR(win.state().spectrum().scanAmplitude, 50.049, 1e-3);
    EXPECT_EQ(win.state().fileName(), "all.txt");
    EXPECT_EQ(view.title, "Spectrum window - all.txt");
    EXPECT_TRUE(prompter.done());
}

#if defined(__unix__)
// A save cut short (here: the file size limit, as a full disk would) keeps the old file.
TEST_F(FileCommandsTest, FailedSaveLeavesTheOldFileIntact) {
    CSpectrumwnd& win = window();
    const std::string target = path("kept.DAT");
    dialogs.answer(target);
    win.OnCommand(cmd::kSaveAs);
    const std::string old = readAll(target);
    ASSERT_GT(old.size(), 1000u);

    editSpectrum(win.state(), [](CKavroSpectrum& s) { s.counts.assign(1024, 123456); });
    win.state().markModified();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    prompter.expect("Cannot write the file\n" + target + "\nOnly 512 of " +
                    std::to_string(old.size() + 1024 * 5) + " bytes could be written." +
                    "\nNothing was saved; a file of that name was left as it was.");
    win.OnCommand(cmd::kSaveOverwrite);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(readAll(target), old);
    EXPECT_TRUE(win.state().modified());
    EXPECT_EQ(filesIn(dir.path().toStdString()), std::vector<std::string>{"kept.DAT"});

    // A folder that cannot be written (root writes anyway, so only for other users).
    if (geteuid() != 0) {
        const auto dirPath = std::filesystem::path(dir.path().toStdString());
        std::filesystem::permissions(dirPath, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        prompter.expect("Cannot write the file\n" + target + "\nPermission denied" +
                        "\nNothing was saved; a file of that name was left as it was.");
        win.OnCommand(cmd::kSaveOverwrite);
        std::filesystem::permissions(dirPath, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        EXPECT_EQ(readAll(target), old);
        EXPECT_TRUE(win.state().modified());
    }

    // A folder that does not exist: told, nothing changes.
    const std::string nowhere = path("no/such/folder/x.DAT");
    prompter.expect("Cannot write the file\n" + nowhere + "\nNo such file or directory" +
                    "\nNothing was saved; a file of that name was left as it was.");
    dialogs.answer(nowhere);
    win.OnCommand(cmd::kSaveAs);
    EXPECT_EQ(win.state().filePath(), target);
    EXPECT_TRUE(win.state().modified());
    EXPECT_TRUE(prompter.done());
}
#endif

TEST_F(FileCommandsTest, DefaultFileNextToTheProgramAndTheCommandLineFile) {
    QDir(dir.path()).mkdir("bin");
    writeAll(QDir(QString::fromStdString(exeDir())).filePath("default.DAT").toStdString(),
             stationFile(512));
    setup.values().show_summary = 1;
    WindowContext context;
    context.commandLineFile = placeStationFile("given.DAT", 256);
    CSpectrumwnd& win = window(context);

    // The default file made the initial spectrum before the command-line file replaced it.
    EXPECT_EQ(win.state().spectrum().channels, 256);
    EXPECT_EQ(win.state().fileName(), "given.DAT");
    EXPECT_EQ(win.state().filePath(), context.commandLineFile);
    EXPECT_TRUE(view.informationShown.empty());
    EXPECT_EQ(view.title, "Spectrum window - given.DAT ");

    CSpectrumwnd& plain = window();
    EXPECT_EQ(plain.state().spectrum().channels, 512);
    EXPECT_EQ(plain.state().displayedChannels(), 512);
    EXPECT_EQ(plain.state().spectrum().sampleName, "quartz crystal");
    EXPECT_TRUE(plain.state().fileName().empty());
    EXPECT_EQ(view.controlText(ctl::kChannelsLabel), "Channels : 512");
    EXPECT_EQ(plain.fileCommands().OpenCommandLineFile(), -1);
}

TEST_F(FileCommandsTest, CommandLineFileWaitsForAnUnmodifiedIdleWindow) {
    WindowContext context;
    context.commandLineFile = placeStationFile("given.DAT", 256);
    context.executableDirectory = exeDir();
    w = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, context);
    w->OnInitDialog();
    w->state().markModified();  // as a question at start-up would leave it
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(w->state().fileName().empty());
    EXPECT_EQ(w->state().spectrum().channels, 1024);
}

}  // namespace
