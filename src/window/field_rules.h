#pragma once

#include <cstddef>
#include <string>

#include "core/prompter.h"

// The field rules of the configuration dialogs: each read checks one field's text, and the
// first field that breaks its rule is reported once and named, so the dialog can focus it.
class FieldReader {
public:
    explicit FieldReader(Prompter& prompter) : prompter_(prompter) {}

    long long integer(int control, const std::string& text, long long low, long long high);
    double number(int control, const std::string& text, double low, double high);
    // At most maxChars characters; message overrides the rule's own text.
    std::string text(int control, const std::string& text, std::size_t maxChars,
                     const std::string& message = {});

    bool ok() const { return failedControl_ == 0; }
    int failedControl() const { return failedControl_; }

    static std::string integerMessage(long long low, long long high);
    static std::string numberMessage(double low, double high);
    static std::string maxCharsMessage(std::size_t maxChars);

    // The texts a field shows for a value (classic locale).
    static std::string formatNumber(double value);

private:
    void fail(int control, const std::string& message);

    Prompter& prompter_;
    int failedControl_ = 0;
};
