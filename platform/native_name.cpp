#include "platform/native_name.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace {

constexpr char16_t kRawBase = 0xDC00;

bool IsRaw(QChar c) {
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none.
int SequenceLength(const QByteArray& b, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(b[i]); };
    const unsigned char c = byte(at);
    if (c < 0x80) {
        return 1;
    }
    int n = 0;
    char32_t min = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (at + n > b.size()) {
        return 0;
    }
    for (int i = 1; i < n; ++i) {
        const unsigned char d = byte(at + i);
        if ((d & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not valid UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

}  // namespace

QString NameFromNative(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const int n = SequenceLength(bytes, at);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(kRawBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + at, n);
        at += n;
    }
    return out;
}

QByteArray NativeName(const QString& name) {
    if (!HasRawBytes(name)) {
        return name.toUtf8();
    }
    QByteArray out;
    out.reserve(name.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        // A low surrogate after a high one is half of a real character.
        if (IsRaw(name[i]) && (i == 0 || !name[i - 1].isHighSurrogate())) {
            out += name.mid(from, i - from).toUtf8();
            out += static_cast<char>(name[i].unicode() - kRawBase);
            from = i + 1;
        }
    }
    out += name.mid(from).toUtf8();
    return out;
}

bool HasRawBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (IsRaw(name[i]) && (i == 0 || !name[i - 1].isHighSurrogate())) {
            return true;
        }
    }
    return false;
}

QString ShownName(const QString& name) {
    if (!HasRawBytes(name)) {
        return name;
    }
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (IsRaw(out[i]) && (i == 0 || !out[i - 1].isHighSurrogate())) {
            out[i] = QChar::ReplacementCharacter;
        }
    }
    return out;
}

bool OpenNative(QFile& file, const QString& path, int qtOpenMode) {
    const auto mode = static_cast<QIODevice::OpenMode>(qtOpenMode);
    if (!HasRawBytes(path)) {
        file.setFileName(path);
        return file.open(mode);
    }
    int flags = O_CLOEXEC;
    if (mode.testFlag(QIODevice::ReadWrite)) {
        flags |= O_RDWR;
    } else if (mode.testFlag(QIODevice::WriteOnly)) {
        flags |= O_WRONLY | O_CREAT | (mode.testFlag(QIODevice::Append) ? O_APPEND : O_TRUNC);
        if (mode.testFlag(QIODevice::NewOnly)) {
            flags |= O_EXCL;
        }
    } else {
        flags |= O_RDONLY;
    }
    const int fd = ::open(NativeName(path).constData(), flags, 0666);
    if (fd < 0) {
        return false;
    }
    return file.open(fd, mode, QFileDevice::AutoCloseHandle);
}

std::vector<FolderEntry> ListFolder(const QString& folder) {
    std::vector<FolderEntry> entries;
    const QByteArray base = NativeName(folder);
    DIR* dir = ::opendir(base.constData());
    if (dir == nullptr) {
        return entries;
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry entry;
        entry.name = NameFromNative(name);
        // The entry's own type where the file system gives it (no call per entry on a share); a
        // link is asked what it leads to: a link to a file is a file, a link to a folder no
        // folder.
        if (e->d_type == DT_REG || e->d_type == DT_DIR) {
            entry.file = e->d_type == DT_REG;
            entry.folder = e->d_type == DT_DIR;
        } else {
            const QByteArray full = base + '/' + name;
            struct stat st {};
            struct stat lst {};
            entry.file = ::stat(full.constData(), &st) == 0 && S_ISREG(st.st_mode);
            entry.folder = ::lstat(full.constData(), &lst) == 0 && S_ISDIR(lst.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

bool NativeExists(const QString& path) {
    struct stat st {};
    return ::stat(NativeName(path).constData(), &st) == 0;
}

bool NativeIsFile(const QString& path) {
    struct stat st {};
    return ::stat(NativeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool NativeMakePath(const QString& folder) {
    const QByteArray path = NativeName(folder);
    for (qsizetype at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') {
            continue;
        }
        const QByteArray part = path.left(at);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NativeRemove(const QString& path) {
    return ::unlink(NativeName(path).constData()) == 0;
}

bool NativeNameTaken(const QString& path) {
    struct stat st {};
    return ::lstat(NativeName(path).constData(), &st) == 0;
}

bool NativeIsDir(const QString& path) {
    struct stat st {};
    return ::stat(NativeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}
