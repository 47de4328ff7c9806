#pragma once

#include <cstdint>
#include <memory>
#include <utility>

// A posted message: number, the two parameters, and an optional payload the receiver owns.
struct MessagePayload {
    virtual ~MessagePayload() = default;
};

template <class T>
struct PayloadOf final : MessagePayload {
    explicit PayloadOf(T v) : value(std::move(v)) {}
    T value;
};

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<MessagePayload> payload;

    template <class T>
    const T* payloadAs() const {
        auto* p = dynamic_cast<const PayloadOf<T>*>(payload.get());
        return p ? &p->value : nullptr;
    }
    template <class T>
    T* payloadAs() {
        auto* p = dynamic_cast<PayloadOf<T>*>(payload.get());
        return p ? &p->value : nullptr;
    }
};

template <class T>
Message makeMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam, T payload) {
    return Message{id, wParam, lParam, std::make_unique<PayloadOf<T>>(std::move(payload))};
}

inline Message makeMessage(std::uint32_t id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    return Message{id, wParam, lParam, nullptr};
}

// Anything messages can be posted to: a window, a worker's queue, or a test's recorder.
// post() may be called from any thread and keeps the posting order per sink.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void post(Message message) = 0;
};
