// The convolved DHO fit the operator waits for: the engine's analytic path against the literal
// Ridders reference, side by side with the same statistic, then a table of time against points
// n and response size N.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/fit_engine.h"

namespace {

constexpr int kChannels = 1024;
constexpr double kRange = 30.0;  // GHz over the whole scan
constexpr double kSpacing = kRange / (kChannels - 1);
constexpr int kSubdivision = 5;
constexpr std::uint16_t kIterations = 20;
constexpr int kTimedRuns = 5;  // after one untimed warm-up run, per path

struct Line {
    double B, A, nu0, Gamma;
};
constexpr Line kTruth{40, 3000, 5.0, 0.3};

// A smooth response: Ridders' first step of a tenth of the frequency stays accurate on it,
// so the reference converges to the same point.
std::vector<double> Response(int samples) {
    const double sigma = samples * kSpacing / 12.0;
    std::vector<double> r;
    for (int i = 0; i < samples; ++i) {
        const double u = (i - samples / 2) * kSpacing;
        r.push_back(5000 * std::exp(-0.5 * u * u / (sigma * sigma)));
    }
    return r;
}

// The counts written out from the definition of the convolved model, apart from both timed
// paths: the response normalised by its trapezoid area and centred on its (later) maximum,
// each sample standing for 2h + 1 sub-points across one spacing. Rounded to whole counts.
std::vector<double> Counts(const std::vector<double>& xs, const std::vector<double>& r) {
    double area = 0;
    for (std::size_t k = 0; k + 1 < r.size(); ++k) {
        area += (r[k] + r[k + 1]) / 2;
    }
    std::size_t centre = 0;
    for (std::size_t k = 0; k < r.size(); ++k) {
        centre = r[k] >= r[centre] ? k : centre;
    }
    const int h = kSubdivision / 2;
    const int m = 2 * h + 1;
    std::vector<double> counts;
    for (double x : xs) {
        double sum = 0;
        for (std::size_t k = 0; k < r.size(); ++k) {
            const double shift = kSpacing * (static_cast<double>(k) - static_cast<double>(centre));
            for (int i = -h; i <= h; ++i) {
                const double u = x + shift + kSpacing * i / m;
                sum +=
                    r[k] / area / m * (kTruth.B + DhoShape(u, kTruth.A, kTruth.nu0, kTruth.Gamma));
            }
        }
        counts.push_back(std::round(sum));
    }
    return counts;
}

// n points centred on the anti-Stokes line, started off the line as an operator would.
FitEngineState Problem(int points, int samples) {
    const int first = std::clamp(kChannels / 2 + static_cast<int>(5.0 / kSpacing) - points / 2, 0,
                                 kChannels - points);
    std::vector<double> xs;
    for (int c = first; c < first + points; ++c) {
        xs.push_back((c - kChannels / 2) * kSpacing);
    }
    const std::vector<double> response = Response(samples);
    FitEngineState s;
    s.SetPoints(xs, Counts(xs, response));
    s.model = kModelConvolvedDho;
    s.convolution = 1;
    s.subdivision = kSubdivision;
    s.SetResponse(response);
    s.parameters = {0, 35, 2500, 5.2, 0.45};
    s.maxIterations = kIterations;
    return s;
}

struct Timing {
    double medianSeconds = 0;
    double fastestSeconds = 0;
    double slowestSeconds = 0;
    FitEngineState result;
    int status = 0;
};

// One untimed warm-up run, then the median of kTimedRuns runs, each on a fresh copy.
Timing Time(const FitEngineState& problem) {
    Timing t;
    t.result = problem;
    RunFitDriver(t.result);
    std::vector<double> seconds;
    for (int round = 0; round < kTimedRuns; ++round) {
        t.result = problem;
        const auto start = std::chrono::steady_clock::now();
        t.status = RunFitDriver(t.result);
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    t.medianSeconds = seconds[seconds.size() / 2];
    t.fastestSeconds = seconds.front();
    t.slowestSeconds = seconds.back();
    return t;
}

void PrintTiming(const char* name, const Timing& t) {
    const FitEngineState& s = t.result;
    std::printf("  %-10s median %.4f s (%.4f .. %.4f)  %d cycles  %s\n", name, t.medianSeconds,
                t.fastestSeconds, t.slowestSeconds, s.iterationsPerformed,
                t.status == 0 ? "converged" : s.errorText.c_str());
    std::printf("             B %.9g A %.9g nu0 %.9g Gamma %.9g\n", s.parameters[1],
                s.parameters[2], s.parameters[3], s.parameters[4]);
}

void SideBySide() {
    const FitEngineState problem = Problem(1024, 500);
    FitEngineState literal = problem;
    literal.convolvedDerivatives = ConvolvedDerivatives::Ridders;
    const Timing fast = Time(problem);
    const Timing reference = Time(literal);

    double worst = 0;
    for (std::size_t k = 1; k <= 4; ++k) {
        worst =
            std::max(worst, std::fabs(fast.result.parameters[k] - reference.result.parameters[k]) /
                                std::fabs(reference.result.parameters[k]));
    }
    std::printf(
        "convolved DHO fit: n = 1024, N = 500, subdivision %d, at most %d iterations, "
        "median of %d warm runs each\n",
        kSubdivision, kIterations, kTimedRuns);
    PrintTiming("engine", fast);
    PrintTiming("reference", reference);
    std::printf("  ratio      %.1f x per fit, %.1f x per cycle\n",
                reference.medianSeconds / fast.medianSeconds,
                (reference.medianSeconds / (reference.result.iterationsPerformed + 1)) /
                    (fast.medianSeconds / (fast.result.iterationsPerformed + 1)));
    std::printf("  largest relative parameter difference %.3g (%s 1e-6)\n", worst,
                worst <= 1e-6 ? "within" : "OUTSIDE");
    std::fflush(stdout);
}

void BM_ConvolvedFit(benchmark::State& state) {
    const FitEngineState problem =
        Problem(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    FitEngineState s = problem;
    for (auto _ : state) {
        s = problem;
        benchmark::DoNotOptimize(RunFitDriver(s));
    }
    state.counters["cycles"] = s.iterationsPerformed;
    state.counters["nu0_error"] = std::fabs(s.parameters[3] - kTruth.nu0) / kTruth.nu0;
}
BENCHMARK(BM_ConvolvedFit)
    ->ArgNames({"n", "N"})
    ->Args({256, 50})
    ->Args({256, 500})
    ->Args({1024, 50})
    ->Args({1024, 500})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    SideBySide();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
