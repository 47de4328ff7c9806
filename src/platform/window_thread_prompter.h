#pragma once

#include <QObject>

#include "core/prompter.h"

// Runs another prompter's boxes on the window thread. A worker thread that asks is blocked
// until the operator answers; on the window thread the box is shown directly.
class WindowThreadPrompter final : public QObject, public Prompter {
    Q_OBJECT
public:
    explicit WindowThreadPrompter(Prompter& shown, QObject* parent = nullptr);
    PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

protected:
    bool event(QEvent* e) override;

private:
    Prompter& shown_;
};
