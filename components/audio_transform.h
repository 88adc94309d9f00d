#pragma once

#include "components/audio_buffer.h"

// Level processing on decoded blocks, in place. Throws ComponentError on failure.
class IAudioTransform2 {
  public:
    virtual ~IAudioTransform2() = default;
    // Linear gain ramp over the block's frames from startPercent to endPercent:
    // (0, 100) fades in, (100, 0) fades out.
    virtual void Fade(AudioBuffer& buffer, float startPercent, float endPercent) = 0;
    // Scales the whole buffer so that its peak reaches levelPercent of full scale.
    // channel is -1 for all channels.
    virtual void Normalize(AudioBuffer& buffer, float levelPercent, int channel) = 0;
};
