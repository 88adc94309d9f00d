#include "outside/audio/audio_factory.h"

#include "components/component_error.h"

namespace {

// Stand-in until the decoders and encoders land: every audio operation fails with a clear message.
[[noreturn]] void Unavailable() {
    throw ComponentError(
        QStringLiteral("Audio decoding and encoding are not available in this build"));
}

class UnavailableAudioFile : public IAudioFile2 {
  public:
    void Open(const QString&) override { Unavailable(); }
    AudioBuffer ReadBuffer(int) override { Unavailable(); }
    std::int64_t Length() override { return 0; }
    int SampleRate() override { return 0; }
    int Channels() override { return 0; }
    int Duration() override { return 0; }
    int PcmSampleRate() override { return 0; }
    int PcmChannels() override { return 0; }
    void SetSourceFormat(int, int) override {}
    void SetWaveFormat(int, int, int) override {}
    void SetVoxFormat(int) override {}
    void SetMp3Encoder(IAudioFile2LameEnc&) override {}
    void SetOggFormat(int, int, int, int, int, std::int16_t) override {}
    void SetWmaFormat(int) override {}
    void CreateOutput(const QString&) override { Unavailable(); }
    void WriteBuffer(AudioBuffer&) override { Unavailable(); }
    void Close() override {}
    bool IsOpen() override { return false; }
    void SetEnabled(bool) override {}
};

class UnavailableTransform : public IAudioTransform2 {
  public:
    void Fade(AudioBuffer&, float, float) override { Unavailable(); }
    void Normalize(AudioBuffer&, float, int) override { Unavailable(); }
};

}  // namespace

std::unique_ptr<IAudioFile2> CreateAudioFile() {
    return std::make_unique<UnavailableAudioFile>();
}

std::unique_ptr<IAudioTransform2> CreateAudioTransform() {
    return std::make_unique<UnavailableTransform>();
}
