#include "window/setup/configuration_dialogs.h"

#include "platform/messages.h"
#include "window/acquisition/menu_table.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

ConfigurationDialogs::ConfigurationDialogs(CSpectrumwnd& window) : w_(window) {
    w_.addCommand(cmd::kFileFormat, [this] {
        if (!available(cmd::kFileFormat)) {
            return;
        }
        w_.state().dialogOpened(OpenDialog::FileFormat);
        fileStructure_ = std::make_unique<CFilestrdlg>(w_.setup(), w_.prompter());
        w_.view().showFileStructure(*fileStructure_);
    });
    w_.addCommand(cmd::kGeneralSetup, [this] {
        if (!available(cmd::kGeneralSetup)) {
            return;
        }
        w_.state().dialogOpened(OpenDialog::GeneralSetup);
        generalSetup_ =
            std::make_unique<CGeneral_setup>(w_.setup(), w_.prompter(), w_.dialogs(), w_);
        w_.view().showGeneralSetup(*generalSetup_);
    });
    w_.addCommand(cmd::kVisualisation, [this] {
        if (!available(cmd::kVisualisation)) {
            return;
        }
        w_.state().dialogOpened(OpenDialog::Visualisation);
        visualization_ = std::make_unique<CVisualization>(w_.setup(), w_.prompter(), w_.dialogs(),
                                                          [this] { w_.view().redraw(); });
        w_.view().showVisualisation(*visualization_);
    });

    w_.addMessageHandler(msg::WM_FILE_STRUCTURE_CLOSED, [this](Message&) {
        w_.state().dialogClosed(OpenDialog::FileFormat);
        fileStructure_.reset();
    });
    w_.addMessageHandler(msg::WM_GENERAL_SETUP_CLOSED, [this](Message&) {
        w_.state().dialogClosed(OpenDialog::GeneralSetup);
        generalSetup_.reset();
    });
    w_.addMessageHandler(msg::WM_VISUALISATION_CLOSED, [this](Message&) {
        w_.state().dialogClosed(OpenDialog::Visualisation);
        visualization_.reset();
    });
}

ConfigurationDialogs::~ConfigurationDialogs() = default;

// Shortcuts and scripts reach the commands without the menu, so its rule is checked here too.
bool ConfigurationDialogs::available(int command) const {
    return menuItemState(command, w_.flags()).enabled;
}
