#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// A picture carried from an input to its output.
struct CarriedPicture {
    QByteArray data;  // empty: no picture
    QString mime;     // guessed from the bytes when the input names none
    QString description;
    int type = 3;  // ID3v2 / FLAC picture type; 3 is the front cover
};

// The tags of an input in the output-neutral terms of Vorbis comments: upper-case keys such as
// ALBUMARTIST, TRACKNUMBER "3/12", DISCNUMBER "1/2", REPLAYGAIN_TRACK_GAIN, MUSICBRAINZ_TRACKID.
// Track and disc keep their totals after a slash whatever the input's form.
struct CarriedTags {
    QMap<QString, QStringList> fields;
    CarriedPicture cover;

    bool IsEmpty() const { return fields.isEmpty() && cover.data.isEmpty(); }
};

// Pictures beyond this size are not carried: a FLAC metadata block cannot hold them.
inline constexpr qsizetype kMaxCarriedPicture = 16'000'000;

// Reads every tag of a file in any format TagLib knows (MP3, FLAC, Ogg Vorbis/Opus/FLAC, MP4,
// ASF, WavPack, APE, WAV, AIFF ...) with its front cover (else its first picture). What only
// describes the input's own encoding (encoder, iTunes gapless and loudness data) is left out.
// Never throws: a file that cannot be read gives an empty result and error names it and why.
CarriedTags ReadCarriedTags(const QString& path, QString* error = nullptr);

// The ID3v2.3 frames (without a tag header) that hold fields and cover: text frames, TXXX for
// keys without a frame of their own, USLT, UFID, APIC.
QByteArray CarriedId3v2Frames(const CarriedTags& tags);

// Puts tags into a FLAC, Ogg (Vorbis, Opus, FLAC), MP4, AIFF or WavPack file, recognised by its
// content.
// Replace: the file keeps no other field nor picture. Add: the file's fields of other keys and its
// pictures stay (a picture only when tags has none). Throws TagError naming the file and the
// cause when the file is not one of these or cannot be written.
enum class CarryWrite { Replace, Add };
void WriteCarriedTags(const QString& path, const CarriedTags& tags, CarryWrite mode);

// What the file's first bytes show it to be.
enum class TagContainer { Unknown, Mpeg, Flac, OggVorbis, OggOpus, OggFlac, Mp4, Aiff, WavPack };
TagContainer DetectTagContainer(const QString& path);
