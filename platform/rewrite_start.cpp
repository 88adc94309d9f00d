#include "platform/rewrite_start.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <vector>
#include "platform/native_name.h"

namespace {

constexpr qint64 kChunk = 1 << 20;

bool Fail(QString* error, int code) {
    if (error != nullptr) {
        *error = QString::fromLocal8Bit(std::strerror(code));
    }
    return false;
}

bool ReadAt(int fd, char* data, qint64 size, qint64 at) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, static_cast<size_t>(size), at);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0) {
                errno = EIO;  // the file shrank under us
            }
            return false;
        }
        data += n;
        size -= n;
        at += n;
    }
    return true;
}

bool WriteAt(int fd, const char* data, qint64 size, qint64 at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), at);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= n;
        at += n;
    }
    return true;
}

// Moves [from, end) to start at `to`, back to front when moving up so nothing is overwritten
// before it was read.
bool MoveTail(int fd, qint64 from, qint64 to, qint64 end) {
    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    const qint64 length = end - from;
    if (to > from) {
        for (qint64 done = 0; done < length;) {
            const qint64 n = std::min(kChunk, length - done);
            const qint64 at = end - done - n;
            if (!ReadAt(fd, buffer.data(), n, at) ||
                !WriteAt(fd, buffer.data(), n, at + to - from)) {
                return false;
            }
            done += n;
        }
    } else {
        for (qint64 done = 0; done < length;) {
            const qint64 n = std::min(kChunk, length - done);
            if (!ReadAt(fd, buffer.data(), n, from + done) ||
                !WriteAt(fd, buffer.data(), n, to + done)) {
                return false;
            }
            done += n;
        }
    }
    return true;
}

}  // namespace

bool RewriteFileStart(const QString& path, qint64 oldLength, const QByteArray& newStart,
                      QString* error) {
    const int fd = ::open(NativeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, errno);
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && (oldLength < 0 || oldLength > st.st_size)) {
        errno = EINVAL;
        ok = false;
    }
    const qint64 size = st.st_size;
    const qint64 grow = newStart.size() - oldLength;
    if (ok && grow > 0) {
        // Claim the space first: a full disk is reported before a byte has moved.
        const int rc = ::posix_fallocate(fd, size, grow);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            errno = rc;
            ok = false;
        } else if (rc != 0 && ::ftruncate(fd, size + grow) != 0) {
            ok = false;
        }
    }
    ok = ok && MoveTail(fd, oldLength, newStart.size(), size);
    ok = ok && (grow >= 0 || ::ftruncate(fd, size + grow) == 0);
    ok = ok && WriteAt(fd, newStart.constData(), newStart.size(), 0);
    const int saved = errno;
    if (::close(fd) != 0 && ok) {
        return Fail(error, errno);
    }
    return ok ? true : Fail(error, saved);
}
