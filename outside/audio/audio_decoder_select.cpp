// Chooses the decoder by what the file holds, never by its name: a container header goes to
// libsndfile, anything else must prove to be MPEG audio. Nothing else is taken for audio.
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/mpeg_stream_start.h"

namespace {

// The containers handed to libsndfile. Only these: its own MPEG reader would otherwise take
// chance frame syncs in any file for audio (and print about them to the terminal).
bool StartsWithContainerMagic(const QByteArray& head) {
    static const char* const kMagic[] = {"RIFF", "RIFX", "RF64", "FORM", "fLaC",
                                         "OggS", ".snd", "caff", "wvpk", "Creative Voice"};
    for (const char* magic : kMagic) {
        if (head.startsWith(magic)) {
            return true;
        }
    }
    return false;
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
    if (StartsWithContainerMagic(head)) {
        file.close();
        decoder = OpenSndfileDecoder(path, &whyNot);
    } else {
        const std::int64_t want = std::min(MpegScanBytes(head), kMaxScanBytes);
        if (want > head.size()) {
            head += file.read(want - head.size());
        }
        file.close();
        const MpegStreamStart start = FindMpegStream(head, info.size());
        if (start.found) {
            decoder = OpenMpegDecoder(path, start, &whyNot);
        } else {
            whyNot = QStringLiteral("no run of MPEG audio frames at its start");
        }
    }
    if (!decoder) {
        ThrowAudioError(what, path,
                        QStringLiteral("not an audio file that can be decoded (%1)").arg(whyNot));
    }
    return decoder;
}
