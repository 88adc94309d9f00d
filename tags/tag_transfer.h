#pragma once

#include <QString>

#include "tagmodel/audio_file_info.h"
#include "tagmodel/tag_kind.h"

// Where the output's audio came from: its other tags and cover are carried over.
struct TagSource {
    QString path;  // the input file; empty: only the row's record is written
    // The audio's level was changed (normalised): the input's ReplayGain values no longer hold.
    bool levelsChanged = false;
};

// Writes the row's Title, Artist, Album, Year, Genre and Comment into the output file just
// written, in the form of its format's tag kind: ID3v2 (the seven frames of the ID3 writer, empty
// ones included), WMA attributes, Vorbis comments (through the Ogg writer for Ogg Vorbis; FLAC and
// Opus are told apart by content) or MP4 atoms. Every other tag of the source and its front cover
// go along in that format's form; the record's six fields win over the source's. A source whose
// tags cannot be read only loses those extras. TagKind::None leaves the file untouched. Failures
// to write throw TagError naming the file (the WMA result is not reported).
// InPlace is for an output no one sees yet: the MP3 tag is put in front without a second copy
// of the file (a full disk fails only when the tag itself does not fit).
enum class TagRewrite { Replace, InPlace };
void TransferTags(const QString& outputPath, TagKind kind, const AudioFileinfo& entry,
                  const TagSource& source = {}, TagRewrite rewrite = TagRewrite::Replace);
