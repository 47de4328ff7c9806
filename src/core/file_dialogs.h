#pragma once

#include <optional>
#include <string>

// The standard file, folder and colour choosers. Filters use the "Name|pattern|...||" form
// of the existing stations. Every answer is nothing when the operator cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file must exist.
    virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                                const std::string& defaultExtension) = 0;
    // Asks before overwriting an existing file.
    virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                                const std::string& defaultExtension) = 0;
    virtual std::optional<std::string> chooseDirectory(const std::string& title,
                                                       const std::string& start) = 0;
    // Colours as 0x00BBGGRR.
    virtual std::optional<int> chooseColour(int initial) = 0;
};
