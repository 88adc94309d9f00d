#include "outside/audio/pending_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

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
    if (NativeIsDir(target)) {
        ThrowAudioError(what, target, QStringLiteral("a folder of that name exists"));
    }
    const QString folder = info.path();
    if (!NativeIsDir(folder)) {
        ThrowAudioError(what, target, QStringLiteral("the folder does not exist"));
    }
    // Made by the system, not Qt: the folder's name may hold bytes Qt cannot give back.
    QByteArray name = NativeName(folder + QStringLiteral("/.%1.XXXXXX.part").arg(info.fileName()));
    const int fd = ::mkstemps(name.data(), 5);
    if (fd < 0) {
        ThrowAudioError(what, target, QString::fromLocal8Bit(std::strerror(errno)));
    }
    ::close(fd);
    temp_ = NameFromNative(name);
}

PendingOutput::~PendingOutput() {
    if (!committed_) {
        ::unlink(NativeName(temp_).constData());
    }
}

void PendingOutput::Commit() {
    // A file replaced keeps its permissions; a new one gets what any program's new file gets,
    // rw for everyone less the user's umask (the temporary file was made private).
    const QByteArray temp = NativeName(temp_);
    struct stat existing {};
    const mode_t mode = ::stat(NativeName(target_).constData(), &existing) == 0
                            ? (existing.st_mode & 07777)
                            : (0666 & ~CurrentUmask());
    ::chmod(temp.constData(), mode);
    // rename() replaces the target atomically; QFile::rename would refuse an existing target.
    if (std::rename(NativeName(temp_).constData(), NativeName(target_).constData()) != 0) {
        ThrowWriteError(target_, QString::fromLocal8Bit(std::strerror(errno)));
    }
    committed_ = true;
}
