#include "window/spectrum/spectrum_editing.h"

#include <algorithm>
#include <cmath>

#include "spectrum/formatted.h"
#include "spectrum/kavro_spectrum.h"
#include "window/acquisition/run_control.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

std::string ResizeChoice::actualText() const {
    return formatted("Actual channels number : %d", static_cast<int>(current_));
}

int ResizeChoice::selectedIndex() const {
    const auto it = std::find(kCounts.begin(), kCounts.end(), chosen_);
    return it == kCounts.end() ? -1 : static_cast<int>(it - kCounts.begin());
}

void ResizeChoice::select(int index) {
    if (index >= 0 && index < static_cast<int>(kCounts.size())) {
        chosen_ = kCounts[static_cast<std::size_t>(index)];
    }
}

std::string SpectrumStatistics::text() const {
    return formatted(
        "Spectrum statistics:\n %.3G \xB1 %.3G average counts/s,\n %.3G \xB1 %.3G average counts "
        "per channel\n %lu is the largest count value\n %lu is the smallest count value",
        rate, rateError, average, averageError, static_cast<unsigned long>(largest),
        static_cast<unsigned long>(smallest));
}

std::optional<SpectrumStatistics> spectrumStatistics(const CKavroSpectrum& spectrum) {
    const std::size_t n = std::min<std::size_t>(spectrum.channels, spectrum.counts.size());
    if (spectrum.scanCount == 0 || n == 0) {
        return std::nullopt;
    }
    SpectrumStatistics s;
    s.smallest = spectrum.counts[0];
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t c = spectrum.counts[i];
        s.sum += c;
        s.largest = std::max(s.largest, c);
        s.smallest = std::min(s.smallest, c);
    }
    s.rate = s.sum / (spectrum.scanCount * 0.512);
    s.rateError = s.rate * std::sqrt(1.0 / s.sum + 0.000004);
    s.average = s.sum / static_cast<double>(n);
    s.averageError = s.average / std::sqrt(s.sum);
    return s;
}

SpectrumEditing::SpectrumEditing(CSpectrumwnd& window) : w_(window) {
    w_.addCommand(cmd::kTrim, [this] { Trim(); });
    w_.addCommand(cmd::kInvert, [this] { Invert(); });
    w_.addCommand(cmd::kResize, [this] { Resize(); });
    w_.addCommand(cmd::kStatistics, [this] { Statistics(); });
}

// The menu greys these out; a command arriving by another way is held to the same rule.
bool SpectrumEditing::available(int command) const {
    return menuItemState(command, w_.flags()).enabled;
}

void SpectrumEditing::replaceSpectrum(const CKavroSpectrum& spectrum) {
    const std::uint16_t shown = w_.state().displayedChannels();
    w_.state().edited(spectrum);
    if (w_.state().running()) {
        // An observation shows the controller's frames at their own channel count.
        w_.state().displayChannels(shown);
        w_.runControl().showFields();
    }
}

void SpectrumEditing::Trim() {
    if (!available(cmd::kTrim)) {
        return;
    }
    const OperatingFlags flags = w_.flags();
    if (!w_.prompter().askYesNo(kClearZone, PromptIcon::Question)) {
        w_.view().redraw();
        return;
    }
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    // A marker may sit one past the last channel; the zone then ends at the last one.
    spectrum.ClearRange(flags.marker1Channel, flags.marker2Channel);
    replaceSpectrum(spectrum);
    w_.view().redraw();
}

void SpectrumEditing::Invert() {
    if (!available(cmd::kInvert)) {
        return;
    }
    const CKavroSpectrum& current = w_.state().spectrum();
    const std::uint32_t top = current.MaxCount(1, current.channels);
    if (top == 0) {
        w_.prompter().tell(kNoMaximum, PromptIcon::Exclamation);
        return;
    }
    if (!w_.prompter().askYesNo(kInvert, PromptIcon::Question)) {
        w_.view().redraw();
        return;
    }
    CKavroSpectrum spectrum;
    spectrum = current;
    spectrum.InvertBelow(top);
    // Inverting keeps the saved-or-not state: the counts on disk still give the original.
    const bool wasModified = w_.state().modified();
    replaceSpectrum(spectrum);
    if (!wasModified) {
        w_.state().saved();
    }
    w_.view().redraw();
}

void SpectrumEditing::Resize() {
    if (!available(cmd::kResize)) {
        return;
    }
    ResizeChoice choice(w_.state().spectrum().channels);
    if (!w_.view().chooseResize(choice)) {
        return;
    }
    if (choice.chosen() == choice.current()) {
        w_.prompter().tell(formatted(kSameCount, static_cast<int>(choice.current())),
                           PromptIcon::Information);
        return;
    }
    CKavroSpectrum spectrum;
    spectrum = w_.state().spectrum();
    spectrum.Resize(choice.chosen());
    if (spectrum.channels != choice.chosen()) {
        return;  // a count the record cannot rebin from: nothing changed
    }
    w_.state().edited(spectrum);
    w_.plot().keepMarkersWithin(spectrum.channels);
    w_.view().setControlText(ctl::kChannelsLabel,
                             formatted("Channels : %d", static_cast<int>(spectrum.channels)));
    w_.view().redraw();
}

void SpectrumEditing::Statistics() {
    if (!available(cmd::kStatistics)) {
        return;
    }
    const std::optional<SpectrumStatistics> statistics = spectrumStatistics(w_.state().spectrum());
    if (!statistics) {
        return;  // no scans: no rate to give
    }
    if (statistics->sum == 0) {
        w_.prompter().tell(kNoCounts, PromptIcon::Information);
        return;
    }
    w_.prompter().tell(statistics->text(), PromptIcon::Information);
}
