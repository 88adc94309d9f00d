#pragma once

#include <QString>
#include <cstddef>
#include <vector>

#include "outside/vcedit/vcedit.h"
#include "tags/tag_fields.h"

// The Vorbis comments the program reads and writes. Empty means absent.
struct OGGTag {
    QString Album;        // "album" / "Album="
    QString Title;        // "title" / "Title="
    QString Artist;       // "artist" / "Artist="
    QString Comment;      // "comment" / "Comment="
    QString Genre;        // "genre" / "Genre="
    QString Date;         // "date" / "Date="
    QString TrackNumber;  // "tracknumber" / "TrackNumber="

    friend bool operator==(const OGGTag&, const OGGTag&) = default;
};

// One parsed comment: Name is empty when the comment has no valid field name; Text is
// Name + "=" + Value, or Value alone.
struct TStrComment {
    QString Name;
    QString Value;
    QString Text;
};
using TStrComments = std::vector<TStrComment>;

// Fills tag from the file's comments. Leaves tag untouched when the vcedit module cannot be
// loaded. Throws TagError "Cannot open <file>: <cause>" when the file cannot be opened or is not
// Ogg Vorbis.
void ReadOggTag(const QString& fileName, OGGTag& tag);

// Sets the fields of tag named in `fields`: each whose comments do not already read as its value
// loses them and, when not empty, gets one new comment (order: Title, Artist, Album, TrackNumber,
// Date, Genre, Comment). Every other comment (pictures, ReplayGain, MusicBrainz ids ...) is kept
// byte for byte and in its order. The stream is written to "<name>.temp" beside the file (or a
// fresh unique name when that exists), which then replaces the file by an atomic rename with the
// old permissions. True when the file was replaced; false when the vcedit module is missing or the
// replacement failed (the file is then unchanged). Throws TagError "Cannot open <file>: <cause>"
// or "Cannot write comments: <cause>".
bool WriteOggTag(const QString& fileName, const OGGTag& tag, TagFields fields = TagField::All);

// The comments of a comment structure, in order.
TStrComments ParseVorbisComments(const vorbis_comment& comments);

// Appends one comment such as "Title=x" (UTF-8 in the file) to the state's comments; does
// nothing when libvorbis cannot be loaded.
void AddOggComment(const QString& text, vcedit_state* state);

// The stream functions handed to the module; source and target are QIODevice pointers. They
// never throw; a failure transfers 0 elements.
size_t OggReadCallback(void* buffer, size_t size, size_t count, void* source);
size_t OggWriteCallback(const void* buffer, size_t size, size_t count, void* target);
