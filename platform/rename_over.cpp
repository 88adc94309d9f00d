#include "platform/rename_over.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include "platform/native_name.h"

bool RenameOver(const QString& from, const QString& to, QString* error) {
    if (std::rename(NativeName(from).constData(), NativeName(to).constData()) == 0) {
        return true;
    }
    if (error != nullptr) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
    }
    return false;
}
