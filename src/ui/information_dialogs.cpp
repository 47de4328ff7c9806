#include "ui/information_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/station_text.h"
#include "window/spectrum/measurement_information.h"

namespace {

QString fromStation(const std::string& text) {
    return fromStationText(text);
}

QLabel* staticText(int control, const std::string& text) {
    auto* label = new QLabel(fromStation(text));
    label->setObjectName(QString::number(control));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

CInformation::CInformation(const SpectrumInformation& information, QWidget* parent)
    : QDialog(parent) {
    using namespace info_ctl;
    setObjectName("143");
    setWindowTitle(SpectrumInformation::kTitle);
    auto* layout = new QVBoxLayout(this);

    auto* sample = new QGroupBox("Sample");
    auto* sampleRows = new QVBoxLayout(sample);
    sampleRows->addWidget(staticText(kSampleName, information.text(kSampleName)));
    sampleRows->addWidget(staticText(kPolarization, information.text(kPolarization)));
    layout->addWidget(sample);

    auto* measurement = new QGroupBox("Measurement");
    auto* grid = new QGridLayout(measurement);
    const int left[] = {kScanAmplitude, kScanStep, kChannels, kChannelTime, kScans};
    const int right[] = {kMirrorSpacing, kWavelength, kBeamPower};
    for (int row = 0; row < 5; ++row) {
        grid->addWidget(staticText(left[row], information.text(left[row])), row, 0);
    }
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(staticText(right[row], information.text(right[row])), row, 1);
    }
    grid->setHorizontalSpacing(24);
    layout->addWidget(measurement);

    auto* comments = new QGroupBox("Comments");
    auto* commentRows = new QVBoxLayout(comments);
    bool anyComment = false;
    for (int id : {kFreeComment1, kFreeComment2, kExtraComment1, kExtraComment2}) {
        std::string text = information.text(id);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();  // a free comment keeps the line end it was read with
        }
        QLabel* label = staticText(id, text);
        if (text.empty()) {
            label->hide();  // an empty comment is left blank, not a gap
        }
        commentRows->addWidget(label);
        anyComment = anyComment || !text.empty();
    }
    layout->addWidget(comments);
    if (!anyComment) {
        comments->hide();
    }

    layout->addWidget(staticText(kFileTime, information.text(kFileTime)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CEditcom::CEditcom(MeasurementInformationEdit& edit, QWidget* parent)
    : QDialog(parent), edit_(edit) {
    using namespace info_ctl;
    setObjectName("146");
    setWindowTitle(MeasurementInformationEdit::kTitle);
    auto* layout = new QVBoxLayout(this);

    struct Row {
        int control;
        const char* label;
    };
    const Row rows[] = {
        {kEditSampleName, "Sample name :"},
        {kPolarization, "Polarization :"},
        {kEditMirrorSpacing, "Mirror spacing (mm) :"},
        {kBeamPower, "Beam power (mW) :"},
        {kEditScanAmplitude, "Scan amplitude (GHz) :"},
        {kEditChannelTime, "Time on each channel (s) :"},
        {kEditWavelength, "Wavelength (nm) :"},
        {kExtraComment1, "Extra comment 1 :"},
        {kExtraComment2, "Extra comment 2 :"},
    };
    auto* form = new QFormLayout;
    for (const Row& row : rows) {
        auto* line = new QLineEdit(fromStation(edit.field(row.control)));
        line->setObjectName(QString::number(row.control));
        line->setValidator(new StationTextValidator(line));
        if (const std::size_t limit = MeasurementInformationEdit::maxLength(row.control)) {
            line->setMaxLength(static_cast<int>(limit));
        }
        line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString(30, 'M')));
        form->addRow(row.label, line);
        fields_[row.control] = line;
    }
    layout->addLayout(form);

    lock_ = new QPushButton;
    lock_->setObjectName(QString::number(kCalibrationLock));
    connect(lock_, &QPushButton::clicked, this, [this] {
        edit_.ToggleLock();
        showLock();
    });
    layout->addWidget(lock_, 0, Qt::AlignLeft);

    auto* details = new QGroupBox("File");
    auto* detailRows = new QFormLayout(details);
    for (const auto& [control, text] : edit.readOnlyTexts()) {
        if (control == kFreeComment1 || control == kFreeComment2) {
            auto* line = new QLineEdit(fromStation(text));
            line->setObjectName(QString::number(control));
            line->setReadOnly(true);
            detailRows->addRow(control == kFreeComment1 ? "Free comment 1 :" : "Free comment 2 :",
                               line);
        } else {
            detailRows->addRow(staticText(control, text));
        }
    }
    layout->addWidget(details);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CEditcom::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showLock();
}

QLineEdit* CEditcom::field(int control) const {
    auto it = fields_.find(control);
    return it == fields_.end() ? nullptr : it->second;
}

void CEditcom::showLock() {
    lock_->setText(edit_.lockButtonText());
    fields_.at(info_ctl::kEditScanAmplitude)->setEnabled(edit_.amplitudeEnabled());
}

void CEditcom::accept() {
    for (auto& [control, line] : fields_) {
        edit_.field(control) = toStationText(line->text());
    }
    if (!edit_.Accept()) {
        if (QLineEdit* failed = field(edit_.failedField())) {
            failed->setFocus();
            failed->selectAll();
        }
        return;
    }
    QDialog::accept();
}
