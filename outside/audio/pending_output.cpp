#include "outside/audio/pending_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "outside/audio/audio_error.h"

namespace {

// The process's umask, read without changing it: umask() can only be read by setting it, which
// would race with files other threads create meanwhile.
mode_t CurrentUmask() {
    // /proc files report a size of 0, so they are read line by line until the end.
    std::FILE* status = std::fopen("/proc/self/status", "r");
    unsigned mask = 022;
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return static_cast<mode_t>(mask);
}

}  // namespace

PendingOutput::PendingOutput(const QString& target) : target_(target) {
    const QString what = QStringLiteral("Cannot create");
    const QFileInfo info(target);
    if (target.isEmpty() || info.fileName().isEmpty()) {
        ThrowAudioError(what, target, QStringLiteral("no file name given"));
    }
    if (info.isDir()) {
        ThrowAudioError(what, target, QStringLiteral("a folder of that name exists"));
    }
    if (!info.dir().exists()) {
        ThrowAudioError(what, target, QStringLiteral("the folder does not exist"));
    }
    QTemporaryFile temp(
        info.dir().filePath(QStringLiteral(".%1.XXXXXX.part").arg(info.fileName())));
    if (!temp.open()) {
        ThrowAudioError(what, target, temp.errorString());
    }
    temp.setAutoRemove(false);
    temp_ = temp.fileName();
}

PendingOutput::~PendingOutput() {
    if (!committed_) {
        QFile::remove(temp_);
    }
}

void PendingOutput::Commit() {
    // A file replaced keeps its permissions; a new one gets what any program's new file gets,
    // rw for everyone less the user's umask (the temporary file was made private).
    const QByteArray temp = QFile::encodeName(temp_);
    struct stat existing {};
    const mode_t mode = ::stat(QFile::encodeName(target_).constData(), &existing) == 0
                            ? (existing.st_mode & 07777)
                            : (0666 & ~CurrentUmask());
    ::chmod(temp.constData(), mode);
    // rename() replaces the target atomically; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(target_).constData()) !=
        0) {
        ThrowWriteError(target_, QString::fromLocal8Bit(std::strerror(errno)));
    }
    committed_ = true;
}
