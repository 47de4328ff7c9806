#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "window/spectrum/batch_conversion.h"
#include "window/window_ids.h"
#include "window_fixture.h"
#include "window_state_edit.h"

namespace {

namespace fs = std::filesystem;

// A spectrum file as the station writes it with the failsafe structure: 12 header lines, the
// scan amplitude 30 on line 9.
std::string stationFile(int dataLines, std::uint32_t firstCount = 10) {
    std::string text =
        "Sample : quartz\r\nScan number: 120\r\n\r\nWavelength: 514.5\r\nPolarization :  VH\r\n"
        "Power: 0\r\nMirror sp. : 6.5\r\nCh. duration : 0.002\r\nScan amplitude : 30\r\n\r\n"
        "\r\n\r\n";
    for (int i = 0; i < dataLines; ++i) {
        text += std::to_string(firstCount + static_cast<std::uint32_t>(i)) + "\r\n";
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

class BatchConversionTest : public WindowFixture {
protected:
    std::string path(const std::string& name) const {
        return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
    }
    std::string place(const std::string& name, const std::string& bytes) {
        writeAll(path(name), bytes);
        return path(name);
    }
    // Every file of the folder with its bytes, links as the text they point at.
    std::map<std::string, std::string> folder() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(dir.path().toStdString())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_symlink()) {
                files[name] = "-> " + fs::read_symlink(entry.path()).string();
            } else if (entry.is_regular_file()) {
                files[name] = readAll(entry.path().string());
            } else {
                files[name] = "<folder>";
            }
        }
        return files;
    }
    void convert(std::vector<std::string> files) {
        dialogs.fileLists.push_back(std::move(files));
        w->OnCommand(cmd::kConvertToRaw);
    }

    QTemporaryDir dir;
};

TEST_F(BatchConversionTest, GoodDamagedUnreadableAndRawNamedInputs) {
    editSpectrum(w->state(), [](CKavroSpectrum& s) { s.counts[3] = 33; });
    w->state().markModified();
    const std::string title = view.title;

    std::vector<std::string> inputs = {
        place("A.DAT", stationFile(256)),
        place("x.txt", stationFile(256)),  // its raw file is itself
        place("damaged.DAT", stationFile(0) + "12\r\nabc\r\n"),
        place("B.DAT", stationFile(1024, 1)),
        place("binary.DAT", std::string("\x7f"
                                        "ELF\0\0\1",
                                        7)),
        place("empty.DAT", ""),
        place("short.DAT", stationFile(0)),
        path("folder.DAT"),
        path("missing.DAT"),
        place("data.run2.DAT", stationFile(512)),
        place("c.DAT", stationFile(256)),  // its raw file is a link to a chosen file
        place("e.DAT", stationFile(256, 500)),
        place("e.SPC", stationFile(256, 900)),  // the same raw file as e.DAT
        place("old.DAT", stationFile(256, 7)),
    };
    fs::create_directory(path("folder.DAT"));
    fs::create_symlink("A.DAT", path("c.txt"));
    place("old.txt", "left from an earlier conversion\r\n");
    const auto before = folder();

    prompter.expect(
        "Successfully converted 5 files out of 14\n\nNot converted:\n"
        "x.txt: Skipped: its raw file x.txt would replace one of the chosen files.\n"
        "damaged.DAT: Line 14 is not a count: this is not a spectrum file of the configured "
        "layout.\n"
        "binary.DAT: The file holds binary data, not a spectrum.\n"
        "empty.DAT: The file is empty.\n"
        "short.DAT: The file ends before its first count.\n"
        "folder.DAT: Cannot be read: it is a folder, not a file.\n"
        "missing.DAT: Cannot be read (No such file or directory).\n"
        "c.DAT: Skipped: its raw file c.txt would replace one of the chosen files.\n"
        "e.SPC: Skipped: its raw file e.txt was already written for another chosen file.");
    convert(inputs);
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Exclamation);
    ASSERT_FALSE(dialogs.opened.empty());
    EXPECT_EQ(dialogs.opened.back().kind, "open files");
    EXPECT_EQ(dialogs.opened.back().title, "Convert multiple files from KAVRO to raw data format");
    EXPECT_EQ(dialogs.opened.back().filter, "Spectrum files (*.DAT)|*.DAT|All files (*.*)|*.*||");
    EXPECT_EQ(dialogs.opened.back().defaultExtension, "DAT");

    // Every input, and the link, byte for byte as before; only the raw files are new.
    const auto after = folder();
    for (const auto& [name, bytes] : before) {
        if (name == "old.txt") {
            continue;
        }
        ASSERT_TRUE(after.count(name)) << name;
        EXPECT_EQ(after.at(name), bytes) << name;
    }
    std::vector<std::string> added;
    for (const auto& [name, bytes] : after) {
        if (!before.count(name)) {
            added.push_back(name);
        }
    }
    EXPECT_EQ(added, (std::vector<std::string>{"A.txt", "B.txt", "data.run2.txt", "e.txt"}));

    struct Output {
        const char* name;
        std::uint16_t channels;
        std::uint32_t first, last;
    };
    for (const Output& o : {Output{"A.txt", 256, 10, 265}, Output{"B.txt", 1024, 1, 1024},
                            Output{"data.run2.txt", 512, 10, 521}, Output{"e.txt", 256, 500, 755},
                            Output{"old.txt", 256, 7, 262}}) {
        CKavroSpectrum raw;
        ASSERT_TRUE(raw.ReadRawFromFile(readAll(path(o.name)))) << o.name;
        EXPECT_EQ(raw.channels, o.channels) << o.name;
        EXPECT_EQ(raw.counts.front(), o.first) << o.name;
        EXPECT_EQ(raw.counts[o.channels - 1u], o.last) << o.name;
        EXPECT_NEAR(raw.scanAmplitude, 30, 0.2) << o.name;
    }
    // The fixed-point lines: "%8f %d".
    EXPECT_EQ(readAll(path("A.txt")).substr(0, 18), "-15.058824 10\r\n-14");

    // The window's spectrum, flags and file name are as they were.
    EXPECT_EQ(w->state().spectrum().counts[3], 33u);
    EXPECT_TRUE(w->state().modified());
    EXPECT_EQ(w->state().fileName(), "");
    EXPECT_EQ(view.title, title);
}

TEST_F(BatchConversionTest, ScanAmplitudeWithoutACommentLineComesFromTheWindowThenCarriesOver) {
    setup.values().fileStructure.enabled[FileStructure::kScanAmplitude] = false;
    editSpectrum(w->state(), [](CKavroSpectrum& s) { s.scanAmplitude = 51; });
    prompter.expect("Successfully converted 2 files out of 2", PromptAnswer::Ok);
    convert({place("one.DAT", stationFile(256)), place("two.DAT", stationFile(256))});
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Information);
    // (0 - 128) x 51/255
    EXPECT_EQ(readAll(path("one.txt")).substr(0, 14), "-25.600000 10\r");
    EXPECT_EQ(readAll(path("two.txt")).substr(0, 14), "-25.600000 10\r");
}

TEST_F(BatchConversionTest, OneFileConvertsAndACancelledChooserDoesNothing) {
    prompter.expect("Successfully converted 1 files out of 1");
    convert({place("only.DAT", stationFile(256))});
    EXPECT_FALSE(readAll(path("only.txt")).empty());

    w->OnCommand(cmd::kConvertToRaw);  // no answer: cancelled, no box
    dialogs.fileLists.push_back(std::vector<std::string>{});
    w->OnCommand(cmd::kConvertToRaw);
    EXPECT_TRUE(prompter.done());
}

TEST_F(BatchConversionTest, LargeBatchRunsUnderTheProgressDialogAndCancelStopsIt) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 25; ++i) {
        inputs.push_back(place("f" + std::to_string(i) + ".DAT", stationFile(256)));
    }
    view.cancelAfterSteps = 5;
    prompter.expect(
        "Successfully converted 5 files out of 25\n\nCancelled: 20 files were left as they "
        "were, without raw files.");
    convert(inputs);
    EXPECT_EQ(view.progressTitles, std::vector<std::string>{"Converting files to raw format"});
    EXPECT_EQ(view.progressSteps, 25);
    ASSERT_EQ(view.progressLabels.size(), 5u);
    EXPECT_EQ(view.progressLabels[4], "Converting f4.DAT");
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(fs::exists(path("f" + std::to_string(i) + ".txt")), i < 5) << i;
    }

    // Below the threshold no dialog.
    inputs.resize(BatchConversionCommand::kProgressFrom - 1);
    view.cancelAfterSteps = -1;
    prompter.expect("Successfully converted 19 files out of 19");
    convert(inputs);
    EXPECT_EQ(view.progressTitles.size(), 1u);
}

TEST_F(BatchConversionTest, ManyFailuresAreListedUpToALimit) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 18; ++i) {
        inputs.push_back(place("bad" + std::to_string(i) + ".DAT", ""));
    }
    std::string expected = "Successfully converted 0 files out of 18\n\nNot converted:";
    for (int i = 0; i < 15; ++i) {
        expected += "\nbad" + std::to_string(i) + ".DAT: The file is empty.";
    }
    prompter.expect(expected + "\n... and 3 more");
    convert(inputs);
}

TEST(BatchConversionRules, RawFileNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"/d/A.DAT", "/d/A.txt"},
        {"/d/data.run2.DAT", "/d/data.run2.txt"},
        {"/d/run.1/spectrum", "/d/run.1/spectrum.txt"},
        {"/d/.DAT", "/d/.DAT.txt"},
        {"C:\\d\\y.dat", "C:\\d\\y.txt"},
        {"plain", "plain.txt"},
    };
    for (const auto& [input, output] : cases) {
        EXPECT_EQ(BatchConversion::rawPathFor(input), output) << input;
    }
}

TEST(BatchConversionRules, WhatCountsAsDamaged) {
    const FileStructure layout;  // 12 header lines
    const std::string header = stationFile(0);
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {stationFile(256), std::nullopt},
        {stationFile(300) + "\r\n\r\n", std::nullopt},  // blank lines after the counts
        {header + "  42 \r\n", std::nullopt},
        {header + "12\n13\n", std::nullopt},   // bare line feeds
        {header + "147.0\r\n", std::nullopt},  // read as 147, as a load reads it
        {"", "The file is empty."},
        {header, "The file ends before its first count."},
        {header + "\r\n\r\n", "The file ends before its first count."},
        {header + "1\r\n\r\n2\r\n", "Line 14 is empty in the middle of the counts."},
        {header + "1\r\nabc\r\n",
         "Line 14 is not a count: this is not a spectrum file of the configured layout."},
        {header + "-24.3 100\r\n",  // a raw file chosen by mistake
         "Line 13 is not a count: this is not a spectrum file of the configured layout."},
        {header + "1\r\n-24.3 100\r\n",
         "Line 14 is not a count: this is not a spectrum file of the configured layout."},
        {header + "1234567890123\r\n",
         "Line 13 is not a count: this is not a spectrum file of the configured layout."},
        {std::string(300, 'h') + "\r\n" + header,
         "Header line 1 is longer than a spectrum file's header line."},
        {header + std::string("1\r\n\0\r\n", 6), "The file holds binary data, not a spectrum."},
    };
    for (const auto& [bytes, problem] : cases) {
        EXPECT_EQ(spectrumFileProblem(bytes, layout), problem) << bytes.substr(header.size());
    }
}

}  // namespace
