#pragma once

#include <QString>
#include <cstdint>
#include <memory>

// The samples an encoder is fed: rate, channels and bits per sample (32 with `floating` is
// 32-bit float). bits 0 means "as the source" where a format's keys leave it open.
struct PcmFormat {
    int rate = 0;
    int channels = 0;
    int bits = 0;
    bool floating = false;
    bool operator==(const PcmFormat&) const = default;
};

// One output being written: takes interleaved float blocks at its own rate and channel count.
class AudioEncoder {
  public:
    virtual ~AudioEncoder() = default;
    virtual int SampleRate() const = 0;
    virtual int Channels() const = 0;
    virtual void Write(const float* samples, std::int64_t frames) = 0;
    // Lossless encoders may take integer samples of the output's own depth (right-aligned in 32
    // bits) as they came from the source, skipping the float round trip. Only called when
    // TakesIntegers() says so and nothing (fade, level, resampling, depth) changes the samples.
    virtual bool TakesIntegers() const { return false; }
    virtual void WriteIntegers(const std::int32_t* samples, std::int64_t frames);
    // Flushes and completes the file. Throws ComponentError when it cannot be completed.
    virtual void Finish() = 0;
};

// One codec's encoder as its format's keys configured it: the small interface the writer builds
// each output through. Made by a format unit (formats/), used by the audio file component, which
// stays free of every codec it does not build itself.
class EncoderRecipe {
  public:
    virtual ~EncoderRecipe() = default;
    // What an output of this source is written at: the source's rate, channels and depth where
    // the codec and the keys leave them open.
    virtual PcmFormat OutputFormat(const PcmFormat& source) const = 0;
    // `path` is where the bytes go (a temporary file); `shownPath` the name for messages. `output`
    // is what OutputFormat gave; `sourceBits` the depth the samples had (for dither on reduction).
    virtual std::unique_ptr<AudioEncoder> Create(const QString& path, const QString& shownPath,
                                                 const PcmFormat& output, int sourceBits) const = 0;
    // The settings in one line, as `quorvel-cli configure` and recording writers print them:
    // "flac,8", "opus,128,vbr".
    virtual QString Describe() const = 0;
};
