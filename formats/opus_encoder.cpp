// Opus output through libopusenc, which resamples any source rate to Opus's 48 kHz (the header
// keeps the original rate) and writes the pre-skip and end granule that make the length exact.
#include <opus/opusenc.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/encoders.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/channel_order.h"
#include "platform/native_name.h"

namespace {

constexpr std::int64_t kChunkFrames = 4800;

struct OpusState {
    ~OpusState() {
        if (encoder_ != nullptr) {
            ope_encoder_destroy(encoder_);
        }
        if (comments_ != nullptr) {
            ope_comments_destroy(comments_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    OggOpusEnc* encoder_ = nullptr;
    OggOpusComments* comments_ = nullptr;
    std::FILE* file_ = nullptr;
};

class OpusOutput : public AudioEncoder, private OpusState {
  public:
    OpusOutput(const QString& path, QString shownPath, int rate, int channels, int kbps, bool vbr)
        : shownPath_(std::move(shownPath)), rate_(rate), channels_(channels) {
        const QString what = QStringLiteral("Cannot create");
        file_ = std::fopen(NativeName(path).constData(), "wb");
        if (file_ == nullptr) {
            ThrowAudioError(what, shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
        comments_ = ope_comments_create();
        if (comments_ == nullptr) {
            ThrowAudioError(what, shownPath_, QStringLiteral("out of memory"));
        }
        // The stream is ours to close (Finish checks that every byte reached the disk).
        static const OpusEncCallbacks kCallbacks{&OpusOutput::WriteBytes, [](void*) { return 0; }};
        int error = OPE_OK;
        encoder_ = ope_encoder_create_callbacks(&kCallbacks, this, comments_, rate, channels,
                                                channels <= 2 ? 0 : 1, &error);
        if (encoder_ == nullptr || error != OPE_OK) {
            ThrowAudioError(what, shownPath_,
                            QStringLiteral("the Opus encoder refuses %1 Hz with %2 channels (%3)")
                                .arg(rate)
                                .arg(channels)
                                .arg(QString::fromUtf8(ope_strerror(error))));
        }
        // Without VBR Opus is hard CBR, every packet the same size.
        Check(ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kbps * 1000)), what);
        Check(ope_encoder_ctl(encoder_, OPUS_SET_VBR(vbr ? 1 : 0)), what);
        if (vbr) {
            Check(ope_encoder_ctl(encoder_, OPUS_SET_VBR_CONSTRAINT(0)), what);
        }
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            const std::int64_t n = std::min(frames, kChunkFrames);
            const std::size_t count = static_cast<std::size_t>(n) * channels_;
            const float* block = samples;
            if (channels_ > 2) {
                ordered_.resize(count);
                ToVorbisOrder(samples, static_cast<std::size_t>(n), channels_, ordered_.data());
                block = ordered_.data();
            }
            Check(ope_encoder_write_float(encoder_, block, static_cast<int>(n)),
                  QStringLiteral("Cannot write"));
            samples += count;
            frames -= n;
        }
    }

    void Finish() override {
        Check(ope_encoder_drain(encoder_), QStringLiteral("Cannot write"));
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }

  private:
    // A failed write of ours shows as the system's reason, whatever libopusenc made of it.
    void Check(int rc, const QString& what) const {
        if (writeErrno_ != 0) {
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(writeErrno_)));
        }
        if (rc != OPE_OK) {
            ThrowAudioError(what, shownPath_, QString::fromUtf8(ope_strerror(rc)));
        }
    }

    static int WriteBytes(void* data, const unsigned char* bytes, opus_int32 size) {
        auto* self = static_cast<OpusOutput*>(data);
        if (self->writeErrno_ != 0) {
            return 1;
        }
        const auto n = static_cast<std::size_t>(size);
        if (std::fwrite(bytes, 1, n, self->file_) != n) {
            self->writeErrno_ = errno != 0 ? errno : EIO;
            return 1;
        }
        return 0;
    }

    QString shownPath_;
    int rate_;
    int channels_;
    int writeErrno_ = 0;
    std::vector<float> ordered_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateOpusEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int kbps, bool vbr) {
    const QString what = QStringLiteral("Cannot create");
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to Opus").arg(channels));
    }
    if (kbps < 6 || kbps > 510) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("the Opus bit rate %1 kbps is outside 6 to 510").arg(kbps));
    }
    return std::make_unique<OpusOutput>(path, shownPath, sampleRate, channels, kbps, vbr);
}
