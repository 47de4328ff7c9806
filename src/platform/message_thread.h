#pragma once

#include <QThread>
#include <atomic>
#include <memory>

#include "platform/message_receiver.h"

// A thread with its own message queue: an event loop hosting one receiver. Posting WM_QUIT
// ends the loop after the messages posted before it; the receiver is destroyed on its thread.
class MessageThread final : public MessageSink {
public:
    explicit MessageThread(std::unique_ptr<MessageReceiver> receiver);
    ~MessageThread() override;  // posts WM_QUIT if still running and waits

    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    void start();
    void post(Message message) override;  // dropped once quit() was called
    void quit();                          // posts WM_QUIT
    bool wait(unsigned long milliseconds = ULONG_MAX);
    bool isRunning() const;
    QThread* thread() { return &thread_; }

private:
    class QuitFilter;
    QThread thread_;
    MessageReceiver* receiver_;  // deleted on its own thread when the loop ends
    std::atomic<bool> quitting_{false};
};
