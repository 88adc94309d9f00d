#include "outside/audio/pending_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "outside/audio/audio_error.h"

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
    // A file replaced keeps its permissions; a new one gets the usual rw-r--r--.
    const QFileDevice::Permissions permissions =
        QFileInfo::exists(target_)
            ? QFile::permissions(target_)
            : (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
               QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(temp_, permissions);
    // rename() replaces the target atomically; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(target_).constData()) !=
        0) {
        ThrowAudioError(QStringLiteral("Cannot write"), target_,
                        QString::fromLocal8Bit(std::strerror(errno)));
    }
    committed_ = true;
}
