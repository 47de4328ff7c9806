#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/fit_models.h"
#include "analysis/fit_request.h"
#include "scripted_prompter.h"

namespace {

std::vector<std::uint32_t> LorentzianCounts(int first, int n, double width, double range) {
    std::vector<std::uint32_t> counts;
    for (int k = 1; k <= n; ++k) {
        const double x = (first + k - 1) * width - range / 2;
        counts.push_back(
            static_cast<std::uint32_t>(std::lround(30 + LorentzianShape(x, 80, 0.5, 0.6))));
    }
    return counts;
}

}  // namespace

TEST(OneShotFit, DefaultsOfTheRequest) {
    t_fit request;
    EXPECT_EQ(request.centreOnMaximum, 1);
    EXPECT_EQ(request.range, 10.0);
    EXPECT_EQ(request.channelWidth, 0.1);
    EXPECT_EQ(request.sigmaA, 0.1);
    EXPECT_EQ(request.freeGamma, 1);
    EXPECT_EQ(request.model, 0);
    EXPECT_TRUE(request.done.IsSet()) << "created signalled";
}

TEST(OneShotFit, FitsOnItsThreadAndSetsTheEvent) {
    const std::vector<std::uint32_t> counts = LorentzianCounts(40, 20, 0.1, 10.0);
    t_fit request;
    request.model = kModelLorentzian;
    request.maxIterations = 40;
    request.firstChannel = 40;
    request.lastChannel = 60;
    request.n = 20;
    request.counts = counts.data();
    request.done.Reset();
    {
        std::jthread fit = StartOneShotFit(request, nullptr);
        ASSERT_TRUE(request.done.WaitFor(std::chrono::seconds(10)));
    }
    EXPECT_EQ(request.errorFlag, 0);
    EXPECT_EQ(request.errorText, "NO ERROR");
    EXPECT_NEAR(request.nu0, 0.5, 0.02);
    EXPECT_NEAR(request.B, 30, 2);
    EXPECT_GT(request.iterationsPerformed, 1);
    EXPECT_GT(request.sigmaA, 0);
    EXPECT_NE(request.sigmaA, 0.1);
}

TEST(OneShotFit, FourPointsNeedAFixedParameter) {
    const std::vector<std::uint32_t> counts{10, 30, 25, 12};
    struct Case {
        std::uint16_t n;
        std::uint8_t freeB;
        const char* errorText;
    };
    const Case cases[] = {
        {4, 0, "NO ERROR"},
        {4, 1, "GFIT ERROR:\nERROR: No degrees of freedom, 4 points for 4 free parameters"},
        {3, 0, "GFIT ERROR:\nToo many or too few points for analysis (MAIN #1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " points, B free " << int{c.freeB});
        t_fit request;
        request.model = kModelGaussian;
        request.maxIterations = 50;
        request.firstChannel = 48;
        request.lastChannel = static_cast<std::uint16_t>(48 + c.n);
        request.n = c.n;
        request.counts = counts.data();
        request.B = 8;
        request.freeB = c.freeB;
        request.done.Reset();
        RunOneShotFit(request, nullptr);
        EXPECT_TRUE(request.done.IsSet());
        EXPECT_EQ(request.errorText, c.errorText);
        EXPECT_EQ(request.errorFlag, std::string(c.errorText) == "NO ERROR" ? 0 : 1);
        EXPECT_TRUE(std::isfinite(request.reducedChisq));
    }
}

TEST(OneShotFit, ReportsChecksAndNumericFailures) {
    const std::vector<std::uint32_t> counts = LorentzianCounts(40, 20, 0.1, 10.0);
    const std::vector<std::uint32_t> silentResponse{0, 0, 0};
    t_fit convolved;
    convolved.model = kModelConvolvedDho;
    convolved.maxIterations = 20;
    convolved.firstChannel = 40;
    convolved.n = 20;
    convolved.counts = counts.data();
    convolved.convolution = 1;
    convolved.response = silentResponse.data();
    convolved.N = 3;
    RunOneShotFit(convolved, nullptr);
    EXPECT_EQ(convolved.errorFlag, 1);
    EXPECT_EQ(convolved.errorText,
              "GFIT ERROR:\nERROR: No maximum in convolution function (MAIN #6)");

    // The area fixed at 0 leaves the frequency without influence.
    ScriptedPrompter prompter;
    prompter.expect("Error during fit : gaussj: Singular Matrix-2");
    t_fit singular;
    singular.model = kModelLorentzian;
    singular.maxIterations = 20;
    singular.firstChannel = 40;
    singular.n = 20;
    singular.counts = counts.data();
    singular.freeA = 0;
    singular.A = 0;
    singular.done.Reset();
    {
        std::jthread fit = StartOneShotFit(singular, &prompter);
        singular.done.Wait();
    }
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Stop);
    EXPECT_EQ(singular.errorFlag, 0) << "a numeric failure is not a check";
    EXPECT_EQ(singular.errorText, "NO ERROR");
    EXPECT_EQ(singular.nu0, 0);
    EXPECT_EQ(singular.Gamma, 0);
    EXPECT_EQ(singular.sigmaB, 1.0);
    EXPECT_EQ(singular.sigmaGamma, 1.0);
}
