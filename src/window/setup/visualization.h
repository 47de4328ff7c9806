#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/file_dialogs.h"
#include "core/prompter.h"
#include "shell/register_setup.h"

// The visualisation dialog without its widgets. Colours, font size and bold font are applied
// at once (and stay applied after Cancel); everything else is taken and stored at OK.
class CVisualization {
public:
    static constexpr int kDialogId = 142;
    static constexpr const char* kTitle = "Visualization setup";

    static constexpr std::array<int, 8> kColourButtons{1066, 1067, 1068, 1069,
                                                       1070, 1071, 1072, 1073};
    static constexpr std::array<const char*, 8> kColourLabels{
        "Background :",
        "Main spectrum :",
        "Spectrum 2 + fit baseline + marker 1 : ",
        "Spectrum 3 + fit DHO + marker 2 : ",
        "Spectrum 4 + fit points : ",
        "Spectrum 5 + shutter zones : ",
        "Scale labels and captions : ",
        "Current  spectrum : ",
    };
    static constexpr int kLinear = 1050;
    static constexpr int kLogarithmic = 1051;
    static constexpr int kYMax = 1048;
    static constexpr int kZoom = 1049;
    static constexpr int kAutoscaleOnLoad = 1052;
    static constexpr int kAutoscaleOnMore = 1053;
    static constexpr int kDrawX = 1062;
    static constexpr int kXTicks = 1064;
    static constexpr int kDrawY = 1063;
    static constexpr int kYTicks = 1065;
    static constexpr int kShowCurrent = 1074;
    static constexpr int kFontSize = 1075;
    static constexpr int kFontSpin = 1375;
    static constexpr int kBold = 1155;
    static constexpr int kStartMaximized = 1373;

    static constexpr const char* kLinearCaption = "Linear";
    static constexpr const char* kLogarithmicCaption = "Logaritmic";
    static constexpr const char* kYMaxLabel = "Y Max at startup : ";
    static constexpr const char* kZoomLabel = "Zoom in/out factor : ";
    static constexpr const char* kAutoscaleOnLoadCaption = "Enable autoscaling on spectrum load ";
    static constexpr const char* kAutoscaleOnMoreCaption =
        "Enable autoscaling when loading additional spectra";
    static constexpr const char* kDrawXCaption = "Draw X axis  ";
    static constexpr const char* kDrawYCaption = "Draw Y axis ";
    static constexpr const char* kTicksLabel = "Number of thick marks : ";
    static constexpr const char* kShowCurrentCaption = "Show current spectrum during acquisition";
    static constexpr const char* kFontSizeLabel = "Character points in spectrum window : ";
    static constexpr const char* kBoldCaption = "Use bold font ";
    static constexpr const char* kStartMaximizedCaption = "Start maximized";

    static constexpr int kFontLow = 7;
    static constexpr int kFontHigh = 24;
    static constexpr int kSpinLow = 5;
    static constexpr int kSpinHigh = 20;

    struct Fields {
        std::array<int, 8> colours{};  // the dialog's own copy, 0x00BBGGRR
        int scaleType = 0;             // 0 linear, 1 logarithmic
        std::string yMax;
        std::string zoom;
        bool autoscaleOnLoad = false;
        bool autoscaleOnMore = false;
        bool drawX = false;
        std::string xTicks;
        bool drawY = false;
        std::string yTicks;
        bool showCurrent = false;
        std::string fontSize;
        bool bold = false;
        bool startMaximized = false;
    };

    // redrawAll: every spectrum window repaints with the settings as they are now.
    CVisualization(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                   std::function<void()> redrawAll);

    void OnInitDialog();
    Fields& fields() { return fields_; }
    const Fields& fields() const { return fields_; }

    // True when a new colour was chosen.
    bool OnColourButton(int index);
    // Typing in the font size field or the spin control: a size within the rule is shown at
    // once; anything else waits for OK to be refused.
    void OnFontSizeChange(const std::string& text);
    void OnBold(bool bold);
    void OnScaleType(int scaleType) { fields_.scaleType = scaleType == 0 ? 0 : 1; }
    // True when the dialog closes.
    bool OnOK();

    int failedControl() const { return failedControl_; }

private:
    CRegistersetup& setup_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    std::function<void()> redrawAll_;
    Fields fields_;
    int failedControl_ = 0;
};
