#pragma once

#include <QFile>
#include <QString>
#include <memory>

// A new version of a file, written beside it, flushed to disk, and then put in its place by one
// atomic rename, with the old file's mode (every bit) and, where the user may set them, its owner
// and group. Until Commit() the target is untouched; a replacement that is dropped
// without Commit() removes its own file. No other file is ever replaced or deleted.
class FileReplacement {
  public:
    explicit FileReplacement(QString target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the new file: preferredName when no file of that name exists, else (or when
    // preferredName is empty) a fresh unique name in the target's folder. False with error set
    // when it cannot be created.
    bool Create(const QString& preferredName, QString* error);
    QFileDevice& File() { return *file_; }
    QString FileName() const;

    // Finishes the new file and renames it over the target. False with error set on failure (the
    // new file is then removed and the target left as it was).
    bool Commit(QString* error);

  private:
    void Discard();

    QString target_;
    std::unique_ptr<QFileDevice> file_;
    QString fileName_;
};
