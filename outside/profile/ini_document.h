#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// An INI file held as its lines, so that a write changes exactly one line and leaves every
// other line (comments, unknown keys, odd spacing) as it was.
class IniDocument {
  public:
    static IniDocument Parse(const QByteArray& bytes);
    QByteArray Serialize() const;

    // The value of the first key of the first matching section; names compare without case.
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Replaces the key's value in place, or adds the key at the end of its section, or adds the
    // section at the end of the document.
    void SetValue(const QString& section, const QString& key, const QString& value);
    void RemoveKey(const QString& section, const QString& key);
    void RemoveSection(const QString& section);

  private:
    // Index of the header line of the section, or -1.
    int FindSection(const QString& section) const;
    // One past the last line of the section that starts at header index.
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;

    void InsertLine(int at, const QString& text);

    QStringList lines_;
    // Lines we wrote are UTF-8; lines read from a file that was not UTF-8 go back as the bytes
    // they were (Latin-1 maps every byte to one character and back).
    QList<bool> written_;
    bool latin1_ = false;
    QString newline_ = QStringLiteral("\n");
};
