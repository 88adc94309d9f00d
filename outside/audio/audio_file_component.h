#pragma once

#include <memory>

#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_encoder.h"

class AudioDecoder;
class FormatConverter;
class PendingOutput;

// The audio file component: decodes one input (MPEG audio, WAV and the other libsndfile
// containers) and encodes one output: WAV, MP3, Ogg Vorbis and VOX itself, every other format
// through the recipe its unit hands over. One
// thread at a time, which may be a worker. An output becomes visible under its name only when
// Close() has completed it.
class TAudioFile2 : public IAudioFile2 {
  public:
    TAudioFile2();
    ~TAudioFile2() override;

    void Open(const QString& fileName) override;
    AudioBuffer ReadBuffer(int frames) override;
    std::int64_t Length() override;
    int SampleRate() override;
    int Channels() override;
    int Duration() override;
    int SourceBits() override;
    QString SourceCodec() override;
    QString SourceNote() override;
    void SetReadRange(std::int64_t start, std::int64_t end) override;
    std::int64_t UnsafeSamples() override;
    int PcmSampleRate() override;
    int PcmChannels() override;

    void SetSourceFormat(int sampleRate, int channels) override;
    void SetWaveFormat(int sampleRate, int channels, int bits) override;
    void SetVoxFormat(int sampleRate) override;
    void SetMp3Encoder(IAudioFile2LameEnc& encoder) override;
    void SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                      std::int16_t quality) override;
    void SetWmaFormat(int format) override;
    void SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) override;
    void SetSourceBits(int bits) override;
    PcmFormat OutputPcm(const PcmFormat& source) override;
    void CreateOutput(const QString& fileName) override;
    void WriteBuffer(AudioBuffer& buffer) override;
    float OutputPeak(const AudioBuffer& block, bool last) override;
    AudioBuffer OutputBlock(const AudioBuffer& block, bool last, int& rate) override;

    void Close() override;
    bool IsOpen() override;
    void SetEnabled(bool enabled) override;

  private:
    enum class OutputKind { None, Wave, Vox, Mp3, Ogg, Encoded };

    void CheckEnabled() const;
    void CheckEndedAtLength();
    void SkipByReading(std::int64_t frames);
    void CloseOutput();
    void AbandonOutput();
    void BuildEncoder();
    int WaveBits(int sourceBits) const;
    void Encode(const float* samples, std::int64_t frames);

    bool enabled_ = true;

    // Reader side.
    std::unique_ptr<AudioDecoder> decoder_;
    QString inputPath_;
    std::int64_t delivered_ = 0;  // of the part being read
    // The part of the input read, in its frames; rangeEnd_ < 0: to its end.
    std::int64_t rangeStart_ = 0;
    std::int64_t rangeEnd_ = -1;
    std::int64_t unsafe_ = 0;  // samples MakeSafe found not to be numbers

    // Writer configuration, kept until changed.
    OutputKind kind_ = OutputKind::None;
    int waveRate_ = 0;
    int waveChannels_ = 0;
    int waveBits_ = 0;
    int voxRate_ = 0;
    Mp3EncoderOptions mp3_;
    OggSettings ogg_;
    std::shared_ptr<const EncoderRecipe> recipe_;
    int sourceRate_ = 0;
    int sourceChannels_ = 0;
    int sourceBits_ = 0;

    // The output being written.
    std::unique_ptr<PendingOutput> output_;
    std::unique_ptr<AudioEncoder> encoder_;
    std::unique_ptr<FormatConverter> converter_;
    // A second conversion like converter_'s, for measuring what the output would get.
    std::unique_ptr<FormatConverter> meter_;
    std::int64_t framesWritten_ = 0;
    bool outputFailed_ = false;
};
