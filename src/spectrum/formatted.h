#pragma once

#include <cstdio>
#include <string>

// printf into a string of the needed size, in the classic locale the station keeps for
// LC_NUMERIC: the one way file, console and message texts are formatted.
template <class... Args>
std::string formatted(const char* pattern, Args... args) {
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, args...);
    return text;
}
