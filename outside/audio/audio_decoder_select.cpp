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

// A FLAC stream whose STREAMINFO gives its length as 0, "unknown" (what an encoder writing into a
// pipe leaves): libsndfile takes it for empty, FFmpeg decodes its frames to the end.
bool FlacOfUnknownLength(const QByteArray& head) {
    constexpr qsizetype kTotalAt = 4 + 4 + 13;  // magic, block header, 13 bytes into STREAMINFO
    if (!head.startsWith("fLaC") || head.size() < kTotalAt + 5 || (head.at(4) & 0x7F) != 0) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(head.constData() + kTotalAt);
    return (p[0] & 0x0F) == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0 && p[4] == 0;
}

// A tag far larger than any cover picture is not worth reading into memory to find the audio.
constexpr std::int64_t kMaxScanBytes = 64 << 20;

}  // namespace

std::unique_ptr<AudioDecoder> OpenAudioDecoder(const QString& path) {
    const QString what = QStringLiteral("Cannot open");
    const QFileInfo info(path);
    if (!info.exists()) {
        ThrowAudioError(what, path, QStringLiteral("no such file"));
    }
    if (info.isDir()) {
        ThrowAudioError(what, path, QStringLiteral("it is a folder"));
    }
    // A pipe or a device could block a read for ever or never end.
    if (!info.isFile()) {
        ThrowAudioError(what, path, QStringLiteral("not a regular file"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ThrowAudioError(what, path, file.errorString());
    }
    QByteArray head = file.read(4096);
    if (head.isEmpty()) {
        ThrowAudioError(what, path, QStringLiteral("the file is empty"));
    }

    QString whyNot;
    std::unique_ptr<AudioDecoder> decoder;
    if (StartsWithFfmpegMagic(head) || FlacOfUnknownLength(head)) {
        file.close();
        decoder = OpenFfmpegDecoder(path, &whyNot);
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
        file.close();
        const MpegStreamStart start = FindMpegStream(head, info.size());
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
