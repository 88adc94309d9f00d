#include "components/audio_file.h"

#include "components/component_error.h"

float IAudioFile2::OutputPeak(const AudioBuffer& block, bool) {
    return PeakOf(block);
}

AudioBuffer IAudioFile2::OutputBlock(const AudioBuffer& block, bool, int& rate) {
    rate = 0;
    return block;
}

int IAudioFile2::SourceBits() {
    return 16;
}

QString IAudioFile2::SourceCodec() {
    return {};
}

QString IAudioFile2::SourceNote() {
    return {};
}

std::int64_t IAudioFile2::UnsafeSamples() {
    return 0;
}

PcmFormat IAudioFile2::OutputPcm(const PcmFormat& source) {
    return source;
}

void IAudioFile2::SetEncoder(std::shared_ptr<const EncoderRecipe>) {
    throw ComponentError(QStringLiteral("This writer cannot encode that format"));
}

void IAudioFile2::SetReadRange(std::int64_t start, std::int64_t end) {
    if (start != 0 || end >= 0) {
        throw ComponentError(QStringLiteral("This reader cannot read a part of a file"));
    }
}

void IAudioFile2::SetSourceBits(int) {}
