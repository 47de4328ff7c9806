#pragma once

#include <cstdint>

// The window's operating state as the menu rules see it: independent flags, not one mode.
struct OperatingFlags {
    bool acquiring = false;
    bool observing = false;
    bool modified = false;
    bool viewerActive = false;
    bool detailedFitOpen = false;
    bool clientMode = false;
    bool clientControl = false;
    bool consoleHoldsControl = false;  // a console of our server took control
    bool serverRunning = false;
    bool networkEnabled = false;
    bool primary = true;
    bool marker1Shown = false;
    bool marker2Shown = false;
    std::uint16_t marker1Channel = 0;
    std::uint16_t marker2Channel = 0;
    std::uint16_t channels = 1024;
    bool sequenceRunning = false;
    bool gatheringThread = false;
    bool responseSelected = false;
    bool alignment = true;  // false: the controller is in alignment mode
    bool referenceMonitorOn = false;
    bool aboutOpen = false;
    bool fileFormatOpen = false;
    bool visualisationOpen = false;
    bool generalSetupOpen = false;

    bool bothMarkers() const { return marker1Shown && marker2Shown; }
    // Local commands are free unless a client without control, or a console holds control.
    bool free() const {
        return (!clientMode || clientControl) && (!consoleHoldsControl || !serverRunning);
    }
};
