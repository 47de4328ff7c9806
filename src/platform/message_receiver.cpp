#include "platform/message_receiver.h"

#include <QCoreApplication>

#include "platform/thread_sanitizer.h"

QEvent::Type MessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void MessageReceiver::post(Message message) {
    auto* e = new MessageEvent(std::move(message));
    tsan::handedOver(e);
    const tsan::PostingLock posting(thread());
    QCoreApplication::postEvent(this, e);
}

bool MessageReceiver::event(QEvent* e) {
    tsan::takenOver(e);
    if (e->type() == MessageEvent::eventType()) {
        onMessage(static_cast<MessageEvent*>(e)->message);
        return true;
    }
    return QObject::event(e);
}
