#include "list_fixtures.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_factory.h"
#include "tags/id3v2_tag.h"

namespace {

void WriteSine(IAudioFile2& writer, const QString& path, int rate, int channels, int ms) {
    const std::int64_t frames = static_cast<std::int64_t>(rate) * ms / 1000;
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (std::int64_t f = 0; f < frames; ++f) {
        const auto v = static_cast<float>(0.4 * std::sin(2.0 * std::numbers::pi * 440 * f / rate));
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(f * channels + c)] = v;
        }
    }
    writer.SetSourceFormat(rate, channels);
    writer.CreateOutput(path);
    AudioBuffer buffer(std::move(samples), channels);
    writer.WriteBuffer(buffer);
    writer.Close();
}

}  // namespace

void WriteWavFixture(const QString& path, int rate, int channels, int ms) {
    const auto writer = CreateAudioFile();
    writer->SetWaveFormat(rate, channels, 16);
    WriteSine(*writer, path, rate, channels, ms);
}

void WriteMp3Fixture(const QString& path, int ms, const QString& title) {
    const auto writer = CreateAudioFile();
    LameEncoderSettings settings;
    settings.SetVbrMethod(-1);
    settings.SetBitrate(96);
    settings.SetSampleRate(44100);
    writer->SetMp3Encoder(settings);
    WriteSine(*writer, path, 44100, 2, ms);
    if (!title.isEmpty()) {
        ID3StructV2 tag;
        tag.Title = title;
        tag.Artist = QStringLiteral("Artist of ") + title.trimmed();
        tag.Album = QStringLiteral("Album of ") + title.trimmed();
        tag.Year = QStringLiteral("1999");
        tag.Track = QStringLiteral("7");
        tag.Comment = QStringLiteral("Comment of ") + title.trimmed();
        tag.Genre = QStringLiteral("Genre of ") + title.trimmed();
        WriteId3Tag(path, tag);
    }
}
