#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/messages.h"
#include "shell/register_setup.h"
#include "ui/configuration_dialogs.h"
#include "ui/editing_dialogs.h"
#include "ui/information_dialogs.h"
#include "ui/plot_widget.h"
#include "ui/startup_dialogs.h"
#include "window/acquisition/menu_table.h"
#include "window/captions.h"
#include "window/placement.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("134");
    setWindowTitle("Spectrum window");
    buildControls();
    buildMenus();
    buildShortcuts();
}

void MainWindow::attach(CSpectrumwnd* logic) {
    logic_ = logic;
    plot_->attach(logic);
}

void MainWindow::addButton(QBoxLayout* column, int id, const QString& text, bool checkable) {
    QAbstractButton* button =
        checkable ? static_cast<QAbstractButton*>(new QCheckBox(text)) : new QPushButton(text);
    button->setObjectName(QString::number(id));
    connect(button, &QAbstractButton::clicked, this, [this, id] {
        if (logic_) {
            logic_->OnCommand(id);
        }
    });
    column->addWidget(button);
    controls_[id] = button;
}

void MainWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    plot_ = new PlotWidget(central);
    row->addWidget(plot_, 1);

    auto* column = new QVBoxLayout;
    addButton(column, ctl::kAcquisition, caption::kStartAcquisition);
    addButton(column, ctl::kObserve, caption::kObserveSignal);

    auto* fields = new QFormLayout;
    auto addEdit = [&](int id, const QString& label, const QString& value) {
        auto* edit = new QLineEdit(value);
        edit->setObjectName(QString::number(id));
        fields->addRow(label, edit);
        controls_[id] = edit;
    };
    addEdit(ctl::kCycles, "Cycles", "0");
    addEdit(ctl::kScale, "Scale", "1000");
    addEdit(ctl::kMirrorSpacing, "Actual mirror spacing (mm) : ", "6");
    for (int id : {ctl::kScale, ctl::kMirrorSpacing}) {
        connect(static_cast<QLineEdit*>(controls_[id]), &QLineEdit::textEdited, this, [this, id] {
            if (logic_) {
                logic_->OnCommand(id);
            }
        });
    }
    column->addLayout(fields);

    auto addLabel = [&](int id, const QString& text) {
        auto* label = new QLabel(text);
        label->setObjectName(QString::number(id));
        column->addWidget(label);
        controls_[id] = label;
    };
    addLabel(ctl::kChannelsLabel, "Channels : 1024");
    addLabel(ctl::kRejectedLabel, "");

    progress_ = new QProgressBar;
    progress_->setTextVisible(false);
    progress_->setValue(0);
    column->addWidget(progress_);

    addButton(column, ctl::kDelete, "Delete spectrum ");
    addButton(column, ctl::kInformation, "Measurement information ... ");
    addButton(column, ctl::kLoad, "Load spectrum ");
    addButton(column, ctl::kSave, "Save spectrum ");
    addButton(column, ctl::kMark1, "Mark1", true);
    addButton(column, ctl::kMark2, "Mark2", true);
    addButton(column, ctl::kZoomIn, "Zoom in");
    addButton(column, ctl::kZoomOut, "Zoom out");
    addLabel(ctl::kMarkerSpan, "");
    auto addChoice = [&](int first, const QString& firstText, int second,
                         const QString& secondText) {
        auto* group = new QButtonGroup(central);
        auto* line = new QHBoxLayout;
        for (auto [id, text] : {std::pair{first, firstText}, std::pair{second, secondText}}) {
            auto* radio = new QRadioButton(text);
            radio->setObjectName(QString::number(id));
            group->addButton(radio);
            line->addWidget(radio);
            controls_[id] = radio;
            connect(radio, &QAbstractButton::clicked, this, [this, id] {
                if (logic_) {
                    logic_->OnCommand(id);
                }
            });
        }
        column->addLayout(line);
    };
    addChoice(ctl::kLinear, "lin", ctl::kLogarithmic, "log");
    addChoice(ctl::kLineStyle, "line", ctl::kDotsStyle, "dots");
    column->addStretch(1);
    addButton(column, ctl::kExit, "Exit");
    row->addLayout(column);
    setCentralWidget(central);
}

void MainWindow::buildMenus() {
    for (const Menu& m : spectrumMenus()) {
        QMenu* menu = menuBar()->addMenu(m.title);
        for (const MenuItem& item : m.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setData(item.id);
            action->setObjectName(QString::number(item.id));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] {
                if (logic_) {
                    logic_->OnCommand(id);
                }
            });
        }
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
    }
}

void MainWindow::updateMenu(QMenu* menu) {
    if (!logic_) {
        return;
    }
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            continue;
        }
        const MenuItemState state = logic_->menuState(action->data().toInt());
        action->setEnabled(state.enabled);
        action->setCheckable(state.checked);
        action->setChecked(state.checked);
        action->setText(QString::fromLatin1(state.text.c_str()));
    }
}

void MainWindow::buildShortcuts() {
    struct Key {
        QKeySequence sequence;
        int command;
    };
    const Key keys[] = {{Qt::Key_A, cmd::kMarker1Back},
                        {Qt::Key_D, cmd::kMarker1Forward},
                        {Qt::Key_J, cmd::kMarker2Back},
                        {Qt::Key_L, cmd::kMarker2Forward},
                        {QKeySequence(Qt::CTRL | Qt::Key_C), cmd::kChatShortcut},
                        {QKeySequence(Qt::CTRL | Qt::Key_A), cmd::kAutomatedShortcut}};
    for (const Key& k : keys) {
        auto* shortcut = new QShortcut(k.sequence, this);
        const int command = k.command;
        connect(shortcut, &QShortcut::activated, this, [this, command] {
            if (logic_) {
                logic_->OnCommand(command);
            }
        });
    }
}

QWidget* MainWindow::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::setControlEnabled(int id, bool enabled) {
    if (QWidget* w = control(id)) {
        w->setEnabled(enabled);
    }
}

void MainWindow::setControlText(int id, const std::string& text) {
    const QString t = QString::fromLatin1(text.c_str());
    QWidget* w = control(id);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(t);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(t);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(t);
    }
}

std::string MainWindow::controlText(int id) const {
    QWidget* w = control(id);
    QString t;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        t = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        t = label->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        t = edit->text();
    }
    return t.toLatin1().toStdString();
}

void MainWindow::setControlChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        button->setChecked(checked);
    }
}

bool MainWindow::controlChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(control(id));
    return button && button->isChecked();
}

bool MainWindow::savePlotImage(const std::string& path) {
    return plot_->saveImage(QString::fromStdString(path));
}

void MainWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromLatin1(title.c_str()));
}

void MainWindow::setProgressRange(int low, int high) {
    // An empty range would make Qt's bar an endlessly animated busy indicator; an unlimited
    // run shows an empty bar instead.
    progress_->setRange(low, high > low ? high : low + 1);
}

void MainWindow::setProgress(int value) {
    progress_->setValue(value);
}

void MainWindow::redraw() {
    plot_->refresh();
}

void MainWindow::showSplash() {
    const QString description =
        logic_ ? QString::fromStdString(logic_->programDescription()) : QString("KAVRO");
    (new SplashScreen(description, this))->show();
}

void MainWindow::placeInWorkArea() {
    QScreen* s = screen();
    if (!s) {
        return;
    }
    const QRect work = s->availableGeometry();
    const QRect frame = frameGeometry();
    const WindowRect current{frame.x(), frame.y(), frame.width(), frame.height()};
    if (auto placed = initialPlacement(current, work.right() + 1, work.bottom() + 1)) {
        move(placed->x, placed->y);
        resize(placed->width - (frame.width() - width()),
               placed->height - (frame.height() - height()));
    }
}

void MainWindow::maximise() {
    showMaximized();
}

void MainWindow::showAbout() {
    const QString description =
        logic_ ? QString::fromStdString(logic_->programDescription()) : QString("KAVRO");
    auto* about = new CAboutDlg(description, CRegistersetup::kBuildNumber, this);
    if (logic_) {
        // Tied to the window logic: a box still open when the logic ends posts nothing.
        connect(about, &QObject::destroyed, logic_,
                [logic = logic_] { logic->post(makeMessage(msg::WM_ABOUT_CLOSED)); });
    }
    about->show();
}

void MainWindow::showFileStructure(CFilestrdlg& dialog) {
    (new FileStructureDialog(dialog, *logic_, this))->show();
}

void MainWindow::showGeneralSetup(CGeneral_setup& dialog) {
    (new GeneralSetupDialog(dialog, *logic_, this))->show();
}

void MainWindow::showVisualisation(CVisualization& dialog) {
    (new VisualizationDialog(dialog, *logic_, this))->show();
}

// The platform's own alert sound: Qt gives no control over pitch and length.
void MainWindow::beep() {
    QApplication::beep();
}

void MainWindow::endDialog(bool) {
    ended_ = true;
    QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::showInformation(const SpectrumInformation& information) {
    CInformation dialog(information, this);
    dialog.exec();
}

bool MainWindow::editInformation(MeasurementInformationEdit& edit) {
    CEditcom dialog(edit, this);
    return dialog.exec() == QDialog::Accepted;
}

bool MainWindow::chooseResize(ResizeChoice& choice) {
    CResizeSpectrumDialog dialog(choice, this);
    return dialog.exec() == QDialog::Accepted;
}

bool MainWindow::runWithProgress(const std::string& title, int steps,
                                 const std::function<std::string()>& label,
                                 const std::function<bool()>& step) {
    return runUnderProgressDialog(this, title, steps, label, step);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ended_ || !logic_ || logic_->Exit()) {
        event->accept();
    } else {
        event->ignore();
    }
}
