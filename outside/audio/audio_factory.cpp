#include "outside/audio/audio_factory.h"

#include "outside/audio/audio_file_component.h"
#include "outside/audio/audio_transform_component.h"
#include "outside/audio/ebur128_meter.h"

std::unique_ptr<IAudioFile2> CreateAudioFile() {
    return std::make_unique<TAudioFile2>();
}

std::unique_ptr<IAudioTransform2> CreateAudioTransform() {
    return std::make_unique<TAudioTransform2>();
}

std::unique_ptr<ILoudnessMeter> CreateLoudnessMeter() {
    return std::make_unique<Ebur128Meter>();
}
