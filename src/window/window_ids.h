#pragma once

// Control ids of the spectrum window and its menu command numbers. The ids double as the
// widgets' object names, so tests and scripts find them.
namespace ctl {
inline constexpr int kExit = 1;
inline constexpr int kDelete = 1007;
inline constexpr int kAcquisition = 1008;
inline constexpr int kObserve = 1009;
inline constexpr int kLoad = 1015;
inline constexpr int kSave = 1016;
inline constexpr int kZoomIn = 1040;
inline constexpr int kZoomOut = 1041;
inline constexpr int kScale = 1044;
inline constexpr int kCycles = 1047;
inline constexpr int kInformation = 1093;
inline constexpr int kChannelsLabel = 1096;
inline constexpr int kRejectedLabel = 1100;
inline constexpr int kMark2 = 1145;
inline constexpr int kMark1 = 1146;
inline constexpr int kPlotArea = 1077;
inline constexpr int kMarkerSpan = 1394;
// The scale and trace radio buttons; ours, the older stations gave them no fixed number.
inline constexpr int kLinear = 1901;
inline constexpr int kLogarithmic = 1902;
inline constexpr int kLineStyle = 1903;
inline constexpr int kDotsStyle = 1904;
inline constexpr int kMirrorSpacing = 1395;
}  // namespace ctl

namespace cmd {
inline constexpr int kAboutSystemMenu = 16;
inline constexpr int kLoadSpectrum = 32784;
inline constexpr int kNewSpectrum = 32785;
inline constexpr int kLoadRaw = 32786;
inline constexpr int kSaveOverwrite = 32788;
inline constexpr int kSaveAs = 32789;
inline constexpr int kExit = 32783;
inline constexpr int kStartAcquisition = 32794;
inline constexpr int kStartObservation = 32795;
inline constexpr int kQuickFit = 32796;
inline constexpr int kInvert = 32798;
inline constexpr int kCalibrate = 32799;
inline constexpr int kSelectResponse = 32800;
inline constexpr int kSumSubtract = 32801;
inline constexpr int kSaveZone = 32802;
inline constexpr int kTrim = 32803;
inline constexpr int kAutomatedMode = 32805;
inline constexpr int kAbout = 32806;
inline constexpr int kFileFormat = 32807;
inline constexpr int kVisualisation = 32808;
inline constexpr int kGeneralSetup = 32809;
inline constexpr int kMeasurementInformation = 32811;
inline constexpr int kConvertToRaw = 32813;
inline constexpr int kSaveRaw = 32816;
inline constexpr int kZoomAuto = 32817;
inline constexpr int kMultipleViewer = 32818;
inline constexpr int kLinearity = 32819;
inline constexpr int kEraseBackups = 32820;
inline constexpr int kStatistics = 32821;
inline constexpr int kNetworkServer = 32824;
inline constexpr int kConnectToServer = 32825;
inline constexpr int kServerStatus = 32826;
inline constexpr int kZoomIn = 32828;
inline constexpr int kZoomOut = 32830;
inline constexpr int kChat = 32832;
inline constexpr int kLoadResponse = 32834;
inline constexpr int kDetailedFit = 32836;
inline constexpr int kQuickCalibration = 32838;
inline constexpr int kSaveResponse = 32839;
inline constexpr int kReferenceMonitor = 32840;
inline constexpr int kResize = 32841;
inline constexpr int kSavePlotImage = 32900;  // ours: not a command of the older stations

// Keyboard shortcuts.
inline constexpr int kMarker1Back = 10000;
inline constexpr int kMarker1Forward = 10001;
inline constexpr int kMarker2Back = 10002;
inline constexpr int kMarker2Forward = 10003;
inline constexpr int kChatShortcut = 10005;
inline constexpr int kAutomatedShortcut = 10006;
inline constexpr int kLastShortcut = 10009;  // shortcut numbers run up to here
}  // namespace cmd
