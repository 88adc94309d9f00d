#include "tags/taglib_read.h"

#include <QFileInfo>
#include <QStringList>

#include "tags/tag_carry.h"

bool IsTagLibFormat(const QString& path) {
    static const QStringList kExtensions = {
        QStringLiteral("flac"), QStringLiteral("opus"), QStringLiteral("oga"),
        QStringLiteral("spx"),  QStringLiteral("m4a"),  QStringLiteral("m4b"),
        QStringLiteral("mp4"),  QStringLiteral("wv"),   QStringLiteral("ape"),
        QStringLiteral("aif"),  QStringLiteral("aiff"), QStringLiteral("aifc"),
        QStringLiteral("mpc"),  QStringLiteral("tta"),  QStringLiteral("wav")};
    return kExtensions.contains(QFileInfo(path).suffix().toLower());
}

AudioFileinfo RecordOf(const TagSet& tags) {
    AudioFileinfo record;
    record.Title = tags.Joined(TagFieldId::Title).trimmed();
    record.Artist = tags.Joined(TagFieldId::Artist).trimmed();
    record.Album = tags.Joined(TagFieldId::Album).trimmed();
    record.Comment = tags.First(TagFieldId::Comment).trimmed();
    record.Genre = tags.Joined(TagFieldId::Genre).trimmed();
    const QString date = tags.First(TagFieldId::Date).trimmed();
    qsizetype digits = 0;
    while (digits < date.size() && date.at(digits).isDigit() && date.at(digits).unicode() < 0x80) {
        ++digits;
    }
    record.Year = date.left(digits);
    return record;
}

bool ReadTagLibRecord(const QString& path, AudioFileinfo& record, QString* cueSheet) {
    QString error;
    const TagSet tags = ReadTagSet(path, &error, TagRead::FieldsOnly);
    if (!error.isEmpty()) {
        return false;
    }
    record = RecordOf(tags);
    if (cueSheet != nullptr) {
        *cueSheet = tags.fields.value(QStringLiteral("CUESHEET")).value(0);
    }
    return true;
}
