// MPEG audio layers I, II and III through libmpg123, gapless and with exact lengths.
#include <mpg123.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/mpeg_stream_start.h"

namespace {

void InitMpg123Once() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// Buffered reading for libmpg123: its own reader issues two read() calls per frame, and the
// length scan reads the file once more, which made system calls a good part of decoding.
std::FILE* OpenBuffered(const QString& path) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
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

class MpegDecoder : public AudioDecoder {
  public:
    MpegDecoder(QString path, mpg123_handle* handle) : path_(std::move(path)), mh_(handle) {}
    ~MpegDecoder() override {
        mpg123_close(mh_);
        mpg123_delete(mh_);
        if (window_.file != nullptr) {
            std::fclose(window_.file);
        }
    }

    // Returns false with *whyNot set when no MPEG stream can be found.
    bool Start(const MpegStreamStart& start, QString* whyNot) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        window_.file = OpenBuffered(path_);
        if (window_.file == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot open"), path_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        window_.start = static_cast<off_t>(start.offset);
        if (fseeko(window_.file, window_.start, SEEK_SET) != 0) {
            ThrowAudioError(QStringLiteral("Cannot read"), path_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (mpg123_replace_reader_handle(mh_, ReadCallback, SeekCallback, nullptr) != MPG123_OK ||
            mpg123_open_handle(mh_, &window_) != MPG123_OK ||
            mpg123_getformat(mh_, &rate, &channels, &encoding) != MPG123_OK) {
            *whyNot = QStringLiteral("no MPEG audio frames found");
            return false;
        }
        if (rate <= 0 || channels < 1 || encoding != MPG123_ENC_FLOAT_32) {
            *whyNot = QStringLiteral("unusable MPEG stream format");
            return false;
        }
        rate_ = static_cast<int>(rate);
        channels_ = channels;
        // Scanning counts every frame, so a VBR file without a header gets its true length too;
        // with gapless decoding the encoder delay and padding are already taken off.
        if (mpg123_scan(mh_) != MPG123_OK) {
            ThrowAudioError(QStringLiteral("Cannot read"), path_,
                            QString::fromUtf8(mpg123_strerror(mh_)));
        }
        const off_t length = mpg123_length(mh_);
        if (length <= 0) {
            *whyNot = QStringLiteral("no MPEG audio frames found");
            return false;
        }
        length_ = static_cast<std::int64_t>(length);
        return true;
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }
    std::int64_t Length() const override { return length_; }

    std::int64_t Read(float* out, std::int64_t frames) override {
        if (ended_ || frames <= 0) {
            return 0;
        }
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels_);
        const std::size_t wanted = static_cast<std::size_t>(frames) * frameBytes;
        std::size_t filled = 0;
        auto* bytes = reinterpret_cast<unsigned char*>(out);
        while (filled < wanted) {
            std::size_t done = 0;
            const int rc = mpg123_read(mh_, bytes + filled, wanted - filled, &done);
            filled += done;
            if (rc == MPG123_DONE) {
                ended_ = true;
                break;
            }
            if (rc == MPG123_NEW_FORMAT) {
                CheckFormatUnchanged();  // the output format is fixed; only a failure changes it
                continue;
            }
            if (rc != MPG123_OK) {
                ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                                QString::fromUtf8(mpg123_strerror(mh_)));
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
        if (rate != rate_ || channels != channels_) {
            ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                            QStringLiteral("the stream changes from %1 Hz, %2 channels to %3 Hz, "
                                           "%4 channels in the middle")
                                .arg(rate_)
                                .arg(channels_)
                                .arg(rate)
                                .arg(channels));
        }
    }

    QString path_;
    mpg123_handle* mh_;
    StreamWindow window_;
    int rate_ = 0;
    int channels_ = 0;
    std::int64_t length_ = 0;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<AudioDecoder> OpenMpegDecoder(const QString& path, const MpegStreamStart& start,
                                              QString* whyNot) {
    InitMpg123Once();
    int error = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    if (mh == nullptr) {
        ThrowAudioError(QStringLiteral("Cannot open"), path,
                        QString::fromUtf8(mpg123_plain_strerror(error)));
    }
    auto decoder = std::make_unique<MpegDecoder>(path, mh);
    mpg123_param(mh, MPG123_VERBOSE, 0, 0.);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0.);
    // Float output at the first frame's rate and channel count, for the whole stream: a file
    // joined from mono and stereo parts (or of two rates) is mixed down, spread or resampled by
    // libmpg123 instead of changing format half way.
    mpg123_format_none(mh);
    mpg123_format(mh, start.sampleRate, start.channels == 1 ? MPG123_MONO : MPG123_STEREO,
                  MPG123_ENC_FLOAT_32);
    if (!decoder->Start(start, whyNot)) {
        return nullptr;
    }
    return decoder;
}
