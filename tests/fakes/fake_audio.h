#pragma once

#include <functional>
#include <vector>

#include "call_log.h"
#include "components/audio_file.h"
#include "components/audio_player.h"
#include "components/audio_transform.h"
#include "components/lame_encoder_settings.h"

// An audio file component that records every call and serves a configured input.
class FakeAudioFile : public IAudioFile2 {
  public:
    FakeAudioFile(QString name, CallLog log) : name_(std::move(name)), log_(std::move(log)) {}

    // The input every Open delivers (interleaved), and its properties.
    std::vector<float> input;
    int inputChannels = 2;
    int inputRate = 44100;
    int durationMs = 1000;
    bool failOpen = false;
    std::vector<float> written;             // what WriteBuffer received since CreateOutput
    std::function<void()> onWrite = [] {};  // after each WriteBuffer

    void Open(const QString& fileName) override;
    AudioBuffer ReadBuffer(int frames) override;
    std::int64_t Length() override;
    int SampleRate() override { return inputRate; }
    int Channels() override { return inputChannels; }
    int Duration() override { return durationMs; }
    int PcmSampleRate() override { return inputRate; }
    int PcmChannels() override { return inputChannels; }
    void SetSourceFormat(int sampleRate, int channels) override;
    void SetWaveFormat(int sampleRate, int channels, int bits) override;
    void SetVoxFormat(int sampleRate) override;
    void SetMp3Encoder(IAudioFile2LameEnc& encoder) override;
    void SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                      std::int16_t quality) override;
    void SetWmaFormat(int format) override;
    void SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) override;
    void CreateOutput(const QString& fileName) override;
    void WriteBuffer(AudioBuffer& buffer) override;
    void Close() override;
    bool IsOpen() override { return open_; }
    void SetEnabled(bool enabled) override;

  private:
    void Log(const QString& call) { log_->append(name_ + QLatin1Char('.') + call); }
    QString name_;
    CallLog log_;
    bool open_ = false;
    std::size_t position_ = 0;
};

// Encoder settings that record each call before keeping the value.
class RecordingLameEncoder : public LameEncoderSettings {
  public:
    explicit RecordingLameEncoder(CallLog log) : log_(std::move(log)) {}
    void SetCommandLine(const QString& text) override;
    void SetPreset(int v) override;
    void SetAltPreset(int v) override;
    void SetVbrBitrate(int v) override;
    void SetVbrQuality(int v) override;
    void SetVbrMethod(int v) override;
    void SetChannelMode(int v) override;
    void SetQuality(int v) override;
    void SetWriteVbrHeader(bool v) override;
    void SetBitReservoir(bool v) override;
    void SetAllowDiffBlockTypes(bool v) override;
    void SetShortBlocks(bool v) override;
    void SetDeemphasis(int v) override;
    void SetStrictIso(bool v) override;
    void SetEnforceMinBitrate(bool v) override;
    void SetAthMode(int v) override;
    void SetLowpassFrequency(int v) override;
    void SetHighpassFrequency(int v) override;
    void SetLowpassWidth(int v) override;
    void SetHighpassWidth(int v) override;
    void SetCrc(bool v) override;
    void SetSampleRate(int v) override;
    void SetOutputChannels(int v) override;
    void SetBitrate(int v) override;

  private:
    void Log(const char* op, const QString& value);
    CallLog log_;
};

class FakeTransform : public IAudioTransform2 {
  public:
    explicit FakeTransform(CallLog log) : log_(std::move(log)) {}
    void Fade(AudioBuffer& buffer, float startPercent, float endPercent) override;
    void Normalize(AudioBuffer& buffer, float levelPercent, int channel) override;

  private:
    CallLog log_;
};

class FakePlayer : public IAudioPlayer2 {
  public:
    explicit FakePlayer(CallLog log) : log_(std::move(log)) {}
    Events events;
    void SetEvents(Events e) override { events = std::move(e); }
    void OpenStream(int sampleRate, int channels) override;
    void Play() override;
    void Stop() override;
    void QueueBuffer(const AudioBuffer& buffer) override;
    bool nullOutput = false;
    bool UsesNullOutput() const override { return nullOutput; }

  private:
    CallLog log_;
};
