#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "analysis/fit_engine.h"
#include "fit_test_support.h"

namespace {

const std::vector<double> kResponse{2, 10, 40, 100, 55, 20, 6, 1};  // asymmetric on purpose

// The model of `code` on the window, with the response kernel for code 4 (centred on its
// maximum, spaced like the data).
std::vector<double> ModelValues(int code, const std::vector<double>& xs, LineParameters p,
                                int subdivision = 0) {
    FitEngineState s;
    s.SetPoints(xs, std::vector<double>(xs.size(), 1.0));
    s.model = code;
    s.subdivision = subdivision;
    s.convolution = code == kModelConvolvedDho;
    s.SetResponse(kResponse);
    s.parameters = {0, p.B, p.A, p.nu0, p.Gamma};
    s.freeFlags = {0, 0, 0, 0, 0};
    s.maxIterations = 1;
    EXPECT_EQ(RunFitDriver(s), 0);
    std::vector<double> values;
    for (const PointData& point : s.fittedCurve.points()) {
        values.push_back(point.value);
    }
    return values;
}

struct Scenario {
    const char* name;
    int code;
    LineParameters truth;
    int first, last, subdivision;
};

const Scenario kScenarios[] = {
    {"Lorentzian", kModelLorentzian, {50, 400, 2.0, 0.25}, 540, 620, 0},
    {"Gaussian", kModelGaussian, {30, 600, -3.0, 0.35}, 380, 520, 0},
    {"DHO", kModelDho, {20, 900, 6.0, 0.3}, 630, 790, 0},
    {"convolved DHO", kModelConvolvedDho, {20, 900, 6.0, 0.3}, 630, 790, 3},
};

FitEngineState FitState(const Scenario& sc, const std::vector<double>& ys) {
    FitEngineState s;
    s.SetPoints(WindowFrequencies(sc.first, sc.last), ys);
    s.model = sc.code;
    s.subdivision = sc.subdivision;
    s.convolution = sc.code == kModelConvolvedDho;
    s.SetResponse(kResponse);
    s.maxIterations = 200;
    return s;
}

}  // namespace

TEST(FitAccuracy, RecoversAnExactLineFromSeveralStarts) {
    for (const Scenario& sc : kScenarios) {
        const std::vector<double> xs = WindowFrequencies(sc.first, sc.last);
        const std::vector<double> ys = ModelValues(sc.code, xs, sc.truth, sc.subdivision);
        const LineParameters t = sc.truth;
        const std::array<double, 5> starts[] = {
            {0, 0, 0, 0, 0},  // all guessed
            {0, t.B * 1.3, t.A * 0.7, t.nu0 + 0.1, t.Gamma * 1.4},
            {0, t.B * 0.8, t.A * 1.5, t.nu0 - 0.08, t.Gamma * 0.7},
            // Hard starts as an operator types them over the guesses: centre a few widths off,
            // width two to three times too large.
            {0, 0, 0, t.nu0 + 3 * t.Gamma, t.Gamma * 2.5},
            {0, 0, 0, t.nu0 - 2 * t.Gamma, t.Gamma * 3},
        };
        for (const auto& start : starts) {
            SCOPED_TRACE(testing::Message() << sc.name << " from B=" << start[1]);
            FitEngineState s = FitState(sc, ys);
            s.parameters = start;
            ASSERT_EQ(RunFitDriver(s), 0) << s.errorText;
            EXPECT_TRUE(RelativelyNear(s.parameters[1], t.B, 1e-6));
            EXPECT_TRUE(RelativelyNear(s.parameters[2], t.A, 1e-6));
            EXPECT_TRUE(RelativelyNear(s.parameters[3], t.nu0, 1e-6));
            EXPECT_TRUE(RelativelyNear(s.parameters[4], t.Gamma, 1e-6));
            EXPECT_LT(s.chisq, 1e-10);
        }
    }
}

TEST(FitAccuracy, PoissonSpectraFitWithinThreeStandardErrors) {
    PoissonSource source(20261210);
    for (const Scenario& sc : kScenarios) {
        const std::vector<double> xs = WindowFrequencies(sc.first, sc.last);
        const std::vector<double> mean = ModelValues(sc.code, xs, sc.truth, sc.subdivision);
        for (int trial = 0; trial < 3; ++trial) {
            SCOPED_TRACE(testing::Message() << sc.name << " trial " << trial);
            std::vector<double> ys;
            for (double m : mean) {
                ys.push_back(source.poisson(m));
            }
            FitEngineState s = FitState(sc, ys);
            ASSERT_EQ(RunFitDriver(s), 0) << s.errorText;
            const double truth[] = {0, sc.truth.B, sc.truth.A, sc.truth.nu0, sc.truth.Gamma};
            for (int k = 1; k <= 4; ++k) {
                EXPECT_LT(std::fabs(s.parameters[static_cast<std::size_t>(k)] - truth[k]),
                          3 * s.errors[static_cast<std::size_t>(k)])
                    << "parameter " << k;
            }
            EXPECT_NEAR(s.reducedChisq, 1.0, 0.5);
        }
    }
}

TEST(FitAccuracy, HardStartsReachTheMinimumOfTheGuessedStart) {
    // On counts with noise the minimum is not the truth; a fit from a hard start must still end
    // where the guessed start ends, not where a refused step happened to stop it.
    PoissonSource source(77);
    for (const Scenario& sc : kScenarios) {
        const std::vector<double> xs = WindowFrequencies(sc.first, sc.last);
        std::vector<double> ys;
        for (double m : ModelValues(sc.code, xs, sc.truth, sc.subdivision)) {
            ys.push_back(source.poisson(m));
        }
        FitEngineState guessed = FitState(sc, ys);
        ASSERT_EQ(RunFitDriver(guessed), 0) << sc.name << ": " << guessed.errorText;
        const LineParameters t = sc.truth;
        for (auto [offset, factor] : {std::pair{3.0, 2.5}, std::pair{-2.0, 3.0}}) {
            SCOPED_TRACE(testing::Message() << sc.name << " from " << offset << " widths off, "
                                            << factor << " times as wide");
            FitEngineState s = FitState(sc, ys);
            s.parameters = {0, 0, 0, t.nu0 + offset * t.Gamma, t.Gamma * factor};
            ASSERT_EQ(RunFitDriver(s), 0) << s.errorText;
            for (std::size_t k = 1; k <= 4; ++k) {
                EXPECT_TRUE(RelativelyNear(s.parameters[k], guessed.parameters[k], 1e-6))
                    << "parameter " << k;
            }
        }
    }
}

TEST(FitAccuracy, AnalyticConvolutionAgreesWithTheRiddersReference) {
    // Ridders' first step of a tenth of the frequency is only accurate on a line broadened
    // well beyond it, so the response here is a smooth Gaussian of 1 GHz standard deviation. Exact
    // data put the minimum at the truth, whatever path the two derivatives take there.
    const double spacing = 30.0 / 1023;
    std::vector<double> response;
    for (int i = -170; i <= 170; ++i) {  // to 5 standard deviations: no edge to speak of
        const double u = i * spacing;
        response.push_back(1000 * std::exp(-0.5 * u * u));
    }
    const LineParameters truth{15, 500, 4.0, 0.35};
    // The second window holds 0 GHz: that point moves off the grid and takes the direct sum.
    for (auto [first, last] : {std::pair{560, 720}, std::pair{480, 700}}) {
        SCOPED_TRACE(testing::Message() << "channels " << first << ".." << last);
        const std::vector<double> xs = WindowFrequencies(first, last);
        FitEngineState model;
        model.SetPoints(xs, std::vector<double>(xs.size(), 1.0));
        model.model = kModelConvolvedDho;
        model.convolution = 1;
        model.subdivision = 2;
        model.SetResponse(response);
        model.parameters = {0, truth.B, truth.A, truth.nu0, truth.Gamma};
        model.freeFlags = {0, 0, 0, 0, 0};
        model.maxIterations = 1;
        ASSERT_EQ(RunFitDriver(model), 0);
        std::vector<double> ys;
        for (const PointData& p : model.fittedCurve.points()) {
            ys.push_back(p.value);
        }
        FitEngineState fast = model;
        fast.SetPoints(xs, ys);
        fast.freeFlags = {0, 1, 1, 1, 1};
        fast.parameters = {0, 12, 400, 4.3, 0.5};
        fast.maxIterations = 100;
        FitEngineState reference = fast;
        reference.convolvedDerivatives = ConvolvedDerivatives::Ridders;
        ASSERT_EQ(RunFitDriver(fast), 0);
        ASSERT_EQ(RunFitDriver(reference), 0);
        const double expected[] = {0, truth.B, truth.A, truth.nu0, truth.Gamma};
        for (int k = 1; k <= 4; ++k) {
            const auto i = static_cast<std::size_t>(k);
            EXPECT_TRUE(RelativelyNear(fast.parameters[i], expected[k], 1e-6)) << "parameter " << k;
            EXPECT_TRUE(RelativelyNear(fast.parameters[i], reference.parameters[i], 1e-6))
                << "parameter " << k;
            // The errors rest on the derivatives at the end, where Ridders' answer carries an
            // error of its own.
            EXPECT_TRUE(RelativelyNear(fast.errors[i], reference.errors[i], 1e-4));
        }
        ASSERT_EQ(fast.fittedCurve.GetCount(), reference.fittedCurve.GetCount());
        for (int j = 0; j < fast.fittedCurve.GetCount(); ++j) {
            EXPECT_TRUE(
                RelativelyNear(fast.fittedCurve[j].value, reference.fittedCurve[j].value, 1e-6));
        }
    }
}
