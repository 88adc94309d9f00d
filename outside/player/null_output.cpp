// The null output: a window-thread timer that takes from the queue as many frames as the
// elapsed real time would have played.
#include <QElapsedTimer>
#include <QTimer>

#include "outside/player/playback_output.h"
#include "outside/player/playback_queue.h"

namespace {

class NullOutput : public PlaybackOutput {
  public:
    NullOutput(PlaybackQueue& queue, int sampleRate) : queue_(queue), rate_(sampleRate) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Consume(); });
    }

    void Start() override {
        clock_.start();
        consumed_ = 0;
        timer_.start();
    }
    void Stop() override { timer_.stop(); }
    bool IsNull() const override { return true; }

  private:
    void Consume() {
        const std::int64_t due = clock_.nsecsElapsed() * rate_ / 1000000000LL;
        if (due > consumed_) {
            // Time that passed with an empty queue is not made up later: like a device, the
            // null output plays silence meanwhile.
            queue_.Pull(nullptr, static_cast<std::size_t>(due - consumed_));
            consumed_ = due;
        }
    }

    PlaybackQueue& queue_;
    std::int64_t rate_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::int64_t consumed_ = 0;
};

}  // namespace

std::unique_ptr<PlaybackOutput> CreateNullOutput(PlaybackQueue& queue, int sampleRate) {
    return std::make_unique<NullOutput>(queue, sampleRate);
}
