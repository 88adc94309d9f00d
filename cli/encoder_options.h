#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

struct OutputFormat;
class SettingsFile;

// convert's encoder options (--bitrate, --quality ...): each sets the key of the chosen output
// format that names it as its option, for this run only.
struct EncoderOptions {
    std::vector<std::pair<QString, QString>> given;  // option without dashes, value; in order
};

// Takes args[i] (and its value) when it is an encoder option. Returns false when it is not one;
// sets `error` when it is one without a value.
bool TakeEncoderOption(const QStringList& args, int& i, EncoderOptions& options, QString& error);

// Checks each given value against its key's range and sets it on `file` as a run value (along
// with the keys the option also sets), never writing the file. Returns an error text naming the
// format and the options it has for an option it lacks, or the key and its range for a value
// outside it; empty when every option was taken.
QString ApplyEncoderOptions(const EncoderOptions& options, const OutputFormat& format,
                            SettingsFile& file);

// The help lines of the encoder options, each with the formats that have it.
QString EncoderOptionsHelp();
