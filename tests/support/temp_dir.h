#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh folder per test, removed at the end.
class TempDir {
  public:
    TempDir();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const;
    // Writes bytes to name inside the folder and returns the full path.
    QString Write(const QString& name, const QByteArray& bytes) const;
    // Copies a fixture from tests/data into the folder and returns the copy's path.
    QString CopyFixture(const QString& name) const;

  private:
    QTemporaryDir dir_;
};

QByteArray ReadAll(const QString& path);
