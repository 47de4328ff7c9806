#include "spectrum/kavro_spectrum.h"

#include <algorithm>
#include <cmath>

CKavroSpectrum::CKavroSpectrum(const CKavroSpectrum& source)
    : counts(source.counts),
      freeComment1(source.freeComment1),
      freeComment2(source.freeComment2),
      channels(static_cast<std::uint16_t>(source.counts.size())) {
    copyMetadata(source);
}

void CKavroSpectrum::copyMetadata(const CKavroSpectrum& source) {
    polarization = source.polarization;
    sampleName = source.sampleName;
    scanAmplitude = source.scanAmplitude;
    channelTime = source.channelTime;
    mirrorSpacing = source.mirrorSpacing;
    beamPower = source.beamPower;
    wavelength = source.wavelength;
    scanCount = source.scanCount;
}

void CKavroSpectrum::CopyFrom(const CKavroSpectrum& source) {
    counts = source.counts;
    channels = static_cast<std::uint16_t>(source.counts.size());
    copyMetadata(source);
    freeComment1 = source.freeComment1;
    freeComment2 = source.freeComment2;
}

void CKavroSpectrum::CopyDataFrom(const CKavroSpectrum& source) {
    counts = source.counts;
    channels = source.channels;
    copyMetadata(source);
}

void CKavroSpectrum::SetChannels(std::uint16_t n) {
    channels = n;
    counts.resize(n, 0);
}

int CKavroSpectrum::ClearCounts() {
    const std::size_t n = std::min<std::size_t>(channels, counts.size());
    std::fill_n(counts.begin(), n, 0u);
    return static_cast<int>(n);
}

std::uint32_t CKavroSpectrum::MaxCount(std::uint16_t start, std::uint16_t end) const {
    if (end > channels || start > channels || start >= end) {
        return 0;
    }
    std::uint32_t best = 0;
    for (std::uint16_t i = start; i < end; ++i) {
        best = std::max(best, counts[i]);
    }
    return best;
}

std::uint16_t CKavroSpectrum::PeakChannel(std::uint16_t start, std::uint16_t end) const {
    if (end > channels || start > channels || start >= end) {
        return 0;
    }
    std::uint32_t best = 0;
    std::uint16_t where = 0;
    for (std::uint16_t i = start; i < end; ++i) {
        if (counts[i] > best) {
            best = counts[i];
            where = i;
        }
    }
    return where;
}

std::uint32_t CKavroSpectrum::MinCount(std::uint16_t end) const {
    if (end > channels || channels == 0 || end <= 1) {
        return 0;
    }
    std::uint32_t least = counts[1];
    for (std::uint16_t i = 2; i < end; ++i) {
        least = std::min(least, counts[i]);
    }
    return least;
}

double CKavroSpectrum::ChannelWidth() const {
    const double width = scanAmplitude / (static_cast<double>(channels) - 1.0);
    return width > 0 ? width : 0.0;
}

double CKavroSpectrum::ChannelFrequency(std::uint16_t channel) {
    if (channels == 0) {
        channels = static_cast<std::uint16_t>(counts.size());
    }
    const int offset = static_cast<int>(channel) - channels / 2;
    // A zero width still multiplies, so channels below the centre give -0.0.
    return static_cast<double>(offset) * ChannelWidth();
}

int CKavroSpectrum::AutoscaleLevel() const {
    auto halfStep = [this](int from, int to) {
        const auto diff = static_cast<std::int32_t>(counts[to] - counts[from]);
        return diff / 2;
    };
    std::uint32_t sum = 0;
    int peaks = 0;
    for (int i = 3; i - 3 < static_cast<int>(channels) - 4; ++i) {
        if (halfStep(i - 3, i - 2) > 0 && halfStep(i - 1, i) < 0) {
            sum += counts[i - 3];
            ++peaks;
        }
    }
    if (peaks < 2) {
        return 10;
    }
    const int level =
        static_cast<int>(std::ceil(static_cast<float>(sum) / static_cast<float>(peaks - 1)));
    return level == 0 ? 10 : level;
}

void CKavroSpectrum::Resize(std::uint16_t n) {
    if (!isSupportedChannelCount(n) || n == channels || !isSupportedChannelCount(channels)) {
        return;
    }
    const std::uint16_t old = channels;
    std::vector<std::uint32_t> rebinned(n, 0);
    if (n < old) {
        const int r = old / n;
        for (int k = 0; k < n; ++k) {
            std::uint32_t s = 0;
            for (int j = 0; j < r; ++j) {
                s += counts[r * k + j];
            }
            rebinned[k] = s;
        }
    } else {
        const int r = n / old;
        for (int k = 0; k < old; ++k) {
            for (int j = 0; j < r; ++j) {
                rebinned[r * k + j] = counts[k] / r;
            }
        }
    }
    channelTime = channelTime * old / n;
    counts = std::move(rebinned);
    channels = n;
}

int CKavroSpectrum::ClearRange(std::uint16_t from, std::uint16_t to) {
    const std::size_t end = std::min<std::size_t>(channels, counts.size());
    const std::size_t first = std::min(from, to);
    const std::size_t last = std::min<std::size_t>(std::max(from, to), end == 0 ? 0 : end - 1);
    if (first >= end) {
        return 0;
    }
    std::fill(counts.begin() + static_cast<std::ptrdiff_t>(first),
              counts.begin() + static_cast<std::ptrdiff_t>(last) + 1, 0u);
    return static_cast<int>(last - first + 1);
}

int CKavroSpectrum::InvertBelow(std::uint32_t top) {
    const std::size_t end = std::min<std::size_t>(channels, counts.size());
    int clipped = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (counts[i] > top) {
            counts[i] = 0;
            ++clipped;
        } else {
            counts[i] = top - counts[i];
        }
    }
    return clipped;
}
