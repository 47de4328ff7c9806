#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <cmath>
#include <memory>
#include <random>

#include "display/status_text.h"
#include "fake_file_dialogs.h"
#include "scripted_prompter.h"
#include "ui/canvas/plot_image.h"
#include "ui/main_window.h"
#include "ui/plot_widget.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"
#include "window_state_edit.h"

namespace {

int argc = 1;
char arg0[] = "plot_widget_test";
char* argv[] = {arg0, nullptr};
std::unique_ptr<QApplication> application;

// Widgets and fonts must go before the process's static destruction, so the application does.
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { application.reset(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

QApplication& app() {
    if (!application) {
        application = std::make_unique<QApplication>(argc, argv);
    }
    return *application;
}

// A 1024-channel Brillouin spectrum of quartz: elastic line at the centre, a Stokes and an
// anti-Stokes doublet, dark counts and Poisson noise.
std::string quartzSpectrumFile(const FileStructure& structure) {
    CKavroSpectrum s;
    s.SetChannels(1024);
    s.scanAmplitude = 100.0;
    s.wavelength = 532;
    s.mirrorSpacing = 6.5;
    s.scanCount = 5625;
    std::mt19937 random(7);
    auto line = [](double f, double centre, double width, double height) {
        const double d = (f - centre) / width;
        return height / (1.0 + d * d);
    };
    for (std::uint16_t i = 0; i < 1024; ++i) {
        const double f = (i - 512) * 100.0 / 1023.0;
        const double mean = 40 + line(f, 0, 0.6, 9000) + line(f, 32.4, 1.1, 1400) +
                            line(f, -32.4, 1.1, 1250) + line(f, 18.7, 1.4, 380) +
                            line(f, -18.7, 1.4, 340);
        s.counts[i] = static_cast<std::uint32_t>(std::poisson_distribution<int>(mean)(random));
    }
    std::string bytes;
    s.WriteToFile(bytes, structure);
    return bytes;
}

struct Station {
    Station() {
        app();
        setup.SetFailsafeDefaults();
        setup.values().ymaxstart = 2000;
        window = std::make_unique<MainWindow>();
        logic = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, *window, WindowContext{});
        window->attach(logic.get());
        logic->state().indicationChanged(Indication::Alignment, true);
        window->resize(1100, 650);
        window->show();
        logic->OnInitDialog();
        settle();
        plot = window->findChild<PlotWidget*>(QString::number(ctl::kPlotArea));
    }
    ~Station() {
        window->attach(nullptr);
        logic.reset();
        window.reset();
        QCoreApplication::sendPostedEvents();
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // What loading the file leaves in the window.
    void loadQuartz() {
        const FileStructure& structure = setup.values().fileStructure;
        const std::string bytes = quartzSpectrumFile(structure);
        editSpectrum(logic->state(), [&](CKavroSpectrum& s) { s.ReadFromFile(bytes, structure); });
        const QString dir = qEnvironmentVariable("KAVRO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {  // for looking at it in the station itself
            QFile file(QDir(dir).filePath("quartz_2mm_vv.dat"));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(bytes.data(), static_cast<qint64>(bytes.size()));
            }
        }
        logic->state().displayChannels(logic->state().spectrum().channels);
        logic->state().saved({"quartz_2mm_vv.dat", "quartz_2mm_vv.dat"});
        window->setTitle(SpectrumFileTitle(logic->state().fileName()));
        logic->plot().setScale(logic->state().spectrum().AutoscaleLevel());
        settle();
    }
    QAbstractButton* button(int id) { return qobject_cast<QAbstractButton*>(window->control(id)); }
    QImage shownPlot() {
        plot->repaint();
        return plot->image();
    }
    QImage painterImage() {
        PlotPart& part = logic->plot();
        PlotScene scene = part.scene(part.inputs());
        scene.width = plot->width();
        scene.height = plot->height();
        MarkerPair markers = part.markers();
        scene.markers = &markers;
        return RenderPlotImage(scene, part.style(), part.view());
    }
    void screenshot(const char* name) {
        const QString dir = qEnvironmentVariable("KAVRO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            settle();
            window->grab().save(QDir(dir).filePath(name));
        }
    }

    MemoryProfileStore store;
    CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<CSpectrumwnd> logic;
    PlotWidget* plot = nullptr;
};

}  // namespace

TEST(PlotWidget, ShowsThePaintersPixelsAndFollowsItsSize) {
    Station st;
    ASSERT_NE(st.plot, nullptr);
    st.loadQuartz();
    EXPECT_EQ(st.logic->plot().width(), st.plot->width());
    EXPECT_EQ(st.logic->plot().height(), st.plot->height());
    EXPECT_EQ(st.shownPlot(), st.painterImage());
    st.screenshot("idle.png");

    st.window->resize(900, 560);
    Station::settle();
    EXPECT_EQ(st.logic->plot().width(), st.plot->width());
    EXPECT_EQ(st.shownPlot().size(), st.plot->size());
}

TEST(PlotWidget, MouseButtonsPlaceTheMarkersOnThePlot) {
    Station st;
    st.window->resize(1600, 900);  // more than a pixel per channel, so a pixel names one channel
    Station::settle();
    st.loadQuartz();
    st.logic->plot().setScale(1500);  // the Brillouin doublets in full, the elastic line cut
    st.button(ctl::kMark1)->click();
    st.button(ctl::kMark2)->click();
    ASSERT_TRUE(st.logic->flags().bothMarkers());

    st.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(st.window.get()));
    const PlotGeometry g = st.logic->plot().geometry();
    QTest::mouseClick(st.plot, Qt::LeftButton, {}, QPoint(g.x(844) + 1, g.height / 2));
    QTest::mouseClick(st.plot, Qt::RightButton, {}, QPoint(g.x(180) + 1, g.height / 2));
    Station::settle();
    const OperatingFlags f = st.logic->flags();
    EXPECT_EQ(f.marker1Channel, 844);
    EXPECT_EQ(f.marker2Channel, 180);
    EXPECT_EQ(st.button(ctl::kMark1)->text().toStdString(), "mark1: 32.45 GHz");
    EXPECT_EQ(st.window->controlText(ctl::kMarkerSpan), "markers span:\n\r64.91 GHz");
    EXPECT_EQ(st.shownPlot(), st.painterImage());
    st.screenshot("idle_markers.png");

    // The marker keys reach the logic through the window's shortcuts.
    EXPECT_EQ(QApplication::focusWidget(), st.plot);
    QTest::keyClick(st.window.get(), Qt::Key_D);
    EXPECT_EQ(st.logic->flags().marker1Channel, 845);

    st.logic->OnCommand(ctl::kLogarithmic);
    st.logic->OnCommand(ctl::kDotsStyle);
    EXPECT_TRUE(st.button(ctl::kLogarithmic)->isChecked());
    EXPECT_FALSE(st.button(ctl::kLinear)->isChecked());
    EXPECT_EQ(st.shownPlot(), st.painterImage());
    st.screenshot("idle_markers_log_dots.png");
}

TEST(PlotWidget, ScaleFieldEditsReachTheView) {
    Station st;
    auto* scale = st.window->control(ctl::kScale);
    ASSERT_NE(scale, nullptr);
    QTest::keyClick(scale, Qt::Key_End);
    QTest::keyClick(scale, Qt::Key_Backspace);  // "2000" becomes "200"
    EXPECT_EQ(st.logic->plot().view().ymax, 200);
    QTest::mouseClick(st.button(ctl::kZoomIn), Qt::LeftButton);
    EXPECT_EQ(st.window->controlText(ctl::kScale), "100");
}

TEST(PlotWidget, SavesThePlotAsAPngOfItsSize) {
    Station st;
    st.loadQuartz();
    const QString path = QDir::temp().filePath("plotwire_saved_plot.png");
    QFile::remove(path);
    ASSERT_TRUE(st.window->savePlotImage(path.toStdString()));
    QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), st.plot->size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), st.painterImage());
    EXPECT_FALSE(st.window->savePlotImage("/nonexistent-dir/plot.png"));
    QFile::remove(path);
}
