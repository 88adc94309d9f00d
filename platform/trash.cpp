#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include "platform/native_name.h"
#include "platform/no_replace_link.h"

namespace {

bool DeviceOf(const QByteArray& path, dev_t& device) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return false;
    }
    device = st.st_dev;
    return true;
}

// The folder a mount starts at: the last parent on the same device as `folder`.
QByteArray TopOfMount(QByteArray folder, dev_t device) {
    while (folder.size() > 1) {
        const qsizetype slash = folder.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArray("/") : folder.left(slash);
        dev_t d = 0;
        if (!DeviceOf(parent, d) || d != device) {
            break;
        }
        folder = parent;
    }
    return folder;
}

bool MakeFolder(const QByteArray& path) {
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// A trash folder with its files/ and info/ folders, made when missing; false when that cannot
// be done or what is there is not a folder of ours.
bool ReadyTrash(const QByteArray& trash) {
    if (!MakeFolder(trash) || !MakeFolder(trash + "/files") || !MakeFolder(trash + "/info")) {
        return false;
    }
    for (const QByteArray& sub : {trash, trash + "/files", trash + "/info"}) {
        struct stat st {};
        if (::lstat(sub.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
            return false;
        }
    }
    return true;
}

// $topdir/.Trash/$UID is used only when .Trash is a real folder with the sticky bit, as the
// administrator makes it; else $topdir/.Trash-$UID.
QByteArray MountTrash(const QByteArray& top) {
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray shared = base + "/.Trash";
    struct stat st {};
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = shared + '/' + uid;
        if (ReadyTrash(mine)) {
            return mine;
        }
    }
    const QByteArray own = base + "/.Trash-" + uid;
    return ReadyTrash(own) ? own : QByteArray();
}

// "name", "name.2", "name.3" … : the first whose info file can be created exclusively. That file
// holds the name while the file itself moves in.
int ReserveInfo(const QByteArray& trash, const QByteArray& name, const QByteArray& text,
                QByteArray& chosen) {
    const qsizetype dot = name.lastIndexOf('.');
    const bool hasSuffix = dot > 0;
    const QByteArray stem = hasSuffix ? name.left(dot) : name;
    const QByteArray suffix = hasSuffix ? name.mid(dot) : QByteArray();
    for (int n = 1; n < 10000; ++n) {
        chosen = n == 1 ? name : stem + '.' + QByteArray::number(n) + suffix;
        struct stat st {};
        if (::lstat((trash + "/files/" + chosen).constData(), &st) == 0) {
            continue;
        }
        const QByteArray info = trash + "/info/" + chosen + ".trashinfo";
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return errno;
        }
        const bool written = ::write(fd, text.constData(), static_cast<std::size_t>(text.size())) ==
                             static_cast<ssize_t>(text.size());
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(info.constData());
            return ENOSPC;
        }
        return 0;
    }
    return EEXIST;
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The path's bytes as a URL path: what is not unreserved becomes %XX, so that a name in any
// encoding survives.
QByteArray UrlPath(const QByteArray& path) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~' || b == '/') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

}  // namespace

QString HomeTrashFolder() {
    QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return data + QStringLiteral("/Trash");
}

TrashMove MoveToTrash(const QString& path) {
    TrashMove r;
    const QByteArray file = NativeName(QFileInfo(path).absoluteFilePath());
    dev_t fileDevice = 0;
    if (!DeviceOf(file, fileDevice)) {
        r.error = QStringLiteral("it is gone");
        return r;
    }
    const QByteArray home = NativeName(HomeTrashFolder());
    // The home trash's own file system decides; its folder may not exist yet.
    QByteArray homeProbe = home;
    dev_t homeDevice = 0;
    while (!DeviceOf(homeProbe, homeDevice) && homeProbe.size() > 1) {
        homeProbe = homeProbe.left(std::max<qsizetype>(1, homeProbe.lastIndexOf('/')));
    }
    QByteArray trash;
    QByteArray recorded = file;  // the home trash records absolute paths
    if (homeDevice == fileDevice) {
        if (!NativeMakePath(HomeTrashFolder()) || !ReadyTrash(home)) {
            r.error = QStringLiteral("the Trash folder %1 cannot be used").arg(HomeTrashFolder());
            return r;
        }
        trash = home;
    } else {
        const qsizetype slash = file.lastIndexOf('/');
        const QByteArray top = TopOfMount(file.left(std::max<qsizetype>(1, slash)), fileDevice);
        trash = MountTrash(top);
        if (trash.isEmpty()) {
            r.error = QStringLiteral("its file system has no Trash the program may use");
            return r;
        }
        // A mount's trash records paths from the mount's top, so they stay true wherever the
        // file system is mounted next.
        if (top != "/") {
            recorded = file.mid(top.size() + 1);
        }
    }
    const QByteArray text =
        "[Trash Info]\nPath=" + UrlPath(recorded) + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
        '\n';
    QByteArray chosen;
    const QByteArray name = file.mid(file.lastIndexOf('/') + 1);
    if (const int error = ReserveInfo(trash, name, text, chosen); error != 0) {
        r.error = QStringLiteral("the Trash cannot take it: %1").arg(ErrnoText(error));
        return r;
    }
    const QByteArray target = trash + "/files/" + chosen;
    QString error;
    const LinkResult moved = LinkNoReplace(NameFromNative(file), NameFromNative(target), &error);
    if (moved != LinkResult::Done) {
        ::unlink((trash + "/info/" + chosen + ".trashinfo").constData());
        r.error = moved == LinkResult::Taken ? ErrnoText(EEXIST) : error;
        return r;
    }
    r.moved = true;
    r.trashedAs = NameFromNative(target);
    return r;
}
