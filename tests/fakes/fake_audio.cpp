#include "fake_audio.h"

#include <QFile>
#include <algorithm>

#include "components/component_error.h"

namespace {
QString N(long long v) {
    return QString::number(v);
}
QString B(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}
}  // namespace

void FakeAudioFile::Open(const QString& fileName) {
    Log(QStringLiteral("Open(%1)").arg(fileName));
    if (failOpen) {
        throw ComponentError(QStringLiteral("Cannot open %1: test failure").arg(fileName));
    }
    open_ = true;
    position_ = 0;
}

AudioBuffer FakeAudioFile::ReadBuffer(int frames) {
    Log(QStringLiteral("ReadBuffer(%1)").arg(frames));
    const std::size_t wanted =
        static_cast<std::size_t>(std::max(frames, 0)) * static_cast<std::size_t>(inputChannels);
    const std::size_t count = std::min(wanted, input.size() - position_);
    std::vector<float> block(input.begin() + static_cast<std::ptrdiff_t>(position_),
                             input.begin() + static_cast<std::ptrdiff_t>(position_ + count));
    position_ += count;
    return AudioBuffer(std::move(block), inputChannels);
}

std::int64_t FakeAudioFile::Length() {
    return static_cast<std::int64_t>(input.size()) / std::max(inputChannels, 1);
}

void FakeAudioFile::SetSourceFormat(int r, int c) {
    Log(QStringLiteral("SetSourceFormat(%1,%2)").arg(N(r), N(c)));
}
void FakeAudioFile::SetWaveFormat(int r, int c, int b) {
    Log(QStringLiteral("SetWaveFormat(%1,%2,%3)").arg(N(r), N(c), N(b)));
}
void FakeAudioFile::SetVoxFormat(int r) {
    Log(QStringLiteral("SetVoxFormat(%1)").arg(r));
}
void FakeAudioFile::SetMp3Encoder(IAudioFile2LameEnc&) {
    Log(QStringLiteral("SetMp3Encoder()"));
}
void FakeAudioFile::SetOggFormat(int r, int c, int k, int mn, int mx, std::int16_t q) {
    Log(QStringLiteral("SetOggFormat(%1,%2,%3,%4,%5,%6)")
            .arg(N(r), N(c), N(k), N(mn), N(mx), N(q)));
}
void FakeAudioFile::SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) {
    Log(QStringLiteral("SetEncoder(%1)").arg(recipe->Describe()));
}

void FakeAudioFile::SetWmaFormat(int f) {
    Log(QStringLiteral("SetWmaFormat(%1)").arg(f));
}
void FakeAudioFile::CreateOutput(const QString& fileName) {
    Log(QStringLiteral("CreateOutput(%1)").arg(fileName));
    // Like a real writer, leaves a file behind for the batch to name (where the folder exists).
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        file.close();
    }
    open_ = true;
    written.clear();
}
void FakeAudioFile::WriteBuffer(AudioBuffer& buffer) {
    Log(QStringLiteral("WriteBuffer(%1)").arg(buffer.UpperBound()));
    written.insert(written.end(), buffer.Samples().begin(), buffer.Samples().end());
    onWrite();
}
void FakeAudioFile::Close() {
    Log(QStringLiteral("Close()"));
    open_ = false;
}
void FakeAudioFile::SetEnabled(bool enabled) {
    Log(QStringLiteral("SetEnabled(%1)").arg(B(enabled)));
    if (!enabled) {
        open_ = false;
    }
}

void RecordingLameEncoder::Log(const char* op, const QString& value) {
    log_->append(QStringLiteral("Mp3LameEncoder.%1(%2)").arg(QLatin1String(op), value));
}
void RecordingLameEncoder::SetCommandLine(const QString& t) {
    Log("SetCommandLine", t);
    LameEncoderSettings::SetCommandLine(t);
}
#define QUORVEL_RECORD(Op, Type, Fmt)       \
    void RecordingLameEncoder::Op(Type v) { \
        Log(#Op, Fmt(v));                   \
        LameEncoderSettings::Op(v);         \
    }
QUORVEL_RECORD(SetPreset, int, N)
QUORVEL_RECORD(SetAltPreset, int, N)
QUORVEL_RECORD(SetVbrBitrate, int, N)
QUORVEL_RECORD(SetVbrQuality, int, N)
QUORVEL_RECORD(SetVbrMethod, int, N)
QUORVEL_RECORD(SetChannelMode, int, N)
QUORVEL_RECORD(SetQuality, int, N)
QUORVEL_RECORD(SetWriteVbrHeader, bool, B)
QUORVEL_RECORD(SetBitReservoir, bool, B)
QUORVEL_RECORD(SetAllowDiffBlockTypes, bool, B)
QUORVEL_RECORD(SetShortBlocks, bool, B)
QUORVEL_RECORD(SetDeemphasis, int, N)
QUORVEL_RECORD(SetStrictIso, bool, B)
QUORVEL_RECORD(SetEnforceMinBitrate, bool, B)
QUORVEL_RECORD(SetAthMode, int, N)
QUORVEL_RECORD(SetLowpassFrequency, int, N)
QUORVEL_RECORD(SetHighpassFrequency, int, N)
QUORVEL_RECORD(SetLowpassWidth, int, N)
QUORVEL_RECORD(SetHighpassWidth, int, N)
QUORVEL_RECORD(SetCrc, bool, B)
QUORVEL_RECORD(SetSampleRate, int, N)
QUORVEL_RECORD(SetOutputChannels, int, N)
QUORVEL_RECORD(SetBitrate, int, N)
#undef QUORVEL_RECORD

void FakeTransform::Fade(AudioBuffer& buffer, float s, float e) {
    log_->append(QStringLiteral("AudioTransform21.Fade(%1,%2,%3)")
                     .arg(N(buffer.UpperBound()), QString::number(s), QString::number(e)));
}
void FakeTransform::Normalize(AudioBuffer& buffer, float level, int channel) {
    log_->append(QStringLiteral("AudioTransform21.Normalize(%1,%2,%3)")
                     .arg(N(buffer.UpperBound()), QString::number(level), N(channel)));
}

void FakePlayer::OpenStream(int r, int c) {
    log_->append(QStringLiteral("AudioPlayer21.OpenStream(%1,%2)").arg(N(r), N(c)));
}
void FakePlayer::Play() {
    log_->append(QStringLiteral("AudioPlayer21.Play()"));
}
void FakePlayer::Stop() {
    log_->append(QStringLiteral("AudioPlayer21.Stop()"));
}
void FakePlayer::QueueBuffer(const AudioBuffer& b) {
    log_->append(QStringLiteral("AudioPlayer21.QueueBuffer(%1)").arg(b.UpperBound()));
}
