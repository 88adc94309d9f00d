#include "platform/no_replace_link.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include "platform/native_name.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

int RenameNoReplace(const char* from, const char* to) {
#ifdef SYS_renameat2
    return static_cast<int>(
        ::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
#else
    errno = ENOSYS;
    return -1;
#endif
}

LinkResult Fail(QString* error) {
    if (error != nullptr) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
    }
    return LinkResult::Failed;
}

}  // namespace

LinkResult LinkNoReplace(const QString& from, const QString& to, QString* error) {
    const QByteArray src = NativeName(from);
    const QByteArray dst = NativeName(to);
    if (::link(src.constData(), dst.constData()) == 0) {
        if (::unlink(src.constData()) == 0) {
            return LinkResult::Done;
        }
        // Under both names the file would not have moved: the new one goes again.
        const LinkResult failed = Fail(error);
        ::unlink(dst.constData());
        return failed;
    }
    if (errno == EEXIST) {
        return LinkResult::Taken;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK) {
        return Fail(error);
    }
    // FAT and some network file systems have no hard links.
    if (RenameNoReplace(src.constData(), dst.constData()) == 0) {
        return LinkResult::Done;
    }
    if (errno == EEXIST) {
        return LinkResult::Taken;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return Fail(error);
    }
    // Neither is offered: look, then rename. Only a second writer racing for the same name in the
    // same instant could be replaced, and our own jobs never pick the same name at once.
    if (::access(dst.constData(), F_OK) == 0) {
        return LinkResult::Taken;
    }
    if (std::rename(src.constData(), dst.constData()) == 0) {
        return LinkResult::Done;
    }
    return Fail(error);
}
