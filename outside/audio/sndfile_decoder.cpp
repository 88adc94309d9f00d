// WAV and the other containers libsndfile reads (AIFF, FLAC, Ogg Vorbis and Opus, AU, CAF, W64
// ...).
#include <sndfile.h>

#include <QFile>
#include <algorithm>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/pcm_header_length.h"
#include "platform/native_name.h"

namespace {

class SndfileDecoder : public AudioDecoder {
  public:
    SndfileDecoder(QString path, SNDFILE* file, const SF_INFO& info)
        : path_(std::move(path)), file_(file), info_(info) {
        // A header that promises more audio than the file holds makes the length the promised
        // one, so that the early end is reported instead of passing for the whole file.
        const int type = info_.format & SF_FORMAT_TYPEMASK;
        if (type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX || type == SF_FORMAT_RF64 ||
            type == SF_FORMAT_AIFF) {
            const std::int64_t stated = StatedPcmFrames(path_);
            if (stated > info_.frames) {
                info_.frames = stated;
            }
        }
    }
    ~SndfileDecoder() override { sf_close(file_); }

    int SampleRate() const override { return info_.samplerate; }
    int Channels() const override { return info_.channels; }
    std::int64_t Length() const override { return info_.frames; }
    int SourceBits() const override {
        switch (info_.format & SF_FORMAT_SUBMASK) {
            case SF_FORMAT_PCM_S8:
            case SF_FORMAT_PCM_U8:
                return 8;
            case SF_FORMAT_PCM_24:
                return 24;
            case SF_FORMAT_PCM_32:
            case SF_FORMAT_FLOAT:  // a lossless output keeps what it can of these
            case SF_FORMAT_DOUBLE:
                return 32;
            default:  // 16-bit PCM, companded, ADPCM and the lossy codecs
                return 16;
        }
    }

    QString Codec() const override {
        const int type = info_.format & SF_FORMAT_TYPEMASK;
        const int sub = info_.format & SF_FORMAT_SUBMASK;
        const bool integerPcm = sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_U8 ||
                                sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_24 ||
                                sub == SF_FORMAT_PCM_32;
        const bool littleEndian = (info_.format & SF_FORMAT_ENDMASK) != SF_ENDIAN_BIG;
        switch (type) {
            case SF_FORMAT_WAV:
            case SF_FORMAT_WAVEX:
                // Only what the WAV writer itself writes; float, ADPCM and the others differ.
                return integerPcm && littleEndian ? QStringLiteral("wav") : QString();
            case SF_FORMAT_AIFF:
                return integerPcm ? QStringLiteral("aiff") : QString();
            case SF_FORMAT_FLAC:
                return QStringLiteral("flac");
            case SF_FORMAT_OGG:
                return sub == SF_FORMAT_VORBIS ? QStringLiteral("vorbis")
                       : sub == SF_FORMAT_OPUS ? QStringLiteral("opus")
                                               : QString();
            default:
                return {};
        }
    }

    // libsndfile's seeks are exact: PCM by arithmetic, FLAC through libFLAC's sample seek, Ogg
    // Vorbis and Opus by a granule search that decodes up to the frame.
    bool CanSeek() const override { return info_.seekable != 0; }
    bool Seek(std::int64_t frame) override {
        if (sf_seek(file_, frame, SEEK_SET) != frame) {
            return false;
        }
        delivered_ = frame;
        ended_ = false;
        return true;
    }

    std::int64_t Read(float* out, std::int64_t frames) override {
        if (ended_ || frames <= 0) {
            return 0;
        }
        const sf_count_t got = std::max<sf_count_t>(sf_readf_float(file_, out, frames), 0);
        if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
            // A failure after some audio ends it; the reader tells an early end from its
            // length. Only an input that gives no audio at all is reported as it is.
            if (delivered_ + got == 0) {
                ThrowAudioError(QStringLiteral("Cannot decode"), path_,
                                QString::fromUtf8(sf_strerror(file_)));
            }
            ended_ = true;
        }
        delivered_ += got;
        return got;
    }

  private:
    QString path_;
    SNDFILE* file_;
    SF_INFO info_;
    sf_count_t delivered_ = 0;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<AudioDecoder> OpenSndfileDecoder(const QString& path, QString* whyNot) {
    SF_INFO info{};
    SNDFILE* file = sf_open(NativeName(path).constData(), SFM_READ, &info);
    if (file == nullptr) {
        *whyNot = QString::fromUtf8(sf_strerror(nullptr));
        return nullptr;
    }
    // MPEG streams go to libmpg123, which knows about gapless playback and VBR headers.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        sf_close(file);
        *whyNot = QStringLiteral("MPEG audio");
        return nullptr;
    }
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1 || info.frames < 0 ||
        info.frames == SF_COUNT_MAX) {
        sf_close(file);
        ThrowAudioError(QStringLiteral("Cannot open"), path,
                        QStringLiteral("the header describes an impossible format (%1 Hz, %2 "
                                       "channels)")
                            .arg(info.samplerate)
                            .arg(info.channels));
    }
    return std::make_unique<SndfileDecoder>(path, file, info);
}
