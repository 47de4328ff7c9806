#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class ResizeChoice;

// Dialog 102 "Resize spectrum": the current channel count and the combo box of the counts the
// spectrum can be rebinned to. OK writes the selection into the choice; Cancel leaves it.
class CResizeSpectrumDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kActualChannels = 1401;
    static constexpr int kResizeToLabel = 1404;
    static constexpr int kChannelsCombo = 1354;
    static constexpr int kOk = 1377;
    static constexpr int kCancel = 1378;

    CResizeSpectrumDialog(ResizeChoice& choice, QWidget* parent);

    QComboBox* combo() const { return combo_; }
    void accept() override;

private:
    ResizeChoice& choice_;
    QComboBox* combo_ = nullptr;
};

// A job of `steps` units under a window-modal progress dialog with Cancel; the event loop runs
// between units, so the window repaints and the Cancel button answers. False when cancelled.
bool runUnderProgressDialog(QWidget* parent, const std::string& title, int steps,
                            const std::function<std::string()>& label,
                            const std::function<bool()>& step);
