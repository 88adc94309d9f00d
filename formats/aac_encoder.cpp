// AAC in an MP4 (.m4a) container through FFmpeg's own AAC encoder and its "ipod" muxer. The
// encoder's priming delay and the length go into the MP4 edit list (which this muxer counts in
// milliseconds), so decoders give back the samples written, to within a frame.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <QFile>
#include <algorithm>
#include <iterator>
#include <mutex>

#include "formats/encoders.h"
#include "outside/audio/audio_error.h"

namespace {

// The rates an AAC stream can signal without an explicit frequency, lowest first.
constexpr int kAacRates[] = {7350,  8000,  11025, 12000, 16000, 22050, 24000,
                             32000, 44100, 48000, 64000, 88200, 96000};

QString AvText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

// The speaker layout of our channel orders (the WAV masks).
std::uint64_t LayoutMask(int channels) {
    static constexpr std::uint64_t kMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return kMasks[channels];
}

struct AacState {
    ~AacState() {
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

class AacEncoder : public AudioEncoder, private AacState {
  public:
    AacEncoder(const QString& path, QString shownPath, int rate, int channels, int kbps)
        : shownPath_(std::move(shownPath)), rate_(rate), channels_(channels) {
        const QString what = QStringLiteral("Cannot create");
        const AVCodec* codec = avcodec_find_encoder_by_name("aac");
        if (codec == nullptr) {
            ThrowAudioError(what, shownPath_,
                            QStringLiteral("this system's FFmpeg has no AAC encoder"));
        }
        Check(avformat_alloc_output_context2(&format_, nullptr, "ipod", nullptr), what);
        AVStream* stream = avformat_new_stream(format_, nullptr);
        codec_ = avcodec_alloc_context3(codec);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (stream == nullptr || codec_ == nullptr || frame_ == nullptr || packet_ == nullptr) {
            Check(AVERROR(ENOMEM), what);
        }
        codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec_->sample_rate = rate;
        codec_->bit_rate = std::int64_t{kbps} * 1000;
        codec_->time_base = AVRational{1, rate};
        SetLayout(codec);
        if ((format_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
            codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        Check(avcodec_open2(codec_, codec, nullptr), what);
        Check(avcodec_parameters_from_context(stream->codecpar, codec_), what);
        stream->time_base = AVRational{1, rate};

        // "file:" keeps a name with a colon from being taken for another protocol.
        const QByteArray url = "file:" + QFile::encodeName(path);
        Check(avio_open(&format_->pb, url.constData(), AVIO_FLAG_WRITE), what);
        Check(avformat_write_header(format_, nullptr), what);

        frame_->format = AV_SAMPLE_FMT_FLTP;
        frame_->sample_rate = rate;
        frame_->nb_samples = codec_->frame_size;
        Check(av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout), what);
        Check(av_frame_get_buffer(frame_, 0), what);
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        const int size = codec_->frame_size;
        while (frames > 0) {
            if (filled_ == 0) {
                Check(av_frame_make_writable(frame_), QStringLiteral("Cannot write"));
            }
            const int n = static_cast<int>(std::min<std::int64_t>(frames, size - filled_));
            for (int c = 0; c < channels_; ++c) {
                float* plane = reinterpret_cast<float*>(frame_->extended_data[c]) + filled_;
                const float* from = samples + c;
                for (int i = 0; i < n; ++i) {
                    plane[i] = from[static_cast<std::size_t>(i) * channels_];
                }
            }
            filled_ += n;
            samples += static_cast<std::size_t>(n) * channels_;
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
        Check(avcodec_send_frame(codec_, nullptr), what);
        Drain();
        Check(av_write_trailer(format_), what);
        Check(avio_closep(&format_->pb), what);
    }

  private:
    // Our layout where the encoder knows it, otherwise the encoder's own of as many channels.
    void SetLayout(const AVCodec* codec) {
        AVChannelLayout wanted{};
        av_channel_layout_from_mask(&wanted, LayoutMask(channels_));
        const AVChannelLayout* chosen = &wanted;
        if (codec->ch_layouts != nullptr) {
            const AVChannelLayout* sameCount = nullptr;
            bool known = false;
            for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels != 0; ++l) {
                known = known || av_channel_layout_compare(l, &wanted) == 0;
                if (sameCount == nullptr && l->nb_channels == channels_) {
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
    int rate_;
    int channels_;
    int filled_ = 0;  // frames in frame_ not yet sent
    std::int64_t sent_ = 0;
};

}  // namespace

int AacSampleRate(int sourceRate) {
    for (const int rate : kAacRates) {
        if (rate >= sourceRate) {
            return rate;
        }
    }
    return kAacRates[std::size(kAacRates) - 1];
}

std::unique_ptr<AudioEncoder> CreateAacEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate, int channels, int kbps) {
    // FFmpeg's log would go to the terminal, under every message of ours.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const QString what = QStringLiteral("Cannot create");
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to M4A").arg(channels));
    }
    if (sampleRate != AacSampleRate(sampleRate)) {
        ThrowAudioError(what, shownPath, QStringLiteral("AAC cannot hold %1 Hz").arg(sampleRate));
    }
    if (kbps < 8 || kbps > 512) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("the AAC bit rate %1 kbps is outside 8 to 512").arg(kbps));
    }
    return std::make_unique<AacEncoder>(path, shownPath, sampleRate, channels, kbps);
}
