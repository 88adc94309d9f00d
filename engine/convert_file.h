#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

#include "filelist/list_row.h"

class IAudioFile2;
class IAudioTransform2;

// The fade settings and output format one file's block loop follows.
struct BlockLoopSettings {
    int format = 0;  // 3 (Ogg) reads a second per block
    bool fadeIn = false;
    bool fadeOut = false;
    int fadeInTime = 5;   // seconds
    int fadeOutTime = 5;  // seconds
};

// How the loop keeps the caller alive between blocks.
struct BlockLoopHooks {
    std::function<void()> pump;         // called twice before every block
    std::function<void(int)> progress;  // 0..10000 after every block, 0 on an empty buffer
};

// Frames per block, and the slack that ends a file whose length was a little generous (the
// count of a block is its upper bound over the channels, a frame short of what it holds).
constexpr int kBlockFrames = 2034;
constexpr std::int64_t kEndSlackFrames = 100;

// a * b / c rounded half away from zero, in 64 bits; -1 on a zero divisor.
std::int64_t MulDiv64(std::int64_t a, std::int64_t b, std::int64_t c);

// Opens inputPath on the reader, narrowed to `range`, and outputPath on the writer (closing what
// either holds first).
void OpenFilePair(IAudioFile2& reader, IAudioFile2& writer, const QString& inputPath,
                  const QString& outputPath, const SampleRange& range = {});
// Its two halves: the input (or its part) on the reader, then an output of the open input on
// the writer.
void OpenInput(IAudioFile2& reader, const QString& inputPath, const SampleRange& range = {});
void CreateOutputFor(IAudioFile2& reader, IAudioFile2& writer, const QString& outputPath);

// Moves the open input to the open output block by block, fading the first and last block.
// Returns false when it left because `converting` was cleared (a stop). Component failures
// propagate.
bool RunBlockLoop(IAudioFile2& reader, IAudioFile2& writer, IAudioTransform2& transform,
                  const BlockLoopSettings& settings, const std::atomic<bool>& converting,
                  const BlockLoopHooks& hooks);

// The tag transfer into an output of a format of the table, carrying the source's other tags; jobs
// on several threads take turns. The output is the batch's own hidden file, so its tag is written
// in place.
// `written` receives the tag set put in; `kind` the output's kind of tag.
struct AudioFileinfo;
struct TagSource;
struct TagSet;
enum class TagKind;
QString TransferTagsGuarded(const QString& outputPath, const AudioFileinfo& entry,
                            const TagSource& source, TagSet* written = nullptr,
                            TagKind* kind = nullptr);
