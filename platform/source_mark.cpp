#include "platform/source_mark.h"

#include <sys/xattr.h>

#include <QFile>
#include <QFileInfo>
#include "platform/native_name.h"

namespace {
constexpr const char* kAttribute = "user.quorvel.source";
}  // namespace

QString SourceMark(const QString& inputPath, MarkedPart part) {
    QString mark = QFileInfo(inputPath).absoluteFilePath();
    if (part.start != 0 || part.end >= 0) {
        mark += QStringLiteral("#%1-").arg(part.start);
        if (part.end >= 0) {
            mark += QString::number(part.end);
        }
    }
    return mark;
}

bool MarkOutputSource(const QString& outputPath, const QString& inputPath, MarkedPart part) {
    // The bytes the file system gave for the name, whatever the locale makes of them.
    const QByteArray source = NativeName(SourceMark(inputPath, part));
    const QByteArray name = NativeName(outputPath);
    return ::lsetxattr(name.constData(), kAttribute, source.constData(),
                       static_cast<std::size_t>(source.size()), 0) == 0;
}

QString OutputSource(const QString& outputPath) {
    const QByteArray name = NativeName(outputPath);
    char buffer[4096];
    const ssize_t size = ::lgetxattr(name.constData(), kAttribute, buffer, sizeof buffer);
    if (size <= 0) {
        return {};
    }
    return NameFromNative(QByteArray(buffer, static_cast<qsizetype>(size)));
}
