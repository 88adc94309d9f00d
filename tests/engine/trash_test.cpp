#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/trash.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QString InfoText(const QString& trash, const QString& name) {
    return QString::fromUtf8(ReadAll(trash + S("/info/") + name + S(".trashinfo")));
}

dev_t DeviceOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_dev;
}

// The layout a file manager reads to put a file back: the file under files/, its original path
// percent-encoded and the time under info/, a free name on a collision, the mount's own trash for
// another file system with a path from the mount's top.
TEST(Trash, FilesGoWhereTheDesktopLooksAndCanBePutBack) {
    TempDir dir;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.File(S("data"))));
    const QString trash = dir.File(S("data/Trash"));
    ASSERT_EQ(HomeTrashFolder(), trash);

    QDir().mkpath(dir.File(S("music")));
    const QString first = dir.Write(S("music/Björk 1.wav"), "first");
    const QString second = dir.Write(S("Björk 1.wav"), "second");
    const TrashMove a = MoveToTrash(first);
    const TrashMove b = MoveToTrash(second);
    ASSERT_TRUE(a.moved) << a.error.toStdString();
    ASSERT_TRUE(b.moved) << b.error.toStdString();
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_EQ(a.trashedAs, trash + S("/files/Björk 1.wav"));
    EXPECT_EQ(b.trashedAs, trash + S("/files/Björk 1.2.wav"));
    EXPECT_EQ(ReadAll(b.trashedAs), "second");
    const QString encoded = QString::fromLatin1(
        QFile::encodeName(dir.File(S("music/"))).toPercentEncoding("/") + "Bj%C3%B6rk%201.wav");
    const QRegularExpression info(S(
        "^\\[Trash Info\\]\nPath=(.*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$"));
    const QRegularExpressionMatch m = info.match(InfoText(trash, S("Björk 1.wav")));
    ASSERT_TRUE(m.hasMatch()) << InfoText(trash, S("Björk 1.wav")).toStdString();
    EXPECT_EQ(m.captured(1), encoded);
    EXPECT_TRUE(info.match(InfoText(trash, S("Björk 1.2.wav"))).hasMatch());

    // A file that is gone stays gone, with a reason, and leaves no info file behind.
    const TrashMove gone = MoveToTrash(dir.File(S("none.wav")));
    EXPECT_FALSE(gone.moved);
    EXPECT_FALSE(gone.error.isEmpty());
    EXPECT_FALSE(QFile::exists(trash + S("/info/none.wav.trashinfo")));

    // Another file system: the mount's .Trash-UID, never a copy into the home trash.
    QTemporaryDir shm(S("/dev/shm/quorvel-trash-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    ASSERT_NE(DeviceOf(shm.path()), DeviceOf(dir.Path())) << "/dev/shm must be another mount";
    const QString other = shm.path() + S("/x.wav");
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("other");
    f.close();
    const TrashMove c = MoveToTrash(other);
    ASSERT_TRUE(c.moved) << c.error.toStdString();
    const QString mountTrash = S("/dev/shm/.Trash-") + QString::number(::getuid());
    const QString name = QFileInfo(c.trashedAs).fileName();
    EXPECT_EQ(QFileInfo(c.trashedAs).path(), mountTrash + S("/files"));
    const QRegularExpressionMatch mm = info.match(InfoText(mountTrash, name));
    ASSERT_TRUE(mm.hasMatch());
    EXPECT_EQ(mm.captured(1), QFileInfo(shm.path()).fileName() + S("/x.wav"));
    EXPECT_EQ(QFileInfo(mountTrash).permissions() & QFile::ReadOther, 0);
    QFile::remove(c.trashedAs);
    QFile::remove(mountTrash + S("/info/") + name + S(".trashinfo"));

    if (saved.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", saved);
    }
}

}  // namespace
