#include "outside/audio/pcm_header_length.h"

#include <QFile>
#include <QtEndian>
#include "platform/native_name.h"

namespace {

const uchar* At(const QByteArray& b, qsizetype at) {
    return reinterpret_cast<const uchar*>(b.constData() + at);
}

std::uint32_t Le32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(At(b, at));
}

std::uint32_t Be32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(At(b, at));
}

// Writers that cannot seek back put these in front of audio of unknown length.
bool UnknownSize(std::uint64_t size) {
    return size == 0 || size >= 0x7FFFF000u;
}

// The chunks of a RIFF or FORM file from offset 12, within the first bytes read: id -> (offset of
// the data, stated size).
template <typename Read32, typename Visit>
void WalkChunks(const QByteArray& head, Read32 read32, bool padToEven, Visit visit) {
    qsizetype at = 12;
    while (at + 8 <= head.size()) {
        const QByteArray id = head.mid(at, 4);
        const std::uint64_t size = read32(head, at + 4);
        if (!visit(id, at + 8, size)) {
            return;
        }
        const std::uint64_t next =
            static_cast<std::uint64_t>(at) + 8 + size + (padToEven ? (size & 1) : 0);
        if (next > static_cast<std::uint64_t>(head.size())) {
            return;
        }
        at = static_cast<qsizetype>(next);
    }
}

std::int64_t WaveFrames(const QByteArray& head, bool rf64) {
    std::uint64_t ds64Data = 0;
    std::uint32_t blockAlign = 0;
    std::int64_t frames = -1;
    WalkChunks(head, Le32, true, [&](const QByteArray& id, qsizetype data, std::uint64_t size) {
        if (id == "ds64" && data + 16 <= head.size()) {
            ds64Data = qFromLittleEndian<quint64>(At(head, data + 8));
        } else if (id == "fmt " && data + 14 <= head.size()) {
            blockAlign = Le32(head, data + 12) & 0xFFFF;
        } else if (id == "data") {
            const std::uint64_t bytes = rf64 && size == 0xFFFFFFFFu ? ds64Data : size;
            if (blockAlign > 0 && !(rf64 ? bytes == 0 : UnknownSize(bytes))) {
                frames = static_cast<std::int64_t>(bytes / blockAlign);
            }
            return false;
        }
        return true;
    });
    return frames;
}

std::int64_t AiffFrames(const QByteArray& head) {
    std::int64_t frames = -1;
    WalkChunks(head, Be32, true, [&](const QByteArray& id, qsizetype data, std::uint64_t) {
        if (id == "COMM" && data + 6 <= head.size()) {
            const std::uint32_t stated = Be32(head, data + 2);
            frames = UnknownSize(stated) ? -1 : static_cast<std::int64_t>(stated);
            return false;
        }
        return true;
    });
    return frames;
}

}  // namespace

std::int64_t StatedPcmFrames(const QString& path) {
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        return -1;
    }
    // The chunks before the audio; a header larger than this is left to libsndfile.
    const QByteArray head = file.read(1 << 16);
    if (head.size() < 12) {
        return -1;
    }
    if ((head.startsWith("RIFF") || head.startsWith("RF64")) && head.mid(8, 4) == "WAVE") {
        return WaveFrames(head, head.startsWith("RF64"));
    }
    if (head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC")) {
        return AiffFrames(head);
    }
    return -1;
}
