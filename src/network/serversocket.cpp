#include "network/serversocket.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <cstdio>

#include "network/address_filter.h"
#include "network/console_texts.h"

namespace {

namespace text = console_text;

constexpr int kOrphanCloseMs = 10000;  // a peer that never reads its last bytes is cut off

// Lets a socket finish sending on its own and then deletes it.
void closeWhenSent(QTcpSocket* socket) {
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->setParent(nullptr);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kOrphanCloseMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->flush();
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
    }
}

std::string peerText(const QTcpSocket& socket) {
    bool isV4 = false;
    const quint32 v4 = socket.peerAddress().toIPv4Address(&isV4);
    const QHostAddress address = isV4 ? QHostAddress(v4) : socket.peerAddress();
    return address.toString().toStdString();
}

}  // namespace

CAsyncConsoleObject::CAsyncConsoleObject(QTcpSocket* socket, int slot, QObject* parent)
    : QObject(parent), socket_(socket) {
    socket_->setParent(this);
    session.slot = slot;
    session.connected = true;
    session.peerAddress = peerText(*socket_);
    session.peerPort = socket_->peerPort();
    greetingTimer_.setSingleShot(true);
    greetingTimer_.setInterval(kGreetingPauseMs);
    connect(&greetingTimer_, &QTimer::timeout, this, [this] {
        drain();
        greeted_ = true;
        connect(socket_, &QTcpSocket::readyRead, this, [this] { Q_EMIT readable(this); });
        Q_EMIT greetingDue(this);
    });
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (!ended_) {
            Q_EMIT peerClosed(this);
        }
    });
}

CAsyncConsoleObject::~CAsyncConsoleObject() = default;

bool CAsyncConsoleObject::send(std::string_view bytes) {
    if (ended_ || socket_->state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    if (socket_->bytesToWrite() + static_cast<qint64>(bytes.size()) > kMaxPendingOutput) {
        return false;
    }
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    return true;
}

qint64 CAsyncConsoleObject::pendingOutput() const {
    return socket_ ? socket_->bytesToWrite() : 0;
}

void CAsyncConsoleObject::closeAfter(std::string_view lastBytes) {
    if (ended_) {
        return;
    }
    send(lastBytes);
    ended_ = true;
    greetingTimer_.stop();
    QTcpSocket* socket = socket_;
    socket_ = nullptr;
    closeWhenSent(socket);
}

void CAsyncConsoleObject::startGreetingPause() {
    greetingTimer_.start();
}

void CAsyncConsoleObject::drain() {
    char piece[kDrainPiece];
    while (socket_->bytesAvailable() > 0) {
        if (socket_->read(piece, kDrainPiece) <= 0) {
            break;
        }
    }
}

std::optional<std::string> CAsyncConsoleObject::takeLine() {
    while (!ended_) {
        if (auto line = lines_.nextLine()) {
            return line;
        }
        char piece[kReadPiece];
        const qint64 n = socket_->read(piece, kReadPiece);
        if (n <= 0) {
            return std::nullopt;  // nothing waiting, or a failed receive: both end the handling
        }
        lines_.append(std::string_view(piece, static_cast<std::size_t>(n)));
    }
    return std::nullopt;
}

Serversocket::Serversocket(ConsoleServerOwner& owner, QObject* parent)
    : QObject(parent), owner_(owner) {
    server_.setMaxPendingConnections(kBacklog);
    connect(&server_, &QTcpServer::newConnection, this, &Serversocket::onNewConnection);
}

Serversocket::~Serversocket() {
    for (auto*& console : slots_) {
        delete console;
        console = nullptr;
    }
}

int Serversocket::Start(std::uint16_t port) {
    if (server_.isListening()) {
        return 0;
    }
    slots_.fill(nullptr);
    consoleCount_ = 0;
    if (server_.listen(QHostAddress::AnyIPv4, port)) {
        return 0;
    }
    const auto error = server_.serverError();
    return error == QAbstractSocket::AddressInUseError ? kAddressInUse : static_cast<int>(error);
}

void Serversocket::Stop() {
    server_.close();
    consoleCount_ = 0;
    for (int slot = 0; slot < kConsoleLimit; ++slot) {
        CAsyncConsoleObject* console = slots_[static_cast<std::size_t>(slot)];
        if (console == nullptr) {
            continue;
        }
        slots_[static_cast<std::size_t>(slot)] = nullptr;
        const bool hadControl = console->session.hasControl;
        console->closeAfter(text::kShutdown);
        const ConsoleSession ended = console->session;
        console->session = ConsoleSession{};
        owner_.consoleEnded(ended, hadControl, false);
        console->deleteLater();
    }
}

CAsyncConsoleObject* Serversocket::console(int slot) const {
    if (slot < 0 || slot >= kConsoleLimit) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(slot)];
}

bool Serversocket::sendTo(int slot, std::string_view bytes) {
    CAsyncConsoleObject* c = console(slot);
    if (c == nullptr || !c->session.connected || !c->greeted()) {
        return false;
    }
    return c->send(bytes);
}

void Serversocket::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        acceptInto(socket);
    }
}

void Serversocket::acceptInto(QTcpSocket* socket) {
    if (consoleCount_ >= kConsoleLimit) {
        std::string refusal(text::kBanner);
        refusal += text::kTooManyClients;
        socket->write(refusal.data(), static_cast<qint64>(refusal.size()));
        closeWhenSent(socket);
        return;
    }
    int slot = 0;
    while (slots_[static_cast<std::size_t>(slot)] != nullptr) {
        ++slot;
    }
    auto* console = new CAsyncConsoleObject(socket, slot, this);
    slots_[static_cast<std::size_t>(slot)] = console;
    ++consoleCount_;
    const ConsoleServerOwner::Access access = owner_.serverAccess();
    console->session.workingDirectory = access.baseDirectory;
    if (!AddressPasses(console->session.peerAddress, access.masks)) {
        console->closeAfter(text::kGoAway);
        slots_[static_cast<std::size_t>(slot)] = nullptr;
        --consoleCount_;
        console->deleteLater();
        return;
    }
    connect(console, &CAsyncConsoleObject::greetingDue, this, &Serversocket::greet);
    connect(console, &CAsyncConsoleObject::readable, this, &Serversocket::handleLines);
    connect(console, &CAsyncConsoleObject::peerClosed, this, &Serversocket::onPeerClosed);
    console->startGreetingPause();
}

void Serversocket::greet(CAsyncConsoleObject* console) {
    std::string greeting(text::kBanner);
    char welcome[160];
    std::snprintf(welcome, sizeof welcome, text::kWelcome, console->session.peerAddress.c_str(),
                  console->session.peerPort);
    greeting += welcome;
    greeting += text::kFirstPrompt;
    console->send(greeting);
    console->session.controlAllowed = owner_.serverAccess().allowOverride;
    handleLines(console);  // what came after the drain but before we listened
}

void Serversocket::handleLines(CAsyncConsoleObject* console) {
    if (console->handling || console->ended()) {
        return;  // the outer run picks up what is waiting
    }
    QPointer<CAsyncConsoleObject> alive(console);
    console->handling = true;
    while (alive && !console->ended()) {
        auto line = console->takeLine();
        if (!line) {
            break;
        }
        ConsoleReply reply = InterpretConsoleLine(*line, console->session, owner_);
        if (!alive || console->ended()) {
            break;
        }
        if (reply.closeConnection) {
            console->closeAfter(reply.bytes);
            endConsole(console, true);
            return;
        }
        console->send(reply.bytes);
    }
    if (alive) {
        console->handling = false;
    }
}

void Serversocket::onPeerClosed(CAsyncConsoleObject* console) {
    console->closeAfter({});
    endConsole(console, false);
}

void Serversocket::endConsole(CAsyncConsoleObject* console, bool closeCommand) {
    const int slot = console->session.slot;
    if (slot >= 0 && slot < kConsoleLimit && slots_[static_cast<std::size_t>(slot)] == console) {
        slots_[static_cast<std::size_t>(slot)] = nullptr;
        if (consoleCount_ > 0) {
            --consoleCount_;
        }
    }
    const bool hadControl = console->session.hasControl;
    const ConsoleSession ended = console->session;
    console->session.connected = false;
    console->session.dataMode = false;
    console->session.hasControl = false;
    console->session.controlAllowed = false;
    console->session.peerAddress.clear();
    owner_.consoleEnded(ended, hadControl, closeCommand);
    console->deleteLater();
}
