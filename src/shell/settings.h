#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "spectrum/file_structure.h"

// The station's persistent configuration as the program uses it. One instance per process,
// owned by CRegistersetup; the dialogs edit it in place and save through CRegistersetup.
struct Settings {
    int back_enable = 0;
    std::string backup_dir;
    std::string backup_extension = "BCK";
    int backup_step = 1000;
    int clean_back_anytime = 0;
    std::string com_port;
    int enable_network = 0;

    // ncomlines, enable_comments, line_comments, default_ext, freecomment1/2: one block the
    // file structure dialog copies whole to undo its changes.
    FileStructure fileStructure;

    std::array<std::uint16_t, 4> ip{255, 255, 255, 255};
    int show_summary = 1;
    int autoscale_on_load = 1;
    int autoscale_on_more = 0;
    std::array<int, 8> color{0x000000, 0x00FFFF, 0x0080FF, 0x0000FF,
                             0xFF8000, 0xFF80FF, 0xFFFFFF, 0x00FF00};  // 0x00BBGGRR
    std::uint8_t enable_current = 0;
    std::uint8_t enable_x = 1;
    std::uint8_t enable_y = 1;
    int scale_type = 0;  // 0 linear, otherwise logarithmic
    int spcwin_fnt_weigth = 7;
    std::uint16_t xthick = 10;
    int ymaxstart = 1000;
    std::uint16_t ythick = 10;
    double zoom_factor = 2.0;

    int allow_command_override = 1;
    int start_server_automatically = 0;
    int use_bold_on_screen = 0;
    int start_maximized = 0;
    int beep_at_completion = 0;
    std::string data_directory;
    int show_splashscreen = 1;
    double laser_wavelength = 532.0;
    double last_mirror_spacing = 6.0;
    std::uint8_t shutterDelay = 5;

    bool operator==(const Settings&) const = default;
};

// Limits the dialogs keep texts within (the stored text itself is taken as it is).
namespace settings_limits {
inline constexpr std::size_t kDefaultExt = 3;
inline constexpr std::size_t kFreeComment = 40;
inline constexpr std::size_t kComPort = 6;
inline constexpr std::size_t kBackupDir = 199;
inline constexpr std::size_t kDataDirectory = 200;
inline constexpr std::size_t kBackupExtension = 3;
}  // namespace settings_limits
