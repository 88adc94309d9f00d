#pragma once

#include <QString>

#include "tagmodel/audio_file_info.h"
#include "tagmodel/tag_set.h"

// Whether the file's extension names a format whose record is read through TagLib.
bool IsTagLibFormat(const QString& path);

// The six fields the file list shows, as a view of a tag set: several values joined with "; ",
// the year of the date. The title is as stored (the list cleans it).
AudioFileinfo RecordOf(const TagSet& tags);

// Reads the record of a file read through TagLib (FLAC, Opus, MP4, WavPack, AIFF, APE, WAV with
// an ID3 or INFO chunk, Opus or FLAC in Ogg ...). False when TagLib does not take the file
// (unknown format, not a regular file, damaged beyond reading); record is then untouched. Never
// throws; the file is only read. `cueSheet`, when given, gets the text of a sheet kept among the
// tags (CUESHEET), so that adding the file need not read its tags again for it.
bool ReadTagLibRecord(const QString& path, AudioFileinfo& record, QString* cueSheet = nullptr);
