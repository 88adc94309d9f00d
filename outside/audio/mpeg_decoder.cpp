// MPEG audio layers I, II and III through libmpg123, gapless and with exact lengths.
#include <mpg123.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/mpeg_stream_start.h"
#include "platform/native_name.h"

namespace {

// libmpg123 adds the layer III decoder's own delay to the encoder delay a LAME tag gives.
constexpr long kDecoderDelay = 529;
// How many frames past its tagged length a stream may hold before the tag is taken to describe
// only a first part of it: more than a padding frame or two.
constexpr std::int64_t kTagSlack = 4 * 1152;

void InitMpg123Once() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// Buffered reading for libmpg123: its own reader issues two read() calls per frame, and the
// length count reads the file once more, which made system calls a good part of decoding.
std::FILE* OpenBuffered(const QString& path) {
    std::FILE* file = std::fopen(NativeName(path).constData(), "rb");
    if (file != nullptr) {
        std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    }
    return file;
}

// libmpg123 sees the file from the first frame on: the tags and junk before it are not its
// business, and it cannot mistake them for audio.
struct StreamWindow {
    std::FILE* file = nullptr;
    off_t start = 0;
};

mpg123_ssize_t ReadCallback(void* handle, void* buffer, std::size_t size) {
    auto* window = static_cast<StreamWindow*>(handle);
    const std::size_t got = std::fread(buffer, 1, size, window->file);
    return got == 0 && std::ferror(window->file) != 0 ? -1 : static_cast<mpg123_ssize_t>(got);
}

off_t SeekCallback(void* handle, off_t offset, int whence) {
    auto* window = static_cast<StreamWindow*>(handle);
    if (whence == SEEK_SET) {
        offset += window->start;
    }
    if (fseeko(window->file, offset, whence) != 0) {
        return -1;
    }
    const off_t at = ftello(window->file);
    return at < window->start ? -1 : at - window->start;
}

// One libmpg123 handle on the stream, decoding to float at the first frame's rate and channel
// count for the whole stream: a file joined from mono and stereo parts (or of two rates) is
// mixed down, spread or resampled by libmpg123 instead of changing format half way.
class MpegStream {
  public:
    MpegStream(const MpegStream&) = delete;
    MpegStream& operator=(const MpegStream&) = delete;
    ~MpegStream() {
        if (mh_ != nullptr) {
            mpg123_close(mh_);
            mpg123_delete(mh_);
        }
        if (window_.file != nullptr) {
            std::fclose(window_.file);
        }
    }

    // Gapless: the encoder delay and padding a LAME tag gives are left out of the output.
    // Throws when the file cannot be read at all; returns null with *whyNot set when libmpg123
    // finds no usable MPEG stream.
    static std::unique_ptr<MpegStream> Open(const QString& path, const MpegStreamStart& start,
                                            bool gapless, QString* whyNot) {
        InitMpg123Once();
        std::unique_ptr<MpegStream> stream(new MpegStream);
        int error = MPG123_OK;
        stream->mh_ = mpg123_new(nullptr, &error);
        if (stream->mh_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot open"), path,
                            QString::fromUtf8(mpg123_plain_strerror(error)));
        }
        mpg123_handle* mh = stream->mh_;
        mpg123_param(mh, MPG123_VERBOSE, 0, 0.);
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT, 0.);
        mpg123_param(mh, gapless ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.);
        mpg123_format_none(mh);
        mpg123_format(mh, start.sampleRate, start.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                      MPG123_ENC_FLOAT_32);

        StreamWindow& window = stream->window_;
        window.file = OpenBuffered(path);
        if (window.file == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot open"), path,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        window.start = static_cast<off_t>(start.offset);
        if (fseeko(window.file, window.start, SEEK_SET) != 0) {
            ThrowAudioError(QStringLiteral("Cannot read"), path,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        long rate = 0;
        int encoding = 0;
        if (mpg123_replace_reader_handle(mh, ReadCallback, SeekCallback, nullptr) != MPG123_OK ||
            mpg123_open_handle(mh, &window) != MPG123_OK ||
            mpg123_getformat(mh, &rate, &stream->channels_, &encoding) != MPG123_OK) {
            *whyNot = QStringLiteral("no MPEG audio frames found");
            return nullptr;
        }
        if (rate <= 0 || stream->channels_ < 1 || encoding != MPG123_ENC_FLOAT_32) {
            *whyNot = QStringLiteral("unusable MPEG stream format");
            return nullptr;
        }
        stream->rate_ = static_cast<int>(rate);
        return stream;
    }

    mpg123_handle* Handle() const { return mh_; }
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

  private:
    MpegStream() = default;

    mpg123_handle* mh_ = nullptr;
    StreamWindow window_;
    int rate_ = 0;
    int channels_ = 0;
};

// Output frames of every MPEG frame libmpg123 can read, untrimmed, up to the first one it
// cannot (decoding ends there too). Counted frame by frame without decoding, each at its own
// rate: parts at another rate come out resampled to the first part's.
// `changeAt`, when given, gets the second at which the frames first change their rate or
// channel mode (files of two layouts joined), or stays below 0.
std::int64_t CountStreamFrames(const QString& path, const MpegStreamStart& start,
                               double* changeAt = nullptr) {
    QString whyNot;
    const std::unique_ptr<MpegStream> stream =
        MpegStream::Open(path, start, /*gapless=*/false, &whyNot);
    if (!stream) {
        return 0;
    }
    mpg123_handle* mh = stream->Handle();
    const double outputRate = stream->Rate();
    double frames = 0;
    long firstRate = 0;
    int firstMono = -1;
    // The first frame has been read by the open already; each call reads one more.
    for (int rc = MPG123_OK; rc == MPG123_OK || rc == MPG123_NEW_FORMAT;
         rc = mpg123_framebyframe_next(mh)) {
        mpg123_frameinfo2 info{};
        if (mpg123_info2(mh, &info) != MPG123_OK || info.rate <= 0) {
            break;
        }
        const int mono = info.mode == MPG123_M_MONO ? 1 : 0;
        if (firstMono < 0) {
            firstRate = info.rate;
            firstMono = mono;
        } else if (changeAt != nullptr && *changeAt < 0 &&
                   (info.rate != firstRate || mono != firstMono)) {
            *changeAt = frames / outputRate;
        }
        frames += mpg123_spf(mh) * outputRate / static_cast<double>(info.rate);
    }
    return static_cast<std::int64_t>(frames + 0.5);
}

class MpegDecoder : public AudioDecoder {
  public:
    MpegDecoder(QString path, std::unique_ptr<MpegStream> stream)
        : path_(std::move(path)), stream_(std::move(stream)), mh_(stream_->Handle()) {}

    // Returns false with *whyNot set when the stream holds no audio.
    bool MeasureLength(const MpegStreamStart& start, QString* whyNot) {
        // libmpg123 trims a LAME tag's delay from the start, and its padding once the output
        // reaches the end the tag gives: a file cut short loses its delay but has no padding
        // to lose. Counting the frames on a second handle leaves this one's trimming alone
        // (its own count would turn gapless decoding off when the tag's frame count is not
        // met).
        long delay = -1;
        double unused = 0;
        mpg123_getstate(mh_, MPG123_ENC_DELAY, &delay, &unused);
        const std::int64_t tagged = mpg123_length(mh_);  // from the tag, trimmed
        double changeAt = -1;
        const std::int64_t frames = CountStreamFrames(path_, start, &changeAt);
        Note(false, changeAt);
        length_ = frames;
        if (delay >= 0 && tagged > 0) {
            length_ = std::min(frames - delay - kDecoderDelay, tagged);
            // Frames far beyond what the tag counts: files joined after it (cat a.mp3 b.mp3).
            // Its delay and padding describe only the first, and trimming by it would end the
            // audio there.
            tagCoversStream_ = frames - delay - kDecoderDelay - tagged <= kTagSlack;
        }
        if (length_ <= 0) {
            *whyNot = QStringLiteral("no MPEG audio frames found");
            return false;
        }
        return true;
    }

    bool TagCoversStream() const { return tagCoversStream_; }
    // Every frame counted, untrimmed: for a stream its tag does not describe.
    void UseWholeStream(const MpegStreamStart& start) {
        double changeAt = -1;
        length_ = CountStreamFrames(path_, start, &changeAt);
        Note(true, changeAt);
    }
    // What the row says of a stream read past its tag, or of one whose layout changes.
    void Note(bool pastTag, double changeAt) {
        const int s = static_cast<int>(changeAt);
        const QString change =
            QStringLiteral(
                "the audio from %1:%2 on has another sample rate or channel count and "
                "is converted to the first part's")
                .arg(s / 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0'));
        if (pastTag) {
            note = changeAt < 0 ? QStringLiteral("joined MP3 files: decoded to the end")
                                : QStringLiteral("joined MP3 files: ") + change;
        } else {
            note = changeAt < 0 ? QString() : change;
        }
    }

    int SampleRate() const override { return stream_->Rate(); }
    int Channels() const override { return stream_->Channels(); }
    std::int64_t Length() const override { return length_; }
    // Layer III is the .mp3 file, layer II the .mp2 one, of whichever MPEG version.
    QString Codec() const override {
        mpg123_frameinfo2 info{};
        if (mpg123_info2(mh_, &info) != MPG123_OK || info.layer < 1 || info.layer > 3) {
            return {};
        }
        return QStringLiteral("mp%1").arg(info.layer);
    }

    // libmpg123 seeks sample-exactly on the gapless timeline: it finds the frame by reading the
    // headers before it and decodes the frames it needs in advance (the bit reservoir and the
    // overlap) without giving them out.
    bool CanSeek() const override { return true; }
    bool Seek(std::int64_t frame) override {
        if (mpg123_seek(mh_, static_cast<off_t>(frame), SEEK_SET) != static_cast<off_t>(frame)) {
            return false;
        }
        ended_ = false;
        // Audio came before this point: a failure from here on ends the stream.
        decoded_ =
            static_cast<std::size_t>(frame) * sizeof(float) * static_cast<std::size_t>(Channels());
        return true;
    }

    std::int64_t Read(float* out, std::int64_t frames) override {
        if (ended_ || frames <= 0) {
            return 0;
        }
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(Channels());
        const std::size_t wanted = static_cast<std::size_t>(frames) * frameBytes;
        std::size_t filled = 0;
        auto* bytes = reinterpret_cast<unsigned char*>(out);
        while (filled < wanted) {
            std::size_t done = 0;
            const int rc = mpg123_read(mh_, bytes + filled, wanted - filled, &done);
            filled += done;
            decoded_ += done;
            if (rc == MPG123_DONE) {
                ended_ = true;
                break;
            }
            if (rc == MPG123_NEW_FORMAT) {
                CheckFormatUnchanged();  // the output format is fixed; only a failure changes it
                continue;
            }
            if (rc != MPG123_OK) {
                // Junk or tags after the last frame, or a last frame cut short, end the audio
                // as they do in every player. Whether it ended early is the reader's to judge
                // against the length; only a stream that gives no audio at all is broken.
                if (decoded_ == 0) {
                    ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                                    QString::fromUtf8(mpg123_strerror(mh_)));
                }
                ended_ = true;
                break;
            }
            if (done == 0) {
                // No progress without an error: treat as the end rather than spin.
                ended_ = true;
                break;
            }
        }
        return static_cast<std::int64_t>(filled / frameBytes);
    }

  private:
    void CheckFormatUnchanged() {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(mh_, &rate, &channels, &encoding);
        if (rate != SampleRate() || channels != Channels()) {
            ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                            QStringLiteral("the stream changes from %1 Hz, %2 channels to %3 Hz, "
                                           "%4 channels in the middle")
                                .arg(SampleRate())
                                .arg(Channels())
                                .arg(rate)
                                .arg(channels));
        }
    }

    QString path_;
    std::unique_ptr<MpegStream> stream_;
    mpg123_handle* mh_;
    std::int64_t length_ = 0;
    bool tagCoversStream_ = true;
    std::size_t decoded_ = 0;  // bytes of output so far
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<AudioDecoder> OpenMpegDecoder(const QString& path, const MpegStreamStart& start,
                                              QString* whyNot) {
    std::unique_ptr<MpegStream> stream = MpegStream::Open(path, start, /*gapless=*/true, whyNot);
    if (!stream) {
        return nullptr;
    }
    auto decoder = std::make_unique<MpegDecoder>(path, std::move(stream));
    if (!decoder->MeasureLength(start, whyNot)) {
        return nullptr;
    }
    if (!decoder->TagCoversStream()) {
        stream = MpegStream::Open(path, start, /*gapless=*/false, whyNot);
        if (!stream) {
            return nullptr;
        }
        decoder = std::make_unique<MpegDecoder>(path, std::move(stream));
        decoder->UseWholeStream(start);
    }
    return decoder;
}
