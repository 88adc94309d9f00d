#include "outside/audio/audio_error.h"

#include <QDir>
#include <cerrno>
#include <cstring>

#include "components/component_error.h"

void ThrowAudioError(const QString& what, const QString& file, const QString& cause) {
    throw ComponentError(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(file), cause));
}

void ThrowWriteError(const QString& file, const QString& cause) {
    ThrowAudioError(QStringLiteral("Cannot write"), file, cause);
}

void PutBytes(std::FILE* file, const void* data, std::size_t size, const QString& shownPath) {
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        ThrowWriteError(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
}

void CloseOutputStream(std::FILE* file, const QString& shownPath) {
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        const int error = errno;
        std::fclose(file);
        ThrowWriteError(shownPath, QString::fromLocal8Bit(std::strerror(error)));
    }
    if (std::fclose(file) != 0) {
        ThrowWriteError(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
}
