#include "outside/player/audio_player_component.h"

#include <QDebug>
#include <cmath>

#include "components/component_error.h"

namespace {

constexpr int kTickMs = 20;
constexpr int kTicksPerTimerEvent = 5;  // onTimer about ten times a second

}  // namespace

TAudioPlayer2::TAudioPlayer2(PlayerOutput output, QObject* parent)
    : QObject(parent), mode_(output) {
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, [this] { Tick(); });
}

TAudioPlayer2::~TAudioPlayer2() {
    if (output_) {
        output_->Stop();
    }
}

void TAudioPlayer2::SetEvents(Events events) {
    events_ = std::move(events);
}

void TAudioPlayer2::OpenStream(int sampleRate, int channels) {
    if (sampleRate < 1000 || sampleRate > 768000 || channels < 1 || channels > 8) {
        throw ComponentError(QStringLiteral("Cannot play a stream of %1 Hz with %2 channels")
                                 .arg(sampleRate)
                                 .arg(channels));
    }
    Stop();
    output_.reset();
    queue_.Reset(channels);
    rate_ = sampleRate;
    channels_ = channels;
    if (mode_ == PlayerOutput::Automatic) {
        output_ = CreateSinkOutput(queue_, sampleRate, channels);
    }
    if (!output_) {
        output_ = CreateNullOutput(queue_, sampleRate);
    }
}

void TAudioPlayer2::Play() {
    if (!output_) {
        throw ComponentError(QStringLiteral("Cannot play: no stream has been opened"));
    }
    if (playing_) {
        return;
    }
    output_->Start();
    playing_ = true;
    requested_ = false;
    ticks_ = 0;
    ticker_.start();
}

void TAudioPlayer2::Stop() {
    if (output_) {
        output_->Stop();
    }
    ticker_.stop();
    playing_ = false;
    queue_.Clear();
}

void TAudioPlayer2::QueueBuffer(const AudioBuffer& buffer) {
    if (!output_) {
        throw ComponentError(QStringLiteral("Cannot queue audio: no stream has been opened"));
    }
    if (buffer.Empty()) {
        // What comes after the last block of a file: the stream ends once the rest is played.
        queue_.MarkEndOfStream();
        return;
    }
    if (buffer.Channels() != channels_) {
        throw ComponentError(
            QStringLiteral("Cannot queue audio: the block has %1 channels, the stream %2")
                .arg(buffer.Channels())
                .arg(channels_));
    }
    queue_.Push(buffer.Data(), buffer.SampleCount());
    requested_ = false;
}

// Runs on the window thread while playing; turns what the output did into events.
void TAudioPlayer2::Tick() {
    for (int n = queue_.TakeFinished(); n > 0; --n) {
        Post([this] {
            if (events_.onEndArrayPlay) {
                events_.onEndArrayPlay();
            }
        });
    }
    // One request per time the queue runs dry, so a source at its end (queuing empty blocks)
    // is not asked again and again.
    if (!requested_ && queue_.Empty()) {
        requested_ = true;
        Post([this] {
            if (events_.onRequestOnLoadArray) {
                events_.onRequestOnLoadArray();
            }
        });
    }
    if (queue_.TakeEnded()) {
        Post([this] {
            if (events_.onEndPlay) {
                events_.onEndPlay();
            }
        });
    }
    if (++ticks_ % kTicksPerTimerEvent == 0) {
        float left = 0.0f;
        float right = 0.0f;
        queue_.TakePeaks(&left, &right);
        const std::int64_t played = queue_.PlayedFrames();
        const int levelLeft = static_cast<int>(std::lround(std::min(left, 1.0f) * 100.0f));
        const int levelRight = static_cast<int>(std::lround(std::min(right, 1.0f) * 100.0f));
        Post([this, played, levelLeft, levelRight] {
            if (events_.onTimer) {
                events_.onTimer(played, levelLeft, levelRight);
            }
        });
    }
}

// Events go through the event loop: a handler never runs inside one of our own calls, events
// that were due when the player stopped are dropped, and none arrive after it is destroyed.
void TAudioPlayer2::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call)] {
            if (playing_) {
                call();
            }
        },
        Qt::QueuedConnection);
}
