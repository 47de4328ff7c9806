#pragma once

#include <optional>
#include <string>
#include <vector>

// The standard file, folder and colour choosers. Filters use the "Name|pattern|...||" form
// of the existing stations. Every answer is nothing when the operator cancels.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file must exist.
    virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                                const std::string& defaultExtension) = 0;
    // Several existing files chosen together, in the dialog's order. Choosers that cannot
    // select more than one give the one file.
    virtual std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                              const std::string& filter,
                                                              const std::string& defaultExtension) {
        auto one = openFile(title, filter, defaultExtension);
        if (!one) {
            return std::nullopt;
        }
        return std::vector<std::string>{*one};
    }
    // Asks before overwriting an existing file.
    virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                                const std::string& defaultExtension) = 0;
    virtual std::optional<std::string> chooseDirectory(const std::string& title,
                                                       const std::string& start) = 0;
    // Colours as 0x00BBGGRR.
    virtual std::optional<int> chooseColour(int initial) = 0;
};
