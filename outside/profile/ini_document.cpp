#include "outside/profile/ini_document.h"

#include <QStringDecoder>

namespace {

bool IsComment(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The section name of a header line, or a null string when the line is no header.
QString HeaderName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('['))) {
        return {};
    }
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    const QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return name.isNull() ? QStringLiteral("") : name;
}

bool SplitKeyLine(const QString& line, QString* key, QString* value) {
    const QString t = line.trimmed();
    if (t.isEmpty() || IsComment(t) || t.startsWith(QLatin1Char('['))) {
        return false;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0) {
        return false;
    }
    *key = t.left(eq).trimmed();
    QString v = t.mid(eq + 1).trimmed();
    // A value wrapped in matching quotes is read without them.
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    *value = v;
    return true;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A value must stay on its own line, or it would turn into keys and sections of its own.
QString OneLine(QString value) {
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

}  // namespace

IniDocument IniDocument::Parse(const QByteArray& bytes) {
    IniDocument doc;
    // UTF-8 when the bytes are UTF-8; otherwise Latin-1, which keeps every byte of lines we do not
    // understand so that they are written back as they were.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
        doc.latin1_ = true;
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    if (text.contains(QStringLiteral("\r\n"))) {
        doc.newline_ = QStringLiteral("\r\n");
    }
    const bool trailingNewline = text.isEmpty() || text.endsWith(QLatin1Char('\n'));
    if (text.isEmpty()) {
        return doc;
    }
    doc.lines_ = text.split(QLatin1Char('\n'));
    if (trailingNewline) {
        doc.lines_.removeLast();
    }
    for (QString& line : doc.lines_) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    doc.written_ = QList<bool>(doc.lines_.size(), false);
    return doc;
}

QByteArray IniDocument::Serialize() const {
    QByteArray out;
    const QByteArray newline = newline_.toLatin1();
    for (int i = 0; i < lines_.size(); ++i) {
        out += (latin1_ && !written_[i]) ? lines_[i].toLatin1() : lines_[i].toUtf8();
        out += newline;
    }
    return out;
}

void IniDocument::InsertLine(int at, const QString& text) {
    lines_.insert(at, text);
    written_.insert(at, true);
}

int IniDocument::FindSection(const QString& section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        const QString name = HeaderName(lines_[i]);
        if (!name.isNull() && SameName(name, section)) {
            return i;
        }
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    int i = header + 1;
    while (i < lines_.size() && HeaderName(lines_[i]).isNull()) {
        ++i;
    }
    return i;
}

int IniDocument::FindKey(int header, const QString& key) const {
    const int end = SectionEnd(header);
    QString k, v;
    for (int i = header + 1; i < end; ++i) {
        if (SplitKeyLine(lines_[i], &k, &v) && SameName(k, key)) {
            return i;
        }
    }
    return -1;
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const {
    const int header = FindSection(section);
    if (header < 0) {
        return std::nullopt;
    }
    const int line = FindKey(header, key);
    if (line < 0) {
        return std::nullopt;
    }
    QString k, v;
    SplitKeyLine(lines_[line], &k, &v);
    return v;
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value) {
    const QString entry = key + QLatin1Char('=') + OneLine(value);
    const int header = FindSection(section);
    if (header < 0) {
        InsertLine(lines_.size(), QLatin1Char('[') + section + QLatin1Char(']'));
        InsertLine(lines_.size(), entry);
        return;
    }
    const int line = FindKey(header, key);
    if (line >= 0) {
        QString k, v;
        SplitKeyLine(lines_[line], &k, &v);
        lines_[line] = k + QLatin1Char('=') + OneLine(value);
        written_[line] = true;
        return;
    }
    // After the section's last non-blank line, so blank separators stay before the next section.
    int insertAt = SectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].trimmed().isEmpty()) {
        --insertAt;
    }
    InsertLine(insertAt, entry);
}

void IniDocument::RemoveKey(const QString& section, const QString& key) {
    const int header = FindSection(section);
    if (header < 0) {
        return;
    }
    const int line = FindKey(header, key);
    if (line >= 0) {
        lines_.removeAt(line);
        written_.removeAt(line);
    }
}

void IniDocument::RemoveSection(const QString& section) {
    const int header = FindSection(section);
    if (header < 0) {
        return;
    }
    const int end = SectionEnd(header);
    lines_.erase(lines_.begin() + header, lines_.begin() + end);
    written_.erase(written_.begin() + header, written_.begin() + end);
}
