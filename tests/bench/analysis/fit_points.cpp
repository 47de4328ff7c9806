// Runs one fit of the engine on points read from standard input, for comparisons with other
// fitters, as the operator runs it: the initial pass shows the start values, then one FIT.
//
// Input:  "model subdivision maxIterations responseCount", then the start values "B A nu0 Gamma"
//         (0 = guessed by the initial pass), then responseCount response values, then "x y" per
//         line to the end.
// Output: "start B A nu0 Gamma" (the values the fit starts from), "params ...", "errors ...",
//         "chisq ...", "reduced ...", "cycles ...", and "error <text>" when a check, a failed or
//         unconverged fit or a numeric failure ended it.
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/fit_engine.h"

namespace {

class PrintingObserver : public FitObserver {
public:
    bool cycleDone(int, int) override { return false; }
    void fitFailed(const std::string& message) override {
        std::printf("error %s\n", message.c_str());
    }
};

void PrintFour(const char* name, const std::array<double, 5>& v) {
    std::printf("%s %.17g %.17g %.17g %.17g\n", name, v[1], v[2], v[3], v[4]);
}

}  // namespace

int main() {
    int model = 0, subdivision = 0, maxIterations = 0, responseCount = 0;
    if (std::scanf("%d %d %d %d", &model, &subdivision, &maxIterations, &responseCount) != 4) {
        std::fprintf(stderr, "bad header\n");
        return 2;
    }
    FitEngineState s;
    if (std::scanf("%lf %lf %lf %lf", &s.parameters[1], &s.parameters[2], &s.parameters[3],
                   &s.parameters[4]) != 4) {
        std::fprintf(stderr, "bad start values\n");
        return 2;
    }
    std::vector<double> response(static_cast<std::size_t>(responseCount > 0 ? responseCount : 0));
    for (double& r : response) {
        if (std::scanf("%lf", &r) != 1) {
            std::fprintf(stderr, "short response\n");
            return 2;
        }
    }
    std::vector<double> xs, ys;
    double x = 0, y = 0;
    while (std::scanf("%lf %lf", &x, &y) == 2) {
        xs.push_back(x);
        ys.push_back(y);
    }
    s.SetPoints(xs, ys);
    s.model = model;
    s.subdivision = subdivision;
    s.convolution = responseCount > 0;
    s.SetResponse(response);

    // The initial pass: no iterations, the guesses stored.
    s.maxIterations = 0;
    RunFitDriver(s);
    PrintFour("start", s.parameters);

    s.errorFlag = false;
    s.errorText = "NO ERROR";
    s.maxIterations = static_cast<std::uint16_t>(maxIterations);
    PrintingObserver observer;
    const int result = RunFitDriver(s, &observer);
    if (s.errorFlag) {
        std::string text = s.errorText;
        for (char& c : text) {
            c = c == '\n' ? ' ' : c;
        }
        std::printf("error %s\n", text.c_str());
    }
    PrintFour("params", s.parameters);
    PrintFour("errors", s.errors);
    std::printf("chisq %.17g\nreduced %.17g\ncycles %d\n", s.chisq, s.reducedChisq,
                s.iterationsPerformed);
    return result == 0 ? 0 : 1;
}
