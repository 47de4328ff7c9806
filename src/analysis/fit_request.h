#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "analysis/manual_reset_event.h"

class Prompter;

// A one-shot fit request: the caller fills it, resets `done`, starts the fit and waits.
struct t_fit {
    std::uint8_t centreOnMaximum = 1;
    double B = 0, A = 0, nu0 = 0, Gamma = 0;  // in: start values (0 and free = guess); out: fit
    double range = 10.0;  // span of the frequency axis; x is offset by -range / 2
    double z = 0;         // zero-frequency position
    int subdivision = 0;
    int iterationsPerformed = 0;
    int model = 0;  // must be set by the caller
    std::uint8_t freeB = 1, freeA = 1, freeNu0 = 1, freeGamma = 1;
    std::uint8_t convolution = 0;
    std::uint8_t errorFlag = 0;
    double chisq = 0;
    double sigmaB = 0.1, sigmaA = 0.1, sigmaNu0 = 0.1, sigmaGamma = 0.1;
    const std::uint32_t* counts = nullptr;    // n counts from the first channel; caller's
    const std::uint32_t* response = nullptr;  // N response counts; caller's
    std::uint16_t n = 0;                      // points: last channel - first channel
    std::uint16_t N = 0;                      // response values
    std::uint16_t maxIterations = 0;
    std::uint16_t firstChannel = 0, lastChannel = 0;
    std::uint16_t responseCentreIndex = 0;  // 1-based; used when not centring on the maximum
    double channelWidth = 0.1;              // x step per channel
    double reducedChisq = 0;                // chisq / degrees of freedom
    std::string errorText;
    ManualResetEvent done{true};
};

// Runs the fit of `request` on the calling thread and sets its event. A numeric failure is
// shown through `prompter` when one is given.
void RunOneShotFit(t_fit& request, Prompter* prompter);

// Starts RunOneShotFit on a thread of its own. The caller waits on request.done; the returned
// thread joins when it goes out of scope, so the request must outlive it.
std::jthread StartOneShotFit(t_fit& request, Prompter* prompter);
