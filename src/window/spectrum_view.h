#pragma once

#include <functional>
#include <string>

class CFilestrdlg;
class CGeneral_setup;
class CVisualization;

struct SpectrumInformation;
class MeasurementInformationEdit;
class ResizeChoice;

// What the spectrum window's logic needs from its widgets. The Qt main window implements it;
// tests use a recording fake.
class SpectrumView {
public:
    virtual ~SpectrumView() = default;

    virtual void setControlEnabled(int id, bool enabled) = 0;
    virtual void setControlText(int id, const std::string& text) = 0;
    virtual std::string controlText(int id) const = 0;
    // Check buttons and radio buttons.
    virtual void setControlChecked(int id, bool checked) = 0;
    virtual bool controlChecked(int id) const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setProgressRange(int low, int high) = 0;
    virtual void setProgress(int value) = 0;
    virtual void redraw() = 0;
    // The plot as drawn on screen, at its current size, into a PNG file.
    virtual bool savePlotImage(const std::string& path) = 0;

    virtual void showSplash() = 0;
    virtual void placeInWorkArea() = 0;  // the initial 80 % placement
    virtual void maximise() = 0;
    virtual void showAbout() = 0;
    // The Setup menu's modeless configuration dialogs; each posts its closed message.
    virtual void showFileStructure(CFilestrdlg& dialog) = 0;
    virtual void showGeneralSetup(CGeneral_setup& dialog) = 0;
    virtual void showVisualisation(CVisualization& dialog) = 0;
    virtual void endDialog(bool ok) = 0;  // ends the window's run; ok: the normal exit
    virtual void beep() {}                // the completion signal, one tone

    // The measurement information dialogs, modal: the summary after a load, and the editor,
    // true when it closed with OK.
    virtual void showInformation(const SpectrumInformation& information) = 0;
    virtual bool editInformation(MeasurementInformationEdit& edit) = 0;

    // Dialog 102 "Resize spectrum", modal; true when it closed with OK.
    virtual bool chooseResize(ResizeChoice& choice) = 0;
    // A long job of `steps` units under a progress dialog with Cancel, the window kept
    // responsive between units. step() does the next unit and returns whether any are left;
    // label() is the text to show before it. False when the operator cancelled.
    virtual bool runWithProgress(const std::string& title, int steps,
                                 const std::function<std::string()>& label,
                                 const std::function<bool()>& step) = 0;
};
