#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "components/audio_transform.h"
#include "components/lame_encoder_settings.h"
#include "engine/batch_parts.h"
#include "engine/main_state.h"
#include "outside/audio/audio_factory.h"
#include "recording_host.h"
#include "support/temp_dir.h"

// A batch on the real audio components, writing into out/ of a fresh folder, its rows and
// results kept by a recording host.
class RealBatchTest : public ::testing::Test {
  protected:
    BatchParts Parts() {
        return BatchParts{state, *reader, *writer, encoder, *transform, QString(), outDir};
    }

    TempDir dir;
    QString outDir = dir.File(QStringLiteral("out"));
    MainState state;
    std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    std::unique_ptr<IAudioFile2> writer = CreateAudioFile();
    LameEncoderSettings encoder;
    std::unique_ptr<IAudioTransform2> transform = CreateAudioTransform();
    RecordingHost host;
};
