#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "cli/commands.h"
#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/tag_edit.h"
#include "tags/tag_error.h"
#include "tags/tag_fields.h"
#include "tags/tag_modules.h"
#include "tags/wma_tag.h"

namespace {

// The seven fields of the command's record, in printing order.
struct CliRecord {
    QString Title, Artist, Album, Year, Track, Comment, Genre;
};

constexpr std::array<const char*, 7> kKeys = {"Title", "Artist",  "Album", "Year",
                                              "Track", "Comment", "Genre"};

QString* FieldOf(CliRecord& r, int index) {
    std::array<QString*, 7> fields = {&r.Title, &r.Artist,  &r.Album, &r.Year,
                                      &r.Track, &r.Comment, &r.Genre};
    return fields[static_cast<size_t>(index)];
}

// The tag field bit of each key, in kKeys order.
constexpr std::array<TagFields, 7> kFieldBits = {
    TagField::Title, TagField::Artist,  TagField::Album, TagField::Year,
    TagField::Track, TagField::Comment, TagField::Genre};

// Mp3, Ogg (Vorbis) and Wma have readers and writers of our own; TagLib serves the others.
enum class Format { Mp3, Ogg, Wma, TagLib };

// A track as the formats hold it: "7" or "3/12", each number from 0 to 65535.
bool IsTrackText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() > 2) {
        return false;
    }
    for (const QString& part : parts) {
        bool number = false;
        const uint value = part.toUInt(&number);
        if (!number || value > 65535 || part.startsWith(QLatin1Char('+'))) {
            return false;
        }
    }
    return true;
}

// The track number of a track text ("3/12" is track 3); 0 when there is none.
std::uint16_t TrackNumber(const QString& text) {
    return static_cast<std::uint16_t>(text.section(QLatin1Char('/'), 0, 0).toUInt());
}

// edit: the TagLib format, for Format::TagLib.
CliRecord ReadRecord(Format format, std::optional<TagEditFormat> edit, const QString& file,
                     bool* moduleMissing) {
    CliRecord r;
    switch (format) {
        case Format::TagLib: {
            const TagEditValues v = ReadTagEdit(file, edit.value());
            r = {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
            break;
        }
        case Format::Mp3:
            ReadId3Tag(file);
            r = {Id3Tag.Title, Id3Tag.Artist,  Id3Tag.Album, Id3Tag.Year,
                 Id3Tag.Track, Id3Tag.Comment, Id3Tag.Genre};
            break;
        case Format::Ogg: {
            // The reader keeps quiet about a missing module; the command says so.
            *moduleMissing = !LoadedModule(TagModule::Vcedit).IsLoaded();
            OGGTag tag;
            ReadOggTag(file, tag);
            r = {tag.Title,       tag.Artist,  tag.Album, tag.Date,
                 tag.TrackNumber, tag.Comment, tag.Genre};
            break;
        }
        case Format::Wma: {
            WmaTagInfo tag;
            ReadWmaTag(file, tag);
            r = {tag.Title,
                 tag.Author,
                 tag.Album,
                 tag.Year,
                 tag.Track == 0 ? QString() : QString::number(tag.Track),
                 tag.Description,
                 tag.Genre};
            break;
        }
    }
    return r;
}

// Returns an empty text on success, else the cause.
QString WriteRecord(Format format, const QString& file, const CliRecord& r, TagFields named) {
    switch (format) {
        case Format::TagLib:
            break;  // WriteTagEdit writes the changes alone
        case Format::Mp3: {
            ID3StructV2 tag{r.Title, r.Artist, r.Album, r.Year, r.Track, r.Comment, r.Genre};
            WriteId3Tag(file, tag, named);
            return {};
        }
        case Format::Ogg: {
            OGGTag tag;
            tag.Title = r.Title;
            tag.Artist = r.Artist;
            tag.Album = r.Album;
            tag.Date = r.Year;
            tag.TrackNumber = r.Track;
            tag.Comment = r.Comment;
            tag.Genre = r.Genre;
            return WriteOggTag(file, tag, named)
                       ? QString()
                       : QStringLiteral(
                             "the comments were not written (the vcedit module is "
                             "missing or the file could not be replaced)");
        }
        case Format::Wma: {
            WmaTagInfo tag;
            tag.Title = r.Title;
            tag.Author = r.Artist;
            tag.Album = r.Album;
            tag.Year = r.Year;
            tag.Track = TrackNumber(r.Track);
            tag.Description = r.Comment;
            tag.Genre = r.Genre;
            return WriteWmaTag(file, tag, named)
                       ? QString()
                       : QStringLiteral(
                             "the attributes were not written (the wmaudsdk module is "
                             "missing or cannot store this file)");
        }
    }
    return {};
}

QString Help() {
    return QStringLiteral(
        "Usage: quorvel-cli tags [--] FILE [--set Key=Value...]...\n"
        "\n"
        "Print the tag record of an MP3, Ogg (Vorbis, Opus or FLAC), WMA, FLAC, Opus, M4A/MP4,\n"
        "WavPack, Monkey's Audio or AIFF file, one Key=value line each: Title, Artist, Album,\n"
        "Year, Track, Comment, Genre; a field with several values shows them joined by \"; \".\n"
        "With --set, change only the named fields first (every other frame, comment, attribute\n"
        "and picture stays, and so does the audio), then print the record read back.\n"
        "\n"
        "Options:\n"
        "  --set Key=Value...  change the named fields; keys in any case, Track a number or a\n"
        "                      number and a total (7, 3/12); an empty value clears the\n"
        "                      field; --set may repeat\n"
        "  --                  the next argument is FILE, even one called --help\n"
        "  -h, --help          show this text\n");
}

int Run(const QStringList& given, QTextStream& out, QTextStream& err) {
    QStringList args = given;
    if (!args.isEmpty() && args.first() == QLatin1String("--")) {
        args.removeFirst();
    } else if (std::any_of(args.begin(), args.end(), IsHelpOption)) {
        return PrintCommandHelp(kTagsCommand, out);
    }
    if (args.isEmpty()) {
        err << "quorvel-cli: tags: missing FILE (usage: tags FILE [--set Key=Value...]...)\n";
        return kCliUsage;
    }
    const QString file = args.at(0);
    // The keys given, by field index; the other fields keep what the file holds.
    std::array<std::optional<QString>, 7> changes;
    const bool writing = args.size() > 1;
    if (writing && args.at(1) != QStringLiteral("--set")) {
        err << "quorvel-cli: tags: expected --set Key=Value... after FILE\n";
        return kCliUsage;
    }
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& pair = args.at(i);
        if (pair == QStringLiteral("--set")) {
            // --set may be repeated, each time followed by at least one Key=Value.
            if (i + 1 == args.size() || args.at(i + 1) == QStringLiteral("--set")) {
                err << "quorvel-cli: tags: --set needs at least one Key=Value\n";
                return kCliUsage;
            }
            continue;
        }
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? pair : pair.left(equals);
        int index = -1;
        for (int k = 0; k < 7; ++k) {
            if (key.compare(QLatin1String(kKeys[static_cast<size_t>(k)]), Qt::CaseInsensitive) ==
                0) {
                index = k;
            }
        }
        if (equals < 0 || index < 0) {
            err << "quorvel-cli: tags: '" << pair
                << "' is not Key=Value with a key of Title, Artist, Album, Year, Track, "
                   "Comment, Genre\n";
            return kCliUsage;
        }
        changes[static_cast<size_t>(index)] = pair.mid(equals + 1);
    }
    const std::optional<QString>& track = changes[4];
    if (track && !track->isEmpty() && !IsTrackText(*track)) {
        err << "quorvel-cli: tags: Track must be a number or a number and a total, from 0 to 65535 "
               "(7, "
               "3/12)\n";
        return kCliUsage;
    }

    const QString name = QFileInfo(file).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot).toLower() : QString();
    Format format = Format::TagLib;
    // .ogg and .oga holding Opus or FLAC go to TagLib; holding Vorbis, to our own reader.
    const std::optional<TagEditFormat> edit = TagEditFormatOf(file);
    if (extension == QLatin1String(".mp3")) {
        format = Format::Mp3;
    } else if (extension == QLatin1String(".wma")) {
        format = Format::Wma;
    } else if (edit) {
        format = Format::TagLib;
    } else if (extension == QLatin1String(".ogg") || extension == QLatin1String(".oga")) {
        format = Format::Ogg;
    } else {
        err << "quorvel-cli: tags: " << file << ": no tag format for the extension '"
            << (extension.isEmpty() ? QStringLiteral("(none)") : extension) << "'\n";
        return kCliFailed;
    }
    if (!QFileInfo(file).isFile()) {
        err << "quorvel-cli: tags: " << file << ": no such file\n";
        return kCliFailed;
    }
    if (writing) {
        // The writers put a new file in the old one's place, which the folder's permissions
        // alone would allow: a file the user made read-only is refused here.
        const QFileInfo info(file);
        const QFile::Permissions writeBits =
            QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!info.isWritable() || (info.permissions() & writeBits) == 0) {
            err << "quorvel-cli: tags: " << file << ": the file is read-only\n";
            return kCliFailed;
        }
    }

    InitWmaAudioInfo();
    try {
        if (writing && format == Format::TagLib) {
            // TagLib changes the named fields alone.
            TagEditChanges edits;
            std::copy(changes.begin(), changes.end(), edits.begin());
            WriteTagEdit(file, edit.value(), edits);
        } else if (writing) {
            // Fields not named keep their values: read, change, write only the named ones.
            bool missing = false;
            CliRecord values = ReadRecord(format, edit, file, &missing);
            if (missing) {
                err << "quorvel-cli: tags: " << file << ": the vcedit module could not be loaded\n";
                return kCliFailed;
            }
            TagFields named = 0;
            for (int k = 0; k < 7; ++k) {
                if (const auto& change = changes[static_cast<size_t>(k)]) {
                    *FieldOf(values, k) = *change;
                    named |= kFieldBits[static_cast<size_t>(k)];
                }
            }
            const QString failure = WriteRecord(format, file, values, named);
            if (!failure.isEmpty()) {
                err << "quorvel-cli: tags: " << file << ": " << failure << "\n";
                return kCliFailed;
            }
        }
        bool moduleMissing = false;
        const CliRecord r = ReadRecord(format, edit, file, &moduleMissing);
        if (moduleMissing) {
            err << "quorvel-cli: tags: " << file << ": the vcedit module could not be loaded\n";
            return kCliFailed;
        }
        CliRecord copy = r;
        for (int k = 0; k < 7; ++k) {
            out << kKeys[static_cast<size_t>(k)] << "=" << *FieldOf(copy, k) << "\n";
        }
    } catch (const TagError& e) {
        err << "quorvel-cli: tags: " << e.Message() << "\n";
        return kCliFailed;
    }
    return kCliOk;
}

}  // namespace

const CliCommand kTagsCommand{"tags", "print or change the tag record of a file", Help, Run};
