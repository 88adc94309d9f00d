// WavPack output through libwavpack, lossless, with the MD5 sum of the audio stored. The blocks
// go through our own stream so that a full disk is reported with the system's reason; the
// length, unknown while streaming, is written into the first block when the file is finished.
#include <wavpack/wavpack.h>

#include <QCryptographicHash>
#include <QFile>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/encoders.h"
#include "formats/pcm_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/channel_order.h"
#include "platform/native_name.h"

namespace {

// The library context and our stream, released by its own destructor so that a constructor
// that throws half way leaks nothing; the block callback touches only this part.
struct WavPackState {
    ~WavPackState() {
        if (context_ != nullptr) {
            WavpackCloseFile(context_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    static int WriteBlock(void* data, void* block, std::int32_t bytes) {
        auto* self = static_cast<WavPackState*>(data);
        const auto size = static_cast<std::size_t>(bytes);
        if (self->firstBlock_.empty()) {
            const auto* from = static_cast<const unsigned char*>(block);
            self->firstBlock_.assign(from, from + size);
        }
        if (std::fwrite(block, 1, size, self->file_) != size) {
            self->writeErrno_ = errno != 0 ? errno : EIO;
            return 0;
        }
        return 1;
    }

    WavpackContext* context_ = nullptr;
    std::FILE* file_ = nullptr;
    int writeErrno_ = 0;
    std::int64_t packed_ = 0;  // frames handed to the library; a short file has no block yet
    std::vector<unsigned char> firstBlock_;
};

class WavPackEncoder : public PcmEncoder, private WavPackState {
  public:
    WavPackEncoder(const QString& path, QString shownPath, const PcmFormat& output, int sourceBits)
        : PcmEncoder(output, sourceBits),
          shownPath_(std::move(shownPath)),
          bytes_(output.bits / 8) {
        const QString what = QStringLiteral("Cannot create");
        file_ = std::fopen(NativeName(path).constData(), "w+b");
        if (file_ == nullptr) {
            ThrowAudioError(what, shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
        context_ = WavpackOpenFileOutput(&WavPackState::WriteBlock,
                                         static_cast<WavPackState*>(this), nullptr);
        if (context_ == nullptr) {
            ThrowAudioError(what, shownPath_, QStringLiteral("out of memory"));
        }
        WavpackConfig config{};
        config.bytes_per_sample = bytes_;
        config.bits_per_sample = output.bits;
        config.num_channels = output.channels;
        config.sample_rate = output.rate;
        config.channel_mask = static_cast<std::int32_t>(WaveChannelMask(output.channels));
        config.flags = CONFIG_MD5_CHECKSUM;
        if (output.floating) {
            config.float_norm_exp = 127;  // full scale is ±1.0
        }
        if (!WavpackSetConfiguration64(context_, &config, -1, nullptr) ||
            !WavpackPackInit(context_)) {
            ThrowAudioError(what, shownPath_, LibraryText());
        }
    }

    void Write(const float* samples, std::int64_t frames) override {
        if (!output_.floating) {
            PcmEncoder::Write(samples, frames);
            return;
        }
        // The library takes floats as their bit patterns in 32-bit words.
        const std::size_t count = static_cast<std::size_t>(frames) * output_.channels;
        words_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            words_[i] = std::bit_cast<std::int32_t>(samples[i]);
        }
        Pack(words_.data(), frames);
    }

    void WriteIntegers(const std::int32_t* samples, std::int64_t frames) override {
        const std::size_t count = static_cast<std::size_t>(frames) * output_.channels;
        words_.assign(samples, samples + count);  // the library wants a buffer it may change
        Pack(words_.data(), frames);
    }

    void Finish() override {
        if (packed_ == 0) {
            // Without an audio block no reader learns the format (wavpack itself refuses to
            // pack an empty file).
            ThrowWriteError(shownPath_,
                            QStringLiteral("WavPack cannot hold a file without samples"));
        }
        // The sum goes into a block of its own after the audio.
        if (!WavpackFlushSamples(context_)) {
            ThrowWriteError(shownPath_, LibraryText());
        }
        QByteArray sum = md5_.result();
        if (!WavpackStoreMD5Sum(context_, reinterpret_cast<unsigned char*>(sum.data())) ||
            !WavpackFlushSamples(context_)) {
            ThrowWriteError(shownPath_, LibraryText());
        }
        if (!firstBlock_.empty()) {
            WavpackUpdateNumSamples(context_, firstBlock_.data());
            if (std::fseek(file_, 0, SEEK_SET) != 0) {
                ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
            }
            PutBytes(file_, firstBlock_.data(), firstBlock_.size(), shownPath_);
        }
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }

  private:
    // The samples go into the sum as a WAV file holds them: little-endian, `bytes_` each.
    void Pack(std::int32_t* words, std::int64_t frames) {
        packed_ += frames;
        const std::size_t count = static_cast<std::size_t>(frames) * output_.channels;
        sumBytes_.resize(count * bytes_);
        char* out = sumBytes_.data();
        for (std::size_t i = 0; i < count; ++i) {
            const auto v = static_cast<std::uint32_t>(words[i]);
            for (int b = 0; b < bytes_; ++b) {
                *out++ = static_cast<char>(v >> (8 * b));
            }
        }
        md5_.addData(QByteArrayView(sumBytes_.data(), static_cast<qsizetype>(count * bytes_)));
        while (frames > 0) {
            const std::int64_t n = std::min<std::int64_t>(frames, kChunkFrames);
            if (!WavpackPackSamples(context_, words, static_cast<std::uint32_t>(n))) {
                ThrowWriteError(shownPath_, LibraryText());
            }
            words += static_cast<std::size_t>(n) * output_.channels;
            frames -= n;
        }
    }

    // The system's reason when our stream failed, otherwise the library's.
    QString LibraryText() const {
        if (writeErrno_ != 0) {
            return QString::fromLocal8Bit(std::strerror(writeErrno_));
        }
        const char* text = context_ != nullptr ? WavpackGetErrorMessage(context_) : nullptr;
        return text != nullptr && *text != '\0' ? QString::fromUtf8(text)
                                                : QStringLiteral("the WavPack library failed");
    }

    QString shownPath_;
    int bytes_;
    std::vector<std::int32_t> words_;
    std::vector<char> sumBytes_;
    QCryptographicHash md5_{QCryptographicHash::Md5};
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateWavPackEncoder(const QString& path, const QString& shownPath,
                                                   const PcmFormat& output, int sourceBits) {
    CheckPcmOutput(output, shownPath, "WavPack", true, 1000000);
    return std::make_unique<WavPackEncoder>(path, shownPath, output, sourceBits);
}
