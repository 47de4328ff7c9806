#pragma once

#include <cmath>

#include "analysis/curve_data.h"
#include "core/kavro_exception.h"

class CInstrumentalResponseFunction;

// The constants as the shapes have always used them; results files depend on them.
inline constexpr double kFitPi = 3.141592654;
inline constexpr double kFourOverPi = 1.273239545;
inline constexpr double kEightOverPi = 2.54647909;
inline constexpr double kInvSqrtTwoPi = 0.39894228040143265;

inline constexpr int kKernelCentre = 2500;

enum FitModelCode : int {
    kModelDho = 1,
    kModelLorentzian = 2,
    kModelGaussian = 3,
    kModelConvolvedDho = 4,
};

// What only the convolved model reads: sub-points, the kernel and the data spacing.
struct ConvolutionContext {
    int subdivision = 0;
    int responseCount = 0;            // N; N <= 1 sums the centre entry only
    int kernelFirst = kKernelCentre;  // s
    const double* kernel = nullptr;   // kernel[k] for k = s .. s + N - 1
    double delta = 0;                 // |x[2] - x[1]|
};

// The model at x for a[1..4] = (B, A, nu0, Gamma); the four partial derivatives go to dyda[1..4].
using FitModelFunction = double (*)(double x, const double* a, double* dyda,
                                    const ConvolutionContext& context);

double DhoModel(double x, const double* a, double* dyda, const ConvolutionContext& context);
double LorentzianModel(double x, const double* a, double* dyda, const ConvolutionContext& context);
double GaussianModel(double x, const double* a, double* dyda, const ConvolutionContext& context);
// The convolved DHO with Ridders' derivatives: slow, kept as the reference the fast path of
// the engine is checked against.
double ConvolvedDhoModel(double x, const double* a, double* dyda,
                         const ConvolutionContext& context);

// nullptr for a code outside 1..4.
FitModelFunction ModelForCode(int code);

// Line shapes without baseline.
double DhoShape(double x, double area, double nu0, double gamma);
double LorentzianShape(double x, double area, double nu0, double gamma);
double GaussianShape(double x, double area, double nu0, double gamma);

struct ShapeWithDerivatives {
    double value;
    double dArea;
    double dNu0;
    double dGamma;
};

inline ShapeWithDerivatives DhoShapeWithDerivatives(double x, double area, double nu0,
                                                    double gamma) {
    const double x2 = x * x;
    const double nu2 = nu0 * nu0;
    const double diff = x2 - nu2;
    const double e = 1.0 / (diff * diff + 4.0 * gamma * gamma * x2);
    const double dArea = kFourOverPi * gamma * nu2 * e;
    return {area * dArea, dArea,
            kEightOverPi * area * nu0 * gamma * e * (1.0 + 2.0 * nu2 * diff * e),
            kFourOverPi * area * nu2 * e * (1.0 - 8.0 * gamma * gamma * x2 * e)};
}

// Half the number of sub-points per sample: M = 2h + 1.
inline int SubPointHalfCount(int subdivision) {
    return subdivision > 0 ? subdivision / 2 : 0;
}

// Ridders' extrapolated central difference of valueAt(p) at p, starting with step h0.
template <typename ValueAt>
double RiddersDerivative(ValueAt&& valueAt, double p, double h0) {
    constexpr int kTable = 10;
    constexpr double kShrink = 1.4;
    constexpr double kShrink2 = kShrink * kShrink;
    constexpr double kSafe = 2.0;
    if (h0 == 0.0) {
        throw KavroException("h must  be  nonzero in  dfridr.");
    }
    double t[kTable + 1][kTable + 1];
    double h = h0;
    t[1][1] = (valueAt(p + h) - valueAt(p - h)) / (2.0 * h);
    double err = 1e30;
    double answer = t[1][1];
    for (int i = 2; i <= kTable; ++i) {
        h /= kShrink;
        t[1][i] = (valueAt(p + h) - valueAt(p - h)) / (2.0 * h);
        double f = kShrink2;
        for (int j = 2; j <= i; ++j) {
            t[j][i] = (t[j - 1][i] * f - t[j - 1][i - 1]) / (f - 1.0);
            f *= kShrink2;
            const double e =
                std::fmax(std::fabs(t[j][i] - t[j - 1][i]), std::fabs(t[j][i] - t[j - 1][i - 1]));
            if (e <= err) {
                err = e;
                answer = t[j][i];
            }
        }
        if (std::fabs(t[i][i] - t[i - 1][i - 1]) >= kSafe * err) {
            break;
        }
    }
    return answer;
}

// The stored curve after a fit: the model's shape, averaged over the M sub-points of every
// kernel entry k = s .. s + N' - 1, plus the baseline inside the sum.
double FittedCurveValue(int code, double x, const double* a, const ConvolutionContext& context);

// Evaluates the final model for export on the spectrum's own frequency axis.
class CFitModelProvider {
public:
    CFitModelProvider(double baseline, double area, double nu0, double gamma, double zero,
                      int subdivision, const CInstrumentalResponseFunction* response);

    // -1 for a code outside 1..4.
    double Evaluate(int code, double x) const;

    double A, Gamma, nu0, B, z;
    CCurveData<PointData> normalisedResponse;  // sum of value * step is 1; empty below 3 points
    bool hasResponse = false;
    int N = 0;
    double sampleStep = 0;
    int h = 1;
    int c = 0;
};
