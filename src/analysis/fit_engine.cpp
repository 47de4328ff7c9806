#include "analysis/fit_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

namespace {

constexpr double kStopRatio = 0.0001;
constexpr double kFirstPrevious = 1e10;
constexpr double kZeroFrequencyShift = 0.001;
// A point is on the data grid when it is within this fraction of a spacing of its grid place.
constexpr double kGridTolerance = 1e-9;
constexpr long kOffGrid = std::numeric_limits<long>::min();

// Everything one fit needs besides the state, sized once before the iterations.
class FitRun {
public:
    explicit FitRun(FitEngineState& s) : s_(s), n_(s.pointCount()) {}

    void Setup();
    void Initialise();  // the first call: lambda 0.001, then a step
    void Step();        // every further call: solve with the current lambda, try, accept or not
    void Finish();      // lambda = 0: covariance in covar_
    double chisq() const { return chisq_; }
    const std::array<double, 5>& parameters() const { return a_; }
    const FitMatrix& covariance() const { return covar_; }
    int freeCount() const { return mfit_; }
    void EvaluateCurve(CCurveData<PointData>& curve);

private:
    void Accumulate(const std::array<double, 5>& params, FitMatrix& alpha,
                    std::array<double, 5>& beta, double& chisq);
    void EvaluateModel(const std::array<double, 5>& params);
    void EvaluateConvolvedAnalytic(const std::array<double, 5>& params);
    void SolveWithLambda();
    static void ExpandCovariance(FitMatrix& m, const std::array<int, 5>& freeFlags, int mfit);

    FitEngineState& s_;
    std::size_t n_;
    FitModelFunction model_ = nullptr;
    ConvolutionContext context_;
    bool fastConvolution_ = false;

    std::array<double, 5> a_{};
    std::array<double, 5> atry_{};
    std::array<double, 5> beta_{};
    std::array<double, 5> da_{};
    std::array<double, 5> oneda_{};
    FitMatrix alpha_{};
    FitMatrix covar_{};
    int mfit_ = 0;
    double lambda_ = -1;
    double chisq_ = 0;
    double ochisq_ = 0;

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
    a_ = s_.a;
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

void FitRun::EvaluateConvolvedAnalytic(const std::array<double, 5>& p) {
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

void FitRun::EvaluateModel(const std::array<double, 5>& params) {
    if (fastConvolution_) {
        EvaluateConvolvedAnalytic(params);
        return;
    }
    for (std::size_t j = 1; j <= n_; ++j) {
        value_[j] = model_(s_.x[j], params.data(), &derivative_[j * 5], context_);
    }
}

void FitRun::Accumulate(const std::array<double, 5>& params, FitMatrix& alpha,
                        std::array<double, 5>& beta, double& chisq) {
    for (int j = 1; j <= mfit_; ++j) {
        for (int k = 1; k <= j; ++k) {
            alpha[j][k] = 0.0;
        }
        beta[j] = 0.0;
    }
    chisq = 0.0;
    EvaluateModel(params);
    const std::array<int, 5>& ia = s_.freeFlags;
    for (std::size_t i = 1; i <= n_; ++i) {
        const double* dyda = &derivative_[i * 5];
        const double sig2i = 1.0 / (s_.sig[i] * s_.sig[i]);
        const double dy = s_.y[i] - value_[i];
        for (int j = 0, l = 1; l <= 4; ++l) {
            if (ia[l]) {
                const double wt = dyda[l] * sig2i;
                ++j;
                for (int k = 0, m = 1; m <= l; ++m) {
                    if (ia[m]) {
                        alpha[j][++k] += wt * dyda[m];
                    }
                }
                beta[j] += dy * wt;
            }
        }
        chisq += dy * dy * sig2i;
    }
    for (int j = 2; j <= mfit_; ++j) {
        for (int k = 1; k < j; ++k) {
            alpha[k][j] = alpha[j][k];
        }
    }
}

void FitRun::SolveWithLambda() {
    for (int j = 1; j <= mfit_; ++j) {
        for (int k = 1; k <= mfit_; ++k) {
            covar_[j][k] = alpha_[j][k];
        }
        covar_[j][j] = alpha_[j][j] * (1.0 + lambda_);
        oneda_[j] = beta_[j];
    }
    GaussJordan(covar_, mfit_, oneda_);
    for (int j = 1; j <= mfit_; ++j) {
        da_[j] = oneda_[j];
    }
}

void FitRun::Initialise() {
    mfit_ = 0;
    for (int j = 1; j <= 4; ++j) {
        if (s_.freeFlags[j]) {
            ++mfit_;
        }
    }
    lambda_ = 0.001;
    Accumulate(a_, alpha_, beta_, chisq_);
    ochisq_ = chisq_;
    atry_ = a_;
    Step();
}

void FitRun::Step() {
    SolveWithLambda();
    for (int j = 0, l = 1; l <= 4; ++l) {
        if (s_.freeFlags[l]) {
            atry_[l] = a_[l] + da_[++j];
        }
    }
    FitMatrix trialAlpha{};
    std::array<double, 5> trialBeta{};
    Accumulate(atry_, trialAlpha, trialBeta, chisq_);
    if (ochisq_ > chisq_) {
        lambda_ *= 0.1;
        ochisq_ = chisq_;
        alpha_ = trialAlpha;
        beta_ = trialBeta;
        a_ = atry_;
    } else {
        lambda_ *= 10.0;
        chisq_ = ochisq_;
    }
}

void FitRun::ExpandCovariance(FitMatrix& m, const std::array<int, 5>& ia, int mfit) {
    for (int i = mfit + 1; i <= 4; ++i) {
        for (int j = 1; j <= i; ++j) {
            m[i][j] = m[j][i] = 0.0;
        }
    }
    int k = mfit;
    for (int j = 4; j >= 1; --j) {
        if (ia[j]) {
            for (int i = 1; i <= 4; ++i) {
                std::swap(m[i][k], m[i][j]);
            }
            for (int i = 1; i <= 4; ++i) {
                std::swap(m[k][i], m[j][i]);
            }
            --k;
        }
    }
}

void FitRun::Finish() {
    lambda_ = 0.0;
    SolveWithLambda();
    ExpandCovariance(covar_, s_.freeFlags, mfit_);
    ExpandCovariance(alpha_, s_.freeFlags, mfit_);
}

void FitRun::EvaluateCurve(CCurveData<PointData>& curve) {
    curve.Clear();
    if (fastConvolution_) {
        EvaluateModel(a_);
        for (std::size_t j = 1; j <= n_; ++j) {
            curve.AddPoint(s_.x[j], value_[j]);
        }
        return;
    }
    for (std::size_t j = 1; j <= n_; ++j) {
        curve.AddPoint(s_.x[j], FittedCurveValue(s_.model, s_.x[j], a_.data(), context_));
    }
}

int stopWithCheck(FitEngineState& s, const char* message) {
    s.errorFlag = true;
    s.errorText = std::string(kFitErrorPrefix) + message;
    return -1;
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

void GaussJordan(FitMatrix& a, int n, std::array<double, 5>& b) {
    std::array<int, 5> indxc{};
    std::array<int, 5> indxr{};
    std::array<int, 5> ipiv{};
    for (int i = 1; i <= n; ++i) {
        double big = 0.0;
        int irow = 0;
        int icol = 0;
        for (int j = 1; j <= n; ++j) {
            if (ipiv[j] != 1) {
                for (int k = 1; k <= n; ++k) {
                    if (ipiv[k] == 0) {
                        if (std::fabs(a[j][k]) >= big) {
                            big = std::fabs(a[j][k]);
                            irow = j;
                            icol = k;
                        }
                    } else if (ipiv[k] > 1) {
                        throw KavroException("gaussj: Singular Matrix-1");
                    }
                }
            }
        }
        // Only NaN entries leave no pivot: the search would take a used column again.
        if (icol == 0) {
            throw KavroException("gaussj: Singular Matrix-1");
        }
        ++ipiv[icol];
        if (irow != icol) {
            std::swap(a[irow], a[icol]);
            std::swap(b[irow], b[icol]);
        }
        indxr[i] = irow;
        indxc[i] = icol;
        if (a[icol][icol] == 0.0) {
            throw KavroException("gaussj: Singular Matrix-2");
        }
        const double pivinv = 1.0 / a[icol][icol];
        a[icol][icol] = 1.0;
        for (int l = 1; l <= n; ++l) {
            a[icol][l] *= pivinv;
        }
        b[icol] *= pivinv;
        for (int ll = 1; ll <= n; ++ll) {
            if (ll != icol) {
                const double dum = a[ll][icol];
                a[ll][icol] = 0.0;
                for (int l = 1; l <= n; ++l) {
                    a[ll][l] -= a[icol][l] * dum;
                }
                b[ll] -= b[icol] * dum;
            }
        }
    }
    for (int l = n; l >= 1; --l) {
        if (indxr[l] != indxc[l]) {
            for (int k = 1; k <= n; ++k) {
                std::swap(a[k][indxr[l]], a[k][indxc[l]]);
            }
        }
    }
}

int RunFitDriver(FitEngineState& s, FitObserver* observer) {
    // 1. Kernel reset
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

    std::array<double, 5>& a = s.a;
    const std::array<int, 5>& isFree = s.freeFlags;
    if (isFree[1] && a[1] == 0.0) {
        a[1] = (s.y[1] + s.y[n]) / 2.0;
    }
    if (isFree[2] && a[2] == 0.0) {
        a[2] = s.delta * sum;
    }
    if (isFree[3] && a[3] == 0.0) {
        a[3] = peakX;
    }
    if (isFree[4] && a[4] == 0.0) {
        a[4] = s.delta * sum / (kFitPi * peakHeight);
    }
    // A data window without a positive count gives no width guess; it is treated as no width.
    if (!(a[4] > 0.0)) {
        if (a[2] != 0.0) {
            return stopWithCheck(s, "ERROR: peak width <=0 (MAIN #4)");
        }
        a[4] = 1.0;
    }

    if (s.convolution) {
        if (auto failure = BuildConvolutionKernel(s)) {
            return stopWithCheck(s, failure->c_str());
        }
    }

    s.sig.assign(n + 1, 1.0);
    for (std::size_t j = 1; j <= n; ++j) {
        const double root = std::sqrt(s.y[j]);
        s.sig[j] = root > 1.0 ? root : 1.0;
    }

    s.chisq = 0.0;
    if (s.maxIterations == 0) {
        return stopWithCheck(s, "ERROR: No iterations (MAIN #7)");
    }

    try {
        FitRun run(s);
        run.Setup();
        run.Initialise();
        double previous = kFirstPrevious;
        int cycle = 1;
        for (; cycle <= s.maxIterations; ++cycle) {
            run.Step();
            s.chisq = run.chisq();
            const double ratio = (previous - s.chisq) / s.chisq;
            if (ratio >= 0 && ratio < kStopRatio) {
                break;
            }
            previous = s.chisq;
            if (observer != nullptr && observer->cycleDone(cycle, s.maxIterations)) {
                return stopWithCheck(s, "ERROR: USER ABORT");
            }
        }
        s.iterationsPerformed = cycle;
        run.Finish();
        s.degreesOfFreedom = static_cast<int>(n) - run.freeCount();
        s.reducedChisq = s.chisq / s.degreesOfFreedom;
        s.a = run.parameters();
        for (int k = 1; k <= 4; ++k) {
            s.errors[k] = std::sqrt(std::fabs(run.covariance()[k][k]));
        }
        run.EvaluateCurve(s.fittedCurve);
        return 0;
    } catch (const std::bad_alloc&) {
        s.a = {0, 0, 0, 0, 0};
        s.errors = {0, 1.0, 1.0, 1.0, 1.0};
        if (observer != nullptr) {
            observer->fitFailed("Error during fit : allocation failure in vector()");
        }
        return -1;
    } catch (const KavroException& e) {
        s.a = {0, 0, 0, 0, 0};
        s.errors = {0, 1.0, 1.0, 1.0, 1.0};
        if (observer != nullptr) {
            observer->fitFailed(std::string("Error during fit : ") + e.what());
        }
        return -1;
    }
}
