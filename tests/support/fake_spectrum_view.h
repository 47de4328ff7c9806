#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window/spectrum/measurement_information.h"
#include "window/spectrum/spectrum_editing.h"
#include "window/spectrum_view.h"

// Remembers what the window logic told its widgets.
class FakeSpectrumView final : public SpectrumView {
public:
    void setControlEnabled(int id, bool enabled) override { enabledById[id] = enabled; }
    void setControlText(int id, const std::string& text) override { texts[id] = text; }
    std::string controlText(int id) const override {
        auto it = texts.find(id);
        return it == texts.end() ? std::string() : it->second;
    }
    void setControlChecked(int id, bool checked) override { checkedById[id] = checked; }
    bool controlChecked(int id) const override {
        auto it = checkedById.find(id);
        return it != checkedById.end() && it->second;
    }
    void setTitle(const std::string& t) override { title = t; }
    void setProgressRange(int low, int high) override {
        progressLow = low;
        progressHigh = high;
    }
    void setProgress(int value) override { progress = value; }
    void redraw() override { ++redraws; }
    bool savePlotImage(const std::string& path) override {
        savedImages.push_back(path);
        return saveImageSucceeds;
    }
    void showSplash() override { ++splashes; }
    void placeInWorkArea() override { ++placements; }
    void maximise() override { maximised = true; }
    void showAbout() override { ++abouts; }
    void showFileStructure(CFilestrdlg& d) override { fileStructureShown = &d; }
    void showGeneralSetup(CGeneral_setup& d) override { generalSetupShown = &d; }
    void showVisualisation(CVisualization& d) override { visualisationShown = &d; }
    void endDialog(bool ok) override {
        ended = true;
        endedOk = ok;
    }
    void showInformation(const SpectrumInformation& information) override {
        informationShown.push_back(information);
    }
    // The editor answers through the script: it may change fields, lock, and accept.
    bool editInformation(MeasurementInformationEdit& edit) override {
        ++informationEdits;
        return onEditInformation ? onEditInformation(edit) : false;
    }

    // The resize dialog answers through the script: it may select an entry and accept.
    bool chooseResize(ResizeChoice& choice) override {
        ++resizeDialogs;
        return onChooseResize ? onChooseResize(choice) : false;
    }
    // Runs the job as the dialog would; cancels before step number cancelAfterSteps + 1.
    bool runWithProgress(const std::string& jobTitle, int steps,
                         const std::function<std::string()>& label,
                         const std::function<bool()>& step) override {
        progressTitles.push_back(jobTitle);
        progressSteps = steps;
        for (int done = 0;; ++done) {
            if (cancelAfterSteps >= 0 && done >= cancelAfterSteps) {
                return false;
            }
            progressLabels.push_back(label());
            if (!step()) {
                return true;
            }
        }
    }

    bool isEnabled(int id) const {
        auto it = enabledById.find(id);
        return it == enabledById.end() || it->second;  // controls start enabled
    }

    std::map<int, bool> enabledById;
    std::map<int, std::string> texts;
    std::map<int, bool> checkedById;
    std::vector<std::string> savedImages;
    bool saveImageSucceeds = true;
    std::string title;
    int progressLow = 0, progressHigh = 100, progress = 0;
    int redraws = 0, splashes = 0, placements = 0, abouts = 0;
    bool maximised = false, ended = false, endedOk = false;
    CFilestrdlg* fileStructureShown = nullptr;  // the last dialog shown of each kind
    CGeneral_setup* generalSetupShown = nullptr;
    CVisualization* visualisationShown = nullptr;
    std::vector<SpectrumInformation> informationShown;
    std::function<bool(MeasurementInformationEdit&)> onEditInformation;
    int informationEdits = 0;
    std::function<bool(ResizeChoice&)> onChooseResize;
    int resizeDialogs = 0;
    std::vector<std::string> progressTitles;
    std::vector<std::string> progressLabels;
    int progressSteps = 0;
    int cancelAfterSteps = -1;  // never
};
