#pragma once

#include <QString>

#include "filelist/list_row.h"
#include "filelist/name_pattern.h"
#include "platform/source_mark.h"
#include "settings/output_names_setting.h"
#include "tagmodel/audio_file_info.h"

// Where one row's output goes and what the naming rule starts from.
struct OutputTarget {
    QString dir;      // the row's output folder, ending with the separator; may not exist yet
    QString caption;  // what MakeOutputPath's rule names the file after
    QString inputPath;
    SampleRange range{};  // the part of the input (a track of an image) the output holds
};

// How an output's mark names the part of its input.
inline MarkedPart PartOf(const SampleRange& range) {
    return {range.start, range.end};
}

// What the target's output is marked as made from (user.quorvel.source), which skip and update
// look for: the input's absolute path, and for a part its range after it, so that the tracks of
// one file are told apart.
QString OutputSourceOf(const OutputTarget& target);

// The row's folder and name under the naming settings: the output folder, then with `mirror`
// the input's folder relative to sourceFolder (the folder it was added from; nothing for a file
// added by itself or outside it), then the pattern's folders. Without a pattern the name is the
// row's caption, as the plain rule has it. Fields the record lacks ({albumartist}, {track},
// {disc}, {year}) are read from the input's tags when the pattern uses them.
OutputTarget ResolveOutputTarget(const OutputNaming& naming, const QString& outputDir,
                                 const QString& caption, const QString& inputPath,
                                 const QString& sourceFolder, const AudioFileinfo& tags);

// The same for a row of the list: a track of a cue sheet is named from the sheet's fields (its
// {track}, {disc}, {albumartist}, never the whole file's title) and marked with its range.
OutputTarget ResolveRowTarget(const OutputNaming& naming, const QString& outputDir,
                              const ListRow& row);

// The folder of the input, ending with the separator: where its output goes when outputs are
// saved beside their inputs.
QString InputFolderOf(const QString& inputPath);

// The fields a pattern fills in for the input, as a batch reads them: the record's, with the
// gaps and the fields the record lacks read from the input's tags. Reads the file.
NameFields ReadNameFields(const QString& inputPath, const AudioFileinfo& tags);
// The same for a row of the list (a track of a cue sheet gives its own fields).
NameFields ReadNameFields(const ListRow& row);

// The first name the rule tries for the target (the one a finished earlier run would have).
QString FirstOutputName(const OutputTarget& target, const QString& extension,
                        const QString& prefix);

// What to do with a row whose first name is taken when the batch starts. Refuse: a folder or a
// link stands where skip or update would look for the output.
enum class ExistingAction { Convert, Skip, Replace, Refuse };
// Number: Convert (the rule numbers it). Skip: Skip when anything has the name. Update: Replace
// when a regular file (not a link) has the name and is older than the input, else Skip. A name
// that is the input itself always gives Convert: the rule numbers the output, the input stays.
ExistingAction DecideExisting(ExistingOutput rule, const QString& firstName,
                              const QString& inputPath);

// The decision for one row when the batch starts, and the output it concerns. Skip and update
// look for the output this same input made in an earlier run: among the first name and the
// numbered names after it that exist, the one marked with the input's path and the target's
// part of it, so that the tracks of one image each find their own (an unmarked first name counts
// as its own only when no other row of the batch has that first name). Another
// input's output is never skipped for it nor replaced: without an own output the row converts to
// a new name. A folder or a link at the first name refuses the row, with the reason.
struct ExistingDecision {
    ExistingAction action = ExistingAction::Convert;
    QString name;    // the output skipped or replaced; the first name otherwise
    QString reason;  // for Refuse
};
ExistingDecision DecideExistingOutput(ExistingOutput rule, const OutputTarget& target,
                                      const QString& extension, const QString& prefix,
                                      bool firstNameShared);
