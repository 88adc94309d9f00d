#pragma once

#include <QByteArray>
#include <QString>

#include "tags/tag_fields.h"

// The seven text frames of an ID3v2 tag. Empty means absent.
struct ID3StructV2 {
    QString Title;    // TIT2
    QString Artist;   // TPE1
    QString Album;    // TALB
    QString Year;     // TYER
    QString Track;    // TRCK
    QString Comment;  // COMM
    QString Genre;    // TCON

    friend bool operator==(const ID3StructV2&, const ID3StructV2&) = default;
};

// The one shared record: ReadId3Tag fills it, the tag transfer fills it before WriteId3Tag.
// Window thread only.
extern ID3StructV2 Id3Tag;

// Clears Id3Tag and fills it from the ID3v2 tag (2.2 to 2.4) at the start of the file. A file
// without such a tag, or one that cannot be read, leaves it empty. The year is TDRC's or TYER's,
// the comment the one without a description (else the first that is not iTunes' own), a numeric
// genre its name. Never throws. The file is only read.
void ReadId3Tag(const QString& fileName);

// Puts tag at the start of the file as an ID3v2.3 tag, or in the version of the tag already there.
// Of the fields in `fields`, each whose frame does not already read as the value gets a new frame
// (an empty value an empty frame); every other frame of an existing tag (pictures, lyrics,
// chapters, private frames, other comments ...) is kept byte for byte, and so are the frames of
// fields that already read as their values. Every byte after the tag is kept. The file is rewritten
// through a new file in the same folder that replaces it atomically, with the same permissions.
// Throws TagError naming the file when it cannot be read or replaced (the file is then unchanged).
void WriteId3Tag(const QString& fileName, const ID3StructV2& tag, TagFields fields = TagField::All);

// As WriteId3Tag, but the audio is moved inside the file instead of being copied to a new one,
// so only the tag's size must be free on the disk. A failure half way leaves the file broken:
// only for a file no one sees yet, such as a batch's output before it is named.
void WriteId3TagInPlace(const QString& fileName, const ID3StructV2& tag,
                        TagFields fields = TagField::All);

// The tag bytes WriteId3Tag puts in front of the audio of a file whose tag is `existing` (empty
// when it has none). A text is stored as ISO-8859-1 when every character fits, else as UTF-16
// with a byte-order mark, and cut to 255 bytes. Throws TagError when the tag would pass the
// largest size the format can state.
QByteArray BuildId3v2Tag(const ID3StructV2& tag, const QByteArray& existing = QByteArray(),
                         TagFields fields = TagField::All);
