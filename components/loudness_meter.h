#pragma once

#include <limits>
#include <memory>
#include <vector>

#include "components/audio_buffer.h"

// Programme loudness as EBU R128 measures it (ITU-R BS.1770 K-weighting and gating).
struct LoudnessMeasure {
    // LUFS; -infinity when nothing passed the gate (silence, too short).
    double integrated = -std::numeric_limits<double>::infinity();
    double range = 0;       // LU
    double truePeak = 0;    // linear, 1 = full scale; inter-sample peaks included
    double samplePeak = 0;  // linear
    bool Measured() const;  // the integrated loudness is a finite number
};

// 20 log10 of a linear level; -infinity for 0.
double ToDecibels(double linear);
double FromDecibels(double decibels);

// One file's measure, fed its decoded blocks in order. Belongs to the thread that feeds it.
class ILoudnessTrack {
  public:
    virtual ~ILoudnessTrack() = default;
    virtual void Add(const AudioBuffer& block) = 0;
    virtual LoudnessMeasure Measure() const = 0;
};

// The loudness meter component. Throws ComponentError on failure.
class ILoudnessMeter {
  public:
    virtual ~ILoudnessMeter() = default;
    // A new track for interleaved blocks of this rate and channel count; callable from any
    // thread. Without withRange its measure has no loudness range (0), which saves time.
    virtual std::unique_ptr<ILoudnessTrack> NewTrack(int sampleRate, int channels,
                                                     bool withRange) const = 0;
    // The tracks (all made by this meter) measured as one programme: one gating over all their
    // blocks, the highest peaks; a range only when every track has one.
    virtual LoudnessMeasure Album(const std::vector<const ILoudnessTrack*>& tracks) const = 0;
};
