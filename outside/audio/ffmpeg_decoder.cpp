// The long tail of inputs (MP4/M4A with AAC or ALAC, ASF/WMA, WavPack, APE, Matroska ...)
// through FFmpeg's libavformat and libavcodec, trimmed as ffmpeg trims them (encoder delay and
// padding from the skip side data, edit lists and discarded packets).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

// The program's channel limit, as everywhere else in the audio component.
constexpr int kMaxChannels = 64;
constexpr int kIoBufferBytes = 1 << 16;

// libav writes its complaints about damaged files to the terminal; the user gets our message.
void QuietLibav() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback([](void*, int, const char*, va_list) {}); });
}

QString LibavText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Only the file the user named is read: playlists and references to other files or URLs inside
// a container are refused, so a hostile file cannot make us open something else.
int RefuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

int ReadCallback(void* opaque, std::uint8_t* buffer, int size) {
    auto* file = static_cast<std::FILE*>(opaque);
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
    if (got == 0) {
        return std::ferror(file) != 0 ? AVERROR(EIO) : AVERROR_EOF;
    }
    return static_cast<int>(got);
}

std::int64_t SeekCallback(void* opaque, std::int64_t offset, int whence) {
    auto* file = static_cast<std::FILE*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t at = ftello(file);
        if (at < 0 || fseeko(file, 0, SEEK_END) != 0) {
            return -1;
        }
        const off_t size = ftello(file);
        return fseeko(file, at, SEEK_SET) == 0 ? size : -1;
    }
    if (fseeko(file, offset, whence & ~AVSEEK_FORCE) != 0) {
        return -1;
    }
    return ftello(file);
}

// One demuxing of the file, with the audio stream chosen. The container is recognised by its
// content alone: no name is given to libavformat, so an extension can neither help nor mislead.
class Demuxer {
  public:
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;
    ~Demuxer() {
        avformat_close_input(&format_);
        if (io_ != nullptr) {
            av_freep(&io_->buffer);
            avio_context_free(&io_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    // Null with *whyNot set when libavformat does not know the content or it holds no audio;
    // throws when it knows the container but cannot read it.
    static std::unique_ptr<Demuxer> Open(const QString& path, QString* whyNot) {
        std::unique_ptr<Demuxer> demuxer(new Demuxer);
        demuxer->file_ = std::fopen(NativeName(path).constData(), "rb");
        if (demuxer->file_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot open"), path,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
        demuxer->io_ = buffer == nullptr
                           ? nullptr
                           : avio_alloc_context(buffer, kIoBufferBytes, 0, demuxer->file_,
                                                ReadCallback, nullptr, SeekCallback);
        if (demuxer->io_ == nullptr) {
            av_free(buffer);
            ThrowAudioError(QStringLiteral("Cannot open"), path, QStringLiteral("out of memory"));
        }
        const AVInputFormat* kind = nullptr;
        // Only content that names its format as surely as an extension would: a weaker match is
        // a chance pattern in some other file (executables pass for MPEG program streams).
        const int score = av_probe_input_buffer2(demuxer->io_, &kind, "", nullptr, 0, 0);
        if (score <= AVPROBE_SCORE_EXTENSION || kind == nullptr) {
            *whyNot = QStringLiteral("not a known audio format");
            return nullptr;
        }
        const QString kindName = QString::fromUtf8(kind->long_name ? kind->long_name : kind->name);
        demuxer->format_ = avformat_alloc_context();
        if (demuxer->format_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot open"), path, QStringLiteral("out of memory"));
        }
        demuxer->format_->pb = demuxer->io_;
        demuxer->format_->flags |= AVFMT_FLAG_CUSTOM_IO;
        demuxer->format_->io_open = RefuseOtherFiles;
        int result = avformat_open_input(&demuxer->format_, "", kind, nullptr);
        if (result < 0) {
            // avformat_open_input frees the context on failure.
            ThrowAudioError(
                QStringLiteral("Cannot open"), path,
                QStringLiteral("a damaged %1 file (%2)").arg(kindName, LibavText(result)));
        }
        result = avformat_find_stream_info(demuxer->format_, nullptr);
        if (result < 0) {
            ThrowAudioError(
                QStringLiteral("Cannot open"), path,
                QStringLiteral("a damaged %1 file (%2)").arg(kindName, LibavText(result)));
        }
        demuxer->stream_ =
            av_find_best_stream(demuxer->format_, AVMEDIA_TYPE_AUDIO, -1, -1, &demuxer->codec_, 0);
        if (demuxer->stream_ == AVERROR_DECODER_NOT_FOUND) {
            // Audio this FFmpeg has no decoder for: the file is ours, the codec is not.
            const int any =
                av_find_best_stream(demuxer->format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
            const AVCodecID id =
                any >= 0 ? demuxer->format_->streams[any]->codecpar->codec_id : AV_CODEC_ID_NONE;
            ThrowAudioError(QStringLiteral("Cannot open"), path,
                            QStringLiteral("no decoder for its %1 audio")
                                .arg(QString::fromUtf8(avcodec_get_name(id))));
        }
        if (demuxer->stream_ < 0 || demuxer->codec_ == nullptr) {
            *whyNot = QStringLiteral("%1 without audio").arg(kindName);
            return nullptr;
        }
        for (unsigned i = 0; i < demuxer->format_->nb_streams; ++i) {
            if (static_cast<int>(i) != demuxer->stream_) {
                demuxer->format_->streams[i]->discard = AVDISCARD_ALL;
            }
        }
        return demuxer;
    }

    AVStream* Stream() const { return format_->streams[stream_]; }
    // The demuxer's short name: "mov" (MP4 and M4A), "ogg", "matroska", "asf", "wv" ...
    QString Container() const {
        return QString::fromUtf8(format_->iformat->name).section(QLatin1Char(','), 0, 0);
    }
    AVCodecParameters* Parameters() const { return Stream()->codecpar; }
    const AVCodec* Codec() const { return codec_; }

    // The length the container states, in frames at `rate`, or -1 when it states none (a length
    // guessed from the bit rate is no statement).
    std::int64_t StatedFrames(int rate) const {
        const AVStream* stream = Stream();
        if (format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) {
            return -1;
        }
        if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0) {
            // Matroska states the length of the whole segment in its header, not per stream.
            const bool matroska = std::strncmp(format_->iformat->name, "matroska", 8) == 0;
            if (!matroska || format_->duration == AV_NOPTS_VALUE || format_->duration <= 0) {
                return -1;
            }
            return av_rescale(format_->duration, rate, AV_TIME_BASE);
        }
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, rate});
    }

    // To the last point libavformat can start from at or before `timestamp` (in the stream's
    // time base). False when the container cannot seek.
    bool SeekBefore(std::int64_t timestamp) {
        return av_seek_frame(format_, stream_, timestamp, AVSEEK_FLAG_BACKWARD) >= 0;
    }

    // The next packet of the audio stream: false at the end; a read error ends the stream too
    // (the caller tells an early end from the length).
    bool Next(AVPacket* packet) {
        while (av_read_frame(format_, packet) >= 0) {
            if (packet->stream_index == stream_) {
                return true;
            }
            av_packet_unref(packet);
        }
        return false;
    }

  private:
    Demuxer() = default;

    std::FILE* file_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    const AVCodec* codec_ = nullptr;
    int stream_ = -1;
};

struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct CodecFree {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};

// Interleaved float from any of libav's sample layouts.
template <typename T>
float ToFloat(T value);
template <>
float ToFloat(std::uint8_t value) {
    return (static_cast<int>(value) - 128) / 128.0f;
}
template <>
float ToFloat(std::int16_t value) {
    return value / 32768.0f;
}
template <>
float ToFloat(std::int32_t value) {
    return static_cast<float>(value / 2147483648.0);
}
template <>
float ToFloat(std::int64_t value) {
    return static_cast<float>(static_cast<double>(value) / 9223372036854775808.0);
}
template <>
float ToFloat(float value) {
    return value;
}
template <>
float ToFloat(double value) {
    return static_cast<float>(value);
}

template <typename T>
void CopyFrames(const AVFrame* frame, bool planar, int channels, std::int64_t from,
                std::int64_t count, float* out) {
    if (planar) {
        for (int c = 0; c < channels; ++c) {
            const T* in = reinterpret_cast<const T*>(frame->extended_data[c]) + from;
            for (std::int64_t i = 0; i < count; ++i) {
                out[i * channels + c] = ToFloat<T>(in[i]);
            }
        }
        return;
    }
    const T* in = reinterpret_cast<const T*>(frame->extended_data[0]) + from * channels;
    for (std::int64_t i = 0; i < count * channels; ++i) {
        out[i] = ToFloat<T>(in[i]);
    }
}

// False for a layout we do not know (a newer libav): the stream then counts as undecodable.
bool ConvertFrames(const AVFrame* frame, int channels, std::int64_t from, std::int64_t count,
                   float* out) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            CopyFrames<std::uint8_t>(frame, planar, channels, from, count, out);
            return true;
        case AV_SAMPLE_FMT_S16:
            CopyFrames<std::int16_t>(frame, planar, channels, from, count, out);
            return true;
        case AV_SAMPLE_FMT_S32:
            CopyFrames<std::int32_t>(frame, planar, channels, from, count, out);
            return true;
        case AV_SAMPLE_FMT_S64:
            CopyFrames<std::int64_t>(frame, planar, channels, from, count, out);
            return true;
        case AV_SAMPLE_FMT_FLT:
            CopyFrames<float>(frame, planar, channels, from, count, out);
            return true;
        case AV_SAMPLE_FMT_DBL:
            CopyFrames<double>(frame, planar, channels, from, count, out);
            return true;
        default:
            return false;
    }
}

// A decoder on one demuxing: frames come out trimmed as libavcodec trims them.
class FrameSource {
  public:
    FrameSource(QString path, std::unique_ptr<Demuxer> demuxer)
        : path_(std::move(path)), demuxer_(std::move(demuxer)) {
        codec_.reset(avcodec_alloc_context3(demuxer_->Codec()));
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!codec_ || !packet_ || !frame_) {
            ThrowAudioError(QStringLiteral("Cannot open"), path_, QStringLiteral("out of memory"));
        }
        int result = avcodec_parameters_to_context(codec_.get(), demuxer_->Parameters());
        if (result >= 0) {
            codec_->pkt_timebase = demuxer_->Stream()->time_base;
            codec_->thread_count = 0;  // as many as the machine has, like the ffmpeg tool
            result = avcodec_open2(codec_.get(), demuxer_->Codec(), nullptr);
        }
        if (result < 0) {
            ThrowAudioError(
                QStringLiteral("Cannot open"), path_,
                QStringLiteral("cannot start the %1 decoder (%2)")
                    .arg(QString::fromUtf8(demuxer_->Codec()->name), LibavText(result)));
        }
    }

    const Demuxer& Demuxing() const { return *demuxer_; }
    AVCodecContext* Codec() const { return codec_.get(); }

    // The next decoded frame, or null at the end of the stream. A damaged packet is left out,
    // as ffmpeg leaves it out (the reader's length check catches a file with many); a run of
    // them, or any other failure, ends the stream and `Failure` says why.
    const AVFrame* Next() {
        av_frame_unref(frame_.get());
        while (true) {
            const int got = avcodec_receive_frame(codec_.get(), frame_.get());
            if (got >= 0) {
                badRun_ = 0;
                return frame_.get();
            }
            if (got == AVERROR_EOF) {
                return nullptr;
            }
            if (got != AVERROR(EAGAIN) && !Tolerated(got)) {
                return nullptr;
            }
            if (draining_) {
                return nullptr;
            }
            int sent;
            if (demuxer_->Next(packet_.get())) {
                sent = avcodec_send_packet(codec_.get(), packet_.get());
                av_packet_unref(packet_.get());
            } else {
                draining_ = true;
                sent = avcodec_send_packet(codec_.get(), nullptr);
            }
            if (sent < 0 && sent != AVERROR_EOF && !Tolerated(sent)) {
                return nullptr;
            }
        }
    }

    const QString& Failure() const { return failure_; }

    // Decoding starts again from the last point at or before `timestamp`; the decoder forgets
    // what it held. False when the container cannot seek (the source is then where it was, or
    // nowhere useful).
    bool Restart(std::int64_t timestamp) {
        av_frame_unref(frame_.get());
        if (!demuxer_->SeekBefore(timestamp)) {
            return false;
        }
        avcodec_flush_buffers(codec_.get());
        draining_ = false;
        badRun_ = 0;
        failure_.clear();
        return true;
    }

  private:
    // A packet that does not decode is skipped, up to a run of them that says the rest is no
    // audio; running out of memory is no damage in the file and ends it at once.
    bool Tolerated(int error) {
        constexpr int kMaxBadRun = 64;
        if (error != AVERROR(ENOMEM) && ++badRun_ < kMaxBadRun) {
            return true;
        }
        failure_ = LibavText(error);
        return false;
    }

    QString path_;
    std::unique_ptr<Demuxer> demuxer_;
    std::unique_ptr<AVCodecContext, CodecFree> codec_;
    std::unique_ptr<AVPacket, PacketFree> packet_;
    std::unique_ptr<AVFrame, FrameFree> frame_;
    bool draining_ = false;
    int badRun_ = 0;
    QString failure_;
};

int FrameChannels(const AVFrame* frame) {
    return frame->ch_layout.nb_channels;
}

// The frames a decoding will give, from the packets alone where each packet's duration is
// exact in samples (MP4, Ogg, WavPack ...): the durations less the trimming the side data and
// discard flags ask for. Returns -1 where the container's clock is coarser than a sample
// (ASF, Matroska), or durations are missing.
std::int64_t CountFromPackets(Demuxer& demuxer, int rate) {
    const AVRational base = demuxer.Stream()->time_base;
    if (base.num != 1 || base.den != rate) {
        return -1;
    }
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet) {
        return -1;
    }
    // As libavcodec trims: a start skip runs on across packets and discarded packets use it
    // up; the end padding is cut from its own packet.
    std::int64_t total = 0;
    std::int64_t trimmed = 0;
    std::int64_t skip = 0;
    while (demuxer.Next(packet.get())) {
        const std::int64_t duration = packet->duration;
        if (duration <= 0) {
            return -1;
        }
        std::int64_t endPadding = 0;
        std::size_t size = 0;
        const std::uint8_t* side =
            av_packet_get_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
        if (side != nullptr && size >= 10) {
            std::uint32_t start = 0;
            std::uint32_t end = 0;
            std::memcpy(&start, side, 4);
            std::memcpy(&end, side + 4, 4);
            skip = start;
            endPadding = end;
        }
        if ((packet->flags & AV_PKT_FLAG_DISCARD) != 0) {
            skip = std::max<std::int64_t>(skip - duration, 0);
            trimmed += duration;
        } else {
            const std::int64_t skipped = std::min(skip, duration);
            skip -= skipped;
            trimmed += skipped;
            if (endPadding <= duration - skipped) {
                trimmed += endPadding;
            }
        }
        total += duration;
        av_packet_unref(packet.get());
    }
    // A file cut short (or with packets lost) still has the container's word for its length,
    // so that the reader can tell the user it ended early.
    return std::max<std::int64_t>({total - trimmed, demuxer.StatedFrames(rate), 0});
}

// A codec by the name of its usual file, and in the container it usually comes in; the same
// codec in another container also names that ("aac/adts", "flac/ogg").
QString CodecName(AVCodecID id, const QString& container) {
    static const struct {
        AVCodecID id;
        const char* name;
        const char* container;
    } kUsual[] = {
        {AV_CODEC_ID_AAC, "aac", "mov"},       {AV_CODEC_ID_ALAC, "alac", "mov"},
        {AV_CODEC_ID_VORBIS, "vorbis", "ogg"}, {AV_CODEC_ID_OPUS, "opus", "ogg"},
        {AV_CODEC_ID_FLAC, "flac", "flac"},    {AV_CODEC_ID_MP3, "mp3", "mp3"},
        {AV_CODEC_ID_MP2, "mp2", "mp3"},       {AV_CODEC_ID_WAVPACK, "wavpack", "wv"},
        {AV_CODEC_ID_WMAV1, "wma", "asf"},     {AV_CODEC_ID_WMAV2, "wma", "asf"},
        {AV_CODEC_ID_WMAPRO, "wma", "asf"},    {AV_CODEC_ID_WMALOSSLESS, "wma", "asf"},
        {AV_CODEC_ID_APE, "ape", "ape"},       {AV_CODEC_ID_TTA, "tta", "tta"},
    };
    for (const auto& usual : kUsual) {
        if (usual.id == id) {
            const QString name = QLatin1String(usual.name);
            return container == QLatin1String(usual.container)
                       ? name
                       : name + QLatin1Char('/') + container;
        }
    }
    return QString::fromUtf8(avcodec_get_name(id)) + QLatin1Char('/') + container;
}

class FfmpegDecoder : public AudioDecoder {
  public:
    FfmpegDecoder(QString path, std::unique_ptr<FrameSource> source)
        : path_(std::move(path)), source_(std::move(source)) {
        // The first frame fixes the rate and channels (an HE-AAC stream only shows its real rate
        // once decoded) and proves that the stream decodes at all.
        frame_ = source_->Next();
        if (frame_ == nullptr) {
            const QString why = source_->Failure();
            ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                            why.isEmpty() ? QStringLiteral("the file holds no audio") : why);
        }
        rate_ = frame_->sample_rate;
        channels_ = FrameChannels(frame_);
        if (rate_ < 1 || channels_ < 1 || channels_ > kMaxChannels) {
            ThrowAudioError(QStringLiteral("Cannot open"), path_,
                            QStringLiteral("the stream describes an impossible format (%1 Hz, %2 "
                                           "channels)")
                                .arg(rate_)
                                .arg(channels_));
        }
        const AVCodecParameters* par = source_->Demuxing().Parameters();
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par->codec_id);
        const bool lossy = descriptor == nullptr || (descriptor->props & AV_CODEC_PROP_LOSSY) != 0;
        if (lossy) {
            bits_ = 16;
        } else if (par->bits_per_raw_sample > 0) {
            bits_ = par->bits_per_raw_sample;
        } else {
            bits_ = 8 * av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame_->format));
        }
        bits_ = std::clamp(bits_, 8, 32);
        codec_ = CodecName(par->codec_id, source_->Demuxing().Container());
        // Seeking finds its place by the frames' timestamps, so they must count samples: a
        // clock of the stream's own rate (MP4, Ogg, WavPack, APE, TTA, FLAC), not of
        // milliseconds (Matroska, ASF), nor HE-AAC's core rate.
        const AVRational base = source_->Demuxing().Stream()->time_base;
        originPts_ = FramePts(frame_);
        seekable_ = base.num == 1 && base.den == rate_ && originPts_ != AV_NOPTS_VALUE;
        // A lossy decoder needs some audio before the point to sound as it does there in a
        // whole decoding (Opus asks for 80 ms, AAC and Vorbis a frame or two of overlap).
        if (lossy) {
            preroll_ = std::max<std::int64_t>(
                {par->seek_preroll, rate_ / 5, 4 * std::max<std::int64_t>(par->frame_size, 1024)});
        }
    }

    // `packetClock`: the packets' durations are counted in samples and make the length, so
    // what the decoder gives beyond it is the encoder's padding at the end (an MP4 track).
    void SetLength(std::int64_t length, bool packetClock) {
        length_ = length;
        packetClock_ = packetClock;
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }
    std::int64_t Length() const override { return length_; }
    int SourceBits() const override { return bits_; }
    QString Codec() const override { return codec_; }

    bool CanSeek() const override { return seekable_; }

    // Seeks to before the frame (by the pre-roll of a lossy codec), then decodes and drops what
    // comes before it. Where the container lands too late it tries further back; a place
    // near the start is reached by decoding from it.
    bool Seek(std::int64_t target) override {
        if (!seekable_) {
            return false;
        }
        if (target <= 2 * preroll_ + rate_ && delivered_ == 0 && used_ == 0) {
            return DropUntil(target);
        }
        for (std::int64_t back = preroll_ + rate_ / 10; back <= 64 * (preroll_ + rate_);
             back *= 4) {
            const std::int64_t from = std::max<std::int64_t>(target - back, 0);
            if (!source_->Restart(originPts_ + from)) {
                return false;
            }
            frame_ = source_->Next();
            if (frame_ == nullptr || FramePts(frame_) == AV_NOPTS_VALUE ||
                frame_->sample_rate != rate_ || FrameChannels(frame_) != channels_) {
                return false;
            }
            std::int64_t at = FramePts(frame_) - originPts_;
            if (at > target - preroll_ && at > 0) {
                continue;  // landed after the pre-roll's start: further back
            }
            // Whole frames before the target go; the one holding it is used from there.
            while (at + frame_->nb_samples <= target) {
                at += frame_->nb_samples;
                frame_ = source_->Next();
                if (frame_ == nullptr || frame_->sample_rate != rate_ ||
                    FrameChannels(frame_) != channels_) {
                    return false;
                }
                // The timestamps must agree with the count, or the count is not the file's.
                if (FramePts(frame_) != AV_NOPTS_VALUE && FramePts(frame_) - originPts_ != at) {
                    return false;
                }
            }
            used_ = target - at;
            delivered_ = target;
            return true;
        }
        return false;
    }

    std::int64_t Read(float* out, std::int64_t frames) override {
        std::int64_t written = 0;
        while (written < frames && frame_ != nullptr) {
            if (packetClock_ && delivered_ + written >= length_) {
                break;
            }
            if (used_ >= frame_->nb_samples) {
                frame_ = source_->Next();
                used_ = 0;
                if (frame_ != nullptr &&
                    (frame_->sample_rate != rate_ || FrameChannels(frame_) != channels_)) {
                    // A stream that changes format half way is taken as far as it kept it.
                    frame_ = nullptr;
                }
                continue;
            }
            std::int64_t n = std::min<std::int64_t>(frames - written, frame_->nb_samples - used_);
            if (packetClock_) {
                n = std::min(n, length_ - delivered_ - written);
            }
            if (!ConvertFrames(frame_, channels_, used_, n, out + written * channels_)) {
                if (delivered_ + written == 0) {
                    ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                                    QStringLiteral("an unknown sample format"));
                }
                frame_ = nullptr;
                break;
            }
            used_ += n;
            written += n;
        }
        delivered_ += written;
        return written;
    }

  private:
    static std::int64_t FramePts(const AVFrame* frame) {
        return frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp
                                                              : frame->pts;
    }

    // Decodes from the current place (the start) and drops frames up to `target`.
    bool DropUntil(std::int64_t target) {
        std::vector<float> scratch(static_cast<std::size_t>(8192) * channels_);
        while (delivered_ < target) {
            const std::int64_t n =
                Read(scratch.data(), std::min<std::int64_t>(8192, target - delivered_));
            if (n <= 0) {
                return false;
            }
        }
        return true;
    }

    QString path_;
    std::unique_ptr<FrameSource> source_;
    const AVFrame* frame_ = nullptr;
    std::int64_t originPts_ = AV_NOPTS_VALUE;  // of the first frame given out
    bool seekable_ = false;
    std::int64_t preroll_ = 0;
    bool packetClock_ = false;
    std::int64_t used_ = 0;
    std::int64_t delivered_ = 0;
    std::int64_t length_ = 0;
    int rate_ = 0;
    int channels_ = 0;
    int bits_ = 16;
    QString codec_;
};

// An ASF file's own statement of its length, in frames at `rate`, when the file is shorter than
// its header says (cut short), else -1. libavformat drops the header's length in exactly that
// case and guesses one from the bit rate.
std::int64_t CutAsfFrames(const QString& path, int rate) {
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        return -1;
    }
    static const char kHeader[] = "\x30\x26\xB2\x75\x8E\x66\xCF\x11";
    static const char kFileProperties[] = "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11";
    const QByteArray head = file.read(64 * 1024);
    if (!head.startsWith(kHeader)) {
        return -1;
    }
    const auto le64 = [&head](qsizetype at) {
        std::uint64_t value = 0;
        std::memcpy(&value, head.constData() + at, 8);
        return value;
    };
    // Header object: GUID, size, count, two reserved bytes; then its objects (GUID, size, data).
    for (qsizetype at = 30; at + 24 <= head.size();) {
        const std::uint64_t size = le64(at + 16);
        if (head.mid(at, 8) == kFileProperties && at + 88 <= head.size()) {
            // File id, file size, date, packets, play duration (100 ns), send duration, preroll.
            const std::uint64_t fileSize = le64(at + 40);
            const std::uint64_t play = le64(at + 64);
            const std::uint64_t preroll = le64(at + 80);  // milliseconds
            if (fileSize <= static_cast<std::uint64_t>(file.size()) || play > (1ULL << 50)) {
                return -1;
            }
            const std::int64_t ms =
                static_cast<std::int64_t>(play / 10000) -
                static_cast<std::int64_t>(std::min<std::uint64_t>(preroll, play / 10000));
            return ms * rate / 1000;
        }
        if (size < 24 || size > static_cast<std::uint64_t>(head.size())) {
            return -1;
        }
        at += static_cast<qsizetype>(size);
    }
    return -1;
}

// Where the packets cannot tell, a decoding of the whole stream counts its frames: slower, but
// the length must be right before the first block is read (fades and progress depend on it).
std::int64_t CountByDecoding(const QString& path, int rate, int channels) {
    QString whyNot;
    std::unique_ptr<Demuxer> demuxer = Demuxer::Open(path, &whyNot);
    if (!demuxer) {
        return 0;
    }
    FrameSource source(path, std::move(demuxer));
    std::int64_t total = 0;
    while (const AVFrame* frame = source.Next()) {
        if (frame->sample_rate != rate || FrameChannels(frame) != channels) {
            break;  // where the decoder stops as well
        }
        total += frame->nb_samples;
    }
    // A file cut short or damaged on the way still has the container's word for its length,
    // where it has one: the reader then reports the early end instead of passing off part of
    // the file as all of it. Short of that, the stated length (in milliseconds for ASF) only
    // roughly agrees with the decoded one.
    const std::int64_t stated =
        std::max(source.Demuxing().StatedFrames(rate), CutAsfFrames(path, rate));
    if (stated > total && (!source.Failure().isEmpty() || stated - total > rate / 10)) {
        return stated;
    }
    return total;
}

// The lengths counted lately, for the next opening of the same unchanged file: the tracks of an
// album image open it once each, and counting is a pass over the whole file (a whole decoding
// for the containers whose clock is too coarse). Shared by the job threads.
class CountedLengths {
  public:
    struct Counted {
        std::int64_t length = 0;
        bool packetClock = false;
    };

    bool Find(const QString& path, Counted& counted) {
        const Key key = KeyOf(path);
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [k, c] : entries_) {
            if (key.known && k == key) {
                counted = c;
                return true;
            }
        }
        return false;
    }

    void Keep(const QString& path, const Counted& counted) {
        const Key key = KeyOf(path);
        if (!key.known) {
            return;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        if (entries_.size() >= kEntries) {
            entries_.erase(entries_.begin());
        }
        entries_.emplace_back(key, counted);
    }

  private:
    static constexpr std::size_t kEntries = 8;

    // The file as the file system has it: a file changed since (or another under the name)
    // is counted again.
    struct Key {
        bool known = false;
        QByteArray path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t modifiedNs = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    static Key KeyOf(const QString& path) {
        Key key;
        key.path = NativeName(path);
        struct stat st {};
        if (::stat(key.path.constData(), &st) == 0) {
            key.known = true;
            key.device = st.st_dev;
            key.inode = st.st_ino;
            key.size = st.st_size;
            key.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        }
        return key;
    }

    std::mutex mutex_;
    std::vector<std::pair<Key, Counted>> entries_;
};

CountedLengths& Counts() {
    static CountedLengths counts;
    return counts;
}

}  // namespace

std::unique_ptr<AudioDecoder> OpenFfmpegDecoder(const QString& path, QString* whyNot) {
    QuietLibav();
    std::unique_ptr<Demuxer> demuxer = Demuxer::Open(path, whyNot);
    if (!demuxer) {
        return nullptr;
    }
    auto decoder = std::make_unique<FfmpegDecoder>(
        path, std::make_unique<FrameSource>(path, std::move(demuxer)));
    CountedLengths::Counted counted;
    if (Counts().Find(path, counted)) {
        decoder->SetLength(counted.length, counted.packetClock);
        return decoder;
    }
    std::int64_t length = -1;
    if (std::unique_ptr<Demuxer> counting = Demuxer::Open(path, whyNot)) {
        // The rate of the packets' clock is the container's, which for HE-AAC is the core rate.
        const int clockRate = counting->Parameters()->sample_rate;
        length = clockRate == decoder->SampleRate() ? CountFromPackets(*counting, clockRate) : -1;
    }
    const bool packetClock = length >= 0;
    if (!packetClock) {
        length = CountByDecoding(path, decoder->SampleRate(), decoder->Channels());
    }
    decoder->SetLength(length, packetClock);
    Counts().Keep(path, {length, packetClock});
    return decoder;
}
