#pragma once

#include <memory>

#include "components/audio_player.h"

// The concrete player. Create it on the window thread: its events arrive there.
std::unique_ptr<IAudioPlayer2> CreateAudioPlayer();
