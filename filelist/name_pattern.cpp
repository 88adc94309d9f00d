#include "filelist/name_pattern.h"

#include <QRegularExpression>

#include "filelist/clean_name.h"
#include "filelist/output_name_limits.h"

namespace {

// The first number of a track or disc text ("3/12" gives 3); -1 when there is none.
int LeadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,9})"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString Or(const QString& text, const QString& fallback) {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
}

// A field's text as it may stand inside one piece of the path: no separators, no characters
// the systems our outputs travel to refuse.
QString FieldText(const QString& name, const NameFields& f) {
    // An untagged file keeps its own name rather than one every untagged file would share.
    if (name == QLatin1String("title"))
        return Or(CleanName(f.title), Or(CleanName(f.fileName), QStringLiteral("Unknown Title")));
    if (name == QLatin1String("artist"))
        return Or(CleanName(f.artist), QStringLiteral("Unknown Artist"));
    if (name == QLatin1String("album"))
        return Or(CleanName(f.album), QStringLiteral("Unknown Album"));
    if (name == QLatin1String("albumartist")) {
        return Or(CleanName(f.albumArtist),
                  Or(CleanName(f.artist), QStringLiteral("Unknown Artist")));
    }
    if (name == QLatin1String("genre"))
        return Or(CleanName(f.genre), QStringLiteral("Unknown Genre"));
    if (name == QLatin1String("year"))
        return Or(CleanName(f.year), QStringLiteral("Unknown Year"));
    if (name == QLatin1String("filename"))
        return CleanName(f.fileName);
    if (name == QLatin1String("track")) {
        // Without a track tag, the number a file name starts with ("03 Song" is track 3).
        const int tagged = LeadingNumber(f.track);
        const int n = tagged >= 0 ? tagged : LeadingNumber(f.fileName);
        return QStringLiteral("%1").arg(std::max(n, 0), 2, 10, QLatin1Char('0'));
    }
    if (name == QLatin1String("disc")) {
        const int n = LeadingNumber(f.disc);
        return n < 0 ? QString() : QString::number(n);
    }
    return QString();  // not a field: the caller keeps the text as written
}

bool IsField(const QString& name) {
    static const QStringList kFields{
        QStringLiteral("title"),       QStringLiteral("artist"), QStringLiteral("album"),
        QStringLiteral("albumartist"), QStringLiteral("track"),  QStringLiteral("disc"),
        QStringLiteral("year"),        QStringLiteral("genre"),  QStringLiteral("filename")};
    return kFields.contains(name);
}

// One piece of the path made safe: no control characters, trimmed, never "." or "..".
QString SafePiece(QString piece) {
    for (QChar& c : piece) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char('_');
        }
    }
    piece = piece.trimmed();
    if (!piece.isEmpty() && piece.count(QLatin1Char('.')) == piece.size()) {
        piece.fill(QLatin1Char('_'));
    }
    return piece;
}

}  // namespace

bool PatternNeedsFileTags(const QString& pattern) {
    for (const char* field : {"{albumartist}", "{track}", "{disc}", "{year}"}) {
        if (pattern.contains(QLatin1String(field), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QStringList ExpandNamePattern(const QString& pattern, const NameFields& fields) {
    // Fields are filled piece by piece, so a "/" from a tag can never make a folder.
    QStringList pieces;
    for (const QString& part : pattern.split(QLatin1Char('/'))) {
        QString piece;
        qsizetype at = 0;
        while (at < part.size()) {
            const qsizetype open = part.indexOf(QLatin1Char('{'), at);
            const qsizetype close = open < 0 ? -1 : part.indexOf(QLatin1Char('}'), open);
            const QString name =
                close < 0 ? QString() : part.mid(open + 1, close - open - 1).toLower();
            if (close < 0 || !IsField(name)) {
                const qsizetype end = close < 0 ? part.size() : open + 1;
                piece += CleanName(part.mid(at, end - at));
                at = end;
                continue;
            }
            piece += CleanName(part.mid(at, open - at)) + FieldText(name, fields);
            at = close + 1;
        }
        piece = SafePiece(piece);
        if (!piece.isEmpty()) {
            pieces << piece;
        }
    }
    if (pieces.isEmpty()) {
        pieces << SafePiece(CleanName(fields.fileName));
    }
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        pieces[i] = FitToNameBytes(pieces[i], kMaxNameBytes).trimmed();
    }
    return pieces;
}

QStringList UnknownPatternFields(const QString& pattern) {
    static const QRegularExpression word(QStringLiteral("\\{([A-Za-z_]+)\\}"));
    QStringList unknown;
    for (auto it = word.globalMatch(pattern); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!IsField(m.captured(1).toLower()) && !unknown.contains(m.captured(0))) {
            unknown << m.captured(0);
        }
    }
    return unknown;
}

QString UnknownPatternFieldsMessage(const QString& pattern) {
    const QStringList unknown = UnknownPatternFields(pattern);
    if (unknown.isEmpty()) {
        return {};
    }
    return QStringLiteral(
               "The name pattern %1 has %2, which %3; the fields are {title} {artist} "
               "{album} {albumartist} {track} {disc} {year} {genre} {filename}")
        .arg(pattern, unknown.join(QStringLiteral(", ")),
             unknown.size() == 1 ? QStringLiteral("is not a field")
                                 : QStringLiteral("are not fields"));
}

NameFields ExampleNameFields() {
    NameFields f;
    f.title = QStringLiteral("Morning Song");
    f.artist = QStringLiteral("The Examples");
    f.album = QStringLiteral("First Light");
    f.track = QStringLiteral("3");
    f.disc = QStringLiteral("1");
    f.year = QStringLiteral("2024");
    f.genre = QStringLiteral("Folk");
    f.fileName = QStringLiteral("track03");
    return f;
}
