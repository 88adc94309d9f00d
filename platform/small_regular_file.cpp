#include "platform/small_regular_file.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include "platform/native_name.h"
#endif

namespace {

SmallFileRead Refuse(QString problem) {
    SmallFileRead result;
    result.status = SmallFileRead::Status::Refused;
    result.problem = std::move(problem);
    return result;
}

QString TooBig(qint64 maxBytes) {
    return QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
}

// Qt resources are compiled in and always regular.
SmallFileRead ReadResource(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SmallFileRead missing;
        missing.problem = QStringLiteral("no such file");
        return missing;
    }
    SmallFileRead result;
    result.bytes = file.read(maxBytes + 1);
    if (result.bytes.size() > maxBytes) {
        return Refuse(TooBig(maxBytes));
    }
    result.status = SmallFileRead::Status::Ok;
    return result;
}

}  // namespace

SmallFileRead ReadSmallRegularFile(const QString& path, qint64 maxBytes) {
    if (path.startsWith(QLatin1Char(':'))) {
        return ReadResource(path, maxBytes);
    }
#ifdef Q_OS_UNIX
    // Opening a FIFO for reading blocks until a writer comes, so open without blocking and look at
    // what was opened (not at the name, which could change in between).
    const int fd = ::open(NativeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            SmallFileRead missing;
            missing.problem = QStringLiteral("no such file");
            return missing;
        }
        return Refuse(error == EISDIR ? QStringLiteral("it is a folder")
                                      : QString::fromLocal8Bit(std::strerror(error)).toLower());
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return Refuse(QString::fromLocal8Bit(std::strerror(errno)).toLower());
    }
    if (S_ISDIR(info.st_mode)) {
        return Refuse(QStringLiteral("it is a folder"));
    }
    if (!S_ISREG(info.st_mode)) {
        return Refuse(QStringLiteral("it is not a regular file"));
    }
    if (info.st_size > maxBytes) {
        return Refuse(TooBig(maxBytes));
    }
    SmallFileRead result;
    result.bytes.resize(static_cast<qsizetype>(info.st_size));
    qsizetype filled = 0;
    // The file may grow or shrink while it is read: stop at its end or one byte past the limit.
    for (;;) {
        if (filled == result.bytes.size()) {
            if (filled > maxBytes) {
                return Refuse(TooBig(maxBytes));
            }
            result.bytes.resize(filled + 4096);
        }
        const ssize_t got = ::read(fd, result.bytes.data() + filled,
                                   static_cast<size_t>(result.bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Refuse(QString::fromLocal8Bit(std::strerror(errno)).toLower());
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    result.bytes.resize(filled);
    if (filled > maxBytes) {
        return Refuse(TooBig(maxBytes));
    }
    result.status = SmallFileRead::Status::Ok;
    return result;
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        SmallFileRead missing;
        missing.problem = QStringLiteral("no such file");
        return missing;
    }
    if (info.isDir()) {
        return Refuse(QStringLiteral("it is a folder"));
    }
    if (!info.isFile()) {
        return Refuse(QStringLiteral("it is not a regular file"));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Refuse(file.errorString().toLower());
    }
    SmallFileRead result;
    result.bytes = file.read(maxBytes + 1);
    if (result.bytes.size() > maxBytes) {
        return Refuse(TooBig(maxBytes));
    }
    result.status = SmallFileRead::Status::Ok;
    return result;
#endif
}

bool IsRegularFile(const QString& path) {
    return NativeIsFile(path);
}
