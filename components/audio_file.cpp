#include "components/audio_file.h"

float IAudioFile2::OutputPeak(const AudioBuffer& block, bool) {
    return PeakOf(block);
}
