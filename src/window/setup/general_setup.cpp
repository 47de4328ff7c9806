#include "window/setup/general_setup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/messages.h"
#include "window/field_rules.h"

namespace {

constexpr int kShutterDelaySteps = 11;  // 0 ... 5.0 ms in steps of 0.5

int portNumber(const std::string& entry) {
    return entry.size() > 3 ? std::atoi(entry.c_str() + 3) : 0;
}

// Device paths in the order a person expects: ttyS2 before ttyS10.
bool naturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        std::size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) {
            --digits;
        }
        const std::string number = s.substr(digits);
        return std::make_pair(s.substr(0, digits),
                              number.empty() ? -1L : std::strtol(number.c_str(), nullptr, 10));
    };
    const auto ka = split(a);
    const auto kb = split(b);
    return ka != kb ? ka < kb : a < b;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool changeIntoDirectory(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::current_path(std::filesystem::path(path), error);
    return !error;
}

std::string backupDirectoryText(const std::string& dir) {
    return "Current backup directory: " + dir;
}

}  // namespace

CGeneral_setup::CGeneral_setup(CRegistersetup& setup, Prompter& prompter, FileDialogs& dialogs,
                               MessageSink& windows)
    : setup_(setup), prompter_(prompter), dialogs_(dialogs), windows_(windows) {}

std::vector<std::string> CGeneral_setup::ListSerialPorts(const DetectedPorts& ports) {
    std::vector<std::string> entries;
    if (!ports.comNames) {
        entries = ports.devicePaths;
        std::sort(entries.begin(), entries.end(), naturalLess);
        entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
        return entries;
    }
    for (const std::string& name : ports.enumerated) {
        const std::size_t com = name.find("COM");
        if (com == std::string::npos) {
            continue;
        }
        if (name.size() > com + 4 && name[com + 4] == ':') {
            entries.push_back(name.substr(com, 5));
        } else if (name.size() > com + 5 && name[com + 5] == ':') {
            entries.push_back(name.substr(com, 6));
        }
    }
    for (const std::string& name : ports.registry) {
        // Whole entries are compared: COM1 is a port of its own even when COM10: is listed.
        const std::string entry = name + ":";
        if (name.size() <= 5 && std::find(entries.begin(), entries.end(), entry) == entries.end()) {
            entries.push_back(entry);
        }
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const std::string& a, const std::string& b) { return portNumber(a) < portNumber(b); });
    return entries;
}

std::vector<std::string> CGeneral_setup::shutterDelayEntries() {
    std::vector<std::string> entries;
    for (int i = 0; i < kShutterDelaySteps; ++i) {
        char text[8];
        if (i == 0) {
            std::snprintf(text, sizeof text, "0");
        } else {
            std::snprintf(text, sizeof text, "%.1f", i * 0.5);
        }
        entries.push_back(text);
    }
    return entries;
}

std::string CGeneral_setup::portCountText(std::size_t count) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Kavro has detectected that you have %u serial ports installed. Please select "
                  "the one the interferometer is connected to",
                  static_cast<unsigned>(count));
    return text;
}

void CGeneral_setup::OnInitDialog(const DetectedPorts& ports) {
    // Values changed in memory only (a file structure applied with OK) return to the stored
    // ones here.
    if (setup_.CheckStoredVersion()) {
        setup_.Load();
    }
    const Settings& s = setup_.values();
    Fields& f = fields_;

    f.ports = ListSerialPorts(ports);
    f.portTyped = !ports.comNames;
    f.port.clear();
    if (f.portTyped) {
        f.port = s.com_port;
    } else if (!s.com_port.empty()) {
        auto it = std::find_if(f.ports.begin(), f.ports.end(), [&](const std::string& entry) {
            return startsWithNoCase(entry, s.com_port);
        });
        if (it != f.ports.end()) {
            f.port = *it;
        }
    }
    f.portCountText = portCountText(f.ports.size());

    f.dataDirectory = s.data_directory;
    f.dataDirectoryText = "Currend default data directory: " + s.data_directory;
    f.backupActive = s.back_enable != 0;
    f.backupStep = std::to_string(s.backup_step);
    f.backupPrefix = s.backup_extension;
    f.clearBackups = s.clean_back_anytime != 0;
    f.backupDirectory = s.backup_dir;
    f.backupDirectoryText = backupDirectoryText(s.backup_dir);
    f.showSummary = s.show_summary != 0;
    f.beep = s.beep_at_completion != 0;
    f.splash = s.show_splashscreen != 0;
    f.wavelength = FieldReader::formatNumber(s.laser_wavelength);
    f.shutterDelay = std::min<int>(s.shutterDelay, kShutterDelaySteps - 1);
    f.enableNetwork = s.enable_network != 0;
    for (int i = 0; i < 4; ++i) {
        f.netmask[i] = std::to_string(s.ip[i]);
    }
    f.startServer = s.start_server_automatically != 0;
    f.allowRemoteControl = s.allow_command_override != 0;
}

void CGeneral_setup::OnChooseBackupDirectory() {
    const auto dir = dialogs_.chooseDirectory(kBackupDirectoryTitle, fields_.backupDirectory);
    if (!dir) {
        return;
    }
    if (dir->size() > settings_limits::kBackupDir) {
        prompter_.tell(FieldReader::maxCharsMessage(settings_limits::kBackupDir));
        return;
    }
    fields_.backupDirectory = *dir;
    fields_.backupDirectoryText = backupDirectoryText(*dir);
}

void CGeneral_setup::OnChooseDataDirectory() {
    const auto dir = dialogs_.chooseDirectory(kDataDirectoryTitle, fields_.dataDirectory);
    if (!dir) {
        return;
    }
    if (dir->size() > settings_limits::kDataDirectory) {
        prompter_.tell(FieldReader::maxCharsMessage(settings_limits::kDataDirectory));
        return;
    }
    fields_.dataDirectory = *dir;
    fields_.dataDirectoryText = "Current default data directory: " + *dir;
}

bool CGeneral_setup::OnOK() {
    const Fields& f = fields_;
    FieldReader reader(prompter_);
    const std::string port = trimmed(f.port);
    if (!f.portTyped) {
        reader.text(kPort, port, settings_limits::kComPort);
    }
    const auto step = static_cast<int>(reader.integer(kBackupStep, f.backupStep, 1, 100000));
    const std::string prefix =
        reader.text(kBackupPrefix, f.backupPrefix, settings_limits::kBackupExtension);
    const double wavelength = reader.number(kWavelength, f.wavelength, 400, 1100);
    std::array<std::uint16_t, 4> netmask{};
    for (int i = 0; i < 4; ++i) {
        netmask[i] = static_cast<std::uint16_t>(reader.integer(kNetmask[i], f.netmask[i], 0, 255));
    }
    failedControl_ = reader.failedControl();
    if (!reader.ok()) {
        return false;
    }
    if (f.backupActive && !changeIntoDirectory(f.backupDirectory)) {
        failedControl_ = kChooseBackupDirectory;
        prompter_.tell(kMissingBackupDirectory, PromptIcon::Exclamation);
        return false;
    }

    Settings& s = setup_.values();
    s.backup_dir = f.backupDirectory;
    s.back_enable = f.backupActive ? 1 : 0;
    s.backup_extension = prefix;
    s.backup_step = step;
    s.clean_back_anytime = f.clearBackups ? 1 : 0;
    s.data_directory = f.dataDirectory;
    s.com_port = port;
    s.enable_network = f.enableNetwork ? 1 : 0;
    s.ip = netmask;
    s.beep_at_completion = f.beep ? 1 : 0;
    s.allow_command_override = f.allowRemoteControl ? 1 : 0;
    s.start_server_automatically = f.startServer ? 1 : 0;
    s.show_summary = f.showSummary ? 1 : 0;
    s.show_splashscreen = f.splash ? 1 : 0;

    const double oldWavelength = s.laser_wavelength;
    const int oldShutterDelay = s.shutterDelay;
    s.laser_wavelength = wavelength;
    s.shutterDelay =
        static_cast<std::uint8_t>(std::clamp(f.shutterDelay, 0, kShutterDelaySteps - 1));
    notifyChanges(oldWavelength, oldShutterDelay);
    setup_.SaveAll();
    return true;
}

void CGeneral_setup::notifyChanges(double oldWavelength, int oldShutterDelay) {
    const Settings& s = setup_.values();
    if (s.laser_wavelength != oldWavelength) {
        windows_.post(makeMessage(msg::WM_WAVELENGTH_CHANGED));
    }
    if (s.shutterDelay != oldShutterDelay) {
        windows_.post(makeMessage(msg::WM_SHUTTER_DELAY_CHANGED));
    }
}

bool CGeneral_setup::OnReset() {
    if (prompter_.ask(kResetQuestion, kDefaultCaption, PromptButtons::OkCancel,
                      PromptIcon::Exclamation) != PromptAnswer::Ok) {
        return false;
    }
    const double oldWavelength = setup_.values().laser_wavelength;
    const int oldShutterDelay = setup_.values().shutterDelay;
    setup_.Reset();
    // The gathering keeps its own copies of these two; without the notices it would go on
    // with the values from before the reset.
    notifyChanges(oldWavelength, oldShutterDelay);
    prompter_.tell(kResetDone, PromptIcon::Information);
    return true;
}
