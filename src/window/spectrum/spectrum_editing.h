#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CKavroSpectrum;
class CSpectrumwnd;

// What dialog 102 "Resize spectrum" edits: the count the spectrum has and the one chosen in
// its combo box (entries 256, 512, 1024).
class ResizeChoice {
public:
    static constexpr std::array<std::uint16_t, 3> kCounts{256, 512, 1024};

    explicit ResizeChoice(std::uint16_t current) : current_(current), chosen_(current) {}

    // Static 1401.
    std::string actualText() const;
    // The combo box entry of the chosen count; -1 when it is none of the three.
    int selectedIndex() const;
    // An entry of the combo box; anything else keeps the choice.
    void select(int index);

    std::uint16_t current() const { return current_; }
    std::uint16_t chosen() const { return chosen_; }

private:
    std::uint16_t current_;
    std::uint16_t chosen_;
};

// The statistics summary of a spectrum; nothing when it holds no scans to take a rate from.
struct SpectrumStatistics {
    double sum = 0;           // all counts
    double rate = 0;          // counts per second of acquisition
    double rateError = 0;     // statistical error with 0.2 % relative on top
    double average = 0;       // counts per channel
    double averageError = 0;  // its statistical error
    std::uint32_t largest = 0;
    std::uint32_t smallest = 0;

    // The message box text; the plus-minus sign is the station's 8-bit 0xB1.
    std::string text() const;
};
std::optional<SpectrumStatistics> spectrumStatistics(const CKavroSpectrum& spectrum);

// The Analysis and Spectrum menu commands that change the window's spectrum in place (trim,
// invert, resize) or summarise it (statistics).
class SpectrumEditing {
public:
    static constexpr const char* kClearZone =
        "Are you sure you want to clear all data in the selected zone?";
    static constexpr const char* kNoMaximum =
        "I can't find a maximum for the spectrum - perhaps it's a blank one ?";
    static constexpr const char* kInvert = "Are you sure you want to invert spectrum data ?";
    static constexpr const char* kSameCount =
        "The spectrum already has %d channels: choose another channel count to resize it.\n"
        "The spectrum has not been changed.";
    static constexpr const char* kNoCounts =
        "The spectrum holds no counts: there are no statistics to calculate.";

    explicit SpectrumEditing(CSpectrumwnd& window);

    void Trim();
    void Invert();
    void Resize();
    void Statistics();

private:
    bool available(int command) const;
    // The edited record becomes the window's spectrum; a run keeps the channel count it shows.
    void replaceSpectrum(const CKavroSpectrum& spectrum);

    CSpectrumwnd& w_;
};
