#include "components/lame_encoder_settings.h"

// A channel mode and a forced channel count describe the same thing; the one sent last wins,
// so a later "Stereo" after a run in "Mono" really gives stereo again.
void LameEncoderSettings::SetChannelMode(int value) {
    Set(o_.channelMode, value);
    o_.outputChannels = -1;
}

void LameEncoderSettings::SetOutputChannels(int count) {
    Set(o_.outputChannels, count);
    o_.channelMode = -1;
}
