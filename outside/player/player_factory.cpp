#include "outside/player/player_factory.h"

#include "outside/player/audio_player_component.h"

std::unique_ptr<IAudioPlayer2> CreateAudioPlayer() {
    return std::make_unique<TAudioPlayer2>();
}
