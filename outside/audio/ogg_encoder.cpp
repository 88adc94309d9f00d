// Ogg Vorbis output through libvorbisenc and libogg.
#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "outside/audio/audio_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/channel_order.h"
#include "outside/audio/sample_rates.h"
#include "platform/native_name.h"

namespace {

constexpr std::int64_t kChunkFrames = 4096;

// The library state, released by its own destructor so that a constructor that throws half way
// leaks nothing.
struct OggState {
    ~OggState() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        if (codecReady_) {
            ogg_stream_clear(&stream_);
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
        }
        if (infoReady_) {
            vorbis_comment_clear(&comment_);
            vorbis_info_clear(&info_);
        }
    }
    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state stream_{};
    bool infoReady_ = false;
    bool codecReady_ = false;
    std::FILE* file_ = nullptr;
};

class OggEncoder : public AudioEncoder, private OggState {
  public:
    OggEncoder(const QString& path, QString shownPath, const OggSettings& s)
        : shownPath_(std::move(shownPath)), rate_(s.sampleRate), channels_(s.channels) {
        vorbis_info_init(&info_);
        vorbis_comment_init(&comment_);
        infoReady_ = true;
        // Quality -1 means "use the bit rate"; otherwise it is the libvorbis quality in
        // hundredths (300 is quality 3.0, as oggenc -q 3; range -100..1000 for -1.0..10.0).
        // libvorbis counts that scale from -0.1 to 1.0, so it is divided by 1000 (by 100 every
        // quality from 1 up came out at the top rate). Bit rates are kbps; with min and max both 0
        // the encoder aims at the average rate, otherwise it keeps within min..max (0 leaves that
        // side open).
        int rc = 0;
        if (s.quality != -1) {
            rc = vorbis_encode_init_vbr(&info_, channels_, rate_, s.quality / 1000.0f);
        } else {
            rc = vorbis_encode_init(&info_, channels_, rate_,
                                    s.maxKbps > 0 ? s.maxKbps * 1000L : -1L, s.kbps * 1000L,
                                    s.minKbps > 0 ? s.minKbps * 1000L : -1L);
        }
        if (rc != 0) {
            ThrowAudioError(QStringLiteral("Cannot encode"), shownPath_,
                            QStringLiteral("the Vorbis encoder has no mode for %1 Hz, %2 "
                                           "channels at these bit rate or quality settings")
                                .arg(rate_)
                                .arg(channels_));
        }
        vorbis_analysis_init(&dsp_, &info_);
        vorbis_block_init(&dsp_, &block_);
        ogg_stream_init(&stream_, static_cast<int>(QRandomGenerator::global()->generate() >> 1));
        codecReady_ = true;

        file_ = std::fopen(NativeName(path).constData(), "wb");
        if (file_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        ogg_packet header;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&dsp_, &comment_, &header, &comments, &codebooks);
        ogg_stream_packetin(&stream_, &header);
        ogg_stream_packetin(&stream_, &comments);
        ogg_stream_packetin(&stream_, &codebooks);
        // Audio starts on a fresh page, as Vorbis streams require.
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) != 0) {
            PutPage(page);
        }
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            const int n = static_cast<int>(std::min(frames, kChunkFrames));
            float** planes = vorbis_analysis_buffer(&dsp_, n);
            // Vorbis keeps more than two channels in its own order (centre second, LFE last).
            const int* order = WaveToVorbisOrder(channels_);
            for (int c = 0; c < channels_; ++c) {
                const float* from = samples + order[c];
                float* to = planes[c];
                for (int i = 0; i < n; ++i) {
                    to[i] = from[static_cast<std::size_t>(i) * channels_];
                }
            }
            vorbis_analysis_wrote(&dsp_, n);
            Drain();
            samples += static_cast<std::size_t>(n) * channels_;
            frames -= n;
        }
    }

    void Finish() override {
        vorbis_analysis_wrote(&dsp_, 0);
        Drain();
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }

  private:
    void Drain() {
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
                ogg_stream_packetin(&stream_, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream_, &page) != 0) {
                    PutPage(page);
                }
            }
        }
        if (ogg_stream_eos(&stream_) == 0) {
            return;
        }
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) != 0) {
            PutPage(page);
        }
    }

    void PutPage(const ogg_page& page) {
        PutBytes(file_, page.header, static_cast<std::size_t>(page.header_len), shownPath_);
        PutBytes(file_, page.body, static_cast<std::size_t>(page.body_len), shownPath_);
    }

    QString shownPath_;
    int rate_;
    int channels_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateOggEncoder(const QString& path, const QString& shownPath,
                                               const OggSettings& settings) {
    const QString what = QStringLiteral("Cannot create");
    if (!IsUsableSampleRate(settings.sampleRate)) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("%1 Hz is not a usable sample rate").arg(settings.sampleRate));
    }
    if (settings.channels < 1 || settings.channels > 8) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("%1 channels cannot be written to Ogg Vorbis").arg(settings.channels));
    }
    if (settings.quality != -1 && (settings.quality < -100 || settings.quality > 1000)) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("the Ogg quality %1 is outside -100 to 1000").arg(settings.quality));
    }
    if (settings.quality == -1) {
        const bool bad = settings.kbps <= 0 || settings.kbps > 500 ||
                         (settings.minKbps > 0 && settings.minKbps > settings.kbps) ||
                         (settings.maxKbps > 0 && settings.maxKbps < settings.kbps);
        if (bad) {
            ThrowAudioError(what, shownPath,
                            QStringLiteral("the Ogg bit rates do not fit together (%1 kbps, "
                                           "min %2, max %3)")
                                .arg(settings.kbps)
                                .arg(settings.minKbps)
                                .arg(settings.maxKbps));
        }
    }
    return std::make_unique<OggEncoder>(path, shownPath, settings);
}
