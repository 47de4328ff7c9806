#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/curve_data.h"
#include "analysis/fit_models.h"

inline constexpr std::size_t kMaxFitPoints = 5000;
inline constexpr int kMaxResponseSamples = 5000;
// Kernel entries run from 2501 - N to 2499 + N for any centre; storage covers that range.
inline constexpr int kKernelOffset = kMaxResponseSamples;
inline constexpr int kKernelStorage = kKernelCentre + 2 * kMaxResponseSamples + 1;

inline constexpr const char* kFitErrorPrefix = "GFIT ERROR:\n";

// How a fit reports to whoever runs it. Both calls come from the fitting thread.
class FitObserver {
public:
    virtual ~FitObserver() = default;
    // After every cycle that does not end the loop; true stops the fit with a user abort.
    virtual bool cycleDone(int cycle, int maxIterations) = 0;
    // A numeric failure: the full text for the operator ("Error during fit : ...").
    virtual void fitFailed(const std::string& message) = 0;
};

enum class ConvolvedDerivatives {
    Analytic,  // exact, since the convolution is linear in the shape
    Ridders,   // the numeric reference
};

// One fit's inputs and results. Vectors are 1-based; element 0 is unused.
struct FitEngineState {
    std::vector<double> x{0.0};          // GHz, channel frequency minus z
    std::vector<double> y{0.0};          // counts
    std::vector<double> sigma{0.0};      // standard deviation of each point, set by the driver
    std::array<double, 5> parameters{};  // B, A, nu0, Gamma at 1..4; the start of the next fit
    std::array<int, 5> freeFlags{0, 1, 1, 1, 1};
    std::array<double, 5> errors{};  // sqrt|C[k][k]|, not scaled by the reduced chi-square
    int model = kModelDho;
    int subdivision = 0;
    int convolution = 0;
    double z = 0;
    std::uint16_t maxIterations = 0;
    int iterationsPerformed = 0;
    int degreesOfFreedom = 0;               // n - free parameters
    double chisq = 0;                       // sum of (y - m)^2 / sigma^2
    double reducedChisq = 0;                // chisq / degrees of freedom (at least 1)
    std::vector<double> response{0.0};      // r[1..N]
    std::uint16_t responseCentreIndex = 0;  // 1-based, used when not centring on the maximum
    std::uint8_t centreOnMaximum = 1;
    int kernelFirst = kKernelCentre;  // s
    double delta = 0;                 // |x[2] - x[1]|
    bool errorFlag = false;
    std::string errorText = "NO ERROR";
    CCurveData<PointData> fittedCurve;
    ConvolvedDerivatives convolvedDerivatives = ConvolvedDerivatives::Analytic;

    FitEngineState();

    std::size_t pointCount() const { return x.size() - 1; }
    int responseCount() const { return static_cast<int>(response.size()) - 1; }
    // x, y from 0-based sequences of the same length.
    void SetPoints(const std::vector<double>& xs, const std::vector<double>& ys);
    void SetResponse(const std::vector<double>& samples);

    double KernelAt(int k) const { return kernel_[static_cast<std::size_t>(k + kKernelOffset)]; }
    double* KernelBase() { return kernel_.data() + kKernelOffset; }
    const double* KernelBase() const { return kernel_.data() + kKernelOffset; }

private:
    std::vector<double> kernel_;
};

// The fit of one line: checks, guesses, weights, Levenberg-Marquardt iterations, covariance and
// the fitted curve. A refused step only raises lambda; the fit converges on an accepted step
// that lowers chi-square by less than 1e-4 of it, or when lambda passes its bound.
// 0 when it converged to a line inside the data window. -1 otherwise:
//  - a check stopped it, or the result is no line of the window (centre outside the x range,
//    width not positive or wider than the range, not finite): error flag and text set,
//    parameters and fitted curve as they were before the iterations;
//  - the cycles ran out first: error flag and text set, but the parameters, errors and fitted
//    curve are those reached, so the next fit goes on from there;
//  - a numeric failure: parameters 0, errors 1, observer told, error flag not set.
int RunFitDriver(FitEngineState& state, FitObserver* observer = nullptr);

// Builds the normalised kernel from the response; the check message on failure.
std::optional<std::string> BuildConvolutionKernel(FitEngineState& state);

// In-place Gauss-Jordan elimination with full pivoting on matrix[1..size][1..size] and one
// right-hand column rhs[1..size]: the matrix becomes its inverse and the column the solution.
// Throws KavroException when singular.
using FitMatrix = std::array<std::array<double, 5>, 5>;
void GaussJordan(FitMatrix& matrix, int size, std::array<double, 5>& rhs);
