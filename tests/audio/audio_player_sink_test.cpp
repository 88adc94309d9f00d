// The player through QAudioSink, on a private PulseAudio server with a null sink. Its own test
// program: Qt Multimedia looks for the sound server once per process, so the server must be up
// before anything in the process asks for devices. Skipped where no server can start.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "outside/player/audio_player_component.h"

namespace {

bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return done();
}

class PulseServer {
  public:
    // The test main gives the process a private XDG_RUNTIME_DIR; the server puts its socket
    // there, where Qt's PulseAudio client looks for it.
    bool Start() {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
            return false;
        }
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                        QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                        QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=nullsink"),
                        QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix")});
        if (!process_.waitForStarted(3000)) {
            return false;
        }
        const QString socket =
            QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(QStringLiteral("pulse/native"));
        return PumpUntil(
                   [&] {
                       return QFileInfo::exists(socket) || process_.state() == QProcess::NotRunning;
                   },
                   5000) &&
               process_.state() == QProcess::Running;
    }
    QString Output() { return QString::fromLocal8Bit(process_.readAll()); }
    ~PulseServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(3000);
            }
        }
    }

  private:
    QProcess process_;
};

TEST(SinkPlayer, PlaysThroughTheDeviceAndRaisesItsEventsOnTheWindowThread) {
    PulseServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "no PulseAudio server could start here: " << server.Output().toStdString();
    }
    int played = 0;
    bool offThread = false;
    {
        TAudioPlayer2 player;
        IAudioPlayer2::Events events;
        events.onEndArrayPlay = [&] {
            ++played;
            offThread |= QThread::currentThread() != qApp->thread();
        };
        player.SetEvents(events);
        player.OpenStream(44100, 2);
        ASSERT_FALSE(player.UsesNullOutput());
        player.Play();
        for (int i = 0; i < 2; ++i) {
            player.QueueBuffer(AudioBuffer(std::vector<float>(4410 * 2, 0.1f), 2));
        }
        EXPECT_TRUE(PumpUntil([&] { return played == 2; }, 10000));
        player.Stop();
    }
    EXPECT_FALSE(offThread);
}

}  // namespace
