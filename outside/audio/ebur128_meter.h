#pragma once

#include "components/loudness_meter.h"

// The loudness meter on libebur128, in histogram mode: a track's memory stays small whatever the
// file's length, and tracks of different rates can be gated together for an album.
class Ebur128Meter : public ILoudnessMeter {
  public:
    std::unique_ptr<ILoudnessTrack> NewTrack(int sampleRate, int channels,
                                             bool withRange) const override;
    LoudnessMeasure Album(const std::vector<const ILoudnessTrack*>& tracks) const override;
};
