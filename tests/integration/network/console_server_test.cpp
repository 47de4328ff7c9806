#include <gtest/gtest.h>

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "console_peer.h"
#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "platform/messages.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"
#include "window/acquisition/run_control.h"
#include "window/network/console_host.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"
#include "window_state_edit.h"

namespace {

using namespace std::string_literals;

int argc = 1;
char arg0[] = "console_server_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

const std::string kPrompt = "KAVRO> \0"s;

const std::string kHelp =
    "Available commands :\r\n\nCLOSE : closes the connection.\r\nCHAT \"..\" : sends the text "
    "between quotation marks to remote KAVRO \r\n    ( up to 80 chrs )\r\nDATA : switches to "
    "data-mode connection. ( internal use )\r\nDELETE : clears spectrum data ( when local "
    "commands are overridden )\r\nGET_DATA : shows the current spectrum's data on the screen as "
    "a spectrum file.\r\nGET_SHUTTER : get the current shutter map.\r\nGET_REALTIME : get the "
    "next cycle's realtime spectrum.\r\nHELP : shows this help.\r\nSTATUS : shows KAVRO status "
    "in human readable form.\r\nOBSERVE : starts signal observation. ( when local commands \r\n"
    "    are overridden ).\r\nOVERRIDE : toggles remote control mode.\r\nSAVE <name> : saves "
    "the current spectrum on file <name> in the \r\n    current work directory.\r\nSAVERAW "
    "<name> : saves the current spectrum (raw format) on file <name>\r\n    current work "
    "directory.\r\nSET SHOW_CURRENT : activates displaying of real-time spectrum \r\n    during "
    "acquisition ( when local commands are overridden ).\r\nSET256, SET512, SET1024  : switches "
    "to 256, 512 or 1024 channels.\r\nSTART nn : starts acquisition with nn cycles ( when local "
    "commands \r\n    are overridden).\r\nSTOP : stops acquisition (when local commands are "
    "overridden).\r\nTEXT : switches to text-mode connection.( internal use )\r\nRESTORE : "
    "toggles local control mode.\r\nWDIR <name> : sets the subdirectory <name> as current "
    "working directory \r\n    for network operations.\r\n";

// A station whose window runs the console server on a free loopback port, optionally with the
// simulated scan controller on a pty as its serial line.
struct Station {
    explicit Station(const std::string& simulator = {}) {
        app();
        base = QDir(temp.path()).canonicalPath().toStdString();
        if (!simulator.empty()) {
            std::string error;
            sim = startSimulatorOnPty(simulator, &error);
            EXPECT_TRUE(sim) << error;
        }
        setup = std::make_unique<CRegistersetup>(
            store, ProgramDirectories{base, base + "/backup", "Kavro ver. 1.2"});
        setup->SetFailsafeDefaults();
        setup->values().enable_network = 1;
        WindowContext context;
        context.consolePort = 0;
        context.portOverride = sim ? sim->devicePath() : std::string();
        window = std::make_unique<CSpectrumwnd>(*setup, prompter, dialogs, view, context);
        window->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        view.setControlText(ctl::kCycles, "0");
        view.setControlText(ctl::kMirrorSpacing, "6");
        QDir::setCurrent(QString::fromStdString(base));
    }
    ~Station() {
        window.reset();
        QCoreApplication::sendPostedEvents();
    }
    ConsoleHost& host() { return window->consoleHost(); }
    Serversocket& server() { return host().server(); }
    quint16 port() { return host().listeningPort(); }
    bool start() { return host().StartServer(); }
    std::unique_ptr<ConsolePeer> greetedPeer() {
        auto peer = std::make_unique<ConsolePeer>(port());
        EXPECT_TRUE(peer->greeted());
        return peer;
    }

    QTemporaryDir temp;
    std::string base;
    std::unique_ptr<SimulatorOnPty> sim;
    MemoryProfileStore store;
    std::unique_ptr<CRegistersetup> setup;
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> window;
};

TEST(ConsoleServer, GreetingAfterThePauseAndEarlyTextDropped) {
    Station st;
    ASSERT_TRUE(st.start());
    EXPECT_TRUE(st.window->state().serverRunning());
    ConsolePeer peer(st.port());
    peer.send("help\r\nstatus\r\n");  // before the greeting: never interpreted
    pumpFor(100);
    EXPECT_EQ(peer.received, "");
    ASSERT_TRUE(peer.greeted());
    pumpFor(100);
    EXPECT_EQ(peer.received, "");
    EXPECT_EQ(peer.ask("\r\n", kPrompt.size()), kPrompt);
}

TEST(ConsoleServer, SixthConnectionRefusedWithItsExactBytes) {
    Station st;
    ASSERT_TRUE(st.start());
    std::vector<std::unique_ptr<ConsolePeer>> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back(std::make_unique<ConsolePeer>(st.port()));
    }
    ASSERT_TRUE(pumpUntil([&] { return st.server().consoleCount() == 5; }));
    ConsolePeer sixth(st.port());
    EXPECT_TRUE(sixth.closedByServer());
    EXPECT_EQ(sixth.received,
              "KAVRO network console interface\r\nYour connection attempt can't be accepted :\r\n "
              "too many clients already connected\r\n");
    EXPECT_EQ(st.server().consoleCount(), 5);
    for (auto& p : five) {
        EXPECT_TRUE(p->greeted());
    }
}

TEST(ConsoleServer, RefusedAddressLeavesNoSlotUsed) {
    Station st;
    st.setup->values().ip = {128, 255, 255, 255};  // 127 AND 128 = 0
    ASSERT_TRUE(st.start());
    ConsolePeer refused(st.port());
    EXPECT_TRUE(refused.closedByServer());
    EXPECT_EQ(refused.received, "You are not allowed to connect. Go Away!\r\n");
    EXPECT_EQ(st.server().consoleCount(), 0);
    st.setup->values().ip = {255, 255, 255, 255};
    std::vector<std::unique_ptr<ConsolePeer>> five;
    for (int i = 0; i < 5; ++i) {
        five.push_back(st.greetedPeer());
    }
    EXPECT_EQ(st.server().consoleCount(), 5);
}

TEST(ConsoleServer, SlotsReusedLowestFirst) {
    Station st;
    ASSERT_TRUE(st.start());
    auto a = st.greetedPeer();
    auto b = st.greetedPeer();
    auto c = st.greetedPeer();
    ASSERT_NE(st.server().console(1), nullptr);
    EXPECT_EQ(st.server().console(1)->session.peerPort, b->localPort());
    b->socket.disconnectFromHost();
    ASSERT_TRUE(pumpUntil([&] { return st.server().console(1) == nullptr; }));
    EXPECT_EQ(st.server().consoleCount(), 2);
    auto d = st.greetedPeer();
    ASSERT_NE(st.server().console(1), nullptr);
    EXPECT_EQ(st.server().console(1)->session.peerPort, d->localPort());
    EXPECT_EQ(st.server().console(3), nullptr);
}

TEST(ConsoleServer, HelpInAnyCaseAndPrefixCommandsOnlyInTwoSpellings) {
    Station st;
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    for (const char* line : {"HELP\r\n", "help\r\n", "Help\r\n"}) {
        EXPECT_EQ(peer->ask(line, kHelp.size() + kPrompt.size()), kHelp + kPrompt) << line;
    }
    const std::string notAvailable = "\n\rCommand not available\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("Start 10\r\n", notAvailable.size()), notAvailable);
    EXPECT_EQ(st.window->state().cycleField(), 0u);
}

TEST(ConsoleServer, StatusAndHelpInOneRead) {
    Station st;
    ASSERT_TRUE(st.start());
    st.window->state().saved({});
    editSpectrum(st.window->state(), [](CKavroSpectrum& s) {
        s.sampleName = "quartz";
        s.polarization = "VH";
        s.beamPower = 2.5;
        s.mirrorSpacing = 6;
        s.setExtraComment1("first");
    });
    st.window->state().calibrationApplied(50);
    auto peer = st.greetedPeer();
    const std::string status =
        "\nKAVRO STATUS REPORT : IDLE on file <none>\n\r\nLOCAL SPECTRUM DATA :\r\nSample name : "
        "quartz\r\nNumber of channels : 1024\r\nCALIBRATED\r\nFull span : 50 GHz\r\n"
        "Polarization : VH\r\nLaser power : 2.5 mW\r\nMirror spacing : 6 mm\r\nCOMMENTS:\r\n"
        "1) first\r\n2) \r\nEND OF REPORT\r\n";
    const std::string expected = status + kPrompt + kHelp + kPrompt;
    EXPECT_EQ(peer->ask("STATUS\r\nHELP\r\n", expected.size()), expected);
}

TEST(ConsoleServer, HalfLinesStayWithTheirConsole) {
    Station st;
    ASSERT_TRUE(st.start());
    auto a = st.greetedPeer();
    auto b = st.greetedPeer();
    a->send("STA");
    pumpFor(50);
    const std::string notAvailable = "\n\rCommand not available\r\n" + kPrompt;
    EXPECT_EQ(b->ask("TUS\r\n", notAvailable.size()), notAvailable);
    EXPECT_EQ(a->ask("TUS\r\n", 200, 50).substr(0, 22), "\nKAVRO STATUS REPORT :");
}

TEST(ConsoleServer, StartWithoutControlStillSetsTheCycleField) {
    Station st;
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    const std::string refused =
        "Acquisition cannot be started - you don't have remote control!\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("START 20\r\n", refused.size()), refused);
    EXPECT_EQ(st.window->state().cycleField(), 20u);
    EXPECT_EQ(st.view.controlText(ctl::kCycles), "20");
    EXPECT_FALSE(st.window->state().acquiring());
}

TEST(ConsoleServer, DataModeIsSilentAndSendsTheRecord) {
    Station st;
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    const std::string switching = "Switching to data mode connection.\r\n";
    EXPECT_EQ(peer->ask("data\r\n", switching.size()), switching);
    EXPECT_EQ(peer->ask("help\r\n", 0, 150), "");
    const std::string record = peer->ask("s\r\n", 12575, 150);
    ASSERT_EQ(record.size(), 12575u);
    EXPECT_EQ(record.substr(0, 15), "KAVRODATABEGIN\0"s);
    EXPECT_EQ(record[15 + 4], '\x00');  // 1024 channels
    EXPECT_EQ(record[15 + 5], '\x04');
    EXPECT_EQ(record[15 + 12556], '\x01');
    const std::string text = "Console set to text mode.\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("TEXT\r\n", text.size()), text);
}

TEST(ConsoleServer, SetChannelsWhileIdle) {
    Station st;
    ASSERT_TRUE(st.start());
    st.window->state().saved();
    auto peer = st.greetedPeer();
    const std::string set = "Number of channels set to 512.\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("SET512\r\n", set.size()), set);
    EXPECT_EQ(st.window->state().spectrum().channels, 512);
    EXPECT_EQ(st.window->state().spectrum().counts.size(), 512u);
    EXPECT_TRUE(st.window->state().modified());
    EXPECT_EQ(st.view.controlText(ctl::kChannelsLabel), "Channels :   512");
}

TEST(ConsoleServer, WorkingDirectoryUpToTheParent) {
    Station st;
    ASSERT_TRUE(st.start());
    ASSERT_TRUE(QDir(QString::fromStdString(st.base)).mkpath("data/run1"));
    auto peer = st.greetedPeer();
    const std::string run1 = st.base + "/data/run1";
    std::string expected = "Working directory now " + run1 + "\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("WDIR " + run1 + "\r\n", expected.size()), expected);
    expected = "Working directory now " + st.base + "/data\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("WDIR ..\r\n", expected.size()), expected);
    EXPECT_EQ(QDir::currentPath().toStdString(), st.base);
    expected =
        "Error : malformed directory name, or nonexisting directory.\r\nWorking directory "
        "now " +
        st.base + "/data\r\n" + kPrompt;
    EXPECT_EQ(peer->ask("WDIR nothere\r\n", expected.size()), expected);
}

TEST(ConsoleServer, SaveWritesIntoTheWorkingDirectory) {
    Station st;
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    const std::string granted = "Local commands overridden. Control is yours now.\r\n" + kPrompt;
    ASSERT_EQ(peer->ask("override\r\n", granted.size()), granted);
    st.window->state().markModified();
    EXPECT_EQ(peer->ask("SAVERAW run.txt\r\n", kPrompt.size()), kPrompt);
    QFile raw(QString::fromStdString(st.base + "/run.txt"));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.readAll().count("\r\n"), 1024);
    EXPECT_FALSE(st.window->state().modified());
    EXPECT_EQ(st.window->state().fileName(), "run.txt");
    EXPECT_EQ(st.window->state().filePath(), st.base + "/run.txt");
}

TEST(ConsoleServer, ControlReleasedWhenItsConsoleCloses) {
    Station st;
    ASSERT_TRUE(st.start());
    auto a = st.greetedPeer();
    auto b = st.greetedPeer();
    const std::string granted = "Local commands overridden. Control is yours now.\r\n" + kPrompt;
    const std::string held =
        "Can't override : another user has already taken control.\r\n" + kPrompt;
    EXPECT_EQ(a->ask("OVERRIDE\r\n", granted.size()), granted);
    EXPECT_TRUE(st.window->state().remoteControlled());
    EXPECT_FALSE(st.view.isEnabled(ctl::kAcquisition));
    EXPECT_EQ(b->ask("override\r\n", held.size()), held);
    a->socket.disconnectFromHost();
    ASSERT_TRUE(pumpUntil([&] { return !st.window->state().remoteControlled(); }));
    EXPECT_TRUE(st.view.isEnabled(ctl::kAcquisition));
    EXPECT_EQ(b->ask("override\r\n", granted.size()), granted);
    const std::string bye = "Closing connection..Bye !\r\n";
    EXPECT_EQ(b->ask("close\r\n", bye.size()), bye);
    EXPECT_TRUE(b->closedByServer());
    EXPECT_FALSE(st.window->state().remoteControlled());
    EXPECT_EQ(st.server().consoleCount(), 0);
}

TEST(ConsoleServer, StopTellsEveryConsoleGoodbye) {
    Station st;
    EXPECT_EQ(st.window->menuState(cmd::kNetworkServer).text, "Start network server");
    ASSERT_TRUE(st.start());
    const MenuItemState running = st.window->menuState(cmd::kNetworkServer);
    EXPECT_TRUE(running.enabled);
    EXPECT_EQ(running.text, "Stop network server");
    st.window->OnCommand(cmd::kNetworkServer);  // no console: no question
    EXPECT_FALSE(st.window->state().serverRunning());
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    st.prompter.expect(ConsoleHost::kUsersConnected, PromptAnswer::No);
    st.window->OnCommand(cmd::kNetworkServer);
    EXPECT_TRUE(st.window->state().serverRunning());
    st.prompter.expect(ConsoleHost::kUsersConnected, PromptAnswer::Yes);
    st.window->OnCommand(cmd::kNetworkServer);
    EXPECT_FALSE(st.window->state().serverRunning());
    EXPECT_TRUE(peer->closedByServer());
    EXPECT_EQ(peer->received, "\n\rServer has been shut down. Bye !\n");
    EXPECT_EQ(peer->received.size(), 35u);
}

// Also when network support was switched off while the server ran: it still runs.
TEST(ConsoleServer, ExitAsksWhileUsersAreConnected) {
    for (const int networkAtExit : {1, 0}) {
        SCOPED_TRACE(networkAtExit);
        Station st;
        ASSERT_TRUE(st.start());
        auto peer = st.greetedPeer();
        st.window->state().saved();
        st.setup->values().enable_network = networkAtExit;
        st.prompter.expect(ConsoleHost::kUsersConnected, PromptAnswer::No);
        EXPECT_FALSE(st.window->Exit());
        EXPECT_TRUE(st.window->state().serverRunning());
        st.prompter.expect(ConsoleHost::kUsersConnected, PromptAnswer::Yes);
        EXPECT_TRUE(st.window->Exit());
        EXPECT_TRUE(peer->closedByServer());
        EXPECT_EQ(peer->received, "\n\rServer has been shut down. Bye !\n");
    }
}

TEST(ConsoleServer, PortInUseAndAutomaticStart) {
    app();
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::AnyIPv4, 0));
    Station st;
    st.host().setPort(squatter.serverPort());
    st.prompter.expect(
        "Could not open network server : the network port is already in use. Is there already "
        "another server active ?");
    st.window->OnCommand(cmd::kNetworkServer);
    EXPECT_FALSE(st.window->state().serverRunning());
    st.host().setPort(0);
    st.setup->values().enable_network = 0;  // the automatic start needs network support
    st.window->post(makeMessage(msg::WM_START_SERVER_AUTOMATICALLY));
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(st.window->state().serverRunning());
    st.setup->values().enable_network = 1;
    st.window->post(makeMessage(msg::WM_START_SERVER_AUTOMATICALLY));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(st.window->state().serverRunning());
}

TEST(ConsoleServer, FaultyPeersDoNotDisturbTheStation) {
    Station st;
    ASSERT_TRUE(st.start());
    auto watcher = st.greetedPeer();
    // Connections that come and go, most of them within the greeting pause.
    for (int i = 0; i < 1000; ++i) {
        ConsolePeer p(st.port());
        p.socket.abort();
        if (i % 50 == 0) {
            pumpFor(5);
        }
    }
    ASSERT_TRUE(pumpUntil([&] { return st.server().consoleCount() == 1; }, 10000));
    // A data-mode peer that leaves in the middle of its records.
    {
        auto leaving = st.greetedPeer();
        leaving->ask("data\r\n", 36);
        std::string many;
        for (int i = 0; i < 50; ++i) {
            many += "s\r\n";
        }
        leaving->send(many);
        leaving->waitBytes(5000);
        leaving->socket.abort();
    }
    // A terminal that never reads what it asked for.
    auto deaf = st.greetedPeer();
    deaf->socket.setReadBufferSize(1);
    QObject::disconnect(&deaf->socket, &QTcpSocket::readyRead, nullptr, nullptr);
    std::string flood;
    for (int i = 0; i < 2000; ++i) {
        flood += "help\r\n";
    }
    for (int i = 0; i < 10; ++i) {
        deaf->send(flood);
        pumpFor(20);
    }
    CAsyncConsoleObject* deafConsole = nullptr;
    for (int slot = 0; slot < Serversocket::kConsoleLimit; ++slot) {
        CAsyncConsoleObject* c = st.server().console(slot);
        if (c != nullptr && c->session.peerPort == deaf->localPort()) {
            deafConsole = c;
        }
    }
    ASSERT_NE(deafConsole, nullptr);
    EXPECT_LE(deafConsole->pendingOutput(), CAsyncConsoleObject::kMaxPendingOutput);
    EXPECT_GT(deafConsole->pendingOutput(), 0);
    const std::string notAvailable = "\n\rCommand not available\r\n" + kPrompt;
    EXPECT_EQ(watcher->ask("nothing\r\n", notAvailable.size()), notAvailable);
    EXPECT_EQ(st.server().consoleCount(), 2);
}

TEST(ConsoleServer, RealtimeRequestsToggleAndAreServedOnce) {
    Station st("--time-scale 16 --pattern ramp --channels 1024");
    ASSERT_TRUE(st.sim);
    ASSERT_TRUE(st.start());
    auto peer = st.greetedPeer();
    const std::string noLink =
        "No connection to the instrument. Start acquisition or observation at least once.\r\n" +
        kPrompt;
    EXPECT_EQ(peer->ask("GET_REALTIME\r\n", noLink.size()), noLink);
    const std::string granted = "Local commands overridden. Control is yours now.\r\n" + kPrompt;
    ASSERT_EQ(peer->ask("override\r\n", granted.size()), granted);
    const std::string observing = "Starting observe mode.\r\n" + kPrompt;
    ASSERT_EQ(peer->ask("observe\r\n", observing.size()), observing);
    ASSERT_TRUE(st.window->state().observing());
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != nullptr; }, 20000));

    // Asked twice before the next frame: withdrawn, nothing follows.
    peer->send("get_realtime\r\nget_realtime\r\n");
    ASSERT_TRUE(peer->waitBytes(2 * kPrompt.size()));
    auto frameNow = st.window->state().lastScan();
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != frameNow; }, 20000));
    frameNow = st.window->state().lastScan();
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != frameNow; }, 20000));
    EXPECT_EQ(peer->takeAll(), kPrompt + kPrompt);

    // Asked once: exactly one spectrum, the frame that completed next, then a prompt.
    peer->send("get_realtime\r\n");
    ASSERT_TRUE(peer->waitBytes(kPrompt.size()));
    EXPECT_EQ(peer->takeAll(), kPrompt);
    frameNow = st.window->state().lastScan();
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != frameNow; }, 20000));
    auto served = st.window->state().lastScan();
    std::string expected;
    served->scan.WriteToText(expected, st.setup->values().fileStructure);
    expected += kPrompt;
    ASSERT_TRUE(peer->waitBytes(expected.size()));
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != served; }, 20000));
    EXPECT_EQ(peer->takeAll(), expected);

    const std::string stopped = kPrompt;
    EXPECT_EQ(peer->ask("stop\r\n", stopped.size()), stopped);
    EXPECT_FALSE(st.window->state().observing());
}

}  // namespace
