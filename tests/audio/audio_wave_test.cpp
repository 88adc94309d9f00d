// WAV, VOX and Ogg output: exact read-back, clipping, resampling, channel mapping, file safety.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <functional>
#include <thread>

#include "audio_test_signals.h"
#include "components/component_error.h"
#include "components/lame_encoder_settings.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

class WaveDepth : public ::testing::TestWithParam<int> {};

// Every value the depth can hold (sampled across the range, with both extremes) comes back
// unchanged. Depth 0 keeps the source's: a 24-bit source gives a 24-bit file.
TEST_P(WaveDepth, ReadsBackExactlyWhatWasWritten) {
    const int chosen = GetParam();
    const int bits = chosen == 0 ? 24 : chosen;
    const double scale = std::ldexp(1.0, bits == 32 ? 23 : bits - 1);
    std::vector<float> samples;
    for (int i = 0; i < 3000; ++i) {
        const double k = std::fmod(i * 7919.0, 2.0 * scale) - scale;  // -scale .. scale-1
        samples.push_back(static_cast<float>(k / scale));
    }
    samples.push_back(-1.0f);
    samples.push_back(static_cast<float>((scale - 1) / scale));
    const AudioBuffer input(samples, 2);

    TempDir dir;
    const QString path = dir.File(QStringLiteral("depth.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(22050, 2, chosen);
    writer->SetSourceBits(24);
    WriteThrough(*writer, path, 22050, input);

    auto reader = CreateAudioFile();
    const AudioBuffer output = ReadAll(*reader, path);
    reader->Open(path);
    EXPECT_EQ(reader->SampleRate(), 22050);
    EXPECT_EQ(reader->Channels(), 2);
    EXPECT_EQ(reader->SourceBits(), bits);
    EXPECT_EQ(reader->Length(), static_cast<std::int64_t>(input.FrameCount()));
    ASSERT_EQ(output.Samples().size(), input.Samples().size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(output.Samples()[i], samples[i]) << "sample " << i;
    }
    EXPECT_TRUE(ReadAll(path).startsWith("RIFF"));
}

INSTANTIATE_TEST_SUITE_P(Bits, WaveDepth, ::testing::Values(8, 16, 24, 32, 0));

TEST(WaveOutput, ClipsOnlyAtTheIntegerConversion) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("loud.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(8000, 1, 16);
    WriteThrough(*writer, path, 8000, AudioBuffer({1.5f, -2.0f, 0.25f}, 1));
    auto reader = CreateAudioFile();
    const AudioBuffer back = ReadAll(*reader, path);
    ASSERT_EQ(back.SampleCount(), 3u);
    EXPECT_EQ(back.Samples()[0], 32767.0f / 32768.0f);
    EXPECT_EQ(back.Samples()[1], -1.0f);
    EXPECT_EQ(back.Samples()[2], 0.25f);
}

TEST(WaveOutput, ResamplesKeepingLengthRatioAndFrequency) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("up.wav"));
    const AudioBuffer input = Sine(44100, 2, 1000.0, 44100);
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(48000, 2, 32);
    WriteThrough(*writer, path, 44100, input);

    auto reader = CreateAudioFile();
    const AudioBuffer back = ReadAll(*reader, path);
    EXPECT_NEAR(static_cast<double>(back.FrameCount()), 48000.0, 2.0);
    EXPECT_NEAR(EstimateFrequency(back, 48000), 1000.0, 2.0);
    reader->Open(path);
    EXPECT_EQ(reader->SampleRate(), 48000);
    EXPECT_EQ(reader->Duration(), 1000);
}

TEST(WaveOutput, MapsStereoToMonoByAveragingAndMonoToStereoByCopying) {
    TempDir dir;
    auto writer = CreateAudioFile();
    auto reader = CreateAudioFile();

    const QString mono = dir.File(QStringLiteral("mono.wav"));
    writer->SetWaveFormat(8000, 1, 16);
    WriteThrough(*writer, mono, 8000, AudioBuffer({0.5f, 0.25f, -0.5f, 0.0f}, 2));
    const AudioBuffer m = ReadAll(*reader, mono);
    ASSERT_EQ(m.Channels(), 1);
    EXPECT_EQ(m.Samples(), (std::vector<float>{0.375f, -0.25f}));

    const QString stereo = dir.File(QStringLiteral("stereo.wav"));
    writer->SetWaveFormat(8000, 2, 16);
    WriteThrough(*writer, stereo, 8000, AudioBuffer({0.5f, -0.25f}, 1));
    const AudioBuffer s = ReadAll(*reader, stereo);
    ASSERT_EQ(s.Channels(), 2);
    EXPECT_EQ(s.Samples(), (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f}));
}

TEST(WaveOutput, ReplacesTheTargetOnlyWhenClosedAndLeavesNothingWhenAbandoned) {
    TempDir dir;
    const QString path = dir.Write(QStringLiteral("song.wav"), "old contents");
    {
        auto writer = CreateAudioFile();
        writer->SetWaveFormat(8000, 1, 16);
        writer->SetSourceFormat(8000, 1);
        writer->CreateOutput(path);
        AudioBuffer block({0.1f, 0.2f}, 1);
        writer->WriteBuffer(block);
        EXPECT_TRUE(writer->IsOpen());
        EXPECT_EQ(ReadAll(path), QByteArray("old contents"));
        writer->Close();
        EXPECT_FALSE(writer->IsOpen());
    }
    EXPECT_TRUE(ReadAll(path).startsWith("RIFF"));

    const QString other = dir.File(QStringLiteral("never.wav"));
    {
        auto writer = CreateAudioFile();
        writer->SetWaveFormat(8000, 1, 16);
        writer->CreateOutput(other);
        AudioBuffer block({0.1f}, 1);
        writer->WriteBuffer(block);
        writer->SetEnabled(false);  // reset: the unfinished output is dropped
        writer->SetEnabled(true);
        EXPECT_FALSE(writer->IsOpen());
    }
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(WaveOutput, RefusesWhatItCannotWriteWithTheFileInTheMessage) {
    TempDir dir;
    auto writer = CreateAudioFile();
    const QString path = dir.File(QStringLiteral("x.wav"));
    writer->SetWaveFormat(44100, 2, 12);
    try {
        writer->CreateOutput(path);
        FAIL() << "12-bit accepted";
    } catch (const ComponentError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("x.wav"))) << e.what();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("12 bits"))) << e.what();
    }
    writer->SetWaveFormat(44100, 2, 16);
    EXPECT_THROW(writer->CreateOutput(dir.File(QStringLiteral("missing/x.wav"))), ComponentError);
    EXPECT_THROW(writer->CreateOutput(dir.Path()), ComponentError);
    try {
        writer->SetWmaFormat(10);
        FAIL() << "WMA accepted";
    } catch (const ComponentError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("WMA output is not supported on this system"));
    }
    EXPECT_FALSE(writer->IsOpen());
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST(OtherOutputs, OggVorbisReadsBackWithItsLengthAndFormat) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("tone.ogg"));
    auto writer = CreateAudioFile();
    writer->SetOggFormat(44100, 2, 0, 0, 0, 300);
    WriteThrough(*writer, path, 22050, Sine(22050, 1, 440.0, 11025));
    auto reader = CreateAudioFile();
    const AudioBuffer back = ReadAll(*reader, path);
    reader->Open(path);
    EXPECT_EQ(reader->SampleRate(), 44100);
    EXPECT_EQ(reader->Channels(), 2);
    EXPECT_NEAR(static_cast<double>(back.FrameCount()), 22050.0, 2.0);
    EXPECT_NEAR(EstimateFrequency(back, 44100, 1), 440.0, 2.0);

    writer->SetOggFormat(44100, 2, 96, 0, 0, -1);  // managed average bit rate
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 440.0, 4410));
    EXPECT_EQ(ReadAll(*reader, path).FrameCount(), 4410u);
    // The limits are positions in the stored bit rate list (9 is 96 kbps), as the settings
    // file keeps them.
    writer->SetOggFormat(44100, 2, 96, 9, 9, -1);
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 440.0, 44100));
    int exitCode = 0;
    const QString info = RunTool(QStringLiteral("ogginfo"), {path}, &exitCode);
    EXPECT_EQ(exitCode, 0) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Nominal bitrate: 96"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Upper bitrate: 96"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Lower bitrate: 96"))) << info.toStdString();
    EXPECT_THROW(writer->SetOggFormat(44100, 2, 96, 17, 0, -1), ComponentError);
    writer->SetOggFormat(44100, 2, 128, 9, 9, -1);  // limits that exclude the rate itself
    EXPECT_THROW(writer->CreateOutput(path), ComponentError);
}

TEST(OtherOutputs, VoxIsMonoAdpcmAtFourBitsPerSample) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("voice.vox"));
    auto writer = CreateAudioFile();
    writer->SetVoxFormat(8000);
    WriteThrough(*writer, path, 16000, Sine(16000, 2, 300.0, 16000));
    EXPECT_EQ(QFileInfo(path).size(), 4000);
}

// A stop before any data leaves an output that was created but got nothing: it must still close
// into a well-formed file.
TEST(OtherOutputs, AnOutputWithoutDataClosesIntoAnEmptyValidFile) {
    TempDir dir;
    auto writer = CreateAudioFile();
    auto reader = CreateAudioFile();
    LameEncoderSettings mp3;
    mp3.SetBitrate(128);
    const std::vector<std::pair<QString, std::function<void()>>> formats = {
        {QStringLiteral("empty.wav"), [&] { writer->SetWaveFormat(44100, 2, 16); }},
        {QStringLiteral("empty.mp3"), [&] { writer->SetMp3Encoder(mp3); }},
        {QStringLiteral("empty.ogg"), [&] { writer->SetOggFormat(44100, 2, 0, 0, 0, 300); }},
    };
    for (const auto& [name, configure] : formats) {
        configure();
        const QString path = dir.File(name);
        writer->SetSourceFormat(44100, 2);
        writer->CreateOutput(path);
        writer->Close();
        ASSERT_TRUE(QFileInfo::exists(path)) << name.toStdString();
        try {
            reader->Open(path);
            EXPECT_LE(reader->Length(), 1152) << name.toStdString();
        } catch (const ComponentError&) {
            // An MP3 without frames may well be refused; it must not crash.
        }
        reader->Close();
    }
}

// The normalisation worker uses the reader and writer from its own thread.
TEST(Threads, ReaderAndWriterWorkFromAWorkerThread) {
    TempDir dir;
    const QString in = dir.File(QStringLiteral("in.wav"));
    const QString out = dir.File(QStringLiteral("out.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(44100, 2, 16);
    WriteThrough(*writer, in, 44100, Sine(44100, 2, 500.0, 8000));
    auto reader = CreateAudioFile();
    std::size_t frames = 0;
    std::thread worker([&] {
        reader->Open(in);
        AudioBuffer all = reader->ReadBuffer(static_cast<int>(reader->Length() * 2));
        frames = all.FrameCount();
        writer->SetSourceFormat(44100, 2);
        writer->CreateOutput(out);
        writer->WriteBuffer(all);
        writer->Close();
        reader->Close();
    });
    worker.join();
    EXPECT_EQ(frames, 8000u);
    EXPECT_EQ(ReadAll(in), ReadAll(out));
}

}  // namespace
