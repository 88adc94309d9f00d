#pragma once

#include <QString>
#include <optional>

// A preset as the settings object received it: SetPreset's 1..11 or SetAltPreset's 1..5.
struct Mp3Preset {
    bool alt = false;
    int number = 0;
};

// What the MP3 encoder settings object holds. -1 in a numeric field means "not set": the
// encoder then keeps its own default. The values are those the program sends (see
// IAudioFile2LameEnc); the writer maps them onto the encoder.
struct Mp3EncoderOptions {
    // The preset sent last, unless explicit settings were sent after it: presets and explicit
    // settings are two ways of choosing, and only the latest choice counts.
    std::optional<Mp3Preset> preset;
    int vbrBitrate = -1;  // kbps
    int vbrQuality = -1;
    std::optional<int> vbrMethod;  // -1 none (CBR), 0 default, 1 old, 2 new, 3 mtrh
    int channelMode = -1;          // 1 stereo, 2 joint, 3 forced joint, 4 dual
    int quality = -1;
    bool writeVbrHeader = true;
    bool bitReservoir = true;
    bool allowDiffBlockTypes = false;
    bool shortBlocks = true;
    int deemphasis = 0;
    bool strictIso = false;
    bool enforceMinBitrate = false;
    int athMode = 0;
    int lowpassFrequency = -1;   // Hz, -1 off
    int highpassFrequency = -1;  // Hz, -1 off
    int lowpassWidth = -1;
    int highpassWidth = -1;
    bool crc = false;
    int sampleRate = -1;      // Hz
    int outputChannels = -1;  // 1 forces mono
    int bitrate = -1;         // kbps
    QString commandLine;      // LAME-style switches applied after everything else
};

// The MP3 encoder settings component: keeps every value until it is changed.
class IAudioFile2LameEnc {
  public:
    virtual ~IAudioFile2LameEnc() = default;
    virtual void SetCommandLine(const QString& text) = 0;
    virtual void SetPreset(int value) = 0;
    virtual void SetAltPreset(int value) = 0;
    virtual void SetVbrBitrate(int kbps) = 0;
    virtual void SetVbrQuality(int value) = 0;
    virtual void SetVbrMethod(int value) = 0;
    virtual void SetChannelMode(int value) = 0;
    virtual void SetQuality(int value) = 0;
    virtual void SetWriteVbrHeader(bool value) = 0;
    virtual void SetBitReservoir(bool value) = 0;
    virtual void SetAllowDiffBlockTypes(bool value) = 0;
    virtual void SetShortBlocks(bool value) = 0;
    virtual void SetDeemphasis(int value) = 0;
    virtual void SetStrictIso(bool value) = 0;
    virtual void SetEnforceMinBitrate(bool value) = 0;
    virtual void SetAthMode(int value) = 0;
    virtual void SetLowpassFrequency(int hz) = 0;
    virtual void SetHighpassFrequency(int hz) = 0;
    virtual void SetLowpassWidth(int hz) = 0;
    virtual void SetHighpassWidth(int hz) = 0;
    virtual void SetCrc(bool value) = 0;
    virtual void SetSampleRate(int hz) = 0;
    virtual void SetOutputChannels(int count) = 0;
    virtual void SetBitrate(int kbps) = 0;

    virtual Mp3EncoderOptions Options() const = 0;
};

// The plain settings holder: the settings object has no behaviour beyond keeping values.
class LameEncoderSettings : public IAudioFile2LameEnc {
  public:
    void SetCommandLine(const QString& text) override { o_.commandLine = text; }
    void SetPreset(int value) override { o_.preset = Mp3Preset{false, value}; }
    void SetAltPreset(int value) override { o_.preset = Mp3Preset{true, value}; }
    void SetVbrBitrate(int kbps) override { Set(o_.vbrBitrate, kbps); }
    void SetVbrQuality(int value) override { Set(o_.vbrQuality, value); }
    void SetVbrMethod(int value) override { Set(o_.vbrMethod, std::optional<int>(value)); }
    void SetChannelMode(int value) override;
    void SetQuality(int value) override { Set(o_.quality, value); }
    void SetWriteVbrHeader(bool value) override { Set(o_.writeVbrHeader, value); }
    void SetBitReservoir(bool value) override { Set(o_.bitReservoir, value); }
    void SetAllowDiffBlockTypes(bool value) override { Set(o_.allowDiffBlockTypes, value); }
    void SetShortBlocks(bool value) override { Set(o_.shortBlocks, value); }
    void SetDeemphasis(int value) override { Set(o_.deemphasis, value); }
    void SetStrictIso(bool value) override { Set(o_.strictIso, value); }
    void SetEnforceMinBitrate(bool value) override { Set(o_.enforceMinBitrate, value); }
    void SetAthMode(int value) override { Set(o_.athMode, value); }
    void SetLowpassFrequency(int hz) override { Set(o_.lowpassFrequency, hz); }
    void SetHighpassFrequency(int hz) override { Set(o_.highpassFrequency, hz); }
    void SetLowpassWidth(int hz) override { Set(o_.lowpassWidth, hz); }
    void SetHighpassWidth(int hz) override { Set(o_.highpassWidth, hz); }
    void SetCrc(bool value) override { Set(o_.crc, value); }
    void SetSampleRate(int hz) override { Set(o_.sampleRate, hz); }
    void SetOutputChannels(int count) override;
    void SetBitrate(int kbps) override { Set(o_.bitrate, kbps); }

    Mp3EncoderOptions Options() const override { return o_; }

  private:
    // An explicit setting ends the choice of a preset.
    template <typename T>
    void Set(T& field, T value) {
        field = value;
        o_.preset.reset();
    }
    Mp3EncoderOptions o_;
};
