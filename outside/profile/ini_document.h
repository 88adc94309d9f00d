#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// An INI file held as its lines, so that a write changes exactly one line and leaves every
// other line (comments, unknown keys, odd spacing, foreign encodings, line endings) byte for byte
// as it was.
class IniDocument {
  public:
    static IniDocument Parse(const QByteArray& bytes);
    QByteArray Serialize() const;

    // The value of the first key of the first matching section; names compare without case.
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Replaces the key's value in place, or adds the key at the end of its section, or adds the
    // section at the end of the document. Setting the value a key already holds changes nothing.
    void SetValue(const QString& section, const QString& key, const QString& value);
    void RemoveKey(const QString& section, const QString& key);
    void RemoveSection(const QString& section);

  private:
    struct Line {
        QString text;       // decoded: UTF-8 where the bytes are UTF-8, else one byte per character
        QByteArray raw;     // the bytes as read, for a line that was not changed
        QByteArray ending;  // "\n", "\r\n", or empty for a last line without one
        bool changed = false;
    };

    // Index of the header line of the section, or -1.
    int FindSection(const QString& section) const;
    // One past the last line of the section that starts at header index.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;

    void InsertLine(int at, const QString& text);

    QList<Line> lines_;
    bool byteOrderMark_ = false;
    QByteArray newline_ = QByteArrayLiteral("\n");
};
