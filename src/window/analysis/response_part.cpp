#include "window/analysis/response_part.h"

#include "window/acquisition/operating_flags.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

// The response commands open the window's own file dialogs.
class ResponsePart::Dialogs final : public ResponseFileDialog {
public:
    explicit Dialogs(FileDialogs& dialogs) : dialogs_(dialogs) {}
    std::optional<std::string> GetOpenFileName(const std::string& title,
                                               const std::string& filter) override {
        return dialogs_.openFile(title, filter, "");
    }
    std::optional<std::string> GetSaveFileName(const std::string& title, const std::string& filter,
                                               const std::string& extension) override {
        return dialogs_.saveFile(title, filter, extension);
    }

private:
    FileDialogs& dialogs_;
};

ResponsePart::ResponsePart(CSpectrumwnd& window)
    : w_(window),
      dialogs_(std::make_unique<Dialogs>(window.dialogs())),
      commands_(std::make_unique<ResponseCommands>(window.prompter(), *dialogs_)) {
    w_.addCommand(cmd::kSelectResponse, [this] {
        const OperatingFlags f = w_.flags();
        // Reading a frequency may fill in a missing channel count: the window's record stays.
        CKavroSpectrum spectrum;
        spectrum = w_.state().spectrum();
        commands_->Select(spectrum, f.bothMarkers(), f.marker1Channel, f.marker2Channel);
        w_.view().redraw();
    });
    w_.addCommand(cmd::kLoadResponse, [this] { commands_->Load(); });
    w_.addCommand(cmd::kSaveResponse, [this] { commands_->Save(); });
}

ResponsePart::~ResponsePart() = default;

void ResponsePart::fillFlags(OperatingFlags& flags) const {
    flags.responseSelected = commands_->IsPresent();
}
