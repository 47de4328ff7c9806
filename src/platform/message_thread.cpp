#include "platform/message_thread.h"

#include <QCoreApplication>

#include "platform/messages.h"
#include "platform/thread_sanitizer.h"

// Sees WM_QUIT before the receiver does and ends the thread's loop.
class MessageThread::QuitFilter final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        tsan::takenOver(e);  // the filter sees a posted message before its receiver
        if (e->type() == MessageEvent::eventType() &&
            static_cast<MessageEvent*>(e)->message.id == msg::WM_QUIT) {
            watched->thread()->quit();
            return true;
        }
        return false;
    }
};

MessageThread::MessageThread(std::unique_ptr<MessageReceiver> receiver)
    : receiver_(receiver.release()) {
    // The filter is the receiver's child, so it moves to the thread along with it.
    receiver_->installEventFilter(new QuitFilter(receiver_));
    receiver_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, receiver_, &QObject::deleteLater);
}

MessageThread::~MessageThread() {
    if (thread_.isRunning()) {
        quit();
        thread_.wait();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else if (!thread_.isFinished()) {
        delete receiver_;  // never started: nobody else will delete it
    }
}

void MessageThread::start() {
    thread_.start();
}

void MessageThread::post(Message message) {
    if (!quitting_) {
        receiver_->post(std::move(message));
    }
}

void MessageThread::quit() {
    if (!quitting_.exchange(true)) {
        receiver_->post(makeMessage(msg::WM_QUIT));
    }
}

bool MessageThread::wait(unsigned long milliseconds) {
    return thread_.wait(QDeadlineTimer(milliseconds));
}

bool MessageThread::isRunning() const {
    return thread_.isRunning();
}
