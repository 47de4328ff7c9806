#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "analysis/fit_models.h"
#include "analysis/instrumental_response.h"
#include "fit_test_support.h"

namespace {

ConvolutionContext SingleEntryKernel(std::vector<double>& kernel, int subdivision, double delta) {
    kernel.assign(2 * kKernelCentre + 1, 0.0);
    kernel[kKernelCentre] = 1.0;
    ConvolutionContext c;
    c.subdivision = subdivision;
    c.responseCount = 1;
    c.kernelFirst = kKernelCentre;
    c.kernel = kernel.data();
    c.delta = delta;
    return c;
}

}  // namespace

TEST(FitModels, AnalyticDerivativesMatchRidders) {
    struct Case {
        int code;
        std::array<double, 5> params;
        double x;
    };
    const Case cases[] = {
        {kModelDho, {0, 12, 800, 5, 0.3}, 4.7},    {kModelDho, {0, 3, 50, 2.5, 0.8}, -2.0},
        {kModelDho, {0, 0, 120, 7, 0.05}, 7.1},    {kModelLorentzian, {0, 10, 500, 3, 0.3}, 3.2},
        {kModelLorentzian, {0, 0, 40, -1, 2}, 5},  {kModelGaussian, {0, 7, 300, 1.5, 0.4}, 2.1},
        {kModelGaussian, {0, 2, 90, -4, 1.2}, -3},
    };
    std::vector<double> kernel;
    const ConvolutionContext context = SingleEntryKernel(kernel, 0, 0.05);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " at x = " << c.x);
        const FitModelFunction model = ModelForCode(c.code);
        std::array<double, 5> d{};
        model(c.x, c.params.data(), d.data(), context);
        EXPECT_EQ(d[1], 1.0);
        for (int k = 2; k <= 4; ++k) {
            auto at = [&](double v) {
                std::array<double, 5> p = c.params;
                p[static_cast<std::size_t>(k)] = v;
                std::array<double, 5> ignored{};
                return model(c.x, p.data(), ignored.data(), context);
            };
            const double numeric = RiddersDerivative(at, c.params[k], 1e-3 * c.params[k]);
            EXPECT_TRUE(RelativelyNear(d[k], numeric, 1e-7)) << "parameter " << k;
        }
    }
}

TEST(FitModels, RiddersRefusesAZeroStep) {
    auto square = [](double v) { return v * v; };
    EXPECT_NEAR(RiddersDerivative(square, 3.0, 0.3), 6.0, 1e-10);
    try {
        RiddersDerivative(square, 0.0, 0.0);
        FAIL() << "a zero step must raise";
    } catch (const KavroException& e) {
        EXPECT_STREQ(e.what(), "h must  be  nonzero in  dfridr.");
    }
}

TEST(FitModels, DhoIsEvenAndItsPositivePeakHoldsTheArea) {
    const double area = 1, nu0 = 5, gamma = 0.1;
    for (double x : {0.3, 4.9, 5.0, 7.5}) {
        EXPECT_EQ(DhoShape(x, area, nu0, gamma), DhoShape(-x, area, nu0, gamma));
    }
    // Simpson's rule over (0, 400]; the tail beyond falls off as 1/x^4.
    const double step = 1e-4;
    const int intervals = 4000000;
    double sum = DhoShape(0, area, nu0, gamma) + DhoShape(intervals * step, area, nu0, gamma);
    for (int i = 1; i < intervals; ++i) {
        sum += (i % 2 ? 4.0 : 2.0) * DhoShape(i * step, area, nu0, gamma);
    }
    EXPECT_NEAR(sum * step / 3.0, 1.0, 1e-6);
}

TEST(FitModels, SubdivisionSetsTheSubPointCount) {
    const std::array<double, 5> a{0, 2, 700, 4.0, 0.3};
    const double x = 3.7, delta = 0.09;
    const int expectedM[] = {1, 1, 3, 3, 5, 5};
    std::vector<double> kernel;
    for (int subdivision = 0; subdivision <= 5; ++subdivision) {
        const ConvolutionContext context = SingleEntryKernel(kernel, subdivision, delta);
        const int m = expectedM[subdivision];
        double expected = 0;
        for (int i = -(m / 2); i <= m / 2; ++i) {
            expected += a[1] + DhoShape(x + delta * i / m, a[2], a[3], a[4]);
        }
        expected /= m;
        std::array<double, 5> d{};
        EXPECT_TRUE(
            RelativelyNear(ConvolvedDhoModel(x, a.data(), d.data(), context), expected, 1e-14))
            << "subdivision " << subdivision;
        EXPECT_TRUE(RelativelyNear(FittedCurveValue(kModelConvolvedDho, x, a.data(), context),
                                   expected, 1e-14));
    }
}

TEST(FitModels, ConvolvedModelSumsTheKernelWithItsBaseline) {
    std::vector<double> kernel(2 * kKernelCentre + 1, 0.0);
    kernel[2499] = 0.25;
    kernel[2500] = 0.5;
    kernel[2501] = 0.3;
    ConvolutionContext context{0, 3, 2499, kernel.data(), 0.1};
    const std::array<double, 5> a{0, 10, 400, 2.0, 0.2};
    const double x = 1.95;
    const double expected = 0.25 * (10 + DhoShape(x - 0.1, 400, 2, 0.2)) +
                            0.5 * (10 + DhoShape(x, 400, 2, 0.2)) +
                            0.3 * (10 + DhoShape(x + 0.1, 400, 2, 0.2));
    std::array<double, 5> d{};
    EXPECT_TRUE(RelativelyNear(ConvolvedDhoModel(x, a.data(), d.data(), context), expected, 1e-14));
    EXPECT_EQ(d[1], 1.0);
    // The convolution is linear in the shape, so each derivative is the kernel sum of the
    // shape's own derivatives.
    const double offsets[] = {-0.1, 0, 0.1};
    const double weights[] = {0.25, 0.5, 0.3};
    std::array<double, 5> analytic{};
    for (int i = 0; i < 3; ++i) {
        const ShapeWithDerivatives s = DhoShapeWithDerivatives(x + offsets[i], 400, 2, 0.2);
        analytic[2] += weights[i] * s.dArea;
        analytic[3] += weights[i] * s.dNu0;
        analytic[4] += weights[i] * s.dGamma;
    }
    for (int k = 2; k <= 4; ++k) {
        EXPECT_TRUE(RelativelyNear(d[k], analytic[k], 1e-7)) << "parameter " << k;
    }
}

TEST(FitModels, GaussianCurveWithoutSubdivisionIsTheGaussian) {
    std::vector<double> kernel;
    const ConvolutionContext context = SingleEntryKernel(kernel, 1, 0.05);
    const std::array<double, 5> a{0, 3, 80, 1.0, 0.4};
    for (double x : {0.2, 1.0, 1.7}) {
        EXPECT_DOUBLE_EQ(FittedCurveValue(kModelGaussian, x, a.data(), context),
                         3 + GaussianShape(x, 80, 1.0, 0.4));
    }
}

TEST(FitModelProvider, EvaluatesEachCodeOnTheShiftedAxis) {
    CInstrumentalResponseFunction response;
    response.AddPoint(-0.2, 1);
    response.AddPoint(0.0, 2);
    response.AddPoint(0.2, 1);
    response.UpdateSampleStep();
    const double B = 5, A = 100, nu0 = 3, gamma = 0.25, z = 0.5;
    const CFitModelProvider provider(B, A, nu0, gamma, z, 0, &response);
    const double x = 3.6, d = x - z;
    EXPECT_DOUBLE_EQ(provider.Evaluate(1, x), B + DhoShape(d, A, nu0, gamma));
    EXPECT_DOUBLE_EQ(provider.Evaluate(2, x), B + LorentzianShape(d, A, nu0, gamma));
    EXPECT_DOUBLE_EQ(provider.Evaluate(3, x), B + GaussianShape(d, A, nu0, gamma));
    const double convolved = B + 0.25 * DhoShape(d - 0.2, A, nu0, gamma) +
                             0.5 * DhoShape(d, A, nu0, gamma) +
                             0.25 * DhoShape(d + 0.2, A, nu0, gamma);
    EXPECT_TRUE(RelativelyNear(provider.Evaluate(4, x), convolved, 1e-12));
    for (int code : {0, 5, -1}) {
        EXPECT_EQ(provider.Evaluate(code, x), -1) << "code " << code;
    }

    // Sub-points with h = 1: three per sample, each a third of the weight.
    const CFitModelProvider subdivided(B, A, nu0, gamma, z, 1, &response);
    double expected = B;
    const double r[] = {0.25, 0.5, 0.25};
    for (int i = 0; i < 3; ++i) {
        for (int j = -1; j <= 1; ++j) {
            expected += DhoShape(d + 0.2 * (i - 1) + j * 0.2 / 3, A, nu0, gamma) * r[i] / 3;
        }
    }
    EXPECT_TRUE(RelativelyNear(subdivided.Evaluate(4, x), expected, 1e-12));

    CInstrumentalResponseFunction tooShort;
    tooShort.AddPoint(0, 1);
    tooShort.AddPoint(0.2, 1);
    EXPECT_EQ(CFitModelProvider(B, A, nu0, gamma, z, 0, &tooShort).Evaluate(4, x), B);
    EXPECT_EQ(CFitModelProvider(B, A, nu0, gamma, z, 0, nullptr).Evaluate(4, x), B);
}
