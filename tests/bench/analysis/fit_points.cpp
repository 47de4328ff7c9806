// Runs the fit engine on points read from standard input, for comparisons with other fitters.
//
// Input:  "model subdivision maxIterations responseCount refits", then responseCount response
//         values, then "x y" per line to the end. Start values are all guessed; each refit
//         runs the fit again from the parameters the previous one left, as FIT pressed again.
// Output: "params B A nu0 Gamma", "errors ...", "chisq ...", "reduced ...", "cycles ...",
//         and "error <text>" when a check or a numeric failure stopped the fit.
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

}  // namespace

int main() {
    int model = 0, subdivision = 0, maxIterations = 0, responseCount = 0, refits = 0;
    if (std::scanf("%d %d %d %d %d", &model, &subdivision, &maxIterations, &responseCount,
                   &refits) != 5) {
        std::fprintf(stderr, "bad header\n");
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
    FitEngineState s;
    s.SetPoints(xs, ys);
    s.model = model;
    s.subdivision = subdivision;
    s.convolution = responseCount > 0;
    s.SetResponse(response);
    s.maxIterations = static_cast<std::uint16_t>(maxIterations);
    PrintingObserver observer;
    int result = RunFitDriver(s, &observer);
    for (int i = 0; i < refits && result == 0; ++i) {
        result = RunFitDriver(s, &observer);
    }
    if (s.errorFlag) {
        std::printf("error %s\n", s.errorText.c_str());
    }
    std::printf("params %.17g %.17g %.17g %.17g\n", s.a[1], s.a[2], s.a[3], s.a[4]);
    std::printf("errors %.17g %.17g %.17g %.17g\n", s.errors[1], s.errors[2], s.errors[3],
                s.errors[4]);
    std::printf("chisq %.17g\nreduced %.17g\ncycles %d\n", s.chisq, s.reducedChisq,
                s.iterationsPerformed);
    return result == 0 ? 0 : 1;
}
