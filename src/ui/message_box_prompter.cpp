#include "ui/message_box_prompter.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon toIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Stop:
            return QMessageBox::Critical;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer MessageBoxPrompter::ask(const std::string& text, const std::string& caption,
                                     PromptButtons buttons, PromptIcon icon) {
    // Texts come in the station's 8-bit code page: 0xB1 is the plus-minus sign.
    QMessageBox box(toIcon(icon), QString::fromLatin1(caption.c_str()),
                    QString::fromLatin1(text.c_str()), QMessageBox::NoButton, parent_);
    switch (buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}
