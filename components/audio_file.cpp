#include "components/audio_file.h"

#include "components/component_error.h"

float IAudioFile2::OutputPeak(const AudioBuffer& block, bool) {
    return PeakOf(block);
}

int IAudioFile2::SourceBits() {
    return 16;
}

void IAudioFile2::SetEncodedFormat(const EncodedFormat&) {
    throw ComponentError(QStringLiteral("This writer cannot encode that format"));
}

void IAudioFile2::SetSourceBits(int) {}
