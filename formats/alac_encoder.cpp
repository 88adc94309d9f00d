// Apple Lossless in an MP4 (.m4a) file through FFmpeg's ALAC encoder and its "ipod" muxer.
// ALAC has no priming delay and takes a short last frame, so the stored length is exact.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <QFile>
#include <algorithm>
#include <mutex>

#include "formats/encoders.h"
#include "formats/pcm_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/channel_order.h"

namespace {

QString AvText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

struct AlacState {
    ~AlacState() {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        if (format_ != nullptr) {
            avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
};

class AlacEncoder : public PcmEncoder, private AlacState {
  public:
    AlacEncoder(const QString& path, QString shownPath, const PcmFormat& output, int sourceBits,
                bool dither)
        : PcmEncoder(output, sourceBits, dither), shownPath_(std::move(shownPath)) {
        const QString what = QStringLiteral("Cannot create");
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ALAC);
        if (codec == nullptr) {
            ThrowAudioError(what, shownPath_,
                            QStringLiteral("this system's FFmpeg has no ALAC encoder"));
        }
        Check(avformat_alloc_output_context2(&format_, nullptr, "ipod", nullptr), what);
        AVStream* stream = avformat_new_stream(format_, nullptr);
        codec_ = avcodec_alloc_context3(codec);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (stream == nullptr || codec_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
            Check(AVERROR(ENOMEM), what);
        }
        // 24-bit ALAC takes its samples in the top bits of 32.
        const AVSampleFormat sampleFormat =
            output.bits == 16 ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_S32P;
        codec_->sample_fmt = sampleFormat;
        codec_->bits_per_raw_sample = output.bits;
        codec_->sample_rate = output.rate;
        codec_->time_base = AVRational{1, output.rate};
        SetLayout(codec);
        if ((format_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
            codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        Check(avcodec_open2(codec_, codec, nullptr), what);
        Check(avcodec_parameters_from_context(stream->codecpar, codec_), what);
        stream->time_base = AVRational{1, output.rate};

        // "file:" keeps a name with a colon from being taken for another protocol.
        const QByteArray url = "file:" + QFile::encodeName(path);
        Check(avio_open(&format_->pb, url.constData(), AVIO_FLAG_WRITE), what);
        Check(avformat_write_header(format_, nullptr), what);

        frame_->format = sampleFormat;
        frame_->sample_rate = output.rate;
        frame_->nb_samples = codec_->frame_size;
        Check(av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout), what);
        Check(av_frame_get_buffer(frame_, 0), what);
    }

    void WriteIntegers(const std::int32_t* samples, std::int64_t frames) override {
        const int size = codec_->frame_size;
        const int channels = output_.channels;
        const int shift = output_.bits == 16 ? 0 : 32 - output_.bits;
        while (frames > 0) {
            if (filled_ == 0) {
                Check(av_frame_make_writable(frame_), QStringLiteral("Cannot write"));
            }
            const int n = static_cast<int>(std::min<std::int64_t>(frames, size - filled_));
            for (int c = 0; c < channels; ++c) {
                const std::int32_t* from = samples + c;
                if (output_.bits == 16) {
                    auto* plane = reinterpret_cast<std::int16_t*>(frame_->extended_data[c]);
                    for (int i = 0; i < n; ++i) {
                        plane[filled_ + i] =
                            static_cast<std::int16_t>(from[static_cast<std::size_t>(i) * channels]);
                    }
                } else {
                    auto* plane = reinterpret_cast<std::int32_t*>(frame_->extended_data[c]);
                    for (int i = 0; i < n; ++i) {
                        const auto v = static_cast<std::uint32_t>(
                            from[static_cast<std::size_t>(i) * channels]);
                        plane[filled_ + i] = static_cast<std::int32_t>(v << shift);
                    }
                }
            }
            filled_ += n;
            samples += static_cast<std::size_t>(n) * channels;
            frames -= n;
            if (filled_ == size) {
                SendFrame();
            }
        }
    }

    void Finish() override {
        const QString what = QStringLiteral("Cannot write");
        if (filled_ > 0) {
            frame_->nb_samples = filled_;  // the encoder takes a short last frame
            SendFrame();
        }
        if (sent_ == 0) {
            // The muxer leaves a track without samples out, which leaves a file without audio.
            ThrowWriteError(shownPath_, QStringLiteral("M4A cannot hold a file without samples"));
        }
        Check(avcodec_send_frame(codec_, nullptr), what);
        Drain();
        Check(av_write_trailer(format_), what);
        Check(avio_closep(&format_->pb), what);
    }

  private:
    // Our speaker layout where ALAC has it, otherwise ALAC's own of as many channels: the
    // samples keep their places either way.
    void SetLayout(const AVCodec* codec) {
        AVChannelLayout wanted{};
        av_channel_layout_from_mask(&wanted, WaveChannelMask(output_.channels));
        const AVChannelLayout* chosen = &wanted;
        if (codec->ch_layouts != nullptr) {
            const AVChannelLayout* sameCount = nullptr;
            bool known = false;
            for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels != 0; ++l) {
                known = known || av_channel_layout_compare(l, &wanted) == 0;
                if (sameCount == nullptr && l->nb_channels == output_.channels) {
                    sameCount = l;
                }
            }
            if (!known && sameCount != nullptr) {
                chosen = sameCount;
            }
        }
        Check(av_channel_layout_copy(&codec_->ch_layout, chosen), QStringLiteral("Cannot create"));
    }

    void SendFrame() {
        frame_->pts = sent_;
        sent_ += frame_->nb_samples;
        filled_ = 0;
        Check(avcodec_send_frame(codec_, frame_), QStringLiteral("Cannot write"));
        Drain();
    }

    void Drain() {
        for (;;) {
            const int rc = avcodec_receive_packet(codec_, packet_);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
                return;
            }
            Check(rc, QStringLiteral("Cannot write"));
            av_packet_rescale_ts(packet_, codec_->time_base, format_->streams[0]->time_base);
            packet_->stream_index = 0;
            Check(av_write_frame(format_, packet_), QStringLiteral("Cannot write"));
        }
    }

    void Check(int rc, const QString& what) const {
        if (rc < 0) {
            ThrowAudioError(what, shownPath_, AvText(rc));
        }
    }

    QString shownPath_;
    int filled_ = 0;  // frames in frame_ not yet sent
    std::int64_t sent_ = 0;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateAlacEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits,
                                                bool dither) {
    // FFmpeg's log would go to the terminal, under every message of ours.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const QString what = QStringLiteral("Cannot create");
    if (output.channels < 1 || output.channels > 8) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("%1 channels cannot be written to ALAC").arg(output.channels));
    }
    if (output.floating || (output.bits != 16 && output.bits != 24)) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("ALAC is written with 16 or 24 bits, not %1").arg(output.bits));
    }
    if (output.rate < 1 || output.rate > 384000) {
        ThrowAudioError(what, shownPath, QStringLiteral("ALAC cannot hold %1 Hz").arg(output.rate));
    }
    return std::make_unique<AlacEncoder>(path, shownPath, output, sourceBits, dither);
}
