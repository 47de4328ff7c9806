#pragma once

#include <QDialog>
#include <map>

class QLabel;
class QLineEdit;
class QPushButton;
struct SpectrumInformation;
class MeasurementInformationEdit;

// Dialog 143: the read-only summary of the spectrum just loaded.
class CInformation final : public QDialog {
    Q_OBJECT
public:
    CInformation(const SpectrumInformation& information, QWidget* parent);
};

// Dialog 146: shows the editor's fields and forwards the clicks to it.
class CEditcom final : public QDialog {
    Q_OBJECT
public:
    CEditcom(MeasurementInformationEdit& edit, QWidget* parent);

    QLineEdit* field(int control) const;
    QPushButton* lockButton() const { return lock_; }

    void accept() override;

private:
    void showLock();

    MeasurementInformationEdit& edit_;
    std::map<int, QLineEdit*> fields_;
    QPushButton* lock_ = nullptr;
};
