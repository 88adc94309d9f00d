#include "outside/audio/audio_error.h"

#include <QDir>
#include <cerrno>
#include <cstring>

#include "components/component_error.h"

void ThrowAudioError(const QString& what, const QString& file, const QString& cause) {
    throw ComponentError(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(file), cause));
}

void CloseOutputStream(std::FILE* file, const QString& shownPath) {
    const QString cannotWrite = QStringLiteral("Cannot write");
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        const int error = errno;
        std::fclose(file);
        ThrowAudioError(cannotWrite, shownPath, QString::fromLocal8Bit(std::strerror(error)));
    }
    if (std::fclose(file) != 0) {
        ThrowAudioError(cannotWrite, shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
}
