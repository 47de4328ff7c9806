#pragma once

#include <string>

#include "core/profile_store.h"
#include "core/prompter.h"
#include "shell/register_setup.h"

// The per-user application-data folder + "KAVRO" (or the override), with "backup" below it.
ProgramDirectories computeProgramDirectories(const std::string& baseOverride = {});

// The application's start-up and shutdown around the main window's run.
class CKavroApp {
public:
    static constexpr const char* kBackupDirQuestion =
        "The selected backup directory\n\n%s\n\ndoes not exist. Do you want it to be created ? "
        "\n(if you answer no, backup function will be temporarily disabled)";

    CKavroApp(ProfileStore& store, Prompter& prompter, ProgramDirectories directories);

    // Defaults, crash guard and stored settings, the backup directory check, and the base
    // directory as the current one.
    void StartUp();
    // After the main window's run: only the normal exit resets the guard and saves all.
    void Finish(bool windowEndedOk);

    CRegistersetup& setup() { return setup_; }

private:
    void CheckBackupDirectory();

    Prompter& prompter_;
    CRegistersetup setup_;
};
