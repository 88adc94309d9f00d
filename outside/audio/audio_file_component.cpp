#include "outside/audio/audio_file_component.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <vector>

#include "components/component_error.h"
#include "outside/audio/audio_decoder.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/format_converter.h"
#include "outside/audio/lame_options.h"
#include "outside/audio/pending_output.h"
#include "outside/audio/sample_rates.h"
#include "outside/audio/vector_state.h"

namespace {

// Large blocks (a whole file when normalising) are encoded in slices, so the converted copy
// stays small.
constexpr std::int64_t kSliceFrames = 65536;

// How far before its length an input may end without being taken for cut short: an MPEG
// length is exact, so four layer III frames, or a tenth of a second, is slack enough.
std::int64_t ShortEndTolerance(std::int64_t rate) {
    return std::max<std::int64_t>(4 * 1152, rate / 10);
}

// A play time as "mm:ss", or "h:mm:ss" from an hour on.
QString PlayTime(std::int64_t frames, std::int64_t rate) {
    const std::int64_t seconds = rate > 0 ? frames / rate : 0;
    const auto twoDigits = [](std::int64_t value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    const bool hours = seconds >= 3600;
    const QString minutesSeconds = twoDigits(hours ? seconds / 60 % 60 : seconds / 60) +
                                   QLatin1Char(':') + twoDigits(seconds % 60);
    return hours ? QString::number(seconds / 3600) + QLatin1Char(':') + minutesSeconds
                 : minutesSeconds;
}

// A point in the audio to the millisecond, "mm:ss.mmm": the ends of a part are that exact.
QString PointTime(std::int64_t frames, std::int64_t rate) {
    const std::int64_t ms = rate > 0 ? frames * 1000 / rate % 1000 : 0;
    return PlayTime(frames, rate) + QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
}

// Transforms and encoders expect samples within full scale: a NaN (LAME aborts on one) becomes
// silence, infinities and float samples beyond full scale are clipped. Returns how many were
// not numbers.
std::int64_t MakeSafe(std::vector<float>& samples) {
    std::int64_t unsafe = 0;
    for (float& sample : samples) {
        unsafe += std::isfinite(sample) ? 0 : 1;
        sample = sample == sample ? std::clamp(sample, -1.0f, 1.0f) : 0.0f;
    }
    return unsafe;
}

}  // namespace

TAudioFile2::TAudioFile2() = default;

// An output never closed was never completed: the temporary file goes, the target is untouched.
TAudioFile2::~TAudioFile2() = default;

void TAudioFile2::CheckEnabled() const {
    if (!enabled_) {
        throw ComponentError(QStringLiteral("The audio file component is switched off"));
    }
}

void TAudioFile2::SetEnabled(bool enabled) {
    if (!enabled) {
        decoder_.reset();
        AbandonOutput();
        kind_ = OutputKind::None;
        sourceRate_ = 0;
        sourceChannels_ = 0;
        sourceBits_ = 0;
    }
    enabled_ = enabled;
}

bool TAudioFile2::IsOpen() {
    return decoder_ != nullptr || output_ != nullptr;
}

// ---- Reader ----

void TAudioFile2::Open(const QString& fileName) {
    CheckEnabled();
    decoder_.reset();
    delivered_ = 0;
    rangeStart_ = 0;
    rangeEnd_ = -1;
    unsafe_ = 0;
    inputPath_ = fileName;
    decoder_ = OpenAudioDecoder(fileName);
}

void TAudioFile2::SetReadRange(std::int64_t start, std::int64_t end) {
    CheckEnabled();
    if (!decoder_) {
        throw ComponentError(QStringLiteral("Cannot read a part: no input file is open"));
    }
    if (delivered_ != 0 || rangeStart_ != 0 || rangeEnd_ >= 0) {
        throw ComponentError(
            QStringLiteral("Cannot choose a part of %1 once it is being read").arg(inputPath_));
    }
    if (start == 0 && end < 0) {
        return;
    }
    const std::int64_t length = decoder_->Length();
    const std::int64_t rate = decoder_->SampleRate();
    if (start < 0 || (end >= 0 && end <= start)) {
        ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                        QStringLiteral("the part asked for (frames %1 to %2) holds no audio")
                            .arg(start)
                            .arg(end));
    }
    if (start >= length || end > length) {
        ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                        QStringLiteral("the audio ended at %1, before the end of the part asked "
                                       "for (%2 to %3)")
                            .arg(PointTime(length, rate), PointTime(start, rate),
                                 end < 0 ? QStringLiteral("the end") : PointTime(end, rate)));
    }
    if (start > 0 && (!decoder_->CanSeek() || !decoder_->Seek(start))) {
        if (decoder_->CanSeek()) {
            // A failed seek may have left the decoder anywhere: from the start again.
            decoder_ = OpenAudioDecoder(inputPath_);
        }
        SkipByReading(start);
    }
    rangeStart_ = start;
    rangeEnd_ = end;
    delivered_ = 0;
}

// Decodes and drops the first `frames` of the input: where no exact seek is to be had.
void TAudioFile2::SkipByReading(std::int64_t frames) {
    constexpr std::int64_t kChunk = 65536;
    std::vector<float> scratch(static_cast<std::size_t>(kChunk) * decoder_->Channels());
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t n = decoder_->Read(scratch.data(), std::min(kChunk, frames - done));
        if (n <= 0) {
            const std::int64_t rate = decoder_->SampleRate();
            ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                            QStringLiteral("the audio ended at %1, before the part asked for "
                                           "begins (%2; the file is damaged, or was cut short)")
                                .arg(PointTime(done, rate), PointTime(frames, rate)));
        }
        done += n;
    }
}

AudioBuffer TAudioFile2::ReadBuffer(int frames) {
    CheckEnabled();
    if (!decoder_) {
        throw ComponentError(QStringLiteral("Cannot read: no input file is open"));
    }
    if (frames < 0) {
        ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                        QStringLiteral("a block of %1 frames was asked for").arg(frames));
    }
    const int channels = decoder_->Channels();
    // Allocate what is left of the file, not what was asked for: the whole-file read of the
    // normalisation asks for more frames than there are. A part ends where it was asked to.
    const bool bounded = rangeEnd_ >= 0;
    const std::int64_t left = std::max<std::int64_t>(Length() - delivered_, 0);
    std::int64_t capacity = std::min<std::int64_t>(frames, bounded ? left : left + 4096);
    std::vector<float> samples(static_cast<std::size_t>(capacity) * channels);
    std::int64_t got = 0;
    bool ended = false;
    ClearUpperVectorState();
    while (got < capacity) {
        const std::int64_t n = decoder_->Read(samples.data() + got * channels, capacity - got);
        if (n <= 0) {
            ended = true;
            break;
        }
        got += n;
        if (got == capacity && capacity < frames && !bounded) {
            // The file holds more than its length said; keep going up to what was asked for.
            capacity = std::min<std::int64_t>(frames, capacity * 2);
            samples.resize(static_cast<std::size_t>(capacity) * channels);
        }
    }
    samples.resize(static_cast<std::size_t>(got) * channels);
    delivered_ += got;
    if (ended) {
        CheckEndedAtLength();
    }
    unsafe_ += MakeSafe(samples);
    return AudioBuffer(std::move(samples), channels);
}

// An input that ends well before the length it had when it was opened was cut short or
// damaged, even while it was being read: what came out of it is not the whole file.
void TAudioFile2::CheckEndedAtLength() {
    const std::int64_t length = Length();
    const std::int64_t rate = decoder_->SampleRate();
    // A part that ends inside the file has no generous length to forgive.
    const bool bounded = rangeEnd_ >= 0;
    if (length - delivered_ <= (bounded ? 0 : ShortEndTolerance(rate))) {
        return;
    }
    if (rangeStart_ != 0 || bounded) {
        ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                        QStringLiteral("the audio ended at %1, before the end of the part asked "
                                       "for (%2; the file is damaged, or was cut short while it "
                                       "was read)")
                            .arg(PointTime(rangeStart_ + delivered_, rate),
                                 PointTime(rangeStart_ + length, rate)));
    }
    ThrowAudioError(QStringLiteral("Cannot read"), inputPath_,
                    QStringLiteral("the audio ended at %1 of %2 (the file is damaged, or was cut "
                                   "short while it was read)")
                        .arg(PlayTime(delivered_, rate), PlayTime(length, rate)));
}

std::int64_t TAudioFile2::Length() {
    if (!decoder_) {
        return 0;
    }
    if (rangeEnd_ >= 0) {
        return rangeEnd_ - rangeStart_;
    }
    return std::max<std::int64_t>(decoder_->Length() - rangeStart_, 0);
}

int TAudioFile2::SampleRate() {
    return decoder_ ? decoder_->SampleRate() : 0;
}

int TAudioFile2::Channels() {
    return decoder_ ? decoder_->Channels() : 0;
}

int TAudioFile2::SourceBits() {
    return decoder_ ? decoder_->SourceBits() : 16;
}

std::int64_t TAudioFile2::UnsafeSamples() {
    return unsafe_;
}

QString TAudioFile2::SourceCodec() {
    return decoder_ ? decoder_->Codec() : QString();
}

QString TAudioFile2::SourceNote() {
    return decoder_ ? decoder_->note : QString();
}

int TAudioFile2::PcmSampleRate() {
    return SampleRate();
}

int TAudioFile2::PcmChannels() {
    return Channels();
}

int TAudioFile2::Duration() {
    if (!decoder_ || decoder_->SampleRate() <= 0) {
        return 0;
    }
    const std::int64_t length = Length();
    const std::int64_t rate = decoder_->SampleRate();
    const std::int64_t ms = (length * 1000 + rate / 2) / rate;
    // 0 means "cannot be decoded", so a decodable file of a few samples still reports 1 ms.
    if (length > 0 && ms == 0) {
        return 1;
    }
    return static_cast<int>(std::min<std::int64_t>(ms, INT_MAX));
}

// ---- Writer configuration ----

void TAudioFile2::SetSourceFormat(int sampleRate, int channels) {
    CheckEnabled();
    if (!IsUsableSampleRate(sampleRate) || channels < 1 || channels > 64) {
        throw ComponentError(QStringLiteral("Cannot use a source of %1 Hz with %2 channels")
                                 .arg(sampleRate)
                                 .arg(channels));
    }
    if (sampleRate == sourceRate_ && channels == sourceChannels_) {
        return;
    }
    if (output_ && framesWritten_ > 0) {
        ThrowWriteError(output_->Target(),
                        QStringLiteral("the source format cannot change once writing has begun"));
    }
    sourceRate_ = sampleRate;
    sourceChannels_ = channels;
    if (output_) {
        BuildEncoder();  // nothing written yet: start the output again in the new format
    }
}

void TAudioFile2::SetWaveFormat(int sampleRate, int channels, int bits) {
    CheckEnabled();
    kind_ = OutputKind::Wave;
    waveRate_ = sampleRate;
    waveChannels_ = channels;
    waveBits_ = bits;
}

void TAudioFile2::SetVoxFormat(int sampleRate) {
    CheckEnabled();
    kind_ = OutputKind::Vox;
    voxRate_ = sampleRate;
}

void TAudioFile2::SetMp3Encoder(IAudioFile2LameEnc& encoder) {
    CheckEnabled();
    Mp3EncoderOptions options = encoder.Options();  // a copy: later changes apply at the next call
    CheckMp3Options(options);  // a wrong value or switch is reported now, before any output
    kind_ = OutputKind::Mp3;
    mp3_ = std::move(options);
}

void TAudioFile2::SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                               std::int16_t quality) {
    CheckEnabled();
    // The limits are positions in the bit rate list the settings store ("bitrate" uses the same
    // list), 0 meaning no limit; the bit rate itself comes as kbps.
    static constexpr int kBitrates[] = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                        96, 112, 128, 160, 192, 224, 256, 320};
    constexpr int kPositions = static_cast<int>(std::size(kBitrates));
    for (const int position : {minKbps, maxKbps}) {
        if (position < 0 || position >= kPositions) {
            throw ComponentError(
                QStringLiteral("Cannot use the Ogg bit rate limit %1 (a position from 0 to %2)")
                    .arg(position)
                    .arg(kPositions - 1));
        }
    }
    kind_ = OutputKind::Ogg;
    ogg_ = OggSettings{sampleRate,
                       channels,
                       kbps,
                       minKbps > 0 ? kBitrates[minKbps] : 0,
                       maxKbps > 0 ? kBitrates[maxKbps] : 0,
                       quality};
}

void TAudioFile2::SetWmaFormat(int) {
    CheckEnabled();
    throw ComponentError(QStringLiteral("WMA output is not supported on this system"));
}

void TAudioFile2::SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) {
    CheckEnabled();
    if (!recipe) {
        throw ComponentError(QStringLiteral("Cannot use an output format without an encoder"));
    }
    kind_ = OutputKind::Encoded;
    recipe_ = std::move(recipe);
}

void TAudioFile2::SetSourceBits(int bits) {
    CheckEnabled();
    if (bits == sourceBits_) {
        return;
    }
    if (output_ && framesWritten_ > 0) {
        ThrowWriteError(output_->Target(),
                        QStringLiteral("the source format cannot change once writing has begun"));
    }
    sourceBits_ = bits;
    if (output_) {
        BuildEncoder();
    }
}

// A depth of 0 keeps the source's: 16 for lossy inputs, 24 or 32 where the input has them.
int TAudioFile2::WaveBits(int sourceBits) const {
    if (waveBits_ != 0) {
        return waveBits_;
    }
    return sourceBits > 24 ? 32 : sourceBits > 16 ? 24 : 16;
}

PcmFormat TAudioFile2::OutputPcm(const PcmFormat& source) {
    switch (kind_) {
        case OutputKind::Wave:
            return {waveRate_, waveChannels_, WaveBits(source.bits), false};
        case OutputKind::Vox:
            return {voxRate_, 1, 4, false};
        case OutputKind::Ogg:
            return {ogg_.sampleRate, ogg_.channels, 16, false};
        case OutputKind::Encoded:
            return recipe_->OutputFormat(source);
        case OutputKind::Mp3:
            // LAME chooses its own rate within what its settings allow.
            return Mp3OutputPcm(mp3_, source.rate, source.channels);
        case OutputKind::None:
            break;
    }
    return source;
}

// ---- Writer ----

void TAudioFile2::CreateOutput(const QString& fileName) {
    CheckEnabled();
    if (output_) {
        CloseOutput();
    }
    if (kind_ == OutputKind::None) {
        ThrowAudioError(QStringLiteral("Cannot create"), fileName,
                        QStringLiteral("no output format has been chosen"));
    }
    output_ = std::make_unique<PendingOutput>(fileName);
    try {
        BuildEncoder();
    } catch (...) {
        AbandonOutput();
        throw;
    }
}

void TAudioFile2::BuildEncoder() {
    converter_.reset();
    meter_.reset();
    encoder_.reset();
    framesWritten_ = 0;
    outputFailed_ = false;
    const QString& temp = output_->TempPath();
    const QString& target = output_->Target();
    switch (kind_) {
        case OutputKind::Wave:
            encoder_ =
                CreateWaveEncoder(temp, target, waveRate_, waveChannels_, WaveBits(sourceBits_));
            break;
        case OutputKind::Vox:
            encoder_ = CreateVoxEncoder(temp, target, voxRate_);
            break;
        case OutputKind::Mp3:
            encoder_ = CreateMp3Encoder(temp, target, mp3_, sourceRate_ > 0 ? sourceRate_ : 44100,
                                        sourceChannels_ > 0 ? sourceChannels_ : 2);
            break;
        case OutputKind::Ogg:
            encoder_ = CreateOggEncoder(temp, target, ogg_);
            break;
        case OutputKind::Encoded: {
            const PcmFormat source{sourceRate_, sourceChannels_, sourceBits_, false};
            const PcmFormat output = recipe_->OutputFormat(source);
            encoder_ = recipe_->Create(temp, target, output, sourceBits_ > 0 ? sourceBits_ : 16);
            break;
        }
        case OutputKind::None:
            break;
    }
    if (sourceRate_ > 0 &&
        (sourceRate_ != encoder_->SampleRate() || sourceChannels_ != encoder_->Channels())) {
        try {
            converter_ = std::make_unique<FormatConverter>(
                sourceRate_, sourceChannels_, encoder_->SampleRate(), encoder_->Channels());
        } catch (const std::exception& e) {
            ThrowAudioError(QStringLiteral("Cannot create"), target,
                            QStringLiteral("cannot convert %1 Hz to %2 Hz (%3)")
                                .arg(sourceRate_)
                                .arg(encoder_->SampleRate())
                                .arg(QString::fromUtf8(e.what())));
        }
    }
}

void TAudioFile2::Encode(const float* samples, std::int64_t frames) {
    if (!converter_) {
        encoder_->Write(samples, frames);
        return;
    }
    const std::vector<float>& converted = converter_->Process(samples, frames);
    encoder_->Write(converted.data(),
                    static_cast<std::int64_t>(converted.size()) / encoder_->Channels());
}

void TAudioFile2::WriteBuffer(AudioBuffer& buffer) {
    CheckEnabled();
    if (!output_ || !encoder_) {
        throw ComponentError(QStringLiteral("Cannot write: no output file has been created"));
    }
    if (outputFailed_) {
        ThrowWriteError(output_->Target(), QStringLiteral("an earlier write failed"));
    }
    if (buffer.Empty()) {
        return;
    }
    const int expected = sourceChannels_ > 0 ? sourceChannels_ : encoder_->Channels();
    if (buffer.Channels() != expected) {
        ThrowWriteError(output_->Target(),
                        QStringLiteral("the block has %1 channels where %2 were announced")
                            .arg(buffer.Channels())
                            .arg(expected));
    }
    const std::int64_t frames = static_cast<std::int64_t>(buffer.FrameCount());
    const float* data = buffer.Data();
    ClearUpperVectorState();
    try {
        for (std::int64_t done = 0; done < frames; done += kSliceFrames) {
            const std::int64_t n = std::min(kSliceFrames, frames - done);
            Encode(data + done * expected, n);
        }
    } catch (const ComponentError&) {
        outputFailed_ = true;
        throw;
    } catch (const std::exception& e) {
        outputFailed_ = true;
        ThrowWriteError(output_->Target(), QString::fromUtf8(e.what()));
    }
    framesWritten_ += frames;
}

float TAudioFile2::OutputPeak(const AudioBuffer& block, bool last) {
    CheckEnabled();
    if (!converter_ || block.Channels() != sourceChannels_) {
        return PeakOf(block);  // written as it is
    }
    if (!meter_) {
        meter_ = std::make_unique<FormatConverter>(sourceRate_, sourceChannels_,
                                                   encoder_->SampleRate(), encoder_->Channels());
    }
    float peak = 0.0f;
    const std::int64_t frames = static_cast<std::int64_t>(block.FrameCount());
    for (std::int64_t done = 0; done < frames; done += kSliceFrames) {
        const std::int64_t n = std::min(kSliceFrames, frames - done);
        const std::vector<float>& out = meter_->Process(block.Data() + done * block.Channels(), n);
        peak = std::max(peak, PeakOf(out.data(), out.size()));
    }
    if (last) {
        const std::vector<float>& tail = meter_->Flush();
        peak = std::max(peak, PeakOf(tail.data(), tail.size()));
        meter_.reset();
    }
    return peak;
}

AudioBuffer TAudioFile2::OutputBlock(const AudioBuffer& block, bool last, int& rate) {
    CheckEnabled();
    if (!converter_ || block.Channels() != sourceChannels_) {
        rate = 0;
        return block;  // written as it is
    }
    if (!meter_) {
        meter_ = std::make_unique<FormatConverter>(sourceRate_, sourceChannels_,
                                                   encoder_->SampleRate(), encoder_->Channels());
    }
    rate = encoder_->SampleRate();
    std::vector<float> samples;
    const std::int64_t frames = static_cast<std::int64_t>(block.FrameCount());
    for (std::int64_t done = 0; done < frames; done += kSliceFrames) {
        const std::int64_t n = std::min(kSliceFrames, frames - done);
        const std::vector<float>& out = meter_->Process(block.Data() + done * block.Channels(), n);
        samples.insert(samples.end(), out.begin(), out.end());
    }
    if (last) {
        const std::vector<float>& tail = meter_->Flush();
        samples.insert(samples.end(), tail.begin(), tail.end());
        meter_.reset();
    }
    return AudioBuffer(std::move(samples), encoder_->Channels());
}

// ---- Both ----

void TAudioFile2::Close() {
    decoder_.reset();
    inputPath_.clear();
    delivered_ = 0;
    rangeStart_ = 0;
    rangeEnd_ = -1;
    CloseOutput();
}

void TAudioFile2::CloseOutput() {
    if (!output_) {
        return;
    }
    if (outputFailed_ || !encoder_) {
        // Its failure was reported when it happened; a broken file is not passed off as done.
        AbandonOutput();
        return;
    }
    ClearUpperVectorState();
    try {
        if (converter_) {
            const std::vector<float>& tail = converter_->Flush();
            encoder_->Write(tail.data(),
                            static_cast<std::int64_t>(tail.size()) / encoder_->Channels());
        }
        encoder_->Finish();
        output_->Commit();
    } catch (const ComponentError&) {
        AbandonOutput();
        throw;
    } catch (const std::exception& e) {
        const QString target = output_->Target();
        AbandonOutput();
        ThrowWriteError(target, QString::fromUtf8(e.what()));
    }
    converter_.reset();
    meter_.reset();
    encoder_.reset();
    output_.reset();
}

void TAudioFile2::AbandonOutput() {
    converter_.reset();
    meter_.reset();
    encoder_.reset();
    output_.reset();
    framesWritten_ = 0;
    outputFailed_ = false;
}
