#pragma once

#include <QString>
#include <functional>

#include "filelist/output_name_limits.h"

// The extension of an output format from the format table; empty for an unknown code.
QString OutputExtension(int format);

// The output name for a row in outputDir (which ends with the separator): prefix + base +
// extension, where base is the caption with its extension removed when the caption is the
// input's own file name, and kept whole when it is a tag title. Control characters in base
// become "_", and base is shortened so that the whole name takes at most kMaxNameBytes. When that
// name exists, "_1", "_2" ... go before the extension until a free name is found: an existing
// file is never chosen.
// The chosen name is reserved by creating it, empty and exclusively, so that no other batch or
// job can pick it; the writer replaces it when the output is complete. When the folder refuses
// the reservation for another reason, the name is returned unreserved and the writer reports
// the cause.
QString MakeOutputPath(const QString& outputDir, const QString& caption, const QString& inputPath,
                       const QString& extension, const QString& prefix);

// The naming rule of MakeOutputPath with the claim left to the caller: each candidate in turn
// ("name", "name_1", ...) is offered to `claim` until it answers Claimed (the batch names its
// finished output there without replacing anything).
enum class NameClaim { Taken, Claimed };
QString ChooseOutputName(const QString& outputDir, const QString& caption, const QString& inputPath,
                         const QString& extension, const QString& prefix,
                         const std::function<NameClaim(const QString&)>& claim);
