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

// The model at x for params[1..4] = (B, A, nu0, Gamma); the four partial derivatives go to
// derivatives[1..4].
using FitModelFunction = double (*)(double x, const double* params, double* derivatives,
                                    const ConvolutionContext& context);

double DhoModel(double x, const double* params, double* derivatives,
                const ConvolutionContext& context);
double LorentzianModel(double x, const double* params, double* derivatives,
                       const ConvolutionContext& context);
double GaussianModel(double x, const double* params, double* derivatives,
                     const ConvolutionContext& context);
// The convolved DHO with Ridders' derivatives: slow, kept as the reference the fast path of
// the engine is checked against.
double ConvolvedDhoModel(double x, const double* params, double* derivatives,
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

// Ridders' extrapolated central difference of valueAt(p) at p, starting with step firstStep:
// column i of the table uses the i-th smaller step, row j removes one more even power of the
// step from the error.
template <typename ValueAt>
double RiddersDerivative(ValueAt&& valueAt, double p, double firstStep) {
    constexpr int kTableSize = 10;
    constexpr double kShrink = 1.4;
    constexpr double kShrinkSquared = kShrink * kShrink;
    // Stop once the diagonal moves by more than this many times the best error estimate.
    constexpr double kGrowthLimit = 2.0;
    if (firstStep == 0.0) {
        throw KavroException("h must  be  nonzero in  dfridr.");
    }
    double table[kTableSize + 1][kTableSize + 1];
    double step = firstStep;
    table[1][1] = (valueAt(p + step) - valueAt(p - step)) / (2.0 * step);
    double bestError = 1e30;
    double answer = table[1][1];
    for (int i = 2; i <= kTableSize; ++i) {
        step /= kShrink;
        table[1][i] = (valueAt(p + step) - valueAt(p - step)) / (2.0 * step);
        double factor = kShrinkSquared;
        for (int j = 2; j <= i; ++j) {
            table[j][i] = (table[j - 1][i] * factor - table[j - 1][i - 1]) / (factor - 1.0);
            factor *= kShrinkSquared;
            const double error = std::fmax(std::fabs(table[j][i] - table[j - 1][i]),
                                           std::fabs(table[j][i] - table[j - 1][i - 1]));
            if (error <= bestError) {
                bestError = error;
                answer = table[j][i];
            }
        }
        if (std::fabs(table[i][i] - table[i - 1][i - 1]) >= kGrowthLimit * bestError) {
            break;
        }
    }
    return answer;
}

// The stored curve after a fit: the model's shape, averaged over the M sub-points of every
// kernel entry k = s .. s + N' - 1, plus the baseline inside the sum.
double FittedCurveValue(int code, double x, const double* params,
                        const ConvolutionContext& context);

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
