// PCM WAV and VOX ADPCM output through libsndfile.
#include <sndfile.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // delivers is written back bit for bit. Clipping happens here and only here. Converted
    // samples are collected and handed to libsndfile in large writes.
    void Write(const float* samples, std::int64_t frames) override {
        const std::size_t count = static_cast<std::size_t>(frames) * info_.channels;
        if (bits_ == 16) {
            const std::size_t at = shorts_.size();
            shorts_.resize(at + count);
            ConvertTo16(samples, count, shorts_.data() + at);
            if (shorts_.size() >= kFlushSamples) {
                Flush();
            }
            return;
        }
        // Left-justified, the layout libsndfile takes for every integer depth.
        const int shift = 32 - bits_;
        const double scale = std::ldexp(1.0, bits_ - 1);
        const std::size_t at = ints_.size();
        ints_.resize(at + count);
        for (std::size_t i = 0; i < count; ++i) {
            ints_[at + i] =
                static_cast<int>(static_cast<std::uint32_t>(ToInteger(samples[i], scale)) << shift);
        }
        if (ints_.size() >= kFlushSamples) {
            Flush();
        }
    }

    void Finish() override {
        Flush();
        SNDFILE* file = file_;
        file_ = nullptr;
        const int rc = sf_close(file);
        if (rc != 0) {
            ThrowAudioError(kCannotWrite, shownPath_, QString::fromUtf8(sf_error_number(rc)));
        }
    }

  private:
    static constexpr std::size_t kFlushSamples = 1 << 16;

    void Flush() {
        const sf_count_t channels = info_.channels;
        sf_count_t frames = 0;
        sf_count_t written = 0;
        if (!shorts_.empty()) {
            frames = static_cast<sf_count_t>(shorts_.size()) / channels;
            written = sf_writef_short(file_, shorts_.data(), frames);
            shorts_.clear();
        } else if (!ints_.empty()) {
            frames = static_cast<sf_count_t>(ints_.size()) / channels;
            written = sf_writef_int(file_, ints_.data(), frames);
            ints_.clear();
        }
        if (written != frames) {
            ThrowAudioError(kCannotWrite, shownPath_, QString::fromUtf8(sf_strerror(file_)));
        }
    }

    // Rounds to nearest (halves away from zero) and clips to the depth's range without library
    // calls. NaN ends up at the negative limit.
    template <typename Real>
    static std::int32_t ToInteger(float sample, Real scale) {
        Real v = static_cast<Real>(sample) * scale;
        v = v < scale - 1 ? v : scale - 1;
        v = v > -scale ? v : -scale;
        return static_cast<std::int32_t>(v + std::copysign(Real(0.5), v));
    }

    // The common case (16-bit output) eight samples at a time where SSE2 is there (every x86-64).
    static void ConvertTo16(const float* in, std::size_t count, short* out) {
        std::size_t i = 0;
#if defined(__SSE2__)
        const __m128 scale = _mm_set1_ps(32768.0f);
        const __m128 low = _mm_set1_ps(-32768.0f);
        const __m128 high = _mm_set1_ps(32767.0f);
        for (; i + 8 <= count; i += 8) {
            // max first: it gives its second operand, the limit, for NaN.
            const __m128 a =
                _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i), scale), low), high);
            const __m128 b =
                _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i + 4), scale), low), high);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
        }
#endif
        for (; i < count; ++i) {
            out[i] = static_cast<short>(ToInteger(in[i], 32768.0f));
        }
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
