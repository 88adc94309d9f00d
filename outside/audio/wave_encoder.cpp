// PCM WAV and VOX ADPCM output through libsndfile.
#include <sndfile.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <vector>

#include "outside/audio/audio_encoder.h"
#include "outside/audio/audio_error.h"

namespace {

const QString kCannotWrite = QStringLiteral("Cannot write");

class SndfileEncoder : public AudioEncoder {
  public:
    SndfileEncoder(const QString& path, QString shownPath, const SF_INFO& wanted, int bits)
        : shownPath_(std::move(shownPath)), info_(wanted), bits_(bits) {
        file_ = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info_);
        if (file_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromUtf8(sf_strerror(nullptr)));
        }
        // Written as RF64 and turned into a plain WAV at close when under 4 GB, so that a long
        // recording at a high rate is never cut off at the WAV size limit.
        if ((info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64) {
            sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        }
    }
    ~SndfileEncoder() override {
        if (file_ != nullptr) {
            sf_close(file_);
        }
    }

    int SampleRate() const override { return info_.samplerate; }
    int Channels() const override { return info_.channels; }

    // Our own float to integer conversion: k / 2^(bits-1) becomes exactly k, so what the reader
    // delivers is written back bit for bit. Clipping happens here and only here.
    void Write(const float* samples, std::int64_t frames) override {
        const std::size_t count = static_cast<std::size_t>(frames) * info_.channels;
        sf_count_t written = 0;
        if (bits_ == 16) {
            shorts_.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                shorts_[i] = static_cast<short>(ToInteger(samples[i], 32768.0f));
            }
            written = sf_writef_short(file_, shorts_.data(), frames);
        } else {
            // Left-justified, the layout libsndfile takes for every integer depth.
            const int shift = 32 - bits_;
            const double scale = std::ldexp(1.0, bits_ - 1);
            ints_.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                ints_[i] = static_cast<int>(static_cast<std::uint32_t>(ToInteger(samples[i], scale))
                                            << shift);
            }
            written = sf_writef_int(file_, ints_.data(), frames);
        }
        if (written != frames) {
            ThrowAudioError(kCannotWrite, shownPath_, QString::fromUtf8(sf_strerror(file_)));
        }
    }

    void Finish() override {
        SNDFILE* file = file_;
        file_ = nullptr;
        const int rc = sf_close(file);
        if (rc != 0) {
            ThrowAudioError(kCannotWrite, shownPath_, QString::fromUtf8(sf_error_number(rc)));
        }
    }

  private:
    // Rounds to nearest (halves away from zero) and clips to the depth's range, with no library
    // calls or branches so that the loop vectorises. NaN ends up at the negative limit.
    template <typename Real>
    static std::int32_t ToInteger(float sample, Real scale) {
        Real v = static_cast<Real>(sample) * scale;
        v = v < scale - 1 ? v : scale - 1;
        v = v > -scale ? v : -scale;
        return static_cast<std::int32_t>(v + std::copysign(Real(0.5), v));
    }

    QString shownPath_;
    SF_INFO info_;
    int bits_;
    SNDFILE* file_ = nullptr;
    std::vector<int> ints_;
    std::vector<short> shorts_;
};

void CheckRate(const QString& shownPath, int sampleRate) {
    if (sampleRate < 1000 || sampleRate > 768000) {
        ThrowAudioError(QStringLiteral("Cannot create"), shownPath,
                        QStringLiteral("%1 Hz is not a usable sample rate").arg(sampleRate));
    }
}

}  // namespace

std::unique_ptr<AudioEncoder> CreateWaveEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int bits) {
    const QString what = QStringLiteral("Cannot create");
    CheckRate(shownPath, sampleRate);
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to WAV").arg(channels));
    }
    int subtype = 0;
    switch (bits) {
        case 8:
            subtype = SF_FORMAT_PCM_U8;
            break;  // 8-bit WAV is unsigned by definition
        case 16:
            subtype = SF_FORMAT_PCM_16;
            break;
        case 24:
            subtype = SF_FORMAT_PCM_24;
            break;
        case 32:
            subtype = SF_FORMAT_PCM_32;
            break;
        default:
            ThrowAudioError(what, shownPath,
                            QStringLiteral("%1 bits per sample is not supported (use 8, 16, 24 "
                                           "or 32)")
                                .arg(bits));
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_RF64 | subtype;
    return std::make_unique<SndfileEncoder>(path, shownPath, info, bits);
}

std::unique_ptr<AudioEncoder> CreateVoxEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate) {
    CheckRate(shownPath, sampleRate);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_RAW | SF_FORMAT_VOX_ADPCM;
    return std::make_unique<SndfileEncoder>(path, shownPath, info, 16);
}
