#include "engine/output_path.h"

#include <QFile>
#include <QFileInfo>

#include "components/component_error.h"

namespace {

// Far beyond any real folder; only guards against a loop that never ends.
constexpr int kMaxNumber = 1000000;

// Reserves by creating the name, empty and exclusively. A folder that refuses for another reason
// gets the name unreserved; the writer then reports the cause.
NameClaim Reserve(const QString& path) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return NameClaim::Taken;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return NameClaim::Claimed;
    }
    // Another batch may have created it between the two checks.
    return QFileInfo::exists(path) ? NameClaim::Taken : NameClaim::Claimed;
}

}  // namespace

QString OutputExtension(int format) {
    switch (format) {
        case 0:
            return QStringLiteral(".mp3");
        case 1:
            return QStringLiteral(".wav");
        case 2:
            return QStringLiteral(".wma");
        case 3:
            return QStringLiteral(".ogg");
        case 4:
            return QStringLiteral(".vox");
        default:
            return {};
    }
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
    const QString stem = outputDir + prefix + base;
    QString candidate = stem + extension;
    for (int n = 1;; ++n) {
        if (claim(candidate) == NameClaim::Claimed) {
            return candidate;
        }
        if (n > kMaxNumber) {
            throw ComponentError(QStringLiteral("Cannot create %1: no free output name is left")
                                     .arg(stem + extension));
        }
        candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
    }
}

QString MakeOutputPath(const QString& outputDir, const QString& caption, const QString& inputPath,
                       const QString& extension, const QString& prefix) {
    return ChooseOutputName(outputDir, caption, inputPath, extension, prefix, Reserve);
}
