#include "tags/tag_modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString overrides[3];

QString& OverrideOf(TagModule module) {
    return overrides[static_cast<int>(module)];
}

// The folder of the running executable, also before a QCoreApplication exists.
QString ExecutableDir() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationDirPath();
    }
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .canonicalFilePath()
        .section(QLatin1Char('/'), 0, -2);
}

}  // namespace

void SetTagModuleOverride(TagModule module, const QString& nameOrPath) {
    OverrideOf(module) = nameOrPath;
}

LoadedModule::LoadedModule(TagModule module) {
    const QString& custom = OverrideOf(module);
    if (!custom.isEmpty()) {
        library_.setFileName(custom);
    } else if (module == TagModule::Vorbis) {
        library_.setFileNameAndVersion(QStringLiteral("vorbis"), 0);  // libvorbis.so.0
    } else {
        const QString name =
            module == TagModule::Vcedit ? QStringLiteral("vcedit") : QStringLiteral("wmaudsdk");
        library_.setFileName(QDir(ExecutableDir()).filePath(name));
    }
    loaded_ = library_.load();
}

LoadedModule::~LoadedModule() {
    if (loaded_) {
        library_.unload();
    }
}
