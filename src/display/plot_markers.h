#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "display/canvas.h"
#include "display/plot_geometry.h"
#include "display/plot_style.h"
#include "spectrum/kavro_spectrum.h"

// Keyboard commands of the marker keys (A, D, J, L); the detailed fit window forwards the same.
inline constexpr int kMarker1LeftCommand = 10000;
inline constexpr int kMarker1RightCommand = 10001;
inline constexpr int kMarker2LeftCommand = 10002;
inline constexpr int kMarker2RightCommand = 10003;

// What marker placement reads: the repaint geometry and the spectrum on display.
struct MarkerContext {
    const PlotGeometry& geometry;
    const CKavroSpectrum& spectrum;
};

// Channel under a click at plot x; anything left of the box or past the last channel is 0.
std::uint16_t ChannelAtX(int plotX, const PlotGeometry& geometry, std::uint16_t channels);
// The spectrum's frequency of a channel, as CKavroSpectrum::ChannelFrequency gives it.
double MarkerFrequency(const CKavroSpectrum& spectrum, std::uint16_t channel);

// The two markers of the spectrum window: positions, button captions, the span read-out and
// the symbols drawn over the traces.
class MarkerPair {
public:
    struct Marker {
        bool enabled = false;
        std::uint16_t channel = 0;
        int x = 0;  // where the symbol's apex is drawn
        int y = 0;
        std::string caption;  // the Mark1 / Mark2 button text
    };

    MarkerPair();

    // index 0 is marker 1, index 1 marker 2.
    const Marker& marker(int index) const { return markers_[index]; }
    bool enabled(int index) const { return markers_[index].enabled; }
    const std::string& caption(int index) const { return markers_[index].caption; }
    bool bothEnabled() const { return markers_[0].enabled && markers_[1].enabled; }
    std::uint16_t lowerChannel() const;
    std::uint16_t higherChannel() const;

    // Left click (index 0) or right click (index 1) at plot x; false when the marker is off.
    // The caller ignores clicks while observing or outside the plot area.
    bool click(int index, int plotX, const MarkerContext& context);
    // One of the four marker key commands; false when that marker is off or the command
    // is not a marker key.
    bool moveByKey(int command, const MarkerContext& context);
    // The Mark1 / Mark2 buttons were pressed. With the detailed fit window open both markers
    // are forced on (the caller shows both buttons checked).
    void buttonsChanged(bool mark1Checked, bool mark2Checked, bool fitWindowOpen,
                        std::uint16_t channels);
    // Captions and points from the channels (after a resize, before an acquisition repaint).
    void recompute(const MarkerContext& context);
    // The scale changed (zoom, Scale field, lin/log): the apex goes back onto the trace.
    void rescale(const MarkerContext& context);
    void switchOff();
    // A spectrum with fewer channels than a marker position arrived: both markers go off and
    // to the centre channel. Returns whether that happened.
    bool resetForChannels(std::uint16_t channels);
    void setChannel(int index, std::uint16_t channel) { markers_[index].channel = channel; }
    void setEnabled(int index, bool on) { markers_[index].enabled = on; }

    // "markers span:\n\r%4.2f GHz" while both are on, else empty.
    std::string spanText(const CKavroSpectrum& spectrum) const;

    void draw(Canvas& canvas, const PlotGeometry& geometry, const PlotStyle& style,
              const CKavroSpectrum& spectrum) const;

private:
    void place(int index, const MarkerContext& context, int offset);

    std::array<Marker, 2> markers_;
};
