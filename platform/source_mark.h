#pragma once

#include <QString>
#include <cstdint>

// Which input an output was made from, kept with the output itself (an extended attribute,
// user.quorvel.source), so that a later run updates or skips only the outputs of the same input.

// The part of the input an output holds, in frames of its decoded audio; end < 0: to its end.
// Tracks of one image are told apart by it.
struct MarkedPart {
    std::int64_t start = 0;
    std::int64_t end = -1;
};

// What the mark of an output of `part` of the input says: the input's absolute path, and for a
// part other than the whole "#start-end" after it ("#start-" to the end). An output of a whole
// file bears the plain path, as outputs always have.
QString SourceMark(const QString& inputPath, MarkedPart part = {});

// Marks the file; false when the file system keeps no such attributes (the output is fine).
bool MarkOutputSource(const QString& outputPath, const QString& inputPath, MarkedPart part = {});

// The mark the file bears, as SourceMark made it; empty when it bears none.
QString OutputSource(const QString& outputPath);
