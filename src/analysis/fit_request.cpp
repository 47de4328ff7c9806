#include "analysis/fit_request.h"

#include <vector>

#include "analysis/fit_engine.h"
#include "core/prompter.h"

namespace {

class PrompterObserver : public FitObserver {
public:
    explicit PrompterObserver(Prompter* prompter) : prompter_(prompter) {}
    bool cycleDone(int, int) override { return false; }
    void fitFailed(const std::string& message) override {
        if (prompter_ != nullptr) {
            prompter_->tell(message, PromptIcon::Stop);
        }
    }

private:
    Prompter* prompter_;
};

}  // namespace

void RunOneShotFit(t_fit& request, Prompter* prompter) {
    FitEngineState state;
    state.parameters = {0, request.B, request.A, request.nu0, request.Gamma};
    state.freeFlags = {0, request.freeB, request.freeA, request.freeNu0, request.freeGamma};
    state.z = request.z;
    state.subdivision = request.subdivision;
    state.model = request.model;
    state.convolution = request.convolution;
    state.maxIterations = request.maxIterations;

    std::vector<double> xs(request.n);
    std::vector<double> ys(request.n);
    for (int k = 1; k <= request.n; ++k) {
        xs[static_cast<std::size_t>(k - 1)] =
            (request.firstChannel + k - 1) * request.channelWidth - request.z - request.range / 2;
        ys[static_cast<std::size_t>(k - 1)] =
            request.counts != nullptr ? request.counts[k - 1] : 0.0;
    }
    state.SetPoints(xs, ys);
    if (request.convolution && request.response != nullptr) {
        state.SetResponse(std::vector<double>(request.response, request.response + request.N));
    }
    state.centreOnMaximum = request.centreOnMaximum;
    state.responseCentreIndex = request.responseCentreIndex;
    state.errorFlag = false;
    state.errorText = "NO ERROR";

    PrompterObserver observer(prompter);
    RunFitDriver(state, &observer);

    request.B = state.parameters[1];
    request.A = state.parameters[2];
    request.nu0 = state.parameters[3];
    request.Gamma = state.parameters[4];
    request.sigmaB = state.errors[1];
    request.sigmaA = state.errors[2];
    request.sigmaNu0 = state.errors[3];
    request.sigmaGamma = state.errors[4];
    request.chisq = state.chisq;
    request.reducedChisq = state.reducedChisq;
    request.iterationsPerformed = state.iterationsPerformed;
    request.errorFlag = state.errorFlag ? 1 : 0;
    request.errorText = state.errorText;
    request.done.Set();
}

std::jthread StartOneShotFit(t_fit& request, Prompter* prompter) {
    return std::jthread([&request, prompter] { RunOneShotFit(request, prompter); });
}
