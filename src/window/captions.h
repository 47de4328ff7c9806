#pragma once

// The captions of the acquisition and Observe buttons, in one place: peers and scripts read
// them, so each text stays exactly as the stations have always shown it.
namespace caption {

inline constexpr const char* kStartAcquisition = "Start acquisition";
// The capital A after a port error is what operators of the other stations see there.
inline constexpr const char* kStartAcquisitionAfterPortError = "Start Acquisition";
inline constexpr const char* kResumeAcquisition = "Resume acquisition";
inline constexpr const char* kStopAcquisition = "Stop acquisition";
inline constexpr const char* kObserveSignal = "Observe signal";
inline constexpr const char* kStopObserving = "Stop observing";
// A client's Observe button while the server is idle.
inline constexpr const char* kObserve = "Observe";

}  // namespace caption
