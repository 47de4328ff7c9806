#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "analysis/curve_data.h"
#include "analysis/fit_models.h"
#include "analysis/instrumental_response.h"
#include "platform/message.h"
#include "platform/messages.h"
#include "spectrum/kavro_spectrum.h"

// What the fit worker and the views of its detailed fit exchange besides the numbered
// messages of the station. The views (detailed fit window, progress window, zoom window, export
// dialog) live on the window thread; the worker posts these to their sink.
namespace fitmsg {

// The options of WM_FIT_OPTION, numbered as its wParam; lParam is the option's state.
enum class FitOption : std::uintptr_t {
    Model = 100,          // state: model code 1, 2 or 3
    Convolution = 101,    // state: the "Apply convolution" box
    Baseline = 102,       // state: the parameter's "fixed" box; field: the window's value
    Frequency = 103,      // as Baseline
    Area = 104,           // as Baseline
    HalfWidth = 105,      // as Baseline
    Subdivision = 106,    // state: the channel subdivision
    ZeroFrequency = 108,  // state: the zero-frequency box; field: the window's position
};

// WM_FIT_OPTION with the window's field, when the option has one, as a double payload.
inline Message MakeFitOptionMessage(FitOption option, std::intptr_t state,
                                    std::optional<double> field = std::nullopt) {
    const auto item = static_cast<std::uintptr_t>(option);
    return field ? makeMessage(msg::WM_FIT_OPTION, item, state, *field)
                 : makeMessage(msg::WM_FIT_OPTION, item, state);
}

// Marker keys of the detailed window, posted on to the main window as WM_FIT_MARKER_KEY.
inline constexpr std::uintptr_t kFirstMarkerDown = 10000;
inline constexpr std::uintptr_t kFirstMarkerUp = 10001;
inline constexpr std::uintptr_t kSecondMarkerDown = 10002;
inline constexpr std::uintptr_t kSecondMarkerUp = 10003;

// To the worker: payload CInstrumentalResponseFunction, the main window's new response.
inline constexpr std::uint32_t WM_FIT_SET_RESPONSE = msg::WM_USER + 0x60;

// To the views:
inline constexpr std::uint32_t WM_FIT_PROGRESS_START = msg::WM_USER + 0x61;  // wParam max
inline constexpr std::uint32_t WM_FIT_PROGRESS_CYCLE = msg::WM_USER + 0x62;  // payload text
inline constexpr std::uint32_t WM_FIT_PROGRESS_HIDE = msg::WM_USER + 0x63;
inline constexpr std::uint32_t WM_FIT_CONVOLUTION_CLEARED = msg::WM_USER + 0x64;
inline constexpr std::uint32_t WM_FIT_WINDOW_ENABLE = msg::WM_USER + 0x65;  // wParam 1 / 0
inline constexpr std::uint32_t WM_FIT_CLOSE_VIEWS = msg::WM_USER + 0x66;
inline constexpr std::uint32_t WM_FIT_ZOOM_OPEN = msg::WM_USER + 0x67;     // FitSnapshot
inline constexpr std::uint32_t WM_FIT_ZOOM_REDRAW = msg::WM_USER + 0x68;   // FitSnapshot
inline constexpr std::uint32_t WM_FIT_EXPORT_OPEN = msg::WM_USER + 0x69;   // FitSnapshot
inline constexpr std::uint32_t WM_FIT_SAVE_REQUEST = msg::WM_USER + 0x6A;  // FitSnapshot

}  // namespace fitmsg

// Shared by the worker and the progress window: the window sets abort, the worker examines it
// after every cycle.
struct FitProgressFlags {
    std::atomic<bool> active{false};
    std::atomic<bool> abortRequested{false};
};

// The fields the worker writes into the detailed fit window (payload of 0x41B).
struct FitPublication {
    double area = 0, baseline = 0, frequency = 0, halfWidth = 0;  // 6 significant digits
    int maxIterations = 0;
    std::string rangeText;                  // "Fitting data from %.1lf GHz to %.1lf GHz"
    std::array<std::string, 4> errorTexts;  // baseline, area, frequency, half width
    std::string chiSquareText;              // "Red. chisq: %7G" or "Red. chisq: N/A"
    // Why the last fit did not end at a line of the window; empty after a good fit.
    std::string failureText;
};

// The worker's results and data for the zoom view, the export dialog and GRAPH.TXT.
struct FitSnapshot {
    std::string fileName;
    CKavroSpectrum spectrum;
    CCurveData<PointData> dataCurve;     // (frequency, counts)
    CCurveData<PointData> fittedCurve;   // (frequency - z, model)
    std::array<double, 5> parameters{};  // B, A, nu0, Gamma at 1..4
    std::array<double, 5> errors{};
    double reducedChisq = 0;
    int model = kModelDho;
    double z = 0;
    int subdivision = 0;
    int lowerMarker = 0, higherMarker = 0;
    std::shared_ptr<const CFitModelProvider> modelProvider;
};
