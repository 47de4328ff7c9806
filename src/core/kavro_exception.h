#pragma once

#include <stdexcept>
#include <string>

// The program's error type: numeric routines of the fit engine raise it with the text the
// operator will see.
class KavroException : public std::invalid_argument {
public:
    explicit KavroException(const std::string& message) : std::invalid_argument(message) {}
};
