#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

#include "components/audio_player.h"
#include "outside/player/playback_output.h"
#include "outside/player/playback_queue.h"

// Which output a player uses: the default device where one exists, else the null output; or the
// null output always (tests, and machines that must stay silent).
enum class PlayerOutput { Automatic, Null };

// The player component. Lives on the window thread; its events are delivered there, from the
// event loop (never from inside QueueBuffer, Play or Stop), so a handler may call back into it.
class TAudioPlayer2 : public QObject, public IAudioPlayer2 {
  public:
    explicit TAudioPlayer2(PlayerOutput output = PlayerOutput::Automatic,
                           QObject* parent = nullptr);
    ~TAudioPlayer2() override;

    void SetEvents(Events events) override;
    void OpenStream(int sampleRate, int channels) override;
    void Play() override;
    void Stop() override;
    void QueueBuffer(const AudioBuffer& buffer) override;

    // Whether the open stream goes to the null output.
    bool UsesNullOutput() const override { return output_ && output_->IsNull(); }

  private:
    void Tick();
    void Post(std::function<void()> call);

    PlayerOutput mode_;
    Events events_;
    PlaybackQueue queue_;
    std::unique_ptr<PlaybackOutput> output_;
    QTimer ticker_;
    int rate_ = 0;
    int channels_ = 0;
    bool playing_ = false;
    bool requested_ = false;
    int ticks_ = 0;
};
