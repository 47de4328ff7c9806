#include "analysis/instrumental_response.h"

#include <cmath>
#include <cstdio>
#include <limits>

void CInstrumentalResponseFunction::Clear() {
    CCurveData<PointData>::Clear();
    sampleStep = 0;
    zeroIndex_ = -1;
}

void CInstrumentalResponseFunction::CopyFrom(const CInstrumentalResponseFunction& source) {
    CCurveData<PointData>::Clear();
    for (const PointData& p : source.points()) {
        AddPoint(p.x, p.value);
    }
    centreOnMaximum = source.centreOnMaximum;
    sampleStep = source.sampleStep;
    zeroIndex_ = -1;
}

void CInstrumentalResponseFunction::UpdateSampleStep() {
    if (GetCount() >= 2) {
        sampleStep = (*this)[1].x - (*this)[0].x;
    }
}

int CInstrumentalResponseFunction::ZeroIndex() const {
    if (zeroIndex_ < 0 && GetCount() > 0) {
        int best = 0;
        for (int i = 1; i < GetCount(); ++i) {
            if (std::fabs((*this)[i].x) <= std::fabs((*this)[best].x)) {
                best = i;
            }
        }
        zeroIndex_ = best;
    }
    return zeroIndex_;
}

namespace {

unsigned long roundedUpCount(double value) {
    // Counts are never negative on disk; a value beyond 32 bits is pinned rather than wrapped.
    const double up = std::ceil(value);
    if (!(up > 0)) {
        return 0;
    }
    constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
    return static_cast<unsigned long>(up > kMax ? kMax : up);
}

// Next line without its terminator; false at the end of the text.
bool nextLine(std::string_view& text, std::string& line) {
    if (text.empty()) {
        return false;
    }
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    line.assign(raw);
    return true;
}

// printf into a string of whatever length the value needs ("%lf" of 1e300 is 300 digits).
template <typename... Args>
void appendFormatted(std::string& out, const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) {
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length) + 1);
    std::snprintf(out.data() + start, static_cast<std::size_t>(length) + 1, format, args...);
    out.resize(start + static_cast<std::size_t>(length));
}

}  // namespace

std::string FormatResponseFile(const CInstrumentalResponseFunction& response) {
    std::string out;
    appendFormatted(out, "%ld\r\n", static_cast<long>(response.GetCount()));
    for (const PointData& p : response.points()) {
        appendFormatted(out, "%lf %lu\r\n", p.x, roundedUpCount(p.value));
    }
    return out;
}

ResponseFileRead ParseResponseFile(std::string_view text, CInstrumentalResponseFunction& response) {
    response.Clear();
    ResponseFileRead result;
    std::string line;
    if (nextLine(text, line)) {
        long declared = 0;
        if (std::sscanf(line.c_str(), "%ld", &declared) == 1) {
            result.declared = declared;
        }
    }
    if (result.declared < 3) {
        result.status = ResponseFileRead::Status::TooFewDeclared;
        return result;
    }
    for (long i = 0; i < result.declared; ++i) {
        double frequency = 0;
        unsigned long counts = 0;
        if (!nextLine(text, line) ||
            std::sscanf(line.c_str(), "%lf  %lu", &frequency, &counts) != 2) {
            result.status = ResponseFileRead::Status::Short;
            break;
        }
        response.AddPoint(frequency, static_cast<double>(counts));
    }
    response.UpdateSampleStep();
    return result;
}
