// The player on the null output: real-time consumption and events on the window thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "components/component_error.h"
#include "outside/player/audio_player_component.h"

namespace {

// Runs the event loop until `done` holds or five seconds pass.
bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return done();
}

void PumpFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

AudioBuffer Block(std::size_t frames, int channels) {
    return AudioBuffer(std::vector<float>(frames * channels, 0.25f), channels);
}

struct Recorder {
    int played = 0;
    int requests = 0;
    int ended = 0;
    bool offThread = false;
    IAudioPlayer2::Events Events() {
        IAudioPlayer2::Events e;
        e.onEndArrayPlay = [this] {
            ++played;
            Check();
        };
        e.onRequestOnLoadArray = [this] {
            ++requests;
            Check();
        };
        e.onEndPlay = [this] { ++ended; };
        return e;
    }
    void Check() { offThread |= QThread::currentThread() != qApp->thread(); }
};

TEST(NullOutputPlayer, PlaysQueuedBlocksAndRaisesItsEventsOnTheWindowThread) {
    TAudioPlayer2 player(PlayerOutput::Null);
    Recorder recorder;
    player.SetEvents(recorder.Events());
    player.OpenStream(8000, 2);
    EXPECT_TRUE(player.UsesNullOutput());
    player.Play();
    AudioBuffer first = Block(400, 2);  // 50 ms each
    player.QueueBuffer(first);
    player.QueueBuffer(Block(400, 2));
    first.Samples().assign(first.Samples().size(), 9.0f);  // the player keeps its own copy

    ASSERT_TRUE(PumpUntil([&] { return recorder.played == 2 && recorder.requests == 1; }));
    EXPECT_FALSE(recorder.offThread);

    // At the end of the file the preview queues empty blocks: the stream ends, and the player
    // does not keep asking.
    player.QueueBuffer(AudioBuffer());
    ASSERT_TRUE(PumpUntil([&] { return recorder.ended == 1; }));
    const int requests = recorder.requests;
    PumpFor(300);  // let time pass
    EXPECT_EQ(recorder.requests, requests);
    EXPECT_EQ(recorder.played, 2);

    player.Stop();
    EXPECT_THROW(player.QueueBuffer(Block(10, 1)), ComponentError);  // channels differ
}

TEST(NullOutputPlayer, StopDropsWhatIsQueuedAndSilencesTheEvents) {
    TAudioPlayer2 player(PlayerOutput::Null);
    Recorder recorder;
    player.SetEvents(recorder.Events());
    player.OpenStream(1000, 1);
    player.QueueBuffer(Block(200, 1));  // 200 ms
    player.Play();
    ASSERT_TRUE(PumpUntil([&] { return recorder.played == 1; }));

    player.QueueBuffer(Block(100000, 1));
    player.Stop();
    PumpFor(300);
    EXPECT_EQ(recorder.played, 1);
}

TEST(NullOutputPlayer, RefusesToPlayWithoutAStream) {
    TAudioPlayer2 player(PlayerOutput::Null);
    EXPECT_THROW(player.Play(), ComponentError);
    EXPECT_THROW(player.QueueBuffer(Block(10, 2)), ComponentError);
    EXPECT_THROW(player.OpenStream(0, 2), ComponentError);
    player.Stop();  // harmless
}

}  // namespace
