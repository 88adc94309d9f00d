// FLAC output through libFLAC's stream encoder, writing through our own stream so that a full
// disk is reported with the system's reason.
#include <FLAC/stream_encoder.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/encoders.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/pcm_conversion.h"
#include "platform/native_name.h"

namespace {

constexpr std::int64_t kChunkFrames = 4608;  // a level-5 FLAC block is 4096 frames

// The library state, released by its own destructor so that a constructor that throws half way
// leaks nothing. Deleting an unfinished encoder finishes it into the file, which is then dropped.
struct FlacState {
    ~FlacState() {
        if (encoder_ != nullptr) {
            FLAC__stream_encoder_delete(encoder_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    FLAC__StreamEncoder* encoder_ = nullptr;
    std::FILE* file_ = nullptr;
};

class FlacEncoder : public AudioEncoder, private FlacState {
  public:
    // A `sourceBits` above `bits` dithers the float path (none by default: the exact rule).
    FlacEncoder(const QString& path, QString shownPath, int rate, int channels, int bits, int level,
                int sourceBits = 0)
        : shownPath_(std::move(shownPath)),
          rate_(rate),
          channels_(channels),
          bits_(bits),
          quantizer_(bits, sourceBits) {
        encoder_ = FLAC__stream_encoder_new();
        if (encoder_ == nullptr) {
            Fail(QStringLiteral("Cannot create"), QStringLiteral("out of memory"));
        }
        FLAC__stream_encoder_set_channels(encoder_, static_cast<unsigned>(channels));
        FLAC__stream_encoder_set_bits_per_sample(encoder_, static_cast<unsigned>(bits));
        FLAC__stream_encoder_set_sample_rate(encoder_, static_cast<unsigned>(rate));
        FLAC__stream_encoder_set_compression_level(encoder_, static_cast<unsigned>(level));
        file_ = std::fopen(NativeName(path).constData(), "w+b");
        if (file_ == nullptr) {
            Fail(QStringLiteral("Cannot create"), QString::fromLocal8Bit(std::strerror(errno)));
        }
        // The seek and tell callbacks let libFLAC fill in the total samples and the MD5 sum
        // of STREAMINFO when the stream is finished.
        const FLAC__StreamEncoderInitStatus status =
            FLAC__stream_encoder_init_stream(encoder_, &FlacEncoder::WriteBytes, &FlacEncoder::Seek,
                                             &FlacEncoder::Tell, nullptr, this);
        if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            Fail(QStringLiteral("Cannot create"),
                 status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR
                     ? StateText()
                     : QStringLiteral("FLAC cannot hold %1 Hz, %2 channels, %3 bits (%4)")
                           .arg(rate)
                           .arg(channels)
                           .arg(bits)
                           .arg(QString::fromUtf8(FLAC__StreamEncoderInitStatusString[status])));
        }
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            const std::int64_t n = std::min(frames, kChunkFrames);
            const std::size_t count = static_cast<std::size_t>(n) * channels_;
            pcm_.resize(count);
            if (quantizer_.Dithers()) {
                quantizer_.Convert(samples, count, pcm_.data());
            } else if (bits_ == 16) {
                // The vector conversion, widened: the common case, and most of our own cost.
                pcm16_.resize(count);
                FloatToPcm16(samples, count, pcm16_.data());
                std::copy(pcm16_.begin(), pcm16_.end(), pcm_.begin());
            } else {
                FloatToPcm(samples, count, bits_, pcm_.data());
            }
            Process(pcm_.data(), n);
            samples += count;
            frames -= n;
        }
    }

    bool TakesIntegers() const override { return true; }

    void WriteIntegers(const std::int32_t* samples, std::int64_t frames) override {
        while (frames > 0) {
            const std::int64_t n = std::min(frames, kChunkFrames);
            Process(samples, n);
            samples += static_cast<std::size_t>(n) * channels_;
            frames -= n;
        }
    }

    void Finish() override {
        const bool done = FLAC__stream_encoder_finish(encoder_);
        if (!done) {
            Fail(QStringLiteral("Cannot write"), StateText());
        }
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }

  private:
    void Process(const FLAC__int32* samples, std::int64_t frames) {
        if (!FLAC__stream_encoder_process_interleaved(encoder_, samples,
                                                      static_cast<unsigned>(frames))) {
            Fail(QStringLiteral("Cannot write"), StateText());
        }
    }

    [[noreturn]] void Fail(const QString& what, const QString& cause) const {
        ThrowAudioError(what, shownPath_, cause);
    }

    // The system's reason when our stream failed, otherwise libFLAC's.
    QString StateText() const {
        if (writeErrno_ != 0) {
            return QString::fromLocal8Bit(std::strerror(writeErrno_));
        }
        return QString::fromUtf8(FLAC__stream_encoder_get_resolved_state_string(encoder_));
    }

    static FLAC__StreamEncoderWriteStatus WriteBytes(const FLAC__StreamEncoder*,
                                                     const FLAC__byte buffer[], size_t bytes,
                                                     unsigned, unsigned, void* data) {
        auto* self = static_cast<FlacEncoder*>(data);
        if (std::fwrite(buffer, 1, bytes, self->file_) != bytes) {
            self->writeErrno_ = errno != 0 ? errno : EIO;
            return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
        }
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    }

    static FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                              void* data) {
        auto* self = static_cast<FlacEncoder*>(data);
        if (fseeko(self->file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
            self->writeErrno_ = errno;
            return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
        }
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }

    static FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                              void* data) {
        auto* self = static_cast<FlacEncoder*>(data);
        const off_t at = ftello(self->file_);
        if (at < 0) {
            self->writeErrno_ = errno;
            return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
        }
        *offset = static_cast<FLAC__uint64>(at);
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }

    QString shownPath_;
    int rate_;
    int channels_;
    int bits_;
    int writeErrno_ = 0;
    PcmQuantizer quantizer_;
    std::vector<FLAC__int32> pcm_;
    std::vector<std::int16_t> pcm16_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateFlacEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int bits, int level,
                                                int sourceBits) {
    const QString what = QStringLiteral("Cannot create");
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to FLAC").arg(channels));
    }
    if (level < 0 || level > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("the FLAC level %1 is outside 0 to 8").arg(level));
    }
    if (bits != 16 && bits != 24) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("FLAC is written with 16 or 24 bits, not %1").arg(bits));
    }
    return std::make_unique<FlacEncoder>(path, shownPath, sampleRate, channels, bits, level,
                                         sourceBits);
}
