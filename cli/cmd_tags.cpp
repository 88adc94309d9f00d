#include <QFileInfo>
#include <array>

#include "cli/commands.h"
#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/tag_error.h"
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

enum class Format { Mp3, Ogg, Wma };

CliRecord ReadRecord(Format format, const QString& file, bool* moduleMissing) {
    CliRecord r;
    switch (format) {
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
QString WriteRecord(Format format, const QString& file, const CliRecord& r) {
    switch (format) {
        case Format::Mp3: {
            ID3StructV2 tag{r.Title, r.Artist, r.Album, r.Year, r.Track, r.Comment, r.Genre};
            WriteId3Tag(file, tag);
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
            return WriteOggTag(file, tag)
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
            tag.Track = static_cast<std::uint16_t>(r.Track.toUInt());
            tag.Description = r.Comment;
            tag.Genre = r.Genre;
            return WriteWmaTag(file, tag)
                       ? QString()
                       : QStringLiteral(
                             "the attributes were not written (the wmaudsdk module is "
                             "missing or cannot store this file)");
        }
    }
    return {};
}

}  // namespace

int RunTagsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << "tags: missing FILE (usage: tags FILE [--set Key=Value...])\n";
        return kCliUsage;
    }
    const QString file = args.at(0);
    CliRecord values;
    bool writing = false;
    if (args.size() > 1) {
        if (args.at(1) != QStringLiteral("--set") || args.size() < 3) {
            err << "tags: expected --set Key=Value... after FILE\n";
            return kCliUsage;
        }
        writing = true;
        for (qsizetype i = 2; i < args.size(); ++i) {
            const QString& pair = args.at(i);
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            const QString key = equals < 0 ? pair : pair.left(equals);
            int index = -1;
            for (int k = 0; k < 7; ++k) {
                if (key.compare(QLatin1String(kKeys[static_cast<size_t>(k)]),
                                Qt::CaseInsensitive) == 0) {
                    index = k;
                }
            }
            if (equals < 0 || index < 0) {
                err << "tags: '" << pair
                    << "' is not Key=Value with a key of Title, Artist, Album, Year, Track, "
                       "Comment, Genre\n";
                return kCliUsage;
            }
            *FieldOf(values, index) = pair.mid(equals + 1);
        }
        bool number = true;
        const uint track = values.Track.toUInt(&number);
        if (!values.Track.isEmpty() && (!number || track > 65535)) {
            err << "tags: Track must be a number from 0 to 65535\n";
            return kCliUsage;
        }
    }

    const QString name = QFileInfo(file).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot).toLower() : QString();
    Format format;
    if (extension == QLatin1String(".mp3")) {
        format = Format::Mp3;
    } else if (extension == QLatin1String(".ogg")) {
        format = Format::Ogg;
    } else if (extension == QLatin1String(".wma")) {
        format = Format::Wma;
    } else {
        err << "tags: " << file << ": no tag format for the extension '"
            << (extension.isEmpty() ? QStringLiteral("(none)") : extension) << "'\n";
        return kCliFailed;
    }
    if (!QFileInfo(file).isFile()) {
        err << "tags: " << file << ": no such file\n";
        return kCliFailed;
    }

    InitWmaAudioInfo();
    try {
        if (writing) {
            const QString failure = WriteRecord(format, file, values);
            if (!failure.isEmpty()) {
                err << "tags: " << file << ": " << failure << "\n";
                return kCliFailed;
            }
        }
        bool moduleMissing = false;
        const CliRecord r = ReadRecord(format, file, &moduleMissing);
        if (moduleMissing) {
            err << "tags: " << file << ": the vcedit module could not be loaded\n";
            return kCliFailed;
        }
        CliRecord copy = r;
        for (int k = 0; k < 7; ++k) {
            out << kKeys[static_cast<size_t>(k)] << "=" << *FieldOf(copy, k) << "\n";
        }
    } catch (const TagError& e) {
        err << "tags: " << e.Message() << "\n";
        return kCliFailed;
    }
    return kCliOk;
}
