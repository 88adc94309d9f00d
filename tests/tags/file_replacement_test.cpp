#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "platform/file_replacement.h"
#include "support/temp_dir.h"

namespace {

struct stat StatOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

// The replacement carries every mode bit over (000 and set-id bits included) and, where this
// user may, the owner and group; its new content is the only file left.
TEST(FileReplacement, KeepsModeOwnerAndGroupOfTheFileItReplaces) {
    const bool root = ::geteuid() == 0;
    struct Case {
        mode_t mode;
        uid_t owner;  // for root only
        gid_t group;
    };
    const Case cases[] = {{0000, 4321, 4321}, {0640, 0, 100}, {0755, 1000, 0}, {02750, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TempDir dir;
        const QString target = dir.Write(QStringLiteral("song.mp3"), "old");
        const QByteArray name = QFile::encodeName(target);
        if (root) {
            ASSERT_EQ(::chown(name.constData(), c.owner, c.group), 0);
        }
        ASSERT_EQ(::chmod(name.constData(), c.mode), 0);
        const struct stat before = StatOf(target);

        FileReplacement replacement(target);
        QString error;
        ASSERT_TRUE(replacement.Create(QString(), &error)) << error.toStdString();
        replacement.File().write("new");
        ASSERT_TRUE(replacement.Commit(&error)) << error.toStdString();

        const struct stat after = StatOf(target);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_NE(after.st_ino, before.st_ino);  // replaced by a rename, not rewritten in place
        EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("song.mp3")});
        ::chmod(name.constData(), 0600);
        EXPECT_EQ(ReadAll(target), QByteArray("new"));
    }
}

}  // namespace
