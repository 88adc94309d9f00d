#include "audio_test_signals.h"

#include <QProcess>

#include <cmath>
#include <numbers>

AudioBuffer Sine(int rate, int channels, double hz, std::int64_t frames, double amplitude) {
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (std::int64_t f = 0; f < frames; ++f) {
        const float v =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * f / rate));
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(f * channels + c)] = v;
        }
    }
    return AudioBuffer(std::move(samples), channels);
}

void WriteThrough(IAudioFile2& writer, const QString& path, int sourceRate,
                  const AudioBuffer& buffer) {
    const int channels = buffer.Channels();
    writer.SetSourceFormat(sourceRate, channels);
    writer.CreateOutput(path);
    writer.SetSourceFormat(sourceRate, channels);
    const std::size_t frames = buffer.FrameCount();
    for (std::size_t f = 0; f < frames; f += 2034) {
        const std::size_t n = std::min<std::size_t>(2034, frames - f);
        const float* from = buffer.Data() + f * channels;
        AudioBuffer block(std::vector<float>(from, from + n * channels), channels);
        writer.WriteBuffer(block);
    }
    writer.Close();
}

AudioBuffer ReadAll(IAudioFile2& reader, const QString& path, int block) {
    reader.Open(path);
    std::vector<float> all;
    const int channels = reader.PcmChannels();
    for (;;) {
        AudioBuffer b = reader.ReadBuffer(block);
        if (b.UpperBound() < 0) {
            break;
        }
        all.insert(all.end(), b.Samples().begin(), b.Samples().end());
    }
    reader.Close();
    return AudioBuffer(std::move(all), channels);
}

double EstimateFrequency(const AudioBuffer& buffer, int rate, int channel) {
    const int channels = buffer.Channels();
    const std::size_t frames = buffer.FrameCount();
    std::int64_t first = -1;
    std::int64_t last = -1;
    int crossings = 0;
    bool armed = false;  // hysteresis: codec noise around zero at the edges is not a crossing
    for (std::size_t f = 0; f < frames; ++f) {
        const float v = buffer.Data()[f * channels + channel];
        if (v < -0.1f) {
            armed = true;
        } else if (armed && v >= 0.0f) {
            armed = false;
            if (first < 0) {
                first = static_cast<std::int64_t>(f);
            } else {
                ++crossings;
            }
            last = static_cast<std::int64_t>(f);
        }
    }
    if (crossings == 0) {
        return 0.0;
    }
    return static_cast<double>(crossings) * rate / static_cast<double>(last - first);
}

MpegHeader FindMpegHeader(const QByteArray& bytes, int offset) {
    static const int kMpeg1Kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320, 0};
    static const int kMpeg2Kbps[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                       64, 80, 96, 112, 128, 144, 160, 0};
    static const int kRates[3] = {44100, 48000, 32000};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (int i = offset; i + 4 <= bytes.size(); ++i) {
        if (p[i] != 0xFF || (p[i + 1] & 0xE0) != 0xE0) {
            continue;
        }
        const int version = (p[i + 1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        const int layer = (p[i + 1] >> 1) & 3;    // 1 layer III
        const int bitrateIndex = p[i + 2] >> 4;
        const int rateIndex = (p[i + 2] >> 2) & 3;
        if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 ||
            rateIndex == 3) {
            continue;
        }
        MpegHeader h;
        h.found = true;
        h.offset = i;
        h.kbps = version == 3 ? kMpeg1Kbps[bitrateIndex] : kMpeg2Kbps[bitrateIndex];
        h.sampleRate = kRates[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
        h.mode = p[i + 3] >> 6;
        const int padding = (p[i + 2] >> 1) & 1;
        h.frameBytes = (version == 3 ? 144 : 72) * h.kbps * 1000 / h.sampleRate + padding;
        return h;
    }
    return {};
}

QString RunTool(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    *exitCode = ran ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}
