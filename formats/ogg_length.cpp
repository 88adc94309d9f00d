#include "formats/ogg_length.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>

namespace {

constexpr int kPageHeader = 27;
constexpr char kEndOfStream = 0x04;

}  // namespace

std::int64_t OggStreamFrames(const QString& path, int& rate) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    bool first = true;
    bool opus = false;
    bool ended = false;
    quint32 serial = 0;
    std::int64_t preSkip = 0;
    std::int64_t granule = -1;
    for (;;) {
        const QByteArray head = file.read(kPageHeader);
        if (head.isEmpty() && file.atEnd()) {
            break;
        }
        const auto* h = reinterpret_cast<const uchar*>(head.constData());
        if (head.size() != kPageHeader || !head.startsWith("OggS") || h[4] != 0) {
            return -1;
        }
        const QByteArray lacing = file.read(h[26]);
        if (lacing.size() != h[26]) {
            return -1;
        }
        qint64 body = 0;
        for (const char l : lacing) {
            body += static_cast<uchar>(l);
        }
        const quint32 pageSerial = qFromLittleEndian<quint32>(h + 14);
        if (first) {
            // The identification header opens the first page: it says the codec and its rate.
            const QByteArray id = file.read(body);
            if (id.size() != body) {
                return -1;
            }
            const auto* p = reinterpret_cast<const uchar*>(id.constData());
            if (id.size() >= 19 && id.startsWith("OpusHead")) {
                opus = true;
                preSkip = qFromLittleEndian<quint16>(p + 10);
                rate = 48000;
            } else if (id.size() >= 16 && id.startsWith("\x01vorbis")) {
                rate = static_cast<int>(qFromLittleEndian<quint32>(p + 12));
            } else {
                return -1;
            }
            serial = pageSerial;
            first = false;
        } else if (!file.seek(file.pos() + body) || file.pos() > file.size()) {
            return -1;
        }
        if (pageSerial != serial) {
            continue;  // another logical stream's page
        }
        const auto g = qFromLittleEndian<qint64>(h + 6);
        if (g >= 0) {
            granule = g;  // -1: no packet ends on this page
        }
        ended = (h[5] & kEndOfStream) != 0;
    }
    if (first || !ended || granule < 0) {
        return -1;
    }
    return opus ? std::max<std::int64_t>(granule - preSkip, 0) : granule;
}
