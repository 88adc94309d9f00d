#include "app/image_list.h"

#include <QFile>

// Outside any namespace: Q_INIT_RESOURCE declares the resource's function where it stands.
static void LoadIconResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(quorvel_icons);  // compiled into a static library
        return true;
    }();
    Q_UNUSED(loaded);
}

QIcon ImageListIcon(int index) {
    LoadIconResources();
    const QString path = QStringLiteral(":/quorvel/imagelist/%1.svg").arg(index);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QIcon ProgramIcon() {
    LoadIconResources();
    return QIcon(QStringLiteral(":/quorvel/icons/quorvel.svg"));
}
