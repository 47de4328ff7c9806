#pragma once

#include <QMainWindow>
#include <map>

#include "window/spectrum_view.h"

class CSpectrumwnd;
class QMenu;
class QProgressBar;
class PlotWidget;

// The spectrum window's widgets: plot, control column, menus and shortcuts. Every click goes
// to the window logic (CSpectrumwnd); this class only shows what it is told.
class MainWindow final : public QMainWindow, public SpectrumView {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    void attach(CSpectrumwnd* logic);

    void setControlEnabled(int id, bool enabled) override;
    void setControlText(int id, const std::string& text) override;
    std::string controlText(int id) const override;
    void setControlChecked(int id, bool checked) override;
    bool controlChecked(int id) const override;
    bool savePlotImage(const std::string& path) override;
    void setTitle(const std::string& title) override;
    void setProgressRange(int low, int high) override;
    void setProgress(int value) override;
    void redraw() override;
    void showSplash() override;
    void placeInWorkArea() override;
    void maximise() override;
    void showAbout() override;
    void showFileStructure(CFilestrdlg& dialog) override;
    void showGeneralSetup(CGeneral_setup& dialog) override;
    void showVisualisation(CVisualization& dialog) override;
    void endDialog(bool ok) override;
    void beep() override;
    void showInformation(const SpectrumInformation& information) override;
    bool editInformation(MeasurementInformationEdit& edit) override;
    bool chooseResize(ResizeChoice& choice) override;
    bool runWithProgress(const std::string& title, int steps,
                         const std::function<std::string()>& label,
                         const std::function<bool()>& step) override;

    QWidget* control(int id) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildShortcuts();
    void updateMenu(QMenu* menu);
    void addButton(class QBoxLayout* column, int id, const QString& text, bool checkable = false);

    CSpectrumwnd* logic_ = nullptr;
    PlotWidget* plot_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::map<int, QWidget*> controls_;
    bool ended_ = false;
};
