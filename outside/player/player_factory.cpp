#include "outside/player/player_factory.h"

#include "components/component_error.h"

namespace {

// Stand-in until the audio output lands.
class UnavailablePlayer : public IAudioPlayer2 {
  public:
    void SetEvents(Events) override {}
    void OpenStream(int, int) override { Fail(); }
    void Play() override { Fail(); }
    void Stop() override {}
    void QueueBuffer(const AudioBuffer&) override { Fail(); }

  private:
    [[noreturn]] static void Fail() {
        throw ComponentError(QStringLiteral("Audio output is not available in this build"));
    }
};

}  // namespace

std::unique_ptr<IAudioPlayer2> CreateAudioPlayer() {
    return std::make_unique<UnavailablePlayer>();
}
