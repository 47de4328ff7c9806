#pragma once

#include <QEvent>
#include <QObject>

#include "platform/message.h"

// The Qt event that carries a Message across threads.
class MessageEvent final : public QEvent {
public:
    static QEvent::Type eventType();
    explicit MessageEvent(Message m) : QEvent(eventType()), message(std::move(m)) {}
    Message message;
};

// A QObject that handles posted messages on the thread it lives on, one at a time, in order.
class MessageReceiver : public QObject, public MessageSink {
    Q_OBJECT
public:
    explicit MessageReceiver(QObject* parent = nullptr) : QObject(parent) {}

    void post(Message message) override;

protected:
    virtual void onMessage(Message& message) = 0;
    bool event(QEvent* e) override;
};
