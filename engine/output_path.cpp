#include "engine/output_path.h"

#include <QFile>
#include <QFileInfo>

#include "components/component_error.h"
#include "formats/output_formats.h"
#include "platform/native_name.h"

namespace {

// Far beyond any real folder; only guards against a loop that never ends.
constexpr int kMaxNumber = 1000000;

// Reserves by creating the name, empty and exclusively. A folder that refuses for another reason
// gets the name unreserved; the writer then reports the cause.
NameClaim Reserve(const QString& path) {
    if (NativeNameTaken(path)) {
        return NameClaim::Taken;
    }
    QFile file;
    if (OpenNative(file, path, QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return NameClaim::Claimed;
    }
    // Another batch may have created it between the two checks.
    return NativeNameTaken(path) ? NameClaim::Taken : NameClaim::Claimed;
}

// Control characters from tags (a newline, a tab, an escape) would reach the file name and split
// every line-based listing of it.
QString ReplaceControls(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char('_');
        }
    }
    return text;
}

}  // namespace

QString OutputExtension(int format) {
    const OutputFormat* row = FindOutputFormat(format);
    return row ? QLatin1String(row->extension) : QString();
}

QString ChooseOutputName(const QString& outputDir, const QString& caption, const QString& inputPath,
                         const QString& extension, const QString& prefix,
                         const std::function<NameClaim(const QString&)>& claim) {
    QString base = caption;
    if (caption == QFileInfo(inputPath).fileName()) {
        const qsizetype dot = caption.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) {
            base.truncate(dot);
        }
    }
    // A caption never leads out of the output folder, and an empty one takes the input's name.
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (base.isEmpty()) {
        base = QFileInfo(inputPath).completeBaseName();
    }
    base = ReplaceControls(base);
    // The whole name, prefix, number and extension included, must fit the file system's limit;
    // only the title gives way.
    const auto nameFor = [&](const QString& number) {
        const qsizetype fixed = (prefix + number + extension).toUtf8().size();
        return prefix + FitToNameBytes(base, kMaxNameBytes - fixed) + number + extension;
    };
    const QString first = outputDir + nameFor(QString());
    QString candidate = first;
    for (int n = 1;; ++n) {
        if (claim(candidate) == NameClaim::Claimed) {
            return candidate;
        }
        if (n > kMaxNumber) {
            throw ComponentError(
                QStringLiteral("Cannot create %1: no free output name is left").arg(first));
        }
        candidate = outputDir + nameFor(QLatin1Char('_') + QString::number(n));
    }
}

QString MakeOutputPath(const QString& outputDir, const QString& caption, const QString& inputPath,
                       const QString& extension, const QString& prefix) {
    return ChooseOutputName(outputDir, caption, inputPath, extension, prefix, Reserve);
}
