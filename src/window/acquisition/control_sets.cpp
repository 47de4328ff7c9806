#include "window/acquisition/control_sets.h"

#include <initializer_list>
#include <vector>

#include "window/captions.h"
#include "window/window_ids.h"

namespace {

struct Caption {
    int id;
    const char* text;
};

struct Row {
    int n;
    std::vector<int> enable = {};
    std::vector<int> disable = {};
    std::vector<Caption> captions = {};
    bool progressToZero = false;
};

using namespace ctl;

const std::vector<Row>& rows() {
    static const std::vector<Row> table{
        {Acquiring,
         {},
         {kObserve, kExit, kCycles, kDelete, kInformation, kLoad, kSave, kAcquisition},
         {{kAcquisition, caption::kStopAcquisition}}},
        {Idle,
         {kExit, kCycles, kDelete, kInformation, kLoad, kSave, kObserve, kAcquisition},
         {},
         {},
         true},
        {Observing,
         {},
         {kAcquisition, kExit, kCycles, kDelete, kInformation, kLoad, kSave, kObserve, kMark1,
          kMark2}},
        {ObservingStopped,
         {kExit, kAcquisition, kCycles, kDelete, kInformation, kLoad, kSave, kObserve, kMark1,
          kMark2},
         {}},
        {RemoteControlled, {kExit}, {kAcquisition, kCycles, kDelete, kLoad, kObserve}},
        {RemoteReleased, {kAcquisition, kCycles, kDelete, kLoad, kObserve}, {}},
        {ClientLocked,
         {},
         {kAcquisition, kCycles, kDelete, kInformation, kLoad, kObserve, kMark1, kMark2}},
        {ClientReleased,
         {kAcquisition, kCycles, kDelete, kInformation, kLoad, kObserve, kMark1, kMark2},
         {}},
        {ViewerOpen,
         {},
         {kExit, kCycles, kDelete, kInformation, kLoad, kSave, kMark1, kMark2, kAcquisition,
          kObserve}},
        {ViewerClosed,
         {kExit, kCycles, kDelete, kInformation, kLoad, kSave, kMark1, kMark2, kZoomIn},
         {}},
        {ClientRemoteIdle,
         {kAcquisition, kCycles, kObserve, kDelete},
         {},
         {{kObserve, caption::kObserve}}},
        {ClientRemoteAcquiring,
         {kAcquisition},
         {kCycles, kObserve},
         {{kAcquisition, caption::kStopAcquisition}}},
        {ClientRemoteObserving,
         {kCycles, kObserve},
         {kAcquisition},
         {{kObserve, caption::kStopObserving}}},
        {ClientCommandPending, {}, {kAcquisition, kObserve, kDelete}},
    };
    return table;
}

}  // namespace

void ApplyControlSet(int n, SpectrumView& view, const ControlSetContext& context) {
    for (const Row& row : rows()) {
        if (row.n != n) {
            continue;
        }
        for (int id : row.enable) {
            view.setControlEnabled(id, true);
        }
        for (int id : row.disable) {
            view.setControlEnabled(id, false);
        }
        for (const Caption& c : row.captions) {
            view.setControlText(c.id, c.text);
        }
        if (row.progressToZero) {
            view.setProgress(0);
        }
        if (n == ViewerClosed && context.primary) {
            view.setControlEnabled(kAcquisition, true);
            view.setControlEnabled(kObserve, true);
        }
        if (n == ClientRemoteIdle) {
            view.setControlText(kAcquisition, context.remoteHasScans ? caption::kResumeAcquisition
                                                                     : caption::kStartAcquisition);
        }
        return;
    }
}
