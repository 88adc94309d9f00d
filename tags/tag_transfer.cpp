#include "tags/tag_transfer.h"

#include <QFileInfo>

#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/wma_tag.h"

void TransferTags(const QString& outputPath, const AudioFileinfo& entry, TagRewrite rewrite) {
    const QString name = QFileInfo(outputPath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot).toLower() : QString();

    if (extension == QLatin1String(".mp3")) {
        Id3Tag.Title = entry.Title;
        Id3Tag.Artist = entry.Artist;
        Id3Tag.Album = entry.Album;
        Id3Tag.Year = entry.Year;
        Id3Tag.Genre = entry.Genre;
        Id3Tag.Track.clear();
        Id3Tag.Comment.clear();
        if (rewrite == TagRewrite::InPlace) {
            WriteId3TagInPlace(outputPath, Id3Tag);
        } else {
            WriteId3Tag(outputPath, Id3Tag);
        }
    } else if (extension == QLatin1String(".wma")) {
        WmaTagInfo tag;
        tag.Title = entry.Title;
        tag.Author = entry.Artist;
        tag.Album = entry.Album;
        tag.Year = entry.Year;
        tag.Genre = entry.Genre;
        WriteWmaTag(outputPath, tag);
    } else if (extension == QLatin1String(".ogg")) {
        OGGTag tag;
        tag.Title = entry.Title;
        tag.Artist = entry.Artist;
        tag.Album = entry.Album;
        tag.Date = entry.Year;
        tag.Genre = entry.Genre;
        WriteOggTag(outputPath, tag);
    }
}
