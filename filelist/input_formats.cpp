#include "filelist/input_formats.h"

#include <QCoreApplication>

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
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "MPEG files")),
         {QStringLiteral("mp3"), QStringLiteral("mp2")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "WAV files")), {QStringLiteral("wav")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "FLAC files")), {QStringLiteral("flac")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "Ogg files")),
         {QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "MPEG-4 audio")),
         {QStringLiteral("m4a"), QStringLiteral("mp4"), QStringLiteral("aac"),
          QStringLiteral("m4b")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "AIFF files")),
         {QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("aifc")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "WavPack files")),
         {QStringLiteral("wv")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "Windows Media Audio")),
         {QStringLiteral("wma")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "Monkey's Audio")),
         {QStringLiteral("ape")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "Matroska and WebM audio")),
         {QStringLiteral("mka"), QStringLiteral("webm")}},
        {QStringLiteral(QT_TRANSLATE_NOOP("InputFormats", "Other audio files")),
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
    // A cue sheet stands for the tracks of the audio it names.
    all << QStringLiteral("*.cue");
    // The descriptions in the window's language; the patterns as they are.
    QStringList filters{QCoreApplication::translate("InputFormats", "All Supported Files (%1)")
                            .arg(all.join(QLatin1Char(' ')))};
    for (const InputFamily& family : InputFamilies()) {
        filters << QStringLiteral("%1 (%2)").arg(
            QCoreApplication::translate("InputFormats", family.name.toUtf8().constData()),
            Patterns(family.extensions).join(QLatin1Char(' ')));
    }
    filters << QCoreApplication::translate("InputFormats", "Cue sheets (%1)")
                   .arg(QStringLiteral("*.cue"));
    return filters;
}
