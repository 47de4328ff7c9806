#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/file_dialogs.h"
#include "core/prompter.h"
#include "platform/message.h"
#include "shell/register_setup.h"

// The serial ports the system reports, as the general setup lists them.
struct DetectedPorts {
    bool comNames = false;                 // COM names, each listed with its colon
    std::vector<std::string> enumerated;   // names of the port enumeration ("COM1:")
    std::vector<std::string> registry;     // names of the serial device map ("COM3")
    std::vector<std::string> devicePaths;  // elsewhere: "/dev/ttyS0", ...
};

// The general setup dialog without its widgets: serial port, backups, data directory, network
// options, start-up options, laser wavelength, shutter delay, and the reset of everything.
class CGeneral_setup {
public:
    static constexpr int kDialogId = 137;
    static constexpr const char* kTitle = "General setup";

    static constexpr int kPort = 1022;
    static constexpr int kPortCount = 1039;
    static constexpr int kChooseDataDirectory = 1030;
    static constexpr int kDataDirectoryText = 1130;
    static constexpr int kBackupActive = 1023;
    static constexpr int kBackupStep = 1024;
    static constexpr int kBackupPrefix = 1009;
    static constexpr int kClearBackups = 1025;
    static constexpr int kChooseBackupDirectory = 1029;
    static constexpr int kBackupDirectoryText = 1129;
    static constexpr int kShowSummary = 1037;
    static constexpr int kBeep = 1373;
    static constexpr int kSplash = 1376;
    static constexpr int kWavelength = 1031;
    static constexpr int kShutterDelay = 1354;
    static constexpr int kEnableNetwork = 1026;
    static constexpr std::array<int, 4> kNetmask{1013, 1014, 1015, 1016};
    static constexpr int kStartServer = 1374;
    static constexpr int kAllowRemoteControl = 1375;
    static constexpr int kReset = 1132;

    static constexpr const char* kChooseDataDirectoryCaption = "Choose default data directory...";
    static constexpr const char* kBackupActiveCaption = "Backup active";
    static constexpr const char* kBackupStepLabel = "Acquisitions between backups :";
    static constexpr const char* kBackupPrefixLabel = "Backup filename prefix : ";
    static constexpr const char* kClearBackupsCaption =
        "Clear old backups before any new acquisition ";
    static constexpr const char* kChooseBackupDirectoryCaption = "Choose backup directory...";
    static constexpr const char* kShowSummaryCaption = "Show spectrum info after loading a file";
    static constexpr const char* kBeepCaption = "Beep at acquisition completion";
    static constexpr const char* kSplashCaption = "Show splashscreen at startup";
    static constexpr const char* kWavelengthLabel = "Laser wavelength (nm) :";
    static constexpr const char* kShutterDelayLabel = "Shutter position delay (ms) :";
    static constexpr const char* kEnableNetworkCaption = "Enable network support ";
    static constexpr const char* kNetmaskLabel = "Server access netmask :";
    static constexpr const char* kStartServerCaption =
        "Automatically open network server at startup";
    static constexpr const char* kAllowRemoteControlCaption = "Allow remote control";
    static constexpr const char* kResetCaption = "Reset configuration data";

    static constexpr const char* kBackupDirectoryTitle =
        "Please choose the directory where KAVRO will place backup files :";
    static constexpr const char* kDataDirectoryTitle =
        "Please choose the default data directory for KAVRO :";
    static constexpr const char* kMissingBackupDirectory =
        "The directory choosen for backup doesn't exist ! Please check !";
    static constexpr const char* kResetQuestion =
        "This operation will erase all KAVRO-specific settings from the Windows system "
        "registry,\r\n and rewrite them with defaults. Are you sure ?";
    static constexpr const char* kResetDone =
        "Done. It is necessary to configure the right serial port before performing "
        "observation or acquisition.";

    struct Fields {
        std::vector<std::string> ports;  // the combo box entries
        bool portTyped = false;          // a port that is not listed may be typed
        std::string port;                // the selected (or typed) port; empty for none
        std::string portCountText;
        std::string dataDirectory;
        std::string dataDirectoryText;
        bool backupActive = false;
        std::string backupStep;
        std::string backupPrefix;
        bool clearBackups = false;
        std::string backupDirectory;
        std::string backupDirectoryText;
        bool showSummary = false;
        bool beep = false;
        bool splash = false;
        std::string wavelength;
        int shutterDelay = 0;  // index into shutterDelayEntries()
        bool enableNetwork = false;
        std::array<std::string, 4> netmask;
        bool startServer = false;
        bool allowRemoteControl = false;
    };

    // windows: where the wavelength and shutter delay notices go.
    CGeneral_setup(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                   MessageSink& windows);

    // Re-reads the stored settings, then loads the fields and the port list.
    void OnInitDialog(const DetectedPorts& ports);
    Fields& fields() { return fields_; }
    const Fields& fields() const { return fields_; }

    bool backupControlsEnabled() const { return fields_.backupActive; }
    bool networkControlsEnabled() const { return fields_.enableNetwork; }

    void OnChooseBackupDirectory();
    void OnChooseDataDirectory();
    // Each returns true when the dialog closes.
    bool OnOK();
    bool OnReset();

    int failedControl() const { return failedControl_; }

    static std::vector<std::string> ListSerialPorts(const DetectedPorts& ports);
    static std::vector<std::string> shutterDelayEntries();
    static std::string portCountText(std::size_t count);

private:
    void notifyChanges(double oldWavelength, int oldShutterDelay);

    CRegistersetup& setup_;
    Prompter& prompter_;
    FileDialogs& dialogs_;
    MessageSink& windows_;
    Fields fields_;
    int failedControl_ = 0;
};
