// AIFF output through libsndfile (AIFF-C with "fl32" for float), writing through our own stream
// so that a full disk is reported with the system's reason. The integer depths are converted
// here: libsndfile's own float conversion does not give k / 2^(bits-1) back as k.
#include <sndfile.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "formats/encoders.h"
#include "formats/pcm_encoder.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

// The library state and our stream, released by its own destructor so that a constructor that
// throws half way leaks nothing; the stream's callbacks touch only this part, which outlives
// the encoder's own members.
struct AiffState {
    ~AiffState() {
        if (sound_ != nullptr) {
            sf_close(sound_);
        }
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    static AiffState* Self(void* data) { return static_cast<AiffState*>(data); }

    static sf_count_t Length(void* data) {
        std::FILE* file = Self(data)->file_;
        const off_t at = ftello(file);
        if (at < 0 || fseeko(file, 0, SEEK_END) != 0) {
            return -1;
        }
        const off_t end = ftello(file);
        fseeko(file, at, SEEK_SET);
        return end;
    }

    static sf_count_t Seek(sf_count_t offset, int whence, void* data) {
        AiffState* self = Self(data);
        if (fseeko(self->file_, static_cast<off_t>(offset), whence) != 0) {
            self->writeErrno_ = errno != 0 ? errno : EIO;
            return -1;
        }
        return ftello(self->file_);
    }

    static sf_count_t Read(void* buffer, sf_count_t count, void* data) {
        return static_cast<sf_count_t>(
            std::fread(buffer, 1, static_cast<std::size_t>(count), Self(data)->file_));
    }

    static sf_count_t WriteBytes(const void* buffer, sf_count_t count, void* data) {
        AiffState* self = Self(data);
        const std::size_t done =
            std::fwrite(buffer, 1, static_cast<std::size_t>(count), self->file_);
        if (done != static_cast<std::size_t>(count) && self->writeErrno_ == 0) {
            self->writeErrno_ = errno != 0 ? errno : EIO;
        }
        return static_cast<sf_count_t>(done);
    }

    static sf_count_t Tell(void* data) { return ftello(Self(data)->file_); }

    SNDFILE* sound_ = nullptr;
    std::FILE* file_ = nullptr;
    int writeErrno_ = 0;
};

class AiffEncoder : public PcmEncoder, private AiffState {
  public:
    AiffEncoder(const QString& path, QString shownPath, const PcmFormat& output, int sourceBits)
        : PcmEncoder(output, sourceBits), shownPath_(std::move(shownPath)) {
        const QString what = QStringLiteral("Cannot create");
        file_ = std::fopen(NativeName(path).constData(), "w+b");
        if (file_ == nullptr) {
            ThrowAudioError(what, shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
        SF_INFO info{};
        info.samplerate = output.rate;
        info.channels = output.channels;
        info.format = output.floating     ? SF_FORMAT_AIFF | SF_FORMAT_FLOAT
                      : output.bits == 16 ? SF_FORMAT_AIFF | SF_FORMAT_PCM_16
                                          : SF_FORMAT_AIFF | SF_FORMAT_PCM_24;
        static SF_VIRTUAL_IO io{&AiffState::Length, &AiffState::Seek, &AiffState::Read,
                                &AiffState::WriteBytes, &AiffState::Tell};
        sound_ = sf_open_virtual(&io, SFM_WRITE, &info, static_cast<AiffState*>(this));
        if (sound_ == nullptr) {
            ThrowAudioError(what, shownPath_, ErrorText());
        }
        // The speakers of our order, stored (as a CHAN chunk) where Apple has a layout for them.
        static constexpr int kSpeakers[] = {SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,
                                            SF_CHANNEL_MAP_CENTER,    SF_CHANNEL_MAP_LFE,
                                            SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT,
                                            SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
        std::vector<int> map(kSpeakers, kSpeakers + output.channels);
        if (output.channels == 1) {
            map = {SF_CHANNEL_MAP_MONO};
        } else if (output.channels == 4) {
            map = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_LEFT,
                   SF_CHANNEL_MAP_REAR_RIGHT};
        } else if (output.channels == 7) {
            map = {SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,       SF_CHANNEL_MAP_CENTER,
                   SF_CHANNEL_MAP_LFE,       SF_CHANNEL_MAP_REAR_CENTER, SF_CHANNEL_MAP_SIDE_LEFT,
                   SF_CHANNEL_MAP_SIDE_RIGHT};
        }
        sf_command(sound_, SFC_SET_CHANNEL_MAP_INFO, map.data(),
                   static_cast<int>(map.size() * sizeof(int)));
    }

    void Write(const float* samples, std::int64_t frames) override {
        if (!output_.floating) {
            PcmEncoder::Write(samples, frames);
            return;
        }
        Admit(frames);
        if (sf_writef_float(sound_, samples, frames) != frames) {
            ThrowWriteError(shownPath_, ErrorText());
        }
        frames_ += frames;
    }

    void WriteIntegers(const std::int32_t* samples, std::int64_t frames) override {
        Admit(frames);
        // libsndfile takes integers at full 32-bit scale and keeps the top bits.
        const int shift = 32 - output_.bits;
        const std::size_t count = static_cast<std::size_t>(frames) * output_.channels;
        scaled_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            scaled_[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[i]) << shift);
        }
        if (sf_writef_int(sound_, scaled_.data(), frames) != frames) {
            ThrowWriteError(shownPath_, ErrorText());
        }
        frames_ += frames;
    }

    void Finish() override {
        // Closing writes the lengths into the header.
        SNDFILE* sound = sound_;
        sound_ = nullptr;
        const int closed = sf_close(sound);
        if (writeErrno_ != 0 || closed != 0) {
            ThrowWriteError(shownPath_, writeErrno_ != 0
                                            ? QString::fromLocal8Bit(std::strerror(writeErrno_))
                                            : QString::fromUtf8(sf_error_number(closed)));
        }
        if ((frames_ * output_.channels * (output_.bits / 8)) % 2 != 0) {
            UnpadSoundChunk();
        }
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }

  private:
    // AIFF counts its sizes in 32 bits; past them the header would be wrong without a word.
    void Admit(std::int64_t frames) const {
        constexpr std::int64_t kMostBytes = 0xFFFFFFFFll - 65536;  // room for the header
        if ((frames_ + frames) * output_.channels * (output_.bits / 8) > kMostBytes) {
            ThrowWriteError(shownPath_, QStringLiteral("AIFF cannot hold more than 4 GB"));
        }
    }

    // libsndfile counts the pad byte after an odd number of sample bytes into the size of the
    // SSND chunk; FFmpeg then reads it as a broken last sample. The size is set to the samples'.
    void UnpadSoundChunk() {
        unsigned char header[4096];
        if (std::fseek(file_, 0, SEEK_SET) != 0) {
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
        const std::size_t got = std::fread(header, 1, sizeof header, file_);
        const auto be32 = [&](std::size_t at) {
            return std::uint32_t{header[at]} << 24 | std::uint32_t{header[at + 1]} << 16 |
                   std::uint32_t{header[at + 2]} << 8 | std::uint32_t{header[at + 3]};
        };
        const std::uint64_t wanted =
            8 + static_cast<std::uint64_t>(frames_) * output_.channels * (output_.bits / 8);
        for (std::size_t at = 12; at + 8 <= got; at += 8 + be32(at + 4) + (be32(at + 4) & 1)) {
            if (std::memcmp(header + at, "SSND", 4) != 0) {
                continue;
            }
            if (be32(at + 4) == wanted + 1) {
                const unsigned char size[4] = {static_cast<unsigned char>(wanted >> 24),
                                               static_cast<unsigned char>(wanted >> 16),
                                               static_cast<unsigned char>(wanted >> 8),
                                               static_cast<unsigned char>(wanted)};
                if (std::fseek(file_, static_cast<long>(at + 4), SEEK_SET) != 0) {
                    ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
                }
                PutBytes(file_, size, sizeof size, shownPath_);
            }
            return;
        }
    }

    // The system's reason when our stream failed, otherwise libsndfile's.
    QString ErrorText() const {
        if (writeErrno_ != 0) {
            return QString::fromLocal8Bit(std::strerror(writeErrno_));
        }
        return QString::fromUtf8(sf_strerror(sound_));
    }

    QString shownPath_;
    std::int64_t frames_ = 0;
    std::vector<std::int32_t> scaled_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateAiffEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits) {
    CheckPcmOutput(output, shownPath, "AIFF", true, std::numeric_limits<int>::max());
    return std::make_unique<AiffEncoder>(path, shownPath, output, sourceBits);
}
