#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "core/file_dialogs.h"
#include "core/prompter.h"
#include "window/spectrum_view.h"

class CSpectrumwnd;

// The window's widgets when there is no display: the controls are plain values, the status
// line goes to standard output whenever it changes, and ending the dialog ends the event loop.
class HeadlessSpectrumView final : public SpectrumView {
public:
    // The edit fields start as the window's dialog creates them.
    explicit HeadlessSpectrumView(std::FILE* out = stdout);
    void attach(CSpectrumwnd* window) { window_ = window; }

    void setControlEnabled(int id, bool enabled) override { enabled_[id] = enabled; }
    void setControlText(int id, const std::string& text) override { texts_[id] = text; }
    std::string controlText(int id) const override;
    void setControlChecked(int id, bool checked) override { checked_[id] = checked; }
    bool controlChecked(int id) const override;
    void setTitle(const std::string& title) override { title_ = title; }
    void setProgressRange(int, int) override {}
    void setProgress(int) override {}
    void redraw() override;
    bool savePlotImage(const std::string&) override { return false; }
    void showSplash() override {}
    void placeInWorkArea() override {}
    void maximise() override {}
    void showAbout() override {}
    void showFileStructure(CFilestrdlg&) override {}
    void showGeneralSetup(CGeneral_setup&) override {}
    void showVisualisation(CVisualization&) override {}
    void endDialog(bool ok) override;
    void showInformation(const SpectrumInformation&) override {}
    bool editInformation(MeasurementInformationEdit&) override { return false; }
    bool chooseResize(ResizeChoice&) override { return false; }
    // Nobody can cancel: the job runs to its end.
    bool runWithProgress(const std::string&, int, const std::function<std::string()>&,
                         const std::function<bool()>& step) override {
        while (step()) {
        }
        return true;
    }

    const std::string& lastStatusLine() const { return status_; }

private:
    std::FILE* out_;
    CSpectrumwnd* window_ = nullptr;
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, bool> checked_;
    std::string title_;
    std::string status_;
};

// Message boxes nobody can see: each one is printed to standard error with the answer it got,
// which is the box's default button (OK, or Yes for a question). Safe from any thread.
class LoggingPrompter final : public Prompter {
public:
    explicit LoggingPrompter(std::FILE* log = stderr) : log_(log) {}
    PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

private:
    std::FILE* log_;
    std::mutex mutex_;
};

// No file or colour chooser without a display: every choice is cancelled.
class NoFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> openFile(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseDirectory(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<int> chooseColour(int) override { return std::nullopt; }
};
