#include "engine/loudness_gain.h"

#include <algorithm>
#include <functional>

#include "components/audio_file.h"

namespace {
constexpr int kMeasureBlockFrames = 65536;
// Other meters' oversampling and the output's rounding to 16 bits move a true peak by a few
// hundredths of a dB: the gain stays this far under the ceiling so theirs stays under it too.
constexpr double kCeilingMargin = 0.1;
}  // namespace

LoudnessGain GainForTarget(const LoudnessMeasure& measure, double targetLufs, double ceilingDbtp) {
    LoudnessGain g;
    if (!measure.Measured()) {
        g.unmeasured = true;
        g.note = QStringLiteral("Too quiet to measure its loudness: level left as it was");
        return g;
    }
    g.decibels = targetLufs - measure.integrated;
    const double peak = ToDecibels(measure.truePeak);
    if (peak + g.decibels > ceilingDbtp - kCeilingMargin) {
        g.decibels = ceilingDbtp - kCeilingMargin - peak;
        g.limited = true;
        g.note = QStringLiteral("Reached %1 LUFS instead of %2: the true peak may not pass %3 dBTP")
                     .arg(measure.integrated + g.decibels, 0, 'f', 1)
                     .arg(targetLufs, 0, 'f', 0)
                     .arg(ceilingDbtp, 0, 'f', 1);
    }
    return g;
}

void WrittenLoudness::Add(const AudioBuffer& block, bool last) {
    // Slices keep a converted copy small whatever the block's size.
    const std::size_t channels = static_cast<std::size_t>(block.Channels());
    const std::size_t frames = block.FrameCount();
    std::size_t done = 0;
    do {
        const std::size_t n = std::min<std::size_t>(kMeasureBlockFrames, frames - done);
        const bool whole = n == frames;
        const AudioBuffer slice =
            whole ? AudioBuffer()
                  : AudioBuffer(std::vector<float>(block.Data() + done * channels,
                                                   block.Data() + (done + n) * channels),
                                block.Channels());
        const AudioBuffer& in = whole ? block : slice;
        int rate = 0;
        const AudioBuffer out =
            writer_ ? writer_->OutputBlock(in, last && done + n >= frames, rate) : AudioBuffer();
        const AudioBuffer& measured = writer_ ? out : in;
        if (!track_ && !measured.Empty()) {
            track_ =
                meter_.NewTrack(rate > 0 ? rate : sourceRate_, measured.Channels(), withRange_);
        }
        if (track_) {
            track_->Add(measured);
        }
        done += n;
    } while (done < frames);
}

std::unique_ptr<ILoudnessTrack> MeasureOpenInput(IAudioFile2& reader, const ILoudnessMeter& meter,
                                                 IAudioFile2* writer, bool withRange,
                                                 const std::function<bool()>& keepGoing,
                                                 const std::function<void(int)>& progress) {
    WrittenLoudness measure(meter, writer, reader.PcmSampleRate(), withRange);
    const std::int64_t length = std::max<std::int64_t>(reader.Length(), 1);
    std::int64_t frames = 0;
    for (;;) {
        if (!keepGoing()) {
            return nullptr;
        }
        const AudioBuffer block = reader.ReadBuffer(kMeasureBlockFrames);
        if (block.Empty()) {
            break;
        }
        measure.Add(block);
        frames += static_cast<std::int64_t>(block.FrameCount());
        if (progress) {
            progress(static_cast<int>(std::min<std::int64_t>(10000, frames * 10000 / length)));
        }
    }
    measure.Add(AudioBuffer({}, reader.PcmChannels()), true);
    std::unique_ptr<ILoudnessTrack> track = measure.Take();
    if (!track) {
        // Nothing was decoded.
        track = meter.NewTrack(reader.PcmSampleRate(), reader.PcmChannels(), withRange);
    }
    return track;
}

QString ReplayGainText(const LoudnessMeasure& measure) {
    const double gain = measure.Measured() ? kReplayGainReference - measure.integrated : 0.0;
    return QStringLiteral("%1 dB").arg(gain, 0, 'f', 2);
}

QString ReplayPeakText(const LoudnessMeasure& measure) {
    return QString::number(measure.truePeak, 'f', 6);
}
