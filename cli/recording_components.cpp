#include "cli/recording_components.h"

#include <initializer_list>

#include "components/component_error.h"

namespace {

QString Arg(int v) {
    return QString::number(v);
}
QString Arg(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}
QString Arg(const QString& v) {
    QString escaped = v;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString Call(const char* op, std::initializer_list<QString> args = {}) {
    QStringList parts(args);
    return QLatin1String(op) + QLatin1Char('(') + parts.join(QLatin1String(", ")) +
           QLatin1Char(')');
}

}  // namespace

void RecordingEncoderSettings::SetCommandLine(const QString& text) {
    calls_ << Call("SetCommandLine", {Arg(text)});
    LameEncoderSettings::SetCommandLine(text);
}

#define QUORVEL_RECORD(Op, Type)                    \
    void RecordingEncoderSettings::Op(Type value) { \
        calls_ << Call(#Op, {Arg(value)});          \
        LameEncoderSettings::Op(value);             \
    }
QUORVEL_RECORD(SetPreset, int)
QUORVEL_RECORD(SetAltPreset, int)
QUORVEL_RECORD(SetVbrBitrate, int)
QUORVEL_RECORD(SetVbrQuality, int)
QUORVEL_RECORD(SetVbrMethod, int)
QUORVEL_RECORD(SetChannelMode, int)
QUORVEL_RECORD(SetQuality, int)
QUORVEL_RECORD(SetWriteVbrHeader, bool)
QUORVEL_RECORD(SetBitReservoir, bool)
QUORVEL_RECORD(SetAllowDiffBlockTypes, bool)
QUORVEL_RECORD(SetShortBlocks, bool)
QUORVEL_RECORD(SetDeemphasis, int)
QUORVEL_RECORD(SetStrictIso, bool)
QUORVEL_RECORD(SetEnforceMinBitrate, bool)
QUORVEL_RECORD(SetAthMode, int)
QUORVEL_RECORD(SetLowpassFrequency, int)
QUORVEL_RECORD(SetHighpassFrequency, int)
QUORVEL_RECORD(SetLowpassWidth, int)
QUORVEL_RECORD(SetHighpassWidth, int)
QUORVEL_RECORD(SetCrc, bool)
QUORVEL_RECORD(SetSampleRate, int)
QUORVEL_RECORD(SetOutputChannels, int)
QUORVEL_RECORD(SetBitrate, int)
#undef QUORVEL_RECORD

void RecordingWriter::Open(const QString& fileName) {
    calls_ << Call("Open", {Arg(fileName)});
    throw ComponentError(QStringLiteral("%1: the recording stand-in reads no audio").arg(fileName));
}
AudioBuffer RecordingWriter::ReadBuffer(int frames) {
    calls_ << Call("ReadBuffer", {Arg(frames)});
    return AudioBuffer();
}
void RecordingWriter::SetSourceFormat(int sampleRate, int channels) {
    calls_ << Call("SetSourceFormat", {Arg(sampleRate), Arg(channels)});
}
void RecordingWriter::SetWaveFormat(int sampleRate, int channels, int bits) {
    calls_ << Call("SetWaveFormat", {Arg(sampleRate), Arg(channels), Arg(bits)});
}
void RecordingWriter::SetVoxFormat(int sampleRate) {
    calls_ << Call("SetVoxFormat", {Arg(sampleRate)});
}
void RecordingWriter::SetMp3Encoder(IAudioFile2LameEnc&) {
    calls_ << Call("SetMp3Encoder");
}
void RecordingWriter::SetOggFormat(int sampleRate, int channels, int kbps, int minKbps, int maxKbps,
                                   std::int16_t quality) {
    calls_ << Call("SetOggFormat", {Arg(sampleRate), Arg(channels), Arg(kbps), Arg(minKbps),
                                    Arg(maxKbps), Arg(static_cast<int>(quality))});
}
void RecordingWriter::SetWmaFormat(int format) {
    calls_ << Call("SetWmaFormat", {Arg(format)});
}
void RecordingWriter::SetEncoder(std::shared_ptr<const EncoderRecipe> recipe) {
    calls_ << QStringLiteral("SetEncoder(%1)").arg(recipe ? recipe->Describe() : QString());
}
void RecordingWriter::CreateOutput(const QString& fileName) {
    calls_ << Call("CreateOutput", {Arg(fileName)});
    throw ComponentError(
        QStringLiteral("%1: the recording stand-in writes no audio").arg(fileName));
}
void RecordingWriter::WriteBuffer(AudioBuffer& buffer) {
    calls_ << Call("WriteBuffer", {Arg(static_cast<int>(buffer.UpperBound()))});
}
void RecordingWriter::Close() {
    calls_ << Call("Close");
}
bool RecordingWriter::IsOpen() {
    calls_ << Call("IsOpen");
    return false;
}
void RecordingWriter::SetEnabled(bool enabled) {
    calls_ << Call("SetEnabled", {Arg(enabled)});
}
