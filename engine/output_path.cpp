#include "engine/output_path.h"

#include <QFile>
#include <QFileInfo>

#include "components/component_error.h"

namespace {

// Far beyond any real folder; only guards against a loop that never ends.
constexpr int kMaxNumber = 1000000;

enum class Claim { Taken, Reserved, Refused };

Claim Reserve(const QString& path) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        return Claim::Taken;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return Claim::Reserved;
    }
    // Another batch may have created it between the two checks.
    return QFileInfo::exists(path) ? Claim::Taken : Claim::Refused;
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

QString MakeOutputPath(const QString& outputDir, const QString& caption, const QString& inputPath,
                       const QString& extension, const QString& prefix) {
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
        switch (Reserve(candidate)) {
            case Claim::Reserved:
            case Claim::Refused:
                return candidate;
            case Claim::Taken:
                break;
        }
        if (n > kMaxNumber) {
            throw ComponentError(QStringLiteral("Cannot create %1: no free output name is left")
                                     .arg(stem + extension));
        }
        candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
    }
}
