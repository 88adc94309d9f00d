#include "outside/audio/audio_factory.h"

#include "outside/audio/audio_file_component.h"
#include "outside/audio/audio_transform_component.h"

std::unique_ptr<IAudioFile2> CreateAudioFile() {
    return std::make_unique<TAudioFile2>();
}

std::unique_ptr<IAudioTransform2> CreateAudioTransform() {
    return std::make_unique<TAudioTransform2>();
}
