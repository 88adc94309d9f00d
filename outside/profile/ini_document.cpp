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
    QByteArrayView rest(bytes);
    if (rest.startsWith("\xEF\xBB\xBF")) {
        doc.byteOrderMark_ = true;
        rest = rest.sliced(3);
    }
    bool sawEnding = false;
    while (!rest.isEmpty()) {
        const qsizetype newline = rest.indexOf('\n');
        Line line;
        QByteArrayView content = newline < 0 ? rest : rest.first(newline);
        rest = newline < 0 ? QByteArrayView() : rest.sliced(newline + 1);
        if (newline >= 0) {
            const bool crlf = content.endsWith('\r');
            if (crlf) {
                content.chop(1);
            }
            line.ending = crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
            // New lines follow the first line's ending.
            if (!sawEnding) {
                doc.newline_ = line.ending;
                sawEnding = true;
            }
        }
        line.raw = content.toByteArray();
        // Each line on its own: one Latin-1 comment must not turn the UTF-8 lines into mojibake.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        line.text = utf8.decode(content);
        if (utf8.hasError()) {
            line.text = QString::fromLatin1(content);
        }
        doc.lines_.append(std::move(line));
    }
    return doc;
}

QByteArray IniDocument::Serialize() const {
    QByteArray out;
    if (byteOrderMark_) {
        out += "\xEF\xBB\xBF";
    }
    for (const Line& line : lines_) {
        out += line.changed ? line.text.toUtf8() : line.raw;
        out += line.ending;
    }
    return out;
}

void IniDocument::InsertLine(int at, const QString& text) {
    Line line;
    line.text = text;
    line.changed = true;
    line.ending = newline_;
    if (at == lines_.size() && at > 0 && lines_[at - 1].ending.isEmpty()) {
        // The file had no final newline: the old last line gets one, the new last line none.
        lines_[at - 1].ending = newline_;
        line.ending.clear();
    }
    lines_.insert(at, std::move(line));
}

int IniDocument::FindSection(const QString& section) const {
    for (int i = 0; i < lines_.size(); ++i) {
        const QString name = HeaderName(lines_[i].text);
        if (!name.isNull() && SameName(name, section)) {
            return i;
        }
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    int i = header + 1;
    while (i < lines_.size() && HeaderName(lines_[i].text).isNull()) {
        ++i;
    }
    return i;
}

int IniDocument::FindKey(int header, const QString& key) const {
    const int end = SectionEnd(header);
    QString k, v;
    for (int i = header + 1; i < end; ++i) {
        if (SplitKeyLine(lines_[i].text, &k, &v) && SameName(k, key)) {
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
    SplitKeyLine(lines_[line].text, &k, &v);
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
        SplitKeyLine(lines_[line].text, &k, &v);
        if (v == value) {
            return;  // an unchanged value keeps its bytes, quotes and spacing
        }
        lines_[line].text = k + QLatin1Char('=') + OneLine(value);
        lines_[line].changed = true;
        return;
    }
    // After the section's last non-blank line, so blank separators stay before the next section.
    int insertAt = SectionEnd(header);
    while (insertAt > header + 1 && lines_[insertAt - 1].text.trimmed().isEmpty()) {
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
    }
}

void IniDocument::RemoveSection(const QString& section) {
    const int header = FindSection(section);
    if (header < 0) {
        return;
    }
    const int end = SectionEnd(header);
    lines_.erase(lines_.begin() + header, lines_.begin() + end);
}
