#pragma once

#include <QByteArray>
#include <QString>

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

// Clears Id3Tag and fills it from the ID3v2.3 or ID3v2.4 tag at the start of the file. A file
// without such a tag, or one that cannot be read, leaves it empty. Never throws. The file is only
// read.
void ReadId3Tag(const QString& fileName);

// Puts tag, as an ID3v2.3 tag, at the start of the file, replacing an ID3v2 tag that is already
// there and keeping every other byte. The file is rewritten through a new file in the same folder
// that replaces it atomically, with the same permissions. Throws TagError naming the file when
// it cannot be read or replaced (the file is then unchanged).
void WriteId3Tag(const QString& fileName, const ID3StructV2& tag);

// As WriteId3Tag, but the audio is moved inside the file instead of being copied to a new one,
// so only the tag's size must be free on the disk. A failure half way leaves the file broken:
// only for a file no one sees yet, such as a batch's output before it is named.
void WriteId3TagInPlace(const QString& fileName, const ID3StructV2& tag);

// The tag bytes WriteId3Tag puts in front of the audio. A text is stored as ISO-8859-1 when every
// character fits, else as UTF-16 with a byte-order mark, and cut to 255 bytes.
QByteArray BuildId3v2Tag(const ID3StructV2& tag);
