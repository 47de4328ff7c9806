#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "analysis/fit_worker.h"
#include "platform/message_thread.h"
#include "scripted_prompter.h"

namespace {

int argc = 1;
char arg0[] = "analysis_worker_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

struct Seen {
    std::uint32_t id;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::optional<FitPublication> publication;
    std::string text;
};

// Records what the worker posts; `onPost` runs on the worker's thread inside post().
class RecordingSink : public MessageSink {
public:
    std::function<void(const Seen&)> onPost;

    void post(Message m) override {
        Seen seen{m.id, m.wParam, m.lParam, std::nullopt, {}};
        if (const auto* p = m.payloadAs<FitPublication>()) {
            seen.publication = *p;
        }
        if (const auto* t = m.payloadAs<std::string>()) {
            seen.text = *t;
        }
        if (onPost) {
            onPost(seen);
        }
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(seen));
        changed_.notify_all();
    }

    // The `count`-th message with this id (1-based), waiting for it.
    Seen waitFor(std::uint32_t id, int count = 1) {
        std::unique_lock lock(mutex_);
        const bool arrived = changed_.wait_for(lock, std::chrono::seconds(20),
                                               [&] { return countLocked(id) >= count; });
        EXPECT_TRUE(arrived) << "message 0x" << std::hex << id << " never came";
        int n = 0;
        for (const Seen& s : seen_) {
            if (s.id == id && ++n == count) {
                return s;
            }
        }
        return Seen{0, 0, 0, std::nullopt, {}};
    }
    int count(std::uint32_t id) {
        std::lock_guard lock(mutex_);
        return countLocked(id);
    }

private:
    int countLocked(std::uint32_t id) const {
        return static_cast<int>(
            std::count_if(seen_.begin(), seen_.end(), [id](const Seen& s) { return s.id == id; }));
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Seen> seen_;
};

// A 1024-channel spectrum of 30 GHz with a DHO doublet at 5 GHz on a flat baseline.
CKavroSpectrum Spectrum() {
    CKavroSpectrum s;
    s.SetChannels(1024);
    s.scanAmplitude = 30;
    for (int c = 0; c < 1024; ++c) {
        const double x = s.ChannelFrequency(static_cast<std::uint16_t>(c));
        s.counts[static_cast<std::size_t>(c)] =
            static_cast<std::uint32_t>(std::lround(100 + DhoShape(x, 3000, 5.0, 0.3)));
    }
    return s;
}

class FitWorkerTest : public testing::Test {
protected:
    void Start(int lower, int higher, CInstrumentalResponseFunction response = {}) {
        app();
        FitWorkerSetup setup;
        setup.mainWindow = &main_;
        setup.views = &views_;
        setup.prompter = &prompter_;
        setup.progress = progress_;
        setup.fileName = "sample_25.5K.txt";
        setup.spectrum = Spectrum();
        setup.lowerMarker = lower;
        setup.higherMarker = higher;
        setup.response.CopyFrom(response);
        thread_ = std::make_unique<MessageThread>(std::make_unique<CGFIT_object>(std::move(setup)));
        thread_->start();
        thread_->post(makeMessage(msg::WM_FIT_PREPARE));
    }
    void Option(fitmsg::FitOption option, std::intptr_t state, std::optional<double> field = {}) {
        thread_->post(fitmsg::MakeFitOptionMessage(option, state, field));
    }
    void TearDown() override { thread_.reset(); }

    RecordingSink main_;
    RecordingSink views_;
    ScriptedPrompter prompter_;
    std::shared_ptr<FitProgressFlags> progress_ = std::make_shared<FitProgressFlags>();
    std::unique_ptr<MessageThread> thread_;
};

}  // namespace

TEST_F(FitWorkerTest, InitialPassPublishesTheGuessesThenAFitItsResults) {
    Start(760, 600);  // markers in either order
    const Seen guesses = views_.waitFor(msg::WM_FIT_SHOW);
    EXPECT_EQ(guesses.wParam, 0u) << "no response";
    EXPECT_EQ(guesses.lParam, 0);
    ASSERT_TRUE(guesses.publication);
    EXPECT_EQ(guesses.publication->chiSquareText, "Red. chisq: N/A");
    EXPECT_EQ(guesses.publication->errorTexts[0], "");
    EXPECT_EQ(guesses.publication->maxIterations, 20);
    EXPECT_EQ(guesses.publication->rangeText, "Fitting data from 2.6 GHz to 7.3 GHz");
    EXPECT_GT(guesses.publication->area, 0);

    thread_->post(makeMessage(msg::WM_FIT_RUN, 30));
    EXPECT_EQ(views_.waitFor(fitmsg::WM_FIT_PROGRESS_START).wParam, 30u);
    EXPECT_EQ(views_.waitFor(fitmsg::WM_FIT_PROGRESS_CYCLE).text,
              "Performed 1 of 30 fitting cycles");
    views_.waitFor(fitmsg::WM_FIT_PROGRESS_HIDE);
    const Seen results = views_.waitFor(msg::WM_FIT_SHOW, 2);
    EXPECT_EQ(results.lParam, 1);
    ASSERT_TRUE(results.publication);
    EXPECT_EQ(results.publication->chiSquareText.rfind("Red. chisq: ", 0), 0u);
    EXPECT_EQ(results.publication->errorTexts[2].rfind("\xC2\xB1 ", 0), 0u);
    EXPECT_NEAR(results.publication->frequency, 5.0, 0.01);
    EXPECT_NEAR(results.publication->halfWidth, 0.3, 0.01);
}

TEST_F(FitWorkerTest, AnUnfinishedFitSaysSoAndTheNextGoesOn) {
    Start(600, 760);
    // Over the guesses: centre 3 widths off, width 2.5 times too large.
    Option(fitmsg::FitOption::Frequency, 0, 5.9);
    Option(fitmsg::FitOption::HalfWidth, 0, 0.75);
    thread_->post(makeMessage(msg::WM_FIT_RUN, 1));
    const Seen unfinished = views_.waitFor(msg::WM_FIT_SHOW, 2);
    ASSERT_TRUE(unfinished.publication);
    EXPECT_EQ(unfinished.publication->failureText, "ERROR: Not converged in 1 fitting cycles");

    thread_->post(makeMessage(msg::WM_FIT_RUN, 50));
    const Seen fitted = views_.waitFor(msg::WM_FIT_SHOW, 3);
    ASSERT_TRUE(fitted.publication);
    EXPECT_EQ(fitted.publication->failureText, "");
    EXPECT_NEAR(fitted.publication->frequency, 5.0, 0.01);
    EXPECT_NEAR(fitted.publication->halfWidth, 0.3, 0.01);
}

TEST_F(FitWorkerTest, RefusesFourOrFivePoints) {
    for (int higher : {603, 604}) {
        prompter_.expect("Fitting is not possible with so few points");
        if (!thread_) {
            Start(600, higher);
        } else {
            thread_->post(makeMessage(msg::WM_FIT_MARKERS, 600, higher));
        }
        thread_->post(makeMessage(msg::WM_FIT_RUN, 20));
        views_.waitFor(msg::WM_FIT_SHOW, higher == 603 ? 2 : 3);
        EXPECT_EQ(prompter_.lastIcon(), PromptIcon::Stop);
    }
    EXPECT_EQ(views_.count(fitmsg::WM_FIT_PROGRESS_START), 0);
}

TEST_F(FitWorkerTest, FixedOptionsKeepTheirValues) {
    Start(600, 760);
    Option(fitmsg::FitOption::Frequency, 1, 5.05);  // fixed at 5.05
    Option(fitmsg::FitOption::Model, kModelDho);
    thread_->post(makeMessage(msg::WM_FIT_RUN, 50));
    const Seen results = views_.waitFor(msg::WM_FIT_SHOW, 2);
    ASSERT_TRUE(results.publication);
    EXPECT_EQ(results.publication->frequency, 5.05);
    EXPECT_EQ(results.publication->errorTexts[2], "\xC2\xB1 0");
}

TEST_F(FitWorkerTest, ConvolutionWithoutResponseFallsBackToTheDho) {
    Start(600, 760);
    Option(fitmsg::FitOption::Convolution, 1);
    prompter_.expect(
        "Convolution data not present, or too few points for convoution. Normal fitting will be "
        "performed.");
    thread_->post(makeMessage(msg::WM_FIT_RUN, 20));
    views_.waitFor(fitmsg::WM_FIT_CONVOLUTION_CLEARED);
    views_.waitFor(msg::WM_FIT_SHOW, 2);
    EXPECT_EQ(prompter_.lastIcon(), PromptIcon::Exclamation);
}

TEST_F(FitWorkerTest, AbortStopsAfterTheCurrentCycle) {
    // The operator presses Abort as the first cycle is reported; the fit ends right there
    // with the values it started from and no errors.
    views_.onPost = [this](const Seen& s) {
        if (s.id == fitmsg::WM_FIT_PROGRESS_CYCLE) {
            progress_->abortRequested = true;
        }
    };
    Start(600, 760);
    const Seen guesses = views_.waitFor(msg::WM_FIT_SHOW);
    thread_->post(makeMessage(msg::WM_FIT_RUN, 200));
    const Seen after = views_.waitFor(msg::WM_FIT_SHOW, 2);
    EXPECT_EQ(views_.count(fitmsg::WM_FIT_PROGRESS_CYCLE), 1);
    ASSERT_TRUE(after.publication && guesses.publication);
    EXPECT_EQ(after.publication->area, guesses.publication->area);
    EXPECT_EQ(after.publication->errorTexts[1], "\xC2\xB1 0");
    EXPECT_FALSE(progress_->active);

    // The next run is not aborted by the old request.
    views_.onPost = nullptr;
    thread_->post(makeMessage(msg::WM_FIT_RUN, 200));
    const Seen fitted = views_.waitFor(msg::WM_FIT_SHOW, 3);
    EXPECT_GT(views_.count(fitmsg::WM_FIT_PROGRESS_CYCLE), 2);
    ASSERT_TRUE(fitted.publication);
    EXPECT_NEAR(fitted.publication->frequency, 5.0, 0.01);
}

TEST_F(FitWorkerTest, ResponseHandOverAndConvolvedFit) {
    CInstrumentalResponseFunction response;
    for (int i = -6; i <= 6; ++i) {
        response.AddPoint(i * 30.0 / 1023, std::exp(-0.5 * i * i / 4.0) * 500);
    }
    Start(600, 760);
    views_.waitFor(msg::WM_FIT_SHOW);
    HandOverResponse(*thread_, response);
    EXPECT_EQ(views_.waitFor(msg::WM_FIT_RESPONSE_PRESENT).wParam, 1u);
    Option(fitmsg::FitOption::Convolution, 1);
    Option(fitmsg::FitOption::Subdivision, 3);
    thread_->post(makeMessage(msg::WM_FIT_RUN, 40));
    const Seen results = views_.waitFor(msg::WM_FIT_SHOW, 2);
    EXPECT_EQ(results.wParam, 1u) << "a response is present";
    ASSERT_TRUE(results.publication);
    EXPECT_LT(results.publication->halfWidth, 0.3) << "the response takes part of the width";

    HandOverResponse(*thread_, CInstrumentalResponseFunction{});
    EXPECT_EQ(views_.waitFor(msg::WM_FIT_RESPONSE_PRESENT, 2).wParam, 0u);
}

TEST_F(FitWorkerTest, MarkerKeysGoToTheMainWindowAndCloseEndsTheFit) {
    Start(600, 760);
    thread_->post(makeMessage(msg::WM_FIT_MARKER_KEY, fitmsg::kSecondMarkerUp));
    EXPECT_EQ(main_.waitFor(msg::WM_FIT_MARKER_KEY).wParam, fitmsg::kSecondMarkerUp);
    thread_->post(makeMessage(msg::WM_FIT_CLOSE_WINDOWS));
    views_.waitFor(fitmsg::WM_FIT_CLOSE_VIEWS);
    main_.waitFor(msg::WM_FIT_CLOSE);
    thread_->post(makeMessage(msg::WM_FIT_RUN, 20));  // ignored once closed
    thread_.reset();
    EXPECT_EQ(views_.count(fitmsg::WM_FIT_PROGRESS_START), 0);
}
