#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "fake_file_dialogs.h"
#include "platform/qsettings_profile_store.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "ui/canvas/qpainter_canvas.h"
#include "ui/main_window.h"
#include "window/setup/general_setup.h"
#include "window/spectrum/file_structure_dialog.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

int argc = 1;
char name[] = "station_text_gui_test";
char* argv[] = {name, nullptr};
std::unique_ptr<QApplication> application;

const std::string kDegrees = std::string("T=20\xB0") + "C";  // what the files and settings hold
const QString kDegreesShown = QString::fromUtf8("T=20°C");   // what the operator sees

void pump() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

std::string readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// One run of the station on its own settings folder, driven through its widgets.
struct Station {
    Station(const QString& settingsDir, const QString& baseDir) : store(settingsDir) {
        ProgramDirectories dirs;
        dirs.baseDirectory = baseDir.toStdString();
        dirs.backupDirectory = (baseDir + "/backup").toStdString();
        setup = std::make_unique<CRegistersetup>(store, dirs);
        setup->StartUp(prompter);
        setup->values().show_splashscreen = 0;
        setup->values().show_summary = 0;
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
        return dialog;
    }
    void click(QDialog* dialog, int id) {
        auto* button = control<QAbstractButton>(dialog, id);
        if (button) {
            button->click();
        }
        pump();
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

class StationTextGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application = std::make_unique<QApplication>(argc, argv); }
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

// "T=20°C" typed as a free comment and saved as default: the same text in the widget, the
// settings, the spectrum file (one byte 0xB0) and after a restart; folders named in other
// scripts are shown as named and used.
TEST_F(StationTextGui, DegreeCommentAndNonAsciiFoldersSurviveDialogsFilesAndRestart) {
    using G = CGeneral_setup;
    const QString data = baseDir.path() + QString::fromUtf8("/Données 測定");
    const QString backup = data + QString::fromUtf8("/sauvegardes");
    ASSERT_TRUE(QDir().mkpath(backup));
    const QString file = data + "/run.DAT";
    {
        auto st = start();
        QDialog* structure = st->open(cmd::kFileFormat, "133");
        ASSERT_NE(structure, nullptr);
        auto* comment = Station::control<QLineEdit>(structure, CFilestrdlg::kFreeComment1Text);
        comment->clear();
        comment->insert(kDegreesShown);
        comment->insert(QString::fromUtf8("→"));  // not a character the files can hold
        EXPECT_EQ(comment->text(), kDegreesShown);
        Station::control<QCheckBox>(structure, CFilestrdlg::kKindControls[0].check)
            ->setChecked(true);
        st->prompter.expect(CFilestrdlg::kSaveAsDefaultQuestion, PromptAnswer::Yes);
        st->click(structure, CFilestrdlg::kSaveAsDefault);
        EXPECT_EQ(st->setup->values().fileStructure.freecomment1, kDegrees);

        // Opening the general setup reads the stored settings again.
        QDialog* general = st->open(cmd::kGeneralSetup, "137");
        ASSERT_NE(general, nullptr);
        EXPECT_EQ(st->setup->values().fileStructure.freecomment1, kDegrees);
        st->choosers.answer(data.toStdString());
        st->click(general, G::kChooseDataDirectory);
        EXPECT_EQ(Station::control<QLabel>(general, G::kDataDirectoryText)->text(),
                  "Current default data directory: " + data);
        Station::control<QCheckBox>(general, G::kBackupActive)->setChecked(true);
        st->choosers.answer(backup.toStdString());
        st->click(general, G::kChooseBackupDirectory);
        EXPECT_EQ(Station::control<QLabel>(general, G::kBackupDirectoryText)->text(),
                  "Current backup directory: " + backup);
        st->click(general, 1);
        EXPECT_EQ(st->window.findChild<QDialog*>("137"), nullptr);  // the folder was usable
        EXPECT_EQ(st->setup->values().data_directory, data.toStdString());
        EXPECT_EQ(st->setup->values().backup_dir, backup.toStdString());

        st->choosers.answer(file.toStdString());
        st->logic->OnCommand(cmd::kSaveAs);
        const std::string bytes = readAll(file);
        const int line = st->setup->values().fileStructure.lines[FileStructure::kFreeComment1];
        std::size_t at = 0;
        for (int n = 1; n < line; ++n) {
            at = bytes.find('\n', at) + 1;
        }
        EXPECT_EQ(bytes.substr(at, kDegrees.size() + 2), kDegrees + "\r\n");
        EXPECT_TRUE(st->prompter.done());
    }

    auto again = start();
    const Settings& s = again->setup->values();
    EXPECT_EQ(s.fileStructure.freecomment1, kDegrees);
    EXPECT_EQ(s.data_directory, data.toStdString());
    EXPECT_EQ(s.backup_dir, backup.toStdString());
    QDialog* structure = again->open(cmd::kFileFormat, "133");
    ASSERT_NE(structure, nullptr);
    EXPECT_EQ(Station::control<QLineEdit>(structure, CFilestrdlg::kFreeComment1Text)->text(),
              kDegreesShown);
    again->click(structure, 2);
    QDialog* general = again->open(cmd::kGeneralSetup, "137");
    ASSERT_NE(general, nullptr);
    EXPECT_TRUE(Station::control<QLabel>(general, G::kDataDirectoryText)->text().endsWith(data));
    EXPECT_EQ(s.fileStructure.freecomment1, kDegrees);
    again->click(general, 2);

    again->choosers.answer(file.toStdString());
    again->logic->OnCommand(cmd::kLoadSpectrum);
    EXPECT_EQ(again->logic->state().spectrum().freeComment1.substr(0, kDegrees.size()), kDegrees);
    EXPECT_EQ(again->logic->state().fileName(), "run.DAT");
    EXPECT_TRUE(again->prompter.done());
}

// The plot's status line shows the file and sample names with the same characters.
TEST_F(StationTextGui, PlotTextIsTheStationsText) {
    const CanvasFont font{"Tahoma", 9, false};
    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter);
        canvas.setFont(font);
        canvas.setTextColours(0x0000FF, 0xFF0000);  // red on blue, as 0x00BBGGRR
        canvas.textOut(0, 0, kDegrees);
    }
    int background = 0;
    while (background < image.width() && image.pixelColor(background, 0) == QColor(Qt::blue)) {
        ++background;
    }
    EXPECT_EQ(background, QFontMetrics(PlotQFont(font)).horizontalAdvance(kDegreesShown));
}

}  // namespace
