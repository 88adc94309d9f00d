#include "tags/file_name_tags.h"

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <QFile>

namespace {

QString First(const TagLib::PropertyMap& map, const char* key) {
    const auto it = map.find(key);
    if (it == map.end() || it->second.isEmpty()) {
        return {};
    }
    return QString::fromStdString(it->second.front().to8Bit(true)).trimmed();
}

}  // namespace

FileNameTags ReadFileNameTags(const QString& path) {
    FileNameTags out;
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileRef ref(name.constData(), false);
    if (ref.isNull() || !ref.file()) {
        return out;
    }
    const TagLib::PropertyMap map = ref.file()->properties();
    out.albumArtist = First(map, "ALBUMARTIST");
    out.track = First(map, "TRACKNUMBER");
    out.disc = First(map, "DISCNUMBER");
    out.year = First(map, "DATE").left(4);
    return out;
}
