#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/kavro_spectrum.h"

class Prompter;

// Control ids of the two measurement information dialogs (they double as object names).
namespace info_ctl {
inline constexpr int kPolarization = 1078;
inline constexpr int kChannels = 1079;
inline constexpr int kSampleName = 1080;
inline constexpr int kScanStep = 1081;
inline constexpr int kScanAmplitude = 1082;
inline constexpr int kMirrorSpacing = 1083;
inline constexpr int kBeamPower = 1084;
inline constexpr int kScans = 1085;
inline constexpr int kChannelTime = 1086;
inline constexpr int kWavelength = 1087;
inline constexpr int kFileTime = 1088;
inline constexpr int kExtraComment1 = 1160;
inline constexpr int kExtraComment2 = 1161;
inline constexpr int kFreeComment1 = 1162;
inline constexpr int kFreeComment2 = 1163;

// The editor's own fields.
inline constexpr int kEditSampleName = 1113;
inline constexpr int kEditMirrorSpacing = 1115;
inline constexpr int kEditScanAmplitude = 1118;
inline constexpr int kEditChannelTime = 1119;
inline constexpr int kEditWavelength = 1120;
inline constexpr int kCalibrationLock = 1218;
inline constexpr int kEditScans = 1261;
inline constexpr int kEditFileTime = 1366;
inline constexpr int kEditChannels = 1400;
inline constexpr int kEditChannelWidth = 1405;
}  // namespace info_ctl

// "%A, %B %d, %Y at %H:%M" in local time, with English names whatever the system's locale.
std::string formatFileTime(std::time_t time);

// The read-only summary shown after a load (dialog 143 "Spectrum information"): the text of
// each static, by control id, in the order the dialog lists them.
struct SpectrumInformation {
    static constexpr const char* kTitle = "Spectrum information";

    SpectrumInformation(const CKavroSpectrum& spectrum, std::time_t fileTime);
    std::string text(int control) const;

    std::vector<std::pair<int, std::string>> texts;
};

// The measurement information editor (dialog 146): field texts as the operator edits them,
// the calibration lock, the range checks and what OK changes. The widget shows the fields
// and forwards its clicks here.
class MeasurementInformationEdit {
public:
    static constexpr const char* kTitle = "Measurement information";
    static constexpr const char* kUnlockQuestion =
        "Are you sure you want to modify calibration data?";
    static constexpr const char* kLockQuestion =
        "Do you want to accept the current scan amplitude as a calibration?";
    static constexpr const char* kUnlockCaption = "Unlock calibration";
    static constexpr const char* kSetCaption = "Set calibration";
    static constexpr std::size_t kTextLimit = 40;
    static constexpr std::size_t kPolarizationLimit = 2;

    struct Field {
        int control;
        std::string text;
    };

    MeasurementInformationEdit(CKavroSpectrum& spectrum, bool calibrated, std::time_t fileTime,
                               Prompter& prompter);

    // Editable fields in the dialog's order, initialised from the spectrum.
    std::vector<Field> fields;
    std::string& field(int control);
    const std::string& field(int control) const;
    // The most characters a text field takes; 0 for the numbers.
    static std::size_t maxLength(int control);

    // Read-only texts (free comments, scans, file time, channels, channel width), by id.
    std::vector<std::pair<int, std::string>> readOnlyTexts() const;

    bool locked() const { return locked_; }
    bool amplitudeEnabled() const { return !locked_; }
    const char* lockButtonText() const { return locked_ ? kUnlockCaption : kSetCaption; }
    // Button 1218: asks, then locks or unlocks the calibration.
    void ToggleLock();

    // OK: checks every field in order; the first failure is told and its control is
    // failedField() (the dialog stays open). On success the spectrum takes the values.
    bool Accept();
    int failedField() const { return failedField_; }

private:
    bool check();
    void apply();

    CKavroSpectrum& spectrum_;
    std::time_t fileTime_;
    Prompter& prompter_;
    bool locked_;
    int failedField_ = 0;
};
