#pragma once

#include <optional>
#include <string>

// The program's current directory as WDIR, SAVE and SAVERAW use it. The station uses the
// process's own; tests and the fuzzer use a fake that touches nothing.
class WorkingDirectories {
public:
    enum class Change { Done, NoSuchDirectory, OtherError };

    virtual ~WorkingDirectories() = default;
    virtual Change setCurrent(const std::string& path) = 0;
    virtual std::optional<std::string> current() = 0;
    virtual bool isDirectory(const std::string& path) = 0;
    // The platform's separator, which a relative WDIR argument is joined with.
    virtual char separator() const = 0;
};

class ProcessWorkingDirectories final : public WorkingDirectories {
public:
    Change setCurrent(const std::string& path) override;
    std::optional<std::string> current() override;
    bool isDirectory(const std::string& path) override;
    char separator() const override;
};
