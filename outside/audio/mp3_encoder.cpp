// MP3 output through libmp3lame: no ID3 tag of its own, LAME/Xing header frame written at the end.
#include <lame/lame.h>

#include <QFile>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "outside/audio/audio_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/lame_options.h"
#include "platform/native_name.h"

namespace {

constexpr std::int64_t kChunkFrames = 16384;

struct LameCloser {
    void operator()(lame_global_flags* gfp) const { lame_close(gfp); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// LAME's console notes (a filter it drops, a rate it adjusts) have no reader here.
void Silent(const char*, va_list) {}

// A stereo mode asked for explicitly makes a stereo file even from a mono source; otherwise the
// source's own channel count decides.
int FirstPassChannels(const Mp3EncoderOptions& options, int sourceChannels) {
    const bool explicitMode = (!options.preset && options.channelMode != -1) ||
                              LameCommandLineSetsMode(options.commandLine);
    return explicitMode || sourceChannels >= 2 ? 2 : 1;
}

class Mp3Encoder : public AudioEncoder {
  public:
    Mp3Encoder(const QString& path, QString shownPath, const Mp3EncoderOptions& options,
               int sourceRate, int sourceChannels)
        : shownPath_(std::move(shownPath)) {
        // First pass: learn the output rate and mode LAME settles on for this source (the
        // options may leave them open); second pass: feed LAME at exactly that rate and channel
        // count, since resampling and channel mapping are done before the encoder.
        LamePtr probe =
            Configure(options, sourceRate, FirstPassChannels(options, sourceChannels), 0);
        rate_ = lame_get_out_samplerate(probe.get());
        channels_ = lame_get_mode(probe.get()) == MONO ? 1 : 2;
        probe.reset();
        gfp_ = Configure(options, rate_, channels_, rate_);

        file_.reset(std::fopen(NativeName(path).constData(), "wb"));
        if (!file_) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            const int n = static_cast<int>(std::min(frames, kChunkFrames));
            out_.resize(static_cast<std::size_t>(n) * 5 / 4 + 7200);
            const int size = static_cast<int>(out_.size());
            const int made = channels_ == 2
                                 ? lame_encode_buffer_interleaved_ieee_float(gfp_.get(), samples, n,
                                                                             out_.data(), size)
                                 : lame_encode_buffer_ieee_float(gfp_.get(), samples, samples, n,
                                                                 out_.data(), size);
            if (made < 0) {
                ThrowWriteError(shownPath_,
                                QStringLiteral("the MP3 encoder failed (error %1)").arg(made));
            }
            PutBytes(file_.get(), out_.data(), static_cast<std::size_t>(made), shownPath_);
            samples += static_cast<std::size_t>(n) * channels_;
            frames -= n;
        }
    }

    void Finish() override {
        out_.resize(7200);
        const int made = lame_encode_flush(gfp_.get(), out_.data(), static_cast<int>(out_.size()));
        if (made < 0) {
            ThrowWriteError(shownPath_,
                            QStringLiteral("the MP3 encoder failed (error %1)").arg(made));
        }
        PutBytes(file_.get(), out_.data(), static_cast<std::size_t>(made), shownPath_);
        // The header frame LAME reserved at the start now gets the real frame count, encoder
        // delay and padding, so decoders know the exact length.
        if (lame_get_bWriteVbrTag(gfp_.get()) != 0) {
            std::vector<unsigned char> tag(8192);
            const std::size_t size = lame_get_lametag_frame(gfp_.get(), tag.data(), tag.size());
            if (size > 0 && size <= tag.size()) {
                if (std::fseek(file_.get(), 0, SEEK_SET) != 0) {
                    ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
                }
                PutBytes(file_.get(), tag.data(), size, shownPath_);
            }
        }
        std::FILE* file = file_.release();
        CloseOutputStream(file, shownPath_);
    }

  private:
    LamePtr Configure(const Mp3EncoderOptions& options, int inRate, int channels, int outRate) {
        LamePtr owner(lame_init());
        lame_global_flags* gfp = owner.get();
        if (gfp == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot encode"), shownPath_,
                            QStringLiteral("the MP3 encoder cannot start (out of memory)"));
        }
        lame_set_errorf(gfp, Silent);
        lame_set_debugf(gfp, Silent);
        lame_set_msgf(gfp, Silent);
        lame_set_in_samplerate(gfp, inRate);
        lame_set_num_channels(gfp, channels);
        lame_set_write_id3tag_automatic(gfp, 0);  // tags are written by the program afterwards
        ApplyMp3Options(gfp, options, shownPath_);
        if (outRate > 0) {
            lame_set_out_samplerate(gfp, outRate);
            if (channels == 1) {
                lame_set_mode(gfp, MONO);
            }
        }
        if (lame_init_params(gfp) < 0) {
            ThrowAudioError(QStringLiteral("Cannot encode"), shownPath_,
                            QStringLiteral("the MP3 encoder refuses these settings (%1 Hz, "
                                           "%2 kbps)")
                                .arg(lame_get_out_samplerate(gfp))
                                .arg(lame_get_brate(gfp)));
        }
        return owner;
    }

    QString shownPath_;
    LamePtr gfp_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    int rate_ = 0;
    int channels_ = 0;
    std::vector<unsigned char> out_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateMp3Encoder(const QString& path, const QString& shownPath,
                                               const Mp3EncoderOptions& options, int sourceRate,
                                               int sourceChannels) {
    return std::make_unique<Mp3Encoder>(path, shownPath, options, sourceRate, sourceChannels);
}

PcmFormat Mp3OutputPcm(const Mp3EncoderOptions& options, int sourceRate, int sourceChannels) {
    const int channels = FirstPassChannels(options, sourceChannels);
    PcmFormat out{sourceRate, channels, 0, false};
    LamePtr probe(lame_init());
    if (!probe) {
        return out;
    }
    lame_set_errorf(probe.get(), Silent);
    lame_set_debugf(probe.get(), Silent);
    lame_set_msgf(probe.get(), Silent);
    lame_set_in_samplerate(probe.get(), sourceRate);
    lame_set_num_channels(probe.get(), channels);
    try {
        ApplyMp3Options(probe.get(), options, QString());
    } catch (const std::exception&) {
        return out;  // the output itself will say what is wrong
    }
    if (lame_init_params(probe.get()) >= 0) {
        out.rate = lame_get_out_samplerate(probe.get());
        out.channels = lame_get_mode(probe.get()) == MONO ? 1 : 2;
    }
    return out;
}
