#include "window/field_rules.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool onlySpaces(const char* p) {
    while (*p != '\0') {
        if (!std::isspace(static_cast<unsigned char>(*p))) {
            return false;
        }
        ++p;
    }
    return true;
}

}  // namespace

void FieldReader::fail(int control, const std::string& message) {
    failedControl_ = control;
    prompter_.tell(message, PromptIcon::Exclamation);
}

long long FieldReader::integer(int control, const std::string& text, long long low,
                               long long high) {
    if (!ok()) {
        return 0;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    const bool parsed = end != text.c_str() && errno == 0 && onlySpaces(end);
    if (!parsed || value < low || value > high) {
        fail(control, integerMessage(low, high));
        return 0;
    }
    return value;
}

double FieldReader::number(int control, const std::string& text, double low, double high) {
    if (!ok()) {
        return 0;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const bool parsed = end != text.c_str() && errno == 0 && onlySpaces(end);
    if (!parsed || !(value >= low && value <= high)) {
        fail(control, numberMessage(low, high));
        return 0;
    }
    return value;
}

std::string FieldReader::text(int control, const std::string& text, std::size_t maxChars,
                              const std::string& message) {
    if (!ok()) {
        return {};
    }
    if (text.size() > maxChars) {
        fail(control, message.empty() ? maxCharsMessage(maxChars) : message);
        return {};
    }
    return text;
}

std::string FieldReader::integerMessage(long long low, long long high) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "Please enter an integer between %lld and %lld.", low,
                  high);
    return buffer;
}

std::string FieldReader::numberMessage(double low, double high) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "Please enter a number between %g and %g.", low, high);
    return buffer;
}

std::string FieldReader::maxCharsMessage(std::size_t maxChars) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "Please enter no more than %zu characters.", maxChars);
    return buffer;
}

std::string FieldReader::formatNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}
