#pragma once

#include <QStringList>

#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"

// Stand-ins for the encoder settings and the writer that only write down each call they receive,
// as "Operation(arg, ...)": numbers in decimal, booleans as true/false, texts in double quotes.
// They let `quorvel-cli configure` run the very code the batches run and show what it sends.
class RecordingEncoderSettings : public LameEncoderSettings {
  public:
    explicit RecordingEncoderSettings(QStringList& calls) : calls_(calls) {}
    void SetCommandLine(const QString& text) override;
    void SetPreset(int value) override;
    void SetAltPreset(int value) override;
    void SetVbrBitrate(int kbps) override;
    void SetVbrQuality(int value) override;
    void SetVbrMethod(int value) override;
    void SetChannelMode(int value) override;
    void SetQuality(int value) override;
    void SetWriteVbrHeader(bool value) override;
    void SetBitReservoir(bool value) override;
    void SetAllowDiffBlockTypes(bool value) override;
    void SetShortBlocks(bool value) override;
    void SetDeemphasis(int value) override;
    void SetStrictIso(bool value) override;
    void SetEnforceMinBitrate(bool value) override;
    void SetAthMode(int value) override;
    void SetLowpassFrequency(int hz) override;
    void SetHighpassFrequency(int hz) override;
    void SetLowpassWidth(int hz) override;
    void SetHighpassWidth(int hz) override;
    void SetCrc(bool value) override;
    void SetSampleRate(int hz) override;
    void SetOutputChannels(int count) override;
    void SetBitrate(int kbps) override;

  private:
    QStringList& calls_;
};

// A writer that is never open and has no input: it records the configuration calls and refuses
// to read or write audio.
class RecordingWriter : public IAudioFile2 {
  public:
    explicit RecordingWriter(QStringList& calls) : calls_(calls) {}
    void Open(const QString& fileName) override;
    AudioBuffer ReadBuffer(int frames) override;
    std::int64_t Length() override { return 0; }
    int SampleRate() override { return 0; }
    int Channels() override { return 0; }
    int Duration() override { return 0; }
    int PcmSampleRate() override { return 0; }
    int PcmChannels() override { return 0; }
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
    bool IsOpen() override;
    void SetEnabled(bool enabled) override;

  private:
    QStringList& calls_;
};
