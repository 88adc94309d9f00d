#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

// The fields every tag format has a place of its own for. A field is kept under its Vorbis comment
// name, the name MusicBrainz Picard maps every format's own names to and from; a field none of
// these name is kept under its own name, upper case.
enum class TagFieldId {
    Title,
    Artist,
    Album,
    AlbumArtist,
    Date,
    Genre,
    Comment,
    Track,  // "3" or "3/12": the total rides along after a slash
    Disc,
    Composer,
    Bpm,
    Lyrics,
    Compilation,
    Isrc,
    MusicBrainzTrackId,
    MusicBrainzAlbumId,
    MusicBrainzArtistId,
    MusicBrainzAlbumArtistId,
    MusicBrainzReleaseGroupId,
    MusicBrainzReleaseTrackId,
    TrackGain,
    TrackPeak,
    AlbumGain,
    AlbumPeak,
};

inline constexpr std::array<const char*, 24> kTagFieldKeys = {
    "TITLE",
    "ARTIST",
    "ALBUM",
    "ALBUMARTIST",
    "DATE",
    "GENRE",
    "COMMENT",
    "TRACKNUMBER",
    "DISCNUMBER",
    "COMPOSER",
    "BPM",
    "LYRICS",
    "COMPILATION",
    "ISRC",
    "MUSICBRAINZ_TRACKID",
    "MUSICBRAINZ_ALBUMID",
    "MUSICBRAINZ_ARTISTID",
    "MUSICBRAINZ_ALBUMARTISTID",
    "MUSICBRAINZ_RELEASEGROUPID",
    "MUSICBRAINZ_RELEASETRACKID",
    "REPLAYGAIN_TRACK_GAIN",
    "REPLAYGAIN_TRACK_PEAK",
    "REPLAYGAIN_ALBUM_GAIN",
    "REPLAYGAIN_ALBUM_PEAK",
};

inline QString TagKey(TagFieldId field) {
    return QLatin1String(kTagFieldKeys[static_cast<std::size_t>(field)]);
}

// A picture with its ID3v2 / FLAC picture type (3 is the front cover) and description.
struct TagPicture {
    QByteArray data;
    QString mime;
    QString description;
    int type = 3;

    friend bool operator==(const TagPicture&, const TagPicture&) = default;
};

// Every tag of a file in one shape, whatever the format it came from or goes to: each field with
// all its values, every picture.
struct TagSet {
    QMap<QString, QStringList> fields;  // key as above -> values, none empty
    QList<TagPicture> pictures;         // in the file's order
    // ID3v2.3 frames no field stands for (chapters, ratings, private data ...), whole: only an
    // ID3v2 output of an ID3v2 input can hold them as they are.
    QList<QByteArray> id3Frames;
    // What could not be read and was left out: key -> the frame or field as the file names it.
    QMap<QString, QString> dropped;

    bool IsEmpty() const { return fields.isEmpty() && pictures.isEmpty() && id3Frames.isEmpty(); }
    QStringList Values(TagFieldId field) const { return fields.value(TagKey(field)); }
    QString First(TagFieldId field) const { return Values(field).value(0); }
    // Several values as one text, where a single text is all there is room for.
    QString Joined(TagFieldId field) const { return Values(field).join(QStringLiteral("; ")); }
    void Set(TagFieldId field, const QStringList& values) {
        if (values.isEmpty()) {
            fields.remove(TagKey(field));
        } else {
            fields.insert(TagKey(field), values);
        }
    }
    // The front cover, else the first picture; null when there is none.
    const TagPicture* Front() const {
        for (const TagPicture& p : pictures) {
            if (p.type == 3) {
                return &p;
            }
        }
        return pictures.isEmpty() ? nullptr : &pictures.first();
    }
};
