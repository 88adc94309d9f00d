#include "outside/profile/profile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "outside/profile/ini_document.h"
#include "platform/small_regular_file.h"

namespace profile {

namespace {

// Settings files are small; anything bigger is not one of ours and is not pulled into memory.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// Reads the file; a missing file is an empty document. False when something is at the path that
// cannot be read as a settings file (a FIFO, a folder, a huge file), so that a write never
// replaces contents it could not see.
bool Load(const QString& path, IniDocument* doc) {
    const SmallFileRead read = ReadSmallRegularFile(path, kMaxFileSize);
    *doc =
        read.status == SmallFileRead::Status::Ok ? IniDocument::Parse(read.bytes) : IniDocument();
    return read.status != SmallFileRead::Status::Refused;
}

}  // namespace

QString ResolvePath(const QString& fileName) {
    if (fileName.contains(QLatin1Char('/'))) {
        return fileName;
    }
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::home().filePath(QStringLiteral(".config"));
    }
    return QDir(base).filePath(fileName);
}

QString ReadProblem(const QString& fileName) {
    const SmallFileRead read = ReadSmallRegularFile(ResolvePath(fileName), kMaxFileSize);
    return read.status == SmallFileRead::Status::Refused ? read.problem : QString();
}

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName,
                                int bufferSize) {
    IniDocument doc;
    Load(ResolvePath(fileName), &doc);
    const std::optional<QString> value = doc.Value(section, key);
    const QString result = value ? *value : defaultValue;
    // The caller's buffer holds bufferSize - 1 characters and the terminator.
    return bufferSize <= 0 ? QString() : result.left(bufferSize - 1);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName) {
    if (section.isNull() && key.isNull() && value.isNull()) {
        return true;  // flush: every write already reached the file
    }
    if (section.isNull()) {
        return false;
    }
    const QString path = ResolvePath(fileName);
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        return false;
    }
    IniDocument doc;
    if (!Load(path, &doc)) {
        return false;
    }
    if (key.isNull()) {
        doc.RemoveSection(section);
    } else if (value.isNull()) {
        doc.RemoveKey(section, key);
    } else {
        doc.SetValue(section, key, value);
    }
    // A crash or a full disk mid-write must not leave half a settings file behind.
    QSaveFile out(path);
    out.setDirectWriteFallback(true);  // a writable file in a read-only folder is still writable
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = doc.Serialize();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace profile
