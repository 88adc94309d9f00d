#pragma once

#include <memory>

#include "components/audio_file.h"
#include "components/audio_transform.h"
#include "components/loudness_meter.h"

// The concrete audio components. Only app/, cli/ and bench/ call these; everything else works on
// the interfaces.
std::unique_ptr<IAudioFile2> CreateAudioFile();
std::unique_ptr<IAudioTransform2> CreateAudioTransform();
std::unique_ptr<ILoudnessMeter> CreateLoudnessMeter();
