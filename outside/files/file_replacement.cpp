#include "outside/files/file_replacement.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

FileReplacement::FileReplacement(QString target) : target_(std::move(target)) {
    // Replace the file a link points to, not the link itself.
    const QFileInfo info(target_);
    if (info.isSymLink() && info.exists()) {
        target_ = info.canonicalFilePath();
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
        auto preferred = std::make_unique<QFile>(preferredName);
        if (preferred->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            fileName_ = preferredName;
            file_ = std::move(preferred);
            return true;
        }
    }
    const QFileInfo info(target_);
    auto unique = std::make_unique<QTemporaryFile>(
        info.dir().filePath(QStringLiteral(".%1.XXXXXX.temp").arg(info.fileName())));
    unique->setAutoRemove(false);
    if (!unique->open()) {
        *error = unique->errorString();
        return false;
    }
    fileName_ = unique->fileName();
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
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && ::fsync(file_->handle()) == 0;
#endif
    if (!ok) {
        *error = file_->errorString();
        Discard();
        return false;
    }
    file_->close();
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
    // rename() replaces the target atomically; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(fileName_).constData(),
                    QFile::encodeName(target_).constData()) != 0) {
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
        QFile::remove(fileName_);
        fileName_.clear();
    }
}
