#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "network/console_interpreter.h"
#include "network/console_line.h"

class QTcpSocket;

// What the server asks of its owner window besides the command language.
class ConsoleServerOwner : public ConsoleStation {
public:
    struct Access {
        std::array<std::uint16_t, 4> masks{255, 255, 255, 255};  // ip1 … ip4
        bool allowOverride = true;
        std::string baseDirectory;
    };
    virtual Access serverAccess() const = 0;
    // A console ended; a console that held control has already been told apart by hadControl.
    // closeCommand: it ended with CLOSE rather than by the peer or the server.
    virtual void consoleEnded(const ConsoleSession& console, bool hadControl,
                              bool closeCommand) = 0;
};

// One accepted connection: its session, its own line assembly, and the greeting pause.
class CAsyncConsoleObject final : public QObject {
    Q_OBJECT
public:
    // Replies beyond this much unsent output are dropped whole, like a send that fails.
    static constexpr qint64 kMaxPendingOutput = 1 << 20;
    static constexpr int kGreetingPauseMs = 250;
    static constexpr qint64 kDrainPiece = 250;
    static constexpr qint64 kReadPiece = 511;

    CAsyncConsoleObject(QTcpSocket* socket, int slot, QObject* parent);
    ~CAsyncConsoleObject() override;

    ConsoleSession session;
    bool greeted() const { return greeted_; }
    bool ended() const { return ended_; }

    // False when the bytes were dropped for want of room.
    bool send(std::string_view bytes);
    qint64 pendingOutput() const;
    // Sends the last bytes and closes the connection once they are on their way; the console
    // hears nothing more from its peer.
    void closeAfter(std::string_view lastBytes);

    // Waits 250 ms, then drops what the peer sent meanwhile and emits greetingDue.
    void startGreetingPause();
    // The next complete line, reading a piece at a time; nullopt when none is complete.
    std::optional<std::string> takeLine();

    bool handling = false;  // its lines are being run (a message box may re-enter the loop)

Q_SIGNALS:
    void greetingDue(CAsyncConsoleObject* console);
    void readable(CAsyncConsoleObject* console);
    void peerClosed(CAsyncConsoleObject* console);

private:
    void drain();

    QTcpSocket* socket_;
    LineAssembler lines_;
    QTimer greetingTimer_;
    bool greeted_ = false;
    bool ended_ = false;
};

// The listening server of the console interface and its table of five consoles.
class Serversocket final : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint16_t kDefaultPort = 4000;
    static constexpr int kBacklog = 5;
    static constexpr int kConsoleLimit = 5;
    static constexpr int kAddressInUse = 10048;  // the code stations report for a busy port

    explicit Serversocket(ConsoleServerOwner& owner, QObject* parent = nullptr);
    ~Serversocket() override;

    // 0 when listening; kAddressInUse or another error code when not.
    int Start(std::uint16_t port);
    // Tells every console goodbye and stops listening.
    void Stop();
    bool running() const { return server_.isListening(); }
    std::uint16_t port() const { return server_.serverPort(); }

    std::uint16_t consoleCount() const { return consoleCount_; }
    // The console in a slot, or null when the slot is empty.
    CAsyncConsoleObject* console(int slot) const;
    // Sends to a connected console; false when there is none or the reply was dropped.
    bool sendTo(int slot, std::string_view bytes);

private:
    void onNewConnection();
    void acceptInto(QTcpSocket* socket);
    void greet(CAsyncConsoleObject* console);
    void handleLines(CAsyncConsoleObject* console);
    void onPeerClosed(CAsyncConsoleObject* console);
    // Empties the slot and destroys the console once its signals have returned.
    void endConsole(CAsyncConsoleObject* console, bool closeCommand);

    ConsoleServerOwner& owner_;
    QTcpServer server_;
    std::array<CAsyncConsoleObject*, kConsoleLimit> slots_{};
    std::uint16_t consoleCount_ = 0;
};
