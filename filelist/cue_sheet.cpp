#include "filelist/cue_sheet.h"

#include <QStringDecoder>
#include <QStringList>

#include "platform/text_charset.h"

namespace {

// The words of a line; a quoted word keeps its blanks (without the quotes). `quoted` tells, for
// each word, whether it stood in quotes.
QStringList Words(QStringView line, QList<bool>& quoted) {
    QStringList words;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        if (line[i] == QLatin1Char('"')) {
            const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            // An unclosed quote runs to the end of the line, as rippers' sheets sometimes have it.
            const qsizetype end = close < 0 ? n : close;
            words << line.sliced(i + 1, end - i - 1).toString();
            quoted << true;
            i = close < 0 ? n : close + 1;
            continue;
        }
        const qsizetype start = i;
        while (i < n && !line[i].isSpace()) {
            ++i;
        }
        words << line.sliced(start, i - start).toString();
        quoted << false;
    }
    return words;
}

// mm:ss:ff as CD frames; -1 when the text is not such a time.
std::int64_t ParseTime(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3) {
        return -1;
    }
    std::int64_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QString& part = parts[i];
        if (part.isEmpty() || part.size() > 6) {
            return -1;
        }
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return -1;
            }
        }
        values[i] = part.toLongLong();
    }
    if (values[1] >= 60 || values[2] >= 75) {
        return -1;
    }
    return (values[0] * 60 + values[1]) * 75 + values[2];
}

// The rest of the line after the command as one value: a quoted word as it stands, else the
// words joined (TITLE Some Title without quotes).
QString Value(const QStringList& words, const QList<bool>& quoted, int from) {
    if (words.size() == from + 1 && quoted.value(from)) {
        return words[from];
    }
    return words.mid(from).join(QLatin1Char(' '));
}

// A control character other than blanks and line ends: what binary junk shows.
bool IsJunk(QChar c) {
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f') || u == 0x7F ||
           u == 0xFFFD;
}

void CheckIsText(const QString& text) {
    int line = 1;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            ++line;
        } else if (IsJunk(c)) {
            throw CueSheetError(line, QStringLiteral("this is not text"));
        }
    }
}

// UTF-8 as it stands, or nothing when the bytes are not valid UTF-8.
bool DecodeUtf8(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

struct Parser {
    CueSheet sheet;
    int current = -1;  // the track the lines belong to; -1 before the first
    int line = 0;

    CueTrack* Track() {
        return current < 0 ? nullptr : &sheet.tracks[static_cast<std::size_t>(current)];
    }

    [[noreturn]] void Fail(const QString& cause) const { throw CueSheetError(line, cause); }

    void Text(QString CueSheet::*own, QString CueTrack::*ofTrack, const QString& value) {
        if (CueTrack* track = Track()) {
            track->*ofTrack = value;
        } else {
            sheet.*own = value;
        }
    }

    void Index(const QStringList& words) {
        CueTrack* track = Track();
        if (!track) {
            Fail(QStringLiteral("INDEX outside a TRACK"));
        }
        bool ok = false;
        const int number = words.value(1).toInt(&ok);
        const std::int64_t position = ParseTime(words.value(2));
        if (!ok || number < 0 || number > 99 || position < 0) {
            Fail(QStringLiteral("INDEX needs a number and a time mm:ss:ff"));
        }
        if (!track->indexes.empty() && number <= track->indexes.back().number) {
            Fail(QStringLiteral("INDEX %1 comes after INDEX %2")
                     .arg(number)
                     .arg(track->indexes.back().number));
        }
        track->indexes.push_back(
            {number, position, static_cast<int>(sheet.files.size()) - 1, line});
    }

    void Line(QStringView text) {
        QList<bool> quoted;
        const QStringList words = Words(text, quoted);
        if (words.isEmpty()) {
            return;
        }
        const QString command = words[0].toUpper();
        CueTrack* track = Track();
        if (command == QLatin1String("FILE")) {
            if (words.size() < 2) {
                Fail(QStringLiteral("FILE names no file"));
            }
            // FILE "name" TYPE; an unquoted name with blanks runs up to the type.
            const qsizetype last = words.size() > 2 ? words.size() - 1 : words.size();
            const QString name =
                quoted[1] ? words[1] : words.mid(1, last - 1).join(QLatin1Char(' '));
            sheet.files.push_back({name, line});
        } else if (command == QLatin1String("TRACK")) {
            if (sheet.files.empty()) {
                Fail(QStringLiteral("TRACK before any FILE"));
            }
            bool ok = false;
            const int number = words.value(1).toInt(&ok);
            if (!ok || number < 1 || number > 99) {
                Fail(QStringLiteral("TRACK needs a number from 1 to 99"));
            }
            CueTrack t;
            t.number = number;
            t.audio = words.value(2).compare(QLatin1String("AUDIO"), Qt::CaseInsensitive) == 0;
            t.line = line;
            sheet.tracks.push_back(t);
            current = static_cast<int>(sheet.tracks.size()) - 1;
        } else if (command == QLatin1String("INDEX")) {
            Index(words);
        } else if (command == QLatin1String("TITLE")) {
            Text(&CueSheet::title, &CueTrack::title, Value(words, quoted, 1));
        } else if (command == QLatin1String("PERFORMER")) {
            Text(&CueSheet::performer, &CueTrack::performer, Value(words, quoted, 1));
        } else if (command == QLatin1String("SONGWRITER")) {
            Text(&CueSheet::songwriter, &CueTrack::songwriter, Value(words, quoted, 1));
        } else if (command == QLatin1String("ISRC") && track) {
            track->isrc = Value(words, quoted, 1);
        } else if (command == QLatin1String("CATALOG")) {
            sheet.catalog = Value(words, quoted, 1);
        } else if (command == QLatin1String("REM") && words.size() >= 3) {
            const QString name = words[1].toUpper();
            (track ? track->rem : sheet.rem).insert(name, Value(words, quoted, 2));
        } else if (command == QLatin1String("PREGAP") || command == QLatin1String("POSTGAP")) {
            // Silence a player would add; the image holds none of it, so no sample moves.
            if (!track || ParseTime(words.value(1)) < 0) {
                Fail(QStringLiteral("%1 needs a time mm:ss:ff inside a TRACK").arg(command));
            }
        }
        // FLAGS, CDTEXTFILE and the rest say nothing about where the audio lies.
    }

    // Every track has its INDEX 01, and within a FILE the indexes only move forward.
    void Check() {
        if (sheet.tracks.empty()) {
            line = 0;
            Fail(sheet.files.empty() ? QStringLiteral("the sheet names no audio file")
                                     : QStringLiteral("the sheet has no TRACK"));
        }
        int lastFile = -1;
        std::int64_t lastPosition = -1;
        int lastStartFile = -1;
        std::int64_t lastStart = -1;
        for (const CueTrack& t : sheet.tracks) {
            if (!t.Start()) {
                line = t.line;
                Fail(QStringLiteral("TRACK %1 has no INDEX 01")
                         .arg(t.number, 2, 10, QLatin1Char('0')));
            }
            for (const CueIndex& i : t.indexes) {
                line = i.line;
                const bool sameFile = i.file == lastFile;
                if (sameFile && i.position < lastPosition) {
                    Fail(QStringLiteral("INDEX %1 at %2 lies before the index above it")
                             .arg(i.number, 2, 10, QLatin1Char('0'))
                             .arg(CueTimeText(i.position)));
                }
                if (i.number == 1 && i.file == lastStartFile && i.position <= lastStart) {
                    Fail(QStringLiteral("TRACK %1 starts where the track before it starts")
                             .arg(t.number, 2, 10, QLatin1Char('0')));
                }
                lastFile = i.file;
                lastPosition = i.position;
                if (i.number == 1) {
                    lastStartFile = i.file;
                    lastStart = i.position;
                }
            }
        }
    }
};

}  // namespace

const CueIndex* CueTrack::Start() const {
    for (const CueIndex& i : indexes) {
        if (i.number == 1) {
            return &i;
        }
    }
    return nullptr;
}

CueSheetError LargeSheetError() {
    return CueSheetError(0, QStringLiteral("it is larger than 1 MB, too large for a cue sheet"));
}

CueText DecodeCueSheet(const QByteArray& bytes) {
    if (bytes.size() > kMaxCueSheetBytes) {
        throw LargeSheetError();
    }
    CueText out;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (!DecodeUtf8(bytes.mid(3), out.text)) {
            throw CueSheetError(0, QStringLiteral("it is not valid UTF-8 text"));
        }
        out.encoding = QStringLiteral("UTF-8");
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        out.text = decoder.decode(bytes.mid(2));
        if (decoder.hasError() || bytes.size() % 2 != 0) {
            throw CueSheetError(0, QStringLiteral("it is not valid UTF-16 text"));
        }
        out.encoding = little ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
    } else if (bytes.contains('\0')) {
        throw CueSheetError(0, QStringLiteral("this is not text"));
    } else if (DecodeUtf8(bytes, out.text)) {
        out.encoding = QStringLiteral("UTF-8");
    } else {
        out.encoding = GuessTextEncoding(bytes);
        QString error;
        if (out.encoding.isEmpty() || out.encoding == QLatin1String("ASCII") ||
            out.encoding == QLatin1String("UTF-8")) {
            throw CueSheetError(0, QStringLiteral("its encoding cannot be told"));
        }
        if (!DecodeText(bytes, out.encoding, out.text, error)) {
            throw CueSheetError(0, error);
        }
    }
    CheckIsText(out.text);
    return out;
}

CueSheet ParseCueSheet(const QString& text) {
    Parser p;
    qsizetype from = 0;
    while (from <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0) {
            end = text.size();
        }
        ++p.line;
        QStringView line = QStringView(text).sliced(from, end - from);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        p.Line(line);
        from = end + 1;
    }
    p.Check();
    return p.sheet;
}

std::int64_t CueSamples(const CueSheet& sheet, std::int64_t position, int rate) {
    if (sheet.inSamples) {
        return position;
    }
    // Exact for every rate that is a multiple of 75 (44100, 48000, 88200, 96000 ...).
    return (position * rate + 37) / 75;
}

QString CueTimeText(std::int64_t frames) {
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (75 * 60), 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}
