#include "network/console_commands.h"

#include <array>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr std::size_t kStartArgumentWindow = 40;
constexpr std::size_t kSaveArgumentWindow = 60;

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view line, std::string_view word) {
    if (line.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (lower(line[i]) != lower(word[i])) {
            return false;
        }
    }
    return true;
}

// Prefix commands are compared byte for byte with their two spellings.
bool startsWith(std::string_view line, std::string_view lowerForm, std::string_view upperForm) {
    return line.starts_with(lowerForm) || line.starts_with(upperForm);
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The second white-space separated word, as "%*s %s" reads it.
std::optional<std::string_view> secondWord(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    while (i < text.size() && !isCSpace(text[i])) {
        ++i;
    }
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    const std::size_t begin = i;
    while (i < text.size() && !isCSpace(text[i])) {
        ++i;
    }
    if (i == begin) {
        return std::nullopt;
    }
    return text.substr(begin, i - begin);
}

}  // namespace

ConsoleCommand recogniseConsoleLine(std::string_view line, bool dataMode) {
    using C = ConsoleCommand;
    if (line == "\r\n") {
        return C::EmptyLine;
    }
    if (startsWith(line, "chat", "CHAT")) {
        return C::Chat;
    }
    if (equalsNoCase(line, "close\r\n")) {
        return C::Close;
    }
    if (equalsNoCase(line, "delete\r\n")) {
        return C::Delete;
    }
    if (equalsNoCase(line, "override\r\n")) {
        return C::Override;
    }
    if (equalsNoCase(line, "observe\r\n")) {
        return C::Observe;
    }
    if (equalsNoCase(line, "restore\r\n")) {
        return C::Restore;
    }
    if (startsWith(line, "saveraw", "SAVERAW") && line.size() > 9) {
        return C::SaveRaw;
    }
    if (startsWith(line, "save", "SAVE") && line.size() > 6) {
        return C::Save;
    }
    if (equalsNoCase(line, "stop\r\n")) {
        return C::Stop;
    }
    if (startsWith(line, "start", "START")) {
        return C::Start;
    }
    if (startsWith(line, "set", "SET") && equalsNoCase(line, "set show_current\r\n")) {
        return C::SetShowCurrent;
    }
    if (startsWith(line, "wdir", "WDIR")) {
        return C::Wdir;
    }
    if (dataMode) {
        if (equalsNoCase(line, "text\r\n")) {
            return C::Text;
        }
        if (equalsNoCase(line, "s\r\n")) {
            return C::DataRecord;
        }
        return C::NotRecognised;
    }
    struct WholeLine {
        std::string_view text;
        ConsoleCommand command;
    };
    static constexpr std::array<WholeLine, 9> kTextModeLines{{
        {"data\r\n", C::Data},
        {"help\r\n", C::Help},
        {"status\r\n", C::Status},
        {"set256\r\n", C::Set256},
        {"set512\r\n", C::Set512},
        {"set1024\r\n", C::Set1024},
        {"get_data\r\n", C::GetData},
        {"get_realtime\r\n", C::GetRealtime},
        {"get_shutter\r\n", C::GetShutter},
    }};
    for (const auto& entry : kTextModeLines) {
        if (equalsNoCase(line, entry.text)) {
            return entry.command;
        }
    }
    return C::NotRecognised;
}

std::optional<std::int32_t> startCycles(std::string_view line) {
    const std::string_view window = line.substr(0, kStartArgumentWindow);
    std::size_t i = 0;
    while (i < window.size() && isCSpace(window[i])) {
        ++i;
    }
    if (i == window.size()) {
        return std::nullopt;
    }
    while (i < window.size() && !isCSpace(window[i])) {
        ++i;
    }
    // "%d" skips white space, then takes an optional sign and at least one digit.
    std::string rest(window.substr(i));
    const char* begin = rest.c_str();
    while (*begin != '\0' && isCSpace(*begin)) {
        ++begin;
    }
    const char* digits = begin + ((*begin == '+' || *begin == '-') ? 1 : 0);
    if (*digits < '0' || *digits > '9') {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(begin, &end, 10);
    // Out of range values keep their low 32 bits, as a 32-bit conversion stores them.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::string> saveFileName(std::string_view line) {
    auto word = secondWord(line.substr(0, kSaveArgumentWindow));
    if (!word) {
        return std::nullopt;
    }
    return std::string(*word);
}

std::optional<std::string> chatMessage(std::string_view line) {
    const std::size_t first = line.find('"');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t second = line.find('"', first + 1);
    if (second == std::string_view::npos) {
        return std::string();
    }
    return std::string(line.substr(first + 1, std::min(second - first - 1, kChatTextMax)));
}

std::optional<std::string> wdirArgument(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    std::string argument;
    for (char c : line.substr(blank + 1)) {
        if (c != '\r' && c != '\n') {
            argument.push_back(c);
        }
    }
    return argument;
}
