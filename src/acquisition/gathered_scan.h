#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "acquisition/instrument_state.h"
#include "platform/message.h"
#include "spectrum/kavro_spectrum.h"

// A complete frame as the gathering worker announced it with WM_GATHER_SCAN_READY: a copy made
// before posting, so the window always sees the frame that was announced.
struct GatheredScan {
    CKavroSpectrum scan;  // counts, channels and wavelength of the scan buffer
    ShutterMapEntries ShutterMap{};
    bool alignment = false;
    bool x10 = false;
    bool alt16 = false;
    float CyclesPerHourEstimate = kDefaultCyclesPerHour;
};

// The payload type of WM_GATHER_SCAN_READY. Shared read-only: every window in the broadcast
// gets the same copy, and a window may pass it on (to the linearity analysis) as it is.
using ScanReadyPayload = std::shared_ptr<const GatheredScan>;

inline const GatheredScan* gatheredScanOf(const Message& m) {
    const ScanReadyPayload* p = m.payloadAs<ScanReadyPayload>();
    return p ? p->get() : nullptr;
}

// The open spectrum windows as the gathering worker broadcasts to them.
class GatheringWindows {
public:
    struct Window {
        MessageSink* sink;
        bool visible;
    };
    virtual ~GatheringWindows() = default;
    // In list order, the primary window first. Called on the worker thread.
    virtual std::vector<Window> windowsForBroadcast() = 0;
};
