#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The commands a console line can carry, in the order they are tested.
enum class ConsoleCommand {
    EmptyLine,
    Chat,
    Close,
    Delete,
    Override,
    Observe,
    Restore,
    SaveRaw,
    Save,
    Stop,
    Start,
    SetShowCurrent,
    Wdir,
    Text,
    DataRecord,
    Data,
    Help,
    Status,
    Set256,
    Set512,
    Set1024,
    GetData,
    GetRealtime,
    GetShutter,
    NotRecognised,
};

// line: one line with its CR LF. Whole-line commands match in any letter case; commands with an
// argument match only their all-lower or all-upper case prefix.
ConsoleCommand recogniseConsoleLine(std::string_view line, bool dataMode);

// The cycle count of a START line longer than 7 characters, read from its first 40; nullopt
// when no number can be read there.
std::optional<std::int32_t> startCycles(std::string_view line);
// The file name of a SAVE or SAVERAW line (second word of its first 60 characters).
std::optional<std::string> saveFileName(std::string_view line);

// CHAT: a line of 6 characters or fewer carries no message.
inline constexpr std::size_t kChatShortestWithMessage = 7;
inline constexpr std::size_t kChatTextMax = 80;
// The text between the first and the second double quote, cut to 80 characters; nullopt when
// the line holds no double quote.
std::optional<std::string> chatMessage(std::string_view line);

// WDIR: the text after the first blank with every CR and LF removed; nullopt without a blank.
std::optional<std::string> wdirArgument(std::string_view line);
