#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <span>

#include "formats/format_key.h"
#include "tagmodel/tag_kind.h"

struct FormatConfigure;
class OutputSplit;

// How the settings dialog shows a format's keys.
enum class FormatPageKind {
    None,    // no page: the keys can only be hand-edited
    Custom,  // the dialog's own page for the section (MP3, WAV, Ogg Vorbis)
    Keys,    // a page built from `keys`, a row each, with `pageNote` under them
};

// One output format: a unit owning everything that depends on it. Output naming, the writer's
// configuration, the tag transfer, the format selector, the command line and the settings dialog
// ask the unit; nothing outside a unit switches on a codec. Each unit is one file in formats/
// (its encoder beside it); adding a format is that file, its encoder and a line in the list.
struct OutputFormat {
    int code;               // stored under [Format] int; 0-4 keep their first meaning
    const char* shown;      // the format selector's text and the settings page's caption
    const char* cliName;    // quorvel-cli convert --format NAME
    const char* extension;  // of the output file, with the dot
    bool lossless;
    bool offered;         // in the selector and on the command line (else only hand-edited)
    TagKind tags;         // what the tag transfer writes into the output
    const char* section;  // settings section of the encoder keys; names the settings page
    FormatPageKind page;
    std::span<const FormatKey> keys;        // every key the unit reads, written once
    std::span<const char* const> pageNote;  // lines under a page built from the keys
    const char* copyCodec;  // what an input holds (IAudioFile2::SourceCodec) to be copied as is
    void (*configure)(const FormatConfigure&);
    // Where the check can count an output's frames without decoding it (VOX, which no reader of
    // ours reads, having no header; Ogg, whose pages say it exactly): the count, -1 for a file
    // that cannot be counted, with the rate it counts in when the file says it; and how many more
    // frames than it was given it may hold. Null: the check decodes the output.
    std::int64_t (*countFrames)(const QString& path, int& rate) = nullptr;
    int countSlack = 0;
    // How a long output is encoded in parts on several jobs and joined; null: written whole.
    const OutputSplit* (*split)() = nullptr;
};

// Every format, in the format selector's order.
std::span<const OutputFormat* const> OutputFormats();
// The unit of a stored code, or null for an unknown one.
const OutputFormat* FindOutputFormat(int code);
// The offered unit with that command-line name (case-insensitive), or null.
const OutputFormat* FindOfferedFormat(QStringView cliName);
// The command-line names of the offered formats, "mp3|wav|...".
QString OfferedFormatNames();
// The unit's key with that command-line option, or null.
const FormatKey* FindOptionKey(const OutputFormat& format, QStringView option);
