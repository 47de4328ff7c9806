#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/fit_engine.h"
#include "fit_test_support.h"

namespace {

class RecordingObserver : public FitObserver {
public:
    int abortAfter = -1;  // cycle after which an abort is requested
    std::vector<int> cycles;
    std::vector<std::string> failures;
    bool cycleDone(int cycle, int) override {
        cycles.push_back(cycle);
        return cycle == abortAfter;
    }
    void fitFailed(const std::string& message) override { failures.push_back(message); }
};

// A noise-free line on a baseline over channels first..last of a 30 GHz, 1024-channel scan.
FitEngineState LineState(int code, LineParameters p, int first = 560, int last = 680) {
    FitEngineState s;
    const std::vector<double> xs = WindowFrequencies(first, last);
    std::vector<double> ys;
    for (double x : xs) {
        double value = 0;
        switch (code) {
            case kModelLorentzian:
                value = LorentzianShape(x, p.A, p.nu0, p.Gamma);
                break;
            case kModelGaussian:
                value = GaussianShape(x, p.A, p.nu0, p.Gamma);
                break;
            default:
                value = DhoShape(x, p.A, p.nu0, p.Gamma);
        }
        ys.push_back(std::round(p.B + value));
    }
    s.SetPoints(xs, ys);
    s.model = code;
    s.maxIterations = 50;
    return s;
}

const std::string kPrefix = "GFIT ERROR:\n";

}  // namespace

TEST(FitDriver, ChecksStopTheFitWithTheirTexts) {
    struct Case {
        const char* name;
        std::size_t points;
        int maxIterations;
        double gamma;
        int gammaFree;
        const char* message;
    };
    const Case cases[] = {
        {"3 points", 3, 20, 0, 1, "Too many or too few points for analysis (MAIN #1)"},
        {"5001 points", 5001, 20, 0, 1, "Too many or too few points for analysis (MAIN #1)"},
        {"no iterations", 100, 0, 0, 1, "ERROR: No iterations (MAIN #7)"},
        {"negative width", 100, 20, -1, 0, "ERROR: peak width <=0 (MAIN #4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FitEngineState s;
        std::vector<double> xs, ys;
        for (std::size_t j = 0; j < c.points; ++j) {
            xs.push_back(1.0 + 0.05 * static_cast<double>(j));
            ys.push_back(j == c.points / 2 ? 500.0 : 20.0);
        }
        s.SetPoints(xs, ys);
        s.maxIterations = static_cast<std::uint16_t>(c.maxIterations);
        s.parameters[4] = c.gamma;
        s.freeFlags[4] = c.gammaFree;
        s.fittedCurve.AddPoint(1, 2);
        EXPECT_EQ(RunFitDriver(s), -1);
        EXPECT_TRUE(s.errorFlag);
        EXPECT_EQ(s.errorText, kPrefix + c.message);
        EXPECT_EQ(s.fittedCurve.GetCount(), 1) << "the fitted curve is not touched";
    }
}

TEST(FitDriver, NoIterationsStoresTheGuesses) {
    FitEngineState s;
    const std::vector<double> xs{-0.1, 0.0, 0.1, 0.2, 0.3};
    s.SetPoints(xs, {4, 9, 30.5, 12, 6});
    s.maxIterations = 0;
    EXPECT_EQ(RunFitDriver(s), -1);
    EXPECT_EQ(s.errorText, kPrefix + "ERROR: No iterations (MAIN #7)");
    const double delta = 0.001 - -0.1;  // taken after the point at 0 GHz has moved
    EXPECT_DOUBLE_EQ(s.parameters[1], (4 + 6) / 2.0);
    EXPECT_DOUBLE_EQ(s.parameters[2], delta * 61.5);
    EXPECT_DOUBLE_EQ(s.parameters[3], 0.1);
    EXPECT_DOUBLE_EQ(s.parameters[4], delta * 61.5 / (kFitPi * 31));  // peak height rounded up
    EXPECT_EQ(s.x[2], 0.001) << "a point at 0 GHz moves";
    EXPECT_EQ(s.sigma[1], 2.0);
    EXPECT_EQ(s.sigma[2], 3.0);
}

TEST(FitDriver, WeightsFollowTheCounts) {
    FitEngineState s;
    s.SetPoints({1, 2, 3, 4, 5, 6}, {0, 1, 9, 0.25, 2, 100});
    s.maxIterations = 0;
    RunFitDriver(s);
    const double expected[] = {0, 1, 1, 3, 1, std::sqrt(2.0), 10};
    for (int j = 1; j <= 6; ++j) {
        EXPECT_DOUBLE_EQ(s.sigma[static_cast<std::size_t>(j)], expected[j]) << "point " << j;
    }
}

TEST(FitDriver, WidthWithoutAreaBecomesOne) {
    FitEngineState s;
    s.SetPoints({1, 2, 3, 4, 5}, {3, 3, 3, 3, 3});
    s.maxIterations = 0;
    s.parameters[2] = 0;
    s.freeFlags[2] = 0;
    s.parameters[4] = -2;
    s.freeFlags[4] = 0;
    RunFitDriver(s);
    EXPECT_EQ(s.errorText, kPrefix + "ERROR: No iterations (MAIN #7)");
    EXPECT_EQ(s.parameters[4], 1.0);

    // No positive count gives no width guess; with a guessed area of 0 that is the same case.
    FitEngineState empty;
    empty.SetPoints({1, 2, 3, 4, 5}, {0, 0, 0, 0, 0});
    empty.maxIterations = 0;
    RunFitDriver(empty);
    EXPECT_EQ(empty.parameters[4], 1.0);
}

TEST(FitDriver, AConvergedFitEndsOnASmallAcceptedDecrease) {
    // Only the baseline free: a linear problem, solved by the first steps, so the next cycle
    // gains almost nothing and ends the loop.
    FitEngineState linear = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
    linear.parameters = {0, 10, 300, 2.5, 0.3};
    linear.freeFlags = {0, 1, 0, 0, 0};
    RecordingObserver observer;
    ASSERT_EQ(RunFitDriver(linear, &observer), 0);
    EXPECT_EQ(linear.errorText, "NO ERROR");
    EXPECT_LE(linear.iterationsPerformed, 3);
    EXPECT_EQ(static_cast<int>(observer.cycles.size()), linear.iterationsPerformed - 1)
        << "the cycle that ends the loop is not reported";
}

TEST(FitDriver, RefusedStepsRaiseLambdaUntilNoStepIsLeft) {
    // Counts equal to the model at the start: chi-square is 0 and no step can lower it.
    FitEngineState exact = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
    exact.parameters = {0, 40, 300, 2.5, 0.3};
    exact.freeFlags = {0, 0, 0, 0, 0};
    exact.maxIterations = 1;
    ASSERT_EQ(RunFitDriver(exact), 0);
    std::vector<double> xs, ys;
    for (const PointData& p : exact.fittedCurve.points()) {
        xs.push_back(p.x);
        ys.push_back(p.value);
    }
    FitEngineState s = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
    s.SetPoints(xs, ys);
    s.parameters = {0, 40, 300, 2.5, 0.3};
    s.maxIterations = 50;
    RecordingObserver observer;
    ASSERT_EQ(RunFitDriver(s, &observer), 0) << s.errorText;
    EXPECT_EQ(s.chisq, 0.0);
    // lambda 0.001, times 10 for the first refused step and for each cycle: past 1e10 at 13.
    EXPECT_EQ(s.iterationsPerformed, 13);
    EXPECT_EQ(s.parameters, (std::array<double, 5>{0, 40, 300, 2.5, 0.3}));
}

TEST(FitDriver, RunningOutOfCyclesIsNotConvergedAndTheNextFitGoesOn) {
    for (int maxIterations : {1, 2}) {
        SCOPED_TRACE(testing::Message() << maxIterations << " cycles");
        FitEngineState s = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
        const std::array<double, 5> start{0, 10, 100, 2.0, 0.8};
        s.parameters = start;
        s.maxIterations = static_cast<std::uint16_t>(maxIterations);
        RecordingObserver counted;
        EXPECT_EQ(RunFitDriver(s, &counted), -1);
        EXPECT_TRUE(s.errorFlag);
        EXPECT_EQ(s.errorText, kPrefix + "ERROR: Not converged in " +
                                   std::to_string(maxIterations) + " fitting cycles");
        EXPECT_EQ(s.iterationsPerformed, maxIterations + 1);
        EXPECT_EQ(static_cast<int>(counted.cycles.size()), maxIterations);
        EXPECT_NE(s.parameters, start) << "the values reached are kept";
        EXPECT_EQ(s.fittedCurve.GetCount(), 121);

        // FIT pressed again goes on from there to the line.
        s.errorFlag = false;
        s.errorText = "NO ERROR";
        s.maxIterations = 50;
        ASSERT_EQ(RunFitDriver(s), 0) << s.errorText;
        EXPECT_NEAR(s.parameters[3], 2.5, 1e-3);
    }
}

TEST(FitDriver, ZeroDegreesOfFreedomIsACheck) {
    const std::vector<double> xs{1.0, 1.1, 1.2, 1.3};
    const std::vector<double> ys{12, 40, 25, 11};
    FitEngineState s;
    s.SetPoints(xs, ys);
    s.maxIterations = 20;
    s.reducedChisq = 1.5;  // from an earlier fit
    EXPECT_EQ(RunFitDriver(s), -1);
    EXPECT_EQ(s.errorText,
              kPrefix + "ERROR: No degrees of freedom, 4 points for 4 free parameters");
    EXPECT_EQ(s.reducedChisq, 1.5);

    // One parameter fixed leaves one degree of freedom.
    FitEngineState fixed;
    fixed.SetPoints(xs, ys);
    fixed.model = kModelGaussian;  // four points give a Lorentzian no minimum: it narrows on
    fixed.maxIterations = 50;
    fixed.parameters[1] = 10;
    fixed.freeFlags[1] = 0;
    ASSERT_EQ(RunFitDriver(fixed), 0) << fixed.errorText;
    EXPECT_EQ(fixed.degreesOfFreedom, 1);
    EXPECT_TRUE(std::isfinite(fixed.reducedChisq));
    EXPECT_DOUBLE_EQ(fixed.reducedChisq, fixed.chisq);
}

TEST(FitDriver, AResultThatIsNoLineOfTheWindowFails) {
    // Counts of shapes the fitted model cannot follow inside channels 560..680 (x from 1.41 to
    // 4.93 GHz): each fit converges, to no line of the window.
    struct Case {
        const char* name;
        int model;
        double (*counts)(double x);
        std::array<double, 5> start;  // 0 and free: guessed
        std::array<int, 5> freeFlags;
        const char* message;  // the start of the text after "GFIT ERROR:\n"
        const char* ending;   // the end of that text
    };
    const Case cases[] = {
        {"a bump far wider than the window",
         kModelLorentzian,
         [](double x) { return std::round(100 + 50000 * LorentzianShape(x, 1, 3.2, 50)); },
         {0, 0, 0, 0, 0},
         {0, 1, 1, 1, 1},
         "ERROR: Fit failed, centre 1.3",
         " outside the fitted range 1.40762 to 4.92669"},
        {"a dip with the area fixed: width beyond the window",
         kModelLorentzian,
         [](double x) { return std::round(500 - 300 * LorentzianShape(x, 1, 3.0, 0.3)); },
         {0, 0, 100, 3.0, 0.02},
         {0, 1, 0, 0, 1},
         "ERROR: Fit failed, width ",
         " is larger than the fitted range 3.51906"},
        {"a dip with the area fixed: width through zero",
         kModelLorentzian,
         [](double x) { return std::round(500 - 300 * LorentzianShape(x, 1, 3.0, 0.3)); },
         {0, 0, 30, 3.0, 0.001},
         {0, 1, 0, 0, 1},
         "ERROR: Fit failed, width -0.00",
         " is not positive"},
        {"a narrow Gaussian dip with the area fixed",
         kModelGaussian,
         [](double x) { return std::round(500 - 300 * GaussianShape(x, 1, 3.0, 0.3)); },
         {0, 0, 30, 3.0, 0.001},
         {0, 1, 0, 0, 1},
         "ERROR: Fit failed, the result is not finite",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FitEngineState s;
        const std::vector<double> xs = WindowFrequencies(560, 680);
        std::vector<double> ys;
        for (double x : xs) {
            ys.push_back(c.counts(x));
        }
        s.SetPoints(xs, ys);
        s.model = c.model;
        s.parameters = c.start;
        s.freeFlags = c.freeFlags;
        s.maxIterations = 0;
        RunFitDriver(s);  // the initial pass: guesses stored
        const std::array<double, 5> guessed = s.parameters;
        s.errorFlag = false;
        s.errorText = "NO ERROR";
        s.maxIterations = 200;
        s.fittedCurve.AddPoint(1, 2);
        RecordingObserver observer;
        EXPECT_EQ(RunFitDriver(s, &observer), -1);
        EXPECT_TRUE(observer.failures.empty());
        EXPECT_TRUE(s.errorFlag);
        EXPECT_EQ(s.errorText.rfind(kPrefix + c.message, 0), 0u) << s.errorText;
        EXPECT_TRUE(s.errorText.ends_with(c.ending)) << s.errorText;
        EXPECT_LT(s.iterationsPerformed, 200) << "it converged there";
        EXPECT_EQ(s.parameters, guessed) << "the start values stay for the next fit";
        EXPECT_EQ(s.fittedCurve.GetCount(), 1) << "the fitted curve is not touched";
    }
}

TEST(FitDriver, EqualCurvesReportThePositiveFrequencyAndWidth) {
    // The DHO is even in its frequency: a start of the wrong sign ends at the same curve, read
    // on the side of the window. Channels 600..760 lie at +2.6..+7.3 GHz, 264..424 at the
    // mirror image.
    struct Case {
        int first, last;
        double start, expected;
    };
    const Case cases[] = {
        {600, 760, -5.2, 5.0}, {264, 424, 5.2, -5.0}, {264, 424, 0, -5.0}, {600, 760, 0, 5.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channels " << c.first << " from " << c.start);
        FitEngineState s = LineState(kModelDho, {25, 800, 5.0, 0.4}, c.first, c.last);
        s.parameters = {0, 0, 0, c.start, 0.5};
        ASSERT_EQ(RunFitDriver(s), 0) << s.errorText;
        EXPECT_NEAR(s.parameters[3], c.expected, 1e-3);
        EXPECT_NEAR(s.parameters[4], 0.4, 1e-3);
    }

    // A fixed centre beside the window is the operator's choice: the tail of a line is fitted.
    FitEngineState tail = LineState(kModelLorentzian, {30, 2000, 6.0, 0.5});
    tail.parameters = {0, 0, 0, 6.0, 0};
    tail.freeFlags = {0, 1, 1, 0, 1};
    ASSERT_EQ(RunFitDriver(tail), 0) << tail.errorText;
    EXPECT_NEAR(tail.parameters[4], 0.5, 0.01);
}

TEST(FitDriver, FixedParametersKeepTheirValues) {
    FitEngineState s = LineState(kModelDho, {25, 800, 5.0, 0.4}, 600, 760);
    s.parameters = {0, 0, 0, 5.1, 0.45};
    s.freeFlags = {0, 1, 1, 0, 0};
    ASSERT_EQ(RunFitDriver(s), 0);
    EXPECT_EQ(s.parameters[3], 5.1);
    EXPECT_EQ(s.parameters[4], 0.45);
    EXPECT_EQ(s.errors[3], 0.0);
    EXPECT_EQ(s.errors[4], 0.0);
    EXPECT_GT(s.errors[1], 0.0);
    EXPECT_GT(s.errors[2], 0.0);
    EXPECT_EQ(s.degreesOfFreedom, 161 - 2);
    EXPECT_DOUBLE_EQ(s.reducedChisq, s.chisq / 159);
    EXPECT_EQ(s.errorText, "NO ERROR");
    ASSERT_EQ(s.fittedCurve.GetCount(), 161);
    EXPECT_DOUBLE_EQ(s.fittedCurve[7].value,
                     s.parameters[1] + DhoShape(s.x[8], s.parameters[2], 5.1, 0.45));
}

TEST(FitDriver, UserAbortStopsAfterTheCurrentCycle) {
    FitEngineState s = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
    s.parameters = {0, 10, 100, 2.0, 0.8};
    const std::array<double, 5> start = s.parameters;
    RecordingObserver observer;
    observer.abortAfter = 2;
    EXPECT_EQ(RunFitDriver(s, &observer), -1);
    EXPECT_EQ(s.errorText, kPrefix + "ERROR: USER ABORT");
    EXPECT_EQ(observer.cycles, (std::vector<int>{1, 2}));
    EXPECT_EQ(s.parameters, start);
}

TEST(FitDriver, NumericFailuresZeroTheParameters) {
    // With the area fixed at 0 the frequency and width have no influence: singular.
    FitEngineState s = LineState(kModelDho, {25, 800, 5.0, 0.4}, 600, 760);
    s.parameters = {0, 20, 0, 5, 0.4};
    s.freeFlags = {0, 1, 0, 1, 1};
    RecordingObserver observer;
    EXPECT_EQ(RunFitDriver(s, &observer), -1);
    EXPECT_FALSE(s.errorFlag) << "a numeric failure is not a check";
    EXPECT_EQ(observer.failures,
              std::vector<std::string>{"Error during fit : gaussj: Singular Matrix-2"});
    EXPECT_EQ(s.parameters, (std::array<double, 5>{0, 0, 0, 0, 0}));
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(s.errors[static_cast<std::size_t>(k)], 1.0);
    }
}

TEST(FitDriver, UnknownModelIsANumericFailure) {
    FitEngineState s = LineState(kModelLorentzian, {40, 300, 2.5, 0.3});
    s.model = 0;
    RecordingObserver observer;
    EXPECT_EQ(RunFitDriver(s, &observer), -1);
    EXPECT_EQ(observer.failures,
              std::vector<std::string>{"Error during fit : unknown fitting model"});
}

TEST(GaussJordanElimination, InvertsAndSolves) {
    FitMatrix a{};
    a[1] = {0, 2, 1, 0, 0};
    a[2] = {0, 1, 3, 1, 0};
    a[3] = {0, 0, 1, 4, 0};
    const FitMatrix original = a;
    std::array<double, 5> b{0, 1, 2, 3, 0};
    GaussJordan(a, 3, b);
    for (int i = 1; i <= 3; ++i) {
        double row = 0;
        for (int k = 1; k <= 3; ++k) {
            row += original[i][k] * b[k];
            double product = 0;
            for (int l = 1; l <= 3; ++l) {
                product += original[i][l] * a[l][k];
            }
            EXPECT_NEAR(product, i == k ? 1.0 : 0.0, 1e-14);
        }
        EXPECT_NEAR(row, static_cast<double>(i), 1e-14);
    }
}

TEST(GaussJordanElimination, SingularMatricesRaise) {
    auto message = [](FitMatrix a, int m) {
        std::array<double, 5> b{0, 1, 1, 1, 1};
        try {
            GaussJordan(a, m, b);
        } catch (const KavroException& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    FitMatrix rankOne{};
    rankOne[1] = {0, 1, 2, 0, 0};
    rankOne[2] = {0, 2, 4, 0, 0};
    EXPECT_EQ(message(rankOne, 2), "gaussj: Singular Matrix-2");
    FitMatrix zero{};
    EXPECT_EQ(message(zero, 3), "gaussj: Singular Matrix-2");
    FitMatrix undefined{};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    undefined[1] = {0, 1, 0, 0, 0};
    undefined[2] = {0, 0, nan, nan, 0};
    undefined[3] = {0, 0, nan, nan, 0};
    EXPECT_EQ(message(undefined, 3), "gaussj: Singular Matrix-1");
}

TEST(ConvolutionKernel, CentresAndChecks) {
    struct Case {
        const char* name;
        std::vector<double> r;
        int centreOnMaximum;
        int centreIndex;
        int expectedFirst;  // s, or 0 for a failure
        const char* failure;
    };
    const Case cases[] = {
        {"later of two equal maxima", {1, 5, 2, 5, 1}, 1, 0, 2501 - 4, nullptr},
        {"all zero", {0, 0, 0, 0}, 1, 0, 0, "ERROR: No maximum in convolution function (MAIN #6)"},
        {"empty", {}, 1, 0, 0, "ERROR: Convolution data points number out of range (MAIN #5)"},
        {"on zero", {1, 5, 2, 3, 1}, 0, 4, 2501 - 4, nullptr},
        {"centre outside",
         {1, 5, 2},
         0,
         4,
         0,
         "ERROR: Convolution data points number out of range (MAIN #5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FitEngineState s;
        s.SetResponse(c.r);
        s.centreOnMaximum = static_cast<std::uint8_t>(c.centreOnMaximum);
        s.responseCentreIndex = static_cast<std::uint16_t>(c.centreIndex);
        const auto failure = BuildConvolutionKernel(s);
        if (c.failure != nullptr) {
            ASSERT_TRUE(failure.has_value());
            EXPECT_EQ(*failure, c.failure);
            continue;
        }
        ASSERT_FALSE(failure.has_value()) << *failure;
        EXPECT_EQ(s.kernelFirst, c.expectedFirst);
        double area = 0;
        for (std::size_t k = 1; k + 1 <= c.r.size(); ++k) {
            area += (c.r[k - 1] + c.r[k]) / 2;
        }
        for (std::size_t k = 0; k < c.r.size(); ++k) {
            EXPECT_DOUBLE_EQ(s.KernelAt(s.kernelFirst + static_cast<int>(k)), c.r[k] / area);
        }
    }

    FitEngineState large;
    large.SetResponse(std::vector<double>(5001, 1.0));
    EXPECT_TRUE(BuildConvolutionKernel(large).has_value());
    // A maximum at the far end of the longest response still fits the kernel storage.
    std::vector<double> rising(5000);
    for (std::size_t k = 0; k < rising.size(); ++k) {
        rising[k] = static_cast<double>(k);
    }
    large.SetResponse(rising);
    ASSERT_FALSE(BuildConvolutionKernel(large).has_value());
    EXPECT_EQ(large.kernelFirst, 2501 - 5000);
}

TEST(ConvolutionKernel, SymmetricResponseCentresTheSameEitherWay) {
    const std::vector<double> r{1, 3, 9, 3, 1};
    FitEngineState onMaximum;
    onMaximum.SetResponse(r);
    FitEngineState onZero;
    onZero.SetResponse(r);
    onZero.centreOnMaximum = 0;
    onZero.responseCentreIndex = 3;  // the middle sample is at 0 GHz
    ASSERT_FALSE(BuildConvolutionKernel(onMaximum).has_value());
    ASSERT_FALSE(BuildConvolutionKernel(onZero).has_value());
    EXPECT_EQ(onMaximum.kernelFirst, onZero.kernelFirst);
    for (int k = onMaximum.kernelFirst; k < onMaximum.kernelFirst + 5; ++k) {
        EXPECT_EQ(onMaximum.KernelAt(k), onZero.KernelAt(k));
    }
}

TEST(ConvolvedFit, AllZeroResponseStopsWithNoMaximum) {
    FitEngineState s = LineState(kModelConvolvedDho, {25, 800, 5.0, 0.4}, 600, 760);
    s.convolution = 1;
    s.SetResponse({0, 0, 0, 0, 0});
    EXPECT_EQ(RunFitDriver(s), -1);
    EXPECT_EQ(s.errorText, kPrefix + "ERROR: No maximum in convolution function (MAIN #6)");
}

TEST(ConvolvedFit, ZeroAreaFails) {
    // The Ridders reference cannot step a parameter at 0; the analytic path finds the
    // frequency and width without influence instead.
    for (auto mode : {ConvolvedDerivatives::Ridders, ConvolvedDerivatives::Analytic}) {
        FitEngineState s = LineState(kModelConvolvedDho, {25, 800, 5.0, 0.4}, 600, 640);
        s.convolution = 1;
        s.convolvedDerivatives = mode;
        s.SetResponse({1, 4, 10, 4, 1});
        s.parameters = {0, 0, 0, 5, 0.4};
        s.freeFlags = {0, 1, 0, 1, 1};
        RecordingObserver observer;
        EXPECT_EQ(RunFitDriver(s, &observer), -1);
        ASSERT_EQ(observer.failures.size(), 1u);
        EXPECT_EQ(observer.failures[0], mode == ConvolvedDerivatives::Ridders
                                            ? "Error during fit : h must  be  nonzero in  dfridr."
                                            : "Error during fit : gaussj: Singular Matrix-2");
    }
}

TEST(ConvolvedFit, DhoCurveIgnoresAResponseWithoutConvolution) {
    FitEngineState s = LineState(kModelDho, {25, 800, 5.0, 0.4}, 600, 760);
    s.SetResponse({1, 4, 10, 4, 1});
    s.convolution = 0;
    ASSERT_EQ(RunFitDriver(s), 0);
    for (int j = 0; j < s.fittedCurve.GetCount(); j += 20) {
        EXPECT_DOUBLE_EQ(s.fittedCurve[j].value,
                         s.parameters[1] + DhoShape(s.fittedCurve[j].x, s.parameters[2],
                                                    s.parameters[3], s.parameters[4]));
    }
}
