#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include "console_peer.h"

namespace {

using namespace std::string_literals;

int argc = 1;
char arg0[] = "headless_station_test";
char* argv[] = {arg0, nullptr};

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

TEST(HeadlessStation, ConsoleDrivesARunAndSigtermEndsNormally) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const quint16 port = freePort();
    QProcess station;
    station.start(KAVRO_PROGRAM, {"--headless", "--simulate=--time-scale 16 --channels 512",
                                  "--console-port", QString::number(port), "--settings-dir",
                                  dir.path() + "/s", "--base-dir", dir.path() + "/b"});
    ASSERT_TRUE(station.waitForStarted());
    QByteArray err;
    ASSERT_TRUE(pumpUntil(
        [&] {
            err += station.readAllStandardError();
            return err.contains("console server on port");
        },
        10000))
        << err.toStdString();

    ConsolePeer peer(port);
    ASSERT_TRUE(peer.greeted());
    const std::string prompt = "KAVRO> \0"s;
    const std::string granted = "Local commands overridden. Control is yours now.\r\n" + prompt;
    EXPECT_EQ(peer.ask("override\r\n", granted.size()), granted);
    EXPECT_EQ(peer.ask("start 5\r\n", prompt.size()), prompt);
    // Five cycles of 512 channels, then idle again.
    std::string status;
    ASSERT_TRUE(pumpUntil(
        [&] {
            status = peer.ask("status\r\n", 200, 100);
            return status.find("IDLE") != std::string::npos;
        },
        20000));
    EXPECT_NE(status.find("Number of channels : 512"), std::string::npos) << status;
    pumpFor(300);
    const QByteArray out = station.readAllStandardOutput();
    EXPECT_TRUE(out.contains("ACQUIRING cycles 5 of 5") || out.contains("cycles 4 of 5"))
        << out.toStdString();

    // A start on another channel count than the controller's would delete the unsaved run:
    // the default answer does, after the spectrum was kept in a recovery file.
    peer.ask("set1024\r\n", prompt.size(), 300);
    peer.ask("start 2\r\n", prompt.size());
    ASSERT_TRUE(pumpUntil(
        [&] {
            err += station.readAllStandardError();
            return err.contains("unsaved spectrum kept in");
        },
        10000))
        << err.toStdString();
    ASSERT_TRUE(pumpUntil(
        [&] { return peer.ask("status\r\n", 200, 100).find("IDLE") != std::string::npos; }, 20000));

    station.terminate();  // SIGTERM: the window's normal exit
    ASSERT_TRUE(pumpUntil([&] { return station.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
    err += station.readAllStandardError();
    // The unsaved spectrum's question is answered with its default button, and printed.
    EXPECT_TRUE(err.contains(
        "[KAVRO] Do you want to discard this spectrum and close the application ? -> Yes"))
        << err.toStdString();
    // Both discarded spectra are in the base directory, each a complete spectrum file.
    const QStringList kept = QDir(dir.path() + "/b").entryList({"recovery-*.DAT"}, QDir::Files);
    ASSERT_EQ(kept.size(), 2) << err.toStdString();
    for (const QString& name : kept) {
        EXPECT_TRUE(err.contains(name.toUtf8())) << name.toStdString();
        EXPECT_GT(QFileInfo(QDir(dir.path() + "/b").filePath(name)).size(), 1000)
            << name.toStdString();
    }
    EXPECT_TRUE(peer.closedByServer());
    EXPECT_EQ(peer.takeAll(), "\n\rServer has been shut down. Bye !\n");
    // Network support counted as on for the run only.
    QFile settings(dir.path() + "/s/kavro.ini");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("enable_network=1"));
}

}  // namespace
