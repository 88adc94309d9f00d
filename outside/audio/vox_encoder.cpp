// Dialogic VOX ADPCM output through libsndfile.
#include <sndfile.h>

#include <QFile>
#include <vector>

#include "outside/audio/audio_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/pcm_conversion.h"
#include "outside/audio/sample_rates.h"
#include "platform/native_name.h"

namespace {

class VoxEncoder : public AudioEncoder {
  public:
    VoxEncoder(const QString& path, QString shownPath, int sampleRate)
        : shownPath_(std::move(shownPath)) {
        info_.samplerate = sampleRate;
        info_.channels = 1;
        info_.format = SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM;
        file_ = sf_open(NativeName(path).constData(), SFM_WRITE, &info_);
        if (file_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromUtf8(sf_strerror(nullptr)));
        }
    }
    ~VoxEncoder() override {
        if (file_ != nullptr) {
            sf_close(file_);
        }
    }

    int SampleRate() const override { return info_.samplerate; }
    int Channels() const override { return 1; }

    void Write(const float* samples, std::int64_t frames) override {
        shorts_.resize(static_cast<std::size_t>(frames));
        FloatToPcm16(samples, shorts_.size(), shorts_.data());
        if (sf_write_short(file_, shorts_.data(), frames) != frames) {
            ThrowWriteError(shownPath_, QString::fromUtf8(sf_strerror(file_)));
        }
    }

    void Finish() override {
        SNDFILE* file = file_;
        file_ = nullptr;
        const int rc = sf_close(file);
        if (rc != 0) {
            ThrowWriteError(shownPath_, QString::fromUtf8(sf_error_number(rc)));
        }
    }

  private:
    QString shownPath_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    std::vector<short> shorts_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateVoxEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate) {
    if (!IsUsableSampleRate(sampleRate)) {
        ThrowAudioError(QStringLiteral("Cannot create"), shownPath,
                        QStringLiteral("%1 Hz is not a usable sample rate").arg(sampleRate));
    }
    return std::make_unique<VoxEncoder>(path, shownPath, sampleRate);
}
