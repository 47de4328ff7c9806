#include "frame_generator.h"

#include <algorithm>
#include <cmath>

#include "acquisition/frame_decoding.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::uint16_t kMaxCount = 4095;
constexpr double kShutterTransmission = 0.01;
constexpr double kSweepMs = 512;
// The longest channel-0 value hi0 can carry without becoming filler.
constexpr std::uint32_t kMaxChannel0 = 0xFE * 64 + 63;

// What the station multiplies channel 0 by; the simulator divides by it so channel 0 shows
// the value of its neighbours.
double channel0Scale(unsigned channels) {
    switch (channels) {
        case 256:
            return 1.667;
        case 512:
            return 0.3077;
        case 1024:
            return 0.2222;
        default:
            return 1.0;
    }
}

}  // namespace

void encodeFrame(const SimulatedFrame& frame, std::vector<std::uint8_t>& out) {
    out.clear();
    const std::uint32_t raw0 =
        std::min<std::uint32_t>(frame.counts.empty() ? 0 : frame.counts[0], kMaxChannel0);
    out.push_back(static_cast<std::uint8_t>(raw0 >> 6));
    out.push_back(static_cast<std::uint8_t>((raw0 & 0x3F) | (frame.alignmentMode ? 0 : 0x40)));
    for (unsigned i = 1; i < frame.endAt; ++i) {
        const std::uint16_t c = std::min(frame.counts[i], kMaxCount);
        out.push_back(static_cast<std::uint8_t>((frame.shutter[i] ? 0x80 : 0) | (c >> 6)));
        out.push_back(static_cast<std::uint8_t>(c & 0x3F));
    }
    out.push_back(frame_format::kFiller);
    out.push_back(frame_format::kFiller);
}

FrameGenerator::FrameGenerator(const SimulatorOptions& options)
    : options_(options), random_(options.seed) {}

std::vector<double> FrameGenerator::spectrumMeans(unsigned channels, double intensity) {
    // Three orders of the interferometer in the scan: elastic lines at 0.1, 0.5 and 0.9 of the
    // range, each with its Brillouin doublet 0.12 of the range away.
    const double n = channels;
    const double fsr = 0.4 * n;
    const double shift = 0.12 * n;
    const double damping = 0.07 * shift;
    const double elasticWidth = n / 512;
    const double elasticHeight = 40 * intensity;
    const double background = 0.5 + 0.02 * intensity;
    std::vector<double> means(channels);
    for (unsigned i = 0; i < channels; ++i) {
        double m = background;
        for (int order = -2; order <= 2; ++order) {
            const double w = i - (0.5 * n + order * fsr);
            m +=
                elasticHeight * elasticWidth * elasticWidth / (w * w + elasticWidth * elasticWidth);
            // Damped harmonic oscillator, normalised to `intensity` at its peaks.
            const double d = w * w - shift * shift;
            m += intensity * (shift * damping) * (shift * damping) /
                 (d * d + w * w * damping * damping);
        }
        means[i] = m;
    }
    return means;
}

std::vector<double> FrameGenerator::alignmentMeans(unsigned channels, double nonlinearity) {
    // About 700 counts on full reflection; FP1's Airy peaks, about 4.3 in the scan, as dips.
    const double n = channels;
    const double period = n / 4.3;
    const double coefficient = 60;  // sharpness of the Airy function
    std::vector<double> means(channels);
    for (unsigned i = 0; i < channels; ++i) {
        const double x = i + nonlinearity * i * i / n;  // a scan that runs faster or slower
        const double s = std::sin(kPi * (x - 0.3 * period) / period);
        const double transmitted = 1 / (1 + coefficient * s * s);
        means[i] = 700 * (1 - 0.85 * transmitted);
    }
    return means;
}

void FrameGenerator::rebuildMeans(unsigned channels) {
    meansFor_ = channels;
    switch (options_.pattern) {
        case SimulatorOptions::Pattern::Spectrum:
            means_ = options_.alignment ? alignmentMeans(channels, options_.nonlinearity)
                                        : spectrumMeans(channels, options_.intensity);
            break;
        case SimulatorOptions::Pattern::Flat:
        case SimulatorOptions::Pattern::Ramp:
            means_.assign(channels, options_.intensity);
            break;
    }
    shutterBits_.assign(channels + 16, 0);
    attenuation_.assign(channels + 16, 1.0);
    const auto lag = static_cast<unsigned>(options_.shutterLagMs * channels / kSweepMs);
    for (auto [from, to] : options_.shutterZones) {
        for (unsigned i = from; i <= to && i < channels; ++i) {
            shutterBits_[i] = 1;
            if (i + lag < channels) {
                attenuation_[i + lag] = kShutterTransmission;
            }
        }
    }
}

std::uint16_t FrameGenerator::draw(double mean) {
    if (mean <= 0) {
        return 0;
    }
    std::poisson_distribution<int> photons(mean);
    return static_cast<std::uint16_t>(std::min<int>(photons(random_), kMaxCount));
}

void FrameGenerator::next(SimulatedFrame& frame) {
    const std::uint64_t k = ++number_;
    frame.number = k;
    frame.channels = options_.switchChannels && k > options_.switchAfter ? options_.switchChannels
                                                                         : options_.channels;
    if (frame.channels != meansFor_) {
        rebuildMeans(frame.channels);
    }
    frame.endAt = frame.channels;
    if (options_.shortEvery && k % options_.shortEvery == 0) {
        frame.endAt = frame.channels - 7;
    } else if (options_.longEvery && k % options_.longEvery == 0) {
        frame.endAt = frame.channels + 9;
    }
    frame.alignmentMode = options_.alignment;
    frame.silenceBefore =
        options_.silenceAfter && k == options_.silenceAfter + 1 ? options_.silenceSeconds : 0;

    frame.garbageBefore.clear();
    if (options_.garbageEvery && k % options_.garbageEvery == 0) {
        std::uniform_int_distribution<int> length(3, 40), byte(0, 0xFE);
        frame.garbageBefore.resize(static_cast<std::size_t>(length(random_)));
        for (auto& b : frame.garbageBefore) {
            b = static_cast<std::uint8_t>(byte(random_));
        }
    }

    frame.counts.resize(frame.endAt);
    frame.shutter.resize(frame.endAt);
    for (unsigned i = 0; i < frame.endAt; ++i) {
        const unsigned c = std::min(i, frame.channels - 1);
        frame.shutter[i] = shutterBits_[c];
        if (options_.pattern == SimulatorOptions::Pattern::Ramp) {
            frame.counts[i] = static_cast<std::uint16_t>((7 * k + i) % 4096);
        } else {
            frame.counts[i] = draw(means_[c] * attenuation_[c]);
        }
    }
    if (options_.pattern == SimulatorOptions::Pattern::Ramp) {
        frame.counts[0] = static_cast<std::uint16_t>(k % 4096);
    } else {
        frame.counts[0] = static_cast<std::uint16_t>(
            std::lround(frame.counts[0] / channel0Scale(frame.channels)));
    }
}
