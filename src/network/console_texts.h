#pragma once

#include <cstddef>
#include <string_view>

// What the station sends to consoles. Terminals and client stations match these bytes, so they
// stay exactly as the older stations send them, spelling included.
namespace console_text {

using namespace std::string_view_literals;

inline constexpr std::string_view kPrompt = "KAVRO> \0"sv;   // 8 bytes, NUL included
inline constexpr std::string_view kFirstPrompt = "KAVRO> ";  // after the greeting: no NUL
inline constexpr std::string_view kBanner = "KAVRO network console interface\r\n";
inline constexpr const char* kWelcome = "Welcome user from IP %s, port %d\r\n\r\n";
inline constexpr std::string_view kTooManyClients =
    "Your connection attempt can't be accepted :\r\n too many clients already connected\r\n";
inline constexpr std::string_view kGoAway = "You are not allowed to connect. Go Away!\r\n";
inline constexpr std::string_view kShutdown = "\n\rServer has been shut down. Bye !\n";

inline constexpr std::string_view kDataMode = "Switching to data mode connection.\r\n";
inline constexpr std::string_view kTextMode = "Console set to text mode.\r\n";
inline constexpr std::string_view kAlreadyControl = "You have alredy taken control!\r\n";
inline constexpr std::string_view kOverrideNotAllowed =
    "Can't override : operation not allowed.\r\n";
inline constexpr std::string_view kControlGranted =
    "Local commands overridden. Control is yours now.\r\n";
inline constexpr std::string_view kControlHeld =
    "Can't override : another user has already taken control.\r\n";
inline constexpr std::string_view kCannotRestore =
    "Commands are not overridden. Can't restore!\r\n";
inline constexpr std::string_view kRestored = "Local commands restored.\r\n";
inline constexpr std::string_view kStartNoControl =
    "Acquisition cannot be started - you don't have remote control!\r\n";
inline constexpr std::string_view kStartActive =
    "Acquisition cannot be started - KAVRO is already active.\r\n";
inline constexpr std::string_view kStopIdle = "Acquisition cannot be stopped - KAVRO is idle.\r\n";
inline constexpr std::string_view kObserveNoControl =
    "Observe mode cannot be started - You have not remote control!\r\n";
inline constexpr std::string_view kObserveActive =
    "Observe mode cannot be started - KAVRO is already active.\r\n";
inline constexpr std::string_view kObserveStarting = "Starting observe mode.\r\n";
inline constexpr std::string_view kDeleteNoControl =
    "This command is available only when commands are overridden\r\n";
inline constexpr std::string_view kDeleteActive =
    "Deletion is impossibile now. KAVRO is acquiring or observing the signal!\r\n";
inline constexpr std::string_view kShowCurrentNoControl =
    "Operation not allowed: you have not remote control.\r\n";
inline constexpr std::string_view kChannelsActive =
    "Acquisition/observation is to be stopped before changing the number of channels !\r\n";
inline constexpr const char* kChannelsSet = "Number of channels set to %d.\r\n";
inline constexpr std::string_view kNoInstrument =
    "No connection to the instrument. Start acquisition or observation at least once.\r\n";
inline constexpr std::string_view kSaveNoControl =
    "You don't have remote control. Save not allowed.\r\n";
inline constexpr std::string_view kNoWorkingDirectory =
    "Error: cannot open working directory !\r\n";
inline constexpr std::string_view kWriteError = "Error while writing file!\r\n";
inline constexpr const char* kWorkingDirectoryNow = "Working directory now %s\r\n";
inline constexpr std::string_view kNoCurrentDirectory =
    "Error : unable to get the current directory.\r\n";
inline constexpr std::string_view kDirectoryNotFound = "Error : directory not found.\r\n";
inline constexpr std::string_view kMalformedDirectory =
    "Error : malformed directory name, or nonexisting directory.\r\n";
inline constexpr std::string_view kChangeDirectoryError =
    "Error while trying to change working directory.\r\n";
inline constexpr std::string_view kChatExpected =
    "A message was expected after the CHAT command..\r\n";
inline constexpr std::string_view kClosing = "Closing connection..Bye !\r\n";
inline constexpr std::string_view kNotAvailable = "\n\rCommand not available\r\n";

inline constexpr std::string_view kDataMarker = "KAVRODATABEGIN\0"sv;  // 15 bytes

}  // namespace console_text
