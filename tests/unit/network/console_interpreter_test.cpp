#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "network/console_interpreter.h"

namespace {

using namespace std::string_literals;
const std::string kPrompt("KAVRO> \0", 8);

// Directories as a set of paths with '\' separators, like the older stations' drives.
class FakeDirectories final : public WorkingDirectories {
public:
    Entered enter(const std::string& from, const std::string& path) override {
        std::string target = path;
        if (path == "..") {
            const auto cut = from.rfind('\\');
            target = cut == std::string::npos ? from : from.substr(0, cut);
        } else if (!isAbsolute(path)) {
            target = from + "\\" + path;
        }
        if (denied.count(target)) {
            return {Change::OtherError, {}};
        }
        if (!existing.count(target)) {
            return {Change::NoSuchDirectory, {}};
        }
        return {Change::Done, target};
    }
    bool isAbsolute(const std::string& path) const override {
        return path.find(':') != std::string::npos;
    }
    bool isDirectory(const std::string& path) override { return existing.count(path) != 0; }

    std::set<std::string> existing{"D:",       "D:\\data",      "D:\\data\\run1",
                                   "D:\\base", "D:\\base\\sub", "D:\\locked"};
    std::set<std::string> denied{"D:\\data\\run1\\locked"};
};

class FakeStation final : public ConsoleStation {
public:
    StationStatus status() const override { return st; }
    bool hasInstrumentLink() const override { return link; }
    ArbiterAnswer arbitrateControl(int slot) override {
        if (owner < 0) {
            owner = slot;
            return ArbiterAnswer::Granted;
        }
        if (owner == slot) {
            owner = -1;
            return ArbiterAnswer::Released;
        }
        return ArbiterAnswer::HeldByAnother;
    }
    void setCycleField(std::int32_t c) override { cycleField = c; }
    void startOrStopAcquisition() override { calls.push_back("acquisition"); }
    void startOrStopObservation() override { calls.push_back("observation"); }
    void deleteSpectrum() override { calls.push_back("delete"); }
    bool toggleShowCurrent() override { return showCurrent = !showCurrent; }
    void setChannels(std::uint16_t n) override { st.channels = n; }
    std::string spectrumText() override { return "SPECTRUM\r\n"; }
    bool saveSpectrum(const std::string& dir, const std::string& name, bool raw) override {
        saved.push_back(dir + "|" + name + (raw ? "|raw" : ""));
        return name != "unwritable";
    }
    DataRecordBytes dataRecord() override { return {}; }
    void requestRealtime(int slot) override { calls.push_back("realtime " + std::to_string(slot)); }
    void requestShutterMap(int slot) override {
        calls.push_back("shutter " + std::to_string(slot));
    }
    void chatReceived(const ConsoleSession& c) override { chats.push_back(c.chatText); }
    std::string baseDirectory() const override { return "D:\\base"; }
    WorkingDirectories& directories() override { return dirs; }

    StationStatus st;
    bool link = false;
    int owner = -1;
    std::int32_t cycleField = -99;
    bool showCurrent = false;
    std::vector<std::string> calls, saved, chats;
    FakeDirectories dirs;
};

struct Console {
    ConsoleSession session;
    FakeStation station;
    Console() {
        session.slot = 2;
        session.connected = true;
        session.controlAllowed = true;
        session.workingDirectory = "D:\\base";
    }
    std::string say(const std::string& line) {
        return InterpretConsoleLine(line, session, station).bytes;
    }
};

TEST(ConsoleInterpreter, WdirMovesWithinDirectories) {
    Console c;
    struct Step {
        std::string line;
        std::string reply;
        std::string workingDirectory;
    };
    const Step steps[] = {
        {"WDIR\r\n", "Working directory now D:\\base\r\n", "D:\\base"},
        {"wdir D:\\data\\run1\r\n", "Working directory now D:\\data\\run1\r\n", "D:\\data\\run1"},
        {"WDIR ..\r\n", "Working directory now D:\\data\r\n", "D:\\data"},
        {"WDIR run1  \r\n", "Working directory now D:\\data\\run1\r\n", "D:\\data\\run1"},
        {"WDIR nothere\r\n",
         "Error : malformed directory name, or nonexisting directory.\r\n"
         "Working directory now D:\\data\\run1\r\n",
         "D:\\data\\run1"},
        {"WDIR locked\r\n",
         "Error while trying to change working directory.\r\nWorking directory now "
         "D:\\data\\run1\r\n",
         "D:\\data\\run1"},
        // Relative to the console's own directory, kept absolute.
        {"WDIR D:\\base\r\n", "Working directory now D:\\base\r\n", "D:\\base"},
        {"WDIR sub\r\n", "Working directory now D:\\base\\sub\r\n", "D:\\base\\sub"},
        {"wdir:x\r\n", "", "D:\\base\\sub"},  // no blank: nothing
    };
    for (const auto& s : steps) {
        EXPECT_EQ(c.say(s.line), s.reply + kPrompt) << s.line;
        EXPECT_EQ(c.session.workingDirectory, s.workingDirectory) << s.line;
    }
}

TEST(ConsoleInterpreter, SaveNeedsControlAndStaysInWorkingDirectory) {
    Console c;
    c.session.workingDirectory = "D:\\data";
    EXPECT_EQ(c.say("save a.dat\r\n"),
              "You don't have remote control. Save not allowed.\r\n" + kPrompt);
    EXPECT_EQ(c.say("override\r\n"),
              "Local commands overridden. Control is yours now.\r\n" + kPrompt);
    EXPECT_EQ(c.say("save a.dat\r\n"), kPrompt);
    EXPECT_EQ(c.say("SAVERAW b.txt\r\n"), kPrompt);
    EXPECT_EQ(c.say("SAVE unwritable\r\n"), "Error while writing file!\r\n" + kPrompt);
    EXPECT_EQ(c.say("SAVERAW\r\n"), "Error while writing file!\r\n" + kPrompt);  // no name
    EXPECT_EQ(c.station.saved, (std::vector<std::string>{"D:\\data|a.dat", "D:\\data|b.txt|raw",
                                                         "D:\\data|unwritable"}));
    c.session.workingDirectory = "D:\\gone";
    EXPECT_EQ(c.say("save x\r\n"), "Error: cannot open working directory !\r\n" + kPrompt);
}

TEST(ConsoleInterpreter, ControlAndRunCommands) {
    Console c;
    c.station.link = true;
    EXPECT_EQ(c.say("START 20\r\n"),
              "Acquisition cannot be started - you don't have remote control!\r\n" + kPrompt);
    EXPECT_EQ(c.station.cycleField, 20);
    EXPECT_EQ(c.say("restore\r\n"), "Commands are not overridden. Can't restore!\r\n" + kPrompt);
    EXPECT_EQ(c.say("stop\r\n"), "Acquisition cannot be stopped - KAVRO is idle.\r\n" + kPrompt);
    c.station.owner = 4;
    EXPECT_EQ(c.say("OVERRIDE\r\n"),
              "Can't override : another user has already taken control.\r\n" + kPrompt);
    c.station.owner = -1;
    c.say("OVERRIDE\r\n");
    EXPECT_EQ(c.say("override\r\n"), "You have alredy taken control!\r\n" + kPrompt);
    EXPECT_EQ(c.say("start\r\n"), kPrompt);
    EXPECT_EQ(c.station.cycleField, 0);
    EXPECT_EQ(c.say("start x\r\n"), kPrompt);  // no number: the field stays
    EXPECT_EQ(c.station.cycleField, 0);
    c.station.st.acquiring = true;
    EXPECT_EQ(c.say("start 5\r\n"),
              "Acquisition cannot be started - KAVRO is already active.\r\n" + kPrompt);
    EXPECT_EQ(c.say("OBSERVE\r\n"),
              "Observe mode cannot be started - KAVRO is already active.\r\n" + kPrompt);
    EXPECT_EQ(c.say("SET256\r\n"),
              "Acquisition/observation is to be stopped before changing the number of channels "
              "!\r\n" +
                  kPrompt);
    EXPECT_EQ(
        c.say("DELETE\r\n"),
        "Deletion is impossibile now. KAVRO is acquiring or observing the signal!\r\n" + kPrompt);
    EXPECT_EQ(c.say("STOP\r\n"), kPrompt);
    c.station.st.acquiring = false;
    EXPECT_EQ(c.say("observe\r\n"), "Starting observe mode.\r\n" + kPrompt);
    EXPECT_EQ(c.say("delete\r\n"), kPrompt);
    EXPECT_EQ(c.say("get_realtime\r\n"), kPrompt);
    EXPECT_EQ(c.say("get_shutter\r\n"), kPrompt);
    EXPECT_EQ(c.station.calls,
              (std::vector<std::string>{"acquisition", "acquisition", "acquisition", "observation",
                                        "delete", "realtime 2", "shutter 2"}));
    EXPECT_EQ(c.say("set show_current\r\n"),
              "Real-time spectrum will be shown during acquisition.\r\n" + kPrompt);
    EXPECT_EQ(c.say("set show_current\r\n"),
              "Real-time spectrum will not  be shown during acquisition.\r\n" + kPrompt);
    EXPECT_EQ(c.say("RESTORE\r\n"), "Local commands restored.\r\n" + kPrompt);
    EXPECT_FALSE(c.session.hasControl);
    c.session.controlAllowed = false;
    EXPECT_EQ(c.say("override\r\n"), "Can't override : operation not allowed.\r\n" + kPrompt);
}

TEST(ConsoleInterpreter, RefusalsWithoutControl) {
    Console c;
    EXPECT_EQ(c.say("observe\r\n"),
              "Observe mode cannot be started - You have not remote control!\r\n" + kPrompt);
    EXPECT_EQ(c.say("delete\r\n"),
              "This command is available only when commands are overridden\r\n" + kPrompt);
    EXPECT_EQ(c.say("SET SHOW_CURRENT\r\n"),
              "Operation not allowed: you have not remote control.\r\n" + kPrompt);
    const std::string noLink =
        "No connection to the instrument. Start acquisition or observation at least once.\r\n";
    EXPECT_EQ(c.say("GET_REALTIME\r\n"), noLink + kPrompt);
    EXPECT_EQ(c.say("GET_SHUTTER\r\n"), noLink + kPrompt);
    EXPECT_TRUE(c.station.calls.empty());
}

TEST(ConsoleInterpreter, DataModeSendsNoPromptAndKeepsItsReplies) {
    Console c;
    EXPECT_EQ(c.say("DATA\r\n"), "Switching to data mode connection.\r\n");
    EXPECT_TRUE(c.session.dataMode);
    EXPECT_EQ(c.say("help\r\n"), "");
    EXPECT_EQ(c.say("chat\r\n"), "");
    EXPECT_EQ(c.say("wdir\r\n"), "");
    EXPECT_EQ(c.say("override\r\n"), "Local commands overridden. Control is yours now.\r\n");
    EXPECT_EQ(c.say("set show_current\r\n"), "");
    EXPECT_TRUE(c.station.showCurrent);
    const ConsoleReply record = InterpretConsoleLine("s\r\n", c.session, c.station);
    EXPECT_EQ(record.bytes.size(), 12575u);
    EXPECT_EQ(record.bytes.substr(0, 15), "KAVRODATABEGIN\0"s);
    EXPECT_EQ(c.say("TEXT\r\n"), "Console set to text mode.\r\n" + kPrompt);
    EXPECT_FALSE(c.session.dataMode);
}

TEST(ConsoleInterpreter, ChatAndClose) {
    Console c;
    EXPECT_EQ(c.say("CHAT\r\n"), "A message was expected after the CHAT command..\r\n" + kPrompt);
    EXPECT_EQ(c.say("chat hello\r\n"), kPrompt);
    EXPECT_EQ(c.say("CHAT \"hello\"\r\n"), kPrompt);
    EXPECT_EQ(c.session.chatText, "hello");
    EXPECT_EQ(c.station.chats, (std::vector<std::string>{"hello"}));
    EXPECT_EQ(c.say("Get_Data\r\n"), "SPECTRUM\r\n" + kPrompt);
    EXPECT_EQ(c.say("bogus\r\n"), "\n\rCommand not available\r\n" + kPrompt);
    const ConsoleReply bye = InterpretConsoleLine("CLOSE\r\n", c.session, c.station);
    EXPECT_EQ(bye.bytes, "Closing connection..Bye !\r\n");
    EXPECT_TRUE(bye.closeConnection);
}

}  // namespace
