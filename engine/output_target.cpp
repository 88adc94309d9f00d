#include "engine/output_target.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/output_path.h"
#include "filelist/name_pattern.h"
#include "platform/native_name.h"
#include "platform/source_mark.h"
#include "tags/tag_carry.h"
#include "tags/taglib_read.h"

namespace {

// The input's folder below sourceFolder, as pieces; empty when it is not below it.
QStringList MirroredPieces(const QString& sourceFolder, const QString& inputPath) {
    if (sourceFolder.isEmpty()) {
        return {};
    }
    const QString relative =
        QDir(sourceFolder).relativeFilePath(QFileInfo(inputPath).absolutePath());
    if (relative.isEmpty() || relative == QLatin1String(".") ||
        relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative)) {
        return {};
    }
    return relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// Whether the pattern uses a field the record leaves empty, which the file's own tags may hold (a
// WAV's ID3 chunk, an MP3 with only ID3v1).
bool UsesAGap(const QString& pattern, const AudioFileinfo& tags) {
    const std::pair<const char*, const QString*> fields[] = {{"{title}", &tags.Title},
                                                             {"{artist}", &tags.Artist},
                                                             {"{album}", &tags.Album},
                                                             {"{genre}", &tags.Genre}};
    for (const auto& [token, value] : fields) {
        if (value->isEmpty() && pattern.contains(QLatin1String(token), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

// sheet: a track's own fields, or null for a whole file.
NameFields FieldsOf(bool readFile, const QString& inputPath, const AudioFileinfo& tags,
                    const TagSet* sheet = nullptr) {
    NameFields f;
    f.title = tags.Title;
    f.artist = tags.Artist;
    f.album = tags.Album;
    f.year = tags.Year;
    f.genre = tags.Genre;
    f.fileName = QFileInfo(inputPath).completeBaseName();
    if (readFile) {
        // The file's own tags fill the record's gaps.
        const TagSet set = ReadTagSet(inputPath, nullptr, TagRead::FieldsOnly);
        const AudioFileinfo more = RecordOf(set);
        for (const auto& [field, value] :
             {std::pair{&f.title, more.Title}, std::pair{&f.artist, more.Artist},
              std::pair{&f.album, more.Album}, std::pair{&f.year, more.Year},
              std::pair{&f.genre, more.Genre}}) {
            // A track's title is its own: the whole file's title is the album's.
            if (field->isEmpty() && !(sheet && field == &f.title)) {
                *field = value;
            }
        }
        f.albumArtist = set.First(TagFieldId::AlbumArtist).trimmed();
        f.track = set.First(TagFieldId::Track).trimmed();
        f.disc = set.First(TagFieldId::Disc).trimmed();
    }
    if (sheet) {
        f.track = sheet->First(TagFieldId::Track).trimmed();
        if (const QString v = sheet->First(TagFieldId::AlbumArtist).trimmed(); !v.isEmpty()) {
            f.albumArtist = v;
        }
        if (const QString v = sheet->First(TagFieldId::Disc).trimmed(); !v.isEmpty()) {
            f.disc = v;
        }
    }
    return f;
}

// Seconds and nanoseconds of the last change, without following a link.
bool ModifiedAt(const QString& path, bool follow, struct stat& st) {
    const QByteArray name = NativeName(path);
    return (follow ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) == 0;
}

bool Older(const struct stat& a, const struct stat& b) {
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) {
        return a.st_mtim.tv_sec < b.st_mtim.tv_sec;
    }
    return a.st_mtim.tv_nsec < b.st_mtim.tv_nsec;
}

// sheet: a track's own fields, or null for a whole file.
OutputTarget Resolve(const OutputNaming& naming, const QString& outputDir, const QString& caption,
                     const QString& inputPath, const QString& sourceFolder,
                     const AudioFileinfo& tags, const TagSet* sheet) {
    OutputTarget t{outputDir, caption, inputPath, {}};
    QStringList folders;
    if (naming.mirror) {
        folders = MirroredPieces(sourceFolder, inputPath);
    }
    if (!naming.pattern.isEmpty()) {
        // A track's {track} is the sheet's: the file is read for the rest of its fields then.
        const bool readFile =
            sheet || PatternNeedsFileTags(naming.pattern) || UsesAGap(naming.pattern, tags);
        QStringList pieces =
            ExpandNamePattern(naming.pattern, FieldsOf(readFile, inputPath, tags, sheet));
        t.caption = pieces.takeLast();
        folders += pieces;
    }
    for (const QString& folder : folders) {
        t.dir += folder + QLatin1Char('/');
    }
    return t;
}

}  // namespace

OutputTarget ResolveOutputTarget(const OutputNaming& naming, const QString& outputDir,
                                 const QString& caption, const QString& inputPath,
                                 const QString& sourceFolder, const AudioFileinfo& tags) {
    return Resolve(naming, outputDir, caption, inputPath, sourceFolder, tags, nullptr);
}

NameFields ReadNameFields(const QString& inputPath, const AudioFileinfo& tags) {
    return FieldsOf(true, inputPath, tags);
}

NameFields ReadNameFields(const ListRow& row) {
    return FieldsOf(true, row.path, row.record, row.IsSheetTrack() ? &row.sheetTags : nullptr);
}

OutputTarget ResolveRowTarget(const OutputNaming& naming, const QString& outputDir,
                              const ListRow& row) {
    const TagSet* sheet = row.IsSheetTrack() ? &row.sheetTags : nullptr;
    OutputTarget t =
        Resolve(naming, outputDir, row.caption, row.path, row.sourceFolder, row.record, sheet);
    t.range = row.range;
    return t;
}

QString OutputSourceOf(const OutputTarget& target) {
    return SourceMark(target.inputPath, PartOf(target.range));
}

QString InputFolderOf(const QString& inputPath) {
    QString folder = QFileInfo(inputPath).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

QString FirstOutputName(const OutputTarget& target, const QString& extension,
                        const QString& prefix) {
    return ChooseOutputName(target.dir, target.caption, target.inputPath, extension, prefix,
                            [](const QString&) { return NameClaim::Claimed; });
}

ExistingAction DecideExisting(ExistingOutput rule, const QString& firstName,
                              const QString& inputPath) {
    struct stat out {};
    if (rule == ExistingOutput::Number || !ModifiedAt(firstName, false, out)) {
        return ExistingAction::Convert;
    }
    struct stat in {};
    const bool inputKnown = ModifiedAt(inputPath, true, in);
    if (inputKnown && out.st_dev == in.st_dev && out.st_ino == in.st_ino) {
        // The name is the input's own (an output saved beside it in its format): no earlier
        // output to skip or replace, and the rule numbers the new one.
        return ExistingAction::Convert;
    }
    if (rule == ExistingOutput::Skip) {
        return ExistingAction::Skip;
    }
    if (S_ISREG(out.st_mode) && inputKnown && Older(out, in)) {
        return ExistingAction::Replace;
    }
    return ExistingAction::Skip;
}

ExistingDecision DecideExistingOutput(ExistingOutput rule, const OutputTarget& target,
                                      const QString& extension, const QString& prefix,
                                      bool firstNameShared) {
    const QString first = FirstOutputName(target, extension, prefix);
    ExistingDecision d{ExistingAction::Convert, first, {}};
    if (rule == ExistingOutput::Number) {
        return d;
    }
    struct stat st {};
    if (ModifiedAt(first, false, st) && !S_ISREG(st.st_mode)) {
        d.action = ExistingAction::Refuse;
        d.reason = S_ISDIR(st.st_mode) ? QStringLiteral("%1 is a folder, not an output").arg(first)
                   : S_ISLNK(st.st_mode) ? QStringLiteral("%1 is a link, not an output").arg(first)
                                         : QStringLiteral("%1 is not an output").arg(first);
        return d;
    }
    // The names the rule gives this target, as long as they exist.
    const QString input = OutputSourceOf(target);
    QString own;
    ChooseOutputName(target.dir, target.caption, target.inputPath, extension, prefix,
                     [&](const QString& candidate) {
                         struct stat c {};
                         if (!ModifiedAt(candidate, false, c)) {
                             return NameClaim::Claimed;  // the end of the numbered names
                         }
                         // Beside its input, the input itself may bear an output's name.
                         struct stat a {};
                         struct stat b {};
                         if (ModifiedAt(candidate, true, a) &&
                             ModifiedAt(target.inputPath, true, b) && a.st_dev == b.st_dev &&
                             a.st_ino == b.st_ino) {
                             return NameClaim::Taken;
                         }
                         const QString source = OutputSource(candidate);
                         if (source == input) {
                             own = candidate;
                             return NameClaim::Claimed;
                         }
                         // Unmarked (an older run, or no attributes here): the first name is the
                         // input's own unless another row of this batch could claim it too.
                         if (source.isEmpty() && candidate == first && !firstNameShared) {
                             own = candidate;
                         }
                         return NameClaim::Taken;
                     });
    if (own.isEmpty()) {
        return d;  // nothing of this input's: a new output, never over another input's
    }
    d.name = own;
    d.action = DecideExisting(rule, own, target.inputPath);
    return d;
}
