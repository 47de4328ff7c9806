#pragma once

#include <memory>

#include "window/setup/general_setup.h"
#include "window/setup/visualization.h"
#include "window/spectrum/file_structure_dialog.h"

class CSpectrumwnd;

// The Setup menu's three configuration dialogs: each opens once at a time, lives until its
// window posts that it closed, and works on the window's settings, prompter and choosers.
class ConfigurationDialogs {
public:
    explicit ConfigurationDialogs(CSpectrumwnd& window);
    ~ConfigurationDialogs();

    // The open dialogs; null while closed.
    CFilestrdlg* fileStructure() { return fileStructure_.get(); }
    CGeneral_setup* generalSetup() { return generalSetup_.get(); }
    CVisualization* visualization() { return visualization_.get(); }

private:
    bool available(int command) const;

    CSpectrumwnd& w_;
    std::unique_ptr<CFilestrdlg> fileStructure_;
    std::unique_ptr<CGeneral_setup> generalSetup_;
    std::unique_ptr<CVisualization> visualization_;
};
