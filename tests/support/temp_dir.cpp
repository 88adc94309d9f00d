#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

TempDir::TempDir() {
    if (!dir_.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
}

QString TempDir::File(const QString& name) const {
    return QDir(dir_.path()).filePath(name);
}

QString TempDir::Write(const QString& name, const QByteArray& bytes) const {
    const QString path = File(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write test file");
    }
    return path;
}

QString TempDir::CopyFixture(const QString& name) const {
    const QString source = QDir(QStringLiteral(QUORVEL_TEST_DATA_DIR)).filePath(name);
    const QString target = File(QFileInfo(name).fileName());
    QFile::remove(target);
    if (!QFile::copy(source, target)) {
        throw std::runtime_error("cannot copy fixture");
    }
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    return target;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}
