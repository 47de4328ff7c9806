#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/file_dialogs.h"

// Answers file, folder and colour choosers from a script and remembers how each was opened.
class FakeFileDialogs final : public FileDialogs {
public:
    struct Opened {
        std::string kind;  // "open", "open files", "save", "directory", "colour"
        std::string title;
        std::string filter;
        std::string defaultExtension;
    };

    void answer(std::optional<std::string> path) { paths.push_back(std::move(path)); }
    void answerColour(std::optional<int> colour) { colours.push_back(colour); }

    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& ext) override {
        opened.push_back({"open", title, filter, ext});
        return next();
    }
    // Answered from fileLists; cancelled when it is empty.
    std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& ext) override {
        opened.push_back({"open files", title, filter, ext});
        if (fileLists.empty()) {
            return std::nullopt;
        }
        auto files = fileLists.front();
        fileLists.pop_front();
        return files;
    }
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& ext) override {
        opened.push_back({"save", title, filter, ext});
        return next();
    }
    std::optional<std::string> chooseDirectory(const std::string& title,
                                               const std::string& start) override {
        opened.push_back({"directory", title, start, {}});
        return next();
    }
    std::optional<int> chooseColour(int) override {
        opened.push_back({"colour", {}, {}, {}});
        if (colours.empty()) {
            return std::nullopt;
        }
        auto c = colours.front();
        colours.pop_front();
        return c;
    }

    std::deque<std::optional<std::string>> paths;  // cancelled when empty
    std::deque<std::optional<int>> colours;
    std::deque<std::optional<std::vector<std::string>>> fileLists;
    std::vector<Opened> opened;

private:
    std::optional<std::string> next() {
        if (paths.empty()) {
            return std::nullopt;
        }
        auto p = paths.front();
        paths.pop_front();
        return p;
    }
};
