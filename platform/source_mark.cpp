#include "platform/source_mark.h"

#include <sys/xattr.h>

#include <QFile>
#include <QFileInfo>
#include "platform/native_name.h"

namespace {
constexpr const char* kAttribute = "user.quorvel.source";
}  // namespace

bool MarkOutputSource(const QString& outputPath, const QString& inputPath) {
    // The bytes the file system gave for the name, whatever the locale makes of them.
    const QByteArray source = NativeName(QFileInfo(inputPath).absoluteFilePath());
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
