#include "window/acquisition/menu_table.h"

#include <algorithm>
#include <functional>

#include "window/window_ids.h"

const std::vector<Menu>& spectrumMenus() {
    static const std::vector<Menu> menus{
        {"File",
         {{cmd::kNewSpectrum, "New spectrum (delete)"},
          {cmd::kLoadSpectrum, "Load spectrum ..."},
          {cmd::kSaveOverwrite, "Save spectrum (overwrite)"},
          {cmd::kSaveAs, "Save spectrum as ..."},
          {0, ""},
          {cmd::kLoadRaw, "Load raw data ..."},
          {cmd::kSaveRaw, "Save raw data as ..."},
          {cmd::kConvertToRaw, "Convert multiple files to raw format ..."},
          {0, ""},
          {cmd::kExit, "Exit"}}},
        {"Spectrum",
         {{cmd::kStartAcquisition, "Start acquisition"},
          {cmd::kStartObservation, "Start observation"},
          {cmd::kAutomatedMode, "Automated mode acquisition ..."},
          {cmd::kReferenceMonitor, "Start reference intensity monitor ..."},
          {0, ""},
          {cmd::kMeasurementInformation, "View/edit measurement information ..."},
          {cmd::kSumSubtract, "Sum/subtract spectra..."},
          {cmd::kSaveZone, "Save zone"},
          {cmd::kResize, "Resize ..."}}},
        {"View",
         {{cmd::kZoomIn, "Zoom in"},
          {cmd::kZoomOut, "Zoom out"},
          {cmd::kZoomAuto, "Zoom auto"},
          {cmd::kMultipleViewer, "Multiple viewer ..."},
          {0, nullptr},
          {cmd::kSavePlotImage, "Save plot as image ..."}}},
        {"Analysis",
         {{cmd::kTrim, "Trim spectrum "},
          {cmd::kInvert, "Invert spectrum"},
          {cmd::kCalibrate, "Calibrate"},
          {cmd::kQuickCalibration, "Quick calibration using scan range ..."},
          {0, ""},
          {cmd::kQuickFit, "DHO quick fit ..."},
          {cmd::kDetailedFit, "Detailed data fit ..."},
          {0, ""},
          {cmd::kSelectResponse, "Select instrumental response"},
          {cmd::kLoadResponse, "Load instrumental response ..."},
          {cmd::kSaveResponse, "Save instrumental response ..."},
          {0, ""},
          {cmd::kStatistics, "Calculate spectrum statistics"},
          {cmd::kLinearity, "Linearity analisys ..."}}},
        {"Setup",
         {{cmd::kGeneralSetup, "General configuration ..."},
          {cmd::kFileFormat, "File format configuration ..."},
          {cmd::kVisualisation, "Visualisation configuration ..."},
          {0, ""},
          {cmd::kEraseBackups, "Erase all backup files"},
          {0, ""},
          {cmd::kNetworkServer, "Start network server"},
          {cmd::kServerStatus, "Network server status ..."},
          {cmd::kConnectToServer, "Connect to server ..."},
          {cmd::kChat, "Send chat message to server ..."},
          {0, ""},
          {cmd::kAbout, "About KAVRO ..."}}},
    };
    return menus;
}

namespace {

using F = OperatingFlags;

struct Rule {
    int id;
    std::function<bool(const F&)> enabled;
    // Text and check mark where they change with the state; null keeps the menu's own text.
    std::function<void(const F&, MenuItemState&)> look = nullptr;
};

bool markersNonZero(const F& f) {
    return f.marker1Channel != 0 && f.marker2Channel != 0;
}

const std::vector<Rule>& rules() {
    static const std::vector<Rule> table{
        {cmd::kNewSpectrum,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive && f.free(); }},
        {cmd::kLoadSpectrum,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive && f.free(); }},
        {cmd::kSaveOverwrite,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive; }},
        {cmd::kSaveAs, [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive; }},
        {cmd::kLoadRaw,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive && f.free(); }},
        {cmd::kSaveRaw, [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive; }},
        {cmd::kConvertToRaw, [](const F& f) { return !f.clientMode && !f.consoleHoldsControl; }},
        {cmd::kExit, [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive; }},
        {cmd::kStartAcquisition,
         [](const F& f) {
             return f.primary && !f.observing && !f.viewerActive && !f.detailedFitOpen && f.free();
         },
         [](const F& f, MenuItemState& s) {
             s.text = f.acquiring ? "Stop aquisition" : "Start acquisition";
         }},
        {cmd::kStartObservation,
         [](const F& f) {
             return f.primary && !f.acquiring && !f.viewerActive && !f.detailedFitOpen && f.free();
         },
         [](const F& f, MenuItemState& s) {
             s.text = f.observing ? "Stop observation" : "Start observation";
         }},
        {cmd::kAutomatedMode,
         [](const F& f) {
             return !f.sequenceRunning && !f.acquiring && !f.observing && !f.serverRunning;
         }},
        {cmd::kReferenceMonitor,
         [](const F& f) { return !f.viewerActive && f.free() && f.gatheringThread; },
         [](const F& f, MenuItemState& s) {
             s.checked = f.referenceMonitorOn;
             s.text = f.referenceMonitorOn ? "Stop reference intensity monitor"
                                           : "Start reference intensity monitor ...";
         }},
        {cmd::kMeasurementInformation,
         [](const F& f) {
             return !f.acquiring && !f.observing && !f.viewerActive &&
                    !(f.networkEnabled && f.clientMode);
         }},
        {cmd::kSumSubtract,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive && f.free(); }},
        {cmd::kSaveZone,
         [](const F& f) {
             return !f.observing && !f.acquiring && !f.consoleHoldsControl && f.bothMarkers();
         }},
        {cmd::kResize,
         [](const F& f) { return !f.acquiring && !f.observing && !f.viewerActive && f.free(); }},
        {cmd::kZoomAuto, [](const F& f) { return !f.viewerActive; }},
        {cmd::kMultipleViewer,
         [](const F& f) {
             return !f.acquiring && !f.observing && !f.viewerActive && !f.detailedFitOpen &&
                    (f.networkEnabled || !f.clientMode);
         }},
        {cmd::kTrim,
         [](const F& f) {
             return !f.clientMode && f.bothMarkers() && f.marker1Channel <= f.channels &&
                    f.marker2Channel <= f.channels;
         }},
        {cmd::kInvert,
         [](const F& f) {
             return !f.clientMode && !f.acquiring && (!f.observing || !f.consoleHoldsControl);
         }},
        {cmd::kCalibrate,
         [](const F& f) {
             return !f.clientMode && !f.acquiring && !f.observing && f.bothMarkers() &&
                    markersNonZero(f);
         }},
        {cmd::kQuickCalibration,
         [](const F& f) { return !f.clientMode && !f.acquiring && !f.observing; }},
        {cmd::kQuickFit,
         [](const F& f) { return !f.clientMode && f.bothMarkers() && markersNonZero(f); }},
        {cmd::kDetailedFit,
         [](const F& f) {
             return !f.clientMode && !f.acquiring && !f.observing && !f.consoleHoldsControl &&
                    !f.detailedFitOpen && f.bothMarkers();
         }},
        {cmd::kSelectResponse,
         [](const F& f) {
             return !f.clientMode && !f.acquiring && !f.observing && !f.consoleHoldsControl &&
                    (f.responseSelected || f.bothMarkers());
         },
         [](const F& f, MenuItemState& s) {
             s.checked = f.responseSelected;
             if (f.responseSelected && s.enabled) {
                 s.text = f.bothMarkers() ? "Replace instrumental response"
                                          : "Discard instrumental response";
             } else {
                 s.text = "Select instrumental response";
             }
         }},
        {cmd::kLoadResponse,
         [](const F& f) {
             return !f.clientMode && !f.acquiring && !f.observing && !f.consoleHoldsControl;
         }},
        {cmd::kSaveResponse,
         [](const F& f) {
             return !f.acquiring && !f.observing && !f.viewerActive && f.free() &&
                    f.responseSelected;
         }},
        {cmd::kStatistics,
         [](const F& f) {
             if (f.acquiring || f.observing) {
                 return false;
             }
             return f.networkEnabled ? !f.consoleHoldsControl : !f.clientMode;
         }},
        {cmd::kLinearity, [](const F& f) { return f.observing && !f.alignment; }},
        {cmd::kGeneralSetup,
         [](const F& f) { return !f.acquiring && !f.observing && !f.generalSetupOpen; }},
        {cmd::kFileFormat,
         [](const F& f) { return !f.fileFormatOpen && !(f.networkEnabled && f.serverRunning); }},
        {cmd::kVisualisation, [](const F& f) { return !f.visualisationOpen; }},
        {cmd::kEraseBackups,
         [](const F& f) {
             return !f.acquiring && !f.observing && !f.networkEnabled && !f.clientMode;
         }},
        {cmd::kNetworkServer,
         [](const F& f) {
             return !f.acquiring && !f.observing && f.networkEnabled && !f.clientMode && f.primary;
         },
         [](const F& f, MenuItemState& s) {
             s.text = f.serverRunning ? "Stop network server" : "Start network server";
         }},
        {cmd::kConnectToServer,
         [](const F& f) {
             return f.clientMode ||
                    (!f.acquiring && !f.observing && f.networkEnabled && !f.serverRunning);
         },
         [](const F& f, MenuItemState& s) {
             s.text = f.clientMode ? "Terminate connection" : "Connect to server ...";
         }},
        {cmd::kServerStatus, [](const F& f) { return f.networkEnabled && f.serverRunning; }},
        {cmd::kChat, [](const F& f) { return !f.serverRunning && f.clientMode; }},
        {cmd::kAbout, [](const F& f) { return !f.aboutOpen; }},
    };
    return table;
}

const char* menuText(int id) {
    for (const Menu& menu : spectrumMenus()) {
        for (const MenuItem& item : menu.items) {
            if (item.id == id) {
                return item.text;
            }
        }
    }
    return "";
}

}  // namespace

MenuItemState menuItemState(int id, const OperatingFlags& flags) {
    MenuItemState state;
    state.text = menuText(id);
    auto it =
        std::find_if(rules().begin(), rules().end(), [id](const Rule& r) { return r.id == id; });
    if (it == rules().end()) {
        return state;
    }
    state.enabled = it->enabled(flags);
    if (it->look) {
        it->look(flags, state);
    }
    return state;
}

std::vector<int> commandsWithRules() {
    std::vector<int> ids;
    for (const Rule& r : rules()) {
        ids.push_back(r.id);
    }
    return ids;
}
