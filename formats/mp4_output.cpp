#include "formats/mp4_output.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <QFile>
#include <mutex>

#include "outside/audio/audio_error.h"
#include "outside/audio/channel_order.h"
#include "platform/native_name.h"

namespace {

QString AvText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

}  // namespace

// The library objects, released by their own destructor so that a constructor that throws half
// way leaks nothing.
struct Mp4Output::State {
    ~State() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format != nullptr) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
};

Mp4Output::Mp4Output(const QString& path, QString shownPath, const Setup& setup)
    : state_(std::make_unique<State>()), shownPath_(std::move(shownPath)) {
    // FFmpeg's log would go to the terminal, under every message of ours.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    const QString what = QStringLiteral("Cannot create");
    State& s = *state_;
    const AVCodec* codec = avcodec_find_encoder_by_name(setup.encoder);
    if (codec == nullptr) {
        ThrowAudioError(what, shownPath_,
                        QStringLiteral("this system's FFmpeg has no %1 encoder")
                            .arg(QString::fromUtf8(setup.name)));
    }
    Check(avformat_alloc_output_context2(&s.format, nullptr, "ipod", nullptr), what);
    AVStream* stream = avformat_new_stream(s.format, nullptr);
    s.codec = avcodec_alloc_context3(codec);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (stream == nullptr || s.codec == nullptr || s.frame == nullptr || s.packet == nullptr) {
        Check(AVERROR(ENOMEM), what);
    }
    const auto format = static_cast<AVSampleFormat>(setup.sampleFormat);
    s.codec->sample_fmt = format;
    s.codec->sample_rate = setup.rate;
    s.codec->time_base = AVRational{1, setup.rate};
    if (setup.rawBits > 0) {
        s.codec->bits_per_raw_sample = setup.rawBits;
    }
    if (setup.bitRate > 0) {
        s.codec->bit_rate = setup.bitRate;
    }
    // Our layout where the encoder knows it, otherwise the encoder's own of as many channels.
    AVChannelLayout wanted{};
    av_channel_layout_from_mask(&wanted, WaveChannelMask(setup.channels));
    const AVChannelLayout* chosen = &wanted;
    if (codec->ch_layouts != nullptr) {
        const AVChannelLayout* sameCount = nullptr;
        bool known = false;
        for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels != 0; ++l) {
            known = known || av_channel_layout_compare(l, &wanted) == 0;
            if (sameCount == nullptr && l->nb_channels == setup.channels) {
                sameCount = l;
            }
        }
        if (!known && sameCount != nullptr) {
            chosen = sameCount;
        }
    }
    Check(av_channel_layout_copy(&s.codec->ch_layout, chosen), what);
    if ((s.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    Check(avcodec_open2(s.codec, codec, nullptr), what);
    Check(avcodec_parameters_from_context(stream->codecpar, s.codec), what);
    stream->time_base = AVRational{1, setup.rate};

    // "file:" keeps a name with a colon from being taken for another protocol.
    const QByteArray url = "file:" + NativeName(path);
    Check(avio_open(&s.format->pb, url.constData(), AVIO_FLAG_WRITE), what);
    // The edit list that trims the encoder's delay and padding counts in the movie's time scale:
    // at the default of milliseconds a track's length is off by up to half of one, so it counts
    // samples instead, and gapless players get the length exact.
    AVDictionary* muxing = nullptr;
    av_dict_set_int(&muxing, "movie_timescale", setup.rate, 0);
    const int written = avformat_write_header(s.format, &muxing);
    av_dict_free(&muxing);
    Check(written, what);

    s.frame->format = format;
    s.frame->sample_rate = setup.rate;
    s.frame->nb_samples = s.codec->frame_size;
    Check(av_channel_layout_copy(&s.frame->ch_layout, &s.codec->ch_layout), what);
    Check(av_frame_get_buffer(s.frame, 0), what);
}

Mp4Output::~Mp4Output() = default;

int Mp4Output::FrameSize() const {
    return state_->codec->frame_size;
}

int Mp4Output::Free() const {
    return FrameSize() - filled_;
}

std::uint8_t* Mp4Output::PlaneBytes(int c) {
    return state_->frame->extended_data[c];
}

void Mp4Output::Begin() {
    if (filled_ == 0) {
        Check(av_frame_make_writable(state_->frame), QStringLiteral("Cannot write"));
    }
}

void Mp4Output::Filled(int n) {
    filled_ += n;
    if (filled_ == FrameSize()) {
        SendFrame();
    }
}

void Mp4Output::Finish() {
    const QString what = QStringLiteral("Cannot write");
    if (filled_ > 0) {
        state_->frame->nb_samples = filled_;  // the encoder takes a short last frame
        SendFrame();
    }
    if (sent_ == 0) {
        ThrowWriteError(shownPath_, QStringLiteral("M4A cannot hold a file without samples"));
    }
    Check(avcodec_send_frame(state_->codec, nullptr), what);
    Drain();
    Check(av_write_trailer(state_->format), what);
    Check(avio_closep(&state_->format->pb), what);
}

void Mp4Output::SendFrame() {
    state_->frame->pts = sent_;
    sent_ += state_->frame->nb_samples;
    filled_ = 0;
    Check(avcodec_send_frame(state_->codec, state_->frame), QStringLiteral("Cannot write"));
    Drain();
}

void Mp4Output::Drain() {
    State& s = *state_;
    for (;;) {
        const int rc = avcodec_receive_packet(s.codec, s.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return;
        }
        Check(rc, QStringLiteral("Cannot write"));
        av_packet_rescale_ts(s.packet, s.codec->time_base, s.format->streams[0]->time_base);
        s.packet->stream_index = 0;
        Check(av_write_frame(s.format, s.packet), QStringLiteral("Cannot write"));
    }
}

void Mp4Output::Check(int rc, const QString& what) const {
    if (rc < 0) {
        ThrowAudioError(what, shownPath_, AvText(rc));
    }
}
