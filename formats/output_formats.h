#pragma once

#include <QString>
#include <QStringView>
#include <span>

#include "tagmodel/tag_kind.h"

struct FormatConfigure;

// One output format. Everything that depends on the format (output naming, the writer's
// configuration, the tag transfer, the format selector, the command line, the settings dialog's
// pages) reads this table; adding a format is a row, its encoder and its settings page.
struct OutputFormat {
    int code;               // stored under [Format] int; 0-4 keep their first meaning
    const char* shown;      // the format selector's text and the settings page's caption
    const char* cliName;    // quorvel-cli convert --format NAME
    const char* extension;  // of the output file, with the dot
    bool lossless;
    bool offered;         // in the selector and on the command line (else only hand-edited)
    TagKind tags;         // what the tag transfer writes into the output
    const char* section;  // settings section of the encoder keys; names the settings page
    bool hasPage;         // the settings dialog has a page for the section
    void (*configure)(const FormatConfigure&);
};

// Every format, in the format selector's order.
std::span<const OutputFormat> OutputFormats();
// The row of a stored code, or null for an unknown one.
const OutputFormat* FindOutputFormat(int code);
// The offered row with that command-line name (case-insensitive), or null.
const OutputFormat* FindOfferedFormat(QStringView cliName);
// The command-line names of the offered formats, "mp3|wav|...".
QString OfferedFormatNames();
