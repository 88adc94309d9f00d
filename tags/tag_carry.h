#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "tagmodel/tag_set.h"

// Pictures beyond this size are not carried: a FLAC metadata block cannot hold them.
inline constexpr qsizetype kMaxCarriedPicture = 16'000'000;

// Reads every tag of a file in any format TagLib knows (MP3 with ID3v2, APEv2 or ID3v1, FLAC, Ogg
// Vorbis/Opus/FLAC, MP4, ASF, WavPack, APE, WAV, AIFF ...) with every picture. Keys are the Vorbis
// comment names whatever the format's own (TXXX "MusicBrainz Album Id" is MUSICBRAINZ_ALBUMID);
// track and disc keep their totals after a slash. What only describes the input's own encoding
// (encoder, iTunes gapless and loudness data) is left out, and so is a frame that cannot be decoded
// (named in `dropped`). Never throws: a file that cannot be read gives an empty result and error
// names it and why. FieldsOnly leaves the pictures (and the frames kept whole) unread, for the
// list and the output names, which show none of them.
enum class TagRead { Everything, FieldsOnly };
TagSet ReadTagSet(const QString& path, QString* error = nullptr,
                  TagRead what = TagRead::Everything);

// The ID3v2.3 frames (without a tag header) that hold the set: text frames (several values
// separated by a zero), TXXX for keys without a frame of their own, USLT, UFID, APIC, and the
// frames of an ID3v2 input that no field stands for.
QByteArray Id3v2FramesOf(const TagSet& tags);

// Puts the set into a FLAC, Ogg (Vorbis, Opus, FLAC), MP4, AIFF or WavPack file, recognised by its
// content. An Opus file gets R128 gains instead of ReplayGain ones.
// Replace: the file keeps no other field nor picture. Add: the file's fields of other keys and its
// pictures stay (pictures only when tags has none). Throws TagError naming the file and the cause
// when the file is not one of these or cannot be written.
enum class CarryWrite { Replace, Add };
void WriteTagSet(const QString& path, const TagSet& tags, CarryWrite mode);

// The MIME type of a picture, by its first bytes (JPEG when they say nothing known).
QString PictureMime(const QByteArray& data);

// What the file's first bytes show it to be.
enum class TagContainer {
    Unknown,
    Mpeg,
    Flac,
    OggVorbis,
    OggOpus,
    OggFlac,
    Mp4,
    Aiff,
    WavPack,
    Ape
};
TagContainer DetectTagContainer(const QString& path);

// TagLib's file of the container on `stream`, the audio properties read only when asked for;
// null for Unknown.
namespace TagLib {
class File;
class IOStream;
}  // namespace TagLib
std::unique_ptr<TagLib::File> OpenByContent(TagContainer container, TagLib::IOStream* stream,
                                            bool readProperties = false);

// ReplayGain gains as R128 ones, for an Opus file: REPLAYGAIN_* go, R128_TRACK_GAIN /
// R128_ALBUM_GAIN come (peaks have no place there). And the other way round for every other file.
void GainsForOpus(TagSet& tags);
void GainsForReplayGain(TagSet& tags);
