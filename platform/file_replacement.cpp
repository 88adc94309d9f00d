#include "platform/file_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/native_name.h"

FileReplacement::FileReplacement(QString target) : target_(std::move(target)) {
    // Replace the file a link points to, not the link itself.
    char resolved[PATH_MAX];
    struct stat st {};
    const QByteArray name = NativeName(target_);
    if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(name.constData(), resolved) != nullptr) {
        target_ = NameFromNative(QByteArray(resolved));
    }
}

FileReplacement::~FileReplacement() {
    Discard();
}

QString FileReplacement::FileName() const {
    return fileName_;
}

bool FileReplacement::Create(const QString& preferredName, QString* error) {
    Discard();
    if (!preferredName.isEmpty()) {
        // NewOnly creates the file only when the name is free, in one step.
        auto preferred = std::make_unique<QFile>();
        if (OpenNative(*preferred, preferredName, QIODevice::WriteOnly | QIODevice::NewOnly)) {
            fileName_ = preferredName;
            file_ = std::move(preferred);
            return true;
        }
    }
    // Made by the system, private until committed: the folder's name may hold bytes Qt cannot
    // give back.
    const QFileInfo info(target_);
    QByteArray name =
        NativeName(info.path() + QStringLiteral("/.%1.XXXXXX.temp").arg(info.fileName()));
    const int fd = ::mkstemps(name.data(), 5);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    auto unique = std::make_unique<QFile>();
    if (!unique->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(name.constData());
        *error = unique->errorString();
        return false;
    }
    fileName_ = NameFromNative(name);
    file_ = std::move(unique);
    return true;
}

bool FileReplacement::Commit(QString* error) {
    if (!file_) {
        *error = QStringLiteral("no new file was created");
        return false;
    }
    bool ok = file_->flush();
#ifdef Q_OS_UNIX
    // The new file takes the old one's owner and group where this user may set them (a group the
    // user belongs to; any owner for root), then its mode, every bit of it, 000 included. chown
    // may clear set-id bits, so the mode comes after.
    struct stat old {};
    const int fd = file_->handle();
    if (ok && ::stat(NativeName(target_).constData(), &old) == 0) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            [[maybe_unused]] const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            *error = QStringLiteral("cannot set the permissions of %1").arg(fileName_);
            Discard();
            return false;
        }
    }
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && ::fsync(fd) == 0;
#endif
    if (!ok) {
        *error = file_->errorString();
        Discard();
        return false;
    }
    file_->close();
#ifndef Q_OS_UNIX
    // The *User flags describe this process's access, not the file's mode; Qt would set them as
    // owner bits.
    const QFile::Permissions permissions =
        QFile::permissions(target_) &
        ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    if (permissions != QFile::Permissions() && !QFile::setPermissions(fileName_, permissions)) {
        *error = QStringLiteral("cannot set the permissions of %1").arg(fileName_);
        Discard();
        return false;
    }
#endif
    // rename() replaces the target atomically; QFile::rename would refuse an existing target.
    if (std::rename(NativeName(fileName_).constData(), NativeName(target_).constData()) != 0) {
        *error = QStringLiteral("cannot replace the file (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        Discard();
        return false;
    }
    file_.reset();
    fileName_.clear();
    return true;
}

void FileReplacement::Discard() {
    if (file_) {
        file_->close();
        file_.reset();
        ::unlink(NativeName(fileName_).constData());
        fileName_.clear();
    }
}
