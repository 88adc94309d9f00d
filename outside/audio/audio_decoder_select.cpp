// Chooses the decoder by what the file holds; the extension only breaks ties.
#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"

namespace {

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

bool LooksLikeMpeg(const QByteArray& head) {
    if (head.startsWith("ID3")) {
        return true;
    }
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
           (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
}

bool HasMpegExtension(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == QLatin1String("mp3") || ext == QLatin1String("mp2") ||
           ext == QLatin1String("mp1") || ext == QLatin1String("mpa") ||
           ext == QLatin1String("mpga");
}

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
    const QByteArray head = file.read(16);
    file.close();
    if (head.isEmpty()) {
        ThrowAudioError(what, path, QStringLiteral("the file is empty"));
    }

    const bool mpegFirst =
        LooksLikeMpeg(head) || (HasMpegExtension(path) && !StartsWithContainerMagic(head));
    QString whyNotMpeg;
    QString whyNotSndfile;
    std::unique_ptr<AudioDecoder> decoder;
    if (mpegFirst) {
        decoder = OpenMpegDecoder(path, &whyNotMpeg);
        if (!decoder) {
            decoder = OpenSndfileDecoder(path, &whyNotSndfile);
        }
    } else {
        decoder = OpenSndfileDecoder(path, &whyNotSndfile);
        if (!decoder) {
            decoder = OpenMpegDecoder(path, &whyNotMpeg);
        }
    }
    if (!decoder) {
        ThrowAudioError(what, path,
                        QStringLiteral("not an audio file that can be decoded (%1)")
                            .arg(mpegFirst ? whyNotMpeg : whyNotSndfile));
    }
    return decoder;
}
