#pragma once

#include <QString>
#include <cstdint>

#include "filelist/row_state.h"
#include "tagmodel/audio_file_info.h"
#include "tagmodel/tag_set.h"

// The part of an input a row stands for, in frames of the decoded audio: the whole file unless
// a sheet names a track of it.
struct SampleRange {
    std::int64_t start = 0;
    std::int64_t end = -1;  // one past the last frame; below 0: to the end of the file
    bool Whole() const { return start == 0 && end < 0; }
    friend bool operator==(const SampleRange&, const SampleRange&) = default;
};

// One row of the list: one piece of work. Several rows may share an input path, each with its
// own range.
struct ListRow {
    QString path;     // the input, absolute
    QString caption;  // the tag title, or the file name: the basis of the output name
    SampleRange range;
    AudioFileinfo record;  // the tags that go into the output
    AudioFileinfo read;    // the record as read from the file: what the user has not edited
    QString sourceFolder;  // the folder Add Folder was given; empty for a file added by itself
    // What the list shows of the input.
    QString frequency;  // "44100 Hz"
    QString channels;   // " Mono " / " Stereo "
    QString time;       // FormatTime
    QString size;       // SizeText
    RowState state = RowState::Waiting;
    int progress = -1;  // 0..10000 while measured or written; -1 for none
    QString remark;     // why the last batch failed on it, or a finished row's note
    // A track of a cue sheet: the sheet (the file itself for a sheet carried inside it), the
    // track's own tags, which stand over the file's (title, artist, album, album artist,
    // composer, date, genre, ISRC, track n/N, disc), and what adding it noted (the sheet's
    // encoding, a FILE name repaired). Empty for a row of a whole file.
    QString sheet{};
    TagSet sheetTags{};
    QString sheetNote{};
    bool IsSheetTrack() const { return !sheet.isEmpty(); }
};
