#pragma once

#include <memory>
#include <optional>
#include <string>

#include "analysis/fit_engine.h"
#include "analysis/fit_worker_messages.h"
#include "platform/message_receiver.h"

class Prompter;

// What the main window gives a new detailed fit.
struct FitWorkerSetup {
    MessageSink* mainWindow = nullptr;  // gets 0x41C and the marker keys
    MessageSink* views = nullptr;       // the detailed fit window and its companions
    Prompter* prompter = nullptr;       // the worker's message boxes
    std::shared_ptr<FitProgressFlags> progress;
    std::string fileName;
    CKavroSpectrum spectrum;
    int lowerMarker = 0;
    int higherMarker = 0;
    CInstrumentalResponseFunction response;  // empty when the window holds none
};

// The fit worker of one detailed fit, hosted by a MessageThread. When it posts 0x41C to the
// main window the detailed fit is over and the owner destroys the thread.
class CGFIT_object : public MessageReceiver {
public:
    explicit CGFIT_object(FitWorkerSetup setup);

    const FitEngineState& engine() const { return engine_; }

protected:
    void onMessage(Message& message) override;

private:
    class Progress;

    void Prepare();
    void Show(int afterFit);
    void Option(fitmsg::FitOption option, std::intptr_t state, std::optional<double> field);
    void Run(int maxIterations);
    void SetResponse(const CInstrumentalResponseFunction& response);
    void Close();
    void FillDataCurve();
    void LoadEngineData();
    bool ResponsePresent() const { return response_.GetCount() > 0; }
    FitSnapshot Snapshot() const;
    void RedrawZoom();
    void ToViews(Message message);
    void ToMain(Message message);

    FitWorkerSetup setup_;
    CInstrumentalResponseFunction response_;
    CCurveData<PointData> dataCurve_;
    FitEngineState engine_;
    int lower_ = 0;
    int higher_ = 0;
    bool progressCreated_ = false;
    bool zoomOpen_ = false;
    bool closed_ = false;
};

// Posts a copy of the main window's response to a worker (the hand-over after Select or Load).
void HandOverResponse(MessageSink& worker, const CInstrumentalResponseFunction& response);
