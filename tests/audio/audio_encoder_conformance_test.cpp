// Every output format, written by the real conversion loop (with a fade in) from sources of a
// few layouts, then judged by FFmpeg's tools: codec, rate, channels, decoded length, channel
// order, the fade, and for lossless outputs the samples themselves.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QProcess>
#include <cmath>
#include <csignal>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "engine/convert_file.h"
#include "formats/configure_writer.h"
#include "outside/audio/audio_factory.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

enum class Format { Mp3, Wav, Flac, Ogg, Opus, M4a };

struct Output {
    Format format;
    const char* name;
    int code;           // the stored format code
    const char* codec;  // as ffprobe names it
    // FFmpeg's decoded frames may differ from the source's by this many: a codec frame, or for
    // Vorbis, whose end FFmpeg trims loosely, a long block (oggdec must be exact).
    int slack;
};

struct Layout {
    int rate;
    int channels;
    int bits;
};

const Output kOutputs[] = {
    {Format::Mp3, "mp3", 0, "mp3", 1152},   {Format::Wav, "wav", 1, "pcm_s16le", 0},
    {Format::Flac, "flac", 5, "flac", 0},   {Format::Ogg, "ogg", 3, "vorbis", 2048},
    {Format::Opus, "opus", 6, "opus", 960}, {Format::M4a, "m4a", 7, "aac", 1024},
};
const Layout kLayouts[] = {{22050, 1, 16}, {44100, 2, 16}, {48000, 6, 16}, {96000, 2, 24}};

// A different tone in every channel (a low one in the LFE), so that a channel out of place shows.
double Tone(int channel) {
    static constexpr double kHz[] = {440, 550, 660, 70, 770, 880};
    return kHz[channel];
}

AudioBuffer Tones(const Layout& l, std::int64_t frames) {
    std::vector<float> samples(static_cast<std::size_t>(frames * l.channels));
    for (int c = 0; c < l.channels; ++c) {
        const AudioBuffer one = Sine(l.rate, 1, Tone(c), frames);
        for (std::int64_t f = 0; f < frames; ++f) {
            samples[static_cast<std::size_t>(f * l.channels + c)] = one.Data()[f];
        }
    }
    return AudioBuffer(std::move(samples), l.channels);
}

void Configure(IAudioFile2& writer, Format format, const Layout& l, LameEncoderSettings& lame) {
    switch (format) {
        case Format::Mp3:
            lame.SetBitrate(128);
            writer.SetMp3Encoder(lame);
            return;
        case Format::Wav:
            writer.SetWaveFormat(l.rate, l.channels, l.bits);
            return;
        case Format::Ogg:
            writer.SetOggFormat(l.rate, l.channels, 0, 0, 0, 500);
            return;
        case Format::Flac:
        case Format::Opus:
        case Format::M4a:
            break;
    }
    // The other formats as their units configure them from a file without their keys.
    const int code = format == Format::Flac ? 5 : format == Format::Opus ? 6 : 7;
    const TempDir dir;
    ConfigureWriter(code, SettingsFile(dir.File(QStringLiteral("Quorvel.ini"))), QString(), lame,
                    writer);
}

// The output as FFmpeg decodes it, as 32-bit floats in its own channel order.
AudioBuffer DecodeWithFfmpeg(const QString& path, int channels) {
    QProcess p;
    p.start(S("ffmpeg"), {S("-v"), S("error"), S("-i"), path, S("-f"), S("f32le"), S("-")});
    p.waitForFinished(60000);
    const QByteArray bytes = p.readAllStandardOutput();
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    samples.resize(samples.size() / channels * channels);
    return AudioBuffer(std::move(samples), channels);
}

double Rms(const AudioBuffer& b, std::size_t first, std::size_t frames) {
    double sum = 0;
    for (std::size_t f = first; f < first + frames; ++f) {
        sum += double(b.Data()[f * b.Channels()]) * b.Data()[f * b.Channels()];
    }
    return std::sqrt(sum / double(frames));
}

class EncoderConformance : public ::testing::TestWithParam<std::tuple<Output, Layout>> {};

TEST_P(EncoderConformance, OutputsDecodeAsTheSourceWithItsFade) {
    const auto [out, layout] = GetParam();
    const bool lossless = out.format == Format::Wav || out.format == Format::Flac;
    if (layout.bits > 16 && !lossless) {
        GTEST_SKIP() << "deep sources matter for lossless outputs";
    }
    TempDir dir;
    const std::int64_t frames = 2 * layout.rate + 777;  // not a whole number of codec frames
    const QString source = dir.File(S("source.wav"));
    auto reader = CreateAudioFile();
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(layout.rate, layout.channels, layout.bits);
    WriteThrough(*writer, source, layout.rate, Tones(layout, frames));

    const QString path = dir.File(S("out.") + S(out.name));
    LameEncoderSettings lame;
    Configure(*writer, out.format, layout, lame);
    auto transform = CreateAudioTransform();
    OpenFilePair(*reader, *writer, source, path);
    BlockLoopSettings fade{out.code, true, false, 1, 0};
    const std::atomic<bool> converting{true};
    ASSERT_TRUE(RunBlockLoop(*reader, *writer, *transform, fade, converting,
                             BlockLoopHooks{[] {}, [](int) {}}));
    reader->Close();
    writer->Close();

    const int channels = out.format == Format::Mp3 ? std::min(layout.channels, 2) : layout.channels;
    const int rate = out.format == Format::Opus ? 48000 : layout.rate;
    int rc = 0;
    const QString probe = RunTool(S("ffprobe"),
                                  {S("-v"), S("error"), S("-show_entries"),
                                   S("stream=codec_name,sample_rate,channels,bits_per_raw_sample"),
                                   S("-of"), S("csv=p=0"), path},
                                  &rc);
    const QStringList fields = probe.trimmed().split(QLatin1Char(','));
    ASSERT_GE(fields.size(), 4) << probe.toStdString();
    const QString codec =
        out.format == Format::Wav ? QStringLiteral("pcm_s%1le").arg(layout.bits) : S(out.codec);
    EXPECT_EQ(fields[0], codec);
    EXPECT_EQ(fields[1].toInt(), rate);
    EXPECT_EQ(fields[2].toInt(), channels);
    if (out.format == Format::Flac) {
        EXPECT_EQ(fields[3].toInt(), layout.bits);
        const QString test = RunTool(S("flac"), {S("-t"), S("-s"), path}, &rc);
        EXPECT_EQ(rc, 0) << test.toStdString();  // STREAMINFO's MD5 and length match the audio
    }
    if (out.format == Format::Ogg) {
        const QString wav = dir.File(S("oggdec.wav"));
        RunTool(S("oggdec"), {S("-Q"), S("-o"), wav, path}, &rc);
        EXPECT_EQ(RunTool(S("soxi"), {S("-s"), wav}, &rc).trimmed().toLongLong(), frames);
        // Quality 500 is oggenc's -q 5: the same nominal bit rate in the header.
        const QString reference = dir.File(S("reference.ogg"));
        RunTool(S("oggenc"), {S("-Q"), S("-q"), S("5"), S("-o"), reference, source}, &rc);
        const auto nominal = [&](const QString& file) {
            const QString info = RunTool(S("ogginfo"), {file}, &rc);
            const qsizetype at = info.indexOf(S("Nominal bitrate:"));
            return info.mid(at, info.indexOf(QLatin1Char('\n'), at) - at);
        };
        EXPECT_EQ(nominal(path), nominal(reference));
    }

    const AudioBuffer decoded = DecodeWithFfmpeg(path, channels);
    const std::int64_t expected = frames * rate / layout.rate;
    EXPECT_NEAR(static_cast<double>(decoded.FrameCount()), static_cast<double>(expected),
                out.slack);
    ASSERT_GT(decoded.FrameCount(), static_cast<std::size_t>(rate * 2));

    const double middle = Rms(decoded, rate * 3 / 2, rate / 10);
    EXPECT_GT(middle, 0.15);  // a 5.1 downmix is quieter than a channel of its own
    EXPECT_LT(Rms(decoded, 0, rate / 10), 0.3 * middle);  // the fade in reached the output

    if (channels == layout.channels) {
        for (int c = 0; c < channels; ++c) {
            EXPECT_NEAR(EstimateFrequency(decoded, rate, c), Tone(c), Tone(c) * 0.03)
                << "channel " << c;
        }
    }
    if (lossless) {
        // Past the fade the samples are the source's, bit for bit.
        const AudioBuffer original = ReadAll(*reader, source);
        ASSERT_EQ(decoded.SampleCount(), original.SampleCount());
        const std::size_t from = static_cast<std::size_t>(layout.rate + 10) * channels;
        std::size_t differ = 0;
        for (std::size_t i = from; i < original.SampleCount(); ++i) {
            differ += decoded.Data()[i] != original.Data()[i];
        }
        EXPECT_EQ(differ, 0u);
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Output, Layout>>& info) {
    const auto& [out, layout] = info.param;
    return std::string(out.name) + "_" + std::to_string(layout.channels) + "ch_" +
           std::to_string(layout.rate) + "_" + std::to_string(layout.bits) + "bit";
}

INSTANTIATE_TEST_SUITE_P(AllFormats, EncoderConformance,
                         ::testing::Combine(::testing::ValuesIn(kOutputs),
                                            ::testing::ValuesIn(kLayouts)),
                         CaseName);

// A disk that fills up while the encoder writes (here a file size limit) fails the output with
// the system's reason, naming the file, and leaves nothing in the folder.
TEST(EncoderConformanceErrors, AFullDiskFailsTheOutputAndLeavesNothing) {
    for (const Format format : {Format::Flac, Format::Opus, Format::M4a}) {
        TempDir dir;
        const QString folder = dir.File(S("out"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + S("/full.out");
        const Layout layout{44100, 2, 16};
        auto writer = CreateAudioFile();
        LameEncoderSettings lame;
        Configure(*writer, format, layout, lame);

        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 8 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        QString message;
        try {
            WriteThrough(*writer, path, 44100, Tones(layout, 3 * 44100));
        } catch (const ComponentError& e) {
            message = e.Message();
            writer->Close();  // as the conversion does after a failure
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(path))) << message.toStdString();
        EXPECT_TRUE(message.contains(S("File too large"))) << message.toStdString();
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

}  // namespace
