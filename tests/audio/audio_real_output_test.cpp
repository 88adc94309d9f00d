// Outputs as other programs read them: the WAV header simple readers expect, surround sources
// folded into stereo, the user's umask, and one rounding rule for every sample.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QtEndian>
#include <cmath>

#include "audio_test_signals.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

QByteArray CanonicalHeader(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                           std::uint32_t dataBytes) {
    QByteArray h;
    const auto put32 = [&h](std::uint32_t v) {
        char b[4];
        qToLittleEndian(v, b);
        h.append(b, 4);
    };
    const auto put16 = [&h](std::uint16_t v) {
        char b[2];
        qToLittleEndian(v, b);
        h.append(b, 2);
    };
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    h += "RIFF";
    put32(36 + dataBytes);
    h += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(channels);
    put32(rate);
    put32(rate * align);
    put16(align);
    put16(bits);
    h += "data";
    put32(dataBytes);
    return h;
}

TEST(RealOutput, A16BitStereoWavHasTheCanonicalHeaderAndOtherToolsReadIt) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("cd.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(44100, 2, 16);
    WriteThrough(*writer, path, 44100, Sine(44100, 2, 1000.0, 44100));
    const QByteArray bytes = ::ReadAll(path);
    EXPECT_EQ(bytes.left(44), CanonicalHeader(44100, 2, 16, 44100 * 4));
    EXPECT_EQ(bytes.size(), 44 + 44100 * 4);

    int rc = 0;
    const QString sox = RunTool(QStringLiteral("soxi"), {QStringLiteral("-s"), path}, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(sox.trimmed(), QStringLiteral("44100"));
    const QString python =
        RunTool(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, wave; w = wave.open(sys.argv[1]); "
                                "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), "
                                "w.getnframes())"),
                 path},
                &rc);
    EXPECT_EQ(rc, 0) << python.toStdString();
    EXPECT_EQ(python.trimmed(), QStringLiteral("2 2 44100 44100"));
    const QString ffprobe =
        RunTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_name,channels"), QStringLiteral("-of"),
                 QStringLiteral("csv=p=0"), path},
                &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ffprobe.trimmed(), QStringLiteral("pcm_s16le,2"));
}

// 8-bit mono keeps the plain header (with the pad byte after an odd data size); more than two
// channels or more than 16 bits take WAVE_FORMAT_EXTENSIBLE, which sox reads back exactly.
TEST(RealOutput, OtherLayoutsGetTheHeaderTheirFormatNeeds) {
    struct Case {
        int channels;
        int bits;
        int dataAt;
    };
    TempDir dir;
    for (const Case c : {Case{1, 8, 44}, Case{6, 16, 68}, Case{2, 24, 68}, Case{2, 32, 68}}) {
        const QString path = dir.File(QStringLiteral("x.wav"));
        auto writer = CreateAudioFile();
        writer->SetWaveFormat(8000, c.channels, c.bits);
        WriteThrough(*writer, path, 8000, Sine(8000, c.channels, 500.0, 801));
        const QByteArray bytes = ::ReadAll(path);
        const int data = 801 * c.channels * c.bits / 8;
        EXPECT_EQ(bytes.mid(c.dataAt - 8, 4), QByteArray("data")) << c.channels << "/" << c.bits;
        EXPECT_EQ(bytes.size(), c.dataAt + data + (data & 1));
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4),
                  static_cast<quint32>(bytes.size() - 8));
        EXPECT_FALSE(bytes.contains("JUNK"));
        EXPECT_FALSE(bytes.left(c.dataAt).contains("fact"));
        int rc = 0;
        const QString sox = RunTool(QStringLiteral("soxi"), {path}, &rc);
        EXPECT_EQ(rc, 0) << sox.toStdString();
        EXPECT_TRUE(sox.contains(QStringLiteral("801 samples"))) << sox.toStdString();
    }
}

TEST(RealOutput, SurroundFoldsEveryChannelIntoStereoWithoutClipping) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("folded.wav"));
    auto writer = CreateAudioFile();
    auto reader = CreateAudioFile();
    const AudioBuffer tone = Sine(48000, 1, 440.0, 4800);
    // 5.1 with sound in the centre only, then in every channel at full scale.
    for (const bool everywhere : {false, true}) {
        std::vector<float> samples(4800 * 6, 0.0f);
        for (std::size_t f = 0; f < 4800; ++f) {
            for (std::size_t c = 0; c < 6; ++c) {
                if (everywhere || c == 2) {
                    samples[f * 6 + c] = everywhere ? (f % 2 ? 1.0f : -1.0f) : tone.Data()[f];
                }
            }
        }
        writer->SetWaveFormat(48000, 2, 16);
        WriteThrough(*writer, path, 48000, AudioBuffer(std::move(samples), 6));
        const AudioBuffer back = ReadAll(*reader, path);
        ASSERT_EQ(back.Channels(), 2);
        float peak[2] = {0.0f, 0.0f};
        for (std::size_t i = 0; i < back.SampleCount(); ++i) {
            peak[i % 2] = std::max(peak[i % 2], std::fabs(back.Data()[i]));
        }
        for (const float p : peak) {
            EXPECT_GT(p, everywhere ? 0.7f : 0.1f);  // not silent
            EXPECT_LE(p, 1.0f);                      // and not beyond full scale
        }
        if (!everywhere) {
            EXPECT_NEAR(EstimateFrequency(back, 48000, 1), 440.0, 2.0);
        }
    }
}

TEST(RealOutput, NewOutputsFollowTheUmask) {
    TempDir dir;
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(8000, 1, 16);
    for (const mode_t mask : {mode_t{027}, mode_t{002}}) {
        const mode_t old = umask(mask);
        const QString path = dir.File(QStringLiteral("m%1.wav").arg(mask));
        WriteThrough(*writer, path, 8000, Sine(8000, 1, 300.0, 800));
        umask(old);
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    }
}

// Halves round away from zero in the vectorised part of a block and in its tail alike.
TEST(RealOutput, EverySampleRoundsByOneRule) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("halves.wav"));
    auto writer = CreateAudioFile();
    writer->SetWaveFormat(8000, 1, 16);
    for (const float lsb : {2.5f, -2.5f, 3.5f}) {
        WriteThrough(*writer, path, 8000, AudioBuffer(std::vector<float>(9, lsb / 32768.0f), 1));
        const QByteArray bytes = ::ReadAll(path);
        ASSERT_EQ(bytes.size(), 44 + 18);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(qFromLittleEndian<qint16>(bytes.constData() + 44 + 2 * i),
                      static_cast<qint16>(lsb > 0 ? lsb + 0.5f : lsb - 0.5f))
                << lsb << " at " << i;
        }
    }
}

}  // namespace
