#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/curve_data.h"

// The measured shape of a line narrower than the instrument's resolution: (frequency GHz, counts).
class CInstrumentalResponseFunction : public CCurveData<PointData> {
public:
    // Kernel centred on the largest sample (1) or on the sample nearest zero frequency (0).
    std::uint8_t centreOnMaximum = 1;
    double sampleStep = 0;  // x[1] - x[0]

    void Clear();
    // Points, centring mode and sample step; the cached zero index is recomputed on demand.
    void CopyFrom(const CInstrumentalResponseFunction& source);
    // Sets the sample step from the first two samples (left alone with fewer).
    void UpdateSampleStep();

    // 0-based index of the sample whose frequency is nearest 0 (the later one on ties), -1 when
    // empty. Cached until the curve is cleared or replaced.
    int ZeroIndex() const;

private:
    mutable int zeroIndex_ = -1;
};

// The bytes of a response file: the sample count, then "frequency counts" per line, counts
// rounded up. Lines end in CR LF.
std::string FormatResponseFile(const CInstrumentalResponseFunction& response);

struct ResponseFileRead {
    enum class Status {
        Complete,        // all declared samples read
        TooFewDeclared,  // fewer than 3 declared: nothing read
        Short,           // a missing, empty or unreadable line ended the reading
    };
    Status status = Status::Complete;
    long declared = 0;  // the count on the first line
};

// Reads response file text (CR LF or LF) into `response`, which is cleared first. Samples read
// before a short end are kept; the sample step is set from the first two.
ResponseFileRead ParseResponseFile(std::string_view text, CInstrumentalResponseFunction& response);
