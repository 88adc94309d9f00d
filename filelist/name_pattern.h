#pragma once

#include <QString>
#include <QStringList>

// What a naming pattern's fields stand for, for one input. Empty means the input does not say.
struct NameFields {
    QString title;
    QString artist;
    QString album;
    QString albumArtist;
    QString track;  // "3", "3/12" or "03": only the first number counts
    QString disc;
    QString year;
    QString genre;
    QString fileName;  // the input's file name without its extension
};

// True when the pattern names a field the list's record does not hold, so the batch must read
// it from the input: {albumartist}, {track}, {disc} or {year}.
bool PatternNeedsFileTags(const QString& pattern);

// The pattern with its fields filled in, split at "/" into the pieces of a relative path: folders
// first, the file name (without extension) last. A field the input does not give becomes
// "Unknown Artist", "Unknown Album" and so on ({title} falls back to the file name first,
// {albumartist} to the artist, {track} to the number the file name starts with and then "00",
// {disc} to nothing); {track} has two digits. Every piece is cleaned as CleanName
// cleans a title, control characters become "_", a piece of only dots becomes underscores, and
// each folder piece fits the file system's 255 bytes (the last piece is fitted by the caller,
// who adds the extension). Never empty: an empty result gives the file name.
QStringList ExpandNamePattern(const QString& pattern, const NameFields& fields);

// The words in braces that name no field ("{nonexistent}"), in the order written, each once:
// such a pattern would put the word into every name. Braces around anything but letters are text.
QStringList UnknownPatternFields(const QString& pattern);

// The message for a pattern with unknown fields, naming them and the fields there are; empty
// for a pattern without.
QString UnknownPatternFieldsMessage(const QString& pattern);

// Fields of a made-up track, for the settings' live example.
NameFields ExampleNameFields();
