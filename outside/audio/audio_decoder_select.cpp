// Chooses the decoder by what the file holds, never by its name: the containers libsndfile reads
// exactly go to it, MPEG audio to libmpg123, and everything else to FFmpeg, which also takes what
// libsndfile turns down (a WAV holding a compressed codec, Ogg FLAC ...).
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/mpeg_stream_start.h"
#include "platform/native_name.h"

namespace {

// The containers handed to libsndfile. Only these: its own MPEG reader would otherwise take
// chance frame syncs in any file for audio (and print about them to the terminal). Its Ogg
// Vorbis and Opus lengths are granule-exact, where FFmpeg keeps a Vorbis stream's last padding.
bool StartsWithContainerMagic(const QByteArray& head) {
    static const char* const kMagic[] = {"RIFF", "RIFX", "RF64", "FORM",          "fLaC",
                                         "OggS", ".snd", "caff", "Creative Voice"};
    for (const char* magic : kMagic) {
        if (head.startsWith(magic)) {
            return true;
        }
    }
    return false;
}

// Containers only FFmpeg reads, recognised before the MPEG scan so that no chance frame sync in
// their data can be taken for MPEG audio: MP4 ("ftyp" after the box size), ASF, WavPack,
// Monkey's Audio, Matroska/WebM, TTA, Musepack.
bool StartsWithFfmpegMagic(const QByteArray& head) {
    static const char kAsf[] = "\x30\x26\xB2\x75\x8E\x66\xCF\x11";
    static const char kMatroska[] = "\x1A\x45\xDF\xA3";
    if (head.size() >= 8 && head.mid(4, 4) == "ftyp") {
        return true;
    }
    for (const char* magic : {kAsf, kMatroska, "wvpk", "MAC ", "TTA1", "MPCK", "MP+"}) {
        if (head.startsWith(magic)) {
            return true;
        }
    }
    return false;
}

// Whether the file starts with a FLAC STREAMINFO block, whole within head.
bool HasFlacStreamInfo(const QByteArray& head) {
    return head.startsWith("fLaC") && head.size() >= 26 && (head.at(4) & 0x7F) == 0;
}

// The length STREAMINFO states, in samples; 0 means unknown.
std::uint64_t FlacStatedTotal(const QByteArray& head) {
    constexpr qsizetype kTotalAt = 4 + 4 + 13;  // magic, block header, 13 bytes into STREAMINFO
    const auto* p = reinterpret_cast<const unsigned char*>(head.constData() + kTotalAt);
    return std::uint64_t(p[0] & 0x0F) << 32 | std::uint64_t(p[1]) << 24 |
           std::uint64_t(p[2]) << 16 | std::uint64_t(p[3]) << 8 | p[4];
}

// A FLAC stream whose STREAMINFO gives its length as 0, "unknown" (what an encoder writing into a
// pipe leaves): libsndfile takes it for empty, FFmpeg decodes its frames to the end.
bool FlacOfUnknownLength(const QByteArray& head) {
    return HasFlacStreamInfo(head) && FlacStatedTotal(head) == 0;
}

// The sample just after the last frame whose header (with its CRC-8) is found in the file's last
// bytes; 0 when none is.
std::uint64_t FlacEndOfLastFrame(QFile& file, std::uint32_t fixedBlockSize) {
    constexpr qint64 kTail = 1 << 18;
    const qint64 size = file.size();
    if (!file.seek(std::max<qint64>(0, size - kTail))) {
        return 0;
    }
    const QByteArray tail = file.read(kTail);
    const auto* b = reinterpret_cast<const unsigned char*>(tail.constData());
    const qsizetype n = tail.size();
    for (qsizetype i = n - 6; i >= 0; --i) {
        if (b[i] != 0xFF || (b[i + 1] & 0xFE) != 0xF8 || (b[i + 3] & 0x01) != 0 ||
            (b[i + 2] >> 4) == 0 || (b[i + 2] & 0x0F) == 0x0F) {
            continue;
        }
        // The frame or sample number, UTF-8 coded in up to seven bytes.
        qsizetype at = i + 4;
        std::uint64_t number = b[at];
        int more = 0;
        if (number >= 0xFE) {
            more = 6;
            number = 0;
        } else if (number >= 0xC0) {
            for (unsigned mask = 0x40; number & mask; mask >>= 1) {
                ++more;
            }
            number &= (0x3Fu >> more);
        } else if (number >= 0x80) {
            continue;
        }
        ++at;
        bool coded = at + more <= n;
        for (int k = 0; coded && k < more; ++k, ++at) {
            coded = (b[at] & 0xC0) == 0x80;
            number = number << 6 | (b[at] & 0x3F);
        }
        const unsigned sizeCode = b[i + 2] >> 4;
        const unsigned rateCode = b[i + 2] & 0x0F;
        std::uint64_t blockSize = sizeCode == 1   ? 192
                                  : sizeCode <= 5 ? 576u << (sizeCode - 2)
                                  : sizeCode >= 8 ? 256u << (sizeCode - 8)
                                                  : 0;
        const int sizeBytes = sizeCode == 6 ? 1 : sizeCode == 7 ? 2 : 0;
        const int rateBytes = rateCode == 12 ? 1 : rateCode >= 13 ? 2 : 0;
        if (!coded || at + sizeBytes + rateBytes >= n) {
            continue;
        }
        if (sizeBytes > 0) {
            blockSize = (sizeBytes == 1 ? b[at] : (b[at] << 8 | b[at + 1])) + 1u;
        }
        at += sizeBytes + rateBytes;
        unsigned crc = 0;
        for (qsizetype k = i; k < at; ++k) {
            crc ^= b[k];
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 0x80) ? ((crc << 1) ^ 0x07) & 0xFF : (crc << 1) & 0xFF;
            }
        }
        if (crc != b[at]) {
            continue;
        }
        const bool variable = (b[i + 1] & 0x01) != 0;
        return (variable ? number : number * fixedBlockSize) + blockSize;
    }
    return 0;
}

// A FLAC stream whose frames run past the length its STREAMINFO states: libsndfile stops at the
// stated length, FFmpeg decodes every frame.
bool FlacLongerThanStated(const QString& path, const QByteArray& head) {
    if (!HasFlacStreamInfo(head)) {
        return false;
    }
    const std::uint32_t minBlock =
        std::uint32_t(std::uint8_t(head.at(8))) << 8 | std::uint8_t(head.at(9));
    const std::uint32_t maxBlock =
        std::uint32_t(std::uint8_t(head.at(10))) << 8 | std::uint8_t(head.at(11));
    QFile file;
    if (minBlock != maxBlock || !OpenNative(file, path, QIODevice::ReadOnly)) {
        return false;  // a variable block size numbers samples, handled the same below
    }
    return FlacEndOfLastFrame(file, minBlock) > FlacStatedTotal(head);
}

// A tag far larger than any cover picture is not worth reading into memory to find the audio.
constexpr std::int64_t kMaxScanBytes = 64 << 20;

}  // namespace

std::unique_ptr<AudioDecoder> OpenAudioDecoder(const QString& path) {
    const QString what = QStringLiteral("Cannot open");
    if (!NativeExists(path)) {
        ThrowAudioError(what, path, QStringLiteral("no such file"));
    }
    if (NativeIsDir(path)) {
        ThrowAudioError(what, path, QStringLiteral("it is a folder"));
    }
    // A pipe or a device could block a read for ever or never end.
    if (!NativeIsFile(path)) {
        ThrowAudioError(what, path, QStringLiteral("not a regular file"));
    }
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        ThrowAudioError(what, path, file.errorString());
    }
    QByteArray head = file.read(4096);
    if (head.isEmpty()) {
        ThrowAudioError(what, path, QStringLiteral("the file is empty"));
    }

    QString whyNot;
    std::unique_ptr<AudioDecoder> decoder;
    const bool flacLonger = !FlacOfUnknownLength(head) && FlacLongerThanStated(path, head);
    if (StartsWithFfmpegMagic(head) || FlacOfUnknownLength(head) || flacLonger) {
        file.close();
        decoder = OpenFfmpegDecoder(path, &whyNot);
        if (decoder && flacLonger) {
            decoder->note = QStringLiteral(
                "the FLAC header states fewer samples than the file "
                "holds: every frame is decoded");
        }
    } else if (StartsWithContainerMagic(head)) {
        file.close();
        decoder = OpenSndfileDecoder(path, &whyNot);
        if (!decoder) {
            decoder = OpenFfmpegDecoder(path, &whyNot);
        }
    } else {
        const std::int64_t want = std::min(MpegScanBytes(head), kMaxScanBytes);
        if (want > head.size()) {
            head += file.read(want - head.size());
        }
        const qint64 fileSize = file.size();
        file.close();
        const MpegStreamStart start = FindMpegStream(head, fileSize);
        if (start.found) {
            decoder = OpenMpegDecoder(path, start, &whyNot);
        }
        if (!decoder) {
            // ADTS AAC, AC-3, a FLAC behind an ID3 tag and the other headerless streams.
            decoder = OpenFfmpegDecoder(path, &whyNot);
        }
    }
    if (!decoder) {
        ThrowAudioError(what, path,
                        QStringLiteral("not an audio file that can be decoded (%1)").arg(whyNot));
    }
    return decoder;
}
