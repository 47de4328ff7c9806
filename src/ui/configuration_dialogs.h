#pragma once

#include <QDialog>
#include <QPushButton>
#include <array>

#include "window/setup/general_setup.h"
#include "window/setup/visualization.h"
#include "window/spectrum/file_structure_dialog.h"

class MessageReceiver;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The serial ports QSerialPortInfo reports, in the form the general setup lists them.
DetectedPorts detectSerialPorts();

// What the three configuration dialogs share: modeless, one object name, freed on close, and
// the closed message to the window when destroyed.
class ConfigurationDialog : public QDialog {
    Q_OBJECT
public:
    ConfigurationDialog(int dialogId, const char* title, std::uint32_t closedMessage,
                        MessageReceiver& window, QWidget* parent);

protected:
    void focusControl(int id);
};

class FileStructureDialog final : public ConfigurationDialog {
    Q_OBJECT
public:
    FileStructureDialog(CFilestrdlg& presenter, MessageReceiver& window, QWidget* parent);
    void reject() override;

private:
    void load();
    void store();
    void finish(bool closes);

    CFilestrdlg& p_;
    std::array<QCheckBox*, FileStructure::kKinds> checks_{};
    std::array<QLineEdit*, FileStructure::kKinds> lines_{};
    QLineEdit* comment1_ = nullptr;
    QLineEdit* comment2_ = nullptr;
    QLineEdit* total_ = nullptr;
    QLineEdit* extension_ = nullptr;
};

class GeneralSetupDialog final : public ConfigurationDialog {
    Q_OBJECT
public:
    GeneralSetupDialog(CGeneral_setup& presenter, MessageReceiver& window, QWidget* parent);

private:
    void load();
    void store();
    void updateEnabled();

    CGeneral_setup& p_;
    QComboBox* port_ = nullptr;
    QLabel* portCount_ = nullptr;
    QLabel* dataDirectory_ = nullptr;
    QCheckBox* backupActive_ = nullptr;
    QLineEdit* backupStep_ = nullptr;
    QLineEdit* backupPrefix_ = nullptr;
    QCheckBox* clearBackups_ = nullptr;
    QPushButton* chooseBackup_ = nullptr;
    QLabel* backupDirectory_ = nullptr;
    QCheckBox* showSummary_ = nullptr;
    QCheckBox* beep_ = nullptr;
    QCheckBox* splash_ = nullptr;
    QLineEdit* wavelength_ = nullptr;
    QComboBox* shutterDelay_ = nullptr;
    QCheckBox* enableNetwork_ = nullptr;
    std::array<QLineEdit*, 4> netmask_{};
    QCheckBox* startServer_ = nullptr;
    QCheckBox* allowRemote_ = nullptr;
    std::vector<QWidget*> backupDependent_;
    std::vector<QWidget*> networkDependent_;
};

// A button that shows its colour (0x00BBGGRR) as a filled rectangle.
class ColourButton final : public QPushButton {
    Q_OBJECT
public:
    explicit ColourButton(QWidget* parent = nullptr);
    void setColour(int colour);
    int colour() const { return colour_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int colour_ = 0;
};

// Up and down arrows that step the number in their buddy field within their range.
class UpDownControl final : public QWidget {
    Q_OBJECT
public:
    UpDownControl(QLineEdit* buddy, int low, int high, QWidget* parent = nullptr);
    void step(int by);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_;
    int low_;
    int high_;
};

class VisualizationDialog final : public ConfigurationDialog {
    Q_OBJECT
public:
    VisualizationDialog(CVisualization& presenter, MessageReceiver& window, QWidget* parent);

private:
    void load();
    void store();

    CVisualization& p_;
    std::array<ColourButton*, 8> colours_{};
    QRadioButton* linear_ = nullptr;
    QRadioButton* logarithmic_ = nullptr;
    QLineEdit* yMax_ = nullptr;
    QLineEdit* zoom_ = nullptr;
    QCheckBox* autoscaleOnLoad_ = nullptr;
    QCheckBox* autoscaleOnMore_ = nullptr;
    QCheckBox* drawX_ = nullptr;
    QLineEdit* xTicks_ = nullptr;
    QCheckBox* drawY_ = nullptr;
    QLineEdit* yTicks_ = nullptr;
    QCheckBox* showCurrent_ = nullptr;
    QLineEdit* fontSize_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* startMaximized_ = nullptr;
};
