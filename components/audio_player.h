#pragma once

#include <cstdint>
#include <functional>

#include "components/audio_buffer.h"

// Plays queued blocks. Events are delivered on the thread that owns the window (the thread that
// created the player). Throws ComponentError on failure.
class IAudioPlayer2 {
  public:
    struct Events {
        std::function<void()> onEndArrayPlay;        // a queued buffer has been played
        std::function<void()> onRequestOnLoadArray;  // the player wants more data
        std::function<void()> onEndPlay;
        std::function<void(std::int64_t currentSamples, int levelLeft, int levelRight)> onTimer;
    };

    virtual ~IAudioPlayer2() = default;
    virtual void SetEvents(Events events) = 0;
    virtual void OpenStream(int sampleRate, int channels) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    // The player copies what it needs; the caller keeps its buffer.
    virtual void QueueBuffer(const AudioBuffer& buffer) = 0;
    // Whether the open stream plays into the silent null output (no audio device).
    virtual bool UsesNullOutput() const = 0;
};
