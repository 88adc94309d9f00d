#pragma once

#include <QString>
#include <memory>

class PlaybackQueue;
class QObject;

// Where the queued audio goes. Both outputs drain the queue at the stream's real-time pace.
class PlaybackOutput {
  public:
    virtual ~PlaybackOutput() = default;
    virtual void Start() = 0;  // throws ComponentError
    virtual void Stop() = 0;
    virtual bool IsNull() const = 0;
};

// Consumes audio in real time without a device, so preview works on a machine without sound.
std::unique_ptr<PlaybackOutput> CreateNullOutput(PlaybackQueue& queue, int sampleRate);

// Plays through QAudioSink on the default device. Returns null when there is no device (the
// caller then uses the null output); throws ComponentError when the device cannot take the format.
std::unique_ptr<PlaybackOutput> CreateSinkOutput(PlaybackQueue& queue, int sampleRate,
                                                 int channels);
