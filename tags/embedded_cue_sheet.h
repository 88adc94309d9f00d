#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// A FLAC CUESHEET metadata block: track offsets in samples, each index's offset from its track's.
struct FlacCueBlock {
    struct Index {
        int number = 0;
        std::int64_t offset = 0;
    };
    struct Track {
        int number = 0;
        bool audio = true;
        QString isrc;
        std::int64_t offset = 0;
        std::vector<Index> indexes;
    };
    std::vector<Track> tracks;  // without the lead-out
};

// The cue sheet an audio file carries inside: the text of a CUESHEET Vorbis comment or of the
// Cuesheet APEv2 item of WavPack and Monkey's Audio, else a FLAC file's CUESHEET block. Nothing
// (both empty) when the file has none or cannot be read.
struct EmbeddedCueSheet {
    QString text;
    FlacCueBlock block;
    bool Empty() const { return text.trimmed().isEmpty() && block.tracks.empty(); }
};
// `tagged`: the CUESHEET text when the caller has read the file's tags already (empty: none
// there); the tags are then not read again.
EmbeddedCueSheet ReadEmbeddedCueSheet(const QString& path,
                                      const std::optional<QString>& tagged = std::nullopt);
