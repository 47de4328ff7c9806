#pragma once

#include <string>

// The directories WDIR, SAVE and SAVERAW name. A console keeps its working directory as a
// resolved absolute path of its own, so nothing here changes the process's current directory:
// several consoles and the window share that one. The station looks at the file system; tests
// and the fuzzer use a fake that touches nothing. Paths are UTF-8.
class WorkingDirectories {
public:
    enum class Change { Done, NoSuchDirectory, OtherError };
    struct Entered {
        Change change = Change::OtherError;
        std::string path;  // with Done: the absolute path of the directory reached
    };

    virtual ~WorkingDirectories() = default;
    // Where a change of directory to `path` from the absolute directory `from` leads, as the
    // shell's cd would go there: a relative path (".." included) is taken from `from`.
    virtual Entered enter(const std::string& from, const std::string& path) = 0;
    virtual bool isAbsolute(const std::string& path) const = 0;
    virtual bool isDirectory(const std::string& path) = 0;
};

class ProcessWorkingDirectories final : public WorkingDirectories {
public:
    Entered enter(const std::string& from, const std::string& path) override;
    bool isAbsolute(const std::string& path) const override;
    bool isDirectory(const std::string& path) override;
};
