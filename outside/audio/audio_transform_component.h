#pragma once

#include "components/audio_transform.h"

// Fades and peak normalisation on decoded blocks, in place. Stateless: any thread.
class TAudioTransform2 : public IAudioTransform2 {
  public:
    void Fade(AudioBuffer& buffer, float startPercent, float endPercent) override;
    void Normalize(AudioBuffer& buffer, float levelPercent, int channel) override;
};
