#include "network/working_directories.h"

#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A directory can be made current only when it may be searched.
bool canEnter(const fs::path& directory) {
#if defined(__unix__) || defined(__APPLE__)
    return ::access(directory.c_str(), X_OK) == 0;
#else
    std::error_code error;
    fs::directory_iterator probe(directory, error);
    return !error;
#endif
}

}  // namespace

WorkingDirectories::Entered ProcessWorkingDirectories::enter(const std::string& from,
                                                             const std::string& path) {
    std::error_code error;
    fs::path target = fromUtf8(path);
    if (!target.is_absolute()) {
        target = fs::absolute(fromUtf8(from), error) / target;
        if (error) {
            return {Change::OtherError, {}};
        }
    }
    const fs::file_status status = fs::status(target, error);
    if (!fs::exists(status)) {
        // A file where a directory was expected on the way is not a missing directory.
        return {error && error != std::errc::no_such_file_or_directory ? Change::OtherError
                                                                       : Change::NoSuchDirectory,
                {}};
    }
    if (!fs::is_directory(status) || !canEnter(target)) {
        return {Change::OtherError, {}};
    }
    const fs::path resolved = fs::canonical(target, error);
    if (error) {
        return {Change::OtherError, {}};
    }
    return {Change::Done, toUtf8(resolved)};
}

bool ProcessWorkingDirectories::isAbsolute(const std::string& path) const {
    return fromUtf8(path).is_absolute();
}

bool ProcessWorkingDirectories::isDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(fromUtf8(path), error);
}
