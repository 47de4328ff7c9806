// The spectrum file, its console text form and the two raw formats. Every file the stations
// exchange is read with these exact rules, quirks included, because other stations write and
// read them the same way.

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <limits>

#include "spectrum/kavro_spectrum.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kMaxHeaderLines = 17;           // slots 18 and 19 hold the extra comments
constexpr std::size_t kHeaderLineRead = 255;  // a header line is read into 256 bytes
constexpr std::size_t kValueLineRead = 13;    // a value line into 14 bytes
constexpr std::size_t kNumberSearchEnd = 40;  // last slot position searched for a digit
constexpr std::size_t kSampleNameColumn = 9;  // length of "Sample : "
constexpr std::uint16_t kExtraCommentLastLine = 12;
constexpr std::size_t kTextCapacity = 40;  // sample name, comments
constexpr std::size_t kPolarizationLetters = 2;
constexpr std::size_t kBlock = 256;
constexpr std::size_t kMoreDataBytes = 10;  // a further block is read only past this
constexpr std::size_t kRawMaxLines = 1024;
constexpr std::size_t kRaw512Lines = 270;
constexpr std::size_t kRaw1024Lines = 1000;
constexpr std::string_view kNumberChars = "0123456789., ";
constexpr std::string_view kPolarizationChars = " UHVuhv";

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The stations read these files through C streams in text mode: a CR LF pair reads as one line
// feed, every other byte (NUL and lone CR included) as itself. Positions are file bytes, CRs
// counted, as ftell and the file length give them there; the "more than 10 bytes remain" test
// therefore counts the CRs of a CR LF file, and a LF file has fewer bytes left for the same
// lines.
class TextModeReader {
public:
    explicit TextModeReader(std::string_view bytes) : bytes_(bytes) {}

    // As fgets into a buffer of limit + 1 bytes: at most limit characters, the line feed
    // included when it fits. False at the end of the input.
    bool readLine(std::size_t limit, std::string& line) {
        line.clear();
        if (pos_ >= bytes_.size()) {
            return false;
        }
        while (line.size() < limit && pos_ < bytes_.size()) {
            char c = bytes_[pos_++];
            if (c == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') {
                c = '\n';
                ++pos_;
            }
            line.push_back(c);
            if (c == '\n') {
                break;
            }
        }
        return true;
    }

    // A whole line without its line end, however long. False at the end of the input.
    bool readWholeLine(std::string_view& line) {
        if (pos_ >= bytes_.size()) {
            return false;
        }
        const std::size_t end = bytes_.find('\n', pos_);
        if (end == std::string_view::npos) {
            line = bytes_.substr(pos_);
            pos_ = bytes_.size();
            return true;
        }
        line = bytes_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos_ = end + 1;
        return true;
    }

    std::size_t remaining() const { return bytes_.size() - pos_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::string_view untilNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// One number through printf, with a period even when the process runs under a locale that
// uses another decimal separator.
std::string printfNumber(const char* format, double value) {
    char buffer[400];  // "%f" of the largest double needs 316
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    std::string text(buffer, static_cast<std::size_t>(std::clamp(n, 0, 399)));
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && *point != '\0' && std::strcmp(point, ".") != 0) {
        const std::size_t at = text.find(point);
        if (at != std::string::npos) {
            text.replace(at, std::strlen(point), ".");
        }
    }
    return text;
}

std::string printfInt(const char* format, long long value) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, 31)));
}

std::string fixedRawFrequency(double frequency) {  // "%8f"
    std::string text = printfNumber("%f", frequency);
    if (text.size() < 8) {
        text.insert(0, 8 - text.size(), ' ');
    }
    return text;
}

// A text field as its fixed-size record field holds it: one line, within its capacity.
std::string_view fieldText(const std::string& s, std::size_t capacity) {
    std::string_view v = untilNul(s);
    v = v.substr(0, std::min(v.find('\n'), capacity));
    return v;
}

// atol of a 32-bit long: leading white space, a sign, digits; out of range saturates.
std::int32_t toLong32(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        value = std::min(value * 10 + (s[i] - '0'), kLimit);
    }
    if (negative) {
        return static_cast<std::int32_t>(-value);
    }
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

// atof of a text that holds only digits, periods, commas and spaces.
double toDouble(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) {
        ++i;
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
    (void)ptr;
    return ec == std::errc{} ? value : 0.0;
}

// The number and integer rules: from one position before the first digit (position 0 is never
// looked at), as far as the characters stay among digits, periods, commas and spaces. Minus
// signs and exponents are not among them.
std::string_view numberText(std::string_view slot) {
    for (std::size_t i = 1; i <= kNumberSearchEnd && i < slot.size(); ++i) {
        if (isDigit(slot[i])) {
            const std::string_view from = slot.substr(i - 1);
            return from.substr(0, from.find_first_not_of(kNumberChars));
        }
    }
    return {};
}

std::string polarizationLetters(std::string_view s) {
    while (!s.empty() && isCSpace(s.back())) {
        s.remove_suffix(1);
    }
    const std::size_t lastSpace = s.rfind(' ');
    if (lastSpace != std::string_view::npos) {
        s = s.substr(lastSpace);
    }
    s = s.substr(0, s.find_first_not_of(kPolarizationChars));
    while (!s.empty() && isCSpace(s.front())) {
        s.remove_prefix(1);
    }
    return std::string(s.substr(0, kPolarizationLetters));
}

std::string withoutTrailingLineFeed(std::string_view s) {
    if (!s.empty() && s.back() == '\n') {
        s.remove_suffix(1);
    }
    return std::string(s);
}

std::string extraCommentText(std::string_view slot) {
    if (!slot.empty() && slot.front() == '\n') {
        return {};
    }
    return withoutTrailingLineFeed(slot);
}

int headerLineCount(const FileStructure& structure) {
    return std::clamp(structure.headerLineCount(), 0, kMaxHeaderLines);
}

void appendLine(std::string& out, std::string_view text) {
    out.append(text);
    out.append(kLineEnd);
}

}  // namespace

namespace {

std::string kindText(const CKavroSpectrum& s, int kind, const FileStructure& structure,
                     const char* polarizationFormat) {
    switch (kind) {
        case FileStructure::kFreeComment1:
            return std::string(fieldText(structure.freecomment1, kTextCapacity));
        case FileStructure::kFreeComment2:
            return std::string(fieldText(structure.freecomment2, kTextCapacity));
        case FileStructure::kMirrorSpacing:
            return "Mirror sp. : " + printfNumber("%G", s.mirrorSpacing);
        case FileStructure::kPolarization: {
            const std::string letters(fieldText(s.polarization, kPolarizationLetters));
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, polarizationFormat, letters.c_str());
            return "Polarization : " + std::string(buffer);
        }
        case FileStructure::kBeamPower:
            return "Power: " + printfNumber("%G", s.beamPower);
        case FileStructure::kSampleName:
            return "Sample : " + std::string(fieldText(s.sampleName, kTextCapacity));
        case FileStructure::kScanAmplitude:
            return "Scan amplitude : " + printfNumber("%G", s.scanAmplitude);
        case FileStructure::kChannelTime:
            return "Ch. duration : " + printfNumber("%G", s.channelTime);
        case FileStructure::kWavelength:
            return "Wavelength: " + printfNumber("%G", s.wavelength);
        case FileStructure::kScanNumber:
            return "Scan number: " + printfInt("%lld", s.scanCount);
        default:
            return {};
    }
}

void writeSpectrum(const CKavroSpectrum& s, std::string& out, const FileStructure& structure,
                   const char* polarizationFormat) {
    const int lines = headerLineCount(structure);
    int extraComments = 0;
    for (int n = 1; n <= lines; ++n) {
        std::string text;
        // The acquisition time is never written; of two kinds on one line the later wins.
        for (int k = 0; k < FileStructure::kAcquisitionTime; ++k) {
            if (structure.enabled[k] && structure.lines[k] == n) {
                text = kindText(s, k, structure, polarizationFormat);
            }
        }
        if (text.empty() && extraComments < 2) {
            // An empty extra comment still takes its line.
            text = fieldText(extraComments == 0 ? s.extraComment1() : s.extraComment2(),
                             kTextCapacity);
            ++extraComments;
        }
        appendLine(out, text);
    }
    out.reserve(out.size() + std::size_t{s.channels} * 8);
    for (std::size_t i = 0; i < s.channels; ++i) {
        const std::uint32_t count = i < s.counts.size() ? s.counts[i] : 0;
        appendLine(out, printfInt("%llu", count));
    }
}

}  // namespace

void CKavroSpectrum::WriteToFile(std::string& out, const FileStructure& structure) const {
    writeSpectrum(*this, out, structure, "%3s");
}

void CKavroSpectrum::WriteToText(std::string& text, const FileStructure& structure) const {
    text.clear();
    writeSpectrum(*this, text, structure, "%2s");
}

void CKavroSpectrum::ReadFromFile(std::string_view bytes, const FileStructure& structure) {
    for (auto& slot : headerLines) {
        slot.clear();
    }
    TextModeReader in(bytes);
    const int lines = headerLineCount(structure);
    std::string line;
    // A file that ends in the header leaves the remaining slots empty.
    for (int n = 1; n <= lines && in.readLine(kHeaderLineRead, line); ++n) {
        const std::string_view kept = untilNul(line);
        headerLines[n] = std::string(kept.substr(0, kHeaderSlotChars));
    }

    const auto slotOf = [&](std::uint16_t lineNumber) -> std::string_view {
        if (lineNumber < 1 || lineNumber > lines) {
            return {};
        }
        return headerLines[lineNumber];
    };
    for (int k = 0; k < FileStructure::kAcquisitionTime; ++k) {
        if (!structure.enabled[k]) {
            continue;
        }
        const std::string_view slot = slotOf(structure.lines[k]);
        switch (k) {
            case FileStructure::kFreeComment1:
                freeComment1 = std::string(slot);
                break;
            case FileStructure::kFreeComment2:
                freeComment2 = std::string(slot);
                break;
            case FileStructure::kMirrorSpacing:
                mirrorSpacing = toDouble(numberText(slot));
                break;
            case FileStructure::kPolarization:
                polarization = polarizationLetters(slot);
                break;
            case FileStructure::kBeamPower:
                beamPower = toDouble(numberText(slot));
                break;
            case FileStructure::kSampleName:
                // Whatever the label says, the name starts at the ninth column.
                sampleName = withoutTrailingLineFeed(
                    slot.size() > kSampleNameColumn ? slot.substr(kSampleNameColumn) : "");
                break;
            case FileStructure::kScanAmplitude:
                scanAmplitude = toDouble(numberText(slot));
                break;
            case FileStructure::kChannelTime:
                channelTime = toDouble(numberText(slot));
                break;
            case FileStructure::kWavelength:
                wavelength = toDouble(numberText(slot));
                break;
            case FileStructure::kScanNumber:
                scanCount = toLong32(numberText(slot));
                break;
            default:
                break;
        }
    }

    if (structure.ncomlines != 0) {
        // Unlike the writer, the reader counts the acquisition time's line as taken, and looks
        // no further than line 12.
        std::string_view found[2];
        int nFound = 0;
        for (std::uint16_t n = 1; n <= kExtraCommentLastLine && nFound < 2; ++n) {
            bool taken = false;
            for (int k = 0; k < FileStructure::kKinds; ++k) {
                taken = taken || (structure.enabled[k] && structure.lines[k] == n);
            }
            if (!taken) {
                found[nFound++] = slotOf(n);
            }
        }
        setExtraComment1(extraCommentText(found[0]));
        setExtraComment2(extraCommentText(found[1]));
    }

    counts.clear();
    channels = 0;
    counts.reserve(4 * kBlock);
    // Past the end of the file each value line repeats the last value read; a file without any
    // value line gives zeros.
    std::uint32_t previous = 0;
    const auto readBlock = [&](std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            if (in.readLine(kValueLineRead, line)) {
                previous = static_cast<std::uint32_t>(toLong32(line));
            }
            counts.push_back(previous);
        }
    };
    readBlock(kBlock);
    // Bytes left as the stations count them: CRs of CR LF line ends included.
    if (in.remaining() > kMoreDataBytes) {
        readBlock(kBlock);
        if (in.remaining() > kMoreDataBytes) {
            readBlock(2 * kBlock);
        }
    }
    channels = static_cast<std::uint16_t>(counts.size());
}

void CKavroSpectrum::WriteRawToFile(std::string& out) {
    if (channels == 0) {
        channels = static_cast<std::uint16_t>(counts.size());
    }
    for (std::size_t i = 0; i < channels; ++i) {
        const std::uint32_t count = i < counts.size() ? counts[i] : 0;
        std::string text = fixedRawFrequency(ChannelFrequency(static_cast<std::uint16_t>(i)));
        text += ' ';
        text += printfInt("%lld", static_cast<std::int32_t>(count));  // above 2^31 - 1: negative
        appendLine(out, text);
    }
}

void CKavroSpectrum::WriteRawGeneralToFile(std::string& out, std::uint16_t first,
                                           std::uint16_t last) {
    if (channels == 0) {
        channels = static_cast<std::uint16_t>(counts.size());
    }
    const std::size_t end = std::min<std::size_t>(last + std::size_t{1}, channels);
    for (std::size_t i = first; i < end; ++i) {
        const std::uint32_t count = i < counts.size() ? counts[i] : 0;
        std::string text = printfNumber("%G", ChannelFrequency(static_cast<std::uint16_t>(i)));
        text += ' ';
        text += printfInt("%lld", static_cast<std::int32_t>(count));
        appendLine(out, text);
    }
}

void CKavroSpectrum::WriteRawGeneralToFile(std::string& out) {
    if (channels == 0) {
        channels = static_cast<std::uint16_t>(counts.size());
    }
    if (channels > 0) {
        WriteRawGeneralToFile(out, 0, static_cast<std::uint16_t>(channels - 1));
    }
}

namespace {

// sscanf (line, "%lf %ld", &x, &count) with a 32-bit long: the number of values converted;
// those not converted keep their values. A frequency out of the range of double does not
// convert.
int scanRawLine(std::string_view line, double& x, std::int32_t& count) {
    const std::string_view s = untilNul(line);
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) {
        ++i;
    }
    if (i < s.size() && s[i] == '+' && i + 1 < s.size() && s[i + 1] != '-' && s[i + 1] != '+') {
        ++i;
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value);
    if (ec != std::errc{}) {
        return 0;
    }
    x = value;
    i = static_cast<std::size_t>(ptr - s.data());
    while (i < s.size() && isCSpace(s[i])) {
        ++i;
    }
    std::size_t digits = i;
    if (digits < s.size() && (s[digits] == '+' || s[digits] == '-')) {
        ++digits;
    }
    if (digits >= s.size() || !isDigit(s[digits])) {
        return 1;
    }
    count = toLong32(s.substr(i));
    return 2;
}

}  // namespace

bool CKavroSpectrum::ReadRawFromFile(std::string_view bytes) {
    TextModeReader in(bytes);
    std::string_view line;
    double x0 = 0;
    std::int32_t count = 0;
    if (!in.readWholeLine(line) || scanRawLine(line, x0, count) < 2) {
        return false;
    }
    std::vector<std::uint32_t> values;
    values.reserve(kRawMaxLines);
    values.push_back(static_cast<std::uint32_t>(count));
    double x = x0;
    // A blank line ends the data like the end of the file; lines past 1024 are not read.
    while (values.size() < kRawMaxLines && in.readWholeLine(line) && !untilNul(line).empty()) {
        scanRawLine(line, x, count);  // a line that does not parse repeats the previous count
        values.push_back(static_cast<std::uint32_t>(count));
    }
    const std::size_t n = values.size();
    const std::uint16_t rawChannels = n < kRaw512Lines ? 256 : n < kRaw1024Lines ? 512 : 1024;
    values.resize(rawChannels, 0);  // channels past the last line read are cleared
    counts = std::move(values);
    channels = rawChannels;
    scanAmplitude = -2 * x0;  // the first line is channel 0, at minus half the span
    sampleName.clear();
    scanCount = 0;
    return true;
}
