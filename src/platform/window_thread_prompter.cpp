#include "platform/window_thread_prompter.h"

#include <QThread>

WindowThreadPrompter::WindowThreadPrompter(Prompter& shown, QObject* parent)
    : QObject(parent), shown_(shown) {}

PromptAnswer WindowThreadPrompter::ask(const std::string& text, const std::string& caption,
                                       PromptButtons buttons, PromptIcon icon) {
    if (QThread::currentThread() == thread()) {
        return shown_.ask(text, caption, buttons, icon);
    }
    PromptAnswer answer = PromptAnswer::Cancel;
    QMetaObject::invokeMethod(
        this, [&] { answer = shown_.ask(text, caption, buttons, icon); },
        Qt::BlockingQueuedConnection);
    return answer;
}
