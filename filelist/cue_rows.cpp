#include "filelist/cue_rows.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "filelist/clean_name.h"
#include "filelist/cue_sheet.h"
#include "filelist/folder_scan.h"
#include "filelist/input_formats.h"
#include "filelist/probe_file.h"
#include "filelist/row_model.h"
#include "filelist/row_texts.h"
#include "platform/small_regular_file.h"
#include "tags/embedded_cue_sheet.h"

namespace {

// Audio before track 1 longer than this is a track of its own.
constexpr std::int64_t kHiddenTrackSeconds = 2;

// A FILE's name as it was meant: the name without any folder (rippers on Windows write whole
// paths, and a sheet moves with its audio), found in the sheet's folder.
struct ResolvedFile {
    QString path;
    QString repaired;  // the name the sheet gave, when another file was taken for it
};

QString NameOnly(const QString& named) {
    QString name = named.trimmed();
    const qsizetype cut =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return cut >= 0 ? name.mid(cut + 1) : name;
}

// Lossless first: a sheet naming album.wav beside album.flac and album.mp3 meant the FLAC.
QStringList ExtensionPreference() {
    QStringList order{QStringLiteral("flac"), QStringLiteral("wv"),   QStringLiteral("ape"),
                      QStringLiteral("wav"),  QStringLiteral("aiff"), QStringLiteral("aif"),
                      QStringLiteral("tta"),  QStringLiteral("w64")};
    for (const QString& e : SupportedInputExtensions()) {
        if (!order.contains(e)) {
            order << e;
        }
    }
    return order;
}

bool ResolveFile(const QDir& folder, const QString& named, ResolvedFile& out) {
    const QString name = NameOnly(named);
    if (name.isEmpty()) {
        return false;
    }
    // A relative path as the sheet gives it (CD1\album.flac), then the name in the sheet's folder.
    QString relative = named.trimmed();
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString& candidate :
         {QDir::isRelativePath(relative) ? folder.filePath(relative) : QString(),
          folder.filePath(name)}) {
        if (!candidate.isEmpty() && IsRegularFile(candidate)) {
            out.path = QDir::cleanPath(candidate);
            return true;
        }
    }
    // Listed as Add Folder lists: names in any encoding, hidden files too.
    const QStringList entries = FolderFileNames(folder.path());
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 &&
            IsRegularFile(folder.filePath(entry))) {
            out.path = folder.filePath(entry);
            out.repaired = name;
            return true;
        }
    }
    const QString base = QFileInfo(name).completeBaseName();
    for (const QString& extension : ExtensionPreference()) {
        for (const QString& entry : entries) {
            const QFileInfo e(entry);
            if (e.completeBaseName().compare(base, Qt::CaseInsensitive) == 0 &&
                e.suffix().compare(extension, Qt::CaseInsensitive) == 0 &&
                IsRegularFile(folder.filePath(entry))) {
                out.path = folder.filePath(entry);
                out.repaired = name;
                return true;
            }
        }
    }
    return false;
}

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString SheetFailure(const QString& sheetPath, const QString& cause) {
    return QStringLiteral("The cue sheet %1 cannot be used: %2")
        .arg(QDir::toNativeSeparators(sheetPath), cause);
}

// One FILE of the sheet as the list will cut it.
struct Image {
    ProbeResult probe;
    std::int64_t size = 0;
};

void Put(TagSet& tags, TagFieldId field, const QString& value) {
    if (!value.trimmed().isEmpty()) {
        tags.Set(field, {value.trimmed()});
    }
}

QString First(const QString& a, const QString& b) {
    return a.trimmed().isEmpty() ? b.trimmed() : a.trimmed();
}

// The sheet's fields of one track (null: the hidden track), and the record the list shows: the
// sheet's fields where it has them, the image's otherwise. The title is the track's alone.
void TrackTags(const CueSheet& sheet, const CueTrack* track, int trackCount,
               const AudioFileinfo& image, ListRow& row) {
    TagSet& t = row.sheetTags;
    const auto rem = [&](const char* name) {
        const QString key = QLatin1String(name);
        return First(track ? track->rem.value(key) : QString(), sheet.rem.value(key));
    };
    if (track) {
        Put(t, TagFieldId::Title, track->title);
        Put(t, TagFieldId::Track, QStringLiteral("%1/%2").arg(track->number).arg(trackCount));
        Put(t, TagFieldId::Isrc, track->isrc);
        Put(t, TagFieldId::TrackGain, track->rem.value(QStringLiteral("REPLAYGAIN_TRACK_GAIN")));
        Put(t, TagFieldId::TrackPeak, track->rem.value(QStringLiteral("REPLAYGAIN_TRACK_PEAK")));
    }
    Put(t, TagFieldId::Artist, First(track ? track->performer : QString(), sheet.performer));
    Put(t, TagFieldId::Album, sheet.title);
    Put(t, TagFieldId::AlbumArtist, sheet.performer);
    Put(t, TagFieldId::Composer, First(track ? track->songwriter : QString(), sheet.songwriter));
    Put(t, TagFieldId::Date, rem("DATE"));
    Put(t, TagFieldId::Genre, rem("GENRE"));
    Put(t, TagFieldId::Comment, rem("COMMENT"));
    Put(t, TagFieldId::AlbumGain, sheet.rem.value(QStringLiteral("REPLAYGAIN_ALBUM_GAIN")));
    Put(t, TagFieldId::AlbumPeak, sheet.rem.value(QStringLiteral("REPLAYGAIN_ALBUM_PEAK")));
    const QString disc = sheet.rem.value(QStringLiteral("DISCNUMBER")).trimmed();
    const QString discs = sheet.rem.value(QStringLiteral("TOTALDISCS")).trimmed();
    if (!disc.isEmpty()) {
        t.Set(TagFieldId::Disc, {discs.isEmpty() ? disc : disc + QLatin1Char('/') + discs});
    }
    if (!sheet.catalog.trimmed().isEmpty()) {
        t.fields.insert(QStringLiteral("BARCODE"), {sheet.catalog.trimmed()});
    }

    AudioFileinfo& r = row.record;
    const std::int32_t ms = r.DurationMs;  // the track's
    r = image;
    r.DurationMs = ms;
    r.Title = CleanTitle(t.First(TagFieldId::Title));
    r.Artist = First(t.First(TagFieldId::Artist), image.Artist);
    r.Album = First(t.First(TagFieldId::Album), image.Album);
    r.Year = First(t.First(TagFieldId::Date), image.Year);
    r.Genre = First(t.First(TagFieldId::Genre), image.Genre);
    r.Comment = First(t.First(TagFieldId::Comment), image.Comment);
}

// The row of one track: [start, end) of the image (end < 0: to its end).
ListRow TrackRow(const Image& image, std::int64_t start, std::int64_t end, const QString& caption,
                 const QString& decimalPoint) {
    const ProbeResult& p = image.probe;
    ListRow row = RowFromProbe(p.Row, p.Record);
    row.range = {start, end};
    row.caption = caption;
    const std::int64_t frames = (end < 0 ? p.Frames : end) - start;
    const std::int64_t ms = p.SampleRate > 0 ? frames * 1000 / p.SampleRate : 0;
    row.record.DurationMs = static_cast<std::int32_t>(std::min<std::int64_t>(ms, INT32_MAX));
    row.time = FormatTime(row.record.DurationMs);
    row.size = SizeText(p.Frames > 0 ? static_cast<std::int64_t>(static_cast<double>(image.size) *
                                                                 static_cast<double>(frames) /
                                                                 static_cast<double>(p.Frames))
                                     : 0,
                        decimalPoint);
    return row;
}

// Cuts the sheet's images into rows. `images` holds one probed file per FILE of the sheet.
SheetRows Cut(const CueSheet& sheet, const std::vector<Image>& images, const QString& sheetPath,
              const QString& note, const QString& decimalPoint, const QString& sourceFolder) {
    SheetRows out;
    const int audioTracks = static_cast<int>(std::count_if(
        sheet.tracks.begin(), sheet.tracks.end(), [](const CueTrack& t) { return t.audio; }));
    std::vector<bool> fileStarted(images.size(), false);
    for (std::size_t i = 0; i < sheet.tracks.size(); ++i) {
        const CueTrack& track = sheet.tracks[i];
        const CueIndex& index = *track.Start();
        const Image& image = images[static_cast<std::size_t>(index.file)];
        const int rate = image.probe.SampleRate;
        std::int64_t start = CueSamples(sheet, index.position, rate);
        if (start >= image.probe.Frames) {
            out.rejection = SheetFailure(
                sheetPath,
                QStringLiteral("line %1: TRACK %2 starts at %3, beyond the end of %4 (%5)")
                    .arg(index.line)
                    .arg(TwoDigits(track.number),
                         sheet.inSamples ? QString::number(index.position)
                                         : CueTimeText(index.position),
                         QFileInfo(image.probe.Row.Path).fileName(),
                         FormatTime(static_cast<std::int32_t>(
                             std::min<std::int64_t>(image.probe.Record.DurationMs, INT32_MAX)))));
            out.rows.clear();
            return out;
        }
        std::int64_t end = -1;
        for (std::size_t j = i + 1; j < sheet.tracks.size(); ++j) {
            const CueIndex& next = *sheet.tracks[j].Start();
            if (next.file == index.file) {
                end = CueSamples(sheet, next.position, rate);
            }
            break;
        }
        if (end >= 0 && end <= start) {
            out.rejection = SheetFailure(
                sheetPath, QStringLiteral("line %1: TRACK %2 does not start before the next track")
                               .arg(index.line)
                               .arg(TwoDigits(track.number)));
            out.rows.clear();
            return out;
        }
        const bool firstOfFile = !fileStarted[static_cast<std::size_t>(index.file)];
        fileStarted[static_cast<std::size_t>(index.file)] = true;
        if (firstOfFile && start > 0) {
            if (index.file == 0 && i == 0) {
                if (start > kHiddenTrackSeconds * rate) {
                    ListRow hidden = TrackRow(image, 0, start, QStringLiteral("00 (hidden track)"),
                                              decimalPoint);
                    TrackTags(sheet, nullptr, audioTracks, image.probe.Record, hidden);
                    out.rows.push_back(std::move(hidden));
                }
            } else {
                // A later file's lead-in has no track before it in that file: it stays with
                // the track it leads into rather than being lost.
                start = 0;
            }
        }
        if (!track.audio) {
            continue;
        }
        const QString title = CleanTitle(track.title);
        const QString caption =
            TwoDigits(track.number) + QLatin1Char(' ') +
            (title.isEmpty() ? QFileInfo(image.probe.Row.Path).completeBaseName() : title);
        ListRow row = TrackRow(image, start, end, caption, decimalPoint);
        TrackTags(sheet, &track, audioTracks, image.probe.Record, row);
        out.rows.push_back(std::move(row));
    }
    if (out.rows.empty()) {
        out.rejection = SheetFailure(sheetPath, QStringLiteral("the sheet has no audio track"));
        return out;
    }
    for (ListRow& row : out.rows) {
        row.read = row.record;
        row.sheet = sheetPath;
        row.sheetNote = note;
        row.sourceFolder = sourceFolder;
    }
    return out;
}

// A FLAC CUESHEET block as a sheet in samples, of the one file that holds it.
CueSheet SheetOfBlock(const FlacCueBlock& block) {
    CueSheet sheet;
    sheet.inSamples = true;
    sheet.files.push_back({QString(), 0});
    for (const FlacCueBlock::Track& from : block.tracks) {
        CueTrack t;
        t.number = from.number;
        t.audio = from.audio;
        t.isrc = from.isrc;
        for (const FlacCueBlock::Index& i : from.indexes) {
            t.indexes.push_back({i.number, from.offset + i.offset, 0, 0});
        }
        if (t.Start()) {
            sheet.tracks.push_back(std::move(t));
        }
    }
    return sheet;
}

struct ReadSheet {
    CueSheet sheet;
    QString encoding;
};

ReadSheet ReadSheetFile(const QString& sheetPath) {
    const SmallFileRead file = ReadSmallRegularFile(sheetPath, kMaxCueSheetBytes);
    if (file.status == SmallFileRead::Status::Refused && QFileInfo(sheetPath).isFile() &&
        QFileInfo(sheetPath).size() > kMaxCueSheetBytes) {
        throw LargeSheetError();
    }
    if (file.status != SmallFileRead::Status::Ok) {
        throw CueSheetError(
            0, file.problem.isEmpty() ? QStringLiteral("it cannot be read") : file.problem);
    }
    const CueText text = DecodeCueSheet(file.bytes);
    return {ParseCueSheet(text.text), text.encoding};
}

}  // namespace

bool IsCueSheetName(const QString& name) {
    return name.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive);
}

SheetRows CueSheetRows(IAudioFile2& reader, const QString& sheetPath, const QString& decimalPoint,
                       const QString& sourceFolder) {
    SheetRows out;
    ReadSheet read;
    try {
        read = ReadSheetFile(sheetPath);
    } catch (const CueSheetError& e) {
        out.rejection = SheetFailure(sheetPath, e.Message());
        return out;
    }
    const QDir folder = QFileInfo(sheetPath).absoluteDir();
    std::vector<Image> images;
    QStringList notes{QStringLiteral("sheet in %1").arg(read.encoding)};
    for (const CueFile& file : read.sheet.files) {
        ResolvedFile resolved;
        if (!ResolveFile(folder, file.name, resolved)) {
            out.rejection = SheetFailure(
                sheetPath, QStringLiteral("line %1: the file %2 is not in the sheet's folder")
                               .arg(file.line)
                               .arg(NameOnly(file.name)));
            return out;
        }
        Image image;
        image.probe = ProbeFile(reader, resolved.path, decimalPoint);
        if (!image.probe.Accepted) {
            out.rejection = SheetFailure(
                sheetPath, QStringLiteral("line %1: %2").arg(file.line).arg(image.probe.Rejection));
            return out;
        }
        image.size = QFileInfo(resolved.path).size();
        if (!resolved.repaired.isEmpty()) {
            notes << QStringLiteral("FILE %1 read as %2")
                         .arg(resolved.repaired, QFileInfo(resolved.path).fileName());
        }
        images.push_back(std::move(image));
    }
    return Cut(read.sheet, images, QFileInfo(sheetPath).absoluteFilePath(),
               notes.join(QStringLiteral("; ")), decimalPoint, sourceFolder);
}

SheetRows EmbeddedSheetRows(const ProbeResult& image, const QString& decimalPoint,
                            const QString& sourceFolder) {
    SheetRows out;
    const QString path = image.Row.Path;
    // Only these carry sheets inside; other files are not read a second time.
    static const QStringList kCarriers{QStringLiteral("flac"), QStringLiteral("wv"),
                                       QStringLiteral("ape")};
    if (!kCarriers.contains(QFileInfo(path).suffix().toLower())) {
        return out;
    }
    const EmbeddedCueSheet embedded = ReadEmbeddedCueSheet(path, image.EmbeddedSheet);
    if (embedded.Empty()) {
        return out;
    }
    CueSheet sheet;
    QString note;
    try {
        if (!embedded.text.trimmed().isEmpty()) {
            sheet = ParseCueSheet(embedded.text);
            note = QStringLiteral("sheet inside the file");
        } else {
            sheet = SheetOfBlock(embedded.block);
            note = QStringLiteral("CUESHEET block of the file");
            if (sheet.tracks.empty()) {
                return out;
            }
        }
    } catch (const CueSheetError& e) {
        out.rejection = QStringLiteral("The cue sheet inside %1 cannot be used: %2")
                            .arg(QDir::toNativeSeparators(path), e.Message());
        return out;
    }
    // Whatever file the sheet was written for, its audio is this file's.
    for (CueTrack& t : sheet.tracks) {
        for (CueIndex& i : t.indexes) {
            i.file = 0;
        }
    }
    Image one;
    one.probe = image;
    one.size = QFileInfo(path).size();
    out = Cut(sheet, {one}, path, note, decimalPoint, sourceFolder);
    if (!out.rejection.isEmpty()) {
        out.rejection.replace(
            QStringLiteral("The cue sheet %1").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("The cue sheet inside %1").arg(QDir::toNativeSeparators(path)));
    }
    return out;
}

QStringList CueSheetAudioFiles(const QString& sheetPath) {
    QStringList paths;
    try {
        const ReadSheet read = ReadSheetFile(sheetPath);
        const QDir folder = QFileInfo(sheetPath).absoluteDir();
        for (const CueFile& file : read.sheet.files) {
            ResolvedFile resolved;
            if (ResolveFile(folder, file.name, resolved)) {
                paths << QFileInfo(resolved.path).absoluteFilePath();
            }
        }
    } catch (const CueSheetError&) {
        return {};
    }
    return paths;
}
