#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "components/audio_buffer.h"
#include "components/encoder_recipe.h"

class IAudioFile2LameEnc;

// The audio file component: one instance decodes an input (reader) or encodes an output
// (writer). Every operation throws ComponentError on failure. Not thread-safe: one thread at a
// time may use an instance, but that thread may be a worker.
class IAudioFile2 {
  public:
    virtual ~IAudioFile2() = default;

    // Reader side.
    virtual void Open(const QString& fileName) = 0;
    virtual AudioBuffer ReadBuffer(int frames) = 0;  // at most `frames`; empty at the end
    virtual std::int64_t Length() = 0;               // frames of the open input
    virtual int SampleRate() = 0;
    virtual int Channels() = 0;
    virtual int Duration() = 0;       // milliseconds; 0 means the file cannot be decoded
    virtual int PcmSampleRate() = 0;  // rate of the buffers ReadBuffer delivers
    virtual int PcmChannels() = 0;    // channels of those buffers
    // Bits per sample the input holds (16 for lossy inputs), for lossless outputs that keep it.
    virtual int SourceBits();
    // What the open input holds, named as a file of that kind is: "mp3", "mp2", "wav" (integer
    // PCM in RIFF), "aiff", "flac", "vorbis" and "opus" (in Ogg), "aac" and "alac" (in MP4),
    // "wavpack", "wma" ... The same codec in another container names both ("aac/adts",
    // "flac/ogg"), so that only an input a file of the output format could be matches. Empty:
    // unknown, which nothing takes for a match.
    virtual QString SourceCodec();
    // What the row should say of how the open input was read, such as joined files decoded to
    // their end; empty for an input read as it describes itself.
    virtual QString SourceNote();
    // Narrows the input just opened to frames [start, end) of its decoded audio (end < 0: to
    // its end). Afterwards Length() and Duration() describe that part, and ReadBuffer delivers
    // it from exactly `start`, sample for sample what a decode of the whole file gives there,
    // and stops at exactly `end`. The next Open reads a whole file again. Throws ComponentError
    // naming the file when the part is empty or lies beyond the audio. A reader that cannot
    // read parts refuses any but the whole.
    virtual void SetReadRange(std::int64_t start, std::int64_t end);
    // Samples of the open input that were not numbers (NaN, infinities) and were delivered as
    // silence or full scale instead: an input, or an output read back, that holds them is
    // damaged.
    virtual std::int64_t UnsafeSamples();

    // Writer side: configure, then CreateOutput, WriteBuffer..., Close.
    virtual void SetSourceFormat(int sampleRate, int channels) = 0;
    virtual void SetWaveFormat(int sampleRate, int channels, int bits) = 0;
    virtual void SetVoxFormat(int sampleRate) = 0;
    virtual void SetMp3Encoder(IAudioFile2LameEnc& encoder) = 0;
    virtual void SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                              std::int16_t quality) = 0;
    virtual void SetWmaFormat(int format) = 0;
    // An output a format unit's recipe encodes (the formats beyond the ones with their own
    // setter). A writer that cannot take recipes refuses it with ComponentError.
    virtual void SetEncoder(std::shared_ptr<const EncoderRecipe> recipe);
    // The rate, channels and bits per sample the configured writer would write a source of
    // `source` at. A writer that changes nothing gives the source.
    virtual PcmFormat OutputPcm(const PcmFormat& source);
    // The source's bits per sample (0 = unknown, taken as 16); kept until changed.
    virtual void SetSourceBits(int bits);
    virtual void CreateOutput(const QString& fileName) = 0;
    virtual void WriteBuffer(AudioBuffer& buffer) = 0;
    // The peak of the samples the created output would get from `block` once the writer has
    // brought it to the output's channels and rate (a downmix lowers a peak, resampling can
    // raise it), without writing anything. Blocks are measured in stream order; `last` adds the
    // resampler's tail and starts the measure afresh. Normalising on this peak puts the level on
    // the samples actually written. A writer that converts nothing gives the block's own peak.
    virtual float OutputPeak(const AudioBuffer& block, bool last);
    // The samples themselves, measured the same way (and sharing OutputPeak's measure state), and
    // the output's sample rate in `rate`; a writer that converts nothing gives the block itself
    // and 0. Loudness is measured on these, since a channel mix changes it.
    virtual AudioBuffer OutputBlock(const AudioBuffer& block, bool last, int& rate);

    // Both sides. After Close an output file is complete.
    virtual void Close() = 0;
    virtual bool IsOpen() = 0;
    virtual void SetEnabled(bool enabled) = 0;  // false then true resets the instance
};
