#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "ui/editing_dialogs.h"
#include "ui/main_window.h"
#include "window/spectrum/batch_conversion.h"
#include "window/spectrum/spectrum_editing.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

int argc = 1;
char arg0[] = "editing_dialogs_test";
char* argv[] = {arg0, nullptr};

QApplication& app() {
    static QApplication* instance = new QApplication(argc, argv);  // outlives the tests
    return *instance;
}

template <typename W>
W* child(QWidget& parent, int id) {
    return parent.findChild<W*>(QString::number(id));
}

// The real main window on its logic, with scripted boxes and choosers.
class EditingDialogsTest : public ::testing::Test {
protected:
    EditingDialogsTest() {
        setup.SetFailsafeDefaults();
        setup.values().show_splashscreen = 0;
        logic = std::make_unique<CSpectrumwnd>(setup, prompter, choosers, window, WindowContext{});
        window.attach(logic.get());
        window.show();
        logic->OnInitDialog();
        QCoreApplication::processEvents();
    }
    ~EditingDialogsTest() override { window.attach(nullptr); }

    // Runs `inDialog` on the modal dialog once the command has opened it.
    void whileOpen(const char* dialogName, std::function<void(QDialog&)> inDialog) {
        QTimer::singleShot(0, &window, [this, dialogName, inDialog] {
            auto* dialog = window.findChild<QDialog*>(dialogName);
            ASSERT_NE(dialog, nullptr);
            inDialog(*dialog);
        });
    }

    void trigger(int command) {
        QAction* action = window.findChild<QAction*>(QString::number(command));
        ASSERT_NE(action, nullptr);
        action->setEnabled(true);  // menus refresh their items only as they drop down
        action->trigger();
    }

    bool applicationMade = (app(), true);  // before the first widget
    MemoryProfileStore store;
    CRegistersetup setup{store, ProgramDirectories{}};
    ScriptedPrompter prompter;
    FakeFileDialogs choosers;
    MainWindow window;
    std::unique_ptr<CSpectrumwnd> logic;
};

TEST_F(EditingDialogsTest, ResizeDialogFromTheMenuRebinsTheSpectrum) {
    whileOpen("102", [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Resize spectrum");
        EXPECT_EQ(child<QLabel>(dialog, 1401)->text(), "Actual channels number : 1024");
        EXPECT_EQ(child<QLabel>(dialog, 1404)->text(), "Resize to : ");
        QComboBox* combo = child<QComboBox>(dialog, 1354);
        ASSERT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->itemText(0), "256");
        EXPECT_EQ(combo->itemText(2), "1024");
        EXPECT_EQ(combo->currentIndex(), 2);
        combo->setCurrentIndex(1);
        child<QPushButton>(dialog, 1377)->click();
    });
    trigger(cmd::kResize);
    EXPECT_EQ(logic->state().spectrum().channels, 512);
    EXPECT_TRUE(logic->state().modified());
    EXPECT_EQ(window.controlText(ctl::kChannelsLabel), "Channels : 512");

    whileOpen("102", [](QDialog& dialog) {
        EXPECT_EQ(child<QLabel>(dialog, 1401)->text(), "Actual channels number : 512");
        child<QComboBox>(dialog, 1354)->setCurrentIndex(0);
        child<QPushButton>(dialog, 1378)->click();  // Cancel
    });
    trigger(cmd::kResize);
    EXPECT_EQ(logic->state().spectrum().channels, 512);
}

TEST(ResizeDialogTest, ACountNotOfferedShowsNoSelectionAndOkKeepsIt) {
    app();
    ResizeChoice choice(300);
    CResizeSpectrumDialog dialog(choice, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.combo()->currentIndex(), -1);
    dialog.accept();
    EXPECT_EQ(choice.chosen(), 300);
}

TEST(ProgressDialogTest, EventsRunBetweenStepsAndCancelStopsTheJob) {
    app();
    QWidget parent;
    parent.show();
    bool timerRan = false;
    bool timerRanBeforeThirdStep = false;
    QTimer::singleShot(0, &parent, [&] { timerRan = true; });
    int steps = 0;
    std::vector<QString> labels;
    const bool finished = runUnderProgressDialog(
        &parent, "Converting files to raw format", 100,
        [&] { return "Converting f" + std::to_string(steps) + ".DAT"; },
        [&] {
            ++steps;
            if (steps == 3) {
                timerRanBeforeThirdStep = timerRan;
            }
            auto* dialog = parent.findChild<QProgressDialog*>("progress");
            EXPECT_NE(dialog, nullptr);
            if (dialog) {
                EXPECT_TRUE(dialog->isVisible());
                EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
                EXPECT_EQ(dialog->windowTitle(), "Converting files to raw format");
                EXPECT_EQ(dialog->value(), steps - 1);
                labels.push_back(dialog->labelText());
                if (steps == 10) {
                    auto* cancel = dialog->findChild<QPushButton*>();
                    EXPECT_NE(cancel, nullptr);
                    if (cancel) {
                        cancel->click();
                    }
                }
            }
            return true;
        });
    EXPECT_FALSE(finished);
    EXPECT_EQ(steps, 10);  // the step after the cancel never ran
    EXPECT_TRUE(timerRanBeforeThirdStep);
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front(), "Converting f0.DAT");
}

TEST_F(EditingDialogsTest, LargeBatchFromTheMenuShowsTheProgressDialog) {
    QTemporaryDir dir;
    std::vector<std::string> files;
    std::string spectrum(12, '\n');
    for (int i = 0; i < 256; ++i) {
        spectrum += std::to_string(i) + "\n";
    }
    for (int i = 0; i < 30; ++i) {
        files.push_back(QDir(dir.path()).filePath(QString("s%1.DAT").arg(i)).toStdString());
        std::ofstream(files.back(), std::ios::binary) << spectrum;
    }
    choosers.fileLists.push_back(files);
    bool progressSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* d = window.findChild<QProgressDialog*>("progress"); d && d->isVisible()) {
            progressSeen = true;
        }
    });
    watch.start(0);
    prompter.expect("Successfully converted 30 files out of 30");
    trigger(cmd::kConvertToRaw);
    watch.stop();
    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(QFileInfo::exists(QDir(dir.path()).filePath("s29.txt")));
    EXPECT_FALSE(logic->state().modified());
}

}  // namespace
