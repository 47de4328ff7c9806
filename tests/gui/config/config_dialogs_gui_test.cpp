#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "fake_file_dialogs.h"
#include "platform/messages.h"
#include "platform/qsettings_profile_store.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "ui/configuration_dialogs.h"
#include "ui/main_window.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

int argc = 1;
char name[] = "config_dialogs_gui_test";
char* argv[] = {name, nullptr};
std::unique_ptr<QApplication> application;

void pump() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// One run of the station on its own settings folder, driven through its widgets.
struct Station {
    explicit Station(const QString& settingsDir, const QString& baseDir) : store(settingsDir) {
        ProgramDirectories dirs;
        dirs.baseDirectory = baseDir.toStdString();
        dirs.backupDirectory = (baseDir + "/backup").toStdString();
        setup = std::make_unique<CRegistersetup>(store, dirs);
        setup->StartUp(prompter);
        setup->values().show_splashscreen = 0;
        logic = std::make_unique<CSpectrumwnd>(*setup, prompter, choosers, window, WindowContext{});
        window.attach(logic.get());
        window.show();
        logic->OnInitDialog();
        pump();
    }
    ~Station() {
        for (QDialog* d : window.findChildren<QDialog*>()) {
            d->close();
        }
        pump();
    }

    QDialog* open(int command, const char* dialogId) {
        QAction* action = window.findChild<QAction*>(QString::number(command));
        EXPECT_NE(action, nullptr) << command;
        if (!action) {
            return nullptr;
        }
        action->trigger();
        pump();
        auto* dialog = window.findChild<QDialog*>(dialogId);
        EXPECT_NE(dialog, nullptr) << dialogId;
        if (dialog) {
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_FALSE(dialog->isModal());
        }
        return dialog;
    }

    template <class W>
    static W* control(QDialog* dialog, int id) {
        auto* w = dialog->findChild<W*>(QString::number(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }

    QSettingsProfileStore store;
    std::unique_ptr<CRegistersetup> setup;
    ScriptedPrompter prompter;
    FakeFileDialogs choosers;
    MainWindow window;
    std::unique_ptr<CSpectrumwnd> logic;
};

// Every text of the dialog fits its widget: nothing cut at the dialog's own size.
void expectReadable(QDialog* dialog) {
    dialog->adjustSize();
    pump();
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(dialog)) {
            continue;
        }
        const QString what = w->objectName() + " " + w->metaObject()->className();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << what.toStdString() << " " << label->text().toStdString();
            } else {
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << what.toStdString() << " " << label->text().toStdString();
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty()) {
                EXPECT_GE(button->width(), button->sizeHint().width())
                    << what.toStdString() << " " << button->text().toStdString();
            }
        }
    }
    const QByteArray shots = qgetenv("KAVRO_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        dialog->grab().save(QString::fromLocal8Bit(shots) + "/dialog-" + dialog->objectName() +
                            ".png");
    }
}

// The tab chain visits the controls in the order they appear, top to bottom, left to right
// within a row: no control is jumped over and back.
void expectTabOrderFollowsLayout(QDialog* dialog, std::vector<int> expected) {
    std::vector<int> visited;
    QWidget* w = dialog->nextInFocusChain();
    for (int guard = 0; guard < 200 && w != dialog; ++guard, w = w->nextInFocusChain()) {
        bool ok = false;
        const int id = w->objectName().toInt(&ok);
        if (ok && w->isVisibleTo(dialog) && (w->focusPolicy() & Qt::TabFocus) &&
            std::find(expected.begin(), expected.end(), id) != expected.end()) {
            visited.push_back(id);
        }
    }
    EXPECT_EQ(visited, expected);
}

class ConfigurationDialogsGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application = std::make_unique<QApplication>(argc, argv); }
    // Gone before static destruction, where Qt's own globals may already be torn down.
    static void TearDownTestSuite() { application.reset(); }

    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        ASSERT_TRUE(baseDir.isValid());
    }
    std::unique_ptr<Station> start() {
        return std::make_unique<Station>(settingsDir.path(), baseDir.path());
    }

    QTemporaryDir settingsDir;
    QTemporaryDir baseDir;
};

TEST_F(ConfigurationDialogsGui, FileStructureSavedAsDefaultIsThereAfterARestart) {
    {
        auto station = start();
        QDialog* dialog = station->open(cmd::kFileFormat, "133");
        ASSERT_NE(dialog, nullptr);
        expectReadable(dialog);
        expectTabOrderFollowsLayout(
            dialog, {1033, 1034, 1002, 1035, 1036, 1003, 1027, 1028, 1021, 1022, 1019, 1, 1032, 2});
        EXPECT_FALSE(Station::control<QCheckBox>(dialog, 1008)->isEnabled());
        EXPECT_FALSE(Station::control<QWidget>(dialog, 1029)->isVisible());
        EXPECT_FALSE(station->logic->menuState(cmd::kFileFormat).enabled);

        Station::control<QLineEdit>(dialog, CFilestrdlg::kExtension)->setText("TXT");
        Station::control<QLineEdit>(dialog, 1006)->setText("12");  // sample name
        station->prompter.expect(CFilestrdlg::kSaveAsDefaultQuestion, PromptAnswer::Yes);
        Station::control<QAbstractButton>(dialog, CFilestrdlg::kSaveAsDefault)->click();
        pump();
        EXPECT_EQ(station->window.findChild<QDialog*>("133"), nullptr);
        EXPECT_TRUE(station->logic->menuState(cmd::kFileFormat).enabled);
    }
    auto again = start();
    EXPECT_EQ(again->setup->values().fileStructure.defaultExt, "TXT");
    EXPECT_EQ(again->setup->values().fileStructure.lines[FileStructure::kSampleName], 12);
}

TEST_F(ConfigurationDialogsGui, FileStructureCancelRestoresAndRefusesALongExtension) {
    auto station = start();
    QDialog* dialog = station->open(cmd::kFileFormat, "133");
    ASSERT_NE(dialog, nullptr);
    auto* extension = Station::control<QLineEdit>(dialog, CFilestrdlg::kExtension);
    extension->setText("TEXT");
    station->prompter.expect(CFilestrdlg::kExtensionTooLong);
    Station::control<QAbstractButton>(dialog, 1)->click();
    pump();
    ASSERT_EQ(station->window.findChild<QDialog*>("133"), dialog);  // still open
    EXPECT_EQ(station->setup->values().fileStructure.defaultExt, "DAT");

    Station::control<QAbstractButton>(dialog, 2)->click();
    pump();
    EXPECT_EQ(station->window.findChild<QDialog*>("133"), nullptr);
    EXPECT_FALSE(station->logic->flags().fileFormatOpen);
}

TEST_F(ConfigurationDialogsGui, GeneralSetupIsThereAfterARestart) {
    {
        auto station = start();
        QDialog* dialog = station->open(cmd::kGeneralSetup, "137");
        ASSERT_NE(dialog, nullptr);
        expectReadable(dialog);
        auto* port = Station::control<QComboBox>(dialog, CGeneral_setup::kPort);
        EXPECT_TRUE(port->isEditable());
        auto* step = Station::control<QLineEdit>(dialog, CGeneral_setup::kBackupStep);
        auto* backup = Station::control<QCheckBox>(dialog, CGeneral_setup::kBackupActive);
        EXPECT_FALSE(backup->isChecked());
        EXPECT_FALSE(step->isEnabled());
        backup->click();
        EXPECT_TRUE(step->isEnabled());
        backup->click();
        auto* mask = Station::control<QLineEdit>(dialog, 1013);
        EXPECT_FALSE(mask->isEnabled());
        Station::control<QCheckBox>(dialog, CGeneral_setup::kEnableNetwork)->click();
        EXPECT_TRUE(mask->isEnabled());
        EXPECT_TRUE(Station::control<QLabel>(dialog, CGeneral_setup::kDataDirectoryText)
                        ->text()
                        .startsWith("Currend default data directory: "));

        port->setEditText("/dev/pts/42");
        Station::control<QCheckBox>(dialog, CGeneral_setup::kSplash)->click();
        Station::control<QComboBox>(dialog, CGeneral_setup::kShutterDelay)->setCurrentIndex(2);
        Station::control<QLineEdit>(dialog, CGeneral_setup::kWavelength)->setText("514.5");
        Station::control<QAbstractButton>(dialog, 1)->click();
        pump();
        EXPECT_EQ(station->window.findChild<QDialog*>("137"), nullptr);
        EXPECT_FALSE(station->logic->flags().generalSetupOpen);
        EXPECT_DOUBLE_EQ(station->logic->state().spectrum().wavelength, 514.5);
    }
    auto again = start();
    const Settings& s = again->setup->values();
    EXPECT_EQ(s.com_port, "/dev/pts/42");
    EXPECT_EQ(s.show_splashscreen, 0);
    EXPECT_EQ(s.shutterDelay, 2);
    EXPECT_EQ(s.enable_network, 1);
    EXPECT_DOUBLE_EQ(s.laser_wavelength, 514.5);
}

TEST_F(ConfigurationDialogsGui, VisualisationIsThereAfterARestart) {
    {
        auto station = start();
        QDialog* dialog = station->open(cmd::kVisualisation, "142");
        ASSERT_NE(dialog, nullptr);
        expectReadable(dialog);
        auto* fontSize = Station::control<QLineEdit>(dialog, CVisualization::kFontSize);
        ASSERT_NE(Station::control<QWidget>(dialog, CVisualization::kFontSpin), nullptr);
        fontSize->setText("25");
        station->prompter.expect("Please enter an integer between 7 and 24.");
        Station::control<QAbstractButton>(dialog, 1)->click();
        pump();
        ASSERT_NE(station->window.findChild<QDialog*>("142"), nullptr);
        EXPECT_TRUE(fontSize->hasFocus() || !dialog->isActiveWindow());

        fontSize->setText("11");
        EXPECT_EQ(station->setup->values().spcwin_fnt_weigth, 11);  // shown at once
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        QCoreApplication::sendEvent(fontSize, &up);
        EXPECT_EQ(fontSize->text(), "12");
        EXPECT_EQ(station->setup->values().spcwin_fnt_weigth, 12);
        Station::control<QRadioButton>(dialog, CVisualization::kLogarithmic)->click();
        EXPECT_FALSE(Station::control<QRadioButton>(dialog, CVisualization::kLinear)->isChecked());
        Station::control<QAbstractButton>(dialog, 1)->click();
        pump();
        EXPECT_EQ(station->window.findChild<QDialog*>("142"), nullptr);
        EXPECT_FALSE(station->logic->flags().visualisationOpen);
    }
    auto again = start();
    EXPECT_EQ(again->setup->values().spcwin_fnt_weigth, 12);
    EXPECT_EQ(again->setup->values().scale_type, 1);
}

TEST_F(ConfigurationDialogsGui, BackgroundChosenThenCancelStaysForTheRunOnly) {
    auto station = start();
    QDialog* dialog = station->open(cmd::kVisualisation, "142");
    ASSERT_NE(dialog, nullptr);
    auto* background = Station::control<ColourButton>(dialog, CVisualization::kColourButtons[0]);
    station->choosers.answerColour(0x336699);
    background->click();
    EXPECT_EQ(background->colour(), 0x336699);
    EXPECT_EQ(station->setup->values().color[0], 0x336699);
    Station::control<QAbstractButton>(dialog, 2)->click();
    pump();
    EXPECT_EQ(station->setup->values().color[0], 0x336699);
    EXPECT_EQ(station->store.readInt("color0", -1), 0);
}

}  // namespace
