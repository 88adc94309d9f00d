// PCM WAV output, written by hand: the canonical header simple readers expect (a 16-byte "fmt "
// and the data at byte 44), WAVE_FORMAT_EXTENSIBLE only where the format needs it, RF64 only
// when the data outgrows the 4 GiB a RIFF size can count.
#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "outside/audio/audio_encoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/pcm_conversion.h"
#include "outside/audio/sample_rates.h"
#include "platform/native_name.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The speaker layout of the usual channel orders (the same the downmix assumes).
std::uint32_t ChannelMask(int channels) {
    static constexpr std::uint32_t kMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels < 9 ? kMasks[channels] : 0;
}

class WaveHeader {
  public:
    WaveHeader(int rate, int channels, int bits)
        : rate_(rate), channels_(channels), bits_(bits), extensible_(channels > 2 || bits > 16) {}

    // Bytes before the samples of a RIFF file; an RF64 file has a 36-byte ds64 chunk more.
    int Size() const { return 12 + 8 + FmtSize() + 8; }
    static constexpr int kDs64Bytes = 36;

    static bool FitsRiff(std::uint64_t riffSize) { return riffSize <= 0xFFFFFFFFull; }

    QByteArray Bytes(std::uint64_t dataBytes, bool rf64) const {
        const std::uint64_t pad = dataBytes & 1;
        const std::uint64_t riffSize =
            4 + (rf64 ? kDs64Bytes : 0) + 8 + FmtSize() + 8 + dataBytes + pad;
        QByteArray h;
        h += rf64 ? "RF64" : "RIFF";
        Put32(h, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(riffSize));
        h += "WAVE";
        if (rf64) {
            h += "ds64";
            Put32(h, 28);
            Put64(h, riffSize);
            Put64(h, dataBytes);
            Put64(h, dataBytes / BlockAlign());
            Put32(h, 0);  // no table of other chunk sizes
        }
        h += "fmt ";
        Put32(h, static_cast<std::uint32_t>(FmtSize()));
        Put16(h, extensible_ ? 0xFFFE : 1);
        Put16(h, static_cast<std::uint16_t>(channels_));
        Put32(h, static_cast<std::uint32_t>(rate_));
        Put32(h, static_cast<std::uint32_t>(rate_) * BlockAlign());
        Put16(h, static_cast<std::uint16_t>(BlockAlign()));
        Put16(h, static_cast<std::uint16_t>(bits_));
        if (extensible_) {
            Put16(h, 22);
            Put16(h, static_cast<std::uint16_t>(bits_));  // all bits are valid
            Put32(h, ChannelMask(channels_));
            // KSDATAFORMAT_SUBTYPE_PCM
            static const unsigned char kPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
            h.append(reinterpret_cast<const char*>(kPcm), 16);
        }
        h += "data";
        Put32(h, rf64 || dataBytes > 0xFFFFFFFFull ? 0xFFFFFFFFu
                                                   : static_cast<std::uint32_t>(dataBytes));
        return h;
    }

    std::uint64_t RiffSize(std::uint64_t dataBytes) const {
        return 4 + 8 + FmtSize() + 8 + dataBytes + (dataBytes & 1);
    }

  private:
    int FmtSize() const { return extensible_ ? 40 : 16; }
    std::uint32_t BlockAlign() const { return static_cast<std::uint32_t>(channels_ * bits_ / 8); }
    static void Put16(QByteArray& h, std::uint16_t v) {
        char b[2];
        qToLittleEndian(v, b);
        h.append(b, 2);
    }
    static void Put32(QByteArray& h, std::uint32_t v) {
        char b[4];
        qToLittleEndian(v, b);
        h.append(b, 4);
    }
    static void Put64(QByteArray& h, std::uint64_t v) {
        char b[8];
        qToLittleEndian(v, b);
        h.append(b, 8);
    }

    int rate_;
    int channels_;
    int bits_;
    bool extensible_;
};

class WaveEncoder : public AudioEncoder {
  public:
    WaveEncoder(const QString& path, QString shownPath, int rate, int channels, int bits)
        : path_(path),
          shownPath_(std::move(shownPath)),
          rate_(rate),
          channels_(channels),
          bits_(bits),
          header_(rate, channels, bits) {
        file_.reset(std::fopen(NativeName(path).constData(), "wb"));
        if (!file_) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        // Room for the header, filled in when the length is known.
        const QByteArray placeholder(header_.Size(), '\0');
        PutBytes(file_.get(), placeholder.constData(), placeholder.size(), shownPath_);
    }

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        const std::size_t count = static_cast<std::size_t>(frames) * channels_;
        const std::size_t bytes = static_cast<std::size_t>(bits_ / 8);
        const std::size_t at = pending_.size();
        pending_.resize(at + count * bytes);
        unsigned char* out = pending_.data() + at;
        if (bits_ == 16 && std::endian::native == std::endian::little) {
            FloatToPcm16(samples, count, reinterpret_cast<std::int16_t*>(out));
        } else if (bits_ == 32 && std::endian::native == std::endian::little) {
            FloatToPcm(samples, count, 32, reinterpret_cast<std::int32_t*>(out));
        } else {
            ints_.resize(count);
            FloatToPcm(samples, count, bits_, ints_.data());
            const std::uint32_t offset = bits_ == 8 ? 128 : 0;  // 8-bit WAV is unsigned
            for (std::size_t i = 0; i < count; ++i, out += bytes) {
                const std::uint32_t v = static_cast<std::uint32_t>(ints_[i]) + offset;
                for (std::size_t b = 0; b < bytes; ++b) {
                    out[b] = static_cast<unsigned char>(v >> (8 * b));
                }
            }
        }
        dataBytes_ += count * bytes;
        if (pending_.size() >= kFlushBytes) {
            Flush();
        }
    }

    void Finish() override {
        Flush();
        if (dataBytes_ & 1) {
            const char pad = 0;
            PutBytes(file_.get(), &pad, 1, shownPath_);
        }
        if (WaveHeader::FitsRiff(header_.RiffSize(dataBytes_))) {
            if (std::fseek(file_.get(), 0, SEEK_SET) != 0) {
                ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
            }
            const QByteArray header = header_.Bytes(dataBytes_, false);
            PutBytes(file_.get(), header.constData(), header.size(), shownPath_);
            CloseOutputStream(file_.release(), shownPath_);
            return;
        }
        CloseOutputStream(file_.release(), shownPath_);
        RewriteAsRf64();
    }

  private:
    static constexpr std::size_t kFlushBytes = 1 << 18;

    void Flush() {
        PutBytes(file_.get(), pending_.data(), pending_.size(), shownPath_);
        pending_.clear();
    }

    // Only past 4 GiB: the RF64 header is longer, so the samples move once into a new file
    // that then takes the place of the first.
    void RewriteAsRf64() {
        const QByteArray from = NativeName(path_);
        const QByteArray to = from + ".rf64";
        FilePtr in(std::fopen(from.constData(), "rb"));
        FilePtr out(std::fopen(to.constData(), "wb"));
        const auto fail = [&](int error) {
            out.reset();
            std::remove(to.constData());
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(error)));
        };
        if (!in || !out || std::fseek(in.get(), header_.Size(), SEEK_SET) != 0) {
            fail(errno);
        }
        const QByteArray header = header_.Bytes(dataBytes_, true);
        std::vector<char> chunk(1 << 20);
        try {
            PutBytes(out.get(), header.constData(), header.size(), shownPath_);
            std::size_t got = 0;
            while ((got = std::fread(chunk.data(), 1, chunk.size(), in.get())) > 0) {
                PutBytes(out.get(), chunk.data(), got, shownPath_);
            }
        } catch (...) {
            out.reset();
            std::remove(to.constData());
            throw;
        }
        if (std::ferror(in.get()) != 0) {
            fail(EIO);
        }
        try {
            CloseOutputStream(out.release(), shownPath_);
        } catch (...) {
            std::remove(to.constData());
            throw;
        }
        if (std::rename(to.constData(), from.constData()) != 0) {
            const int error = errno;
            std::remove(to.constData());
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(error)));
        }
    }

    QString path_;
    QString shownPath_;
    int rate_;
    int channels_;
    int bits_;
    WaveHeader header_;
    FilePtr file_;
    std::vector<unsigned char> pending_;
    std::vector<std::int32_t> ints_;
    std::uint64_t dataBytes_ = 0;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateWaveEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int bits) {
    const QString what = QStringLiteral("Cannot create");
    if (!IsUsableSampleRate(sampleRate)) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 Hz is not a usable sample rate").arg(sampleRate));
    }
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to WAV").arg(channels));
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("%1 bits per sample is not supported (use 8, 16, 24 or 32)").arg(bits));
    }
    return std::make_unique<WaveEncoder>(path, shownPath, sampleRate, channels, bits);
}
