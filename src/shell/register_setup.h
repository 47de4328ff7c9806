#pragma once

#include <array>
#include <string>

#include "core/profile_store.h"
#include "core/prompter.h"
#include "shell/settings.h"

// Where the program lives and what it calls itself; computed once at start-up.
struct ProgramDirectories {
    std::string baseDirectory;    // per-user application data + "KAVRO"
    std::string backupDirectory;  // base + "backup"
    std::string programDescription = "Kavro ver. 1.2";
};

// Loads the settings section into the process-wide values, saves them back, keeps the
// failsafe defaults, migrates older layouts and counts unclean shutdowns.
class CRegistersetup {
public:
    static constexpr float kProgramVersion = 7.0f;
    static constexpr int kBuildNumber = 742;
    static constexpr int kGuardAbsent = -10;
    static constexpr const char* kUnstableQuestion =
        "KAVRO appears to have become unstable. This can be due to corruptions of configuration. "
        "Do you want to restore system's failsafe defaults?\nIf you answer yes, your custom "
        "settings will be lost.";

    CRegistersetup(ProfileStore& store, ProgramDirectories directories);

    Settings& values() { return values_; }
    const Settings& values() const { return values_; }
    const ProgramDirectories& directories() const { return directories_; }
    ProfileStore& store() { return store_; }

    void SetFailsafeDefaults();
    bool CheckStoredVersion();
    void Load();
    void LoadSetA();
    void LoadSetB();
    void SaveAll();
    void Reset();

    // Start-up steps 1 to 3: defaults, crash guard (may ask), then the stored settings.
    void StartUp(Prompter& prompter);
    // The normal exit of the main window: guard back to 0 and everything saved.
    void CleanExit();

    std::array<std::string, 4> ReadServerList() const;
    void AddServerAddress(const std::string& address);

    float storedVersion() const { return storedVersion_; }

    static int EncodeEnabledMask(const FileStructure& fs);
    static void DecodeEnabledMask(int mask, FileStructure& fs);
    static std::string EncodeLineComments(const FileStructure& fs);
    static void DecodeLineComments(const std::string& text, FileStructure& fs);
    static std::array<std::string, 4> DecodeServerList(const std::string& stored);

private:
    void CrashGuard(Prompter& prompter);

    ProfileStore& store_;
    ProgramDirectories directories_;
    Settings values_;
    float storedVersion_ = 0;
};
