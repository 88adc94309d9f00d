#include "platform/rename_over.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

bool RenameOver(const QString& from, const QString& to, QString* error) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return true;
    }
    if (error != nullptr) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
    }
    return false;
}
