#include "outside/audio/audio_error.h"

#include <QDir>

#include "components/component_error.h"

void ThrowAudioError(const QString& what, const QString& file, const QString& cause) {
    throw ComponentError(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(file), cause));
}
