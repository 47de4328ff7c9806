#include "analysis/fit_worker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/prompter.h"

namespace {

constexpr int kMinimumWorkerPoints = 6;  // a window of 5 or fewer is refused
constexpr int kDefaultIterations = 20;

std::string Printed(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

double SixSignificantDigits(double value) {
    return std::strtod(Printed("%.6g", value).c_str(), nullptr);
}

}  // namespace

// Progress reports and the abort request of the progress window, seen after every cycle.
class CGFIT_object::Progress : public FitObserver {
public:
    explicit Progress(CGFIT_object& worker) : worker_(worker) {}

    bool cycleDone(int cycle, int maxIterations) override {
        FitProgressFlags* flags = worker_.setup_.progress.get();
        if (!worker_.progressCreated_ || flags == nullptr || !flags->active) {
            return false;
        }
        char text[96];
        std::snprintf(text, sizeof text, "Performed %d of %d fitting cycles", cycle, maxIterations);
        worker_.ToViews(makeMessage(fitmsg::WM_FIT_PROGRESS_CYCLE,
                                    static_cast<std::uintptr_t>(cycle), maxIterations,
                                    std::string(text)));
        if (flags->abortRequested) {
            flags->active = false;
            return true;
        }
        return false;
    }

    void fitFailed(const std::string& message) override {
        if (worker_.setup_.prompter != nullptr) {
            worker_.setup_.prompter->tell(message, PromptIcon::Stop);
        }
    }

private:
    CGFIT_object& worker_;
};

CGFIT_object::CGFIT_object(FitWorkerSetup setup) : setup_(std::move(setup)) {
    response_.CopyFrom(setup_.response);
    setup_.response.Clear();
    lower_ = std::min(setup_.lowerMarker, setup_.higherMarker);
    higher_ = std::max(setup_.lowerMarker, setup_.higherMarker);
}

void CGFIT_object::ToViews(Message message) {
    if (setup_.views != nullptr) {
        setup_.views->post(std::move(message));
    }
}

void CGFIT_object::ToMain(Message message) {
    if (setup_.mainWindow != nullptr) {
        setup_.mainWindow->post(std::move(message));
    }
}

void CGFIT_object::onMessage(Message& m) {
    if (closed_) {
        return;
    }
    switch (m.id) {
        case msg::WM_FIT_PREPARE:
            Prepare();
            break;
        case msg::WM_FIT_SHOW:
            Show(static_cast<int>(m.wParam));
            break;
        case msg::WM_FIT_CLOSE:
            Close();
            break;
        case msg::WM_FIT_OPTION: {
            const double* field = m.payloadAs<double>();
            Option(static_cast<fitmsg::FitOption>(m.wParam), m.lParam,
                   field != nullptr ? std::optional<double>(*field) : std::nullopt);
            break;
        }
        case msg::WM_FIT_RUN:
            Run(static_cast<int>(m.wParam));
            break;
        case msg::WM_FIT_MARKER_KEY:
            ToMain(makeMessage(msg::WM_FIT_MARKER_KEY, m.wParam, m.lParam));
            break;
        case msg::WM_FIT_CLOSE_WINDOWS:
            // Closing the detailed window ends the detailed fit, as its Close button does.
            zoomOpen_ = false;
            ToViews(makeMessage(fitmsg::WM_FIT_CLOSE_VIEWS));
            post(makeMessage(msg::WM_FIT_CLOSE));
            break;
        case msg::WM_FIT_REFRESH:
            RedrawZoom();
            break;
        case msg::WM_FIT_MARKERS:
            lower_ = static_cast<int>(std::min<std::intptr_t>(m.wParam, m.lParam));
            higher_ = static_cast<int>(std::max<std::intptr_t>(m.wParam, m.lParam));
            if (zoomOpen_) {
                ToViews(makeMessage(msg::WM_FIT_MARKERS, m.wParam, m.lParam));
            }
            break;
        case msg::WM_FIT_ZOOM:
            zoomOpen_ = true;
            ToViews(makeMessage(fitmsg::WM_FIT_ZOOM_OPEN, 0, 0, Snapshot()));
            break;
        case msg::WM_FIT_ZOOM_CLOSED:
            zoomOpen_ = false;
            ToViews(makeMessage(fitmsg::WM_FIT_WINDOW_ENABLE, 1));
            break;
        case msg::WM_FIT_EXPORT:
            ToViews(makeMessage(fitmsg::WM_FIT_WINDOW_ENABLE, 0));
            ToViews(makeMessage(fitmsg::WM_FIT_EXPORT_OPEN, 0, 0, Snapshot()));
            break;
        case msg::WM_FIT_EXPORT_CLOSED:
            ToViews(makeMessage(fitmsg::WM_FIT_WINDOW_ENABLE, 1));
            break;
        case msg::WM_FIT_SAVE:
            ToViews(makeMessage(fitmsg::WM_FIT_SAVE_REQUEST, 0, 0, Snapshot()));
            break;
        case fitmsg::WM_FIT_SET_RESPONSE:
            if (const auto* r = m.payloadAs<CInstrumentalResponseFunction>()) {
                SetResponse(*r);
            }
            break;
        default:
            break;
    }
}

void CGFIT_object::FillDataCurve() {
    dataCurve_.Clear();
    const int last = static_cast<int>(setup_.spectrum.elementCount()) - 1;
    for (int c = std::max(lower_, 0); c <= std::min(higher_, last); ++c) {
        dataCurve_.AddPoint(setup_.spectrum.ChannelFrequency(static_cast<std::uint16_t>(c)),
                            setup_.spectrum.counts[static_cast<std::size_t>(c)]);
    }
}

void CGFIT_object::LoadEngineData() {
    std::vector<double> xs, ys;
    xs.reserve(static_cast<std::size_t>(dataCurve_.GetCount()));
    ys.reserve(static_cast<std::size_t>(dataCurve_.GetCount()));
    for (const PointData& p : dataCurve_.points()) {
        xs.push_back(p.x - engine_.z);
        ys.push_back(p.value);
    }
    engine_.SetPoints(xs, ys);
}

void CGFIT_object::Prepare() {
    engine_.model = kModelDho;
    engine_.z = 0;
    engine_.subdivision = 1;
    engine_.maxIterations = 0;
    engine_.parameters = {0, 0, 0, 0, 0};
    engine_.freeFlags = {0, 1, 1, 1, 1};
    FillDataCurve();

    const int n = response_.GetCount();
    engine_.convolution = n >= 2 ? 1 : 0;
    if (engine_.convolution) {
        std::vector<double> samples;
        for (const PointData& p : response_.points()) {
            samples.push_back(p.value);
        }
        engine_.SetResponse(samples);
        engine_.centreOnMaximum = response_.centreOnMaximum;
        engine_.responseCentreIndex = static_cast<std::uint16_t>(response_.ZeroIndex() + 1);
    }
    LoadEngineData();
    engine_.errorFlag = false;
    engine_.errorText = "NO ERROR";
    RunFitDriver(engine_);  // stops at MAIN #7 with the guesses stored
    engine_.maxIterations = kDefaultIterations;
    if (!progressCreated_) {
        progressCreated_ = true;
        if (setup_.progress) {
            setup_.progress->active = true;
        }
    }
    post(makeMessage(msg::WM_FIT_SHOW, 0));
}

void CGFIT_object::Show(int afterFit) {
    FitPublication p;
    p.area = SixSignificantDigits(engine_.parameters[2]);
    p.baseline = SixSignificantDigits(engine_.parameters[1]);
    p.frequency = SixSignificantDigits(engine_.parameters[3]);
    p.halfWidth = SixSignificantDigits(engine_.parameters[4]);
    p.maxIterations = engine_.maxIterations;
    if (dataCurve_.GetCount() > 0) {
        char text[128];
        std::snprintf(text, sizeof text, "Fitting data from %.1lf GHz to %.1lf GHz",
                      dataCurve_[0].x, dataCurve_[dataCurve_.GetCount() - 1].x);
        p.rangeText = text;
    }
    if (afterFit) {
        // Baseline, area, frequency, half width; the window shows the sign as the UI's own.
        const int order[] = {1, 2, 3, 4};
        for (int i = 0; i < 4; ++i) {
            p.errorTexts[static_cast<std::size_t>(i)] =
                Printed("\xC2\xB1 %.3G", engine_.errors[static_cast<std::size_t>(order[i])]);
        }
        p.chiSquareText = Printed("Red. chisq: %7G", engine_.reducedChisq);
        if (engine_.errorFlag) {
            p.failureText = engine_.errorText.substr(std::string(kFitErrorPrefix).size());
        }
    } else {
        p.chiSquareText = "Red. chisq: N/A";
    }
    ToViews(makeMessage(msg::WM_FIT_SHOW, ResponsePresent() ? 1 : 0, afterFit, std::move(p)));
    RedrawZoom();
}

void CGFIT_object::Option(fitmsg::FitOption option, std::intptr_t state,
                          std::optional<double> field) {
    using fitmsg::FitOption;
    // A parameter option takes the window's value; a checked box fixes the parameter.
    auto parameter = [&](std::size_t k) {
        if (field) {
            engine_.parameters[k] = *field;
        }
        engine_.freeFlags[k] = state == 0 ? 1 : 0;
    };
    switch (option) {
        case FitOption::Model:
            engine_.model = static_cast<int>(state);
            break;
        case FitOption::Convolution:
            engine_.convolution = state != 0 ? 1 : 0;
            if (engine_.convolution && engine_.model == kModelDho) {
                engine_.model = kModelConvolvedDho;
            } else if (!engine_.convolution && engine_.model == kModelConvolvedDho) {
                engine_.model = kModelDho;
            }
            break;
        case FitOption::Baseline:
            parameter(1);
            break;
        case FitOption::Area:
            parameter(2);
            break;
        case FitOption::Frequency:
            parameter(3);
            break;
        case FitOption::HalfWidth:
            parameter(4);
            break;
        case FitOption::Subdivision:
            engine_.subdivision = state <= 1 ? 0 : static_cast<int>(state);
            break;
        case FitOption::ZeroFrequency:
            engine_.z = state != 0 && field ? *field : 0.0;
            break;
        default:
            return;
    }
    RedrawZoom();
}

void CGFIT_object::Run(int maxIterations) {
    engine_.maxIterations = static_cast<std::uint16_t>(std::clamp(maxIterations, 0, 65535));
    engine_.chisq = 0;
    if (engine_.model == kModelConvolvedDho) {
        if (response_.GetCount() > 2) {
            engine_.convolution = 1;
        } else {
            if (setup_.prompter != nullptr) {
                setup_.prompter->tell(
                    "Convolution data not present, or too few points for convoution. Normal "
                    "fitting will be performed.",
                    PromptIcon::Exclamation);
            }
            engine_.model = kModelDho;
            engine_.convolution = 0;
            ToViews(makeMessage(fitmsg::WM_FIT_CONVOLUTION_CLEARED));
        }
    } else {
        engine_.convolution = 0;
    }
    engine_.iterationsPerformed = 0;
    engine_.errorFlag = false;
    engine_.errorText.clear();
    engine_.errors = {0, 0, 0, 0, 0};

    if (dataCurve_.GetCount() != higher_ - lower_ + 1) {
        FillDataCurve();
        engine_.parameters = {0, 0, 0, 0, 0};
    }
    if (dataCurve_.GetCount() < kMinimumWorkerPoints) {
        if (setup_.prompter != nullptr) {
            setup_.prompter->tell("Fitting is not possible with so few points", PromptIcon::Stop);
        }
        // The window disabled FIT and Close when it asked; give them back.
        post(makeMessage(msg::WM_FIT_SHOW, 0));
        return;
    }
    if (setup_.progress) {
        // A new run starts with a live progress window, whatever an earlier abort left.
        setup_.progress->abortRequested = false;
        setup_.progress->active = true;
    }
    ToViews(makeMessage(fitmsg::WM_FIT_PROGRESS_START, engine_.maxIterations));

    if (engine_.convolution) {
        std::vector<double> samples;
        for (const PointData& p : response_.points()) {
            samples.push_back(p.value);
        }
        engine_.SetResponse(samples);
        engine_.centreOnMaximum = response_.centreOnMaximum;
        // The response may have been replaced since the initial pass; its centre follows it.
        engine_.responseCentreIndex =
            response_.centreOnMaximum ? 0 : static_cast<std::uint16_t>(response_.ZeroIndex() + 1);
    }
    LoadEngineData();
    Progress progress(*this);
    RunFitDriver(engine_, &progress);

    ToViews(makeMessage(fitmsg::WM_FIT_PROGRESS_HIDE));
    post(makeMessage(msg::WM_FIT_SHOW, 1));
    RedrawZoom();
}

void CGFIT_object::SetResponse(const CInstrumentalResponseFunction& response) {
    if (response.GetCount() > 0) {
        response_.CopyFrom(response);
    } else {
        response_.Clear();
    }
    ToViews(makeMessage(msg::WM_FIT_RESPONSE_PRESENT, ResponsePresent() ? 1 : 0));
}

void CGFIT_object::Close() {
    ToMain(makeMessage(msg::WM_FIT_CLOSE));
    ToViews(makeMessage(fitmsg::WM_FIT_CLOSE_VIEWS));
    zoomOpen_ = false;
    closed_ = true;
}

FitSnapshot CGFIT_object::Snapshot() const {
    FitSnapshot s;
    s.fileName = setup_.fileName;
    s.spectrum = setup_.spectrum;
    s.dataCurve = dataCurve_;
    s.fittedCurve = engine_.fittedCurve;
    s.parameters = engine_.parameters;
    s.errors = engine_.errors;
    s.reducedChisq = engine_.reducedChisq;
    s.model = engine_.model;
    s.z = engine_.z;
    s.subdivision = engine_.subdivision;
    s.lowerMarker = lower_;
    s.higherMarker = higher_;
    s.modelProvider = std::make_shared<CFitModelProvider>(
        engine_.parameters[1], engine_.parameters[2], engine_.parameters[3], engine_.parameters[4],
        engine_.z, engine_.subdivision, ResponsePresent() ? &response_ : nullptr);
    return s;
}

void CGFIT_object::RedrawZoom() {
    if (zoomOpen_) {
        ToViews(makeMessage(fitmsg::WM_FIT_ZOOM_REDRAW, 0, 0, Snapshot()));
    }
}

void HandOverResponse(MessageSink& worker, const CInstrumentalResponseFunction& response) {
    CInstrumentalResponseFunction copy;
    copy.CopyFrom(response);
    worker.post(makeMessage(fitmsg::WM_FIT_SET_RESPONSE, 0, 0, std::move(copy)));
}
