#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "components/loudness_meter.h"

class IAudioFile2;

// The gain that brings a measure to a loudness target without letting its true peak pass the
// ceiling. A measure with nothing above the gate (silence) keeps its level.
struct LoudnessGain {
    double decibels = 0;
    bool limited = false;  // lowered below the target's gain for the ceiling
    bool unmeasured = false;
    // Why the target was not reached, for the row; empty when it was.
    QString note;
};
LoudnessGain GainForTarget(const LoudnessMeasure& measure, double targetLufs, double ceilingDbtp);

// The loudness of what a writer with a created output would write from the blocks it is shown
// (after its channel mix and resampling: a mono input written as stereo is 3 LU louder). Without
// a writer, of the blocks themselves.
class WrittenLoudness {
  public:
    WrittenLoudness(const ILoudnessMeter& meter, IAudioFile2* writer, int sourceRate,
                    bool withRange = false)
        : meter_(meter), writer_(writer), sourceRate_(sourceRate), withRange_(withRange) {}
    // Blocks in stream order; `last` (possibly with an empty block) ends the stream.
    void Add(const AudioBuffer& block, bool last = false);
    // The track after the last block; null when no block came.
    std::unique_ptr<ILoudnessTrack> Take() { return std::move(track_); }

  private:
    const ILoudnessMeter& meter_;
    IAudioFile2* writer_;
    int sourceRate_;
    bool withRange_;
    std::unique_ptr<ILoudnessTrack> track_;
};

// Decodes the reader's open input to its end and measures it as `writer` (may be null) would
// write it. keepGoing is asked before every block; null when it said no. progress (may be
// empty) gets 0..10000 of the input. The loudness range is measured only withRange.
std::unique_ptr<ILoudnessTrack> MeasureOpenInput(IAudioFile2& reader, const ILoudnessMeter& meter,
                                                 IAudioFile2* writer, bool withRange,
                                                 const std::function<bool()>& keepGoing,
                                                 const std::function<void(int)>& progress = {});

// ReplayGain 2.0: the gain to -18 LUFS, and the tag texts ("-3.52 dB", "0.988553").
constexpr double kReplayGainReference = -18.0;
QString ReplayGainText(const LoudnessMeasure& measure);
QString ReplayPeakText(const LoudnessMeasure& measure);
