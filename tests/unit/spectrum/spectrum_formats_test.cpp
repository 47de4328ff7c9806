#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "spectrum/kavro_spectrum.h"

// Expected bytes live in hand-written fixture files with CR LF line ends.

namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(KAVRO_SPECTRUM_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string lines(const std::string& text, int count, const char* end = "\r\n") {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += text + end;
    }
    return out;
}

std::string numbered(int from, int count, const char* end = "\r\n") {
    std::string out;
    for (int i = from; i < from + count; ++i) {
        out += std::to_string(i) + end;
    }
    return out;
}

CKavroSpectrum failsafeRecord() {
    CKavroSpectrum s;
    s.SetChannels(256);
    for (int i = 0; i < 256; ++i) {
        s.counts[i] = 3u * i;
    }
    s.counts[10] = 4294967295u;
    s.sampleName = "quartz 2mm";
    s.scanCount = 1200;
    s.setExtraComment1("first comment");
    s.wavelength = 532;
    s.polarization = "VV";
    s.beamPower = -3;
    s.mirrorSpacing = 6.5;
    s.channelTime = 0.00005;
    s.scanAmplitude = 50;
    s.setExtraComment2("second comment");
    return s;
}

// Free comment 1 on line 1, wavelength and scan number sharing line 2, polarization on 4,
// sample name on 5, mirror spacing on 6, eight header lines.
FileStructure oddStructure() {
    FileStructure fs;
    fs.ncomlines = 9;
    fs.enabled = {true, false, true, true, false, true, false, false, true, true, false};
    fs.lines = {1, 10, 6, 4, 6, 5, 9, 8, 2, 2, 11};
    fs.freecomment1 = "KAVRO station 2";
    return fs;
}

FileStructure everyLineTaken() {
    FileStructure fs;
    fs.ncomlines = 11;
    fs.enabled = {true, true, true, true, true, true, true, true, true, true, false};
    fs.lines = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    fs.freecomment1 = "c1";
    fs.freecomment2 = "c2";
    return fs;
}

CKavroSpectrum readSpectrum(const std::string& bytes, const FileStructure& fs = {}) {
    CKavroSpectrum s;
    s.ReadFromFile(bytes, fs);
    return s;
}

const std::string kFailsafeHeader = lines("", 12);

}  // namespace

TEST(SpectrumFile, FailsafeWriteMatchesFixture) {
    std::string out = "kept ";
    failsafeRecord().WriteToFile(out, FileStructure{});
    EXPECT_EQ(out, "kept " + fixture("failsafe.dat")) << "writer appends";
}

TEST(SpectrumFile, ConsoleTextUsesTwoColumnPolarization) {
    std::string expected = fixture("failsafe.dat");
    const std::string wide = "Polarization :  VV\r\n";
    expected.replace(expected.find(wide), wide.size(), "Polarization : VV\r\n");

    std::string text = "old contents";
    failsafeRecord().WriteToText(text, FileStructure{});
    EXPECT_EQ(text, expected);
}

TEST(SpectrumFile, FailsafeReadRestoresRecordWithItsQuirks) {
    CKavroSpectrum s;
    s.freeComment1 = "untouched: kind disabled";
    s.ReadFromFile(fixture("failsafe.dat"), FileStructure{});

    EXPECT_EQ(s.sampleName, "quartz 2mm");
    EXPECT_EQ(s.scanCount, 1200);
    EXPECT_EQ(s.extraComment1(), "first comment");
    EXPECT_EQ(s.extraComment2(), "second comment");
    EXPECT_EQ(s.wavelength, 532);
    EXPECT_EQ(s.polarization, "VV");
    EXPECT_EQ(s.beamPower, 0) << "minus sign is not read";
    EXPECT_EQ(s.mirrorSpacing, 6.5);
    EXPECT_EQ(s.channelTime, 5) << "exponent is not read";
    EXPECT_EQ(s.scanAmplitude, 50);
    EXPECT_EQ(s.freeComment1, "untouched: kind disabled");
    EXPECT_EQ(s.headerLines[1], "Sample : quartz 2mm\n");
    EXPECT_EQ(s.headerLines[11], "\n");

    ASSERT_EQ(s.channels, 256);
    ASSERT_EQ(s.counts.size(), 256u);
    CKavroSpectrum original = failsafeRecord();
    original.counts[10] = 2147483647u;  // beyond it saturates
    EXPECT_EQ(s.counts, original.counts);
}

TEST(SpectrumFile, OddStructureRoundTrip) {
    CKavroSpectrum s;
    s.SetChannels(256);
    std::fill(s.counts.begin(), s.counts.end(), 7u);
    s.wavelength = 488;
    s.scanCount = 77;
    s.polarization = "";
    s.sampleName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678";
    s.mirrorSpacing = 1234567;
    s.beamPower = 12;  // kind disabled: neither written nor read
    s.setExtraComment1("");
    s.setExtraComment2("after empty");

    std::string out;
    s.WriteToFile(out, oddStructure());
    ASSERT_EQ(out, fixture("odd_structure.dat"));

    CKavroSpectrum r;
    r.beamPower = 3;
    r.ReadFromFile(out, oddStructure());
    EXPECT_EQ(r.freeComment1, "KAVRO station 2\n") << "the whole line";
    EXPECT_EQ(r.scanCount, 77);
    EXPECT_EQ(r.wavelength, 77) << "both kinds read the shared line";
    EXPECT_EQ(r.polarization, "");
    EXPECT_EQ(r.sampleName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123") << "39-character slot minus label";
    EXPECT_EQ(r.mirrorSpacing, 1.23457);
    EXPECT_EQ(r.beamPower, 3);
    EXPECT_EQ(r.extraComment1(), "");
    EXPECT_EQ(r.extraComment2(), "after empty");
    EXPECT_EQ(r.counts, s.counts);
}

TEST(SpectrumFile, SampleNameKeepsThirtyCharacters) {
    FileStructure fs;
    CKavroSpectrum s = failsafeRecord();
    s.sampleName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678";  // 35
    std::string out;
    s.WriteToFile(out, fs);
    EXPECT_EQ(readSpectrum(out, fs).sampleName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
}

TEST(SpectrumFile, EveryLineTakenLeavesNoRoomForExtraComments) {
    CKavroSpectrum s;
    s.SetChannels(1024);
    for (int i = 0; i < 1024; ++i) {
        s.counts[i] = 1023u - i;
    }
    s.mirrorSpacing = 6.5;
    s.polarization = "HV";
    s.beamPower = 0.5;
    s.sampleName = "s";
    s.scanAmplitude = 33.3;
    s.channelTime = 0.0001;  // the smallest value still written without exponent
    s.wavelength = 514.5;
    s.scanCount = 0;
    s.setExtraComment1("x");
    s.setExtraComment2("y");

    std::string out;
    s.WriteToFile(out, everyLineTaken());
    ASSERT_EQ(out, fixture("every_line_taken.dat"));

    CKavroSpectrum r;
    r.setExtraComment1("stale");
    r.ReadFromFile(out, everyLineTaken());
    EXPECT_EQ(r.extraComment1(), "");
    EXPECT_EQ(r.extraComment2(), "");
    EXPECT_EQ(r.freeComment1, "c1\n");
    EXPECT_EQ(r.freeComment2, "c2\n");
    EXPECT_EQ(r.polarization, "HV");
    EXPECT_EQ(r.scanAmplitude, 33.3);
    EXPECT_EQ(r.channelTime, 0.0001);
    EXPECT_EQ(r.wavelength, 514.5);
    EXPECT_EQ(r.channels, 1024);
    EXPECT_EQ(r.counts, s.counts);
}

TEST(SpectrumFile, EmptyFreeCommentHandsItsLineToAnExtraComment) {
    FileStructure fs = everyLineTaken();
    fs.freecomment1 = "";
    CKavroSpectrum s;
    s.SetChannels(256);
    s.setExtraComment1("x");
    std::string out;
    s.WriteToFile(out, fs);
    EXPECT_EQ(out.substr(0, 7), "x\r\nc2\r\n");
}

TEST(SpectrumFile, AcquisitionTimeLineIsTakenOnlyWhenReading) {
    FileStructure fs;
    fs.enabled[FileStructure::kAcquisitionTime] = true;
    fs.lines[FileStructure::kAcquisitionTime] = 3;
    CKavroSpectrum s = failsafeRecord();
    std::string out;
    s.WriteToFile(out, fs);
    EXPECT_EQ(out, fixture("failsafe.dat")) << "never written";
    CKavroSpectrum r = readSpectrum(out, fs);
    EXPECT_EQ(r.extraComment1(), "second comment");
    EXPECT_EQ(r.extraComment2(), "");
}

TEST(SpectrumFile, HeaderRules) {
    // One header line, read with the power kind on it, or the polarization, sample name or
    // scan number kind.
    struct Case {
        FileStructure::Kind kind;
        std::string line;
        double number;
        std::string text;
    };
    const Case cases[] = {
        {FileStructure::kBeamPower, "Power: 2.5", 2.5, ""},
        {FileStructure::kBeamPower, "Power: 1,5", 1, ""},
        {FileStructure::kBeamPower, "Power: 2.5e3", 2.5, ""},
        {FileStructure::kBeamPower, "Power:2.5", 0, "the character before the digit is ':'"},
        {FileStructure::kBeamPower, "5 mW", 0, "position 0 is not searched"},
        {FileStructure::kBeamPower, "x5 mW", 0, "the x before the digit"},
        {FileStructure::kBeamPower, "x 5 mW", 5, ""},
        {FileStructure::kBeamPower, "Power: .5", 0.5, ""},
        {FileStructure::kBeamPower, "Power: none", 0, ""},
        {FileStructure::kBeamPower, "Power: 1 2", 1, ""},
        {FileStructure::kBeamPower, std::string(39, ' ') + "7", 0, "beyond the slot"},
        {FileStructure::kScanNumber, "Scan number: 12.9", 12, ""},
        {FileStructure::kScanNumber, "Scan number: 99999999999", 2147483647, ""},
        {FileStructure::kScanNumber, "Scan number: -4", 0, ""},
        {FileStructure::kPolarization, "Polarization : vh  ", 0, "vh"},
        {FileStructure::kPolarization, "Polarization : HVX", 0, "HV"},
        {FileStructure::kPolarization, "Polarization :  V V", 0, "V"},
        {FileStructure::kPolarization, "Polarization : XV", 0, ""},
        {FileStructure::kPolarization, "Polarization:VV", 0, ""},
        {FileStructure::kPolarization, "UV", 0, "UV"},
        {FileStructure::kSampleName, "Name:    abc", 0, "abc"},
        {FileStructure::kSampleName, "Sample :", 0, ""},
        {FileStructure::kSampleName, std::string("Sample : ab\0cd", 14), 0, "ab"},
    };
    for (const Case& c : cases) {
        FileStructure fs;
        fs.ncomlines = 2;
        fs.enabled.fill(false);
        fs.enabled[c.kind] = true;
        fs.lines[c.kind] = 1;
        CKavroSpectrum s;
        s.polarization = "??";
        s.sampleName = "??";
        s.ReadFromFile(c.line + "\r\n", fs);
        switch (c.kind) {
            case FileStructure::kBeamPower:
                EXPECT_EQ(s.beamPower, c.number) << c.line << " " << c.text;
                break;
            case FileStructure::kScanNumber:
                EXPECT_EQ(s.scanCount, c.number) << c.line;
                break;
            case FileStructure::kPolarization:
                EXPECT_EQ(s.polarization, c.text) << c.line;
                break;
            default:
                EXPECT_EQ(s.sampleName, c.text) << c.line;
                break;
        }
    }
}

TEST(SpectrumFile, KindOutsideTheHeaderReadsEmpty) {
    FileStructure fs;
    fs.lines[FileStructure::kWavelength] = 0;
    fs.lines[FileStructure::kSampleName] = 15;
    CKavroSpectrum s;
    s.wavelength = 1;
    s.sampleName = "x";
    s.ReadFromFile(lines("Sample : 42", 12) + numbered(0, 256), fs);
    EXPECT_EQ(s.wavelength, 0);
    EXPECT_EQ(s.sampleName, "");
}

TEST(SpectrumFile, DataBlocks) {
    struct Case {
        std::string data;
        int channels;
        const char* what;
    };
    const Case cases[] = {
        {numbered(0, 256), 256, "exactly 256 lines"},
        {numbered(0, 256) + "7\r\n8\r\n9\r\n", 256, "9 bytes left"},
        {numbered(0, 256) + "7\r\n8\r\n9\r\n0", 256, "10 bytes left"},
        {numbered(0, 256) + "7\r\n8\r\n9\r\n10", 512, "11 bytes left, CRs counted"},
        {numbered(0, 256, "\n") + "7\n8\n9\n10\n", 256, "the same lines with LF"},
        {numbered(0, 300, "\n"), 512, "300 LF lines"},
        {numbered(0, 512) + "1\r\n2\r\n3\r\n45", 1024, "512 + 11 bytes"},
        {numbered(0, 512) + "1\r\n2\r\n3\r\n", 512, ""},
        {numbered(0, 2000), 1024, "the rest is ignored"},
        {"", 256, "empty"},
    };
    for (const Case& c : cases) {
        CKavroSpectrum s = readSpectrum(kFailsafeHeader + c.data);
        EXPECT_EQ(s.channels, c.channels) << c.what;
        EXPECT_EQ(s.counts.size(), static_cast<std::size_t>(c.channels)) << c.what;
    }

    CKavroSpectrum s = readSpectrum(kFailsafeHeader + numbered(0, 300, "\n"));
    EXPECT_EQ(s.counts[299], 299u);
    EXPECT_EQ(s.counts[300], 299u) << "the last value repeats";
    EXPECT_EQ(s.counts[511], 299u);
}

TEST(SpectrumFile, ValueLines) {
    struct Case {
        std::string data;
        std::vector<std::uint32_t> first;
    };
    const Case cases[] = {
        {"  42\r\n+5\r\nabc\r\n\r\n12x\r\n", {42, 5, 0, 0, 12}},
        {"4294967295\r\n2147483647\r\n", {2147483647, 2147483647}},
        {"-5\r\n", {4294967291u}},
        // At most 13 characters a line: the rest is the next line.
        {"12345678901234567890\r\n1\r\n", {2147483647, 4567890, 1}},
        {"1234567890123\r\n1\r\n", {2147483647, 0, 1}},
        {"123456789012\r\n1\r\n", {2147483647, 1}},
        {std::string("12\0 34\r\n5\r\n", 11), {12, 5}},
        {"1\r2\r\n3\n", {1, 3}},
    };
    for (const Case& c : cases) {
        CKavroSpectrum s = readSpectrum(kFailsafeHeader + c.data);
        ASSERT_EQ(s.channels, 256);
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            EXPECT_EQ(s.counts[i], c.first[i]) << c.data << " line " << i;
        }
    }
}

TEST(SpectrumFile, ShortAndBrokenFiles) {
    // Ending in the header: the lines read are kept, the counts are zero.
    CKavroSpectrum s = failsafeRecord();
    s.ReadFromFile("Sample : cut\r\nScan number: 5", FileStructure{});
    EXPECT_EQ(s.sampleName, "cut");
    EXPECT_EQ(s.scanCount, 5);
    EXPECT_EQ(s.wavelength, 0);
    EXPECT_EQ(s.channels, 256);
    EXPECT_EQ(s.counts, std::vector<std::uint32_t>(256, 0));

    // A header line longer than 255 characters shifts the rest of the file by a line.
    const std::string longLine = "Sample : " + std::string(300, 'x');
    s = readSpectrum(longLine + "\r\n" + lines("", 11) + "5\r\n" + numbered(100, 255));
    EXPECT_EQ(s.sampleName, std::string(30, 'x'));
    EXPECT_EQ(s.headerLines[2], std::string(39, 'x'));
    EXPECT_EQ(s.counts[0], 0u) << "the last empty header line";
    EXPECT_EQ(s.counts[1], 5u);

    // No header at all.
    FileStructure none;
    none.ncomlines = 0;
    s = failsafeRecord();
    s.ReadFromFile(numbered(1, 256), none);
    EXPECT_EQ(s.counts[0], 1u);
    EXPECT_EQ(s.extraComment1(), "");
    EXPECT_EQ(s.sampleName, "") << "its line lies beyond the header";

    // More header lines than slots: no more than 17 are used.
    FileStructure wide;
    wide.ncomlines = 30;
    s = failsafeRecord();
    std::string out;
    s.WriteToFile(out, wide);
    const std::string file = fixture("failsafe.dat");
    const std::size_t data = file.find("0\r\n3\r\n");
    EXPECT_EQ(out, file.substr(0, data) + lines("", 5) + file.substr(data));
    EXPECT_EQ(readSpectrum(out, wide).counts, readSpectrum(fixture("failsafe.dat")).counts);
}

TEST(RawFile, FixedPointMatchesFixtures) {
    CKavroSpectrum s;
    s.SetChannels(256);
    for (int i = 0; i < 256; ++i) {
        s.counts[i] = i;
    }
    s.counts[200] = 4294967295u;  // printed signed
    for (double amplitude : {0.0, -5.0}) {
        s.scanAmplitude = amplitude;
        std::string out;
        s.WriteRawToFile(out);
        EXPECT_EQ(out, fixture("raw_fixed_zero_amplitude.txt")) << amplitude;
    }

    for (int i = 0; i < 256; ++i) {
        s.counts[i] = 2u * i;
    }
    s.scanAmplitude = 255;
    std::string out = "kept\r\n";
    s.WriteRawToFile(out);
    EXPECT_EQ(out, "kept\r\n" + fixture("raw_fixed_1ghz.txt"));
    EXPECT_NE(out.find("\r\n0.000000 256\r\n"), std::string::npos) << "centre channel";

    CKavroSpectrum unset;
    unset.counts.assign(512, 1);
    out.clear();
    unset.WriteRawToFile(out);
    EXPECT_EQ(unset.channels, 512) << "channels taken from the element count";
}

TEST(RawFile, GeneralFormatZones) {
    CKavroSpectrum s;
    s.SetChannels(1024);
    for (int i = 0; i < 1024; ++i) {
        s.counts[i] = i;
    }
    s.scanAmplitude = 50;
    std::string out;
    s.WriteRawGeneralToFile(out, 510, 514);
    EXPECT_EQ(out, fixture("raw_zone_amplitude_50.txt"));

    s.scanAmplitude = 0.0001;
    out.clear();
    s.WriteRawGeneralToFile(out, 0, 1);
    EXPECT_EQ(out, fixture("raw_zone_amplitude_1e-4.txt"));

    out.clear();
    s.WriteRawGeneralToFile(out, 1023, 5000);
    EXPECT_EQ(out, "4.99511E-05 1023\r\n") << "a range past the end stops at the last channel";
    out.clear();
    s.WriteRawGeneralToFile(out, 9, 8);
    EXPECT_EQ(out, "");
    s.scanAmplitude = 0;
    out.clear();
    s.WriteRawGeneralToFile(out, 511, 512);
    EXPECT_EQ(out, "-0 511\r\n0 512\r\n");
}

TEST(RawFile, WholeSpectrumRoundTrip) {
    CKavroSpectrum s;
    s.SetChannels(1024);
    for (int i = 0; i < 1024; ++i) {
        s.counts[i] = 5u * i;
    }
    s.counts[3] = 4294967295u;
    s.scanAmplitude = 50;
    std::string out;
    s.WriteRawGeneralToFile(out);
    EXPECT_EQ(out.substr(0, 12), "-25.0244 0\r\n");

    CKavroSpectrum r;
    r.sampleName = "gone";
    r.scanCount = 4;
    r.wavelength = 532;
    ASSERT_TRUE(r.ReadRawFromFile(out));
    EXPECT_EQ(r.channels, 1024);
    EXPECT_DOUBLE_EQ(r.scanAmplitude, 50.0488);
    EXPECT_EQ(r.counts, s.counts);
    EXPECT_EQ(r.sampleName, "");
    EXPECT_EQ(r.scanCount, 0);
    EXPECT_EQ(r.wavelength, 532);

    CKavroSpectrum fixed;
    ASSERT_TRUE(fixed.ReadRawFromFile(fixture("raw_fixed_1ghz.txt")));
    EXPECT_EQ(fixed.channels, 256);
    EXPECT_EQ(fixed.scanAmplitude, 256);
    EXPECT_EQ(fixed.counts[255], 510u);
}

TEST(RawFile, LineCountGivesChannels) {
    struct Case {
        int lines;
        int channels;
    };
    for (Case c : {Case{1, 256}, Case{269, 256}, Case{270, 512}, Case{999, 512}, Case{1000, 1024},
                   Case{1024, 1024}, Case{1500, 1024}}) {
        std::string file;
        for (int i = 0; i < c.lines; ++i) {
            file += "0.5 " + std::to_string(i + 1) + "\n";
        }
        CKavroSpectrum s;
        ASSERT_TRUE(s.ReadRawFromFile(file));
        ASSERT_EQ(s.channels, c.channels) << c.lines;
        ASSERT_EQ(s.counts.size(), static_cast<std::size_t>(c.channels));
        EXPECT_EQ(s.scanAmplitude, -1);
        const int stored = std::min(c.lines, c.channels);
        EXPECT_EQ(s.counts[stored - 1], static_cast<std::uint32_t>(stored)) << c.lines;
        if (stored < c.channels) {
            EXPECT_EQ(s.counts[stored], 0u) << "cleared past the last line";
        }
    }
}

TEST(RawFile, LinesThatDoNotParse) {
    CKavroSpectrum s;
    ASSERT_TRUE(s.ReadRawFromFile(
        "-12.5 100\r\nabc\r\n3.0\r\n  +4 \t-7\r\n7 8 9\r\n1e400 5\r\n \r\n9x10\r\n\r\n11 11\r\n"));
    EXPECT_EQ(s.scanAmplitude, 25);
    EXPECT_EQ(s.channels, 256);
    const std::vector<std::uint32_t> expected = {100, 100, 100, 4294967289u, 8, 8, 8, 8, 0};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(s.counts[i], expected[i]) << "line " << i;
    }

    ASSERT_TRUE(s.ReadRawFromFile("1 99999999999\n2 -99999999999"));
    EXPECT_EQ(s.counts[0], 2147483647u);
    EXPECT_EQ(s.counts[1], 2147483648u);
}

TEST(RawFile, RefusedFilesChangeNothing) {
    CKavroSpectrum s;
    s.SetChannels(512);
    s.counts[1] = 17;
    s.scanAmplitude = 30;
    s.sampleName = "kept";
    for (const std::string& bad :
         {std::string(), std::string("\r\n5 5\r\n"), std::string("abc 5\n"),
          std::string("1.5\n2 3\n"), std::string("\0 1 2", 5)}) {
        EXPECT_FALSE(s.ReadRawFromFile(bad));
        EXPECT_EQ(s.channels, 512);
        EXPECT_EQ(s.counts.size(), 512u);
        EXPECT_EQ(s.counts[1], 17u);
        EXPECT_EQ(s.scanAmplitude, 30);
        EXPECT_EQ(s.sampleName, "kept");
    }
}

TEST(SpectrumFile, WriterKeepsEveryTextOnItsLine) {
    CKavroSpectrum s = failsafeRecord();
    s.sampleName = "two\nlines";
    s.polarization = "VVH";
    s.setExtraComment1(std::string(45, 'e'));
    std::string out;
    s.WriteToFile(out, FileStructure{});
    EXPECT_EQ(out.substr(0, out.find("Wavelength")),
              "Sample : two\r\nScan number: 1200\r\n" + std::string(40, 'e') + "\r\n");
    EXPECT_NE(out.find("\r\nPolarization :  VV\r\n"), std::string::npos);
    CKavroSpectrum r = readSpectrum(out);
    EXPECT_EQ(r.counts, readSpectrum(fixture("failsafe.dat")).counts) << "data not shifted";
}
