#include "platform/window_thread_prompter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <future>

#include "platform/thread_sanitizer.h"

namespace {

// One question from a worker thread; the answer goes back through the promise. A posted event of
// our own rather than a blocking queued call, so the hand-over is one ThreadSanitizer can see.
class PromptEvent final : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    PromptEvent(const std::string& askedText, const std::string& askedCaption,
                PromptButtons askedButtons, PromptIcon askedIcon)
        : QEvent(eventType()),
          text(askedText),
          caption(askedCaption),
          buttons(askedButtons),
          icon(askedIcon) {}

    std::string text;
    std::string caption;
    PromptButtons buttons;
    PromptIcon icon;
    std::promise<PromptAnswer> answer;
};

}  // namespace

WindowThreadPrompter::WindowThreadPrompter(Prompter& shown, QObject* parent)
    : QObject(parent), shown_(shown) {}

PromptAnswer WindowThreadPrompter::ask(const std::string& text, const std::string& caption,
                                       PromptButtons buttons, PromptIcon icon) {
    if (QThread::currentThread() == thread()) {
        return shown_.ask(text, caption, buttons, icon);
    }
    auto* question = new PromptEvent(text, caption, buttons, icon);
    std::future<PromptAnswer> answer = question->answer.get_future();
    tsan::handedOver(question);
    {
        const tsan::PostingLock posting(thread());
        QCoreApplication::postEvent(this, question);
    }
    try {
        return answer.get();
    } catch (const std::future_error&) {
        return PromptAnswer::Cancel;  // dropped unasked: the window thread went first
    }
}

bool WindowThreadPrompter::event(QEvent* e) {
    tsan::takenOver(e);
    if (e->type() == PromptEvent::eventType()) {
        auto* question = static_cast<PromptEvent*>(e);
        question->answer.set_value(
            shown_.ask(question->text, question->caption, question->buttons, question->icon));
        return true;
    }
    return QObject::event(e);
}
