#pragma once

#include <QString>

#include "filelist/audio_file_info.h"

// Writes the row's Title, Artist, Album, Year and Genre into the output file just written, in the
// tag format of its extension (case-insensitive): ID3v2 for ".mp3", WMA attributes for ".wma",
// Vorbis comments for ".ogg". Comment, track number and duration are not transferred; other
// extensions are left untouched. The MP3 and Ogg writers' TagError reaches the caller; the WMA
// and Ogg results are not reported.
// InPlace is for an output no one sees yet: the MP3 tag is put in front without a second copy
// of the file (a full disk fails only when the tag itself does not fit).
enum class TagRewrite { Replace, InPlace };
void TransferTags(const QString& outputPath, const AudioFileinfo& entry,
                  TagRewrite rewrite = TagRewrite::Replace);
