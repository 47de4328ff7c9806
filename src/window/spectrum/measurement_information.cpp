#include "window/spectrum/measurement_information.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "core/prompter.h"
#include "spectrum/formatted.h"

namespace {

template <typename... Args>
std::string orNotAvailable(bool present, std::string text, const char* absent) {
    return present ? std::move(text) : std::string(absent);
}

std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// How an edit control shows a double: enough digits that the value survives being read back.
std::string fieldNumber(double value) {
    return formatted("%.15g", value);
}

struct Range {
    int control;
    double low;
    double high;
};

constexpr Range kRanges[] = {
    {info_ctl::kEditMirrorSpacing, 0, 40},    {info_ctl::kBeamPower, 0, 10000},
    {info_ctl::kEditScanAmplitude, 0, 10000}, {info_ctl::kEditChannelTime, 0, 1000},
    {info_ctl::kEditWavelength, 0, 100000},
};

const Range* rangeOf(int control) {
    for (const Range& r : kRanges) {
        if (r.control == control) {
            return &r;
        }
    }
    return nullptr;
}

// The whole text as one number, surrounding blanks allowed; the classic locale's period.
bool parseNumber(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    value = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE) {
        return false;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    return *end == '\0';
}

double numberOf(const std::string& text) {
    double value = 0;
    parseNumber(text, value);
    return value;
}

}  // namespace

std::string formatFileTime(std::time_t time) {
    static constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    static constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                              "May",       "June",     "July",     "August",
                                              "September", "October",  "November", "December"};
    const std::tm* local = std::localtime(&time);
    if (local == nullptr) {
        return {};
    }
    const std::tm t = *local;
    return formatted("%s, %s %02d, %d at %02d:%02d", kDays[t.tm_wday % 7], kMonths[t.tm_mon % 12],
                     t.tm_mday, t.tm_year + 1900, t.tm_hour, t.tm_min);
}

SpectrumInformation::SpectrumInformation(const CKavroSpectrum& s, std::time_t fileTime) {
    using namespace info_ctl;
    std::string letters = s.polarization.substr(0, 2);
    texts = {
        {kChannelTime,
         orNotAvailable(s.channelTime != 0, formatted("Time on each channel : %G s", s.channelTime),
                        "Time on each channel : N/A")},
        {kMirrorSpacing,
         orNotAvailable(s.mirrorSpacing != 0, formatted("Mirror spacing : %G mm ", s.mirrorSpacing),
                        "Mirror spacing : N/A")},
        {kScans, orNotAvailable(s.scanCount != 0, formatted("Acquisition scans : %d", s.scanCount),
                                "Acquisition scans : N/A")},
        {kPolarization,
         orNotAvailable(!letters.empty(), "Polarization: " + letters, "Polarization: N/A")},
        {kBeamPower, orNotAvailable(s.beamPower != 0, formatted("Beam power : %G mW ", s.beamPower),
                                    "Beam power : N/A")},
        {kSampleName, orNotAvailable(!s.sampleName.empty(), s.sampleName, "N/A")},
        {kChannels, orNotAvailable(s.channels != 0, formatted("Sample number: %d ", s.channels),
                                   "Sample number : N/A")},
        {kScanAmplitude,
         orNotAvailable(s.scanAmplitude != 0, formatted("Scan amplitude : %G GHz", s.scanAmplitude),
                        "Scan amplitude : N/A")},
        // A lone channel has no step; the counts never come with fewer than 256.
        {kScanStep,
         orNotAvailable(s.scanAmplitude != 0 && s.channels > 1,
                        formatted("Scan step (chn) : %G Ghz", s.scanAmplitude / (s.channels - 1)),
                        "Scan step (chn) : N/A")},
        {kWavelength,
         orNotAvailable(s.wavelength != 0, formatted("Wavelength : %G nm", s.wavelength),
                        "Wavelength : N/A")},
        {kFileTime, "File was last modified on " + formatFileTime(fileTime)},
        {kFreeComment1, s.freeComment1},
        {kFreeComment2, s.freeComment2},
        {kExtraComment1, s.extraComment1()},
        {kExtraComment2, s.extraComment2()},
    };
}

std::string SpectrumInformation::text(int control) const {
    for (const auto& [id, t] : texts) {
        if (id == control) {
            return t;
        }
    }
    return {};
}

MeasurementInformationEdit::MeasurementInformationEdit(CKavroSpectrum& spectrum, bool calibrated,
                                                       std::time_t fileTime, Prompter& prompter)
    : spectrum_(spectrum), fileTime_(fileTime), prompter_(prompter), locked_(calibrated) {
    using namespace info_ctl;
    fields = {
        {kEditSampleName, spectrum.sampleName},
        {kPolarization, spectrum.polarization},
        {kEditMirrorSpacing, fieldNumber(spectrum.mirrorSpacing)},
        {kBeamPower, fieldNumber(spectrum.beamPower)},
        {kEditScanAmplitude, fieldNumber(spectrum.scanAmplitude)},
        {kEditChannelTime, fieldNumber(spectrum.channelTime)},
        {kEditWavelength, fieldNumber(spectrum.wavelength)},
        {kExtraComment1, spectrum.extraComment1()},
        {kExtraComment2, spectrum.extraComment2()},
    };
}

std::string& MeasurementInformationEdit::field(int control) {
    for (Field& f : fields) {
        if (f.control == control) {
            return f.text;
        }
    }
    throw std::out_of_range("no such field");
}

const std::string& MeasurementInformationEdit::field(int control) const {
    return const_cast<MeasurementInformationEdit*>(this)->field(control);
}

std::size_t MeasurementInformationEdit::maxLength(int control) {
    switch (control) {
        case info_ctl::kEditSampleName:
        case info_ctl::kExtraComment1:
        case info_ctl::kExtraComment2:
            return kTextLimit;
        case info_ctl::kPolarization:
            return kPolarizationLimit;
        default:
            return 0;
    }
}

std::vector<std::pair<int, std::string>> MeasurementInformationEdit::readOnlyTexts() const {
    using namespace info_ctl;
    const CKavroSpectrum& s = spectrum_;
    return {
        {kFreeComment1, withoutLineEnd(s.freeComment1)},
        {kFreeComment2, withoutLineEnd(s.freeComment2)},
        {kEditScans, s.scanCount != 0 ? formatted("Acquisition scans:\n%d", s.scanCount)
                                      : std::string("Acquisition scans:\nN/A")},
        {kEditFileTime, "File was last modified on " + formatFileTime(fileTime_)},
        {kEditChannels, formatted("Channels number : %d", s.channels)},
        {kEditChannelWidth, formatted("channel width : %.3f GHz", s.ChannelWidth())},
    };
}

void MeasurementInformationEdit::ToggleLock() {
    if (locked_) {
        if (prompter_.askYesNo(kUnlockQuestion, PromptIcon::None)) {
            locked_ = false;
        }
    } else if (prompter_.askYesNo(kLockQuestion, PromptIcon::Question)) {
        locked_ = true;
    }
}

bool MeasurementInformationEdit::check() {
    failedField_ = 0;
    for (const Field& f : fields) {
        std::string message;
        if (const std::size_t limit = maxLength(f.control); limit != 0) {
            if (f.text.size() > limit) {
                message = formatted("Please enter no more than %d characters.", int(limit));
            }
        } else if (const Range* range = rangeOf(f.control)) {
            double value = 0;
            if (!parseNumber(f.text, value)) {
                message = "Please enter a number.";
            } else if (!(value >= range->low && value <= range->high)) {  // NaN too
                message =
                    formatted("Please enter a number between %G and %G.", range->low, range->high);
            }
        }
        if (!message.empty()) {
            failedField_ = f.control;
            prompter_.tell(message, PromptIcon::Exclamation);
            return false;
        }
    }
    return true;
}

void MeasurementInformationEdit::apply() {
    using namespace info_ctl;
    CKavroSpectrum& s = spectrum_;
    s.mirrorSpacing = numberOf(field(kEditMirrorSpacing));
    s.polarization = field(kPolarization).substr(0, kPolarizationLimit);
    s.beamPower = numberOf(field(kBeamPower));
    s.sampleName = field(kEditSampleName).substr(0, kTextLimit);
    s.channelTime = numberOf(field(kEditChannelTime));
    s.scanAmplitude = numberOf(field(kEditScanAmplitude));
    s.wavelength = numberOf(field(kEditWavelength));
    s.setExtraComment1(field(kExtraComment1).substr(0, kTextLimit));
    s.setExtraComment2(field(kExtraComment2).substr(0, kTextLimit));
}

bool MeasurementInformationEdit::Accept() {
    if (!check()) {
        return false;
    }
    apply();
    return true;
}
