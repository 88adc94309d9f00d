#include "filelist/probe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "filelist/clean_name.h"
#include "filelist/row_texts.h"
#include "platform/native_name.h"
#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/tag_error.h"
#include "tags/taglib_read.h"
#include "tags/wma_tag.h"

namespace {

// WMA texts come from fixed-length fields: only what stands before the first zero counts.
QString UpToZero(const QString& text) {
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}

// The year of a date such as "2020-03-12": its leading digits (the whole text when it has none).
QString YearOf(const QString& date) {
    qsizetype digits = 0;
    while (digits < date.size() && date.at(digits).isDigit() && date.at(digits).unicode() < 0x80) {
        ++digits;
    }
    return digits == 0 ? date : date.left(digits);
}

void TakeTagLibRecord(const AudioFileinfo& read, AudioFileinfo& record) {
    record = read;
    record.Title = CleanTitle(read.Title);
}

void ReadTags(const QString& path, ProbeResult& result) {
    const QString extension = QFileInfo(path).suffix().toLower();
    AudioFileinfo& record = result.Record;
    if (extension == QStringLiteral("wma")) {
        WmaTagInfo tag;
        ReadWmaTag(path, tag);
        record.Title = CleanTitle(UpToZero(tag.Title));
        record.Artist = UpToZero(tag.Author);
        record.Album = UpToZero(tag.Album);
        record.Year = UpToZero(tag.Year);
        record.Comment = UpToZero(tag.Description);
        record.Genre = UpToZero(tag.Genre);
    } else if (extension == QStringLiteral("ogg")) {
        OGGTag tag;
        try {
            ReadOggTag(path, tag);
        } catch (const TagError& e) {
            // Opus, FLAC or Speex in Ogg is not the Vorbis comment module's, but it is no
            // broken file either.
            AudioFileinfo other;
            if (!ReadTagLibRecord(path, other)) {
                throw ProbeError(e.Message());
            }
            TakeTagLibRecord(other, record);
            if (!record.Title.isEmpty()) {
                result.Row.Caption = record.Title;
            }
            return;
        }
        record.Title = CleanTitle(tag.Title);
        record.Artist = tag.Artist;
        record.Album = tag.Album;
        record.Year = YearOf(tag.Date);
        record.Comment = tag.Comment;
        record.Genre = tag.Genre;
    } else if (extension == QStringLiteral("mp3")) {
        Id3Tag.Title.clear();
        ReadId3Tag(path);
        Id3Tag.Title = CleanTitle(Id3Tag.Title);
        record.Title = Id3Tag.Title;
        record.Artist = Id3Tag.Artist;
        record.Album = Id3Tag.Album;
        record.Year = Id3Tag.Year;
        record.Comment = Id3Tag.Comment;
        record.Genre = Id3Tag.Genre;
    } else if (IsTagLibFormat(path)) {
        AudioFileinfo read;
        QString sheet;
        if (ReadTagLibRecord(path, read, &sheet)) {
            TakeTagLibRecord(read, record);
            result.EmbeddedSheet = sheet;
        }
    }
    if (!record.Title.isEmpty()) {
        result.Row.Caption = record.Title;
    }
}

// Close, then switch off and on: the reader starts afresh after a file it could not take.
void ResetReader(IAudioFile2& reader) {
    try {
        reader.Close();
    } catch (const ComponentError&) {
        // The reset below is what matters.
    }
    try {
        reader.SetEnabled(false);
        reader.SetEnabled(true);
    } catch (const ComponentError&) {
        // A reader that cannot even be reset reports itself at its next use.
    }
}

std::int64_t FileSize(const QString& path) {
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        throw ProbeError(QStringLiteral("Cannot read the size of %1: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    return file.size();
}

}  // namespace

QString NotSupportedMessage(const QString& path) {
    return QFileInfo(path).fileName() + QStringLiteral(" this File is not supported.");
}

ProbeResult ProbeFile(IAudioFile2& reader, const QString& path, const QString& decimalPoint) {
    ProbeResult result;
    result.Row.Caption = QFileInfo(path).fileName();
    ReadTags(path, result);

    int sampleRate = 0;
    int channels = 0;
    int duration = 0;
    std::int64_t frames = 0;
    try {
        if (reader.IsOpen()) {
            reader.Close();
        }
        reader.Open(path);
        duration = reader.Duration();
        if (duration > 0) {
            sampleRate = reader.SampleRate();
            channels = reader.Channels();
            frames = reader.Length();
        }
    } catch (const ComponentError&) {
        duration = 0;
    }
    // A negative duration is as meaningless as none: the batches divide by it.
    if (duration <= 0) {
        ResetReader(reader);
        result.Rejection = NotSupportedMessage(path);
        return result;
    }
    try {
        reader.Close();
    } catch (const ComponentError&) {
        // The properties are read; the next Open closes whatever is left.
    }

    result.Row.Frequency = FrequencyText(sampleRate);
    result.Row.Channels = ChannelsText(channels);
    result.Row.Time = FormatTime(duration);
    result.Record.DurationMs = duration;
    result.Frames = frames;
    result.SampleRate = sampleRate;
    result.Row.Size = SizeText(FileSize(path), decimalPoint);
    result.Row.Status = QStringLiteral("Unconvert");
    result.Row.Path = path;
    result.Accepted = true;
    return result;
}
