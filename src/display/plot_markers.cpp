#include "display/plot_markers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Apex offsets from the trace point, by what placed the marker last.
constexpr int kClickOffset = 5;
constexpr int kKeyOffset = -5;
constexpr int kTopClearance = 40;  // no symbol this close to the top of the area

std::uint32_t countAt(const CKavroSpectrum& spectrum, std::uint16_t channel) {
    return channel < spectrum.counts.size() ? spectrum.counts[channel] : 0;
}

std::string captionText(int index, double frequency) {
    char text[64];
    std::snprintf(text, sizeof text, index == 0 ? "mark1: %4.2f GHz" : "mark2: %4.2f GHz",
                  frequency);
    return text;
}

}  // namespace

std::uint16_t ChannelAtX(int plotX, const PlotGeometry& geometry, std::uint16_t channels) {
    const float channel = std::floor(static_cast<float>(plotX - geometry.marginX) / geometry.sx);
    if (!(channel >= 0.0f) || channel >= static_cast<float>(channels)) {
        return 0;
    }
    return static_cast<std::uint16_t>(channel);
}

double MarkerFrequency(const CKavroSpectrum& spectrum, std::uint16_t channel) {
    const unsigned channels =
        spectrum.channels != 0 ? spectrum.channels : static_cast<unsigned>(spectrum.counts.size());
    const double width = spectrum.scanAmplitude / (static_cast<double>(channels) - 1.0);
    const int offset = static_cast<int>(channel) - static_cast<int>(channels / 2);
    return static_cast<double>(offset) * (width > 0 ? width : 0.0);
}

MarkerPair::MarkerPair() {
    markers_[0].caption = "Mark1 ";
    markers_[1].caption = "Mark2";
}

std::uint16_t MarkerPair::lowerChannel() const {
    return std::min(markers_[0].channel, markers_[1].channel);
}

std::uint16_t MarkerPair::higherChannel() const {
    return std::max(markers_[0].channel, markers_[1].channel);
}

void MarkerPair::place(int index, const MarkerContext& context, int offset) {
    Marker& m = markers_[index];
    m.x = context.geometry.x(m.channel);
    m.y = context.geometry.y(countAt(context.spectrum, m.channel)) + offset;
}

bool MarkerPair::click(int index, int plotX, const MarkerContext& context) {
    Marker& m = markers_[index];
    if (!m.enabled) {
        return false;
    }
    m.channel = ChannelAtX(plotX, context.geometry, context.spectrum.channels);
    m.caption = captionText(index, MarkerFrequency(context.spectrum, m.channel));
    place(index, context, kClickOffset);
    return true;
}

bool MarkerPair::moveByKey(int command, const MarkerContext& context) {
    if (command < kMarker1LeftCommand || command > kMarker2RightCommand) {
        return false;
    }
    const int index = command >= kMarker2LeftCommand ? 1 : 0;
    const bool right = command == kMarker1RightCommand || command == kMarker2RightCommand;
    Marker& m = markers_[index];
    if (!m.enabled) {
        return false;
    }
    const std::uint16_t channels = context.spectrum.channels;
    if (right) {
        if (m.channel + 1 < channels) {
            ++m.channel;
        }
    } else if (m.channel > 0) {
        --m.channel;
    }
    // The key read-out uses its own linear formula, not ChannelFrequency.
    const double amplitude = context.spectrum.scanAmplitude;
    const double frequency =
        channels == 0 ? -amplitude / 2
                      : static_cast<double>(m.channel) / channels * amplitude - amplitude / 2;
    m.caption = captionText(index, frequency);
    place(index, context, kKeyOffset);
    return true;
}

void MarkerPair::buttonsChanged(bool mark1Checked, bool mark2Checked, bool fitWindowOpen,
                                std::uint16_t channels) {
    const std::uint16_t last = channels == 0 ? 0 : static_cast<std::uint16_t>(channels - 1);
    for (Marker& m : markers_) {
        m.channel = std::min(m.channel, last);
    }
    if (fitWindowOpen) {
        markers_[0].enabled = markers_[1].enabled = true;
        return;
    }
    markers_[0].enabled = mark1Checked;
    markers_[1].enabled = mark2Checked;
}

void MarkerPair::recompute(const MarkerContext& context) {
    for (int index = 0; index < 2; ++index) {
        if (markers_[index].enabled) {
            markers_[index].caption =
                captionText(index, MarkerFrequency(context.spectrum, markers_[index].channel));
            place(index, context, kClickOffset);
        }
    }
}

void MarkerPair::rescale(const MarkerContext& context) {
    for (Marker& m : markers_) {
        if (m.enabled) {
            m.y = context.geometry.y(countAt(context.spectrum, m.channel));
        }
    }
}

void MarkerPair::switchOff() {
    markers_[0].enabled = markers_[1].enabled = false;
}

bool MarkerPair::resetForChannels(std::uint16_t channels) {
    if (channels >= markers_[0].channel && channels >= markers_[1].channel) {
        return false;
    }
    for (Marker& m : markers_) {
        m.enabled = false;
        m.channel = static_cast<std::uint16_t>(channels / 2);
    }
    return true;
}

std::string MarkerPair::spanText(const CKavroSpectrum& spectrum) const {
    if (!bothEnabled()) {
        return {};
    }
    const double span = std::fabs(MarkerFrequency(spectrum, markers_[0].channel) -
                                  MarkerFrequency(spectrum, markers_[1].channel));
    char text[64];
    std::snprintf(text, sizeof text, "markers span:\n\r%4.2f GHz", span);
    return text;
}

void MarkerPair::draw(Canvas& canvas, const PlotGeometry& geometry, const PlotStyle& style,
                      const CKavroSpectrum& spectrum) const {
    for (int index = 0; index < 2; ++index) {
        const Marker& m = markers_[index];
        if (!m.enabled || m.x > geometry.width || m.y > geometry.height || m.y <= kTopClearance) {
            continue;
        }
        const int x = m.x;
        const int y = m.y;
        canvas.setPen(style.colour(index == 0 ? kMarker1Colour : kMarker2Colour));
        canvas.moveTo(x, y);
        canvas.lineTo(x - 5, y - 5);
        canvas.lineTo(x + 5, y - 5);
        canvas.lineTo(x, y);
        // Marker 1 carries one tick above the triangle, marker 2 two.
        const int tickXs[2][2] = {{x, x}, {x - 3, x + 3}};
        for (int t = 0; t <= index; ++t) {
            canvas.moveTo(tickXs[index][t], y - 7);
            canvas.lineTo(tickXs[index][t], y - 4);
        }
        char text[64];
        std::snprintf(text, sizeof text, "freq: %5.2f GHz", MarkerFrequency(spectrum, m.channel));
        canvas.textOut(x - 20, y - 35, text);
        std::snprintf(text, sizeof text, "counts: %5d",
                      static_cast<int>(countAt(spectrum, m.channel)));
        canvas.textOut(x - 20, y - 23, text);
    }
}
