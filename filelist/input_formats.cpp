#include "filelist/input_formats.h"

namespace {

QStringList Patterns(const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns << QStringLiteral("*.") + extension;
    }
    return patterns;
}

}  // namespace

const std::vector<InputFamily>& InputFamilies() {
    static const std::vector<InputFamily> kFamilies = {
        {QStringLiteral("MPEG files"), {QStringLiteral("mp3"), QStringLiteral("mp2")}},
        {QStringLiteral("WAV files"), {QStringLiteral("wav")}},
        {QStringLiteral("FLAC files"), {QStringLiteral("flac")}},
        {QStringLiteral("Ogg files"),
         {QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus")}},
        {QStringLiteral("MPEG-4 audio"),
         {QStringLiteral("m4a"), QStringLiteral("mp4"), QStringLiteral("aac"),
          QStringLiteral("m4b")}},
        {QStringLiteral("AIFF files"),
         {QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("aifc")}},
        {QStringLiteral("WavPack files"), {QStringLiteral("wv")}},
        {QStringLiteral("Windows Media Audio"), {QStringLiteral("wma")}},
        {QStringLiteral("Monkey's Audio"), {QStringLiteral("ape")}},
        {QStringLiteral("Matroska and WebM audio"),
         {QStringLiteral("mka"), QStringLiteral("webm")}},
        {QStringLiteral("Other audio files"),
         {QStringLiteral("ac3"), QStringLiteral("au"), QStringLiteral("caf"), QStringLiteral("w64"),
          QStringLiteral("tta"), QStringLiteral("mpc")}},
    };
    return kFamilies;
}

QStringList SupportedInputExtensions() {
    QStringList extensions;
    for (const InputFamily& family : InputFamilies()) {
        extensions << family.extensions;
    }
    return extensions;
}

bool IsSupportedInputName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && SupportedInputExtensions().contains(name.mid(dot + 1).toLower());
}

QStringList InputFileFilters() {
    // The first three entries keep their long-standing order: MP3, WAV, MP2 lead the list.
    QStringList all = Patterns(SupportedInputExtensions());
    all.move(all.indexOf(QStringLiteral("*.wav")), 1);
    QStringList filters{QStringLiteral("All Supported Files (%1)").arg(all.join(QLatin1Char(' ')))};
    for (const InputFamily& family : InputFamilies()) {
        filters << QStringLiteral("%1 (%2)").arg(
            family.name, Patterns(family.extensions).join(QLatin1Char(' ')));
    }
    return filters;
}
