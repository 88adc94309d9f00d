#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

#include "components/quorvel_error.h"

// A write the file system refused: "Unable to write to <file name as passed>".
class SettingsWriteError : public QuorvelError {
  public:
    using QuorvelError::QuorvelError;
};

// The one settings file. It keeps no copy of the contents: every read and write goes to the file
// at once. Window thread only.
class SettingsFile {
  public:
    explicit SettingsFile(QString fileName = QStringLiteral("Quorvel.ini"));
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    const QString& FileName() const { return fileName_; }
    // A message naming the file and why it cannot be read (a FIFO, a folder, a huge file), or an
    // empty text when all is well. Reads then give their defaults and writes fail.
    QString ReadProblem() const;

    QString ReadText(const QString& section, const QString& key, const QString& defaultText) const;
    std::int32_t ReadNumber(const QString& section, const QString& key,
                            std::int32_t defaultNumber) const;
    bool ReadFlag(const QString& section, const QString& key, bool defaultFlag) const;
    // ReadText without the buffer's cut, for values that must never be shortened (a folder cut
    // at 2,047 characters would send outputs to a sibling folder).
    QString ReadWholeText(const QString& section, const QString& key,
                          const QString& defaultText) const;

    // Each throws SettingsWriteError when the file cannot be written.
    void WriteText(const QString& section, const QString& key, const QString& text);
    void WriteNumber(const QString& section, const QString& key, std::int32_t number);
    void WriteFlag(const QString& section, const QString& key, bool flag);

    // Asks the profile layer to write out any cached copy of the file.
    void Flush();

    // Values that stand in for stored ones in every read of this object and are never written:
    // a command line's settings for one run. Keyed by section and key without regard to case,
    // as the file is. Set before a batch starts; a copy for another thread takes them along.
    using RunValues = QHash<QString, QString>;
    void SetRunValue(const QString& section, const QString& key, const QString& value);
    void SetRunValues(RunValues values) { runValues_ = std::move(values); }
    const RunValues& GetRunValues() const { return runValues_; }

  private:
    const QString* RunValue(const QString& section, const QString& key) const;

    QString fileName_;
    RunValues runValues_;
};

// The integer reading of a settings value: blanks, a sign, decimal digits or hexadecimal after
// "$", "x", "X" ("0x" and "0X" count as "$"); nullopt for anything else or a value beyond 32 bits.
std::optional<std::int32_t> ParseSettingsNumber(const QString& text);
