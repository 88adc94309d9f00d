#pragma once

#include <QCryptographicHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "components/audio_file.h"
#include "engine/output_receipt.h"
#include "tagmodel/tag_kind.h"
#include "tagmodel/tag_set.h"

struct RunPlan;
struct SplitRecord;

// An MD5 of PCM laid out as FLAC's STREAMINFO hashes it: every sample a little-endian signed
// integer of the depth's whole bytes, channels interleaved; 32-bit float samples as their bits.
// Float samples are brought to the depth by k / 2^(bits-1) = k, which is exact for samples that
// came from integers of no more bits. Beside it a 64-bit print of the same samples, many times
// faster than MD5: what the writer was given is only printed, the output read back both printed
// and hashed, so that a lossless check costs one MD5 instead of two.
class PcmMd5 {
  public:
    PcmMd5(int bits, bool floating, bool md5 = true);
    void Add(const float* samples, std::size_t count);
    QString Hex();  // empty without md5
    std::uint64_t Print() const;

  private:
    int bits_;
    bool floating_;
    bool md5_;
    std::uint64_t lanes_[4] = {1, 2, 3, 4};  // by the sample's place in the stream, mod 4
    std::uint64_t count_ = 0;
    QByteArray bytes_;
    QCryptographicHash hash_{QCryptographicHash::Md5};
};

// The writer a row's work writes through: every call goes on to the job's writer, and what the
// work gave it is kept (frames, samples that are not numbers, and where the output keeps the
// samples as they are, their MD5), so that the check knows what was meant whatever part of an
// input the work read. One thread at a time, as the writer.
class FedWriter : public IAudioFile2 {
  public:
    // `mayHash`: nothing of the run changes the level (no fade, no normalisation) and the
    // format is lossless, so an output that keeps the source's rate, channels and depth holds
    // exactly what it was given.
    FedWriter(IAudioFile2& writer, bool mayHash) : writer_(writer), mayHash_(mayHash) {}

    std::int64_t Frames() const { return frames_; }
    int Rate() const { return rate_; }
    std::int64_t NotNumbers() const { return notNumbers_; }
    bool Hashes() const { return hash_ != nullptr; }
    int HashBits() const { return output_.bits; }
    bool HashFloating() const { return output_.floating; }
    // The print of what was given (0 without); its MD5 is the output's when their prints agree.
    std::uint64_t Print() const { return hash_ ? hash_->Print() : 0; }
    double Peak() const { return peak_; }  // of the finite samples given
    // What the writer said it would write the source at (LAME's rate is its own choice).
    const PcmFormat& Output() const { return output_; }

    // A row encoded in parts and joined: what its chunks were given stands for what this
    // writer was given.
    void TakeJoined(SplitRecord&& joined);

    void Open(const QString& fileName) override { writer_.Open(fileName); }
    AudioBuffer ReadBuffer(int frames) override { return writer_.ReadBuffer(frames); }
    std::int64_t Length() override { return writer_.Length(); }
    int SampleRate() override { return writer_.SampleRate(); }
    int Channels() override { return writer_.Channels(); }
    int Duration() override { return writer_.Duration(); }
    int PcmSampleRate() override { return writer_.PcmSampleRate(); }
    int PcmChannels() override { return writer_.PcmChannels(); }
    int SourceBits() override { return writer_.SourceBits(); }
    QString SourceCodec() override { return writer_.SourceCodec(); }
    std::int64_t UnsafeSamples() override { return writer_.UnsafeSamples(); }
    QString SourceNote() override { return writer_.SourceNote(); }
    void SetReadRange(std::int64_t start, std::int64_t end) override {
        writer_.SetReadRange(start, end);
    }
    void SetSourceFormat(int sampleRate, int channels) override;
    void SetWaveFormat(int sampleRate, int channels, int bits) override {
        writer_.SetWaveFormat(sampleRate, channels, bits);
    }
    void SetVoxFormat(int sampleRate) override { writer_.SetVoxFormat(sampleRate); }
    void SetMp3Encoder(IAudioFile2LameEnc& encoder) override { writer_.SetMp3Encoder(encoder); }
    void SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                      std::int16_t quality) override {
        writer_.SetOggFormat(sampleRate, channels, kbps, minKbps, maxKbps, quality);
    }
    void SetWmaFormat(int format) override { writer_.SetWmaFormat(format); }
    void SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) override {
        writer_.SetEncoder(std::move(recipe));
    }
    PcmFormat OutputPcm(const PcmFormat& source) override { return writer_.OutputPcm(source); }
    void SetSourceBits(int bits) override;
    void CreateOutput(const QString& fileName) override;
    void WriteBuffer(AudioBuffer& buffer) override;
    float OutputPeak(const AudioBuffer& block, bool last) override {
        return writer_.OutputPeak(block, last);
    }
    AudioBuffer OutputBlock(const AudioBuffer& block, bool last, int& rate) override {
        return writer_.OutputBlock(block, last, rate);
    }
    void Close() override { writer_.Close(); }
    bool IsOpen() override { return writer_.IsOpen(); }
    void SetEnabled(bool enabled) override { writer_.SetEnabled(enabled); }

  private:
    IAudioFile2& writer_;
    bool mayHash_;
    int rate_ = 0;
    int channels_ = 0;
    int bits_ = 0;
    std::int64_t frames_ = 0;
    std::int64_t notNumbers_ = 0;
    double peak_ = 0;
    PcmFormat output_;
    std::unique_ptr<PcmMd5> hash_;
};

// Whether an output written at `output` from samples of `source` (integers of source.bits, or
// 32-bit float) comes back bit for bit: only then is what the writer was given hashed.
bool KeepsSamples(const PcmFormat& source, const PcmFormat& output);

// Whether the run's work leaves the level as it is and writes a lossless format: what FedWriter
// needs to hash.
bool RunKeepsSamples(const RunPlan& plan);

// What reading the output back gave, where it was read already: a split row's output is read
// in its parts on several jobs, the parts hashed in order.
struct ReadBack {
    int rate = 0;
    std::int64_t frames = 0;
    std::int64_t notNumbers = 0;
    double peak = 0;
    QString md5;  // with `print`, where the output keeps the samples
    std::uint64_t print = 0;
    QString failure;  // why a part could not be read
};

// Reads the rest of the output open on `reader` back block by block, adding its frames, peak
// and samples that are not numbers to `into`, each block handed to `each` (a hash, a meter).
// False when `goOn` stopped it first; the reader's failures propagate.
bool ReadBackBlocks(IAudioFile2& reader, const std::function<void(const AudioBuffer&)>& each,
                    const std::function<bool()>& goOn, ReadBack& into);

// The output as the row's life wrote it, for the check.
struct WrittenOutput {
    QString path;  // the hidden, closed, tagged output
    TagKind tags = TagKind::None;
    TagSet tagsWritten;           // what the tag transfer put in
    bool gainsRewritten = false;  // ReplayGain values were measured and written afterwards
    QString note;                 // the row's note (a loudness target that could not be reached)
    std::optional<ReadBack> readBack;  // read already: the check does not decode it again
};

// Asked between the blocks the check decodes: false once a stop was asked for.
using CheckGoesOn = std::function<bool()>;

// The check of a row's closed, tagged output: of a copy of `copiedFrom` when it is not empty,
// else of what the work gave `fed`. `note` is the work's (a loudness target not reached). No
// receipt when a stop ended the check.
std::optional<OutputReceipt> CheckRowOutput(const RunPlan& plan, IAudioFile2& reader,
                                            FedWriter& fed, const QString& copiedFrom,
                                            WrittenOutput out, const QString& note,
                                            const CheckGoesOn& goOn);

// Decodes the closed output on `reader` and compares it with what the work gave `fed`: the
// frame count (exact, or within the format's honest bound), the PCM MD5 where the output keeps
// the samples, no sample that is not a number, the tags read back, and after normalisation the
// peak or loudness reached. The receipt's failure says what is wrong; reader failures propagate.
std::optional<OutputReceipt> CheckWrittenOutput(const RunPlan& plan, IAudioFile2& reader,
                                                FedWriter& fed, const WrittenOutput& out,
                                                const CheckGoesOn& goOn);

// The check of an input copied as it is and tagged: the output decodes to the same samples as
// the input (count and MD5 of the decoded samples, at the input's depth where `lossless`), and
// its tags are those written.
std::optional<OutputReceipt> CheckCopiedOutput(IAudioFile2& reader, const QString& input,
                                               bool lossless, const WrittenOutput& out,
                                               const CheckGoesOn& goOn);
