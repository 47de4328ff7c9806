#include "simulator_options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "acquisition/frame_decoding.h"

namespace {

template <class T>
bool parseNumber(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool parseSeconds(const std::string& text, double& out) {
    if (!parseNumber(text, out)) {
        return false;
    }
    return std::isfinite(out) && out >= 0;
}

bool parseZones(const std::string& text, std::vector<std::pair<unsigned, unsigned>>& zones) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string zone = text.substr(start, comma - start);
        const std::size_t dash = zone.find('-');
        unsigned from = 0, to = 0;
        if (dash == std::string::npos || !parseNumber(zone.substr(0, dash), from) ||
            !parseNumber(zone.substr(dash + 1), to) || to < from) {
            return false;
        }
        zones.emplace_back(from, to);
        start = comma + 1;
    }
    return !zones.empty();
}

struct Option {
    const char* name;
    const char* argument;  // nullptr for a flag
    const char* help;
    std::function<bool(SimulatorOptions&, const std::string&)> apply;
};

const std::vector<Option>& options() {
    using O = SimulatorOptions;
    static const std::vector<Option> table = {
        {"--device", "PATH", "write to this device: a pty, a serial port or a file",
         [](O& o, const std::string& v) {
             o.device = v;
             return !v.empty();
         }},
        {"--pty", nullptr, "create a pseudo-terminal, print its port path and write to it",
         [](O& o, const std::string&) { return o.createPty = true; }},
        {"--channels", "N", "channels per sweep: 256, 512 or 1024 (1024)",
         [](O& o, const std::string& v) {
             return parseNumber(v, o.channels) && frame_format::isValidChannelCount(o.channels);
         }},
        {"--frames", "N", "sweeps to send, 0 for no end (0)",
         [](O& o, const std::string& v) { return parseNumber(v, o.frames); }},
        {"--time-scale", "S", "run S times faster than the instrument (1)",
         [](O& o, const std::string& v) {
             return parseNumber(v, o.timeScale) && std::isfinite(o.timeScale) && o.timeScale > 0;
         }},
        {"--seed", "N", "seed of the photon noise (1)",
         [](O& o, const std::string& v) { return parseNumber(v, o.seed); }},
        {"--pattern", "P",
         "spectrum (elastic line and Brillouin doublet with photon noise),\n"
         "                           flat (noise only) or ramp (exact counts: channel i of\n"
         "                           sweep k is (7k + i) mod 4096, channel 0 is k)",
         [](O& o, const std::string& v) {
             if (v == "spectrum") {
                 o.pattern = O::Pattern::Spectrum;
             } else if (v == "ramp") {
                 o.pattern = O::Pattern::Ramp;
             } else if (v == "flat") {
                 o.pattern = O::Pattern::Flat;
             } else {
                 return false;
             }
             return true;
         }},
        {"--stream", "S",
         "frames (the controller), ascii (text lines from another kind of\n"
         "                           device, never a 0xFF byte) or filler (0xFF only, no sweep)",
         [](O& o, const std::string& v) {
             if (v == "frames") {
                 o.stream = O::Stream::Frames;
             } else if (v == "ascii") {
                 o.stream = O::Stream::Ascii;
             } else if (v == "filler") {
                 o.stream = O::Stream::FillerOnly;
             } else {
                 return false;
             }
             return true;
         }},
        {"--intensity", "C", "mean counts per sweep at a Brillouin peak (20)",
         [](O& o, const std::string& v) {
             return parseNumber(v, o.intensity) && o.intensity >= 0 && o.intensity <= 4095;
         }},
        {"--lead-in", "SEC", "filler only for this long before the first sweep (0)",
         [](O& o, const std::string& v) { return parseSeconds(v, o.leadIn); }},
        {"--alignment", nullptr, "alignment mode: FP1 dips at full reflection",
         [](O& o, const std::string&) { return o.alignment = true; }},
        {"--nonlinearity", "X", "alignment dips drift apart by this fraction across the scan",
         [](O& o, const std::string& v) {
             return parseNumber(v, o.nonlinearity) && std::fabs(o.nonlinearity) < 0.5;
         }},
        {"--x10", nullptr, "slow sweeps, ten times the normal 0.512 s",
         [](O& o, const std::string&) { return o.x10 = true; }},
        {"--alt16", nullptr, "long gaps (2 s) between sweeps",
         [](O& o, const std::string&) { return o.alt16 = true; }},
        {"--shutter", "ZONES", "shutter closed over channel ranges, e.g. 480-544,90-110",
         [](O& o, const std::string& v) { return parseZones(v, o.shutterZones); }},
        {"--shutter-lag", "MS", "the shutter follows its bit this many ms later (0)",
         [](O& o, const std::string& v) { return parseSeconds(v, o.shutterLagMs); }},
        {"--switch-channels", "N@K", "switch to N channels after K sweeps",
         [](O& o, const std::string& v) {
             const std::size_t at = v.find('@');
             return at != std::string::npos && parseNumber(v.substr(0, at), o.switchChannels) &&
                    frame_format::isValidChannelCount(o.switchChannels) &&
                    parseNumber(v.substr(at + 1), o.switchAfter);
         }},
        {"--short-every", "K", "every K-th sweep ends early (rejected by the station)",
         [](O& o, const std::string& v) { return parseNumber(v, o.shortEvery) && o.shortEvery; }},
        {"--long-every", "K", "every K-th sweep runs past its end (rejected)",
         [](O& o, const std::string& v) { return parseNumber(v, o.longEvery) && o.longEvery; }},
        {"--garbage-every", "K", "random bytes before every K-th sweep",
         [](O& o, const std::string& v) {
             return parseNumber(v, o.garbageEvery) && o.garbageEvery;
         }},
        {"--silence-after", "K[:SEC]", "once, after K sweeps, send nothing for SEC seconds (4)",
         [](O& o, const std::string& v) {
             const std::size_t colon = v.find(':');
             if (colon != std::string::npos &&
                 !parseSeconds(v.substr(colon + 1), o.silenceSeconds)) {
                 return false;
             }
             return parseNumber(v.substr(0, colon), o.silenceAfter) && o.silenceAfter;
         }},
    };
    return table;
}

}  // namespace

std::optional<SimulatorOptions> parseSimulatorOptions(const std::vector<std::string>& args,
                                                      std::string* error) {
    SimulatorOptions result;
    auto fail = [&](std::string why) -> std::optional<SimulatorOptions> {
        if (error) {
            *error = std::move(why);
        }
        return std::nullopt;
    };
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string name = args[k];
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--help" || name == "-h") {
            return fail("");
        }
        const Option* option = nullptr;
        for (const Option& o : options()) {
            if (name == o.name) {
                option = &o;
            }
        }
        if (!option) {
            return fail("unknown option " + name);
        }
        if (option->argument && !value) {
            if (k + 1 >= args.size()) {
                return fail(name + " needs " + option->argument);
            }
            value = args[++k];
        }
        if (!option->argument && value) {
            return fail(name + " takes no value");
        }
        if (!option->apply(result, value.value_or(""))) {
            return fail("bad value for " + name + ": " + value.value_or(""));
        }
    }
    return result;
}

std::vector<std::string> splitOptionString(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::string simulatorHelp() {
    std::string text =
        "Usage: kavro-scanctl-sim (--device PATH | --pty) [options]\n"
        "Simulated scan controller: writes sweeps of photon counts in the controller's wire\n"
        "format at 57600 baud pace (0.512 s sweep, 0.128 s filler).\n\n";
    for (const Option& o : options()) {
        std::string left = o.name;
        if (o.argument) {
            left += std::string(" ") + o.argument;
        }
        char line[512];
        std::snprintf(line, sizeof line, "  %-24s %s\n", left.c_str(), o.help);
        text += line;
    }
    text += "  --help                   show this text\n";
    return text;
}
