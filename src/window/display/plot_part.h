#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "display/plot_markers.h"
#include "display/plot_style.h"
#include "display/plot_view.h"
#include "display/spectrum_plot.h"
#include "display/status_text.h"

class CSpectrumwnd;
class MessageSink;
struct OperatingFlags;
struct Settings;

// What the plot reads from the rest of the window besides the spectrum and its file state:
// run control, the gathering worker's last frame, backups, client mode, the fits. All of it
// is gathered by PlotPart::inputs(), the one place where those parts connect.
struct PlotInputs {
    PlotMode mode = PlotMode::Idle;
    LocalStatus local;
    ClientStatus client;
    const ClientPlotRecord* clientRecord = nullptr;  // set in client mode once a record came
    std::span<const std::uint32_t> scanCounts;       // the scan buffer
    std::uint16_t scanChannels = 0;
    std::span<const std::int32_t> shutterMap;
    std::span<const ExtraSpectrum> extraSpectra;  // the quick fit's result
    bool backupsEnabled = false;
    std::string lastBackupFile;
    unsigned long cyclesAtLastBackup = 0;
    bool detailedFitOpen = false;
};

// The plot of the spectrum window: view state (scale, style, Ymax), the two markers, the
// title and the status line, and the commands that change them. Widgets hand it their size,
// clicks and a renderer; it never draws itself.
class PlotPart {
public:
    using Renderer =
        std::function<void(const PlotScene& scene, const PlotStyle& style, const PlotView& view)>;

    explicit PlotPart(CSpectrumwnd& window);

    // The plot area's size in pixels; the markers follow it.
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // A mouse click at plot-area coordinates; marker 0 is the left button, 1 the right.
    void click(int marker, int x, int y);
    // One repaint through render; a repaint asked for while one runs is dropped.
    void paint(const Renderer& render);

    // Ymax from outside (loading with autoscale): the Scale field follows.
    void setScale(int ymax);
    int scale() const { return view_.ymax; }
    // An observation started: both markers off, their buttons cleared.
    void switchOffMarkers();
    // A spectrum with fewer channels than a marker position arrived: both markers go off to
    // the centre channel. Returns whether that happened.
    bool resetMarkersForChannels(std::uint16_t channels);
    // The spectrum was rebinned: a marker at or past the new count moves to its last channel.
    void keepMarkersWithin(std::uint16_t channels);
    // The detailed fit registers here: its windows close when a load resets the markers.
    void onMarkersReset(std::function<void()> listener) {
        markersResetListeners_.push_back(std::move(listener));
    }
    void fillFlags(OperatingFlags& flags) const;

    PlotInputs inputs() const;
    PlotScene scene(const PlotInputs& inputs) const;
    PlotStyle style() const;
    const PlotView& view() const { return view_; }
    const MarkerPair& markers() const { return markers_; }
    PlotGeometry geometry() const;
    std::string statusLine(const PlotInputs& inputs) const;
    std::string backupLine(const PlotInputs& inputs) const;

    // The detailed fit's worker once it exists: marker changes and idle repaints are posted
    // to it.
    void setFitWorker(MessageSink* worker) { fitWorker_ = worker; }

private:
    void zoomIn();
    void zoomOut();
    void zoomAuto();
    void scaleFieldEdited();
    void setScaleType(ScaleType scale);
    void setDrawStyle(DrawStyle style);
    void markButtonsChanged();
    void moveMarker(int command);
    void savePlotImage();

    void showScale();
    void showScaleButtons();
    void showMarkers();
    void markersMoved();
    void rescaleMarkers();
    MarkerContext markerContext(const PlotGeometry& geometry) const;

    CSpectrumwnd& w_;
    PlotView view_;
    MarkerPair markers_;
    int width_ = 453;
    int height_ = 259;
    bool painting_ = false;
    MessageSink* fitWorker_ = nullptr;
    std::vector<std::function<void()>> markersResetListeners_;
};
