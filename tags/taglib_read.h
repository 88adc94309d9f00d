#pragma once

#include <QString>

// The fields the file list shows, for formats without a reader of our own (FLAC, Opus, MP4,
// WavPack, AIFF, APE ...), read through TagLib. Empty means absent.
struct TagLibFields {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    QString Comment;
    QString Genre;
};

// Whether the file's extension names a format read through ReadTagLibFields.
bool IsTagLibFormat(const QString& path);

// Reads the file's tag. False when TagLib does not take the file (unknown format, not a regular
// file, damaged beyond reading); fields is then untouched. Never throws; the file is only read.
bool ReadTagLibFields(const QString& path, TagLibFields& fields);

// As ReadTagLibFields for an Ogg file that does not hold Vorbis: Opus, FLAC or Speex in Ogg.
bool ReadOggNonVorbisFields(const QString& path, TagLibFields& fields);
