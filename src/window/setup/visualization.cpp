#include "window/setup/visualization.h"

#include <cstdlib>

#include "window/field_rules.h"

CVisualization::CVisualization(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                               std::function<void()> redrawAll)
    : setup_(setup), prompter_(prompter), dialogs_(dialogs), redrawAll_(std::move(redrawAll)) {}

void CVisualization::OnInitDialog() {
    const Settings& s = setup_.values();
    Fields& f = fields_;
    f.colours = s.color;
    f.scaleType = s.scale_type == 0 ? 0 : 1;
    f.yMax = std::to_string(s.ymaxstart);
    f.zoom = FieldReader::formatNumber(s.zoom_factor);
    f.autoscaleOnLoad = s.autoscale_on_load != 0;
    f.autoscaleOnMore = s.autoscale_on_more != 0;
    f.drawX = s.enable_x != 0;
    f.xTicks = std::to_string(s.xthick);
    f.drawY = s.enable_y != 0;
    f.yTicks = std::to_string(s.ythick);
    f.showCurrent = s.enable_current != 0;
    f.fontSize = std::to_string(s.spcwin_fnt_weigth);
    f.bold = s.use_bold_on_screen != 0;
    f.startMaximized = s.start_maximized != 0;
}

bool CVisualization::OnColourButton(int index) {
    if (index < 0 || index >= static_cast<int>(fields_.colours.size())) {
        return false;
    }
    const auto colour = dialogs_.chooseColour(fields_.colours[index]);
    if (!colour) {
        return false;
    }
    fields_.colours[index] = *colour;
    setup_.values().color[index] = *colour;
    redrawAll_();
    return true;
}

void CVisualization::OnFontSizeChange(const std::string& text) {
    fields_.fontSize = text;
    char* end = nullptr;
    const long size = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || size < kFontLow || size > kFontHigh) {
        return;
    }
    setup_.values().spcwin_fnt_weigth = static_cast<int>(size);
    redrawAll_();
}

void CVisualization::OnBold(bool bold) {
    fields_.bold = bold;
    setup_.values().use_bold_on_screen = bold ? 1 : 0;
    redrawAll_();
}

bool CVisualization::OnOK() {
    const Fields& f = fields_;
    FieldReader reader(prompter_);
    const auto yMax = static_cast<int>(reader.integer(kYMax, f.yMax, 0, 100000000));
    const double zoom = reader.number(kZoom, f.zoom, 1, 100);
    const auto xTicks = static_cast<std::uint16_t>(reader.integer(kXTicks, f.xTicks, 1, 100));
    const auto yTicks = static_cast<std::uint16_t>(reader.integer(kYTicks, f.yTicks, 1, 100));
    const auto fontSize =
        static_cast<int>(reader.integer(kFontSize, f.fontSize, kFontLow, kFontHigh));
    failedControl_ = reader.failedControl();
    if (!reader.ok()) {
        return false;
    }

    Settings& s = setup_.values();
    s.autoscale_on_load = f.autoscaleOnLoad ? 1 : 0;
    s.autoscale_on_more = f.autoscaleOnMore ? 1 : 0;
    s.enable_x = f.drawX ? 1 : 0;
    s.enable_y = f.drawY ? 1 : 0;
    s.xthick = xTicks;
    s.ythick = yTicks;
    s.ymaxstart = yMax;
    s.zoom_factor = zoom;
    s.enable_current = f.showCurrent ? 1 : 0;
    // The initial scale of the next start; the open plot keeps its own.
    s.scale_type = f.scaleType;
    s.color = f.colours;
    s.spcwin_fnt_weigth = fontSize;
    s.start_maximized = f.startMaximized ? 1 : 0;
    s.use_bold_on_screen = f.bold ? 1 : 0;
    setup_.SaveAll();
    redrawAll_();
    return true;
}
