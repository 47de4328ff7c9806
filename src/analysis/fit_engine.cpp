// The Levenberg-Marquardt iteration, the accumulation of curvature and gradient, the
// Gauss-Jordan solver and Ridders' derivative (fit_models.h) follow W. H. Press et al.,
// Numerical Recipes in C, 2nd ed., Cambridge University Press 1992, sections 15.5, 2.1 and 5.7.
#include "analysis/fit_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "spectrum/formatted.h"

namespace {

// An accepted step that lowers chi-square by less than this fraction ends the fit.
constexpr double kStopRatio = 0.0001;
constexpr double kStartLambda = 0.001;
constexpr double kLambdaDown = 0.1;
constexpr double kLambdaUp = 10.0;
// Past this damping a step is some 1e-10 of a gradient step: when even such steps are refused,
// chi-square is at its minimum as far as the arithmetic can tell.
constexpr double kLambdaLimit = 1e10;
// A chi-square this small beside the weighted sum of squared counts is the rounding of an exact
// fit: there is no decrease left to measure.
constexpr double kExactFitLevel = 1e-24;
constexpr double kZeroFrequencyShift = 0.001;
// A point is on the data grid when it is within this fraction of a spacing of its grid place.
constexpr double kGridTolerance = 1e-9;
constexpr long kOffGrid = std::numeric_limits<long>::min();

using ParameterVector = std::array<double, 5>;  // 1-based: B, A, nu0, Gamma

// Everything one fit needs besides the state, sized once before the iterations.
class FitRun {
public:
    explicit FitRun(FitEngineState& s) : s_(s), n_(s.pointCount()) {}

    void Setup();
    void Initialise();  // the first call: lambda at its start value, then a step
    bool Step();        // every further call: solve with the current lambda; true when accepted
    // lambda = 0: the covariance in workMatrix_; with `polish`, first the undamped step from
    // the end point when it lowers chi-square.
    void Finish(bool polish);
    double chisq() const { return acceptedChisq_; }
    double lambda() const { return lambda_; }
    const ParameterVector& parameters() const { return params_; }
    const FitMatrix& covariance() const { return workMatrix_; }
    int freeCount() const { return freeCount_; }
    void EvaluateCurve(CCurveData<PointData>& curve);

private:
    void Accumulate(const ParameterVector& params, FitMatrix& curvature, ParameterVector& gradient,
                    double& chisq);
    void EvaluateModel(const ParameterVector& params);
    void EvaluateConvolvedAnalytic(const ParameterVector& params);
    void SolveWithLambda();
    bool TryStep();  // params_ + step_: accepted when it lowers chi-square
    static void ExpandCovariance(FitMatrix& matrix, const std::array<int, 5>& freeFlags,
                                 int freeCount);

    FitEngineState& s_;
    std::size_t n_;
    FitModelFunction model_ = nullptr;
    ConvolutionContext context_;
    bool fastConvolution_ = false;

    ParameterVector params_{};       // the last accepted parameters
    ParameterVector trialParams_{};  // params_ + step_ for the free ones
    ParameterVector gradient_{};     // beta: sum of w (y - m) dm/da, over the free parameters
    ParameterVector step_{};         // the solution for the free parameters
    ParameterVector rhs_{};          // right-hand side, overwritten by the solver
    FitMatrix curvature_{};          // alpha: sum of w dm/da_k dm/da_l, over the free parameters
    FitMatrix workMatrix_{};         // curvature with damped diagonal, inverted in place
    int freeCount_ = 0;
    double lambda_ = -1;
    double acceptedChisq_ = 0;

    std::vector<double> value_;       // model at each point
    std::vector<double> derivative_;  // 4 per point, 1-based inside each group of 5

    // Convolved model on the data grid: x[j] = x[1] + gridPlace[j] * delta.
    std::vector<long> gridPlace_;       // kOffGrid for a point off the grid
    std::vector<double> kernelWeight_;  // K[s + i] / M
    std::vector<double> grid_;          // 4 per grid node: shape and its three derivatives
    long gridFirst_ = 0;                // grid node of the first entry: lowest place + s - 2500
    long lowestPlace_ = 0;
    std::size_t gridNodes_ = 0;
    double kernelSum_ = 0;
};

void FitRun::Setup() {
    model_ = ModelForCode(s_.model);
    if (model_ == nullptr) {
        throw KavroException("unknown fitting model");
    }
    context_.subdivision = s_.subdivision;
    context_.responseCount = s_.convolution ? s_.responseCount() : 1;
    context_.kernelFirst = s_.kernelFirst;
    context_.kernel = s_.KernelBase();
    context_.delta = s_.delta;
    params_ = s_.parameters;
    value_.assign(n_ + 1, 0.0);
    derivative_.assign((n_ + 1) * 5, 0.0);

    fastConvolution_ =
        s_.model == kModelConvolvedDho && s_.convolvedDerivatives == ConvolvedDerivatives::Analytic;
    if (!fastConvolution_) {
        return;
    }
    const int h = SubPointHalfCount(s_.subdivision);
    const int m = 2 * h + 1;
    const int count = context_.responseCount <= 1 ? 1 : context_.responseCount;
    kernelWeight_.assign(static_cast<std::size_t>(count), 0.0);
    kernelSum_ = 0;
    for (int i = 0; i < count; ++i) {
        const double k = context_.kernel[context_.kernelFirst + i];
        kernelWeight_[static_cast<std::size_t>(i)] = k * (1.0 / m);
        kernelSum_ += k;
    }
    gridPlace_.assign(n_ + 1, kOffGrid);
    const double delta = s_.delta;
    long lo = 0;
    long hi = 0;
    bool any = false;
    if (delta > 0) {
        for (std::size_t j = 1; j <= n_; ++j) {
            const double steps = (s_.x[j] - s_.x[1]) / delta;
            if (!(std::fabs(steps) < 1e9)) {
                continue;
            }
            const long place = std::lround(steps);
            if (std::fabs(s_.x[j] - (s_.x[1] + static_cast<double>(place) * delta)) <=
                kGridTolerance * delta) {
                gridPlace_[j] = place;
                lo = any ? std::min(lo, place) : place;
                hi = any ? std::max(hi, place) : place;
                any = true;
            }
        }
    }
    if (!any) {
        gridNodes_ = 0;
        grid_.clear();
        return;
    }
    gridFirst_ = lo + (context_.kernelFirst - kKernelCentre);
    gridNodes_ = static_cast<std::size_t>(hi - lo + count);
    grid_.assign(gridNodes_ * 4, 0.0);
    lowestPlace_ = lo;
}

void FitRun::EvaluateConvolvedAnalytic(const ParameterVector& p) {
    const int h = SubPointHalfCount(s_.subdivision);
    const int m = 2 * h + 1;
    const double delta = s_.delta;
    const double area = p[2];
    const double nu0 = p[3];
    const double gamma = p[4];
    const double x1 = s_.x[1];

    for (std::size_t q = 0; q < gridNodes_; ++q) {
        const double centre = x1 + delta * static_cast<double>(gridFirst_ + static_cast<long>(q));
        double v = 0, dA = 0, dN = 0, dG = 0;
        for (int i = -h; i <= h; ++i) {
            const ShapeWithDerivatives d =
                DhoShapeWithDerivatives(centre + delta * i / m, area, nu0, gamma);
            v += d.value;
            dA += d.dArea;
            dN += d.dNu0;
            dG += d.dGamma;
        }
        double* g = &grid_[q * 4];
        g[0] = v;
        g[1] = dA;
        g[2] = dN;
        g[3] = dG;
    }

    const std::size_t count = kernelWeight_.size();
    const double* weight = kernelWeight_.data();
    for (std::size_t j = 1; j <= n_; ++j) {
        double v = 0, dA = 0, dN = 0, dG = 0;
        if (gridPlace_[j] != kOffGrid) {
            const double* g = &grid_[static_cast<std::size_t>(gridPlace_[j] - lowestPlace_) * 4];
            for (std::size_t k = 0; k < count; ++k) {
                const double w = weight[k];
                v += w * g[4 * k];
                dA += w * g[4 * k + 1];
                dN += w * g[4 * k + 2];
                dG += w * g[4 * k + 3];
            }
        } else {
            const double xj = s_.x[j];
            for (std::size_t k = 0; k < count; ++k) {
                const double offset =
                    delta * static_cast<double>(context_.kernelFirst + static_cast<long>(k) -
                                                kKernelCentre);
                double sv = 0, sA = 0, sN = 0, sG = 0;
                for (int i = -h; i <= h; ++i) {
                    const ShapeWithDerivatives d =
                        DhoShapeWithDerivatives(xj + offset + delta * i / m, area, nu0, gamma);
                    sv += d.value;
                    sA += d.dArea;
                    sN += d.dNu0;
                    sG += d.dGamma;
                }
                const double w = weight[k];
                v += w * sv;
                dA += w * sA;
                dN += w * sN;
                dG += w * sG;
            }
        }
        value_[j] = p[1] * kernelSum_ + v;
        double* d = &derivative_[j * 5];
        d[1] = 1.0;
        d[2] = dA;
        d[3] = dN;
        d[4] = dG;
    }
}

void FitRun::EvaluateModel(const ParameterVector& params) {
    if (fastConvolution_) {
        EvaluateConvolvedAnalytic(params);
        return;
    }
    for (std::size_t j = 1; j <= n_; ++j) {
        value_[j] = model_(s_.x[j], params.data(), &derivative_[j * 5], context_);
    }
}

void FitRun::Accumulate(const ParameterVector& params, FitMatrix& curvature,
                        ParameterVector& gradient, double& chisq) {
    for (int row = 1; row <= freeCount_; ++row) {
        for (int col = 1; col <= row; ++col) {
            curvature[row][col] = 0.0;
        }
        gradient[row] = 0.0;
    }
    chisq = 0.0;
    EvaluateModel(params);
    const std::array<int, 5>& isFree = s_.freeFlags;
    for (std::size_t j = 1; j <= n_; ++j) {
        const double* derivatives = &derivative_[j * 5];
        const double weight = 1.0 / (s_.sigma[j] * s_.sigma[j]);
        const double residual = s_.y[j] - value_[j];
        // row and col count free parameters only; k and l run over all four.
        for (int row = 0, k = 1; k <= 4; ++k) {
            if (!isFree[k]) {
                continue;
            }
            const double weighted = derivatives[k] * weight;
            ++row;
            for (int col = 0, l = 1; l <= k; ++l) {
                if (isFree[l]) {
                    curvature[row][++col] += weighted * derivatives[l];
                }
            }
            gradient[row] += residual * weighted;
        }
        chisq += residual * residual * weight;
    }
    for (int row = 2; row <= freeCount_; ++row) {
        for (int col = 1; col < row; ++col) {
            curvature[col][row] = curvature[row][col];
        }
    }
}

void FitRun::SolveWithLambda() {
    for (int row = 1; row <= freeCount_; ++row) {
        for (int col = 1; col <= freeCount_; ++col) {
            workMatrix_[row][col] = curvature_[row][col];
        }
        workMatrix_[row][row] = curvature_[row][row] * (1.0 + lambda_);
        rhs_[row] = gradient_[row];
    }
    GaussJordan(workMatrix_, freeCount_, rhs_);
    for (int row = 1; row <= freeCount_; ++row) {
        step_[row] = rhs_[row];
    }
}

void FitRun::Initialise() {
    freeCount_ = 0;
    for (int k = 1; k <= 4; ++k) {
        if (s_.freeFlags[k]) {
            ++freeCount_;
        }
    }
    lambda_ = kStartLambda;
    Accumulate(params_, curvature_, gradient_, acceptedChisq_);
    trialParams_ = params_;
    Step();
}

bool FitRun::Step() {
    SolveWithLambda();
    return TryStep();
}

bool FitRun::TryStep() {
    for (int row = 0, k = 1; k <= 4; ++k) {
        if (s_.freeFlags[k]) {
            trialParams_[k] = params_[k] + step_[++row];
        }
    }
    FitMatrix trialCurvature{};
    ParameterVector trialGradient{};
    double trialChisq = 0;
    Accumulate(trialParams_, trialCurvature, trialGradient, trialChisq);
    if (acceptedChisq_ > trialChisq) {
        lambda_ *= kLambdaDown;  // 0 stays 0 in the final call
        acceptedChisq_ = trialChisq;
        curvature_ = trialCurvature;
        gradient_ = trialGradient;
        params_ = trialParams_;
        return true;
    }
    lambda_ *= kLambdaUp;
    return false;
}

// Spreads the freeCount x freeCount result to 4 x 4: rows and columns of fixed parameters zero.
void FitRun::ExpandCovariance(FitMatrix& matrix, const std::array<int, 5>& isFree, int freeCount) {
    for (int row = freeCount + 1; row <= 4; ++row) {
        for (int col = 1; col <= row; ++col) {
            matrix[row][col] = matrix[col][row] = 0.0;
        }
    }
    int place = freeCount;
    for (int k = 4; k >= 1; --k) {
        if (isFree[k]) {
            for (int i = 1; i <= 4; ++i) {
                std::swap(matrix[i][place], matrix[i][k]);
            }
            for (int i = 1; i <= 4; ++i) {
                std::swap(matrix[place][i], matrix[k][i]);
            }
            --place;
        }
    }
}

void FitRun::Finish(bool polish) {
    lambda_ = 0.0;
    SolveWithLambda();
    // The stopping rule leaves the parameters some 1e-4 standard errors from the minimum; the
    // Gauss-Newton step that this solve yields anyway takes them the rest of the way.
    if (polish && TryStep()) {
        SolveWithLambda();
    }
    ExpandCovariance(workMatrix_, s_.freeFlags, freeCount_);
    ExpandCovariance(curvature_, s_.freeFlags, freeCount_);
}

void FitRun::EvaluateCurve(CCurveData<PointData>& curve) {
    curve.Clear();
    if (fastConvolution_) {
        EvaluateModel(params_);
        for (std::size_t j = 1; j <= n_; ++j) {
            curve.AddPoint(s_.x[j], value_[j]);
        }
        return;
    }
    for (std::size_t j = 1; j <= n_; ++j) {
        curve.AddPoint(s_.x[j], FittedCurveValue(s_.model, s_.x[j], params_.data(), context_));
    }
}

int stopWithCheck(FitEngineState& s, const std::string& message) {
    s.errorFlag = true;
    s.errorText = kFitErrorPrefix + message;
    return -1;
}

bool EvenInFrequency(int model) {
    return model == kModelDho || model == kModelConvolvedDho;
}

struct XRange {
    double lowest, highest;
    bool Holds(double v) const { return v >= lowest && v <= highest; }
};

XRange FittedRange(const FitEngineState& s) {
    const auto [lowest, highest] = std::minmax_element(s.x.begin() + 1, s.x.end());
    return {*lowest, *highest};
}

// Every shape is unchanged when area and width change sign together, and the DHO when the
// frequency does: a fit may end on either sign. The operator reads a positive width and the
// DHO frequency on the side of the data window.
void NormaliseSigns(ParameterVector& p, const FitEngineState& s) {
    const std::array<int, 5>& isFree = s.freeFlags;
    if (p[4] < 0 && isFree[2] && isFree[4]) {
        p[2] = -p[2];
        p[4] = -p[4];
    }
    const XRange range = FittedRange(s);
    if (isFree[3] && EvenInFrequency(s.model) && !range.Holds(p[3]) && range.Holds(-p[3])) {
        p[3] = -p[3];
    }
}

bool FiniteResult(const ParameterVector& p, const FitMatrix& covariance, double chisq) {
    bool finite = std::isfinite(chisq);
    for (int k = 1; k <= 4; ++k) {
        finite = finite && std::isfinite(p[static_cast<std::size_t>(k)]) &&
                 std::isfinite(covariance[k][k]);
    }
    return finite;
}

// Why the fitted parameters are no line of the data window, or nothing. A fixed centre or
// width is the operator's choice (a line's tail beside the window) and is not judged.
std::optional<std::string> OutsideTheWindow(const FitEngineState& s, const ParameterVector& p) {
    const XRange range = FittedRange(s);
    const double span = range.highest - range.lowest;
    const double centre = p[3];
    const double width = p[4];
    if (s.freeFlags[3] && !range.Holds(centre)) {
        return formatted("ERROR: Fit failed, centre %g outside the fitted range %g to %g", centre,
                         range.lowest, range.highest);
    }
    if (s.freeFlags[4] && !(width > 0)) {
        return formatted("ERROR: Fit failed, width %g is not positive", width);
    }
    if (s.freeFlags[4] && width > span) {
        return formatted("ERROR: Fit failed, width %g is larger than the fitted range %g", width,
                         span);
    }
    return std::nullopt;
}

}  // namespace

FitEngineState::FitEngineState() : kernel_(static_cast<std::size_t>(kKernelStorage), 0.0) {}

void FitEngineState::SetPoints(const std::vector<double>& xs, const std::vector<double>& ys) {
    x.assign(1, 0.0);
    y.assign(1, 0.0);
    x.insert(x.end(), xs.begin(), xs.end());
    y.insert(y.end(), ys.begin(), ys.end());
    y.resize(x.size(), 0.0);
}

void FitEngineState::SetResponse(const std::vector<double>& samples) {
    response.assign(1, 0.0);
    response.insert(response.end(), samples.begin(), samples.end());
}

std::optional<std::string> BuildConvolutionKernel(FitEngineState& s) {
    const int n = s.responseCount();
    if (n < 1 || n > kMaxResponseSamples) {
        return "ERROR: Convolution data points number out of range (MAIN #5)";
    }
    const std::vector<double>& r = s.response;
    double area = 0;
    int peak = 0;
    double highest = 0;
    for (int k = n; k >= 1; --k) {
        if (k < n) {
            area += (r[k] + r[k + 1]) / 2.0;
        }
        if (r[k] > highest) {
            highest = r[k];
            peak = k;
        }
    }
    if (peak == 0) {
        return "ERROR: No maximum in convolution function (MAIN #6)";
    }
    if (n == 1) {
        area = r[1];  // one sample has no trapezoid; it is the whole kernel
    }
    int centre = peak;
    if (!s.centreOnMaximum) {
        centre = s.responseCentreIndex;
        if (centre < 1 || centre > n) {
            return "ERROR: Convolution data points number out of range (MAIN #5)";
        }
    }
    double* kernel = s.KernelBase();
    for (int j = 1 - centre; j <= n - centre; ++j) {
        kernel[kKernelCentre + j] = r[static_cast<std::size_t>(centre + j)] / area;
    }
    s.kernelFirst = kKernelCentre + 1 - centre;
    return std::nullopt;
}

void GaussJordan(FitMatrix& matrix, int size, std::array<double, 5>& rhs) {
    std::array<int, 5> pivotRow{};      // row of the pivot of each pass
    std::array<int, 5> pivotColumn{};   // its column
    std::array<int, 5> timesPivoted{};  // per column
    for (int pass = 1; pass <= size; ++pass) {
        double largest = 0.0;
        int row = 0;
        int col = 0;
        for (int j = 1; j <= size; ++j) {
            if (timesPivoted[j] == 1) {
                continue;
            }
            for (int k = 1; k <= size; ++k) {
                if (timesPivoted[k] == 0) {
                    if (std::fabs(matrix[j][k]) >= largest) {
                        largest = std::fabs(matrix[j][k]);
                        row = j;
                        col = k;
                    }
                } else if (timesPivoted[k] > 1) {
                    throw KavroException("gaussj: Singular Matrix-1");
                }
            }
        }
        // Only NaN entries leave no pivot: the search would take a used column again.
        if (col == 0) {
            throw KavroException("gaussj: Singular Matrix-1");
        }
        ++timesPivoted[col];
        if (row != col) {
            std::swap(matrix[row], matrix[col]);
            std::swap(rhs[row], rhs[col]);
        }
        pivotRow[pass] = row;
        pivotColumn[pass] = col;
        if (matrix[col][col] == 0.0) {
            throw KavroException("gaussj: Singular Matrix-2");
        }
        const double inversePivot = 1.0 / matrix[col][col];
        matrix[col][col] = 1.0;
        for (int l = 1; l <= size; ++l) {
            matrix[col][l] *= inversePivot;
        }
        rhs[col] *= inversePivot;
        for (int other = 1; other <= size; ++other) {
            if (other == col) {
                continue;
            }
            const double factor = matrix[other][col];
            matrix[other][col] = 0.0;
            for (int l = 1; l <= size; ++l) {
                matrix[other][l] -= matrix[col][l] * factor;
            }
            rhs[other] -= rhs[col] * factor;
        }
    }
    for (int pass = size; pass >= 1; --pass) {
        if (pivotRow[pass] != pivotColumn[pass]) {
            for (int k = 1; k <= size; ++k) {
                std::swap(matrix[k][pivotRow[pass]], matrix[k][pivotColumn[pass]]);
            }
        }
    }
}

int RunFitDriver(FitEngineState& s, FitObserver* observer) {
    std::fill(s.KernelBase() - kKernelOffset, s.KernelBase() - kKernelOffset + kKernelStorage, 0.0);
    s.KernelBase()[kKernelCentre] = 1.0;
    s.kernelFirst = kKernelCentre;

    const std::size_t n = s.pointCount();
    if (n > kMaxFitPoints || n < 4) {
        return stopWithCheck(s, "Too many or too few points for analysis (MAIN #1)");
    }

    double sum = 0;
    double peakHeight = 0;
    double peakX = s.x[1];
    for (std::size_t j = 1; j <= n; ++j) {
        if (s.x[j] == 0.0) {
            s.x[j] = kZeroFrequencyShift;
        }
        sum += s.y[j];
        if (s.y[j] > peakHeight) {
            peakHeight = std::ceil(s.y[j]);
            peakX = s.x[j];
        }
    }
    s.delta = std::fabs(s.x[2] - s.x[1]);

    ParameterVector& p = s.parameters;
    const std::array<int, 5>& isFree = s.freeFlags;
    if (isFree[1] && p[1] == 0.0) {
        p[1] = (s.y[1] + s.y[n]) / 2.0;
    }
    if (isFree[2] && p[2] == 0.0) {
        p[2] = s.delta * sum;
    }
    if (isFree[3] && p[3] == 0.0) {
        p[3] = peakX;
    }
    if (isFree[4] && p[4] == 0.0) {
        p[4] = s.delta * sum / (kFitPi * peakHeight);
    }
    // A data window without a positive count gives no width guess; it is treated as no width.
    if (!(p[4] > 0.0)) {
        if (p[2] != 0.0) {
            return stopWithCheck(s, "ERROR: peak width <=0 (MAIN #4)");
        }
        p[4] = 1.0;
    }

    if (s.convolution) {
        if (auto failure = BuildConvolutionKernel(s)) {
            return stopWithCheck(s, *failure);
        }
    }

    s.sigma.assign(n + 1, 1.0);
    double weightedSquares = 0;  // the scale of an exact fit's rounding
    for (std::size_t j = 1; j <= n; ++j) {
        const double root = std::sqrt(s.y[j]);
        s.sigma[j] = root > 1.0 ? root : 1.0;
        weightedSquares += s.y[j] * s.y[j] / (s.sigma[j] * s.sigma[j]);
    }

    s.chisq = 0.0;
    if (s.maxIterations == 0) {
        return stopWithCheck(s, "ERROR: No iterations (MAIN #7)");
    }
    const int freeCount =
        static_cast<int>(std::count_if(isFree.begin() + 1, isFree.end(), [](int f) { return f; }));
    if (static_cast<int>(n) <= freeCount) {
        return stopWithCheck(
            s, formatted("ERROR: No degrees of freedom, %d points for %d free parameters",
                         static_cast<int>(n), freeCount));
    }

    try {
        FitRun run(s);
        run.Setup();
        run.Initialise();
        bool converged = false;
        int cycle = 1;
        for (; cycle <= s.maxIterations; ++cycle) {
            const double before = run.chisq();
            const bool accepted = run.Step();
            s.chisq = run.chisq();
            // A refused step only raises lambda; the fit goes on from the same parameters.
            if (accepted) {
                converged = (before - s.chisq) / s.chisq < kStopRatio ||
                            s.chisq <= kExactFitLevel * weightedSquares;
            } else {
                // With nothing free no step exists: the fit is at its end from the start.
                converged = run.lambda() > kLambdaLimit || run.freeCount() == 0;
            }
            if (converged) {
                break;
            }
            if (observer != nullptr && observer->cycleDone(cycle, s.maxIterations)) {
                return stopWithCheck(s, "ERROR: USER ABORT");
            }
        }
        s.iterationsPerformed = cycle;
        run.Finish(converged);
        s.chisq = run.chisq();

        ParameterVector fitted = run.parameters();
        NormaliseSigns(fitted, s);
        if (!FiniteResult(fitted, run.covariance(), s.chisq)) {
            return stopWithCheck(s, "ERROR: Fit failed, the result is not finite");
        }
        // An unfinished fit is judged when it ends; until then its values are the next start.
        if (converged) {
            if (auto failure = OutsideTheWindow(s, fitted)) {
                return stopWithCheck(s, *failure);
            }
        }
        s.degreesOfFreedom = static_cast<int>(n) - run.freeCount();
        s.reducedChisq = s.chisq / s.degreesOfFreedom;
        s.parameters = fitted;
        for (int k = 1; k <= 4; ++k) {
            s.errors[static_cast<std::size_t>(k)] = std::sqrt(std::fabs(run.covariance()[k][k]));
        }
        run.EvaluateCurve(s.fittedCurve);
        if (!converged) {
            return stopWithCheck(s, formatted("ERROR: Not converged in %d fitting cycles",
                                              static_cast<int>(s.maxIterations)));
        }
        return 0;
    } catch (const std::bad_alloc&) {
        s.parameters = {0, 0, 0, 0, 0};
        s.errors = {0, 1.0, 1.0, 1.0, 1.0};
        if (observer != nullptr) {
            observer->fitFailed("Error during fit : allocation failure in vector()");
        }
        return -1;
    } catch (const KavroException& e) {
        s.parameters = {0, 0, 0, 0, 0};
        s.errors = {0, 1.0, 1.0, 1.0, 1.0};
        if (observer != nullptr) {
            observer->fitFailed(std::string("Error during fit : ") + e.what());
        }
        return -1;
    }
}
