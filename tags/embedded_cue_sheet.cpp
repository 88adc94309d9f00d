#include "tags/embedded_cue_sheet.h"

#include <FLAC/metadata.h>

#include <QFile>
#include <memory>

#include "platform/native_name.h"
#include "platform/small_regular_file.h"
#include "tags/tag_carry.h"

namespace {

FlacCueBlock ReadFlacBlock(const QString& path) {
    FlacCueBlock out;
    FLAC__StreamMetadata* raw = nullptr;
    if (!FLAC__metadata_get_cuesheet(NativeName(path).constData(), &raw) || !raw) {
        return out;
    }
    const std::unique_ptr<FLAC__StreamMetadata, decltype(&FLAC__metadata_object_delete)> block(
        raw, &FLAC__metadata_object_delete);
    const FLAC__StreamMetadata_CueSheet& sheet = block->data.cue_sheet;
    // The last track is the lead-out: where the audio ends, not a track.
    for (unsigned t = 0; t + 1 < sheet.num_tracks; ++t) {
        const FLAC__StreamMetadata_CueSheet_Track& from = sheet.tracks[t];
        FlacCueBlock::Track track;
        track.number = from.number;
        track.audio = from.type == 0;
        track.isrc =
            QString::fromLatin1(from.isrc, static_cast<qsizetype>(qstrnlen(from.isrc, 12)));
        track.offset = static_cast<std::int64_t>(from.offset);
        for (unsigned i = 0; i < from.num_indices; ++i) {
            track.indexes.push_back(
                {from.indices[i].number, static_cast<std::int64_t>(from.indices[i].offset)});
        }
        out.tracks.push_back(std::move(track));
    }
    return out;
}

}  // namespace

EmbeddedCueSheet ReadEmbeddedCueSheet(const QString& path, const std::optional<QString>& tagged) {
    EmbeddedCueSheet out;
    if (!IsRegularFile(path)) {
        return out;
    }
    out.text = tagged ? *tagged
                      : ReadTagSet(path, nullptr, TagRead::FieldsOnly)
                            .fields.value(QStringLiteral("CUESHEET"))
                            .value(0);
    if (out.text.trimmed().isEmpty() && DetectTagContainer(path) == TagContainer::Flac) {
        out.block = ReadFlacBlock(path);
    }
    return out;
}
