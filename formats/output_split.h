#pragma once

#include <QByteArray>
#include <QString>
#include <any>
#include <cstdint>
#include <vector>

#include "components/encoder_recipe.h"

// A long output encoded in parts on several jobs at once and joined into one file, as long as
// and sounding as a one-job encode.

// Where a format may cut a source at `sourceRate` written as `output`.
struct SplitRule {
    std::int64_t grid = 0;        // chunk starts lie on multiples of this many source frames
    std::int64_t leadIn = 0;      // source frames fed before a chunk's start (all but the first)
    std::int64_t leadOut = 0;     // source frames fed after a chunk's end (all but the last)
    std::int64_t mostFrames = 0;  // a longer row is written whole; 0: any length
};

// One part of the row: its source frames [start, end), counted from the row's first frame, fed
// to the format's ordinary writer as [start - leadIn, end + leadOut) into its own closed,
// untagged file at `path`. The first chunk has no lead-in, the last no lead-out.
struct OutputChunk {
    QString path;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t leadIn = 0;
    std::int64_t leadOut = 0;
    int index = 0;      // in the row, from 0
    int count = 1;      // chunks of the row
    std::any prepared;  // what PrepareChunk learnt, for Join
};

// What a join knows of the whole.
struct JoinFacts {
    int sourceRate = 0;
    PcmFormat output;         // what the writer wrote (its OutputPcm of the source)
    std::int64_t frames = 0;  // the row's source frames: the last chunk's end
    // The MD5 of the whole stream's samples in FLAC's layout (little-endian signed integers of
    // the output depth's whole bytes, channels interleaved; 32-bit float as its bits), 16 bytes,
    // for the lossless formats that record one; empty when the run cannot know it.
    QByteArray md5;
    QString shownPath;  // the output as messages name it
};

// A format unit's way of splitting. Null in its descriptor: its outputs are written whole.
class OutputSplit {
  public:
    virtual ~OutputSplit() = default;
    // The rule for this source and output; grid 0 when such an output is written whole.
    virtual SplitRule Rule(int sourceRate, const PcmFormat& output) const = 0;
    // On the job that wrote the chunk, as soon as its file is closed, while other chunks are
    // still being encoded: what can be done to one chunk alone (renumbering its frames), so
    // that the join is little more than a copy. Throws ComponentError naming facts.shownPath.
    virtual void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const;
    // Writes the one output at `path` (a new file) from the prepared chunks in order. Throws
    // ComponentError naming facts.shownPath, with the system's reason on a failed write.
    virtual void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
                      const QString& path) const = 0;
    // Puts the whole stream's MD5 into the joined output at `path`, where the format records
    // one and `facts.md5` was not known at the join (it is learnt by reading the output back).
    // Throws ComponentError naming facts.shownPath.
    virtual void RecordMd5(const QString& path, const QByteArray& md5,
                           const JoinFacts& facts) const;
};

// The units' splits, each in its own file beside the unit's encoder.
const OutputSplit* FlacSplit();     // flac_split.cpp
const OutputSplit* WavSplit();      // pcm_split.cpp
const OutputSplit* AiffSplit();     // pcm_split.cpp
const OutputSplit* WavPackSplit();  // wavpack_split.cpp
const OutputSplit* Mp3Split();      // mp3_split.cpp
const OutputSplit* OpusSplit();     // opus_split.cpp
