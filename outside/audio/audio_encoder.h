#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "components/encoder_recipe.h"
#include "components/lame_encoder_settings.h"

// PCM WAV, 8 (unsigned), 16, 24 or 32-bit integer.
std::unique_ptr<AudioEncoder> CreateWaveEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int bits);
// Dialogic VOX ADPCM, mono, headerless.
std::unique_ptr<AudioEncoder> CreateVoxEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate);
// MP3 through LAME. The output rate and channels follow the options (and the source where the
// options leave them open).
std::unique_ptr<AudioEncoder> CreateMp3Encoder(const QString& path, const QString& shownPath,
                                               const Mp3EncoderOptions& options, int sourceRate,
                                               int sourceChannels);
// The rate and channels LAME settles on for such a source, as CreateMp3Encoder's output has
// them (no depth: a lossy coder has none); the source's where the options cannot be used.
PcmFormat Mp3OutputPcm(const Mp3EncoderOptions& options, int sourceRate, int sourceChannels);

struct OggSettings {
    int sampleRate = 44100;
    int channels = 2;
    int kbps = 0;
    int minKbps = 0;
    int maxKbps = 0;
    int quality = -1;
};
std::unique_ptr<AudioEncoder> CreateOggEncoder(const QString& path, const QString& shownPath,
                                               const OggSettings& settings);
