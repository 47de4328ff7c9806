#include <gtest/gtest.h>

#include <set>

#include "window/acquisition/menu_table.h"
#include "window/window_ids.h"

namespace {

OperatingFlags idle() {
    OperatingFlags f;
    f.primary = true;
    return f;
}

bool enabled(int id, const OperatingFlags& f) {
    return menuItemState(id, f).enabled;
}

}  // namespace

TEST(MenuRules, EveryMenuItemHasARuleOrIsAlwaysAvailable) {
    const std::set<int> alwaysAvailable{cmd::kZoomIn, cmd::kZoomOut, cmd::kSavePlotImage};
    std::set<int> ruled;
    for (int id : commandsWithRules()) {
        ruled.insert(id);
    }
    for (const Menu& menu : spectrumMenus()) {
        for (const MenuItem& item : menu.items) {
            if (item.id != 0) {
                EXPECT_TRUE(ruled.count(item.id) || alwaysAvailable.count(item.id)) << item.text;
            }
        }
    }
}

TEST(MenuRules, RunCommandsFollowTheModes) {
    OperatingFlags f = idle();
    EXPECT_EQ(menuItemState(cmd::kStartAcquisition, f).text, "Start acquisition");
    f.acquiring = true;
    // The menu keeps the older stations' spelling while the button reads "Stop acquisition".
    EXPECT_EQ(menuItemState(cmd::kStartAcquisition, f).text, "Stop aquisition");
    EXPECT_TRUE(enabled(cmd::kStartAcquisition, f));
    EXPECT_FALSE(enabled(cmd::kStartObservation, f));
    for (int id : {cmd::kNewSpectrum, cmd::kLoadSpectrum, cmd::kSaveAs, cmd::kExit,
                   cmd::kGeneralSetup, cmd::kMeasurementInformation}) {
        EXPECT_FALSE(enabled(id, f)) << id;
    }
    EXPECT_TRUE(enabled(cmd::kVisualisation, f));

    f = idle();
    f.observing = true;
    EXPECT_EQ(menuItemState(cmd::kStartObservation, f).text, "Stop observation");
    f.alignment = true;  // measurement mode
    EXPECT_FALSE(enabled(cmd::kLinearity, f));
    f.alignment = false;  // the controller switched to alignment during the observation
    EXPECT_TRUE(enabled(cmd::kLinearity, f));
    f.observing = false;
    EXPECT_FALSE(enabled(cmd::kLinearity, f));

    f = idle();
    f.primary = false;
    EXPECT_FALSE(enabled(cmd::kStartAcquisition, f));
    EXPECT_FALSE(enabled(cmd::kNetworkServer, f));
}

TEST(MenuRules, NetworkAndClientStates) {
    struct Case {
        const char* what;
        bool network, client, clientControl, server, consoleControl;
        bool load, acquisition, erase, fileFormat;
    };
    const Case cases[] = {
        {"local", false, false, false, false, false, true, true, true, true},
        {"network on", true, false, false, false, false, true, true, false, true},
        {"server running", true, false, false, true, false, true, true, false, false},
        {"console holds control", true, false, false, true, true, false, false, false, false},
        {"client without control", true, true, false, false, false, false, false, false, true},
        {"client with control", true, true, true, false, false, true, true, false, true},
    };
    for (const Case& c : cases) {
        OperatingFlags f = idle();
        f.networkEnabled = c.network;
        f.clientMode = c.client;
        f.clientControl = c.clientControl;
        f.serverRunning = c.server;
        f.consoleHoldsControl = c.consoleControl;
        EXPECT_EQ(enabled(cmd::kLoadSpectrum, f), c.load) << c.what;
        EXPECT_EQ(enabled(cmd::kNewSpectrum, f), c.load) << c.what;
        EXPECT_EQ(enabled(cmd::kResize, f), c.load) << c.what;
        EXPECT_EQ(enabled(cmd::kSumSubtract, f), c.load) << c.what;
        EXPECT_EQ(enabled(cmd::kStartAcquisition, f), c.acquisition) << c.what;
        EXPECT_EQ(enabled(cmd::kEraseBackups, f), c.erase) << c.what;
        EXPECT_EQ(enabled(cmd::kFileFormat, f), c.fileFormat) << c.what;
    }

    OperatingFlags f = idle();
    f.networkEnabled = true;
    f.serverRunning = true;
    EXPECT_EQ(menuItemState(cmd::kNetworkServer, f).text, "Stop network server");
    EXPECT_FALSE(enabled(cmd::kConnectToServer, f));
    f.serverRunning = false;
    f.clientMode = true;
    EXPECT_EQ(menuItemState(cmd::kConnectToServer, f).text, "Terminate connection");
    EXPECT_TRUE(enabled(cmd::kConnectToServer, f));
    EXPECT_TRUE(enabled(cmd::kChat, f));
}

TEST(MenuRules, MarkerAndResponseCommands) {
    OperatingFlags f = idle();
    EXPECT_FALSE(enabled(cmd::kSaveZone, f));
    EXPECT_FALSE(enabled(cmd::kSelectResponse, f));
    f.marker1Shown = f.marker2Shown = true;
    f.marker1Channel = 0;
    f.marker2Channel = 300;
    EXPECT_TRUE(enabled(cmd::kSaveZone, f));
    EXPECT_FALSE(enabled(cmd::kCalibrate, f)) << "a marker at channel 0";
    f.marker1Channel = 100;
    EXPECT_TRUE(enabled(cmd::kCalibrate, f));
    f.channels = 256;
    EXPECT_FALSE(enabled(cmd::kTrim, f)) << "a marker beyond the spectrum";

    EXPECT_EQ(menuItemState(cmd::kSelectResponse, f).text, "Select instrumental response");
    f.responseSelected = true;
    MenuItemState s = menuItemState(cmd::kSelectResponse, f);
    EXPECT_TRUE(s.checked);
    EXPECT_EQ(s.text, "Replace instrumental response");
    f.marker2Shown = false;
    EXPECT_EQ(menuItemState(cmd::kSelectResponse, f).text, "Discard instrumental response");
    f.acquiring = true;  // disabled: the plain text again, still checked
    s = menuItemState(cmd::kSelectResponse, f);
    EXPECT_FALSE(s.enabled);
    EXPECT_TRUE(s.checked);
    EXPECT_EQ(s.text, "Select instrumental response");

    f = idle();
    f.gatheringThread = true;
    f.referenceMonitorOn = true;
    s = menuItemState(cmd::kReferenceMonitor, f);
    EXPECT_TRUE(s.checked);
    EXPECT_EQ(s.text, "Stop reference intensity monitor");
}
