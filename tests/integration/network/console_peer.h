#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <functional>
#include <string>
#include <string_view>

inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

// A terminal on loopback, served by the same event loop as the station.
class ConsolePeer {
public:
    explicit ConsolePeer(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            received.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        pumpUntil([this] {
            return socket.state() != QAbstractSocket::ConnectingState &&
                   socket.state() != QAbstractSocket::HostLookupState;
        });
    }

    std::string greeting() const {
        return "KAVRO network console interface\r\nWelcome user from IP 127.0.0.1, port " +
               std::to_string(socket.localPort()) + "\r\n\r\nKAVRO> ";
    }
    // Waits for the greeting and takes it.
    bool greeted() {
        const std::string expected = greeting();
        if (!waitBytes(expected.size()) || received.substr(0, expected.size()) != expected) {
            return false;
        }
        received.erase(0, expected.size());
        return true;
    }
    bool waitBytes(std::size_t n, int timeoutMs = 5000) {
        return pumpUntil([&] { return received.size() >= n; }, timeoutMs);
    }
    void send(std::string_view bytes) {
        socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket.flush();
    }
    // Sends, waits for at least the expected size and a little longer for anything more, and
    // takes everything that came.
    std::string ask(std::string_view line, std::size_t expectedSize, int settleMs = 30) {
        send(line);
        waitBytes(expectedSize);
        pumpFor(settleMs);
        return takeAll();
    }
    std::string takeAll() {
        std::string all;
        all.swap(received);
        return all;
    }
    bool closedByServer(int timeoutMs = 5000) {
        return pumpUntil([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                         timeoutMs);
    }
    quint16 localPort() const { return socket.localPort(); }

    QTcpSocket socket;
    std::string received;
};
