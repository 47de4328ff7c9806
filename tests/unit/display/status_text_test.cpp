#include <gtest/gtest.h>

#include <string>

#include "display/status_text.h"

namespace {

TEST(StatusText, FileNameIsCutTo25Characters) {
    LocalStatus s;
    s.fileName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123.DAT";
    EXPECT_EQ(LocalStatusLine(s), " File : ABCDEFGHIJKLMNOPQRSTUVWXY - UNCHANGED - PROGRAM IDLE ");
    s.fileName.clear();
    s.multipleViewer = true;
    EXPECT_EQ(LocalStatusLine(s), "File : <NONAME> - UNCHANGED - MULTIPLE VIEWER ");
}

TEST(StatusText, FlagsAndObservation) {
    LocalStatus s;
    s.fileName = "<NONAME>";
    s.modified = true;
    s.calibrated = true;
    s.alignment = false;
    s.observing = true;
    s.alt16 = true;
    s.x10 = true;
    EXPECT_EQ(LocalStatusLine(s),
              " File : <NONAME> - MODIFIED - CALIBRATED -  ALIGNMENT - OBSERVING (alt16) (x10)");
}

TEST(StatusText, RemainingTime) {
    EXPECT_EQ(CycleText(5625, 100, 1024, kNominalCyclesPerHour, false),
              "cycles 100 of 5625 @1024 chns - left :  0 hrs 58 min 56 s");
    EXPECT_EQ(CycleText(5625, 100, 1024, kNominalCyclesPerHour, true),
              "cycles 100 of 5625 @1024 chns - left :  0 hrs 29 min 28 s");
    EXPECT_EQ(CycleText(5625, 0, 512, kNominalCyclesPerHour, false),
              "cycles 0 of 5625 @512 chns - left :  1 hrs  0 min  0 s");
    EXPECT_EQ(CycleText(2, 0, 256, 0.0f, false),  // no measured rate: 1 cycle per hour
              "cycles 0 of 2 @256 chns - left :  2 hrs  0 min  0 s");
    EXPECT_EQ(CycleText(0, 12, 1024, kNominalCyclesPerHour, false),
              "cycles 12 of <infinite> @1024 chns");
}

TEST(StatusText, AcquisitionLine) {
    LocalStatus s;
    s.fileName = "RUN.DAT";
    s.modified = true;
    s.acquiring = true;
    s.cycleField = 5625;
    s.runCycles = 100;
    s.displayedChannels = 1024;
    s.alt16 = true;
    EXPECT_EQ(LocalStatusLine(s),
              " File : RUN.DAT - MODIFIED - ACQUIRING (alt16) cycles 100 of 5625 @1024 chns - "
              "left :  0 hrs 29 min 28 s");
    s.alt16 = false;
    s.x10 = true;
    s.cyclesPerHourEstimate = 562.5f;  // x10 uses the measured rate
    EXPECT_EQ(LocalStatusLine(s),
              " File : RUN.DAT - MODIFIED - ACQUIRING (x10) cycles 100 of 5625 @1024 chns - "
              "left :  9 hrs 49 min 20 s");
    s.observeButtonEnabled = true;  // a local acquisition with Observe enabled says no more
    EXPECT_EQ(LocalStatusLine(s), " File : RUN.DAT - MODIFIED - ");
}

TEST(StatusText, ClientLine) {
    ClientStatus c;
    c.serverAddress = "192.168.1.20";
    c.control = true;
    EXPECT_EQ(ClientStatusLine(c),
              "Connected to 192.168.1.20 (control) - UNCHANGED - PROGRAM IDLE ");

    c.control = false;
    c.modified = true;
    c.calibrated = true;
    c.statusBits = 2 | 4 | 8 | 16;  // acquiring, alt16, x10, alignment mode
    c.cycleField = 5625;
    c.currentCycle = 100;
    c.channels = 512;
    // Remote time is always at the nominal rate and never halved.
    EXPECT_EQ(ClientStatusLine(c),
              "Connected to 192.168.1.20 - MODIFIED - CALIBRATED -  ALIGNMENT - ACQUIRING (alt16) "
              "(x10) cycles 100 of 5625 @512 chns - left :  0 hrs 58 min 56 s");
    c.statusBits = 1 | 8;
    c.modified = false;
    c.calibrated = false;
    EXPECT_EQ(ClientStatusLine(c), "Connected to 192.168.1.20 - UNCHANGED - OBSERVING (x10)");
}

TEST(StatusText, BackupLineAndTitles) {
    EXPECT_EQ(BackupLine(true, "BCK1000.DAT", 1000),
              "Last backup on file BCK1000.DAT at 1000 cycles");
    EXPECT_EQ(BackupLine(true, "<none>", 0), "");
    EXPECT_EQ(BackupLine(false, "BCK1000.DAT", 1000), "");
    EXPECT_EQ(SpectrumFileTitle("A.DAT"), "Spectrum window - A.DAT ");
    EXPECT_EQ(RawDataTitle("A.RAW"), "Spectrum window - A.RAW");
    EXPECT_STREQ(kInitialTitle, "KAVRO");
    EXPECT_STREQ(kDeletedSpectrumTitle, "Spectrum window");
}

}  // namespace
