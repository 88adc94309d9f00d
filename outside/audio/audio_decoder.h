#pragma once

#include <QString>
#include <cstdint>
#include <memory>

// One open input, decoded to interleaved float samples at the file's own rate and channels.
class AudioDecoder {
  public:
    virtual ~AudioDecoder() = default;
    virtual int SampleRate() const = 0;
    virtual int Channels() const = 0;
    // Exact frames of the whole input (gapless for MPEG audio).
    virtual std::int64_t Length() const = 0;
    // Decodes up to `frames` frames into `out`; returns the frames written, 0 at the end.
    // Damage after some audio (trailing junk, a cut last frame, a read error) ends the stream;
    // the caller compares what it got with Length(). Throws ComponentError when the input gives
    // no audio at all.
    virtual std::int64_t Read(float* out, std::int64_t frames) = 0;
    // Bits per sample the input holds; lossy inputs count as 16.
    virtual int SourceBits() const { return 16; }
    // What the input holds, as IAudioFile2::SourceCodec names it; empty when unknown.
    virtual QString Codec() const { return {}; }
    // What the row should say of how the input was read (a header that understated its length).
    QString note;
    // Whether Seek can be tried at all; a decoder that cannot seek is read up to the frame.
    virtual bool CanSeek() const { return false; }
    // Moves to exactly `frame` (below Length()): the next Read gives what a decode from the
    // start gives there, sample for sample. False when that cannot be done exactly; the
    // decoder may then have moved, and the caller opens the input again.
    virtual bool Seek(std::int64_t /*frame*/) { return false; }
};

// Opens `path` with the decoder its content calls for (MPEG audio through libmpg123, WAV, AIFF,
// FLAC and Ogg through libsndfile, everything else through FFmpeg). Throws ComponentError naming
// the file and the cause.
std::unique_ptr<AudioDecoder> OpenAudioDecoder(const QString& path);

struct MpegStreamStart;

// The decoders behind OpenAudioDecoder. Each returns null when the content is not its kind
// ("not mine"), and throws when the content is its kind but cannot be decoded ("mine, broken").
// The MPEG decoder starts at the first frame FindMpegStream found.
std::unique_ptr<AudioDecoder> OpenMpegDecoder(const QString& path, const MpegStreamStart& start,
                                              QString* whyNot);
std::unique_ptr<AudioDecoder> OpenSndfileDecoder(const QString& path, QString* whyNot);
std::unique_ptr<AudioDecoder> OpenFfmpegDecoder(const QString& path, QString* whyNot);
