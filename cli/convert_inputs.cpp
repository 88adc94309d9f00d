#include "cli/convert_inputs.h"

#include <QDir>
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "tags/id3v2_tag.h"

namespace {

// The folder's MP3 and WAV files in the file system's order, hidden ones included.
QStringList FolderAudio(const QString& folder) {
    QStringList files;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        const QString lower = name.toLower();
        if (lower.endsWith(QLatin1String(".mp3")) || lower.endsWith(QLatin1String(".wav"))) {
            files << dir.absoluteFilePath(name);
        }
    }
    return files;
}

// The nine characters a file name cannot hold are dropped from a tag title.
QString Cleaned(QString title) {
    static const QString kBad = QStringLiteral("\\/:*?\"<>|");
    title.removeIf([](QChar c) { return kBad.contains(c); });
    return title;
}

void Probe(IAudioFile2& reader, const QString& path, ProbedInputs& out) {
    InputRow row;
    row.path = QFileInfo(path).absoluteFilePath();
    row.caption = QFileInfo(path).fileName();
    if (row.path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
        ReadId3Tag(row.path);
        row.tags.Title = Id3Tag.Title;
        row.tags.Artist = Id3Tag.Artist;
        row.tags.Album = Id3Tag.Album;
        row.tags.Year = Id3Tag.Year;
        row.tags.Comment = Id3Tag.Comment;
        row.tags.Genre = Id3Tag.Genre;
        const QString title = Cleaned(Id3Tag.Title);
        if (!title.isEmpty()) {
            row.caption = title;
        }
    }
    bool accepted = false;
    try {
        reader.Open(row.path);
        row.tags.DurationMs = reader.Duration();
        accepted = row.tags.DurationMs != 0;
        reader.Close();
    } catch (const ComponentError&) {
        reader.SetEnabled(false);
        reader.SetEnabled(true);
    }
    if (accepted) {
        out.rows << row;
    } else {
        out.rejectedPaths << row.path;
        out.rejectedMessages << QFileInfo(path).fileName() +
                                    QStringLiteral(" this File is not supported.");
    }
}

}  // namespace

ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments) {
    ProbedInputs out;
    for (const QString& argument : arguments) {
        if (QFileInfo(argument).isDir()) {
            for (const QString& file : FolderAudio(argument)) {
                Probe(reader, file, out);
            }
        } else if (!QFileInfo::exists(argument)) {
            out.rejectedPaths << QFileInfo(argument).absoluteFilePath();
            out.rejectedMessages << argument + QStringLiteral(": no such file or folder");
        } else {
            Probe(reader, argument, out);
        }
    }
    return out;
}
