#pragma once

#include "window/spectrum_view.h"

// The button states the window applies in one step on each transition of its operating state.
enum ControlSet {
    Acquiring = 0,
    Idle = 1,
    Observing = 2,
    ObservingStopped = 3,
    RemoteControlled = 4,
    RemoteReleased = 5,
    ClientLocked = 6,
    ClientReleased = 7,
    ViewerOpen = 9,
    ViewerClosed = 10,
    ClientRemoteIdle = 13,
    ClientRemoteAcquiring = 14,
    ClientRemoteObserving = 15,
    ClientCommandPending = 16,
};

struct ControlSetContext {
    bool primary = true;
    bool remoteHasScans = false;  // client mode: the mirrored spectrum has accumulated scans
};

// Sets 8, 11 and 12, and any number outside 0 … 16, change nothing.
void ApplyControlSet(int n, SpectrumView& view, const ControlSetContext& context = {});
