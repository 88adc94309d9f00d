#include "tags/cover_art.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include "tags/tag_carry.h"

namespace {

// The first of the usual names a folder image goes by, else an empty text.
QString FolderImage(const QString& inputPath) {
    const QDir dir = QFileInfo(inputPath).absoluteDir();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Readable);
    for (const char* base : {"cover", "folder", "front"}) {
        for (const char* ext : {"jpg", "jpeg", "png"}) {
            const QString wanted =
                QStringLiteral("%1.%2").arg(QLatin1String(base), QLatin1String(ext));
            for (const QString& entry : entries) {
                if (entry.compare(wanted, Qt::CaseInsensitive) == 0) {
                    return dir.filePath(entry);
                }
            }
        }
    }
    return {};
}

bool HasFront(const TagSet& tags) {
    for (const TagPicture& p : tags.pictures) {
        if (p.type == 3) {
            return true;
        }
    }
    return false;
}

// The picture no larger than maxSize on its longer side; unchanged when it already is, or when it
// is no image Qt reads.
void Scale(TagPicture& picture, int maxSize) {
    QImage image = QImage::fromData(picture.data);
    if (image.isNull() || std::max(image.width(), image.height()) <= maxSize) {
        return;
    }
    image = image.scaled(maxSize, maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // JPEG has no transparency: what shows through is white, as most viewers show it.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (flat.save(&buffer, "JPEG", 90)) {
        picture.data = bytes;
        picture.mime = QStringLiteral("image/jpeg");
    }
}

}  // namespace

void ApplyCoverOptions(TagSet& tags, const QString& inputPath, const CoverOptions& options) {
    if (options.fromFolder && !inputPath.isEmpty() && !HasFront(tags)) {
        const QString path = FolderImage(inputPath);
        QFile file(path);
        if (!path.isEmpty() && file.size() <= kMaxCarriedPicture &&
            file.open(QIODevice::ReadOnly)) {
            const QByteArray data = file.readAll();
            if (!data.isEmpty()) {
                tags.pictures.prepend({data, PictureMime(data), QString(), 3});
            }
        }
    }
    if (options.maxSize > 0) {
        for (TagPicture& p : tags.pictures) {
            Scale(p, options.maxSize);
        }
    }
}
