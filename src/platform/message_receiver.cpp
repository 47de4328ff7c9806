#include "platform/message_receiver.h"

#include <QCoreApplication>

QEvent::Type MessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void MessageReceiver::post(Message message) {
    QCoreApplication::postEvent(this, new MessageEvent(std::move(message)));
}

bool MessageReceiver::event(QEvent* e) {
    if (e->type() == MessageEvent::eventType()) {
        onMessage(static_cast<MessageEvent*>(e)->message);
        return true;
    }
    return QObject::event(e);
}
