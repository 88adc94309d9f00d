#include "engine/convert_file.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <mutex>

#include "components/audio_file.h"
#include "components/audio_transform.h"
#include "formats/output_formats.h"
#include "tags/tag_transfer.h"

namespace {

int ClampFrames(std::int64_t frames) {
    return static_cast<int>(std::clamp<std::int64_t>(frames, 0, INT_MAX));
}

}  // namespace

std::int64_t MulDiv64(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) {
        return -1;
    }
    // Products of frame counts and milliseconds stay far below the range of a long double's
    // 64-bit mantissa, so the rounding is exact.
    const long double q =
        static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
    const long double r = q < 0 ? q - 0.5L : q + 0.5L;
    return static_cast<std::int64_t>(r);
}

void OpenInput(IAudioFile2& reader, const QString& inputPath, const SampleRange& range) {
    if (reader.IsOpen()) {
        reader.Close();
    }
    reader.Open(inputPath);
    if (!range.Whole()) {
        reader.SetReadRange(range.start, range.end);
    }
}

void OpenFilePair(IAudioFile2& reader, IAudioFile2& writer, const QString& inputPath,
                  const QString& outputPath, const SampleRange& range) {
    OpenInput(reader, inputPath, range);
    CreateOutputFor(reader, writer, outputPath);
}

void CreateOutputFor(IAudioFile2& reader, IAudioFile2& writer, const QString& outputPath) {
    if (writer.IsOpen()) {
        writer.Close();
    }
    writer.SetSourceFormat(reader.PcmSampleRate(), reader.PcmChannels());
    writer.SetSourceBits(reader.SourceBits());
    writer.CreateOutput(outputPath);
    writer.SetSourceFormat(reader.PcmSampleRate(), reader.PcmChannels());
}

bool RunBlockLoop(IAudioFile2& reader, IAudioFile2& writer, IAudioTransform2& transform,
                  const BlockLoopSettings& settings, const std::atomic<bool>& converting,
                  const BlockLoopHooks& hooks) {
    const std::int64_t length = reader.Length();
    const std::int64_t duration = reader.Duration();
    const std::int64_t channels = std::max(reader.Channels(), 1);
    const int normalRequest = settings.format == 3
                                  ? ClampFrames(std::int64_t{reader.PcmSampleRate()} * channels)
                                  : kBlockFrames;
    // A fade of zero (or fewer) seconds is no fade: its block of 0 frames would end the file.
    const std::int64_t fadeInFrames =
        settings.fadeIn ? MulDiv64(std::int64_t{settings.fadeInTime} * 1000, length, duration) : 0;
    const std::int64_t fadeOutFrames =
        settings.fadeOut ? MulDiv64(std::int64_t{settings.fadeOutTime} * 1000, length, duration)
                         : 0;
    const bool fadeIn = fadeInFrames > 0;
    const bool fadeOut = fadeOutFrames > 0;

    std::int64_t pos = 0;
    // The frames actually moved: pos counts a block as its upper bound over the channels, one
    // frame short, and a slack judged on it alone would leave the last frames of a short file
    // (or a track) unread.
    std::int64_t taken = 0;
    long upperBound = 1;
    while (upperBound > 0) {
        hooks.pump();
        hooks.pump();
        if (!converting) {
            return false;
        }
        int request = normalRequest;
        const bool fadeInBlock = fadeIn && pos == 0;
        const bool fadeOutBlock = fadeOut && length - pos <= fadeOutFrames;
        if (fadeInBlock) {
            request = ClampFrames(fadeInFrames);
        }
        if (fadeOutBlock) {
            request = ClampFrames(length - pos);
        }
        AudioBuffer buffer = reader.ReadBuffer(request);
        upperBound = buffer.UpperBound();
        if (upperBound < 0) {
            hooks.progress(0);
            break;
        }
        if (fadeInBlock) {
            transform.Fade(buffer, 0.0f, 100.0f);
        }
        if (fadeOutBlock) {
            transform.Fade(buffer, 100.0f, 0.0f);
        }
        pos += static_cast<std::int64_t>(upperBound) / channels;
        taken += static_cast<std::int64_t>(buffer.FrameCount());
        hooks.progress(
            static_cast<int>(std::clamp<std::int64_t>(MulDiv64(pos, 10000, length), 0, 10000)));
        writer.WriteBuffer(buffer);
        if (length - pos < kEndSlackFrames && taken >= length) {
            break;
        }
    }
    return true;
}

QString TransferTagsGuarded(const QString& outputPath, const AudioFileinfo& entry,
                            const TagSource& source, TagSet* written, TagKind* writtenKind) {
    // The kind of tag follows the output's format row (its extension; the hidden name keeps it).
    TagKind kind = TagKind::None;
    const QString name = QFileInfo(outputPath).fileName();
    for (const OutputFormat* format : OutputFormats()) {
        if (name.endsWith(QLatin1String(format->extension), Qt::CaseInsensitive)) {
            kind = format->tags;
            break;
        }
    }
    if (writtenKind) {
        *writtenKind = kind;
    }
    static std::mutex shared;
    const std::lock_guard<std::mutex> lock(shared);
    return TransferTags(outputPath, kind, entry, source, TagRewrite::InPlace, written);
}
