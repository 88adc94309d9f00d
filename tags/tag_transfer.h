#pragma once

#include <QString>

#include "tagmodel/audio_file_info.h"
#include "tagmodel/tag_kind.h"
#include "tagmodel/tag_set.h"
#include "tags/cover_art.h"

// Where the output's audio came from: its other tags and pictures are carried over.
struct TagSource {
    QString path;  // the input file; empty: only the row's record is written
    // The audio's level was changed (normalised): the input's gain values no longer hold.
    bool levelsChanged = false;
    // The row's record as it was read from the input: a field the entry still holds as read was
    // not edited, and the output gets the input's own values of it (every value, whole, the whole
    // date) instead of the record's shorter reading.
    AudioFileinfo read;
    CoverOptions covers;
    // A track cut from the source by a cue sheet: the source's tags that describe one track (its
    // title, number, ISRC, track gain, the sheet itself) are not the track's; sheetTags stand over
    // the rest. `read` is then the record as the sheet gave it.
    bool sheetTrack = false;
    TagSet sheetTags{};
};

// Writes the row's Title, Artist, Album, Year, Genre and Comment into the output file just
// written, in the form of its format's tag kind: ID3v2 (the seven frames of the ID3 writer, empty
// ones included), WMA attributes, Vorbis comments (through the Ogg writer for Ogg Vorbis; FLAC and
// Opus are told apart by content), MP4 atoms, AIFF's ID3 chunk or APEv2. Every other tag of the
// source and every picture go along in that format's form; an edited field of the record wins
// over the source's. A source whose tags cannot be read only loses those extras. TagKind::None
// leaves the file untouched. Returns a note for the row when tags of the source were left out
// because they cannot be read, else an empty text. Failures to write throw TagError naming the
// file (the WMA result is not reported).
// InPlace is for an output no one sees yet: the MP3 tag is put in front without a second copy
// of the file (a full disk fails only when the tag itself does not fit).
// `written`, when given, receives the tag set the output was given (for the check of it).
enum class TagRewrite { Replace, InPlace };
QString TransferTags(const QString& outputPath, TagKind kind, const AudioFileinfo& entry,
                     const TagSource& source = {}, TagRewrite rewrite = TagRewrite::Replace,
                     TagSet* written = nullptr);
