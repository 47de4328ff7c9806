#include "shell/register_setup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// How many comment kinds the two list encodings cover: kinds 0 .. ncomlines - 3.
int encodedKinds(const FileStructure& fs) {
    const int n = static_cast<int>(fs.ncomlines) - 2;
    return std::clamp(n, 0, FileStructure::kKinds);
}

std::string formatDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

double parseDecimal(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

// One stored key: how it is read (with its value for a missing key) and written.
struct Key {
    const char* name;
    std::function<void(Settings&, const ProfileStore&)> load;
    std::function<void(const Settings&, ProfileStore&)> save;
};

template <class Member>
Key intKey(const char* name, Member member, int missing) {
    return {name,
            [=](Settings& s, const ProfileStore& p) {
                using T = std::remove_reference_t<decltype(member(s))>;
                member(s) = static_cast<T>(p.readInt(name, missing));
            },
            [=](const Settings& s, ProfileStore& p) {
                p.writeInt(name, static_cast<int>(member(const_cast<Settings&>(s))));
            }};
}

// Stored as any integer, kept as 0 or 1.
template <class Member>
Key flagKey(const char* name, Member member, int missing) {
    return {name,
            [=](Settings& s, const ProfileStore& p) { member(s) = p.readInt(name, missing) != 0; },
            [=](const Settings& s, ProfileStore& p) {
                p.writeInt(name, member(const_cast<Settings&>(s)));
            }};
}

template <class Member>
Key textKey(const char* name, Member member, std::string missing) {
    return {name,
            [=](Settings& s, const ProfileStore& p) { member(s) = p.readString(name, missing); },
            [=](const Settings& s, ProfileStore& p) {
                p.writeString(name, member(const_cast<Settings&>(s)));
            }};
}

template <class Member>
Key decimalKey(const char* name, Member member, std::string missing) {
    return {name,
            [=](Settings& s, const ProfileStore& p) {
                member(s) = parseDecimal(p.readString(name, missing));
            },
            [=](const Settings& s, ProfileStore& p) {
                p.writeString(name, formatDecimal(member(const_cast<Settings&>(s))));
            }};
}

#define FIELD(expr)             \
    [](Settings & s) -> auto& { \
        return s.expr;          \
    }

const std::vector<Key>& setA() {
    static const std::vector<Key> keys = [] {
        std::vector<Key> k{
            intKey("back_enable", FIELD(back_enable), 0),
            textKey("backup_dir", FIELD(backup_dir), ""),
            textKey("backup_extension", FIELD(backup_extension), ""),
            intKey("backup_step", FIELD(backup_step), 500),
            intKey("clean_back_anytime", FIELD(clean_back_anytime), 0),
            textKey("com_port", FIELD(com_port), ""),
            intKey("enable_network", FIELD(enable_network), 0),
            textKey("default_ext", FIELD(fileStructure.defaultExt), ""),
            intKey("ncomlines", FIELD(fileStructure.ncomlines), 13),
            {"enable_comments",
             [](Settings& s, const ProfileStore& p) {
                 CRegistersetup::DecodeEnabledMask(p.readInt("enable_comments", 2040),
                                                   s.fileStructure);
             },
             [](const Settings& s, ProfileStore& p) {
                 p.writeInt("enable_comments", CRegistersetup::EncodeEnabledMask(s.fileStructure));
             }},
            textKey("freecomment1", FIELD(fileStructure.freecomment1), ""),
            textKey("freecomment2", FIELD(fileStructure.freecomment2), ""),
            {"line_comments",
             [](Settings& s, const ProfileStore& p) {
                 CRegistersetup::DecodeLineComments(
                     p.readString("line_comments", " 0 0 0 0 0 0 0 0 0 0 0 0 0"), s.fileStructure);
             },
             [](const Settings& s, ProfileStore& p) {
                 p.writeString("line_comments",
                               CRegistersetup::EncodeLineComments(s.fileStructure));
             }},
            intKey("ip1", FIELD(ip[0]), 255),
            intKey("ip2", FIELD(ip[1]), 255),
            intKey("ip3", FIELD(ip[2]), 255),
            intKey("ip4", FIELD(ip[3]), 255),
            intKey("show_summary", FIELD(show_summary), 0),
            intKey("autoscale_on_load", FIELD(autoscale_on_load), 0),
            intKey("autoscale_on_more", FIELD(autoscale_on_more), 0),
        };
        static const char* const colourNames[8] = {"color0", "color1", "color2", "color3",
                                                   "color4", "color5", "color6", "color7"};
        const Settings failsafe;
        for (int i = 0; i < 8; ++i) {
            const int missing = i == 6 ? 0xFF0000 : failsafe.color[i];
            k.push_back(intKey(
                colourNames[i], [i](Settings & s) -> auto& { return s.color[i]; }, missing));
        }
        k.push_back(flagKey("enable_current", FIELD(enable_current), 1));
        k.push_back(flagKey("enable_x", FIELD(enable_x), 1));
        k.push_back(flagKey("enable_y", FIELD(enable_y), 1));
        k.push_back(intKey("scale_type", FIELD(scale_type), 0));
        k.push_back(intKey("spcwin_fnt_weigth", FIELD(spcwin_fnt_weigth), 12));
        k.push_back(intKey("xthick", FIELD(xthick), 14));
        k.push_back(intKey("ymaxstart", FIELD(ymaxstart), 1000));
        k.push_back(intKey("ythick", FIELD(ythick), 14));
        k.push_back(decimalKey("zoom_factor", FIELD(zoom_factor), "2.0"));
        return k;
    }();
    return keys;
}

// data_directory's missing value is the base directory, so set B is built per use.
std::vector<Key> setB(const ProgramDirectories& dirs) {
    return {
        intKey("allow_command_override", FIELD(allow_command_override), 1),
        intKey("start_server_automatically", FIELD(start_server_automatically), 0),
        intKey("use_bold_on_screen", FIELD(use_bold_on_screen), 0),
        intKey("start_maximized", FIELD(start_maximized), 0),
        intKey("beep_at_completion", FIELD(beep_at_completion), 0),
        textKey("data_directory", FIELD(data_directory), dirs.baseDirectory),
        intKey("show_splashscreen", FIELD(show_splashscreen), 0),
        decimalKey("laser_wavelength", FIELD(laser_wavelength), "532.0"),
        decimalKey("last_mirror_spacing", FIELD(last_mirror_spacing), "6.0"),
        intKey("shutterDelay", FIELD(shutterDelay), 0),
    };
}

#undef FIELD

}  // namespace

CRegistersetup::CRegistersetup(ProfileStore& store, ProgramDirectories directories)
    : store_(store), directories_(std::move(directories)) {}

void CRegistersetup::SetFailsafeDefaults() {
    values_ = Settings{};
    values_.backup_dir = directories_.backupDirectory;
    values_.data_directory = directories_.baseDirectory;
    values_.fileStructure.freecomment1 =
        directories_.programDescription.substr(0, settings_limits::kFreeComment);
}

bool CRegistersetup::CheckStoredVersion() {
    const std::string text = store_.readString("LoaderVersion", "");
    float parsed = 0;
    if (std::sscanf(text.c_str(), "%f", &parsed) != 1) {
        return false;
    }
    storedVersion_ = parsed;
    return kProgramVersion >= storedVersion_;
}

void CRegistersetup::Load() {
    if (storedVersion_ == 6.75f) {
        LoadSetA();
    } else if (storedVersion_ == 7.0f) {
        LoadSetA();
        LoadSetB();
    }
    if (kProgramVersion > storedVersion_) {
        SaveAll();
        storedVersion_ = kProgramVersion;
    }
}

void CRegistersetup::LoadSetA() {
    for (const Key& key : setA()) {
        key.load(values_, store_);
    }
}

void CRegistersetup::LoadSetB() {
    for (const Key& key : setB(directories_)) {
        key.load(values_, store_);
    }
}

void CRegistersetup::SaveAll() {
    store_.writeString("version", directories_.programDescription);
    store_.writeInt("build_number", kBuildNumber);
    store_.writeString("LoaderVersion", formatDecimal(kProgramVersion));
    for (const Key& key : setA()) {
        key.save(values_, store_);
    }
    for (const Key& key : setB(directories_)) {
        key.save(values_, store_);
    }
    store_.flush();
}

void CRegistersetup::Reset() {
    store_.deleteSection();
    SetFailsafeDefaults();
    SaveAll();
}

void CRegistersetup::CrashGuard(Prompter& prompter) {
    const int guard = store_.readInt("closed_ok", kGuardAbsent);
    if (guard == kGuardAbsent) {
        store_.writeInt("closed_ok", 0);
        store_.writeInt("closed_ok", -1);
    } else if (guard >= -5) {
        store_.writeInt("closed_ok", guard - 1);
    } else if (prompter.ask(kUnstableQuestion, kDefaultCaption, PromptButtons::YesNo,
                            PromptIcon::Question) == PromptAnswer::Yes) {
        SaveAll();
        store_.writeInt("closed_ok", 1);
    }
    store_.flush();
}

void CRegistersetup::StartUp(Prompter& prompter) {
    SetFailsafeDefaults();
    CrashGuard(prompter);
    if (CheckStoredVersion()) {
        Load();
    } else {
        SaveAll();
    }
}

void CRegistersetup::CleanExit() {
    store_.writeInt("closed_ok", 0);
    SaveAll();
}

int CRegistersetup::EncodeEnabledMask(const FileStructure& fs) {
    int mask = 0;
    for (int k = 0; k < encodedKinds(fs); ++k) {
        if (fs.enabled[k]) {
            mask |= 1 << (k + 1);
        }
    }
    return mask;
}

void CRegistersetup::DecodeEnabledMask(int mask, FileStructure& fs) {
    for (int k = 0; k < encodedKinds(fs); ++k) {
        fs.enabled[k] = (mask >> (k + 1)) & 1;
    }
}

std::string CRegistersetup::EncodeLineComments(const FileStructure& fs) {
    std::string text;
    for (int k = 0; k < encodedKinds(fs); ++k) {
        text += std::to_string(fs.lines[k]) + ' ';
    }
    return text;
}

void CRegistersetup::DecodeLineComments(const std::string& text, FileStructure& fs) {
    std::size_t pos = 0;
    for (int k = 0; k < encodedKinds(fs); ++k) {
        const std::size_t space = text.find(' ', pos);
        if (space == std::string::npos) {
            fs.lines[k] = 0;  // a last number without its space reads as 0
            continue;
        }
        fs.lines[k] =
            static_cast<std::uint16_t>(std::atoi(text.substr(pos, space + 1 - pos).c_str()));
        pos = space + 1;
    }
}

std::array<std::string, 4> CRegistersetup::DecodeServerList(const std::string& stored) {
    const std::string text = stored.empty() ? std::string(4, '\n') : stored;
    std::array<std::string, 4> entries;
    std::size_t pos = 0;
    for (auto& entry : entries) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string::npos || lf == pos) {
            break;  // once one entry is empty, all later ones are too
        }
        entry = text.substr(pos, lf - pos);
        pos = lf + 1;
    }
    return entries;
}

std::array<std::string, 4> CRegistersetup::ReadServerList() const {
    return DecodeServerList(store_.readString("client_IP_list", " "));
}

void CRegistersetup::AddServerAddress(const std::string& address) {
    const std::string stored = store_.readString("client_IP_list", " ");
    std::string updated;
    if (stored.empty()) {
        updated = address + std::string(4, '\n');
    } else if (stored.find(address) != std::string::npos) {
        return;
    } else {
        updated = address + '\n';
        int kept = 0;
        for (const auto& entry : DecodeServerList(stored)) {
            if (!entry.empty() && kept < 3) {
                updated += entry + '\n';
                ++kept;
            }
        }
    }
    store_.writeString("client_IP_list", updated);
    store_.flush();
}
