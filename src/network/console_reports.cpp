#include "network/console_reports.h"

#include <cstdio>
#include <vector>

namespace {

// printf into a string; the formats are the protocol's, in the classic locale.
template <class... Args>
void appendf(std::string& out, const char* format, Args... args) {
    const int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) {
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, args...);
    out.append(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace

const std::string& ConsoleHelpText() {
    static const std::string text =
        "Available commands :\r\n"
        "\n"
        "CLOSE : closes the connection.\r\n"
        "CHAT \"..\" : sends the text between quotation marks to remote KAVRO \r\n"
        "    ( up to 80 chrs )\r\n"
        "DATA : switches to data-mode connection. ( internal use )\r\n"
        "DELETE : clears spectrum data ( when local commands are overridden )\r\n"
        "GET_DATA : shows the current spectrum's data on the screen as a spectrum file.\r\n"
        "GET_SHUTTER : get the current shutter map.\r\n"
        "GET_REALTIME : get the next cycle's realtime spectrum.\r\n"
        "HELP : shows this help.\r\n"
        "STATUS : shows KAVRO status in human readable form.\r\n"
        "OBSERVE : starts signal observation. ( when local commands \r\n"
        "    are overridden ).\r\n"
        "OVERRIDE : toggles remote control mode.\r\n"
        "SAVE <name> : saves the current spectrum on file <name> in the \r\n"
        "    current work directory.\r\n"
        "SAVERAW <name> : saves the current spectrum (raw format) on file <name>\r\n"
        "    current work directory.\r\n"
        "SET SHOW_CURRENT : activates displaying of real-time spectrum \r\n"
        "    during acquisition ( when local commands are overridden ).\r\n"
        "SET256, SET512, SET1024  : switches to 256, 512 or 1024 channels.\r\n"
        "START nn : starts acquisition with nn cycles ( when local commands \r\n"
        "    are overridden).\r\n"
        "STOP : stops acquisition (when local commands are overridden).\r\n"
        "TEXT : switches to text-mode connection.( internal use )\r\n"
        "RESTORE : toggles local control mode.\r\n"
        "WDIR <name> : sets the subdirectory <name> as current working directory \r\n"
        "    for network operations.\r\n";
    return text;
}

std::string ConsoleStatusReport(const StationStatus& s) {
    std::string out = "\nKAVRO STATUS REPORT : ";
    const bool idle = !s.acquiring && !s.observing;
    if (idle) {
        out += "IDLE";
    } else if (s.observing) {
        out += "OBSERVING";
    } else if (s.runTarget == 0) {
        appendf(out, "ACQUIRING %ldth cycle out of <infinite>", static_cast<long>(s.runCycles));
    } else {
        appendf(out, "ACQUIRING %ldth cycle out of %ld", static_cast<long>(s.runCycles),
                static_cast<long>(s.runTarget));
    }
    if (!idle) {
        if (s.alt16) {
            out += "(alt16)";
        }
        if (s.x10) {
            out += "(x10)";
        }
    }
    if (s.fileName.empty()) {
        out += " on file <none>\n\r";
    } else {
        appendf(out, " on file %s\n\r", s.fileName.c_str());
    }
    out += "\nLOCAL SPECTRUM DATA :\r\n";
    appendf(out, "Sample name : %s\r\nNumber of channels : %d\r\n", s.sampleName.c_str(),
            static_cast<int>(s.channels));
    if (s.calibrated) {
        out += "CALIBRATED\r\n";
    }
    appendf(out, "Full span : %G GHz\r\n", s.scanAmplitude);
    appendf(out,
            "Polarization : %s\r\nLaser power : %G mW\r\nMirror spacing : %G mm\r\nCOMMENTS:\r\n",
            s.polarization.c_str(), s.beamPower, s.mirrorSpacing);
    appendf(out, "1) %s\r\n2) %s\r\nEND OF REPORT\r\n", s.extraComment1.c_str(),
            s.extraComment2.c_str());
    return out;
}
