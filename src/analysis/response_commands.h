#pragma once

#include <functional>
#include <optional>
#include <string>

#include "analysis/instrumental_response.h"

class CKavroSpectrum;
class Prompter;

// The file dialogs the response commands open; tests replace them.
class ResponseFileDialog {
public:
    virtual ~ResponseFileDialog() = default;
    // The chosen path, or nothing when cancelled. Filters use the "Name|pattern|...||" form.
    virtual std::optional<std::string> GetOpenFileName(const std::string& title,
                                                       const std::string& filter) = 0;
    // Asks before overwriting an existing file.
    virtual std::optional<std::string> GetSaveFileName(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& defaultExtension) = 0;
};

inline constexpr const char* kLoadResponseTitle = "Load instrumental function from file";
inline constexpr const char* kLoadResponseFilter = "All files (*.*)|*.*||";
inline constexpr const char* kSaveResponseTitle = "Save instrumental response function to file";
inline constexpr const char* kSaveResponseFilter =
    "Response function data (*.txt)|*.TXT|All files (*.*)|*.*||";
inline constexpr const char* kSaveResponseExtension = "txt";

// The main window's instrumental response and its Select / Replace / Discard, Load and Save
// commands. Runs on the window thread.
class ResponseCommands {
public:
    // Gives a new response to the fit worker, when one exists.
    using HandOver = std::function<void(const CInstrumentalResponseFunction&)>;

    ResponseCommands(Prompter& prompter, ResponseFileDialog& dialog);

    void SetHandOver(HandOver handOver) { handOver_ = std::move(handOver); }

    // With both markers placed: takes the channels between them. Otherwise: discards.
    void Select(CKavroSpectrum& spectrum, bool bothMarkersPlaced, int marker1, int marker2);
    void Load();
    void Save();

    bool IsPresent() const { return present_; }
    const CInstrumentalResponseFunction& Response() const { return response_; }

    // Menu state of the three commands; the window supplies what its mode allows.
    bool SelectEnabled(bool modeAllowsAnalysis, bool bothMarkersPlaced) const;
    bool SelectChecked() const { return present_; }
    std::string SelectText(bool bothMarkersPlaced) const;
    bool LoadEnabled(bool modeAllowsAnalysis) const { return modeAllowsAnalysis; }
    bool SaveEnabled(bool modeAllowsSave) const { return modeAllowsSave && present_; }

private:
    void Adopt(int samples);  // present, handed over, centring asked

    Prompter& prompter_;
    ResponseFileDialog& dialog_;
    HandOver handOver_;
    CInstrumentalResponseFunction response_;
    bool present_ = false;
};
