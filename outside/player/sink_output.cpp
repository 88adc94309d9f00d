// Output through Qt Multimedia's QAudioSink on the default device, pulling from the queue.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "components/component_error.h"
#include "outside/player/playback_output.h"
#include "outside/player/playback_queue.h"

namespace {

// Hands the sink whatever is queued and silence where nothing is: the stream keeps running
// through an empty queue, as a device would, instead of stopping and restarting.
class QueueDevice : public QIODevice {
  public:
    QueueDevice(PlaybackQueue& queue, int channels, QAudioFormat::SampleFormat format)
        : queue_(queue), channels_(channels), format_(format) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return (1 << 20) + QIODevice::bytesAvailable(); }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 sampleBytes = format_ == QAudioFormat::Float ? 4 : 2;
        const std::size_t frames = static_cast<std::size_t>(maxSize / (sampleBytes * channels_));
        const std::size_t count = frames * static_cast<std::size_t>(channels_);
        if (format_ == QAudioFormat::Float) {
            auto* out = reinterpret_cast<float*>(data);
            const std::size_t got = queue_.Pull(out, frames) * channels_;
            std::fill(out + got, out + count, 0.0f);
        } else {
            scratch_.resize(count);
            const std::size_t got = queue_.Pull(scratch_.data(), frames) * channels_;
            std::fill(scratch_.begin() + static_cast<std::ptrdiff_t>(got), scratch_.end(), 0.0f);
            auto* out = reinterpret_cast<qint16*>(data);
            for (std::size_t i = 0; i < count; ++i) {
                const float v = std::clamp(scratch_[i] * 32768.0f, -32768.0f, 32767.0f);
                out[i] = static_cast<qint16>(std::lrint(v));
            }
        }
        return static_cast<qint64>(count) * sampleBytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    PlaybackQueue& queue_;
    int channels_;
    QAudioFormat::SampleFormat format_;
    std::vector<float> scratch_;
};

class SinkOutput : public PlaybackOutput {
  public:
    SinkOutput(PlaybackQueue& queue, const QAudioDevice& device, const QAudioFormat& format)
        : description_(device.description()),
          source_(queue, format.channelCount(), format.sampleFormat()),
          sink_(device, format) {}

    void Start() override {
        source_.open(QIODevice::ReadOnly);
        sink_.start(&source_);
        if (sink_.error() != QAudio::NoError) {
            sink_.stop();
            source_.close();
            throw ComponentError(
                QStringLiteral("Cannot play through the audio device \"%1\": it could not be "
                               "opened")
                    .arg(description_));
        }
    }
    void Stop() override {
        sink_.stop();
        source_.close();
    }
    bool IsNull() const override { return false; }

  private:
    QString description_;
    QueueDevice source_;
    QAudioSink sink_;
};

}  // namespace

std::unique_ptr<PlaybackOutput> CreateSinkOutput(PlaybackQueue& queue, int sampleRate,
                                                 int channels) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        return nullptr;
    }
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format)) {
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format)) {
            throw ComponentError(
                QStringLiteral("The audio device \"%1\" cannot play %2 Hz with %3 channels")
                    .arg(device.description())
                    .arg(sampleRate)
                    .arg(channels));
        }
    }
    return std::make_unique<SinkOutput>(queue, device, format);
}
