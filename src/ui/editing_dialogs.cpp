#include "ui/editing_dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/station_text.h"
#include "window/spectrum/spectrum_editing.h"

CResizeSpectrumDialog::CResizeSpectrumDialog(ResizeChoice& choice, QWidget* parent)
    : QDialog(parent), choice_(choice) {
    setObjectName("102");
    setWindowTitle("Resize spectrum");
    auto* layout = new QVBoxLayout(this);

    auto* actual = new QLabel(fromStationText(choice.actualText()));
    actual->setObjectName(QString::number(kActualChannels));
    layout->addWidget(actual);

    auto* row = new QHBoxLayout;
    auto* label = new QLabel("Resize to : ");
    label->setObjectName(QString::number(kResizeToLabel));
    row->addWidget(label);
    combo_ = new QComboBox;
    combo_->setObjectName(QString::number(kChannelsCombo));
    for (std::uint16_t count : ResizeChoice::kCounts) {
        combo_->addItem(QString::number(count));
    }
    combo_->setCurrentIndex(choice.selectedIndex());  // none for a count not offered
    row->addWidget(combo_, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton("OK");
    ok->setObjectName(QString::number(kOk));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel");
    cancel->setObjectName(QString::number(kCancel));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CResizeSpectrumDialog::accept() {
    choice_.select(combo_->currentIndex());
    QDialog::accept();
}

bool runUnderProgressDialog(QWidget* parent, const std::string& title, int steps,
                            const std::function<std::string()>& label,
                            const std::function<bool()>& step) {
    QProgressDialog dialog(parent);
    dialog.setObjectName("progress");
    dialog.setWindowTitle(fromStationText(title));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setRange(0, steps);
    dialog.setMinimumDuration(0);  // the caller asks only for batches worth a dialog
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    bool more = steps > 0;
    for (int done = 0; more; ++done) {
        dialog.setLabelText(fromStationText(label()));
        dialog.setValue(done);  // a modal dialog runs the event loop here
        QCoreApplication::processEvents();
        if (dialog.wasCanceled()) {
            return false;
        }
        more = step();
    }
    dialog.setValue(steps);
    return true;
}
