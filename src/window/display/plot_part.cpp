#include "window/display/plot_part.h"

#include <cstdio>

#include "platform/message.h"
#include "platform/messages.h"
#include "window/acquisition/operating_flags.h"
#include "window/acquisition/run_control.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

constexpr int kMarkButtons[2] = {ctl::kMark1, ctl::kMark2};

std::string wholeNumber(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

}  // namespace

PlotPart::PlotPart(CSpectrumwnd& window) : w_(window) {
    const Settings& s = w_.settings();
    view_.scale = ScaleTypeFromSetting(s.scale_type);
    view_.ymax = InitialYmax(s.ymaxstart);

    w_.addCommand(cmd::kZoomIn, [this] { zoomIn(); });
    w_.addCommand(ctl::kZoomIn, [this] { zoomIn(); });
    w_.addCommand(cmd::kZoomOut, [this] { zoomOut(); });
    w_.addCommand(ctl::kZoomOut, [this] { zoomOut(); });
    w_.addCommand(cmd::kZoomAuto, [this] { zoomAuto(); });
    w_.addCommand(ctl::kScale, [this] { scaleFieldEdited(); });
    w_.addCommand(ctl::kLinear, [this] { setScaleType(ScaleType::Linear); });
    w_.addCommand(ctl::kLogarithmic, [this] { setScaleType(ScaleType::Logarithmic); });
    w_.addCommand(ctl::kLineStyle, [this] { setDrawStyle(DrawStyle::Line); });
    w_.addCommand(ctl::kDotsStyle, [this] { setDrawStyle(DrawStyle::Dots); });
    w_.addCommand(ctl::kMark1, [this] { markButtonsChanged(); });
    w_.addCommand(ctl::kMark2, [this] { markButtonsChanged(); });
    for (int command :
         {cmd::kMarker1Back, cmd::kMarker1Forward, cmd::kMarker2Back, cmd::kMarker2Forward}) {
        w_.addCommand(command, [this, command] { moveMarker(command); });
    }
    // The detailed fit window forwards the same four keys.
    w_.addMessageHandler(msg::WM_FIT_MARKER_KEY,
                         [this](Message& m) { moveMarker(static_cast<int>(m.wParam)); });
    w_.addCommand(cmd::kSavePlotImage, [this] { savePlotImage(); });

    w_.state().onRunStarted([this](RunKind kind) {
        if (kind == RunKind::Observation) {
            switchOffMarkers();
        }
    });
    w_.state().onSpectrumReplaced([this](SpectrumSource source) {
        if (source == SpectrumSource::File &&
            resetMarkersForChannels(w_.state().spectrum().channels)) {
            for (const auto& listener : markersResetListeners_) {
                listener();
            }
        }
    });

    w_.view().setTitle(kInitialTitle);
    showScale();
    showScaleButtons();
    showMarkers();
}

// ---- what the plot reads

PlotInputs PlotPart::inputs() const {
    const OperatingFlags flags = w_.flags();
    PlotInputs in;
    LocalStatus& local = in.local;
    local.fileName = w_.state().fileName();
    local.modified = w_.state().modified();
    local.calibrated = w_.state().calibrated();
    local.acquiring = w_.state().acquiring();
    local.observing = w_.state().observing();
    local.multipleViewer = flags.viewerActive;
    local.clientMode = flags.clientMode;
    local.displayedChannels = w_.state().displayedChannels();
    // Observe stays disabled during a local acquisition (control set Acquiring).
    local.observeButtonEnabled = false;
    local.alignment = w_.state().alignment();
    local.alt16 = w_.state().alt16();
    local.x10 = w_.state().x10();
    local.cycleField = w_.state().cycleField();

    RunControl& run = w_.runControl();
    local.runCycles = run.runCycles();
    if (CDataGatheringThread* gathering = run.gathering()) {
        local.cyclesPerHourEstimate = gathering->CyclesPerHourEstimate();
    }
    in.backupsEnabled = w_.settings().back_enable != 0;
    in.lastBackupFile = run.lastBackupName();
    in.cyclesAtLastBackup = run.cyclesAtLastBackup();

    if (const GatheredScan* scan = w_.state().lastScan().get()) {
        in.scanCounts = scan->scan.counts;
        in.scanChannels = scan->scan.channels;
        in.shutterMap = scan->ShutterMap;
    }

    // Client mode fills in.client and in.clientRecord; the quick fit fills in.extraSpectra.
    in.client.control = flags.clientControl;
    in.detailedFitOpen = flags.detailedFitOpen;

    if (flags.clientMode && in.clientRecord) {
        in.mode = PlotMode::Client;
    } else if (w_.state().acquiring()) {
        in.mode = PlotMode::Acquiring;
    } else if (w_.state().observing()) {
        in.mode = PlotMode::Observing;
    } else if (!in.extraSpectra.empty()) {
        in.mode = PlotMode::ExtraSpectra;
    }
    return in;
}

PlotScene PlotPart::scene(const PlotInputs& in) const {
    PlotScene s;
    s.mode = in.mode;
    s.width = width_;
    s.height = height_;
    s.displayedChannels = w_.state().displayedChannels();
    s.spectrum = &w_.state().spectrum();
    s.scanCounts = in.scanCounts;
    s.scanChannels = in.scanChannels;
    s.shutterMap = in.shutterMap;
    s.extraSpectra = in.extraSpectra;
    s.client = in.clientRecord;
    // The painter recomputes the markers while acquiring; only paint() may hand them over.
    s.markers = nullptr;
    s.statusLine = statusLine(in);
    s.backupLine = backupLine(in);
    return s;
}

PlotStyle PlotPart::style() const {
    const Settings& s = w_.settings();
    PlotStyle style;
    for (std::size_t i = 0; i < style.colours.size(); ++i) {
        style.colours[i] = static_cast<Colour>(s.color[i]);
    }
    style.fontPoints = s.spcwin_fnt_weigth;
    style.bold = s.use_bold_on_screen != 0;
    style.enableX = s.enable_x != 0;
    style.enableY = s.enable_y != 0;
    style.xTicks = s.xthick;
    style.yTicks = s.ythick;
    style.enableCurrent = s.enable_current != 0;
    return style;
}

std::string PlotPart::statusLine(const PlotInputs& in) const {
    return in.mode == PlotMode::Client ? ClientStatusLine(in.client) : LocalStatusLine(in.local);
}

std::string PlotPart::backupLine(const PlotInputs& in) const {
    return BackupLine(in.backupsEnabled, in.lastBackupFile, in.cyclesAtLastBackup);
}

PlotGeometry PlotPart::geometry() const {
    PlotScene s;
    s.width = width_;
    s.height = height_;
    s.displayedChannels = w_.state().displayedChannels();
    return ScenePlotGeometry(s, view_);
}

MarkerContext PlotPart::markerContext(const PlotGeometry& geometry) const {
    return MarkerContext{geometry, w_.state().spectrum()};
}

void PlotPart::fillFlags(OperatingFlags& flags) const {
    flags.marker1Shown = markers_.enabled(0);
    flags.marker2Shown = markers_.enabled(1);
    flags.marker1Channel = markers_.marker(0).channel;
    flags.marker2Channel = markers_.marker(1).channel;
}

// ---- repaint, size, clicks

void PlotPart::paint(const Renderer& render) {
    if (painting_) {
        return;
    }
    painting_ = true;
    const PlotInputs in = inputs();
    PlotScene s = scene(in);
    if (in.mode == PlotMode::Idle || in.mode == PlotMode::Acquiring ||
        in.mode == PlotMode::ExtraSpectra) {
        s.markers = &markers_;
    }
    render(s, style(), view_);
    if (in.mode == PlotMode::Acquiring) {
        showMarkers();  // recomputed on the way
    }
    if (in.mode == PlotMode::Idle && fitWorker_) {
        fitWorker_->post(makeMessage(msg::WM_FIT_REFRESH));
    }
    painting_ = false;
}

void PlotPart::resize(int width, int height) {
    width_ = width;
    height_ = height;
    const PlotGeometry g = geometry();
    markers_.recompute(markerContext(g));
    showMarkers();
    w_.view().redraw();
}

void PlotPart::click(int marker, int x, int y) {
    if (w_.state().observing() || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const PlotGeometry g = geometry();
    if (!markers_.click(marker, x, markerContext(g))) {
        return;
    }
    // Marker 2 leaves the fields alone during a run.
    if (marker == 0 || (!w_.state().acquiring() && !w_.state().observing())) {
        showScale();
    }
    markersMoved();
}

void PlotPart::moveMarker(int command) {
    const PlotGeometry g = geometry();
    if (!markers_.moveByKey(command, markerContext(g))) {
        return;
    }
    showScale();
    markersMoved();
}

void PlotPart::markersMoved() {
    showMarkers();
    if (fitWorker_ && inputs().detailedFitOpen) {
        fitWorker_->post(
            makeMessage(msg::WM_FIT_MARKERS, markers_.lowerChannel(), markers_.higherChannel()));
    }
    w_.view().redraw();
}

void PlotPart::markButtonsChanged() {
    SpectrumView& view = w_.view();
    const bool fitOpen = inputs().detailedFitOpen;
    markers_.buttonsChanged(view.controlChecked(ctl::kMark1), view.controlChecked(ctl::kMark2),
                            fitOpen, w_.state().spectrum().channels);
    if (fitOpen) {
        view.setControlChecked(ctl::kMark1, true);
        view.setControlChecked(ctl::kMark2, true);
        return;
    }
    showMarkers();
    view.redraw();
}

void PlotPart::switchOffMarkers() {
    markers_.switchOff();
    w_.view().setControlChecked(ctl::kMark1, false);
    w_.view().setControlChecked(ctl::kMark2, false);
    showMarkers();
}

bool PlotPart::resetMarkersForChannels(std::uint16_t channels) {
    if (!markers_.resetForChannels(channels)) {
        return false;
    }
    w_.view().setControlChecked(ctl::kMark1, false);
    w_.view().setControlChecked(ctl::kMark2, false);
    showMarkers();
    w_.view().redraw();
    return true;
}

void PlotPart::keepMarkersWithin(std::uint16_t channels) {
    for (int i = 0; i < 2; ++i) {
        if (channels > 0 && markers_.marker(i).channel >= channels) {
            markers_.setChannel(i, static_cast<std::uint16_t>(channels - 1));
        }
    }
    markers_.recompute(markerContext(geometry()));
    showMarkers();
}

void PlotPart::showMarkers() {
    SpectrumView& view = w_.view();
    for (int i = 0; i < 2; ++i) {
        if (view.controlText(kMarkButtons[i]) != markers_.caption(i)) {
            view.setControlText(kMarkButtons[i], markers_.caption(i));
        }
    }
    const std::string span = markers_.spanText(w_.state().spectrum());
    if (view.controlText(ctl::kMarkerSpan) != span) {
        view.setControlText(ctl::kMarkerSpan, span);
    }
}

// ---- scale and style

void PlotPart::showScale() {
    w_.view().setControlText(ctl::kScale, wholeNumber(view_.ymax));
}

void PlotPart::showScaleButtons() {
    SpectrumView& view = w_.view();
    view.setControlChecked(ctl::kLinear, view_.scale == ScaleType::Linear);
    view.setControlChecked(ctl::kLogarithmic, view_.scale == ScaleType::Logarithmic);
    view.setControlChecked(ctl::kLineStyle, view_.style == DrawStyle::Line);
    view.setControlChecked(ctl::kDotsStyle, view_.style == DrawStyle::Dots);
}

void PlotPart::rescaleMarkers() {
    const PlotGeometry g = geometry();
    markers_.rescale(markerContext(g));
}

void PlotPart::setScale(int ymax) {
    view_.ymax = ymax;
    showScale();
    rescaleMarkers();
    w_.view().redraw();
}

void PlotPart::zoomIn() {
    setScale(ZoomIn(view_.ymax, w_.settings().zoom_factor));
}

void PlotPart::zoomOut() {
    setScale(ZoomOut(view_.ymax, w_.settings().zoom_factor));
}

void PlotPart::zoomAuto() {
    setScale(w_.state().spectrum().AutoscaleLevel());
}

void PlotPart::scaleFieldEdited() {
    const std::optional<int> value = ReadScaleField(w_.view().controlText(ctl::kScale));
    // Outside the field's range the text is not taken, as with an unreadable one.
    if (!value || *value < 0 || *value > kMaxScale) {
        return;
    }
    view_.ymax = *value;
    if (!w_.state().acquiring()) {
        rescaleMarkers();
    }
    w_.view().redraw();
}

void PlotPart::setScaleType(ScaleType scale) {
    view_.scale = scale;
    w_.settings().scale_type = scale == ScaleType::Linear ? 0 : 1;
    showScaleButtons();
    rescaleMarkers();
    w_.view().redraw();
}

void PlotPart::setDrawStyle(DrawStyle style) {
    view_.style = style;
    showScaleButtons();
    w_.view().redraw();
}

// ---- image export

void PlotPart::savePlotImage() {
    const std::optional<std::string> path =
        w_.dialogs().saveFile("Save plot as image", "PNG image (*.png)|*.png||", "png");
    if (!path) {
        return;
    }
    if (!w_.view().savePlotImage(*path)) {
        w_.prompter().tell("Unable to write the image file " + *path);
    }
}
