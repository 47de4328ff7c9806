#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/message_thread.h"
#include "platform/messages.h"
#include "platform/window_thread_prompter.h"
#include "scripted_prompter.h"

namespace {

int argc = 1;
char arg0[] = "platform_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

struct Seen {
    std::mutex mutex;
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> messages;
    std::vector<Qt::HANDLE> threads;
    std::atomic<bool> destroyed{false};
};

class Recorder final : public MessageReceiver {
public:
    explicit Recorder(Seen& seen) : seen_(seen) {}
    ~Recorder() override { seen_.destroyed = true; }

protected:
    void onMessage(Message& m) override {
        std::lock_guard lock(seen_.mutex);
        const int* extra = m.payloadAs<int>();
        seen_.messages.emplace_back(m.wParam, extra ? *extra : m.lParam);
        seen_.threads.push_back(QThread::currentThreadId());
    }

private:
    Seen& seen_;
};

}  // namespace

TEST(MessageThread, KeepsPostingOrderPerSenderAndRunsOnItsOwnThread) {
    app();
    Seen seen;
    {
        MessageThread worker(std::make_unique<Recorder>(seen));
        worker.start();
        constexpr int kSenders = 4;
        constexpr int kEach = 2000;
        std::vector<std::thread> senders;
        for (int s = 0; s < kSenders; ++s) {
            senders.emplace_back([&worker, s] {
                for (int i = 0; i < kEach; ++i) {
                    if (i % 2) {
                        worker.post(makeMessage(msg::WM_GATHER_SCAN_READY, s, 0, int{i}));
                    } else {
                        worker.post(makeMessage(msg::WM_GATHER_SCAN_READY, s, i));
                    }
                }
            });
        }
        for (auto& t : senders) {
            t.join();
        }
        worker.quit();
        ASSERT_TRUE(worker.wait(10000));
        worker.post(makeMessage(msg::WM_GATHER_TIMEOUT));  // after quit: dropped, no crash

        ASSERT_EQ(seen.messages.size(), std::size_t{kSenders * kEach});
        std::vector<std::intptr_t> last(kSenders, -1);
        for (auto [sender, n] : seen.messages) {
            ASSERT_EQ(n, last[sender] + 1) << "sender " << sender;
            last[sender] = n;
        }
        for (auto id : seen.threads) {
            ASSERT_NE(id, QThread::currentThreadId());
        }
    }
    EXPECT_TRUE(seen.destroyed);
}

TEST(WindowThreadPrompter, WorkerWaitsForTheAnswerGivenOnTheWindowThread) {
    app();
    ScriptedPrompter shown;
    shown.expect("No signal", PromptAnswer::Yes);
    WindowThreadPrompter prompter(shown);
    std::atomic<int> answer{-1};
    std::thread worker([&] {
        answer = static_cast<int>(
            prompter.ask("No signal", "KAVRO", PromptButtons::YesNo, PromptIcon::Question));
    });
    QElapsedTimer clock;
    clock.start();
    while (answer < 0 && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_EQ(answer, static_cast<int>(PromptAnswer::Yes));
}
