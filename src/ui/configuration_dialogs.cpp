#include "ui/configuration_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/message_receiver.h"
#include "platform/messages.h"
#include "ui/station_text.h"

namespace {

// Dialog texts are the station's 8-bit texts.
QString q(const std::string& text) {
    return fromStationText(text);
}
QString q(const char* text) {
    return QString::fromLatin1(text);
}
std::string s(const QString& text) {
    return toStationText(text);
}

// A free text the operator types: only what the station's texts can hold.
void acceptStationText(QLineEdit* edit) {
    edit->setValidator(new StationTextValidator(edit));
}

QString idName(int id) {
    return QString::number(id);
}

QCheckBox* checkBox(int id, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(q(caption), parent);
    box->setObjectName(idName(id));
    return box;
}

// An edit wide enough for `chars` digits or letters.
QLineEdit* edit(int id, int chars, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(idName(id));
    if (chars > 0) {
        const int width = e->fontMetrics().horizontalAdvance(QString(chars, QChar('0')));
        e->setMinimumWidth(width + 16);
        e->setMaximumWidth(width + 16);
    }
    return e;
}

QLabel* label(const char* text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* l = new QLabel(q(text), parent);
    if (buddy) {
        l->setBuddy(buddy);
    }
    return l;
}

QPushButton* pushButton(int id, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(q(caption), parent);
    b->setObjectName(idName(id));
    b->setAutoDefault(false);
    return b;
}

QDialogButtonBox* okCancel(QWidget* parent) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, parent);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    return buttons;
}

QColor fromColour(int colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

DetectedPorts detectSerialPorts() {
    DetectedPorts ports;
#ifdef Q_OS_WIN
    ports.comNames = true;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.registry.push_back(s(info.portName()));
    }
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.devicePaths.push_back(s(info.systemLocation()));
    }
#endif
    return ports;
}

ConfigurationDialog::ConfigurationDialog(int dialogId, const char* title,
                                         std::uint32_t closedMessage, MessageReceiver& window,
                                         QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setObjectName(idName(dialogId));
    setWindowTitle(q(title));
    // The window is the context: after it is gone nobody is left to tell.
    MessageReceiver* receiver = &window;
    connect(this, &QObject::destroyed, receiver,
            [receiver, closedMessage] { receiver->post(makeMessage(closedMessage)); });
}

void ConfigurationDialog::focusControl(int id) {
    if (id == 0) {
        return;
    }
    if (auto* w = findChild<QWidget*>(idName(id))) {
        w->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->selectAll();
        }
    }
}

// ---------------------------------------------------------------------------------------------

FileStructureDialog::FileStructureDialog(CFilestrdlg& presenter, MessageReceiver& window,
                                         QWidget* parent)
    : ConfigurationDialog(CFilestrdlg::kDialogId, CFilestrdlg::kTitle,
                          msg::WM_FILE_STRUCTURE_CLOSED, window, parent),
      p_(presenter) {
    auto* layout = new QVBoxLayout(this);
    auto* warning = new QLabel(q(CFilestrdlg::kWarning), this);
    warning->setWordWrap(true);
    layout->addWidget(warning);

    auto* grid = new QGridLayout;
    auto* lineHeader = new QLabel("Line", this);
    grid->addWidget(lineHeader, 0, 2, Qt::AlignHCenter);
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        const auto& c = CFilestrdlg::kKindControls[k];
        // Created in reading order, which is also the tab order.
        checks_[k] = checkBox(c.check, c.caption, this);
        const int row = k + 1;
        if (k == FileStructure::kFreeComment1 || k == FileStructure::kFreeComment2) {
            QLineEdit*& text = k == 0 ? comment1_ : comment2_;
            text = edit(k == 0 ? CFilestrdlg::kFreeComment1Text : CFilestrdlg::kFreeComment2Text, 0,
                        this);
            text->setMaxLength(static_cast<int>(settings_limits::kFreeComment));
            acceptStationText(text);
            text->setMinimumWidth(text->fontMetrics().horizontalAdvance(QString(30, 'x')));
            grid->addWidget(checks_[k], row, 0);
            grid->addWidget(text, row, 1);
        } else {
            grid->addWidget(checks_[k], row, 0, 1, 2);
        }
        lines_[k] = edit(c.line, 3, this);
        grid->addWidget(lines_[k], row, 2);
    }
    checks_[FileStructure::kScanAmplitude]->setEnabled(false);
    checks_[FileStructure::kScanNumber]->setEnabled(false);
    lines_[FileStructure::kScanNumber]->setReadOnly(true);
    for (QWidget* w : {static_cast<QWidget*>(checks_[FileStructure::kAcquisitionTime]),
                       static_cast<QWidget*>(lines_[FileStructure::kAcquisitionTime])}) {
        w->setEnabled(false);
        w->hide();
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* form = new QFormLayout;
    total_ = edit(CFilestrdlg::kTotal, 3, this);
    total_->setEnabled(false);
    form->addRow(label(CFilestrdlg::kTotalLabel, this, total_), total_);
    extension_ = edit(CFilestrdlg::kExtension, 5, this);
    extension_->setMaxLength(static_cast<int>(settings_limits::kFreeComment));
    form->addRow(label(CFilestrdlg::kExtensionLabel, this, extension_), extension_);
    layout->addLayout(form);

    auto* buttons = okCancel(this);
    auto* saveAsDefault =
        pushButton(CFilestrdlg::kSaveAsDefault, CFilestrdlg::kSaveAsDefaultCaption, this);
    buttons->addButton(saveAsDefault, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        store();
        finish(p_.OnOK());
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(saveAsDefault, &QPushButton::clicked, this, [this] {
        store();
        finish(p_.OnSaveAsDefault());
    });

    p_.OnInitDialog();
    load();
}

void FileStructureDialog::load() {
    const CFilestrdlg::Fields& f = p_.fields();
    total_->setText(q(f.total));
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        checks_[k]->setChecked(f.enabled[k]);
        lines_[k]->setText(q(f.lines[k]));
    }
    comment1_->setText(q(f.freecomment1));
    comment2_->setText(q(f.freecomment2));
    extension_->setText(q(f.extension));
}

void FileStructureDialog::store() {
    CFilestrdlg::Fields& f = p_.fields();
    f.total = s(total_->text());
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        f.enabled[k] = checks_[k]->isChecked();
        f.lines[k] = s(lines_[k]->text());
    }
    f.freecomment1 = s(comment1_->text());
    f.freecomment2 = s(comment2_->text());
    f.extension = s(extension_->text());
}

void FileStructureDialog::finish(bool closes) {
    if (closes) {
        QDialog::accept();
    } else {
        focusControl(p_.failedControl());
    }
}

void FileStructureDialog::reject() {
    p_.OnCancel();
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------

GeneralSetupDialog::GeneralSetupDialog(CGeneral_setup& presenter, MessageReceiver& window,
                                       QWidget* parent)
    : ConfigurationDialog(CGeneral_setup::kDialogId, CGeneral_setup::kTitle,
                          msg::WM_GENERAL_SETUP_CLOSED, window, parent),
      p_(presenter) {
    using G = CGeneral_setup;
    p_.OnInitDialog(detectSerialPorts());
    const G::Fields& f = p_.fields();

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto* portBox = new QGroupBox("Interferometer link", this);
    auto* portLayout = new QVBoxLayout(portBox);
    portCount_ = new QLabel(portBox);
    portCount_->setObjectName(idName(G::kPortCount));
    portCount_->setWordWrap(true);
    portLayout->addWidget(portCount_);
    port_ = new QComboBox(portBox);
    port_->setObjectName(idName(G::kPort));
    port_->setEditable(f.portTyped);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setMinimumContentsLength(16);
    port_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    portCount_->setBuddy(port_);
    portLayout->addWidget(port_);
    left->addWidget(portBox);

    auto* dataBox = new QGroupBox("Data", this);
    auto* dataLayout = new QVBoxLayout(dataBox);
    auto* chooseData = pushButton(G::kChooseDataDirectory, G::kChooseDataDirectoryCaption, dataBox);
    dataLayout->addWidget(chooseData, 0, Qt::AlignLeft);
    dataDirectory_ = new QLabel(dataBox);
    dataDirectory_->setObjectName(idName(G::kDataDirectoryText));
    dataDirectory_->setWordWrap(true);
    dataLayout->addWidget(dataDirectory_);
    left->addWidget(dataBox);

    auto* backupBox = new QGroupBox("Backup", this);
    auto* backupLayout = new QVBoxLayout(backupBox);
    backupActive_ = checkBox(G::kBackupActive, G::kBackupActiveCaption, backupBox);
    backupLayout->addWidget(backupActive_);
    auto* backupForm = new QFormLayout;
    backupStep_ = edit(G::kBackupStep, 7, backupBox);
    auto* stepLabel = label(G::kBackupStepLabel, backupBox, backupStep_);
    backupForm->addRow(stepLabel, backupStep_);
    backupPrefix_ = edit(G::kBackupPrefix, 4, backupBox);
    backupPrefix_->setMaxLength(static_cast<int>(settings_limits::kBackupExtension));
    auto* prefixLabel = label(G::kBackupPrefixLabel, backupBox, backupPrefix_);
    backupForm->addRow(prefixLabel, backupPrefix_);
    backupLayout->addLayout(backupForm);
    clearBackups_ = checkBox(G::kClearBackups, G::kClearBackupsCaption, backupBox);
    backupLayout->addWidget(clearBackups_);
    chooseBackup_ =
        pushButton(G::kChooseBackupDirectory, G::kChooseBackupDirectoryCaption, backupBox);
    backupLayout->addWidget(chooseBackup_, 0, Qt::AlignLeft);
    backupDirectory_ = new QLabel(backupBox);
    backupDirectory_->setObjectName(idName(G::kBackupDirectoryText));
    backupDirectory_->setWordWrap(true);
    backupLayout->addWidget(backupDirectory_);
    left->addWidget(backupBox);
    left->addStretch(1);
    backupDependent_ = {stepLabel,     backupStep_,   prefixLabel,     backupPrefix_,
                        clearBackups_, chooseBackup_, backupDirectory_};

    auto* optionsBox = new QGroupBox("Options", this);
    auto* optionsLayout = new QVBoxLayout(optionsBox);
    showSummary_ = checkBox(G::kShowSummary, G::kShowSummaryCaption, optionsBox);
    beep_ = checkBox(G::kBeep, G::kBeepCaption, optionsBox);
    splash_ = checkBox(G::kSplash, G::kSplashCaption, optionsBox);
    optionsLayout->addWidget(showSummary_);
    optionsLayout->addWidget(beep_);
    optionsLayout->addWidget(splash_);
    auto* optionsForm = new QFormLayout;
    wavelength_ = edit(G::kWavelength, 8, optionsBox);
    optionsForm->addRow(label(G::kWavelengthLabel, optionsBox, wavelength_), wavelength_);
    shutterDelay_ = new QComboBox(optionsBox);
    shutterDelay_->setObjectName(idName(G::kShutterDelay));
    for (const std::string& entry : G::shutterDelayEntries()) {
        shutterDelay_->addItem(q(entry));
    }
    optionsForm->addRow(label(G::kShutterDelayLabel, optionsBox, shutterDelay_), shutterDelay_);
    optionsLayout->addLayout(optionsForm);
    right->addWidget(optionsBox);

    auto* networkBox = new QGroupBox("Network", this);
    auto* networkLayout = new QVBoxLayout(networkBox);
    enableNetwork_ = checkBox(G::kEnableNetwork, G::kEnableNetworkCaption, networkBox);
    networkLayout->addWidget(enableNetwork_);
    auto* maskRow = new QHBoxLayout;
    auto* maskLabel = label(G::kNetmaskLabel, networkBox);
    maskRow->addWidget(maskLabel);
    for (int i = 0; i < 4; ++i) {
        netmask_[i] = edit(G::kNetmask[i], 3, networkBox);
        maskRow->addWidget(netmask_[i]);
        networkDependent_.push_back(netmask_[i]);
    }
    maskLabel->setBuddy(netmask_[0]);
    maskRow->addStretch(1);
    networkLayout->addLayout(maskRow);
    startServer_ = checkBox(G::kStartServer, G::kStartServerCaption, networkBox);
    allowRemote_ = checkBox(G::kAllowRemoteControl, G::kAllowRemoteControlCaption, networkBox);
    networkLayout->addWidget(startServer_);
    networkLayout->addWidget(allowRemote_);
    networkDependent_.insert(networkDependent_.end(), {maskLabel, startServer_, allowRemote_});
    right->addWidget(networkBox);
    right->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    auto* bottom = new QHBoxLayout;
    auto* reset = pushButton(G::kReset, G::kResetCaption, this);
    bottom->addWidget(reset);
    bottom->addStretch(1);
    auto* buttons = okCancel(this);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    connect(backupActive_, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(enableNetwork_, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(chooseData, &QPushButton::clicked, this, [this] {
        store();
        p_.OnChooseDataDirectory();
        dataDirectory_->setText(fromPath(p_.fields().dataDirectoryText));
    });
    connect(chooseBackup_, &QPushButton::clicked, this, [this] {
        store();
        p_.OnChooseBackupDirectory();
        backupDirectory_->setText(fromPath(p_.fields().backupDirectoryText));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        store();
        if (p_.OnOK()) {
            QDialog::accept();
        } else {
            focusControl(p_.failedControl());
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, [this] {
        if (p_.OnReset()) {
            if (QWidget* w = parentWidget()) {
                w->update();  // the plot shows the default colours and font at once
            }
            QDialog::reject();  // closes without applying the fields
        }
    });

    load();
}

void GeneralSetupDialog::load() {
    const CGeneral_setup::Fields& f = p_.fields();
    port_->clear();
    for (const std::string& entry : f.ports) {
        port_->addItem(q(entry));
    }
    const int index = port_->findText(q(f.port), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    port_->setCurrentIndex(index);
    if (f.portTyped) {
        port_->setEditText(q(f.port));
    }
    portCount_->setText(q(f.portCountText));
    dataDirectory_->setText(fromPath(f.dataDirectoryText));
    backupActive_->setChecked(f.backupActive);
    backupStep_->setText(q(f.backupStep));
    backupPrefix_->setText(q(f.backupPrefix));
    clearBackups_->setChecked(f.clearBackups);
    backupDirectory_->setText(fromPath(f.backupDirectoryText));
    showSummary_->setChecked(f.showSummary);
    beep_->setChecked(f.beep);
    splash_->setChecked(f.splash);
    wavelength_->setText(q(f.wavelength));
    shutterDelay_->setCurrentIndex(f.shutterDelay);
    enableNetwork_->setChecked(f.enableNetwork);
    for (int i = 0; i < 4; ++i) {
        netmask_[i]->setText(q(f.netmask[i]));
    }
    startServer_->setChecked(f.startServer);
    allowRemote_->setChecked(f.allowRemoteControl);
    updateEnabled();
}

void GeneralSetupDialog::store() {
    CGeneral_setup::Fields& f = p_.fields();
    f.port = f.portTyped ? s(port_->currentText())
                         : (port_->currentIndex() < 0 ? std::string() : s(port_->currentText()));
    f.backupActive = backupActive_->isChecked();
    f.backupStep = s(backupStep_->text());
    f.backupPrefix = s(backupPrefix_->text());
    f.clearBackups = clearBackups_->isChecked();
    f.showSummary = showSummary_->isChecked();
    f.beep = beep_->isChecked();
    f.splash = splash_->isChecked();
    f.wavelength = s(wavelength_->text());
    f.shutterDelay = shutterDelay_->currentIndex();
    f.enableNetwork = enableNetwork_->isChecked();
    for (int i = 0; i < 4; ++i) {
        f.netmask[i] = s(netmask_[i]->text());
    }
    f.startServer = startServer_->isChecked();
    f.allowRemoteControl = allowRemote_->isChecked();
}

void GeneralSetupDialog::updateEnabled() {
    p_.fields().backupActive = backupActive_->isChecked();
    p_.fields().enableNetwork = enableNetwork_->isChecked();
    for (QWidget* w : backupDependent_) {
        w->setEnabled(p_.backupControlsEnabled());
    }
    for (QWidget* w : networkDependent_) {
        w->setEnabled(p_.networkControlsEnabled());
    }
}

// ---------------------------------------------------------------------------------------------

ColourButton::ColourButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
}

void ColourButton::setColour(int colour) {
    colour_ = colour;
    update();
}

QSize ColourButton::sizeHint() const {
    const int h = fontMetrics().height() + 10;
    return {h * 3, h};
}

void ColourButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect().adjusted(4, 4, -4, -4), fromColour(colour_));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(4, 4, -5, -5));
}

UpDownControl::UpDownControl(QLineEdit* buddy, int low, int high, QWidget* parent)
    : QWidget(parent), buddy_(buddy), low_(low), high_(high) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const int h = buddy->sizeHint().height() / 2;
    for (int by : {1, -1}) {
        auto* arrow = new QToolButton(this);
        arrow->setArrowType(by > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(h * 3 / 2, h);
        connect(arrow, &QToolButton::clicked, this, [this, by] { step(by); });
        layout->addWidget(arrow);
    }
    buddy_->installEventFilter(this);  // the arrow keys step as well
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::step(int by) {
    bool ok = false;
    int position = buddy_->text().trimmed().toInt(&ok);
    position = std::clamp(ok ? position : low_, low_, high_);
    buddy_->setText(QString::number(std::clamp(position + by, low_, high_)));
}

// ---------------------------------------------------------------------------------------------

VisualizationDialog::VisualizationDialog(CVisualization& presenter, MessageReceiver& window,
                                         QWidget* parent)
    : ConfigurationDialog(CVisualization::kDialogId, CVisualization::kTitle,
                          msg::WM_VISUALISATION_CLOSED, window, parent),
      p_(presenter) {
    using V = CVisualization;
    auto* columns = new QHBoxLayout;

    auto* colourBox = new QGroupBox("Colours", this);
    auto* colourGrid = new QGridLayout(colourBox);
    for (int i = 0; i < 8; ++i) {
        colours_[i] = new ColourButton(colourBox);
        colours_[i]->setObjectName(idName(V::kColourButtons[i]));
        colourGrid->addWidget(label(V::kColourLabels[i], colourBox, colours_[i]), i, 0);
        colourGrid->addWidget(colours_[i], i, 1);
        connect(colours_[i], &QPushButton::clicked, this, [this, i] {
            if (p_.OnColourButton(i)) {
                colours_[i]->setColour(p_.fields().colours[i]);
            }
        });
    }
    columns->addWidget(colourBox);

    auto* right = new QVBoxLayout;
    auto* scaleBox = new QGroupBox("Y scale at startup", this);
    auto* scaleLayout = new QHBoxLayout(scaleBox);
    linear_ = new QRadioButton(q(V::kLinearCaption), scaleBox);
    linear_->setObjectName(idName(V::kLinear));
    logarithmic_ = new QRadioButton(q(V::kLogarithmicCaption), scaleBox);
    logarithmic_->setObjectName(idName(V::kLogarithmic));
    auto* scaleGroup = new QButtonGroup(this);
    scaleGroup->addButton(linear_, 0);
    scaleGroup->addButton(logarithmic_, 1);
    scaleLayout->addWidget(linear_);
    scaleLayout->addWidget(logarithmic_);
    scaleLayout->addStretch(1);
    connect(scaleGroup, &QButtonGroup::idClicked, this, [this](int id) { p_.OnScaleType(id); });
    right->addWidget(scaleBox);

    auto* plotBox = new QGroupBox("Plot", this);
    auto* plotLayout = new QVBoxLayout(plotBox);
    auto* form = new QFormLayout;
    yMax_ = edit(V::kYMax, 10, plotBox);
    form->addRow(label(V::kYMaxLabel, plotBox, yMax_), yMax_);
    zoom_ = edit(V::kZoom, 8, plotBox);
    form->addRow(label(V::kZoomLabel, plotBox, zoom_), zoom_);
    plotLayout->addLayout(form);
    autoscaleOnLoad_ = checkBox(V::kAutoscaleOnLoad, V::kAutoscaleOnLoadCaption, plotBox);
    autoscaleOnMore_ = checkBox(V::kAutoscaleOnMore, V::kAutoscaleOnMoreCaption, plotBox);
    plotLayout->addWidget(autoscaleOnLoad_);
    plotLayout->addWidget(autoscaleOnMore_);
    auto* axes = new QGridLayout;
    drawX_ = checkBox(V::kDrawX, V::kDrawXCaption, plotBox);
    xTicks_ = edit(V::kXTicks, 4, plotBox);
    drawY_ = checkBox(V::kDrawY, V::kDrawYCaption, plotBox);
    yTicks_ = edit(V::kYTicks, 4, plotBox);
    axes->addWidget(drawX_, 0, 0);
    axes->addWidget(label(V::kTicksLabel, plotBox, xTicks_), 0, 1);
    axes->addWidget(xTicks_, 0, 2);
    axes->addWidget(drawY_, 1, 0);
    axes->addWidget(label(V::kTicksLabel, plotBox, yTicks_), 1, 1);
    axes->addWidget(yTicks_, 1, 2);
    axes->setColumnStretch(3, 1);
    plotLayout->addLayout(axes);
    showCurrent_ = checkBox(V::kShowCurrent, V::kShowCurrentCaption, plotBox);
    plotLayout->addWidget(showCurrent_);
    right->addWidget(plotBox);

    auto* textBox = new QGroupBox("Text and window", this);
    auto* textLayout = new QVBoxLayout(textBox);
    auto* fontRow = new QHBoxLayout;
    fontSize_ = edit(V::kFontSize, 3, textBox);
    fontRow->addWidget(label(V::kFontSizeLabel, textBox, fontSize_));
    fontRow->addWidget(fontSize_);
    auto* spin = new UpDownControl(fontSize_, V::kSpinLow, V::kSpinHigh, textBox);
    spin->setObjectName(idName(V::kFontSpin));
    fontRow->addWidget(spin);
    fontRow->addStretch(1);
    textLayout->addLayout(fontRow);
    bold_ = checkBox(V::kBold, V::kBoldCaption, textBox);
    startMaximized_ = checkBox(V::kStartMaximized, V::kStartMaximizedCaption, textBox);
    textLayout->addWidget(bold_);
    textLayout->addWidget(startMaximized_);
    right->addWidget(textBox);
    right->addStretch(1);
    columns->addLayout(right);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    auto* buttons = okCancel(this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        store();
        if (p_.OnOK()) {
            QDialog::accept();
        } else {
            focusControl(p_.failedControl());
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    p_.OnInitDialog();
    load();
    // Typed or stepped by the arrows alike.
    connect(fontSize_, &QLineEdit::textChanged, this,
            [this](const QString& text) { p_.OnFontSizeChange(s(text)); });
    connect(bold_, &QCheckBox::clicked, this, [this](bool on) { p_.OnBold(on); });
}

void VisualizationDialog::load() {
    const CVisualization::Fields& f = p_.fields();
    for (int i = 0; i < 8; ++i) {
        colours_[i]->setColour(f.colours[i]);
    }
    (f.scaleType == 0 ? linear_ : logarithmic_)->setChecked(true);
    yMax_->setText(q(f.yMax));
    zoom_->setText(q(f.zoom));
    autoscaleOnLoad_->setChecked(f.autoscaleOnLoad);
    autoscaleOnMore_->setChecked(f.autoscaleOnMore);
    drawX_->setChecked(f.drawX);
    xTicks_->setText(q(f.xTicks));
    drawY_->setChecked(f.drawY);
    yTicks_->setText(q(f.yTicks));
    showCurrent_->setChecked(f.showCurrent);
    fontSize_->setText(q(f.fontSize));
    bold_->setChecked(f.bold);
    startMaximized_->setChecked(f.startMaximized);
}

void VisualizationDialog::store() {
    CVisualization::Fields& f = p_.fields();
    f.scaleType = logarithmic_->isChecked() ? 1 : 0;
    f.yMax = s(yMax_->text());
    f.zoom = s(zoom_->text());
    f.autoscaleOnLoad = autoscaleOnLoad_->isChecked();
    f.autoscaleOnMore = autoscaleOnMore_->isChecked();
    f.drawX = drawX_->isChecked();
    f.xTicks = s(xTicks_->text());
    f.drawY = drawY_->isChecked();
    f.yTicks = s(yTicks_->text());
    f.showCurrent = showCurrent_->isChecked();
    f.fontSize = s(fontSize_->text());
    f.bold = bold_->isChecked();
    f.startMaximized = startMaximized_->isChecked();
}
