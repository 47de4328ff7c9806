#include "network/working_directories.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

WorkingDirectories::Change ProcessWorkingDirectories::setCurrent(const std::string& path) {
    std::error_code error;
    fs::current_path(fs::path(path), error);
    if (!error) {
        return Change::Done;
    }
    return error == std::errc::no_such_file_or_directory ? Change::NoSuchDirectory
                                                         : Change::OtherError;
}

std::optional<std::string> ProcessWorkingDirectories::current() {
    std::error_code error;
    fs::path here = fs::current_path(error);
    if (error) {
        return std::nullopt;
    }
    return here.string();
}

bool ProcessWorkingDirectories::isDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(fs::path(path), error);
}

char ProcessWorkingDirectories::separator() const {
    return static_cast<char>(fs::path::preferred_separator);
}
