#pragma once

#include <QPointer>
#include <QWidget>

#include "core/prompter.h"

// Message boxes as QMessageBox, owned by the main window. Call on the window thread only
// (WindowThreadPrompter brings other threads here).
class MessageBoxPrompter final : public Prompter {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

private:
    QPointer<QWidget> parent_;
};
